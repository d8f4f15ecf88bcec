// The sound path end to end: mixer, wave stream and SDL's own audio thread, played into SDL's
// "disk" driver, which writes every buffer it is given to a file at the playback rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "WaitUntil.h"
#include "audio/AudioTestSupport.h"
#include "audio/SoundMixer.h"
#include "audio/WaveStream.h"
#include "audio/sdl/SdlWaveDevice.h"
#include "game/GameView.h"
#include "game/SpinRandom.h"
#include "platform/TickCount.h"

namespace wirbelix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Tick {
    std::uint32_t start, step, end;
};

// Clips whose traces cannot be mistaken for each other in the file: a sweep that never
// becomes 0 after the division by 8, a tick whose samples all lie far from 0, so that every
// interpolated sample of it is audible, and a short cling that ends before the first tick.
struct TestClips {
    std::vector<std::uint8_t> sweepImage, clingImage, tickImage;
    std::vector<std::int16_t> sweep, cling, tick;

    TestClips() {
        for (int i = 0; i < 98996; ++i) {
            sweep.push_back(static_cast<std::int16_t>(4000 + 2000 * std::sin(i * 0.01)));
        }
        for (int i = 0; i < 1000; ++i) cling.push_back(static_cast<std::int16_t>(9000 - 7 * i));
        for (int i = 0; i < 465; ++i) {
            tick.push_back(static_cast<std::int16_t>(-(20000 - 40 * i)));
        }
        sweepImage = test::MakeWave(sweep);
        clingImage = test::MakeWave(cling);
        tickImage = test::MakeWave(tick);
    }

    // Loads the clips the way the view does, from their WAVE images.
    void Install() const {
        g_soundClips[ClipSweep] = LoadSoundClip(sweepImage);
        g_soundClips[ClipCling1] = LoadSoundClip(clingImage);
        g_soundClips[ClipTick] = LoadSoundClip(tickImage);
    }
};

class SdlDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSoundWords();
        path_ = testing::TempDir() + "wirbelix_disk_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw";
        std::remove(path_.c_str());
        // SDL reads both when its audio subsystem starts, which is at every open.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
        previous_ = SetWaveDevice(&device_);
    }
    void TearDown() override {
        WaveStreamClose();
        SetWaveDevice(previous_);
        ResetSoundWords();
        std::remove(path_.c_str());
    }

    std::vector<std::int16_t> ReadOutput() const {
        std::ifstream in(path_, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> samples(bytes.size() / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                   (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        }
        return samples;
    }

    std::string path_;
    SdlWaveDevice device_;
    WaveDevice* previous_ = nullptr;
};

// Waits until the mixing thread has filled the device's queue: from here on every block it
// makes follows the silence already queued without a gap.
void WaitForTheBurst() {
    const auto burst = [] { return WaveStreamGetState().prefill > kWavePrefillBlocks; };
    ASSERT_TRUE(test::WaitUntil(burst, 30000)) << "the mixer never filled the device's queue";
}

// Waits until the mixer has made at least `samples` of the sweep or the ticks.
void WaitForMixedSamples(std::uint32_t samples) {
    ASSERT_TRUE(test::WaitUntil([&] { return g_mixPos.load() >= samples; }, 60000))
        << "the mixer reached only sample " << g_mixPos.load() << " of " << samples;
}

// Waits until the spin has been played to 2000 samples past its last tick: the mixer waits for
// room before each block, so once it has made more blocks beyond that point than the ring
// holds, the device has played that point and asked for more.
void WaitForTheSpinToPlayOut(const std::vector<Tick>& ticks) {
    WaitForMixedSamples(ticks.back().end + 2000 + (kWaveMaxBlocks + 2) * kMixBlockSamples);
}

// Checks one spin in the file: the sweep from its first sample on, then the cling in the block
// of the release or the one before it, and every tick of the schedule at its start sample
// counted from the first block of mode 2 (one constant offset for the whole spin), audible for
// exactly as long as its step lets the clip last, with silence between the ticks.
void ExpectSpin(const std::vector<std::int16_t>& out, const TestClips& clips,
                const std::vector<Tick>& ticks) {
    ASSERT_FALSE(ticks.empty());
    std::size_t s0 = 0;
    while (s0 < out.size() && out[s0] == 0) ++s0;
    ASSERT_LT(s0, out.size()) << "nothing was played";
    EXPECT_EQ(s0 % kMixBlockSamples, 0u) << "SDL's buffers are one block long";

    auto sweepAt = [&](std::size_t p) { return clips.sweep[p - s0] / 8; };
    std::size_t c = s0;
    while (c < out.size() && out[c] == sweepAt(c)) ++c;
    ASSERT_LT(c, out.size());
    ASSERT_GT(c, s0 + 10 * kMixBlockSamples) << "the sweep played too briefly";
    EXPECT_EQ(c % kMixBlockSamples, 0u);
    auto clingAt = [&](std::size_t p) {
        return p >= c && p - c < clips.cling.size() ? clips.cling[p - c] : 0;
    };

    // The mode changes at a block boundary at or right after the cling's.
    std::size_t m = c;
    for (; m < c + 4 * kMixBlockSamples; m += kMixBlockSamples) {
        bool sweepBlock = true;
        for (std::size_t j = 0; j < kMixBlockSamples; ++j) {
            if (out[m + j] - clingAt(m + j) != sweepAt(m + j)) sweepBlock = false;
        }
        if (!sweepBlock) break;
    }
    EXPECT_LE(m - c, std::size_t{kMixBlockSamples}) << "ticks began long after the cling";
    for (std::size_t j = 0; j < clips.cling.size(); ++j) {
        const int base = c + j < m ? sweepAt(c + j) : 0;
        ASSERT_EQ(out[c + j], base + clips.cling[j]) << "cling sample " << j;
    }

    // Where a tick is audible: while both interpolation samples lie in the clip and the
    // position has not passed the entry's end sample.
    const std::size_t last = m + ticks.back().end + 2000;
    ASSERT_LT(last, out.size()) << "the spin was not played to its end";
    std::vector<std::uint8_t> audible(last - m, 0);
    for (const Tick& t : ticks) {
        for (std::uint32_t d = 0; t.start + d <= t.end; ++d) {
            if (((d * 32768u) / t.step >> 7) + 1 >= clips.tick.size()) break;
            audible[t.start + d] = 1;
        }
    }
    for (std::size_t p = std::max(m, c + clips.cling.size()); p < last; ++p) {
        ASSERT_EQ(out[p] != 0, audible[p - m] != 0) << "sample " << p - m << " of the spin";
    }
    for (const Tick& t : ticks) EXPECT_EQ(out[m + t.start], clips.tick[0] / 8) << t.start;
}

TEST_F(SdlDiskTest, SubmittedBlocksPlayInOrderAfterWholeBlocksOfSilence) {
    ASSERT_EQ(WaveStreamOpen(44100, 16, 1, 1024), kWaveOk);
    constexpr int kBlocks = 30;
    for (int k = 1; k <= kBlocks; ++k) {
        auto* block = reinterpret_cast<std::int16_t*>(WaveStreamGetBlock());
        ASSERT_NE(block, nullptr);
        for (int i = 0; i < kMixBlockSamples; ++i) block[i] = static_cast<std::int16_t>(k * 1000 + i);
        ASSERT_EQ(WaveStreamSubmit(1024), kWaveOk);
    }
    ASSERT_TRUE(test::WaitUntil([] { return WaveStreamGetState().queued == 0; }, 30000))
        << "the device never played out its queue";
    ASSERT_EQ(WaveStreamClose(), kWaveOk);

    const std::vector<std::int16_t> out = ReadOutput();
    std::size_t first = 0;
    while (first < out.size() && out[first] == 0) ++first;
    EXPECT_EQ(first % kMixBlockSamples, 0u);
    ASSERT_GE(out.size(), first + kBlocks * kMixBlockSamples);
    for (int k = 1; k <= kBlocks; ++k) {
        for (int i = 0; i < kMixBlockSamples; ++i) {
            ASSERT_EQ(out[first + (k - 1) * kMixBlockSamples + i], k * 1000 + i) << k << ":" << i;
        }
    }
    for (std::size_t p = first + kBlocks * kMixBlockSamples; p < out.size(); ++p) {
        ASSERT_EQ(out[p], 0) << "after the last block";
    }
}

TEST_F(SdlDiskTest, SpinFromAHandWrittenScheduleLandsAtItsSamplePositions) {
    TestClips clips;
    clips.Install();
    // Ticks as a spin writes them: steps growing from 216, start samples growing further apart.
    std::vector<Tick> ticks;
    std::uint32_t start = 1300;
    for (std::uint32_t i = 0; i < 12; ++i) {
        const std::uint32_t step = 216 + 3 * i;
        ticks.push_back({start, step, start + ((step * 465u) >> 8)});
        start += 1500 + 211 * i;
    }

    CWirbelixView view;
    StartSoundOutput(view);
    ASSERT_NO_FATAL_FAILURE(WaitForTheBurst());
    // The charge begins: position first, then the mode.
    g_mixPos.store(0);
    g_mixMode.store(MixSweep);
    // More sweep than the check asks for.
    ASSERT_NO_FATAL_FAILURE(WaitForMixedSamples(12 * kMixBlockSamples));
    // The spin starts: the cling, the schedule, its count, then mode 2 and position 0.
    AddOverlay(g_soundClips[ClipCling1].samples, g_soundClips[ClipCling1].count);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        g_tickSchedule.entries[i].startSample.store(ticks[i].start);
        g_tickSchedule.entries[i].step.store(ticks[i].step);
        g_tickSchedule.entries[i].endSample.store(ticks[i].end);
    }
    g_tickSchedule.count.store(static_cast<int>(ticks.size()), std::memory_order_release);
    g_mixMode.store(MixTicks, std::memory_order_release);
    g_mixPos.store(0);
    ASSERT_NO_FATAL_FAILURE(WaitForTheSpinToPlayOut(ticks));
    StopSoundOutput(view);

    ExpectSpin(ReadOutput(), clips, ticks);
}

