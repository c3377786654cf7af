/*
 * The volume calls of the running system: statfs, and the FAT attribute calls of the file-I/O layer.
 */
#include "app/platform/volumecalls.h"

#include "app/fileio/fileio.h"

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
    return FileIo::fatAttributes(fd);
}

Expected<void> VolumeCalls::setFatAttributes(int fd, quint32 value) {
    return FileIo::setFatAttributes(fd, value);
}

VolumeCalls& VolumeCalls::system() {
    static VolumeCalls calls;
    return calls;
}
