/*
 * Pass locks: open-file-description write locks (F_OFD_SETLK) on one byte of a lock file per
 * device, at the input's inode number. Nothing is made or removed per input, a lock ends when its
 * descriptor is closed (by a killed process too), and two locks of one process exclude each other
 * as those of two processes do. The folders on the way are opened one from the other without
 * following links, so what is judged is what is used.
 */
#include "app/fileio/passlock.h"

#include "app/fileio/fileio.h"

#include <QtCore/QFile>
#include <QtCore/QList>

#include <cerrno>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The codes with which a file system says that it keeps no locks at all.
bool locksUnsupported(int code) {
    return code == ENOLCK || code == EINVAL || code == EOPNOTSUPP || code == ENOSYS;
}

QString refusal(const QString& folder, const QString& why) {
    return u"The lock folder "_s + folder + u" can't be used: "_s + why +
           u" Files are locked there so that no two passes work on the same file."_s;
}

// The home folder the password database gives an account; empty when it gives none.
QByteArray homeOf(uid_t user) {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < 1 << 20)
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QByteArray(found->pw_dir) : QByteArray();
}

// Where an account's locks live: the folders to open (or make), one in the other, from base.
struct Place {
    Descriptor base;
    QByteArray basePath;
    QList<QByteArray> steps;
    bool shared = false; // base is a folder every account writes in: the one step must be 0700
    mode_t baseMode = 0;

    QString folderPath() const { return QFile::decodeName(basePath + '/' + steps.join('/')); }
};

