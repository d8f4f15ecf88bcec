// The game's rules in times and sizes: how long a press is held for full strength, when a
// press during a spin rings or starts anew, how fast the bars drain. Times are in the tick
// counter's milliseconds; sizes in pixels of the view.
#pragma once

#include <cstdint>

namespace wirbelix {

// A hold of this long (or longer) charges a spin of full strength; the charge bar rises to the
// view's full height over it, and a spinning player's bar empties at the same rate.
inline constexpr std::uint32_t kFullChargeMs = 2000;

// The start command's charge: beyond kFullChargeMs, so a spin from rest is of full strength.
inline constexpr std::uint32_t kStartCommandHoldMs = 5000;

// A player rings the bell at most once within this many milliseconds of their last bell.
inline constexpr std::uint32_t kBellQuietMs = 100;

// After this much of a spin even its own player's press rings the bell.
inline constexpr std::uint32_t kOwnPressRingsAfterMs = 200;

// This long after the deceleration a press abandons the old spin, even mid-swing, and charges.
inline constexpr std::uint32_t kAbandonSpinAfterMs = 1600;

// A held key's repeated key-downs count as a new press only this long after the last press.
inline constexpr std::uint32_t kKeyRepeatPressMs = 8000;

// The final swing about the resting place lasts this long divided by (1 + 0.15 turns).
inline constexpr double kFinalSwingMs = 8000.0;

// Bars that are no longer held or shown drain by this many pixels a frame.
inline constexpr int kBarDrainPixelsPerFrame = 10;

}  // namespace wirbelix
