/*
 * The chosen-list commands through the real main window: the checks of the selection with their
 * exact messages and questions, the list entries afterwards, what is on disk after success,
 * refusal, cancel and failure, the free-space message, delete-original, and the gate and Busy.
 */
#include "cryptwindowtest.h"

#include "appstate.h"
#include "filesizelimit.h"
#include "form3.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtCore/QFile>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>

#include <cerrno>

#include <unistd.h>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

namespace {

const QString Again = u"Choose file(s) in your list again Please."_s;
const QString ConvertOrCancelAll =
    u"Vexa Password will convert this selection for you. \r\n\r\n Press Yes to accept    No to cancel all"_s;

QString vxp(const QString& path) {
    return path + u".vxp"_s;
}

QByteArray encryptedBytes(const QByteArray& plain, const QString& password, SecurityLevel level, quint8 attributes) {
    QByteArray body = plain;
    EncryptedFormat::transformBody(body.data(), body.size(), 0, level);
    return EncryptedFormat::header(EncryptedFormat::PasswordField(password), level, attributes) + body;
}

} // namespace

class CryptCommandsTest : public CryptWindowTest {};

TEST_F(CryptCommandsTest, NothingSelectedOrNoListOnlyAsksForAChoice) {
    const QString file = makeFile(u"work/a.txt"_s, 100);
    list().addItem(file);
    setPassword(u"pw"_s);
    triggerAction(u"Enc1"_s);
    triggerAction(u"Dec1"_s);
    // With the browser active there is no chosen-file list to act on.
    window().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window().browser()->parentWidget()));
    triggerAction(u"Encmenu"_s);

    const QString choose = u"Choose file(s) in your list Please."_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{choose, choose, choose}));
    EXPECT_EQ(readAll(file).size(), 100);
    EXPECT_FALSE(QFile::exists(vxp(file)));
    EXPECT_EQ(progressWindow(), nullptr);
}

TEST_F(CryptCommandsTest, WithoutAPasswordTheDialogOpensAndNothingIsTouched) {
    const QString file = makeFile(u"work/a.txt"_s, 100);
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, "secret text", u"pw"_s);
    choose({file, encrypted});
    for (const QString& command : {u"Enc1"_s, u"Dec1"_s}) {
        window().passwordDialog().hide();
        triggerAction(command);
        EXPECT_TRUE(window().passwordDialog().isVisible()) << qPrintable(command);
        EXPECT_TRUE(window().passwordDialog().findChild<QGroupBox*>(u"Frame2"_s)->isVisible());
    }
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(selectedEntries(), (QStringList{file, encrypted}));
    EXPECT_FALSE(QFile::exists(vxp(file)));
    EXPECT_FALSE(QFile::exists(u"work/b.txt"_s));
}

TEST_F(CryptCommandsTest, WrongKindAnsweredYesIsDeselectedThenAskedForAgain) {
    setPassword(u"pw"_s);
    const QString x = makeEncrypted(u"work/x.vxp"_s, "0123456789ab", u"pw"_s);
    const QString y = makeEncrypted(u"work/y.vxp"_s, "0123456789ab", u"pw"_s);
    const QString a = makeFile(u"work/a.txt"_s, 50);
    const QString b = makeFile(u"work/b.txt"_s, 50);
    struct Case {
        QString command;
        QStringList chosen;
        QString question;
    };
    for (const Case& c : {Case{u"Enc1"_s, {x, y}, u" , Is a already encrypted file.\r\n"_s},
                          Case{u"Dec1"_s, {a, b}, u" , Isn't a protectd file.\r\n"_s}}) {
        list().clear();
        m_dialogs.clear();
        choose(c.chosen);
        m_dialogs.answer(Answer::Yes);
        m_dialogs.answer(Answer::Yes);
        triggerAction(c.command);
        EXPECT_EQ(m_dialogs.texts(), (QStringList{c.chosen[0] + c.question + ConvertOrCancelAll,
                                                  c.chosen[1] + c.question + ConvertOrCancelAll, Again}))
            << qPrintable(c.command);
        EXPECT_EQ(entries(), c.chosen);
        EXPECT_TRUE(selectedEntries().isEmpty());
    }
    EXPECT_EQ(readAll(a).size(), 50);
    EXPECT_FALSE(QFile::exists(vxp(a)));
    EXPECT_FALSE(QFile::exists(vxp(x)));
}

