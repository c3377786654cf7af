/*
 * The lock and unlock commands' steps, in the order the user sees their messages.
 */
#include "app/folders/engine/folderlock.h"

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/fileio/fileio.h"
#include "app/folders/engine/folderpasswordfile.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/attributes.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

using Outcome = FolderLock::Result::Outcome;

using Refusal = FolderLock::Result::Refusal;

FolderLock::Result refused(Refusal refusal, const QString& message) {
    return {Outcome::Refused, {message}, {}, refusal};
}

FolderLock::Result failed(const QString& message) {
    return {Outcome::Failed, {message}, {}};
}

// A file or folder of that name, or a symbolic link, even one that leads nowhere.
bool entryExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Whether the folder holds a file named like the running executable: a copy of this program.
bool holdsExecutable(const QString& folderPath) {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (name.isEmpty())
        return false;
    const QFileInfo entry(folderPath + u'/' + name);
    return (entry.exists() || entry.isSymLink()) && !entry.isDir();
}

// Anything but a full path cannot be a folder of the tree; it is refused like a volume root.
bool isRootOrNoFolder(const Platform& platform, const QString& path) {
    return !QDir::isAbsolutePath(path) || platform.isVolumeRoot(path);
}

// rename(2) itself: it renames folders, follows no link and gives the system's reason.
Expected<void> renameFolder(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    return unexpected(Error::fromCode(errno));
}

} // namespace

FolderLock::FolderLock(Platform& platform)
    : m_platform(platform) {}

FolderLock::FolderPathParts FolderLock::splitFolderPath(const QString& folderPath) {
    const qsizetype slash = folderPath.lastIndexOf(u'/');
    return {folderPath.mid(slash + 1), folderPath.left(slash + 1)};
}

QString FolderLock::findFreeLockName(const QString& parentPath, const QString& folderName) {
    QString lockedName = folderName;
    QString n;
    while (QFileInfo(parentPath + lockedName + n + ChooserRules::LockExtension).isDir()) {
        lockedName += n;
        n = QString::number(n.toLongLong() + 1);
    }
    return lockedName + n;
}

QString FolderLock::findFreeUnlockName(const QString& parentPath, const QString& formerName) {
    QString n;
    while (entryExists(parentPath + formerName + n))
        n = QString::number(n.toLongLong() + 1);
    return formerName + n;
}

Expected<void, FolderLock::Refused> FolderLock::lockable(const QString& folderPath) const {
    const auto refuse = [](Refusal rule, const QString& message) { return Unexpected(Refused{rule, message}); };
    const QString path = QDir::cleanPath(folderPath);
    // The tree's text may stand for another folder, or for none.
    if (const Expected<void> usable = FileNames::usable(path); !usable)
        return refuse(Refusal::UnusableName, usable.error().message);
    if (m_protectedFolders.isSystemFolder(path))
        return refuse(Refusal::SystemFolder,
                      u"It's dangerous to Lock windows folder or subfolder! .. can't lock windows."_s);
    if (m_protectedFolders.isProgramFolder(path))
        return refuse(Refusal::ProgramFolder, u"It's dangerous to Lock Program files! .. can't lock Program Files."_s);
    if (holdsExecutable(path) || m_protectedFolders.isOwnFolder(path) || path.endsWith(u"MyList"))
        return refuse(Refusal::OwnFolder, u"It's dangerous to Lock Myself ! .. can't lock Vexa Password."_s);
    if (isRootOrNoFolder(m_platform, path))
        return refuse(Refusal::NoFolder, u"Please click the folder to lock."_s);
    if (ChooserRules::isLockedFolder(path))
        return refuse(Refusal::AlreadyLocked, u" Folder's path  is already locked."_s);
    if (QFileInfo(path).isSymLink())
        return refuse(Refusal::SymbolicLink, u"This folder is a symbolic link: it can't be locked."_s);
    if (!FolderPasswordFile::canStoreName(splitFolderPath(path).folderName))
        return refuse(Refusal::LineBreak,
                      u"This folder's name holds a line break: it can't be locked. Please rename this folder."_s);
    // The folder's own file of the seal's name would be taken for the seal, and deleted by the
    // unlock.
    if (const FolderPasswordFile seal(path); seal.exists())
        return refuse(Refusal::SealExists,
                      seal.path() + u" already exists: the folder can't be locked. Please rename that file."_s);
    return {};
}

