#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

constexpr int kDepths[] = {1, 2, 4, 8, 12, 15, 16, 24, 32};

std::uint32_t Field32(const RasterImage& img, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, img.headerBlock().data() + offset, 4);
    return v;
}
std::uint16_t Field16(const RasterImage& img, std::size_t offset) {
    std::uint16_t v;
    std::memcpy(&v, img.headerBlock().data() + offset, 2);
    return v;
}

// Pixel memory as bytes, row padding included.
std::vector<std::uint8_t> Bytes(const RasterImage& img) {
    return std::vector<std::uint8_t>(img.pixelBase(), img.pixelBase() + img.imageSize());
}

void ExpectEmpty(const RasterImage& img) {
    EXPECT_TRUE(img.empty());
    EXPECT_EQ(img.width(), 0u);
    EXPECT_EQ(img.height(), 0u);
    EXPECT_EQ(img.bitsPerPixel(), 0u);
    EXPECT_EQ(img.pixelBase(), nullptr);
}

TEST(RasterImage, CreateRefusesBadSizesAndDepthsAndLeavesTheImageEmpty) {
    struct Case {
        int depth, width, height;
        std::uint8_t error;
    };
    const Case cases[] = {
        {32, 32769, 1, kErrorSizeTooLarge}, {8, 1, 32769, kErrorSizeTooLarge},
        {24, -1, 4, kErrorSizeTooLarge},    {3, 5, 5, kErrorUnsupportedDepth},
        {0, 5, 5, kErrorUnsupportedDepth},  {64, 5, 5, kErrorUnsupportedDepth},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " " << c.width << "x" << c.height);
        RasterImage img;
        ASSERT_TRUE(img.Create(8, 4, 4));  // a failing Create also drops what was there
        EXPECT_FALSE(img.Create(c.depth, c.width, c.height));
        EXPECT_EQ(img.lastError(), c.error);
        ExpectEmpty(img);
        EXPECT_EQ(img.accessors().getPixel(nullptr, 0), 0u);  // the empty accessors touch nothing
    }
    RasterImage img;
    EXPECT_TRUE(img.Create(32, 32768, 0));  // the limit itself is allowed
    EXPECT_EQ(img.lastError(), 0);
}

TEST(RasterImage, StrideRowOrderAndPackingFollowTheBottomUpLayout) {
    struct Case {
        int depth;
        int width;
        std::uint32_t stride;
    };
    const Case cases[] = {{1, 9, 4},   {1, 33, 8},  {2, 16, 4}, {2, 17, 8},  {4, 9, 8},
                          {8, 5, 8},   {12, 5, 8},  {12, 6, 12}, {15, 3, 8}, {16, 2, 4},
                          {24, 5, 16}, {32, 3, 12}, {8, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " " << c.width);
        RasterImage img;
        ASSERT_TRUE(img.Create(c.depth, c.width, 3));
        EXPECT_EQ(img.stride(), c.stride);
        EXPECT_EQ(img.stride(), StrideFor(c.depth, c.width));
        EXPECT_EQ(img.imageSize(), 3u * c.stride);
        // Row 0 at the highest address, row 2 at pixelBase.
        EXPECT_EQ(img.rowZero(), img.pixelBase() + 2 * c.stride);
        EXPECT_EQ(img.Row(2), img.pixelBase());
        EXPECT_EQ(img.isDirect(), c.depth > 8);
        EXPECT_EQ(img.paletteCount(), c.depth > 8 ? 0u : 1u << c.depth);
        EXPECT_EQ(img.depthBit(), 1u << (c.depth - 1));
    }

    // Where a pixel lands in memory, for the packed depths.
    struct Pack {
        int depth;
        std::uint32_t x, value;
        std::size_t byte;
        std::vector<std::uint8_t> expect;  // bytes from that offset of row 0
    };
    const Pack packs[] = {
        {1, 8, 1, 1, {0x80}},         {1, 0, 1, 0, {0x80}},   {2, 1, 3, 0, {0x30}},
        {4, 0, 0xA, 0, {0xA0}},       {4, 1, 0xA, 0, {0x0A}}, {16, 1, 0x00FF8040, 2, {0x08, 0xFC}},
        {15, 0, 0x80FF8040, 0, {0x08, 0xFE}},                 {24, 1, 0x112233, 3, {0x33, 0x22, 0x11}},
        {32, 0, 0x80112233, 0, {0x33, 0x22, 0x11, 0x80}},
    };
    for (const Pack& p : packs) {
        SCOPED_TRACE(testing::Message() << "pack " << p.depth << " x " << p.x);
        RasterImage img;
        ASSERT_TRUE(img.Create(p.depth, 9, 3));
        img.SetPixel(p.x, 0, p.value);
        EXPECT_EQ(std::vector<std::uint8_t>(img.Row(0) + p.byte, img.Row(0) + p.byte + p.expect.size()),
                  p.expect);
        EXPECT_EQ(img.Row(1)[p.byte], 0);  // other rows untouched
    }
}

