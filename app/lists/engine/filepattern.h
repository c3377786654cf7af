/*
 * The file list's filter: wildcard patterns separated by ";" ("*.doc;*.txt"). "*" stands for
 * any run of characters, "?" for one (a character, however many UTF-16 units it takes). Letter case is ignored, as
 * users who type "*.doc" expect "REPORT.DOC" too. As in the file dialogs the patterns come from, a pattern ending in
 * ".*" also matches a name without that dot, so "*.*" lists every file. Blanks around a pattern are dropped; a filter
 * without any pattern lists nothing.
 */
#pragma once

#include <QtCore/QString>

#include <string>
#include <vector>

class FilePattern {
public:
    explicit FilePattern(const QString& filter = QStringLiteral("*.*"));

    bool matches(const QString& name) const;

private:
    std::vector<std::u32string> m_patterns; // case-folded code points
};
