/*
 * The folder commands of the main window: "Folder Lock", "Folder Unlock" (from the File menu
 * and the `Folder` pop-up) and "Unlock with Master Password". Each acts on the folder
 * highlighted in the chooser's folder tree, shows the lock engine's messages in their order and,
 * once the folder has its new name, points the tree at it so the chooser follows the folder. None
 * of them looks at Busy.
 */
#pragma once

#include "app/core/filechooser.h"

#include <QtCore/QString>

#include <utility>

class Dialogs;
class PasswordSource;
class Platform;

class FolderCommands {
public:
    FolderCommands(Dialogs& dialogs, Platform& platform, PasswordSource& passwords, ChooserLookup chooser)
        : m_dialogs(dialogs)
        , m_platform(platform)
        , m_passwords(passwords)
        , m_chooser(std::move(chooser)) {}

    // Locks the highlighted folder with the working password; without one, opens the password
    // dialog instead.
    void lockFolder();
    // Unlocks the highlighted folder with the working password; without one, opens the password
    // dialog instead.
    void unlockFolder();
    // Asks for the master password and unlocks the highlighted folder with it.
    void unlockWithMasterPassword();

private:
    // The folder tree's highlighted entry; empty while the chooser is closed.
    QString highlightedFolder() const;

    Dialogs& m_dialogs;
    Platform& m_platform;
    PasswordSource& m_passwords;
    ChooserLookup m_chooser;
};
