// The greyed copy of a button picture: the colour rule as a table, and its use on the pixels or
// the palette of real pictures.
#include <gtest/gtest.h>

#include "pictures/RasterImage.h"
#include "ui/ButtonBitmap.h"

namespace wirbelix {
namespace {

TEST(ButtonBitmap, GreyedColourTable) {
    const struct {
        std::uint32_t colour, greyed;
    } cases[] = {
        {0xC0C0C0, 0xC0C0C0},    // the mask colour stays
        {0xFFC0C0C0, 0xFFC0C0C0},
        {0x000000, 0x909090},    // g 0 -> 144
        {0xFFFFFF, 0xD0D0D0},    // g 255 -> (255 + 579) / 4 = 208
        {0xFF0000, 0xA2A2A2},    // red: g 75 -> 75 / 4 + 144 = 162
        {0x00FF00, 0xB5B5B5},    // green: g 151 -> 181
        {0x0000FF, 0x979797},    // blue: g 28 -> 151
        {0xC1C1C1, 0xC1C1C1},    // g 193 -> (193 + 579) / 4 = 193
        {0xBFBFBF, 0xBFBFBF},    // g 191 -> 191 / 4 + 144 = 191
        {0xC0C0C1, 0xBFBFBF},    // g 192 -> 191
        {0x80808080, 0x80B0B0B0},  // alpha kept; g 128 -> 176
    };
    for (const auto& c : cases) EXPECT_EQ(GreyedColour(c.colour), c.greyed) << std::hex << c.colour;
}

TEST(ButtonBitmap, GreyedCopyOfDirectPixelsAndOfThePalette) {
    RasterImage rgb;
    ASSERT_TRUE(rgb.Create(24, 2, 1));
    rgb.SetPixel(0, 0, 0xC0C0C0);
    rgb.SetPixel(1, 0, 0x000000);
    RasterImage greyed;
    ASSERT_TRUE(MakeGreyedCopy(rgb, greyed));
    EXPECT_EQ(greyed.GetPixel(0, 0) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(greyed.GetPixel(1, 0) & 0xFFFFFF, 0x909090u);
    EXPECT_EQ(rgb.GetPixel(1, 0) & 0xFFFFFF, 0u);  // the source is untouched

    RasterImage indexed;
    ASSERT_TRUE(indexed.Create(8, 2, 1));
    indexed.SetPaletteEntry(0, 0xC0C0C0);
    indexed.SetPaletteEntry(1, 0xFFFFFF);
    indexed.SetPixel(1, 0, 1);
    ASSERT_TRUE(MakeGreyedCopy(indexed, greyed));
    EXPECT_EQ(greyed.GetPixel(1, 0), 1u);
    EXPECT_EQ(greyed.palette()[0] & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(greyed.palette()[1] & 0xFFFFFF, 0xD0D0D0u);

    RasterImage high;
    ASSERT_TRUE(high.Create(16, 1, 1));
    high.SetPixel(0, 0, 0xF800);
    const std::uint32_t before = high.GetPixel(0, 0);
    ASSERT_TRUE(MakeGreyedCopy(high, greyed));
    EXPECT_EQ(greyed.GetPixel(0, 0), before);  // 16-bit pictures stay as they are

    EXPECT_FALSE(MakeGreyedCopy(RasterImage{}, greyed));
    EXPECT_TRUE(greyed.empty());
}

}  // namespace
}  // namespace wirbelix