Place placeFor(uid_t user, const QString& homeOverride) {
    const QByteArray home = homeOverride.isEmpty() ? homeOf(user) : QFile::encodeName(homeOverride);
    // The home path is the administrator's: links in it are followed.
    Descriptor folder(home.startsWith('/') ? ::open(home.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
    struct stat info {};
    if (folder.isOpen() && ::fstat(folder.fd(), &info) == 0 && info.st_uid == user &&
        !FileIo::onNetworkShare(folder.fd()))
        return {std::move(folder), home, {".local", "state", "vexa-password", "locks"}, false, info.st_mode};
    // Not the runtime folder: it is not there for cron jobs or every ssh session.
    static const QByteArray shared = [] {
        struct stat info {};
        return QByteArray(::lstat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp");
    }();
    return {Descriptor(::open(shared.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
            shared,
            {"vexa-password-" + QByteArray::number(user)},
            true};
}

QString writableByOthers(const QString& subject, mode_t mode) {
    return u"other accounts may write in "_s + subject + u" (its permissions are "_s +
           QString::number(mode & 07777, 8).rightJustified(4, u'0') + u")."_s;
}

// The folder name in parent (at path), made 0700 when missing, as long as it is the user's own and
// no other account may change it; the error says what is wrong with it.
Expected<Descriptor> enterFolder(int parent, const QByteArray& name, const QByteArray& path, bool last, bool shared) {
    const QString subject = last ? u"it"_s : QFile::decodeName(path);
    const bool made = ::mkdirat(parent, name.constData(), 0700) == 0;
    const int notMade = made ? EEXIST : errno;
    Descriptor folder(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!folder.isOpen() || ::fstat(folder.fd(), &info) != 0) {
        const int code = errno == ENOENT && notMade != EEXIST ? notMade : errno;
        // Judged by its name then: a folder of another account may not even be opened.
        if (::fstatat(parent, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()))
            return unexpected({QFile::decodeName(path) + u": "_s + FileIo::errorText(code) + u'.', code});
        if (!S_ISDIR(info.st_mode))
            return unexpected(
                {subject + (S_ISLNK(info.st_mode) ? u" is a symbolic link, not a folder."_s : u" is not a folder."_s)});
    }
    if (info.st_uid != ::geteuid())
        return unexpected({subject + u" belongs to another account."_s});
    // One made under a strict umask (0277 leaves dr-x------), or left so by a run stopped right
    // after making it, could take nothing in.
    if ((made || (info.st_mode & S_IRWXU) != S_IRWXU) && ::fchmod(folder.fd(), 0700) == 0)
        info.st_mode = (info.st_mode & ~07777) | 0700;
    if (shared && (info.st_mode & 07777) != 0700)
        return unexpected({u"other accounts may use "_s + subject + u" (its permissions are not 0700)."_s});
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        return unexpected({writableByOthers(subject, info.st_mode)});
    return folder;
}

// Opens the lock folder of the running account, making the missing folders on the way.
Expected<Descriptor> openFolder(const QString& homeOverride) {
    Place place = placeFor(::geteuid(), homeOverride);
    if (!place.base.isOpen())
        return unexpected({refusal(place.folderPath(), FileIo::errorText(errno) + u'.')});
    if (place.baseMode & (S_IWGRP | S_IWOTH))
        return unexpected(
            {refusal(place.folderPath(), writableByOthers(QFile::decodeName(place.basePath), place.baseMode))});
    Descriptor folder = std::move(place.base);
    QByteArray path = place.basePath;
    const QList<QByteArray>& steps = place.steps;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        path += '/' + steps[i];
        Expected<Descriptor> next = enterFolder(folder.fd(), steps[i], path, i == steps.size() - 1, place.shared);
        if (!next)
            return unexpected({refusal(place.folderPath(), next.error().message), next.error().code});
        folder = std::move(*next);
    }
    return folder;
}

// The lock folder, judged once and kept open while the program runs as the same user: every pass
// finds it without a look at its name, and only its owner could change it afterwards. A folder
// removed meanwhile takes no new lock files (ENOENT); it is then opened and judged again.
class LockFolder {
public:
    Expected<std::shared_ptr<const Descriptor>> open(const QString& homeOverride) {
        const std::lock_guard lock(m_mutex);
        const uid_t user = ::geteuid();
        if (!m_folder || user != m_user || homeOverride != m_home) {
            Expected<Descriptor> folder = openFolder(homeOverride);
            if (!folder)
                return unexpected(std::move(folder).error());
            m_folder = std::make_shared<const Descriptor>(std::move(*folder));
            m_user = user;
            m_home = homeOverride;
        }
        return m_folder;
    }
    void forget(const std::shared_ptr<const Descriptor>& folder) {
        const std::lock_guard lock(m_mutex);
        if (m_folder == folder)
            m_folder.reset();
    }

private:
    std::mutex m_mutex;
    std::shared_ptr<const Descriptor> m_folder;
    uid_t m_user = 0;
    QString m_home;
};

LockFolder& lockFolder() {
    static LockFolder folder;
    return folder;
}

// Opens the lock file of name in folder for writing, making it when missing.
Descriptor openLockFile(int folder, const QByteArray& name) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        Descriptor file(::openat(folder, name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (file.isOpen())
            return file;
        if (errno == ENOENT) {
            file.reset(::openat(folder, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            // Whatever the umask, the user's other processes must open it for writing too.
            if (file.isOpen() && ::fchmod(file.fd(), 0600) == 0)
                return file;
            if (errno != EEXIST)
                return {};
        } else if (errno != EACCES || ::fchmodat(folder, name.constData(), 0600, 0) != 0) {
            // (EACCES: made by a run stopped before it could give it its mode.)
            return {};
        }
    }
    return {};
}

} // namespace

QString PassLock::folderPathFor(uid_t user) {
    return placeFor(user, {}).folderPath();
}

Expected<PassLock::Result> PassLock::acquire(dev_t device, ino_t inode) {
    const QByteArray name = QByteArray::number(quint64(device), 16);
    for (bool reopened : {false, true}) {
        const Expected<std::shared_ptr<const Descriptor>> folder = lockFolder().open(m_home);
        if (!folder)
            return unexpected(folder.error());
        Descriptor file = openLockFile((*folder)->fd(), name);
        if (!file.isOpen() && errno == ENOENT && !reopened) {
            lockFolder().forget(*folder);
            continue;
        }
        if (!file.isOpen())
            return FileIo::failWithErrno();
        // An inode number past the largest offset shares its byte with a smaller one: at worst a
        // pass is called busy that is not.
        struct flock byte {};
        byte.l_type = F_WRLCK;
        byte.l_whence = SEEK_SET;
        byte.l_start = off_t(quint64(inode) & quint64(std::numeric_limits<off_t>::max()));
        byte.l_len = 1;
        if (::fcntl(file.fd(), F_OFD_SETLK, &byte) != 0) {
            if (errno == EAGAIN || errno == EACCES)
                return Result::Busy;
            if (!locksUnsupported(errno))
                return FileIo::failWithErrno();
        }
        m_file = std::move(file);
        return Result::Held;
    }
    return unexpected(Error::fromCode(ENOENT));
}
