// The built-in pictures and sounds as the program finds them in its resource table, and their
// export to ordinary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "pictures/DibDecoder.h"
#include "pictures/ExportResources.h"
#include "pictures/RasterImage.h"
#include "platform/ResourceTable.h"
#include "shell/ConsoleCommands.h"

namespace wirbelix {
namespace {

std::uint32_t Le32(ResourceBytes b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(ResourceBytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

// A picture as red, green, blue, alpha bytes, top row first, so that tests can look at pixels
// by their place on the screen.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

bool DecodeDib(ResourceBytes dib, DecodedPicture& out) {
    RasterImage image;
    if (DecodeDib(dib, image) != DibStatus::Ok) return false;
    out.width = static_cast<int>(image.width());
    out.height = static_cast<int>(image.height());
    out.rgba.clear();
    for (std::uint32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.ReadRow32(y);  // blue, green, red, alpha
        for (std::uint32_t x = 0; x < image.width(); ++x)
            out.rgba.insert(out.rgba.end(), {row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]});
    }
    return true;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/wirbelix-resources-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct BitmapCase {
    int number;
    int width, height, bits, compression;
    bool alpha;  // 32-bit with partly transparent edges
};

const BitmapCase kBitmaps[] = {
    {153, 1024, 1024, 8, 1, false},  // the dial, RLE8
    {154, 118, 450, 32, 0, true},    // the rotor
    {149, 100, 95, 32, 0, true},     // the stars
    {150, 75, 71, 32, 0, true},
    {151, 50, 47, 32, 0, true},
    {128, 80, 15, 4, 0, false},      // the toolbar: five 16 x 15 cells in 16 colours
    {139, 16, 15, 4, 0, false},      // the browse button
};

TEST(BuiltInBitmaps, HeadersDepthsAndAlphaAreThoseTheProgramExpects) {
    for (const BitmapCase& c : kBitmaps) {
        SCOPED_TRACE(c.number);
        ResourceBytes dib = FindResource("BITMAP", c.number);
        ASSERT_GE(dib.size(), 40u);
        EXPECT_EQ(Le32(dib, 0), 40u);  // a bitmap without file header
        EXPECT_EQ(static_cast<int>(Le32(dib, 4)), c.width);
        EXPECT_EQ(static_cast<int>(Le32(dib, 8)), c.height);  // positive: bottom row first
        EXPECT_EQ(Le16(dib, 12), 1);
        EXPECT_EQ(Le16(dib, 14), c.bits);
        EXPECT_EQ(static_cast<int>(Le32(dib, 16)), c.compression);
        std::size_t palette = c.bits <= 8 ? 4 * static_cast<std::size_t>(Le32(dib, 32) ? Le32(dib, 32) : 1u << c.bits) : 0;
        if (c.compression == 1) EXPECT_EQ(Le32(dib, 20), dib.size() - 40 - palette);
        else EXPECT_EQ(dib.size(), 40 + palette + static_cast<std::size_t>(((c.width * c.bits + 31) / 32) * 4) * c.height);

        DecodedPicture pic;
        ASSERT_TRUE(DecodeDib(dib, pic));
        std::set<int> alphas;
        for (std::size_t i = 3; i < pic.rgba.size(); i += 4) alphas.insert(pic.rgba[i]);
        if (c.alpha) {
            EXPECT_TRUE(alphas.count(0)) << "transparent around the shape";
            EXPECT_TRUE(alphas.count(255)) << "opaque inside";
            EXPECT_GT(alphas.size(), 20u) << "anti-aliased edges";
        }
    }
}

TEST(BuiltInBitmaps, ButtonPicturesUseTheButtonFaceAsBackground) {
    for (int number : {128, 139}) {
        SCOPED_TRACE(number);
        DecodedPicture pic;
        ASSERT_TRUE(DecodeDib(FindResource("BITMAP", number), pic));
        const std::uint8_t* corner = &pic.rgba[0];
        EXPECT_EQ(corner[0], 0xC0);
        EXPECT_EQ(corner[1], 0xC0);
        EXPECT_EQ(corner[2], 0xC0);
        // Every toolbar cell has a picture on it, not only background.
        for (int cell = 0; cell < pic.width / 16; ++cell) {
            int drawn = 0;
            for (int y = 0; y < pic.height; ++y)
                for (int x = cell * 16; x < cell * 16 + 16; ++x)
                    drawn += pic.rgba[(static_cast<std::size_t>(y) * pic.width + x) * 4] != 0xC0 ||
                             pic.rgba[(static_cast<std::size_t>(y) * pic.width + x) * 4 + 1] != 0xC0;
            EXPECT_GT(drawn, 40) << "cell " << cell;
        }
    }
}

// Colour of the dial at a clockwise angle from 12 o'clock and a distance from the pivot.
std::array<int, 3> DialAt(const DecodedPicture& dial, double degrees, double radius) {
    double a = degrees * 3.14159265358979 / 180;
    int x = static_cast<int>(std::floor(514.5 + radius * std::sin(a)));
    int y = static_cast<int>(std::floor(513.5 - radius * std::cos(a)));
    const std::uint8_t* p = &dial.rgba[(static_cast<std::size_t>(y) * dial.width + x) * 4];
    return {p[0], p[1], p[2]};
}

int Distance(const std::array<int, 3>& a, const std::array<int, 3>& b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// Hue in degrees, 0 .. 360.
double Hue(const std::array<int, 3>& c) {
    double r = c[0], g = c[1], b = c[2];
    double h = std::atan2(std::sqrt(3.0) * (g - b), 2 * r - g - b) * 180 / 3.14159265358979;
    return h < 0 ? h + 360 : h;
}

double HueDistance(const std::array<int, 3>& a, const std::array<int, 3>& b) {
    double d = std::fabs(Hue(a) - Hue(b));
    return std::min(d, 360 - d);
}

TEST(BuiltInBitmaps, DialSectionsChangeColourAtEverySixtiethDegreeFromTwelveOClock) {
    DecodedPicture dial;
    ASSERT_TRUE(DecodeDib(FindResource("BITMAP", 153), dial));
    std::array<int, 3> middle[6];
    for (int k = 0; k < 6; ++k) {
        middle[k] = DialAt(dial, 60 * k + 30, 250);
        // The whole section has its colour: both ends of it look like its middle...
        EXPECT_LT(Distance(DialAt(dial, 60 * k + 8, 250), middle[k]), 60) << "section " << k;
        EXPECT_LT(Distance(DialAt(dial, 60 * k + 52, 250), middle[k]), 60) << "section " << k;
    }
    // ...and every section differs clearly in hue from every other one.
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j) EXPECT_GT(HueDistance(middle[i], middle[j]), 20) << i << " " << j;
    // Black around the dial, so that it joins the black of the window.
    EXPECT_EQ(DialAt(dial, 45, 720), (std::array<int, 3>{0, 0, 0}));
}

TEST(BuiltInBitmaps, RotorPointsStraightUpFromItsPivot) {
    DecodedPicture rotor;
    ASSERT_TRUE(DecodeDib(FindResource("BITMAP", 154), rotor));
    auto alpha = [&](int x, int y) { return rotor.rgba[(static_cast<std::size_t>(y) * rotor.width + x) * 4 + 3]; };
    for (int y : {30, 100, 200, 300, 391}) EXPECT_EQ(alpha(59, y), 255) << "on the axis at " << y;
    for (int y : {30, 100}) {
        EXPECT_EQ(alpha(59 - 30, y), 0) << "beside the tip at " << y;
        EXPECT_EQ(alpha(59 + 30, y), 0) << "beside the tip at " << y;
    }
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(117, 449), 0);
    // Symmetric about the vertical through the pivot, apart from its shading.
    for (int y = 0; y < rotor.height; y += 7)
        for (int d = 1; d < 59; d += 3) EXPECT_NEAR(alpha(59 - d, y), alpha(59 + d, y), 40) << d << " " << y;
}

TEST(BuiltInIcon, HoldsUncompressedPicturesFromSixteenTo256Pixels) {
    ResourceBytes ico = FindResource("ICON", 128);
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(Le16(ico, 0), 0);
    EXPECT_EQ(Le16(ico, 2), 1);
    std::set<int> sizes;
    for (unsigned i = 0; i < Le16(ico, 4); ++i) {
        std::size_t e = 6 + 16 * i;
        int size = ico[e] ? ico[e] : 256;
        sizes.insert(size);
        ResourceBytes dib = ico.subspan(Le32(ico, e + 12), Le32(ico, e + 8));
        EXPECT_EQ(Le32(dib, 0), 40u);
        EXPECT_EQ(static_cast<int>(Le32(dib, 8)), 2 * size);  // pixels and mask
        EXPECT_EQ(Le16(dib, 14), 32);
        EXPECT_EQ(Le32(dib, 16), 0u);
    }
    for (int size : {16, 32, 48, 256}) EXPECT_TRUE(sizes.count(size)) << size;
}

struct WaveCase {
    const char* name;
    std::uint32_t samples;
    double minPeak, maxPeak;  // of full scale
};

// The mixer plays SWEEP and TICK at one eighth, so they are recorded near full scale; the
// one-shot sounds are added at full amplitude, two at a time, so they stay near -6 dBFS.
const WaveCase kWaves[] = {
    {"CLING1", 27958, 0.45, 0.56}, {"CLING2", 33844, 0.45, 0.56}, {"CLING3", 36245, 0.45, 0.56},
    {"SWEEP", 98996, 0.90, 0.995}, {"ERROR", 12781, 0.45, 0.56}, {"TICK", 465, 0.90, 0.995},
};

TEST(BuiltInSounds, AreMono16Bit44100HzPcmOfTheirLengthAndLevel) {
    for (const WaveCase& c : kWaves) {
        SCOPED_TRACE(c.name);
        ResourceBytes wav = FindResource("WAVE", c.name);
        ASSERT_EQ(wav.size(), 44 + 2 * static_cast<std::size_t>(c.samples));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(wav.data()), 4), "RIFF");
        EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(wav.data()) + 8, 8), "WAVEfmt ");
        EXPECT_EQ(Le16(wav, 20), 1);  // PCM
        EXPECT_EQ(Le16(wav, 22), 1);  // mono
        EXPECT_EQ(Le32(wav, 24), 44100u);
        EXPECT_EQ(Le16(wav, 34), 16);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(wav.data()) + 36, 4), "data");
        EXPECT_EQ(Le32(wav, 40), 2 * c.samples);

        int peak = 0;
        auto sample = [&](std::uint32_t i) { return static_cast<std::int16_t>(Le16(wav, 44 + 2 * i)); };
        for (std::uint32_t i = 0; i < c.samples; ++i) peak = std::max(peak, std::abs(static_cast<int>(sample(i))));
        EXPECT_GE(peak, c.minPeak * 32767);
        EXPECT_LE(peak, c.maxPeak * 32767);
        // Starts and ends in silence, so that neither the start nor a cut-off clicks.
        EXPECT_LT(std::abs(sample(0)), 200);
        EXPECT_LT(std::abs(sample(c.samples - 1)), 200);
    }
}

