/*
 * The attribute engine on Linux: extended attributes plus permission bits.
 */
#include "fileattributes.h"

#include "attributes.h"
#include "dosattrib.h"
#include "extendedattributes.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The bits a caller gives; Directory is derived from the file type and never taken from storage.
constexpr quint32 Settable = Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::Archive;
constexpr mode_t AnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

bool fail(QString* error, int code) {
    if (error)
        *error = qt_error_string(code);
    return false;
}

bool isDotName(const QString& path) {
    return QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName().startsWith(u'.');
}

// The process's umask, read without changing it (umask() can only be read by setting it, which
// would briefly affect files other threads create). Unknown: lend nothing beyond the owner.
mode_t currentUmask() {
    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return static_cast<mode_t>(mask);
            }
        }
    }
    return S_IRWXG | S_IRWXO;
}

// Write permission given back when read-only is cleared: the owner's, and the group's and
// others' where they may read, as far as the umask would give it to a new file. A file that has
// a write bit was not read-only by its permissions and keeps them as they are.
mode_t writableMode(mode_t mode) {
    if (mode & AnyWrite)
        return mode;
    const mode_t readersWrite = (mode & (S_IRGRP | S_IROTH)) >> 1;
    return mode | S_IWUSR | (readersWrite & ~currentUmask());
}

// Changes the permission bits without following a symbolic link put there meanwhile.
int changeMode(const QByteArray& path, mode_t& current, mode_t wanted) {
    if (wanted == current)
        return 0;
    if (::fchmodat(AT_FDCWD, path.constData(), wanted, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    current = wanted;
    return 0;
}

} // namespace

std::optional<quint32> FileAttributes::read(const QString& path) const {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return std::nullopt;

    const ExtendedAttributes::Value stored = m_store.get(name, DosAttrib::Name);
    const std::optional<quint32> value = stored.error == 0 ? DosAttrib::decode(stored.bytes) : std::nullopt;
    quint32 result = 0;
    if (value)
        result = *value & Settable;
    else if (isDotName(path))
        result = Attr::Hidden;

    if (S_ISDIR(info.st_mode))
        result |= Attr::Directory;
    else if ((info.st_mode & AnyWrite) == 0)
        result |= Attr::ReadOnly;
    return result;
}

bool FileAttributes::write(const QString& path, quint32 value, QString* error) const {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return fail(error, errno);
    // EPERM is what the system itself answers for a user attribute on a link or special file.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return fail(error, EPERM);
    const bool folder = S_ISDIR(info.st_mode);
    mode_t mode = info.st_mode & 07777;

    const ExtendedAttributes::Value old = m_store.get(name, DosAttrib::Name);
    const std::optional<quint32> oldValue = old.error == 0 ? DosAttrib::decode(old.bytes) : std::nullopt;
    const quint32 newValue = (oldValue.value_or(0) & ~(Settable | Attr::Directory)) | (value & Settable);
    // Storing again what is stored would fail needlessly on a file without write permission.
    const bool storeNeeded = oldValue != newValue;
    auto store = [&] { return storeNeeded ? m_store.set(name, DosAttrib::Name, DosAttrib::encode(newValue)) : 0; };

    int storeError = 0;
    if (folder) {
        storeError = store();
    } else if (value & Attr::ReadOnly) {
        // Changing a user attribute takes write permission, so a file that has none (read-only
        // by its permission bits alone) is lent the owner's for the change.
        const mode_t original = mode;
        if (storeNeeded) {
            if (const int code = changeMode(name, mode, mode | S_IWUSR))
                return fail(error, code);
        }
        storeError = store();
        if (storeError != 0 && storeError != ENOTSUP) {
            changeMode(name, mode, original);
            return fail(error, storeError);
        }
        if (const int code = changeMode(name, mode, original & ~AnyWrite))
            return fail(error, code);
    } else {
        if (const int code = changeMode(name, mode, writableMode(mode)))
            return fail(error, code);
        storeError = store();
    }

    // Without extended attributes a file's read-only bit still lives in its permission bits.
    const quint32 keptByPermissions = folder ? 0 : Attr::ReadOnly;
    if (storeError == ENOTSUP && (value & Settable & ~keptByPermissions) == 0)
        storeError = 0;
    return storeError == 0 || fail(error, storeError);
}
