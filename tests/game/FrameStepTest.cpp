// The frame step draws what the game shows: the layout of the centre area, the bars in their
// colour ramp, the stars over them, the separators and the turning rotor, and invalidates
// exactly what changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "game/FrameDrawing.h"
#include "game/RotorCache.h"
#include "ViewFixture.h"
#include "pictures/PngWriter.h"

namespace wirbelix::test {
namespace {

class FrameStep : public ViewFixture {
protected:
    // Runs frames 20 ms apart until the bars are still and nothing more is invalidated.
    void Settle() {
        for (int i = 0; i < 400; ++i) {
            Advance(20);
            ws_.invalidated.clear();
            Frame();
            if (ws_.invalidated.empty()) return;
        }
        FAIL() << "the frames never came to rest";
    }
    bool Invalidated(const Rect& r) const {
        return std::any_of(ws_.invalidated.begin(), ws_.invalidated.end(), [&](const Rect& i) {
            return i.left == r.left && i.top == r.top && i.right == r.right && i.bottom == r.bottom;
        });
    }
};

TEST_F(FrameStep, LaysOut800x600WithTheBuiltInPicturesAsDesigned) {
    CWirbelixView& v = MakeView(800, 600);
    Frame();
    EXPECT_EQ(v.m_ScaledBackground.width(), 516u);
    EXPECT_EQ(v.m_ScaledBackground.height(), 516u);
    EXPECT_EQ(v.m_BackgroundX, 142);
    EXPECT_EQ(v.m_BackgroundY, 42);
    EXPECT_EQ(v.m_ScaleNum, 516);
    EXPECT_EQ(v.m_ScaleDen, 1024);
    EXPECT_EQ(v.m_ScaledRotor.width(), 59u);
    EXPECT_EQ(v.m_ScaledRotor.height(), 226u);
    EXPECT_EQ(v.m_RotorPivotX, 29);
    EXPECT_EQ(v.m_RotorPivotY, 197);
    EXPECT_EQ(v.m_PivotScreenX, 401);
    EXPECT_EQ(v.m_PivotScreenY, 300);

    // The first frame draws everything: both columns, both separators, the centre, the rotor.
    for (const Rect& r : {Rect{0, 0, 136, 600}, Rect{664, 0, 800, 600}, Rect{136, 0, 142, 600},
                          Rect{658, 0, 664, 600}, Rect{142, 0, 658, 600}, v.m_RotorRect})
        EXPECT_TRUE(Invalidated(r)) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    EXPECT_FALSE(v.m_RotorRect.IsEmpty());
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(At(136 + k, 10), kSeparatorColours[k]);
        EXPECT_EQ(At(658 + k, 590), kSeparatorColours[k]);
    }
    EXPECT_EQ(At(150, 10), kBlack);  // the centre area outside the background
    EXPECT_EQ(g_frameBusy.load(), 0);
}

TEST_F(FrameStep, BarsRunFromThePlayersColourToRedAndStarsSitOverThem) {
    CWirbelixView& v = MakeView(800, 600);
    v.m_Stars[0] = 1;
    Frame();
    v.PlayerButtonDown(0, clock_.Now());
    Advance(1000);  // half of the 2000 ms charge: the bar stands at H/2
    Frame();
    ASSERT_EQ(v.m_BarHeight[0].load(), 300);
    EXPECT_EQ(At(0, 599), 0x00C800u);                            // line 0
    EXPECT_EQ(At(0, 300), BlendColour(0xFF0000, 0x00C800, 299, 600));  // line H/2 - 1
    EXPECT_EQ(BlendColour(0xFF0000, 0x00C800, 299, 600), 0x7F6500u);  // near the middle colour
    EXPECT_EQ(At(0, 299), kBlack);                               // line H/2: above the bar
    EXPECT_EQ(At(135, 200), kBlack);
    // Player 1's bar is empty; its column is black.
    EXPECT_EQ(At(799, 599), kBlack);

    // The lit star of slot 0 is blended over the bar, centred in its cell.
    const RasterImage& star = v.m_StarImage;
    const int sx = (136 - static_cast<int>(star.width())) / 2, sy = 600 - 136 + (136 - static_cast<int>(star.height())) / 2;
    const int cx = static_cast<int>(star.width()) / 2, cy = static_cast<int>(star.height()) / 2;
    ASSERT_EQ(star.GetPixel(cx, cy) >> 24, 255u) << "the star's middle is opaque";
    EXPECT_EQ(At(sx + cx, sy + cy), star.GetPixel(cx, cy) & 0xFFFFFF);
}

TEST_F(FrameStep, AStarOfPlayer1RepaintsOnlyItsRowWhenTheBarStaysStill) {
    CWirbelixView& v = MakeView(800, 600);
    v.SetStarSize(3);  // two rows of cells 68 high, two columns
    v.m_Stars[1] = 2;  // row 0 lit
    Settle();
    v.m_Stars[1] = 3;  // slot 2 as well: row 1, column 0
    ws_.invalidated.clear();
    Frame();
    ASSERT_EQ(ws_.invalidated.size(), 1u);
    const Rect& r = ws_.invalidated[0];
    EXPECT_EQ(r.left, 664);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.top, 600 - 136);
    EXPECT_EQ(r.bottom, 600 - 68);
}

