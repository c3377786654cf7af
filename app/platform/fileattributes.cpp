/*
 * The attribute engine on Linux: the store the file system offers, plus permission bits.
 */
#include "app/platform/fileattributes.h"

#include "app/fileio/descriptor.h"
#include "app/fileio/fileio.h"
#include "app/platform/attributes.h"
#include "app/platform/dosattrib.h"
#include "app/platform/extendedattributes.h"
#include "app/platform/volumecalls.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The bits a caller gives; Directory is derived from the file type and never taken from storage.
constexpr quint32 Settable = Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::Archive;
constexpr mode_t AnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

Unexpected<Error> fail(int code) {
    return unexpected(Error::fromCode(code));
}

bool isDotName(const QString& path) {
    return QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName().startsWith(u'.');
}

// Write permission given back when read-only is cleared: the owner's, and the group's and
// others' where they may read, as far as the umask would give it to a new file. A file that has
// a write bit was not read-only by its permissions and keeps them as they are.
mode_t writableMode(mode_t mode) {
    if (mode & AnyWrite)
        return mode;
    const mode_t readersWrite = (mode & (S_IRGRP | S_IROTH)) >> 1;
    // An unknown umask lends nothing beyond the owner.
    return mode | S_IWUSR | (readersWrite & ~FileIo::processUmask().value_or(S_IRWXG | S_IRWXO));
}

// Windows' attribute word on NTFS volumes; FILE_ATTRIBUTE_NORMAL is what it reads when empty.
constexpr char NtfsWordName[] = "system.ntfs_attrib_be";
constexpr quint32 NtfsNormal = 0x80;

// What a file system that keeps no extended attributes answers.
Expected<QByteArray> notKept() {
    return unexpected(Error::fromCode(ENOTSUP));
}

std::optional<quint32> ntfsWord(const Expected<QByteArray>& stored) {
    if (!stored || stored->size() != 4)
        return std::nullopt;
    quint32 word = 0;
    for (const char byte : *stored)
        word = (word << 8) | quint8(byte);
    return word;
}

QByteArray ntfsWordBytes(quint32 word) {
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((word >> shift) & 0xFF));
    return bytes;
}

} // namespace

// The file a value is given to: a path, never followed through a symbolic link, or an open file.
struct FileAttributes::Target {
    QByteArray path;
    int fd = -1;

    Expected<struct stat> status() const {
        struct stat info {};
        if ((fd >= 0 ? ::fstat(fd, &info) : ::lstat(path.constData(), &info)) != 0)
            return fail(errno);
        return info;
    }
    Expected<QByteArray> stored(const ExtendedAttributes& store, const char* name = DosAttrib::Name) const {
        return fd >= 0 ? store.getOnFile(fd, name) : store.get(path, name);
    }
    Expected<void> store(ExtendedAttributes& store, const QByteArray& value, const char* name = DosAttrib::Name) const {
        return fd >= 0 ? store.setOnFile(fd, name, value) : store.set(path, name, value);
    }
    // The store of the file system that holds the file. A symbolic link lies on its folder's.
    AttributeStore storeKind(const ExtendedAttributes& store, const VolumeCalls& volumes, bool link) const {
        quint32 type = 0;
        if (fd >= 0)
            type = volumes.fileSystemTypeOfFile(fd);
        else
            type = volumes.fileSystemType(link ? QFile::encodeName(QFileInfo(QFile::decodeName(path)).path()) : path);
        const bool answersNtfsWord = type == FileSystemType::Fuse && !link && ntfsWord(stored(store, NtfsWordName));
        return storeFor(type, answersNtfsWord);
    }
    // The descriptor the FAT ioctls act on: the open file, or the path opened without following
    // a symbolic link (checked to be still the file that was examined).
    Expected<Descriptor> open(const struct stat& examined) const {
        if (fd >= 0)
            return Descriptor(::dup(fd));
        Descriptor opened(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!opened.isOpen() || ::fstat(opened.fd(), &info) != 0)
            return fail(errno);
        if (info.st_dev != examined.st_dev || info.st_ino != examined.st_ino)
            return fail(ENOENT);
        return opened;
    }
    // Changes the permission bits without following a symbolic link put there meanwhile.
    Expected<void> changeMode(mode_t& current, mode_t wanted) const {
        if (wanted == current)
            return {};
        const int result =
            fd >= 0 ? ::fchmod(fd, wanted) : ::fchmodat(AT_FDCWD, path.constData(), wanted, AT_SYMLINK_NOFOLLOW);
        if (result != 0)
            return fail(errno);
        current = wanted;
        return {};
    }
};

VolumeCalls& FileAttributes::defaultVolumes() {
    return VolumeCalls::system();
}

FileAttributes::FileAttributes(ExtendedAttributes& store, VolumeCalls& volumes)
    : m_store(store)
    , m_volumes(volumes) {}

std::optional<quint32> FileAttributes::read(const QString& path) const {
    return read(Target{QFile::encodeName(path)}, path);
}

std::optional<quint32> FileAttributes::read(int fd, const QString& path) const {
    return read(Target{{}, fd}, path);
}

