/*
 * The attribute engine: the value "user.DOSATTRIB" in its text and binary forms, read-only kept in
 * the permission bits, links, special files, a file system without extended attributes; the store
 * each file system gets, and the volumes that keep Windows' own bits stood in through the seams:
 * FAT's attribute byte sent and read through the ioctl seam, exFAT keeping nothing beyond
 * read-only. File names that do not survive decoding; free space as an ordinary account has it.
 */
#include "app/platform/attributes.h"
#include "app/platform/dosattrib.h"
#include "app/platform/extendedattributes.h"
#include "app/platform/fileattributes.h"
#include "app/platform/filenames.h"
#include "app/platform/linuxplatform.h"
#include "app/platform/volumecalls.h"
#include "tests/support/tempenv.h"

#include <sys/statvfs.h>

namespace {

const QString NotSupported = u"Operation not supported"_s;

// A binary value as current Samba servers write it: an empty string, padding, the version and
// the union's selector, then the body's 32-bit little-endian fields.
QByteArray binaryForm(quint16 version, std::initializer_list<quint32> body, quint16 selector = 0) {
    QByteArray bytes("\0\0", 2);
    for (quint16 number : {version, selector ? selector : version})
        bytes.append(char(number & 0xFF)).append(char(number >> 8));
    bytes.append("\0\0", 2);
    for (quint32 field : body) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((field >> shift) & 0xFF));
    }
    return bytes;
}

// A file system that keeps no extended attributes; it counts the calls made to it.
struct NoExtendedAttributes : ExtendedAttributes {
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

// A volume of one file-system type holding one FAT attribute byte (none: its ioctl fails); every
// byte sent is logged.
struct FakeVolume : VolumeCalls {
    explicit FakeVolume(quint32 type)
        : type(type) {}
    quint32 fileSystemType(const QByteArray&) const override { return type; }
    quint32 fileSystemTypeOfFile(int) const override { return type; }
    Expected<quint32> fatAttributes(int) const override {
        return byte ? Expected<quint32>(*byte) : unexpected(Error::fromCode(ENOTTY));
    }
    Expected<void> setFatAttributes(int, quint32 value) override {
        sent.append(value);
        byte = value;
        return {};
    }

    quint32 type;
    std::optional<quint32> byte;
    QList<quint32> sent;
};

class FileAttributesTest : public TempEnvTest {
protected:
    // What is really stored, read past the engine; "<none>" when nothing is.
    QByteArray storedValue(const QString& path) const {
        return m_real.get(encoded(path), DosAttrib::Name).value_or(QByteArray("<none>"));
    }

    ExtendedAttributes m_real;
    FileAttributes m_attributes{m_real};
};

} // namespace

TEST(DosAttrib, ReadsTheTextAndBinaryFormsAndNothingElse) {
    const std::pair<QByteArray, std::optional<quint32>> cases[] = {
        {"0xffffffff", 0xFFFFFFFF},
        // An older server's value: the text, its zero byte, then binary fields.
        {QByteArray("0x21\0\0\3\0\3\0\0\0\1\0\0\0\x21\0\0\0", 20), 0x21},
        // Versions 3 to 5 start with the mask of valid fields, version 1 with the value.
        {binaryForm(3, {0x11, 0x23, 0, 0, 0, 0}), 0x23},
        {binaryForm(5, {0x11, 0x2006}), 0x2006},
        {binaryForm(1, {0x04}), 0x04},
        {"0x100000000", std::nullopt},
        {"0x+2", std::nullopt},
        {binaryForm(6, {0x11, 0x22}), std::nullopt},
        {binaryForm(4, {0x11, 0x22}, 3), std::nullopt},
        {binaryForm(4, {0x11}), std::nullopt},
    };
    for (const auto& [stored, value] : cases)
        EXPECT_EQ(DosAttrib::decode(stored), value) << stored.toHex().constData();
}

TEST(AttributeStoreChoice, FollowsTheFileSystemType) {
    // The statfs types of linux/magic.h: NTFS, FUSE (ntfs-3g when the file answers the NTFS word,
    // sshfs and the like otherwise), FAT, exFAT, ext4, a Samba share, and one not known.
    const std::tuple<quint32, bool, AttributeStore> cases[] = {
        {0x5346544e, false, AttributeStore::NtfsWord},  {0x65735546, true, AttributeStore::NtfsWord},
        {0x65735546, false, AttributeStore::DosAttrib}, {0x4d44, false, AttributeStore::FatIoctl},
        {0x2011bab0, false, AttributeStore::None},      {0xEF53, false, AttributeStore::DosAttrib},
        {0xFF534D42, true, AttributeStore::DosAttrib},  {0, false, AttributeStore::DosAttrib},
    };
    for (const auto& [type, answersNtfsWord, store] : cases)
        EXPECT_EQ(storeFor(type, answersNtfsWord), store) << std::hex << type << " " << answersNtfsWord;
}

