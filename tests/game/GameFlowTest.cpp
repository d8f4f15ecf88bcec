#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "GameFixture.h"

namespace wirbelix {
namespace {

using GameFlow = GameTest;

// ---- Presses, releases and commands as a timed script --------------------------------------

enum class Ev { Down0, Down1, Up0, Up1, Start, Stop };
enum class Sound { None, Bell, Cling1, Cling2, Cling3 };
// Times are relative to the first event, or (AfterDecel) to the moment the last spin's
// deceleration ended (m_SpinEnd), which depends on the random draw.
enum class Base { First, AfterDecel };

struct Step {
    Base base;
    std::int32_t ms;
    Ev event;
    int state;    // g_spinState afterwards
    Sound sound;  // the one-shot sound this event started, if any
};

struct Script {
    const char* name;
    std::vector<Step> steps;
};

constexpr Base F = Base::First;
constexpr Base D = Base::AfterDecel;

const Script kScripts[] = {
    {"charge and release",
     {{F, 0, Ev::Down0, Charging1, Sound::None}, {F, 800, Ev::Up0, Spinning1, Sound::Cling1}}},
    {"player 1 spins with CLING2",
     {{F, 0, Ev::Down1, Charging2, Sound::None}, {F, 10, Ev::Up0, Charging2, Sound::None},
      {F, 500, Ev::Up1, Spinning2, Sound::Cling2}}},
    {"other player's press during a charge rings at most every 101 ms",
     {{F, 0, Ev::Down0, Charging1, Sound::None},
      {F, 50, Ev::Down1, Charging1, Sound::Bell},
      {F, 150, Ev::Down1, Charging1, Sound::None},
      {F, 151, Ev::Down1, Charging1, Sound::Bell},
      {F, 200, Ev::Down0, Charging1, Sound::None},
      {F, 300, Ev::Up1, Charging1, Sound::None},
      {F, 900, Ev::Up0, Spinning1, Sound::Cling1}}},
    {"presses early in a spin: own ignored for 200 ms, other rings",
     {{F, 0, Ev::Down0, Charging1, Sound::None}, {F, 1000, Ev::Up0, Spinning1, Sound::Cling1},
      {F, 1100, Ev::Down1, Spinning1, Sound::Bell}, {F, 1200, Ev::Down0, Spinning1, Sound::None},
      {F, 1201, Ev::Down0, Spinning1, Sound::Bell}, {F, 1300, Ev::Up0, Spinning1, Sound::None}}},
    {"1600 ms after the deceleration still rings, 1601 ms starts a new charge",
     {{F, 0, Ev::Down0, Charging1, Sound::None}, {F, 700, Ev::Up0, Spinning1, Sound::Cling1},
      {D, 1600, Ev::Down1, Spinning1, Sound::Bell}, {D, 1601, Ev::Down1, Charging2, Sound::None},
      {D, 1700, Ev::Up1, Spinning2, Sound::Cling2}}},
    {"Start from idle, during a charge and during a spin; Stop",
     {{F, 0, Ev::Start, Spinning1, Sound::Cling3}, {F, 100, Ev::Down1, Spinning1, Sound::Bell},
      {F, 300, Ev::Start, Spinning1, Sound::Cling3}, {F, 400, Ev::Stop, Idle, Sound::None},
      {F, 401, Ev::Up0, Idle, Sound::None}, {F, 500, Ev::Down1, Charging2, Sound::None},
      {F, 600, Ev::Start, Spinning1, Sound::Cling3}, {F, 700, Ev::Up1, Spinning1, Sound::None}}},
};

std::string Name(Sound s) {
    switch (s) {
        case Sound::None: return "none";
        case Sound::Bell: return "bell";
        case Sound::Cling1: return "CLING1";
        case Sound::Cling2: return "CLING2";
        case Sound::Cling3: return "CLING3";
    }
    return "?";
}

TEST_F(GameFlow, TimedScriptsGiveTheExpectedStatesAndSounds) {
    for (const Script& script : kScripts) {
        SCOPED_TRACE(script.name);
        Restart();
        const std::uint32_t first = kT0 + 1000;
        for (const Step& step : script.steps) {
            const std::uint32_t base = step.base == Base::First ? first : view_->m_SpinEnd;
            const std::uint32_t t = base + static_cast<std::uint32_t>(step.ms);
            SCOPED_TRACE(std::to_string(step.ms) + " ms");
            At(t);
            FreeOverlays();
            switch (step.event) {
                case Ev::Down0: view_->PlayerButtonDown(0, t); break;
                case Ev::Down1: view_->PlayerButtonDown(1, t); break;
                case Ev::Up0: view_->StartSpin(0, t, false); break;
                case Ev::Up1: view_->StartSpin(1, t, false); break;
                case Ev::Start: view_->OnStart(); break;
                case Ev::Stop: view_->OnStopPointer(); break;
            }
            EXPECT_EQ(State(), step.state);
            Sound heard = Sound::None;
            const int clip = OverlayClip(0);
            if (clip == ClipError) heard = Sound::Bell;
            if (clip == ClipCling1) heard = Sound::Cling1;
            if (clip == ClipCling2) heard = Sound::Cling2;
            if (clip == ClipCling3) heard = Sound::Cling3;
            EXPECT_EQ(Name(heard), Name(step.sound));
            EXPECT_LE(BusyOverlays(), 1);
            // The mixer follows the state: sweep while charging, ticks while spinning.
            if (step.state == Charging1 || step.state == Charging2) {
                EXPECT_EQ(g_mixMode.load(), MixSweep);
            }
            if (step.state == Spinning1 || step.state == Spinning2) {
                EXPECT_EQ(g_mixMode.load(), MixTicks);
            }
            if (step.state == Idle) {
                EXPECT_EQ(g_mixMode.load(), MixSilent);
            }
        }
    }
}

TEST_F(GameFlow, InvalidPlayersAndStrayReleasesChangeNothing) {
    CWirbelixView& v = *view_;
    v.PlayerButtonDown(2, kT0);
    v.PlayerButtonDown(-1, kT0);
    v.StartSpin(0, kT0, false);
    EXPECT_EQ(State(), Idle);
    EXPECT_EQ(g_mixMode.load(), MixSilent);
    EXPECT_EQ(BusyOverlays(), 0);
    v.PlayerButtonDown(1, kT0);
    v.StartSpin(2, kT0 + 500, false);
    v.StartSpin(0, kT0 + 500, false);
    EXPECT_EQ(State(), Charging2);
    EXPECT_EQ(v.m_PressStart, kT0);
}

// ---- Start and Stop -------------------------------------------------------------------------

TEST_F(GameFlow, StartFromIdleIsAFullSpinWithHiddenBars) {
    CWirbelixView& v = *view_;
    v.m_Height = 500;
    v.m_BarHeight[0] = 120;  // a bar still draining from before: hidden at once
    v.OnStart();
    EXPECT_EQ(State(), Spinning1);
    EXPECT_DOUBLE_EQ(v.m_Strength, 1.0);
    EXPECT_EQ(v.m_BarMode, 1);
    for (std::uint32_t t = Now(); t < v.m_SpinEnd + 200; t += 20) {
        At(t);
        Frame();
        ASSERT_EQ(v.m_BarHeight[0], 0) << t - kT0;
        ASSERT_EQ(v.m_BarHeight[1], 0);
    }
    EXPECT_EQ(v.m_BarMode, 0);  // back to normal once the deceleration is over
}

TEST_F(GameFlow, StartDuringASpinIsAsStrongAsItsDecelerationAndFreezesTheBars) {
    CWirbelixView& v = *view_;
    v.m_Height = 400;
    v.PlayerButtonDown(0, kT0);
    At(kT0 + 600);
    v.StartSpinWithDraw(0, kT0 + 600, false, 0);
    const int firstMs = v.m_DurationMs;
    ASSERT_GT(firstMs, 1000);
    ASSERT_LT(firstMs, 2000);
    FramesUntil(kT0 + 1000);
    const int frozen = v.m_BarHeight[0];
    ASSERT_EQ(frozen, 400 * 600 / 2000);

    v.OnStart();
    EXPECT_EQ(State(), Spinning1);
    EXPECT_DOUBLE_EQ(v.m_Strength, firstMs * 0.0005);
    EXPECT_EQ(v.m_BarMode, 2);
    EXPECT_EQ(OverlayClip(1), ClipCling3);  // slot 0 still plays CLING1

    // Frozen until the new deceleration is over, then 10 pixels a frame, then normal again.
    const std::uint32_t end = v.m_SpinEnd;
    FramesUntil(end - 1);
    EXPECT_EQ(v.m_BarHeight[0], frozen);
    At(end + 1);
    Frame();
    EXPECT_EQ(v.m_BarHeight[0], frozen - 10);
    FramesUntil(end + 20 * (frozen / 10 + 2));
    EXPECT_EQ(v.m_BarHeight[0], 0);
    EXPECT_EQ(v.m_BarMode, 0);
}

TEST_F(GameFlow, StopHoldsTheRotorWhereItIsAndTheNextSpinStartsThere) {
    CWirbelixView& v = *view_;
    v.PlayerButtonDown(0, kT0);
    At(kT0 + 1500);
    v.StartSpin(0, kT0 + 1500, false);
    FramesUntil(kT0 + 2345);
    const int stoppedAt = v.m_Angle;
    v.OnStopPointer();
    EXPECT_EQ(State(), Idle);
    EXPECT_EQ(g_mixMode.load(), MixSilent);
    FramesUntil(kT0 + 4000);
    EXPECT_EQ(v.m_Angle, stoppedAt);
    v.PlayerButtonDown(1, Now());
    v.StartSpin(1, Now() + 300, false);
    EXPECT_EQ(v.m_StartAngle, stoppedAt);
}

// ---- Bars and the end of a spin ------------------------------------------------------------

TEST_F(GameFlow, BarRisesWhileHeldStandsDuringDecelerationAndEmptiesAfter) {
    CWirbelixView& v = *view_;
    v.m_Height = 501;
    v.PlayerButtonDown(0, kT0);
    At(kT0 + 400);
    EXPECT_EQ(v.BarValue(0, Now()), 100);  // 400/2000 of 501, truncated
    FramesUntil(kT0 + 800);
    EXPECT_EQ(v.m_BarHeight[0], 200);
    v.StartSpin(0, kT0 + 800, false);
    const std::uint32_t end = v.m_SpinEnd;
    EXPECT_EQ(v.BarValue(0, end - 1), 200);     // 0.4 x 501 = 200.4
    EXPECT_EQ(v.BarValue(0, end + 400), 100);   // 200 - 400 x 501 / 2000 = 99.8
    EXPECT_EQ(v.BarValue(0, end + 799), 0);
    EXPECT_EQ(v.BarValue(1, end + 100), 0);
    // A press stamped in the future (the remote box's clock ahead) shows nothing yet.
    v.OnStopPointer();
    v.PlayerButtonDown(1, Now() + 300);
    EXPECT_EQ(v.BarValue(1, Now()), 0);
    EXPECT_EQ(v.BarValue(1, Now() + 1300), 501 / 2);
    // A bar is never taller than the view, even after the window shrank.
    v.m_Height = 100;
    EXPECT_EQ(v.BarValue(1, Now() + 5000), 100);
}

TEST_F(GameFlow, SpinEndsAtTheLaterOfSwingEndAndPlayerOnesEmptyBar) {
    struct Case {
        int player;
        double turnCount;
        bool barLater;  // player 1's bar empties after the swing ends
    };
    for (Case c : {Case{0, 5.0, false}, Case{1, 5.0, false}, Case{1, 20.0, true}}) {
        SCOPED_TRACE(c.player * 100 + c.turnCount);
        Restart();
        CWirbelixView& v = *view_;
        v.m_Height = 400;
        v.m_TurnCount(v.LockGameInput()) = c.turnCount;
        v.PlayerButtonDown(c.player, kT0);
        FramesUntil(kT0 + 2000);
        v.StartSpin(c.player, Now(), false);
        const std::uint32_t release = Now();
        const std::uint32_t swingEnd =
            v.m_SpinEnd +
            static_cast<std::uint32_t>(std::ceil(8000.0 / (1.0 + 0.15 * v.m_Turns)));
        const std::uint32_t barEmpty = c.player == 1 ? v.m_SpinEnd + 2000 : release;
        ASSERT_EQ(swingEnd < barEmpty, c.barLater);
        std::uint32_t idleAt = 0;
        for (std::uint32_t t = release; t < release + 20000 && !idleAt; t += 20) {
            At(t);
            Frame();
            if (State() == Idle) idleAt = t;
            if (t > swingEnd + 20) {
                EXPECT_EQ(g_mixMode.load(), MixSilent);
            }
        }
        const std::uint32_t expected = std::max(swingEnd, barEmpty);
        EXPECT_GE(idleAt, expected);
        EXPECT_LT(idleAt, expected + 60);
        EXPECT_EQ(v.m_Angle, v.SpinAngleAt(idleAt + 100000).angle);  // resting angle
    }
}

// ---- Stars and keys -------------------------------------------------------------------------

TEST_F(GameFlow, StarCountsWrapModuloTheLimit) {
    struct Case { int limit, from; bool up; int to; };
    for (Case c : {Case{8, 7, true, 0}, Case{8, 0, false, 7}, Case{25, 24, true, 0},
                   Case{25, 0, false, 24}, Case{8, 3, true, 4}, Case{8, 20, true, 5},
                   Case{8, 20, false, 3}}) {
        SCOPED_TRACE(testing::Message() << c.limit << " " << c.from << (c.up ? " up" : " down"));
        CWirbelixView& v = *view_;
        v.m_StarLimit = c.limit;
        v.m_Stars[0] = static_cast<std::uint8_t>(c.from);
        v.m_Stars[1] = 9;
        c.up ? v.OnStarsUp(0) : v.OnStarsDown(0);
        EXPECT_EQ(v.m_Stars[0], c.to);
        EXPECT_EQ(v.m_Stars[1], 9);
    }
    // A player number beyond the second changes no one's stars.
    CWirbelixView& v = *view_;
    v.m_StarLimit = 8;
    v.m_Stars[0] = 3;
    v.m_Stars[1] = 5;
    v.OnStarsUp(2);
    v.OnStarsDown(2);
    EXPECT_EQ(v.m_Stars[0], 3);
    EXPECT_EQ(v.m_Stars[1], 5);
}

TEST_F(GameFlow, HeldKeyRepeatsItsPressOnlyAfterEightSeconds) {
    CWirbelixView& v = *view_;
    v.PlayerButtonDown(0, kT0);  // player 0 charges; every press of player 1 that passes rings
    int bells = 0;
    std::vector<std::uint32_t> bellTimes;
    for (std::uint32_t ms = 10; ms <= 10000; ms += 33) {  // F8 held, repeating every 33 ms
        At(kT0 + ms);
        FreeOverlays();
        v.OnKeyDown(kKeyF8);
        v.OnKeyDown(0x41);  // a key that is not a player key does nothing
        if (OverlayClip(0) == ClipError) bellTimes.push_back(ms);
    }
    bells = static_cast<int>(bellTimes.size());
    ASSERT_EQ(bells, 2);
    EXPECT_EQ(bellTimes[0], 10u);
    EXPECT_EQ(bellTimes[1], 10u + 33u * 243u);  // first repeat at 8000 ms or later
    v.OnKeyUp(kKeyF8);
    EXPECT_EQ(v.m_KeyDown[1], 0u);
    EXPECT_EQ(State(), Charging1);
    At(kT0 + 10500);
    v.OnKeyUp(kKeyF7);
    EXPECT_EQ(State(), Spinning1);
    EXPECT_DOUBLE_EQ(v.m_Strength, 1.0);
}

}  // namespace
}  // namespace wirbelix
