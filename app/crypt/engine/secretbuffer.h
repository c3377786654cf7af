/*
 * Memory for secrets (pass phrases, derived and file keys): taken with sodium_malloc, which puts
 * guard pages around it and keeps it out of swap where it can, and wiped as it is freed. A buffer
 * has one owner: it moves and never copies, so no second copy of a key is left behind.
 */
#pragma once

#include <QtCore/QByteArrayView>
#include <QtCore/QtGlobal>

class SecretBuffer {
public:
    SecretBuffer() = default;
    // size bytes of zeros; an empty buffer for 0.
    explicit SecretBuffer(qsizetype size);
    // A secret copy of bytes.
    static SecretBuffer copyOf(QByteArrayView bytes);
    ~SecretBuffer();

    SecretBuffer(SecretBuffer&& other) noexcept;
    SecretBuffer& operator=(SecretBuffer&& other) noexcept;
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    unsigned char* data() { return m_data; }
    const unsigned char* data() const { return m_data; }
    QByteArrayView view() const { return {m_data, m_size}; }

private:
    unsigned char* m_data = nullptr;
    qsizetype m_size = 0;
};
