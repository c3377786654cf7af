/*
 * Readable texts in test failure messages. Every test file of this program includes it, so
 * that all of them print QString the same way.
 */
#pragma once

#include <QtCore/QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
