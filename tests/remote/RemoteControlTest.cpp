#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "remote/RemoteThreadFixture.h"

namespace wirbelix::test {
namespace {

using std::chrono::milliseconds;

// Each test works in its own range of local time (see RemoteEvaluation).
using RemoteControlThread = RemoteThreadFixture;

TEST_F(RemoteControlThread, BytesOneAtATimeActOnlyAtTheLineEndThenButtonsReachGameAndWindow) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SetPortDevice(0, box.Path());
    const std::uint32_t now = 0x30000000;
    clock.Set(now);
    Start();

    for (char c : std::string("0D0001A2B3")) {
        ASSERT_TRUE(box.Send(std::string(1, c)));
        std::this_thread::sleep_for(milliseconds(10));
    }
    ASSERT_TRUE(WaitUntil([&] { return UnreadBytes(box) == 0; }));
    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_TRUE(Events().empty()) << "no line end yet";

    ASSERT_TRUE(box.Send("\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return EventCount() == 1; }));
    // The first line sets the offset: its local time is the tick count when it arrived.
    EXPECT_EQ(offset.load(), static_cast<int>(now - 0x1A2B3));

    // The release 1597 box milliseconds later, then buttons that post commands, with noise.
    clock.Advance(4000);  // serial latency must not count: the box's times decide
    ASSERT_TRUE(box.Send("0U0001A8F0\r\n"
                         "5D00020000\r\n"
                         "\xff\xfeZZ5U00020000\r\n"
                         "2U00030000\n"
                         "0D000000000\r"));  // nine digits: dropped
    ASSERT_TRUE(WaitUntil([&] { return windows.Commands().size() == 2; }));
    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_EQ(Events(), (std::vector<std::string>{Event("down", 0, now), Event("up", 0, now + 1597)}));
    EXPECT_EQ(windows.Commands(), (std::vector<int>{33034, 32809}));
}

TEST_F(RemoteControlThread, LostPortIsClosedAndOpenedAgainWhenItReturns) {
    // The port's device is a link the test points at whichever pseudo-terminal is the box.
    const std::string link = dir() + "/remote-box";
    auto pointLinkAt = [&](const std::string& target) {
        const std::string tmp = link + ".new";
        unlink(tmp.c_str());
        ASSERT_EQ(symlink(target.c_str(), tmp.c_str()), 0);
        ASSERT_EQ(rename(tmp.c_str(), link.c_str()), 0);
    };
    auto first = std::make_unique<PtyBox>();
    ASSERT_TRUE(first->Ok());
    pointLinkAt(first->Path());
    SetPortDevice(1, link);
    comPort.store(1);
    const std::uint32_t now = 0x40000000;
    clock.Set(now);
    Start();

    ASSERT_TRUE(first->Send("1D00001000\r"));
    ASSERT_TRUE(WaitUntil([&] { return EventCount() == 1; }));

    // The cable is pulled: the device node goes away, then the line drops. (Pointing the link
    // at nothing first also keeps the thread from reopening the freed pseudo-terminal number,
    // which another test process may have been handed meanwhile.)
    pointLinkAt(dir() + "/unplugged");
    first->Close();
    ASSERT_TRUE(WaitUntil([] { return AllSerialSlotsFree(); })) << "the thread closes its slot";
    std::this_thread::sleep_for(milliseconds(500));  // a few failed reopens
    EXPECT_TRUE(AllSerialSlotsFree());

    PtyBox second;
    ASSERT_TRUE(second.Ok());
    pointLinkAt(second.Path());
    ASSERT_TRUE(second.Send("1U00002000\r"));
    ASSERT_TRUE(WaitUntil([&] { return EventCount() == 2; }));
    EXPECT_EQ(Events()[1], Event("up", 1, now + 0x1000));
}

TEST_F(RemoteControlThread, HalfLineFromTheOldPortIsCompletedByTheNewOne) {
    PtyBox a, b;
    ASSERT_TRUE(a.Ok() && b.Ok());
    SetPortDevice(0, a.Path());
    SetPortDevice(1, b.Path());
    const std::uint32_t now = 0x50000000;
    clock.Set(now);
    Start();

    ASSERT_TRUE(WaitUntil([] { return !AllSerialSlotsFree(); }));
    ASSERT_TRUE(a.Send("0D0001"));
    // The bytes reach the device's queue a moment after the write; then the thread takes them.
    std::this_thread::sleep_for(milliseconds(50));
    ASSERT_TRUE(WaitUntil([&] { return UnreadBytes(a) == 0; }));
    comPort.store(1);  // the user picks another port
    ASSERT_TRUE(b.Send("A2B3\r"));
    ASSERT_TRUE(WaitUntil([&] { return EventCount() == 1; }));
    EXPECT_EQ(Events()[0], Event("down", 0, now));
    EXPECT_EQ(offset.load(), static_cast<int>(now - 0x1A2B3));
}

TEST_F(RemoteControlThread, SimulatorScriptReachesGameAndWindowThroughAPseudoTerminal) {
    const std::string link = dir() + "/remote-box";
    SetPortDevice(0, link);  // missing until the simulator makes it: the thread retries
    const std::uint32_t now = 0x60000000;
    clock.Set(now);
    Start();
    ASSERT_EQ(RunSimulator({"--link", link, "--script"},
                           "# sync, press, hold 1597 ms, release, then a command\n"
                           "0 0S\n0 0D\n1597 0U\n20 raw \\xff\\xfeZZ\n100 5U\n"),
              0);
    ASSERT_TRUE(WaitUntil([&] { return windows.Commands().size() == 1; }));
    EXPECT_EQ(Events(), (std::vector<std::string>{Event("down", 0, now), Event("up", 0, now + 1597)}));
    EXPECT_EQ(windows.Commands(), std::vector<int>{33034});
    EXPECT_EQ(RunSimulator({"--bogus"}, ""), 2);
}

TEST_F(RemoteControlThread, StopEndsTheThreadPromptlyWhileThePortIsMissingOrIdle) {
    SetPortDevice(0, dir() + "/no-such-device");
    Start();
    std::this_thread::sleep_for(milliseconds(300));
    long missingMs = StopAndJoin();
    EXPECT_EQ(done.load(), 1);

    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SetPortDevice(0, box.Path());
    stop.store(0);
    done.store(0);
    Start();
    ASSERT_TRUE(WaitUntil([] { return !AllSerialSlotsFree(); }));
    std::this_thread::sleep_for(milliseconds(150));
    long idleMs = StopAndJoin();
    EXPECT_TRUE(AllSerialSlotsFree()) << "the thread closes its port on the way out";
    std::printf("stop handshake: %ld ms with the port missing, %ld ms with the port idle\n",
                missingMs, idleMs);
    // Generous bounds: the thread notices within one pass (at most about 100 ms); the
    // handshake polls every 50 ms.
    EXPECT_LT(missingMs, 1000);
    EXPECT_LT(idleMs, 1000);
}

}  // namespace
}  // namespace wirbelix::test
