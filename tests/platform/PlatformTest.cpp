#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <thread>

#include "audio/SoundMixer.h"
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

// What a thread finds out about itself: its scheduling, nice value and stack size.
struct ThreadTraits {
    int policy = -1;
    int priority = -1;
    int nice = 99;
    std::size_t stackBytes = 0;
};

ThreadTraits CurrentThreadTraits() {
    ThreadTraits traits;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &traits.policy, &param);
    traits.priority = param.sched_priority;
    errno = 0;
    traits.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &traits.stackBytes);
        pthread_attr_destroy(&attr);
    }
    return traits;
}

// Whether this process may give a thread real-time round-robin scheduling (root or a
// real-time limit), asked on a thread of its own.
bool RoundRobinAllowed() {
    bool allowed = false;
    std::thread probe([&] {
        sched_param param{};
        param.sched_priority = sched_get_priority_min(SCHED_RR);
        allowed = pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
    });
    probe.join();
    return allowed;
}

TEST(WorkerThread, StartsOneThreadPerObjectWithTheAskedStackAndPriority) {
    const ThreadTraits plain = [] {
        ThreadTraits t;
        std::thread probe([&] { t = CurrentThreadTraits(); });
        probe.join();
        return t;
    }();
    const int processNice = getpriority(PRIO_PROCESS, 0);
    struct Case {
        std::size_t stackBytes;
        ThreadPriority priority;
    };
    for (const Case& c : {Case{kMixerStackBytes, ThreadPriority::Highest},
                          Case{1, ThreadPriority::Normal}}) {
        SCOPED_TRACE(testing::Message() << c.stackBytes << " bytes");
        ThreadTraits seen;
        WorkerThread t;
        ASSERT_TRUE(t.Start([&] { seen = CurrentThreadTraits(); }, c.stackBytes, c.priority));
        EXPECT_FALSE(t.Start([] {}, 32768, ThreadPriority::Normal));  // one thread per object
        t.Join();
        EXPECT_FALSE(t.Joinable());

        // At least what was asked and the system's minimum, and far below a thread's default
        // (sanitizer builds raise small stacks to 1 MiB, still below it).
        EXPECT_GE(seen.stackBytes, std::max<std::size_t>(c.stackBytes, PTHREAD_STACK_MIN));
        EXPECT_LT(seen.stackBytes, plain.stackBytes);

        if (c.priority == ThreadPriority::Normal) {
            EXPECT_EQ(seen.policy, SCHED_OTHER);
            EXPECT_EQ(seen.nice, processNice);
        } else if (RoundRobinAllowed()) {
            EXPECT_EQ(seen.policy, SCHED_RR);
            EXPECT_GT(seen.priority, sched_get_priority_min(SCHED_RR));
        } else {
            // Without real-time rights: the lowest nice value the limit allows.
            rlimit limit{};
            ASSERT_EQ(getrlimit(RLIMIT_NICE, &limit), 0);
            const int lowest = limit.rlim_cur > 20 ? 20 - static_cast<int>(limit.rlim_cur) : 20;
            EXPECT_EQ(seen.policy, SCHED_OTHER);
            EXPECT_EQ(seen.nice, std::min(processNice, std::max(lowest, -20)));
        }
    }
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
