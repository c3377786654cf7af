/*
 * The folder password file: its bytes, what it can hold, reading it back, and writing it
 * without following links and with a way back.
 */
#include "folderpasswordfile.h"

#include "tempenv.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

unsigned modeOf(const QString& path) {
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

class FolderPasswordFileTest : public TempEnvTest {};

TEST(FolderPasswordFileContent, ComplementsThePasswordFieldAndKeepsTheNameBytes) {
    EXPECT_EQ(FolderPasswordFile::content(u"abcdefghij"_s, u"D\u00f6k"_s),
              QByteArray::fromHex("9e9d9c9b9a999897") + "\r\nD\xc3\xb6k\r\n");
}

TEST(FolderPasswordFileContent, RefusesWhatCannotBeReadBack) {
    EXPECT_TRUE(FolderPasswordFile::canStorePassword(u"a\u00ff\u00f1"_s));
    EXPECT_FALSE(FolderPasswordFile::canStorePassword(u"ab\u00f2"_s));      // stored as CR
    EXPECT_FALSE(FolderPasswordFile::canStorePassword(u"\u00f5"_s));        // stored as LF
    EXPECT_FALSE(FolderPasswordFile::canStorePassword(u"ab\u0100"_s));      // not Latin-1
    EXPECT_TRUE(FolderPasswordFile::canStorePassword(u"abcdefgh\u00f2"_s)); // beyond the 8 stored
    EXPECT_TRUE(FolderPasswordFile::canStoreName(u"Docs 2"_s));
    EXPECT_FALSE(FolderPasswordFile::canStoreName(u"Do\ncs"_s));
    EXPECT_FALSE(FolderPasswordFile::canStoreName(u"Do\rcs"_s));
}

TEST_F(FolderPasswordFileTest, ReadsTheSealAndTheFormerName) {
    const QString folder = makeDir(u"Docs"_s);
    FolderPasswordFile file(folder);
    ASSERT_TRUE(file.WriteFolderPasswordFile(u"Ab1"_s, u"D\u00f6k"_s, nullptr));
    std::optional<FolderPasswordFile::Lines> lines = file.read(nullptr);
    ASSERT_TRUE(lines);
    EXPECT_EQ(FolderPasswordFile::Unscramble(lines->SealBuffer), u"Ab1     "_s);
    EXPECT_EQ(lines->FormerName, u"D\u00f6k"_s);

    // A line 1 of another length is cut or padded with spaces, which unscramble to code 223.
    makeFile(u"Docs/vexaseal.vexa"_s, QByteArray::fromHex("9e9d") + "\r\nDocs");
    lines = file.read(nullptr);
    ASSERT_TRUE(lines);
    EXPECT_EQ(FolderPasswordFile::Unscramble(lines->SealBuffer), u"ab"_s + QString(6, QChar(223)));
    EXPECT_EQ(lines->FormerName, u"Docs"_s);
    makeFile(u"Docs/vexaseal.vexa"_s, QByteArray::fromHex("9e9d9c9b9a9998979695") + "\r\nDocs\r\n");
    EXPECT_EQ(FolderPasswordFile::Unscramble(file.read(nullptr)->SealBuffer), u"abcdefgh"_s);
}

TEST_F(FolderPasswordFileTest, DamagedNameLinesAreRefused) {
    const QByteArray seal = QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf');
    const QByteArrayList damaged = {seal,
                                    seal + "\r\n",
                                    seal + "\r\n\r\n",
                                    seal + "\r\n../x\r\n",
                                    seal + "\r\n..\r\n",
                                    seal + "\r\n.\r\n",
                                    seal + QByteArray("\r\nA\0B\r\n", 7)};
    for (const QByteArray& bytes : damaged) {
        const FolderPasswordFile file(QFileInfo(makeFile(u"Docs/vexaseal.vexa"_s, bytes)).path());
        QString error;
        EXPECT_FALSE(file.read(&error)) << bytes.toHex().constData();
        EXPECT_EQ(error, u"Damaged password information"_s);
    }
}

TEST_F(FolderPasswordFileTest, WritesPrivatelyAndRestoresWhatItReplaced) {
    const QString folder = makeDir(u"Docs"_s);
    const QString old = makeFile(u"Docs/vexaseal.vexa"_s, QByteArray("old seal"));
    ASSERT_TRUE(QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    FolderPasswordFile file(folder);
    ASSERT_TRUE(file.WriteFolderPasswordFile(u"abc"_s, u"Docs"_s, nullptr));
    EXPECT_EQ(readAll(old), FolderPasswordFile::content(u"abc"_s, u"Docs"_s));
    EXPECT_EQ(modeOf(old), 0600u);
    ASSERT_TRUE(file.restore(nullptr));
    EXPECT_EQ(readAll(old), "old seal");
    EXPECT_EQ(modeOf(old), 0604u);

    const FolderPasswordFile fresh(makeDir(u"Fresh"_s));
    FolderPasswordFile writer = fresh;
    ASSERT_TRUE(writer.WriteFolderPasswordFile(u"abc"_s, u"Fresh"_s, nullptr));
    EXPECT_TRUE(fresh.exists());
    ASSERT_TRUE(writer.restore(nullptr));
    EXPECT_FALSE(fresh.exists());
}

TEST_F(FolderPasswordFileTest, NeverGoesThroughASymbolicLink) {
    const QString target = makeFile(u"outside.txt"_s, QByteArray("keep"));
    const QString folder = makeDir(u"Docs"_s);
    ASSERT_TRUE(QFile::link(target, folder + u"/vexaseal.vexa"_s));
    FolderPasswordFile file(folder);
    EXPECT_TRUE(file.exists());
    QString error;
    EXPECT_FALSE(file.WriteFolderPasswordFile(u"abc"_s, u"Docs"_s, &error));
    EXPECT_EQ(error, qt_error_string(ELOOP));
    EXPECT_FALSE(file.read(&error));
    EXPECT_EQ(error, qt_error_string(ELOOP));
    EXPECT_EQ(readAll(target), "keep");
    EXPECT_TRUE(QFileInfo(folder + u"/vexaseal.vexa"_s).isSymLink());
}
