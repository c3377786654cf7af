/*
 * The hand-over socket: the message format, the second start's client and the running program's
 * server.
 */
#include "handover.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>
#include <QtCore/QTimer>
#include <QtCore/QtEndian>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr char Answer = 'A';

void appendRecord(QByteArray& message, const QByteArray& bytes) {
    const quint32 length = qToBigEndian(quint32(bytes.size()));
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(bytes);
}

} // namespace

namespace HandOver {

QString socketPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u"/vexapad.socket"_s;
}

QByteArray encode(const QStringList& absolutePaths) {
    QByteArray message;
    for (const QString& path : absolutePaths)
        appendRecord(message, QFile::encodeName(path));
    appendRecord(message, {});
    return message;
}

std::optional<Decoded> decode(const QByteArray& message) {
    Decoded decoded;
    if (message.size() > MaxMessageBytes) {
        decoded.bad = true;
        return decoded;
    }
    qsizetype at = 0;
    while (true) {
        if (message.size() - at < qsizetype(sizeof(quint32)))
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(message.constData() + at);
        at += sizeof(quint32);
        if (length == 0)
            break;
        if (length > MaxPathBytes) {
            decoded.bad = true;
            return decoded;
        }
        if (message.size() - at < qsizetype(length))
            return std::nullopt;
        const QByteArray bytes = message.mid(at, length);
        at += length;
        // A path with a zero byte can name no file; a relative one would depend on the
        // running program's folder.
        if (!bytes.contains('\0') && bytes.startsWith('/'))
            decoded.paths << QFile::decodeName(bytes);
    }
    // Anything after the end record is not part of a message this program sends.
    decoded.bad = at != message.size();
    return decoded;
}

Result send(const QString& socket, const QStringList& absolutePaths, int timeoutMs) {
    QLocalSocket client;
    client.connectToServer(socket);
    if (!client.waitForConnected(timeoutMs))
        return Result::NoServer;
    client.write(encode(absolutePaths));
    if (!client.waitForBytesWritten(timeoutMs))
        return Result::NoAnswer;
    while (client.bytesAvailable() == 0) {
        if (!client.waitForReadyRead(timeoutMs))
            return Result::NoAnswer;
    }
    return client.read(1) == QByteArray(1, Answer) ? Result::Delivered : Result::NoAnswer;
}

} // namespace HandOver

HandOverServer::HandOverServer(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandOverServer::accept);
}

bool HandOverServer::listen(const QString& socket) {
    QDir().mkpath(QFileInfo(socket).absolutePath());
    if (m_server->listen(socket))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Another copy may have started meanwhile: its socket answers and stays.
    QLocalSocket probe;
    probe.connectToServer(socket);
    if (probe.waitForConnected(HandOver::TimeoutMs / 5))
        return false;
    QLocalServer::removeServer(socket);
    return m_server->listen(socket);
}

void HandOverServer::accept() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        auto* buffer = new QByteArray;
        connect(client, &QObject::destroyed, [buffer] { delete buffer; });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A client that stops half-way is dropped.
        QTimer::singleShot(HandOver::TimeoutMs, client, [client] { client->abort(); });
        connect(client, &QLocalSocket::readyRead, this, [this, client, buffer] {
            buffer->append(client->readAll());
            const std::optional<HandOver::Decoded> decoded = HandOver::decode(*buffer);
            if (!decoded)
                return;
            if (decoded->bad) {
                client->abort();
                return;
            }
            client->write(QByteArray(1, Answer));
            client->flush();
            client->disconnectFromServer();
            emit pathsReceived(decoded->paths);
        });
    }
}
