#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "game/SoundWords.h"

namespace wirbelix {
namespace {

TEST(AddOverlay, FillsTheLowestFreeSlotAndDropsWhatDoesNotFit) {
    ResetSoundWords();
    static const std::int16_t a[4] = {}, b[4] = {};
    struct Call { const std::int16_t* p; std::uint32_t n; int slot; };  // slot -1: ignored
    for (Call c : {Call{nullptr, 10, -1}, Call{a, 0, -1}, Call{a, 0x40000001u, -1},
                   Call{a, 0x40000000u, 0}, Call{b, 1, 1}, Call{a, 2, 2}, Call{b, 3, 3},
                   Call{a, 4, -1}}) {
        std::uint32_t before[kOverlaySlotCount];
        for (int i = 0; i < kOverlaySlotCount; ++i) before[i] = g_overlays[i].remaining.load();
        AddOverlay(c.p, c.n);
        for (int i = 0; i < kOverlaySlotCount; ++i) {
            if (i == c.slot) {
                EXPECT_EQ(g_overlays[i].remaining.load(), c.n);
                EXPECT_EQ(g_overlays[i].next.load(), c.p);
            } else {
                EXPECT_EQ(g_overlays[i].remaining.load(), before[i]);
            }
        }
    }
    // A slot the mixer has emptied is taken again first.
    g_overlays[1].remaining.store(0);
    AddOverlay(a, 7);
    EXPECT_EQ(g_overlays[1].remaining.load(), 7u);
    EXPECT_EQ(g_overlays[1].next.load(), a);
    ResetSoundWords();
}

TEST(AddOverlay, ConcurrentCallersNeverShareASlot) {
    // Each thread registers clips of its own length; every busy slot must pair a pointer with
    // the count that belongs to it.
    static std::int16_t clipA[100], clipB[200];
    for (int round = 0; round < 2000; ++round) {
        ResetSoundWords();
        std::thread t1([] { AddOverlay(clipA, 100); AddOverlay(clipA, 100); });
        std::thread t2([] { AddOverlay(clipB, 200); AddOverlay(clipB, 200); });
        t1.join();
        t2.join();
        for (const OverlaySlot& s : g_overlays) {
            ASSERT_NE(s.remaining.load(), 0u);
            ASSERT_EQ(s.remaining.load(), s.next.load() == clipA ? 100u : 200u);
        }
    }
    ResetSoundWords();
}

}  // namespace
}  // namespace wirbelix
