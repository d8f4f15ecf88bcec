#include "game/SpinRandom.h"

#include <atomic>

namespace wirbelix {

namespace {

// The generator state. Each draw replaces it by its successor with one compare-and-swap, so
// concurrent draws are serialised on this word alone; relaxed order is enough because nothing
// else is published through it.
std::atomic<std::uint32_t> g_randomState{1};

constexpr std::uint32_t Successor(std::uint32_t state) { return state * 214013u + 2531011u; }

}  // namespace

void SeedSpinRandom(std::uint32_t seed) { g_randomState.store(seed, std::memory_order_relaxed); }

int DrawSpinRandom() {
    std::uint32_t state = g_randomState.load(std::memory_order_relaxed);
    std::uint32_t next = Successor(state);
    while (!g_randomState.compare_exchange_weak(state, next, std::memory_order_relaxed))
        next = Successor(state);
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

}  // namespace wirbelix
