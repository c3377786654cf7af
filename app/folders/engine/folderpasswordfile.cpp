/*
 * Reading and writing the folder password file through the file-I/O layer, so that no step
 * follows a symbolic link, nothing blocks on a special file and every failure carries the
 * system's description.
 */
#include "app/folders/engine/folderpasswordfile.h"

#include "app/crypt/engine/encryptedformat.h"
#include "app/fileio/asidefile.h"
#include "common/texttransformer.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <utility>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView LineEnd = "\r\n";
// Far beyond two short lines: a longer file is no password file.
constexpr qint64 LongestFile = 1 << 16;

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
    return EncryptedFormat::canStorePassword(field) && !field.contains(QChar(255 - '\r')) &&
           !field.contains(QChar(255 - '\n'));
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
        FileIo::fail(error, u"Damaged password information"_s);
        return std::nullopt;
    }
    return Lines{bytes.left(firstEnd).leftJustified(SealSize, ' ', true), QFile::decodeName(name), {}};
}

std::optional<FolderPasswordFile::Lines> FolderPasswordFile::read(QString* error) const {
    const Descriptor file = FileIo::openForReading(m_path, error);
    if (!file.isOpen())
        return std::nullopt;
    const std::optional<FileIo::FileIdentity> seen = FileIo::FileIdentity::of(file.fd());
    if (!seen) {
        FileIo::failWithCode(error, errno);
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = FileIo::readAll(file.fd(), LongestFile, error);
    if (!bytes)
        return std::nullopt;
    std::optional<Lines> lines = parse(*bytes, error);
    if (lines)
        lines->seen = *seen;
    return lines;
}

bool FolderPasswordFile::WriteFolderPasswordFile(const QString& CurrentPassword, const QString& FolderName,
                                                 QString* error) {
    const QByteArray bytes = content(CurrentPassword, FolderName);
    AsideFile file(m_path);
    if (!file.open(error))
        return false;
    if (::fchmod(file.fd(), 0600) != 0 || !FileIo::writeFully(file.fd(), bytes.constData(), bytes.size()))
        return FileIo::failWithCode(error, errno);
    // Linked in only where no entry of the name is: a file there is never replaced.
    if (!file.commit(error, AsideFile::Replace::No))
        return false;
    // Taken now that the file is in place (linking it in changes its change time). Without it a
    // failed lock leaves the seal behind rather than delete a file it cannot vouch for.
    const Descriptor written = FileIo::openForReading(m_path, nullptr);
    m_written = written.isOpen() ? FileIo::FileIdentity::of(written.fd()) : std::nullopt;
    return true;
}

bool FolderPasswordFile::restore(QString* error) {
    if (!m_written)
        return true;
    const FileIo::FileIdentity written = *std::exchange(m_written, std::nullopt);
    return remove(written, error);
}

bool FolderPasswordFile::remove(const FileIo::FileIdentity& seen, QString* error) const {
    return FileIo::deleteIfUnchanged(m_path, seen, error);
}
