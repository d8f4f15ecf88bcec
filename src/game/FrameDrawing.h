// The colours and sizes of a drawn frame, and the colour ramp of the bars.
//
// Layout of the back buffer (W x H, C = column width): player 0's bar column 0..C-1, six
// separator lines C..C+5, the centre area C+6..W-C-7 (black, the scaled background centred in
// it, the rotor on top), six separator lines W-C-6..W-C-1, player 1's bar column W-C..W-1.
// Bar line v (0 at the bottom) is back-buffer row H-1-v.
#pragma once

#include <cstdint>

namespace wirbelix {

// Colour words 0xAARRGGBB. The bars' words keep a top byte of 0, as the ramp below makes them.
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kBarTopColour = 0xFF0000;      // both bars at the full height
inline constexpr std::uint32_t kBarBottomColour0 = 0x00C800;  // player 0's bar at the bottom
inline constexpr std::uint32_t kBarBottomColour1 = 0x0000C8;  // player 1's bar at the bottom

// The six separator lines from left to right, on both sides.
inline constexpr std::uint32_t kSeparatorColours[6] = {0xDEDEDE, 0xBCBCBC, 0x858585,
                                                       0x858585, 0x585858, 0x2C2C2C};
inline constexpr int kSeparatorWidth = 6;

// Rows of star cells in each bar column, stacked from the bottom.
inline constexpr int kStarRows = 15;

// The colour c/d of the way from b to a: for blue, green and red, b + c x (a - b) / d with the
// division truncated toward zero, kept to 8 bits; the top byte is b's. b when d <= 0.
// The bar colour of line v is BlendColour(kBarTopColour, bottom colour, v, H).
std::uint32_t BlendColour(std::uint32_t a, std::uint32_t b, int c, int d);

}  // namespace wirbelix
