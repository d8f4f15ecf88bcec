// The spin computation (StartSpin) and the motion law (SpinAngleAt): how far and how long a
// released button turns the rotor, the ticks it plays on the way, and where the rotor stands at
// any moment of the spin. All arithmetic is in double precision with the constants as written,
// so that a spin and its tick schedule are the same to the sample on every machine.
#include <algorithm>
#include <cmath>

#include "game/GameRules.h"
#include "game/GameView.h"
#include "game/SpinRandom.h"

namespace wirbelix {

namespace {

constexpr double kSamplesPerSecond = 44100.0;
constexpr double kOneOver07 = 1.0 / 0.7;  // 1.4285714285714286
// 0.7 x 0.7 as computed in double precision (0.48999999999999994), not the literal 0.49.
constexpr double kPoint7Squared = 0.7 * 0.7;

// Sections of the circle as a spin uses them. The store and the picture dialog keep the
// setting in 2..12; a value outside (which would divide by zero below) is corrected the way
// the view's constructor corrects a stored one.
int SectionsOf(int stepCount) {
    if (stepCount < 2) return 6;
    if (stepCount > 12) return 12;
    return stepCount;
}

}  // namespace

void CWirbelixView::StartSpin(int player, std::uint32_t time, bool fromStart) {
    const GameInputLock lock = LockGameInput();
    StartSpinLocked(lock, player, time, fromStart, nullptr);
}

void CWirbelixView::StartSpinWithDraw(int player, std::uint32_t time, bool fromStart,
                                      int randomDraw) {
    randomDraw = std::clamp(randomDraw, 0, kSpinRandomMax);
    const GameInputLock lock = LockGameInput();
    StartSpinLocked(lock, player, time, fromStart, &randomDraw);
}

void CWirbelixView::StartSpinLocked(const GameInputLock& lock, int player, std::uint32_t time, bool fromStart,
                                    const int* randomDraw) {
    if (player != 0 && player != 1) return;
    const int state = g_spinState.load(std::memory_order_acquire);
    if (state != player + 1) return;  // only the charging player's release starts a spin

    // Time held, at most 2000 ms. A press stamped after its release (the remote box's clock
    // running ahead of ours) counts as no hold at all: a negative strength would make the
    // travel, the duration and the tick times meaningless.
    std::int32_t held = static_cast<std::int32_t>(time - m_PressStart);
    if (held > static_cast<std::int32_t>(kFullChargeMs)) held = kFullChargeMs;
    if (held < 0) held = 0;
    m_PressStart = time;

    // Offset of the rotor from the nearest landing position, as a fraction of a turn. The
    // section width here is in whole degrees (51 for 7 sections), the rounding below uses 1/N.
    const int sections = SectionsOf(m_StepCount(lock));
    const int startAngle = m_Angle.load(std::memory_order_relaxed);
    const int width = 360 / sections;
    int rem = startAngle % width;
    if (2 * rem >= width) rem -= width;
    double offset = rem * (1.0 / 360.0);
    if (offset > 0.5) offset -= 1.0;
    if (offset < -0.5) offset += 1.0;

    double& turnCount = m_TurnCount(lock);
    if (!(turnCount >= 2.0 && turnCount <= 20.0)) turnCount = 5.0;  // also catches NaN

    m_Strength = held * (1.0 / kFullChargeMs);
    const int draw = randomDraw ? *randomDraw : DrawSpinRandom();
    const double v = (draw * 0.000030517578125 + m_Strength * turnCount) * sections;

    // Whole sections to travel, less the offset, so the rotor rests on a landing position.
    // With no section to travel and the rotor already past its nearest landing position the
    // travel would be negative (a backward spin with no defined duration). Such a spin makes
    // one whole turn instead and rests on the same landing position: going on to the next
    // section would favour it and make the landing of short presses measurably unfair.
    double k = std::floor(v + 0.5);
    double turns = k / sections - offset;
    if (turns < 0.0) {
        k += sections;
        turns = k / sections - offset;
    }
    m_Turns = turns;

    // Deceleration time: the positive root of 0.35 T^2 + 0.15 T = R. For R = 0 the square root
    // may round a hair below 0.15; the duration is then 0, not a negative rounding residue.
    double duration = (std::sqrt(turns * 1.4 + 0.0225) - 0.15) * kOneOver07;
    if (duration < 0.0) duration = 0.0;
    m_Duration = duration;
    m_DurationMs = static_cast<int>(duration * 1000.0);
    m_SpinEnd = time + static_cast<std::uint32_t>(m_DurationMs);

    m_ReleaseBar = m_BarHeight[player].load(std::memory_order_relaxed);
    m_StartAngle = startAngle;
    g_spinState.store(state + 2, std::memory_order_release);

    const SoundClip& cling =
        g_soundClips[fromStart ? ClipCling3 : (player == 1 ? ClipCling2 : ClipCling1)];
    AddOverlay(cling.samples, cling.count);

    // One tick per section boundary passed, the first half a section from the start, each
    // played 10 ms early and pitched from 216/256 up by 40/256 over the whole spin.
    const std::uint32_t tickLength = g_soundClips[ClipTick].count;
    const double w = 1.0 / sections;
    const double wholeSections = std::floor(turns / w);
    const double pitchStep = wholeSections > 0.0 ? 40.0 / wholeSections : 0.0;
    double boundary = w * 0.5;
    double pitch = 216.0;
    int count = 0;
    while (boundary < turns && count < TickSchedule::kMaxEntries) {
        double at = duration - (std::sqrt(0.0225 - 1.4 * boundary + 0.21 * duration +
                                          kPoint7Squared * duration * duration) -
                                0.15) *
                                   kOneOver07;
        if (at > 0.01) at -= 0.01;
        if (at < 0.0) at = 0.0;  // rounding residue at the very start of a spin
        const auto start = static_cast<std::uint32_t>(at * kSamplesPerSecond);
        const auto step = static_cast<std::uint32_t>(pitch);
        TickEntry& entry = g_tickSchedule.entries[count];
        entry.startSample.store(start, std::memory_order_relaxed);
        entry.step.store(step, std::memory_order_relaxed);
        entry.endSample.store(start + ((step * tickLength) >> 8), std::memory_order_relaxed);
        ++count;
        boundary += w;
        pitch += pitchStep;
    }
    g_tickSchedule.count.store(count, std::memory_order_release);

    // The mixer switches from the sweep to the ticks only now that the table is complete.
    g_mixMode.store(MixTicks, std::memory_order_release);
    g_mixPos.store(0, std::memory_order_relaxed);
}

SpinAngle CWirbelixView::SpinAngleAt(std::uint32_t now) const {
    const GameInputLock lock = LockGameInput();
    return MotionLaw(lock, now);
}

SpinAngle CWirbelixView::MotionLaw(const GameInputLock&, std::uint32_t now) const {
    const std::uint32_t elapsed = now - m_PressStart;
    const auto decelerationMs = static_cast<std::uint32_t>(m_DurationMs);
    SpinAngle result;
    double position;
    if (elapsed <= decelerationMs) {
        // Deceleration: 0.15 + 0.7 T turns per second at the start, slowing by 0.7 per second^2.
        const double u = elapsed * 0.001;
        position = 0.15 * u - (u * u - u * m_Duration * 2) * 0.35;
    } else {
        // Final swing about the resting place: five periods in a shrinking envelope, lasting
        // 8000 / (1 + 0.15 R) ms. The added whole turn keeps the value positive for rounding.
        double v = (elapsed - decelerationMs) * (1.0 / kFinalSwingMs) * (m_Turns * 0.15 + 1.0);
        if (v > 1.0) {
            v = 1.0;
            result.swingEnded = true;
        }
        position = 1.0 - std::sin(v * 31.41592653589793) * 0.03819718634205488 *
                             (std::sqrt(v) - 1.0) +
                   m_Turns;
    }
    int angle = (static_cast<int>(position * 360.0 + 0.5) + m_StartAngle) % 360;
    while (angle < 0) angle += 360;
    result.angle = angle;
    return result;
}

}  // namespace wirbelix
