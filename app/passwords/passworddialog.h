/*
 * The password dialog `PassWord1`: a small modeless window with three frames in one place, one
 * of them visible at a time. `Frame2` sets the working password (`Text8`, repeated in `Vtext`),
 * `Frame4` sets the master password, `Frame5` shows the passwords stored in the encrypted files
 * of the chooser's chosen-file list. The main window makes it once and afterwards only hides and
 * shows it, so its fields, and the working password with them, last for the whole run.
 */
#pragma once

#include "app/crypt/engine/masterpasswordfile.h"

#include <QtCore/QHash>
#include <QtWidgets/QDialog>

#include <functional>

class ChosenFiles;
class Dialogs;
class Platform;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class PasswordDialog final : public QDialog {
    Q_OBJECT

public:
    // The chooser's chosen-file list `List1`; nullptr while there is no chooser.
    using ChosenListProvider = std::function<ChosenFiles*()>;

    // The dialog belongs to the main window and centres itself over it.
    PasswordDialog(Dialogs& dialogs, Platform& platform, QWidget& mainWindow, ChosenListProvider chosenList);

    // The three openings show their frame and return at once. None of them gates: the command
    // gate (activeListKind to None, nothing while Busy) belongs to the menu procedure that calls.
    // `Frame2`, with the fields as they were: a password already set shows in both.
    void showPasswordDialog();
    // `Frame4` with its three fields cleared: the opening of `altern_Click`.
    void showMasterPassword();
    // `Frame5`: the opening of `PasHint_Click`.
    void showPasswordHint();

    // `CurrentPassword`: the text of `Text8`, empty when no password is set. The fields' texts
    // are the line edits' own (with their undo steps and drawn text): Qt gives no way to wipe
    // them, and a cleared field frees its text as it is. The copies callers take are theirs to wipe.
    QString currentPassword() const;
    // The text of the verify box `Vtext`.
    QString verifyPassword() const;

signals:
    // The working-password frame `Frame2` was left: by "Ok" with a verified password (accepted),
    // or by "Cancel", Escape, the close button or another frame taking its place.
    void workingPasswordClosed(bool accepted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and the window's close button act as the visible frame's "Cancel", so a password
    // that was never verified does not stay in force.
    void reject() override;

private:
    // What a field does with the keys of its row in the key rules.
    struct KeyRule {
        bool refusesSpace;
        std::function<void()> enter;
    };

    QGroupBox* addFrame(const QString& name, const QString& caption);
    QLineEdit* addField(QGroupBox* frame, const QString& name, const QString& label, int row, KeyRule rule);
    QPushButton* addButton(QGroupBox* frame, const QString& name, const QString& caption, int left,
                           void (PasswordDialog::*click)());
    // Whether a typed key is discarded; shows the message the rules give for it.
    bool discardsKey(QLineEdit* field, const KeyRule& rule, const QString& typed);
    // Enter in a field that needs at least `minimum` characters before the focus moves on.
    void moveFocusWhenFilled(QLineEdit* field, qsizetype minimum, QWidget* next);
    void openFrame(QGroupBox* frame, QLineEdit* firstField);
    MasterPasswordFile masterPasswordFile() const;
    // The master-password check; shows why when the text is not the master password.
    bool masterPasswordMatches(const MasterPasswordFile& file, const QString& text);
    void takeFocusBack();

    void setMasked(bool checked);
    void acceptPassword();
    void cancelPassword();
    void saveMasterPassword();
    void cancelMasterPassword();
    void showStoredPassword();
    void cancelRecovery();
    // Shows the password stored in each encrypted file among the chosen-file list's entries.
    void revealStoredPasswords(const QStringList& entries);

    Dialogs& m_dialogs;
    Platform& m_platform;
    QWidget& m_mainWindow;
    ChosenListProvider m_chosenList;
    QHash<const QObject*, KeyRule> m_keyRules;

    // The controls keep the names of the window design.
    QGroupBox* m_workingFrame;
    QGroupBox* m_masterFrame;
    QGroupBox* m_recoveryFrame;
    QLabel* m_recoveryHint;
    QLineEdit* m_passwordEdit;
    QLineEdit* m_verifyEdit;
    QLineEdit* m_oldMasterEdit;
    QLineEdit* m_newMasterEdit;
    QLineEdit* m_verifyMasterEdit;
    QLineEdit* m_recoveryMasterEdit;
    QPushButton* m_passwordOkButton;
    QPushButton* m_passwordCancelButton;
    QPushButton* m_masterSaveButton;
    QPushButton* m_masterCancelButton;
    QPushButton* m_recoveryOkButton;
    QPushButton* m_recoveryCancelButton;
    QCheckBox* m_maskCheck;
};
