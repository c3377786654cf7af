/*
 * The single running copy: the runtime folder check, the lock, the second start's client and the
 * serving copy's socket. The socket is bound by hand rather than through QLocalServer, which
 * removes the socket file by name whenever it closes (also one another copy bound meanwhile) and
 * closes for good on the first failed accept (such as running out of descriptors).
 */
#include "app/shell/handover.h"

#include "app/platform/filenames.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QSocketNotifier>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtNetwork/QLocalSocket>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char Answer = 'A';
// A start waiting for the serving copy to listen, or to have room, asks again this often.
constexpr int RetryMs = 50;
// How often the server looks that its socket file is still the one it bound.
constexpr int WatchMs = 1000;
// How long the server waits before accepting again when it ran out of descriptors.
constexpr int AcceptRetryMs = 100;

constexpr auto SocketName = "/vexapad.socket";
constexpr auto LockName = "/vexapad.lock";

bool sameFile(const QByteArray& path, quint64 device, quint64 inode) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

} // namespace

namespace HandOver {

RuntimeFolder runtimeFolder() {
    const QByteArray set = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray folder = set.isEmpty() ? "/run/user/" + QByteArray::number(::geteuid()) : set;
    const auto unusable = [&set, &folder](const QString& why) {
        const QString unset = set.isEmpty() ? u"XDG_RUNTIME_DIR is not set and "_s : QString();
        return RuntimeFolder{{}, unset + QFile::decodeName(folder) + u' ' + why};
    };
    if (!folder.startsWith('/'))
        return unusable(u"is not an absolute path"_s);
    if (!FileNames::survivesDecoding(folder))
        return unusable(u"has a name that is not UTF-8"_s);
    if (sizeof(sockaddr_un::sun_path) <= size_t(folder.size()) + std::strlen(SocketName))
        return unusable(u"has too long a path for a socket"_s);
    struct stat info {};
    if (::lstat(folder.constData(), &info) != 0) {
        if (errno != ENOENT || set.isEmpty())
            return unusable(u"cannot be read: "_s + QString::fromLocal8Bit(std::strerror(errno)));
        // The session normally makes it; a missing one is made for the user alone.
        if (::mkdir(folder.constData(), 0700) != 0)
            return unusable(u"cannot be made: "_s + QString::fromLocal8Bit(std::strerror(errno)));
        ::chmod(folder.constData(), 0700);
        if (::lstat(folder.constData(), &info) != 0)
            return unusable(u"cannot be read: "_s + QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISDIR(info.st_mode))
        return unusable(u"is not a folder"_s);
    if (info.st_uid != ::geteuid())
        return unusable(u"belongs to another user"_s);
    if ((info.st_mode & 0777) != 0700)
        return unusable(u"has mode 0"_s + QString::number(info.st_mode & 0777, 8) + u", not 0700"_s);
    return {QFile::decodeName(folder), {}};
}

QString socketPath(const QString& runtimeFolder) {
    return runtimeFolder + QLatin1StringView(SocketName);
}

QString lockPath(const QString& runtimeFolder) {
    return runtimeFolder + QLatin1StringView(LockName);
}

Result send(const QString& socket, const QStringList& absolutePaths, PathAction action, int timeoutMs) {
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(timeoutMs))
        return Result::NoServer;
    const auto failure = [&client] {
        return client.error() == QLocalSocket::SocketTimeoutError ? Result::NoAnswer : Result::Refused;
    };
    client.write(encode(absolutePaths, action));
    if (!client.waitForBytesWritten(timeoutMs))
        return failure();
    while (client.bytesAvailable() == 0) {
        if (!client.waitForReadyRead(timeoutMs))
            return failure();
    }
    return client.read(1) == QByteArray(1, Answer) ? Result::Delivered : Result::Refused;
}

Start serveOrHandOver(InstanceLock& lock, const QString& socket, const QStringList& absolutePaths, PathAction action,
                      int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    // A message the server would refuse is not worth waiting for.
    const std::optional<Decoded> own = decode(encode(absolutePaths, action));
    while (true) {
        if (lock.tryLock())
            return Start::Serve;
        if (!own || own->bad)
            return Start::TooLarge;
        switch (send(socket, absolutePaths, action, timeoutMs)) {
        case Result::Delivered:
            return Start::HandedOver;
        case Result::NoAnswer:
            return Start::NotTaken;
        case Result::NoServer:
        case Result::Refused:
            break;
        }
        if (deadline.hasExpired())
            return Start::NotTaken;
        QThread::msleep(RetryMs);
    }
}

} // namespace HandOver

namespace {

Descriptor openLockFile(const QString& path) {
    Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
    struct stat info {};
    if (file.isOpen() && (::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)))
        file.reset();
    return file;
}

// Whether the path leads to the open file.
bool isAtPath(const QString& path, const Descriptor& file) {
    struct stat info {};
    return ::fstat(file.fd(), &info) == 0 && sameFile(QFile::encodeName(path), info.st_dev, info.st_ino);
}

} // namespace

InstanceLock::InstanceLock(const QString& path)
    : m_path(path)
    , m_file(openLockFile(path)) {}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_file(std::move(other.m_file))
    , m_held(std::exchange(other.m_held, false)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        removeHeldFile();
        m_path = std::move(other.m_path);
        m_file = std::move(other.m_file);
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    removeHeldFile();
}

