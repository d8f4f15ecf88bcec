#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "remote/PtyBox.h"
#include "remote/SerialCustomBaud.h"
#include "remote/SerialPort.h"

namespace wirbelix {
namespace {

using test::PtyBox;
using Clock = std::chrono::steady_clock;

int OpenBox(const PtyBox& box, std::uint32_t baud = 9600, int parity = 0, int stopBits = 0,
            int dataBits = 8, int flags = 0) {
    return SerialOpenDevice(box.Path().c_str(), baud, parity, stopBits, dataBits, flags);
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Closes a slot when the test ends, pass or fail, so later tests find the slots free.
struct SlotGuard {
    int slot;
    ~SlotGuard() {
        if (slot >= 0) SerialClose(slot);
    }
};

struct LineCase {
    const char* name;
    std::uint32_t baud;
    int parity, stopBits, dataBits, flags;
    int byteTime;      // 1/1024 ms
    bool twoStopBits;  // CSTOPB as the device holds it
    bool parityCheck;  // INPCK
    bool rtsCts;       // CRTSCTS
    int modemStatus;   // a pseudo-terminal has no modem lines: -1 unless flag 0x40
};

TEST(SerialPort, OpenAppliesLineSettingsAndByteTime) {
    const LineCase cases[] = {
        {"box 9600 8N1", 9600, 0, 0, 8, 0, 1066, false, false, false, -1},
        {"7E2: 11 character bits", 9600, 2, 1, 7, 0, 11 * 1024000 / 9600, true, true, false, -1},
        {"odd 19200", 19200, 1, 0, 8, 0, 11 * 1024000 / 19200, false, true, false, -1},
        // Parity 8 selects no parity bit on the wire, but counts one and checks input.
        {"parity 8 counts a bit", 9600, 8, 0, 8, 0, 11 * 1024000 / 9600, false, true, false, -1},
        // Stop bits 2 has bit 0 clear: one stop bit on the wire, two counted.
        {"stop bits 2 counts one more", 9600, 0, 2, 8, 0, 11 * 1024000 / 9600, false, false, false, -1},
        {"rate without a constant", 31250, 0, 0, 8, 0, 10 * 1024000 / 31250, false, false, false, -1},
        {"RTS and DTR handshake", 9600, 0, 0, 8, 0x30, 1066, false, false, true, -1},
        {"no modem lines ignores handshakes", 9600, 0, 0, 8, 0x70, 1066, false, false, false, 3},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        PtyBox box;
        ASSERT_TRUE(box.Ok());
        SlotGuard slot{OpenBox(box, c.baud, c.parity, c.stopBits, c.dataBits, c.flags)};
        ASSERT_GE(slot.slot, 0);
        EXPECT_EQ(SerialByteTime(slot.slot), c.byteTime);
        termios t{};
        ASSERT_EQ(tcgetattr(box.Slave(), &t), 0);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ((t.c_iflag & INPCK) != 0, c.parityCheck);
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtsCts);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);  // raw: no line editing, no echo
        EXPECT_EQ(ReadBaud(box.Slave()), c.baud);
        EXPECT_EQ(SerialModemStatus(slot.slot), c.modemStatus);
    }
    EXPECT_EQ(SerialByteTime(0), -1) << "every slot is free again";
}

TEST(SerialPort, ReadsReturnAtOnceWithWhatHasArrivedAndWritesReachTheOtherEnd) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SlotGuard slot{OpenBox(box)};
    ASSERT_GE(slot.slot, 0);
    EXPECT_EQ(SerialIsAlive(slot.slot), 1);

    // Nothing has arrived: both return 0 at once (a read that waited would wait forever, as
    // nothing is ever sent before the next step).
    char buf[16] = {};
    EXPECT_EQ(SerialRead(slot.slot, buf, sizeof buf), 0);
    EXPECT_EQ(SerialWaitForData(slot.slot, 0), 0);
    EXPECT_EQ(SerialRead(slot.slot, buf, 0), 0);

