/*
 * The attribute engine on volumes that keep Windows' own bits, stood in through the seams: which
 * store each file system gets, the FAT attribute byte sent and read through the ioctl seam, and
 * exFAT, which keeps nothing beyond read-only. NTFS is tested on a real volume.
 */
#include "app/platform/attributes.h"
#include "app/platform/dosattrib.h"
#include "app/platform/extendedattributes.h"
#include "app/platform/fileattributes.h"
#include "app/platform/volumecalls.h"
#include "tests/support/tempenv.h"

#include <QtCore/QFile>
#include <QtCore/QMap>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

ino_t inodeOf(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? info.st_ino : 0;
}

struct stat statOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
    return info;
}

mode_t modeOf(const QString& path) {
    return statOf(path).st_mode & 07777;
}

// A volume of one file-system type whose FAT attribute bytes live here, by inode; every byte
// sent is logged.
class FakeVolume : public VolumeCalls {
public:
    explicit FakeVolume(quint32 type)
        : m_type(type) {}
    quint32 fileSystemType(const QByteArray&) const override { return m_type; }
    quint32 fileSystemTypeOfFile(int) const override { return m_type; }
    Expected<quint32> fatAttributes(int fd) const override {
        if (!bytes.contains(inodeOf(fd)))
            return unexpected(Error::fromCode(ENOTTY));
        return bytes.value(inodeOf(fd));
    }
    Expected<void> setFatAttributes(int fd, quint32 value) override {
        sent.append(value);
        bytes[inodeOf(fd)] = value;
        return {};
    }

    QMap<ino_t, quint32> bytes;
    QList<quint32> sent;

private:
    quint32 m_type;
};

// Extended attributes that count the calls made to them and keep nothing.
struct CountedAttributes : ExtendedAttributes {
    Expected<QByteArray> get(const QByteArray&, const char*) const override {
        ++calls;
        return unexpected(Error::fromCode(ENOTSUP));
    }
    Expected<void> set(const QByteArray&, const char*, const QByteArray&) override {
        ++calls;
        return unexpected(Error::fromCode(ENOTSUP));
    }
    mutable int calls = 0;
};

using VolumeStoresTest = TempEnvTest;

} // namespace

TEST(AttributeStoreChoice, FollowsTheFileSystemType) {
    const struct {
        quint32 type;
        bool answersNtfsWord;
        AttributeStore store;
    } cases[] = {
        {FileSystemType::Ntfs, false, AttributeStore::NtfsWord},
        {FileSystemType::Fuse, true, AttributeStore::NtfsWord},
        {FileSystemType::Fuse, false, AttributeStore::DosAttrib}, // sshfs and the like
        {FileSystemType::Fat, false, AttributeStore::FatIoctl},
        {FileSystemType::ExFat, false, AttributeStore::None},
        {0xEF53, false, AttributeStore::DosAttrib},    // ext4
        {0xFF534D42, true, AttributeStore::DosAttrib}, // a Samba share
        {0, false, AttributeStore::DosAttrib},         // not known
    };
    for (const auto& c : cases)
        EXPECT_EQ(storeFor(c.type, c.answersNtfsWord), c.store) << std::hex << c.type << " " << c.answersNtfsWord;
}

TEST_F(VolumeStoresTest, FatBytesAreSentAndReadThroughTheIoctlSeam) {
    FakeVolume volume(FileSystemType::Fat);
    ExtendedAttributes real;
    const FileAttributes attributes(real, volume);
    const QString file = makeFile(u"file"_s, 3), folder = makeDir(u"folder"_s);
    const mode_t fileMode = modeOf(file);
    const struct {
        QString path;
        quint32 before, value, sent, read;
    } cases[] = {
        {file, 0x20, Attr::Hidden | Attr::System, 0x06, Attr::Hidden | Attr::System},
        {file, 0x00, Attr::Encrypted | Attr::Archive, 0x27, Attr::Encrypted | Attr::Archive},
        // The volume-label bit (8) and unknown bits a caller gives are neither sent nor cleared.
        {file, 0x08, Attr::ReadOnly | 0x40, 0x09, Attr::ReadOnly},
        {folder, 0x10, Attr::System, 0x14, Attr::System | Attr::Directory},
        {folder, 0x14, Attr::Normal, 0x10, Attr::Directory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.before << " " << c.value);
        volume.bytes[statOf(c.path).st_ino] = c.before;
        volume.sent.clear();
        ASSERT_TRUE(attributes.write(c.path, c.value));
        EXPECT_EQ(volume.sent, QList<quint32>{c.sent});
        EXPECT_EQ(attributes.read(c.path), c.read);
    }
    // The kernel keeps a FAT file's permission bits itself; nothing else is stored.
    EXPECT_EQ(modeOf(file), fileMode);
    EXPECT_FALSE(real.get(QFile::encodeName(file), DosAttrib::Name)) << "nothing else is stored";

    // Giving the byte it has sends nothing; an open file takes its byte through its descriptor.
    volume.sent.clear();
    ASSERT_TRUE(attributes.write(file, Attr::ReadOnly));
    EXPECT_TRUE(volume.sent.isEmpty());
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(attributes.write(fd, Attr::Archive));
    ::close(fd);
    EXPECT_EQ(volume.sent, QList<quint32>{0x28});

    // A failing ioctl is reported, and reading falls back to the permission bits.
    volume.bytes.clear();
    const Expected<void> written = attributes.write(file, Attr::Hidden);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message, qt_error_string(ENOTTY));
    EXPECT_EQ(attributes.read(file), Attr::Normal);
}

TEST_F(VolumeStoresTest, ExFatKeepsReadOnlyInThePermissionsAndRefusesTheRest) {
    FakeVolume volume(FileSystemType::ExFat);
    CountedAttributes store; // none may reach the extended attributes
    const FileAttributes attributes(store, volume);
    const QString file = makeFile(u".file"_s, 3), folder = makeDir(u"folder"_s);
    EXPECT_TRUE(attributes.write(file, Attr::ReadOnly));
    EXPECT_EQ(modeOf(file) & (S_IWUSR | S_IWGRP | S_IWOTH), mode_t(0));
    EXPECT_EQ(attributes.read(file), Attr::ReadOnly | Attr::Hidden);
    EXPECT_TRUE(attributes.write(file, Attr::Normal));
    EXPECT_EQ(attributes.read(file), Attr::Hidden);
    const std::pair<QString, quint32> refused[] = {
        {file, Attr::Hidden}, {file, Attr::Archive}, {folder, Attr::System}, {folder, Attr::ReadOnly}};
    for (const auto& [target, value] : refused) {
        const Expected<void> written = attributes.write(target, value);
        ASSERT_FALSE(written) << value;
        EXPECT_EQ(written.error().message, qt_error_string(ENOTSUP));
    }
    EXPECT_EQ(attributes.read(folder), Attr::Directory);
    EXPECT_EQ(store.calls, 0);
    EXPECT_TRUE(volume.sent.isEmpty());
}
