#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "WaitUntil.h"
#include "audio/AudioTestSupport.h"
#include "audio/WaveStream.h"

namespace wirbelix {
namespace {

using Clock = std::chrono::steady_clock;

class WaveStreamTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetWaveDevice(&device_); }
    void TearDown() override {
        WaveStreamClose();
        SetWaveDevice(previous_);
    }

    int OpenGame() { return WaveStreamOpen(44100, 16, 1, 1024); }

    // Fills block W with mark and submits length bytes of it.
    int SubmitMarked(std::uint8_t mark, std::uint32_t length = 1024) {
        std::uint8_t* block = WaveStreamGetBlock();
        EXPECT_NE(block, nullptr);
        if (block == nullptr) return -1;
        std::memset(block, mark, 1024);
        return WaveStreamSubmit(length);
    }

    // What the device plays next, as the device's thread would pull it; the empty pull after
    // it says that the device has played all of it.
    std::vector<std::uint8_t> Pull(std::size_t bytes) {
        std::vector<std::uint8_t> out(bytes, 0xEE);
        WaveDevicePull(out.data(), out.size());
        WaveDevicePull(nullptr, 0);
        return out;
    }

    test::ManualWaveDevice device_;
    WaveDevice* previous_ = nullptr;
};

TEST_F(WaveStreamTest, OpenFillsTheFormatRecordFromRateBitsAndChannels) {
    struct Case {
        std::uint32_t rate, bits, channels;
        std::uint16_t blockAlign;
        std::uint32_t avgBytes;
    };
    for (const Case& c : {Case{44100, 16, 1, 2, 88200}, Case{44100, 12, 3, 5, 220500},
                          Case{8000, 4, 1, 1, 8000}, Case{48000, 32, 32, 128, 6144000}}) {
        SCOPED_TRACE(testing::Message() << c.rate << "/" << c.bits << "/" << c.channels);
        ASSERT_EQ(WaveStreamOpen(c.rate, c.bits, c.channels, 1024), kWaveOk);
        const WaveFormat f = WaveStreamFormat();
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.channels, c.channels);
        EXPECT_EQ(f.samplesPerSec, c.rate);
        EXPECT_EQ(f.bitsPerSample, c.bits);
        EXPECT_EQ(f.blockAlign, c.blockAlign);
        EXPECT_EQ(f.avgBytesPerSec, c.avgBytes);
        EXPECT_EQ(f.cbSize, 0);
        EXPECT_EQ(device_.opened.blockAlign, c.blockAlign);
    }
    // Opening again closed the stream that was open.
    EXPECT_EQ(device_.closes, 3);
}

TEST_F(WaveStreamTest, OpenRefusesUnsupportedFormatsWithoutAskingTheDevice) {
    struct Case {
        std::uint32_t rate, bits, channels;
    };
    for (const Case& c : {Case{44100, 18, 1}, Case{44100, 36, 1}, Case{44100, 16, 33},
                          Case{48001, 16, 1}}) {
        SCOPED_TRACE(testing::Message() << c.rate << "/" << c.bits << "/" << c.channels);
        EXPECT_EQ(WaveStreamOpen(c.rate, c.bits, c.channels, 1024), kWaveOpenBadFormat);
        EXPECT_EQ(WaveStreamGetBlock(), nullptr);
    }
    EXPECT_EQ(device_.opens, 0);
    EXPECT_EQ(WaveStreamFormat().samplesPerSec, 0u);
}

TEST_F(WaveStreamTest, MissingOrRefusingDeviceLeavesTheStreamClosedAndEveryCallFailsQuietly) {
    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "device refuses" : "no device");
        SetWaveDevice(installed ? &device_ : nullptr);
        device_.refuseOpen = installed;
        EXPECT_EQ(OpenGame(), kWaveOpenBadFormat);
        EXPECT_EQ(WaveStreamFormat().blockAlign, 0);
        EXPECT_EQ(WaveStreamGetBlock(), nullptr);
        EXPECT_EQ(WaveStreamSubmit(1024), kWaveSubmitNotReady);
        EXPECT_EQ(WaveStreamPause(0), kWaveNotOpen);
        EXPECT_EQ(WaveStreamReset(), kWaveNotOpen);
        EXPECT_EQ(WaveStreamClose(), kWaveNotOpen);
    }
}

TEST_F(WaveStreamTest, RingNeedsTenPreparedBlocksAndTakesAtMostTwelve) {
    struct Case {
        std::uint32_t limit;
        int result;
        std::uint32_t blocks;
    };
    // Nine blocks would leave the producer's next block queued after the nine-block burst.
    for (const Case& c : {Case{7, kWaveOpenTooFewBlocks, 0}, Case{9, kWaveOpenTooFewBlocks, 0},
                          Case{10, kWaveOk, 10}, Case{12, kWaveOk, 12}, Case{40, kWaveOk, 12}}) {
        SCOPED_TRACE(c.limit);
        device_.prepareLimit = c.limit;
        const int closesBefore = device_.closes;
        EXPECT_EQ(OpenGame(), c.result);
        const WaveStreamState st = WaveStreamGetState();
        EXPECT_EQ(st.blocks, c.blocks);
        EXPECT_EQ(st.open, c.result == kWaveOk);
        if (c.result != kWaveOk) {
            EXPECT_EQ(device_.closes, closesBefore + 1);  // undone
        }
        WaveStreamClose();
    }
}

