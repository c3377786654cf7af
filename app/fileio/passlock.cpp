/*
 * Pass locks: flock on a lock file that only the user's own processes can open. The file is
 * removed by its holder on release; a process that opened it just before checks, once it holds
 * the lock, that the name still leads to the file it locked, and starts again otherwise.
 */
#include "app/fileio/passlock.h"

#include "app/fileio/fileio.h"

#include <QtCore/QFile>

#include <cerrno>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Attempts = 100;

// The codes with which a file system says that it keeps no locks at all.
bool locksUnsupported(int code) {
    return code == ENOLCK || code == EINVAL || code == EOPNOTSUPP || code == ENOSYS;
}

QString refusal(const QString& folder, const QString& why) {
    return u"The lock folder "_s + folder + u" can't be used: "_s + why +
           u" Files are locked there so that no two passes work on the same file."_s;
}

// Opens the lock folder, making it when missing; refuses one that other accounts could reach.
// It is judged by its name first: a folder of another account may not even be opened.
Expected<Descriptor> openFolder() {
    const QString path = PassLock::folderPath();
    const QByteArray name = QFile::encodeName(path);
    struct stat named {};
    if (::lstat(name.constData(), &named) != 0 && errno == ENOENT &&
        (::mkdir(name.constData(), 0700) == 0 || errno == EEXIST))
        ::lstat(name.constData(), &named);
    QString why;
    if (named.st_ino == 0)
        why = FileIo::errorText(errno) + u'.';
    else if (!S_ISDIR(named.st_mode))
        why = u"it is not a folder."_s;
    else if (named.st_uid != ::geteuid())
        why = u"it belongs to another account."_s;
    else if ((named.st_mode & 07777) != 0700)
        why = u"other accounts may use it (its permissions are not 0700)."_s;
    if (!why.isEmpty())
        return unexpected({refusal(path, why)});
    Descriptor folder(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (!folder.isOpen() || ::fstat(folder.fd(), &opened) != 0) {
        const int code = errno;
        return unexpected({refusal(path, FileIo::errorText(code) + u'.'), code});
    }
    // Replaced between the look and the open: only the user could have, but judge what is open.
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return unexpected({refusal(path, u"it changed while it was being opened."_s)});
    return folder;
}

// The lock folder, judged once and kept open while the program runs as the same user: every pass
// finds it without a look at its name, and only its owner could change it afterwards. A folder
// removed meanwhile takes no new lock files (ENOENT); it is then opened and judged again, while
// locks taken in the old one keep it open until they are released.
class LockFolder {
public:
    Expected<std::shared_ptr<const Descriptor>> open() {
        const std::lock_guard lock(m_mutex);
        const uid_t user = ::geteuid();
        if (!m_folder || user != m_user) {
            Expected<Descriptor> folder = openFolder();
            if (!folder)
                return unexpected(std::move(folder).error());
            m_folder = std::make_shared<const Descriptor>(std::move(*folder));
            m_user = user;
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
};

LockFolder& lockFolder() {
    static LockFolder folder;
    return folder;
}

} // namespace

QString PassLock::folderPath() {
    return folderPathFor(::geteuid());
}

QString PassLock::folderPathFor(uid_t user) {
    // Not the runtime folder: it is not there for cron jobs or every ssh session, and every copy
    // must find the same locks. The shared-memory file system where the machine has one (as every
    // Linux desktop does): a lock file there costs no disk write, where /tmp may be on disk.
    static const QString base = [] {
        struct stat info {};
        return ::lstat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? u"/dev/shm"_s : u"/tmp"_s;
    }();
    return base + u"/vexa-password-"_s + QString::number(user);
}

PassLock::~PassLock() {
    if (m_file.isOpen())
        ::unlinkat(m_folder->fd(), m_name.constData(), 0);
}

Expected<PassLock::Result> PassLock::acquire(dev_t device, ino_t inode) {
    m_name = QByteArray::number(quint64(device), 16) + '-' + QByteArray::number(quint64(inode), 16);
    bool reopened = false;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        Expected<std::shared_ptr<const Descriptor>> folder = lockFolder().open();
        if (!folder)
            return unexpected(std::move(folder).error());
        m_folder = std::move(*folder);
        Descriptor file(::openat(m_folder->fd(), m_name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.isOpen() && errno == ENOENT && !reopened) {
            lockFolder().forget(m_folder);
            reopened = true;
            continue;
        }
        if (!file.isOpen())
            return FileIo::failWithErrno();
        if (::flock(file.fd(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                return Result::Busy;
            if (locksUnsupported(errno))
                return Result::Held;
            return FileIo::failWithErrno();
        }
        // The holder before may have removed the name after this process opened it.
        struct stat opened {
        }, named{};
        if (::fstat(file.fd(), &opened) == 0 &&
            ::fstatat(m_folder->fd(), m_name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            m_file = std::move(file);
            return Result::Held;
        }
    }
    return unexpected(Error::fromCode(EAGAIN));
}
