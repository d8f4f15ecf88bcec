// The readers beside PNG and BMP: JPEG, GIF and TIFF files written here with their libraries,
// files written by Netpbm (tests/data/netpbm), and PNM, icon, XWD, XPM and EPS files built in
// the tests.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#include "ImageLoadSupport.h"
#include "pictures/ImageFile.h"

namespace wirbelix {
namespace {

using testing::Bytes;
using testing::FromText;

// The colour of the smooth test pattern at (x, y), 0xRRGGBB.
std::uint32_t Smooth(std::uint32_t x, std::uint32_t y) { return (x * 8) << 16 | (y * 8) << 8 | 128; }

RasterImage NetpbmPattern() {
    RasterImage image;
    EXPECT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.ppm"), image), 0);
    return image;
}

// ---- JPEG written with libjpeg --------------------------------------------------------------------

struct JpegSink {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
};

std::string WriteJpeg(const std::string& name, bool grey, bool progressive) {
    const std::string path = testing::ScratchPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    JpegSink s;
    s.cinfo.err = jpeg_std_error(&s.err);
    jpeg_create_compress(&s.cinfo);
    jpeg_stdio_dest(&s.cinfo, f);
    s.cinfo.image_width = 24;
    s.cinfo.image_height = 16;
    s.cinfo.input_components = grey ? 1 : 3;
    s.cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, 100, TRUE);
    if (progressive) jpeg_simple_progression(&s.cinfo);
    jpeg_start_compress(&s.cinfo, TRUE);
    jpeg_write_marker(&s.cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>("Wirbelix"), 8);
    std::vector<JSAMPLE> row(24 * 3);
    for (std::uint32_t y = 0; y < 16; ++y) {
        for (std::uint32_t x = 0; x < 24; ++x) {
            const std::uint32_t c = Smooth(x, y);
            if (grey) {
                row[x] = JSAMPLE(x * 8 + y);
            } else {
                row[3 * x] = JSAMPLE(c >> 16);
                row[3 * x + 1] = JSAMPLE(c >> 8);
                row[3 * x + 2] = JSAMPLE(c);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&s.cinfo, &r, 1);
    }
    jpeg_finish_compress(&s.cinfo);
    jpeg_destroy_compress(&s.cinfo);
    std::fclose(f);
    return path;
}

TEST(ImageLoadJpeg, BaselineProgressiveGreyAndColour) {
    struct Case {
        const char* name;
        bool grey, progressive;
    } const cases[] = {{"baseline.jpg", false, false}, {"progressive.jpg", false, true},
                       {"grey.jpg", true, false},      {"grey-progressive.jpg", true, true}};
    for (const auto& c : cases) {
        RasterImage image;
        std::string text;
        ASSERT_EQ(LoadImageFile(WriteJpeg(c.name, c.grey, c.progressive), image, &text), 0)
            << c.name << ": " << LastImageError();
        EXPECT_EQ(text, "Wirbelix") << "the comment marker";
        EXPECT_EQ(image.bitsPerPixel(), c.grey ? 8u : 24u) << c.name;
        ASSERT_EQ(image.width(), 24u);
        ASSERT_EQ(image.height(), 16u);
        int worst = 0;
        for (std::uint32_t y = 0; y < 16; ++y)
            for (std::uint32_t x = 0; x < 24; ++x) {
                const std::uint32_t want = c.grey ? (x * 8 + y) * 0x010101u : Smooth(x, y);
                const std::uint32_t got = testing::Rgb(image, x, y);
                for (int s = 0; s < 24; s += 8)
                    worst = std::max(worst, std::abs(int((want >> s) & 255) - int((got >> s) & 255)));
            }
        EXPECT_LE(worst, 6) << c.name;
    }
}

TEST(ImageLoadJpeg, NetpbmFilesAndCutFiles) {
    // Netpbm's own decodings of its files are the reference.
    for (const char* file : {"pattern", "progressive"}) {
        RasterImage image, reference;
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("netpbm/") + file + ".jpg"), image), 0) << file;
        ASSERT_EQ(LoadImageFile(testing::DataPath(std::string("netpbm/") + file + "-jpg.ppm"), reference), 0);
        EXPECT_TRUE(testing::SameRgb(image, reference, 1)) << file;
    }
    const Bytes good = testing::ReadFile(WriteJpeg("cut.jpg", false, false));
    for (std::size_t cut : {std::size_t(3), std::size_t(100), good.size() / 2, good.size() - 2}) {
        RasterImage image;
        EXPECT_EQ(testing::LoadBytes(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut)), image),
                  kImageReaderError)
            << cut;
        EXPECT_TRUE(LastImageError().starts_with("Fehler ") && LastImageError().ends_with(" beim Laden der Jpeg Datei"))
            << cut << ": " << LastImageError();
    }
}