TEST_F(CryptCommandsTest, NoToTheWrongKindQuestionCancelsTheWholeCommand) {
    setPassword(u"pw"_s);
    const QString encrypted = makeEncrypted(u"work/x.vxp"_s, "0123456789ab", u"pw"_s);
    const QString plain = makeFile(u"work/a.txt"_s, 50);
    choose({encrypted, plain});
    m_dialogs.answer(Answer::No);
    triggerAction(u"Enc1"_s);
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{encrypted + u" , Is a already encrypted file.\r\n"_s + ConvertOrCancelAll});
    EXPECT_EQ(selectedEntries(), (QStringList{encrypted, plain}));
    EXPECT_FALSE(QFile::exists(vxp(plain)));
}

TEST_F(CryptCommandsTest, FilesBelowElevenBytesLeaveTheList) {
    setPassword(u"pw"_s);
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QString empty = makeFile(u"work/empty.txt"_s, 0);
    const QString eleven = makeFile(u"work/eleven.txt"_s, 11);
    choose({ten, empty, eleven});
    triggerAction(u"Enc1"_s);
    const QString tooShort = u" is too short File to be encrypted. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{ten + tooShort, empty + tooShort}));
    EXPECT_EQ(entries(), QStringList{vxp(eleven)});
    EXPECT_EQ(readAll(vxp(eleven)).size(), 21);
    EXPECT_EQ(window().statusLine().lab6(), u"1"_s);

    list().clear();
    m_dialogs.clear();
    const QString tenEncrypted = makeFile(u"work/ten.vxp"_s, 10);
    const QString emptyEncrypted = makeFile(u"work/empty.vxp"_s, 0);
    choose({tenEncrypted, emptyEncrypted, vxp(eleven)});
    triggerAction(u"Dec1"_s);
    const QString notEncrypted = u" isn't an encrypted file. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{tenEncrypted + notEncrypted, emptyEncrypted + notEncrypted}));
    EXPECT_EQ(entries(), QStringList{eleven});
    EXPECT_EQ(readAll(eleven).size(), 11);
}

TEST_F(CryptCommandsTest, PathsOver240CharactersLeaveTheListWhenEncryptingOnly) {
    setPassword(u"pw"_s);
    // A name in the test's folder "work" that makes a full path of the given length.
    const auto nameOfLength = [this](qsizetype length, QChar fill) -> QString {
        return u"work/"_s + QString(length - m_work.size() - 1, fill);
    };
    const QString fits = makeFile(nameOfLength(240, u'a'), 20);
    const QString tooLong = makeFile(nameOfLength(241, u'b'), 20);
    ASSERT_EQ(tooLong.size(), 241);
    choose({fits, tooLong});
    triggerAction(u"Enc1"_s);
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{tooLong + u" Long file name.  Vexa Password will remove it from your list."_s});
    EXPECT_EQ(entries(), QStringList{vxp(fits)});

    list().clear();
    m_dialogs.clear();
    const QString longEncrypted = makeEncrypted(nameOfLength(245, u'c') + u".vxp"_s, "long but fine", u"pw"_s);
    ASSERT_GT(longEncrypted.size(), 241);
    choose({longEncrypted});
    triggerAction(u"Dec1"_s);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(readAll(longEncrypted.chopped(4)), QByteArray("long but fine"));
}

TEST_F(CryptCommandsTest, WrongPasswordLeavesTheEntrySelectedAndWritesNothing) {
    const QString encrypted = makeEncrypted(u"work/s.txt.vxp"_s, "the secret", u"Right"_s);
    const QByteArray before = readAll(encrypted);
    setPassword(u"right"_s);
    choose({encrypted});
    triggerAction(u"Dec1"_s);
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{u"Invalid Password for "_s + encrypted + u" Please check your password "_s});
    EXPECT_EQ(selectedEntries(), QStringList{encrypted});
    EXPECT_EQ(readAll(encrypted), before);
    EXPECT_FALSE(QFile::exists(path(u"work/s.txt"_s)));
}

TEST_F(CryptCommandsTest, KeepingOrReplacingAnExistingEncryptedFile) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    m_platform.setAttributes(plain, 2);
    const QString old = makeFile(u"work/a.txt.vxp"_s, QByteArray("an older and longer encrypted file of sorts"));
    choose({plain});
    const QString question = plain + u".vxp already exists. do you want to replace it "_s;

    m_dialogs.answer(Answer::No);
    triggerAction(u"Enc1"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{question});
    EXPECT_EQ(readAll(old), QByteArray("an older and longer encrypted file of sorts"));
    EXPECT_EQ(attributesOf(old), 7u);
    EXPECT_EQ(readAll(plain).size(), 100);
    EXPECT_EQ(attributesOf(plain), 2u);
    EXPECT_EQ(selectedEntries(), QStringList{plain});

    m_dialogs.clear();
    m_dialogs.answer(Answer::Yes);
    const QByteArray plainBytes = readAll(plain);
    triggerAction(u"Enc1"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{question});
    EXPECT_EQ(readAll(old), encryptedBytes(plainBytes, u"pw"_s, SecurityLevel::Low, 2));
    EXPECT_EQ(attributesOf(old), 7u);
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(entries(), QStringList{old});
    EXPECT_TRUE(selectedEntries().isEmpty());
}