std::optional<quint32> FileAttributes::read(const Target& target, const QString& path) const {
    const Expected<struct stat> examined = target.status();
    if (!examined)
        return std::nullopt;
    const struct stat& info = *examined;
    const bool folder = S_ISDIR(info.st_mode);
    const quint32 directory = folder ? Attr::Directory : 0;

    // Windows' own bits are the whole answer where the volume keeps them, read-only included.
    std::optional<quint32> native;
    const AttributeStore kind = target.storeKind(m_store, m_volumes, S_ISLNK(info.st_mode));
    switch (kind) {
    case AttributeStore::NtfsWord:
        native = ntfsWord(target.stored(m_store, NtfsWordName));
        break;
    case AttributeStore::FatIoctl:
        if (S_ISREG(info.st_mode) || folder)
            if (const Expected<Descriptor> opened = target.open(info))
                if (const Expected<quint32> bits = m_volumes.fatAttributes(opened->fd()))
                    native = *bits;
        break;
    case AttributeStore::DosAttrib:
    case AttributeStore::None:
        break;
    }
    if (native)
        return (*native & Settable) | directory;

    const Expected<QByteArray> stored = kind == AttributeStore::None ? notKept() : target.stored(m_store);
    const std::optional<quint32> value = stored ? DosAttrib::decode(*stored) : std::nullopt;
    quint32 result = 0;
    if (value)
        result = *value & Settable;
    else if (isDotName(path))
        result = Attr::Hidden;

    if (folder)
        result |= Attr::Directory;
    else if ((info.st_mode & AnyWrite) == 0)
        result |= Attr::ReadOnly;
    return result;
}

Expected<void> FileAttributes::write(const QString& path, quint32 value) const {
    return write(Target{QFile::encodeName(path)}, value);
}

Expected<void> FileAttributes::write(int fd, quint32 value) const {
    return write(Target{{}, fd}, value);
}

Expected<void> FileAttributes::write(const Target& target, quint32 value) const {
    const Expected<struct stat> examined = target.status();
    if (!examined)
        return unexpected(examined.error());
    const struct stat& info = *examined;
    // EPERM is what the system itself answers for a user attribute on a link or special file.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return fail(EPERM);

    switch (target.storeKind(m_store, m_volumes, false)) {
    case AttributeStore::NtfsWord:
        return writeNtfsWord(target, value);
    case AttributeStore::FatIoctl:
        return writeFat(target, info, value);
    case AttributeStore::None:
        return writeDosAttrib(target, info, value, false);
    case AttributeStore::DosAttrib:
        break;
    }
    return writeDosAttrib(target, info, value, true);
}

// The word keeps the bits Windows manages itself (directory, compressed, sparse, ...); the
// permission bits stay as the mount presents them.
Expected<void> FileAttributes::writeNtfsWord(const Target& target, quint32 value) const {
    const Expected<QByteArray> old = target.stored(m_store, NtfsWordName);
    const std::optional<quint32> oldWord = ntfsWord(old);
    if (!oldWord)
        return fail(!old ? old.error().code : EIO);
    const quint32 newWord = (*oldWord & ~(Settable | NtfsNormal)) | (value & Settable);
    if (newWord == (*oldWord & ~NtfsNormal))
        return {};
    return target.store(m_store, ntfsWordBytes(newWord), NtfsWordName);
}

// The kernel keeps the permission bits in step with the read-only bit itself.
Expected<void> FileAttributes::writeFat(const Target& target, const struct stat& info, quint32 value) const {
    const Expected<Descriptor> opened = target.open(info);
    if (!opened)
        return unexpected(opened.error());
    const Expected<quint32> old = m_volumes.fatAttributes(opened->fd());
    if (!old)
        return unexpected(old.error());
    const quint32 bits = (*old & ~Settable) | (value & Settable);
    if (bits == *old)
        return {};
    return m_volumes.setFatAttributes(opened->fd(), bits);
}

Expected<void> FileAttributes::writeDosAttrib(const Target& target, const struct stat& info, quint32 value,
                                              bool kept) const {
    const bool folder = S_ISDIR(info.st_mode);
    mode_t mode = info.st_mode & 07777;

    const Expected<QByteArray> old = kept ? target.stored(m_store) : notKept();
    const std::optional<quint32> oldValue = old ? DosAttrib::decode(*old) : std::nullopt;
    const quint32 newValue = (oldValue.value_or(0) & ~(Settable | Attr::Directory)) | (value & Settable);
    // Storing again what is stored would fail needlessly on a file without write permission.
    const bool storeNeeded = oldValue != newValue;
    auto store = [&]() -> Expected<void> {
        if (!kept)
            return fail(ENOTSUP);
        return storeNeeded ? target.store(m_store, DosAttrib::encode(newValue)) : Expected<void>();
    };

    Expected<void> stored;
    if (folder) {
        stored = store();
    } else if (value & Attr::ReadOnly) {
        // Changing a user attribute takes write permission, so a file that has none (read-only
        // by its permission bits alone) is lent the owner's for the change.
        const mode_t original = mode;
        if (storeNeeded)
            if (Expected<void> lent = target.changeMode(mode, mode | S_IWUSR); !lent)
                return lent;
        stored = store();
        if (!stored && stored.error().code != ENOTSUP) {
            target.changeMode(mode, original);
            return stored;
        }
        if (Expected<void> changed = target.changeMode(mode, original & ~AnyWrite); !changed)
            return changed;
    } else {
        if (Expected<void> changed = target.changeMode(mode, writableMode(mode)); !changed)
            return changed;
        stored = store();
    }

    // Without extended attributes a file's read-only bit still lives in its permission bits.
    const quint32 keptByPermissions = folder ? 0 : Attr::ReadOnly;
    if (!stored && stored.error().code == ENOTSUP && (value & Settable & ~keptByPermissions) == 0)
        return {};
    return stored;
}
