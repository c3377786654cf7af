/*
 * The file-I/O layer on Linux: POSIX calls made directly so that every failure carries the
 * system's own description.
 */
#include "app/fileio/fileio.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace FileIo {

namespace {

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do
        fd = ::open(path, flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// The codes with which a file system says that it cannot flush a folder at all.
bool unsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == EBADF;
}

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileIdentity identityOf(const struct stat& info) {
    return {info.st_dev,  info.st_ino, qint64(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim),
            info.st_nlink};
}

} // namespace

QString errorText(int code) {
    return qt_error_string(code);
}

Unexpected<Error> failWithErrno() {
    return unexpected(Error::fromCode(errno));
}

QString endOfFileError(const QString& path) {
    return u"Unexpected end of file: "_s + path;
}

QString notRegularError(const QString& path, mode_t mode) {
    if (S_ISLNK(mode))
        return path + u" is a symbolic link and was left untouched."_s;
    if (S_ISDIR(mode))
        return path + u" is a folder, not a file."_s;
    if (S_ISFIFO(mode))
        return path + u" is a named pipe, not a file, and was left untouched."_s;
    return path + u" is not a regular file and was left untouched."_s;
}

namespace {

Expected<Descriptor> openRegular(int folderFd, const QByteArray& name, const QString& path, int flags,
                                 struct stat* opened) {
    int fd;
    do
        fd = ::openat(folderFd, name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    Descriptor file(fd);
    struct stat info;
    if (!file.isOpen()) {
        const int code = errno;
        // O_NOFOLLOW answers a link with ELOOP ("Too many levels of symbolic links"); say what it is.
        if (code == ELOOP && ::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode))
            return unexpected({notRegularError(path, info.st_mode), code});
        return unexpected(Error::fromCode(code));
    }
    if (::fstat(file.fd(), &info) != 0)
        return failWithErrno();
    if (!S_ISREG(info.st_mode))
        return unexpected({notRegularError(path, info.st_mode)});
    // The status flags are the caller's: without O_NONBLOCK.
    if (::fcntl(file.fd(), F_SETFL, flags) != 0)
        return failWithErrno();
    if (opened)
        *opened = info;
    return file;
}

} // namespace

Expected<Descriptor> openForReading(const QString& path, int flags, struct stat* opened) {
    return openRegular(AT_FDCWD, QFile::encodeName(path), path, flags, opened);
}

Expected<Descriptor> openInFolder(int folderFd, const QString& path, int flags, struct stat* opened) {
    return openRegular(folderFd, nameOf(path), path, flags, opened);
}

QByteArray nameOf(const QString& path) {
    return QFile::encodeName(QFileInfo(path).fileName());
}

Expected<void> readFully(int fd, char* data, qint64 size, const QString& path) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWithErrno();
        if (n == 0)
            return unexpected({endOfFileError(path)});
        data += n;
        size -= n;
    }
    return {};
}

Expected<void> writeFully(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWithErrno();
        if (n == 0)
            return unexpected(Error::fromCode(ENOSPC));
        data += n;
        size -= n;
    }
    return {};
}

Expected<QByteArray> readAll(int fd, qint64 maxSize) {
    QByteArray content;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWithErrno();
        if (n == 0)
            return content;
        if (content.size() + n > maxSize)
            return unexpected(Error::fromCode(EFBIG));
        content.append(buffer, n);
    }
}

Expected<void> syncFolder(int folderFd) {
    if (::fsync(folderFd) == 0 || unsupported(errno))
        return {};
    return failWithErrno();
}

Expected<Descriptor> openFolderOf(const QString& filePath) {
    Descriptor folder(openRetrying(QFile::encodeName(QFileInfo(filePath).absolutePath()).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return failWithErrno();
    return folder;
}

Expected<std::shared_ptr<const Descriptor>> sharedFolderOf(const QString& filePath) {
    Expected<Descriptor> folder = openFolderOf(filePath);
    if (!folder)
        return unexpected(std::move(folder).error());
    return std::make_shared<const Descriptor>(std::move(*folder));
}

Expected<void> syncFolderOf(const QString& filePath) {
    const Expected<Descriptor> folder = openFolderOf(filePath);
    if (!folder)
        return unexpected(folder.error());
    return syncFolder(folder->fd());
}

Expected<FileIdentity> FileIdentity::of(int fd) {
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return failWithErrno();
    return identityOf(info);
}

namespace {

// The check of unchangedSince against an entry of an open folder.
Expected<void> unchangedAt(int folderFd, const QByteArray& name, const QString& path, const FileIdentity& seen) {
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return unexpected({path + u" was moved or removed while it was being worked on."_s, ENOENT});
        return failWithErrno();
    }
    const FileIdentity now = identityOf(info);
    if (!now.sameFile(seen))
        return unexpected({path + u" was replaced by another file while it was being worked on and was kept."_s});
    if (!now.unchanged(seen))
        return unexpected({path + u" was changed while it was being worked on and was kept."_s});
    return {};
}

} // namespace

Expected<void> unchangedSince(int folderFd, const QString& path, const FileIdentity& seen) {
    return unchangedAt(folderFd, nameOf(path), path, seen);
}

Expected<void> deleteIfUnchanged(const QString& path, const FileIdentity& seen, int folderFd) {
    Descriptor opened;
    if (folderFd < 0) {
        Expected<Descriptor> folder = openFolderOf(path);
        if (!folder)
            return unexpected(folder.error());
        opened = std::move(*folder);
        folderFd = opened.fd();
    }
    const QByteArray name = nameOf(path);
    if (Expected<void> unchanged = unchangedAt(folderFd, name, path, seen); !unchanged)
        return unchanged;
    // The folder is not flushed: a delete lost in a crash brings back a file, it loses none.
    if (::unlinkat(folderFd, name.constData(), 0) != 0)
        return failWithErrno();
    return {};
}

namespace {

// The kind of file system that holds fd (its statfs magic number); 0 when it cannot be told.
unsigned long fileSystemType(int fd) {
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 ? static_cast<unsigned long>(info.f_type) : 0;
}

} // namespace

bool flushesTogether(int fd) {
    switch (fileSystemType(fd)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

Expected<quint32> fatAttributes(int fd) {
    __u32 attributes = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return failWithErrno();
    return quint32(attributes);
}

Expected<void> setFatAttributes(int fd, quint32 value) {
    __u32 attributes = value;
    if (::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes) != 0)
        return failWithErrno();
    return {};
}

bool onNetworkShare(int fd) {
    switch (fileSystemType(fd)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case CEPH_SUPER_MAGIC:
    case V9FS_MAGIC:
        return true;
    default:
        return false;
    }
}

std::optional<mode_t> processUmask() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Umask:")) {
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            return ok ? std::optional<mode_t>(static_cast<mode_t>(mask)) : std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace FileIo
