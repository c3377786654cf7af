/*
 * The result type: what it holds after each way of making it, and that reading the value of a
 * failure is refused.
 */
#include "common/expected.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

TEST(ExpectedTest, HoldsTheValueOrTheErrorAndRefusesTheValueOfAFailure) {
    const auto half = [](int n) -> Expected<int> {
        if (n % 2)
            return unexpected({u"odd"_s, EINVAL});
        return n / 2;
    };
    const Expected<int> value = half(8);
    EXPECT_TRUE(value.has_value() && value);
    EXPECT_EQ(std::tuple(*value, value.value(), value.value_or(-1)), std::tuple(4, 4, 4));
    const Expected<int> failure = half(3);
    EXPECT_FALSE(failure.has_value() || failure);
    EXPECT_EQ(std::tuple(failure.error().message, failure.error().code, failure.value_or(-1)),
              std::tuple(u"odd"_s, EINVAL, -1));
    EXPECT_THROW((void)failure.value(), BadExpectedAccess<Error>);
    EXPECT_EQ(Expected<QString>(u"abc"_s)->size(), 3);

    EXPECT_TRUE(Expected<void>().has_value());
    const Expected<void> missing = unexpected(Error::fromCode(ENOENT));
    EXPECT_EQ(std::pair(missing.error().code, missing.error().message),
              std::pair(ENOENT, u"No such file or directory"_s));
    EXPECT_THROW(missing.value(), BadExpectedAccess<Error>);

    // A value that cannot be copied is moved out; an error made from a text alone has no code.
    Expected<std::unique_ptr<int>> owned = std::make_unique<int>(7);
    EXPECT_EQ(*std::move(owned).value(), 7);
    EXPECT_EQ(Expected<std::unique_ptr<int>>(unexpected({u"none"_s})).error().code, 0);
}
