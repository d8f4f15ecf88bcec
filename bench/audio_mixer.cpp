// Cost of one 512-sample mixer block (11.6 ms of sound) in the modes the game uses:
//  - ticks (mode 2) with the largest schedule a spin can write (12 sections, 20 turns, full
//    strength and the largest random draw: 128 entries), at the block where most ticks sound;
//  - the same with all four overlay slots busy;
//  - the sweep (mode 1).
// Run with --benchmark_repetitions=N to get medians.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/SoundMixer.h"
#include "game/SoundWords.h"

namespace {

using namespace wirbelix;

constexpr std::uint32_t kTickLength = 465;

std::vector<std::int16_t> Clip(std::size_t n, double frequency) {
    std::vector<std::int16_t> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::int16_t>(20000 * std::sin(i * frequency) * (1.0 - double(i) / n));
    }
    return out;
}

// The schedule of a spin with N = 12 sections, a turn count of 20, a press of 2000 ms and a
// random draw of 32767, starting on a landing angle, computed as the spin does.
void WriteLargestSchedule() {
    const int sections = 12;
    const double turnCount = 20.0, strength = 1.0;
    const double v = (32767 * 0.000030517578125 + strength * turnCount) * sections;
    const double R = std::floor(v + 0.5) / sections;
    const double T = (std::sqrt(R * 1.4 + 0.0225) - 0.15) * (1 / 0.7);
    const double w = 1.0 / sections;
    const double inc = 40.0 / std::floor(R / w);
    double B = w * 0.5, C = 216.0;
    int i = 0;
    for (; B < R && i < TickSchedule::kMaxEntries; ++i, B += w, C += inc) {
        double ti = T - (std::sqrt(0.0225 - 1.4 * B + 0.21 * T + 0.48999999999999994 * T * T) - 0.15) *
                            (1 / 0.7);
        if (ti > 0.01) ti -= 0.01;
        const auto start = static_cast<std::uint32_t>(ti * 44100);
        const auto step = static_cast<std::uint32_t>(C);
        g_tickSchedule.entries[i].startSample.store(start);
        g_tickSchedule.entries[i].step.store(step);
        g_tickSchedule.entries[i].endSample.store(start + ((step * kTickLength) >> 8));
    }
    g_tickSchedule.count.store(i);
}

// The first sample of the block in which the most entries sound at once.
std::uint32_t BusiestBlockStart(int* activeOut) {
    const int count = g_tickSchedule.count.load();
    const std::uint32_t lastEnd = g_tickSchedule.entries[count - 1].endSample.load();
    std::uint32_t best = 0;
    int bestActive = -1;
    for (std::uint32_t p = 0; p <= lastEnd; p += kMixBlockSamples) {
        int active = 0;
        for (int e = 0; e < count; ++e) {
            const auto& entry = g_tickSchedule.entries[e];
            if (entry.startSample.load() <= p + kMixBlockSamples - 1 && entry.endSample.load() >= p) {
                ++active;
            }
        }
        if (active > bestActive) {
            bestActive = active;
            best = p;
        }
    }
    *activeOut = bestActive;
    return best;
}

const std::vector<std::int16_t> kTick = Clip(kTickLength, 0.9);
const std::vector<std::int16_t> kSweep = Clip(98996, 0.05);
const std::vector<std::int16_t> kCling = Clip(36245, 0.2);

void Prepare() {
    ResetSoundWords();
    g_soundClips[ClipTick] = SoundClip{kTick.data(), kTickLength};
    g_soundClips[ClipSweep] = SoundClip{kSweep.data(), static_cast<std::uint32_t>(kSweep.size())};
}

void TickBlock(benchmark::State& state, bool overlays) {
    Prepare();
    WriteLargestSchedule();
    int active = 0;
    const std::uint32_t start = BusiestBlockStart(&active);
    std::vector<std::int16_t> block(kMixBlockSamples);
    for (auto _ : state) {
        g_mixMode.store(MixTicks);
        g_mixPos.store(start);
        if (overlays) {
            for (auto& slot : g_overlays) {
                slot.next.store(kCling.data());
                slot.remaining.store(static_cast<std::uint32_t>(kCling.size()));
            }
        }
        MixBlock(block.data());
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.counters["entries"] = g_tickSchedule.count.load();
    state.counters["ticks_in_block"] = active;
    state.counters["block_start"] = start;
}

void BM_MixBlockTicksLargestSchedule(benchmark::State& state) { TickBlock(state, false); }
void BM_MixBlockTicksLargestScheduleFourOverlays(benchmark::State& state) { TickBlock(state, true); }

void BM_MixBlockSweep(benchmark::State& state) {
    Prepare();
    std::vector<std::int16_t> block(kMixBlockSamples);
    for (auto _ : state) {
        g_mixMode.store(MixSweep);
        g_mixPos.store(40000);
        MixBlock(block.data());
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_MixBlockTicksLargestSchedule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixBlockTicksLargestScheduleFourOverlays)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixBlockSweep)->Unit(benchmark::kMicrosecond);

}  // namespace
