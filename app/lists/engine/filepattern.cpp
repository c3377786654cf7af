/*
 * Wildcard matching for the file list's filter.
 */
#include "app/lists/engine/filepattern.h"

#include <QtCore/QList>
#include <QtCore/QStringList>

using namespace Qt::StringLiterals;

namespace {

// Characters as code points, so that a character outside the Basic Multilingual Plane (an emoji,
// a historic script) is one character to "?" and folds its case as a whole.
std::u32string codePoints(const QString& text) {
    const QList<uint> ucs4 = text.toUcs4();
    return std::u32string(ucs4.cbegin(), ucs4.cend());
}

// Classic wildcard matching with one backtrack point: on a mismatch after a "*", let that "*"
// take one more character and try again. At most pattern length x name length steps, never
// exponential, however many "*" the pattern holds.
bool wildcardMatch(std::u32string_view pattern, std::u32string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::u32string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::u32string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

} // namespace

FilePattern::FilePattern(const QString& filter) {
    for (const QString& part : filter.split(u';')) {
        const QString pattern = part.trimmed().toCaseFolded();
        if (!pattern.isEmpty())
            m_patterns.push_back(codePoints(pattern));
    }
}

bool FilePattern::matches(const QString& name) const {
    const std::u32string folded = codePoints(name.toCaseFolded());
    const bool hasDot = name.contains(u'.');
    for (const std::u32string& pattern : m_patterns) {
        const std::u32string_view whole(pattern);
        if (wildcardMatch(whole, folded))
            return true;
        if (!hasDot && whole.ends_with(U".*") && wildcardMatch(whole.substr(0, whole.size() - 2), folded))
            return true;
    }
    return false;
}
