/*
 * The chooser's rules and kind filter, the file pattern, and the hot-list file format (exact
 * bytes, round trips, quoted fields, refused entries, the earlier program's form, links and pipes,
 * the limits on entries, lines and size).
 */
#include "app/lists/engine/chooserrules.h"
#include "app/lists/engine/filekindfilter.h"
#include "app/lists/engine/filepattern.h"
#include "app/lists/engine/hotlistfile.h"
#include "app/platform/attributes.h"
#include "tests/app/lists/listtests.h"
#include "tests/support/tempenv.h"

#include <QtCore/QElapsedTimer>

using namespace ChooserRules;

namespace {
// U+04D4, extended Cyrillic: its first UTF-8 byte 0xD3 complements to a comma.
const QString kCyrillicWithComma = u"/home/ольга/\u04D4\u04D5.txt"_s;
} // namespace

TEST(ChooserRules, SizeTextsFilterLockButtonsAndDuplicates) {
    const std::pair<qint64, QString> sizes[] = {
        {0, u"File Size : 0 Byte"_s},
        {1024, u"File Size : 1024 Byte"_s},
        {1152, u"File Size : 1.13 K"_s}, // 1.125: half rounds up
        {1048576, u"File Size : 1024.00 K"_s},
        {1048577, u"File Size : 1.00 MB"_s},
        {5000000000, u"File Size : 4768.37 MB"_s},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(fileSizeText(bytes), text) << bytes;

    // "All" takes the pattern from the 11th character (the chooser's filter test types the rest).
    EXPECT_EQ(filterPattern(u"All"_s), QString());

    EXPECT_TRUE(isLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}"_s));
    EXPECT_FALSE(isLockedFolder(u"/home/me/work.{D6277990-4C6A-11CF-8D87-00AA0060F5BF}"_s));
    EXPECT_FALSE(isLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}/inner"_s));

    // Buttons (archive, hidden, read-only, system) only for 0-7 and 32-39.
    EXPECT_EQ(ButtonsFor(39), (AttributeButtons{true, true, true, true}));
    for (const quint8 value : {8, 40, 255})
        EXPECT_EQ(ButtonsFor(value), AttributeButtons{}) << int(value);

    const PathAddition result = AddPaths({u"/a"_s, u"/b"_s}, {u"/c"_s, u"/a"_s, u"/A"_s, u"/c"_s, u"/d"_s});
    EXPECT_EQ(result.appended, (QStringList{u"/c"_s, u"/A"_s, u"/d"_s}));
    EXPECT_EQ(result.duplicates, (QStringList{u"/a"_s, u"/c"_s}));
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

TEST(FilePattern, WildcardsLetterCaseAndTheDotRule) {
    const std::tuple<QString, QString, bool> cases[] = {
        {u"*.doc;*.txt"_s, u"REPORT.DOC"_s, true},
        {u"*.doc"_s, u"doc"_s, false},
        {u"*.*"_s, u"README"_s, true},
        {u" *.vxp ;"_s, u"a.vxp"_s, true},
        {u" ; "_s, u"a"_s, false},
        {u"re?d.me"_s, u"read.me"_s, true},
        {u"re?d.me"_s, u"red.me"_s, false},
        // A character outside the Basic Multilingual Plane is one character, in either case.
        {u"?"_s, u"\U0001F600"_s, true},
        {u"??"_s, u"\U0001F600"_s, false},
        {u"\U00010400*"_s, u"\U00010428.txt"_s, true},
    };
    for (const auto& [filter, name, matches] : cases)
        EXPECT_EQ(FilePattern(filter).matches(name), matches) << filter.toStdString() << " " << name.toStdString();

    // Many stars against a long name that almost matches: a matcher that backtracks at every star
    // would not finish in any time.
    const QString name(200000, u'a');
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(FilePattern(u"*a*a*a*a*a*b"_s).matches(name));
    EXPECT_TRUE(FilePattern(u"*a*a*a*a*a*"_s).matches(name));
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(HotListFile, WritesComplementedLinesQuotingOnlyWhatTheFieldRuleWouldCut) {
    EXPECT_EQ(HotListFile::format({u"/ab"_s, u"/c d"_s}), QByteArray("\xD0\x9E\x9D\r\n\xD0\x9C\xDF\x9B\r\n"));
    // U+07C0 begins with 0xDF, which complements to a blank.
    const QByteArray cyrillic = Complemented(kCyrillicWithComma);
    ASSERT_TRUE(cyrillic.contains(','));
    EXPECT_EQ(HotListFile::format({u"/plain"_s, kCyrillicWithComma, u"\u07C0x"_s}),
              ComplementedLine(u"/plain"_s) + '"' + cyrillic + "\"\r\n\"" + Complemented(u"\u07C0x"_s) + "\"\r\n");

    // U+04D4 complements to a comma: this entry's line is quoted, 4096 bytes in all.
    const QString quoted4096 = QString(4092, u'a') + u"\u04D4"_s;
    const QStringList roundTrips[] = {
        {u"/home/user/one, two.txt"_s, u"/tmp/a b/c.txt"_s},
        {kCyrillicWithComma, u"/home/ольга/письмо.txt"_s, u"/日本/ファイル"_s},
        {u"\u07C0/leading blank"_s, u"/mid\u07C0dle"_s},
        {u""_s},
        {},
        {QString(4096, u'a'), quoted4096},
    };
    for (const QStringList& entries : roundTrips) {
        const Expected<QByteArray, HotListFile::Refusal> content = HotListFile::format(entries);
        ASSERT_TRUE(content) << entries.join(u'|').toStdString();
        EXPECT_EQ(HotListFile::parse(*content), entries);
    }

    // U+074D begins with 0xDD (a double quote once complemented), U+80000 with 0xF2 (CR); a line
    // holds at most 4096 bytes, quotes included.
    const QString quote = u"/home/\u074D.txt"_s;
    const std::pair<QString, HotListFile::Refusal::Reason> refused[] = {
        {quote, HotListFile::Refusal::UnstorableEntry},
        {u"/x/"_s + QString::fromUcs4(U"\U00080000"), HotListFile::Refusal::UnstorableEntry},
        {QString(4097, u'a'), HotListFile::Refusal::LineTooLong},
        {u"a"_s + quoted4096, HotListFile::Refusal::LineTooLong},
    };
    for (const auto& [bad, reason] : refused) {
        const Expected<QByteArray, HotListFile::Refusal> content = HotListFile::format({u"/fine"_s, bad, quote});
        ASSERT_FALSE(content);
        EXPECT_EQ(std::pair(content.error().reason, content.error().entry), std::pair(reason, bad));
    }
}

TEST(HotListFile, ReadsFilesOfTheEarlierProgramAsBefore) {
    const QByteArray a = Complemented(u"/x/a"_s);
    const QByteArray b = Complemented(u"/x/b"_s);
    const QStringList both{u"/x/a"_s, u"/x/b"_s};
    const std::pair<QByteArray, QStringList> cases[] = {
        {a + "\r\n" + b + "\r\n", both},
        // Leading blanks are skipped; a comma ends a field, so one line gives two entries.
        {"   " + a + "\r\n", {u"/x/a"_s}},
        {a + "," + b + "\r\n", both},
        // A quoted field runs to the next quote; what follows it up to the delimiter is dropped.
        {"\"" + a + "\"junk," + b + "\r\n", both},
        // A last line without its line end, bare line feeds and an empty line.
        {a + "\n" + b, both},
        {a + "\r\n\r\n" + b + "\r\n", {u"/x/a"_s, u""_s, u"/x/b"_s}},
        {"", {}},
    };
    for (const auto& [content, entries] : cases)
        EXPECT_EQ(HotListFile::parse(content), entries) << content.toHex(' ').toStdString();
}

using HotListFileOnDisk = TempEnvTest;

TEST_F(HotListFileOnDisk, ReplacesALinkWithoutWritingThroughItAndReadsOnlyRegularFiles) {
    const QString target = makeFile(u"target.txt"_s, "keep");
    ASSERT_EQ(::chmod(encoded(target).constData(), 0644), 0);
    const QString list = path(u"Work.vexa"_s);
    ASSERT_TRUE(QFile::link(target, list));
    EXPECT_EQ(errorOf(HotListFile::read(list)), list + u" is a symbolic link and was left untouched."_s);

    const QByteArray content = ComplementedLine(u"/a"_s);
    EXPECT_EQ(errorOf(HotListFile::write(list, content)), QString());
    EXPECT_FALSE(QFileInfo(list).isSymLink());
    EXPECT_EQ(readAll(list), content);
    EXPECT_EQ(readAll(target), "keep");
    EXPECT_EQ(modeOf(target), 0644u);
    // No unfinished file is left beside the list.
    EXPECT_EQ(QDir(root()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{u"target.txt"_s, u"Work.vexa"_s}));

    // A named pipe is refused at once instead of blocking the reader.
    const QString pipe = path(u"Pipe.vexa"_s);
    ASSERT_EQ(::mkfifo(encoded(pipe).constData(), 0600), 0);
    EXPECT_EQ(errorOf(HotListFile::read(pipe)), pipe + u" is a named pipe, not a file, and was left untouched."_s);
}

// Read at the limits and refused one beyond, by count, by line (counted through a comma and
// through a quoted field's line end) and, unread, by size: 100000 lines of 4096 bytes and CR LF.
TEST_F(HotListFileOnDisk, ReadsUpToTheLimitsAndRefusesBeyondThem) {
    const QByteArray a = Complemented(u"a"_s);
    const QByteArray lines = ComplementedLine(u"a"_s).repeated(100000);
    const QString tooMany = u"holds more than 100000 entries; a hot list holds at most 100000."_s;
    const QString tooLong = u"has a line longer than 4096 bytes; a hot list's lines hold at most 4096."_s;
    const struct {
        QByteArray content;
        QStringList entries;
        QString refusal;
        qint64 sparseSize = 0;
    } cases[] = {
        {lines, QStringList(100000, u"a"_s), {}},
        {lines + a, {}, tooMany},
        {a.repeated(4096) + "\r\n" + a, {QString(4096, u'a'), u"a"_s}, {}},
        {a + "\r\n" + a.repeated(4097), {}, tooLong},
        {a.repeated(4095) + ",\r\n", {QString(4095, u'a'), u""_s}, {}},
        {a.repeated(4096) + ",", {}, tooLong},
        {'"' + a.repeated(2000) + "\r\n" + a.repeated(2095) + "\"\r\n", {}, tooLong},
        // Sparse: reading it whole would take seconds and 400 MB.
        {a, {}, u"is larger than 409800000 bytes; no hot list is that large."_s, qint64(100000) * 4098 + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.size());
        QFile file(makeFile(u"List.vexa"_s, c.content));
        ASSERT_TRUE(c.sparseSize == 0 || file.resize(c.sparseSize));
        const Expected<QStringList> read = HotListFile::read(file.fileName());
        EXPECT_EQ(errorOf(read), c.refusal.isEmpty() ? QString() : c.refusal + u" The list is not opened."_s);
        EXPECT_EQ(read.value_or(QStringList()), c.entries);
    }
}
