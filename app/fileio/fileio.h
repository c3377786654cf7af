/*
 * The file-I/O layer every reader and writer of the program uses: it opens existing files
 * without following symbolic links and without blocking on special files, refuses anything that
 * is not a regular file, reads and writes whole buffers, records which file was read and deletes
 * a file only while its path still names that very file, unchanged. Errors come back as the
 * system's description of the error, for the caller to show.
 */
#pragma once

#include "app/fileio/descriptor.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

#include <sys/stat.h>
#include <sys/types.h>

namespace FileIo {

// The system's description of an errno value.
QString errorText(int code);
// Sets *error (when given) to text and returns false, for one-line failure returns.
bool fail(QString* error, const QString& text);
bool failWithCode(QString* error, int code);

// Opens an existing file for reading (flags may add O_RDWR or O_WRONLY in place of O_RDONLY):
// never through a symbolic link, never blocking on a named pipe or device, and only when it is a
// regular file. The descriptor is returned in blocking mode; *opened, when given, gets the status
// of the file opened. On failure the descriptor is closed and *error says why, naming the file
// where the system's text would not.
Descriptor openForReading(const QString& path, QString* error, int flags = 0, struct stat* opened = nullptr);

// Reads exactly size bytes; retries after signals. An early end of file returns false with errno
// 0, any other failure false with errno set.
bool readFully(int fd, char* data, qint64 size);
// Writes exactly size bytes; retries after signals. A write that makes no progress (a full disk
// may answer with 0 bytes written) is a failure: false with errno set (ENOSPC for that case).
bool writeFully(int fd, const char* data, qint64 size);
// Reads the rest of a file of at most maxSize bytes; nullopt with *error set on failure or when
// the file is longer.
std::optional<QByteArray> readAll(int fd, qint64 maxSize, QString* error);

// A text naming a file that ended before its expected length.
QString endOfFileError(const QString& path);
// The refusal of a path that names a symbolic link, a named pipe, a device or a folder.
QString notRegularError(const QString& path, mode_t mode);

// Opens the folder a file's path names it in; errno set when that fails.
Descriptor openFolderOf(const QString& filePath);
// Flushes a folder's entries to disk; a file system that cannot flush a folder counts as done.
bool syncFolder(int folderFd);
bool syncFolderOf(const QString& filePath, QString* error);

// Whether one syncfs of the file system holding fd is known to put every file written on it on
// disk (local kernel file systems: ext2/3/4, xfs, btrfs, tmpfs). FUSE volumes and network shares
// may do nothing on syncfs: their files are flushed one by one.
bool flushesTogether(int fd);

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

    static std::optional<FileIdentity> of(int fd);
    // The same file (device and inode).
    bool sameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
    // The same file with the same size and modification and change times.
    bool unchanged(const FileIdentity& other) const {
        return sameFile(other) && size == other.size && modified == other.modified && changed == other.changed;
    }
};

// Why the file now at path is not the one seen (taken with FileIdentity::of), or nothing when it
// is that very file, unchanged. Never follows a symbolic link.
std::optional<QString> changedSince(const QString& path, const FileIdentity& seen);

// Deletes path only if it still names the file seen, unchanged; the check and the delete are
// made relative to the folder's descriptor. Otherwise (or when the delete fails) keeps it and
// sets *error to a clear text naming it. folderFd, when given, is that folder already open.
bool deleteIfUnchanged(const QString& path, const FileIdentity& seen, QString* error, int folderFd = -1);

} // namespace FileIo
