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

} // namespace

// The file a value is given to: a path, never followed through a symbolic link, or an open file.
struct FileAttributes::Target {
    QByteArray path;
    int fd = -1;

    int stat(struct stat& info) const {
        return (fd >= 0 ? ::fstat(fd, &info) : ::lstat(path.constData(), &info)) == 0 ? 0 : errno;
    }
    ExtendedAttributes::Value stored(const ExtendedAttributes& store) const {
        return fd >= 0 ? store.getOnFile(fd, DosAttrib::Name) : store.get(path, DosAttrib::Name);
    }
    int store(ExtendedAttributes& store, const QByteArray& value) const {
        return fd >= 0 ? store.setOnFile(fd, DosAttrib::Name, value) : store.set(path, DosAttrib::Name, value);
    }
    // Changes the permission bits without following a symbolic link put there meanwhile.
    int changeMode(mode_t& current, mode_t wanted) const {
        if (wanted == current)
            return 0;
        const int result =
            fd >= 0 ? ::fchmod(fd, wanted) : ::fchmodat(AT_FDCWD, path.constData(), wanted, AT_SYMLINK_NOFOLLOW);
        if (result != 0)
            return errno;
        current = wanted;
        return 0;
    }
};

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
    return write(Target{QFile::encodeName(path)}, value, error);
}

bool FileAttributes::write(int fd, quint32 value, QString* error) const {
    return write(Target{{}, fd}, value, error);
}

bool FileAttributes::write(const Target& target, quint32 value, QString* error) const {
    struct stat info {};
    if (const int code = target.stat(info))
        return fail(error, code);
    // EPERM is what the system itself answers for a user attribute on a link or special file.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return fail(error, EPERM);
    const bool folder = S_ISDIR(info.st_mode);
    mode_t mode = info.st_mode & 07777;

    const ExtendedAttributes::Value old = target.stored(m_store);
    const std::optional<quint32> oldValue = old.error == 0 ? DosAttrib::decode(old.bytes) : std::nullopt;
    const quint32 newValue = (oldValue.value_or(0) & ~(Settable | Attr::Directory)) | (value & Settable);
    // Storing again what is stored would fail needlessly on a file without write permission.
    const bool storeNeeded = oldValue != newValue;
    auto store = [&] { return storeNeeded ? target.store(m_store, DosAttrib::encode(newValue)) : 0; };

    int storeError = 0;
    if (folder) {
        storeError = store();
    } else if (value & Attr::ReadOnly) {
        // Changing a user attribute takes write permission, so a file that has none (read-only
        // by its permission bits alone) is lent the owner's for the change.
        const mode_t original = mode;
        if (storeNeeded) {
            if (const int code = target.changeMode(mode, mode | S_IWUSR))
                return fail(error, code);
        }
        storeError = store();
        if (storeError != 0 && storeError != ENOTSUP) {
            target.changeMode(mode, original);
            return fail(error, storeError);
        }
        if (const int code = target.changeMode(mode, original & ~AnyWrite))
            return fail(error, code);
    } else {
        if (const int code = target.changeMode(mode, writableMode(mode)))
            return fail(error, code);
        storeError = store();
    }

    // Without extended attributes a file's read-only bit still lives in its permission bits.
    const quint32 keptByPermissions = folder ? 0 : Attr::ReadOnly;
    if (storeError == ENOTSUP && (value & Settable & ~keptByPermissions) == 0)
        storeError = 0;
    return storeError == 0 || fail(error, storeError);
}
