// The console command "--image-info FILE [--png OUT]".
#include <gtest/gtest.h>

#include "ImageLoadSupport.h"
#include "pictures/ImageInfoCommand.h"

namespace wirbelix {
namespace {

int RunInfo(std::vector<std::string> args, std::string& out) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    const int code = RunImageInfo(int(argv.size()), argv.data());
    out = ::testing::internal::GetCapturedStdout();
    return code;
}

TEST(ImageLoadInfo, PrintsWhatWasReadAndWritesItAsPng) {
    std::string out;
    const std::string png = testing::ScratchPath("info.png");
    std::remove(png.c_str());
    ASSERT_EQ(RunInfo({"--image-info", testing::DataPath("pngsuite/ftbbn3p08.png"), "--png", png}, out), 0);
    EXPECT_EQ(out, "result=0 depth=32 width=32 height=32 alpha_kind=2\n");
    RasterImage original, written;
    ASSERT_EQ(LoadImageFile(testing::DataPath("pngsuite/ftbbn3p08.png"), original), 0);
    ASSERT_EQ(LoadImageFile(png, written), 0);
    ASSERT_EQ(written.bitsPerPixel(), 32u);
    for (std::uint32_t y = 0; y < 32; ++y)
        for (std::uint32_t x = 0; x < 32; ++x) ASSERT_EQ(written.GetPixel(x, y), original.GetPixel(x, y));

    // Pictures without alpha are written as RGB.
    ASSERT_EQ(RunInfo({"--image-info", testing::DataPath("bmpsuite/g/pal4rle.bmp"), "--png", png}, out), 0);
    ASSERT_EQ(LoadImageFile(png, written), 0);
    EXPECT_EQ(written.bitsPerPixel(), 24u);
    ASSERT_EQ(LoadImageFile(testing::DataPath("bmpsuite/g/pal4rle.bmp"), original), 0);
    EXPECT_TRUE(testing::SameRgb(original, written));
}

TEST(ImageLoadInfo, FailuresShowTheErrorText) {
    std::string out;
    EXPECT_EQ(RunInfo({"--image-info", testing::DataPath("pngsuite/basn0g16.png")}, out), 1);
    EXPECT_EQ(out, "result=-5 depth=0 width=0 height=0 alpha_kind=0\nerror=Falsches Farbformat\n");
    EXPECT_EQ(RunInfo({"--image-info", testing::ScratchPath("missing.png")}, out), 1);
    EXPECT_EQ(out, "result=-3 depth=0 width=0 height=0 alpha_kind=0\nerror=Kann Datei nicht öffnen.\n");
    EXPECT_EQ(RunInfo({"--image-info"}, out), 2);
    EXPECT_EQ(RunInfo({"--image-info", "a.png", "b.png"}, out), 2);
    EXPECT_EQ(RunInfo({"--image-info", testing::DataPath("pngsuite/basn2c08.png"), "--png",
                   testing::ScratchPath("no-such-dir/out.png")},
                  out),
              3);
}

}  // namespace
}  // namespace wirbelix
