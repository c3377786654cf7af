/*
 * What a hot-list file holds for an entry, worked out independently of the program's code: the
 * entry's local 8-bit bytes, each complemented, and for a plain line CR LF after them.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>

inline QByteArray Complemented(const QString& entry) {
    QByteArray bytes = QFile::encodeName(entry);
    for (char& byte : bytes)
        byte = static_cast<char>(~byte);
    return bytes;
}

inline QByteArray ComplementedLine(const QString& entry) {
    return Complemented(entry) + "\r\n";
}