TEST_F(FileAttributesTest, ValuesAreStoredAsTextAndOtherWritersBitsKept) {
    const QString file = makeFile(u"plain.txt"_s, 10);
    const QString folder = makeDir(u"folder"_s);
    ASSERT_EQ(::chmod(encoded(folder).constData(), 0755), 0);
    ASSERT_TRUE(m_attributes.write(file, 35));
    EXPECT_EQ(m_attributes.read(file), 35u);
    EXPECT_EQ(storedValue(file), QByteArray("0x23"));
    ASSERT_TRUE(m_attributes.write(folder, Attr::ReadOnly | Attr::Hidden));
    EXPECT_EQ(m_attributes.read(folder), Attr::ReadOnly | Attr::Hidden | Attr::Directory);
    EXPECT_EQ(modeOf(folder), 0755u); // a folder's read-only bit lives only in the value
    // Directory and unknown bits given by a caller are not stored.
    ASSERT_TRUE(m_attributes.write(file, 0x1000 | Attr::Directory | Attr::Hidden));
    EXPECT_EQ(storedValue(file), QByteArray("0x2"));
    // A binary value of a current server (version 4): hidden, archive and two bits of its own.
    ASSERT_TRUE(m_real.set(encoded(file), DosAttrib::Name, binaryForm(4, {0x11, 0xA022, 0, 0})));
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden | Attr::Archive);
    ASSERT_TRUE(m_attributes.write(file, Attr::System));
    EXPECT_EQ(storedValue(file), QByteArray("0xa004"));
}

TEST_F(FileAttributesTest, ReadOnlyFilesLoseAllWriteBitsAndGetBackWhatTheirReadersMayHave) {
    // The umask, the mode before, as read-only, once read-only is cleared again.
    const mode_t cases[][4] = {{0, 0664, 0444, 0666}, {0, 0200, 0000, 0200}, {022, 0666, 0444, 0644}};
    const mode_t oldUmask = ::umask(0);
    for (const auto& [umask, before, readOnly, afterward] : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << umask << " " << before);
        ::umask(umask);
        const QString file = makeFile(u"file"_s, 3);
        // No ASSERT here: the umask must be put back.
        EXPECT_EQ(::chmod(encoded(file).constData(), before), 0);
        EXPECT_TRUE(m_attributes.write(file, Attr::ReadOnly | Attr::Archive));
        EXPECT_EQ(modeOf(file), readOnly);
        EXPECT_TRUE(m_attributes.write(file, Attr::Archive));
        EXPECT_EQ(modeOf(file), afterward);
    }
    ::umask(oldUmask);
}

TEST_F(FileAttributesTest, LinksSpecialAndMissingFilesAreRefusedAndLinksNeverFollowed) {
    const QString target = makeFile(u"target"_s, 1);
    ASSERT_TRUE(m_attributes.write(target, Attr::Hidden | Attr::Archive));
    const QString link = path(u".link"_s), fifo = path(u"fifo"_s), missing = path(u"missing"_s);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0644), 0);
    EXPECT_EQ(m_attributes.read(link), Attr::Hidden);
    EXPECT_EQ(m_attributes.read(missing), std::nullopt);
    for (const QString& refused : {link, fifo, missing})
        EXPECT_EQ(errorOf(m_attributes.write(refused, Attr::ReadOnly)),
                  refused == missing ? u"No such file or directory"_s : u"Operation not permitted"_s);
    EXPECT_EQ(storedValue(target), QByteArray("0x22"));
    EXPECT_EQ(modeOf(target) & S_IWUSR, mode_t(S_IWUSR));
    EXPECT_EQ(modeOf(fifo), 0644u);
}