void InstanceLock::removeHeldFile() {
    if (m_held && isAtPath(m_path, m_file))
        ::unlink(QFile::encodeName(m_path).constData());
}

bool InstanceLock::tryLock() {
    while (!m_held && m_file.isOpen() && ::flock(m_file.fd(), LOCK_EX | LOCK_NB) == 0) {
        // Its holder removed the file as it ended: the one at the path now is what counts.
        m_held = isAtPath(m_path, m_file);
        if (!m_held)
            m_file = openLockFile(m_path);
    }
    return m_held;
}

HandOverServer::HandOverServer(QObject* parent)
    : QObject(parent)
    , m_watch(new QTimer(this)) {
    m_watch->setInterval(WatchMs);
    connect(m_watch, &QTimer::timeout, this, &HandOverServer::keepListening);
}

HandOverServer::~HandOverServer() {
    closeSocket();
}

Expected<void> HandOverServer::listen(const QString& socket) {
    closeSocket();
    m_path = socket;
    // Whatever happens to the socket from now on, the server binds again when it is gone.
    m_watch->start();
    // Only the lock holder serves, so a file at the path was left by a copy that ended.
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        return unexpected(Error::fromCode(errno));
    return bindSocket();
}

Expected<void> HandOverServer::bindSocket() {
    const QByteArray name = QFile::encodeName(m_path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return unexpected(Error::fromCode(ENAMETOOLONG));
    std::memcpy(address.sun_path, name.constData(), name.size());
    Descriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.isOpen() || ::bind(listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return unexpected(Error::fromCode(errno));
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0) {
        const int code = errno;
        ::unlink(name.constData());
        return unexpected(Error::fromCode(code));
    }
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_listener = std::move(listener);
    // The folder keeps everyone else out already; the socket says the same.
    ::chmod(name.constData(), 0600);
    if (::listen(m_listener.fd(), SOMAXCONN) != 0) {
        const int code = errno;
        closeSocket();
        return unexpected(Error::fromCode(code));
    }
    m_notifier = new QSocketNotifier(m_listener.fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HandOverServer::acceptPending);
    return {};
}

void HandOverServer::closeSocket() {
    if (m_notifier) {
        // It may be the sender of the running slot.
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (!m_listener.isOpen())
        return;
    const QByteArray name = QFile::encodeName(m_path);
    if (sameFile(name, m_device, m_inode))
        ::unlink(name.constData());
    m_listener.reset();
}

void HandOverServer::keepListening() {
    const QByteArray name = QFile::encodeName(m_path);
    if (m_listener.isOpen() && sameFile(name, m_device, m_inode))
        return;
    closeSocket();
    // A file another program put there is left alone (such as the socket of a copy holding the
    // lock in a runtime folder made again after this one's was removed).
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 && errno == ENOENT)
        bindSocket();
}

void HandOverServer::acceptPending() {
    while (m_listener.isOpen()) {
        const int fd = ::accept4(m_listener.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            if (m_clients >= HandOver::MaxClients)
                ::close(fd);
            else
                serve(fd);
            continue;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED:
            continue;
        case EAGAIN:
            return;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM: {
            // The connection waits in the queue; rather than wake at once for it again, wait until
            // descriptors may have been freed.
            QSocketNotifier* notifier = m_notifier;
            notifier->setEnabled(false);
            QTimer::singleShot(AcceptRetryMs, notifier, [notifier] { notifier->setEnabled(true); });
            return;
        }
        default:
            keepListening();
            return;
        }
    }
}

void HandOverServer::serve(int fd) {
    auto* client = new QLocalSocket(this);
    if (!client->setSocketDescriptor(fd)) {
        ::close(fd);
        delete client;
        return;
    }
    ++m_clients;
    // The client's place is given back once, as soon as it is answered, dropped or gone: waiting
    // for its deletion would wait for the event loop, which a nested loop (a box) holds.
    const auto release = [this, counted = std::make_shared<bool>(true)] {
        if (std::exchange(*counted, false))
            --m_clients;
    };
    connect(client, &QObject::destroyed, this, release);
    connect(client, &QLocalSocket::disconnected, this, release);
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    const auto drop = [client, release] {
        release();
        client->abort();
        client->deleteLater();
    };
    // A client that stops half-way is dropped.
    QTimer::singleShot(HandOver::TimeoutMs, client, drop);
    auto buffer = std::make_shared<QByteArray>();
    connect(client, &QLocalSocket::readyRead, this, [this, client, buffer, drop, release] {
        buffer->append(client->readAll());
        const std::optional<HandOver::Decoded> decoded = HandOver::decode(*buffer);
        if (!decoded)
            return;
        disconnect(client, &QLocalSocket::readyRead, this, nullptr);
        if (decoded->bad) {
            drop();
            return;
        }
        client->write(QByteArray(1, Answer));
        client->flush();
        client->disconnectFromServer();
        release();
        // The window gets the paths from the event loop, never inside this slot: what it does
        // with them (a box's loop among them) must not hold the socket's handling.
        QMetaObject::invokeMethod(
            this, [this, paths = decoded->paths, action = decoded->action] { emit pathsReceived(paths, action); },
            Qt::QueuedConnection);
    });
}
