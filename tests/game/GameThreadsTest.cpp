#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "GameFixture.h"
#include "audio/SoundMixer.h"

namespace wirbelix {
namespace {

using GameThreads = GameTest;

// The window thread (keys, commands, frames) and the remote-control thread press and release
// at once while the real mixer makes blocks from the shared words, as in the running program.
// Every word the mixer sees must be whole and consistent: a state 0..4, a mode 0..2, a
// schedule count of at most 128, and every busy overlay slot pairing a pointer with a count
// that ends exactly at its clip's end (the mixer reads that far). Under the sanitizer builds
// the mixer's own reads are checked as well.
TEST_F(GameThreads, TwoThreadsPressWhileTheMixerReads) {
    CWirbelixView& v = *view_;
    v.m_Height = 300;
    std::atomic<bool> go{false}, stop{false};
    std::atomic<int> pressersDone{0};
    std::atomic<long> badWords{0};
    std::atomic<long> blocksOfMode[3] = {0, 0, 0};
    std::atomic<long> overlayBlocks{0};
    std::atomic<long> blocks{0};

    auto presser = [&](int player, unsigned seed) {
        std::mt19937 rng(seed);
        while (!go.load()) std::this_thread::yield();
        // One block at least per phase, so that the mixer meets every phase of the game.
        auto letTheMixerRun = [&] {
            const long mixed = blocks.load();
            while (blocks.load() == mixed) std::this_thread::yield();
        };
        for (int i = 0; i < 4000; ++i) {
            v.PlayerButtonDown(player, GetTickCount());
            v.PlayerButtonDown(1 - player, GetTickCount());  // the other button: a bell, usually
            clock_.Advance(rng() % 400);
            letTheMixerRun();
            v.StartSpin(player, GetTickCount(), false);
            clock_.Advance(rng() % 3000);
            letTheMixerRun();
        }
        pressersDone.fetch_add(1);
    };

    auto mixer = [&] {
        std::int16_t block[kMixBlockSamples];
        while (!stop.load()) {
            const int mode = g_mixMode.load(std::memory_order_acquire);
            if (mode < MixSilent || mode > MixTicks) badWords.fetch_add(1);
            else blocksOfMode[mode].fetch_add(1);
            if (mode == MixTicks) {
                const int count = g_tickSchedule.count.load(std::memory_order_acquire);
                if (count < 0 || count > TickSchedule::kMaxEntries) badWords.fetch_add(1);
            }
            // Only the mixer frees a slot, so a busy slot stays as read here until MixBlock.
            for (OverlaySlot& slot : g_overlays) {
                const std::uint32_t left = slot.remaining.load(std::memory_order_acquire);
                if (left == 0) continue;
                overlayBlocks.fetch_add(1);
                const std::int16_t* next = slot.next.load(std::memory_order_relaxed);
                bool inside = false;
                for (const auto& clip : clips_)
                    inside |= next >= clip.data() && next + left == clip.data() + clip.size();
                if (!inside) badWords.fetch_add(1);
            }
            MixBlock(block);
            blocks.fetch_add(1);
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

    // The mixer went through the sweeps, the ticks and the overlays the presses started.
    EXPECT_GT(blocksOfMode[MixSweep].load(), 0);
    EXPECT_GT(blocksOfMode[MixTicks].load(), 0);
    EXPECT_GT(overlayBlocks.load(), 0);
    // Whatever the presses left behind, a spin in progress comes to rest and its ticks end
    // within the longest spin's time (a hold of 2000 ms, the slowing down and a swing of at
    // most 8000 ms); the words stay consistent meanwhile. (The spin itself ends only once the
    // second player's bar is empty, which a held press may prevent.)
    for (int t = 0; t < 15000; t += 20) {
        clock_.Advance(20);
        Frame();
    }
    stop.store(true);
    mixing.join();

    EXPECT_EQ(badWords.load(), 0);
    EXPECT_NE(g_mixMode.load(), MixTicks) << "state " << State();
    EXPECT_LE(g_tickSchedule.count.load(), TickSchedule::kMaxEntries);
}

}  // namespace
}  // namespace wirbelix
