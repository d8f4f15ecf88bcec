// Fuzzing of LoadImageFile on an in-memory stream: every reader is reached through the format
// detection. Pictures above 4 million pixels are refused before allocation, so that the
// fuzzer's memory limit catches real leaks and runaway allocations, not large valid sizes.
//
// Run (CORPUS is a scratch directory; the others seed it with small valid files of every format):
//   build/fuzz/tests/fuzz_image_load -max_total_time=600 -rss_limit_mb=2048 -timeout=10 CORPUS \
//       tests/fuzz/image_load_seeds tests/data/netpbm tests/data/pngsuite tests/data/bmpsuite/g \
//       tests/data/bmpsuite/q tests/data/bmpsuite/b
// Inputs that showed a fault go to tests/data/fuzz with a test in ImageLoadFuzzFindingsTest.cpp.
#include <cstddef>
#include <cstdint>

#include "pictures/ImageFile.h"
#include "pictures/ImageStream.h"
#include "pictures/RasterImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wirbelix::SetImagePixelLimit(std::uint64_t(1) << 22);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    wirbelix::ImageStream stream;
    stream.OpenMemory({data, size});
    wirbelix::RasterImage image;
    std::string text;
    const int result = wirbelix::LoadImageFile(stream, image, &text);
    // Touch every pixel the reader claims to have written.
    if (result == wirbelix::kImageOk && !image.empty()) {
        volatile std::uint32_t sum = 0;
        for (std::uint32_t y = 0; y < image.height(); ++y) {
            const std::uint8_t* row = image.ReadRow32(y);
            for (std::uint32_t x = 0; x < image.width() * 4; ++x) sum = sum + row[x];
        }
        (void)image.AlphaKind();
    }
    return 0;
}
