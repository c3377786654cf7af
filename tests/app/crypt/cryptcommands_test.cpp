/*
 * The encrypt and decrypt commands through the real main window, on the chosen-file list and on
 * the shown files: the checks with their exact messages and questions, the list entries
 * afterwards, what is on disk after success, refusal, cancel and failure, the free-space message,
 * delete-original, and the gate and Busy.
 */
#include "cryptwindowtest.h"

#include "filesizelimit.h"
#include "form3.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtCore/QFile>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>

#include <cerrno>

#include <unistd.h>

using namespace Qt::StringLiterals;
using enum Dialogs::Answer;

namespace {

const QString Again = u"Choose file(s) in your list again Please."_s;
const QString ConvertOrCancelAll =
    u"Vexa Password will convert this selection for you. \r\n\r\n Press Yes to accept    No to cancel all"_s;
const QString ReplacePlain = u" already exist do you want to replace it "_s;
const QString SecretQuestion = u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s;
const QString NotSecretQuestion =
    u" , Isn't a Secret file.\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s;

QString vxp(const QString& path) {
    return path + u".vxp"_s;
}

} // namespace

using CryptCommandsTest = CryptWindowTest;

TEST_F(CryptCommandsTest, WithNothingChosenOrNoPasswordNothingIsTouched) {
    const QString file = makeFile(u"work/a.txt"_s, 100);
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, "secret text");
    const Snapshot before = snapshot({file, encrypted});
    list().addItems({file, encrypted});
    triggerAction(u"Enc1"_s);
    triggerAction(u"Dec1"_s);
    // With the browser active there is no chosen-file list to act on.
    window().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window().browser()->parentWidget()));
    triggerAction(u"Encmenu"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList(3, u"Choose file(s) in your list Please."_s));

    // Without a password the dialog opens instead.
    setPassword(QString());
    window().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(chooser()->parentWidget()));
    for (const QString& command : {u"Enc1"_s, u"Dec1"_s}) {
        window().passwordDialog().hide();
        run(command, {file, encrypted});
        EXPECT_TRUE(window().passwordDialog().isVisible()) << qPrintable(command);
        EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    }
    EXPECT_EQ(selectedEntries(), (QStringList{file, encrypted}));
    EXPECT_FALSE(QFile::exists(vxp(file)));
    expectUnchanged(before);
}

TEST_F(CryptCommandsTest, TheWrongKindIsDeselectedOnYesAndCancelsAllOnNo) {
    const QString x = makeEncrypted(u"work/x.vxp"_s, "0123456789ab");
    const QString y = makeEncrypted(u"work/y.vxp"_s, "0123456789ab");
    const QString a = makeFile(u"work/a.txt"_s, 50);
    const QString b = makeFile(u"work/b.txt"_s, 50);
    const Snapshot before = snapshot({x, y, a, b});
    const QString encryptedAlready = u" , Is a already encrypted file.\r\n"_s + ConvertOrCancelAll;
    const QString notProtected = u" , Isn't a protectd file.\r\n"_s + ConvertOrCancelAll;
    const struct {
        QString command;
        QStringList chosen;
        QList<Dialogs::Answer> answers;
        QStringList texts;
        QStringList selectedAfter;
    } cases[] = {
        {u"Enc1"_s, {x, y}, {Yes, Yes}, {x + encryptedAlready, y + encryptedAlready, Again}, {}},
        {u"Dec1"_s, {a, b}, {Yes, Yes}, {a + notProtected, b + notProtected, Again}, {}},
        {u"Enc1"_s, {x, a}, {No}, {x + encryptedAlready}, {x, a}},
    };
    for (const auto& c : cases) {
        run(c.command, c.chosen, c.answers);
        EXPECT_EQ(m_dialogs.texts(), c.texts);
        EXPECT_EQ(entries(), c.chosen);
        EXPECT_EQ(selectedEntries(), c.selectedAfter);
    }
    expectUnchanged(before);
    EXPECT_FALSE(QFile::exists(vxp(a)));
}

