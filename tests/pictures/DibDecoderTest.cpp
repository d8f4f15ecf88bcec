#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/DibDecoder.h"
#include "pictures/RasterImage.h"
#include "platform/ResourceTable.h"

namespace wirbelix {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A bitmap without file header: 40-byte information header, palette, pixels.
Bytes MakeDib(int bits, std::int32_t width, std::int32_t height, std::uint32_t compression,
              const std::vector<std::uint32_t>& palette, const Bytes& pixels,
              std::uint32_t coloursUsed = 0) {
    Bytes b;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<std::uint16_t>(bits));
    Put32(b, compression);
    Put32(b, static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, coloursUsed);
    Put32(b, 0);
    for (std::uint32_t c : palette) Put32(b, c);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

const std::vector<std::uint32_t> kPalette4 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

TEST(DibDecoder, UncompressedDepthsKeepTheirDepthPaletteAndBottomUpRows) {
    // 8 bits, 3 x 2: bottom row first, rows padded to 4 bytes.
    RasterImage img;
    ASSERT_EQ(DecodeDib(MakeDib(8, 3, 2, 0, kPalette4, {1, 2, 3, 0, 3, 2, 1, 0}, 4), img), DibStatus::Ok);
    EXPECT_EQ(img.bitsPerPixel(), 8u);
    EXPECT_EQ(img.GetPixel(0, 1), 1u);  // bottom row
    EXPECT_EQ(img.GetPixel(0, 0), 3u);
    EXPECT_EQ(img.palette()[1], 0xFF0000u);
    EXPECT_EQ(img.palette()[4], 0x800000u);  // entries the file does not store keep the default

    // 1 bit, 10 x 1: bit 7 of the first byte is the leftmost pixel.
    ASSERT_EQ(DecodeDib(MakeDib(1, 10, 1, 0, {0, 0xFFFFFF}, {0x80, 0x40, 0, 0}), img), DibStatus::Ok);
    EXPECT_EQ(img.GetPixel(0, 0), 1u);
    EXPECT_EQ(img.GetPixel(1, 0), 0u);
    EXPECT_EQ(img.GetPixel(9, 0), 1u);

    // 4 bits, 3 x 1.
    ASSERT_EQ(DecodeDib(MakeDib(4, 3, 1, 0, std::vector<std::uint32_t>(16, 0), {0x12, 0x30, 0, 0}), img),
              DibStatus::Ok);
    EXPECT_EQ(img.GetPixel(0, 0), 1u);
    EXPECT_EQ(img.GetPixel(2, 0), 3u);

    // 24 and 32 bits; the fourth byte of a 32-bit pixel is its alpha.
    ASSERT_EQ(DecodeDib(MakeDib(24, 1, 1, 0, {}, {0x30, 0x20, 0x10, 0}), img), DibStatus::Ok);
    EXPECT_EQ(img.bitsPerPixel(), 24u);
    EXPECT_EQ(img.GetPixel(0, 0), 0x102030u);
    ASSERT_EQ(DecodeDib(MakeDib(32, 2, 1, 0, {}, {1, 2, 3, 0x80, 4, 5, 6, 0}), img), DibStatus::Ok);
    EXPECT_EQ(img.GetPixel(0, 0), 0x80030201u);
    EXPECT_EQ(img.AlphaKind(), 2);

    // A negative height stores the rows top-down.
    ASSERT_EQ(DecodeDib(MakeDib(8, 1, -2, 0, kPalette4, {1, 0, 0, 0, 2, 0, 0, 0}, 4), img), DibStatus::Ok);
    EXPECT_EQ(img.height(), 2u);
    EXPECT_EQ(img.GetPixel(0, 0), 1u);
    EXPECT_EQ(img.GetPixel(0, 1), 2u);
}

TEST(DibDecoder, CoreHeaderHasSixteenBitSizesAndThreeBytePaletteEntries) {
    Bytes b;
    Put32(b, 12);
    Put16(b, 2);
    Put16(b, 1);
    Put16(b, 1);
    Put16(b, 1);
    b.insert(b.end(), {0, 0, 0, 0x30, 0x20, 0x10});  // black, then blue 0x30 green 0x20 red 0x10
    b.insert(b.end(), {0x40, 0, 0, 0});
    RasterImage img;
    ASSERT_EQ(DecodeDib(b, img), DibStatus::Ok);
    EXPECT_EQ(img.width(), 2u);
    EXPECT_EQ(img.palette()[1], 0x102030u);
    EXPECT_EQ(img.GetPixel(1, 0), 1u);
    EXPECT_EQ(img.GetPixel(0, 0), 0u);
}

TEST(DibDecoder, RunLengthEncodingsWithRunsLiteralsDeltasAndLineEnds) {
    // RLE8, 6 x 3. Bottom row: run of 2 x 5, literal 7 8 9 (padded to even), then end of line.
    // Middle row: delta right 4, up 0, run of 2 x 1, end of line. Top row: end of bitmap at
    // once, so it stays 0.
    const Bytes rle8 = {2, 5, 0, 3, 7, 8, 9, 0, 1, 6, 0, 0, 0, 2, 4, 0, 2, 1, 0, 0, 0, 1};
    RasterImage img;
    ASSERT_EQ(DecodeDib(MakeDib(8, 6, 3, kDibCompressionRle8, kPalette4, rle8, 4), img), DibStatus::Ok);
    EXPECT_EQ(img.bitsPerPixel(), 8u);
    const std::uint32_t expect[3][6] = {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 1, 1}, {5, 5, 7, 8, 9, 6}};
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 6; ++x) EXPECT_EQ(img.GetPixel(x, y), expect[y][x]) << x << "," << y;

    // RLE4, 9 x 1: a run of 3 alternating 1 and 2, a literal of 3 nibbles (2 bytes), a literal
    // of 3 nibbles that is padded, then 0 0 and end of bitmap.
    const Bytes rle4 = {3, 0x12, 0, 3, 0x34, 0x50, 0, 3, 0x67, 0x80, 0, 0, 0, 1};
    ASSERT_EQ(DecodeDib(MakeDib(4, 9, 1, kDibCompressionRle4, std::vector<std::uint32_t>(16, 0), rle4), img),
              DibStatus::Ok);
    const std::uint32_t expect4[9] = {1, 2, 1, 3, 4, 5, 6, 7, 8};
    for (std::uint32_t x = 0; x < 9; ++x) EXPECT_EQ(img.GetPixel(x, 0), expect4[x]) << x;
}

