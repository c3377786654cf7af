/*
 * The file list's filter patterns and file-kind switches.
 */
#include "attributes.h"
#include "filekindfilter.h"
#include "filepattern.h"

#include "qstringprinter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(FilePattern, MatchesWildcardsIgnoringCase) {
    const struct {
        QString filter;
        QString name;
        bool matches;
    } cases[] = {
        {u"*.*"_s, u"README"_s, true}, // ".*" also takes a name without a dot
        {u"*.doc"_s, u"REPORT.DOC"_s, true},
        {u"*.doc"_s, u"report.docx"_s, false},
        {u" *.doc ; *.txt "_s, u"notes.txt"_s, true},
        {u"?.txt"_s, u"ab.txt"_s, false},
        {u"a*b*c"_s, u"aXbYbZc"_s, true},
        {u"a*b*c"_s, u"aXbYbZ"_s, false},
        {u"*.vexa*"_s, u"list.vexa2"_s, true},
        {u";"_s, u"a.txt"_s, false},
        {u"[a].txt"_s, u"[a].txt"_s, true}, // no character classes: brackets are plain
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilePattern(c.filter).matches(c.name), c.matches) << qPrintable(c.filter + u' ' + c.name);
}

TEST(FileKindFilter, ListsAFileWhenOneOfItsKindsIsShown) {
    FileKindFilter filter;
    filter.setShown(FileKind::Hidden, false);
    filter.setShown(FileKind::Normal, false);
    EXPECT_FALSE(filter.accepts(Attr::Normal));
    EXPECT_FALSE(filter.accepts(Attr::Hidden));
    // An encrypted file is hidden, read-only and system: it stays while one of those is shown.
    EXPECT_TRUE(filter.accepts(Attr::Hidden | Attr::ReadOnly | Attr::System));
    filter.setShown(FileKind::ReadOnly, false);
    filter.setShown(FileKind::System, false);
    EXPECT_FALSE(filter.accepts(Attr::Hidden | Attr::ReadOnly | Attr::System));
    EXPECT_TRUE(filter.accepts(Attr::Archive));
}
