/*
 * Builds the password dialog at the positions of its design (in twips) and carries its key rules
 * and button handlers. The master-password file and the header of an encrypted file are read and
 * written through the encrypted-file engine.
 */
#include "app/passwords/passworddialog.h"

#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/core/passwordsource.h"
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/platform/filenames.h"
#include "common/twips.h"

#include <QtCore/QTimer>
#include <QtGui/QInputMethodEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QValidator>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Design sizes in twips.
constexpr int FrameWidth = 3855;
constexpr int FrameHeight = 2895;
constexpr int ButtonWidth = 1000;
constexpr int ButtonHeight = 315;
constexpr int ButtonTop = 2160;
constexpr int OkLeft = 720;
constexpr int CancelLeft = 2280;
constexpr int FieldLeft = 2040;
constexpr int FieldWidth = 1455;
constexpr int RowHeight = 360;
constexpr int FirstRowTop = 360;
constexpr int RowPitch = 480;
constexpr int LabelLeft = 240;
// The captions reach to two pixels before their fields, so the longest ones fit with room.
constexpr int LabelWidth = FieldLeft - LabelLeft - 30;

// The most characters typing puts into a field; pasting is not limited.
constexpr qsizetype MaxTypedLength = 8;

const QString SpaceMessage = u"Please don't enter space for your password "_s;
const QString VerifyMessage = u"Verify your passwoed"_s;

// Gives a new control its design name and place.
template <typename Widget> Widget* placed(Widget* widget, const QString& name, const QRect& geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

int rowTop(int row) {
    return FirstRowTop + RowPitch * row;
}

// Passwords are Latin-1: one byte per character in every file that keeps one. A field judges its
// whole text after every change, so a character above code 255 is refused however it arrives:
// typed, composed, pasted, dropped or chosen from the context menu. The change that brings one is
// undone whole.
class Latin1Only final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        const bool latin1 = std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
        return latin1 ? Acceptable : Invalid;
    }
};

} // namespace

PasswordDialog::PasswordDialog(Dialogs& dialogs, Platform& platform, QWidget& mainWindow, ChosenListProvider chosenList)
    : QDialog(&mainWindow)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_mainWindow(mainWindow)
    , m_chosenList(std::move(chosenList)) {
    setObjectName(u"PassWord1"_s);
    setWindowTitle(u"Enter a password"_s);
    setModal(false);
    // The 8.25-point dialog font the positions were designed for, so the labels fit them.
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);

    m_workingFrame = addFrame(u"Frame2"_s, u"Enter a Password"_s);
    m_masterFrame = addFrame(u"Frame4"_s, u"Enter a Master Password"_s);
    m_recoveryFrame = addFrame(u"Frame5"_s, u"Enter a Master Password"_s);

    // Made in the order of the design, which is also the order the Tab key follows. The key
    // rules are the table of the design, one row per field: whether a space is refused, what
    // Enter does.
    m_passwordEdit = addField(m_workingFrame, u"Text8"_s, u"Enter   Password"_s, 0,
                              {true, [this] { moveFocusWhenFilled(m_passwordEdit, 1, m_verifyEdit); }});
    m_verifyEdit = addField(m_workingFrame, u"Vtext"_s, u"Verify  Password"_s, 1,
                            {false, [this] { m_passwordOkButton->click(); }});
    m_passwordOkButton = addButton(m_workingFrame, u"Command3"_s, u"Ok"_s, OkLeft, &PasswordDialog::acceptPassword);
    m_passwordCancelButton =
        addButton(m_workingFrame, u"Command2"_s, u"Cancel"_s, CancelLeft, &PasswordDialog::cancelPassword);

    m_oldMasterEdit =
        addField(m_masterFrame, u"Text6"_s, u"Enter old  Password"_s, 0,
                 {true, [this] { moveFocusWhenFilled(m_oldMasterEdit, MaxTypedLength, m_newMasterEdit); }});
    m_oldMasterEdit->setToolTip(u"For first time don't enter any thing."_s);
    m_newMasterEdit = addField(m_masterFrame, u"Text5"_s, u"Enter new Password"_s, 1,
                               {true, [this] { moveFocusWhenFilled(m_newMasterEdit, 1, m_verifyMasterEdit); }});
    m_verifyMasterEdit = addField(m_masterFrame, u"Text4"_s, u"Verify new Password"_s, 2,
                                  {false, [this] { m_masterSaveButton->setFocus(); }});
    m_masterSaveButton =
        addButton(m_masterFrame, u"Command5"_s, u"Save"_s, OkLeft, &PasswordDialog::saveMasterPassword);
    m_masterCancelButton =
        addButton(m_masterFrame, u"Command6"_s, u"Cancel"_s, CancelLeft, &PasswordDialog::cancelMasterPassword);

    m_recoveryHint = placed(new QLabel(u"to get the encrypted file's password"_s, m_recoveryFrame), u"Label10"_s,
                            twips::rect(LabelLeft, rowTop(0), 3375, RowHeight));
    m_recoveryMasterEdit = addField(m_recoveryFrame, u"Text10"_s, u"Enter   Password"_s, 1,
                                    {true, [this] { m_recoveryOkButton->setFocus(); }});
    m_recoveryOkButton =
        addButton(m_recoveryFrame, u"Command7"_s, u"Ok"_s, OkLeft, &PasswordDialog::showStoredPassword);
    m_recoveryCancelButton =
        addButton(m_recoveryFrame, u"Command8"_s, u"Cancel"_s, CancelLeft, &PasswordDialog::cancelRecovery);

    // On the dialog itself, above the frames, so that it serves all three.
    m_maskCheck = placed(new QCheckBox(u"Mask"_s, this), u"Check1"_s, twips::rect(240, 1750, 1095, 255));
    m_maskCheck->setChecked(true);
    m_maskCheck->raise();
    connect(m_maskCheck, &QCheckBox::toggled, this, &PasswordDialog::setMasked);

    // While the dialog is shown, the main window never keeps the activation: a window manager
    // hands it there when a message box of the dialog closes, and a click in the chooser takes
    // it there. The dialog takes it back, its focus where it was or where a handler put it.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        if (focused && isVisible() && focused == m_mainWindow.windowHandle())
            QTimer::singleShot(0, this, &PasswordDialog::takeFocusBack);
    });
}

