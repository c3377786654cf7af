/*
 * The attribute engine on real files: the stored value and permission bits it leaves, values
 * other writers stored, links and special files, file systems without extended attributes.
 */
#include "attributes.h"
#include "dosattrib.h"
#include "extendedattributes.h"
#include "fileattributes.h"
#include "tempenv.h"

#include <QtCore/QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// A file system that keeps no extended attributes.
class NoExtendedAttributes : public ExtendedAttributes {
public:
    Value get(const QByteArray&, const char*) const override { return {{}, ENOTSUP}; }
    int set(const QByteArray&, const char*, const QByteArray&) override { return ENOTSUP; }
};

class FileAttributesTest : public TempEnvTest {
protected:
    // What is really stored, read past the engine; "<none>" when nothing is.
    QByteArray storedValue(const QString& path) const {
        const ExtendedAttributes::Value value = m_real.get(QFile::encodeName(path), DosAttrib::Name);
        return value.error ? QByteArray("<none>") : value.bytes;
    }
    void store(const QString& path, const QByteArray& value) {
        ASSERT_EQ(m_real.set(QFile::encodeName(path), DosAttrib::Name, value), 0);
    }

    ExtendedAttributes m_real;
    FileAttributes m_attributes{m_real};
};

} // namespace

TEST_F(FileAttributesTest, ValuesAreStoredAsTextAndReadBack) {
    const QString file = makeFile(u"plain.txt"_s, 10);
    const QString folder = makeDir(u"folder"_s);
    setMode(folder, 0755);
    for (const auto& [value, text] : {std::pair{35u, "0x23"}, {0u, "0x0"}, {7u, "0x7"}}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(m_attributes.write(file, value));
        EXPECT_EQ(m_attributes.read(file), value);
        EXPECT_EQ(storedValue(file), QByteArray(text));
        ASSERT_TRUE(m_attributes.write(folder, value));
        EXPECT_EQ(m_attributes.read(folder), value | Attr::Directory);
        EXPECT_EQ(modeOf(folder), mode_t(0755)); // a folder's read-only bit lives only in the value
    }
    // Directory and unknown bits given by a caller are not stored.
    ASSERT_TRUE(m_attributes.write(file, 0x1000 | Attr::Directory | Attr::Hidden));
    EXPECT_EQ(storedValue(file), QByteArray("0x2"));
}

TEST_F(FileAttributesTest, StoredValuesOfOtherWritersAreReadAndTheirOtherBitsKept) {
    const QString file = makeFile(u"shared.doc"_s, 1);
    // A binary value of a current server (version 4): hidden, archive and two bits of its own.
    store(file, QByteArray("\0\0\4\0\4\0\0\0\x11\0\0\0\x22\xA0\0\0\0\0\0\0\0\0\0\0", 24));
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden | Attr::Archive);
    ASSERT_TRUE(m_attributes.write(file, Attr::System));
    EXPECT_EQ(storedValue(file), QByteArray("0xa004"));
    // A stored Directory bit is not taken for a file; anything unreadable counts as nothing
    // stored, so a dot-name reads hidden, and is replaced.
    store(file, "0x12");
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden);
    const QString dotFile = makeFile(u".profile"_s, 1);
    store(dotFile, "rubbish");
    EXPECT_EQ(m_attributes.read(dotFile), Attr::Hidden);
    ASSERT_TRUE(m_attributes.write(dotFile, Attr::Normal));
    EXPECT_EQ(m_attributes.read(dotFile), Attr::Normal);
}

