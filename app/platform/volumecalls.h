/*
 * What the attribute engine asks about the volume that holds a file, and the attribute calls
 * of FAT volumes, behind a seam so that tests can stand in a file system they cannot mount.
 *
 * The store of attribute values follows the file system (see storeFor): Windows' own attribute
 * word on NTFS and FAT volumes, so that both systems see the same bits, "user.DOSATTRIB"
 * elsewhere.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>

namespace FileSystemType {
// statfs f_type values (linux/magic.h).
inline constexpr quint32 Fat = 0x4d44; // vfat and msdos
inline constexpr quint32 ExFat = 0x2011bab0;
inline constexpr quint32 Ntfs = 0x5346544e; // the kernel's ntfs3 (and its read-only ancestor)
inline constexpr quint32 Fuse = 0x65735546; // ntfs-3g among others
} // namespace FileSystemType

enum class AttributeStore {
    DosAttrib, // the extended attribute "user.DOSATTRIB"
    NtfsWord,  // the extended attribute "system.ntfs_attrib_be"
    FatIoctl,  // FAT_IOCTL_GET_ATTRIBUTES / FAT_IOCTL_SET_ATTRIBUTES
    None,      // read-only through the permission bits only
};

// The store for a file system of the given statfs type. A FUSE file system is NTFS (ntfs-3g)
// when the file answers the NTFS attribute word; other FUSE file systems keep "user.DOSATTRIB".
AttributeStore storeFor(quint32 fileSystemType, bool answersNtfsWord);

class VolumeCalls {
public:
    virtual ~VolumeCalls() = default;

    // The statfs type of the file system that holds the encoded path (through a final symbolic
    // link: callers pass a link's folder) or the open file; 0 when it cannot be told.
    virtual quint32 fileSystemType(const QByteArray& path) const;
    virtual quint32 fileSystemTypeOfFile(int fd) const;

    // The attribute byte of an open file on a FAT volume.
    virtual Expected<quint32> fatAttributes(int fd) const;
    // Gives it the attribute byte value.
    virtual Expected<void> setFatAttributes(int fd, quint32 value);

    // The calls of the running system.
    static VolumeCalls& system();
};
