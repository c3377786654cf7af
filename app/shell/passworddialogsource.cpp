/*
 * The password dialog in its role as the working password's source.
 */
#include "app/shell/passworddialogsource.h"

PasswordDialog& PasswordDialogSource::dialog() {
    if (!m_dialog)
        m_dialog = new PasswordDialog(m_dialogs, m_platform, m_mainWindow, m_chosenList);
    return *m_dialog;
}

QString PasswordDialogSource::currentPassword() {
    return dialog().currentPassword();
}

QString PasswordDialogSource::verifyPassword() {
    return dialog().verifyPassword();
}

void PasswordDialogSource::askForPassword() {
    dialog().showPasswordDialog();
}