TEST_F(CryptCommandsTest, KeepingOrReplacingAnExistingPlainFile) {
    setPassword(u"pw"_s);
    // High security: the pass itself leaves a new plain file's attributes alone.
    const QString encrypted = makeEncrypted(u"work/a.txt.vxp"_s, "the real content", u"pw"_s, SecurityLevel::High, 34);
    const QString plain = makeFile(u"work/a.txt"_s, QByteArray("stale"));
    choose({encrypted});
    const QString question = plain + u" already exist do you want to replace it "_s;

    m_dialogs.answer(Answer::No);
    triggerAction(u"Dec1"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{question});
    EXPECT_EQ(readAll(plain), QByteArray("stale"));
    EXPECT_EQ(attributesOf(encrypted), 7u);
    EXPECT_EQ(selectedEntries(), QStringList{encrypted});

    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Dec1"_s);
    EXPECT_EQ(readAll(plain), QByteArray("the real content"));
    // The attribute value the header saved, as on every other path.
    EXPECT_EQ(attributesOf(plain), 34u);
    EXPECT_FALSE(QFile::exists(encrypted));
    EXPECT_EQ(entries(), QStringList{plain});
    EXPECT_TRUE(selectedEntries().isEmpty());
}

TEST_F(CryptCommandsTest, CancelAfterTheFirstBlockRemovesThePartialOutputOnly) {
    setPassword(u"pw"_s);
    const qint64 size = 3 * CipherPass::BufferSize;
    const QString plain = makeFile(u"work/big.bin"_s, size);
    m_platform.setAttributes(plain, 2);
    const QByteArray plainBytes = readAll(plain);
    const QString encrypted = makeEncrypted(u"work/other.bin.vxp"_s, plainBytes, u"pw"_s);
    const QByteArray encryptedBefore = readAll(encrypted);
    struct Case {
        QString command;
        QString input;
        QString output;
        quint32 inputAttributes;
    };
    for (const Case& c : {Case{u"Enc1"_s, plain, vxp(plain), 2}, Case{u"Dec1"_s, encrypted, encrypted.chopped(4), 7}}) {
        list().clear();
        m_dialogs.clear();
        choose({c.input});
        OnFirstBlock cancel(pressCancel);
        m_dialogs.answer(Answer::Yes);
        triggerAction(c.command);
        ASSERT_TRUE(cancel.ran()) << qPrintable(c.command);
        EXPECT_EQ(m_dialogs.texts(), QStringList{u" Do you really want to cancel? \r\n"_s});
        EXPECT_FALSE(QFile::exists(c.output));
        EXPECT_EQ(attributesOf(c.input), c.inputAttributes);
        EXPECT_EQ(selectedEntries(), QStringList{c.input});
        EXPECT_FALSE(progressWindow()->isVisible());
        EXPECT_FALSE(state().Busy);
        EXPECT_FALSE(state().CancelRequested);
    }
    EXPECT_EQ(readAll(plain), plainBytes);
    EXPECT_EQ(readAll(encrypted), encryptedBefore);
}

TEST_F(CryptCommandsTest, AnsweringNoToCancelLetsThePassFinish) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/big.bin"_s, 2 * CipherPass::BufferSize);
    choose({plain});
    bool shownAfterNo = false;
    OnFirstBlock cancel([&](Progress& progress) {
        pressCancel(progress);
        shownAfterNo = progress.isVisible();
    });
    m_dialogs.answer(Answer::No);
    triggerAction(u"Enc1"_s);
    ASSERT_TRUE(cancel.ran());
    EXPECT_TRUE(shownAfterNo);
    EXPECT_EQ(entries(), QStringList{vxp(plain)});
    EXPECT_EQ(readAll(vxp(plain)).size(), 2 * CipherPass::BufferSize + 10);
    EXPECT_FALSE(state().Busy);
}

