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
        {u"*.*"_s, u"report.doc"_s, true},
        {u"*.*"_s, u"README"_s, true}, // ".*" also takes a name without a dot
        {u"*.doc"_s, u"REPORT.DOC"_s, true},
        {u"*.doc"_s, u"report.docx"_s, false},
        {u"*.doc"_s, u"doc"_s, false},
        {u"*.doc;*.txt"_s, u"notes.txt"_s, true},
        {u" *.doc ; *.txt "_s, u"notes.txt"_s, true},
        {u"?.txt"_s, u"a.txt"_s, true},
        {u"?.txt"_s, u"ab.txt"_s, false},
        {u"a*b*c"_s, u"aXbYbZc"_s, true},
        {u"a*b*c"_s, u"aXbYbZ"_s, false},
        {u"*.vexa*"_s, u"list.vexa2"_s, true},
        {u"*.vexa*"_s, u"list.vex"_s, false},
        {u"report.*"_s, u"report"_s, true},
        {u""_s, u"a.txt"_s, false},
        {u";"_s, u"a.txt"_s, false},
        {u"[a].txt"_s, u"[a].txt"_s, true}, // no character classes: brackets are plain
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilePattern(c.filter).matches(c.name), c.matches) << qPrintable(c.filter + u' ' + c.name);
}

TEST(FileKindFilter, ListsAFileWhenOneOfItsKindsIsShown) {
    FileKindFilter all;
    for (const quint32 value : {0u, 1u, 2u, 4u, 7u, 32u, 39u})
        EXPECT_TRUE(all.accepts(value)) << value;

    FileKindFilter filter;
    filter.setShown(FileKind::Hidden, false);
    filter.setShown(FileKind::Normal, false);
    EXPECT_FALSE(filter.isShown(FileKind::Hidden));
    EXPECT_TRUE(filter.isShown(FileKind::Archive));
    EXPECT_FALSE(filter.accepts(Attr::Normal));
    EXPECT_FALSE(filter.accepts(Attr::Hidden));
    EXPECT_TRUE(filter.accepts(Attr::Hidden | Attr::Archive));
    EXPECT_TRUE(filter.accepts(Attr::ReadOnly));

    FileKindFilter normalOnly;
    for (const FileKind kind : {FileKind::Archive, FileKind::Hidden, FileKind::ReadOnly, FileKind::System})
        normalOnly.setShown(kind, false);
    EXPECT_TRUE(normalOnly.accepts(Attr::Normal));
    // The directory bit is not a kind: a plain entry with it still counts as normal.
    EXPECT_TRUE(normalOnly.accepts(Attr::Directory));
    EXPECT_FALSE(normalOnly.accepts(Attr::System));
}
