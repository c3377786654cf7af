/*
 * Secret memory on libsodium's guarded allocator.
 */
#include "app/crypt/engine/secretbuffer.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <utility>

SecretBuffer::SecretBuffer(qsizetype size) {
    if (size <= 0)
        return;
    m_data = static_cast<unsigned char*>(sodium_malloc(static_cast<size_t>(size)));
    if (!m_data)
        throw std::bad_alloc();
    sodium_memzero(m_data, static_cast<size_t>(size));
    m_size = size;
}

SecretBuffer SecretBuffer::copyOf(QByteArrayView bytes) {
    SecretBuffer secret(bytes.size());
    if (!bytes.isEmpty())
        std::memcpy(secret.m_data, bytes.data(), static_cast<size_t>(bytes.size()));
    return secret;
}

SecretBuffer::~SecretBuffer() {
    sodium_free(m_data); // wipes before it frees; null is allowed
}

SecretBuffer::SecretBuffer(SecretBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0)) {}

SecretBuffer& SecretBuffer::operator=(SecretBuffer&& other) noexcept {
    if (this != &other) {
        sodium_free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}
