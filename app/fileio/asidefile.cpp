/*
 * Writing aside and renaming into place, on Linux.
 */
#include "app/fileio/asidefile.h"

#include "app/fileio/fileio.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRandomGenerator>

#include <cctype>
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/msdos_fs.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char Marker[] = ".unfinished-";
constexpr int SuffixLength = 6;
constexpr int Attempts = 100;
// The mark of a file this program writes aside, where the file system keeps extended attributes,
// and on FAT, which keeps none.
constexpr char MarkName[] = "user.vexa-password.unfinished";
constexpr quint32 FatMark = ATTR_HIDDEN | ATTR_SYS;

bool isMarked(int fd) {
    if (::fgetxattr(fd, MarkName, nullptr, 0) >= 0)
        return true;
    const Expected<quint32> bits = FileIo::fatAttributes(fd);
    return bits && (*bits & FatMark) == FatMark;
}

QByteArray randomSuffix() {
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(SuffixLength, Qt::Uninitialized);
    for (char& c : suffix)
        c = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return suffix;
}

// Whether O_TMPFILE failed because this file system (or kernel) cannot make unnamed files.
bool unnamedUnsupported(int code) {
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL || code == ENOENT;
}

// Renames from to to within folder unless to exists (EEXIST then); 0 or the errno. Where the
// file system cannot refuse in the rename itself (NFS, FUSE ones such as ntfs-3g answer EINVAL), a
// hard link, which fails on an existing name just as atomically, takes its place and the aside
// name goes; where there are no hard links either, nothing is put in place: a look at the name
// followed by a plain rename could replace a file that appeared in between.
int renameNoReplace(int folder, const char* from, const char* to) {
    if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    if (::linkat(folder, from, folder, to, 0) != 0)
        return errno;
    ::unlinkat(folder, from, 0);
    return 0;
}

} // namespace

AsideFile::AsideFile(const QString& finalPath, Kind kind)
    : m_finalPath(finalPath)
    , m_kind(kind) {
    const QFileInfo info(finalPath);
    m_folderPath = QFile::encodeName(info.absolutePath());
    m_finalName = QFile::encodeName(info.fileName());
}

