/*
 * The working password as the commands use it: what the password dialog holds and the way to
 * ask the user for one. The main window answers through its password dialog.
 */
#pragma once

#include <QtCore/QString>

class PasswordSource {
public:
    virtual ~PasswordSource() = default;

    // The working password `CurrentPassword`; empty when none is set.
    virtual QString currentPassword() = 0;
    // The text of the dialog's verify box `Vtext`.
    virtual QString verifyPassword() = 0;
    // Opens the password dialog on its working-password frame (`ShowPasswordDialog`).
    virtual void askForPassword() = 0;
};

// The message for a password that is empty or not accepted.
inline QString invalidPasswordMessage() {
    return QStringLiteral("Invalid Password! Please enter password of 8 Chracters , at least one chracter");
}