TEST_F(WaveStreamTest, RingOfTenPlaysWithoutOverwritingQueuedBlocks) {
    device_.prepareLimit = 10;
    ASSERT_EQ(OpenGame(), kWaveOk);
    std::uint8_t mark = 1;
    for (; mark <= 9; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    // The burst leaves one free block, the one being filled: no room until two blocks finish.
    EXPECT_FALSE(WaveStreamGetState().roomSignalled);
    // Every block plays once, in order, with the data it was filled with.
    for (std::uint8_t expected = 1; expected <= 40; ++expected) {
        EXPECT_EQ(Pull(1024), std::vector<std::uint8_t>(1024, expected));
        while (WaveStreamGetState().roomSignalled) ASSERT_EQ(SubmitMarked(mark++), kWaveOk);
        ASSERT_GE(WaveStreamGetState().queued, 8u);
    }
}

TEST_F(WaveStreamTest, BlockSizeIsKeptFromOneOpenToTheNextAndLimitsSubmit) {
    ASSERT_EQ(WaveStreamOpen(44100, 16, 1, 1024), kWaveOk);
    ASSERT_EQ(WaveStreamOpen(44100, 16, 1, 0), kWaveOk);
    EXPECT_EQ(device_.openedBlockBytes, 1024u);
    EXPECT_EQ(WaveStreamGetState().blockBytes, 1024u);
    ASSERT_EQ(SubmitMarked(1), kWaveOk);
    const WaveStreamState before = WaveStreamGetState();
    EXPECT_EQ(WaveStreamSubmit(1025), kWaveSubmitTooLong);
    const WaveStreamState after = WaveStreamGetState();
    EXPECT_EQ(after.write, before.write);
    EXPECT_EQ(after.prefill, before.prefill);
    EXPECT_EQ(WaveStreamSubmit(1024), kWaveOk);
}

TEST_F(WaveStreamTest, FirstEightSubmitsAreHeldAndTheNinthQueuesAllNineInOrder) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    std::vector<std::uint8_t> expected;
    for (std::uint8_t mark = 1; mark <= 8; ++mark) {
        const std::uint32_t length = 1024 - 2 * mark;  // each held block keeps its own length
        ASSERT_EQ(SubmitMarked(mark, length), kWaveOk);
        expected.insert(expected.end(), length, mark);
        EXPECT_EQ(Pull(512), std::vector<std::uint8_t>(512, 0));  // nothing plays yet
    }
    EXPECT_EQ(WaveStreamGetState().queued, 0u);
    ASSERT_EQ(SubmitMarked(9), kWaveOk);
    expected.insert(expected.end(), 1024, 9);
    EXPECT_EQ(WaveStreamGetState().queued, 9u);
    EXPECT_EQ(Pull(expected.size()), expected);

    // Underrun: the device falls silent; a block submitted afterwards plays at once.
    EXPECT_EQ(Pull(2048), std::vector<std::uint8_t>(2048, 0));
    ASSERT_EQ(SubmitMarked(10, 100), kWaveOk);
    std::vector<std::uint8_t> tail(100, 10);
    tail.resize(1024, 0);
    EXPECT_EQ(Pull(1024), tail);
}

TEST_F(WaveStreamTest, RoomEventIsClearedWhenTheBlockAfterWIsQueuedAndSetWhenOneFinishes) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    ASSERT_EQ(WaveStreamGetState().blocks, 12u);
    for (std::uint8_t mark = 1; mark <= 9; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    WaveStreamState st = WaveStreamGetState();
    EXPECT_EQ(st.write, 9u);
    EXPECT_EQ(st.done, 11u);
    EXPECT_TRUE(st.roomSignalled);

    ASSERT_EQ(SubmitMarked(10), kWaveOk);  // ten queued: the block after W is not free
    st = WaveStreamGetState();
    EXPECT_EQ(st.write, 10u);
    EXPECT_FALSE(st.roomSignalled);

    for (std::uint8_t round = 0; round < 3; ++round) {
        Pull(1024);  // the device finishes one block
        st = WaveStreamGetState();
        EXPECT_EQ(st.done, round);
        EXPECT_TRUE(st.roomSignalled);
        ASSERT_EQ(SubmitMarked(11 + round), kWaveOk);
        EXPECT_FALSE(WaveStreamGetState().roomSignalled);
    }

    // A report for a block at or behind D (repeated or late) leaves D where it is.
    for (std::uint32_t late : {2u, 1u, 0u, 11u}) {
        WaveBlockHeader header;
        header.user = late;
        WaveStreamDone(header);
        EXPECT_EQ(WaveStreamGetState().done, 2u) << late;
    }
}

