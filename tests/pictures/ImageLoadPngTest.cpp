// The PNG reader against PngSuite and against files written here with libpng.
#include <gtest/gtest.h>

#include <csetjmp>
#include <png.h>

#include "ImageLoadSupport.h"
#include "pictures/ImageFile.h"

namespace wirbelix {
namespace {

using testing::Bytes;

// ---- Files written with libpng -----------------------------------------------------------------

struct PngLayout {
    std::uint32_t width = 0, height = 0;
    int colourType = PNG_COLOR_TYPE_PALETTE;
    int bitDepth = 8;
    std::vector<png_color> palette;
    std::vector<png_byte> trns;
    std::vector<Bytes> rows;  // packed as libpng expects them
    std::string comment;
};

void OnWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool WriteRows(png_structp png, png_infop info, std::FILE* f, const PngLayout* s) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, s->width, s->height, s->bitDepth, s->colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s->palette.empty()) png_set_PLTE(png, info, s->palette.data(), int(s->palette.size()));
    if (!s->trns.empty()) png_set_tRNS(png, info, s->trns.data(), int(s->trns.size()), nullptr);
    png_text text{};
    if (!s->comment.empty()) {
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>(s->comment.c_str());
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    for (const Bytes& r : s->rows) png_write_row(png, r.data());
    png_write_end(png, nullptr);
    return true;
}

std::string WritePng(const std::string& name, const PngLayout& layout) {
    const std::string path = testing::ScratchPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnWriteError, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool ok = WriteRows(png, info, f, &layout);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    EXPECT_TRUE(ok) << name;
    return path;
}

// A 4 x 2 palette picture using entries 0, 1 and 2 (3 exists but is unused).
PngLayout PalettePicture(std::vector<png_byte> trns) {
    PngLayout s;
    s.width = 4;
    s.height = 2;
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
    s.trns = std::move(trns);
    s.rows = {{0, 1, 2, 0}, {1, 1, 0, 2}};
    return s;
}

// ---- PngSuite ---------------------------------------------------------------------------------

TEST(ImageLoadPng, SuiteFilesGetTheirDepths) {
    struct Case {
        const char* file;
        int result;
        std::uint32_t depth;
    } const cases[] = {
        {"basn0g01", 0, 1},  {"basn0g02", 0, 2},  {"basn0g04", 0, 4},  {"basn0g08", 0, 8},
        {"basn2c08", 0, 24}, {"basn3p01", 0, 1},  {"basn3p02", 0, 2},  {"basn3p04", 0, 4},
        {"basn3p08", 0, 8},  {"basn4a08", 0, 32}, {"basn6a08", 0, 32},
        {"basn0g16", -5, 0}, {"basn2c16", -5, 0}, {"basn4a16", -5, 0}, {"basn6a16", -5, 0},
        {"ftbwn0g16", -5, 0},
        // Palette transparency in use: 32 bits with alpha.
        {"ftbbn3p08", 0, 32}, {"ftp1n3p08", 0, 32},
        // Every transparency value 255, or the transparent entries unused: stays indexed.
        {"ftp0n3p08", 0, 8},
    };
    for (const Case& c : cases) {
        for (const char* prefix : {"", "i"}) {
            const std::string name = std::string(prefix) + c.file + ".png";
            RasterImage image;
            ASSERT_EQ(LoadImageFile(testing::DataPath("pngsuite/" + name), image), c.result)
                << name << ": " << LastImageError();
            if (c.result == 0) {
                EXPECT_EQ(image.bitsPerPixel(), c.depth) << name;
                EXPECT_EQ(image.width(), 32u) << name;
                EXPECT_EQ(image.height(), 32u) << name;
            } else {
                EXPECT_EQ(LastImageError(), "Falsches Farbformat") << name;
            }
        }
    }
}

TEST(ImageLoadPng, InterlacedFilesGiveThePixelsOfTheirTwins) {
    for (const char* file : {"basn0g01", "basn0g02", "basn0g04", "basn0g08", "basn2c08", "basn3p01", "basn3p02",
                             "basn3p04", "basn3p08", "basn4a08", "basn6a08", "ftbbn3p08", "ftbrn2c08"}) {
        RasterImage plain, interlaced;
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("pngsuite/") + file + ".png"), plain), 0) << file;
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("pngsuite/i") + file + ".png"), interlaced), 0) << file;
        ASSERT_EQ(plain.bitsPerPixel(), interlaced.bitsPerPixel()) << file;
        ASSERT_EQ(plain.stride(), interlaced.stride()) << file;
        for (std::uint32_t y = 0; y < plain.height(); ++y)
            for (std::uint32_t x = 0; x < plain.width(); ++x)
                ASSERT_EQ(testing::Colour(plain, x, y), testing::Colour(interlaced, x, y))
                    << file << " at " << x << ", " << y;
    }
}

