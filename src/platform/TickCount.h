// The millisecond tick counter of the game: unsigned 32-bit, wrapping after about 49.7 days,
// taken from a steady clock so that it never jumps when the wall clock is set. Differences of
// two tick times are taken in unsigned 32-bit arithmetic.
//
// Tests replace the clock with one they set by hand (TickClock). Every part of the program
// reads time only through GetTickCount, so a test drives exact times.
#pragma once

#include <atomic>
#include <cstdint>

namespace wirbelix {

// A source of tick times. Implementations must be callable from any thread.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual std::uint32_t Now() = 0;
};

// Milliseconds since an arbitrary fixed moment, from the steady clock or from the clock set
// with SetTickClock. Thread safe, non-blocking.
std::uint32_t GetTickCount();

// Makes GetTickCount read clock (not owned; it must outlive its use), or the steady clock again
// when clock is null. Returns the clock that was in use before (null for the steady clock).
TickClock* SetTickClock(TickClock* clock);

// A clock that tests set and advance by hand. Thread safe.
class ManualTickClock final : public TickClock {
public:
    explicit ManualTickClock(std::uint32_t start = 0) : now_(start) {}
    std::uint32_t Now() override { return now_.load(std::memory_order_acquire); }
    void Set(std::uint32_t t) { now_.store(t, std::memory_order_release); }
    void Advance(std::uint32_t ms) { now_.fetch_add(ms, std::memory_order_acq_rel); }

private:
    std::atomic<std::uint32_t> now_;
};

// Installs a clock for the lifetime of the object and restores the previous one after it.
class ScopedTickClock {
public:
    explicit ScopedTickClock(TickClock& clock) : previous_(SetTickClock(&clock)) {}
    ~ScopedTickClock() { SetTickClock(previous_); }
    ScopedTickClock(const ScopedTickClock&) = delete;
    ScopedTickClock& operator=(const ScopedTickClock&) = delete;

private:
    TickClock* previous_;
};

}  // namespace wirbelix
