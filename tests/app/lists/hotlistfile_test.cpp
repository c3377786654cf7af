/*
 * The hot-list file format: exact bytes, round trips, quoted fields, entries that cannot be
 * stored and files in the earlier program's form. The window tests write, read and fail on disk.
 */
#include "hotlistfile.h"

#include "complementedline.h"
#include "qstringprinter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// U+04D4, extended Cyrillic: its first UTF-8 byte 0xD3 complements to a comma.
const QString kCyrillicWithComma = u"/home/ольга/\u04D4\u04D5.txt"_s;

} // namespace

TEST(HotListFileTest, WritesComplementedLinesQuotingOnlyWhatTheFieldRuleWouldCut) {
    EXPECT_EQ(HotListFile::Format({u"/ab"_s, u"/c d"_s}), QByteArray("\xD0\x9E\x9D\r\n\xD0\x9C\xDF\x9B\r\n"));
    EXPECT_EQ(HotListFile::Format({}), QByteArray());
    // U+07C0 begins with 0xDF, which complements to a blank.
    const QByteArray cyrillic = Complemented(kCyrillicWithComma);
    ASSERT_TRUE(cyrillic.contains(','));
    EXPECT_EQ(HotListFile::Format({u"/plain"_s, kCyrillicWithComma, u"\u07C0x"_s}),
              ComplementedLine(u"/plain"_s) + '"' + cyrillic + "\"\r\n\"" + Complemented(u"\u07C0x"_s) + "\"\r\n");
    EXPECT_EQ(HotListFile::PathOf(HotListFile::Folder(u"/data"_s), u"Hot List 1"_s), u"/data/MyList/Hot List 1.vexa"_s);
}

TEST(HotListFileTest, EntriesComeBackWhole) {
    const QStringList cases[] = {
        {u"/home/user/report.doc"_s, u"/tmp/a b/c.txt"_s},
        {u"/home/user/one, two.txt"_s, u"/a,b,c"_s},
        {kCyrillicWithComma, u"/home/ольга/письмо.txt"_s, u"/日本/ファイル"_s},
        {u"\u07C0/leading blank"_s, u"/mid\u07C0dle"_s},
        {u""_s},
        {},
    };
    for (const QStringList& entries : cases) {
        const std::optional<QByteArray> content = HotListFile::Format(entries);
        ASSERT_TRUE(content) << entries.join(u'|').toStdString();
        EXPECT_EQ(HotListFile::Parse(*content), entries);
    }
}

TEST(HotListFileTest, EntriesNoFormBringsBackAreRefused) {
    // U+074D begins with 0xDD (a double quote once complemented), U+80000 with 0xF2 (CR).
    const QString quote = u"/home/\u074D.txt"_s;
    for (const QString& bad : {quote, QString(u"/x/"_s + QString::fromUcs4(U"\U00080000"))}) {
        QString named;
        EXPECT_EQ(HotListFile::Format({u"/fine"_s, bad, quote}, &named), std::nullopt);
        EXPECT_EQ(named, bad);
    }
}

TEST(HotListFileTest, ReadsFilesOfTheEarlierProgramAsBefore) {
    const QByteArray a = Complemented(u"/x/a"_s);
    const QByteArray b = Complemented(u"/x/b"_s);
    const struct {
        QByteArray content;
        QStringList entries;
    } cases[] = {
        {a + "\r\n" + b + "\r\n", {u"/x/a"_s, u"/x/b"_s}},
        // Leading blanks are skipped; a comma ends a field, so one line gives two entries.
        {"   " + a + "\r\n", {u"/x/a"_s}},
        {a + "," + b + "\r\n", {u"/x/a"_s, u"/x/b"_s}},
        // A quoted field runs to the next quote; what follows it up to the delimiter is dropped.
        {"\"" + a + "\"junk," + b + "\r\n", {u"/x/a"_s, u"/x/b"_s}},
        // A last line without its line end, bare line feeds and an empty line.
        {a + "\n" + b, {u"/x/a"_s, u"/x/b"_s}},
        {a + "\r\n\r\n" + b + "\r\n", {u"/x/a"_s, u""_s, u"/x/b"_s}},
        {"", {}},
    };
    for (const auto& [content, entries] : cases)
        EXPECT_EQ(HotListFile::Parse(content), entries) << content.toHex(' ').toStdString();
}
