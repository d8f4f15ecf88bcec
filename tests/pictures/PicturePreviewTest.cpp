// The dialog's preview: the game's fitting rule, the rotor placed and turned at the pivots, the
// section boundaries, and clicks mapped back to picture pixels.
#include <gtest/gtest.h>

#include "pictures/PicturePreview.h"
#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

TEST(PicturePreview, FitsLikeTheGameOnlyReducing) {
    const struct {
        std::uint32_t w, h;
        int maxW, maxH;
        PictureFit frame;
    } cases[] = {
        {200, 100, 100, 100, {100, 200, 100, 50}},
        {50, 50, 100, 100, {50, 50, 50, 50}},      // never enlarged
        {100, 400, 100, 100, {100, 400, 25, 100}},
        {0, 10, 100, 100, {1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        const PictureFit f = FitPicture(c.w, c.h, c.maxW, c.maxH);
        EXPECT_EQ(f.num, c.frame.num) << c.w << 'x' << c.h;
        EXPECT_EQ(f.den, c.frame.den) << c.w << 'x' << c.h;
        EXPECT_EQ(f.width, c.frame.width) << c.w << 'x' << c.h;
        EXPECT_EQ(f.height, c.frame.height) << c.w << 'x' << c.h;
    }
    const PictureFit half{100, 200, 100, 50};
    EXPECT_EQ(PreviewToPicture(half, Point{25, 10}).x, 50);
    EXPECT_EQ(PreviewToPicture(half, Point{25, 10}).y, 20);
}

TEST(PicturePreview, PivotsOutsideThePictureAreTheMiddleAsInTheGame) {
    EXPECT_EQ(CheckedPivot(0, 1024), 512);
    EXPECT_EQ(CheckedPivot(1024, 1024), 512);
    EXPECT_EQ(CheckedPivot(1023, 1024), 1023);
    EXPECT_EQ(CheckedPivot(1, 1024), 1);
}

// A blue 200 x 100 dial and a red 10 x 40 pointer turning about (5, 35), shown at half size:
// the pivot lands at (50, 25), the pointer reaches 17 preview pixels from it.
class PicturePreviewPixels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(background_.Create(24, 200, 100, 0x0000FF));
        ASSERT_TRUE(rotor_.Create(32, 10, 40, 0xFFFF0000));
        choice_.imageX = 100;
        choice_.imageY = 50;
        choice_.rotorX = 5;
        choice_.rotorY = 35;
        choice_.sections = 4;
    }
    std::uint32_t At(int x, int y) const { return out_.GetPixel(x, y) & 0xFFFFFF; }

    RasterImage background_, rotor_, out_;
    PictureChoice choice_;
};

TEST_F(PicturePreviewPixels, RotorIsTurnedByTheOffsetAboutThePivots) {
    const struct {
        int offset;
        Point red, blue;
    } cases[] = {
        {0, {49, 12}, {38, 25}},       // pointing up
        {32768, {38, 25}, {49, 12}},   // 90 degrees: pointing left
        {98304, {62, 25}, {38, 25}},   // 270 degrees: pointing right
    };
    for (const auto& c : cases) {
        choice_.offset = c.offset;
        PictureFit frame;
        ASSERT_TRUE(RenderPicturePreview(background_, &rotor_, choice_, 100, 100, out_, &frame));
        EXPECT_EQ(out_.width(), 100u);
        EXPECT_EQ(out_.height(), 50u);
        EXPECT_EQ(At(c.red.x, c.red.y), 0xFF0000u) << c.offset;
        EXPECT_EQ(At(c.blue.x, c.blue.y), 0x0000FFu) << c.offset;
    }
}

TEST_F(PicturePreviewPixels, SectionBoundariesLieHalfASectionBesideTheRotor) {
    // Four sections, pointer up: boundaries at 45, 135, 225 and 315 degrees.
    ASSERT_TRUE(RenderPicturePreview(background_, nullptr, choice_, 100, 100, out_));
    EXPECT_EQ(At(60, 15), kPreviewBoundaryColour);  // up and right
    EXPECT_EQ(At(40, 15), kPreviewBoundaryColour);  // up and left
    EXPECT_EQ(At(40, 35), kPreviewBoundaryColour);
    EXPECT_EQ(At(60, 35), kPreviewBoundaryColour);
    EXPECT_EQ(At(50, 10), 0x0000FFu);               // straight up: no boundary
    EXPECT_EQ(At(50, 25), kPreviewPivotColour);

    choice_.sections = 2;
    ASSERT_TRUE(RenderPicturePreview(background_, nullptr, choice_, 100, 100, out_));
    EXPECT_EQ(At(30, 25), kPreviewBoundaryColour);  // two sections: left and right
    EXPECT_EQ(At(60, 15), 0x0000FFu);
}

TEST_F(PicturePreviewPixels, RotorAloneShowsItsPivotAndNothingWithoutPictures) {
    PictureFit frame;
    ASSERT_TRUE(RenderRotorPreview(rotor_, Point{5, 35}, 20, 20, out_, &frame));
    EXPECT_EQ(out_.width(), 5u);
    EXPECT_EQ(out_.height(), 20u);
    EXPECT_EQ(PreviewToPicture(frame, Point{2, 17}).y, 34);
    EXPECT_FALSE(RenderRotorPreview(RasterImage{}, Point{}, 20, 20, out_));
    EXPECT_TRUE(out_.empty());
    EXPECT_FALSE(RenderPicturePreview(RasterImage{}, &rotor_, choice_, 100, 100, out_));
    EXPECT_FALSE(RenderPicturePreview(background_, &rotor_, choice_, 0, 100, out_));
}

}  // namespace
}  // namespace wirbelix
