#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/PictureWindow.h"

namespace wirbelix {
namespace {

struct ScrollBarCall {
    bool horizontal, visible, enabled;
    int range, page, position;
};

// Records what the picture window asks of its window.
class RecordingHost : public PictureWindowHost {
public:
    void InvalidateWindow(const Rect& r, bool erase) override {
        invalidated.push_back(r);
        lastErase = erase;
    }
    void RedrawNow() override { ++redraws; }
    void SetScrollBar(bool horizontal, bool visible, bool enabled, int range, int page,
                      int position) override {
        bars.push_back({horizontal, visible, enabled, range, page, position});
    }
    void PostToSelf(int command) override { posted.push_back(command); }

    // The last call for one bar.
    const ScrollBarCall* LastBar(bool horizontal) const {
        for (auto it = bars.rbegin(); it != bars.rend(); ++it)
            if (it->horizontal == horizontal) return &*it;
        return nullptr;
    }

    std::vector<Rect> invalidated;
    bool lastErase = false;
    int redraws = 0;
    std::vector<ScrollBarCall> bars;
    std::vector<int> posted;
};

void ExpectRect(const Rect& r, int left, int top, int right, int bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

// A created window of the given options, with no size yet.
struct PictureWindowFixture : testing::Test {
    void CreateWith(std::uint32_t style) { window.Create(&host, style); }
    // A picture of bufferW x bufferH in a client area of clientW x clientH.
    void Fixed(std::uint32_t style, int bufferW, int bufferH, int clientW, int clientH) {
        CreateWith(style | PW_FIXED_SIZE);
        ASSERT_TRUE(window.SetBufferSize(bufferW, bufferH));
        window.OnSize(clientW, clientH);
    }
    std::uint32_t Pixel(int x, int y) const {
        return window.backBuffer().GetPixel(std::uint32_t(x), std::uint32_t(y)) & 0xFFFFFF;
    }

    RecordingHost host;
    PictureWindow window{32};
};

TEST_F(PictureWindowFixture, BufferFollowsTheWindowAndKeepsItsContentTopLeftWhenGrowing) {
    CreateWith(0);
    window.OnSize(640, 480);
    const RasterImage& buffer = window.backBuffer();
    ASSERT_EQ(buffer.width(), 640u);
    ASSERT_EQ(buffer.height(), 480u);
    EXPECT_EQ(buffer.bitsPerPixel(), 32u);
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFu);  // the first background is white

    window.backBuffer().SetPixel(0, 0, 0x123456);
    window.backBuffer().SetPixel(639, 479, 0xABCDEF);
    // Pure red as a platform colour (red in the low byte) is the colour word 0xFF0000.
    window.SetBackgroundColour(0x0000FF);
    window.OnSize(800, 600);
    ASSERT_EQ(buffer.width(), 800u);
    ASSERT_EQ(buffer.height(), 600u);
    EXPECT_EQ(Pixel(0, 0), 0x123456u);
    EXPECT_EQ(Pixel(639, 479), 0xABCDEFu);
    EXPECT_EQ(Pixel(640, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(0, 480), 0xFF0000u);
    EXPECT_EQ(Pixel(799, 599), 0xFF0000u);
    EXPECT_EQ(window.clientWidth(), 800);
    EXPECT_EQ(window.clientHeight(), 600);
}

TEST_F(PictureWindowFixture, SizeRulesOfTheSizeHandler) {
    CreateWith(0);
    window.SetMinimumSize(100, 50);
    window.SetMaximumSize(300, 200);
    window.OnSize(40, 400);
    EXPECT_EQ(window.backBuffer().width(), 100u);
    EXPECT_EQ(window.backBuffer().height(), 200u);
    // A zero size keeps the buffer and the stored client size.
    window.OnSize(0, 0);
    EXPECT_EQ(window.backBuffer().width(), 100u);
    EXPECT_EQ(window.clientWidth(), 40);
    EXPECT_EQ(window.clientHeight(), 400);
}

TEST_F(PictureWindowFixture, FixedSizeBufferIgnoresTheWindowSize) {
    Fixed(0, 320, 240, 800, 600);
    EXPECT_EQ(window.backBuffer().width(), 320u);
    EXPECT_EQ(window.backBuffer().height(), 240u);
    window.OnSize(100, 100);
    EXPECT_EQ(window.backBuffer().width(), 320u);
}

TEST_F(PictureWindowFixture, CreateAllocatesTheMinimumSize) {
    window.SetMinimumSize(64, 32);
    CreateWith(0);
    EXPECT_EQ(window.backBuffer().width(), 64u);
    EXPECT_EQ(window.backBuffer().height(), 32u);
}

TEST_F(PictureWindowFixture, WindowWiderThanTheLargestBufferGetsARightMarginInTheBackground) {
    CreateWith(0);
    window.SetBackgroundColour(0x336699);
    window.OnSize(17000, 10);
    EXPECT_EQ(window.backBuffer().width(), 16000u);
    EXPECT_EQ(window.backBuffer().height(), 10u);
    const PicturePaint paint = window.Paint();
    ASSERT_TRUE(paint.hasPicture);
    ExpectRect(paint.target, 0, 0, 16000, 10);
    EXPECT_EQ(paint.sourceX, 0);
    ExpectRect(paint.margins[3], 16000, 0, 17000, 10);
    EXPECT_TRUE(paint.margins[0].IsEmpty());
    EXPECT_TRUE(paint.margins[1].IsEmpty());
    EXPECT_TRUE(paint.margins[2].IsEmpty());
    EXPECT_EQ(paint.marginColour, 0x336699u);
}

TEST_F(PictureWindowFixture, SetBufferSizeRefusesSizesOutsideTheRangeAndChangesNothing) {
    Fixed(PW_HSCROLL, 200, 100, 50, 50);
    ASSERT_TRUE(window.SetScrollOffset(30, 0));
    const std::size_t barCalls = host.bars.size();
    for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {16001, 10}, {10, 16001}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        EXPECT_FALSE(window.SetBufferSize(w, h));
        EXPECT_EQ(window.backBuffer().width(), 200u);
        EXPECT_EQ(window.backBuffer().height(), 100u);
        EXPECT_EQ(window.scrollX(), 30);
    }
    EXPECT_EQ(host.bars.size(), barCalls);
    EXPECT_TRUE(window.SetBufferSize(16000, 1));  // the limit itself is allowed
}

TEST_F(PictureWindowFixture, SetBufferSizeClampsAndPullsTheOffsetBack) {
    CreateWith(PW_HSCROLL);
    window.SetMinimumSize(50, 50);
    window.SetMaximumSize(400, 400);
    window.OnSize(100, 100);
    EXPECT_TRUE(window.SetBufferSize(1000, 20));  // becomes 400 x 50
    EXPECT_EQ(window.backBuffer().width(), 400u);
    EXPECT_EQ(window.backBuffer().height(), 50u);
    ASSERT_TRUE(window.SetScrollOffset(300, 0));
    EXPECT_TRUE(window.SetBufferSize(200, 50));
    EXPECT_EQ(window.scrollX(), 100);
    const ScrollBarCall* bar = host.LastBar(true);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->range, 200);
    EXPECT_EQ(bar->position, 100);
}

TEST_F(PictureWindowFixture, InvalidatedRectanglesAreNormalisedWindowRectangles) {
    struct Case {
        int x, y, w, h;
        Rect expected;  // empty: nothing is invalidated
    };
    const Case cases[] = {
        {10, 20, 5, -3, {10, 17, 15, 20}},  // rows 17-19, columns 10-14
        {10, 20, -4, 2, {6, 20, 10, 22}},
        {10, 20, -4, -2, {6, 18, 10, 20}},
        {10, 20, 0, 5, {}},
        {10, 20, 5, 0, {}},
    };
    CreateWith(0);
    window.OnSize(100, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        host.invalidated.clear();
        window.InvalidateImageRect(c.x, c.y, c.w, c.h, true);
        if (c.expected.IsEmpty()) {
            EXPECT_TRUE(host.invalidated.empty());
            continue;
        }
        ASSERT_EQ(host.invalidated.size(), 1u);
        const Rect& e = c.expected;
        ExpectRect(host.invalidated[0], e.left, e.top, e.right, e.bottom);
        EXPECT_TRUE(host.lastErase);
    }
}

TEST_F(PictureWindowFixture, ImageRectanglesMoveByTheScrollOffsetWindowRectanglesDoNot) {
    Fixed(0, 400, 300, 200, 100);
    ASSERT_TRUE(window.SetScrollOffset(50, 30));
    window.InvalidateImageRect(60, 40, 10, 10, false);
    window.InvalidateImageRectR(Rect{70, 50, 60, 40}, false);  // edges given the wrong way round
    window.InvalidateWindowRect(60, 40, 10, 10, false);
    ASSERT_EQ(host.invalidated.size(), 3u);
    ExpectRect(host.invalidated[0], 10, 10, 20, 20);
    ExpectRect(host.invalidated[1], 10, 10, 20, 20);
    ExpectRect(host.invalidated[2], 60, 40, 70, 50);
    EXPECT_FALSE(host.lastErase);
}

TEST_F(PictureWindowFixture, ScrollOffsetClamping) {
    // Square pictures and windows, so the same rule is checked on both axes at once.
    struct Case {
        std::uint32_t options;
        int picture, client, maximum, requested, expected;
    };
    const Case cases[] = {
        // A picture larger than the window: 0 .. picture - client.
        {0, 400, 200, 16000, 50, 50},
        {0, 400, 200, 16000, 300, 200},
        {0, 400, 200, 16000, -10, 0},
        {PW_CENTRE, 400, 200, 16000, -10, 0},
        {PW_CENTRE, 400, 200, 16000, 500, 200},
        // The maximum size cuts the picture that can be scrolled over.
        {0, 400, 100, 150, 80, 50},
        // A smaller picture may be shifted anywhere inside the window ...
        {0, 100, 300, 16000, -50, -50},
        {0, 100, 300, 16000, -500, -200},
        {0, 100, 300, 16000, 10, 0},
        // ... is held at the top-left corner ...
        {PW_TOP_LEFT, 100, 300, 16000, -50, 0},
        // ... or centred, halving toward zero.
        {PW_CENTRE, 100, 300, 16000, 40, -100},
        {PW_CENTRE, 101, 300, 16000, 0, -99},
        // Exactly fitting.
        {0, 300, 300, 16000, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "options " << c.options << " picture " << c.picture
                                        << " client " << c.client << " max " << c.maximum
                                        << " requested " << c.requested);
        RecordingHost h;
        PictureWindow w(32);
        w.SetMaximumSize(c.maximum, c.maximum);
        w.Create(&h, c.options | PW_FIXED_SIZE);
        ASSERT_TRUE(w.SetBufferSize(c.picture, c.picture));
        w.OnSize(c.client, c.client);
        w.SetScrollOffset(c.requested, c.requested);
        EXPECT_EQ(w.scrollX(), c.expected);
        EXPECT_EQ(w.scrollY(), c.expected);
    }
}

TEST_F(PictureWindowFixture, CentredPictureIsPaintedInTheMiddleWithMarginsAround) {
    Fixed(PW_CENTRE, 100, 50, 300, 200);
    EXPECT_EQ(window.scrollX(), -100);
    EXPECT_EQ(window.scrollY(), -75);
    const PicturePaint paint = window.Paint();
    ASSERT_TRUE(paint.hasPicture);
    ExpectRect(paint.target, 100, 75, 200, 125);
    EXPECT_EQ(paint.sourceX, 0);
    EXPECT_EQ(paint.sourceY, 0);
    ExpectRect(paint.margins[0], 0, 0, 300, 75);      // above
    ExpectRect(paint.margins[1], 0, 75, 100, 125);    // left
    ExpectRect(paint.margins[2], 0, 125, 300, 200);   // below
    ExpectRect(paint.margins[3], 200, 75, 300, 125);  // right
}

TEST_F(PictureWindowFixture, ScrolledPictureIsCopiedFromTheOffset) {
    Fixed(0, 400, 300, 200, 100);
    ASSERT_TRUE(window.SetScrollOffset(150, 30));
    const PicturePaint paint = window.Paint();
    ExpectRect(paint.target, 0, 0, 200, 100);
    EXPECT_EQ(paint.sourceX, 150);
    EXPECT_EQ(paint.sourceY, 30);
    for (const Rect& m : paint.margins) EXPECT_TRUE(m.IsEmpty());
}

TEST_F(PictureWindowFixture, WithoutAPictureThePaintIsBlack) {
    CreateWith(0);
    EXPECT_FALSE(window.Paint().hasPicture);
    window.OnSize(0, 0);
    EXPECT_FALSE(window.Paint().hasPicture);
}

TEST_F(PictureWindowFixture, BackgroundChangeRepaintsOnlyWhenTheWindowShowsAMargin) {
    Fixed(0, 400, 300, 200, 100);
    window.SetBackgroundColour(0x00FF00);
    EXPECT_EQ(host.redraws, 0);
    EXPECT_EQ(window.backgroundColour(), 0x00FF00u);
    window.OnSize(500, 100);  // now wider than the picture
    window.SetBackgroundColour(0x0000FF);
    EXPECT_EQ(host.redraws, 1);
}

TEST_F(PictureWindowFixture, ScrollMessagesMoveByLinesAndPagesAndRedrawOnlyOnChange) {
    Fixed(PW_HSCROLL | PW_VSCROLL, 1000, 1000, 300, 200);
    struct Step {
        bool horizontal;
        int kind, position, expectedX, expectedY, redraws;
    };
    const Step steps[] = {
        {true, 1, 0, 32, 0, 1},    // line down
        {true, 3, 0, 332, 0, 2},   // page down: the client width
        {true, 0, 0, 300, 0, 3},   // line up
        {false, 3, 0, 300, 200, 4},  // page down: the client height
        {false, 2, 0, 300, 0, 5},  // page up
        {false, 2, 0, 300, 0, 5},  // at the top already: no change, no redraw
        {true, 4, 2000, 700, 0, 6},  // position, clamped
        {true, 9, 0, 700, 0, 6},   // unknown kinds are ignored
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.horizontal << " kind " << s.kind);
        window.OnScroll(s.horizontal, s.kind, s.position);
        EXPECT_EQ(window.scrollX(), s.expectedX);
        EXPECT_EQ(window.scrollY(), s.expectedY);
        EXPECT_EQ(host.redraws, s.redraws);
    }
    const ScrollBarCall* bar = host.LastBar(true);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->visible);
    EXPECT_TRUE(bar->enabled);
    EXPECT_EQ(bar->range, 1000);
    EXPECT_EQ(bar->page, 300);
    EXPECT_EQ(bar->position, 700);
}

