/*
 * The file list's filter against two slow references, each ";"-separated pattern matched
 * against the case-folded name ("*" any run, "?" one character, everything else literal; a
 * pattern ending in ".*" also without that ending for a name without a dot): a table of which
 * pattern prefix matches which name prefix, and for short inputs a regular expression built from
 * the pattern (which backtracks too much to take long ones). The input is a filter and a name,
 * split at the first zero byte.
 */
#include "fuzz/fuzzcheck.h"

#include "app/lists/engine/filepattern.h"

#include <QtCore/QRegularExpression>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::u32string codePoints(const QString& text) {
    const QList<uint> ucs4 = text.toUcs4();
    return std::u32string(ucs4.cbegin(), ucs4.cend());
}

// matched[j] after pattern character i: whether the first i pattern characters match the first
// j name characters.
bool tableMatch(const std::u32string& pattern, const std::u32string& name) {
    std::vector<char> matched(name.size() + 1, 0);
    std::vector<char> next(name.size() + 1, 0);
    matched[0] = 1;
    for (const char32_t c : pattern) {
        next[0] = c == U'*' && matched[0];
        for (std::size_t j = 1; j <= name.size(); ++j) {
            next[j] = c == U'*' ? (matched[j] || next[j - 1]) : (matched[j - 1] && (c == U'?' || c == name[j - 1]));
        }
        matched.swap(next);
    }
    return matched[name.size()];
}

QString expressionOf(const QString& pattern) {
    QString expression;
    for (const char32_t c : pattern.toUcs4()) {
        if (c == U'*')
            expression += u".*"_s;
        else if (c == U'?')
            expression += u'.';
        else
            expression += QRegularExpression::escape(QString::fromUcs4(&c, 1));
    }
    return QRegularExpression::anchoredPattern(expression);
}

bool slowMatch(const QString& pattern, const QString& name) {
    const bool byTable = tableMatch(codePoints(pattern), codePoints(name));
    if (name.size() <= 64 && pattern.count(u'*') <= 3) {
        const QRegularExpression expression(expressionOf(pattern), QRegularExpression::DotMatchesEverythingOption);
        FUZZ_CHECK(expression.isValid());
        FUZZ_CHECK(expression.match(name).hasMatch() == byTable);
    }
    return byTable;
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