TEST(RasterImage, SetPixelAndGetPixelRoundTripWithoutTouchingNeighbours) {
    struct Case {
        int depth;
        std::uint32_t value;   // what SetPixel is given
        std::uint32_t expect;  // what GetPixel yields
    };
    const Case cases[] = {
        {1, 1, 1},
        {2, 2, 2},
        {4, 11, 11},
        {8, 200, 200},
        {12, 0x00ABCDEF, 0x00A0C0E0},
        {15, 0x80FF8040, 0x80F88040},
        {15, 0x7FFF8040, 0x00F88040},
        {16, 0x00FF8040, 0x00F88040},
        {24, 0xFF123456, 0x00123456},
        {32, 0x80123456, 0x80123456},
    };
    for (const Case& c : cases) {
        for (std::uint32_t x : {0u, 3u, 4u, 6u}) {  // both halves of the packed groups, last column
            SCOPED_TRACE(testing::Message() << c.depth << " x " << x);
            RasterImage img;
            ASSERT_TRUE(img.Create(c.depth, 7, 3, 0));
            img.SetPixel(x, 1, c.value);
            EXPECT_EQ(img.GetPixel(x, 1), c.expect);
            EXPECT_EQ(img.ColourToPixel(c.value) == c.value, c.depth <= 8 || c.depth == 24 || c.depth == 32);
            for (std::uint32_t other = 0; other < 7; ++other)
                if (other != x) {
                    EXPECT_EQ(img.GetPixel(other, 1), 0u) << other;
                }
        }
    }
}

// The last pixel of an odd-width 12-bit row touches only the row's own bytes, so a borrowed
// buffer of exactly imageSize is never read or written past its end.
TEST(RasterImage, TwelveBitLastPixelStaysInsideAnExactBorrowedBuffer) {
    const std::uint32_t stride = StrideFor(12, 5);
    ASSERT_EQ(stride, 8u);  // 5 pixels use 7.5 bytes: the group of pixel 4 would reach byte 8
    std::vector<std::uint8_t> buffer(stride * 1 + 1, 0x5A);
    RasterImage img;
    ASSERT_TRUE(img.Create(12, 5, 1, 0, buffer.data()));
    img.SetPixel(4, 0, 0xFFFFFF);
    EXPECT_EQ(img.GetPixel(4, 0), 0xF0F0F0u);
    EXPECT_EQ(buffer[stride], 0x5A);
}

TEST(RasterImage, FillRectSpansClipsAndAnswersWhetherItWrote) {
    RasterImage img;
    ASSERT_TRUE(img.Create(8, 16, 4, 0));
    EXPECT_TRUE(img.FillRect(10, 0, -3, 1, 7));  // the 3 columns ending at 10
    for (std::uint32_t x = 0; x < 16; ++x) EXPECT_EQ(img.GetPixel(x, 0), x >= 8 && x <= 10 ? 7u : 0u) << x;
    EXPECT_TRUE(img.FillRect(1, 3, 1, -2, 9));  // rows 2 and 3
    EXPECT_EQ(img.GetPixel(1, 1), 0u);
    EXPECT_EQ(img.GetPixel(1, 2), 9u);
    EXPECT_EQ(img.GetPixel(1, 3), 9u);

    const std::vector<std::uint8_t> before = Bytes(img);
    EXPECT_FALSE(img.FillRect(-5, -5, 3, 3, 1));
    EXPECT_FALSE(img.FillRect(16, 0, 5, 5, 1));
    EXPECT_FALSE(img.FillRect(0, 0, 0, 5, 1));
    EXPECT_FALSE(img.FillRect(0x7FFFFFFF, 0, 0x7FFFFFFF, 1, 1));  // no overflow of x + w
    EXPECT_EQ(Bytes(img), before);
    EXPECT_TRUE(img.FillRect(-100, -100, 1000, 1000, 3));
    EXPECT_EQ(img.GetPixel(15, 3), 3u);

    RasterImage none;
    EXPECT_FALSE(none.FillRect(0, 0, 5, 5, 1));
}

