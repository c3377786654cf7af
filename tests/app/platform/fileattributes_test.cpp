#include "attributes.h"
#include "dosattrib.h"
#include "extendedattributes.h"
#include "fileattributes.h"
#include "tempenv.h"

#include <QtCore/QFile>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// What is really stored, read past the engine; "<none>" when nothing is.
QByteArray storedValue(const QString& path) {
    char buffer[256];
    const ssize_t size = ::lgetxattr(encoded(path).constData(), DosAttrib::Name, buffer, sizeof buffer);
    return size < 0 ? QByteArray("<none>") : QByteArray(buffer, size);
}

void store(const QString& path, const QByteArray& value) {
    ASSERT_EQ(::lsetxattr(encoded(path).constData(), DosAttrib::Name, value.constData(), value.size(), 0), 0);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(encoded(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(encoded(path).constData(), mode), 0);
}

class UmaskFor {
public:
    explicit UmaskFor(mode_t mask)
        : m_old(::umask(mask)) {}
    ~UmaskFor() { ::umask(m_old); }

private:
    mode_t m_old;
};

// A file system that keeps no extended attributes.
class NoExtendedAttributes : public ExtendedAttributes {
public:
    Value get(const QByteArray&, const char*) const override { return {{}, ENOTSUP}; }
    int set(const QByteArray&, const char*, const QByteArray&) override { return ENOTSUP; }
};

class FileAttributesTest : public TempEnvTest {
protected:
    ExtendedAttributes m_real;
    FileAttributes m_attributes{m_real};
};

} // namespace

TEST_F(FileAttributesTest, EveryCombinationIsStoredAndReadBack) {
    const QString file = makeFile(u"plain.txt"_s, 10);
    const QString folder = makeDir(u"folder"_s);
    setMode(folder, 0755);
    for (quint32 value : {0u, 1u, 2u, 4u, 32u, 35u, 39u, 0u, 7u, 32u}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(m_attributes.write(file, value));
        EXPECT_EQ(m_attributes.read(file), value);
        EXPECT_EQ(storedValue(file), DosAttrib::encode(value));
        EXPECT_EQ((modeOf(file) & 0222) == 0, (value & Attr::ReadOnly) != 0);

        ASSERT_TRUE(m_attributes.write(folder, value));
        EXPECT_EQ(m_attributes.read(folder), value | Attr::Directory);
        EXPECT_EQ(modeOf(folder), mode_t(0755)); // a folder's read-only bit lives only in the value
    }
    // Directory and unknown bits given by a caller are not stored.
    ASSERT_TRUE(m_attributes.write(file, 0x1000 | Attr::Directory | Attr::Hidden | Attr::Archive));
    EXPECT_EQ(storedValue(file), QByteArray("0x22"));
}

TEST_F(FileAttributesTest, StoredValuesOfOtherWritersAreReadAndTheirOtherBitsKept) {
    const QString file = makeFile(u"shared.doc"_s, 1);
    // A binary value of a current server (version 4): hidden, archive and the offline bit.
    store(file, QByteArray("\0\0\4\0\4\0\0\0\x11\0\0\0\x22\x10\0\0\0\0\0\0\0\0\0\0", 24));
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden | Attr::Archive);
    ASSERT_TRUE(m_attributes.write(file, Attr::System));
    EXPECT_EQ(storedValue(file), QByteArray("0x1004"));

    // A stored Directory bit is not taken for a file, and read back only from the file type.
    store(file, "0x12");
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden);
    ASSERT_TRUE(m_attributes.write(file, Attr::Archive));
    EXPECT_EQ(storedValue(file), QByteArray("0x20"));

    // Anything unreadable counts as nothing stored, and is replaced.
    const QString dotFile = makeFile(u".profile"_s, 1);
    store(dotFile, "rubbish");
    EXPECT_EQ(m_attributes.read(dotFile), Attr::Hidden);
    store(file, "rubbish");
    EXPECT_EQ(m_attributes.read(file), Attr::Normal);
    ASSERT_TRUE(m_attributes.write(file, Attr::Hidden));
    EXPECT_EQ(storedValue(file), QByteArray("0x2"));
}

