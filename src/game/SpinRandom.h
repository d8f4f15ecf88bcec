// The random sequence of the game: one sequence for the whole program giving whole numbers
// 0..32767, the random part of every spin. It is seeded once when the view is constructed
// (with the tick count) and then drawn by StartSpin on whichever thread handles the release.
//
// The generator is the classic linear congruential one (state x 214013 + 2531011, modulo 2^32;
// the draw is bits 16..30 of the new state). Its fifteen-bit output is what the spin formula
// expects: the draw is scaled by 2^-15 to a fraction of a turn below 1.
//
// Thread contract: thread safe and lock-free. Two threads drawing at once each get a different
// step of the same sequence (the state advances by compare-and-swap), never the same number
// twice because of the race and never a torn state.
#pragma once

#include <cstdint>

namespace wirbelix {

inline constexpr int kSpinRandomMax = 32767;

// Restarts the sequence from seed. Any thread; normally the view's constructor.
void SeedSpinRandom(std::uint32_t seed);

// The next number of the sequence, 0..32767. Any thread.
int DrawSpinRandom();

}  // namespace wirbelix
