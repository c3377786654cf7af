/*
 * One pass per file among the user's own running copies (the window, the command line; from a
 * desktop session, cron or ssh alike). The locks live in ".local/state/vexa-password/locks" under
 * the home folder the password database gives the account (not $HOME, which each session sets its
 * own way), each folder on the way the user's own and writable by no one else: one lock file per
 * device, of which a pass takes the byte at the input's inode number. An account without a home
 * of its own, or with one on a network share, keeps them in a private folder made in
 * "/dev/shm" ("/tmp" on a machine without it), "vexa-password-UID", used only while it is the
 * user's own 0700 folder. Folders are made when missing; one other accounts could use is refused.
 */
#pragma once

#include "app/fileio/descriptor.h"
#include "common/expected.h"

#include <QtCore/QString>

#include <sys/types.h>

class PassLock {
public:
    enum class Result {
        Held, // the lock is this object's until it is destroyed
        Busy, // another pass of the user's holds it
    };

    // homeFolder, when given, stands for the one the password database gives the account.
    explicit PassLock(QString homeFolder = {})
        : m_home(std::move(homeFolder)) {}
    PassLock(const PassLock&) = delete;
    PassLock& operator=(const PassLock&) = delete;

    // Takes the lock of the file on this device with this inode, without waiting; fails when the
    // lock folder cannot be used.
    Expected<Result> acquire(dev_t device, ino_t inode);

    // The lock folder of an account.
    static QString folderPathFor(uid_t user);

private:
    QString m_home;
    // The lock file, open for this lock alone: the lock belongs to this open file description.
    Descriptor m_file;
};
