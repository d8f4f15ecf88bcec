// The BMP reader against BMP Suite: good files show the pixels of the suite's reference
// renderings, unsupported forms are refused with the reader's texts, questionable and bad files
// never crash and end with one of the reader's texts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "ImageLoadSupport.h"
#include "pictures/ImageFile.h"

namespace wirbelix {
namespace {

using testing::Bytes;

const std::set<std::string> kBmpTexts = {
    "Die Datei ist keine BMP-Datei !",   "Beschädigte BMP-Datei !",
    "Das Format der BMP-Datei wird nicht unterstützt !", "Fehler beim Unknown Error",
    "Fehler beim Lesen der BMP-Datei !",
};

TEST(ImageLoadBmp, GoodFilesShowTheirReferencePixels) {
    struct Case {
        const char* file;
        const char* reference;
        std::uint32_t depth;
    } const cases[] = {
        {"pal1", "pal1", 1},      {"pal1bg", "pal1bg", 1},    {"pal1wb", "pal1", 1},
        {"pal4", "pal4", 4},      {"pal4gs", "pal4gs", 4},    {"pal4rle", "pal4", 4},
        {"pal8", "pal8", 8},      {"pal8-0", "pal8", 8},      {"pal8gs", "pal8gs", 8},
        {"pal8os2", "pal8", 8},   {"pal8rle", "pal8", 8},     {"pal8topdown", "pal8", 8},
        {"pal8v4", "pal8", 8},    {"pal8v5", "pal8", 8},      {"pal8w124", "pal8w124", 8},
        {"pal8w125", "pal8w125", 8}, {"pal8w126", "pal8w126", 8}, {"rgb24", "rgb24", 24},
        {"rgb24pal", "rgb24", 24}, {"rgb32", "rgb24", 32},
    };
    for (const Case& c : cases) {
        RasterImage image, reference;
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("bmpsuite/g/") + c.file + ".bmp"), image), 0)
            << c.file << ": " << LastImageError();
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("bmpsuite/reference/") + c.reference + ".png"),
                                reference),
                  0)
            << c.reference;
        EXPECT_EQ(image.bitsPerPixel(), c.depth) << c.file;
        EXPECT_TRUE(testing::SameRgb(image, reference)) << c.file;
    }
}

TEST(ImageLoadBmp, SixteenBitAndBitFieldFilesAreRefused) {
    for (const char* file : {"rgb16", "rgb16-565", "rgb16-565pal", "rgb16bfdef", "rgb32bf", "rgb32bfdef"}) {
        RasterImage image;
        EXPECT_EQ(LoadImageFile(testing::DataPath(std::string("bmpsuite/g/") + file + ".bmp"), image),
                  kImageReaderError)
            << file;
        EXPECT_EQ(LastImageError(), "Das Format der BMP-Datei wird nicht unterstützt !") << file;
    }
}

TEST(ImageLoadBmp, QuestionableAndBadFilesEndWithTheReadersTexts) {
    for (const char* dir : {"q", "b"}) {
        for (const auto& entry : std::filesystem::directory_iterator(testing::DataPath(std::string("bmpsuite/") + dir))) {
            RasterImage image;
            const int result = LoadImageFile(entry.path().string(), image);
            const std::string name = entry.path().filename().string();
            if (result == 0) {
                EXPECT_FALSE(image.empty()) << name;
                continue;
            }
            EXPECT_EQ(result, kImageReaderError) << name;
            EXPECT_TRUE(kBmpTexts.count(LastImageError())) << name << ": " << LastImageError();
        }
    }
}

TEST(ImageLoadBmp, BadFilesGiveTheExpectedTexts) {
    struct Case {
        const char* file;
        const char* text;
    } const cases[] = {
        {"badrle", "Fehler beim Lesen der BMP-Datei !"},     {"badrle4", "Fehler beim Lesen der BMP-Datei !"},
        {"badrlebis", "Fehler beim Lesen der BMP-Datei !"},  {"shortfile", "Fehler beim Lesen der BMP-Datei !"},
        {"badbitcount", "Das Format der BMP-Datei wird nicht unterstützt !"},
        {"badwidth", "Beschädigte BMP-Datei !"},             {"rletopdown", "Beschädigte BMP-Datei !"},
        {"badpalettesize", "Beschädigte BMP-Datei !"},
        // 3 000 000 x 3 000 000: refused before anything is allocated.
        {"reallybig", "Fehler beim Unknown Error"},
    };
    for (const auto& c : cases) {
        RasterImage image;
        EXPECT_EQ(LoadImageFile(testing::DataPath(std::string("bmpsuite/b/") + c.file + ".bmp"), image),
                  kImageReaderError)
            << c.file;
        EXPECT_EQ(LastImageError(), c.text) << c.file;
    }
}

TEST(ImageLoadBmp, EveryCutOfAGoodFileIsARefusalNotACrash) {
    for (const char* file : {"pal8rle", "pal4rle", "rgb24", "pal1"}) {
        const Bytes good = testing::ReadFile(testing::DataPath(std::string("bmpsuite/g/") + file + ".bmp"));
        for (std::size_t cut = 2; cut < good.size(); cut += 37) {
            RasterImage image;
            const Bytes part(good.begin(), good.begin() + std::ptrdiff_t(cut));
            ASSERT_EQ(testing::LoadBytes(part, image), kImageReaderError) << file << " cut at " << cut;
            ASSERT_TRUE(kBmpTexts.count(LastImageError())) << file << " cut at " << cut << ": " << LastImageError();
        }
    }
    // A cut inside the pixels is a read error.
    const Bytes good = testing::ReadFile(testing::DataPath("bmpsuite/g/pal8rle.bmp"));
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(Bytes(good.begin(), good.end() - 10), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Fehler beim Lesen der BMP-Datei !");
}

TEST(ImageLoadBmp, BitmapWithoutFileHeaderReadsLikeTheFile) {
    const Bytes file = testing::ReadFile(testing::DataPath("bmpsuite/g/pal8rle.bmp"));
    RasterImage withHeader, without;
    ASSERT_EQ(testing::LoadBytes(file, withHeader), 0);
    ASSERT_EQ(testing::LoadBytes(Bytes(file.begin() + 14, file.end()), without), 0) << LastImageError();
    EXPECT_TRUE(testing::SameRgb(withHeader, without));
}

TEST(ImageLoadBmp, BitmapWithoutFileHeaderMustHaveAPlausibleSize) {
    const Bytes file = testing::ReadFile(testing::DataPath("bmpsuite/g/pal8.bmp"));
    Bytes dib(file.begin() + 14, file.end());
    dib[4] = 0x40;  // width 0x9C40 = 40000
    dib[5] = 0x9C;
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(dib, image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Die Datei ist keine BMP-Datei !");
}

TEST(ImageLoadBmp, BmWithCharInTheFirstBytesIsReadAsXpm) {
    Bytes file = testing::ReadFile(testing::DataPath("bmpsuite/g/pal8.bmp"));
    std::memcpy(file.data() + 54, "char", 4);  // inside the palette
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(file, image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Unbekantes Format") << "the XPM reader found no values line";
}

}  // namespace
}  // namespace wirbelix
