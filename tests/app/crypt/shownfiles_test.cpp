/*
 * The shown-files commands through the real main window: every file the chooser's file list
 * shows, in list order, with the exact messages and questions of each kind of file, what is on
 * disk afterwards, and the ends of a run.
 */
#include "cryptwindowtest.h"

#include "appstate.h"
#include "filesizelimit.h"
#include "statline.h"

#include <QtCore/QFile>

#include <cerrno>
#include <utility>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

class ShownFilesTest : public CryptWindowTest {
protected:
    void showWork() { chooser()->refreshFiles(); }
};

TEST_F(ShownFilesTest, AnEmptyFolderHasNothingToDo) {
    setPassword(u"pw"_s);
    showWork();
    triggerAction(u"Enc2"_s);
    triggerAction(u"Dec2"_s);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"There're no shown in the directory"_s, u"There're no shown in the directory"_s}));
    EXPECT_FALSE(state().Busy);
}

TEST_F(ShownFilesTest, EncryptingAMixOfFiles) {
    setPassword(u"pw"_s);
    const QString a = makeFile(u"work/a.txt"_s, 100);
    const QString secret = makeEncrypted(u"work/b.txt.vxp"_s, "already secret", u"pw"_s);
    const QString shortFile = makeFile(u"work/c.txt"_s, 5);
    const QString empty = makeFile(u"work/d.txt"_s, 0);
    const QString e = makeFile(u"work/e.txt"_s, 300);
    const QString longName = u"f"_s + QString(240, u'x');
    const QString link = path(u"work/g.txt"_s);
    ASSERT_TRUE(QFile::link(e, link));
    makeFile(u"work/"_s + longName, 50);
    showWork();
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Enc2"_s);

    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{secret + u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s,
                           shortFile + u"Too short File to be secret."_s, empty + u"Too short File to be secret."_s,
                           u" Long file name. Please rename this file.      "_s + longName,
                           link + u" is a symbolic link and was left untouched."_s}));
    for (const auto& [done, size] : {std::pair{a, 100}, std::pair{e, 300}}) {
        EXPECT_FALSE(QFile::exists(done)) << qPrintable(done);
        EXPECT_EQ(readAll(done + u".vxp"_s).size(), size + 10) << qPrintable(done);
    }
    EXPECT_EQ(readAll(secret).size(), 24);
    EXPECT_EQ(readAll(shortFile).size(), 5);
    EXPECT_TRUE(QFile::exists(empty));
    EXPECT_FALSE(QFile::exists(link + u".vxp"_s));
    EXPECT_EQ(list().count(), 0);
    EXPECT_FALSE(progressWindow()->isVisible());
    EXPECT_FALSE(state().Busy);
    EXPECT_EQ(window().statusLine().lab5(), QString::number(chooser()->fileCount()));
}

TEST_F(ShownFilesTest, NoToTheSecretFileQuestionStopsTheRun) {
    setPassword(u"pw"_s);
    const QString secret = makeEncrypted(u"work/a.vxp"_s, "already secret", u"pw"_s);
    const QString later = makeFile(u"work/b.txt"_s, 100);
    showWork();
    m_dialogs.answer(Answer::No);
    triggerAction(u"Enc2"_s);
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{secret + u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s});
    EXPECT_TRUE(QFile::exists(later));
    EXPECT_FALSE(QFile::exists(later + u".vxp"_s));
    EXPECT_FALSE(progressWindow()->isVisible());
    EXPECT_FALSE(state().Busy);
}

TEST_F(ShownFilesTest, DecryptingAMixOfFiles) {
    setPassword(u"pw"_s);
    const QString good = makeEncrypted(u"work/a.txt.vxp"_s, "plain a", u"pw"_s, SecurityLevel::High, 2);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    const QString shortFile = makeFile(u"work/c.vxp"_s, 5);
    const QString empty = makeFile(u"work/d.vxp"_s, 0);
    const QString wrong = makeEncrypted(u"work/e.txt.vxp"_s, "plain e", u"other"_s);
    const QString damaged = makeEncrypted(u"work/f.txt.vxp"_s, "plain f", u"pw"_s);
    m_platform.setAttributes(damaged, 0);
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(8);
    file.write(QByteArray(1, char(255 - 'Q')));
    file.close();
    const QByteArray damagedBytes = readAll(damaged);
    showWork();
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Dec2"_s);

    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{plain + u" , Isn't a Secret file.\r\n"
                                   u"Press yes to ignore this file and continue.   No to cancel for all. "_s,
                           shortFile + u" isn't a secret file "_s,
                           u"Invalid Password for "_s + wrong + u" Please check your password "_s,
                           damaged + u" has a damaged header and was left untouched."_s}));
    EXPECT_EQ(readAll(path(u"work/a.txt"_s)), QByteArray("plain a"));
    EXPECT_EQ(attributesOf(path(u"work/a.txt"_s)), 2u);
    EXPECT_FALSE(QFile::exists(good));
    EXPECT_FALSE(QFile::exists(path(u"work/e.txt"_s)));
    EXPECT_FALSE(QFile::exists(path(u"work/f.txt"_s)));
    EXPECT_EQ(readAll(damaged), damagedBytes);
    EXPECT_TRUE(QFile::exists(empty));
    EXPECT_EQ(readAll(plain).size(), 50);
    EXPECT_FALSE(progressWindow()->isVisible());
    EXPECT_FALSE(state().Busy);
}

