/*
 * The file-I/O layer every reader and writer of the program uses: it opens existing files
 * without following symbolic links and without blocking on special files, refuses anything that
 * is not a regular file, reads and writes whole buffers, records which file was read and deletes
 * a file only while its path still names that very file, unchanged. Every operation that can
 * fail returns an Expected whose Error holds the system's description of the error (or a text
 * naming the file), for the caller to show, and the errno value where there is one.
 */
#pragma once

#include "app/fileio/descriptor.h"
#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <memory>
#include <optional>

#include <sys/stat.h>
#include <sys/types.h>

namespace FileIo {

// The system's description of an errno value.
QString errorText(int code);
// The failure of a call that set errno, for one-line failure returns.
Unexpected<Error> failWithErrno();

// Opens an existing file for reading (flags may add O_RDWR or O_WRONLY in place of O_RDONLY):
// never through a symbolic link, never blocking on a named pipe or device, and only when it is a
// regular file. The descriptor is returned in blocking mode; *opened, when given, gets the status
// of the file opened. The error names the file where the system's text would not.
Expected<Descriptor> openForReading(const QString& path, int flags = 0, struct stat* opened = nullptr);
// The same for the file path names in a folder already open: its name looked up in folderFd.
Expected<Descriptor> openInFolder(int folderFd, const QString& path, int flags = 0, struct stat* opened = nullptr);
// The last component of a path, as the system spells it: what *at calls look up in its folder.
QByteArray nameOf(const QString& path);

// Reads exactly size bytes of the file at path; retries after signals. An early end of file fails
// with endOfFileError(path) and code 0.
Expected<void> readFully(int fd, char* data, qint64 size, const QString& path);
// Writes exactly size bytes; retries after signals. A write that makes no progress (a full disk
// may answer with 0 bytes written) is a failure (ENOSPC for that case).
Expected<void> writeFully(int fd, const char* data, qint64 size);
// Reads the rest of a file of at most maxSize bytes; fails (EFBIG) when the file is longer.
Expected<QByteArray> readAll(int fd, qint64 maxSize);

// A text naming a file that ended before its expected length.
QString endOfFileError(const QString& path);
// The refusal of a path that names a symbolic link, a named pipe, a device or a folder.
QString notRegularError(const QString& path, mode_t mode);

// Opens the folder a file's path names it in, following the links the path names.
Expected<Descriptor> openFolderOf(const QString& filePath);
// The same, shared by the tasks of the files it holds.
Expected<std::shared_ptr<const Descriptor>> sharedFolderOf(const QString& filePath);
// Flushes a folder's entries to disk; a file system that cannot flush a folder counts as done.
Expected<void> syncFolder(int folderFd);
Expected<void> syncFolderOf(const QString& filePath);

// Whether one syncfs of the file system holding fd is known to put every file written on it on
// disk (local kernel file systems: ext2/3/4, xfs, btrfs, tmpfs). FUSE volumes and network shares
// may do nothing on syncfs: their files are flushed one by one.
bool flushesTogether(int fd);
// The attribute bits a FAT volume keeps for an open file (FAT_IOCTL_GET_ATTRIBUTES), and setting
// them; the system's error elsewhere.
Expected<quint32> fatAttributes(int fd);
Expected<void> setFatAttributes(int fd, quint32 value);

// Whether the file system holding fd is a network share (NFS, SMB/CIFS, Ceph, 9p): its locks are
// kept by a server, a round trip each, and not reliably between processes by every server.
bool onNetworkShare(int fd);

// The process's umask, read without changing it (umask() can only be read by setting it, which
// would briefly affect files other threads create); nullopt when the system does not say.
std::optional<mode_t> processUmask();

// Which file was read, and in what state: taken from the open descriptor when the work starts.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;  // nanoseconds
    nlink_t links = 0;

    static Expected<FileIdentity> of(int fd);
    // The same file (device and inode).
    bool sameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
    // The same file with the same size and modification and change times.
    bool unchanged(const FileIdentity& other) const {
        return sameFile(other) && size == other.size && modified == other.modified && changed == other.changed;
    }
};

// Succeeds when the file path names in the open folder is the one seen (taken with
// FileIdentity::of), unchanged; otherwise the error says how it changed. Never follows a symbolic
// link.
Expected<void> unchangedSince(int folderFd, const QString& path, const FileIdentity& seen);

// Deletes path only if it still names the file seen, unchanged; the check and the delete are
// made relative to the folder's descriptor. Otherwise (or when the delete fails) keeps it and
// fails with a clear text naming it. folderFd, when given, is that folder already open.
Expected<void> deleteIfUnchanged(const QString& path, const FileIdentity& seen, int folderFd = -1);

} // namespace FileIo
