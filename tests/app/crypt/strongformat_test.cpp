/*
 * The Strong file in memory: round trips at the chunk boundaries, and each kind of damage with
 * the refusal the reading order gives it (none of the header's own refusals derives a key).
 */
#include "app/crypt/engine/strongstream.h"
#include "tests/support/tempenv.h"

#include <sodium.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using enum StrongRefusal::Kind;

namespace {

const DerivationParams Params{1, 8192, {1, 2, 3}};
const std::array<quint8, 24> Nonce{9, 8, 7};

SecretBuffer filled(char byte) {
    return SecretBuffer::copyOf(QByteArray(32, byte));
}

// One run's key, and how often a file asked for it.
struct KeyRun {
    std::shared_ptr<const SecretBuffer> kek = std::make_shared<const SecretBuffer>(filled('k'));
    int asked = 0;

    QByteArray encrypt(QByteArrayView plain, bool lengthKnown = true, char fileKey = 'f') {
        return StrongFile::encrypt(Params, Nonce, *kek, filled(fileKey), 0x21, plain, lengthKnown);
    }
    Expected<StrongFile::Plain, StrongRefusal> decrypt(QByteArrayView file) {
        return StrongFile::decrypt(file, [this](const DerivationParams&) {
            ++asked;
            return kek;
        });
    }
    StrongRefusal refusalOf(QByteArrayView file) {
        const auto read = decrypt(file);
        return read ? StrongRefusal{Cancelled, -1} : read.error();
    }
};

} // namespace

TEST(StrongFormatTest, RoundTripsAtTheChunkBoundaries) {
    KeyRun run;
    EXPECT_EQ(run.encrypt("").left(24).toHex(), "89565850530d0a1aacff010001100000"
                                                "0100000000200000");
    EXPECT_TRUE(StrongFormat::isStrong(run.encrypt("")) &&
                !StrongFormat::isStrong(QByteArray::fromHex("9e9d9cdfdfdfdfdfb7ff")));
    EXPECT_TRUE(StrongFormat::newRun().salt != StrongFormat::newRun().salt &&
                StrongFormat::newWrapNonce() != StrongFormat::newWrapNonce() &&
                StrongFormat::newFileKey().view() != StrongFormat::newFileKey().view());
    for (const qint64 size : {0, 1, 11, 65535, 65536, 65537, 2097151, 2097152, 2097153, 2162688}) {
        SCOPED_TRACE(size);
        const QByteArray plain = sampleBytes(size, 3);
        for (const bool lengthKnown : {true, false}) {
            const QByteArray file = run.encrypt(plain, lengthKnown);
            EXPECT_EQ(file.size(), 144 + size + 16 * std::max<qint64>(1, (size + 65535) / 65536));
            const auto read = run.decrypt(file);
            EXPECT_TRUE(read && read->bytes == plain && read->attributes == 0x21);
        }
    }
}

TEST(StrongFormatTest, EachChangedByteIsRefusedInTheReadingOrder) {
    KeyRun run;
    // Chunks start at 144, 65696 and 131248; the file ends at 131364.
    const QByteArray good = run.encrypt(sampleBytes(2 * 65536 + 100, 4));
    // Rows in order: the signature, byte 9, a reserved byte, version 0, the header check; version
    // 2, a flag, a derivation, a chunk size; 11 and 0 passes, 1032 and 4 MiB; the salt, the wrap
    // nonce, the key block; a byte of each chunk. A change before byte 128 comes with its header
    // check made good, so that the field itself is judged.
    const struct {
        qint64 at;
        char change;
        StrongRefusal refusal;
    } cases[] = {{0, 1, {DamagedHeader}},         {9, 1, {DamagedHeader}},    {15, 1, {DamagedHeader}},
                 {10, 1, {DamagedHeader}},        {140, 1, {DamagedHeader}},  {10, 3, {NewerVersion}},
                 {11, 1, {NewerVersion}},         {12, 2, {NewerVersion}},    {13, 1, {NewerVersion}},
                 {16, 10, {NeedsMemory, 8}},      {16, 1, {NeedsMemory, 8}},  {22, 16, {NeedsMemory, 1032}},
                 {21, 0x30, {NeedsMemory, 4}},    {24, 1, {WrongPassPhrase}}, {40, 1, {WrongPassPhrase}},
                 {100, 1, {WrongPassPhrase}},     {144, 1, {DamagedAt, 144}}, {70000, 1, {DamagedAt, 65696}},
                 {131363, 1, {DamagedAt, 131248}}};
    for (const auto& c : cases) {
        QByteArray file = good;
        file[c.at] = char(file[c.at] ^ c.change);
        if (c.at < 128)
            crypto_generichash(reinterpret_cast<uchar*>(file.data()) + 128, 16,
                               reinterpret_cast<const uchar*>(file.constData()), 128, nullptr, 0);
        run.asked = 0;
        EXPECT_EQ(run.refusalOf(file), c.refusal) << c.at << " " << int(c.change);
        // The caps and the header's damage refuse before a key is derived.
        EXPECT_EQ(run.asked, c.refusal.kind >= WrongPassPhrase ? 1 : 0) << c.at;
    }
    EXPECT_EQ(run.refusalOf(good.chopped(1)).kind, CutShortOrExtended);
    EXPECT_EQ(run.refusalOf(QByteArray(good + 'x')).kind, CutShortOrExtended);
    run.kek = std::make_shared<const SecretBuffer>(filled('w'));
    EXPECT_EQ(run.refusalOf(good).kind, WrongPassPhrase);
}

TEST(StrongFormatTest, ChunksCutMovedOrSplicedAreDamageAtTheirByte) {
    KeyRun run;
    const QByteArray file = run.encrypt(sampleBytes(2 * 65536 + 100, 5), false);
    const QByteArray other = run.encrypt(sampleBytes(2 * 65536 + 100, 5), false, 'g'); // same run, its own key
    const auto chunk = [&](int i) { return i < 0 ? other.mid(65696, 65552) : file.mid(144 + i * 65552, 65552); };
    // Chunks in another order (-1: the second chunk of the other file), then cut at each boundary.
    const std::pair<QList<int>, qint64> orders[] = {
        {{1, 0, 2}, 144}, {{0, 0, 1, 2}, 65696},  {{0, 2}, 65696}, {{0, -1, 2}, 65696},
        {{0, 1}, 131248}, {{0, 1, 2, 1}, 131248}, {{}, 144}};
    for (const auto& [chunks, damagedAt] : orders) {
        QByteArray spliced = file.left(144);
        for (const int i : chunks)
            spliced += chunk(i);
        EXPECT_EQ(run.refusalOf(spliced), (StrongRefusal{DamagedAt, damagedAt})) << chunks.size();
    }
    const std::pair<qint64, qint64> cuts[] = {{145, 144},       {65695, 144},     {65696, 65696},
                                              {65697, 65696},   {131247, 65696},  {131248, 131248},
                                              {131249, 131248}, {131363, 131248}, {131365, 131248}};
    for (const auto& [size, damagedAt] : cuts)
        EXPECT_EQ(run.refusalOf(QByteArray(file + 'x').left(size)), (StrongRefusal{DamagedAt, damagedAt})) << size;
    EXPECT_EQ(run.refusalOf(file.left(143)).kind, DamagedHeader);
    // A whole last chunk with a byte after it: the damage starts after that chunk.
    const QByteArray whole = QByteArray(run.encrypt(sampleBytes(2 * 65536, 6), false) + 'x');
    EXPECT_EQ(run.refusalOf(whole), (StrongRefusal{DamagedAt, 131248}));
}