TEST_F(ShownFilesTest, ASingleFileThatIsNotSecretEndsTheDecryption) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    showWork();
    triggerAction(u"Dec2"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{plain + u" , Isn't a Secret file."_s});
    EXPECT_FALSE(progressWindow()->isVisible());
    EXPECT_FALSE(state().Busy);
}

TEST_F(ShownFilesTest, AnUnverifiedPasswordOpensTheDialogBeforeDecrypting) {
    setPassword(u"pw"_s, u"p"_s);
    const QString encrypted = makeEncrypted(u"work/a.txt.vxp"_s, "plain a", u"pw"_s);
    showWork();
    triggerAction(u"Dec2"_s);
    EXPECT_TRUE(window().passwordDialog().isVisible());
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_TRUE(QFile::exists(encrypted));
    EXPECT_FALSE(QFile::exists(path(u"work/a.txt"_s)));
}

TEST_F(ShownFilesTest, ReplacingOrKeepingExistingPlainFiles) {
    setPassword(u"pw"_s);
    const QString kept = makeFile(u"work/a.txt"_s, QByteArray("old content a"));
    makeEncrypted(u"work/a.txt.vxp"_s, "new a", u"pw"_s, SecurityLevel::Low, 1);
    const QString replaced = makeFile(u"work/b.txt"_s, QByteArray("old content b"));
    makeEncrypted(u"work/b.txt.vxp"_s, "new b", u"pw"_s, SecurityLevel::High, 2);
    setDeleteOriginal(false);
    showWork();
    // Each plain file comes just before its encrypted one and is passed over as not secret.
    for (const Answer answer : {Answer::Yes, Answer::No, Answer::Yes, Answer::Yes})
        m_dialogs.answer(answer);
    triggerAction(u"Dec2"_s);
    const QString notSecret =
        u" , Isn't a Secret file.\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s;
    const QString replace = u" already exist do you want to replace it "_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{kept + notSecret, kept + replace, replaced + notSecret, replaced + replace}));
    EXPECT_EQ(readAll(kept), QByteArray("old content a"));
    // Kept, yet given the attributes the header saved.
    EXPECT_EQ(attributesOf(kept), 1u);
    EXPECT_EQ(readAll(replaced), QByteArray("new b"));
    EXPECT_EQ(attributesOf(replaced), 2u);
    EXPECT_EQ(attributesOf(replaced + u".vxp"_s), 7u);
}

TEST_F(ShownFilesTest, CancelStopsTheRunAndRemovesThePartialOutput) {
    setPassword(u"pw"_s);
    const QString big = makeFile(u"work/a.bin"_s, 2 * CipherPass::BufferSize);
    const QByteArray bigBytes = readAll(big);
    const QString later = makeFile(u"work/b.txt"_s, 100);
    showWork();
    OnFirstBlock cancel(pressCancel);
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Enc2"_s);
    ASSERT_TRUE(cancel.ran());
    EXPECT_EQ(readAll(big), bigBytes);
    EXPECT_FALSE(QFile::exists(big + u".vxp"_s));
    EXPECT_TRUE(QFile::exists(later));
    EXPECT_FALSE(QFile::exists(later + u".vxp"_s));
    EXPECT_FALSE(state().Busy);
    EXPECT_FALSE(state().CancelRequested);
}

TEST_F(ShownFilesTest, CancelWhileReplacingAPlainFileKeepsTheEncryptedFileAndStops) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/a.bin"_s, QByteArray("an old plain file"));
    const QString encrypted = makeEncrypted(u"work/a.bin.vxp"_s, QByteArray(2 * CipherPass::BufferSize, 'x'), u"pw"_s);
    const QByteArray encryptedBytes = readAll(encrypted);
    const QString later = makeEncrypted(u"work/b.txt.vxp"_s, "later content", u"pw"_s);
    showWork();
    for (const Answer answer : {Answer::Yes, Answer::Yes, Answer::Yes})
        m_dialogs.answer(answer);
    OnFirstBlock cancel(pressCancel);
    triggerAction(u"Dec2"_s);
    ASSERT_TRUE(cancel.ran());
    EXPECT_EQ(m_dialogs.texts().mid(1), (QStringList{plain + u" already exist do you want to replace it "_s,
                                                     u" Do you really want to cancel? \r\n"_s}));
    // The user agreed to replace the plain file; its partial successor is gone with it.
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(readAll(encrypted), encryptedBytes);
    EXPECT_EQ(attributesOf(encrypted), 7u);
    EXPECT_FALSE(QFile::exists(path(u"work/b.txt"_s)));
    EXPECT_TRUE(QFile::exists(later));
    EXPECT_FALSE(state().Busy);
}

TEST_F(ShownFilesTest, AWriteFailingPartWayIsReportedAndTheRunGoesOn) {
    setPassword(u"pw"_s);
    const QString big = makeFile(u"work/a.bin"_s, 3 * CipherPass::BufferSize);
    const QByteArray bigBytes = readAll(big);
    const QString small = makeFile(u"work/b.txt"_s, 100);
    showWork();
    {
        const FileSizeLimit limit(CipherPass::BufferSize);
        triggerAction(u"Enc2"_s);
    }
    EXPECT_EQ(m_dialogs.texts(), QStringList{qt_error_string(EFBIG)});
    EXPECT_EQ(readAll(big), bigBytes);
    EXPECT_FALSE(QFile::exists(big + u".vxp"_s));
    EXPECT_EQ(readAll(small + u".vxp"_s).size(), 110);
}
