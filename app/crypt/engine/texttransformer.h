/*
 * The byte transformation of encrypted files and hot-list files: every byte becomes its
 * complement (255 - code). It keeps the length, undoes itself and holds no state, which is all
 * its callers rely on; the header of an encrypted file depends on exactly this complement.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

class TextTransformer {
public:
    // The transformed copy of a text of single-byte characters.
    static QByteArray run(QByteArray text);
    // Transforms size bytes where they lie; the passes use it on their buffers.
    static void runInPlace(char* data, qint64 size);
};
