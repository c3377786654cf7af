/*
 * The chooser's rules: size text, filter text, attribute buttons, locked folders and the
 * duplicate rule.
 */
#include "chooserrules.h"

#include "qstringprinter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ChooserRules;

TEST(FileSizeText, KeepsBytesUpTo1024ThenKAndMB) {
    const struct {
        qint64 bytes;
        QString text;
    } cases[] = {
        {0, u"File Size : 0 Byte"_s},        {1024, u"File Size : 1024 Byte"_s},
        {1025, u"File Size : 1.00 K"_s},     {1152, u"File Size : 1.13 K"_s}, // 1.125: half rounds up
        {1536, u"File Size : 1.50 K"_s},     {1048576, u"File Size : 1024.00 K"_s},
        {1048577, u"File Size : 1.00 MB"_s}, {5000000000, u"File Size : 4768.37 MB"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileSizeText(c.bytes), c.text) << c.bytes;
}

TEST(ChooserRules, FilterLockAndDuplicateRules) {
    // "All" takes the pattern from the 11th character; the test is case-sensitive.
    EXPECT_EQ(FilterPattern(u"All files *.txt"_s), u"*.txt"_s);
    EXPECT_EQ(FilterPattern(u"all files *.txt"_s), u"all files *.txt"_s);
    EXPECT_EQ(FilterPattern(u"All"_s), QString());

    EXPECT_TRUE(IsLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}"_s));
    EXPECT_FALSE(IsLockedFolder(u"/home/me/work.{D6277990-4C6A-11CF-8D87-00AA0060F5BF}"_s));
    EXPECT_FALSE(IsLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}/inner"_s));

    const PathAddition result = AddPaths({u"/a"_s, u"/b"_s}, {u"/c"_s, u"/a"_s, u"/A"_s, u"/c"_s, u"/d"_s});
    EXPECT_EQ(result.appended, (QStringList{u"/c"_s, u"/A"_s, u"/d"_s}));
    EXPECT_EQ(result.duplicates, (QStringList{u"/a"_s, u"/c"_s}));
}

TEST(ButtonsFor, PressesButtonsOnlyForTheListedValues) {
    const struct {
        quint8 value;
        AttributeButtons buttons; // archive, hidden, read-only, system
    } cases[] = {
        {1, {false, false, true, false}},
        {7, {false, true, true, true}},
        {32, {true, false, false, false}},
        {39, {true, true, true, true}},
        {0, {}},
        {8, {}},
        {40, {}},
        {255, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ButtonsFor(c.value), c.buttons) << int(c.value);
}
