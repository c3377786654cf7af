/*
 * The Strong level's keys: pass phrases taken by their rules and their NFC form, Argon2id
 * against answers of an independent implementation, one derivation per run and cost, and a
 * Cancel that does not wait for a derivation; and a file made once with the real derivation,
 * which must always decrypt.
 */
#include "app/crypt/engine/strongkeys.h"
#include "app/crypt/engine/strongstream.h"
#include "tests/support/tempenv.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QSet>

#include <sodium.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A fast stand-in for Argon2id: a hash of the pass phrase keyed with every parameter.
bool quickDerivation(const SecretBuffer& phrase, const DerivationParams& params, SecretBuffer& kek) {
    return crypto_generichash(kek.data(), 32, phrase.data(), phrase.size(), reinterpret_cast<const uchar*>(&params),
                              sizeof params) == 0;
}

const DerivationParams Costs{1, 8192, {7}};

} // namespace

TEST(StrongKeysTest, Argon2idMatchesIndependentAnswersAndOpensTheCommittedFile) {
    // Computed by Debian's argon2 program: printf %s PHRASE | argon2 SALT -id -t T -k K -p 1 -l 32 -r
    const struct {
        QString typed;
        QByteArray salt;
        quint32 passes;
        quint32 memoryKiB;
        QByteArray kek;
    } cases[] = {{u"correct horse battery staple"_s, "vexa-strong-salt", 2, 65536,
                  "6f6abefcbcf57f70325ea66c7d7d742e733584b8b7d530da9dda7475249b38d1"},
                 {u"Gr\u00fc\u00dfe aus K\u00f6ln, 2026!"_s, "0123456789abcdef", 1, 8192,
                  "7e6c7c162ed17ed2b9abada09fd5bbd21cc9b6393b7adc0e4d85baff5c8a2542"},
                 {u"Gru\u0308\u00dfe aus Ko\u0308ln, 2026!"_s, "0123456789abcdef", 1, 8192, // decomposed
                  "7e6c7c162ed17ed2b9abada09fd5bbd21cc9b6393b7adc0e4d85baff5c8a2542"}};
    for (auto c : cases) {
        DerivationParams params{c.passes, c.memoryKiB, {}};
        std::copy(c.salt.cbegin(), c.salt.cend(), params.salt.begin());
        KeyDeriver deriver(StrongPassPhrase::take(c.typed).value());
        EXPECT_EQ(deriver.kek(params).value()->view().toByteArray().toHex(), c.kek);
    }
    // A file the writer made once from the second phrase must always decrypt.
    QFile golden(QStringLiteral(VEXA_TEST_DATA "/strong-golden.vxp"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    QString typed = u"Gru\u0308\u00dfe aus Ko\u0308ln, 2026!"_s;
    KeyDeriver deriver(StrongPassPhrase::take(typed).value());
    const auto read = StrongFile::decrypt(golden.readAll(), [&](const DerivationParams& p) { return deriver.kek(p); });
    EXPECT_TRUE(read && read->bytes == sampleBytes(70000, 7) && read->attributes == 0x21);
}

TEST(StrongKeysTest, PassPhrasesHave12To1024CharactersAndNoControls) {
    const struct {
        QString typed;
        bool taken;
    } cases[] = {
        {u"12345678901"_s, false},          {u"123456789012"_s, true},          {QString(1024, u'x'), true},
        {QString(1025, u'x'), false},       {u"1234567890\U0001F600"_s, false}, // 11 characters in 12 code units
        {u"12345678901\U0001F600"_s, true}, {u"1234567890e\u0301"_s, false},    // 11 characters once composed
        {u"12345678901\t"_s, false},        {u"12345678901\u007f"_s, false}};
    for (auto c : cases) {
        EXPECT_EQ(bool(StrongPassPhrase::take(c.typed)), c.taken) << c.taken;
        EXPECT_TRUE(c.typed.isEmpty());
    }
}

TEST(StrongKeysTest, ARunDerivesOncePerSaltAndCost) {
    KeyDeriver deriver(SecretBuffer::copyOf("a pass phrase"), quickDerivation);
    const QByteArray file = StrongFile::encrypt(Costs, {}, **deriver.kek(Costs), SecretBuffer(32), 0, "a small file");
    for (int files = 0; files < 1000; ++files)
        ASSERT_TRUE(StrongFile::decrypt(file, [&](const DerivationParams& p) { return deriver.kek(p); }));
    QSet<QByteArray> keys{(*deriver.kek(Costs))->view().toByteArray()};
    for (const DerivationParams other :
         {DerivationParams{2, 8192, {7}}, DerivationParams{1, 9216, {7}}, DerivationParams{1, 8192, {8}}, Costs})
        keys.insert((*deriver.kek(other))->view().toByteArray());
    EXPECT_EQ(deriver.derivations(), 4);
    EXPECT_EQ(keys.size(), 4);

    KeyDeriver starved(SecretBuffer::copyOf("a pass phrase"),
                       [](const SecretBuffer&, const DerivationParams&, SecretBuffer&) { return false; });
    EXPECT_EQ(starved.kek(Costs).error(), (StrongRefusal{StrongRefusal::Kind::NeedsMemory, 8}));
}

TEST(StrongKeysTest, CancelReturnsAtOnceAndTheAbandonedDerivationEndsAlone) {
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<int> alive = 0, mostAlive = 0;
    const auto slow = [&](const SecretBuffer& p, const DerivationParams& params, SecretBuffer& kek) {
        mostAlive = std::max(mostAlive.load(), ++alive);
        released.wait();
        --alive;
        return quickDerivation(p, params, kek);
    };
    KeyDeriver cancelled(SecretBuffer::copyOf("a pass phrase"), slow);
    QElapsedTimer sinceCancel;
    std::thread user([&] {
        std::this_thread::sleep_for(50ms);
        sinceCancel.start();
        cancelled.cancel();
    });
    EXPECT_EQ(cancelled.kek(Costs).error().kind, StrongRefusal::Kind::Cancelled);
    EXPECT_LT(sinceCancel.elapsed(), 250); // the derivation itself never ends meanwhile
    user.join();

    // The next run waits for the abandoned derivation rather than run beside it.
    KeyDeriver next(SecretBuffer::copyOf("a pass phrase"), slow);
    std::thread derivationEnds([&] {
        std::this_thread::sleep_for(50ms);
        release.set_value();
    });
    EXPECT_TRUE(next.kek(Costs));
    derivationEnds.join();
    EXPECT_EQ(mostAlive, 1);
}
