#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

// Every depth stores and returns its own kind of value through SetPixel and GetPixel.
TEST(RasterImage, SetPixelAndGetPixelRoundTripAtEveryDepth) {
    struct Case {
        int depth;
        std::uint32_t value;   // what SetPixel is given
        std::uint32_t expect;  // what GetPixel yields
    };
    const Case cases[] = {
        {1, 1, 1},           {2, 2, 2},
        {4, 11, 11},         {8, 200, 200},
        {12, 0x00ABCDEF, 0x00A0C0E0},
        {15, 0x80FF8040, 0x80F88040},
        {15, 0x7FFF8040, 0x00F88040},
        {16, 0x00FF8040, 0x00F88040},
        {24, 0xFF123456, 0x00123456},
        {32, 0x80123456, 0x80123456},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        RasterImage img;
        ASSERT_TRUE(img.Create(c.depth, 7, 3, 0));
        img.SetPixel(3, 1, c.value);
        EXPECT_EQ(img.GetPixel(3, 1), c.expect);
        // The neighbours sharing a byte or group are untouched.
        EXPECT_EQ(img.GetPixel(2, 1) & 0xFFFFFF, 0u);
        EXPECT_EQ(img.GetPixel(4, 1) & 0xFFFFFF, 0u);
    }
}

}  // namespace
}  // namespace wirbelix
