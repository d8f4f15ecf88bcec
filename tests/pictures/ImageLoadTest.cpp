// LoadImageFile itself: format detection, result codes and texts, the stream, the exception
// texts and the progress abort.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageLoadSupport.h"
#include "pictures/GraphicsException.h"
#include "pictures/ImageFile.h"
#include "pictures/ImageStream.h"
#include "platform/ResourceTable.h"

namespace wirbelix {
namespace {

using testing::Bytes;
using testing::FromText;
using namespace std::string_view_literals;

Bytes WithBytes(std::initializer_list<std::pair<std::size_t, std::uint8_t>> at, std::string_view text = {}) {
    Bytes b(64, 0);
    if (!text.empty()) std::memcpy(b.data(), text.data(), text.size());
    for (auto [i, v] : at) b[i] = v;
    return b;
}

// Each rule of the detection, and the order in which a later rule replaces an earlier one.
TEST(ImageLoadDetect, RulesInTheirOrder) {
    struct Case {
        const char* what;
        Bytes start;
        ImageFormat format;
    };
    const Case cases[] = {
        {"info header 40", WithBytes({{0, 40}, {4, 16}, {8, 16}}), ImageFormat::Bmp},
        {"info header 40, byte 7 set", WithBytes({{0, 40}, {7, 1}}), ImageFormat::Unknown},
        {"icon", WithBytes({{2, 1}, {4, 3}}), ImageFormat::Icon},
        {"cursor", WithBytes({{2, 2}, {4, 32}}), ImageFormat::Icon},
        {"icon count 33", WithBytes({{2, 1}, {4, 33}}), ImageFormat::Unknown},
        {"icon count 0", WithBytes({{2, 1}, {4, 0}}), ImageFormat::Unknown},
        {"TIFF II", FromText("II*\0"), ImageFormat::Tiff},
        {"TIFF MM", FromText("MM\0*"sv), ImageFormat::Tiff},
        {"GIF87a", FromText("GIF87a"), ImageFormat::Gif},
        {"GIF89a", FromText("GIF89a"), ImageFormat::Gif},
        {"GIF90a", FromText("GIF90a"), ImageFormat::Unknown},
        {"PNG", FromText("\x89PNG\r\n"), ImageFormat::Png},
        {"BM", FromText("BM"), ImageFormat::Bmp},
        {"TLSP", FromText("TLSP"), ImageFormat::Tls},
        {"JFIF inside", FromText("\xFF\xE0\0\x10JFIF"sv), ImageFormat::Jpeg},
        {"JPEG SOI", FromText("\xFF\xD8\xFF"), ImageFormat::Jpeg},
        {"JPEG DB", FromText("\xFF\xDB"), ImageFormat::Jpeg},
        {"XPM comment", FromText("/* XPM */"), ImageFormat::Xpm},
        {"char", FromText("static char *x[]"), ImageFormat::Xpm},
        {"EPS", FromText("%!PS-Adobe-3.0 EPSF-3.0"), ImageFormat::Eps},
        {"binary EPS", FromText("\xC5\xD0\xD3\xC6"), ImageFormat::Eps},
        {"PNM P1", FromText("P1\n"), ImageFormat::Pnm},
        {"PNM P6", FromText("P6\n"), ImageFormat::Pnm},
        {"PNM P7", FromText("P7\n"), ImageFormat::Unknown},
        {"XWD", WithBytes({{3, 100}, {7, 7}}), ImageFormat::Xwd},
        {"XWD X10", WithBytes({{3, 100}, {7, 6}}), ImageFormat::Xwd},
        {"XWD needs zero bytes, not blanks", WithBytes({{4, ' '}, {5, ' '}, {6, ' '}, {7, 7}}, "abcd"),
         ImageFormat::Unknown},
        // A later test wins.
        {"BM with char is XPM", FromText("BM char"), ImageFormat::Xpm},
        {"PNG with JFIF is JPEG", FromText("\x89PNG JFIF"), ImageFormat::Jpeg},
        {"JFIF text starting P3 is PNM", FromText("P3 JFIF"), ImageFormat::Pnm},
        {"TIFF with a version word 7 is XWD", WithBytes({{7, 7}}, "II*"), ImageFormat::Xwd},
        {"zero bytes do not end the text search", WithBytes({{0, 'B'}, {1, 'M'}, {40, 'X'}, {41, 'P'}, {42, 'M'}}),
         ImageFormat::Xpm},
        {"text", FromText("hello, world"), ImageFormat::Unknown},
        {"empty", Bytes{}, ImageFormat::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectImageFormat(c.start), c.format) << c.what;
}

TEST(ImageLoadResult, CannotOpenAndUnknownFormatHaveTheirTexts) {
    RasterImage image;
    EXPECT_EQ(LoadImageFile(testing::ScratchPath("does-not-exist.png"), image), kImageCannotOpen);
    EXPECT_EQ(LastImageError(), "Kann Datei nicht öffnen.");
    EXPECT_EQ(LoadImageFile(testing::ScratchPath(""), image), kImageCannotOpen) << "a directory is no picture";

    const std::string text = testing::ScratchPath("note.txt");
    testing::WriteFile(text, FromText("Dies ist kein Bild, nur ein Text.\n"));
    EXPECT_EQ(LoadImageFile(text, image), kImageUnknownFormat);
    EXPECT_EQ(LastImageError(), "Unbekanntes Datei Format.");

    const std::string empty = testing::ScratchPath("empty.bin");
    testing::WriteFile(empty, {});
    EXPECT_EQ(LoadImageFile(empty, image), kImageUnknownFormat);
}

TEST(ImageLoadResult, SuccessClearsTheTextAndReaderErrorsGiveMinusOne) {
    RasterImage image;
    EXPECT_EQ(testing::LoadBytes(FromText("TLSP and nothing else"), image), kImageReaderError);
    EXPECT_EQ(LastImageError(), "Das Bild wurde in der Sequenz nicht gefunden !");
    EXPECT_EQ(testing::LoadBytes(FromText("P2 2 1 255 0 255\n"), image), kImageOk);
    EXPECT_EQ(LastImageError(), "");
    EXPECT_EQ(LastImageCount(), -1);
}

TEST(ImageLoadResult, KindsOfReaderExceptionsMapToTheirResults) {
    RasterImage image;
    // PNM is used because its header makes each failure easy to write.
    struct Case {
        const char* file;
        int result;
        const char* text;
    } const cases[] = {
        {"P5 40000 1 255\n", kImageTooLarge, "Das Bild ist zu groß"},
        {"P5 0 1 255\n", kImageReaderError, "Beschädigte PNM-Datei !"},
        {"P5 2 2 255\n\x01\x02\x03", kImageReaderError, "Fehler beim Lesen der PNM-Datei !"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(testing::LoadBytes(FromText(c.file), image), c.result) << c.file;
        EXPECT_EQ(LastImageError(), c.text) << c.file;
    }
}

TEST(ImageLoadResult, ProgressAbortStopsTheReaderWithItsText) {
    RasterImage image;
    int calls = 0;
    image.SetProgressCallback(
        [](void* user, int, bool& abort) {
            ++*static_cast<int*>(user);
            abort = true;
        },
        &calls);
    for (const char* file : {"pngsuite/basn2c08.png", "bmpsuite/g/pal8rle.bmp", "netpbm/pattern.jpg",
                             "netpbm/pattern.gif", "netpbm/pattern.tif", "netpbm/pattern.ppm", "netpbm/pattern.ico",
                             "netpbm/pattern.xpm", "netpbm/pattern.xwd", "netpbm/pattern.epsi"}) {
        calls = 0;
        EXPECT_EQ(LoadImageFile(testing::DataPath(file), image), kImageReaderError) << file;
        EXPECT_EQ(LastImageError(), "Benutzer Abbruch") << file;
        EXPECT_EQ(calls, 1) << file;
    }
}

TEST(ImageLoadResult, ReadersOpeningByNameThrowTheirOpenErrors) {
    struct Case {
        ImageFormat format;
        const char* text;
    } const cases[] = {
        {ImageFormat::Bmp, "Fehler beim Öffnen der BMP-Datei !"},
        {ImageFormat::Png, "Kann Datei nicht öffnen."},
        {ImageFormat::Jpeg, "Fehler beim Öffnen der Datei !"},
        {ImageFormat::Gif, "Fehler beim Öffnen der Datei"},
        {ImageFormat::Tiff, "Fehler beim Öffnen der Datei"},
        {ImageFormat::Pnm, "Fehler beim Öffnen der PNM-Datei !"},
        {ImageFormat::Icon, "Datei konnte nicht geöffnet werden !"},
        {ImageFormat::Xwd, "Fehler beim Öffnen der XWD-Datei !"},
        {ImageFormat::Xpm, "Fehler beim Öffnen der Datei"},
        {ImageFormat::Eps, "Fehler beim Öffnen der EPS-Datei !"},
        {ImageFormat::Tls, "Fehler beim Öffnen der TLS-Datei !"},
    };
    for (const auto& c : cases) {
        RasterImage image;
        try {
            MakeImageReader(c.format)->ReadFile(testing::ScratchPath("missing-picture"), image);
            ADD_FAILURE() << c.text;
        } catch (const EGraphicsException& e) {
            EXPECT_EQ(e.text(), c.text);
            EXPECT_EQ(e.kind(), 0);
        }
    }
    // Opened by name, a reader reads like the loader.
    RasterImage image;
    MakeImageReader(ImageFormat::Bmp)->ReadFile(testing::DataPath("bmpsuite/g/pal8rle.bmp"), image);
    EXPECT_EQ(image.bitsPerPixel(), 8u);
}

TEST(ImageLoadResource, NamesSplitIntoTypeAndNumberOrName) {
    struct Case {
        const char* name;
        bool ok;
        const char* type;
        int number;
        const char* item;
    } const cases[] = {
        {"res://bitmap/153", true, "BITMAP", 153, ""},
        {"RES:\\\\Bitmap\\154", true, "BITMAP", 154, ""},
        {"Res:/\\ICON/main", true, "ICON", 0, "main"},
        {"res://cursor/0x10", true, "CURSOR", 16, ""},
        {"res://html/0", true, "HTML", 0, "0"},
        {"res://2/153", true, "BITMAP", 153, ""},
        {"res://10/data", true, "#10", 0, "data"},
        {"res://WAVE/TICK", false, "", 0, ""},
        {"res://bitmap/", false, "", 0, ""},
        {"res:/bitmap/153", false, "", 0, ""},
        {"bitmap/153", false, "", 0, ""},
    };
    for (const auto& c : cases) {
        ResourceName r;
        ASSERT_EQ(ParseResourceName(c.name, r), c.ok) << c.name;
        if (!c.ok) continue;
        EXPECT_EQ(r.type, c.type) << c.name;
        EXPECT_EQ(r.number, c.number) << c.name;
        EXPECT_EQ(r.name, c.item) << c.name;
    }
}

TEST(ImageLoadResource, BuiltInBitmapsReadThroughTheBmpReader) {
    RasterImage image;
    struct Case {
        int number;
        std::uint32_t depth, width, height;
    } const cases[] = {{153, 8, 1024, 1024}, {154, 32, 118, 450}};
    for (const auto& c : cases) {
        const std::string name = "res://bitmap/" + std::to_string(c.number);
        ASSERT_FALSE(FindResource("BITMAP", c.number).empty()) << "the program ships " << name;
        ASSERT_EQ(LoadImageFile(name, image), kImageOk) << name << ": " << LastImageError();
        EXPECT_EQ(image.bitsPerPixel(), c.depth);
        EXPECT_EQ(image.width(), c.width);
        EXPECT_EQ(image.height(), c.height);
    }
    EXPECT_EQ(LoadImageFile("res://bitmap/9999", image), kImageCannotOpen);
}

TEST(ImageLoadStream, ReadsAndSeeksAcrossTheBufferOfAFile) {
    Bytes bytes(3 * kImageStreamBuffer + 123);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7 + i / 251);
    const std::string path = testing::ScratchPath("stream.bin");
    testing::WriteFile(path, bytes);

    ImageStream s;
    ASSERT_TRUE(s.Open(path));
    EXPECT_EQ(s.Size(), bytes.size());
    Bytes got(bytes.size() + 10);
    // Odd-sized pieces, one byte reads and a large read that bypasses the buffer.
    std::size_t pos = 0;
    for (std::size_t piece : {std::size_t(5), kImageStreamBuffer - 3, std::size_t(1), 2 * kImageStreamBuffer})
        pos += s.Read(got.data() + pos, piece);
    while (true) {
        const int c = s.ReadByte();
        if (c < 0) break;
        got[pos++] = std::uint8_t(c);
    }
    ASSERT_EQ(pos, bytes.size());
    got.resize(pos);
    EXPECT_EQ(got, bytes);

    std::uint8_t b[4];
    ASSERT_TRUE(s.Seek(kImageStreamBuffer - 2));
    ASSERT_TRUE(s.ReadExact(b, 4));
    EXPECT_EQ(0, std::memcmp(b, bytes.data() + kImageStreamBuffer - 2, 4));
    ASSERT_TRUE(s.SeekRelative(-4));
    EXPECT_EQ(s.ReadByte(), bytes[kImageStreamBuffer - 2]);
    EXPECT_FALSE(s.SeekRelative(-std::int64_t(kImageStreamBuffer)));
    EXPECT_FALSE(s.Seek(bytes.size() + 1));
    EXPECT_EQ(s.Position(), kImageStreamBuffer - 1) << "a failed seek keeps the position";
    ASSERT_TRUE(s.Seek(bytes.size() - 2));
    EXPECT_FALSE(s.ReadExact(b, 4)) << "short read at the end";
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(ImageLoadException, TextsAreCutAtCharacterBoundariesAndKeepTheirKinds) {
    std::string longText(254, 'x');
    longText += "ö und mehr";  // the two bytes of ö straddle the 255-byte limit
    const EGraphicsException e(longText);
    EXPECT_EQ(e.text(), std::string(254, 'x'));
    EXPECT_EQ(EGraphicsAbort().kind(), 1);
    EXPECT_EQ(EGraphicsAbort().text(), "Benutzer Abbruch");
    EXPECT_EQ(EGraphicsPicSize().kind(), 4);
    EXPECT_EQ(EGraphicsWrongColor().kind(), 5);
    EXPECT_EQ(EGraphicsMemory().kind(), 6);
    EXPECT_EQ(EBmpFileOpenError().text(), "Fehler beim Öffnen der BMP-Datei !");
    EXPECT_EQ(EBmpFileOpenError().kind(), 0);
    EXPECT_EQ(EJpegAbort().kind(), 1);
}

}  // namespace
}  // namespace wirbelix
