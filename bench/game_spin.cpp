// The cost of computing one spin in the input handler and of one motion-law evaluation in the
// frame step. StartSpin is measured with its largest schedule: 12 sections, 20 turns, a full
// press and the largest random draw, which fills all 128 tick entries.
#include <benchmark/benchmark.h>

#include "game/GameView.h"
#include "game/SoundWords.h"
#include "platform/TickCount.h"

namespace wirbelix {
namespace {

struct LargestSpin {
    LargestSpin() : use(clock) {
        ResetSoundWords();
        static const std::int16_t tick[465] = {};
        g_soundClips[ClipTick] = SoundClip{tick, 465};
        view.m_StepCount(view.LockGameInput()) = 12;
        view.m_TurnCount(view.LockGameInput()) = 20.0;
    }
    // Puts player 0 back into a charge of 2000 ms, the state a release finds.
    void Charge(std::uint32_t release) {
        view.m_PressStart = release - 2000;
        g_spinState.store(Charging1);
    }
    ManualTickClock clock{1000000};
    ScopedTickClock use;
    CWirbelixView view;
};

void BM_StartSpinLargestSchedule(benchmark::State& state) {
    LargestSpin s;
    std::uint32_t release = 1000000;
    // The two stores of Charge are timed with the spin; pausing the timer would cost more.
    for (auto _ : state) {
        s.Charge(release);
        s.view.StartSpinWithDraw(0, release, false, 32767);
        benchmark::DoNotOptimize(g_tickSchedule.count.load());
    }
    if (g_tickSchedule.count.load() != 128) state.SkipWithError("schedule not full");
    state.counters["ticks"] = g_tickSchedule.count.load();
}
BENCHMARK(BM_StartSpinLargestSchedule)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_SpinAngleAt(benchmark::State& state) {
    LargestSpin s;
    s.Charge(1000000);
    s.view.StartSpinWithDraw(0, 1000000, false, 32767);
    // Alternate between a moment of the deceleration and one of the final swing.
    const std::uint32_t decel = 1000000 + static_cast<std::uint32_t>(s.view.m_DurationMs) / 2;
    const std::uint32_t swing = 1000000 + static_cast<std::uint32_t>(s.view.m_DurationMs) + 500;
    bool flip = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.view.SpinAngleAt(flip ? decel : swing));
        flip = !flip;
    }
}
BENCHMARK(BM_SpinAngleAt)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace wirbelix
