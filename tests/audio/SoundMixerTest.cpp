#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "WaitUntil.h"
#include "audio/AudioTestSupport.h"
#include "audio/SoundMixer.h"
#include "audio/WaveStream.h"
#include "game/GameView.h"

namespace wirbelix {
namespace {

using Clock = std::chrono::steady_clock;
using Block = std::vector<std::int16_t>;

// A clip of n samples of a fixed pseudo-random shape within -limit..limit.
std::vector<std::int16_t> Noise(std::size_t n, int limit, std::uint32_t seed) {
    std::vector<std::int16_t> out(n);
    for (auto& s : out) {
        seed = seed * 1103515245u + 12345u;
        s = static_cast<std::int16_t>(static_cast<int>((seed >> 8) % (2 * limit + 1)) - limit);
    }
    return out;
}

class SoundMixerTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSoundWords(); }
    void TearDown() override { ResetSoundWords(); }

    static void UseClip(SoundClipId id, const std::vector<std::int16_t>& samples) {
        g_soundClips[id] = SoundClip{samples.data(), static_cast<std::uint32_t>(samples.size())};
    }

    static void SetEntry(int i, std::uint32_t start, std::uint32_t step, std::uint32_t end) {
        g_tickSchedule.entries[i].startSample.store(start);
        g_tickSchedule.entries[i].step.store(step);
        g_tickSchedule.entries[i].endSample.store(end);
    }

    static Block Mix() {
        Block block(kMixBlockSamples, 0x5555);
        MixBlock(block.data());
        return block;
    }
};

// ---- Clip loading ---------------------------------------------------------------------------

TEST_F(SoundMixerTest, LoadSoundClipFindsTheDataChunkByTheChunkRules) {
    const std::vector<std::int16_t> five = {1, -2, 3, -4, 5};
    using Chunks = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;
        std::size_t dataOffset;  // 0: the clip must be empty
        std::uint32_t count;
    };
    std::vector<Case> cases = {
        {"plain", test::MakeWave(five), 44, 5},
        {"behind a LIST chunk", test::MakeWave(five, Chunks{{"LIST", std::vector<std::uint8_t>(6)}}), 58, 5},
        // No pad byte is skipped: the data chunk starts right behind the odd one.
        {"behind an odd-sized chunk", test::MakeWave(five, Chunks{{"junk", std::vector<std::uint8_t>(3)}}), 55, 5},
        {"data chunk beginning at 4095", test::MakeWave(five, Chunks{{"pad ", std::vector<std::uint8_t>(4051)}}), 4103, 5},
        {"data chunk beginning at 4096", test::MakeWave(five, Chunks{{"pad ", std::vector<std::uint8_t>(4052)}}), 0, 0},
        // The walk needs 16 bytes from the chunk start: a data chunk of 8 bytes is not seen.
        {"four samples at the end", test::MakeWave({1, 2, 3, 4}), 0, 0},
        {"no data chunk", test::MakeWave(five, Chunks{}), 0, 0},
        {"shorter than a header", std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}, 0, 0},
    };
    cases[6].image[39] = 'x';  // "datx": an unknown chunk, skipped like any other
    {
        Case odd{"odd data size", test::MakeWave({7, 8, 9, 10, 11, 12}), 44, 5};
        odd.image[40] = 11;  // 11 bytes: the last one is ignored
        cases.push_back(odd);
        Case tooLong{"data larger than the image", test::MakeWave(five), 0, 0};
        tooLong.image[40] = 12;  // 12 > the 10 bytes present
        cases.push_back(tooLong);
        Case wraps{"data size that wraps 32 bits", test::MakeWave(five), 0, 0};
        std::memset(wraps.image.data() + 40, 0xFF, 4);
        cases.push_back(wraps);
        // 8 + 0xFFFFFFFC wraps to 4 in 32 bits, which would walk back into the image.
        Case skipsFar{"chunk size that jumps past 4096", test::MakeWave(five, Chunks{{"LIST", {}}}), 0, 0};
        const std::uint8_t huge[4] = {0xFC, 0xFF, 0xFF, 0xFF};
        std::memcpy(skipsFar.image.data() + 40, huge, 4);
        cases.push_back(skipsFar);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SoundClip clip = LoadSoundClip(c.image);
        if (c.dataOffset == 0) {
            EXPECT_EQ(clip.samples, nullptr);
            EXPECT_EQ(clip.count, 0u);
            continue;
        }
        // The clip points into the image itself.
        EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(clip.samples), c.image.data() + c.dataOffset);
        EXPECT_EQ(clip.count, c.count);
    }
}

