/*
 * The volume calls of the running system: statfs and the FAT attribute ioctls.
 */
#include "app/platform/volumecalls.h"

#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>

#include <cerrno>

AttributeStore storeFor(quint32 fileSystemType, bool answersNtfsWord) {
    switch (fileSystemType) {
    case FileSystemType::Ntfs:
        return AttributeStore::NtfsWord;
    case FileSystemType::Fat:
        return AttributeStore::FatIoctl;
    case FileSystemType::ExFat:
        return AttributeStore::None;
    case FileSystemType::Fuse:
        return answersNtfsWord ? AttributeStore::NtfsWord : AttributeStore::DosAttrib;
    default:
        return AttributeStore::DosAttrib;
    }
}

quint32 VolumeCalls::fileSystemType(const QByteArray& path) const {
    struct statfs info {};
    return ::statfs(path.constData(), &info) == 0 ? static_cast<quint32>(info.f_type) : 0;
}

quint32 VolumeCalls::fileSystemTypeOfFile(int fd) const {
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 ? static_cast<quint32>(info.f_type) : 0;
}

Expected<quint32> VolumeCalls::fatAttributes(int fd) const {
    __u32 attributes = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return unexpected(Error::fromCode(errno));
    return quint32(attributes);
}

Expected<void> VolumeCalls::setFatAttributes(int fd, quint32 value) {
    __u32 attributes = value;
    if (::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes) != 0)
        return unexpected(Error::fromCode(errno));
    return {};
}

VolumeCalls& VolumeCalls::system() {
    static VolumeCalls calls;
    return calls;
}