// The group fill gives exactly the pixels (and leaves exactly the bytes) that SetPixel on every
// pixel of the clipped rectangle gives, at every depth and for rectangles with partial groups.
TEST(RasterImage, FillRectEqualsSetPixelOnEveryPixelAtEveryDepth) {
    struct Rect {
        int x, y, w, h;
    };
    const Rect rects[] = {{1, 0, 13, 2}, {3, 1, -3, -2}, {-4, -1, 100, 100}, {5, 2, 1, 1},
                          {8, 0, 8, 3},  {2, 0, 3, 3},   {7, 1, 17, 1}};
    for (int depth : kDepths) {
        for (const Rect& r : rects) {
            SCOPED_TRACE(testing::Message() << depth << " " << r.x << "," << r.y << " " << r.w << "x" << r.h);
            const std::uint32_t colour = depth <= 8 ? ((1u << depth) - 1) - 1 : 0x80C3A5F1u;
            RasterImage filled, reference;
            ASSERT_TRUE(filled.Create(depth, 21, 3, 0));
            ASSERT_TRUE(reference.Create(depth, 21, 3, 0));
            // A background pattern, so that untouched neighbours in shared bytes are checked.
            for (std::uint32_t y = 0; y < 3; ++y)
                for (std::uint32_t x = 0; x < 21; ++x) {
                    const std::uint32_t bg = depth <= 8 ? (x + y) & 1 : 0x00102030u * (x + 1);
                    filled.SetPixel(x, y, bg);
                    reference.SetPixel(x, y, bg);
                }
            filled.FillRect(r.x, r.y, r.w, r.h, colour);
            int x0 = r.w >= 0 ? r.x : r.x + r.w + 1, x1 = r.w >= 0 ? r.x + r.w : r.x + 1;
            int y0 = r.h >= 0 ? r.y : r.y + r.h + 1, y1 = r.h >= 0 ? r.y + r.h : r.y + 1;
            for (int y = std::max(y0, 0); y < std::min(y1, 3); ++y)
                for (int x = std::max(x0, 0); x < std::min(x1, 21); ++x) reference.SetPixel(x, y, colour);
            EXPECT_EQ(Bytes(filled), Bytes(reference));
        }
    }
}

TEST(RasterImage, CreateFillsWithIndexOrColourOrLeavesBorrowedBytesAlone) {
    RasterImage img;
    ASSERT_TRUE(img.Create(24, 5, 2, 0));
    EXPECT_EQ(img.stride(), 16u);
    EXPECT_EQ(Bytes(img), std::vector<std::uint8_t>(32, 0));

    ASSERT_TRUE(img.Create(8, 5, 2, 200));  // an index, not a colour
    for (std::uint32_t x = 0; x < 5; ++x) EXPECT_EQ(img.GetPixel(x, 1), 200u);

    ASSERT_TRUE(img.Create(16, 3, 2, 0x00FF8040));
    for (std::uint32_t x = 0; x < 3; ++x) {
        std::uint16_t word;
        std::memcpy(&word, img.Row(1) + 2 * x, 2);
        EXPECT_EQ(word, 0xFC08);
        EXPECT_EQ(img.GetPixel(x, 1), 0x00F88040u);
    }

    ASSERT_TRUE(img.Create(32, 2, 2, 0x80102030));
    EXPECT_EQ(img.GetPixel(1, 1), 0x80102030u);
    ASSERT_TRUE(img.Create(1, 12, 1, 1));
    for (std::uint32_t x = 0; x < 12; ++x) EXPECT_EQ(img.GetPixel(x, 0), 1u);

    std::vector<std::uint8_t> buffer(StrideFor(32, 4) * 3, 0xAB);
    ASSERT_TRUE(img.Create(32, 4, 3, NoFill, buffer.data()));
    EXPECT_EQ(img.ownership(), PixelOwnership::Borrowed);
    EXPECT_EQ(img.pixelBase(), buffer.data());
    EXPECT_EQ(img.GetPixel(0, 0), 0xABABABABu);
    img.SetPixel(0, 2, 0x01020304);  // bottom row = start of the buffer
    EXPECT_EQ(buffer[0], 0x04);
    img.Clear();  // the buffer is the caller's: nothing is freed, nothing changes
    EXPECT_EQ(buffer[1], 0x03);

    ASSERT_TRUE(img.Create(24, 3, 3, 0x112233, DibSectionBuffer));
    EXPECT_EQ(img.ownership(), PixelOwnership::DibSection);
    EXPECT_EQ(img.GetPixel(2, 2), 0x112233u);
}