QGroupBox* PasswordDialog::addFrame(const QString& name, const QString& caption) {
    auto* frame = placed(new QGroupBox(caption, this), name, twips::rect(0, 0, FrameWidth, FrameHeight));
    frame->hide();
    return frame;
}

QLineEdit* PasswordDialog::addField(QGroupBox* frame, const QString& name, const QString& label, int row,
                                    KeyRule rule) {
    auto* caption =
        placed(new QLabel(label, frame), name + u"Label"_s, twips::rect(LabelLeft, rowTop(row), LabelWidth, RowHeight));
    caption->setTextFormat(Qt::PlainText);
    auto* field = placed(new QLineEdit(frame), name, twips::rect(FieldLeft, rowTop(row), FieldWidth, RowHeight));
    field->setEchoMode(QLineEdit::Password);
    // Masked fields show "*" for every character, whatever the style's own mask character is. Set
    // on each field alone: a style sheet on the dialog would drop the design font of every child.
    field->setStyleSheet(u"lineedit-password-character: 42;"_s);
    field->setValidator(new Latin1Only(field));
    caption->setBuddy(field);
    field->installEventFilter(this);
    m_keyRules.insert(field, std::move(rule));
    return field;
}

QPushButton* PasswordDialog::addButton(QGroupBox* frame, const QString& name, const QString& caption, int left,
                                       void (PasswordDialog::*click)()) {
    auto* button =
        placed(new QPushButton(caption, frame), name, twips::rect(left, ButtonTop, ButtonWidth, ButtonHeight));
    connect(button, &QPushButton::clicked, this, click);
    return button;
}

QString PasswordDialog::currentPassword() const {
    return m_passwordEdit->text();
}

QString PasswordDialog::verifyPassword() const {
    return m_verifyEdit->text();
}

void PasswordDialog::showPasswordDialog() {
    openFrame(m_workingFrame, m_passwordEdit);
}

void PasswordDialog::showMasterPassword() {
    m_oldMasterEdit->clear();
    m_newMasterEdit->clear();
    m_verifyMasterEdit->clear();
    openFrame(m_masterFrame, m_oldMasterEdit);
}

void PasswordDialog::showPasswordHint() {
    openFrame(m_recoveryFrame, m_recoveryMasterEdit);
}

void PasswordDialog::openFrame(QGroupBox* frame, QLineEdit* firstField) {
    if (frame != m_workingFrame && isVisible() && !m_workingFrame->isHidden())
        emit workingPasswordClosed(false);
    for (QGroupBox* each : {m_workingFrame, m_masterFrame, m_recoveryFrame})
        each->setVisible(each == frame);
    setFixedSize(frame->width(), frame->height() + m_passwordOkButton->height());
    // Outer rectangles, window frames included, as a window's position is given. The dialog's
    // frame is not known before it is first shown: it is taken to be as wide as the main window's.
    const QRect main = m_mainWindow.frameGeometry();
    const QSize outer = size() + main.size() - m_mainWindow.size();
    move(main.left() + (main.width() - outer.width()) / 2, main.top() + (main.height() - outer.height()) / 2);
    firstField->setFocus();
    show();
    raise();
    activateWindow();
}

bool PasswordDialog::eventFilter(QObject* watched, QEvent* event) {
    const auto rule = m_keyRules.constFind(watched);
    if (rule == m_keyRules.cend())
        return QDialog::eventFilter(watched, event);
    auto* field = static_cast<QLineEdit*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            rule->enter();
            return true;
        }
        return discardsKey(field, *rule, key->text());
    }
    case QEvent::InputMethod:
        // A character composed from dead keys or given by an input method is typed too.
        return discardsKey(field, *rule, static_cast<QInputMethodEvent*>(event)->commitString());
    default:
        return QDialog::eventFilter(watched, event);
    }
}

