/*
 * Scrambling, reading and writing the master password.
 */
#include "app/crypt/engine/masterpasswordfile.h"

#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/platform/platform.h"
#include "common/secretwipe.h"

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
    QByteArray latin = text.toLatin1();
    const Secret::WipedOnExit wipeLatin(latin);
    // The rest still to scramble starts here; shortening the array instead would leave the bytes
    // it drops where no wipe reaches them.
    qsizetype from = 0;
    QByteArray scrambled;
    scrambled.reserve(Size);
    for (qsizetype i = 1; i <= Size; ++i) {
        const int code = from >= latin.size() ? '0' : static_cast<unsigned char>(latin.at(from));
        const int key = 255 - code;
        scrambled.append(static_cast<char>(key == 255 - '0' ? 0 : key));
        // The rest is the last 8 - i characters; a text no longer than that stays as it is, which
        // is what repeats the first character of a short text.
        if (latin.size() - from > Size - i)
            from = latin.size() - (Size - i);
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
    Expected<QByteArray> whole = readWhole();
    if (!whole)
        return whole;
    const Secret::WipedOnExit wipeWhole(*whole);
    return storedForm(*whole);
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
    Expected<QByteArray> stored = read();
    if (!stored)
        return unexpected(stored.error());
    const Secret::WipedOnExit wipeStored(*stored);
    if (!canStore(text))
        return Check::Differs;
    QByteArray scrambled = ScrambleMasterPassword(text);
    const Secret::WipedOnExit wipeScrambled(scrambled);
    return *stored == scrambled ? Check::Matches : Check::Differs;
}

Expected<void> MasterPasswordFile::write(const QString& masterPassword) const {
    if (!canStore(masterPassword))
        return unexpected({m_path + u" is unchanged: the new password holds a character that can't be stored."_s});
    Expected<QByteArray> old = readWhole();
    if (!old)
        return unexpected(old.error());
    const Secret::WipedOnExit wipeOld(*old);
    QByteArray content = ScrambleMasterPassword(masterPassword) + old->mid(Size);
    const Secret::WipedOnExit wipeContent(content);
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
