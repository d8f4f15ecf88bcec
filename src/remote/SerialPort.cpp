#include "remote/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "remote/SerialCustomBaud.h"
#include "remote/SerialDeviceName.h"

namespace wirbelix {

namespace {

enum SlotState : int { kFree = 0, kReserved = 1, kInUse = 2 };

struct Slot {
    // Free -> Reserved under the search lock; Reserved -> InUse (release) when the open has
    // filled the fields below; InUse -> Free by close. Readers load it with acquire, so the
    // fields are complete whenever they see InUse.
    std::atomic<int> state{kFree};
    int fd = -1;
    int byteTime = 0;          // one character on the wire, 1/1024 ms
    int writeMultiplierMs = 0;  // driver write limit per byte
    int writeConstantMs = 0;    // driver write limit per write
    bool noModemLines = false;
    std::int64_t lastWriteMs = 0;  // steady-clock start of the latest write
    int lastWriteCount = 0;        // bytes of the latest write still on their way
};

Slot g_slots[kSerialSlotCount];
std::mutex g_searchLock;     // covers the choice of a free slot and the start counter
unsigned g_startCounter = 0;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Slot* UsedSlot(int slot) {
    if (slot < 0 || slot >= kSerialSlotCount) return nullptr;
    Slot& s = g_slots[slot];
    return s.state.load(std::memory_order_acquire) == kInUse ? &s : nullptr;
}

// Bytes already received and waiting in the driver, or -1 when the query fails.
int QueuedInput(int fd) {
    int n = 0;
    return ioctl(fd, TIOCINQ, &n) == 0 ? n : -1;
}

speed_t SpeedConstant(std::uint32_t baud) {
    switch (baud) {
        case 50: return B50;
        case 75: return B75;
        case 110: return B110;
        case 134: return B134;
        case 150: return B150;
        case 200: return B200;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 1800: return B1800;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        case 460800: return B460800;
        case 500000: return B500000;
        case 576000: return B576000;
        case 921600: return B921600;
        case 1000000: return B1000000;
        case 1152000: return B1152000;
        case 1500000: return B1500000;
        case 2000000: return B2000000;
        case 2500000: return B2500000;
        case 3000000: return B3000000;
        case 3500000: return B3500000;
        case 4000000: return B4000000;
        default: return B0;
    }
}

// Staged on a copy of the device's settings and applied once.
bool ApplyLineSettings(int fd, std::uint32_t baud, int parity, int stopBits, int dataBits,
                       int flags) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;  // not a terminal
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | HUPCL;
    t.c_cflag |= (dataBits & 1) ? CS7 : CS8;
    switch (parity & 7) {
        case 1: t.c_cflag |= PARENB | PARODD; break;
        case 2: t.c_cflag |= PARENB; break;
        case 3: t.c_cflag |= PARENB | CMSPAR; break;
        case 4: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
        default: break;
    }
    if (parity != 0) t.c_iflag |= INPCK;
    if (stopBits & 1) t.c_cflag |= CSTOPB;
    const bool modemLines = (flags & kSerialNoModemLines) == 0;
    if (modemLines && (flags & kSerialRtsHandshake)) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    // With O_NONBLOCK and VMIN 1 a read without data fails with EAGAIN and a read of 0 bytes
    // means the device hung up; VMIN 0 would make both look the same.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    const speed_t speed = SpeedConstant(baud);
    if (speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    if (tcsetattr(fd, TCSANOW, &t) != 0) return false;
    if (speed == B0 && !SetCustomBaud(fd, baud)) return false;

    // The modem lines. Devices without them (pseudo-terminals) refuse these; that is fine.
    int rts = TIOCM_RTS, dtr = TIOCM_DTR;
    if (!(modemLines && (flags & kSerialRtsHandshake)))
        ioctl(fd, (flags & kSerialRtsOn) ? TIOCMBIS : TIOCMBIC, &rts);
    // There is no DTR handshake on Linux; the closest is to keep DTR on.
    const bool dtrOn = (modemLines && (flags & kSerialDtrHandshake)) || (flags & kSerialDtrOn);
    ioctl(fd, dtrOn ? TIOCMBIS : TIOCMBIC, &dtr);
    return true;
}

int OpenInSlot(const std::string& device, std::uint32_t baud, int parity, int stopBits,
               int dataBits, int flags) {
    int slot = -1;
    {
        std::lock_guard<std::mutex> lock(g_searchLock);
        const unsigned start = g_startCounter++;
        for (int k = 0; k < kSerialSlotCount; ++k) {
            const int candidate = static_cast<int>((start + k) % kSerialSlotCount);
            int expected = kFree;
            if (g_slots[candidate].state.compare_exchange_strong(expected, kReserved)) {
                slot = candidate;
                break;
            }
        }
    }
    if (slot < 0) return -1;
    Slot& s = g_slots[slot];

    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        s.state.store(kFree, std::memory_order_release);
        return -1;
    }
    // No sharing: a second open of the same device fails while this one holds it, from this
    // or another program that locks serial devices the same way (flock), and any open by a
    // program without special rights (exclusive mode; the kernel lets root through).
    ioctl(fd, TIOCEXCL);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        !ApplyLineSettings(fd, baud, parity, stopBits, dataBits, flags)) {
        close(fd);
        s.state.store(kFree, std::memory_order_release);
        return -1;
    }

