/*
 * The shown-files commands through the real main window: every file the chooser's file list
 * shows, in list order, with the exact messages and questions of each kind of file, what is on
 * disk afterwards, and the ends of a run.
 */
#include "cryptwindowtest.h"

#include "filesizelimit.h"
#include "statline.h"

#include <QtCore/QFile>

#include <cerrno>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

namespace {

const QString SecretQuestion = u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s;
const QString NotSecretQuestion =
    u" , Isn't a Secret file.\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s;

} // namespace

class ShownFilesTest : public CryptWindowTest {
protected:
    // Runs a shown-files command on "work" as it now stands, with these answers.
    void runOnShown(const QString& command, const QList<Answer>& answers = {}) {
        chooser()->refreshFiles();
        for (const Answer answer : answers)
            m_dialogs.answer(answer);
        triggerAction(command);
        EXPECT_FALSE(progressWindow() && progressWindow()->isVisible());
        EXPECT_FALSE(state().Busy);
        EXPECT_FALSE(state().CancelRequested);
    }
};

TEST_F(ShownFilesTest, AnEmptyFolderOrASinglePlainFileHasNothingToDo) {
    runOnShown(u"Enc2"_s);
    runOnShown(u"Dec2"_s);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    runOnShown(u"Dec2"_s);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"There're no shown in the directory"_s, u"There're no shown in the directory"_s,
                           plain + u" , Isn't a Secret file."_s}));
}

TEST_F(ShownFilesTest, EncryptingAMixOfFiles) {
    const QString a = makeFile(u"work/a.txt"_s, 100);
    const QString secret = makeEncrypted(u"work/b.txt.vxp"_s, "already secret");
    const QString shortFile = makeFile(u"work/c.txt"_s, 5);
    const QString empty = makeFile(u"work/d.txt"_s, 0);
    const QString e = makeFile(u"work/e.txt"_s, 300);
    const QString longName = u"f"_s + QString(240, u'x');
    makeFile(u"work/"_s + longName, 50);
    const QString link = path(u"work/g.txt"_s);
    ASSERT_TRUE(QFile::link(e, link));
    runOnShown(u"Enc2"_s, {Answer::Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{secret + SecretQuestion, shortFile + u"Too short File to be secret."_s,
                                              empty + u"Too short File to be secret."_s,
                                              u" Long file name. Please rename this file.      "_s + longName,
                                              link + u" is a symbolic link and was left untouched."_s}));
    for (const auto& [done, size] : {std::pair{a, 100}, std::pair{e, 300}}) {
        EXPECT_FALSE(QFile::exists(done)) << qPrintable(done);
        EXPECT_EQ(readAll(done + u".vxp"_s).size(), size + 10) << qPrintable(done);
    }
    EXPECT_EQ(readAll(secret).size(), 24);
    EXPECT_EQ(readAll(shortFile).size(), 5);
    EXPECT_FALSE(QFile::exists(link + u".vxp"_s));
    EXPECT_EQ(window().statusLine().lab5(), QString::number(chooser()->fileCount()));
}

TEST_F(ShownFilesTest, NoToTheSecretFileQuestionStopsTheRun) {
    const QString secret = makeEncrypted(u"work/a.vxp"_s, "already secret");
    const QString later = makeFile(u"work/b.txt"_s, 100);
    runOnShown(u"Enc2"_s, {Answer::No});
    EXPECT_EQ(m_dialogs.texts(), QStringList{secret + SecretQuestion});
    EXPECT_FALSE(QFile::exists(later + u".vxp"_s));
}

TEST_F(ShownFilesTest, DecryptingAMixOfFiles) {
    makeEncrypted(u"work/a.txt.vxp"_s, "plain a", u"pw"_s, SecurityLevel::High, 2);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    const QString shortFile = makeFile(u"work/c.vxp"_s, 5);
    const QString wrong = makeEncrypted(u"work/e.txt.vxp"_s, "plain e", u"other"_s);
    const QString damaged = makeDamaged(u"work/f.txt.vxp"_s);
    const Snapshot before = snapshot({plain, shortFile, wrong, damaged});
    runOnShown(u"Dec2"_s, {Answer::Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{plain + NotSecretQuestion, shortFile + u" isn't a secret file "_s,
                                              u"Invalid Password for "_s + wrong + u" Please check your password "_s,
                                              damaged + u" has a damaged header and was left untouched."_s}));
    EXPECT_EQ(readAll(path(u"work/a.txt"_s)), QByteArray("plain a"));
    EXPECT_EQ(attributesOf(path(u"work/a.txt"_s)), 2u);
    EXPECT_FALSE(QFile::exists(path(u"work/a.txt.vxp"_s)));
    EXPECT_FALSE(QFile::exists(path(u"work/e.txt"_s)));
    EXPECT_FALSE(QFile::exists(path(u"work/f.txt"_s)));
    expectUnchanged(before);
}

TEST_F(ShownFilesTest, ReplacingOrKeepingExistingPlainFiles) {
    const QString kept = makeFile(u"work/a.txt"_s, QByteArray("old content a"));
    makeEncrypted(u"work/a.txt.vxp"_s, "new a", u"pw"_s, SecurityLevel::Low, 1);
    const QString replaced = makeFile(u"work/b.txt"_s, QByteArray("old content b"));
    makeEncrypted(u"work/b.txt.vxp"_s, "new b", u"pw"_s, SecurityLevel::High, 2);
    setDeleteOriginal(false);
    // Each plain file comes just before its encrypted one and is passed over as not secret.
    runOnShown(u"Dec2"_s, {Answer::Yes, Answer::No, Answer::Yes, Answer::Yes});
    const QString replace = u" already exist do you want to replace it "_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kept + NotSecretQuestion, kept + replace, replaced + NotSecretQuestion,
                                              replaced + replace}));
    EXPECT_EQ(readAll(kept), QByteArray("old content a"));
    // Kept, yet given the attributes the header saved.
    EXPECT_EQ(attributesOf(kept), 1u);
    EXPECT_EQ(readAll(replaced), QByteArray("new b"));
    EXPECT_EQ(attributesOf(replaced), 2u);
    EXPECT_EQ(attributesOf(replaced + u".vxp"_s), 7u);
}

TEST_F(ShownFilesTest, CancelEndsTheRunAFailureGoesOnToTheNextFile) {
    const QString big = makeFile(u"work/a.bin"_s, 3 * CipherPass::BufferSize);
    const QByteArray bigBytes = readAll(big);
    const QString later = makeFile(u"work/b.txt"_s, 100);
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "failure");
        m_dialogs.clear();
        if (cancel) {
            OnFirstBlock pressing(pressCancel);
            runOnShown(u"Enc2"_s, {Answer::Yes});
        } else {
            const FileSizeLimit limit(CipherPass::BufferSize);
            runOnShown(u"Enc2"_s);
        }
        EXPECT_EQ(m_dialogs.texts(),
                  QStringList{cancel ? u" Do you really want to cancel? \r\n"_s : qt_error_string(EFBIG)});
        EXPECT_EQ(readAll(big), bigBytes);
        EXPECT_FALSE(QFile::exists(big + u".vxp"_s));
        EXPECT_EQ(QFile::exists(later + u".vxp"_s), !cancel);
    }
}