std::vector<Tick> ScheduleSnapshot() {
    std::vector<Tick> ticks;
    for (int i = 0; i < g_tickSchedule.count.load(); ++i) {
        const TickEntry& e = g_tickSchedule.entries[i];
        ticks.push_back({e.startSample.load(), e.step.load(), e.endSample.load()});
    }
    return ticks;
}

TEST_F(SdlDiskTest, SpinOfThePlayerKeyIsHeardAsSweepClingAndTicksOfItsSchedule) {
    TestClips clips;
    clips.Install();
    ManualTickClock clock(50000);
    ScopedTickClock useClock(clock);
    CWirbelixView view;
    SeedSpinRandom(1);  // a fixed draw for the release
    StartSoundOutput(view);
    ASSERT_NO_FATAL_FAILURE(WaitForTheBurst());

    view.OnKeyDown(kKeyF7);
    ASSERT_EQ(g_spinState.load(), Charging1);
    // The sweep plays in real time meanwhile.
    ASSERT_NO_FATAL_FAILURE(WaitForMixedSamples(12 * kMixBlockSamples));
    clock.Advance(1200);
    view.OnKeyUp(kKeyF7);
    ASSERT_EQ(g_spinState.load(), Spinning1);
    const std::vector<Tick> ticks = ScheduleSnapshot();
    ASSERT_GE(ticks.size(), 15u);  // a hold of 1200 ms travels more than two and a half turns
    ASSERT_NO_FATAL_FAILURE(WaitForTheSpinToPlayOut(ticks));
    StopSoundOutput(view);

    ExpectSpin(ReadOutput(), clips, ticks);
}

TEST_F(SdlDiskTest, UnusableDriverLeavesTheGameSilentWithoutWaiting) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(WaveStreamOpen(44100, 16, 1, 1024), kWaveOpenBadFormat);
    EXPECT_EQ(WaveStreamGetBlock(), nullptr);

    CWirbelixView view;
    const auto start = Clock::now();
    StartSoundOutput(view);
    StopSoundOutput(view);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(view.m_AudioDone.load(), 1);
}

}  // namespace
}  // namespace wirbelix
