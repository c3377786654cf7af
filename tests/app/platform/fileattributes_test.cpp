/*
 * The attribute value "user.DOSATTRIB" in its text and binary forms, and the attribute engine on
 * real files: read-only permission bits, links, special files, no extended attributes. File names
 * that do not survive decoding.
 */
#include "app/platform/attributes.h"
#include "app/platform/dosattrib.h"
#include "app/platform/extendedattributes.h"
#include "app/platform/fileattributes.h"
#include "app/platform/filenames.h"
#include "tests/support/tempenv.h"

#include <QtCore/QFile>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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
    Expected<QByteArray> get(const QByteArray&, const char*) const override {
        return unexpected(Error::fromCode(ENOTSUP));
    }
    Expected<void> set(const QByteArray&, const char*, const QByteArray&) override {
        return unexpected(Error::fromCode(ENOTSUP));
    }
};

class FileAttributesTest : public TempEnvTest {
protected:
    // What is really stored, read past the engine; "<none>" when nothing is.
    QByteArray storedValue(const QString& path) const {
        const Expected<QByteArray> value = m_real.get(QFile::encodeName(path), DosAttrib::Name);
        return value.value_or(QByteArray("<none>"));
    }

    ExtendedAttributes m_real;
    FileAttributes m_attributes{m_real};
};

} // namespace

TEST(DosAttrib, ReadsTheTextAndBinaryFormsAndNothingElse) {
    const std::pair<QByteArray, std::optional<quint32>> cases[] = {
        {"0xA0", 0xA0},
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

TEST_F(FileAttributesTest, ValuesAreStoredAsTextAndOtherWritersBitsKept) {
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
    // A binary value of a current server (version 4): hidden, archive and two bits of its own.
    ASSERT_TRUE(m_real.set(QFile::encodeName(file), DosAttrib::Name, binaryForm(4, {0x11, 0xA022, 0, 0})));
    EXPECT_EQ(m_attributes.read(file), Attr::Hidden | Attr::Archive);
    ASSERT_TRUE(m_attributes.write(file, Attr::System));
    EXPECT_EQ(storedValue(file), QByteArray("0xa004"));
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
}

TEST_F(FileAttributesTest, LinksSpecialAndMissingFilesAreRefusedAndLinksNeverFollowed) {
    const QString target = makeFile(u"target"_s, 1);
    ASSERT_TRUE(m_attributes.write(target, Attr::Hidden | Attr::Archive));
    const QString link = path(u".link"_s), fifo = path(u"fifo"_s), missing = path(u"missing"_s);
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_EQ(m_attributes.read(link), Attr::Hidden);
    EXPECT_EQ(m_attributes.read(missing), std::nullopt);
    for (const QString& refused : {link, fifo, missing}) {
        const Expected<void> written = m_attributes.write(refused, Attr::ReadOnly);
        ASSERT_FALSE(written) << refused.toStdString();
        EXPECT_EQ(written.error().message, qt_error_string(refused == missing ? ENOENT : EPERM));
    }
    EXPECT_EQ(storedValue(target), QByteArray("0x22"));
    EXPECT_EQ(modeOf(target) & S_IWUSR, mode_t(S_IWUSR));
    EXPECT_EQ(modeOf(fifo), mode_t(0644));
}

TEST_F(FileAttributesTest, AnOpenFileWithoutANameTakesItsValueThroughItsDescriptor) {
    // A file written aside gets its attributes before it has a name; the value stays once linked.
    const int fd = ::open(QFile::encodeName(root()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(m_attributes.write(fd, Attr::ReadOnly | Attr::Hidden | Attr::System));
    const QString named = path(u"named"_s);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    ASSERT_EQ(::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(named).constData(), AT_SYMLINK_FOLLOW),
              0);
    ::close(fd);
    EXPECT_EQ(m_attributes.read(named), Attr::ReadOnly | Attr::Hidden | Attr::System);
    EXPECT_EQ(modeOf(named), mode_t(0444));
    EXPECT_EQ(storedValue(named), QByteArray("0x7"));
}

TEST_F(FileAttributesTest, WithoutExtendedAttributesOnlyReadOnlyWorksThroughThePermissions) {
    NoExtendedAttributes none;
    const FileAttributes attributes(none);
    const QString file = makeFile(u"file"_s, 1);
    for (quint32 value : {Attr::ReadOnly, Attr::Normal})
        EXPECT_TRUE(attributes.write(file, value) && attributes.read(file) == value) << value;
    // The other bits cannot be kept; a file's read-only part is applied all the same.
    const std::pair<QString, quint32> failing[] = {
        {file, Attr::Archive}, {file, Attr::ReadOnly | Attr::System}, {makeDir(u"folder"_s), Attr::ReadOnly}};
    for (const auto& [target, value] : failing) {
        const Expected<void> written = attributes.write(target, value);
        ASSERT_FALSE(written) << value;
        EXPECT_EQ(written.error().message, qt_error_string(ENOTSUP));
    }
    EXPECT_EQ(attributes.read(file), Attr::ReadOnly);
    EXPECT_EQ(storedValue(file), QByteArray("<none>"));
}

using FileNamesTest = TempEnvTest;

TEST_F(FileNamesTest, OnlyANameThatDoesNotSurviveDecodingIsRefused) {
    // "x" + 0xFF and "sub" + 0xFF hold a stray byte; "ok" + U+FFFD is a valid name of its own.
    const QByteArray folder = QFile::encodeName(root());
    ASSERT_EQ(::close(::open(QByteArray(folder + "/x\xFF").constData(), O_CREAT | O_WRONLY, 0600)), 0);
    ASSERT_EQ(::mkdir(QByteArray(folder + "/sub\xFF").constData(), 0700), 0);
    makeFile(u"ok\uFFFD"_s, QByteArray("kept"));
    // A leading byte-order mark is dropped in decoding: "\xEF\xBB\xBFmarked" reads as "marked".
    makeFile(u"\uFEFFmarked"_s, QByteArray("x"));
    makeFile(u"marked"_s, QByteArray("y"));
    const QString refused = u" can't be read correctly. Please rename it."_s;
    const std::pair<QString, std::optional<QString>> cases[] = {
        {path(u"plain"_s), std::nullopt},
        {path(u"ok\uFFFD"_s), std::nullopt},
        {path(u"x\uFFFD"_s), u"The name of "_s + path(u"x\uFFFD"_s) + refused},
        {path(u"sub\uFFFD/inside"_s), u"The name of "_s + path(u"sub\uFFFD/inside"_s) + refused},
        {path(u"marked"_s), u"The name of "_s + path(u"marked"_s) + refused},
    };
    for (const auto& [shown, refusal] : cases) {
        const Expected<void> usable = FileNames::usable(shown);
        EXPECT_EQ(usable ? std::nullopt : std::optional(usable.error().message), refusal) << shown.toStdString();
    }
    EXPECT_FALSE(FileNames::survivesDecoding("x\xFF"));
    EXPECT_TRUE(FileNames::survivesDecoding("ok\xEF\xBF\xBD"));
    // The temporary folder cannot remove what no text names.
    for (const char* name : {"/x\xFF", "/\xEF\xBB\xBFmarked"})
        ::unlink(QByteArray(folder + name).constData());
    ::rmdir(QByteArray(folder + "/sub\xFF").constData());
}
