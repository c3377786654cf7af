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

std::optional<QByteArray> MasterPasswordFile::read(QString* error) const {
    const std::optional<QByteArray> stored = readWhole(error);
    if (!stored)
        return std::nullopt;
    return storedForm(*stored);
}

std::optional<QByteArray> MasterPasswordFile::readWhole(QString* error) const {
    // Only a file that is not there reads as empty: a link, a pipe or a folder is refused.
    struct stat info;
    if (::lstat(QFile::encodeName(m_path).constData(), &info) != 0 && errno == ENOENT)
        return QByteArray();
    const Descriptor file = FileIo::openForReading(m_path, error);
    if (!file.isOpen())
        return std::nullopt;
    return FileIo::readAll(file.fd(), LongestFile, error);
}

MasterPasswordFile::Check MasterPasswordFile::check(const QString& text, QString* error) const {
    const std::optional<QByteArray> stored = read(error);
    if (!stored)
        return Check::Unreadable;
    if (!canStore(text))
        return Check::Differs;
    return *stored == ScrambleMasterPassword(text) ? Check::Matches : Check::Differs;
}

bool MasterPasswordFile::write(const QString& masterPassword, QString* error) const {
    if (!canStore(masterPassword))
        return FileIo::fail(error,
                            m_path + u" is unchanged: the new password holds a character that can't be stored."_s);
    const std::optional<QByteArray> old = readWhole(error);
    if (!old)
        return false;
    const QByteArray content = ScrambleMasterPassword(masterPassword) + old->mid(Size);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    AsideFile file(m_path);
    if (!file.open(error))
        return false;
    if (::fchmod(file.fd(), 0600) != 0 || !FileIo::writeFully(file.fd(), content.constData(), content.size()))
        return FileIo::failWithCode(error, errno);
    return file.commit(error);
}
