// Waiting for an event in tests: the condition is polled until it holds, with a cap that a
// loaded machine never reaches, so that a test waits for what it needs and never for a
// guessed time.
#pragma once

#include <chrono>
#include <thread>

namespace wirbelix::test {

// Polls cond every 5 ms until it holds or limitMs pass; true when it held.
template <class Cond>
bool WaitUntil(Cond cond, int limitMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace wirbelix::test