bool PasswordDialog::discardsKey(QLineEdit* field, const KeyRule& rule, const QString& typed) {
    // Keys that type nothing (arrows, Delete) and control characters (Backspace, the editing
    // shortcuts such as paste) are not judged.
    if (typed.isEmpty() || !typed.front().isPrint())
        return false;
    if (typed == u" "_s && rule.refusesSpace) {
        m_dialogs.message(SpaceMessage);
        return true;
    }
    return field->text().size() >= MaxTypedLength;
}

void PasswordDialog::moveFocusWhenFilled(QLineEdit* field, qsizetype minimum, QWidget* next) {
    if (field->text().size() < minimum)
        m_dialogs.message(invalidPasswordMessage());
    else
        next->setFocus();
}

void PasswordDialog::takeFocusBack() {
    if (isVisible() && QApplication::activeWindow() == &m_mainWindow) {
        raise();
        activateWindow();
    }
}

void PasswordDialog::reject() {
    if (!m_workingFrame->isHidden())
        cancelPassword();
    else if (!m_masterFrame->isHidden())
        cancelMasterPassword();
    else
        cancelRecovery();
}

void PasswordDialog::setMasked(bool checked) {
    for (QLineEdit* field :
         {m_passwordEdit, m_verifyEdit, m_recoveryMasterEdit, m_oldMasterEdit, m_newMasterEdit, m_verifyMasterEdit})
        field->setEchoMode(checked ? QLineEdit::Password : QLineEdit::Normal);
}

void PasswordDialog::acceptPassword() {
    if (m_passwordEdit->text().isEmpty()) {
        m_dialogs.message(u"enter a password of 8 chractrs , at least one chracter"_s);
    } else if (m_passwordEdit->text() != m_verifyEdit->text()) {
        m_dialogs.message(VerifyMessage);
        m_verifyEdit->clear();
        m_verifyEdit->setFocus();
    } else {
        hide();
        emit workingPasswordClosed(true);
    }
}

void PasswordDialog::cancelPassword() {
    // A password that was not verified is not set at all, not even the one set before.
    if (m_passwordEdit->text() != m_verifyEdit->text()) {
        m_passwordEdit->clear();
        m_verifyEdit->clear();
    }
    hide();
    emit workingPasswordClosed(false);
}

MasterPasswordFile PasswordDialog::masterPasswordFile() const {
    return MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform));
}

bool PasswordDialog::masterPasswordMatches(const MasterPasswordFile& file, const QString& text) {
    const Expected<MasterPasswordFile::Check> check = file.check(text);
    if (!check) {
        m_dialogs.message(check.error().message);
        return false;
    }
    if (*check == MasterPasswordFile::Check::Differs) {
        m_dialogs.message(MasterPasswordFile::wrongPasswordMessage());
        return false;
    }
    return true;
}

void PasswordDialog::saveMasterPassword() {
    if (m_newMasterEdit->text().isEmpty()) {
        m_dialogs.message(invalidPasswordMessage());
        m_newMasterEdit->setFocus();
        return;
    }
    if (m_newMasterEdit->text() != m_verifyMasterEdit->text()) {
        m_dialogs.message(VerifyMessage);
        m_verifyMasterEdit->clear();
        m_verifyMasterEdit->setFocus();
        return;
    }
    const MasterPasswordFile file = masterPasswordFile();
    if (!masterPasswordMatches(file, m_oldMasterEdit->text()))
        return;
    if (const Expected<void> saved = file.write(m_verifyMasterEdit->text()); !saved)
        return m_dialogs.message(saved.error().message);
    hide();
    m_dialogs.message(u"Your new password is accepted"_s);
}

void PasswordDialog::cancelMasterPassword() {
    hide();
}

void PasswordDialog::showStoredPassword() {
    if (m_recoveryMasterEdit->text().isEmpty())
        return m_dialogs.message(invalidPasswordMessage());
    if (!masterPasswordMatches(masterPasswordFile(), m_recoveryMasterEdit->text()))
        return;
    const ChosenFiles* list = m_chosenList ? m_chosenList() : nullptr;
    const QStringList entries = list ? list->paths() : QStringList();
    if (entries.isEmpty() || entries.first().isEmpty()) {
        m_dialogs.message(u"There're no  files in chosen list"_s);
        activateWindow();
        return;
    }
    revealStoredPasswords(entries);
}

void PasswordDialog::revealStoredPasswords(const QStringList& entries) {
    for (const QString& entry : entries) {
        if (entry.isEmpty())
            break;
        if (!entry.endsWith(u".vxp"_s, Qt::CaseSensitive))
            continue;
        if (const Expected<void> usable = FileNames::usable(entry); !usable) {
            m_dialogs.message(usable.error().message);
            continue;
        }
        const Expected<EncryptedHeader> header = CipherPass::readHeader(entry);
        // A file that has gone or cannot be read is reported, and the next entry still runs.
        if (!header) {
            m_dialogs.message(header.error().message);
            continue;
        }
        m_dialogs.message(u"The  "_s + entry + u"  Password is   "_s + header->headerPassword);
    }
}

void PasswordDialog::cancelRecovery() {
    m_recoveryMasterEdit->clear();
    hide();
}
