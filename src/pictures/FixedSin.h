// Table-based sine for picture rotation. Angles are integers in units of 1/131072 of a full turn
// (32768 = a quarter turn); only the low 17 bits matter. The result is sin(angle) x 65536.
//
// Pure function, callable from any thread.
#pragma once

#include <cstdint>

namespace wirbelix {

inline constexpr int kAngleUnitsPerTurn = 131072;

// sin(angle) scaled by 65536 (FixedSin(32768) = 65536), interpolated linearly between 129 table
// entries per quarter turn. The cosine is FixedSin(angle + 32768).
std::int32_t FixedSin(std::int32_t angle);

}  // namespace wirbelix
