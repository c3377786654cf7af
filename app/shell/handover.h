/*
 * One running copy per user. Which copy serves is decided under an exclusive lock on a file in the
 * user's runtime folder, held for the program's lifetime: the holder listens on a local socket
 * beside it, every other start hands its paths over (handovermessage.h) and ends once the holder
 * has answered one byte. Without a usable runtime folder there is neither lock nor socket, and
 * every start runs on its own. The server keeps serving whatever its clients do: it takes a few
 * at a time, refuses the rest at once, drops a stalled one, and binds again when its socket is
 * gone.
 */
#pragma once

#include "app/fileio/descriptor.h"
#include "app/shell/engine/handovermessage.h"

#include <QtCore/QObject>
#include <QtCore/QStringList>

class QSocketNotifier;
class QTimer;

namespace HandOver {

constexpr int TimeoutMs = 5000;
// Clients served at once; another one is closed as soon as it is accepted.
constexpr int MaxClients = 8;

// The user's runtime folder: $XDG_RUNTIME_DIR (made when missing), or /run/user/UID when that
// is unset. It must be a folder (not a link to one) of the user's own that only the user can
// enter (mode 0700). path is empty when there is none; problem then says why, in a short line.
struct RuntimeFolder {
    QString path;
    QString problem;
};
RuntimeFolder runtimeFolder();

QString socketPath(const QString& runtimeFolder);
QString lockPath(const QString& runtimeFolder);

enum class Result {
    Delivered,
    // Nothing listens on the socket.
    NoServer,
    // The server closed the connection without answering (it was full, or the message bad).
    Refused,
    // The server did not answer in time.
    NoAnswer,
};
// Hands the paths, and the command to run on them, to the program serving the socket, waiting for
// its answer.
Result send(const QString& socket, const QStringList& absolutePaths, PathAction action, int timeoutMs = TimeoutMs);

} // namespace HandOver

// The exclusive lock that makes a copy the one that serves. It lasts until the object ends (or
// the process does, however it ends). The holder removes the lock file as it ends, still holding
// it; a start that then gets the lock on the removed file opens the path again.
class InstanceLock {
public:
    InstanceLock() = default;
    // Opens the lock file, creating it for the user alone; links are not followed.
    explicit InstanceLock(const QString& path);
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    ~InstanceLock();

    bool isOpen() const { return m_file.isOpen(); }
    bool isHeld() const { return m_held; }
    // Takes the lock unless another process holds it; does not wait.
    bool tryLock();

private:
    // Removes the file while it is held and still at its path.
    void removeHeldFile();

    QString m_path;
    Descriptor m_file;
    bool m_held = false;
};

namespace HandOver {

enum class Start {
    // This copy holds the lock: it serves.
    Serve,
    HandedOver,
    // The copy holding the lock did not take the paths within the time.
    NotTaken,
    // The paths make a message no server takes (a path or the whole too long).
    TooLarge,
};
// Takes the lock, or hands the paths to the copy that holds it. While that copy is not listening
// yet (it is starting) or refuses the connection (it is full), tries again until timeoutMs has
// passed; a lock freed meanwhile (its holder ended) is taken.
Start serveOrHandOver(InstanceLock& lock, const QString& socket, const QStringList& absolutePaths,
                      PathAction action = PathAction::Open, int timeoutMs = TimeoutMs);

} // namespace HandOver

// The serving copy's end of the socket. Only the lock holder may serve: a file already at the
// socket's path is stale and removed.
class HandOverServer : public QObject {
    Q_OBJECT

public:
    explicit HandOverServer(QObject* parent = nullptr);
    // Removes the socket file if it is still the one this server bound.
    ~HandOverServer() override;

    // Serves at the socket path; fails with the system's description.
    Expected<void> listen(const QString& socket);
    bool isListening() const { return m_listener.isOpen(); }

signals:
    // A second start handed these absolute paths over (possibly none), and what to do with them;
    // emitted from the event loop once the start has been answered.
    void pathsReceived(const QStringList& paths, PathAction action);

private:
    Expected<void> bindSocket();
    void closeSocket();
    void acceptPending();
    void serve(int fd);
    // Binds again when the socket file is gone or the listener failed.
    void keepListening();

    QString m_path;
    Descriptor m_listener;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_watch;
    // The bound socket file, to remove only that one.
    quint64 m_device = 0;
    quint64 m_inode = 0;
    int m_clients = 0;
};