TEST_F(FrameStep, ABarAboveTheStarRowsIsPaintedInTheSameColours) {
    CWirbelixView& v = MakeView(1600, 1200);
    v.SetStarSize(2);  // small stars: 15 rows of 68 lines cover 0..1019
    Frame();
    v.PlayerButtonDown(0, clock_.Now());
    Advance(2000);
    Frame();
    ASSERT_EQ(v.m_BarHeight[0].load(), 1200);
    for (int line : {0, 1019, 1020, 1100, 1199})
        EXPECT_EQ(At(10, 1199 - line), BlendColour(0xFF0000, 0x00C800, line, 1200)) << "line " << line;
}

TEST_F(FrameStep, AWindowWithoutRoomForTheCentreDrawsTheBarsAlone) {
    for (int width : {100, 200, 283}) {
        SCOPED_TRACE(width);
        CWirbelixView& v = MakeView(width, 300);
        Frame();
        v.PlayerButtonDown(0, clock_.Now());
        Advance(2000);
        Frame();
        v.StartSpin(0, clock_.Now(), false);
        for (int i = 0; i < 50; ++i) {
            Advance(20);
            Frame();
        }
        EXPECT_EQ(At(0, 299), 0x00C800u);
        EXPECT_TRUE(v.m_RotorRect.IsEmpty());
        view_.reset();
    }
}

TEST_F(FrameStep, TheOldRotorIsErasedExactlyAsARedrawOfTheWholeBackground) {
    // One view draws angle 0 and then 137; another draws 137 from the start. Same pixels.
    CWirbelixView& v = MakeView(800, 600);
    Frame();
    v.m_Angle = 137;
    Frame();
    const RasterImage turned = Buffer();
    view_.reset();
    CWirbelixView& fresh = MakeView(800, 600);
    fresh.m_Angle = 137;
    Frame();
    ASSERT_EQ(turned.imageSize(), Buffer().imageSize());
    EXPECT_EQ(std::memcmp(turned.pixelBase(), Buffer().pixelBase(), turned.imageSize()), 0);
}

TEST_F(FrameStep, ARotorAngleChangeInvalidatesTheOldAndTheNewRotorOnly) {
    CWirbelixView& v = MakeView(800, 600);
    Settle();
    const Rect before = v.m_RotorRect;
    v.m_Angle = 90;
    ws_.invalidated.clear();
    Frame();
    ASSERT_EQ(ws_.invalidated.size(), 2u);
    EXPECT_TRUE(Invalidated(before));
    EXPECT_TRUE(Invalidated(v.m_RotorRect));
    // The turned rotor's pivot falls on the background's pivot.
    const RotorCache::Entry& e = v.m_RotorCache.At(90);
    EXPECT_EQ(v.m_RotorRect.left + e.offsetX, v.m_PivotScreenX);
    EXPECT_EQ(v.m_RotorRect.top + e.offsetY, v.m_PivotScreenY);
}

