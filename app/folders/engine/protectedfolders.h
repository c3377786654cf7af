/*
 * The folders a lock must never rename, because renaming them would break the system, the
 * user's session or this program: the system folders, the program's own folder and those
 * above it, the user's home folder and those above it, and the program's per-user folders.
 *
 * Paths are compared with letter case ignored (this only refuses more), both as given and with
 * symbolic links resolved, so a path that reaches a protected folder through a link is caught.
 * A volume root above a protected folder is not reported here: the lock refuses every volume
 * root by its own rule and message.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

class Platform;

class ProtectedFolders {
public:
    explicit ProtectedFolders(const Platform& platform)
        : m_platform(platform) {}

    // A system folder (/bin, /boot, /dev, /etc, /lib, /lib32, /lib64, /libx32, /proc, /run,
    // /sbin, /sys, /usr, /var) or a folder below one; the home folder or a folder above it.
    bool isSystemFolder(const QString& path) const;
    // /opt; the folder of the running executable or a folder above it.
    bool isProgramFolder(const QString& path) const;
    // The program's per-user data or configuration folder, a folder below or above one.
    bool isOwnFolder(const QString& path) const;

private:
    enum Reach { Above = 1, Below = 2 };
    // Whether path is folder itself or, as reach allows, lies above or below it.
    bool reaches(const QString& path, const QString& folder, int reach) const;
    bool reachesAny(const QString& path, const QStringList& folders, int reach) const;

    const Platform& m_platform;
};
