/*
 * The pass phrase's rules and the key derivation on its helper thread.
 */
#include "app/crypt/engine/strongkeys.h"

#include <sodium.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// The one derivation of the process: its lock guards every field below and each deriver's
// cancel flag; its condition is told of every end and every cancel. Never destroyed, so a
// derivation still running at exit finds it.
struct DerivationSlot {
    std::mutex lock;
    std::condition_variable changed;
    bool busy = false;
};

DerivationSlot& slot() {
    static DerivationSlot* const instance = new DerivationSlot;
    return *instance;
}

// One derivation's inputs and result; the helper thread and the waiter share it, and whichever
// lets go last frees (wipes) it.
struct Job {
    SecretBuffer passPhrase;
    DerivationParams params;
    SecretBuffer kek;
    bool done = false;
    bool derived = false;
};

Unexpected<StrongRefusal> needsMemory(const DerivationParams& params) {
    return Unexpected(StrongRefusal{StrongRefusal::Kind::NeedsMemory, (qint64(params.memoryKiB) + 1023) / 1024});
}

void overwrite(QString& text) {
    text.fill(QChar(0));
    text.clear();
}

} // namespace

Expected<SecretBuffer> StrongPassPhrase::take(QString& typed) {
    QString normal = typed.normalized(QString::NormalizationForm_C);
    overwrite(typed);
    qsizetype characters = 0;
    bool control = false;
    for (const QChar c : std::as_const(normal)) {
        characters += c.isLowSurrogate() ? 0 : 1;
        control = control || c.category() == QChar::Other_Control;
    }
    QString refusal;
    if (characters < MinCharacters)
        refusal = u"The pass phrase must have at least %1 characters."_s.arg(MinCharacters);
    else if (characters > MaxCharacters)
        refusal = u"The pass phrase can have at most %1 characters."_s.arg(MaxCharacters);
    else if (control)
        refusal = u"The pass phrase cannot hold control characters."_s;
    if (!refusal.isEmpty()) {
        overwrite(normal);
        return unexpected({refusal});
    }
    QByteArray utf8 = normal.toUtf8();
    overwrite(normal);
    SecretBuffer secret = SecretBuffer::copyOf(utf8);
    utf8.fill('\0');
    return secret;
}

bool KeyDeriver::argon2id(const SecretBuffer& passPhrase, const DerivationParams& params, SecretBuffer& kek) {
    return crypto_pwhash(kek.data(), static_cast<unsigned long long>(kek.size()),
                         reinterpret_cast<const char*>(passPhrase.data()),
                         static_cast<unsigned long long>(passPhrase.size()), params.salt.data(), params.passes,
                         size_t(params.memoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

KeyDeriver::KeyDeriver(SecretBuffer passPhrase, Derivation derivation)
    : m_passPhrase(std::move(passPhrase))
    , m_derivation(std::move(derivation)) {}

KeyDeriver::~KeyDeriver() = default;

KeyDeriver::CacheKey KeyDeriver::cacheKey(const DerivationParams& params) {
    return {params.salt, params.passes, params.memoryKiB};
}

Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal> KeyDeriver::kek(const DerivationParams& params) {
    const CacheKey key = cacheKey(params);
    if (const auto found = m_keys.find(key); found != m_keys.end())
        return found->second;

    DerivationSlot& derivations = slot();
    std::unique_lock<std::mutex> locked(derivations.lock);
    derivations.changed.wait(locked, [&] { return !derivations.busy || m_cancelled; });
    if (m_cancelled)
        return Unexpected(StrongRefusal{StrongRefusal::Kind::Cancelled});

    auto job = std::make_shared<Job>();
    job->passPhrase = SecretBuffer::copyOf(m_passPhrase.view());
    job->params = params;
    const auto derive = [job, derivation = m_derivation] {
        SecretBuffer kek;
        bool derived = false;
        try {
            kek = SecretBuffer(StrongFormat::KeySize);
            derived = derivation(job->passPhrase, job->params, kek);
        } catch (const std::bad_alloc&) {
        }
        DerivationSlot& derivations = slot();
        {
            const std::lock_guard<std::mutex> locked(derivations.lock);
            job->kek = std::move(kek);
            job->derived = derived;
            job->done = true;
            derivations.busy = false;
        }
        derivations.changed.notify_all();
    };
    try {
        std::thread(derive).detach();
    } catch (const std::system_error&) {
        // No thread to be had: as short of memory as a derivation that could not allocate.
        return needsMemory(params);
    }
    derivations.busy = true;
    ++m_derivations;

    derivations.changed.wait(locked, [&] { return job->done || m_cancelled; });
    if (!job->done)
        return Unexpected(StrongRefusal{StrongRefusal::Kind::Cancelled});
    if (!job->derived)
        return needsMemory(params);
    auto kek = std::make_shared<const SecretBuffer>(std::move(job->kek));
    m_keys.emplace(key, kek);
    return kek;
}

void KeyDeriver::cancel() {
    DerivationSlot& derivations = slot();
    {
        const std::lock_guard<std::mutex> locked(derivations.lock);
        m_cancelled = true;
    }
    derivations.changed.notify_all();
}
