/*
 * The password dialog driven through its widgets: the key rules of the six fields, the working
 * password's "Ok" and "Cancel", the master password's "Save", showing stored passwords, "Mask",
 * placement over the main window and taking the activation back from it.
 */
#include "passworddialog.h"

#include "encryptedformat.h"
#include "fakeservices.h"
#include "masterpasswordfile.h"
#include "tempenv.h"
#include "twips.h"

#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString SpaceMessage = u"Please don't enter space for your password "_s;
const QString WrongMasterMessage = u"Invalid Master password! try to remember your old one "_s;
const QStringList FieldNames{u"Text8"_s, u"Vtext"_s, u"Text10"_s, u"Text6"_s, u"Text5"_s, u"Text4"_s};

} // namespace

class PasswordDialogTest : public TempEnvTest {
protected:
    enum class Frame { Password, Master, Hint };

    void SetUp() override {
        TempEnvTest::SetUp();
        m_services.window.setGeometry(100, 80, 900, 700);
        m_dialog = new PassWord1(
            m_services, [this] { return &m_list; }, &m_services.window);
    }

    void open(Frame frame) const {
        switch (frame) {
        case Frame::Password:
            return m_dialog->ShowPasswordDialog();
        case Frame::Master:
            return m_dialog->showMasterPassword();
        case Frame::Hint:
            return m_dialog->showPasswordHint();
        }
    }
    template <typename Widget = QLineEdit> Widget* child(const QString& name) const {
        auto* widget = m_dialog->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    // Types any text, Latin-1 or not, as one key.
    void typeKey(const QString& field, const QString& text) const {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(child(field), &key);
    }
    void type(const QString& field, const QString& text) const { QTest::keyClicks(child(field), text); }
    void enter(const QString& field) const { QTest::keyClick(child(field), Qt::Key_Return); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    QString text(const QString& field) const { return child(field)->text(); }
    QStringList messages() const { return m_services.scripted.texts(); }
    QString masterFile() const { return MasterPasswordFile::defaultPath(m_services.testPlatform); }

    FakeServices m_services;
    QListWidget m_list;
    PassWord1* m_dialog = nullptr;
};

TEST_F(PasswordDialogTest, TypingRulesOfEveryField) {
    for (const QString& name : FieldNames) {
        SCOPED_TRACE(name.toStdString());
        const bool refusesSpace = name != u"Vtext"_s && name != u"Text4"_s;
        m_services.scripted.clear();
        type(name, u" "_s);
        EXPECT_EQ(text(name), refusesSpace ? u""_s : u" "_s);
        EXPECT_EQ(messages(), refusesSpace ? QStringList{SpaceMessage} : QStringList{});

        child(name)->clear();
        type(name, u"abcdefghi"_s);
        EXPECT_EQ(text(name), u"abcdefgh"_s);
        QTest::keyClick(child(name), Qt::Key_Backspace);
        typeKey(name, u"\u0100"_s);
        QInputMethodEvent composed;
        composed.setCommitString(u"\u0101"_s);
        QApplication::sendEvent(child(name), &composed);
        EXPECT_EQ(text(name), u"abcdefg"_s);
        typeKey(name, u"\u00e9"_s);
        EXPECT_EQ(text(name), u"abcdefg\u00e9"_s);
        // Pasted text is not limited.
        child(name)->insert(u"jk"_s);
        EXPECT_EQ(text(name), u"abcdefg\u00e9jk"_s);
    }
}

TEST_F(PasswordDialogTest, EnterInEveryField) {
    const QString invalid = PassWord1::invalidPasswordMessage();
    const struct {
        Frame frame;
        QString field;
        QString typed;
        QString message;
        QString focus; // empty: the dialog is hidden
    } cases[] = {
        {Frame::Password, u"Text8"_s, u""_s, invalid, u"Text8"_s},
        {Frame::Password, u"Text8"_s, u"a"_s, {}, u"Vtext"_s},
        {Frame::Hint, u"Text10"_s, u""_s, {}, u"Command7"_s},
        {Frame::Master, u"Text6"_s, u"abcdefg"_s, invalid, u"Text6"_s},
        {Frame::Master, u"Text6"_s, u"abcdefgh"_s, {}, u"Text5"_s},
        {Frame::Master, u"Text5"_s, u""_s, invalid, u"Text5"_s},
        {Frame::Master, u"Text5"_s, u"a"_s, {}, u"Text4"_s},
        {Frame::Master, u"Text4"_s, u""_s, {}, u"Command5"_s},
        // Enter in Vtext presses "Ok", which hides the dialog when both fields agree.
        {Frame::Password, u"Vtext"_s, u"a"_s, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field.toStdString() + " typed " + c.typed.toStdString());
        m_services.scripted.clear();
        open(c.frame);
        child(c.field)->setText(c.typed);
        child(c.field)->setFocus();
        enter(c.field);
        EXPECT_EQ(messages(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_EQ(m_dialog->isVisible(), !c.focus.isEmpty());
        if (!c.focus.isEmpty()) {
            EXPECT_EQ(m_dialog->focusWidget()->objectName(), c.focus);
        }
    }
}

TEST_F(PasswordDialogTest, OkSetsTheVerifiedPassword) {
    open(Frame::Password);
    click(u"Command3"_s);
    EXPECT_EQ(messages(), QStringList{u"enter a password of 8 chractrs , at least one chracter"_s});
    EXPECT_TRUE(m_dialog->isVisible());

    type(u"Text8"_s, u"Secret1"_s);
    type(u"Vtext"_s, u"secret1"_s);
    click(u"Command3"_s);
    EXPECT_EQ(messages().last(), u"Verify your passwoed"_s);
    EXPECT_EQ(text(u"Vtext"_s), u""_s);
    EXPECT_EQ(m_dialog->focusWidget(), child(u"Vtext"_s));
    EXPECT_TRUE(m_dialog->isVisible());

    type(u"Vtext"_s, u"Secret1"_s);
    click(u"Command3"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->currentPassword(), u"Secret1"_s);

    // Opened again, both fields show the password, so "Ok" right away keeps it.
    m_services.scripted.clear();
    open(Frame::Password);
    EXPECT_EQ(text(u"Vtext"_s), u"Secret1"_s);
    click(u"Command3"_s);
    EXPECT_EQ(messages(), QStringList{});
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->currentPassword(), u"Secret1"_s);
}

TEST_F(PasswordDialogTest, CancelKeepsOnlyAVerifiedPassword) {
    const struct {
        QString verify;
        bool byEscape;
        QString expected;
    } cases[] = {
        {u"newpass"_s, false, u"newpass"_s},
        {u"newpas"_s, false, u""_s},
        {u"newpas"_s, true, u""_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verify.toStdString() + (c.byEscape ? " Escape" : " Cancel"));
        child(u"Text8"_s)->setText(u"oldpass"_s);
        child(u"Vtext"_s)->setText(u"oldpass"_s);
        open(Frame::Password);
        child(u"Text8"_s)->setText(u"newpass"_s);
        child(u"Vtext"_s)->setText(c.verify);
        if (c.byEscape)
            QTest::keyClick(child(u"Vtext"_s), Qt::Key_Escape);
        else
            click(u"Command2"_s);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->currentPassword(), c.expected);
        EXPECT_EQ(text(u"Vtext"_s), c.expected.isEmpty() ? u""_s : c.verify);
    }
}

TEST_F(PasswordDialogTest, MasterPasswordChangesOnlyWithTheOldOne) {
    const auto save = [this](const QString& old, const QString& next) {
        m_services.scripted.clear();
        open(Frame::Master);
        type(u"Text6"_s, old);
        type(u"Text5"_s, next);
        type(u"Text4"_s, next);
        click(u"Command5"_s);
    };
    // Before any master password is saved, the old password is the empty text.
    save(u""_s, u"abc"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(messages(), QStringList{u"Your new password is accepted"_s});
    EXPECT_EQ(readAll(masterFile()).toHex(), "9e9e9e9e9e9e9d9c");
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(masterFile()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    for (const QString& wrong : {u""_s, u"abd"_s}) {
        save(wrong, u"z"_s);
        EXPECT_EQ(messages(), QStringList{WrongMasterMessage});
        EXPECT_TRUE(m_dialog->isVisible());
        EXPECT_EQ(readAll(masterFile()).toHex(), "9e9e9e9e9e9e9d9c");
    }
    // The short password given with its first character repeated in front is the same one.
    save(u"aaaaaabc"_s, u"z"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(readAll(masterFile()), QByteArray(8, '\x85'));
}

TEST_F(PasswordDialogTest, SaveReportsAnUnreadableMasterPasswordFile) {
    ASSERT_TRUE(QDir().mkpath(masterFile()));
    QFile unreadable(masterFile());
    EXPECT_FALSE(unreadable.open(QIODevice::ReadOnly));
    open(Frame::Master);
    type(u"Text5"_s, u"abc"_s);
    type(u"Text4"_s, u"abc"_s);
    click(u"Command5"_s);
    EXPECT_EQ(messages(), QStringList{unreadable.errorString()});
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(PasswordDialogTest, OkOfTheHintShowsTheStoredPasswords) {
    ASSERT_TRUE(MasterPasswordFile(masterFile()).write(u"master"_s));
    const auto encrypted = [this](const QString& name, const QString& password) {
        const QByteArray header =
            EncryptedFormat::header(EncryptedFormat::PasswordField(password), SecurityLevel::Low, 32);
        return makeFile(name, header + "body");
    };
    const QString plain = makeFile(u"a.txt"_s, QByteArray("plain"));
    const QString stored = encrypted(u"b.txt.vxp"_s, u"pw12"_s);
    const QString capital = encrypted(u"c.VXP"_s, u"other"_s);
    const QString missing = path(u"d.vxp"_s);
    const QString pastTheEnd = encrypted(u"e.vxp"_s, u"never"_s);
    m_list.addItems({plain, stored, capital, missing, u""_s, pastTheEnd});

    open(Frame::Hint);
    type(u"Text10"_s, u"maste"_s);
    click(u"Command7"_s);
    EXPECT_EQ(messages(), QStringList{WrongMasterMessage});

    m_services.scripted.clear();
    type(u"Text10"_s, u"r"_s);
    click(u"Command7"_s);
    EXPECT_EQ(messages(), (QStringList{u"The  "_s + stored + u"  Password is   pw12    "_s, qt_error_string(ENOENT)}));
    EXPECT_EQ(m_services.appState.CurrentFile, missing);
    EXPECT_EQ(m_services.appState.HeaderPassword, u"pw12    "_s);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(text(u"Text10"_s), u"master"_s);

    m_services.scripted.clear();
    m_list.clear();
    click(u"Command7"_s);
    EXPECT_EQ(messages(), QStringList{u"There're no  files in chosen list"_s});

    click(u"Command8"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(text(u"Text10"_s), u""_s);
}

TEST_F(PasswordDialogTest, MaskAppliesToAllSixFields) {
    const auto echoModes = [this] {
        QList<QLineEdit::EchoMode> modes;
        for (const QString& name : FieldNames)
            modes.append(child(name)->echoMode());
        return modes;
    };
    auto* mask = child<QCheckBox>(u"Check1"_s);
    EXPECT_TRUE(mask->isChecked());
    EXPECT_EQ(echoModes(), QList<QLineEdit::EchoMode>(6, QLineEdit::Password));
    open(Frame::Hint);
    QTest::mouseClick(mask, Qt::LeftButton, {}, QPoint(5, mask->height() / 2));
    EXPECT_EQ(echoModes(), QList<QLineEdit::EchoMode>(6, QLineEdit::Normal));
    mask->setChecked(true);
    EXPECT_EQ(echoModes(), QList<QLineEdit::EchoMode>(6, QLineEdit::Password));
}

TEST_F(PasswordDialogTest, OpensCentredOverTheMainWindowWithOneFrame) {
    const struct {
        Frame frame;
        QString shown;
        QString focus;
    } cases[] = {
        {Frame::Password, u"Frame2"_s, u"Text8"_s},
        {Frame::Master, u"Frame4"_s, u"Text6"_s},
        {Frame::Hint, u"Frame5"_s, u"Text10"_s},
        {Frame::Password, u"Frame2"_s, u"Text8"_s},
    };
    m_services.window.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        m_services.window.move(m_services.window.pos() + QPoint(40, 30));
        const QRect main = m_services.window.frameGeometry();
        open(c.frame);
        EXPECT_EQ(m_dialog->size(), twips::size(3855, 2895 + 315));
        const QRect outer = m_dialog->frameGeometry();
        EXPECT_EQ(outer.topLeft(), QPoint(main.left() + (main.width() - outer.width()) / 2,
                                          main.top() + (main.height() - outer.height()) / 2));
        for (QGroupBox* frame : m_dialog->findChildren<QGroupBox*>())
            EXPECT_EQ(frame->isVisible(), frame->objectName() == c.shown) << frame->objectName().toStdString();
        EXPECT_EQ(m_dialog->focusWidget(), child(c.focus));
    }
}

TEST_F(PasswordDialogTest, TakesTheActivationBackFromTheMainWindow) {
    m_services.window.show();
    open(Frame::Password);
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_dialog->isActiveWindow(); }));

    QSignalSpy focusWindows(qApp, &QGuiApplication::focusWindowChanged);
    m_services.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusWindows.size() == 2; }));
    EXPECT_EQ(focusWindows[0][0].value<QWindow*>(), m_services.window.windowHandle());
    EXPECT_EQ(focusWindows[1][0].value<QWindow*>(), m_dialog->windowHandle());

    // Hidden, it leaves the main window alone.
    click(u"Command2"_s);
    m_services.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_services.window.isActiveWindow(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_services.window.isActiveWindow());
}
