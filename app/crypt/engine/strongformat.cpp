/*
 * Writing and reading the Strong header.
 */
#include "app/crypt/engine/strongformat.h"

#include <QtCore/QtEndian>

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<quint8, 8> Signature{0x89, 0x56, 0x58, 0x50, 0x53, 0x0D, 0x0A, 0x1A};
constexpr quint8 FormatVersion = 1;
constexpr quint8 Argon2idId = 1;
constexpr quint8 ChunkSizeLog2 = 16;
// The key block's associated data: every field before the wrap nonce.
constexpr qsizetype AssociatedSize = 40;
constexpr qsizetype WrapNonceOffset = 40;
constexpr qsizetype KeyBlockOffset = 64;
constexpr qsizetype KeyBlockPlainSize = StrongFormat::KeySize + 16;
constexpr qsizetype CheckOffset = 128;

const uchar* bytes(QByteArrayView view) {
    return reinterpret_cast<const uchar*>(view.data());
}

std::array<uchar, 16> headerCheck(QByteArrayView first128) {
    std::array<uchar, 16> check{};
    crypto_generichash(check.data(), check.size(), bytes(first128), CheckOffset, nullptr, 0);
    return check;
}

Unexpected<StrongRefusal> refuse(StrongRefusal::Kind kind, qint64 value = 0) {
    return Unexpected(StrongRefusal{kind, value});
}

} // namespace

QString StrongRefusal::message() const {
    switch (kind) {
    case Kind::DamagedHeader:
        return u"The file's header is damaged; it cannot be decrypted."_s;
    case Kind::NewerVersion:
        return u"The file was made by a newer version of this program; update it to decrypt the file."_s;
    case Kind::NeedsMemory:
        return u"Decrypting the file needs %1 MiB of memory, beyond the limits this program sets."_s.arg(value);
    case Kind::WrongPassPhrase:
        return u"The pass phrase is wrong."_s;
    case Kind::CutShortOrExtended:
        return u"The file has been cut short or extended; it cannot be decrypted."_s;
    case Kind::DamagedAt:
        return u"The file is damaged at byte %1; it cannot be decrypted."_s.arg(value);
    case Kind::Cancelled:
        return u"Cancelled."_s;
    }
    return {};
}

qint64 StrongFormat::encryptedSize(quint64 plainLength) {
    const quint64 chunks = std::max<quint64>(1, (plainLength + ChunkSize - 1) / ChunkSize);
    return static_cast<qint64>(HeaderSize + plainLength + TagSize * chunks);
}

DerivationParams StrongFormat::newRun() {
    DerivationParams run;
    randombytes_buf(run.salt.data(), run.salt.size());
    return run;
}

SecretBuffer StrongFormat::newFileKey() {
    SecretBuffer key(KeySize);
    crypto_aead_chacha20poly1305_ietf_keygen(key.data());
    return key;
}

std::array<quint8, StrongFormat::WrapNonceSize> StrongFormat::newWrapNonce() {
    std::array<quint8, WrapNonceSize> nonce{};
    randombytes_buf(nonce.data(), nonce.size());
    return nonce;
}

bool StrongFormat::isStrong(QByteArrayView firstBytes) {
    return firstBytes.size() > 8 && quint8(firstBytes.at(8)) == LevelByte;
}

