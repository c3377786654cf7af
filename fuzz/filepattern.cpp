/*
 * The file list's filter against a slow reference: each ";"-separated pattern as a regular
 * expression over the case-folded name ("*" any run, "?" one character, everything else
 * literal), and a pattern ending in ".*" also without that ending for a name without a dot.
 * The input is a filter and a name, split at the first zero byte.
 */
#include "fuzzcheck.h"

#include "filepattern.h"

#include <QtCore/QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

QString expressionOf(const QString& pattern) {
    QString expression;
    for (const char32_t c : pattern.toUcs4()) {
        if (c == '*')
            expression += u".*"_s;
        else if (c == '?')
            expression += u'.';
        else
            expression += QRegularExpression::escape(QString::fromUcs4(&c, 1));
    }
    return QRegularExpression::anchoredPattern(expression);
}

bool slowMatch(const QString& pattern, const QString& name) {
    const QRegularExpression expression(expressionOf(pattern), QRegularExpression::DotMatchesEverythingOption);
    FUZZ_CHECK(expression.isValid());
    return expression.match(name).hasMatch();
}

bool slowMatches(const QString& filter, const QString& name) {
    const QString folded = name.toCaseFolded();
    for (const QString& part : filter.split(u';')) {
        const QString pattern = part.trimmed().toCaseFolded();
        if (pattern.isEmpty())
            continue;
        if (slowMatch(pattern, folded))
            return true;
        if (pattern.endsWith(u".*"_s) && !name.contains(u'.') && slowMatch(pattern.chopped(2), folded))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const QString filter = QString::fromUtf8(input.until('\0'));
    const QString name = QString::fromUtf8(input.rest());
    FUZZ_CHECK(FilePattern(filter).matches(name) == slowMatches(filter, name));
    // Letter case never matters.
    FUZZ_CHECK(FilePattern(filter).matches(name.toUpper()) == FilePattern(filter.toUpper()).matches(name.toLower()) ||
               name.toUpper().toCaseFolded() != name.toLower().toCaseFolded() ||
               filter.toUpper().toCaseFolded() != filter.toLower().toCaseFolded());
    return 0;
}