TEST_F(FileAttributesTest, FatBytesAreSentAndReadThroughTheIoctlSeam) {
    FakeVolume volume(FileSystemType::Fat);
    const FileAttributes attributes(m_real, volume);
    const QString file = makeFile(u"file"_s, 3), folder = makeDir(u"folder"_s);
    const mode_t fileMode = modeOf(file);
    // The byte before, the value given, the byte sent, the value read back. The volume-label bit
    // (8) and unknown bits a caller gives are neither sent nor cleared.
    const std::tuple<QString, quint32, quint32, quint32, quint32> cases[] = {
        {file, 0x20, Attr::Hidden | Attr::System, 0x06, Attr::Hidden | Attr::System},
        {file, 0x08, Attr::ReadOnly | 0x40, 0x09, Attr::ReadOnly},
        {folder, 0x14, Attr::Normal, 0x10, Attr::Directory},
    };
    for (const auto& [target, before, value, sent, read] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << before << " " << value);
        volume.byte = before;
        volume.sent.clear();
        ASSERT_TRUE(attributes.write(target, value));
        EXPECT_EQ(volume.sent, QList<quint32>{sent});
        EXPECT_EQ(attributes.read(target), read);
    }
    // The kernel keeps a FAT file's permission bits itself; nothing else is stored.
    EXPECT_EQ(modeOf(file), fileMode);
    EXPECT_EQ(storedValue(file), QByteArray("<none>"));
}

// Where Windows' bits cannot be kept, read-only lives in the permissions alone and the rest is
// refused: on a file system without extended attributes, and on exFAT, which has no store.
TEST_F(FileAttributesTest, WithoutAStoreOnlyReadOnlyWorksThroughThePermissions) {
    NoExtendedAttributes none, untouched;
    FakeVolume exFat(FileSystemType::ExFat);
    const FileAttributes withoutStore(none), onExFat(untouched, exFat);
    const QString file = makeFile(u".file"_s, 1), folder = makeDir(u"folder"_s);
    for (const FileAttributes* attributes : {&withoutStore, &onExFat}) {
        EXPECT_TRUE(attributes->write(file, Attr::Normal));
        EXPECT_EQ(attributes->read(file), Attr::Hidden);
        // A file's read-only part is applied all the same.
        const std::pair<QString, quint32> refused[] = {
            {file, Attr::Archive}, {file, Attr::ReadOnly | Attr::System}, {folder, Attr::ReadOnly}};
        for (const auto& [target, value] : refused)
            EXPECT_EQ(errorOf(attributes->write(target, value)), NotSupported) << value;
        EXPECT_EQ(attributes->read(file), Attr::ReadOnly | Attr::Hidden);
        EXPECT_EQ(attributes->read(folder), Attr::Directory);
    }
    EXPECT_EQ(untouched.calls, 0);
    EXPECT_TRUE(exFat.sent.isEmpty());
    EXPECT_EQ(storedValue(file), QByteArray("<none>"));
}

using FileNamesTest = TempEnvTest;

TEST_F(FileNamesTest, OnlyANameThatDoesNotSurviveDecodingIsRefused) {
    // "sub" + 0xFF holds a stray byte; "ok" + U+FFFD is a valid name of its own.
    const QString strayFolder = makeRawFile("sub\xFF/");
    makeFile(u"ok\uFFFD"_s, QByteArray("kept"));
    // A leading byte-order mark is dropped in decoding: "\xEF\xBB\xBFmarked" reads as "marked".
    makeRawFile("\xEF\xBB\xBFmarked");
    makeFile(u"marked"_s, QByteArray("y"));
    const QString refused = u" can't be read correctly. Please rename it."_s;
    const std::pair<QString, QString> cases[] = {
        {path(u"ok\uFFFD"_s), {}},
        {strayFolder + u"/inside"_s, u"The name of "_s + path(u"sub\uFFFD/inside"_s) + refused},
        {path(u"marked"_s), u"The name of "_s + path(u"marked"_s) + refused},
    };
    for (const auto& [shown, refusal] : cases) {
        const Expected<void> usable = FileNames::usable(shown);
        EXPECT_EQ(usable ? QString() : usable.error().message, refusal) << shown.toStdString();
    }
}

using LinuxPlatformTest = TempEnvTest;

// Free space is what an ordinary account may fill: the blocks reserved for root are left out.
TEST_F(LinuxPlatformTest, FreeSpaceLeavesOutTheBlocksReservedForRoot) {
    struct statvfs volume {};
    ASSERT_EQ(::statvfs(encoded(root()).constData(), &volume), 0);
    const qint64 reserved = qint64(volume.f_bfree - volume.f_bavail) * qint64(volume.f_frsize);
    if (reserved == 0)
        GTEST_SKIP() << "the file system reserves no blocks";
    // Other writers may change the free space meanwhile, by far less than the reserve.
    const qint64 available = qint64(volume.f_bavail) * qint64(volume.f_frsize);
    EXPECT_LT(std::abs(LinuxPlatform().freeSpace(path(u"new.bin"_s)) - available), reserved / 2);
}