TEST_F(SoundMixerTest, ClipAtAnOddOffsetPlaysItsSamplesExactly) {
    using Chunks = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
    std::vector<std::int16_t> sweep = Noise(2000, 32767, 7);
    const auto image = test::MakeWave(sweep, Chunks{{"junk", std::vector<std::uint8_t>(1)}});
    g_soundClips[ClipSweep] = LoadSoundClip(image);
    ASSERT_EQ(g_soundClips[ClipSweep].count, 2000u);
    g_mixMode.store(MixSweep);
    const Block block = Mix();
    for (int i = 0; i < kMixBlockSamples; ++i) ASSERT_EQ(block[i], sweep[i] / 8) << i;
}

// ---- Mode 1: the sweep ----------------------------------------------------------------------

TEST_F(SoundMixerTest, SweepPlaysOnceAndReturnsToSilenceAtItsEnd) {
    struct Case {
        const char* what;
        std::uint32_t length, pos;
        int copied;
        int modeAfter;
        std::uint32_t posAfter;
    };
    for (const Case& c : {Case{"middle", 5000, 1000, 512, MixSweep, 1512},
                          Case{"ends one sample later", 1513, 1000, 512, MixSweep, 1512},
                          Case{"ends exactly with the block", 1512, 1000, 512, MixSilent, 0},
                          Case{"ends inside the block", 1100, 1000, 100, MixSilent, 0},
                          Case{"already over", 1000, 1000, 0, MixSilent, 0},
                          Case{"empty clip", 0, 0, 0, MixSilent, 0}}) {
        SCOPED_TRACE(c.what);
        const std::vector<std::int16_t> sweep = Noise(c.length, 30000, c.length);
        UseClip(ClipSweep, sweep);
        g_mixPos.store(c.pos);
        g_mixMode.store(MixSweep);
        const Block block = Mix();
        for (int i = 0; i < kMixBlockSamples; ++i) {
            const int expected = i < c.copied ? sweep[c.pos + i] / 8 : 0;
            ASSERT_EQ(block[i], expected) << i;
        }
        EXPECT_EQ(g_mixMode.load(), c.modeAfter);
        EXPECT_EQ(g_mixPos.load(), c.posAfter);
    }
}

TEST_F(SoundMixerTest, SweepSamplesAreDividedByEightTowardZero) {
    const std::vector<std::int16_t> sweep = {-7, -9, 7, 9, -8, -1, 32767, -32768, 0, 15};
    const std::vector<std::int16_t> expected = {0, -1, 0, 1, -1, 0, 4095, -4096, 0, 1};
    std::vector<std::int16_t> clip(1000, 0);
    std::copy(sweep.begin(), sweep.end(), clip.begin());
    UseClip(ClipSweep, clip);
    g_mixMode.store(MixSweep);
    const Block block = Mix();
    EXPECT_EQ(Block(block.begin(), block.begin() + 10), expected);
}

TEST_F(SoundMixerTest, ModeZeroAndUnknownModesAreSilentAndLeaveThePosition) {
    const std::vector<std::int16_t> sweep = Noise(5000, 30000, 3);
    UseClip(ClipSweep, sweep);
    for (int mode : {0, 3, -1}) {
        g_mixMode.store(mode);
        g_mixPos.store(77);
        EXPECT_EQ(Mix(), Block(kMixBlockSamples, 0)) << mode;
        EXPECT_EQ(g_mixPos.load(), 77u);
    }
}