TEST_F(PictureWindowFixture, ScrollBarsHideOrDisableWhenThePictureFits) {
    struct Case {
        std::uint32_t options;
        int picture;
        bool visible, enabled;
        int page;
    };
    const Case cases[] = {
        {PW_HSCROLL, 200, false, false, 300},
        {PW_HSCROLL | PW_KEEP_HSCROLL, 200, true, false, 300},
        {PW_HSCROLL | PW_KEEP_HSCROLL, 300, true, false, 301},  // equal: the page one larger
        {PW_HSCROLL, 301, true, true, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "options " << c.options << " picture " << c.picture);
        RecordingHost h;
        PictureWindow w(32);
        w.Create(&h, c.options | PW_FIXED_SIZE);
        ASSERT_TRUE(w.SetBufferSize(c.picture, 100));
        w.OnSize(300, 100);
        const ScrollBarCall* bar = h.LastBar(true);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->visible, c.visible);
        EXPECT_EQ(bar->enabled, c.enabled);
        EXPECT_EQ(bar->range, c.picture);
        EXPECT_EQ(bar->page, c.page);
        EXPECT_EQ(h.LastBar(false), nullptr);  // no vertical bar was asked for
    }
}

TEST_F(PictureWindowFixture, EndingTheLastSuspensionReallocatesToTheCurrentWindowSize) {
    CreateWith(PW_HSCROLL);
    window.OnSize(640, 480);
    window.SuspendResize();
    window.SuspendResize();
    window.OnSize(800, 600);
    EXPECT_EQ(window.backBuffer().width(), 640u);
    EXPECT_EQ(window.clientWidth(), 800);
    EXPECT_FALSE(window.SetBufferSize(700, 500));  // suspended: the buffer cannot change

    window.ResumeResize();
    EXPECT_TRUE(host.posted.empty());
    window.ResumeResize();
    ASSERT_EQ(host.posted, std::vector<int>{kPictureWindowResumeCommand});
    EXPECT_EQ(window.backBuffer().width(), 640u);  // only the posted command reallocates

    window.OnResumeCommand();
    EXPECT_EQ(window.backBuffer().width(), 800u);
    EXPECT_EQ(window.backBuffer().height(), 600u);
    const ScrollBarCall* bar = host.LastBar(true);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->range, 800);  // the bars follow the new buffer

    window.ResumeResize();  // unbalanced: nothing happens
    EXPECT_EQ(host.posted.size(), 1u);
    EXPECT_EQ(window.suspension(), 0);
}

