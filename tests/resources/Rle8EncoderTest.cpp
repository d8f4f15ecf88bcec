// The RLE8 encoder of the resource generators, checked by decoding what it writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "../../resources/generators/BitmapWriter.h"
#include "pictures/DibDecoder.h"
#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

// Encodes indices of the given width and decodes them again, top row first.
std::vector<std::uint8_t> RoundTrip(int width, const std::vector<std::uint8_t>& indices) {
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 256; ++i) palette.push_back(i << 16 | (255 - i) << 8 | (i ^ 0x55));
    int height = static_cast<int>(indices.size()) / width;
    gen::Bytes dib = gen::DibRle8(width, height, palette, indices);
    RasterImage image;
    EXPECT_EQ(DecodeDib(std::span<const std::uint8_t>(dib.data(), dib.size()), image), DibStatus::Ok);
    std::vector<std::uint8_t> back;
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x) back.push_back(static_cast<std::uint8_t>(image.GetPixel(x, y)));
    return back;
}

TEST(Rle8Encoder, LongRunsLiteralStretchesOfEveryParityAndRowEnds) {
    // Each row mixes runs longer than one code can hold, literal stretches of odd and even
    // length (some longer than 255 pixels) and single pixels, and ends differently.
    const int width = 700;
    std::vector<std::uint8_t> indices;
    gen::Random random(11);
    for (int row = 0; row < 12; ++row) {
        int x = 0;
        while (x < width) {
            int kind = static_cast<int>(random.Next() % 4);
            int n = 1 + static_cast<int>(random.Next() % (kind == 0 ? 600 : kind == 1 ? 300 : 6));
            std::uint8_t v = static_cast<std::uint8_t>(random.Next());
            // kind 0: a run; 1 and 2: a stretch of different pixels; 3: pairs of equal pixels.
            for (int i = 0; i < n && x < width; ++i, ++x) {
                int step = kind == 0 ? 0 : kind == 3 ? i / 2 : i;
                indices.push_back(static_cast<std::uint8_t>(v + step));
            }
        }
    }
    EXPECT_EQ(RoundTrip(width, indices), indices);
}

TEST(Rle8Encoder, NarrowPictures) {
    for (int width : {1, 2, 3}) {
        std::vector<std::uint8_t> indices;
        for (int i = 0; i < width * 5; ++i) indices.push_back(static_cast<std::uint8_t>(i * 37));
        EXPECT_EQ(RoundTrip(width, indices), indices) << width;
    }
}

}  // namespace
}  // namespace wirbelix