TEST_F(CryptCommandsTest, AFileLargerThanTheFreeSpaceIsSkippedWithTheSpaceMessage) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/a.txt"_s, 200);
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, QByteArray(2000, 'x'), u"pw"_s);
    const QString root = m_platform.volumeRoot(plain);

    m_platform.free = 100;
    choose({plain});
    triggerAction(u"Enc1"_s);
    // A failed query counts as no space at all.
    m_platform.free = 0;
    list().clear();
    choose({encrypted});
    triggerAction(u"Dec1"_s);

    EXPECT_EQ(
        m_dialogs.texts(),
        (QStringList{u"Free Bytes on drive "_s + root + u" is    100  Byte\r\nFree disk Space needed to encrypt "_s +
                         plain + u" is 200  Byte\r\n"_s,
                     u"Free Bytes on drive "_s + root + u" is    0  Byte\r\nFree disk Space needed to decrypt "_s +
                         encrypted + u" is 1.96  KB\r\n"_s}));
    EXPECT_FALSE(QFile::exists(vxp(plain)));
    EXPECT_FALSE(QFile::exists(path(u"work/b.txt"_s)));
    EXPECT_EQ(selectedEntries(), QStringList{encrypted});
}

TEST_F(CryptCommandsTest, DeleteOriginalOnOrOff) {
    setPassword(u"pw"_s);
    for (const bool deleteOriginal : {true, false}) {
        const QString plain = makeFile(deleteOriginal ? u"work/on.txt"_s : u"work/off.txt"_s, 300);
        m_platform.setAttributes(plain, 2);
        const QByteArray plainBytes = readAll(plain);
        setDeleteOriginal(deleteOriginal);
        list().clear();
        choose({plain});
        triggerAction(u"Enc1"_s);
        EXPECT_EQ(entries(), QStringList{vxp(plain)});
        EXPECT_EQ(attributesOf(vxp(plain)), 7u);
        EXPECT_EQ(QFile::exists(plain), !deleteOriginal);
        if (!deleteOriginal) {
            EXPECT_EQ(attributesOf(plain), 2u);
        }

        // Without delete-original the plain file is still there, so the decryption asks first.
        if (!deleteOriginal)
            m_dialogs.answer(Answer::Yes);
        list().item(0)->setSelected(true);
        triggerAction(u"Dec1"_s);
        EXPECT_EQ(entries(), QStringList{plain});
        EXPECT_EQ(readAll(plain), plainBytes);
        EXPECT_EQ(attributesOf(plain), 2u);
        EXPECT_EQ(QFile::exists(vxp(plain)), !deleteOriginal);
    }
    EXPECT_EQ(m_dialogs.texts(), QStringList{path(u"work/off.txt"_s) + u" already exist do you want to replace it "_s});
}

TEST_F(CryptCommandsTest, AWriteFailingPartWayLeavesEveryInputAndSaysWhy) {
    setPassword(u"pw"_s);
    const qint64 size = 3 * CipherPass::BufferSize;
    const QString plain = makeFile(u"work/big.bin"_s, size);
    m_platform.setAttributes(plain, 2);
    const QByteArray plainBytes = readAll(plain);
    const QString encrypted = makeEncrypted(u"work/other.bin.vxp"_s, plainBytes, u"pw"_s);
    const QByteArray encryptedBefore = readAll(encrypted);
    choose({plain, encrypted});
    {
        const FileSizeLimit limit(CipherPass::BufferSize);
        list().item(1)->setSelected(false);
        triggerAction(u"Enc1"_s);
        list().item(0)->setSelected(false);
        list().item(1)->setSelected(true);
        triggerAction(u"Dec1"_s);
    }
    const QString tooLarge = qt_error_string(EFBIG);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{tooLarge, tooLarge}));
    EXPECT_EQ(readAll(plain), plainBytes);
    EXPECT_EQ(attributesOf(plain), 2u);
    EXPECT_FALSE(QFile::exists(vxp(plain)));
    EXPECT_EQ(readAll(encrypted), encryptedBefore);
    EXPECT_EQ(attributesOf(encrypted), 7u);
    EXPECT_FALSE(QFile::exists(path(u"work/other.bin"_s)));
    EXPECT_EQ(entries(), (QStringList{plain, encrypted}));
}