    ASSERT_TRUE(box.Send("0D0001A2B3\r\n"));
    EXPECT_EQ(SerialWaitForData(slot.slot, 1000), 1);
    EXPECT_EQ(SerialBytesAvailable(slot.slot), 12);
    EXPECT_EQ(SerialRead(slot.slot, buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "0D000");
    EXPECT_EQ(SerialRead(slot.slot, buf, sizeof buf), 7);
    EXPECT_EQ(std::string(buf, 7), "1A2B3\r\n");
    EXPECT_EQ(SerialBytesAvailable(slot.slot), 0);

    EXPECT_EQ(SerialWrite(slot.slot, "ping", 4), 4);
    EXPECT_EQ(SerialWrite(slot.slot, "x", 0), 0);
    EXPECT_EQ(box.Receive(), "ping");
    EXPECT_EQ(SerialWaitWriteDone(slot.slot, 100), 1);
    EXPECT_EQ(SerialOutputPending(slot.slot), 0);
}

TEST(SerialPort, WaitForDataWakesWhenBytesArriveAndGivesUpAtItsLimit) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SlotGuard slot{OpenBox(box)};
    ASSERT_GE(slot.slot, 0);

    auto start = Clock::now();
    EXPECT_EQ(SerialWaitForData(slot.slot, 120), 0);
    EXPECT_GE(ElapsedMs(start), 110);

    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        box.Send("7");
    });
    start = Clock::now();
    EXPECT_EQ(SerialWaitForData(slot.slot, 5000), 1);
    EXPECT_LT(ElapsedMs(start), 2000);
    sender.join();
}

TEST(SerialPort, ReadTimedCollectsBytesUntilCountOrLimitAndReadUntilStopsAtTheEndByte) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SlotGuard slot{OpenBox(box)};
    ASSERT_GE(slot.slot, 0);
    char buf[32] = {};

    // Count reached over two arrivals.
    std::thread sender([&] {
        box.Send("abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        box.Send("de");
    });
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 5, 1000), 5);
    sender.join();
    EXPECT_EQ(std::string(buf, 5), "abcde");

    // Limit reached with fewer bytes.
    box.Send("xyz");
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 10, 60), 3);
    EXPECT_EQ(std::string(buf, 3), "xyz");

    // Nothing arrives, with and without a limit.
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 10, 0), 0);
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 10, 30), 0);
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 0, 0), 0);

    // The end byte ends the read early; what follows stays for the next read.
    box.Send("0U0001A8F0\rmore");
    auto start = Clock::now();
    int n = SerialReadUntil(slot.slot, buf, 32, 2000, '\r');
    EXPECT_LT(ElapsedMs(start), 1500);
    ASSERT_GE(n, 11);
    EXPECT_EQ(std::string(buf, 11), "0U0001A8F0\r");
}

TEST(SerialPort, WritesThatCannotLeaveEndAtTheirTimeLimits) {
    PtyBox box;  // nobody reads the box's end, so the device's output queue fills up
    ASSERT_TRUE(box.Ok());
    // At 4 Mbaud a byte takes 2/1024 ms: 100 000 bytes may take 195 ms + 1 s before the write
    // counts as failed, long before the driver's limit of 1 ms per byte.
    SlotGuard slot{OpenBox(box, 4000000)};
    ASSERT_GE(slot.slot, 0);
    ASSERT_EQ(SerialByteTime(slot.slot), 2);
    std::vector<char> lots(100000, 'x');
    auto start = Clock::now();
    EXPECT_EQ(SerialWrite(slot.slot, lots.data(), static_cast<int>(lots.size())), -1);
    EXPECT_GE(ElapsedMs(start), 1000);
    EXPECT_LT(ElapsedMs(start), 10000);
    // Ten more bytes: the driver's limit (1 ms per byte + 2 ms) ends the write with what went.
    start = Clock::now();
    EXPECT_EQ(SerialWrite(slot.slot, lots.data(), 10), 0);
    EXPECT_LT(ElapsedMs(start), 1000);

    // At 9600 baud 96 bytes take 99 ms on the wire; the wait for them is cut at its limit.
    PtyBox slow;
    ASSERT_TRUE(slow.Ok());
    SlotGuard slot9600{OpenBox(slow)};
    ASSERT_EQ(SerialWrite(slot9600.slot, lots.data(), 96), 96);
    start = Clock::now();
    EXPECT_EQ(SerialWaitWriteDone(slot9600.slot, 20), 1);
    EXPECT_GE(ElapsedMs(start), 15);
    EXPECT_EQ(SerialWaitWriteDone(slot9600.slot, 1000), 1);
    EXPECT_GE(ElapsedMs(start), 90);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_EQ(SerialOutputPending(slot9600.slot), 0) << "nothing left on its way";
    EXPECT_EQ(SerialWaitWriteDone(slot9600.slot, 1000), 1);
}

