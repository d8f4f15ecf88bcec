// A view with a hand-set clock and sound clips of the lengths the program ships with, so that
// tests can drive exact times and see which sound each event starts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "game/GameView.h"
#include "game/SoundWords.h"
#include "platform/TickCount.h"

namespace wirbelix {

class GameTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kT0 = 100000;  // well clear of the initial bell times (0)

    GameTest() : clock_(kT0), useClock_(clock_) {
        static const std::uint32_t kLengths[kSoundClipCount] = {27958, 33844, 36245,
                                                                98996, 12781, 465};
        for (int i = 0; i < kSoundClipCount; ++i)
            clips_[i].assign(kLengths[i], static_cast<std::int16_t>(i + 1));
        Restart();
    }
    // A fresh game at kT0: shared words reset, clips loaded, a new view.
    void Restart() {
        view_.reset();
        ResetSoundWords();
        for (int i = 0; i < kSoundClipCount; ++i)
            g_soundClips[i] = SoundClip{clips_[i].data(), static_cast<std::uint32_t>(clips_[i].size())};
        At(kT0);
        view_ = std::make_unique<CWirbelixView>();
    }
    ~GameTest() override { ResetSoundWords(); }

    // The clip that the overlay slot plays, or -1 when the slot is free.
    int OverlayClip(int slot) const {
        if (g_overlays[slot].remaining.load() == 0) return -1;
        for (int i = 0; i < kSoundClipCount; ++i)
            if (g_overlays[slot].next.load() == clips_[i].data()) return i;
        return -2;
    }
    int BusyOverlays() const {
        int n = 0;
        for (const OverlaySlot& s : g_overlays) n += s.remaining.load() != 0;
        return n;
    }
    static void FreeOverlays() {
        for (OverlaySlot& s : g_overlays) s.remaining.store(0);
    }
    int State() const { return g_spinState.load(); }

    // What the frame step does with the game at the current time: both bars (player 0 first,
    // each stored after it is "drawn"), then the rotor and the end of the spin.
    void Frame() {
        const std::uint32_t now = Now();
        for (int i = 0; i < 2; ++i) view_->m_BarHeight[i] = view_->BarValue(i, now);
        view_->AdvanceSpin(now, view_->m_BarHeight[1]);
    }
    // Runs frames every 20 ms until `until` (inclusive of the last whole step).
    void FramesUntil(std::uint32_t until) {
        for (std::uint32_t t = Now(); static_cast<std::int32_t>(until - t) >= 0; t += 20) {
            At(t);
            Frame();
        }
    }
    std::uint32_t Now() { return clock_.Now(); }
    void At(std::uint32_t t) { clock_.Set(t); }

    ManualTickClock clock_;
    ScopedTickClock useClock_;
    std::vector<std::int16_t> clips_[kSoundClipCount];
    std::unique_ptr<CWirbelixView> view_;
};

}  // namespace wirbelix
