#include "platform/NumberParse.h"

#include <gtest/gtest.h>

namespace wirbelix {
namespace {

struct ParseCase {
    const char* text;
    std::int64_t value;
    std::size_t consumed;
};

TEST(NumberParse, ReadsBasesSignsAndStopsAtFirstNonDigit) {
    const ParseCase cases[] = {
        {"42", 42, 2},
        {"   17abc", 17, 5},
        {"\t-8", -8, 3},
        {"0x1F", 31, 4},
        {"0X1fz", 31, 4},
        {"0o17", 15, 4},
        {"0b101", 5, 5},
        {"0b102", 2, 4},     // stops at the first digit outside the base
        {"0d099", 99, 5},
        {"-0x10", -16, 5},
        {"0x", 0, 1},        // a prefix without a digit reads the plain 0
        {"0xg", 0, 1},
        {"", 0, 0},
        {"abc", 0, 0},
        {"-", 0, 0},
        {"  ", 0, 0},
        {"007", 7, 3},
        {"8191", 8191, 4},
        {"COM3", 0, 0},
    };
    for (const ParseCase& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(ParseNumber(c.text, &consumed), c.value) << '"' << c.text << '"';
        EXPECT_EQ(consumed, c.consumed) << '"' << c.text << '"';
    }
}

TEST(NumberParse, OverlongNumbersWrapWithoutUndefinedBehaviour) {
    // 2^64 + 5 wraps to 5; the sanitizer build would flag a signed overflow here.
    EXPECT_EQ(ParseNumber("18446744073709551621"), 5);
    EXPECT_EQ(ParseNumber("-9223372036854775808"), INT64_MIN);
}

}  // namespace
}  // namespace wirbelix
