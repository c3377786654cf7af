/*
 * The passes. All four share one transfer loop: open both files without following symbolic
 * links, write the header, then read, transform and write the body buffer by buffer, asking the
 * observer between buffers and at least every 50 ms while the disk keeps up; keep the data on its
 * way to disk as the pass goes (write-behind), flush the output and its folder, and check that the
 * output has exactly the length the format gives before anything is deleted. A pass that does not
 * complete removes what it wrote. POSIX calls are used
 * directly so that every failure carries the system's own description.
 */
#include "cipherpass.h"

#include "attributes.h"
#include "platform.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The cover bar's track in twips, and the slack its formula adds to the input length.
constexpr double CoverTrack = 6200.0;
constexpr qint64 CoverSlack = 40;
constexpr qint64 ObserverIntervalMs = 50;

using Outcome = PassResult::Outcome;

PassResult failed(const QString& error) {
    return {Outcome::Failed, error};
}
PassResult systemFailure() {
    return failed(qt_error_string(errno));
}

QString endOfFileError(const QString& path) {
    return u"Unexpected end of file: "_s + path;
}

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes now: a write error the file system deferred can surface only here.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

int openNoFollow(const QString& path, int flags) {
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Nothing is read, truncated, deleted or given attributes through a symbolic link. Opening with
// O_NOFOLLOW refuses one too; this check only gives the refusal a clear text.
std::optional<QString> symlinkRefusal(const QString& path) {
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return path + u" is a symbolic link and was left untouched."_s;
    return std::nullopt;
}

// Reads exactly size bytes. At an early end of file returns false with errno 0.
bool readFully(int fd, char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool writeFully(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// The codes with which a file system says that it cannot do a flush operation at all.
bool unsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == ESPIPE || code == EOPNOTSUPP;
}

// Starts the write-back of every buffer as soon as it is written and waits for the data written a
// window earlier. Dirty data stays bounded, so the progress follows the disk, Cancel is seen
// while the disk is still busy and the final fsync has little left to do; without it a pass could
// race through the page cache and then sit in fsync, deaf to Cancel, for as long as the disk needs.
class WriteBehind {
public:
    static constexpr qint64 Window = 32 * CipherPass::BufferSize;

    explicit WriteBehind(int fd)
        : m_fd(fd) {}

    // After [offset, offset + size) was written. False with errno set when the write-back failed:
    // the error is reported here, as a later fsync would no longer report it.
    bool written(qint64 offset, qint64 size) {
        if (!m_supported)
            return true;
        const qint64 settled = offset + size - Window;
        if (::sync_file_range(m_fd, offset, size, SYNC_FILE_RANGE_WRITE) == 0 &&
            (settled <= m_waitedUpTo || ::sync_file_range(m_fd, m_waitedUpTo, settled - m_waitedUpTo,
                                                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                                              SYNC_FILE_RANGE_WAIT_AFTER) == 0)) {
            m_waitedUpTo = std::max(m_waitedUpTo, settled);
            return true;
        }
        // A file system that cannot do this gets its data to disk through the final fsync.
        if (!unsupported(errno))
            return false;
        m_supported = false;
        return true;
    }

private:
    int m_fd;
    bool m_supported = true;
    qint64 m_waitedUpTo = 0;
};

// Makes the folder entry of a new or replaced file durable; there is nothing more to do on a file
// system that cannot sync a folder.
bool syncFolder(const QString& filePath) {
    Descriptor folder(
        ::open(QFile::encodeName(QFileInfo(filePath).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return false;
    return ::fsync(folder.fd()) == 0 || unsupported(errno);
}

} // namespace

struct CipherPass::Transfer {
    QString input;
    // Where the body starts in the input: 0 for a plain file, past the header for an encrypted one.
    qint64 inputOffset = 0;
    QString output;
    // Written before the body: the stored header when encrypting, nothing when decrypting.
    QByteArray header;
    SecurityLevel level = SecurityLevel::High;
};

CipherPass::CipherPass(Platform& platform, PassObserver& observer)
    : m_platform(platform)
    , m_observer(observer) {}

PassResult CipherPass::EncryptBySecurityLevel(SecurityLevel level, const QString& plainPath,
                                              const QString& passwordField, bool deleteOriginal) {
    return level == SecurityLevel::Low ? EncryptLowSecurity(plainPath, passwordField, deleteOriginal)
                                       : EncryptHighSecurity(plainPath, passwordField, deleteOriginal);
}

PassResult CipherPass::EncryptHighSecurity(const QString& plainPath, const QString& passwordField,
                                           bool deleteOriginal) {
    return encrypt(SecurityLevel::High, plainPath, passwordField, deleteOriginal);
}

PassResult CipherPass::EncryptLowSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal) {
    return encrypt(SecurityLevel::Low, plainPath, passwordField, deleteOriginal);
}

PassResult CipherPass::DecryptByStoredLevel(const EncryptedHeader& header, const QString& encryptedPath,
                                            const QString& plainPath) {
    const std::optional<SecurityLevel> level = header.level();
    if (!level)
        return {Outcome::UnknownLevel, {}};
    return *level == SecurityLevel::Low ? DecryptLowSecurity(encryptedPath, plainPath, header.SavedAttributes)
                                        : DecryptHighSecurity(encryptedPath, plainPath);
}

PassResult CipherPass::DecryptHighSecurity(const QString& encryptedPath, const QString& plainPath) {
    return decrypt(SecurityLevel::High, encryptedPath, plainPath);
}

PassResult CipherPass::DecryptLowSecurity(const QString& encryptedPath, const QString& plainPath,
                                          quint8 savedAttributes) {
    const PassResult result = decrypt(SecurityLevel::Low, encryptedPath, plainPath);
    // Errors ignored: a file system without attributes still gets its data back.
    if (result.outcome == Outcome::Succeeded)
        m_platform.setAttributes(plainPath, savedAttributes);
    return result;
}

std::optional<EncryptedHeader> CipherPass::ReadHeader(const QString& encryptedPath, QString* error) {
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (const std::optional<QString> refusal = symlinkRefusal(encryptedPath))
        return fail(*refusal);
    Descriptor file(openNoFollow(encryptedPath, O_RDONLY));
    if (!file.isOpen())
        return fail(qt_error_string(errno));
    QByteArray stored(EncryptedFormat::HeaderSize, Qt::Uninitialized);
    if (!readFully(file.fd(), stored.data(), stored.size()))
        return fail(errno ? qt_error_string(errno) : endOfFileError(encryptedPath));
    return EncryptedFormat::decodeHeader(stored);
}

bool CipherPass::isDecryptionComplete(const QString& encryptedPath, const QString& plainPath) {
    struct stat encrypted;
    struct stat plain;
    return ::lstat(QFile::encodeName(encryptedPath).constData(), &encrypted) == 0 && S_ISREG(encrypted.st_mode) &&
           ::lstat(QFile::encodeName(plainPath).constData(), &plain) == 0 && S_ISREG(plain.st_mode) &&
           plain.st_size == encrypted.st_size - EncryptedFormat::HeaderSize;
}

quint8 CipherPass::headerAttributes(quint32 attributes) {
    return static_cast<quint8>(attributes & (Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::Archive));
}

PassResult CipherPass::encrypt(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                               bool deleteOriginal) {
    const QString output = EncryptedFormat::encryptedName(plainPath);
    for (const QString& path : {plainPath, output}) {
        if (const std::optional<QString> refusal = symlinkRefusal(path))
            return failed(*refusal);
    }
    const std::optional<quint32> attributes = m_platform.attributes(plainPath);
    if (!attributes)
        return failed(qt_error_string(ENOENT));
    // Archive only before the file is opened, as always. Reading needs no more than that, so a
    // file system that keeps no attributes does not stop the pass: errors ignored.
    m_platform.setAttributes(plainPath, Attr::Archive);

    const PassResult result = transfer(
        {plainPath, 0, output, EncryptedFormat::header(passwordField, level, headerAttributes(*attributes)), level});
    if (result.outcome != Outcome::Succeeded)
        return result;

    // The output passed the completeness check and is on disk: only now may the plain file go.
    // It is deleted, not emptied first, so a failed delete loses nothing.
    QString deleteError;
    if (deleteOriginal && ::unlink(QFile::encodeName(plainPath).constData()) != 0)
        deleteError = qt_error_string(errno);
    if (level == SecurityLevel::Low)
        m_platform.setAttributes(output, Attr::Encrypted);
    return deleteError.isEmpty() ? result : PassResult{Outcome::OriginalKept, deleteError};
}

PassResult CipherPass::decrypt(SecurityLevel level, const QString& encryptedPath, const QString& plainPath) {
    for (const QString& path : {encryptedPath, plainPath}) {
        if (const std::optional<QString> refusal = symlinkRefusal(path))
            return failed(*refusal);
    }
    m_platform.setAttributes(encryptedPath, Attr::Archive);
    return transfer({encryptedPath, EncryptedFormat::HeaderSize, plainPath, {}, level});
}

PassResult CipherPass::transfer(const Transfer& job) {
    Descriptor input(openNoFollow(job.input, O_RDONLY));
    struct stat inputStat;
    if (!input.isOpen() || ::fstat(input.fd(), &inputStat) != 0)
        return systemFailure();
    const qint64 inputLength = inputStat.st_size;
    const qint64 bodyLength = std::max<qint64>(0, inputLength - job.inputOffset);

    // Opened without truncation first, so that a hard link between the two names is found before
    // the input is emptied.
    const QByteArray outputName = QFile::encodeName(job.output);
    struct stat outputStat;
    const bool outputExisted = ::lstat(outputName.constData(), &outputStat) == 0;
    Descriptor output(openNoFollow(job.output, O_WRONLY | O_CREAT));
    // A pass that does not complete leaves no output it made or wrote to; a file that stood there
    // untouched stays.
    bool removeOutput = output.isOpen() && !outputExisted;
    const auto removeUnfinishedOutput = qScopeGuard([&] {
        if (removeOutput)
            ::unlink(outputName.constData());
    });
    if (!output.isOpen() || ::fstat(output.fd(), &outputStat) != 0)
        return systemFailure();
    if (outputStat.st_dev == inputStat.st_dev && outputStat.st_ino == inputStat.st_ino)
        return failed(job.input + u" and "_s + job.output + u" are the same file."_s);
    if (::ftruncate(output.fd(), 0) != 0)
        return systemFailure();
    removeOutput = true;
    if (::lseek(input.fd(), job.inputOffset, SEEK_SET) < 0 ||
        !writeFully(output.fd(), job.header.constData(), job.header.size()))
        return systemFailure();
    ::posix_fadvise(input.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);

    QElapsedTimer sinceObserver;
    const auto observe = [&](qint64 done) {
        m_observer.moveCover(static_cast<double>(job.inputOffset + done + 1) /
                             static_cast<double>(inputLength + CoverSlack) * CoverTrack);
        sinceObserver.start();
        return m_observer.cancelRequested();
    };
    const auto dueAndCancelled = [&](qint64 done) {
        return sinceObserver.hasExpired(ObserverIntervalMs) && observe(done);
    };
    const PassResult cancelled{Outcome::Cancelled, {}};

    QByteArray buffer(std::min(BufferSize, bodyLength), Qt::Uninitialized);
    WriteBehind writeBehind(output.fd());
    for (qint64 done = 0; done < bodyLength;) {
        if (observe(done))
            return cancelled;
        const qint64 written = job.header.size() + done;
        const qint64 size = std::min(BufferSize - written % BufferSize, bodyLength - done);
        if (!readFully(input.fd(), buffer.data(), size))
            return errno ? systemFailure() : failed(endOfFileError(job.input));
        if (dueAndCancelled(done))
            return cancelled;
        EncryptedFormat::transformBody(buffer.data(), size, done, job.level);
        if (dueAndCancelled(done))
            return cancelled;
        if (!writeFully(output.fd(), buffer.constData(), size) || !writeBehind.written(written, size))
            return systemFailure();
        done += size;
    }

    if (::fsync(output.fd()) != 0 || ::fstat(output.fd(), &outputStat) != 0 || !output.close() ||
        !syncFolder(job.output) || ::fstat(input.fd(), &inputStat) != 0)
        return systemFailure();
    m_observer.moveCover(0);

    // Complete: the output holds the header and every body byte of the input as it is now. An
    // encrypted file shorter than its header can never be complete.
    const qint64 expected = inputStat.st_size - job.inputOffset + job.header.size();
    if (outputStat.st_size != expected || inputStat.st_size != inputLength)
        return {Outcome::Incomplete, {}};
    removeOutput = false;
    return {Outcome::Succeeded, {}};
}
