/*
 * The Strong level through the passes and the runner, with a fast stand-in for Argon2id: round
 * trips at the chunk boundaries, refusals that write nothing and keep the ".vxp", one derivation
 * for a run of many files, and a stop that does not wait for a derivation.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/engine/strongkeys.h"
#include "app/crypt/engine/strongstream.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <QtCore/QElapsedTimer>
#include <QtTest/QSignalSpy>

#include <sodium.h>

#include <future>
#include <thread>

using Outcome = PassResult::Outcome;

namespace {

const DerivationParams Costs{1, 8192, {9}};

bool quick(const SecretBuffer& secret, const DerivationParams& params, SecretBuffer& kek) {
    return crypto_generichash(kek.data(), 32, secret.data(), secret.size(), params.salt.data(), 16) == 0;
}

std::shared_ptr<KeyDeriver> keys(QString phrase = u"a pass phrase long enough"_s, KeyDeriver::Derivation how = quick) {
    return std::make_shared<KeyDeriver>(StrongPassPhrase::take(phrase).value(), how);
}

FileTask strongTask(const QString& input, const std::shared_ptr<KeyDeriver>& keys) {
    FileTask task = input.endsWith(u".vxp"_s)
                        ? FileTask::decryption(SecurityLevel::Strong, input, input.chopped(4), {}, true, {})
                        : FileTask::encryption(SecurityLevel::Strong, input, {}, true);
    task.keys = keys;
    task.derivation = Costs;
    return task;
}

class StrongPassTest : public TempEnvTest {
protected:
    PassResult run(const FileTask& task) { return CipherPass(m_platform, m_quiet).run(task); }
    QStringList names() const { return namesIn(path(u"work"_s)); }
    // Runs the tasks through a runner until it settles, or until it stops when stop() is called
    // 200 ms after they were handed over; the results in order.
    QList<PassResult> runAll(const QList<FileTask>& tasks, bool stop = false) {
        PassRunner runner(m_platform);
        QList<PassResult> results;
        QObject::connect(&runner, &PassRunner::fileFinished, &runner,
                         [&](const FileTask&, const PassResult& result) { results << result; });
        QSignalSpy settled(&runner, &PassRunner::settled);
        for (const FileTask& task : tasks)
            runner.submit(task);
        std::this_thread::sleep_for(std::chrono::milliseconds(stop ? 200 : 0));
        m_stopping.start();
        stop ? runner.stop() : runner.settle();
        EXPECT_TRUE(settled.wait(10000));
        return results;
    }

    LinuxPlatform m_platform;
    TestObserver m_quiet;
    QElapsedTimer m_stopping;
};

} // namespace

TEST_F(StrongPassTest, RoundTripsAtTheChunkBoundariesAndDeletesEachOriginal) {
    for (const qint64 size : {0, 1, 65536, 65537}) {
        SCOPED_TRACE(size);
        const QByteArray plain = sampleBytes(size, 3);
        const QString file = makeFile(u"work/f.bin"_s, plain);
        EXPECT_EQ(run(strongTask(file, keys())), PassResult{});
        // The format's own reader agrees with the pass.
        const auto read =
            StrongFile::decrypt(readAll(vxp(file)), [k = keys()](const DerivationParams& p) { return k->kek(p); });
        EXPECT_TRUE(read && read->bytes == plain && names() == QStringList{u"f.bin.vxp"_s});
        EXPECT_EQ(run(strongTask(vxp(file), keys())), PassResult{});
        EXPECT_TRUE(names() == QStringList{u"f.bin"_s} && readAll(file) == plain);
        QFile::remove(file);
    }
}

TEST_F(StrongPassTest, ARefusedFileWritesNothingAndKeepsTheEncryptedFile) {
    const QString file = makeFile(u"work/f.bin"_s, sampleBytes(3 * 65536));
    ASSERT_EQ(run(strongTask(file, keys())), PassResult{});
    const QByteArray stored = readAll(vxp(file));
    using Kind = StrongRefusal::Kind;
    // A byte changed (-1: none), bytes cut off the end, another pass phrase: the refusal.
    const std::tuple<qint64, qint64, QString, StrongRefusal> cases[] = {
        {144 + 65552 + 7, 0, {}, {Kind::DamagedAt, 65696}},
        {-1, 1, {}, {Kind::CutShortOrExtended}},
        {-1, 0, u"another pass phrase"_s, {Kind::WrongPassPhrase}}};
    for (const auto& [at, cut, phrase, refusal] : cases) {
        QByteArray changed = stored.chopped(cut);
        if (at >= 0)
            changed[at] = char(changed[at] ^ 0x20);
        makeFile(u"work/f.bin.vxp"_s, changed);
        const Outcome outcome = refusal.kind == Kind::WrongPassPhrase ? Outcome::WrongPassPhrase : Outcome::Failed;
        EXPECT_EQ(run(strongTask(vxp(file), phrase.isEmpty() ? keys() : keys(phrase))),
                  (PassResult{outcome, vxp(file) + u" was left untouched. "_s + refusal.message(), {}}));
        EXPECT_TRUE(names() == QStringList{u"f.bin.vxp"_s} && readAll(vxp(file)) == changed) << at;
    }
}

TEST_F(StrongPassTest, ARunDerivesOnceAndAStopDoesNotWaitForTheDerivation) {
    QStringList plains;
    for (int i = 0; i < 5; ++i)
        plains << makeFile(u"work/f%1"_s.arg(i), sampleBytes(100 * i, i));
    for (const QString& suffix : {u""_s, u".vxp"_s}) {
        const std::shared_ptr<KeyDeriver> deriver = keys();
        QList<FileTask> tasks;
        for (const QString& plain : std::as_const(plains))
            tasks << strongTask(plain + suffix, deriver);
        EXPECT_EQ(runAll(tasks), QList<PassResult>(5));
        EXPECT_EQ(deriver->derivations(), 1);
    }

    // A derivation that ends only when the test lets it.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const auto slow = [released](const SecretBuffer&, const DerivationParams&, SecretBuffer&) {
        released.wait();
        return true;
    };
    const QList<PassResult> stopped = runAll({strongTask(plains[1], keys(u"a pass phrase long enough"_s, slow))}, true);
    EXPECT_LT(m_stopping.elapsed(), 1000);
    EXPECT_EQ(stopped, (QList<PassResult>{{Outcome::Cancelled, {}, {}}}));
    EXPECT_EQ(names().size(), 5);
    release.set_value();
}
