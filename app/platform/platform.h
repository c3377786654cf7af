/*
 * Everything the program asks of the operating system beyond plain file reading and writing:
 * attributes, volumes and free space, the program's and the user's folders, opening a file with
 * its application and starting a program. Windows and engines use it through this interface so
 * that tests can replace the parts they cannot arrange for real (free space, for example).
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <optional>

struct Volume {
    QString rootPath; // "/" or the mount point
    QString name;     // the volume's label, empty when it has none
};

class Platform {
public:
    virtual ~Platform() = default;

    // The attribute value of a file or folder (see attributes.h); nullopt when it does not exist.
    // Only the bits named there are reported, Directory for folders. A symbolic link is reported
    // as it is, never followed.
    virtual std::optional<quint32> attributes(const QString& path) const = 0;
    // The same for an open file; path names it (its name decides a dot-name's hidden default).
    virtual std::optional<quint32> openFileAttributes(int fd, const QString& path) const = 0;
    // Gives a file or folder exactly these attributes (read-only, hidden, system, archive); other
    // bits of value are ignored. Refuses symbolic links. Fails with the system's description.
    virtual Expected<void> setAttributes(const QString& path, quint32 value) = 0;
    // The same for an open regular file, which may not have a name yet (a file written aside).
    virtual Expected<void> setOpenFileAttributes(int fd, quint32 value) = 0;

    // The mounted volumes a user can browse, "/" first.
    virtual QList<Volume> volumes() const = 0;
    // The root of the volume that holds path.
    virtual QString volumeRoot(const QString& path) const = 0;
    virtual bool isVolumeRoot(const QString& path) const = 0;
    // Bytes available to the user on the volume that holds path; 0 when the query fails.
    virtual qint64 freeSpace(const QString& path) const = 0;

    // The folder of the running executable.
    virtual QString programFolder() const = 0;
    // The per-user data folder of the program (hot lists live in its "MyList" folder).
    virtual QString dataFolder() const = 0;
    // The per-user configuration folder of the program (the master-password file lives there).
    virtual QString configFolder() const = 0;
    virtual QString homeFolder() const = 0;

    // Asks the desktop to open a file with its application; the result is not reported.
    virtual void openWithApplication(const QString& path) = 0;
    // Starts a program as a separate process with no arguments; false when it could not start.
    virtual bool startProgram(const QString& path) = 0;
};