TEST_F(CryptCommandsTest, TooShortFilesAndEncryptingPathsOver240CharactersLeaveTheList) {
    // A name in "work" that makes a full path of the given length.
    const auto named = [this](qsizetype length, QChar fill) -> QString {
        return u"work/"_s + QString(length - m_work.size() - 1, fill);
    };
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QString empty = makeFile(u"work/empty.txt"_s, 0);
    const QString eleven = makeFile(u"work/eleven.txt"_s, 11);
    const QString fits = makeFile(named(240, u'a'), 20);
    const QString tooLong = makeFile(named(241, u'b'), 20);
    run(u"Enc1"_s, {ten, empty, eleven, fits, tooLong});
    const QString tooShort = u" is too short File to be encrypted. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{ten + tooShort, empty + tooShort,
                           tooLong + u" Long file name.  Vexa Password will remove it from your list."_s}));
    EXPECT_EQ(entries(), (QStringList{vxp(eleven), vxp(fits)}));
    EXPECT_EQ(readAll(vxp(eleven)).size(), 21);
    EXPECT_EQ(window().statusLine().lab6(), u"2"_s);

    const QString tenEncrypted = makeFile(u"work/ten.vxp"_s, 10);
    const QString emptyEncrypted = makeFile(u"work/empty.vxp"_s, 0);
    const QString longEncrypted = makeEncrypted(named(245, u'c') + u".vxp"_s, "long but fine");
    run(u"Dec1"_s, {tenEncrypted, emptyEncrypted, vxp(eleven), longEncrypted});
    const QString notEncrypted = u" isn't an encrypted file. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{tenEncrypted + notEncrypted, emptyEncrypted + notEncrypted}));
    EXPECT_EQ(entries(), (QStringList{eleven, longEncrypted.chopped(4)}));
    EXPECT_EQ(readAll(eleven).size(), 11);
    EXPECT_EQ(readAll(longEncrypted.chopped(4)), QByteArray("long but fine"));
}

TEST_F(CryptCommandsTest, WrongPasswordOrDamagedHeaderLeavesEverythingAsItWas) {
    const QString wrong = makeEncrypted(u"work/s.txt.vxp"_s, "the secret", u"Right"_s);
    const QString damaged = makeDamaged(u"work/d.txt.vxp"_s);
    // Nothing is asked about a plain file of the same name either.
    const QString twin = makeFile(u"work/d.txt"_s, QByteArray("another file"));
    m_platform.setAttributes(twin, 1);
    const Snapshot before = snapshot({wrong, damaged, twin});
    run(u"Dec1"_s, {wrong, damaged});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u"Invalid Password for "_s + wrong + u" Please check your password "_s,
                                              damaged + u" has a damaged header and was left untouched."_s}));
    EXPECT_EQ(selectedEntries(), (QStringList{wrong, damaged}));
    EXPECT_FALSE(QFile::exists(path(u"work/s.txt"_s)));
    expectUnchanged(before);
}

TEST_F(CryptCommandsTest, KeepingOrReplacingAnExistingOutput) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    m_platform.setAttributes(plain, 2);
    const QByteArray plainBytes = readAll(plain);
    // Longer than its successor: replacing it leaves nothing of its tail.
    const QString older = makeFile(u"work/a.txt.vxp"_s, QByteArray(300, 'o'));
    // High security: the pass itself leaves a new plain file's attributes alone.
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, "the real content", u"pw"_s, SecurityLevel::High, 34);
    const QString stale = makeFile(u"work/b.txt"_s, QByteArray("stale"));
    const struct {
        QString command;
        QString input;
        QString output;
        QString question;
        QByteArray replaced;
        quint32 outputAttributes;
    } cases[] = {
        {u"Enc1"_s, plain, older, older + u" already exists. do you want to replace it "_s,
         encryptedBytes(plainBytes, u"pw"_s, SecurityLevel::Low, 2), 7},
        // The replaced file gets the attribute value the header saved, as on every other path.
        {u"Dec1"_s, encrypted, stale, stale + ReplacePlain, "the real content", 34},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.command));
        const Snapshot before = snapshot({c.input});
        const QByteArray outputBefore = readAll(c.output);
        run(c.command, {c.input}, {No});
        EXPECT_EQ(m_dialogs.texts(), QStringList{c.question});
        EXPECT_EQ(selectedEntries(), QStringList{c.input});
        EXPECT_EQ(readAll(c.output), outputBefore);
        expectUnchanged(before);

        run(c.command, {c.input}, {Yes});
        EXPECT_EQ(m_dialogs.texts(), QStringList{c.question});
        EXPECT_EQ(readAll(c.output), c.replaced);
        EXPECT_EQ(attributesOf(c.output), c.outputAttributes);
        EXPECT_FALSE(QFile::exists(c.input));
        EXPECT_EQ(entries(), QStringList{c.output});
        EXPECT_TRUE(selectedEntries().isEmpty());
    }
}

