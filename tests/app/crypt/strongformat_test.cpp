/*
 * The Strong file in memory: round trips at the chunk boundaries, and each kind of damage with
 * the refusal the reading order gives it (none of the header's own refusals derives a key). A
 * file made once by the writer, with the real derivation, must always decrypt.
 */
#include "app/crypt/engine/strongkeys.h"
#include "app/crypt/engine/strongstream.h"
#include "tests/support/tempenv.h"

#include <QtCore/QFile>

#include <sodium.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Kind = StrongRefusal::Kind;

namespace {

constexpr qint64 Sealed = 65552;
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
    StrongRefusal refusalOf(QByteArrayView file) {
        const auto read = StrongFile::decrypt(file, [this](const DerivationParams&) {
            ++asked;
            return kek;
        });
        return read ? StrongRefusal{Kind::Cancelled, -1} : read.error();
    }
};

} // namespace

TEST(StrongFormatTest, RoundTripsAtTheChunkBoundaries) {
    KeyRun run;
    EXPECT_EQ(run.encrypt("").left(24).toHex(), "89565850530d0a1aacff010001100000"
                                                "0100000000200000");
    for (const qint64 size : {0, 1, 11, 65535, 65536, 65537, 2097151, 2097152, 2097153, 2162688}) {
        SCOPED_TRACE(size);
        const QByteArray plain = sampleBytes(size, 3);
        for (const bool lengthKnown : {true, false}) {
            const QByteArray file = run.encrypt(plain, lengthKnown);
            EXPECT_EQ(file.size(), 144 + size + 16 * std::max<qint64>(1, (size + 65535) / 65536));
            const auto read = StrongFile::decrypt(file, [&](const DerivationParams&) { return run.kek; });
            ASSERT_TRUE(read);
            EXPECT_TRUE(read->bytes == plain && read->attributes == 0x21);
        }
    }
}

TEST(StrongFormatTest, EachChangedByteIsRefusedInTheReadingOrder) {
    KeyRun run;
    // Chunks start at 144, 65696 and 131248; the file ends at 131364.
    const QByteArray good = run.encrypt(sampleBytes(2 * 65536 + 100, 4));
    const struct {
        qint64 at;
        char change;
        bool checkMadeGood; // the header check recomputed, so that the field itself is judged
        StrongRefusal refusal;
    } cases[] = {
        {0, 1, true, {Kind::DamagedHeader}},         {9, 1, true, {Kind::DamagedHeader}},
        {15, 1, true, {Kind::DamagedHeader}},        {10, 1, true, {Kind::DamagedHeader}}, // version 0
        {12, 2, false, {Kind::DamagedHeader}},       {140, 1, false, {Kind::DamagedHeader}},
        {10, 3, true, {Kind::NewerVersion}},         {11, 1, true, {Kind::NewerVersion}},
        {12, 2, true, {Kind::NewerVersion}},         {13, 1, true, {Kind::NewerVersion}},
        {16, 10, true, {Kind::NeedsMemory, 8}},      {16, 1, true, {Kind::NeedsMemory, 8}}, // 11 and 0 passes
        {22, 16, true, {Kind::NeedsMemory, 1032}},   {21, 0x30, true, {Kind::NeedsMemory, 4}},
        {24, 1, true, {Kind::WrongPassPhrase}},      {40, 1, true, {Kind::WrongPassPhrase}}, // salt, nonce
        {100, 1, true, {Kind::WrongPassPhrase}},     {144, 1, false, {Kind::DamagedAt, 144}},
        {70000, 1, false, {Kind::DamagedAt, 65696}}, {131363, 1, false, {Kind::DamagedAt, 131248}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at << " " << int(c.change));
        QByteArray file = good;
        file[c.at] = char(file[c.at] ^ c.change);
        if (c.checkMadeGood)
            crypto_generichash(reinterpret_cast<uchar*>(file.data()) + 128, 16,
                               reinterpret_cast<const uchar*>(file.constData()), 128, nullptr, 0);
        run.asked = 0;
        EXPECT_EQ(run.refusalOf(file), c.refusal);
        // The caps and the header's damage refuse before a key is derived.
        EXPECT_EQ(run.asked, c.refusal.kind >= Kind::WrongPassPhrase ? 1 : 0);
    }
    EXPECT_EQ(run.refusalOf(good.chopped(1)).kind, Kind::CutShortOrExtended);
    EXPECT_EQ(run.refusalOf(QByteArray(good + 'x')).kind, Kind::CutShortOrExtended);
    run.kek = std::make_shared<const SecretBuffer>(filled('w'));
    EXPECT_EQ(run.refusalOf(good).kind, Kind::WrongPassPhrase);
}

TEST(StrongFormatTest, ChunksCutMovedOrSplicedAreDamageAtTheirByte) {
    KeyRun run;
    const QByteArray file = run.encrypt(sampleBytes(2 * 65536 + 100, 5), false);
    const QByteArray other = run.encrypt(sampleBytes(2 * 65536 + 100, 5), false, 'g'); // same run, its own key
    const auto chunk = [&](int i) {
        return i < 0 ? other.mid(144 + Sealed, Sealed) : file.mid(144 + i * Sealed, Sealed);
    };
    const struct {
        QList<int> chunks;
        qint64 damagedAt;
    } orders[] = {{{1, 0, 2}, 144}, {{0, 0, 1, 2}, 65696},  {{0, 2}, 65696}, {{0, -1, 2}, 65696},
                  {{0, 1}, 131248}, {{0, 1, 2, 1}, 131248}, {{}, 144}};
    for (const auto& order : orders) {
        QByteArray spliced = file.left(144);
        for (const int i : order.chunks)
            spliced += chunk(i);
        EXPECT_EQ(run.refusalOf(spliced), (StrongRefusal{Kind::DamagedAt, order.damagedAt})) << order.chunks.size();
    }
    const struct {
        qint64 size;
        qint64 damagedAt;
    } cuts[] = {{145, 144},       {65695, 144},     {65696, 65696},   {65697, 65696},  {131247, 65696},
                {131248, 131248}, {131249, 131248}, {131363, 131248}, {131365, 131248}};
    for (const auto& cut : cuts)
        EXPECT_EQ(run.refusalOf(QByteArray(file + 'x').left(cut.size)), (StrongRefusal{Kind::DamagedAt, cut.damagedAt}))
            << cut.size;
    EXPECT_EQ(run.refusalOf(file.left(143)).kind, Kind::DamagedHeader);
    // A whole last chunk with a byte after it: the damage starts after that chunk.
    const QByteArray whole = QByteArray(run.encrypt(sampleBytes(2 * 65536, 6), false) + 'x');
    EXPECT_EQ(run.refusalOf(whole), (StrongRefusal{Kind::DamagedAt, 131248}));
}

TEST(StrongFormatTest, TheCommittedFileAlwaysDecrypts) {
    QFile golden(QStringLiteral(VEXA_TEST_DATA "/strong-golden.vxp"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    QString typed = u"Gru\u0308\u00dfe aus Ko\u0308ln, 2026!"_s;
    KeyDeriver deriver(*StrongPassPhrase::take(typed));
    const auto read = StrongFile::decrypt(golden.readAll(), [&](const DerivationParams& p) { return deriver.kek(p); });
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->bytes == sampleBytes(70000, 7) && read->attributes == 0x21);
}
