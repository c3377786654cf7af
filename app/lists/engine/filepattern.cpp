/*
 * Wildcard matching for the file list's filter.
 */
#include "filepattern.h"

using namespace Qt::StringLiterals;

namespace {

// Classic wildcard matching with one backtrack point: on a mismatch after a "*", let that "*"
// take one more character and try again. Linear in practice, never exponential.
bool wildcardMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

FilePattern::FilePattern(const QString& filter) {
    for (const QString& part : filter.split(u';')) {
        const QString pattern = part.trimmed().toCaseFolded();
        if (!pattern.isEmpty())
            m_patterns.append(pattern);
    }
}

bool FilePattern::matches(const QString& name) const {
    for (const QString& pattern : m_patterns) {
        if (wildcardMatch(pattern, name))
            return true;
        if (pattern.endsWith(u".*"_s) && !name.contains(u'.') && wildcardMatch(QStringView(pattern).chopped(2), name))
            return true;
    }
    return false;
}
