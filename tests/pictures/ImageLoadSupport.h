// Helpers of the picture-file tests: scratch files, loading from bytes, pixel comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/ImageFile.h"
#include "pictures/ImageStream.h"
#include "pictures/RasterImage.h"

namespace wirbelix::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string DataPath(const std::string& relative) { return std::string(WIRBELIX_TEST_DATA) + "/" + relative; }

// A fresh path in the build tree for a file a test writes.
inline std::string ScratchPath(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(WIRBELIX_BINARY_DIR) / "test-scratch" / "pictures";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes FromText(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Loads bytes through an in-memory stream.
inline int LoadBytes(const Bytes& bytes, RasterImage& image) {
    ImageStream stream;
    stream.OpenMemory(bytes);
    return LoadImageFile(stream, image);
}

// The colour word of pixel (x, y) with the alpha byte as the image gives it (palette fourth
// byte for indexed images).
inline std::uint32_t Colour(const RasterImage& image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = image.ReadRow32(y) + 4 * x;
    return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// Red, green, blue of pixel (x, y), alpha cleared.
inline std::uint32_t Rgb(const RasterImage& image, std::uint32_t x, std::uint32_t y) {
    return Colour(image, x, y) & 0x00FFFFFFu;
}

// Compares the colours (without alpha) of two images of the same size; reports the first
// difference.
inline ::testing::AssertionResult SameRgb(const RasterImage& a, const RasterImage& b, int tolerance = 0) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs " << b.width()
                                             << "x" << b.height();
    for (std::uint32_t y = 0; y < a.height(); ++y)
        for (std::uint32_t x = 0; x < a.width(); ++x) {
            const std::uint32_t p = Rgb(a, x, y), q = Rgb(b, x, y);
            for (int s = 0; s < 24; s += 8) {
                const int d = int((p >> s) & 255) - int((q >> s) & 255);
                if (d > tolerance || d < -tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << "): " << std::hex << p << " vs " << q;
            }
        }
    return ::testing::AssertionSuccess();
}

}  // namespace wirbelix::testing
