#include <gtest/gtest.h>

#include <atomic>
#include <string_view>

#include "platform/ResourceTable.h"
#include "platform/Thread.h"
#include "platform/TickCount.h"

namespace wirbelix {
namespace {

TEST(TickCount, ManualClockDrivesTimeAndWrapsAsUnsigned32Bit) {
    ManualTickClock clock(0xFFFFFFF0u);
    {
        ScopedTickClock use(clock);
        EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
        clock.Advance(0x20);
        EXPECT_EQ(GetTickCount(), 0x10u);
        EXPECT_EQ(GetTickCount() - 0xFFFFFFF0u, 0x20u);  // differences survive the wrap
    }
    // The steady clock again after the scope: it moves forward and never backward.
    std::uint32_t a = GetTickCount(), b = GetTickCount();
    EXPECT_LE(b - a, 1000u);
}

TEST(WorkerThread, RunsBodyWithSmallStackAndRaisedPriorityBestEffort) {
    std::atomic<int> ran{0};
    WorkerThread t;
    ASSERT_TRUE(t.Start([&] { ran.store(1); }, 32768, ThreadPriority::Highest));
    EXPECT_FALSE(t.Start([] {}, 32768, ThreadPriority::Normal));  // one thread per object
    t.Join();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_FALSE(t.Joinable());
    ASSERT_TRUE(t.Start([&] { ran.store(2); }, 1, ThreadPriority::Normal));  // tiny stack is raised
    t.Join();
    EXPECT_EQ(ran.load(), 2);
}

TEST(ResourceTable, FindsEmbeddedResourcesByTypeNameAndNumberWithoutCase) {
    ResourceBytes tick = FindResource("WAVE", "TICK");
    ASSERT_GE(tick.size(), 44u);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(tick.data()), 4), "RIFF");
    EXPECT_EQ(FindResource("wave", "tick").data(), tick.data());
    EXPECT_TRUE(FindResource("WAVE", "NOSUCH").empty());
    EXPECT_TRUE(FindResource("BITMAP", "TICK").empty());
    EXPECT_TRUE(FindResource("WAVE", "#").empty());
    EXPECT_TRUE(FindResource("WAVE", 99999).empty());

    int seen = 0;
    ForEachResource([&](std::string_view type, std::string_view name, int number, ResourceBytes bytes) {
        ++seen;
        EXPECT_FALSE(type.empty());
        if (number >= 0) EXPECT_EQ(FindResource(type, number).data(), bytes.data());
        else EXPECT_EQ(FindResource(type, name).data(), bytes.data());
    });
    EXPECT_GE(seen, 1);
}

}  // namespace
}  // namespace wirbelix
