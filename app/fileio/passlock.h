/*
 * One pass per file among the user's own running copies (the window, the command line; from a
 * desktop session, cron or ssh alike). The lock of a file is a lock file named after the file's
 * device and inode in one folder private to the user, "/dev/shm/vexa-password-UID" ("/tmp/…" on
 * a machine without /dev/shm; made 0700 when missing), so no other account can take it or hold it, whatever it may
 * read. A folder at that path that is not the user's own, mode 0700 and a real folder, is refused, never used.
 */
#pragma once

#include "app/fileio/descriptor.h"
#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>

#include <sys/types.h>

class PassLock {
public:
    enum class Result {
        Held, // the lock is this object's until it is destroyed
        Busy, // another pass of the user's holds it
    };

    PassLock() = default;
    PassLock(const PassLock&) = delete;
    PassLock& operator=(const PassLock&) = delete;
    // Releases the lock and removes its file.
    ~PassLock();

    // Takes the lock of the file on this device with this inode, without waiting; fails when the
    // lock folder cannot be used.
    Expected<Result> acquire(dev_t device, ino_t inode);

    // The lock folder of the user running the program, and of any user.
    static QString folderPath();
    static QString folderPathFor(uid_t user);

private:
    std::shared_ptr<const Descriptor> m_folder;
    Descriptor m_file;
    QByteArray m_name;
};
