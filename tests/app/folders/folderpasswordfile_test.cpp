/*
 * The folder password file: its bytes, reading it back, and the name lines it refuses. Writing
 * it privately, putting back what it replaced and refusing links are tested through the lock.
 */
#include "folderpasswordfile.h"

#include "tempenv.h"

#include <QtCore/QFileInfo>

using namespace Qt::StringLiterals;

class FolderPasswordFileTest : public TempEnvTest {};

TEST_F(FolderPasswordFileTest, ReadsTheSealAndTheFormerName) {
    // Only 8 password characters are stored; the name keeps its bytes.
    EXPECT_EQ(FolderPasswordFile::content(u"abcdefghij"_s, u"D\u00f6k"_s),
              QByteArray::fromHex("9e9d9c9b9a999897") + "\r\nD\xc3\xb6k\r\n");
    FolderPasswordFile file(makeDir(u"Docs"_s));
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

TEST_F(FolderPasswordFileTest, NameLinesThatCouldMoveTheFolderAreDamaged) {
    const QByteArray seal = QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf');
    for (const QByteArray& bytes : QByteArrayList{seal, seal + "\r\n\r\n", seal + "\r\n../x\r\n", seal + "\r\n..\r\n",
                                                  seal + "\r\n.\r\n", seal + QByteArray("\r\nA\0B\r\n", 7)}) {
        const FolderPasswordFile file(QFileInfo(makeFile(u"Docs/vexaseal.vexa"_s, bytes)).path());
        QString error;
        EXPECT_FALSE(file.read(&error)) << bytes.toHex().constData();
        EXPECT_EQ(error, u"Damaged password information"_s);
    }
}