TEST_F(CryptCommandsTest, ADamagedHeaderIsReportedAndLeftAlone) {
    setPassword(u"pw"_s);
    const QString encrypted = makeEncrypted(u"work/d.txt.vxp"_s, "some content", u"pw"_s);
    QFile file(encrypted);
    m_platform.setAttributes(encrypted, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(8);
    file.write(QByteArray(1, char(255 - 'X')));
    file.close();
    m_platform.setAttributes(encrypted, 7);
    const QByteArray before = readAll(encrypted);
    // Nothing is asked about a plain file of the same name either: it stays as it is.
    const QString twin = makeFile(u"work/d.txt"_s, QByteArray("another file"));
    m_platform.setAttributes(twin, 1);
    choose({encrypted});
    triggerAction(u"Dec1"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{encrypted + u" has a damaged header and was left untouched."_s});
    EXPECT_EQ(readAll(encrypted), before);
    EXPECT_EQ(attributesOf(encrypted), 7u);
    EXPECT_EQ(readAll(twin), QByteArray("another file"));
    EXPECT_EQ(attributesOf(twin), 1u);
    EXPECT_EQ(selectedEntries(), QStringList{encrypted});
}

TEST_F(CryptCommandsTest, ASymbolicLinkInTheListIsRefusedLikeAMissingFile) {
    setPassword(u"pw"_s);
    const QString target = makeFile(u"work/target.txt"_s, 100);
    const QString link = path(u"work/link.txt"_s);
    ASSERT_TRUE(QFile::link(target, link));
    choose({link});
    triggerAction(u"Enc1"_s);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{link + u" moved or it may in locked folder.\r\nVexa Password will convert this selection."_s,
                           Again}));
    EXPECT_EQ(readAll(target).size(), 100);
    EXPECT_FALSE(QFile::exists(vxp(link)));
    EXPECT_FALSE(QFile::exists(vxp(target)));
}

TEST_F(CryptCommandsTest, AnOutputNameThePassRefusedIsLeftInPlace) {
    setPassword(u"pw"_s);
    const QString linked = makeFile(u"work/a.txt"_s, 100);
    // A second name for the same file: a hard link.
    ASSERT_EQ(::link(QFile::encodeName(linked).constData(), QFile::encodeName(vxp(linked)).constData()), 0);
    const QString plain = makeFile(u"work/b.txt"_s, 100);
    const QString target = makeFile(u"work/target.bin"_s, QByteArray("not to be touched"));
    ASSERT_TRUE(QFile::link(target, vxp(plain)));
    choose({linked, plain});
    m_dialogs.answer(Answer::Yes);
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Enc1"_s);
    const QString replace = u".vxp already exists. do you want to replace it "_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{linked + replace, linked + u" and "_s + vxp(linked) + u" are the same file."_s,
                           plain + replace, vxp(plain) + u" is a symbolic link and was left untouched."_s}));
    EXPECT_EQ(readAll(linked).size(), 100);
    EXPECT_TRUE(QFileInfo::exists(vxp(linked)));
    EXPECT_EQ(readAll(plain).size(), 100);
    EXPECT_TRUE(QFileInfo(vxp(plain)).isSymLink());
    EXPECT_EQ(readAll(target), QByteArray("not to be touched"));
    EXPECT_EQ(selectedEntries(), (QStringList{linked, plain}));
}

TEST_F(CryptCommandsTest, CommandsArrivingWhileAPassRunsDoNothing) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/big.bin"_s, 2 * CipherPass::BufferSize);
    const QString other = makeFile(u"work/other.txt"_s, 100);
    choose({plain});
    bool busyDuringPass = false;
    OnFirstBlock meanwhile([&](Progress&) {
        busyDuringPass = state().Busy;
        list().addItem(other);
        list().item(1)->setSelected(true);
        triggerAction(u"Encmenu"_s);
        emit window().toolPanel().C15();
        triggerAction(u"Enc1"_s);
        triggerAction(u"Dec2"_s);
    });
    triggerAction(u"Enc1"_s);
    ASSERT_TRUE(meanwhile.ran());
    EXPECT_TRUE(busyDuringPass);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(entries(), (QStringList{vxp(plain), vxp(other)}));
}

TEST_F(CryptCommandsTest, MenuAndToolBarAreGatedAndTheEncryptButtonClearsBusy) {
    setPassword(u"pw"_s);
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    choose({plain});
    state().Busy = true;
    triggerAction(u"Encmenu"_s);
    triggerAction(u"Decmenu"_s);
    emit window().toolPanel().C15();
    emit window().toolPanel().C14();
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(selectedEntries(), QStringList{plain});
    EXPECT_TRUE(state().Busy);

    state().Busy = false;
    state().ActiveListKind = ListKind::ChosenList;
    window().statusLine().setLab5(u"stale"_s);
    emit window().toolPanel().C15();
    EXPECT_EQ(entries(), QStringList{vxp(plain)});
    EXPECT_FALSE(state().Busy);
    EXPECT_EQ(state().ActiveListKind, ListKind::None);
    // The status update: the chooser's file count, which shows the new file.
    EXPECT_EQ(window().statusLine().lab5(), u"1"_s);
    EXPECT_EQ(chooser()->fileCount(), 1);

    list().item(0)->setSelected(true);
    emit window().toolPanel().C14();
    EXPECT_EQ(entries(), QStringList{plain});
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
}