QByteArray StrongFormat::header(const DerivationParams& derivation, const std::array<quint8, WrapNonceSize>& wrapNonce,
                                const SecretBuffer& kek, const FileSecrets& secrets) {
    Q_ASSERT(kek.size() == KeySize && secrets.fileKey.size() == KeySize);
    QByteArray stored(HeaderSize, '\0');
    uchar* out = reinterpret_cast<uchar*>(stored.data());
    std::copy(Signature.begin(), Signature.end(), out);
    out[8] = LevelByte;
    out[9] = 0xFF;
    out[10] = FormatVersion;
    out[11] = 0; // flags
    out[12] = Argon2idId;
    out[13] = ChunkSizeLog2;
    qToLittleEndian(derivation.passes, out + 16);
    qToLittleEndian(derivation.memoryKiB, out + 20);
    std::copy(derivation.salt.begin(), derivation.salt.end(), out + 24);
    std::copy(wrapNonce.begin(), wrapNonce.end(), out + WrapNonceOffset);

    SecretBuffer plain(KeyBlockPlainSize);
    std::memcpy(plain.data(), secrets.fileKey.data(), KeySize);
    plain.data()[KeySize] = secrets.attributes;
    qToLittleEndian(secrets.plainLength, plain.data() + KeySize + 8);
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + KeyBlockOffset, nullptr, plain.data(), KeyBlockPlainSize, out,
                                               AssociatedSize, nullptr, out + WrapNonceOffset, kek.data());
    const std::array<uchar, 16> check = headerCheck(stored);
    std::copy(check.begin(), check.end(), out + CheckOffset);
    return stored;
}

Expected<StrongHeader, StrongRefusal> StrongFormat::readHeader(QByteArrayView stored) {
    using Kind = StrongRefusal::Kind;
    if (stored.size() < HeaderSize)
        return refuse(Kind::DamagedHeader);
    stored = stored.first(HeaderSize);
    const uchar* in = bytes(stored);
    const std::array<uchar, 16> check = headerCheck(stored);
    if (!std::equal(Signature.begin(), Signature.end(), in) || in[8] != LevelByte || in[9] != 0xFF || in[14] != 0 ||
        in[15] != 0 || !std::equal(check.begin(), check.end(), in + CheckOffset))
        return refuse(Kind::DamagedHeader);
    // Version 0 was never written: damage, not a newer version.
    if (in[10] == 0)
        return refuse(Kind::DamagedHeader);
    if (in[10] > FormatVersion || in[11] != 0 || in[12] != Argon2idId || in[13] != ChunkSizeLog2)
        return refuse(Kind::NewerVersion);

    StrongHeader header;
    header.derivation.passes = qFromLittleEndian<quint32>(in + 16);
    header.derivation.memoryKiB = qFromLittleEndian<quint32>(in + 20);
    std::copy(in + 24, in + WrapNonceOffset, header.derivation.salt.begin());
    const DerivationParams& cost = header.derivation;
    if (cost.passes < 1 || cost.passes > MaxPasses || cost.memoryKiB < MinMemoryKiB || cost.memoryKiB > MaxMemoryKiB)
        return refuse(Kind::NeedsMemory, (qint64(cost.memoryKiB) + 1023) / 1024);
    header.stored = stored.toByteArray();
    return header;
}

Expected<FileSecrets, StrongRefusal> StrongFormat::openKeyBlock(const StrongHeader& header, const SecretBuffer& kek) {
    Q_ASSERT(kek.size() == KeySize && header.stored.size() == HeaderSize);
    const uchar* in = bytes(header.stored);
    SecretBuffer plain(KeyBlockPlainSize);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), nullptr, nullptr, in + KeyBlockOffset,
                                                   KeyBlockPlainSize + TagSize, in, AssociatedSize,
                                                   in + WrapNonceOffset, kek.data()) != 0)
        return refuse(StrongRefusal::Kind::WrongPassPhrase);
    FileSecrets secrets;
    secrets.fileKey = SecretBuffer::copyOf(plain.view().first(KeySize));
    secrets.attributes = plain.data()[KeySize];
    secrets.plainLength = qFromLittleEndian<quint64>(plain.data() + KeySize + 8);
    return secrets;
}

Expected<void, StrongRefusal> StrongFormat::checkSize(quint64 plainLength, qint64 fileSize) {
    // A length the size could not hold is no length a writer stored.
    if (plainLength != UnknownLength &&
        (plainLength > quint64(std::numeric_limits<qint64>::max() / 2) || encryptedSize(plainLength) != fileSize))
        return refuse(StrongRefusal::Kind::CutShortOrExtended);
    return {};
}
