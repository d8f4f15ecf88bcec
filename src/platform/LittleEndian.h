// Unaligned little-endian words in byte buffers: pixel rows, palette entries and the headers
// of picture files, the chunks of WAVE images, stored settings values. Little-endian is the
// machine's order on every target, so a word is one unaligned copy.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace wirbelix {

static_assert(std::endian::native == std::endian::little,
              "file formats and stored values are little-endian, as is every target");

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