TEST_F(PictureWindowFixture, MouseCoordinatesAreBackBufferCoordinates) {
    Fixed(0, 400, 300, 200, 100);
    ASSERT_TRUE(window.SetScrollOffset(50, 30));
    struct Call {
        int message;
        std::uint32_t flags;
        int x, y;
    };
    std::vector<Call> calls;
    window.OnMouse(kMouseMove, 0, 1, 1);  // no callback yet: nothing to call
    window.SetMouseCallback(
        [](void* user, int message, std::uint32_t flags, int x, int y) {
            static_cast<std::vector<Call>*>(user)->push_back({message, flags, x, y});
        },
        &calls);
    window.OnMouse(kMouseLeftDown, kMouseFlagLeft, 5, 6);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, kMouseLeftDown);
    EXPECT_EQ(calls[0].flags, kMouseFlagLeft);
    EXPECT_EQ(calls[0].x, 55);
    EXPECT_EQ(calls[0].y, 36);
}

TEST_F(PictureWindowFixture, DestroyForgetsTheHostAndTheClientSize) {
    CreateWith(0);
    window.OnSize(100, 100);
    window.Destroy();
    EXPECT_EQ(window.clientWidth(), 0);
    EXPECT_EQ(window.clientHeight(), 0);
    window.InvalidateImageRect(0, 0, 10, 10, false);
    window.SuspendResize();
    window.ResumeResize();
    EXPECT_TRUE(host.invalidated.empty());
    EXPECT_TRUE(host.posted.empty());
}

}  // namespace
}  // namespace wirbelix