TEST(SerialPort, SlotsAreHandedOutInTurnAndTheArgumentCheckLeavesTheCounterAlone) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    int first = OpenBox(box);
    ASSERT_GE(first, 0);
    ASSERT_EQ(SerialClose(first), 0);
    // Nine opens and closes in a row walk through all eight slots and wrap.
    for (int k = 1; k <= 9; ++k) {
        int slot = OpenBox(box);
        EXPECT_EQ(slot, (first + k) % 8);
        EXPECT_EQ(SerialClose(slot), 0);
    }
    // Refused arguments do not advance the counter ...
    EXPECT_EQ(SerialOpen(256, 9600, 0, 0, 8, 0), -1);
    EXPECT_EQ(SerialOpen(-1, 9600, 0, 0, 8, 0), -1);
    EXPECT_EQ(OpenBox(box, 0), -1);  // baud 0 would divide by zero in the byte time
    int next = OpenBox(box);
    EXPECT_EQ(next, (first + 10) % 8);
    EXPECT_EQ(SerialClose(next), 0);
    // ... but a device that cannot be opened does: port 255 is /dev/ttyS255.
    EXPECT_EQ(SerialOpen(255, 9600, 0, 0, 8, 0), -1);
    next = OpenBox(box);
    EXPECT_EQ(next, (first + 12) % 8);
    EXPECT_EQ(SerialClose(next), 0);
}

TEST(SerialPort, NinthOpenFailsUntilASlotIsClosedAndADeviceIsNotShared) {
    std::vector<std::unique_ptr<PtyBox>> boxes;
    std::vector<int> slots;
    for (int k = 0; k < 9; ++k) {
        boxes.push_back(std::make_unique<PtyBox>());
        ASSERT_TRUE(boxes.back()->Ok());
    }
    for (int k = 0; k < 8; ++k) {
        slots.push_back(OpenBox(*boxes[k]));
        ASSERT_GE(slots.back(), 0);
    }
    EXPECT_EQ(OpenBox(*boxes[8]), -1);
    EXPECT_EQ(SerialClose(slots[3]), 0);
    int again = OpenBox(*boxes[8]);
    EXPECT_EQ(again, slots[3]);
    slots[3] = again;
    for (int s : slots) EXPECT_EQ(SerialClose(s), 0);

    int held = OpenBox(*boxes[0]);
    ASSERT_GE(held, 0);
    EXPECT_EQ(OpenBox(*boxes[0]), -1) << "the device is held by another slot";
    EXPECT_EQ(SerialClose(held), 0);
    EXPECT_EQ(SerialOpenDevice("/nonexistent/tty", 9600, 0, 0, 8, 0), -1);
    EXPECT_EQ(SerialOpenDevice("/dev/null", 9600, 0, 0, 8, 0), -1) << "not a terminal";
}

