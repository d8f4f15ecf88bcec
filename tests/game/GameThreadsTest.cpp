#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "GameFixture.h"

namespace wirbelix {
namespace {

using GameThreads = GameTest;

// The window thread (keys, commands, frames) and the remote-control thread press and release
// at once while the mixing thread reads its words, as in the running program. Every word the
// mixer sees must be whole and consistent: a state 0..4, a schedule count of at most 128, and
// every busy overlay slot pairing a pointer with a count that stays inside its clip.
TEST_F(GameThreads, TwoThreadsPressWhileTheMixerReads) {
    CWirbelixView& v = *view_;
    v.m_Height = 300;
    std::atomic<bool> go{false}, stop{false};
    std::atomic<int> pressersDone{0};
    std::atomic<long> badWords{0};

    auto presser = [&](int player, unsigned seed) {
        std::mt19937 rng(seed);
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < 4000; ++i) {
            v.PlayerButtonDown(player, GetTickCount());
            v.PlayerButtonDown(1 - player, GetTickCount());  // the other button: a bell, usually
            clock_.Advance(rng() % 400);
            v.StartSpin(player, GetTickCount(), false);
            clock_.Advance(rng() % 3000);
        }
        pressersDone.fetch_add(1);
    };

    auto mixer = [&] {
        while (!stop.load()) {
            const int mode = g_mixMode.load(std::memory_order_acquire);
            const std::uint32_t pos = g_mixPos.load(std::memory_order_relaxed);
            if (mode < 0 || mode > 2) badWords.fetch_add(1);
            if (mode == MixTicks) {
                const int count = g_tickSchedule.count.load(std::memory_order_acquire);
                if (count < 0 || count > TickSchedule::kMaxEntries) badWords.fetch_add(1);
                for (int i = 0; i < count && i < TickSchedule::kMaxEntries; ++i) {
                    const TickEntry& e = g_tickSchedule.entries[i];
                    if (e.startSample.load(std::memory_order_relaxed) <= pos)
                        (void)e.endSample.load(std::memory_order_relaxed);
                }
            }
            std::uint32_t seen = pos;  // the game may have reset it meanwhile
            g_mixPos.compare_exchange_strong(seen, pos + 512, std::memory_order_relaxed);
            for (OverlaySlot& slot : g_overlays) {
                const std::uint32_t left = slot.remaining.load(std::memory_order_acquire);
                if (left == 0) continue;
                const std::int16_t* next = slot.next.load(std::memory_order_relaxed);
                bool inside = false;
                for (const auto& clip : clips_)
                    inside |= next >= clip.data() && next + left == clip.data() + clip.size();
                if (!inside) badWords.fetch_add(1);
                const std::uint32_t n = left < 512 ? left : 512;
                slot.next.store(next + n, std::memory_order_relaxed);
                slot.remaining.store(left - n, std::memory_order_release);
            }
            const int state = g_spinState.load(std::memory_order_acquire);
            if (state < Idle || state > Spinning2) badWords.fetch_add(1);
        }
    };

    std::thread remote(presser, 1, 7u);
    std::thread keys(presser, 0, 11u);
    std::thread mixing(mixer);
    // This thread is the window thread's frame step and, now and then, a Start or Stop.
    int frames = 0;
    go.store(true);
    do {
        const std::uint32_t now = GetTickCount();
        for (int i = 0; i < 2; ++i) v.m_BarHeight[i] = v.BarValue(i, now);
        v.AdvanceSpin(now, v.m_BarHeight[1]);
        if (++frames % 97 == 0) v.OnStart();
        if (frames % 389 == 0) v.OnStopPointer();
        std::this_thread::yield();
    } while (pressersDone.load() < 2);
    remote.join();
    keys.join();
    stop.store(true);
    mixing.join();

    EXPECT_EQ(badWords.load(), 0);
    EXPECT_GT(frames, 0);
    const int state = State();
    EXPECT_TRUE(state >= Idle && state <= Spinning2);
    EXPECT_LE(g_tickSchedule.count.load(), TickSchedule::kMaxEntries);
}

}  // namespace
}  // namespace wirbelix
