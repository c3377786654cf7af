/*
 * The byte transformation of encrypted files, hot-list files and seal files: every byte becomes
 * its complement (255 - code). It keeps the length, undoes itself and holds no state, which is
 * all its callers rely on; the header of an encrypted file depends on exactly this complement.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

class TextTransformer {
public:
    // Transforms size bytes where they lie; the passes use it on their buffers.
    static void runInPlace(char* data, qint64 size) {
        // A plain loop over unsigned bytes: the compiler turns it into wide vector operations.
        auto* bytes = reinterpret_cast<unsigned char*>(data);
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(~bytes[i]);
    }

    // The transformed copy of a text of single-byte characters.
    static QByteArray run(QByteArray text) {
        runInPlace(text.data(), text.size());
        return text;
    }
};