TEST(ImageLoadPng, GreyPicturesGetAGreyPaletteOfTheirDepth) {
    // basn0g02: 2-bit grey; its values run 0..3 in bands, so all four greys occur.
    RasterImage image;
    ASSERT_EQ(LoadImageFile(testing::DataPath("pngsuite/basn0g02.png"), image), 0);
    EXPECT_EQ(image.GetPaletteRgb(0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(image.GetPaletteRgb(1) & 0xFFFFFF, 0x555555u);
    EXPECT_EQ(image.GetPaletteRgb(2) & 0xFFFFFF, 0xAAAAAAu);
    EXPECT_EQ(image.GetPaletteRgb(3) & 0xFFFFFF, 0xFFFFFFu);
    // basn0g08 counts grey up along the rows: the colour is the grey value itself.
    ASSERT_EQ(LoadImageFile(testing::DataPath("pngsuite/basn0g08.png"), image), 0);
    for (std::uint32_t x = 0; x < 32; ++x) {
        const std::uint32_t g = image.GetPixel(x, 0);
        EXPECT_EQ(testing::Rgb(image, x, 0), g * 0x010101u) << x;
    }
}

TEST(ImageLoadPng, GreyWithAlphaKeepsItsAlphaIn32Bits) {
    RasterImage grey, rgba;
    ASSERT_EQ(LoadImageFile(testing::DataPath("pngsuite/basn4a08.png"), grey), 0);
    ASSERT_EQ(grey.bitsPerPixel(), 32u);
    EXPECT_EQ(grey.AlphaKind(), 2);
    bool someTransparent = false, someOpaque = false;
    for (std::uint32_t y = 0; y < 32; ++y)
        for (std::uint32_t x = 0; x < 32; ++x) {
            const std::uint32_t c = testing::Colour(grey, x, y);
            const std::uint32_t b = c & 255;
            ASSERT_EQ((c >> 8) & 255, b) << "grey in every channel";
            ASSERT_EQ((c >> 16) & 255, b) << "grey in every channel";
            someTransparent = someTransparent || (c >> 24) == 0;
            someOpaque = someOpaque || (c >> 24) == 255;
        }
    EXPECT_TRUE(someTransparent && someOpaque);
}

TEST(ImageLoadPng, RgbIsStoredBlueFirst) {
    PngLayout s;
    s.width = 2;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.rows = {{0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC}};
    s.comment = "Hintergrund";
    RasterImage image;
    std::string text;
    ASSERT_EQ(LoadImageFile(WritePng("rgb.png", s), image, &text), 0) << LastImageError();
    EXPECT_EQ(text, "Hintergrund");
    ASSERT_EQ(image.bitsPerPixel(), 24u);
    const std::uint8_t* row = image.Row(0);
    EXPECT_EQ(row[0], 0x33);
    EXPECT_EQ(row[1], 0x22);
    EXPECT_EQ(row[2], 0x11);
    EXPECT_EQ(image.GetPixel(1, 0), 0xAABBCCu);

    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows = {{0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xCC, 0xDD}};
    ASSERT_EQ(LoadImageFile(WritePng("rgba.png", s), image), 0) << LastImageError();
    ASSERT_EQ(image.bitsPerPixel(), 32u);
    EXPECT_EQ(image.GetPixel(0, 0), 0x44112233u);
    EXPECT_EQ(image.GetPixel(1, 0), 0xDDAABBCCu);
}

TEST(ImageLoadPng, PaletteTransparencyRule) {
    RasterImage image;
    // Only the unused entry 3 is transparent: the picture stays indexed.
    ASSERT_EQ(LoadImageFile(WritePng("trns-unused.png", PalettePicture({255, 255, 255, 0})), image), 0);
    EXPECT_EQ(image.bitsPerPixel(), 8u);
    EXPECT_EQ(image.GetPaletteRgb(0) & 0xFFFFFF, 0xFF0000u);

    // All values 255: nothing changes.
    ASSERT_EQ(LoadImageFile(WritePng("trns-opaque.png", PalettePicture({255, 255})), image), 0);
    EXPECT_EQ(image.bitsPerPixel(), 8u);

    // Entry 1 (used) transparent, entry 2 half transparent, entries beyond the chunk opaque.
    ASSERT_EQ(LoadImageFile(WritePng("trns-used.png", PalettePicture({255, 0, 128})), image), 0);
    ASSERT_EQ(image.bitsPerPixel(), 32u);
    EXPECT_EQ(image.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.GetPixel(1, 0), 0x0000FF00u);
    EXPECT_EQ(image.GetPixel(2, 0), 0x800000FFu);
    EXPECT_EQ(image.GetPixel(3, 1), 0x800000FFu);
    EXPECT_EQ(image.AlphaKind(), 2);
}

TEST(ImageLoadPng, SizesAboveTheLimitAreRefusedBeforeReading) {
    // 1-bit grey rows are tiny, so a 32769-pixel-wide file is small.
    PngLayout s;
    s.width = 32769;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows = {Bytes((32769 + 7) / 8, 0)};
    RasterImage image;
    EXPECT_EQ(LoadImageFile(WritePng("wide.png", s), image), kImageTooLarge);
    EXPECT_EQ(LastImageError(), "Das Bild ist zu groß");
    EXPECT_TRUE(image.empty());

    s.width = 32768;
    s.rows = {Bytes(32768 / 8, 0xFF)};
    EXPECT_EQ(LoadImageFile(WritePng("widest.png", s), image), 0) << LastImageError();
    EXPECT_EQ(image.width(), 32768u);
}

TEST(ImageLoadPng, DamagedFilesGiveTheirTexts) {
    const Bytes good = testing::ReadFile(testing::DataPath("pngsuite/basn2c08.png"));
    RasterImage image;
    // Cut inside the picture data: a read error.
    for (std::size_t cut : {std::size_t(20), std::size_t(40), good.size() / 2, good.size() - 13}) {
        const Bytes part(good.begin(), good.begin() + std::ptrdiff_t(cut));
        EXPECT_EQ(testing::LoadBytes(part, image), kImageReaderError) << cut;
        EXPECT_EQ(LastImageError(), "Fehler beim Lesen") << cut;
    }
    // A damaged checksum: libpng's own message.
    Bytes bad = good;
    bad[29] ^= 0xFF;  // inside the header chunk's CRC
    EXPECT_EQ(testing::LoadBytes(bad, image), kImageReaderError);
    EXPECT_FALSE(LastImageError().empty());
    EXPECT_NE(LastImageError(), "Fehler beim Lesen");
}

}  // namespace
}  // namespace wirbelix
