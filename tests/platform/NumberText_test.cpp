#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NumberText, WritesTheShortestExactText) {
    struct Case {
        double v;
        const char *text;
    };
    const Case cases[] = {{12, "12"},
                          {-12, "-12"},
                          {-0.0, "0"},
                          {0.5, "0.5"},
                          {1073741824, "1073741824"},
                          {1e21, "1e+21"},
                          {0.1, "0.1"},
                          {std::numeric_limits<double>::quiet_NaN(), "nan"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(numberText(c.v), c.text);
    }
    // A single-precision value shows as the float it is, not as its widened double.
    EXPECT_EQ(numberText(0.1f), "0.1");
    EXPECT_EQ(numberText(static_cast<double>(0.1f)), "0.10000000149011612");
}

TEST(NumberText, ReadsNumbersAsFieldsDo) {
    struct Case {
        const char *text;
        double leading;
        std::optional<double> whole;
    };
    const Case cases[] = {
        {"12", 12, 12},
        {" -7.5 ", -7.5, -7.5},
        {"+3", 3, 3},
        {".5", 0.5, 0.5},
        {"12a", 12, std::nullopt},
        {"a12", 0, std::nullopt},
        {"", 0, std::nullopt},
        {"-", 0, std::nullopt},
        {"1.", 1, 1},
        {"1 2", 1, std::nullopt},
        {"Multiple Values", 0, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(leadingNumber(c.text), c.leading);
        EXPECT_EQ(wholeNumber(c.text), c.whole);
    }
}

TEST(NumberText, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(truncatedInteger(12.7), 12);
    EXPECT_EQ(truncatedInteger(-12.7), -12);
    EXPECT_EQ(truncatedInteger(1e300), std::numeric_limits<long>::max());
    EXPECT_EQ(truncatedInteger(-1e300), std::numeric_limits<long>::min());
    EXPECT_EQ(truncatedInteger(std::numeric_limits<double>::quiet_NaN()), 0);
}
