/*
 * The folder commands: what the user is asked and shown around the lock engine's steps.
 */
#include "app/folders/foldercommands.h"

#include "app/core/apptitle.h"
#include "app/core/dialogs.h"
#include "app/core/passwordsource.h"
#include "app/folders/engine/folderlock.h"

using namespace Qt::StringLiterals;

namespace {

// Points the tree at a renamed folder, then shows the messages in order: while they are on
// screen the chooser already shows the folder under its new name (its file list disabled while
// the folder is locked), rather than a highlight that lost its folder to the rename.
void report(const ChooserLookup& lookup, Dialogs& dialogs, const FolderLock::Result& result) {
    FileChooser* chooser = lookup();
    if (chooser && !result.folderPath.isEmpty())
        chooser->openFolder(result.folderPath);
    for (const QString& message : result.messages)
        dialogs.message(message);
}

} // namespace

QString FolderCommands::highlightedFolder() const {
    const FileChooser* chooser = m_chooser();
    return chooser ? chooser->highlightedFolder() : QString();
}

void FolderCommands::lockFolder() {
    const QString password = m_passwords.currentPassword();
    if (password.isEmpty()) {
        m_passwords.askForPassword();
        return;
    }
    const QString folder = highlightedFolder();
    if (folder.isEmpty()) {
        // With the chooser closed no folder is highlighted.
        m_dialogs.message(u"Please click the folder to lock."_s);
        return;
    }
    report(m_chooser, m_dialogs, FolderLock(m_platform).lock(folder, password));
}

void FolderCommands::unlockFolder() {
    const QString password = m_passwords.currentPassword();
    if (password.isEmpty()) {
        m_passwords.askForPassword();
        return;
    }
    // The engine refuses the empty path of a closed chooser like a volume root.
    report(m_chooser, m_dialogs, FolderLock(m_platform).unlock(highlightedFolder(), password));
}

void FolderCommands::unlockWithMasterPassword() {
    const QString masterPassword = m_dialogs.input(u"Enter your Master password"_s, applicationTitle(), QString());
    if (masterPassword.isEmpty()) {
        m_dialogs.message(invalidPasswordMessage());
        return;
    }
    report(m_chooser, m_dialogs, FolderLock(m_platform).unlockWithMaster(highlightedFolder(), masterPassword));
}