TEST(RasterImage, HeaderBlockDescribesThePixels) {
    struct Case {
        int depth;
        std::uint16_t bitCount;
        std::uint32_t compression, colours;
        std::uint32_t masks[3];
    };
    const Case cases[] = {
        {1, 1, 0, 2, {0, 0xFFFFFF, 0}},
        {8, 8, 0, 256, {0, 0x000080, 0x008000}},
        {15, 16, 3, 0, {0x7C00, 0x03E0, 0x001F}},
        {16, 16, 3, 0, {0xF800, 0x07E0, 0x001F}},
        {24, 24, 0, 0, {0, 0, 0}},
        {32, 32, 0, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        RasterImage img;
        ASSERT_TRUE(img.Create(c.depth, 5, 3));
        EXPECT_EQ(Field32(img, 0), 40u);
        EXPECT_EQ(Field32(img, 4), 5u);
        EXPECT_EQ(Field32(img, 8), 3u);  // positive: bottom-up
        EXPECT_EQ(Field16(img, 12), 1);
        EXPECT_EQ(Field16(img, 14), c.bitCount);
        EXPECT_EQ(Field32(img, 16), c.compression);
        EXPECT_EQ(Field32(img, 20), img.imageSize());
        EXPECT_EQ(Field32(img, 24), 4705u);
        EXPECT_EQ(Field32(img, 28), 4705u);
        EXPECT_EQ(Field32(img, 32), c.colours);
        EXPECT_EQ(Field32(img, 36), c.colours);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(img.palette()[i], c.masks[i]) << i;
    }
    RasterImage img;
    ASSERT_TRUE(img.Create(8, 2, 2));
    img.Clear();
    for (std::uint8_t b : img.headerBlock()) ASSERT_EQ(b, 0);
}

TEST(RasterImage, DefaultPalettes) {
    RasterImage img;
    ASSERT_TRUE(img.Create(1, 1, 1));
    EXPECT_EQ(img.palette()[0], 0u);
    EXPECT_EQ(img.palette()[1], 0xFFFFFFu);
    ASSERT_TRUE(img.Create(2, 1, 1));
    EXPECT_EQ(std::vector<std::uint32_t>(img.palette(), img.palette() + 5),
              (std::vector<std::uint32_t>{0, 0x008000, 0x800000, 0xFFFFFF, 0}));
    const std::vector<std::uint32_t> sixteen = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    ASSERT_TRUE(img.Create(4, 1, 1));
    EXPECT_EQ(std::vector<std::uint32_t>(img.palette(), img.palette() + 16), sixteen);
    EXPECT_EQ(img.palette()[16], 0u);

    ASSERT_TRUE(img.Create(8, 1, 1));
    EXPECT_EQ(std::vector<std::uint32_t>(img.palette(), img.palette() + 16), sixteen);
    struct Entry {
        int index;
        std::uint32_t colour;
    };
    const Entry entries[] = {
        {16, 0x000000}, {17, 0x101010}, {31, 0xF0F0F0},  // grey ramp
        {32, 0x14EB6A}, {128, 0x95956A}, {247, 0x14EB3F},  // 6x6x6 cube overwrites the rest
        {248, 0xE0D020}, {255, 0xE0F0E0},  // the 3-3-2 cube survives at the top
    };
    for (const Entry& e : entries) EXPECT_EQ(img.palette()[e.index], e.colour) << e.index;
}

TEST(RasterImage, PaletteAccessTakesTheIndexModulo256) {
    RasterImage img;
    ASSERT_TRUE(img.Create(8, 1, 1));
    img.SetPaletteEntry(256 + 5, 0x80112233);
    EXPECT_EQ(img.palette()[5], 0x80112233u);
    img.SetPaletteRgb(5, 1, 2, 3);  // keeps the fourth byte
    EXPECT_EQ(img.palette()[5], 0x80010203u);
    img.SetPaletteRgba(511, 9, 8, 7, 6);
    std::uint8_t r = 0, g = 0, b = 0;
    EXPECT_EQ(img.GetPaletteRgb(255, &r, &g, &b), 0x06090807u);
    EXPECT_EQ(r, 9);
    EXPECT_EQ(g, 8);
    EXPECT_EQ(b, 7);
}

TEST(RasterImage, RowConvertersAtEveryDepth) {
    // Three pixels: for indexed depths indices 0, 1 and the last, for direct depths three colours.
    const std::uint32_t colours[3] = {0x80FFFFFF, 0x000A141E, 0x80F0F0F0};
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        RasterImage img;
        ASSERT_TRUE(img.Create(depth, 3, 2, 0));
        std::uint32_t expect[3];  // colour words as GetPixel (or the palette) gives them
        if (depth <= 8) {
            const std::uint32_t index[3] = {0, 1, img.valueMask()};  // depth 1: entry 1 twice
            for (std::uint32_t x = 0; x < 3; ++x) img.SetPaletteEntry(index[x], colours[x]);
            for (std::uint32_t x = 0; x < 3; ++x) {
                img.SetPixel(x, 1, index[x]);
                expect[x] = img.palette()[index[x]];
            }
        } else {
            for (std::uint32_t x = 0; x < 3; ++x) {
                img.SetPixel(x, 1, colours[x]);
                expect[x] = img.GetPixel(x, 1);
            }
        }
        // Each converter may reuse the scratch row, so each result is copied at once.
        const std::uint8_t* p8 = img.ReadRow8(1);
        const std::vector<std::uint8_t> r8(p8, p8 + 3);
        const std::uint8_t* r24 = img.ReadRow24(1);
        std::vector<std::uint8_t> row24(r24, r24 + 9);
        const std::uint8_t* r32 = img.ReadRow32(1);
        for (std::uint32_t x = 0; x < 3; ++x) {
            const std::uint32_t c = expect[x];
            const std::uint32_t grey = ((c & 0xFF) * 29 + ((c >> 16) & 0xFF) * 76 + ((c >> 8) & 0xFF) * 152) / 256;
            if (depth <= 8)
                EXPECT_EQ(r8[x], img.GetPixel(x, 1));
            else
                EXPECT_EQ(r8[x], grey);
            EXPECT_EQ(row24[3 * x] | (row24[3 * x + 1] << 8) | (row24[3 * x + 2] << 16), c & 0xFFFFFF);
            std::uint32_t word;
            std::memcpy(&word, r32 + 4 * x, 4);
            const std::uint32_t alpha = depth <= 8 || depth == 32 ? c >> 24 : depth == 15 ? (c >> 24) & 0x80 : 0;
            EXPECT_EQ(word, (c & 0xFFFFFF) | (alpha << 24));
        }
        // The native converter hands out the row itself; its copying variant a copy.
        const std::uint8_t* native = depth == 8 ? img.ReadRow8(1) : depth == 24 ? img.ReadRow24(1)
                                   : depth == 32 ? img.ReadRow32(1) : nullptr;
        if (native) {
            EXPECT_EQ(native, img.Row(1));
            const std::uint8_t* copy = depth == 8 ? img.CopyRow8(1) : depth == 24 ? img.CopyRow24(1) : img.CopyRow32(1);
            EXPECT_EQ(copy, img.scratchRow());
            EXPECT_EQ(std::memcmp(copy, img.Row(1), img.stride()), 0);
        } else {
            EXPECT_EQ(img.ReadRow32(1), img.scratchRow());
        }
    }
    // Grey of white is white: the weights add up to 257/256.
    RasterImage white;
    ASSERT_TRUE(white.Create(24, 1, 1, 0xFFFFFF));
    EXPECT_EQ(white.ReadRow8(0)[0], 255);
}

