#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "pictures/FixedSin.h"
#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

constexpr std::uint32_t Grey(std::uint32_t g) { return g * 0x010101u; }

// A 24-bit picture of one row of greys.
RasterImage GreyRow(const std::vector<std::uint32_t>& greys) {
    RasterImage img;
    img.Create(24, static_cast<int>(greys.size()), 1);
    for (std::uint32_t x = 0; x < greys.size(); ++x) img.SetPixel(x, 0, Grey(greys[x]));
    return img;
}

// A picture whose every pixel is different: value = 0xFF000000 | (y << 8) | x (or x + 4y for
// indexed depths).
RasterImage Numbered(int depth, int w, int h) {
    RasterImage img;
    img.Create(depth, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.SetPixel(x, y, depth <= 8 ? (x + 4 * y) & img.valueMask() : 0xFF000000u | (y << 8) | x);
    return img;
}

std::vector<std::uint32_t> Row(const RasterImage& img, std::uint32_t y) {
    std::vector<std::uint32_t> v;
    for (std::uint32_t x = 0; x < img.width(); ++x) v.push_back(img.GetPixel(x, y));
    return v;
}

TEST(FixedSin, QuartersAndTableSteps) {
    struct Case {
        std::int32_t angle, value;
    };
    const Case cases[] = {{0, 0},           {32768, 65536},  {65536, 0},     {98304, -65536},
                          {256, 804},       {16384, 46340},  {131072, 0},    {-32768, -65536},
                          {131072 + 256, 804}, {32768 + 256, 2 * 32766}, {128, 402}};
    for (const Case& c : cases) EXPECT_EQ(FixedSin(c.angle), c.value) << c.angle;
    // Close to the true sine everywhere.
    for (std::int32_t a = 0; a < kAngleUnitsPerTurn; a += 37) {
        const double exact = 65536.0 * std::sin(a * 2.0 * M_PI / kAngleUnitsPerTurn);
        ASSERT_NEAR(FixedSin(a), exact, 3.0) << a;
    }
}

TEST(Rotate, AngleZeroCopiesAndKeepsThePivotAtEveryDepth) {
    for (int depth : {1, 4, 8, 12, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        const RasterImage src = Numbered(depth, 10, 10);
        RasterImage dst;
        int px = 5, py = 5;
        ASSERT_TRUE(dst.Rotate(src, 0, ROTATE_NEAREST, px, py, 0));
        EXPECT_EQ(dst.bitsPerPixel(), static_cast<std::uint32_t>(depth));
        ASSERT_EQ(dst.width(), 10u);
        ASSERT_EQ(dst.height(), 10u);
        EXPECT_EQ(px, 5);
        EXPECT_EQ(py, 5);
        for (std::uint32_t y = 0; y < 10; ++y) EXPECT_EQ(Row(dst, y), Row(src, y)) << y;
        // The same pivot in quarter pixels comes back in quarter pixels.
        px = py = 20;
        ASSERT_TRUE(dst.Rotate(src, 0, ROTATE_NEAREST | ROTATE_QUARTER_PIVOT, px, py, 0));
        EXPECT_EQ(px, 20);
        EXPECT_EQ(py, 20);
        EXPECT_EQ(Row(dst, 9), Row(src, 9));
    }
}

// With y downwards a positive angle turns counter-clockwise on the screen: after a quarter turn
// the top-right pixel is at the top left; the pivot pixel stays on the pivot that Rotate reports.
TEST(Rotate, QuarterAndHalfTurnsMapEveryPixelAndReportThePivot) {
    const int W = 5, H = 3;
    for (int depth : {8, 32, 1}) {
        const RasterImage src = Numbered(depth, W, H);
        for (int pivotX : {0, 2, 4}) {
            SCOPED_TRACE(testing::Message() << depth << " pivot " << pivotX);
            RasterImage dst;
            int px = pivotX, py = 1;
            ASSERT_TRUE(dst.Rotate(src, 32768, ROTATE_NEAREST, px, py, 0));
            ASSERT_EQ(dst.width(), std::uint32_t(H));
            ASSERT_EQ(dst.height(), std::uint32_t(W));
            for (int i = 0; i < W; ++i)
                for (int j = 0; j < H; ++j) ASSERT_EQ(dst.GetPixel(j, i), src.GetPixel(W - 1 - i, j)) << j << "," << i;
            EXPECT_EQ(dst.GetPixel(px, py), src.GetPixel(pivotX, 1));

            px = pivotX;
            py = 1;
            ASSERT_TRUE(dst.Rotate(src, 65536 + 131072, 0, px, py, 0));  // whole turns do not count
            ASSERT_EQ(dst.width(), std::uint32_t(W));
            for (int i = 0; i < H; ++i)
                for (int j = 0; j < W; ++j) ASSERT_EQ(dst.GetPixel(j, i), src.GetPixel(W - 1 - j, H - 1 - i));
            EXPECT_EQ(dst.GetPixel(px, py), src.GetPixel(pivotX, 1));

            // The same pivot given in quarter pixels turns the same picture and comes back in
            // quarter pixels: the pivot's pixel is the one whose quarter grid holds it.
            RasterImage quarter;
            int qx = 4 * pivotX, qy = 4;
            ASSERT_TRUE(quarter.Rotate(src, 65536, ROTATE_QUARTER_PIVOT, qx, qy, 0));
            ASSERT_EQ(quarter.width(), dst.width());
            for (std::uint32_t i = 0; i < quarter.height(); ++i) EXPECT_EQ(Row(quarter, i), Row(dst, i));
            EXPECT_EQ(quarter.GetPixel(qx / 4, qy / 4), src.GetPixel(pivotX, 1));
        }
    }
}

TEST(Rotate, RefusesSourcesAbove4096AndLeavesTheTargetAlone) {
    RasterImage big;
    ASSERT_TRUE(big.Create(8, 4097, 1));
    RasterImage dst = Numbered(8, 3, 3);
    int px = 0, py = 0;
    EXPECT_FALSE(dst.Rotate(big, 100, ROTATE_NEAREST, px, py, 0));
    EXPECT_EQ(dst.width(), 3u);
    EXPECT_EQ(dst.GetPixel(2, 2), 10u);
    ASSERT_TRUE(big.Create(8, 1, 4097));
    EXPECT_FALSE(dst.Rotate(big, 100, ROTATE_NEAREST, px, py, 0));
    RasterImage empty;
    EXPECT_FALSE(dst.Rotate(empty, 0, 0, px, py, 0));
    ASSERT_TRUE(big.Create(8, 4096, 1));
    EXPECT_TRUE(dst.Rotate(big, 0, ROTATE_NEAREST, px, py, 0));
    // A pivot far outside the picture neither overflows nor changes the size.
    px = py = 400000000;
    ASSERT_TRUE(dst.Rotate(Numbered(32, 10, 10), 12345, ROTATE_NEAREST, px, py, 0));
    EXPECT_LE(dst.width(), 15u);
}

TEST(Rotate, PixelsOutsideTheSourceGetTheFill) {
    RasterImage src;
    ASSERT_TRUE(src.Create(32, 8, 8, 0xFF336699));
    RasterImage dst;
    int px = 4, py = 4;
    ASSERT_TRUE(dst.Rotate(src, 16384, ROTATE_NEAREST, px, py, 0x11223344));  // 45 degrees
    ASSERT_GT(dst.width(), 10u);
    EXPECT_EQ(dst.GetPixel(0, 0), 0x11223344u);
    EXPECT_EQ(dst.GetPixel(dst.width() - 1, dst.height() - 1), 0x11223344u);
    EXPECT_EQ(dst.GetPixel(px, py), 0xFF336699u);
    // An 8-bit source is always rotated by nearest pixel and filled with the index.
    ASSERT_TRUE(src.Create(8, 8, 8, 7));
    ASSERT_TRUE(dst.Rotate(src, 16384, 0, px, py, 3));
    EXPECT_EQ(dst.GetPixel(0, 0), 3u);
    EXPECT_EQ(dst.GetPixel(px, py), 7u);
}

// Bilinear rotation of a uniform picture: inside it keeps the colour exactly; at the edges the
// transparent fill only lowers the alpha and never darkens the colour; a source without alpha
// counts as opaque.
TEST(Rotate, BilinearKeepsColoursAndFadesOnlyTheAlphaAtEdges) {
    for (int depth : {32, 24}) {
        SCOPED_TRACE(depth);
        RasterImage src;
        ASSERT_TRUE(src.Create(depth, 20, 12, 0xFF336699));
        RasterImage dst;
        int px = 10, py = 6;
        ASSERT_TRUE(dst.Rotate(src, 11111, 0, px, py, 0));
        EXPECT_EQ(dst.bitsPerPixel(), std::uint32_t(depth));
        int partial = 0, inside = 0;
        for (std::uint32_t y = 0; y < dst.height(); ++y) {
            for (std::uint32_t x = 0; x < dst.width(); ++x) {
                const std::uint32_t v = dst.GetPixel(x, y);
                if (v == 0) continue;
                ASSERT_EQ(v & 0xFFFFFF, 0x336699u) << x << "," << y;
                const std::uint32_t a = v >> 24;
                if (depth == 32 && a > 0 && a < 255) ++partial;
                ++inside;
            }
        }
        EXPECT_GT(inside, 150);
        if (depth == 32) {
            EXPECT_GT(partial, 10);
        }
        EXPECT_EQ(dst.GetPixel(px, py) & 0xFFFFFF, 0x336699u);
    }
}

TEST(Resample, SmoothAveragingReducesAndInterpolates) {
    struct Case {
        std::vector<std::uint32_t> in;
        int width;
        std::vector<std::uint32_t> out;
    };
    const Case cases[] = {
        {{0, 100, 200, 255}, 2, {50, 227}},
        {{0, 255}, 3, {0, 127, 255}},
        {{0, 90, 180}, 2, {30, 150}},  // windows of 1.5 pixels
        {{77}, 4, {77, 77, 77, 77}},
        {{10, 20, 30, 40, 50, 60}, 1, {35}},
    };
    for (const Case& c : cases) {
        RasterImage src = GreyRow(c.in), dst;
        ASSERT_TRUE(dst.Resample(src, c.width, 1, RESAMPLE_SMOOTH));
        EXPECT_EQ(dst.bitsPerPixel(), 24u);
        std::vector<std::uint32_t> greys;
        for (std::uint32_t v : Row(dst, 0)) {
            EXPECT_EQ(v, Grey(v & 0xFF));
            greys.push_back(v & 0xFF);
        }
        EXPECT_EQ(greys, c.out);
    }
    // Both directions: a 2 x 2 picture into one pixel.
    RasterImage src, dst;
    ASSERT_TRUE(src.Create(8, 2, 2));
    src.SetPaletteEntry(1, Grey(100));
    src.SetPaletteEntry(2, Grey(200));
    src.SetPaletteEntry(3, Grey(255));
    src.SetPixel(1, 0, 1);
    src.SetPixel(0, 1, 2);
    src.SetPixel(1, 1, 3);
    ASSERT_TRUE(dst.Resample(src, 1, 1, RESAMPLE_SMOOTH));
    EXPECT_EQ(dst.bitsPerPixel(), 24u);  // palette colours are averaged into a direct picture
    EXPECT_EQ(dst.GetPixel(0, 0), Grey(138));
}

TEST(Resample, AlphaOfTheSmooth32BitResultFollowsTheSourcesAlphaKind) {
    // No alpha at all (24-bit) gives a fully transparent result, also at the same size.
    RasterImage src = GreyRow({10, 20, 30, 40}), dst;
    ASSERT_TRUE(dst.Resample(src, 2, 1, RESAMPLE_SMOOTH | RESAMPLE_TO_32));
    EXPECT_EQ(dst.bitsPerPixel(), 32u);
    EXPECT_EQ(Row(dst, 0), (std::vector<std::uint32_t>{Grey(15), Grey(35)}));
    ASSERT_TRUE(dst.Resample(src, 4, 1, RESAMPLE_SMOOTH | RESAMPLE_TO_32));
    EXPECT_EQ(dst.GetPixel(3, 0), Grey(40));

    // Opaque everywhere gives opaque.
    ASSERT_TRUE(src.Create(32, 4, 1, 0xFF808080));
    ASSERT_TRUE(dst.Resample(src, 2, 1, RESAMPLE_SMOOTH));
    EXPECT_EQ(dst.GetPixel(1, 0), 0xFF808080u);

    // Mixed alpha: invisible pixels add nothing to the colour, but the alpha is averaged over
    // the whole window. Horizontal here, vertical below.
    ASSERT_TRUE(src.Create(32, 4, 1));
    const std::uint32_t pixels[4] = {0xFFFF0000, 0x000000FF, 0x80000080, 0xFF0000FF};
    for (std::uint32_t x = 0; x < 4; ++x) src.SetPixel(x, 0, pixels[x]);
    ASSERT_TRUE(dst.Resample(src, 2, 1, RESAMPLE_SMOOTH));
    EXPECT_EQ(dst.GetPixel(0, 0), 0x7FFF0000u);  // red only, alpha 255/2
    // 0x80 x 256/256 + 0xFF: blue (128 + 255) x 256 / 512 = 191, alpha (128 + 255) / 2 = 191
    EXPECT_EQ(dst.GetPixel(1, 0), 0xBF0000BFu);

    ASSERT_TRUE(src.Create(32, 1, 4));
    for (std::uint32_t y = 0; y < 4; ++y) src.SetPixel(0, y, pixels[y]);
    ASSERT_TRUE(dst.Resample(src, 1, 2, RESAMPLE_SMOOTH));
    EXPECT_EQ(dst.GetPixel(0, 0), 0x7FFF0000u);
    EXPECT_EQ(dst.GetPixel(0, 1), 0xBF0000BFu);

    // Wholly invisible windows stay invisible and black.
    ASSERT_TRUE(src.Create(32, 4, 1, 0x00FFFFFF));
    src.SetPixel(3, 0, 0x80FFFFFF);
    ASSERT_TRUE(dst.Resample(src, 2, 1, RESAMPLE_SMOOTH));
    EXPECT_EQ(dst.GetPixel(0, 0), 0u);
}

TEST(Resample, NearestPixelKeepsTheDepthAndPicksPixels) {
    for (int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        const RasterImage src = Numbered(depth, 4, 4);
        RasterImage dst;
        ASSERT_TRUE(dst.Resample(src, 2, 3, 0));
        EXPECT_EQ(dst.bitsPerPixel(), std::uint32_t(depth));
        ASSERT_EQ(dst.width(), 2u);
        for (std::uint32_t i = 0; i < 3; ++i)
            for (std::uint32_t j = 0; j < 2; ++j) EXPECT_EQ(dst.GetPixel(j, i), src.GetPixel(j * 4 / 2, i * 4 / 3));
        if (depth <= 8) {
            EXPECT_EQ(dst.palette()[1], src.palette()[1]);
        }
    }
    // To 32 bits through the palette.
    RasterImage src, dst;
    ASSERT_TRUE(src.Create(8, 2, 1, 0));
    src.SetPaletteEntry(5, 0x12345678);
    src.SetPixel(1, 0, 5);
    ASSERT_TRUE(dst.Resample(src, 4, 2, RESAMPLE_TO_32));
    EXPECT_EQ(dst.bitsPerPixel(), 32u);
    EXPECT_EQ(Row(dst, 1), (std::vector<std::uint32_t>{0, 0, 0x12345678, 0x12345678}));
}

TEST(Resample, EmptySourcesAndSameSizes) {
    RasterImage empty, dst = Numbered(8, 3, 3);
    EXPECT_FALSE(dst.Resample(empty, 5, 5, RESAMPLE_SMOOTH));
    EXPECT_TRUE(dst.empty());
    RasterImage zero;
    ASSERT_TRUE(zero.Create(16, 0, 0));
    EXPECT_FALSE(dst.Resample(zero, 5, 5, 0));
    EXPECT_EQ(dst.bitsPerPixel(), 16u);
    EXPECT_EQ(dst.width(), 0u);

    const RasterImage src = Numbered(4, 3, 2);
    ASSERT_TRUE(dst.Resample(src, 3, 2, RESAMPLE_SMOOTH));  // same size: a copy at its own depth
    EXPECT_EQ(dst.bitsPerPixel(), 4u);
    EXPECT_EQ(Row(dst, 1), Row(src, 1));
    ASSERT_TRUE(dst.Resample(src, 3, 2, RESAMPLE_TO_32));
    EXPECT_EQ(dst.bitsPerPixel(), 32u);
    EXPECT_EQ(dst.GetPixel(2, 1), src.palette()[src.GetPixel(2, 1)]);
    ASSERT_TRUE(dst.Resample(dst, 6, 4, 0));  // itself as the source
    EXPECT_EQ(dst.GetPixel(5, 3), src.palette()[src.GetPixel(2, 1)]);
}

// A reduction by a ratio whose fixed-point step has to be halved: the windows stay inside the
// source, so a uniform picture stays uniform up to the last pixel (within the steps that the
// truncation of each weighted term can cost).
TEST(Resample, LargeRatiosNeverReachPastTheLastSourcePixel) {
    for (auto [from, to] : {std::pair{32768, 30000}, std::pair{32768, 32767}, std::pair{30001, 2}, std::pair{3, 32768}}) {
        SCOPED_TRACE(testing::Message() << from << " to " << to);
        RasterImage src, dst;
        ASSERT_TRUE(src.Create(24, from, 1, Grey(200)));
        ASSERT_TRUE(dst.Resample(src, to, 1, RESAMPLE_SMOOTH));
        for (std::uint32_t x = 0; x < dst.width(); ++x) {
            const std::uint32_t v = dst.GetPixel(x, 0);
            ASSERT_EQ(v, Grey(v & 0xFF)) << x;
            ASSERT_NEAR(double(v & 0xFF), 200.0, 2.0) << x;
        }
    }
}

TEST(BlendAt, MixesBySourceAlphaAndKeepsOpaqueTargetsOpaque) {
    struct Case {
        std::uint32_t source, target, expect;
    };
    const Case cases[] = {
        {0x80FF0000, 0xFF0000FF, 0xFF80007F},  // A = 129, B = 128: red 255*129/256, blue 255*128/256
        {0x80FF0000, 0x640000FF, 0x7280007F},  // target alpha 100: (100*128 + 128*129) >> 8 = 114
        {0x00FF0000, 0xFF0000FF, 0xFF0000FF},  // invisible source pixel
        {0x80FF0000, 0x000000FF, 0x80FF0000},  // invisible target pixel: a plain copy
        {0xFF123456, 0xFF654321, 0xFF123456},  // opaque source replaces
    };
    for (const Case& c : cases) {
        RasterImage src, dst;
        ASSERT_TRUE(src.Create(32, 1, 1, c.source == 0 ? NoFill : c.source));
        src.SetPixel(0, 0, c.source);
        ASSERT_TRUE(dst.Create(32, 1, 1));
        dst.SetPixel(0, 0, c.target);
        EXPECT_TRUE(dst.BlendAt(src, 0, 0));
        EXPECT_EQ(dst.GetPixel(0, 0), c.expect) << std::hex << c.source << " over " << c.target;
    }
    // A 24-bit target reads alpha 0, so every visible pixel is copied without blending.
    RasterImage src, dst;
    ASSERT_TRUE(src.Create(32, 2, 1));
    src.SetPixel(0, 0, 0x80FF0000);
    src.SetPixel(1, 0, 0x00FF0000);
    ASSERT_TRUE(dst.Create(24, 2, 1, 0x0000FF));
    EXPECT_TRUE(dst.BlendAt(src, 0, 0));
    EXPECT_EQ(Row(dst, 0), (std::vector<std::uint32_t>{0xFF0000, 0x0000FF}));
}

TEST(BlendAt, ValidityAndClipping) {
    RasterImage src, dst;
    ASSERT_TRUE(src.Create(32, 3, 3));
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 3; ++x) src.SetPixel(x, y, 0xFF000000 | (y << 8) | x);
    ASSERT_TRUE(dst.Create(32, 4, 4));
    EXPECT_TRUE(dst.BlendAt(src, -1, -1));
    EXPECT_EQ(dst.GetPixel(0, 0), 0xFF000101u);
    EXPECT_EQ(dst.GetPixel(1, 1), 0xFF000202u);
    EXPECT_EQ(dst.GetPixel(2, 2), 0u);
    EXPECT_TRUE(dst.BlendAt(src, 3, 3));  // one pixel visible
    EXPECT_EQ(dst.GetPixel(3, 3), 0xFF000000u);

    struct Case {
        const char* what;
        int targetDepth, sourceDepth, x, y;
        bool valid;
    };
    const Case cases[] = {
        {"inside", 32, 32, 0, 0, true},       {"16-bit target", 16, 32, 0, 0, true},
        {"8-bit target", 8, 32, 0, 0, false}, {"24-bit source", 32, 24, 0, 0, false},
        {"right of", 32, 32, 4, 0, false},    {"below", 32, 32, 0, 4, false},
        {"left of", 32, 32, -3, 0, false},    {"above", 32, 32, 0, -3, false},
        {"corner", 32, 32, -2, -2, true},
    };
    for (const Case& c : cases) {
        RasterImage s, t;
        ASSERT_TRUE(s.Create(c.sourceDepth, 3, 3));
        ASSERT_TRUE(t.Create(c.targetDepth, 4, 4));
        EXPECT_EQ(t.BlendAt(s, c.x, c.y), c.valid) << c.what;
    }
    RasterImage empty;
    EXPECT_FALSE(empty.BlendAt(src, 0, 0));
    EXPECT_FALSE(dst.BlendAt(empty, 0, 0));
}

TEST(Compose, CopiesSameDepthsByRowsAndConvertsOthers) {
    // x = -3 of a 10-pixel-wide picture draws its columns 3-9 at 0-6.
    const RasterImage src = Numbered(8, 10, 2);
    RasterImage dst;
    ASSERT_TRUE(dst.Create(8, 12, 2, 99));
    EXPECT_TRUE(dst.Compose(src, -3, 0));
    for (std::uint32_t x = 0; x < 12; ++x) EXPECT_EQ(dst.GetPixel(x, 1), x <= 6 ? src.GetPixel(x + 3, 1) : 99u) << x;

    struct Case {
        int sourceDepth, targetDepth;
        std::uint32_t source, expect;
    };
    const Case cases[] = {
        {24, 32, 0x123456, 0xFF123456},  // no alpha in the source: opaque
        {32, 32, 0x00123456, 0x00123456},  // alpha bytes copied unchanged
        {32, 32, 0x7F123456, 0x7F123456},
        {32, 24, 0x7F123456, 0x123456},
        {24, 16, 0xFF8040, 0xF88040},
        {15, 32, 0x80F80800, 0xFFF80800},
        {16, 24, 0xF88040, 0xF88040},
        {24, 8, 0x123456, 0x56},  // an indexed target takes the value as stored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceDepth << " onto " << c.targetDepth);
        RasterImage s, t;
        ASSERT_TRUE(s.Create(c.sourceDepth, 2, 2));
        s.SetPixel(1, 1, c.source);
        ASSERT_TRUE(t.Create(c.targetDepth, 3, 3));
        EXPECT_TRUE(t.Compose(s, 1, 1));
        EXPECT_EQ(t.GetPixel(2, 2), c.expect);
        EXPECT_EQ(t.GetPixel(0, 0), 0u);
    }
    // An indexed source gives its palette colours, opaque on a 32-bit target.
    RasterImage s, t;
    ASSERT_TRUE(s.Create(4, 2, 1));
    s.SetPaletteEntry(3, 0x00ABCDEF);
    s.SetPixel(1, 0, 3);
    ASSERT_TRUE(t.Create(32, 2, 1));
    EXPECT_TRUE(t.Compose(s, 0, 0));
    EXPECT_EQ(t.GetPixel(1, 0), 0xFFABCDEFu);
}

// Packed depths copy bytes only on whole groups; elsewhere they go pixel by pixel and leave the
// neighbours in shared bytes alone.
TEST(Compose, PackedDepthsOnAndOffGroupBoundaries) {
    for (int depth : {1, 2, 4, 12}) {
        for (int x : {8, 3, -5, 0}) {
            SCOPED_TRACE(testing::Message() << depth << " at " << x);
            const RasterImage src = Numbered(depth, 11, 2);
            RasterImage dst;
            ASSERT_TRUE(dst.Create(depth, 24, 2, depth > 8 ? 0x00F0F0F0u : 1u));
            const RasterImage before(dst);
            EXPECT_TRUE(dst.Compose(src, x, 0));
            for (int tx = 0; tx < 24; ++tx) {
                const int sx = tx - x;
                const std::uint32_t expect = sx >= 0 && sx < 11 ? src.GetPixel(sx, 1) : before.GetPixel(tx, 1);
                ASSERT_EQ(dst.GetPixel(tx, 1), expect) << tx;
            }
        }
    }
}

TEST(Compose, InvalidPlacementsAndOverlapWithItself) {
    const RasterImage src = Numbered(32, 4, 4);
    RasterImage dst;
    ASSERT_TRUE(dst.Create(32, 4, 4));
    EXPECT_FALSE(dst.Compose(src, 4, 0));
    EXPECT_FALSE(dst.Compose(src, 0, -4));
    EXPECT_FALSE(dst.Compose(src, 0, 0, 0x01000000));  // colour-key modes are not offered
    RasterImage empty;
    EXPECT_FALSE(dst.Compose(empty, 0, 0));
    EXPECT_FALSE(empty.Compose(src, 0, 0));

    // Composing a picture onto itself, shifted, reads the picture as it was before.
    RasterImage self = Numbered(32, 4, 1);
    EXPECT_TRUE(self.Compose(self, 1, 0));
    EXPECT_EQ(Row(self, 0), (std::vector<std::uint32_t>{0xFF000000, 0xFF000000, 0xFF000001, 0xFF000002}));
}

}  // namespace
}  // namespace wirbelix
