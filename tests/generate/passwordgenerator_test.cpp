/*
 * The password rules: exact characters for given draws and the shares of characters over many
 * draws, table quirks included.
 */
#include "passwordgenerator.h"
#include "testsources.h"

#include <QtCore/QHash>

#include <gtest/gtest.h>

using Kind = PasswordGenerator::Kind;
using namespace Qt::StringLiterals;

TEST(PasswordGenerator, TableIndexesFoldTheFirstStep) {
    const struct {
        int n, small, mixed;
    } cases[] = {{0, 0, 0},   {1, 1, 1},  {25, 25, 25}, {26, 1, 26}, {50, 25, 50},
                 {51, 1, 51}, {52, 2, 1}, {75, 25, 24}, {76, 1, 25}, {99, 24, 48}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(PasswordGenerator::smallTableIndex(hundredths(c.n)), c.small);
        EXPECT_EQ(PasswordGenerator::mixedTableIndex(hundredths(c.n)), c.mixed);
    }
    // The largest draw stays below the first step's bound.
    EXPECT_EQ(PasswordGenerator::smallTableIndex(1.0f - 0x1p-24f), 24);
    EXPECT_EQ(PasswordGenerator::mixedTableIndex(1.0f - 0x1p-24f), 48);
}

TEST(PasswordGenerator, CharactersForScriptedDraws) {
    const struct {
        Kind kind;
        std::initializer_list<float> draws;
        char16_t expected;
    } cases[] = {
        {Kind::Numbers, {0.0f}, u'0'},
        {Kind::Numbers, {0.55f}, u'5'},
        {Kind::Numbers, {1.0f - 0x1p-24f}, u'9'},
        {Kind::Small, {hundredths(0)}, u'a'},
        {Kind::Small, {hundredths(16)}, u'b'},
        {Kind::Small, {hundredths(50)}, u'y'},
        {Kind::Small, {hundredths(99)}, u'x'},
        {Kind::Capital, {hundredths(0)}, u'A'},
        {Kind::Capital, {hundredths(9)}, u'G'},
        {Kind::Capital, {hundredths(25)}, u'Z'},
        {Kind::SmallCapital, {hundredths(26)}, u'z'},
        {Kind::SmallCapital, {hundredths(27)}, u'A'},
        {Kind::SmallCapital, {hundredths(51)}, u'Y'},
        {Kind::SmallCapital, {hundredths(99)}, u'V'},
        // Numbers and letters: a letter when the second draw gives 4 or more, else a third draw.
        {Kind::NumbersLetter, {hundredths(27), 0.4f}, u'A'},
        {Kind::NumbersLetter, {hundredths(99), 0.95f}, u'V'},
        {Kind::NumbersLetter, {hundredths(27), 0.39f, 0.75f}, u'7'},
        {Kind::NumbersLetter, {hundredths(0), 0.0f, 0.05f}, u'0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.kind) << " -> " << char(c.expected));
        ScriptedSource source;
        source.add(c.draws);
        PasswordGenerator generator(source);
        EXPECT_EQ(generator.character(c.kind), QChar(c.expected));
        EXPECT_EQ(source.remaining(), 0);
    }
}

TEST(PasswordGenerator, PasswordTakesOneCharacterPerStep) {
    ScriptedSource source;
    source.add({hundredths(30), 0.9f, hundredths(40), 0.1f, 0.35f, hundredths(35), 0.5f});
    PasswordGenerator generator(source);
    EXPECT_EQ(generator.password(Kind::NumbersLetter, 3), u"D3I"_s);
    EXPECT_EQ(source.remaining(), 0);
}

namespace {

QHash<QChar, int> countCharacters(Kind kind, int draws) {
    SeededSource source;
    PasswordGenerator generator(source);
    QHash<QChar, int> counts;
    for (const QChar c : generator.password(kind, draws))
        ++counts[c];
    return counts;
}

} // namespace

TEST(PasswordGenerator, SharesOverManyDraws) {
    constexpr int draws = 100000;
    const struct {
        Kind kind;
        const char16_t* characters;
        double share; // expected share of all characters for each of them
    } cases[] = {
        {Kind::Small, u"pz", 0.0},         {Kind::Small, u"bj", 0.08},         {Kind::Small, u"cdkw", 0.04},
        {Kind::Small, u"a", 0.01},         {Kind::Capital, u"J", 0.0},         {Kind::Capital, u"G", 0.08},
        {Kind::Capital, u"BHQ", 0.04},     {Kind::Capital, u"A", 0.01},        {Kind::SmallCapital, u"pJZ", 0.0},
        {Kind::SmallCapital, u"cM", 0.02}, {Kind::NumbersLetter, u"pJZ", 0.0},
    };
    for (const auto& c : cases) {
        const QHash<QChar, int> counts = countCharacters(c.kind, draws);
        for (const QChar character : QStringView(c.characters)) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(c.kind) << " " << character.toLatin1());
            const double share = counts.value(character) / double(draws);
            if (c.share == 0.0)
                EXPECT_EQ(share, 0.0);
            else
                EXPECT_NEAR(share, c.share, c.share * 0.15);
        }
    }
}

TEST(PasswordGenerator, NumbersAndLettersAreFourTenthsDigits) {
    constexpr int draws = 100000;
    int digits = 0;
    const QHash<QChar, int> counts = countCharacters(Kind::NumbersLetter, draws);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        digits += it.key().isDigit() ? it.value() : 0;
    EXPECT_NEAR(digits / double(draws), 0.4, 0.02);
}