// ---- Mode 2: the ticks ----------------------------------------------------------------------

TEST_F(SoundMixerTest, TickWithStep256ReproducesTheClipAndStep512InterpolatesMidpoints) {
    const std::vector<std::int16_t> tick = Noise(465, 32767, 11);
    UseClip(ClipTick, tick);
    g_tickSchedule.count.store(1);
    g_mixMode.store(MixTicks);

    // Step 256: the clip sample for sample, all but its last one (the interpolation needs two
    // clip samples), even with an end sample further on.
    SetEntry(0, 0, 256, 100000);
    Block block = Mix();
    for (int i = 0; i < 464; ++i) ASSERT_EQ(block[i], tick[i] / 8) << i;
    for (int i = 464; i < kMixBlockSamples; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(g_mixPos.load(), 512u);

    // Step 512: every second sample is a clip sample, the ones between are midpoints.
    g_mixPos.store(0);
    SetEntry(0, 0, 512, 930);
    block = Mix();
    for (int j = 0; j < kMixBlockSamples / 2; ++j) {
        ASSERT_EQ(block[2 * j], tick[j] / 8) << j;
        const int midpoint = (tick[j] * 64 + tick[j + 1] * 64) / 128;
        ASSERT_EQ(block[2 * j + 1], midpoint / 8) << j;
    }
}

TEST_F(SoundMixerTest, TickPlaysFromItsStartSampleUpToItsEndSample) {
    const std::vector<std::int16_t> tick(465, 16000);
    UseClip(ClipTick, tick);
    SetEntry(0, 1000, 256, 1100);   // ends early at its end sample
    SetEntry(1, 1300, 0, 1400);     // a step of 0 is skipped
    SetEntry(2, 1200, 256, 1665);   // beyond the count: stale, never read
    g_tickSchedule.count.store(2);
    g_mixPos.store(900);
    g_mixMode.store(MixTicks);
    const Block block = Mix();
    for (int i = 0; i < kMixBlockSamples; ++i) {
        const std::uint32_t p = 900 + i;
        ASSERT_EQ(block[i], (p >= 1000 && p <= 1100) ? 2000 : 0) << p;
    }
    EXPECT_EQ(g_mixPos.load(), 1412u);
}

TEST_F(SoundMixerTest, EmptyScheduleIsSilentButTheCounterRuns) {
    const std::vector<std::int16_t> tick(465, 16000);
    UseClip(ClipTick, tick);
    g_mixMode.store(MixTicks);
    for (std::uint32_t n = 1; n <= 3; ++n) {
        EXPECT_EQ(Mix(), Block(kMixBlockSamples, 0));
        EXPECT_EQ(g_mixPos.load(), 512u * n);
    }
}

TEST_F(SoundMixerTest, OverlappingTicksAreClampedBeforeTheDivision) {
    const std::vector<std::int16_t> up(465, 30000), down(465, -30000);
    for (const auto* tick : {&up, &down}) {
        UseClip(ClipTick, *tick);
        SetEntry(0, 0, 256, 465);
        SetEntry(1, 0, 256, 465);
        g_tickSchedule.count.store(2);
        g_mixPos.store(0);
        g_mixMode.store(MixTicks);
        const Block block = Mix();
        EXPECT_EQ(block[0], (*tick)[0] > 0 ? 4095 : -4095);  // +-32767 / 8
        EXPECT_EQ(block[463], block[0]);
    }
}

// ---- Overlays -------------------------------------------------------------------------------

TEST_F(SoundMixerTest, OverlaySplitsOverBlocksAtFullLevelOnTopOfTheSweep) {
    const std::vector<std::int16_t> sweep(5000, 800);
    UseClip(ClipSweep, sweep);
    const std::vector<std::int16_t> cling = Noise(700, 20000, 5);
    AddOverlay(cling.data(), 700);
    g_mixMode.store(MixSweep);

    Block block = Mix();
    for (int i = 0; i < kMixBlockSamples; ++i) ASSERT_EQ(block[i], 100 + cling[i]) << i;
    EXPECT_EQ(g_overlays[0].remaining.load(), 188u);
    EXPECT_EQ(g_overlays[0].next.load(), cling.data() + 512);

    block = Mix();
    for (int i = 0; i < kMixBlockSamples; ++i) {
        ASSERT_EQ(block[i], 100 + (i < 188 ? cling[512 + i] : 0)) << i;
    }
    EXPECT_EQ(g_overlays[0].remaining.load(), 0u);  // free again
    EXPECT_EQ(Mix(), Block(kMixBlockSamples, 100));
}

TEST_F(SoundMixerTest, OverlaySumsAreClampedToPlusMinus32767) {
    const std::vector<std::int16_t> up(600, 30000), down(600, -30000), extreme(600, -32768);
    AddOverlay(up.data(), 600);
    AddOverlay(up.data(), 600);
    Block block = Mix();
    EXPECT_EQ(block[0], 32767);
    EXPECT_EQ(block[511], 32767);

    ResetSoundWords();
    AddOverlay(down.data(), 600);
    AddOverlay(down.data(), 600);
    block = Mix();
    EXPECT_EQ(block[0], -32767);

    ResetSoundWords();
    AddOverlay(extreme.data(), 600);  // even a single sample of -32768
    EXPECT_EQ(Mix()[0], -32767);
}

// ---- The mixing thread --------------------------------------------------------------------

class MixerThreadTest : public SoundMixerTest {
protected:
    void SetUp() override {
        SoundMixerTest::SetUp();
        previous_ = SetWaveDevice(&device_);
    }
    void TearDown() override {
        WaveStreamClose();
        SetWaveDevice(previous_);
        SoundMixerTest::TearDown();
    }
    test::ManualWaveDevice device_;
    WaveDevice* previous_ = nullptr;
};

TEST_F(MixerThreadTest, WithoutDeviceTheThreadEndsAtOnceAndStopDoesNotWait) {
    SetWaveDevice(nullptr);
    CWirbelixView view;
    StartSoundOutput(view);
    EXPECT_TRUE(test::WaitUntil([&] { return view.m_AudioDone.load() == 1; }));
    StopSoundOutput(view);
    EXPECT_EQ(view.m_AudioRun.load(), 0);
}

TEST_F(MixerThreadTest, StopWhileTheMixerWaitsForRoomEndsPromptly) {
    CWirbelixView view;
    const std::vector<std::int16_t> sweep(100000, 800);
    UseClip(ClipSweep, sweep);
    g_mixMode.store(MixSweep);
    StartSoundOutput(view);
    // The device never plays: the mixer fills the ring and waits for room.
    ASSERT_TRUE(test::WaitUntil([] { return WaveStreamGetState().roomWaiters == 1; }))
        << "the mixer never waited for room";
    const WaveStreamState st = WaveStreamGetState();
    EXPECT_EQ(st.queued, 10u);
    EXPECT_FALSE(st.roomSignalled);
    EXPECT_EQ(view.m_AudioDone.load(), 0);
    // Ten blocks queued and the eleventh filled: the mixer waits with it in Submit.
    EXPECT_EQ(g_mixPos.load(), 11u * 512u);

    const auto stopAt = Clock::now();
    StopSoundOutput(view);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stopAt);
    EXPECT_LT(took.count(), 1000);  // not the 2000 ms of a wait for room
    EXPECT_EQ(view.m_AudioDone.load(), 1);
    EXPECT_EQ(WaveStreamGetBlock(), nullptr);
    RecordProperty("stop_ms", static_cast<int>(took.count()));
}

}  // namespace
}  // namespace wirbelix
