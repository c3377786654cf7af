/*
 * Scrambling, reading and writing the master password.
 */
#include "app/crypt/engine/masterpasswordfile.h"

#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Far beyond the 8 bytes that matter; the bytes after them are kept as they are.
constexpr qint64 LongestFile = 1 << 20;

} // namespace

QByteArray MasterPasswordFile::ScrambleMasterPassword(const QString& text) {
    QByteArray rest = text.toLatin1();
    QByteArray scrambled;
    for (qsizetype i = 1; i <= Size; ++i) {
        const int code = rest.isEmpty() ? '0' : static_cast<unsigned char>(rest.front());
        const int key = 255 - code;
        scrambled.append(static_cast<char>(key == 255 - '0' ? 0 : key));
        // The rest is the last 8 - i characters; a text no longer than that stays as it is, which
        // is what repeats the first character of a short text.
        if (rest.size() > Size - i)
            rest = rest.right(Size - i);
    }
    return scrambled;
}

bool MasterPasswordFile::canStore(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QByteArray MasterPasswordFile::storedForm(const QByteArray& content) {
    return content.left(Size).leftJustified(Size, '\0');
}

QString MasterPasswordFile::defaultPath(const Platform& platform) {
    return platform.configFolder() + u"/3DEvez.vxa"_s;
}

MasterPasswordFile::MasterPasswordFile(QString path)
    : m_path(std::move(path)) {}

Expected<QByteArray> MasterPasswordFile::read() const {
    const Expected<QByteArray> stored = readWhole();
    if (!stored)
        return stored;
    return storedForm(*stored);
}

Expected<QByteArray> MasterPasswordFile::readWhole() const {
    // Only a file that is not there reads as empty: a link, a pipe or a folder is refused.
    struct stat info;
    if (::lstat(QFile::encodeName(m_path).constData(), &info) != 0 && errno == ENOENT)
        return QByteArray();
    const Expected<Descriptor> file = FileIo::openForReading(m_path);
    if (!file)
        return unexpected(file.error());
    return FileIo::readAll(file->fd(), LongestFile);
}

Expected<MasterPasswordFile::Check> MasterPasswordFile::check(const QString& text) const {
    const Expected<QByteArray> stored = read();
    if (!stored)
        return unexpected(stored.error());
    if (!canStore(text))
        return Check::Differs;
    return *stored == ScrambleMasterPassword(text) ? Check::Matches : Check::Differs;
}

Expected<void> MasterPasswordFile::write(const QString& masterPassword) const {
    if (!canStore(masterPassword))
        return unexpected({m_path + u" is unchanged: the new password holds a character that can't be stored."_s});
    const Expected<QByteArray> old = readWhole();
    if (!old)
        return unexpected(old.error());
    const QByteArray content = ScrambleMasterPassword(masterPassword) + old->mid(Size);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    AsideFile file(m_path);
    if (Expected<void> opened = file.open(); !opened)
        return opened;
    if (::fchmod(file.fd(), 0600) != 0)
        return FileIo::failWithErrno();
    if (Expected<void> written = FileIo::writeFully(file.fd(), content.constData(), content.size()); !written)
        return written;
    return file.commit();
}
