/*
 * The Strong file: a 144-byte header, then the body as sealed chunks (strongstream.h).
 *
 *   0  8  signature 89 56 58 50 53 0D 0A 1A (a reader of H and L takes it for the password)
 *   8  1  level byte AC ("S" complemented), 9: FF, 10: version 1, 11: flags 0,
 *   12 1  key derivation 1 (Argon2id v1.3), 13: log2 of the chunk size 16, 14-15: reserved 0
 *   16 4  Argon2id passes, 20: its memory in KiB (u32 little-endian each)
 *   24 16 salt (one per run), 40: 24-byte wrap nonce (one per file)
 *   64 64 key block: XChaCha20-Poly1305 under the derived key, associated data bytes 0-39, of
 *         the file key (32), the attribute byte, 7 zeros and the plain length (u64 little-endian)
 *   128 16 header check: unkeyed BLAKE2b-128 of bytes 0-127
 *
 * A reader checks in a fixed order, so that each refusal says what is wrong: damage, a newer
 * version, too much memory asked, the wrong pass phrase, a cut or extended file, then (in the
 * body) the first damaged chunk. Nothing secret is read before the header check held.
 */
#pragma once

#include "app/crypt/engine/secretbuffer.h"
#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <array>
#include <cstdint>

namespace StrongFormat {

inline constexpr qint64 HeaderSize = 144;
inline constexpr quint8 LevelByte = 0xAC;
inline constexpr qint64 ChunkSize = 65536;
inline constexpr qint64 TagSize = 16;
inline constexpr qint64 SealedChunkSize = ChunkSize + TagSize;
inline constexpr qsizetype KeySize = 32;
inline constexpr qsizetype SaltSize = 16;
inline constexpr qsizetype WrapNonceSize = 24;
// The plain length a writer stores when it streams from a pipe and cannot know it.
inline constexpr quint64 UnknownLength = ~quint64(0);
// What a writer asks of Argon2id, and the bounds a reader accepts.
inline constexpr quint32 DefaultPasses = 3;
inline constexpr quint32 DefaultMemoryKiB = 262144;
inline constexpr quint32 MaxPasses = 10;
inline constexpr quint32 MinMemoryKiB = 8 * 1024;
inline constexpr quint32 MaxMemoryKiB = 1024 * 1024;

// The size of the Strong file of a plain file of plainLength bytes.
qint64 encryptedSize(quint64 plainLength);

} // namespace StrongFormat

// Why a Strong file is refused, with the text the user is shown; or that the user cancelled while
// its key was being derived.
struct StrongRefusal {
    enum class Kind {
        DamagedHeader,
        NewerVersion,
        NeedsMemory,
        WrongPassPhrase,
        CutShortOrExtended,
        DamagedAt,
        Cancelled,
    };
    Kind kind = Kind::DamagedHeader;
    // NeedsMemory: the MiB the derivation asks; DamagedAt: the offset in the file of the first
    // byte that did not authenticate (the file's size when its last chunk is missing).
    qint64 value = 0;

    QString message() const;
    bool operator==(const StrongRefusal&) const = default;
};

// The cost and salt of one key derivation: files that share them share their derived key.
struct DerivationParams {
    quint32 passes = StrongFormat::DefaultPasses;
    quint32 memoryKiB = StrongFormat::DefaultMemoryKiB;
    std::array<quint8, StrongFormat::SaltSize> salt{};

    bool operator==(const DerivationParams&) const = default;
};

// What a header holds before any key is used.
struct StrongHeader {
    DerivationParams derivation;
    // All 144 bytes as stored; the key block's associated data and nonce come from them.
    QByteArray stored;
};

// The key block's contents.
struct FileSecrets {
    SecretBuffer fileKey;
    quint8 attributes = 0;
    quint64 plainLength = StrongFormat::UnknownLength;
};

namespace StrongFormat {

// A new run's derivation: the writer's costs and a random salt.
DerivationParams newRun();
// A new file's random key, and the random nonce its key block is sealed with.
SecretBuffer newFileKey();
std::array<quint8, WrapNonceSize> newWrapNonce();

// Whether the first bytes of a ".vxp" file name the Strong level (byte 8); the others are read as
// the design's levels.
bool isStrong(QByteArrayView firstBytes);

// The 144 header bytes: the key block wraps fileKey, attributes and plainLength under kek with
// wrapNonce. Deterministic; the caller draws the salt, the nonce and the file key at random.
QByteArray header(const DerivationParams& derivation, const std::array<quint8, WrapNonceSize>& wrapNonce,
                  const SecretBuffer& kek, const FileSecrets& secrets);

// Checks the header's structure, version and costs (stored may be longer: only its first 144
// bytes are read). Refuses a damaged header, one of a newer version and costs beyond the caps.
Expected<StrongHeader, StrongRefusal> readHeader(QByteArrayView stored);

// Opens the key block with the key derived from the pass phrase: the wrong pass phrase refuses.
Expected<FileSecrets, StrongRefusal> openKeyBlock(const StrongHeader& header, const SecretBuffer& kek);

// The file's size against the size its plain length makes (any size for an unknown length).
Expected<void, StrongRefusal> checkSize(quint64 plainLength, qint64 fileSize);

} // namespace StrongFormat