TEST_F(FileAttributesTest, ReadOnlyFilesLoseAllWriteBitsAndGetBackWhatTheirReadersMayHave) {
    const struct {
        mode_t umask;
        mode_t before;    // the file's mode before read-only is set
        mode_t readOnly;  // after it is set
        mode_t afterward; // after it is cleared again
    } cases[] = {
        {0, 0664, 0444, 0666}, {0, 0640, 0440, 0660}, {0, 0600, 0400, 0600},   {0, 0604, 0404, 0606},
        {0, 0755, 0555, 0777}, {0, 0200, 0000, 0200}, {022, 0666, 0444, 0644}, {002, 0664, 0444, 0664},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.umask << " " << c.before);
        const UmaskFor umask(c.umask);
        const QString file = makeFile(u"file"_s, 3);
        setMode(file, c.before);
        ASSERT_TRUE(m_attributes.write(file, Attr::ReadOnly | Attr::Archive));
        EXPECT_EQ(modeOf(file), c.readOnly);
        ASSERT_TRUE(m_attributes.write(file, Attr::Archive));
        EXPECT_EQ(modeOf(file), c.afterward);
        EXPECT_EQ(m_attributes.read(file), Attr::Archive);
    }

    // A file with a write bit keeps its mode when read-only is cleared.
    const UmaskFor umask(0);
    const QString file = makeFile(u"writable"_s, 3);
    setMode(file, 0640);
    ASSERT_TRUE(m_attributes.write(file, Attr::Normal));
    EXPECT_EQ(modeOf(file), mode_t(0640));
    // No write bit at all reads as read-only with nothing stored; a folder's mode never does.
    setMode(file, 0444);
    EXPECT_EQ(m_attributes.read(file), Attr::ReadOnly);
    const QString folder = makeDir(u"folder"_s);
    setMode(folder, 0555);
    EXPECT_EQ(m_attributes.read(folder), Attr::Directory);
}

TEST_F(FileAttributesTest, DotNamesReadHiddenUntilAValueIsStored) {
    const QString file = makeFile(u".config.txt"_s, 1);
    const QString folder = makeDir(u".cache"_s);
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden);
    EXPECT_EQ(m_attributes.read(folder + u"/"_s), Attr::Hidden | Attr::Directory);
    EXPECT_EQ(m_attributes.read(makeFile(u"visible"_s, 1)), Attr::Normal);

    ASSERT_TRUE(m_attributes.write(file, Attr::Normal));
    EXPECT_EQ(m_attributes.read(file), Attr::Normal);
    EXPECT_EQ(storedValue(file), QByteArray("0x0"));
}

TEST_F(FileAttributesTest, LinksAndSpecialFilesAreRefusedAndLinksNeverFollowed) {
    const QString target = makeFile(u"target"_s, 1);
    ASSERT_TRUE(m_attributes.write(target, Attr::Hidden | Attr::Archive));
    const QString link = path(u"link"_s);
    const QString dotLink = path(u".link"_s);
    const QString folderLink = path(u"folderLink"_s);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(QFile::link(target, dotLink));
    ASSERT_TRUE(QFile::link(makeDir(u"folder"_s), folderLink));

    EXPECT_EQ(m_attributes.read(link), Attr::Normal);
    EXPECT_EQ(m_attributes.read(dotLink), Attr::Hidden);
    EXPECT_EQ(m_attributes.read(folderLink), Attr::Normal);

    const QString fifo = path(u"fifo"_s);
    ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0644), 0);
    for (const QString& refused : {link, folderLink, fifo}) {
        QString error;
        EXPECT_FALSE(m_attributes.write(refused, Attr::ReadOnly, &error)) << refused.toStdString();
        EXPECT_EQ(error, u"Operation not permitted"_s);
    }
    EXPECT_EQ(storedValue(target), QByteArray("0x22"));
    EXPECT_EQ(modeOf(target) & S_IWUSR, mode_t(S_IWUSR));
    EXPECT_EQ(modeOf(fifo), mode_t(0644));
}