// ---- GIF written with giflib --------------------------------------------------------------------

int WriteToFile(GifFileType* gif, const GifByteType* data, int length) {
    return int(std::fwrite(data, 1, std::size_t(length), static_cast<std::FILE*>(gif->UserData)));
}

// A 5 x 3 picture with four colours in two frames; index 3 is transparent when asked.
std::string WriteGif(const std::string& name, bool transparent, bool interlace) {
    const std::string path = testing::ScratchPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    int error = 0;
    GifFileType* gif = EGifOpen(f, WriteToFile, &error);
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 5, 3, 2, 0, map);
    for (int frame = 0; frame < 2; ++frame) {
        if (transparent) {
            GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 10, 3};
            GifByteType ext[4];
            const std::size_t n = EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        }
        EGifPutImageDesc(gif, 0, 0, 5, 3, interlace, nullptr);
        // Interlaced rows are stored in pass order: 0, then 2, then 1 for three rows.
        for (int y : interlace ? std::vector<int>{0, 2, 1} : std::vector<int>{0, 1, 2}) {
            GifPixelType line[5];
            for (int x = 0; x < 5; ++x) line[x] = GifPixelType((x + y + frame) % 4);
            EGifPutLine(gif, line, 5);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    std::fclose(f);
    return path;
}

TEST(ImageLoadGif, FirstPictureWithItsColoursTransparencyAndTheCount) {
    const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (bool interlace : {false, true}) {
        RasterImage image;
        ASSERT_EQ(LoadImageFile(WriteGif("plain.gif", false, interlace), image), 0) << LastImageError();
        EXPECT_EQ(LastImageCount(), 2);
        ASSERT_EQ(image.bitsPerPixel(), 8u);
        for (std::uint32_t y = 0; y < 3; ++y)
            for (std::uint32_t x = 0; x < 5; ++x) EXPECT_EQ(testing::Rgb(image, x, y), colours[(x + y) % 4]);

        ASSERT_EQ(LoadImageFile(WriteGif("transparent.gif", true, interlace), image), 0) << LastImageError();
        ASSERT_EQ(image.bitsPerPixel(), 32u) << "the transparent index is used";
        EXPECT_EQ(image.GetPixel(3, 0), 0x00FFFFFFu);
        EXPECT_EQ(image.GetPixel(0, 0), 0xFFFF0000u);
    }
    // A later format resets the count.
    RasterImage other;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.ppm"), other), 0);
    EXPECT_EQ(LastImageCount(), -1);
}

