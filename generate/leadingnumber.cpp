/*
 * Picks the leading number out of a typed text.
 */
#include "generate/leadingnumber.h"

#include <QtCore/QRegularExpression>

using namespace Qt::StringLiterals;

double leadingNumber(QStringView text) {
    static const QRegularExpression number(uR"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"_s);
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.capturedView(1).toDouble() : 0.0;
}
