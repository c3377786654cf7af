/*
 * The Strong level's keys: pass phrases taken by their rules and their NFC form, Argon2id
 * against answers of an independent implementation, one derivation per run and cost, and a
 * Cancel that does not wait for a derivation.
 */
#include "app/crypt/engine/strongkeys.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QList>
#include <QtCore/QSet>

#include <sodium.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A fast stand-in for Argon2id: a hash of the pass phrase and every parameter.
bool quickDerivation(const SecretBuffer& phrase, const DerivationParams& params, SecretBuffer& kek) {
    const QByteArray input = phrase.view().toByteArray() + QByteArray::number(params.passes) + ' ' +
                             QByteArray::number(params.memoryKiB) +
                             QByteArray(reinterpret_cast<const char*>(params.salt.data()), 16);
    return crypto_generichash(kek.data(), 32, reinterpret_cast<const uchar*>(input.data()), input.size(), nullptr, 0) ==
           0;
}

SecretBuffer phrase() {
    return SecretBuffer::copyOf("a pass phrase");
}

} // namespace

TEST(StrongKeysTest, Argon2idMatchesTheIndependentAnswersForEveryFormOfAPhrase) {
    // Computed by Debian's argon2 program: printf %s PHRASE | argon2 SALT -id -t T -k K -p 1 -l 32 -r
    const struct {
        QString typed;
        QByteArray salt;
        quint32 passes;
        quint32 memoryKiB;
        QByteArray kek;
    } cases[] = {
        {u"correct horse battery staple"_s, "vexa-strong-salt", 2, 65536,
         "6f6abefcbcf57f70325ea66c7d7d742e733584b8b7d530da9dda7475249b38d1"},
        {u"Gr\u00fc\u00dfe aus K\u00f6ln, 2026!"_s, "0123456789abcdef", 1, 8192,
         "7e6c7c162ed17ed2b9abada09fd5bbd21cc9b6393b7adc0e4d85baff5c8a2542"},
        {u"Gru\u0308\u00dfe aus Ko\u0308ln, 2026!"_s, "0123456789abcdef", 1, 8192, // decomposed
         "7e6c7c162ed17ed2b9abada09fd5bbd21cc9b6393b7adc0e4d85baff5c8a2542"},
        {u"a longer pass phrase with     spaces"_s, "saltsaltsaltsalt", 3, 16384,
         "3d078da04e33df58975ac94d1881ea7ecf91b3cde7c45a3e9dfeea64a74e3e1e"},
    };
    for (auto c : cases) {
        DerivationParams params{c.passes, c.memoryKiB, {}};
        std::copy(c.salt.cbegin(), c.salt.cend(), params.salt.begin());
        Expected<SecretBuffer> taken = StrongPassPhrase::take(c.typed);
        ASSERT_TRUE(taken);
        EXPECT_TRUE(c.typed.isEmpty());
        KeyDeriver deriver(std::move(*taken));
        const auto kek = deriver.kek(params);
        ASSERT_TRUE(kek);
        EXPECT_EQ((*kek)->view().toByteArray().toHex(), c.kek);
    }
}

TEST(StrongKeysTest, PassPhrasesHave12To1024CharactersAndNoControls) {
    const struct {
        QString typed;
        bool taken;
    } cases[] = {
        {u"12345678901"_s, false},          {u"123456789012"_s, true},          {QString(1024, u'x'), true},
        {QString(1025, u'x'), false},       {u"1234567890\U0001F600"_s, false}, // 11 characters in 12 code units
        {u"12345678901\U0001F600"_s, true}, {u"1234567890e\u0301"_s, false},    // 11 characters once composed
        {u"12345678901\t"_s, false},        {u"12345678901\u007f"_s, false},
    };
    for (auto c : cases) {
        const QString shown = c.typed;
        EXPECT_EQ(bool(StrongPassPhrase::take(c.typed)), c.taken) << shown.size();
        EXPECT_TRUE(c.typed.isEmpty());
    }
}

TEST(StrongKeysTest, ARunDerivesOncePerSaltAndCost) {
    std::atomic<int> started = 0;
    KeyDeriver deriver(phrase(), [&](const SecretBuffer& p, const DerivationParams& params, SecretBuffer& kek) {
        ++started;
        return quickDerivation(p, params, kek);
    });
    const DerivationParams run{1, 8192, {7}};
    const auto first = deriver.kek(run);
    for (int file = 0; file < 1000; ++file)
        ASSERT_EQ(*deriver.kek(run), *first);
    QList<QByteArray> keys{(*first)->view().toByteArray()};
    for (const DerivationParams other :
         {DerivationParams{2, 8192, {7}}, DerivationParams{1, 9216, {7}}, DerivationParams{1, 8192, {8}}})
        keys.append((*deriver.kek(other))->view().toByteArray());
    EXPECT_EQ(started, 4);
    EXPECT_EQ(deriver.derivations(), 4);
    EXPECT_EQ(QSet<QByteArray>(keys.cbegin(), keys.cend()).size(), 4);

    KeyDeriver starved(phrase(), [](const SecretBuffer&, const DerivationParams&, SecretBuffer&) { return false; });
    EXPECT_EQ(starved.kek(run).error(), (StrongRefusal{StrongRefusal::Kind::NeedsMemory, 8}));
}

TEST(StrongKeysTest, CancelReturnsAtOnceAndTheAbandonedDerivationEndsAlone) {
    std::mutex lock;
    std::condition_variable released;
    bool release = false;
    std::atomic<int> alive = 0;
    std::atomic<int> mostAlive = 0;
    const auto slow = [&](const SecretBuffer& p, const DerivationParams& params, SecretBuffer& kek) {
        mostAlive = std::max(mostAlive.load(), ++alive);
        std::unique_lock<std::mutex> locked(lock);
        released.wait(locked, [&] { return release; });
        --alive;
        return quickDerivation(p, params, kek);
    };
    const DerivationParams run{1, 8192, {7}};
    KeyDeriver cancelled(phrase(), slow);
    QElapsedTimer sinceCancel;
    std::thread user([&] {
        std::this_thread::sleep_for(50ms);
        sinceCancel.start();
        cancelled.cancel();
    });
    EXPECT_EQ(cancelled.kek(run).error().kind, StrongRefusal::Kind::Cancelled);
    EXPECT_LT(sinceCancel.elapsed(), 50);
    user.join();

    // The next run waits for the abandoned derivation rather than run beside it.
    KeyDeriver next(phrase(), slow);
    std::thread derivationEnds([&] {
        std::this_thread::sleep_for(50ms);
        const std::lock_guard<std::mutex> locked(lock);
        release = true;
        released.notify_all();
    });
    EXPECT_TRUE(next.kek(run));
    derivationEnds.join();
    EXPECT_EQ(mostAlive, 1);
}
