/*
 * The body of a Strong file: the plain bytes in chunks of 64 KiB, each sealed on its own with
 * ChaCha20-Poly1305 under the file key; the nonce is the chunk's number (11 bytes big-endian)
 * and a last-chunk flag, so a chunk moved, dropped, repeated, taken from another file or cut
 * after does not open. The last chunk holds 1 to 65536 bytes; an empty file is one empty last
 * chunk.
 *
 * Sealing and opening a chunk are pure functions, so that several threads may run them while
 * one thread reads and writes in order; a ChunkSplitter cuts the stream into chunks and knows
 * which is the last only when the stream ends.
 */
#pragma once

#include "app/crypt/engine/strongformat.h"

#include <QtCore/QByteArray>

#include <functional>
#include <memory>
#include <optional>

struct StrongChunk {
    quint64 index = 0;
    bool last = false;
    // Where the chunk starts in its file (for the offset a refusal names).
    qint64 offset = 0;
    QByteArray bytes;
};

// Cuts a stream of bytes, given in any pieces, into chunks of a fixed size: next() gives each
// full chunk once bytes after it show that it is not the last; finish() gives the rest (empty,
// or up to one full chunk) as the last.
class ChunkSplitter {
public:
    ChunkSplitter(qint64 chunkSize, qint64 firstOffset);

    void append(QByteArrayView bytes);
    std::optional<StrongChunk> next();
    StrongChunk finish();

private:
    qint64 m_chunkSize;
    qint64 m_offset;
    quint64 m_index = 0;
    QByteArray m_pending;
    qsizetype m_start = 0;
};

namespace StrongStream {

// A splitter for plain bytes to seal, and one for a Strong file's body (given from its byte 144).
ChunkSplitter plainSplitter();
ChunkSplitter sealedSplitter();

// Chunk index of a body, the last or not: seals plain into sealed (plain's size + TagSize bytes,
// which may be plain's own), or opens sealed into plain (its size - TagSize bytes); false when it
// does not authenticate. Pure: any thread may run them on any chunk.
void seal(const SecretBuffer& fileKey, quint64 index, bool last, QByteArrayView plain, char* sealed);
[[nodiscard]] bool open(const SecretBuffer& fileKey, quint64 index, bool last, QByteArrayView sealed, char* plain);

// The sealed bytes of a plain chunk.
QByteArray seal(const SecretBuffer& fileKey, const StrongChunk& plain);
// The plain bytes of a sealed chunk; damaged at the chunk's first byte when it does not open, at
// its end when it opens only with the other last-chunk flag (bytes after the last chunk, or the
// last chunk missing).
Expected<QByteArray, StrongRefusal> open(const SecretBuffer& fileKey, const StrongChunk& sealed);

} // namespace StrongStream

// A body written in order on one thread: the sealed bytes of each chunk as soon as bytes after it
// show that it is not the last, and the last chunk at the end.
class StrongBodyWriter {
public:
    explicit StrongBodyWriter(SecretBuffer fileKey);
    QByteArray append(QByteArrayView plain);
    QByteArray finish();

private:
    SecretBuffer m_fileKey;
    ChunkSplitter m_chunks = StrongStream::plainSplitter();
};

// A body read in order on one thread: the plain bytes of each chunk that opened; the first refusal
// ends the body (its bytes must then be dropped, with all that came before).
class StrongBodyReader {
public:
    explicit StrongBodyReader(SecretBuffer fileKey);
    Expected<QByteArray, StrongRefusal> append(QByteArrayView sealed);
    Expected<QByteArray, StrongRefusal> finish();

private:
    SecretBuffer m_fileKey;
    ChunkSplitter m_chunks = StrongStream::sealedSplitter();
};

// A whole Strong file in memory, in the reading order of the format: for tests, the fuzz target
// and small inputs. The passes stream the same steps.
namespace StrongFile {

struct Plain {
    QByteArray bytes;
    quint8 attributes = 0;
};

// The key derived for a header's parameters; the Cancelled refusal when the user stopped.
using KeyFor = std::function<Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal>(const DerivationParams&)>;

// lengthKnown false stores the unknown length, as a writer streaming from a pipe does.
QByteArray encrypt(const DerivationParams& derivation, const std::array<quint8, StrongFormat::WrapNonceSize>& wrapNonce,
                   const SecretBuffer& kek, const SecretBuffer& fileKey, quint8 attributes, QByteArrayView plain,
                   bool lengthKnown = true);
Expected<Plain, StrongRefusal> decrypt(QByteArrayView file, const KeyFor& keyFor);

} // namespace StrongFile
