/*
 * The password rules without any window: the letter tables, the two table indexes and the
 * five character procedures, each consuming draws from a UniformSource in a fixed order.
 */
#pragma once

#include "generate/uniformsource.h"

#include <QtCore/QString>
#include <QtCore/QStringView>

class PasswordGenerator {
public:
    // The kinds of password, one per option button of the window.
    enum class Kind { Numbers, Small, Capital, SmallCapital, NumbersLetter };

    // The tables as they have always been, repeated and missing letters included: "b" and "j"
    // twice and no "p" in Lower, "G" twice and no "J" in Upper. Mixed is Lower then Upper.
    static constexpr QStringView Lower = u"abcdefghijjklmnobqrstuvwxyz";
    static constexpr QStringView Upper = u"ABCDEFGHIGKLMNOPQRSTUVWXYZ";
    static QChar mixedAt(int index);

    // Int(k x r): promoted to double the product is exact, so it stays below k.
    static int scaled(float r, int k);
    // Folds Int(100 r) into 0..25; index 26 of Lower is never reached.
    static int smallTableIndex(float r);
    // Folds Int(100 r) into 0..51; index 52 of Mixed is never reached.
    static int mixedTableIndex(float r);

    explicit PasswordGenerator(UniformSource& source);

    // One character made by the kind's procedure.
    QChar character(Kind kind);
    QString password(Kind kind, int length);

private:
    QChar digit() { return QChar(u'0' + scaled(m_source.next(), 10)); }

    UniformSource& m_source;
};
