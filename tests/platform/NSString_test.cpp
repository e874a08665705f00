#include "platform/NSString.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NSString, IntegerValueReadsLeadingDigits) {
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const struct {
        const char *text;
        std::int64_t value;
    } cases[] = {
        {"101", 101},
        {"0101", 101},
        {" \t 99", 99},
        {"+7", 7},
        {"-12", -12},
        {"12abc", 12},
        {"1.9", 1},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"\n5", 0}, // only blanks lead
        {"9223372036854775807", max},
        {"9223372036854775808", max},
        {"99999999999999999999999", max},
        {"-9223372036854775808", min},
        {"-9223372036854775809", min},
        {"-99999999999999999999999", min},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NSStringIntegerValue(c.text), c.value);
    }
}
