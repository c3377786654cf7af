/*
 * One running copy per user: a second start hands its paths to the running program over a local
 * socket in the user's runtime folder and ends. The message is a run of records, each a 4-byte
 * big-endian length and that many bytes of one absolute path in the file system's encoding; an
 * empty record ends it and the server answers one byte. Records that are too long, paths that
 * are not absolute and messages that are too large are not acted on.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QStringList>

#include <optional>

class QLocalServer;
class QLocalSocket;

namespace HandOver {

constexpr qsizetype MaxPathBytes = 4096;
constexpr qsizetype MaxMessageBytes = 1024 * 1024;
constexpr int TimeoutMs = 5000;

// The socket's full path in the user's runtime folder, which only the user can enter.
QString socketPath();

QByteArray encode(const QStringList& absolutePaths);

struct Decoded {
    QStringList paths;
    // The message is malformed or too large: the connection is dropped, nothing is acted on.
    bool bad = false;
};
// nullopt while the message is still incomplete.
std::optional<Decoded> decode(const QByteArray& message);

enum class Result { Delivered, NoServer, NoAnswer };
// Hands the paths to the program serving the socket, waiting for its answer.
Result send(const QString& socket, const QStringList& absolutePaths, int timeoutMs = TimeoutMs);

} // namespace HandOver

// The running program's end of the socket.
class HandOverServer : public QObject {
    Q_OBJECT

public:
    explicit HandOverServer(QObject* parent = nullptr);

    // Serves the socket with access for the user alone. A socket file that no program answers
    // is left over from a copy that ended without closing it: it is removed and taken over.
    bool listen(const QString& socket);

signals:
    // A second start handed these absolute paths over (possibly none).
    void pathsReceived(const QStringList& paths);

private:
    void accept();

    QLocalServer* m_server;
};
