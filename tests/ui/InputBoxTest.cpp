#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/InputBox.h"

namespace wirbelix {
namespace {

TEST(InputBoxCopy, CopiesAtMostSizeMinusOneBytesAndNeverHalfACharacter) {
    struct Case {
        std::string text;
        int size;
        int copied;  // also the length of the expected prefix
    };
    const Case cases[] = {
        {"COM1", 32, 4},
        {"", 32, 0},
        {std::string(40, 'x'), 32, 31},
        {"abc", 4, 3},                    // exactly fits
        {"abc", 1, 0},                    // room for the zero only
        {"a\xC3\xA4z", 3, 1},             // 'ä' (2 bytes) would be cut: left out whole
        {"a\xC3\xA4z", 4, 3},
        {"\xE2\x82\xAC\xE2\x82\xAC", 6, 3},  // two euro signs, the second does not fit
        {"\xF0\x9F\x8E\xB2x", 4, 0},      // a 4-byte character in a 3-byte room
        {"a\x80\x80\x80\x80\x80", 4, 3},  // stray continuation bytes are cut as bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" size " << c.size);
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(CopyInputValue(c.text, buffer, c.size), c.copied);
        EXPECT_EQ(std::string(buffer), c.text.substr(0, std::size_t(c.copied)));
        EXPECT_EQ(buffer[c.size], '#');  // nothing written beyond the buffer
    }
}

TEST(InputBoxCopy, NoRoomCopiesNothing) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(CopyInputValue("abc", buffer, 0), 0);
    EXPECT_EQ(CopyInputValue("abc", buffer, -1), 0);
    EXPECT_EQ(CopyInputValue("abc", nullptr, 4), 0);
    EXPECT_EQ(buffer[0], '#');
}

}  // namespace
}  // namespace wirbelix
