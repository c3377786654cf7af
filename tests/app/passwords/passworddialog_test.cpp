/*
 * The password dialog through its widgets: the fields' key rules, "Ok", "Cancel", "Save" and the
 * stored passwords shown.
 */
#include "app/passwords/passworddialog.h"

#include "app/core/chosenfiles.h"
#include "app/core/passwordsource.h"
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/passfiles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

#include <QtGui/QClipboard>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <memory>

class PasswordDialogTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_mainWindow.resize(1000, 600);
        m_mainWindow.show();
        m_dialog = new PasswordDialog(m_dialogs, m_platform, m_mainWindow, [this] { return m_list.get(); });
    }
    QLineEdit* field(const QString& name) const { return m_dialog->findChild<QLineEdit*>(name); }
    void type(const QString& name, const QString& text) const { QTest::keyClicks(field(name), text); }
    void click(const QString& name) const {
        QTest::mouseClick(m_dialog->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    QStringList messages() const { return m_dialogs.texts(); }

    ScriptedDialogs m_dialogs;
    LinuxPlatform m_platform;
    // The dialog's owner, standing for the main window.
    QWidget m_mainWindow;
    // The chooser's chosen-file list; none while the chooser is closed.
    std::unique_ptr<ChosenFiles> m_list = std::make_unique<ChosenFiles>();
    PasswordDialog* m_dialog = nullptr;
};

TEST_F(PasswordDialogTest, KeyRulesOfEveryFieldAndTextAbove255Refused) {
    for (const QString& name : {u"Text8"_s, u"Vtext"_s, u"Text10"_s, u"Text6"_s, u"Text5"_s, u"Text4"_s}) {
        SCOPED_TRACE(name.toStdString());
        QLineEdit* edit = field(name);
        const bool refusesSpace = name != u"Vtext"_s && name != u"Text4"_s;
        m_dialogs.clear();
        type(name, u" "_s);
        EXPECT_EQ(edit->text(), refusesSpace ? u""_s : u" "_s);
        EXPECT_EQ(messages(),
                  refusesSpace ? QStringList{u"Please don't enter space for your password "_s} : QStringList{});
        edit->clear();
        type(name, u"abcdefghi"_s);
        EXPECT_EQ(edit->displayText(), QString(8, u'*'));
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Nothing above code 255 arrives, however it comes; the field's one check sees every way.
        QGuiApplication::clipboard()->setText(u"\u00e9\u0100"_s);
        QTest::keySequence(edit, QKeySequence::Paste);
        QKeyEvent latin(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"\u00ff"_s);
        QApplication::sendEvent(edit, &latin);
        EXPECT_EQ(edit->text(), u"abcdefg\u00ff"_s);
    }
}

TEST_F(PasswordDialogTest, OkSetsOnlyAVerifiedPasswordAndCancelDropsAnUnverifiedOne) {
    m_dialog->showPasswordDialog();
    click(u"Command3"_s);
    EXPECT_EQ(messages(), QStringList{u"enter a password of 8 chractrs , at least one chracter"_s});
    type(u"Text8"_s, u"Secret1"_s);
    type(u"Vtext"_s, u"secret1"_s);
    click(u"Command3"_s);
    EXPECT_EQ(messages().last(), u"Verify your passwoed"_s);
    EXPECT_EQ(field(u"Vtext"_s)->text(), u""_s);
    EXPECT_TRUE(m_dialog->isVisible());
    type(u"Vtext"_s, u"Secret1"_s);
    click(u"Command3"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->currentPassword(), u"Secret1"_s);

    // "Cancel" or Escape keeps a verified password; an unverified one clears the old one too.
    for (const auto& [verify, byEscape] : {std::pair{u"Secret2"_s, false}, {u"Secret"_s, false}, {u"Secret"_s, true}}) {
        SCOPED_TRACE(verify.toStdString() + (byEscape ? " Escape" : " Cancel"));
        m_dialog->showPasswordDialog();
        EXPECT_EQ(field(u"Vtext"_s)->text(), m_dialog->currentPassword());
        field(u"Text8"_s)->setText(u"Secret2"_s);
        field(u"Vtext"_s)->setText(verify);
        if (byEscape)
            QTest::keyClick(field(u"Vtext"_s), Qt::Key_Escape);
        else
            click(u"Command2"_s);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->currentPassword(), verify == u"Secret2"_s ? verify : u""_s);
    }
}

