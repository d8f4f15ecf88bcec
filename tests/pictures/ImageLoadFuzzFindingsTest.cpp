// Inputs the fuzzer found (tests/data/fuzz): each once showed a fault and must now end with
// the result given here.
#include <gtest/gtest.h>

#include "ImageLoadSupport.h"
#include "pictures/ImageReader.h"

namespace wirbelix {
namespace {

// The fuzzing harness's pixel limit, restored afterwards.
class ImageLoadFuzzFindings : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ImagePixelLimit();
        SetImagePixelLimit(std::uint64_t(1) << 22);
    }
    void TearDown() override { SetImagePixelLimit(saved_); }

private:
    std::uint64_t saved_ = 0;
};

TEST_F(ImageLoadFuzzFindings, EachInputEndsWithItsResult) {
    struct Case {
        const char* file;
        int result;
        const char* text;
    } const cases[] = {
        {"bmp-rle-huge-empty.bmp", kImageTooLarge, "Das Bild ist zu groß"},
    };
    for (const auto& c : cases) {
        RasterImage image;
        EXPECT_EQ(LoadImageFile(testing::DataPath(std::string("fuzz/") + c.file), image), c.result) << c.file;
        EXPECT_EQ(LastImageError(), c.text) << c.file;
        EXPECT_TRUE(image.empty()) << c.file << ": nothing allocated";
    }
}

}  // namespace
}  // namespace wirbelix
