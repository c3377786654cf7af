/*
 * Locking and unlocking folders, without any window. A lock renames a folder to its name plus
 * ChooserRules::LockExtension (the ending the chooser knows locked folders by), leaves the
 * folder password file inside it and gives it the System attribute; an unlock checks the
 * password (or the master password), gives the folder back its former name, deletes the file
 * and clears the attributes. The content of the folder is not touched.
 *
 * Each command returns the messages to show, in the order the user is to see them, and the
 * folder's new path for the folder tree. Refusals and failures before the rename leave
 * everything on disk as it was.
 */
#pragma once

#include "app/folders/engine/protectedfolders.h"
#include "common/expected.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>
#include <utility>

class Platform;

class FolderLock {
public:
    // The longest name, without the lock extension, a lock gives a folder.
    static constexpr qsizetype LockedNameLimit = 200;

    struct FolderPathParts {
        // The text after the last "/".
        QString folderName;
        // The text up to and including the last "/".
        QString parentPath;
    };

    struct Result {
        enum class Outcome {
            // No password was given: the command asks for one instead (the password dialog for
            // a lock or unlock, the invalid-password message for the master unlock).
            NoPassword,
            // A rule or a wrong password refused the command; nothing changed.
            Refused,
            // A file-system step failed before the folder was renamed; nothing changed.
            Failed,
            // The folder was renamed. A later step may have failed: its message is the last.
            Done,
        };
        // Which rule refused the command (Outcome::Refused), for a caller that words it its own way.
        enum class Refusal {
            None,
            UnusableName,
            SystemFolder,
            ProgramFolder,
            OwnFolder,
            NoFolder,
            AlreadyLocked,
            SymbolicLink,
            LineBreak,
            SealExists,
            UnstorablePassword,
            NameTooLong,
            NotLocked,
            NoSeal,
            WrongPassword,
            WrongMasterPassword,
        };
        Outcome outcome = Outcome::Refused;
        QStringList messages;
        // The folder under its new name once it was renamed, for the folder tree; else empty.
        QString folderPath;
        Refusal refusal = Refusal::None;
    };

    explicit FolderLock(Platform& platform);

    static FolderPathParts splitFolderPath(const QString& folderPath);
    // lockedName: the folder's name with numbers appended, each to the name reached so far
    // (Docs, Docs1, Docs12, Docs123, ...), until no folder parentPath + lockedName + the lock
    // extension exists.
    static QString findFreeLockName(const QString& parentPath, const QString& folderName);
    // The completed formerName: formerName, then formerName + 1, + 2, ... until nothing of that
    // name exists in parentPath.
    static QString findFreeUnlockName(const QString& parentPath, const QString& formerName);

    // Why the folder may not be locked, the first rule that applies, in order: a name the program
    // can't name exactly (FileNames); system folders,
    // the home folder and those above it; /opt, the program's folder and those above it; a
    // folder holding a file named like the running executable, the program's per-user folders;
    // a path ending with "MyList"; a volume root; a locked folder; a symbolic link; a name with
    // a line break; a folder that already holds a file of the seal's name. Succeeds when none
    // applies; a refusal names its rule, for a caller that words it its own way.
    struct Refused {
        Result::Refusal rule;
        QString message;
    };
    Expected<void, Refused> lockable(const QString& folderPath) const;

    Result lock(const QString& folderPath, const QString& currentPassword);
    Result unlock(const QString& folderPath, const QString& currentPassword);
    // Checks masterPassword against the master-password file first, then unlocks as unlock()
    // does without comparing the stored password.
    Result unlockWithMaster(const QString& folderPath, const QString& masterPassword);

private:
    // The unlock steps both unlocks share; the stored password is compared when one is given.
    Result unlockFolder(const QString& folderPath, const std::optional<QString>& currentPassword);

    Platform& m_platform;
    ProtectedFolders m_protectedFolders{m_platform};
};
