/*
 * The working password as the password dialog holds it. The dialog is made on first use and then
 * only shown and hidden, so its fields, and the working password with them, last for the run.
 */
#pragma once

#include "app/core/passwordsource.h"
#include "app/passwords/passworddialog.h"

class Dialogs;
class Platform;

class PasswordDialogSource final : public PasswordSource {
public:
    // The dialog belongs to mainWindow and centres over it.
    PasswordDialogSource(Dialogs& dialogs, Platform& platform, QWidget& mainWindow,
                         PasswordDialog::ChosenListProvider chosenList)
        : m_dialogs(dialogs)
        , m_platform(platform)
        , m_mainWindow(mainWindow)
        , m_chosenList(std::move(chosenList)) {}

    PasswordDialog& dialog();

    QString currentPassword() override;
    QString verifyPassword() override;
    void askForPassword() override;

private:
    Dialogs& m_dialogs;
    Platform& m_platform;
    QWidget& m_mainWindow;
    PasswordDialog::ChosenListProvider m_chosenList;
    PasswordDialog* m_dialog = nullptr;
};