TEST_F(FileAttributesTest, AMissingPathHasNoValueAndCannotBeGivenOne) {
    EXPECT_EQ(m_attributes.read(path(u"missing"_s)), std::nullopt);
    QString error;
    EXPECT_FALSE(m_attributes.write(path(u"missing"_s), Attr::Archive, &error));
    EXPECT_EQ(error, u"No such file or directory"_s);
}

TEST_F(FileAttributesTest, WithoutExtendedAttributesOnlyReadOnlyWorksThroughThePermissions) {
    NoExtendedAttributes none;
    const FileAttributes attributes(none);
    const QString file = makeFile(u"file"_s, 1);
    const QString folder = makeDir(u"folder"_s);
    EXPECT_EQ(attributes.read(file), Attr::Normal);
    EXPECT_EQ(attributes.read(makeFile(u".hidden"_s, 1)), Attr::Hidden);
    EXPECT_EQ(attributes.read(folder), Attr::Directory);

    EXPECT_TRUE(attributes.write(file, Attr::ReadOnly));
    EXPECT_EQ(modeOf(file) & 0222, mode_t(0));
    EXPECT_EQ(attributes.read(file), Attr::ReadOnly);
    EXPECT_TRUE(attributes.write(file, Attr::Normal));
    EXPECT_EQ(attributes.read(file), Attr::Normal);
    EXPECT_TRUE(attributes.write(folder, Attr::Normal));

    // The other bits cannot be kept; a file's read-only part is applied all the same.
    const std::pair<QString, quint32> failing[] = {
        {file, Attr::Archive}, {file, Attr::Hidden}, {file, Attr::ReadOnly | Attr::System}, {folder, Attr::ReadOnly}};
    for (const auto& [target, value] : failing) {
        QString error;
        EXPECT_FALSE(attributes.write(target, value, &error)) << value;
        EXPECT_EQ(error, u"Operation not supported"_s);
    }
    EXPECT_EQ(attributes.read(file), Attr::ReadOnly);
    EXPECT_EQ(storedValue(file), QByteArray("<none>"));
}

TEST_F(FileAttributesTest, AnOwnerWithoutWriteBitsCanStillChangeTheValue) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    // Changing a user attribute takes write permission, which root never lacks: act as nobody.
    constexpr uid_t nobody = 65534;
    setMode(root(), 0755);
    const QString file = makeFile(u"mine"_s, 1);
    ASSERT_EQ(::chown(encoded(file).constData(), nobody, nobody), 0);
    setMode(file, 0444);

    ASSERT_EQ(::seteuid(nobody), 0);
    if (::access(encoded(file).constData(), F_OK) != 0) {
        ASSERT_EQ(::seteuid(0), 0);
        GTEST_SKIP() << "the temporary folder is out of other users' reach";
    }
    QString error;
    const bool marked = m_attributes.write(file, Attr::Encrypted, &error);
    const bool markedAgain = m_attributes.write(file, Attr::Encrypted, &error);
    const bool cleared = m_attributes.write(file, Attr::Archive, &error);
    ASSERT_EQ(::seteuid(0), 0);

    EXPECT_TRUE(marked) << error.toStdString();
    EXPECT_TRUE(markedAgain) << error.toStdString();
    EXPECT_TRUE(cleared) << error.toStdString();
    EXPECT_EQ(storedValue(file), QByteArray("0x20"));
    EXPECT_NE(modeOf(file) & S_IWUSR, mode_t(0));
}
