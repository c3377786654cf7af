/*
 * The result type, as far as its callers lean on more than holding a value: a failure's value is
 * refused rather than read, and a value that cannot be copied is moved out.
 */
#include "common/expected.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

TEST(ExpectedTest, RefusesTheValueOfAFailureAndMovesAValueOut) {
    const Expected<int> failure = unexpected({u"odd"_s, EINVAL});
    EXPECT_EQ(std::tuple(bool(failure), failure.error().code, failure.value_or(-1)), std::tuple(false, EINVAL, -1));
    EXPECT_THROW((void)failure.value(), BadExpectedAccess<Error>);
    Expected<std::unique_ptr<int>> owned = std::make_unique<int>(7);
    EXPECT_EQ(*std::move(owned).value(), 7);
}
