// A large 24-bit test picture with structure in every channel, so that no filter step of a
// transform or of the PNG writer meets long flat runs: the user's large background of the
// benchmarks.
#pragma once

#include <cstdint>

#include "pictures/RasterImage.h"

namespace wirbelix {

inline RasterImage MakeStructuredPicture(int side) {
    RasterImage b;
    b.Create(24, side, side, NoFill);
    for (std::uint32_t y = 0; y < b.height(); ++y) {
        std::uint8_t* row = b.Row(y);
        for (std::uint32_t x = 0; x < b.width(); ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x ^ y);
            row[3 * x + 1] = static_cast<std::uint8_t>(x + 2 * y);
            row[3 * x + 2] = static_cast<std::uint8_t>((x * y) >> 6);
        }
    }
    return b;
}

}  // namespace wirbelix
