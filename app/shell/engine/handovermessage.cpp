/*
 * Encoding and decoding the hand-over message.
 */
#include "app/shell/engine/handovermessage.h"

#include "app/platform/filenames.h"

#include <QtCore/QFile>
#include <QtCore/QtEndian>

#include <utility>

namespace {

void appendRecord(QByteArray& message, const QByteArray& bytes) {
    const quint32 length = qToBigEndian(quint32(bytes.size()));
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(bytes);
}

constexpr char EncryptWord[] = "--encrypt";
constexpr char DecryptWord[] = "--decrypt";

} // namespace

namespace HandOver {

QByteArray encode(const QStringList& absolutePaths, PathAction action) {
    QByteArray message;
    if (action == PathAction::Encrypt)
        appendRecord(message, EncryptWord);
    else if (action == PathAction::Decrypt)
        appendRecord(message, DecryptWord);
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
    bool first = true;
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
        // Only the first record may be a command word; anywhere else it is a relative path.
        if (std::exchange(first, false) && (bytes == EncryptWord || bytes == DecryptWord)) {
            decoded.action = bytes == EncryptWord ? PathAction::Encrypt : PathAction::Decrypt;
            continue;
        }
        // A path with a zero byte can name no file; a relative one would depend on the
        // running program's folder; bytes that are not UTF-8 turn into text that names another
        // file (a second start sends its paths as text, so it never sends such bytes).
        if (!bytes.contains('\0') && bytes.startsWith('/') && FileNames::survivesDecoding(bytes))
            decoded.paths << QFile::decodeName(bytes);
    }
    // Anything after the end record is not part of a message this program sends.
    decoded.bad = at != message.size();
    return decoded;
}

} // namespace HandOver
