/*
 * What the fuzz targets share: a check that stops the run with a message when a property fails
 * (libFuzzer then keeps the input, the replay test fails), a reader that takes the input apart
 * into small values and byte runs, and where the targets that write files keep them.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// Consumes the input from the front: bytes for choices, runs of bytes for texts and contents.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(reinterpret_cast<const char*>(data))
        , m_size(static_cast<qsizetype>(size)) {}

    bool isEmpty() const { return m_pos >= m_size; }

    // The next byte, 0 when the input is used up.
    quint8 byte() { return m_pos < m_size ? static_cast<quint8>(m_data[m_pos++]) : 0; }

    // The bytes up to the next separator byte (not included) or the end.
    QByteArray until(char separator) {
        const char* begin = m_data + m_pos;
        const char* end = std::find(begin, m_data + m_size, separator);
        m_pos = std::min(m_size, static_cast<qsizetype>(end - m_data) + 1);
        return QByteArray(begin, end - begin);
    }

    // Everything not consumed yet.
    QByteArray rest() {
        const QByteArray bytes(m_data + m_pos, m_size - m_pos);
        m_pos = m_size;
        return bytes;
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// The folder under which a target makes its temporary folder: a memory file system when there is
// one, since the writers flush every file, which on a disk would take most of the time.
inline QString fuzzFolderRoot() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}
