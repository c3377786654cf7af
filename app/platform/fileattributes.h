/*
 * The attribute engine: reads and gives attribute values (attributes.h) to files and folders.
 *
 * The store follows the file system that holds the file (volumecalls.h):
 * - NTFS (ntfs-3g and the kernel's driver): Windows' attribute word, the extended attribute
 *   "system.ntfs_attrib_be". Its read-only, hidden, system and archive bits are the value; the
 *   word's other bits are kept and the permission bits are left as the mount presents them.
 * - FAT: the attribute byte through the FAT ioctls on an open descriptor; the kernel keeps the
 *   permission bits in step with its read-only bit.
 * - exFAT: no store; read-only through the permission bits as below, nothing else is kept.
 * - Everything else: the extended attribute "user.DOSATTRIB" (dosattrib.h) and, for read-only
 *   files, the permission bits as well:
 * - Reading: the stored read-only, hidden, system and archive bits; read-only also when a file
 *   has no write bit at all; hidden for a name beginning with "." when nothing is stored;
 *   Directory for folders. A symbolic link is read as itself (a link is never read-only).
 * - Writing: stores "0x" + hex, keeping the bits of an old stored value that the program does not
 *   manage. Setting read-only on a file stores the value, then removes every write bit; clearing
 *   it gives write permission back first (owner write, and group and other write where they can
 *   read and the umask allows), then stores the value. Folders keep their write bits. Only plain
 *   files and folders take attributes: symbolic links and special files are refused.
 * - Where the file system keeps no extended attributes, read-only still works through the
 *   permission bits (on files), so giving a file 0 or 1 succeeds; any other bit (and read-only
 *   on a folder) cannot be kept and the call fails, though a file's permission bits are set.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QString>

#include <optional>

struct stat;
class ExtendedAttributes;
class VolumeCalls;

class FileAttributes {
public:
    // volumes defaults to the running system's calls.
    explicit FileAttributes(ExtendedAttributes& store, VolumeCalls& volumes = defaultVolumes());

    // The attribute value of the file or folder at path; nullopt when it does not exist.
    std::optional<quint32> read(const QString& path) const;
    // The same for an open file; path names it (for the hidden default of a dot-name).
    std::optional<quint32> read(int fd, const QString& path) const;
    // Gives it the read-only, hidden, system and archive bits of value (others are ignored).
    // Fails with the system's description.
    Expected<void> write(const QString& path, quint32 value) const;
    // The same for an open file, which may have no name yet (a file written aside).
    Expected<void> write(int fd, quint32 value) const;

private:
    struct Target;
    std::optional<quint32> read(const Target& target, const QString& path) const;
    Expected<void> write(const Target& target, quint32 value) const;
    Expected<void> writeNtfsWord(const Target& target, quint32 value) const;
    Expected<void> writeFat(const Target& target, const struct stat& info, quint32 value) const;
    // kept: false where the file system keeps no extended attributes (only permission bits).
    Expected<void> writeDosAttrib(const Target& target, const struct stat& info, quint32 value, bool kept) const;
    static VolumeCalls& defaultVolumes();

    ExtendedAttributes& m_store;
    VolumeCalls& m_volumes;
};