TEST(SerialPort, TwoOpensRacingForTheLastFreeSlotsGetDifferentOnes) {
    std::vector<std::unique_ptr<PtyBox>> boxes;
    for (int k = 0; k < kSerialSlotCount; ++k) {
        boxes.push_back(std::make_unique<PtyBox>());
        ASSERT_TRUE(boxes.back()->Ok());
    }
    for (int round = 0; round < 50; ++round) {
        // All eight in use, then the two behind the next start position freed: the next two
        // searches start at slots s (in use) and s + 1, and both find s + 1 free first.
        std::vector<int> held;
        for (int k = 0; k < kSerialSlotCount; ++k) held.push_back(OpenBox(*boxes[k]));
        ASSERT_EQ(SerialClose(held[1]), 0);
        ASSERT_EQ(SerialClose(held[2]), 0);
        held.erase(held.begin() + 1, held.begin() + 3);
        std::atomic<int> ready{0};
        int racing[2] = {-1, -1};
        std::vector<std::thread> threads;
        for (int k = 0; k < 2; ++k) {
            threads.emplace_back([&, k] {
                ready.fetch_add(1);
                while (ready.load() < 2) {
                }
                racing[k] = OpenBox(*boxes[1 + k]);
            });
        }
        for (std::thread& t : threads) t.join();
        EXPECT_GE(racing[0], 0);
        EXPECT_GE(racing[1], 0);
        EXPECT_NE(racing[0], racing[1]) << "one slot handed out twice";
        for (int slot : held) EXPECT_EQ(SerialClose(slot), 0);
        for (int slot : racing)
            if (slot >= 0) SerialClose(slot);
        if (HasFailure()) break;
    }
}

TEST(SerialPort, InvalidSlotsAnswerWithTheirErrorValues) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    int closed = OpenBox(box);
    ASSERT_GE(closed, 0);
    ASSERT_EQ(SerialClose(closed), 0);
    char buf[4];
    for (int slot : {-1, 8, 1000, closed}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(SerialClose(slot), -1);
        EXPECT_EQ(SerialIsAlive(slot), 0);
        EXPECT_EQ(SerialBytesAvailable(slot), 0);
        EXPECT_EQ(SerialWaitForData(slot, 100), 0);
        EXPECT_EQ(SerialRead(slot, buf, 4), -1);
        EXPECT_EQ(SerialModemStatus(slot), -1);
        SerialSetLines(slot, 0x0C, 0x0C);
        EXPECT_EQ(SerialWrite(slot, "ab", 2), -1);
        EXPECT_EQ(SerialWaitWriteDone(slot, 10), 0);
        EXPECT_EQ(SerialOutputPending(slot), 0);
        EXPECT_EQ(SerialReadTimed(slot, buf, 4, 10), -1);
        EXPECT_EQ(SerialReadUntil(slot, buf, 4, 10, '\r'), -1);
        EXPECT_EQ(SerialByteTime(slot), -1);
    }
}

TEST(SerialPort, DeviceThatHungUpIsNotAliveAndItsWaitsDoNotSpinOrHang) {
    PtyBox box;
    ASSERT_TRUE(box.Ok());
    SlotGuard slot{OpenBox(box, 9600, 0, 0, 8, 0x10)};
    ASSERT_GE(slot.slot, 0);
    SerialSetLines(slot.slot, 0x0C, 0x0C);  // ends the RTS handshake
    termios t{};
    ASSERT_EQ(tcgetattr(box.Slave(), &t), 0);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(SerialIsAlive(slot.slot), 1);

    box.Close();
    EXPECT_EQ(SerialIsAlive(slot.slot), 0);
    EXPECT_EQ(SerialBytesAvailable(slot.slot), 0);
    auto start = Clock::now();
    EXPECT_EQ(SerialWaitForData(slot.slot, 150), 0);
    EXPECT_LT(ElapsedMs(start), 2000);
    char buf[4];
    EXPECT_EQ(SerialRead(slot.slot, buf, 4), -1);
    EXPECT_EQ(SerialReadTimed(slot.slot, buf, 4, 50), 0);
    EXPECT_EQ(SerialWrite(slot.slot, "ab", 2), -1);
    EXPECT_EQ(SerialClose(slot.slot), 0);
    slot.slot = -1;
}

}  // namespace
}  // namespace wirbelix
