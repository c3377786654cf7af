/*
 * The password dialog driven through its widgets: the key rules of the six fields, "Ok",
 * "Cancel" and "Save" of each frame, showing stored passwords, "Mask", placement over the main
 * window and taking the activation back from it.
 */
#include "passworddialog.h"

#include "encryptedformat.h"
#include "fakeservices.h"
#include "masterpasswordfile.h"
#include "tempenv.h"

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

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString WrongMasterMessage = u"Invalid Master password! try to remember your old one "_s;
const QStringList FieldNames{u"Text8"_s, u"Vtext"_s, u"Text10"_s, u"Text6"_s, u"Text5"_s, u"Text4"_s};

} // namespace

class PasswordDialogTest : public TempEnvTest {
protected:
    // The three openings, one per frame.
    using Frame = void (PassWord1::*)();
    static constexpr Frame Password = &PassWord1::ShowPasswordDialog;
    static constexpr Frame Master = &PassWord1::showMasterPassword;
    static constexpr Frame Hint = &PassWord1::showPasswordHint;

    void SetUp() override {
        TempEnvTest::SetUp();
        m_dialog = new PassWord1(
            m_services, [this] { return &m_list; }, &m_services.window);
    }

    void open(Frame frame) {
        m_services.scripted.clear();
        (m_dialog->*frame)();
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
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    QString text(const QString& field) const { return child(field)->text(); }
    QStringList messages() const { return m_services.scripted.texts(); }
    QString masterFile() const { return MasterPasswordFile::defaultPath(m_services.testPlatform); }

    FakeServices m_services;
    QListWidget m_list;
    PassWord1* m_dialog = nullptr;
};

TEST_F(PasswordDialogTest, TypingRulesAndMaskOfEveryField) {
    for (const QString& name : FieldNames) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(child(name)->echoMode(), QLineEdit::Password);
        child(name)->setText(u"ab"_s);
        EXPECT_EQ(child(name)->displayText(), u"**"_s);
        child(name)->clear();
        const bool refusesSpace = name != u"Vtext"_s && name != u"Text4"_s;
        m_services.scripted.clear();
        type(name, u" "_s);
        EXPECT_EQ(text(name), refusesSpace ? u""_s : u" "_s);
        EXPECT_EQ(messages(),
                  refusesSpace ? QStringList{u"Please don't enter space for your password "_s} : QStringList{});

        child(name)->clear();
        type(name, u"abcdefghi"_s);
        EXPECT_EQ(text(name), u"abcdefgh"_s);
        QTest::keyClick(child(name), Qt::Key_Backspace);
        // Nothing above code 255 is typed, neither as a key nor composed by an input method.
        typeKey(name, u"\u0100"_s);
        QInputMethodEvent composed;
        composed.setCommitString(u"\u0101"_s);
        QApplication::sendEvent(child(name), &composed);
        typeKey(name, u"\u00e9"_s);
        EXPECT_EQ(text(name), u"abcdefg\u00e9"_s);
        // Pasted text is not limited.
        child(name)->insert(u"jk"_s);
        EXPECT_EQ(text(name), u"abcdefg\u00e9jk"_s);
    }
    // "Mask" serves all six fields, whichever frame shows.
    open(Hint);
    auto* mask = child<QCheckBox>(u"Check1"_s);
    QTest::mouseClick(mask, Qt::LeftButton, {}, QPoint(5, mask->height() / 2));
    for (const QString& name : FieldNames)
        EXPECT_EQ(child(name)->echoMode(), QLineEdit::Normal) << name.toStdString();
}

