/*
 * The complement of every byte.
 */
#include "texttransformer.h"

QByteArray TextTransformer::run(QByteArray text) {
    runInPlace(text.data(), text.size());
    return text;
}

void TextTransformer::runInPlace(char* data, qint64 size) {
    // A plain loop over unsigned bytes: the compiler turns it into wide vector operations.
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(~bytes[i]);
}
