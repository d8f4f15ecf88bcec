#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "game/GameView.h"
#include "game/SoundWords.h"
#include "remote/RemoteThreadFixture.h"

namespace wirbelix::test {
namespace {

// The game view with its remote-control thread, as the view starts it, and sound clips of the
// lengths the program ships with.
class RemoteGame : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        static const std::uint32_t kLengths[kSoundClipCount] = {27958, 33844, 36245, 98996, 12781, 465};
        ResetSoundWords();
        for (int i = 0; i < kSoundClipCount; ++i) {
            clips[i].assign(kLengths[i], static_cast<std::int16_t>(i + 1));
            g_soundClips[i] = SoundClip{clips[i].data(), static_cast<std::uint32_t>(clips[i].size())};
        }
        clock.Set(kNow);
        view = std::make_unique<CWirbelixView>();
        SetWindowSystem(&windows);
    }

    void TearDown() override {
        if (thread.Joinable()) {
            StopRemoteControl(*view);
            thread.Join();
        }
        SetWindowSystem(nullptr);
        view.reset();
        ResetSoundWords();
        SettingsFixture::TearDown();
    }

    static constexpr std::uint32_t kNow = 0x70000000;  // apart from the other remote tests
    ManualTickClock clock{0};
    ScopedTickClock useClock{clock};
    std::vector<std::int16_t> clips[kSoundClipCount];
    RecordingWindowSystem windows;
    std::unique_ptr<CWirbelixView> view;
    WorkerThread thread;
};

TEST_F(RemoteGame, PressAndReleaseFromTheSimulatorSpinWithTheBoxHoldTime) {
    const std::string link = dir() + "/remote-box";
    SetPortDevice(2, link);
    view->m_ComPort.store(2);
    ASSERT_TRUE(StartRemoteControl(thread, *view));

    int simulator = -1;
    std::thread box([&] {
        simulator = RunSimulator({"--link", link, "--script"},
                                 "0 0S\n"       // the box's clock meets the tick count
                                 "0 0D\n"       // first player presses ...
                                 "1597 0U\n"    // ... and lets go 1597 box ms later
                                 "100 6U\n");   // "Zweiter Spieler -"
    });
    EXPECT_TRUE(WaitUntil([] { return g_spinState.load() == Charging1; }, 10000));
    EXPECT_TRUE(WaitUntil([] { return g_spinState.load() == Spinning1; }, 10000));
    box.join();
    ASSERT_EQ(simulator, 0);
    ASSERT_TRUE(WaitUntil([&] { return windows.Commands().size() == 1; }));

    // The spin's strength comes from the box's 1597 ms, not from when the lines arrived.
    auto lock = view->LockGameInput();
    EXPECT_EQ(view->m_PressStart, kNow + 1597);
    EXPECT_DOUBLE_EQ(view->m_Strength, 1597 * 0.0005);
    EXPECT_GT(view->m_DurationMs, 0);
    EXPECT_EQ(windows.Commands(), std::vector<int>{33037});
}

TEST_F(RemoteGame, ViewStopHandshakeEndsAThreadThatWaitsForAMissingPort) {
    SetPortDevice(0, dir() + "/nothing-here");
    ASSERT_TRUE(StartRemoteControl(thread, *view));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    StopRemoteControl(*view);
    EXPECT_EQ(view->m_RemoteDone.load(), 1);
    thread.Join();
    EXPECT_TRUE(AllSerialSlotsFree());
}

}  // namespace
}  // namespace wirbelix::test