TEST(ImageLoadGif, NetpbmFilesAndCutFiles) {
    const RasterImage pattern = NetpbmPattern();
    for (const char* file : {"netpbm/pattern.gif", "netpbm/interlaced.gif"}) {
        RasterImage image;
        ASSERT_EQ(LoadImageFile(testing::DataPath(file), image), 0) << file;
        EXPECT_TRUE(testing::SameRgb(image, pattern)) << file;
        EXPECT_EQ(LastImageCount(), 1);
    }
    const Bytes good = testing::ReadFile(testing::DataPath("netpbm/pattern.gif"));
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(Bytes(good.begin(), good.begin() + 8), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Error reading from GIF file");
    EXPECT_EQ(testing::LoadBytes(Bytes(good.begin(), good.end() - 30), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Error reading from GIF file");
    EXPECT_EQ(testing::LoadBytes(FromText(std::string_view("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14)), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "No more images in the GIF stream");
}

// ---- TIFF written with libtiff ---------------------------------------------------------------------

std::string WriteTiff(const std::string& name, bool alpha, std::uint16_t compression) {
    const std::string path = testing::ScratchPath(name);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    const std::uint16_t samples = alpha ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 6);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 4);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
    TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, "Rotor");
    if (alpha) {
        const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::uint8_t row[6 * 4];
    for (std::uint32_t y = 0; y < 4; ++y) {
        for (std::uint32_t x = 0; x < 6; ++x) {
            const std::uint32_t c = Smooth(x, y);
            std::uint8_t* p = row + x * samples;
            p[0] = std::uint8_t(c >> 16);
            p[1] = std::uint8_t(c >> 8);
            p[2] = std::uint8_t(c);
            if (alpha) p[3] = std::uint8_t(55 + x * 40);
        }
        TIFFWriteScanline(tif, row, y, 0);
    }
    TIFFClose(tif);
    return path;
}

TEST(ImageLoadTiff, RgbAndRgbaInTheCompressionsLibtiffReads) {
    for (std::uint16_t compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
        for (bool alpha : {false, true}) {
            RasterImage image;
            std::string text;
            ASSERT_EQ(LoadImageFile(WriteTiff("picture.tif", alpha, compression), image, &text), 0)
                << compression << ": " << LastImageError();
            EXPECT_EQ(text, "Rotor");
            ASSERT_EQ(image.bitsPerPixel(), alpha ? 32u : 24u);
            for (std::uint32_t y = 0; y < 4; ++y)
                for (std::uint32_t x = 0; x < 6; ++x) {
                    if (!alpha) {
                        ASSERT_EQ(testing::Rgb(image, x, y), Smooth(x, y)) << x << ", " << y;
                        continue;
                    }
                    // Colours pass through libtiff's multiplication by alpha and back.
                    const std::uint32_t got = image.GetPixel(x, y), want = Smooth(x, y);
                    ASSERT_EQ(got >> 24, 55 + x * 40);
                    for (int s = 0; s < 24; s += 8)
                        ASSERT_NEAR(int((got >> s) & 255), int((want >> s) & 255), 3) << x << ", " << y;
                }
        }
    }
}

TEST(ImageLoadTiff, NetpbmFilesAndDamagedFiles) {
    const RasterImage pattern = NetpbmPattern();
    for (const char* file : {"netpbm/pattern.tif", "netpbm/lzw.tif"}) {
        RasterImage image;
        ASSERT_EQ(LoadImageFile(testing::DataPath(file), image), 0) << file;
        EXPECT_TRUE(testing::SameRgb(image, pattern)) << file;
    }
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(FromText("II*\x01garbage"), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Falscher Header");
    const Bytes good = testing::ReadFile(testing::DataPath("netpbm/lzw.tif"));
    EXPECT_EQ(testing::LoadBytes(Bytes(good.begin(), good.begin() + 200), image), kImageReaderError);
    EXPECT_FALSE(LastImageError().empty());
    // Netpbm puts the strip (bytes 8 to 49) before the directory: damaged LZW data.
    Bytes damaged = good;
    for (std::size_t i = 12; i < 48; ++i) damaged[i] = 0xFF;
    EXPECT_EQ(testing::LoadBytes(damaged, image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Fehler beim Lesen");
}

// ---- PNM ------------------------------------------------------------------------------------

TEST(ImageLoadPnm, AllSixKinds) {
    struct Case {
        const char* what;
        std::string file;
        std::uint32_t depth;
        std::uint32_t first, last;  // colours of pixels (0, 0) and (1, 1)
    } const cases[] = {
        {"P1", "P1\n# comment\n2 2\n1 0\n0 1\n", 1, 0x000000, 0x000000},
        {"P1 packed digits", "P1 2 2 1001", 1, 0x000000, 0x000000},
        {"P2", "P2 2 2 15 0 5\n10 15\n", 8, 0x000000, 0xFFFFFF},
        {"P3", "P3 2 2 255 255 0 0  0 255 0\n 0 0 255  1 2 3\n", 24, 0xFF0000, 0x010203},
        {"P3 maximum 65535", "P3 2 2 65535 65535 0 0 0 0 0 0 0 0 0 0 65535\n", 24, 0xFF0000, 0x0000FF},
        {"P4", std::string("P4 2 2\n\x80\x40", 9), 1, 0x000000, 0x000000},
        {"P5", std::string("P5 2 2 255\n\x00\x10\x20\xFF", 15), 8, 0x000000, 0xFFFFFF},
        {"P6", std::string("P6 2 2 255\n\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x01\x02\x03", 23), 24, 0xFF0000,
         0x010203},
        {"P6 16-bit", std::string("P6 1 1 65535\n\xFF\xFF\x00\x00\x80\x00", 19), 24, 0xFF0080, 0xFF0080},
    };
    for (const auto& c : cases) {
        RasterImage image;
        ASSERT_EQ(testing::LoadBytes(Bytes(c.file.begin(), c.file.end()), image), 0) << c.what << ": " << LastImageError();
        EXPECT_EQ(image.bitsPerPixel(), c.depth) << c.what;
        EXPECT_EQ(testing::Rgb(image, 0, 0), c.first) << c.what;
        const std::uint32_t last = image.width() > 1 ? 1 : 0;
        EXPECT_EQ(testing::Rgb(image, last, last), c.last) << c.what;
    }
}

TEST(ImageLoadPnm, NetpbmFilesMatchThePattern) {
    const RasterImage pattern = NetpbmPattern();
    RasterImage plain, grey, plainGrey, bits, plainBits;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/plain.ppm"), plain), 0);
    EXPECT_TRUE(testing::SameRgb(plain, pattern));
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.pgm"), grey), 0);
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/plain.pgm"), plainGrey), 0);
    EXPECT_TRUE(testing::SameRgb(grey, plainGrey));
    EXPECT_EQ(testing::Rgb(grey, 1, 0), 37u * 0x010101u);
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.pbm"), bits), 0);
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/plain.pbm"), plainBits), 0);
    EXPECT_TRUE(testing::SameRgb(bits, plainBits));
}

TEST(ImageLoadPnm, DamagedFiles) {
    struct Case {
        std::string file;
        const char* text;
    } const cases[] = {
        {"P6 2 2 255\n\x01\x02", "Fehler beim Lesen der PNM-Datei !"},
        {"P3 2 2 255 1 2 3", "Fehler beim Lesen der PNM-Datei !"},
        {"P3 1 1 255 1 x 3", "Fehler beim Lesen der PNM-Datei !"},
        {"P1 2 2 1 0 2", "Fehler beim Lesen der PNM-Datei !"},
        {"P6 2", "Fehler beim Lesen der PNM-Datei !"},
        {"P6 2 2 0\n", "Beschädigte PNM-Datei !"},
        {"P6 2 2 65536\n", "Beschädigte PNM-Datei !"},
        {"P6 -2 2 255\n", "Beschädigte PNM-Datei !"},
        {"P6 2x 2 255\n", "Beschädigte PNM-Datei !"},
        {"P6 99999999999 2 255\n", "Beschädigte PNM-Datei !"},
        {"P5 0 2 255\n", "Beschädigte PNM-Datei !"},
        {"P5 2 2 255", "Fehler beim Lesen der PNM-Datei !"},
    };
    for (const auto& c : cases) {
        RasterImage image;
        EXPECT_EQ(testing::LoadBytes(Bytes(c.file.begin(), c.file.end()), image), kImageReaderError) << c.file;
        EXPECT_EQ(LastImageError(), c.text) << c.file;
    }
}

// ---- Icons and cursors ----------------------------------------------------------------------------

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// The bitmap of one icon picture: 40-byte header with doubled height, colour rows, mask rows.
Bytes IconBitmap(std::uint32_t w, std::uint32_t h, std::uint32_t bits, std::uint32_t colour,
                 const std::vector<bool>& transparent /* row-major, top row first */) {
    Bytes b;
    Put32(b, 40);
    Put32(b, w);
    Put32(b, 2 * h);
    Put16(b, 1);
    Put16(b, bits);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    const std::uint32_t stride = (w * bits / 8 + 3) & ~3u;
    for (std::uint32_t y = 0; y < h; ++y) {
        Bytes row(stride, 0);
        for (std::uint32_t x = 0; x < w; ++x)
            for (std::uint32_t k = 0; k < bits / 8; ++k) row[x * bits / 8 + k] = std::uint8_t(colour >> (8 * k));
        b.insert(b.end(), row.begin(), row.end());
    }
    const std::uint32_t maskStride = (w + 31) / 32 * 4;
    for (std::uint32_t yb = 0; yb < h; ++yb) {  // bottom row first
        Bytes row(maskStride, 0);
        for (std::uint32_t x = 0; x < w; ++x)
            if (transparent[(h - 1 - yb) * w + x]) row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes IconFile(std::uint16_t type, const std::vector<std::pair<std::pair<int, int>, Bytes>>& pictures) {
    Bytes f;
    Put16(f, 0);
    Put16(f, type);
    Put16(f, std::uint32_t(pictures.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(pictures.size());
    for (const auto& [size, bitmap] : pictures) {
        f.push_back(std::uint8_t(size.first));
        f.push_back(std::uint8_t(size.second));
        f.push_back(0);
        f.push_back(0);
        Put16(f, type == 1 ? 1 : 3);  // planes, or the cursor's hot spot
        Put16(f, type == 1 ? 24 : 4);
        Put32(f, std::uint32_t(bitmap.size()));
        Put32(f, offset);
        offset += std::uint32_t(bitmap.size());
    }
    for (const auto& p : pictures) f.insert(f.end(), p.second.begin(), p.second.end());
    return f;
}

TEST(ImageLoadIcon, LargestPictureWithItsMaskAsAlpha) {
    const std::vector<bool> small(4, false);
    std::vector<bool> large(3 * 2, false);
    large[0] = true;  // top-left transparent
    large[5] = true;  // bottom-right transparent
    for (std::uint16_t type : {std::uint16_t(1), std::uint16_t(2)}) {
        const Bytes file = IconFile(type, {{{2, 2}, IconBitmap(2, 2, 24, 0x0000FF, small)},
                                           {{3, 2}, IconBitmap(3, 2, 24, 0x123456, large)}});
        RasterImage image;
        ASSERT_EQ(testing::LoadBytes(file, image), 0) << LastImageError();
        ASSERT_EQ(image.bitsPerPixel(), 32u);
        ASSERT_EQ(image.width(), 3u);
        ASSERT_EQ(image.height(), 2u);
        EXPECT_EQ(image.GetPixel(0, 0), 0x00123456u);
        EXPECT_EQ(image.GetPixel(1, 0), 0xFF123456u);
        EXPECT_EQ(image.GetPixel(2, 1), 0x00123456u);
        EXPECT_EQ(image.GetPixel(0, 1), 0xFF123456u);
    }
    // A 32-bit picture with alpha bytes keeps its own alpha.
    Bytes bitmap = IconBitmap(2, 1, 32, 0x80FFFFFF, {false, true});
    RasterImage image;
    ASSERT_EQ(testing::LoadBytes(IconFile(1, {{{2, 1}, bitmap}}), image), 0) << LastImageError();
    EXPECT_EQ(image.GetPixel(1, 0), 0x80FFFFFFu);
}

TEST(ImageLoadIcon, NetpbmIconAndDamagedFiles) {
    RasterImage image;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.ico"), image), 0);
    EXPECT_TRUE(testing::SameRgb(image, NetpbmPattern()));
    EXPECT_EQ(image.AlphaKind(), 1);

    const Bytes good = IconFile(1, {{{2, 2}, IconBitmap(2, 2, 24, 0x0000FF, std::vector<bool>(4, false))}});
    Bytes compressed = good;
    compressed[6 + 16 + 16] = 1;  // RLE8
    Bytes noPictures = good;
    noPictures[4] = 0;
    Bytes beyond = good;
    beyond[6 + 12] = 0xF0;  // offset far past the end
    struct Case {
        const char* what;
        Bytes file;
        const char* text;
    } const cases[] = {
        {"cut directory", Bytes(good.begin(), good.begin() + 12), "Fehler beim lesen aus der Datei !"},
        {"cut bitmap", Bytes(good.begin(), good.end() - 20), "Fehler beim lesen aus der Datei !"},
        {"compressed", compressed, "Komprimierte Icons werden nicht unterstützt !"},
        {"offset beyond the file", beyond, "Fehler beim lesen aus der Datei !"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(testing::LoadBytes(c.file, image), kImageReaderError) << c.what;
        EXPECT_EQ(LastImageError(), c.text) << c.what;
    }
    // A count of 0 is not an icon file by the detection rules.
    EXPECT_EQ(testing::LoadBytes(noPictures, image), kImageUnknownFormat);
}

// ---- XWD ------------------------------------------------------------------------------------

TEST(ImageLoadXwd, PseudoColourAndTrueColourDumps) {
    const RasterImage pattern = NetpbmPattern();
    for (const char* file : {"netpbm/pattern.xwd", "netpbm/direct.xwd"}) {
        RasterImage image;
        ASSERT_EQ(LoadImageFile(testing::DataPath(file), image), 0) << file << ": " << LastImageError();
        EXPECT_TRUE(testing::SameRgb(image, pattern)) << file;
    }
    RasterImage grey;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/grey.xwd"), grey), 0);
    EXPECT_EQ(grey.bitsPerPixel(), 8u);
}

// A 2 x 1 32-bit dump, least significant byte first, masks of the usual 8-8-8 layout.
Bytes XwdDump(std::uint32_t byteOrder, std::uint32_t bytesPerLine, std::uint32_t version = 7) {
    Bytes b;
    auto be = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) b.push_back(std::uint8_t(v >> s));
    };
    const std::uint32_t fields[25] = {104, version, 2, 24, 2, 1, 0, byteOrder, 32, 0, 32, 32, bytesPerLine,
                                      4,   0xFF0000, 0xFF00, 0xFF, 8, 256, 0, 2, 1, 0, 0, 0};
    for (std::uint32_t f : fields) be(f);
    for (char c : std::string("win\0", 4)) b.push_back(std::uint8_t(c));
    const std::uint32_t pixels[2] = {0x00112233, 0x00AABBCC};
    for (std::uint32_t p : pixels)
        for (int k = 0; k < 4; ++k) b.push_back(std::uint8_t(p >> (8 * (byteOrder == 1 ? 3 - k : k))));
    while (b.size() < 104 + bytesPerLine) b.push_back(0);
    return b;
}

TEST(ImageLoadXwd, ByteOrdersWindowNameAndErrors) {
    for (std::uint32_t order : {0u, 1u}) {
        RasterImage image;
        std::string text;
        ImageStream s;
        const Bytes dump = XwdDump(order, 8);
        s.OpenMemory(dump);
        ASSERT_EQ(LoadImageFile(s, image, &text), 0) << LastImageError();
        EXPECT_EQ(text, "win");
        EXPECT_EQ(image.GetPixel(0, 0), 0x112233u);
        EXPECT_EQ(image.GetPixel(1, 0), 0xAABBCCu);
    }
    RasterImage image;
    const Bytes dump = XwdDump(0, 8);
    EXPECT_EQ(testing::LoadBytes(Bytes(dump.begin(), dump.end() - 1), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Fehler beim Lesen der XWD-Datei !");
    EXPECT_EQ(testing::LoadBytes(XwdDump(0, 4), image), kImageReaderError) << "lines shorter than the pixels";
    EXPECT_EQ(LastImageError(), "Die Datei ist keine XWD-Datei !");
    EXPECT_EQ(testing::LoadBytes(XwdDump(0, 8, 6), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Die Datei ist keine XWD-Datei !");
}

// ---- XPM ------------------------------------------------------------------------------------

TEST(ImageLoadXpm, ColoursByHexValueNameAndNone) {
    const char* xpm = R"(/* XPM */
static char * rotor_xpm[] = {
/* width height colours chars */
"3 2 4 2",
"a  c #FF0000",
"b  c Dark Slate Gray",
"c  s mask c None",
".. c #00f m white",
/* pixels */
"a b ..",
"c a b "};
)";
    RasterImage image;
    ASSERT_EQ(testing::LoadBytes(FromText(xpm), image), 0) << LastImageError();
    ASSERT_EQ(image.bitsPerPixel(), 32u) << "a used transparent colour";
    EXPECT_EQ(image.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(image.GetPixel(1, 0), 0xFF2F4F4Fu);
    EXPECT_EQ(image.GetPixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(image.GetPixel(0, 1) >> 24, 0u);

    RasterImage netpbm;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.xpm"), netpbm), 0) << LastImageError();
    EXPECT_TRUE(testing::SameRgb(netpbm, NetpbmPattern()));
    EXPECT_EQ(netpbm.bitsPerPixel(), 8u);
}

TEST(ImageLoadXpm, ErrorsHaveTheirTexts) {
    struct Case {
        const char* what;
        const char* file;
        const char* text;
    } const cases[] = {
        {"no values", "/* XPM */ static char *x[] = {\"3 2\"};", "Unbekantes Format"},
        {"no strings", "/* XPM */ static char *x[] = {};", "Unbekantes Format"},
        {"colour lines missing", "/* XPM */ {\"1 1 2 1\", \"a c red\"};", "Fehler beim Lesen aus der Datei"},
        {"pixel key undefined", "/* XPM */ {\"2 1 1 1\", \"a c red\", \"ab\"};", "Zu wenige Farben definiert"},
        {"too many colours", "/* XPM */ {\"2 1 300 1\", \"a c red\"};", "Zu viele Farben definiert"},
        {"unknown colour", "/* XPM */ {\"1 1 1 1\", \"a c octarine\", \"a\"};", "Nicht unterstütztes Farbformat"},
        {"short row", "/* XPM */ {\"3 1 1 1\", \"a c red\", \"aa\"};", "Fehler in der Datei"},
        {"rows missing", "/* XPM */ {\"1 2 1 1\", \"a c red\", \"a\"};", "Fehler beim Lesen aus der Datei"},
        {"unterminated string", "/* XPM */ {\"1 1 1 1\", \"a c red\", \"a", "Fehler beim Lesen aus der Datei"},
    };
    for (const auto& c : cases) {
        RasterImage image;
        EXPECT_EQ(testing::LoadBytes(FromText(c.file), image), kImageReaderError) << c.what;
        EXPECT_EQ(LastImageError(), c.text) << c.what;
    }
}

// ---- EPS and TLS ----------------------------------------------------------------------------

TEST(ImageLoadEps, PreviewsAreShownOtherEpsRefused) {
    RasterImage image, bits;
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.epsi"), image), 0) << LastImageError();
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.pbm"), bits), 0);
    EXPECT_TRUE(testing::SameRgb(image, bits));

    // A binary EPS whose TIFF preview is Netpbm's grey TIFF.
    const Bytes tiff = testing::ReadFile(testing::DataPath("netpbm/grey.tif"));
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 7 5\nshowpage\n";
    Bytes eps;
    for (std::uint32_t v : {0xC6D3D0C5u, 30u, std::uint32_t(ps.size()), 0u, 0u, std::uint32_t(30 + ps.size()),
                            std::uint32_t(tiff.size())})
        Put32(eps, v);
    Put16(eps, 0xFFFF);
    eps.insert(eps.end(), ps.begin(), ps.end());
    eps.insert(eps.end(), tiff.begin(), tiff.end());
    RasterImage preview, grey;
    ASSERT_EQ(testing::LoadBytes(eps, preview), 0) << LastImageError();
    ASSERT_EQ(LoadImageFile(testing::DataPath("netpbm/pattern.pgm"), grey), 0);
    EXPECT_TRUE(testing::SameRgb(preview, grey));

    EXPECT_EQ(testing::LoadBytes(Bytes(eps.begin(), eps.end() - 10), preview), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Fehler beim Lesen der EPS-Datei !");
    EXPECT_EQ(testing::LoadBytes(FromText("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 7 5\nshowpage\n"), preview),
              kImageReaderError);
    EXPECT_EQ(LastImageError(), "Das Format der EPS-Datei wird nicht unterstützt !");
    EXPECT_EQ(testing::LoadBytes(FromText("%!PS\n%%BeginPreview: 8 2 1 1\n% FF\n"), preview), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Fehler beim Lesen der EPS-Datei !");
}

TEST(ImageLoadTls, SequencesAreRefusedWithTheirOwnText) {
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(FromText("TLSP\x01\x02\x03\x04 picture sequence"), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Das Bild wurde in der Sequenz nicht gefunden !");
}

}  // namespace
}  // namespace wirbelix
