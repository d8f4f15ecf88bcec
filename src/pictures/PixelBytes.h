// Unaligned access to the 16- and 32-bit words of pixel rows. Rows, palette entries and the
// header block are stored little-endian, which is the machine's order on every target.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace wirbelix {

static_assert(std::endian::native == std::endian::little,
              "pixels, palette entries and the header block are stored little-endian");

inline std::uint16_t Load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }

inline std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace wirbelix