// The scratch row holds a whole 32-bit row even when the pixels are borrowed and their own rows
// are much narrower (a 1-bit row is 1/32 of it).
TEST(RasterImage, RowConvertersOfBorrowedNarrowDepthsStayInsideTheScratchRow) {
    const std::uint32_t w = 250;
    std::vector<std::uint8_t> buffer(StrideFor(1, w) * 2, 0xFF);
    RasterImage img;
    ASSERT_TRUE(img.Create(1, w, 2, NoFill, buffer.data()));
    const std::uint8_t* row = img.ReadRow32(1);
    std::uint32_t last;
    std::memcpy(&last, row + 4 * (w - 1), 4);
    EXPECT_EQ(last, 0xFFFFFFu);
    EXPECT_EQ(img.ReadRow24(0)[3 * w - 1], 0xFF);
}

TEST(RasterImage, CopyIsExactIndependentAndKeepsTheProgressFunction) {
    std::vector<std::uint8_t> buffer(StrideFor(8, 5) * 3, 0);
    RasterImage source;
    ASSERT_TRUE(source.Create(8, 5, 3, 0, buffer.data()));
    source.SetPixel(4, 0, 77);
    source.SetPaletteEntry(77, 0xFF102030);
    int user = 0;
    source.SetProgressCallback([](void*, int, bool&) {}, &user);

    RasterImage copy;
    ASSERT_TRUE(copy.Copy(source));
    EXPECT_EQ(copy.ownership(), PixelOwnership::Owned);
    EXPECT_EQ(copy.bitsPerPixel(), 8u);
    EXPECT_EQ(copy.width(), 5u);
    EXPECT_EQ(copy.height(), 3u);
    EXPECT_EQ(Bytes(copy), Bytes(source));
    EXPECT_TRUE(std::equal(copy.headerBlock().begin(), copy.headerBlock().end(), source.headerBlock().begin()));
    EXPECT_EQ(copy.progressCallback(), source.progressCallback());
    EXPECT_EQ(copy.progressUser(), &user);
    buffer.assign(buffer.size(), 1);  // the copy owns its pixels
    EXPECT_EQ(copy.GetPixel(4, 0), 77u);

    RasterImage assigned;
    assigned = copy;
    EXPECT_EQ(Bytes(assigned), Bytes(copy));
    assigned = assigned;  // self-assignment keeps the image
    EXPECT_EQ(assigned.GetPixel(4, 0), 77u);

    RasterImage moved(std::move(assigned));
    EXPECT_EQ(moved.GetPixel(4, 0), 77u);
    ExpectEmpty(assigned);

    RasterImage empty;
    EXPECT_FALSE(copy.Copy(empty));
    ExpectEmpty(copy);
    EXPECT_EQ(copy.lastError(), 0);
}