TEST_F(FileAttributesTest, ReadOnlyFilesLoseAllWriteBitsAndGetBackWhatTheirReadersMayHave) {
    const struct {
        mode_t umask, before, readOnly, afterward; // afterward: once read-only is cleared again
    } cases[] = {{0, 0664, 0444, 0666}, {0, 0200, 0000, 0200}, {022, 0666, 0444, 0644}};
    const mode_t oldUmask = ::umask(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.umask << " " << c.before);
        ::umask(c.umask);
        const QString file = makeFile(u"file"_s, 3);
        setMode(file, c.before);
        // No ASSERT here: the umask must be put back.
        EXPECT_TRUE(m_attributes.write(file, Attr::ReadOnly | Attr::Archive));
        EXPECT_EQ(modeOf(file), c.readOnly);
        EXPECT_TRUE(m_attributes.write(file, Attr::Archive));
        EXPECT_EQ(modeOf(file), c.afterward);
    }
    ::umask(oldUmask);

    // A file with a write bit keeps its mode; one without any reads read-only with nothing stored.
    const QString file = makeFile(u"writable"_s, 3);
    setMode(file, 0640);
    ASSERT_TRUE(m_attributes.write(file, Attr::Normal));
    EXPECT_EQ(modeOf(file), mode_t(0640));
    setMode(file, 0444);
    EXPECT_EQ(m_attributes.read(file), Attr::ReadOnly);
}

TEST_F(FileAttributesTest, LinksSpecialAndMissingFilesAreRefusedAndLinksNeverFollowed) {
    const QString target = makeFile(u"target"_s, 1);
    ASSERT_TRUE(m_attributes.write(target, Attr::Hidden | Attr::Archive));
    const QString link = path(u"link"_s);
    const QString folderLink = path(u".folderLink"_s);
    const QString fifo = path(u"fifo"_s);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(QFile::link(makeDir(u"folder"_s), folderLink));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_EQ(m_attributes.read(link), Attr::Normal);
    EXPECT_EQ(m_attributes.read(folderLink), Attr::Hidden);
    EXPECT_EQ(m_attributes.read(path(u"missing"_s)), std::nullopt);

    for (const QString& refused : {link, folderLink, fifo, path(u"missing"_s)}) {
        QString error;
        EXPECT_FALSE(m_attributes.write(refused, Attr::ReadOnly, &error)) << refused.toStdString();
        EXPECT_EQ(error, qt_error_string(refused.endsWith(u"missing") ? ENOENT : EPERM));
    }
    EXPECT_EQ(storedValue(target), QByteArray("0x22"));
    EXPECT_EQ(modeOf(target) & S_IWUSR, mode_t(S_IWUSR));
    EXPECT_EQ(modeOf(fifo), mode_t(0644));
}

TEST_F(FileAttributesTest, WithoutExtendedAttributesOnlyReadOnlyWorksThroughThePermissions) {
    NoExtendedAttributes none;
    const FileAttributes attributes(none);
    const QString file = makeFile(u"file"_s, 1);
    const QString folder = makeDir(u"folder"_s);
    EXPECT_EQ(attributes.read(makeFile(u".hidden"_s, 1)), Attr::Hidden);
    for (quint32 value : {Attr::ReadOnly, Attr::Normal}) {
        EXPECT_TRUE(attributes.write(file, value));
        EXPECT_EQ(attributes.read(file), value);
    }
    // The other bits cannot be kept; a file's read-only part is applied all the same.
    const std::pair<QString, quint32> failing[] = {
        {file, Attr::Archive}, {file, Attr::ReadOnly | Attr::System}, {folder, Attr::ReadOnly}};
    for (const auto& [target, value] : failing) {
        QString error;
        EXPECT_FALSE(attributes.write(target, value, &error)) << value;
        EXPECT_EQ(error, qt_error_string(ENOTSUP));
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
    ASSERT_EQ(::chown(QFile::encodeName(file).constData(), nobody, nobody), 0);
    setMode(file, 0444);
    ASSERT_EQ(::seteuid(nobody), 0);
    QString error;
    const bool reachable = ::access(QFile::encodeName(file).constData(), F_OK) == 0;
    const bool changed = reachable && m_attributes.write(file, Attr::Encrypted, &error) &&
                         m_attributes.write(file, Attr::Encrypted, &error) &&
                         m_attributes.write(file, Attr::Archive, &error);
    ASSERT_EQ(::seteuid(0), 0);
    if (!reachable)
        GTEST_SKIP() << "the temporary folder is out of other users' reach";
    EXPECT_TRUE(changed) << error.toStdString();
    EXPECT_EQ(storedValue(file), QByteArray("0x20"));
    EXPECT_NE(modeOf(file) & S_IWUSR, mode_t(0));
}
