#include "platform/TickCount.h"

#include <chrono>

namespace wirbelix {

namespace {

// The clock set by a test, or null for the steady clock. Acquire/release so that a clock
// object built before SetTickClock is seen whole by other threads.
std::atomic<TickClock*> g_clock{nullptr};

}  // namespace

std::uint32_t GetTickCount() {
    if (TickClock* clock = g_clock.load(std::memory_order_acquire)) return clock->Now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms.count()));
}

TickClock* SetTickClock(TickClock* clock) {
    return g_clock.exchange(clock, std::memory_order_acq_rel);
}

}  // namespace wirbelix