TEST_F(CryptCommandsTest, APassStoppedPartWayRemovesItsOutputAndLeavesTheInput) {
    const QString plain = makeFile(u"work/big.bin"_s, 3 * CipherPass::BufferSize);
    m_platform.setAttributes(plain, 2);
    const QString encrypted = makeEncrypted(u"work/other.bin.vxp"_s, readAll(plain));
    const Snapshot before = snapshot({plain, encrypted});
    // Cancel after the first block, or a write that fails part way (a full disk).
    for (const bool cancel : {true, false}) {
        for (const QString& input : {plain, encrypted}) {
            const QString command = input == plain ? u"Enc1"_s : u"Dec1"_s;
            SCOPED_TRACE(qPrintable(command + (cancel ? u" cancel"_s : u" failure"_s)));
            std::optional<OnFirstBlock> pressing;
            std::optional<FileSizeLimit> limit;
            if (cancel)
                pressing.emplace(pressCancel);
            else
                limit.emplace(CipherPass::BufferSize);
            run(command, {input}, cancel ? QList{Yes} : QList<Dialogs::Answer>{});
            limit.reset();
            EXPECT_EQ(m_dialogs.texts(),
                      QStringList{cancel ? u" Do you really want to cancel? \r\n"_s : qt_error_string(EFBIG)});
            EXPECT_FALSE(QFile::exists(input == plain ? vxp(plain) : encrypted.chopped(4)));
            EXPECT_EQ(selectedEntries(), QStringList{input});
            expectUnchanged(before);
        }
    }
}

TEST_F(CryptCommandsTest, AFileLargerThanTheFreeSpaceIsSkippedWithTheSpaceMessage) {
    const QString plain = makeFile(u"work/a.txt"_s, 200);
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, QByteArray(2000, 'x'));
    const QString free = u"Free Bytes on drive "_s + m_platform.volumeRoot(plain) + u" is    "_s;
    m_platform.free = 100;
    run(u"Enc1"_s, {plain});
    EXPECT_EQ(m_dialogs.texts(), QStringList{free + u"100  Byte\r\nFree disk Space needed to encrypt "_s + plain +
                                             u" is 200  Byte\r\n"_s});
    EXPECT_FALSE(QFile::exists(vxp(plain)));
    // A failed query counts as no space at all.
    m_platform.free = 0;
    run(u"Dec1"_s, {encrypted});
    EXPECT_EQ(m_dialogs.texts(), QStringList{free + u"0  Byte\r\nFree disk Space needed to decrypt "_s + encrypted +
                                             u" is 1.96  KB\r\n"_s});
    EXPECT_FALSE(QFile::exists(path(u"work/b.txt"_s)));
    EXPECT_EQ(selectedEntries(), QStringList{encrypted});
}

TEST_F(CryptCommandsTest, DeleteOriginalOnOrOff) {
    for (const bool deleteOriginal : {true, false}) {
        const QString plain = makeFile(u"work/a.txt"_s, 300);
        m_platform.setAttributes(plain, 2);
        const Snapshot before = snapshot({plain});
        setDeleteOriginal(deleteOriginal);
        run(u"Enc1"_s, {plain});
        EXPECT_EQ(entries(), QStringList{vxp(plain)});
        EXPECT_EQ(attributesOf(vxp(plain)), 7u);
        EXPECT_EQ(QFile::exists(plain), !deleteOriginal);

        // Without delete-original the plain file is still there, so the decryption asks first.
        run(u"Dec1"_s, {vxp(plain)}, deleteOriginal ? QList<Dialogs::Answer>{} : QList{Yes});
        EXPECT_EQ(m_dialogs.texts(), deleteOriginal ? QStringList{} : QStringList{plain + ReplacePlain});
        EXPECT_EQ(entries(), QStringList{plain});
        EXPECT_EQ(QFile::exists(vxp(plain)), !deleteOriginal);
        expectUnchanged(before);
        QFile::remove(vxp(plain));
    }
}