    const int characterBits =
        1 + ((dataBits & 1) ? 7 : 8) + 1 + (stopBits != 0 ? 1 : 0) + (parity != 0 ? 1 : 0);
    s.fd = fd;
    s.byteTime = static_cast<int>(static_cast<std::uint64_t>(characterBits) * 1024000u / baud);
    s.writeMultiplierMs = static_cast<int>(12000u / baud + 1);
    s.writeConstantMs = static_cast<int>(12000u / baud + 2);
    s.noModemLines = (flags & kSerialNoModemLines) != 0;
    s.lastWriteMs = 0;
    s.lastWriteCount = 0;
    s.state.store(kInUse, std::memory_order_release);
    return slot;
}

int ReadTimedOrUntil(int slot, void* buffer, int count, int limitMs, bool untilEnd,
                     std::uint8_t endByte) {
    Slot* s = UsedSlot(slot);
    if (!s) return -1;
    if (count <= 0) {
        SleepMs(limitMs);
        return 0;
    }
    limitMs = std::max(limitMs, 0);
    std::int64_t deadline = NowMs() + limitMs + (untilEnd ? 20 : 0);
    if (limitMs == 0) {
        if (SerialBytesAvailable(slot) == 0) return 0;
    } else if (!SerialWaitForData(slot, limitMs)) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    int total = 0;
    for (;;) {
        const int want = std::min(SerialBytesAvailable(slot), count - total);
        const int got = SerialRead(slot, bytes + total, want);
        if (got < 0) return total > 0 ? total : -1;
        const bool sawEnd =
            untilEnd && std::find(bytes + total, bytes + total + got, endByte) != bytes + total + got;
        total += got;
        if (total == count || sawEnd) return total;
        deadline += static_cast<std::int64_t>(got) * s->byteTime / 1024;
        const std::int64_t remaining = deadline - NowMs();
        if (untilEnd ? remaining <= 0 : remaining < 0) return total;
        if (!SerialWaitForData(slot, static_cast<int>(remaining))) return total;
    }
}

}  // namespace

int SerialOpen(int port, std::uint32_t baud, int parity, int stopBits, int dataBits, int flags) {
    if (port < 0 || port >= 256 || baud == 0) return -1;
    return OpenInSlot(SerialDeviceName(port), baud, parity, stopBits, dataBits, flags);
}

int SerialOpenDevice(const char* device, std::uint32_t baud, int parity, int stopBits,
                     int dataBits, int flags) {
    if (device == nullptr || *device == '\0' || baud == 0) return -1;
    return OpenInSlot(device, baud, parity, stopBits, dataBits, flags);
}

int SerialClose(int slot) {
    Slot* s = UsedSlot(slot);
    if (!s) return -1;
    tcflush(s->fd, TCOFLUSH);
    // Linux releases the descriptor even when close reports an error, so the slot is freed
    // in every case; keeping the number would later act on an unrelated descriptor.
    const int rc = close(s->fd);
    s->fd = -1;
    s->state.store(kFree, std::memory_order_release);
    return (rc == 0 || errno == EINTR) ? 0 : -1;
}

int SerialIsAlive(int slot) {
    Slot* s = UsedSlot(slot);
    if (!s || QueuedInput(s->fd) < 0) return 0;
    pollfd p{s->fd, 0, 0};
    if (poll(&p, 1, 0) < 0) return errno == EINTR ? 1 : 0;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) ? 0 : 1;
}

int SerialBytesAvailable(int slot) {
    Slot* s = UsedSlot(slot);
    if (!s) return 0;
    return std::max(QueuedInput(s->fd), 0);
}

