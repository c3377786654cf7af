/*
 * Shared by the list tests: a list's texts, and what a hot-list file holds for an entry, worked
 * out independently of the program's code: the entry's local 8-bit bytes, each complemented, and
 * for a plain line CR LF after them.
 */
#pragma once

#include "tests/support/tempenv.h"

inline QByteArray Complemented(const QString& entry) {
    QByteArray bytes = QFile::encodeName(entry);
    for (char& byte : bytes)
        byte = static_cast<char>(~byte);
    return bytes;
}

inline QByteArray ComplementedLine(const QString& entry) {
    return Complemented(entry) + "\r\n";
}

// The texts of a list widget's entries, in order.
template <class ListWidget> QStringList Texts(const ListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}
