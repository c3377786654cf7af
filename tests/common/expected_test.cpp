/*
 * The result type: what it holds after each way of making it, and that reading the value of a
 * failure is refused.
 */
#include "common/expected.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

Expected<int> half(int n) {
    if (n % 2)
        return unexpected({u"odd"_s, EINVAL});
    return n / 2;
}

Expected<void> check(bool ok) {
    if (!ok)
        return unexpected(Error::fromCode(ENOENT));
    return {};
}

} // namespace

TEST(ExpectedTest, HoldsTheValueOrTheError) {
    const Expected<int> value = half(8);
    ASSERT_TRUE(value.has_value());
    EXPECT_TRUE(bool(value));
    EXPECT_EQ(*value, 4);
    EXPECT_EQ(value.value(), 4);
    EXPECT_EQ(value.value_or(-1), 4);

    const Expected<int> failure = half(3);
    ASSERT_FALSE(failure.has_value());
    EXPECT_EQ(failure.error().message, u"odd"_s);
    EXPECT_EQ(failure.error().code, EINVAL);
    EXPECT_EQ(failure.value_or(-1), -1);
    EXPECT_THROW((void)failure.value(), BadExpectedAccess<Error>);

    const Expected<QString> text = u"abc"_s;
    EXPECT_EQ(text->size(), 3);
}

TEST(ExpectedTest, VoidResultAndCodes) {
    EXPECT_TRUE(check(true).has_value());
    const Expected<void> failure = check(false);
    ASSERT_FALSE(failure);
    EXPECT_EQ(failure.error().code, ENOENT);
    EXPECT_EQ(failure.error().message, u"No such file or directory"_s);
    EXPECT_THROW(failure.value(), BadExpectedAccess<Error>);
}

TEST(ExpectedTest, MovesValuesThatCannotBeCopied) {
    Expected<std::unique_ptr<int>> owned = std::make_unique<int>(7);
    const std::unique_ptr<int> taken = std::move(owned).value();
    EXPECT_EQ(*taken, 7);
    const Expected<std::unique_ptr<int>> none = unexpected({u"none"_s});
    EXPECT_EQ(none.error().code, 0);
}