TEST(RasterImage, HasAlphaAndAlphaKind) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> alphas;  // of a 32-bit image, one per pixel
        bool hasAlpha;
        int kind;
    };
    const Case cases[] = {
        {"all zero", {0, 0, 0}, false, 0},
        {"all opaque", {255, 255, 255}, true, 1},
        {"one half", {255, 128, 255}, true, 2},
        {"last half", {128, 128, 128}, true, 2},
        {"zero and opaque", {0, 255, 255}, true, 2},
        {"opaque and last zero", {255, 255, 0}, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RasterImage img;
        ASSERT_TRUE(img.Create(32, static_cast<int>(c.alphas.size()), 1, 0));
        for (std::uint32_t x = 0; x < c.alphas.size(); ++x) img.SetPixel(x, 0, std::uint32_t(c.alphas[x]) << 24 | 0x123456);
        EXPECT_EQ(img.HasAlpha(), c.hasAlpha);
        EXPECT_EQ(img.AlphaKind(), c.kind);
    }
    RasterImage img;
    ASSERT_TRUE(img.Create(1, 4, 4));
    EXPECT_EQ(img.AlphaKind(), 0);  // default palettes carry no alpha
    img.SetPaletteEntry(0, 0xFF000000);
    EXPECT_EQ(img.AlphaKind(), 2);
    img.SetPaletteEntry(1, 0xFFFFFFFF);
    EXPECT_EQ(img.AlphaKind(), 1);
    img.SetPaletteEntry(2, 0x00FFFFFF);  // beyond paletteCount: not inspected
    EXPECT_EQ(img.AlphaKind(), 1);
    EXPECT_FALSE(img.HasAlpha());  // only 32-bit images have alpha
    ASSERT_TRUE(img.Create(24, 2, 2, 0xFFFFFF));
    EXPECT_EQ(img.AlphaKind(), 0);
    RasterImage none;
    EXPECT_FALSE(none.HasAlpha());
    EXPECT_EQ(none.AlphaKind(), 0);
}

}  // namespace
}  // namespace wirbelix