TEST_F(CryptCommandsTest, LinksAreRefusedAsInputsAndAsOutputs) {
    const QString target = makeFile(u"work/target.txt"_s, QByteArray("not to be touched"));
    const QString link = path(u"work/link.txt"_s);
    ASSERT_TRUE(QFile::link(target, link));
    run(u"Enc1"_s, {link});
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{link + u" moved or it may in locked folder.\r\nVexa Password will convert this selection."_s,
                           Again}));

    // As outputs: a second name of the input (a hard link), and symbolic links to another file.
    const QString linked = makeFile(u"work/a.txt"_s, 100);
    ASSERT_EQ(::link(QFile::encodeName(linked).constData(), QFile::encodeName(vxp(linked)).constData()), 0);
    const QString plain = makeFile(u"work/b.txt"_s, 100);
    ASSERT_TRUE(QFile::link(target, vxp(plain)));
    const QString encrypted = makeEncrypted(u"work/c.txt.vxp"_s, "content c");
    ASSERT_TRUE(QFile::link(target, encrypted.chopped(4)));
    const Snapshot before = snapshot({target, linked, plain, encrypted});
    run(u"Enc1"_s, {linked, plain}, {Yes, Yes});
    const QString replace = u".vxp already exists. do you want to replace it "_s;
    const QString symlink = u" is a symbolic link and was left untouched."_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{linked + replace, linked + u" and "_s + vxp(linked) + u" are the same file."_s,
                           plain + replace, vxp(plain) + symlink}));
    EXPECT_EQ(selectedEntries(), (QStringList{linked, plain}));
    run(u"Dec1"_s, {encrypted}, {Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{encrypted.chopped(4) + ReplacePlain, encrypted.chopped(4) + symlink}));
    EXPECT_TRUE(QFileInfo(vxp(plain)).isSymLink());
    expectUnchanged(before);
}

TEST_F(CryptCommandsTest, CommandsArrivingWhileAPassRunsDoNothing) {
    const QString plain = makeFile(u"work/big.bin"_s, 2 * CipherPass::BufferSize);
    const QString other = makeFile(u"work/other.txt"_s, 100);
    bool busyDuringPass = false;
    OnFirstBlock meanwhile([&](Progress&) {
        busyDuringPass = state().Busy;
        choose({other});
        for (const QString& command : {u"Encmenu"_s, u"Decmenu"_s, u"Enc1"_s, u"Dec2"_s})
            triggerAction(command);
        emit window().toolPanel().C14();
        emit window().toolPanel().C15();
    });
    run(u"Enc1"_s, {plain});
    ASSERT_TRUE(meanwhile.ran());
    EXPECT_TRUE(busyDuringPass);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(entries(), (QStringList{vxp(plain), vxp(other)}));
}

TEST_F(CryptCommandsTest, ToolBarButtonsActOnTheChosenListAndUpdateTheStatus) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    choose({plain});
    state().ActiveListKind = ListKind::ChosenList;
    emit window().toolPanel().C15();
    EXPECT_EQ(entries(), QStringList{vxp(plain)});
    EXPECT_EQ(state().ActiveListKind, ListKind::None);
    // The chooser's file count, which shows the new file.
    EXPECT_EQ(window().statusLine().lab5(), u"1"_s);
    list().item(0)->setSelected(true);
    emit window().toolPanel().C14();
    EXPECT_EQ(entries(), QStringList{plain});
}

// The shown-files commands: every file the chooser's file list shows, in list order.

