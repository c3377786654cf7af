/*
 * Chunks of the Strong body, and whole files for small inputs.
 */
#include "app/crypt/engine/strongstream.h"

#include <QtCore/QtEndian>

#include <sodium.h>

#include <array>

namespace {

using Nonce = std::array<uchar, crypto_aead_chacha20poly1305_IETF_NPUBBYTES>;

Nonce chunkNonce(quint64 index, bool last) {
    Nonce nonce{};
    qToBigEndian(index, nonce.data() + 3); // bytes 0-10: the index, big-endian
    nonce[11] = last ? 1 : 0;
    return nonce;
}

const uchar* bytes(QByteArrayView view) {
    return reinterpret_cast<const uchar*>(view.data());
}

Unexpected<StrongRefusal> damagedAt(qint64 offset) {
    return Unexpected(StrongRefusal{StrongRefusal::Kind::DamagedAt, offset});
}

} // namespace

ChunkSplitter::ChunkSplitter(qint64 chunkSize, qint64 firstOffset)
    : m_chunkSize(chunkSize)
    , m_offset(firstOffset) {}

void ChunkSplitter::append(QByteArrayView bytes) {
    // Drop what was handed out before the buffer grows again.
    if (m_start > 0) {
        m_pending.remove(0, m_start);
        m_start = 0;
    }
    m_pending.append(bytes);
}

std::optional<StrongChunk> ChunkSplitter::next() {
    if (m_pending.size() - m_start <= m_chunkSize)
        return std::nullopt;
    StrongChunk chunk{m_index++, false, m_offset, m_pending.mid(m_start, m_chunkSize)};
    m_start += m_chunkSize;
    m_offset += m_chunkSize;
    return chunk;
}

StrongChunk ChunkSplitter::finish() {
    StrongChunk chunk{m_index, true, m_offset, m_pending.mid(m_start)};
    m_pending.clear();
    m_start = 0;
    return chunk;
}

ChunkSplitter StrongStream::plainSplitter() {
    return ChunkSplitter(StrongFormat::ChunkSize, 0);
}

ChunkSplitter StrongStream::sealedSplitter() {
    return ChunkSplitter(StrongFormat::SealedChunkSize, StrongFormat::HeaderSize);
}

void StrongStream::seal(const SecretBuffer& fileKey, quint64 index, bool last, QByteArrayView plain, char* sealed) {
    Q_ASSERT(fileKey.size() == StrongFormat::KeySize);
    const Nonce nonce = chunkNonce(index, last);
    crypto_aead_chacha20poly1305_ietf_encrypt(reinterpret_cast<uchar*>(sealed), nullptr, bytes(plain),
                                              static_cast<unsigned long long>(plain.size()), nullptr, 0, nullptr,
                                              nonce.data(), fileKey.data());
}

bool StrongStream::open(const SecretBuffer& fileKey, quint64 index, bool last, QByteArrayView sealed, char* plain) {
    Q_ASSERT(fileKey.size() == StrongFormat::KeySize);
    const Nonce nonce = chunkNonce(index, last);
    return sealed.size() >= StrongFormat::TagSize &&
           crypto_aead_chacha20poly1305_ietf_decrypt(reinterpret_cast<uchar*>(plain), nullptr, nullptr, bytes(sealed),
                                                     static_cast<unsigned long long>(sealed.size()), nullptr, 0,
                                                     nonce.data(), fileKey.data()) == 0;
}

QByteArray StrongStream::seal(const SecretBuffer& fileKey, const StrongChunk& plain) {
    QByteArray sealed(plain.bytes.size() + StrongFormat::TagSize, Qt::Uninitialized);
    seal(fileKey, plain.index, plain.last, plain.bytes, sealed.data());
    return sealed;
}

Expected<QByteArray, StrongRefusal> StrongStream::open(const SecretBuffer& fileKey, const StrongChunk& sealed) {
    if (sealed.bytes.size() < StrongFormat::TagSize)
        return damagedAt(sealed.offset);
    QByteArray plain(sealed.bytes.size() - StrongFormat::TagSize, Qt::Uninitialized);
    if (open(fileKey, sealed.index, sealed.last, sealed.bytes, plain.data()))
        return plain;
    // A true last chunk with bytes after it, or a middle chunk with none: the damage starts where
    // the chunk ends.
    if (open(fileKey, sealed.index, !sealed.last, sealed.bytes, plain.data()))
        return damagedAt(sealed.offset + sealed.bytes.size());
    return damagedAt(sealed.offset);
}

StrongBodyWriter::StrongBodyWriter(SecretBuffer fileKey)
    : m_fileKey(std::move(fileKey)) {}

QByteArray StrongBodyWriter::append(QByteArrayView plain) {
    m_chunks.append(plain);
    QByteArray sealed;
    while (const std::optional<StrongChunk> chunk = m_chunks.next())
        sealed += StrongStream::seal(m_fileKey, *chunk);
    return sealed;
}

QByteArray StrongBodyWriter::finish() {
    return StrongStream::seal(m_fileKey, m_chunks.finish());
}

StrongBodyReader::StrongBodyReader(SecretBuffer fileKey)
    : m_fileKey(std::move(fileKey)) {}

Expected<QByteArray, StrongRefusal> StrongBodyReader::append(QByteArrayView sealed) {
    m_chunks.append(sealed);
    QByteArray plain;
    while (const std::optional<StrongChunk> chunk = m_chunks.next()) {
        const Expected<QByteArray, StrongRefusal> opened = StrongStream::open(m_fileKey, *chunk);
        if (!opened)
            return opened;
        plain += *opened;
    }
    return plain;
}

Expected<QByteArray, StrongRefusal> StrongBodyReader::finish() {
    return StrongStream::open(m_fileKey, m_chunks.finish());
}

QByteArray StrongFile::encrypt(const DerivationParams& derivation,
                               const std::array<quint8, StrongFormat::WrapNonceSize>& wrapNonce,
                               const SecretBuffer& kek, const SecretBuffer& fileKey, quint8 attributes,
                               QByteArrayView plain, bool lengthKnown) {
    const FileSecrets secrets{SecretBuffer::copyOf(fileKey.view()), attributes,
                              lengthKnown ? static_cast<quint64>(plain.size()) : StrongFormat::UnknownLength};
    QByteArray file = StrongFormat::header(derivation, wrapNonce, kek, secrets);
    StrongBodyWriter body(SecretBuffer::copyOf(fileKey.view()));
    file += body.append(plain);
    return file + body.finish();
}

Expected<StrongFile::Plain, StrongRefusal> StrongFile::decrypt(QByteArrayView file, const KeyFor& keyFor) {
    const Expected<StrongHeader, StrongRefusal> header = StrongFormat::readHeader(file);
    if (!header)
        return Unexpected(header.error());
    const Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal> kek = keyFor(header->derivation);
    if (!kek)
        return Unexpected(kek.error());
    Expected<FileSecrets, StrongRefusal> secrets = StrongFormat::openKeyBlock(*header, **kek);
    if (!secrets)
        return Unexpected(secrets.error());
    if (const Expected<void, StrongRefusal> size = StrongFormat::checkSize(secrets->plainLength, file.size()); !size)
        return Unexpected(size.error());

    StrongBodyReader body(std::move(secrets->fileKey));
    const Expected<QByteArray, StrongRefusal> first = body.append(file.sliced(StrongFormat::HeaderSize));
    if (!first)
        return Unexpected(first.error());
    const Expected<QByteArray, StrongRefusal> last = body.finish();
    if (!last)
        return Unexpected(last.error());
    return Plain{*first + *last, secrets->attributes};
}
