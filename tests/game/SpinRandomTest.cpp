#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "game/SpinRandom.h"

namespace wirbelix {
namespace {

TEST(SpinRandom, ClassicSequenceInFifteenBits) {
    SeedSpinRandom(1);
    for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358})
        EXPECT_EQ(DrawSpinRandom(), expected);
    SeedSpinRandom(0xDEADBEEF);
    int low = kSpinRandomMax, high = 0;
    for (int i = 0; i < 200000; ++i) {
        const int r = DrawSpinRandom();
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, kSpinRandomMax);
}

TEST(SpinRandom, TwoThreadsDrawingAtOnceShareOneSequenceWithoutLosingAStep) {
    constexpr int kPerThread = 100000;
    SeedSpinRandom(12345);
    std::vector<int> alone(2 * kPerThread);
    for (int& r : alone) r = DrawSpinRandom();

    SeedSpinRandom(12345);
    std::vector<int> a(kPerThread), b(kPerThread);
    std::thread ta([&] { for (int& r : a) r = DrawSpinRandom(); });
    std::thread tb([&] { for (int& r : b) r = DrawSpinRandom(); });
    ta.join();
    tb.join();
    std::vector<int> together = a;
    together.insert(together.end(), b.begin(), b.end());
    std::sort(together.begin(), together.end());
    std::sort(alone.begin(), alone.end());
    EXPECT_EQ(together, alone);  // every step of the sequence drawn exactly once
}

}  // namespace
}  // namespace wirbelix
