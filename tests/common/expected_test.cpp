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
    const Expected<int> value = 4;
    EXPECT_EQ(std::tuple(bool(value), *value, value.value_or(-1)), std::tuple(true, 4, 4));
    const Expected<int> failure = unexpected({u"odd"_s, EINVAL});
    EXPECT_EQ(std::tuple(bool(failure), failure.error().message, failure.error().code, failure.value_or(-1)),
              std::tuple(false, u"odd"_s, EINVAL, -1));
    EXPECT_THROW((void)failure.value(), BadExpectedAccess<Error>);
    // A value that cannot be copied is moved out.
    Expected<std::unique_ptr<int>> owned = std::make_unique<int>(7);
    EXPECT_EQ(*std::move(owned).value(), 7);
}