TEST_F(WaveStreamTest, BlockCountsAsPlayedWhenTheDeviceComesBackForMore) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    for (std::uint8_t mark = 1; mark <= 10; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    std::vector<std::uint8_t> buffer(1024);
    WaveDevicePull(buffer.data(), buffer.size());  // block 0 is in the device's buffer now
    WaveStreamState st = WaveStreamGetState();
    EXPECT_EQ(st.done, 11u);
    EXPECT_FALSE(st.roomSignalled);
    EXPECT_EQ(st.queued, 10u);
    WaveDevicePull(buffer.data(), 512);  // asking again: block 0 has been played
    st = WaveStreamGetState();
    EXPECT_EQ(st.done, 0u);
    EXPECT_TRUE(st.roomSignalled);
    EXPECT_EQ(buffer[0], 2);
}

TEST_F(WaveStreamTest, ResetWakesAWaitingProducerAndStartsANewPrefill) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    for (std::uint8_t mark = 1; mark <= 10; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    ASSERT_FALSE(WaveStreamGetState().roomSignalled);

    std::atomic<int> result{-1};
    std::thread producer([&] { result.store(SubmitMarked(11)); });
    ASSERT_TRUE(test::WaitUntil([] { return WaveStreamGetState().roomWaiters == 1; }))
        << "the producer never waited for room";
    EXPECT_EQ(result.load(), -1);
    const auto resetAt = Clock::now();
    EXPECT_EQ(WaveStreamReset(), kWaveOk);
    producer.join();
    const auto waited = Clock::now() - resetAt;
    EXPECT_LT(waited, std::chrono::milliseconds(1000));  // far below the 2000 ms limit
    EXPECT_EQ(result.load(), kWaveSubmitNotReady);  // its block belongs to the old round

    WaveStreamState st = WaveStreamGetState();
    EXPECT_EQ(st.write, 0u);
    EXPECT_EQ(st.done, 11u);
    EXPECT_EQ(st.prefill, 0u);
    EXPECT_EQ(st.queued, 0u);
    EXPECT_TRUE(st.ready);
    EXPECT_EQ(Pull(1024), std::vector<std::uint8_t>(1024, 0));

    for (std::uint8_t mark = 21; mark <= 28; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    EXPECT_EQ(WaveStreamGetState().queued, 0u);
    ASSERT_EQ(SubmitMarked(29), kWaveOk);
    EXPECT_EQ(WaveStreamGetState().queued, 9u);
    for (std::uint8_t mark = 21; mark <= 29; ++mark) {
        EXPECT_EQ(Pull(1024), std::vector<std::uint8_t>(1024, mark));
    }
}

TEST_F(WaveStreamTest, DeviceThatStopsReturningBlocksHoldsTheProducerAtMostTwoSeconds) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    for (std::uint8_t mark = 1; mark <= 10; ++mark) ASSERT_EQ(SubmitMarked(mark), kWaveOk);
    const auto start = Clock::now();
    EXPECT_EQ(SubmitMarked(11), kWaveOk);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1500));
    EXPECT_LT(waited, std::chrono::milliseconds(10000));
    EXPECT_EQ(WaveStreamGetState().queued, 11u);  // queued all the same
}

TEST_F(WaveStreamTest, PauseResetAndCloseReachTheDeviceAndReportFailures) {
    ASSERT_EQ(OpenGame(), kWaveOk);
    EXPECT_EQ(device_.starts, 1);  // an open device plays (silence until the burst)
    EXPECT_EQ(WaveStreamPause(1), kWaveOk);
    EXPECT_EQ(device_.pauses, 1);
    EXPECT_EQ(WaveStreamPause(0), kWaveOk);
    EXPECT_EQ(device_.starts, 2);
    device_.failControl = true;
    EXPECT_EQ(WaveStreamPause(1), kWaveNotOpen);
    device_.failControl = false;

    EXPECT_EQ(WaveStreamClose(), kWaveOk);
    EXPECT_EQ(device_.closes, 1);
    EXPECT_EQ(WaveStreamGetBlock(), nullptr);
    EXPECT_EQ(WaveStreamFormat().channels, 0);
    EXPECT_EQ(WaveStreamGetState().blocks, 0u);
    EXPECT_EQ(WaveStreamClose(), kWaveNotOpen);
    EXPECT_EQ(WaveStreamPause(0), kWaveNotOpen);
    // A later open builds everything anew.
    EXPECT_EQ(OpenGame(), kWaveOk);
    EXPECT_EQ(WaveStreamGetState().blocks, 12u);
}

}  // namespace
}  // namespace wirbelix