TEST_F(FrameStep, CursorModeTwoParksTheCursorOnTheViewsLastPixel) {
    struct Case {
        int mode;
        Point cursor, expected;
    } cases[] = {
        {2, {500, 300}, {899, 649}},  // inside: moved to the view's bottom-right pixel
        {2, {950, 300}, {950, 300}},  // outside the view: left alone
        {1, {500, 300}, {500, 300}},
        {0, {500, 300}, {500, 300}},
    };
    CWirbelixView& v = MakeView(800, 600);
    for (const Case& c : cases) {
        v.SetCursorMode(c.mode);
        EXPECT_EQ(v.m_CursorRect.right, 899);
        ws_.cursor = c.cursor;
        Frame();
        EXPECT_EQ(ws_.cursor.x, c.expected.x) << "mode " << c.mode;
        EXPECT_EQ(ws_.cursor.y, c.expected.y) << "mode " << c.mode;
        // The parked position lies outside the reduced rectangle, so it stays there.
        Frame();
        EXPECT_EQ(ws_.cursor.x, c.expected.x);
    }
}

TEST_F(FrameStep, NewPivotsWithPicturesOfTheSameSizeRebuildTheLayout) {
    RasterImage background, rotor;
    ASSERT_TRUE(background.Create(24, 400, 400, 0x336699));
    ASSERT_TRUE(rotor.Create(32, 40, 100, 0xFFEEDDCC));
    UsePictures(background, rotor, {200, 200}, {20, 90});
    CWirbelixView& v = MakeView(800, 600);
    Frame();
    ASSERT_EQ(v.m_CustomPictures, 1);
    EXPECT_EQ(v.m_PivotScreenX, 200 + v.m_BackgroundX);
    v.m_ImageX = 100;
    v.m_StepStart = 32768;
    v.LoadPictures();
    v.m_LayoutValid = 0;
    v.m_DrawnAngle = -1;
    Frame();
    EXPECT_EQ(v.m_PivotScreenX, 100 + v.m_BackgroundX);
    // The rotor copies follow the new offset: a quarter turn lies the 40 x 100 rotor down.
    EXPECT_EQ(v.m_RotorCache.At(0).image.width(), 100u);
}

TEST_F(FrameStep, TheCentreIsTheScaledBackgroundWithTheTurnedRotorBlendedOverIt) {
    // Whatever form the view keeps the scaled background in, the centre must show it as
    // composing the scaled picture would (opaque), with the rotor's soft edge blended over it.
    // The built-in background is an indexed picture, the user's pair here 24-bit with a rotor
    // of mixed alpha.
    for (const bool userPictures : {false, true}) {
        SCOPED_TRACE(userPictures ? "user pictures" : "built-in pictures");
        if (userPictures) {
            RasterImage background, rotor;
            ASSERT_TRUE(background.Create(24, 700, 500, NoFill));
            for (std::uint32_t y = 0; y < 500; ++y)
                for (std::uint32_t x = 0; x < 700; ++x) background.SetPixel(x, y, (x & 255) << 16 | (y & 255) << 8 | 0x40);
            ASSERT_TRUE(rotor.Create(32, 30, 160, 0));
            for (std::uint32_t y = 0; y < 160; ++y)
                for (std::uint32_t x = 0; x < 30; ++x) rotor.SetPixel(x, y, (x * 255 / 29) << 24 | 0x00E0C0A0u | y);
            UsePictures(background, rotor, {350, 250}, {15, 150});
        }
        CWirbelixView& v = MakeView(800, 600);
        ASSERT_EQ(v.m_CustomPictures, userPictures ? 1 : 0);
        Frame();
        v.m_Angle = 137;
        Frame();

        RasterImage scaled, expected;
        ASSERT_TRUE(scaled.Resample(v.m_Background, int(v.m_ScaledBackground.width()),
                                    int(v.m_ScaledBackground.height()), RESAMPLE_SMOOTH));
        ASSERT_TRUE(expected.Create(32, 800, 600, 0));
        expected.FillRect(0, 0, 800, 600, kBlack);
        ASSERT_TRUE(expected.Compose(scaled, v.m_BackgroundX, v.m_BackgroundY, 0));
        const RotorCache::Entry& e = v.m_RotorCache.At(137);
        ASSERT_TRUE(expected.BlendAt(e.image, v.m_PivotScreenX - e.offsetX, v.m_PivotScreenY - e.offsetY));
        const int x0 = v.m_ColumnWidth + 6, x1 = 800 - v.m_ColumnWidth - 6;
        for (std::uint32_t y = 0; y < 600; ++y) {
            ASSERT_EQ(std::memcmp(Buffer().Row(y) + x0 * 4, expected.Row(y) + x0 * 4, std::size_t(x1 - x0) * 4), 0)
                << "row " << y;
        }
        view_.reset();
    }
}

