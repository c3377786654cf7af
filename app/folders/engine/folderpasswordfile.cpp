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

QByteArray FolderPasswordFile::content(const QString& currentPassword, const QString& folderName) {
    return TextTransformer::run(EncryptedFormat::passwordFieldOf(currentPassword).toLatin1()) + LineEnd +
           QFile::encodeName(folderName) + LineEnd;
}

bool FolderPasswordFile::canStorePassword(const QString& currentPassword) {
    const QString field = EncryptedFormat::passwordFieldOf(currentPassword);
    return EncryptedFormat::canStorePassword(field) && !field.contains(QChar(255 - '\r')) &&
           !field.contains(QChar(255 - '\n'));
}

bool FolderPasswordFile::canStoreName(const QString& folderName) {
    return !folderName.contains(u'\r') && !folderName.contains(u'\n');
}

QString FolderPasswordFile::unscramble(const QByteArray& sealBuffer) {
    return QString::fromLatin1(TextTransformer::run(sealBuffer));
}

bool FolderPasswordFile::exists() const {
    const QFileInfo info(m_path);
    return info.exists() || info.isSymLink();
}

Expected<FolderPasswordFile::Lines> FolderPasswordFile::parse(const QByteArray& bytes) {
    const qsizetype firstEnd = bytes.indexOf(LineEnd);
    const qsizetype nameStart = firstEnd + LineEnd.size();
    const qsizetype nameEnd = firstEnd < 0 ? -1 : bytes.indexOf(LineEnd, nameStart);
    const QByteArray name = firstEnd < 0 ? QByteArray() : bytes.mid(nameStart, nameEnd < 0 ? -1 : nameEnd - nameStart);
    if (!isPlainName(name))
        return unexpected({u"Damaged password information"_s});
    return Lines{bytes.left(firstEnd).leftJustified(SealSize, ' ', true), QFile::decodeName(name), {}};
}

Expected<FolderPasswordFile::Lines> FolderPasswordFile::read() const {
    const Expected<Descriptor> file = FileIo::openForReading(m_path);
    if (!file)
        return unexpected(file.error());
    const Expected<FileIo::FileIdentity> seen = FileIo::FileIdentity::of(file->fd());
    if (!seen)
        return unexpected(seen.error());
    Expected<QByteArray> bytes = FileIo::readAll(file->fd(), LongestFile);
    if (!bytes)
        return unexpected(bytes.error());
    const Secret::WipedOnExit wipeBytes(*bytes);
    Expected<Lines> lines = parse(*bytes);
    if (lines)
        lines->seen = *seen;
    return lines;
}

Expected<void> FolderPasswordFile::writeFolderPasswordFile(const QString& currentPassword, const QString& folderName) {
    QByteArray bytes = content(currentPassword, folderName);
    const Secret::WipedOnExit wipeBytes(bytes);
    AsideFile file(m_path);
    if (Expected<void> opened = file.open(); !opened)
        return opened;
    if (::fchmod(file.fd(), 0600) != 0)
        return FileIo::failWithErrno();
    if (Expected<void> written = FileIo::writeFully(file.fd(), bytes.constData(), bytes.size()); !written)
        return written;
    // Linked in only where no entry of the name is: a file there is never replaced.
    if (Expected<void> committed = file.commit(AsideFile::Replace::No); !committed)
        return committed;
    // Taken now that the file is in place (linking it in changes its change time). Without it a
    // failed lock leaves the seal behind rather than delete a file it cannot vouch for.
    m_written.reset();
    if (const Expected<Descriptor> written = FileIo::openForReading(m_path))
        if (const Expected<FileIo::FileIdentity> identity = FileIo::FileIdentity::of(written->fd()))
            m_written = *identity;
    return {};
}

Expected<void> FolderPasswordFile::restore() {
    if (!m_written)
        return {};
    const FileIo::FileIdentity written = *std::exchange(m_written, std::nullopt);
    return remove(written);
}

Expected<void> FolderPasswordFile::remove(const FileIo::FileIdentity& seen) const {
    return FileIo::deleteIfUnchanged(m_path, seen);
}