AsideFile::AsideFile(int folderFd, const QString& finalPath, Kind kind)
    : AsideFile(finalPath, kind) {
    m_folder.reset(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    m_folderError = m_folder.isOpen() ? 0 : errno;
}

AsideFile::~AsideFile() {
    discard();
}

QByteArray AsideFile::temporaryPrefix(const QByteArray& finalName) {
    // Leaves room for the marker and suffix within the longest name a folder entry can have.
    const qsizetype room = NAME_MAX - 1 - qsizetype(sizeof Marker - 1) - SuffixLength;
    return '.' + finalName.left(room) + Marker;
}

bool AsideFile::isTemporaryName(QByteArrayView name) {
    const qsizetype marker = name.size() - SuffixLength - qsizetype(sizeof Marker - 1);
    if (marker < 1 || !name.startsWith('.') || name.sliced(marker, sizeof Marker - 1) != Marker)
        return false;
    for (const char c : name.last(SuffixLength)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

QString AsideFile::temporaryPath() const {
    if (m_linkedName.isEmpty())
        return {};
    return QFile::decodeName(m_folderPath + '/' + m_linkedName);
}

Expected<void> AsideFile::open(mode_t mode) {
    discard();
    if (m_finalName.isEmpty())
        return unexpected(Error::fromCode(EISDIR));
    if (m_folderError != 0)
        return unexpected(Error::fromCode(m_folderError));
    if (!m_folder.isOpen())
        m_folder.reset(::open(m_folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_folder.isOpen())
        return FileIo::failWithErrno();
    if (m_kind == Kind::Automatic) {
        m_file.reset(::openat(m_folder.fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
        if (m_file.isOpen())
            return {};
        if (!unnamedUnsupported(errno))
            return FileIo::failWithErrno();
    }
    return createNamed();
}

Expected<void> AsideFile::createNamed() {
    removeLeftovers();
    const QByteArray prefix = temporaryPrefix(m_finalName);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const QByteArray name = prefix + randomSuffix();
        Descriptor file(
            ::openat(m_folder.fd(), name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.isOpen() && lockCreated(file.fd(), name)) {
            m_file = std::move(file);
            m_linkedName = name;
            markUnfinished();
            return {};
        }
        if (!file.isOpen() && errno != EEXIST)
            return FileIo::failWithErrno();
    }
    return unexpected(Error::fromCode(EEXIST));
}

bool AsideFile::lockCreated(int fd, const QByteArray& name) {
    // A file system without locks has no leftover removal either.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    struct stat created {
    }, named{};
    return ::fstat(fd, &created) == 0 && ::fstatat(m_folder.fd(), name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           created.st_ino == named.st_ino && created.st_dev == named.st_dev;
}

void AsideFile::markUnfinished() {
    if (::fsetxattr(m_file.fd(), MarkName, "", 0, 0) == 0) {
        m_mark = Mark::Attribute;
    } else if (const Expected<quint32> bits = FileIo::fatAttributes(m_file.fd());
               bits && FileIo::setFatAttributes(m_file.fd(), *bits | FatMark)) {
        m_mark = Mark::FatBits;
        m_fatMarkBits = FatMark & ~*bits;
    }
}

void AsideFile::unmark() {
    const int fd = m_file.fd();
    struct stat info {};
    // Taking an attribute off takes write permission, which a file made read-only is lent.
    if (m_mark == Mark::Attribute && ::fremovexattr(fd, MarkName) != 0 && errno == EACCES && ::fstat(fd, &info) == 0 &&
        ::fchmod(fd, (info.st_mode & 07777) | S_IWUSR) == 0) {
        ::fremovexattr(fd, MarkName);
        ::fchmod(fd, info.st_mode & 07777);
    }
    if (m_mark == Mark::FatBits)
        if (const Expected<quint32> bits = FileIo::fatAttributes(fd))
            FileIo::setFatAttributes(fd, *bits & ~m_fatMarkBits);
    m_mark = Mark::None;
}

void AsideFile::removeLeftovers() {
    if (FileIo::onNetworkShare(m_folder.fd()))
        return;
    DIR* folder = ::fdopendir(::dup(m_folder.fd()));
    if (!folder)
        return;
    const QByteArray prefix = temporaryPrefix(m_finalName);
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(prefix) || name.size() != prefix.size() + SuffixLength || !isTemporaryName(name))
            continue;
        // A file whose lock can be taken has no writer left. One this user may not open, or does
        // not own, is not ours to judge.
        const Descriptor file(
            ::openat(m_folder.fd(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened {
        }, named{};
        if (file.isOpen() && ::fstat(file.fd(), &opened) == 0 && S_ISREG(opened.st_mode) &&
            opened.st_uid == ::geteuid() && isMarked(file.fd()) && ::flock(file.fd(), LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(m_folder.fd(), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev)
            ::unlinkat(m_folder.fd(), entry->d_name, 0);
    }
    ::closedir(folder);
}

Expected<void> AsideFile::linkAs(const QByteArray& name) {
    // Linking through /proc needs no privilege; AT_EMPTY_PATH is the way without /proc.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_file.fd());
    if (::linkat(AT_FDCWD, self.constData(), m_folder.fd(), name.constData(), AT_SYMLINK_FOLLOW) == 0 ||
        (errno == ENOENT && ::linkat(m_file.fd(), "", m_folder.fd(), name.constData(), AT_EMPTY_PATH) == 0))
        return {};
    return FileIo::failWithErrno();
}

Expected<QByteArray> AsideFile::linkUnnamed() {
    // Locked and marked before it gets a name, so no leftover removal takes it while it is written
    // and one left by a killed process is known for this program's.
    ::flock(m_file.fd(), LOCK_EX | LOCK_NB);
    markUnfinished();
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        QByteArray name = temporaryPrefix(m_finalName) + randomSuffix();
        const Expected<void> linked = linkAs(name);
        if (linked)
            return name;
        if (linked.error().code != EEXIST)
            return unexpected(linked.error());
    }
    return unexpected(Error::fromCode(EEXIST));
}

Expected<void> AsideFile::commit(Replace replace, const std::function<void(int)>& inPlace, Flush flush) {
    if (!m_file.isOpen())
        return unexpected(Error::fromCode(EBADF));
    if (flush == Flush::Here && ::fsync(m_file.fd()) != 0) {
        const int code = errno;
        discard();
        return unexpected(Error::fromCode(code));
    }
    if (m_linkedName.isEmpty()) {
        // An unnamed file takes the final name at once where it is free. linkat cannot replace
        // an existing name: to replace one, the file gets a hidden name first and is renamed.
        const Expected<void> linked = linkAs(m_finalName);
        if (linked)
            return finish(inPlace, flush);
        if (replace == Replace::No || linked.error().code != EEXIST) {
            discard();
            return linked;
        }
        Expected<QByteArray> name = linkUnnamed();
        if (!name) {
            discard();
            return unexpected(std::move(name).error());
        }
        m_linkedName = *name;
    }
    const int code = rename(replace);
    if (code != 0) {
        discard();
        return unexpected(Error::fromCode(code));
    }
    m_linkedName.clear();
    return finish(inPlace, flush);
}

int AsideFile::rename(Replace replace) {
    const int folder = m_folder.fd();
    const char* const from = m_linkedName.constData();
    const char* const to = m_finalName.constData();
    if (replace == Replace::No || (replace == Replace::Agreed && !m_agreed))
        return renameNoReplace(folder, from, to);
    if (replace == Replace::Agreed) {
        // The name leads to the agreed file (or, once that is gone, to nothing): the rename follows
        // at once.
        struct stat existing {};
        if (::fstatat(folder, to, &existing, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? renameNoReplace(folder, from, to) : errno;
        if (std::pair(existing.st_dev, existing.st_ino) != *m_agreed)
            return EEXIST;
    }
    return ::renameat(folder, from, folder, to) == 0 ? 0 : errno;
}

Expected<void> AsideFile::finish(const std::function<void(int)>& inPlace, Flush flush) {
    // The file is in place: a failure from here on is reported, but nothing is undone.
    m_inPlace = true;
    unmark();
    if (inPlace)
        inPlace(m_file.fd());
    const Expected<void> closed = m_file.close();
    const Expected<void> synced = flush == Flush::ByCaller ? Expected<void>() : FileIo::syncFolder(m_folder.fd());
    return closed ? synced : closed;
}

void AsideFile::discard() {
    if (!m_linkedName.isEmpty() && m_folder.isOpen())
        ::unlinkat(m_folder.fd(), m_linkedName.constData(), 0);
    m_linkedName.clear();
    m_file.reset();
}