int SerialWaitForData(int slot, int limitMs) {
    Slot* s = UsedSlot(slot);
    if (!s) return 0;
    const std::int64_t deadline = NowMs() + std::max(limitMs, 0);
    bool lastPass = false;
    for (;;) {
        if (QueuedInput(s->fd) > 0) return 1;
        if (lastPass) return 0;
        std::int64_t remaining = deadline - NowMs();
        if (remaining <= 0) {
            lastPass = true;
            remaining = 0;
        } else {
            remaining = std::min<std::int64_t>(remaining, 500);
        }
        pollfd p{s->fd, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(remaining));
        if (r < 0 && errno == EINTR) continue;
        // poll reports at once, without data, for a device that has hung up or failed; a
        // short sleep keeps that from turning into a busy loop until the deadline.
        if (r != 0 && QueuedInput(s->fd) <= 0 && remaining > 0)
            SleepMs(std::min<std::int64_t>(remaining, remaining <= 100 ? 10 : 50));
    }
}

int SerialRead(int slot, void* buffer, int count) {
    Slot* s = UsedSlot(slot);
    if (!s) return -1;
    if (count <= 0) return 0;
    for (;;) {
        const ssize_t n = read(s->fd, buffer, static_cast<std::size_t>(count));
        if (n > 0) return static_cast<int>(n);
        if (n == 0) return -1;  // hung up
        if (errno == EINTR) continue;
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

int SerialModemStatus(int slot) {
    Slot* s = UsedSlot(slot);
    if (!s) return -1;
    if (s->noModemLines) return 3;
    int lines = 0;
    if (ioctl(s->fd, TIOCMGET, &lines) != 0) return -1;
    return ((lines & TIOCM_CTS) ? 1 : 0) | ((lines & TIOCM_DSR) ? 2 : 0);
}

void SerialSetLines(int slot, int values, int which) {
    Slot* s = UsedSlot(slot);
    if (!s || (which & (kSerialRtsOn | kSerialDtrOn)) == 0) return;
    if (which & kSerialRtsOn) {
        termios t{};
        if (tcgetattr(s->fd, &t) == 0 && (t.c_cflag & CRTSCTS)) {
            t.c_cflag &= ~CRTSCTS;
            tcsetattr(s->fd, TCSANOW, &t);
        }
        int rts = TIOCM_RTS;
        ioctl(s->fd, (values & kSerialRtsOn) ? TIOCMBIS : TIOCMBIC, &rts);
    }
    if (which & kSerialDtrOn) {
        int dtr = TIOCM_DTR;
        ioctl(s->fd, (values & kSerialDtrOn) ? TIOCMBIS : TIOCMBIC, &dtr);
    }
}

int SerialWrite(int slot, const void* data, int count) {
    Slot* s = UsedSlot(slot);
    if (!s) return -1;
    if (count <= 0) return 0;
    const std::int64_t start = NowMs();
    s->lastWriteMs = start;
    s->lastWriteCount = count;
    // The driver's limit ends a stalled write with what has gone so far; the outer limit
    // (the whole write's wire time plus a second) declares the write failed.
    const std::int64_t driverDeadline =
        start + static_cast<std::int64_t>(s->writeMultiplierMs) * count + s->writeConstantMs;
    const std::int64_t failDeadline =
        start + static_cast<std::int64_t>(count) * s->byteTime / 1024 + 1000;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    int written = 0;
    while (written < count) {
        const ssize_t n = write(s->fd, bytes + written, static_cast<std::size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        const std::int64_t now = NowMs();
        if (now >= failDeadline && failDeadline <= driverDeadline) return -1;
        if (now >= driverDeadline) break;
        pollfd p{s->fd, POLLOUT, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min(driverDeadline, failDeadline) - now));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT))
            return -1;
    }
    s->lastWriteCount = written;
    return written;
}

int SerialWaitWriteDone(int slot, int limitMs) {
    Slot* s = UsedSlot(slot);
    if (!s) return 0;
    if (s->lastWriteCount == 0) return 1;
    const std::int64_t rest =
        s->lastWriteMs + static_cast<std::int64_t>(s->lastWriteCount) * s->byteTime / 1024 - NowMs();
    if (rest <= 0) return 1;
    if (rest > limitMs) {
        SleepMs(limitMs);
    } else {
        SleepMs(rest);
        s->lastWriteCount = 0;
    }
    return 1;
}

int SerialOutputPending(int slot) {
    Slot* s = UsedSlot(slot);
    if (!s) return 0;
    int n = 0;
    return ioctl(s->fd, TIOCOUTQ, &n) == 0 ? n : 0;
}

int SerialReadTimed(int slot, void* buffer, int count, int limitMs) {
    return ReadTimedOrUntil(slot, buffer, count, limitMs, false, 0);
}

int SerialReadUntil(int slot, void* buffer, int count, int limitMs, std::uint8_t endByte) {
    return ReadTimedOrUntil(slot, buffer, count, limitMs, true, endByte);
}

int SerialByteTime(int slot) {
    Slot* s = UsedSlot(slot);
    return s ? s->byteTime : -1;
}

}  // namespace wirbelix
