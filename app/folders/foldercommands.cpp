/*
 * The folder commands: what the user is asked and shown around the lock engine's steps.
 */
#include "foldercommands.h"

#include "apptitle.h"
#include "dialogs.h"
#include "folderlock.h"
#include "mainwindowservices.h"
#include "passworddialog.h"
#include "spassword1.h"

using namespace Qt::StringLiterals;

namespace {

// Shows the messages in order, then points the tree at a renamed folder: the chooser shows it
// under its new name, and its file list is disabled while the folder is locked.
void report(MainWindowServices& services, const FolderLock::Result& result) {
    for (const QString& message : result.messages)
        services.dialogs().message(message);
    // Asked for after the messages: a modal box lets the user close the chooser meanwhile.
    Spassword1* chooser = services.chooser();
    if (chooser && !result.folderPath.isEmpty())
        chooser->openFolder(result.folderPath);
}

} // namespace

QString FolderCommands::highlightedFolder() const {
    const Spassword1* chooser = m_services.chooser();
    return chooser ? chooser->highlightedFolder() : QString();
}

void FolderCommands::FolderLock_Click() {
    const QString password = m_services.currentPassword();
    if (password.isEmpty()) {
        m_services.ShowPasswordDialog();
        return;
    }
    const QString folder = highlightedFolder();
    if (folder.isEmpty()) {
        // With the chooser closed no folder is highlighted.
        m_services.dialogs().message(u"Please click the folder to lock."_s);
        return;
    }
    report(m_services, FolderLock(m_services.platform()).lock(folder, password));
}

void FolderCommands::FolderUnlock_Click() {
    const QString password = m_services.currentPassword();
    if (password.isEmpty()) {
        m_services.ShowPasswordDialog();
        return;
    }
    // The engine refuses the empty path of a closed chooser like a volume root.
    report(m_services, FolderLock(m_services.platform()).unlock(highlightedFolder(), password));
}

void FolderCommands::UnWithMaster_Click() {
    const QString masterPassword =
        m_services.dialogs().input(u"Enter your Master password"_s, applicationTitle(), QString());
    if (masterPassword.isEmpty()) {
        m_services.dialogs().message(PassWord1::invalidPasswordMessage());
        return;
    }
    report(m_services, FolderLock(m_services.platform()).unlockWithMaster(highlightedFolder(), masterPassword));
}
