/*
 * The byte transformation of encrypted files, hot-list files and seal files: every byte becomes
 * its complement (255 - code). It keeps the length, undoes itself and holds no state, which is
 * all its callers rely on; the header of an encrypted file depends on exactly this complement.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

#include <cstring>

class TextTransformer {
public:
    // Transforms size bytes where they lie; the passes use it on their buffers.
    static void runInPlace(char* data, qint64 size) {
        // Eight bytes at a time: a byte loop is not vectorised at the optimisation level the
        // program is built with, and would cost a pass more than reading and writing its data.
        qint64 i = 0;
        for (; i + qint64(sizeof(quint64)) <= size; i += sizeof(quint64)) {
            quint64 word;
            std::memcpy(&word, data + i, sizeof word);
            word = ~word;
            std::memcpy(data + i, &word, sizeof word);
        }
        for (; i < size; ++i)
            data[i] = static_cast<char>(~static_cast<unsigned char>(data[i]));
    }

    // The transformed copy of a text of single-byte characters.
    static QByteArray run(QByteArray text) {
        runInPlace(text.data(), text.size());
        return text;
    }
};
