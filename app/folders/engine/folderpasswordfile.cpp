/*
 * Reading and writing the folder password file with plain system calls, so that no step follows
 * a symbolic link and every failure carries the system's description.
 */
#include "folderpasswordfile.h"

#include "encryptedformat.h"
#include "texttransformer.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

bool failWith(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

bool failWithCode(QString* error, int code) {
    return failWith(error, qt_error_string(code));
}

// Opens without following a symbolic link; O_NONBLOCK keeps a named pipe from blocking the open.
int openNoFollow(const QString& path, int flags, mode_t mode = 0) {
    int fd;
    do
        fd = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

bool readAll(int fd, QByteArray* bytes) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        bytes->append(buffer, got);
    }
}

bool isPlainName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

} // namespace

FolderPasswordFile::FolderPasswordFile(const QString& folderPath)
    : m_path(folderPath + u'/' + FileName) {}

QByteArray FolderPasswordFile::content(const QString& CurrentPassword, const QString& FolderName) {
    return TextTransformer::run(EncryptedFormat::PasswordField(CurrentPassword).toLatin1()) + LineEnd +
           QFile::encodeName(FolderName) + LineEnd;
}

bool FolderPasswordFile::canStorePassword(const QString& CurrentPassword) {
    const QString field = EncryptedFormat::PasswordField(CurrentPassword);
    return std::all_of(field.cbegin(), field.cend(), [](QChar c) {
        return c.unicode() <= 255 && c.unicode() != 255 - '\r' && c.unicode() != 255 - '\n';
    });
}

bool FolderPasswordFile::canStoreName(const QString& FolderName) {
    return !FolderName.contains(u'\r') && !FolderName.contains(u'\n');
}

QString FolderPasswordFile::Unscramble(const QByteArray& SealBuffer) {
    return QString::fromLatin1(TextTransformer::run(SealBuffer));
}

bool FolderPasswordFile::exists() const {
    const QFileInfo info(m_path);
    return info.exists() || info.isSymLink();
}

std::optional<FolderPasswordFile::Lines> FolderPasswordFile::parse(const QByteArray& bytes, QString* error) {
    const qsizetype firstEnd = bytes.indexOf(LineEnd);
    const qsizetype nameStart = firstEnd + LineEnd.size();
    const qsizetype nameEnd = firstEnd < 0 ? -1 : bytes.indexOf(LineEnd, nameStart);
    const QByteArray name = firstEnd < 0 ? QByteArray() : bytes.mid(nameStart, nameEnd < 0 ? -1 : nameEnd - nameStart);
    if (!isPlainName(name)) {
        failWith(error, u"Damaged password information"_s);
        return std::nullopt;
    }
    return Lines{bytes.left(firstEnd).leftJustified(SealSize, ' ', true), QFile::decodeName(name)};
}

std::optional<FolderPasswordFile::Lines> FolderPasswordFile::read(QString* error) const {
    const std::optional<Replaced> raw = readRaw(error);
    if (!raw)
        return std::nullopt;
    return parse(raw->bytes, error);
}

bool FolderPasswordFile::WriteFolderPasswordFile(const QString& CurrentPassword, const QString& FolderName,
                                                 QString* error) {
    std::optional<Replaced> replaced;
    if (exists()) {
        replaced = readRaw(error);
        if (!replaced)
            return false;
    }
    if (!writeRaw(content(CurrentPassword, FolderName), 0600, error)) {
        // A failed write may have emptied the old file already.
        if (replaced)
            writeRaw(replaced->bytes, replaced->mode, nullptr);
        else
            remove(nullptr);
        return false;
    }
    m_written = true;
    m_replaced = replaced;
    return true;
}

bool FolderPasswordFile::restore(QString* error) {
    if (!m_written)
        return true;
    m_written = false;
    return m_replaced ? writeRaw(m_replaced->bytes, m_replaced->mode, error) : remove(error);
}

bool FolderPasswordFile::remove(QString* error) const {
    return ::unlink(QFile::encodeName(m_path).constData()) == 0 || failWithCode(error, errno);
}

std::optional<FolderPasswordFile::Replaced> FolderPasswordFile::readRaw(QString* error) const {
    const int fd = openNoFollow(m_path, O_RDONLY);
    if (fd < 0) {
        failWithCode(error, errno);
        return std::nullopt;
    }
    Replaced raw;
    struct stat status;
    int code = 0;
    if (::fstat(fd, &status) != 0)
        code = errno;
    else if (!S_ISREG(status.st_mode))
        code = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    else if (!readAll(fd, &raw.bytes))
        code = errno;
    ::close(fd);
    if (code != 0) {
        failWithCode(error, code);
        return std::nullopt;
    }
    raw.mode = status.st_mode & 07777;
    return raw;
}

bool FolderPasswordFile::writeRaw(const QByteArray& bytes, unsigned mode, QString* error) const {
    const int fd = openNoFollow(m_path, O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0)
        return failWithCode(error, errno);
    int code = 0;
    // An existing file keeps its permission bits through open(): give it the ones wanted.
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, bytes))
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code == 0 || failWithCode(error, code);
}
