#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "GameFixture.h"

namespace wirbelix {
namespace {

using SpinPhysics = GameTest;

// The reference spin: six sections, 5 turns, 1200 ms held, draw 16384, rotor at 0 degrees.
TEST_F(SpinPhysics, ReferenceSpinGivesTheKnownTravelDurationTicksAndAngles) {
    CWirbelixView& v = *view_;
    v.PlayerButtonDown(0, kT0);
    ASSERT_EQ(State(), Charging1);
    ASSERT_EQ(g_mixMode.load(), MixSweep);
    const std::uint32_t release = kT0 + 1200;
    At(release);
    v.StartSpinWithDraw(0, release, false, 16384);

    EXPECT_EQ(State(), Spinning1);
    EXPECT_DOUBLE_EQ(v.m_Strength, 0.6);
    EXPECT_DOUBLE_EQ(v.m_Turns, 3.5);
    EXPECT_NEAR(v.m_Duration, 2.9552, 0.00005);
    EXPECT_EQ(v.m_DurationMs, 2955);
    EXPECT_EQ(v.m_PressStart, release);
    EXPECT_EQ(v.m_SpinEnd, release + 2955);
    EXPECT_EQ(g_mixMode.load(), MixTicks);
    EXPECT_EQ(g_mixPos.load(), 0u);
    EXPECT_EQ(OverlayClip(0), ClipCling1);

    ASSERT_EQ(g_tickSchedule.count.load(), 21);
    struct Tick { int i; std::uint32_t start, step; };
    for (Tick t : {Tick{0, 1225, 216}, Tick{1, 4619, 217}, Tick{2, 8102, 219},
                   Tick{20, 115833, 254}}) {
        SCOPED_TRACE(t.i);
        EXPECT_EQ(g_tickSchedule.entries[t.i].startSample.load(), t.start);
        EXPECT_EQ(g_tickSchedule.entries[t.i].step.load(), t.step);
    }
    EXPECT_EQ(g_tickSchedule.entries[0].endSample.load(), 1617u);
    for (int i = 1; i < 21; ++i) {
        EXPECT_GE(g_tickSchedule.entries[i].startSample.load(),
                  g_tickSchedule.entries[i - 1].startSample.load());
        EXPECT_GE(g_tickSchedule.entries[i].step.load(), g_tickSchedule.entries[i - 1].step.load());
    }

    struct Moment { std::uint32_t ms; int angle; };
    for (Moment m : {Moment{0, 0}, Moment{500, 8}, Moment{1000, 313}, Moment{2000, 13},
                     Moment{2955, 180}}) {
        SCOPED_TRACE(m.ms);
        SpinAngle a = v.SpinAngleAt(release + m.ms);
        EXPECT_EQ(a.angle, m.angle);
        EXPECT_FALSE(a.swingEnded);
    }
    // The swing lasts 8000 / (1 + 0.15 x 3.5) = 5245.9 ms and ends on the resting angle.
    EXPECT_FALSE(v.SpinAngleAt(release + 2955 + 5245).swingEnded);
    SpinAngle rest = v.SpinAngleAt(release + 2955 + 5246);
    EXPECT_TRUE(rest.swingEnded);
    EXPECT_EQ(rest.angle, 180);
    // The overshoot of the swing stays within its 13.75 degree envelope.
    for (std::uint32_t ms = 2956; ms < 2955 + 5246; ms += 7) {
        int a = v.SpinAngleAt(release + ms).angle;
        int off = ((a - 180) % 360 + 540) % 360 - 180;
        EXPECT_LE(std::abs(off), 14) << ms;
    }
}

// Charges player 0 for pressMs and releases with the given draw.
void Spin(CWirbelixView& v, std::uint32_t release, std::int32_t pressMs, int draw) {
    v.PlayerButtonDown(0, release - static_cast<std::uint32_t>(pressMs));
    v.StartSpinWithDraw(0, release, false, draw);
}

TEST_F(SpinPhysics, TravelIsWholeSectionsFromTheNearestLandingPosition) {
    struct Case {
        const char* what;
        int sections, angle, pressMs, draw;
        double turnCount;
        double turns;       // expected travel R
        int ticks;          // expected schedule entries (-1: not checked)
        int restAngle;
        double turnCountAfter;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"rem 29 goes back", 6, 29, 1200, 16384, 5.0, 3.5 - 29 / 360.0, 21, 180, 5.0},
        // The last boundary falls exactly on the end of the travel; rounding decides it.
        {"rem 30 goes forward", 6, 30, 1200, 16384, 5.0, 3.5 + 30 / 360.0, -1, 240, 5.0},
        {"rem 359 is -1", 6, 359, 1200, 16384, 5.0, 3.5 + 1 / 360.0, 21, 180, 5.0},
        {"no travel at all", 6, 0, 0, 0, 5.0, 0.0, 0, 0, 5.0},
        {"7 sections, one", 7, 0, 0, 4681, 5.0, 1 / 7.0, 1, 51, 5.0},
        {"7 sections, two", 7, 0, 0, 9362, 5.0, 2 / 7.0, 2, 103, 5.0},
        {"7 sections, three", 7, 0, 0, 14043, 5.0, 3 / 7.0, 3, 154, 5.0},
        {"7 sections from 103", 7, 103, 0, 4681, 5.0, 1 / 7.0 - 1 / 360.0, 1, 153, 5.0},
        // Travel below 0 becomes a whole turn to the same landing position.
        {"travel below 0", 6, 20, 0, 0, 5.0, 1.0 - 20 / 360.0, 6, 0, 5.0},
        {"travel below 0, 7 sections", 7, 103, 0, 0, 5.0, 1.0 - 1 / 360.0, 7, 102, 5.0},
        {"negative press counts as none", 6, 20, -300, 0, 5.0, 1.0 - 20 / 360.0, 6, 0, 5.0},
        {"press 3000 as 2000", 6, 0, 3000, 0, 5.0, 5.0, 30, 0, 5.0},
        {"turn count 1.5", 6, 0, 2000, 0, 1.5, 5.0, 30, 0, 5.0},
        {"turn count 25", 6, 0, 2000, 0, 25.0, 5.0, 30, 0, 5.0},
        {"turn count NaN", 6, 0, 2000, 0, nan, 5.0, 30, 0, 5.0},
        {"turn count 2", 6, 0, 2000, 0, 2.0, 2.0, 12, 0, 2.0},
        {"turn count 20", 6, 0, 2000, 0, 20.0, 20.0, 120, 0, 20.0},
        {"more boundaries than entries", 12, 0, 2000, 32767, 20.0, 21.0, 128, 0, 20.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        CWirbelixView& v = *view_;
        v.m_StepCount(v.LockGameInput()) = c.sections;
        v.m_Angle = c.angle;
        v.m_TurnCount(v.LockGameInput()) = c.turnCount;
        const std::uint32_t release = kT0 + 5000;
        At(release);
        Spin(v, release, c.pressMs, c.draw);
        ASSERT_EQ(State(), Spinning1);
        EXPECT_NEAR(v.m_Turns, c.turns, 1e-12);
        EXPECT_GE(v.m_Strength, 0.0);
        EXPECT_LE(v.m_Strength, 1.0);
        EXPECT_EQ(v.m_TurnCount(v.LockGameInput()), c.turnCountAfter);
        EXPECT_GE(v.m_Duration, 0.0);
        EXPECT_EQ(v.m_DurationMs, static_cast<int>(v.m_Duration * 1000.0));
        EXPECT_NEAR(0.35 * v.m_Duration * v.m_Duration + 0.15 * v.m_Duration, v.m_Turns, 1e-9);
        const int count = g_tickSchedule.count.load();
        if (c.ticks >= 0) {
            EXPECT_EQ(count, c.ticks);
        }
        for (int i = 0; i < count; ++i) {
            const TickEntry& e = g_tickSchedule.entries[i];
            EXPECT_LE(e.startSample.load(), v.m_Duration * 44100.0);
            EXPECT_EQ(e.endSample.load(), e.startSample.load() + ((e.step.load() * 465u) >> 8));
            if (i > 0) {
                EXPECT_GE(e.startSample.load(), g_tickSchedule.entries[i - 1].startSample.load());
            }
        }
        EXPECT_EQ(v.SpinAngleAt(release).angle, c.angle);
        const SpinAngle rest = v.SpinAngleAt(release + static_cast<std::uint32_t>(v.m_DurationMs) + 8001);
        EXPECT_TRUE(rest.swingEnded);
        EXPECT_EQ(rest.angle, c.restAngle);
    }
}

TEST_F(SpinPhysics, PressesOfTwoAndThreeSecondsGiveTheSameSpin) {
    auto spinOf = [&](std::int32_t pressMs) {
        Restart();
        Spin(*view_, kT0 + 9000, pressMs, 777);
        std::vector<std::uint32_t> table;
        for (int i = 0; i < g_tickSchedule.count.load(); ++i)
            table.push_back(g_tickSchedule.entries[i].startSample.load());
        return std::make_tuple(view_->m_Strength, view_->m_Turns, table);
    };
    EXPECT_EQ(spinOf(2000), spinOf(3000));
    EXPECT_NE(spinOf(2000), spinOf(1999));
}

TEST_F(SpinPhysics, SoundsOfTheSpin) {
    // With all four overlay slots busy the cling is dropped and the spin runs as usual.
    for (OverlaySlot& s : g_overlays) s.remaining.store(1000);
    Spin(*view_, kT0 + 1000, 1200, 16384);
    EXPECT_EQ(State(), Spinning1);
    EXPECT_EQ(g_tickSchedule.count.load(), 21);
    for (OverlaySlot& s : g_overlays) EXPECT_EQ(s.remaining.load(), 1000u);

    // A missing TICK clip gives ticks that end where they start.
    Restart();
    g_soundClips[ClipTick] = SoundClip{};
    Spin(*view_, kT0 + 1000, 1200, 16384);
    ASSERT_EQ(g_tickSchedule.count.load(), 21);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(g_tickSchedule.entries[i].endSample.load(),
                  g_tickSchedule.entries[i].startSample.load());
}

TEST_F(SpinPhysics, ReleaseOfAPlayerWhoIsNotChargingChangesNothing) {
    CWirbelixView& v = *view_;
    v.PlayerButtonDown(1, kT0);
    g_tickSchedule.count.store(7);
    v.StartSpinWithDraw(0, kT0 + 1000, false, 100);
    v.StartSpinWithDraw(-1, kT0 + 1000, false, 100);
    EXPECT_EQ(State(), Charging2);
    EXPECT_EQ(g_mixMode.load(), MixSweep);
    EXPECT_EQ(g_tickSchedule.count.load(), 7);
    EXPECT_EQ(v.m_PressStart, kT0);
    EXPECT_EQ(BusyOverlays(), 0);
}

}  // namespace
}  // namespace wirbelix