TEST_F(PasswordDialogTest, MasterPasswordChangesOnlyWithTheOldOne) {
    const QString file = MasterPasswordFile::defaultPath(m_platform);
    const auto save = [this](const QString& old, const QString& next) {
        m_dialogs.clear();
        m_dialog->showMasterPassword();
        type(u"Text6"_s, old);
        type(u"Text5"_s, next);
        type(u"Text4"_s, next);
        click(u"Command5"_s);
    };
    // Before any master password is saved, the old password is the empty text.
    save(u""_s, u"abc"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(messages(), QStringList{u"Your new password is accepted"_s});
    EXPECT_EQ(readAll(file).toHex(), "9e9e9e9e9e9e9d9c");
    EXPECT_EQ(modeOf(file) & 0777, 0600u);
    for (const QString& wrong : {u""_s, u"abd"_s}) {
        save(wrong, u"z"_s);
        EXPECT_EQ(messages(), QStringList{u"Invalid Master password! try to remember your old one "_s});
        EXPECT_TRUE(m_dialog->isVisible());
        EXPECT_EQ(readAll(file).toHex(), "9e9e9e9e9e9e9d9c");
    }
    // A file that cannot be read is reported, and nothing is saved.
    ASSERT_TRUE(QFile::remove(file) && QDir().mkpath(file));
    save(u""_s, u"abc"_s);
    EXPECT_EQ(messages(), QStringList{file + u" is a folder, not a file."_s});
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(PasswordDialogTest, OkOfTheHintFrameShowsThePasswordEachEncryptedFileHolds) {
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    const QString abc = makeFile(u"a.txt.vxp"_s, encryptedForm("body", 'L', "abc", 7));
    const QString full = makeFile(u"b.vxp"_s, encryptedForm("body", 'H', "12345678", 32));
    const QString upper = makeFile(u"c.VXP"_s, encryptedForm("body", 'H', "zzzzzzzz", 32));
    const QString missing = path(u"gone.vxp"_s);
    // "x" + 0xFF shows as "x" + U+FFFD, which is the name of another encrypted file.
    const QString shown = makeRawFile("x\xFF.vxp");
    makeFile(u"x\uFFFD.vxp"_s, encryptedForm("body", 'L', "straystr", 32));
    // Only entries ending in ".vxp" are read, up to the first empty one.
    m_list->append({abc, path(u"note.txt"_s), upper, missing, shown, full, QString(), abc});
    m_dialog->showPasswordHint();
    type(u"Text10"_s, u"Master1"_s);
    click(u"Command7"_s);
    const QString is = u"  Password is   "_s;
    EXPECT_EQ(messages(), (QStringList{u"The  "_s + abc + is + u"abc     "_s, u"No such file or directory"_s,
                                       u"The name of "_s + shown + u" can't be read correctly. Please rename it."_s,
                                       u"The  "_s + full + is + u"12345678"_s}));

    // Without the master password, or with nothing to show, no file is read.
    m_list->clear();
    m_list->append({QString(), abc});
    const QString none = u"There're no  files in chosen list"_s;
    const std::tuple<const char*, QString, std::function<void()>, QString> refusals[] = {
        {"empty field", u""_s, [] {}, invalidPasswordMessage()},
        {"wrong master password", u"master1"_s, [] {}, MasterPasswordFile::wrongPasswordMessage()},
        {"empty first entry", u"Master1"_s, [] {}, none},
        {"chooser closed", u"Master1"_s, [this] { m_list.reset(); }, none},
    };
    for (const auto& [what, master, arrange, message] : refusals) {
        SCOPED_TRACE(what);
        m_dialogs.clear();
        arrange();
        m_dialog->showPasswordHint();
        field(u"Text10"_s)->setText(master);
        click(u"Command7"_s);
        EXPECT_EQ(messages(), QStringList{message});
        EXPECT_TRUE(m_dialog->isVisible());
    }
}
