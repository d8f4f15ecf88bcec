#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace wirbelix
