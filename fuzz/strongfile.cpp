/*
 * The Strong file: any bytes read as one with a known key-encryption key (so that inputs get past
 * the key block to the chunks), and any plain bytes through the writer and back, where changing
 * any one byte of the file must be refused.
 */
#include "fuzz/fuzzcheck.h"

#include "app/crypt/engine/strongstream.h"

#include <sodium.h>

namespace {

std::shared_ptr<const SecretBuffer> injectedKey() {
    static const auto key = std::make_shared<const SecretBuffer>(SecretBuffer::copyOf(QByteArray(32, 'k')));
    return key;
}

Expected<StrongFile::Plain, StrongRefusal> read(QByteArrayView file) {
    return StrongFile::decrypt(file, [](const DerivationParams&) { return injectedKey(); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = sodium_init() >= 0;
    FUZZ_CHECK(ready);
    FuzzInput input(data, size);
    const quint8 choice = input.byte();
    const quint16 position = quint16(input.byte() << 8 | input.byte());
    const QByteArray rest = input.rest();

    if (choice & 1) {
        const Expected<StrongFile::Plain, StrongRefusal> plain = read(rest);
        if (plain) {
            FUZZ_CHECK(quint8(rest.at(8)) == StrongFormat::LevelByte);
            FUZZ_CHECK(rest.size() == StrongFormat::encryptedSize(quint64(plain->bytes.size())));
        } else if (plain.error().kind == StrongRefusal::Kind::DamagedAt) {
            FUZZ_CHECK(plain.error().value >= StrongFormat::HeaderSize && plain.error().value <= rest.size());
        }
        return 0;
    }

    const DerivationParams params{1, 8192, {choice}};
    const std::array<quint8, StrongFormat::WrapNonceSize> nonce{quint8(position)};
    const SecretBuffer fileKey = SecretBuffer::copyOf(QByteArray(32, char(choice)));
    const bool lengthKnown = choice & 2;
    QByteArray file = StrongFile::encrypt(params, nonce, *injectedKey(), fileKey, choice, rest, lengthKnown);
    FUZZ_CHECK(file.size() == StrongFormat::encryptedSize(quint64(rest.size())));
    const Expected<StrongFile::Plain, StrongRefusal> plain = read(file);
    FUZZ_CHECK(plain && plain->bytes == rest && plain->attributes == choice);
    const qsizetype changed = position % file.size();
    file[changed] = char(file.at(changed) ^ (choice | 1));
    FUZZ_CHECK(!read(file));
    FUZZ_CHECK(!read(file.chopped(1)) && !read(QByteArray(file + char(choice))));
    return 0;
}