TEST(BuiltInResources, GeneratorsMakeTheSameBytesAgain) {
    struct Output {
        const char* generator;
        const char* file;
        const char* type;
        const char* name;
    };
    const Output outputs[] = {
        {"wirbelix_gen_dial", "bitmap-153.dib", "BITMAP", "#153"},
        {"wirbelix_gen_rotor", "bitmap-154.dib", "BITMAP", "#154"},
        {"wirbelix_gen_stars", "bitmap-151.dib", "BITMAP", "#151"},
        {"wirbelix_gen_sounds", "SWEEP.wav", "WAVE", "SWEEP"},
        {"wirbelix_gen_icon", "icon-128.ico", "ICON", "#128"},
    };
    TempDir dir;
    for (const Output& o : outputs) {
        SCOPED_TRACE(o.generator);
        std::string command = std::string(WIRBELIX_BINARY_DIR) + "/resources/" + o.generator + " " + dir.path().string();
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::vector<std::uint8_t> again = ReadFile(dir.path() / o.file);
        ResourceBytes embedded = FindResource(o.type, o.name);
        ASSERT_EQ(again.size(), embedded.size());
        EXPECT_TRUE(std::equal(again.begin(), again.end(), embedded.begin()));
    }
}

TEST(ExportResources, WritesEveryResourceAsFilesNamedAfterIt) {
    TempDir dir;
    std::filesystem::path out = dir.path() / "new" / "folder";
    std::string arg = out.string();
    char program[] = "wirbelix", option[] = "--export-resources";
    char* argv[] = {program, option, arg.data()};
    ASSERT_EQ(RunConsoleCommand(3, argv), std::optional<int>(0));

    // Bitmaps: as embedded with a file header in front, and as PNG.
    ResourceBytes dial = FindResource("BITMAP", 153);
    std::vector<std::uint8_t> bmp = ReadFile(out / "bitmap-153.bmp");
    ASSERT_EQ(bmp.size(), dial.size() + 14);
    ResourceBytes bmpBytes(bmp.data(), bmp.size());
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmpBytes, 2), bmp.size());
    EXPECT_EQ(Le32(bmpBytes, 10), 14u + 40 + 256 * 4);
    EXPECT_TRUE(std::equal(dial.begin(), dial.end(), bmp.begin() + 14));
    for (const char* png : {"bitmap-153.png", "bitmap-154.png", "bitmap-149.png", "bitmap-128.png", "icon-128.png"}) {
        SCOPED_TRACE(png);
        std::vector<std::uint8_t> bytes = ReadFile(out / png);
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
    }
    std::vector<std::uint8_t> png = ReadFile(out / "bitmap-154.png");
    EXPECT_EQ((png[16] << 24 | png[17] << 16 | png[18] << 8 | png[19]), 118);
    EXPECT_EQ((png[20] << 24 | png[21] << 16 | png[22] << 8 | png[23]), 450);
    EXPECT_EQ(png[25], 6);  // RGBA

    // Sounds and the icon file exactly as embedded.
    for (const char* name : {"CLING1", "TICK"}) {
        ResourceBytes wav = FindResource("WAVE", name);
        std::vector<std::uint8_t> file = ReadFile(out / (std::string(name) + ".wav"));
        EXPECT_TRUE(file.size() == wav.size() && std::equal(wav.begin(), wav.end(), file.begin())) << name;
    }
    ResourceBytes ico = FindResource("ICON", 128);
    std::vector<std::uint8_t> icoFile = ReadFile(out / "icon-128.ico");
    EXPECT_TRUE(icoFile.size() == ico.size() && std::equal(ico.begin(), ico.end(), icoFile.begin()));
}

TEST(ExportResources, FailsWithoutAFolderOrWhenItCannotBeMade) {
    char program[] = "wirbelix", option[] = "--export-resources";
    char* noDir[] = {program, option};
    EXPECT_EQ(RunConsoleCommand(2, noDir), std::optional<int>(2));

    TempDir dir;
    std::filesystem::path blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    std::string error;
    EXPECT_FALSE(ExportResourcesTo((blocker / "sub").string(), error));
    EXPECT_NE(error.find("Ordner"), std::string::npos);
}

}  // namespace
}  // namespace wirbelix
