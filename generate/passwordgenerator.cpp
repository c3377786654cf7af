/*
 * The draws and table look-ups of the five character procedures.
 */
#include "generate/passwordgenerator.h"

#include <cmath>

QChar PasswordGenerator::mixedAt(int index) {
    return index < Lower.size() ? Lower[index] : Upper[index - Lower.size()];
}

int PasswordGenerator::scaled(float r, int k) {
    return static_cast<int>(std::floor(static_cast<double>(r) * k));
}

int PasswordGenerator::smallTableIndex(float r) {
    int n = scaled(r, 100);
    while (n - 25 > 25)
        n -= 25;
    if (n - 25 > 0)
        n -= 25;
    return n;
}

int PasswordGenerator::mixedTableIndex(float r) {
    int n = scaled(r, 100);
    if (n - 51 > 0)
        n -= 51;
    return n;
}

PasswordGenerator::PasswordGenerator(UniformSource& source)
    : m_source(source) {}

QChar PasswordGenerator::character(Kind kind) {
    switch (kind) {
    case Kind::Numbers:
        return digit();
    case Kind::Small:
        return Lower[smallTableIndex(m_source.next())];
    case Kind::Capital:
        return Upper[smallTableIndex(m_source.next())];
    case Kind::SmallCapital:
        return mixedAt(mixedTableIndex(m_source.next()));
    case Kind::NumbersLetter: {
        // The letter is drawn first and only then the choice between letter and digit, so a
        // digit costs three draws and a letter two.
        const int letter = mixedTableIndex(m_source.next());
        if (scaled(m_source.next(), 10) >= 4)
            return mixedAt(letter);
        return digit();
    }
    }
    Q_UNREACHABLE();
    return {};
}

QString PasswordGenerator::password(Kind kind, int length) {
    QString result;
    result.reserve(length);
    for (int i = 0; i < length; ++i)
        result += character(kind);
    return result;
}