FolderLock::Result FolderLock::lock(const QString& folderPath, const QString& currentPassword) {
    if (currentPassword.isEmpty())
        return {Outcome::NoPassword, {}, {}};
    const QString path = QDir::cleanPath(folderPath);
    if (const Expected<void, Refused> allowed = lockable(path); !allowed)
        return refused(allowed.error().rule, allowed.error().message);
    if (!FolderPasswordFile::canStorePassword(currentPassword))
        return refused(Refusal::UnstorablePassword,
                       u"This password can't lock a folder: it holds a character that can't be stored. "
                       "Please choose another password."_s);

    const auto [folderName, parentPath] = splitFolderPath(path);
    const QString lockedName = findFreeLockName(parentPath, folderName);
    // Checked before anything is written, so that the refusal leaves the folder untouched.
    if (lockedName.size() > LockedNameLimit)
        return refused(Refusal::NameTooLong, u"Long folder name , please rename this folder"_s);

    FolderPasswordFile seal(path);
    if (const Expected<void> written = seal.writeFolderPasswordFile(currentPassword, folderName); !written)
        return failed(written.error().message);
    const QString lockedPath = parentPath + lockedName + ChooserRules::LockExtension;
    if (const Expected<void> renamed = renameFolder(path, lockedPath); !renamed) {
        // A folder that keeps its name must not keep a new password file either.
        Result result = failed(renamed.error().message);
        if (const Expected<void> restored = seal.restore(); !restored)
            result.messages.append(restored.error().message);
        return result;
    }

    Result result{Outcome::Done, {u"The folder successfully Locked."_s}, lockedPath};
    // The seal reached the disk before the rename; the new name does once the parent is flushed.
    if (const Expected<void> synced = FileIo::syncFolderOf(lockedPath); !synced)
        result.messages.append(synced.error().message);
    // The name and the password file are what lock the folder; a file system that keeps no
    // attributes leaves it locked without the mark, and the user is told why.
    if (const Expected<void> marked = m_platform.setAttributes(lockedPath, Attr::System); !marked)
        result.messages.append(marked.error().message);
    return result;
}

FolderLock::Result FolderLock::unlock(const QString& folderPath, const QString& currentPassword) {
    if (currentPassword.isEmpty())
        return {Outcome::NoPassword, {}, {}};
    return unlockFolder(folderPath, currentPassword);
}

FolderLock::Result FolderLock::unlockWithMaster(const QString& folderPath, const QString& masterPassword) {
    // The master check of an empty text would pass while no master password is saved.
    if (masterPassword.isEmpty())
        return {Outcome::NoPassword, {}, {}};
    const Expected<MasterPasswordFile::Check> check =
        MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).check(masterPassword);
    if (!check)
        return failed(check.error().message);
    if (*check == MasterPasswordFile::Check::Differs)
        return refused(Refusal::WrongMasterPassword, MasterPasswordFile::wrongPasswordMessage());
    return unlockFolder(folderPath, std::nullopt);
}

FolderLock::Result FolderLock::unlockFolder(const QString& folderPath, const std::optional<QString>& currentPassword) {
    const QString path = QDir::cleanPath(folderPath);
    if (const Expected<void> usable = FileNames::usable(path); !usable)
        return refused(Refusal::UnusableName, usable.error().message);
    if (isRootOrNoFolder(m_platform, path))
        return refused(Refusal::NoFolder, u"Please click the folder to unlock."_s);
    if (!ChooserRules::isLockedFolder(path))
        return refused(Refusal::NotLocked, u"This folder is unlocked"_s);
    if (QFileInfo(path).isSymLink())
        return refused(Refusal::SymbolicLink, u"This folder is a symbolic link: it can't be unlocked."_s);
    const FolderPasswordFile seal(path);
    if (!seal.exists())
        return refused(Refusal::NoSeal, u"Missing password information"_s);
    const Expected<FolderPasswordFile::Lines> lines = seal.read();
    if (!lines)
        return failed(lines.error().message);
    if (currentPassword &&
        FolderPasswordFile::unscramble(lines->sealBuffer) != EncryptedFormat::passwordFieldOf(*currentPassword))
        return refused(Refusal::WrongPassword, u" Invalid password"_s);

    Result result{Outcome::Failed, {}, {}};
    const QString parentPath = splitFolderPath(path).parentPath;
    const QString formerName = findFreeUnlockName(parentPath, lines->formerName);
    if (formerName != lines->formerName)
        result.messages.append(u"Folder will be named as "_s + formerName);
    const QString unlockedPath = parentPath + formerName;
    if (const Expected<void> renamed = renameFolder(path, unlockedPath); !renamed) {
        result.messages.append(renamed.error().message);
        return result;
    }
    result.outcome = Outcome::Done;
    result.folderPath = unlockedPath;
    result.messages.append(u"The folder successfully unlocked."_s);
    // Only the seal that was read is deleted, and only while it is unchanged.
    Expected<void> finished = FileIo::syncFolderOf(unlockedPath);
    if (finished)
        finished = FolderPasswordFile(unlockedPath).remove(lines->seen);
    if (finished)
        finished = m_platform.setAttributes(unlockedPath, Attr::Normal);
    if (!finished)
        result.messages.append(finished.error().message);
    return result;
}