TEST(DibDecoder, BadBitmapsAreRefusedWithTheirReason) {
    struct Case {
        const char* what;
        Bytes dib;
        DibStatus status;
    };
    Bytes shortHeader = MakeDib(8, 1, 1, 0, {}, {});
    shortHeader.resize(30);
    Bytes header20 = MakeDib(8, 1, 1, 0, {}, {});
    header20[0] = 20;
    const Case cases[] = {
        {"nothing", {}, DibStatus::NotADib},
        {"header size 0", Bytes(40, 0), DibStatus::NotADib},
        {"header cut off", shortHeader, DibStatus::ReadError},
        {"header size 20", header20, DibStatus::CorruptFile},
        {"negative width", MakeDib(24, -1, 1, 0, {}, Bytes(4)), DibStatus::CorruptFile},
        {"300 colours", MakeDib(8, 1, 1, 0, {}, Bytes(4), 300), DibStatus::CorruptFile},
        {"16 bits", MakeDib(16, 1, 1, 0, {}, Bytes(4)), DibStatus::NotSupported},
        {"2 bits", MakeDib(2, 1, 1, 0, std::vector<std::uint32_t>(4), Bytes(4)), DibStatus::NotSupported},
        {"RLE8 at 4 bits", MakeDib(4, 1, 1, 1, std::vector<std::uint32_t>(16), {0, 1}), DibStatus::NotSupported},
        {"bit fields", MakeDib(32, 1, 1, 3, {0xFF0000, 0xFF00, 0xFF}, Bytes(4)), DibStatus::NotSupported},
        {"top-down RLE", MakeDib(8, 1, -1, 1, kPalette4, {0, 1}, 4), DibStatus::CorruptFile},
        {"too wide", MakeDib(24, 40000, 1, 0, {}, {}), DibStatus::CreateFailed},
        {"too high", MakeDib(24, 1, -40000, 0, {}, {}), DibStatus::CreateFailed},
        {"palette cut off", MakeDib(8, 1, 1, 0, {0, 0}, {}, 4), DibStatus::ReadError},
        {"pixels cut off", MakeDib(24, 2, 2, 0, {}, Bytes(15)), DibStatus::ReadError},
        {"huge but short", MakeDib(32, 32768, 32768, 0, {}, Bytes(64)), DibStatus::ReadError},
        {"RLE8 run past the row", MakeDib(8, 2, 1, 1, kPalette4, {3, 1, 0, 1}, 4), DibStatus::ReadError},
        {"RLE8 literal past the row", MakeDib(8, 2, 1, 1, kPalette4, {0, 3, 1, 1, 1, 0, 0, 1}, 4),
         DibStatus::ReadError},
        {"RLE8 literal cut off", MakeDib(8, 8, 1, 1, kPalette4, {0, 6, 1, 1}, 4), DibStatus::ReadError},
        {"RLE8 run past the last row", MakeDib(8, 2, 1, 1, kPalette4, {0, 0, 1, 1, 0, 1}, 4), DibStatus::ReadError},
        {"RLE8 delta past the top", MakeDib(8, 2, 1, 1, kPalette4, {0, 2, 0, 5, 0, 1}, 4), DibStatus::ReadError},
        {"RLE8 delta past the right", MakeDib(8, 2, 1, 1, kPalette4, {0, 2, 3, 0, 0, 1}, 4), DibStatus::ReadError},
        {"RLE8 without end", MakeDib(8, 2, 1, 1, kPalette4, {2, 1, 0, 0}, 4), DibStatus::ReadError},
        {"RLE4 run past the row", MakeDib(4, 2, 1, 2, std::vector<std::uint32_t>(16), {3, 0x11, 0, 1}),
         DibStatus::ReadError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RasterImage img;
        EXPECT_EQ(DecodeDib(c.dib, img), c.status);
        if (c.status == DibStatus::CreateFailed) {
            EXPECT_EQ(img.lastError(), kErrorSizeTooLarge);
        }
        if (c.status != DibStatus::ReadError) {
            EXPECT_TRUE(img.empty());
        }
    }
}

TEST(DibDecoder, PixelOffsetAndProgressWithAbort) {
    // Pixels 4 bytes after the palette (as a BMP file's offset may place them).
    Bytes dib = MakeDib(8, 1, 1, 0, kPalette4, {0xEE, 0xEE, 0xEE, 0xEE, 2, 0, 0, 0}, 4);
    RasterImage img;
    ASSERT_EQ(DecodeDib(dib, img, 40 + 16 + 4), DibStatus::Ok);
    EXPECT_EQ(img.GetPixel(0, 0), 2u);
    EXPECT_EQ(DecodeDib(dib, img, 40 + 8), DibStatus::CorruptFile);  // inside the palette
    EXPECT_EQ(DecodeDib(dib, img, dib.size() + 1), DibStatus::ReadError);

    struct Progress {
        std::vector<int> seen;
        int abortAt;
    } progress{{}, 50};
    img.SetProgressCallback(
        [](void* user, int percent, bool& abort) {
            auto* p = static_cast<Progress*>(user);
            p->seen.push_back(percent);
            abort = percent >= p->abortAt;
        },
        &progress);
    const Bytes four = MakeDib(8, 1, 4, 0, kPalette4, Bytes(16, 1), 4);
    EXPECT_EQ(DecodeDib(four, img), DibStatus::Aborted);
    EXPECT_EQ(progress.seen, (std::vector<int>{0, 25, 50}));
    progress = {{}, 101};
    EXPECT_EQ(DecodeDib(four, img), DibStatus::Ok);
    EXPECT_EQ(progress.seen, (std::vector<int>{0, 25, 50, 75, 100}));
}

TEST(LoadBitmapResource, ReadsEveryEmbeddedBitmapAtItsOwnDepthAndRefusesMissingOnes) {
    RasterImage img;
    ASSERT_TRUE(img.Create(8, 2, 2));
    EXPECT_FALSE(img.LoadBitmapResource(99999));
    EXPECT_TRUE(img.empty());
    EXPECT_FALSE(img.LoadBitmapResource("NOSUCHBITMAP"));

    ForEachResource([](std::string_view type, std::string_view name, int number, ResourceBytes bytes) {
        if (type != "BITMAP") return;
        SCOPED_TRACE(testing::Message() << name << number);
        DibHeader header;
        ASSERT_EQ(ParseDibHeader(bytes, header), DibStatus::Ok);
        RasterImage bitmap;
        ASSERT_TRUE(number >= 0 ? bitmap.LoadBitmapResource(number) : bitmap.LoadBitmapResource(name));
        EXPECT_EQ(bitmap.bitsPerPixel(), header.bitCount);
        EXPECT_EQ(bitmap.width(), static_cast<std::uint32_t>(header.width));
        EXPECT_EQ(bitmap.height(), static_cast<std::uint32_t>(header.height < 0 ? -header.height : header.height));
    });

    // The built-in background and rotor, once they are in the table.
    struct BuiltIn {
        int number;
        std::uint32_t depth, width, height;
    };
    for (const BuiltIn& b : {BuiltIn{153, 8, 1024, 1024}, BuiltIn{154, 32, 118, 450}}) {
        if (FindResource("BITMAP", b.number).empty()) continue;
        SCOPED_TRACE(b.number);
        ASSERT_TRUE(img.LoadBitmapResource(b.number));
        EXPECT_EQ(img.bitsPerPixel(), b.depth);
        EXPECT_EQ(img.width(), b.width);
        EXPECT_EQ(img.height(), b.height);
        ASSERT_TRUE(img.LoadBitmapResource("#" + std::to_string(b.number)));
        EXPECT_EQ(img.width(), b.width);
    }
}

}  // namespace
}  // namespace wirbelix