TEST_F(FrameStep, APointerPictureWithoutAlphaIsDrawnWhole) {
    RasterImage background, rotor;
    ASSERT_TRUE(background.Create(24, 400, 400, 0x0000FF));
    ASSERT_TRUE(rotor.Create(24, 40, 100, 0xFF0000));  // no alpha channel at all
    UsePictures(background, rotor, {200, 200}, {20, 90});
    CWirbelixView& v = MakeView(800, 600);
    Frame();
    ASSERT_EQ(v.m_CustomPictures, 1);
    // Upright (offset 0): the pointer stands above its pivot, over the blue background.
    EXPECT_EQ(At(v.m_PivotScreenX, v.m_PivotScreenY - 40), 0xFF0000u);
    EXPECT_EQ(At(v.m_PivotScreenX + 60, v.m_PivotScreenY - 40), 0x0000FFu);
}

TEST(RotorCacheTest, KeepsItsCopiesWithinTheBudgetAndDrawsTheSamePixelsAsARotation) {
    RasterImage rotor;
    ASSERT_TRUE(rotor.Create(32, 120, 400, 0));
    for (std::uint32_t y = 0; y < 400; ++y)
        for (std::uint32_t x = 0; x < 120; ++x) rotor.SetPixel(x, y, 0xFF000000u | (x * 2) << 16 | y / 2);
    RotorCache cache;
    const std::size_t budget = 2u << 20;
    cache.Reset(&rotor, 60, 350, 1000, budget);
    for (int a = 0; a < 360; ++a) {
        const RotorCache::Entry& e = cache.At(a);
        ASSERT_FALSE(e.image.empty());
        ASSERT_LE(cache.bytes(), budget);
    }
    EXPECT_TRUE(cache.Holds(359));
    EXPECT_FALSE(cache.Holds(0)) << "the copy used longest ago gave way";
    for (int a : {0, 45, 200, 359}) {
        RasterImage expected;
        int px = 60, py = 350;
        ASSERT_TRUE(expected.Rotate(rotor, RotorCache::AngleOf(a, 1000), ROTATE_NEAREST, px, py, 0));
        const RotorCache::Entry& e = cache.At(a + 360);  // degrees are taken modulo 360
        EXPECT_EQ(e.offsetX, px);
        EXPECT_EQ(e.offsetY, py);
        ASSERT_EQ(e.image.imageSize(), expected.imageSize());
        EXPECT_EQ(std::memcmp(e.image.pixelBase(), expected.pixelBase(), expected.imageSize()), 0) << a;
    }
}

TEST(BlendColourTest, FollowsTheRampAndKeepsTheTopByteOfTheSecondColour) {
    struct Case {
        std::uint32_t a, b;
        int c, d;
        std::uint32_t expected;
    } cases[] = {
        {0xFF0000, 0x00C800, 0, 600, 0x00C800},
        {0xFF0000, 0x00C800, 600, 600, 0xFF0000},
        {0xFF0000, 0x0000C8, 300, 600, 0x7F0064},
        {0xFF0000, 0x00C800, 5, 0, 0x00C800},          // d <= 0: b
        {0xFF0000, 0xAB00C800, 600, 600, 0xABFF0000},  // top byte of b
        {0xFF0000, 0x00C800, 1200, 600, 0xFE3800},     // beyond d: each byte kept to 8 bits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BlendColour(c.a, c.b, c.c, c.d), c.expected) << std::hex << c.a << " " << c.b << " " << c.c;
    }
}

}  // namespace
}  // namespace wirbelix::test