TEST_F(PasswordDialogTest, EnterInEveryField) {
    const QString invalid = PassWord1::invalidPasswordMessage();
    const struct {
        Frame frame;
        QString field, typed, message;
        QString focus; // empty: the dialog is hidden
    } cases[] = {
        {Password, u"Text8"_s, u""_s, invalid, u"Text8"_s},
        {Password, u"Text8"_s, u"a"_s, {}, u"Vtext"_s},
        {Hint, u"Text10"_s, u""_s, {}, u"Command7"_s},
        {Master, u"Text6"_s, u"abcdefg"_s, invalid, u"Text6"_s},
        {Master, u"Text6"_s, u"abcdefgh"_s, {}, u"Text5"_s},
        {Master, u"Text5"_s, u""_s, invalid, u"Text5"_s},
        {Master, u"Text5"_s, u"a"_s, {}, u"Text4"_s},
        {Master, u"Text4"_s, u""_s, {}, u"Command5"_s},
        // Enter in Vtext presses "Ok", which hides the dialog when both fields agree.
        {Password, u"Vtext"_s, u"a"_s, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field.toStdString() + " typed " + c.typed.toStdString());
        open(c.frame);
        child(c.field)->setText(c.typed);
        child(c.field)->setFocus();
        QTest::keyClick(child(c.field), Qt::Key_Return);
        EXPECT_EQ(messages(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_EQ(m_dialog->isVisible() ? m_dialog->focusWidget()->objectName() : QString(), c.focus);
    }
}

TEST_F(PasswordDialogTest, OkSetsOnlyAVerifiedPasswordAndCancelDropsAnUnverifiedOne) {
    open(Password);
    click(u"Command3"_s);
    EXPECT_EQ(messages(), QStringList{u"enter a password of 8 chractrs , at least one chracter"_s});
    type(u"Text8"_s, u"Secret1"_s);
    type(u"Vtext"_s, u"secret1"_s);
    click(u"Command3"_s);
    EXPECT_EQ(messages().last(), u"Verify your passwoed"_s);
    EXPECT_EQ(text(u"Vtext"_s), u""_s);
    EXPECT_TRUE(m_dialog->isVisible());
    type(u"Vtext"_s, u"Secret1"_s);
    click(u"Command3"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->currentPassword(), u"Secret1"_s);

    // "Cancel" or Escape keeps a verified password; an unverified one clears the old one too.
    for (const auto& [verify, byEscape] : {std::pair{u"Secret2"_s, false}, {u"Secret"_s, false}, {u"Secret"_s, true}}) {
        SCOPED_TRACE(verify.toStdString() + (byEscape ? " Escape" : " Cancel"));
        open(Password);
        // Opened again, both fields show the password that is set.
        EXPECT_EQ(text(u"Vtext"_s), m_dialog->currentPassword());
        child(u"Text8"_s)->setText(u"Secret2"_s);
        child(u"Vtext"_s)->setText(verify);
        if (byEscape)
            QTest::keyClick(child(u"Vtext"_s), Qt::Key_Escape);
        else
            click(u"Command2"_s);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->currentPassword(), verify == u"Secret2"_s ? verify : u""_s);
    }
}

TEST_F(PasswordDialogTest, MasterPasswordChangesOnlyWithTheOldOne) {
    const auto save = [this](const QString& old, const QString& next) {
        open(Master);
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

    // A file that cannot be read is reported, and nothing is saved.
    ASSERT_TRUE(QFile::remove(masterFile()) && QDir().mkpath(masterFile()));
    QFile unreadable(masterFile());
    EXPECT_FALSE(unreadable.open(QIODevice::ReadOnly));
    save(u""_s, u"abc"_s);
    EXPECT_EQ(messages(), QStringList{unreadable.errorString()});
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(PasswordDialogTest, OkOfTheHintShowsTheStoredPasswords) {
    ASSERT_TRUE(MasterPasswordFile(masterFile()).write(u"master"_s));
    const auto encrypted = [this](const QString& name, const QString& password) {
        return makeFile(
            name, EncryptedFormat::header(EncryptedFormat::PasswordField(password), SecurityLevel::Low, 32) + "body");
    };
    const QString stored = encrypted(u"b.txt.vxp"_s, u"pw12"_s);
    const QString missing = path(u"d.vxp"_s);
    // Only names ending in ".vxp" are read; a file that is gone is reported and the next runs;
    // the first empty entry ends the list.
    m_list.addItems({makeFile(u"a.txt"_s, 5), stored, encrypted(u"c.VXP"_s, u"other"_s), missing, u""_s,
                     encrypted(u"e.vxp"_s, u"never"_s)});

    open(Hint);
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

    m_services.scripted.clear();
    m_list.clear();
    click(u"Command7"_s);
    EXPECT_EQ(messages(), QStringList{u"There're no  files in chosen list"_s});
    click(u"Command8"_s);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(text(u"Text10"_s), u""_s);
}

TEST_F(PasswordDialogTest, OpensCentredOverTheMainWindowWithOneFrame) {
    const struct {
        Frame frame;
        QString shown, focus;
    } cases[] = {
        {Password, u"Frame2"_s, u"Text8"_s},
        {Master, u"Frame4"_s, u"Text6"_s},
        {Hint, u"Frame5"_s, u"Text10"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        m_services.window.move(m_services.window.pos() + QPoint(40, 30));
        const QRect main = m_services.window.frameGeometry();
        open(c.frame);
        const QRect outer = m_dialog->frameGeometry();
        EXPECT_EQ(outer.topLeft(), QPoint(main.left() + (main.width() - outer.width()) / 2,
                                          main.top() + (main.height() - outer.height()) / 2));
        for (QGroupBox* frame : m_dialog->findChildren<QGroupBox*>())
            EXPECT_EQ(frame->isVisible(), frame->objectName() == c.shown) << frame->objectName().toStdString();
        EXPECT_EQ(m_dialog->focusWidget(), child(c.focus));
    }
}

TEST_F(PasswordDialogTest, TakesTheActivationBackFromTheMainWindow) {
    open(Password);
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
