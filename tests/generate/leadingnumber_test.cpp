/*
 * How the length box's text is read as a number.
 */
#include "leadingnumber.h"

#include <QtCore/QString>

#include <gtest/gtest.h>

#include <cmath>

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    const struct {
        QStringView text;
        double expected;
    } cases[] = {
        {u"12", 12}, {u"  7 chars", 7}, {u"300", 300}, {u"2.5", 2.5}, {u".5", 0.5}, {u"1e2x", 100},       {u"4e", 4},
        {u"-3", -3}, {u"+9", 9},        {u"abc", 0},   {u"", 0},      {u"x12", 0},  {u"1e999", HUGE_VAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toString().toStdString());
        EXPECT_EQ(leadingNumber(c.text), c.expected);
    }
}
