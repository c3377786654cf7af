/*
 * The keys of the Strong level: the pass phrase as typed, taken into secret memory in one form
 * (NFC, UTF-8), and the key-encryption keys Argon2id derives from it.
 *
 * A derivation takes seconds and cannot be interrupted, so it runs on a helper thread while the
 * caller waits on a condition that its end or a Cancel wakes: Cancel returns at once, and the
 * abandoned derivation finishes in the background, its result wiped. Only one derivation is ever
 * alive in the process, which bounds the memory of a pass. A KeyDeriver serves one run: the keys
 * it derived are kept per salt and costs, so the files of a run derive once.
 */
#pragma once

#include "app/crypt/engine/secretbuffer.h"
#include "app/crypt/engine/strongformat.h"
#include "common/expected.h"

#include <QtCore/QString>

#include <functional>
#include <map>
#include <memory>
#include <tuple>

namespace StrongPassPhrase {

inline constexpr qsizetype MinCharacters = 12;
inline constexpr qsizetype MaxCharacters = 1024;

// The typed pass phrase, NFC-normalised and UTF-8, in secret memory; or why it is refused. The
// typed text is overwritten and cleared either way.
Expected<SecretBuffer> take(QString& typed);

} // namespace StrongPassPhrase

class KeyDeriver {
public:
    // Derives the 32-byte kek from a pass phrase; false when the memory could not be had.
    using Derivation = std::function<bool(const SecretBuffer& passPhrase, const DerivationParams&, SecretBuffer& kek)>;
    // Argon2id v1.3 as libsodium computes it.
    static bool argon2id(const SecretBuffer& passPhrase, const DerivationParams& params, SecretBuffer& kek);

    explicit KeyDeriver(SecretBuffer passPhrase, Derivation derivation = argon2id);
    ~KeyDeriver();
    KeyDeriver(const KeyDeriver&) = delete;
    KeyDeriver& operator=(const KeyDeriver&) = delete;

    // The key for params, derived once per run. Blocks until it is derived (after any abandoned
    // derivation still running has ended); the Cancelled refusal as soon as cancel() is called;
    // NeedsMemory when the derivation could not have its memory.
    Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal> kek(const DerivationParams& params);
    // From any thread: the waiting kek() returns, and every later one, at once.
    void cancel();
    // How many derivations this run started.
    int derivations() const { return m_derivations; }

private:
    using CacheKey = std::tuple<std::array<quint8, StrongFormat::SaltSize>, quint32, quint32>;
    static CacheKey cacheKey(const DerivationParams& params);

    SecretBuffer m_passPhrase;
    Derivation m_derivation;
    std::map<CacheKey, std::shared_ptr<const SecretBuffer>> m_keys;
    bool m_cancelled = false; // guarded by the process's derivation lock
    int m_derivations = 0;
};