TEST_F(CryptCommandsTest, ShownFilesAnEmptyFolderOrASinglePlainFileHasNothingToDo) {
    for (const QString& command : {u"Enc2"_s, u"Dec2"_s}) {
        run(command, {});
        EXPECT_EQ(m_dialogs.texts(), QStringList{u"There're no shown in the directory"_s});
    }
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    run(u"Dec2"_s, {});
    EXPECT_EQ(m_dialogs.texts(), QStringList{plain + u" , Isn't a Secret file."_s});
}

TEST_F(CryptCommandsTest, ShownFilesEncryptingAMixOfFiles) {
    const QString a = makeFile(u"work/a.txt"_s, 100);
    const QString secret = makeEncrypted(u"work/b.txt.vxp"_s, "already secret");
    const QString shortFile = makeFile(u"work/c.txt"_s, 5);
    const QString empty = makeFile(u"work/d.txt"_s, 0);
    const QString e = makeFile(u"work/e.txt"_s, 300);
    const QString longName = u"f"_s + QString(240, u'x');
    makeFile(u"work/"_s + longName, 50);
    const QString link = path(u"work/g.txt"_s);
    ASSERT_TRUE(QFile::link(e, link));
    run(u"Enc2"_s, {}, {Yes});
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

TEST_F(CryptCommandsTest, ShownFilesNoToTheSecretFileQuestionStopsTheRun) {
    const QString secret = makeEncrypted(u"work/a.vxp"_s, "already secret");
    const QString later = makeFile(u"work/b.txt"_s, 100);
    run(u"Enc2"_s, {}, {No});
    EXPECT_EQ(m_dialogs.texts(), QStringList{secret + SecretQuestion});
    EXPECT_FALSE(QFile::exists(later + u".vxp"_s));
}

TEST_F(CryptCommandsTest, ShownFilesDecryptingAMixOfFiles) {
    makeEncrypted(u"work/a.txt.vxp"_s, "plain a", u"pw"_s, SecurityLevel::High, 2);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    const QString shortFile = makeFile(u"work/c.vxp"_s, 5);
    const QString wrong = makeEncrypted(u"work/e.txt.vxp"_s, "plain e", u"other"_s);
    const QString damaged = makeDamaged(u"work/f.txt.vxp"_s);
    const Snapshot before = snapshot({plain, shortFile, wrong, damaged});
    run(u"Dec2"_s, {}, {Yes});
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

TEST_F(CryptCommandsTest, ShownFilesReplacingOrKeepingExistingPlainFiles) {
    const QString kept = makeFile(u"work/a.txt"_s, QByteArray("old content a"));
    makeEncrypted(u"work/a.txt.vxp"_s, "new a", u"pw"_s, SecurityLevel::Low, 1);
    const QString replaced = makeFile(u"work/b.txt"_s, QByteArray("old content b"));
    makeEncrypted(u"work/b.txt.vxp"_s, "new b", u"pw"_s, SecurityLevel::High, 2);
    setDeleteOriginal(false);
    // Each plain file comes just before its encrypted one and is passed over as not secret.
    run(u"Dec2"_s, {}, {Yes, No, Yes, Yes});
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

TEST_F(CryptCommandsTest, ShownFilesCancelEndsTheRunAFailureGoesOnToTheNextFile) {
    const QString big = makeFile(u"work/a.bin"_s, 3 * CipherPass::BufferSize);
    const QByteArray bigBytes = readAll(big);
    const QString later = makeFile(u"work/b.txt"_s, 100);
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "failure");
        if (cancel) {
            OnFirstBlock pressing(pressCancel);
            run(u"Enc2"_s, {}, {Yes});
        } else {
            const FileSizeLimit limit(CipherPass::BufferSize);
            run(u"Enc2"_s, {});
        }
        EXPECT_EQ(m_dialogs.texts(),
                  QStringList{cancel ? u" Do you really want to cancel? \r\n"_s : qt_error_string(EFBIG)});
        EXPECT_EQ(readAll(big), bigBytes);
        EXPECT_FALSE(QFile::exists(big + u".vxp"_s));
        EXPECT_EQ(QFile::exists(later + u".vxp"_s), !cancel);
    }
}
