#include "audio/WaveStream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace wirbelix {

namespace {

// ---- Stream state -------------------------------------------------------------------------
//
// The stream's lock guards W and D together with the room event (roomSignalled and its
// condition variable) and the reset generation. W, D, N, the prefill count and the ready flag
// are atomics as well, because GetBlock and the first checks of Submit read them without the
// lock, and Reset writes them while the producer may be inside Submit. The block memory and the
// headers are set up by Open and torn down by Close, both while neither the producer nor the
// device runs.
struct Stream {
    WaveDevice* device = nullptr;  // the open device; null when closed (owner thread only)
    std::atomic<bool> open{false};
    std::atomic<bool> ready{false};
    WaveFormat format;
    std::atomic<std::uint32_t> blockBytes{kWaveDefaultBlockBytes};

    std::unique_ptr<std::uint8_t[]> memory[kWaveMaxBlocks];
    WaveBlockHeader headers[kWaveMaxBlocks];

    std::atomic<std::uint32_t> blocks{0};   // N
    std::atomic<std::uint32_t> write{0};    // W
    std::atomic<std::uint32_t> done{0};     // D
    std::atomic<std::uint32_t> prefill{0};  // submits since open or reset, capped at 9
    std::uint32_t held[kWavePrefillBlocks] = {};  // lengths of the held blocks (producer only)

    std::mutex lock;
    std::condition_variable room;
    bool roomSignalled = true;     // guarded by lock
    std::uint32_t roomWaiters = 0; // producers inside the wait for room; guarded by lock
    std::uint32_t generation = 0;  // guarded by lock; counts resets and opens
};

Stream s;

// ---- Device queue -------------------------------------------------------------------------
//
// What the platform's wave device keeps for itself: the blocks written to it, in order, and how
// far the head block has been played. Guarded by its own lock, which is held while a finished
// block is reported to WaveStreamDone (so the order is always queue lock, then stream lock;
// the stream never takes the queue lock while it holds its own).
struct DeviceQueue {
    std::mutex lock;
    bool open = false;
    std::uint8_t silence = 0;  // the zero level of the format: 0x80 for unsigned 8-bit
    std::uint32_t ring[kWaveMaxBlocks] = {};
    std::uint32_t head = 0;
    std::uint32_t count = 0;
    std::uint32_t offset = 0;  // bytes of the head block already handed out
    // Blocks handed out completely by the last pull. They count as played, and are reported,
    // when the device asks for more: until then their sound is still in the device's buffer.
    std::uint32_t handedOut[kWaveMaxBlocks] = {};
    std::uint32_t handedOutCount = 0;
};

DeviceQueue q;

void QueueOpen(std::uint8_t silence) {
    std::lock_guard<std::mutex> guard(q.lock);
    q.open = true;
    q.silence = silence;
    q.head = q.count = q.offset = 0;
}

// Appends block index with length bytes; false when the device is closed or the block is
// already queued.
bool QueueWrite(std::uint32_t index, std::uint32_t length) {
    std::lock_guard<std::mutex> guard(q.lock);
    WaveBlockHeader& h = s.headers[index];
    if (!q.open || q.count == kWaveMaxBlocks || h.data == nullptr ||
        (h.flags & kWaveBlockQueued) != 0) {
        return false;
    }
    h.bufferLength = length;
    h.flags = kWaveBlockQueued;
    q.ring[(q.head + q.count) % kWaveMaxBlocks] = index;
    ++q.count;
    return true;
}

void Finish(std::uint32_t index) {
    WaveBlockHeader& h = s.headers[index];
    h.flags = kWaveBlockDone;
    WaveStreamDone(h);
}

void ReportHandedOut() {
    for (std::uint32_t i = 0; i < q.handedOutCount; ++i) Finish(q.handedOut[i]);
    q.handedOutCount = 0;
}

// Takes the head block off the queue; with handOut it waits for the next pull to be reported.
void PopHead(bool handOut) {
    const std::uint32_t index = q.ring[q.head];
    q.head = (q.head + 1) % kWaveMaxBlocks;
    --q.count;
    q.offset = 0;
    if (handOut) {
        q.handedOut[q.handedOutCount++] = index;
    } else {
        Finish(index);
    }
}

// Stops playback and returns every block the device holds at once, oldest first.
void QueueReset() {
    std::lock_guard<std::mutex> guard(q.lock);
    ReportHandedOut();
    while (q.count > 0) PopHead(false);
    q.head = 0;
}

void QueueClose() {
    std::lock_guard<std::mutex> guard(q.lock);
    q.open = false;
    q.head = q.count = q.offset = q.handedOutCount = 0;
}

std::uint32_t Distance(std::uint32_t from, std::uint32_t to, std::uint32_t n) {
    // (to - from) mod n for indices below n.
    return (to + n - from) % n;
}

void ReleaseBlocks() {
    for (std::uint32_t i = s.blocks.load(); i-- > 0;) {
        s.headers[i] = WaveBlockHeader{};
        s.memory[i].reset();
        s.blocks.store(i);
    }
}

}  // namespace

// ---- Device registry ------------------------------------------------------------------------

namespace {
std::atomic<WaveDevice*> g_device{nullptr};
}

WaveDevice* SetWaveDevice(WaveDevice* device) { return g_device.exchange(device); }

WaveDevice* CurrentWaveDevice() { return g_device.load(); }

void WaveDevicePull(std::uint8_t* out, std::size_t bytes) {
    std::lock_guard<std::mutex> guard(q.lock);
    ReportHandedOut();
    while (bytes > 0) {
        if (q.count == 0) {
            std::memset(out, q.silence, bytes);
            return;
        }
        const WaveBlockHeader& h = s.headers[q.ring[q.head]];
        const std::size_t left = h.bufferLength > q.offset ? h.bufferLength - q.offset : 0;
        const std::size_t take = std::min(left, bytes);
        if (take > 0) std::memcpy(out, h.data + q.offset, take);
        out += take;
        bytes -= take;
        q.offset += static_cast<std::uint32_t>(take);
        if (q.offset >= h.bufferLength) PopHead(true);
    }
}

// ---- Stream operations ----------------------------------------------------------------------

int WaveStreamOpen(std::uint32_t rate, std::uint32_t bits, std::uint32_t channels,
                   std::uint32_t blockBytes) {
    if (s.device != nullptr) WaveStreamClose();
    if (bits % 4 != 0 || bits > 32 || channels > 32 || rate > 48000) return kWaveOpenBadFormat;

    WaveFormat format;
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samplesPerSec = rate;
    format.blockAlign = static_cast<std::uint16_t>((bits * channels + 7) / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    format.cbSize = 0;

    const std::uint32_t size = blockBytes != 0 ? blockBytes : s.blockBytes.load();
    WaveDevice* device = CurrentWaveDevice();
    if (device == nullptr || !device->Open(format, size)) {
        s.format = WaveFormat{};
        return kWaveOpenBadFormat;
    }
    s.device = device;
    s.open.store(true);
    s.format = format;
    s.blockBytes.store(size);
    QueueOpen(bits == 8 ? 0x80 : 0);

    s.write.store(0);
    s.prefill.store(0);
    s.blocks.store(0);
    for (std::uint32_t i = 0; i < kWaveMaxBlocks; ++i) {
        std::unique_ptr<std::uint8_t[]> memory(new (std::nothrow) std::uint8_t[size]);
        if (!memory) break;
        if (!device->PrepareBlock(i)) break;
        std::memset(memory.get(), 0, size);
        WaveBlockHeader& h = s.headers[i];
        h.data = memory.get();
        h.bufferLength = size;
        h.user = i;
        h.flags = kWaveBlockDone;
        s.memory[i] = std::move(memory);
        s.blocks.store(i + 1);
    }
    const std::uint32_t n = s.blocks.load();
    s.done.store(n > 0 ? n - 1 : 0);
    if (n < kWaveMinBlocks) {
        WaveStreamClose();
        return kWaveOpenTooFewBlocks;
    }
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.roomSignalled = true;
        ++s.generation;
    }
    QueueReset();
    s.ready.store(true);
    // The platform's wave device plays as soon as it is open; this one has to be started.
    if (!device->Start()) {
        WaveStreamClose();
        return kWaveOpenBadFormat;
    }
    return kWaveOk;
}

std::uint8_t* WaveStreamGetBlock() {
    if (!s.open.load(std::memory_order_acquire)) return nullptr;
    const std::uint32_t n = s.blocks.load(std::memory_order_relaxed);
    if (n == 0) return nullptr;
    return s.headers[s.write.load(std::memory_order_relaxed) % n].data;
}

int WaveStreamSubmit(std::uint32_t length) {
    if (!s.ready.load()) return kWaveSubmitNotReady;
    if (length > s.blockBytes.load()) return kWaveSubmitTooLong;

    std::unique_lock<std::mutex> lk(s.lock);
    const std::uint32_t generation = s.generation;
    // A timeout is not an error: a device that stops returning blocks must not hold the
    // producer for longer than this per block.
    if (!s.roomSignalled) {
        ++s.roomWaiters;
        s.room.wait_for(lk, std::chrono::milliseconds(kWaveRoomWaitMs),
                        [] { return s.roomSignalled; });
        --s.roomWaiters;
    }
    // A reset while we waited has returned every block to the free state and started a new
    // prefill; the block filled before it belongs to neither, so it is dropped.
    if (generation != s.generation || !s.ready.load()) return kWaveSubmitNotReady;

    const std::uint32_t n = s.blocks.load();
    const std::uint32_t w = s.write.load();
    const std::uint32_t prefill = s.prefill.load();
    if (prefill < kWavePrefillBlocks) {
        s.held[prefill] = length;
        s.prefill.store(prefill + 1);
        s.write.store((w + 1) % n);
        return kWaveOk;
    }
    const bool burst = prefill == kWavePrefillBlocks;
    if (burst) s.prefill.store(kWavePrefillBlocks + 1);
    lk.unlock();

    if (burst) {
        for (std::uint32_t i = 0; i < kWavePrefillBlocks; ++i) {
            const std::uint32_t b = (w + n - kWavePrefillBlocks + i) % n;
            if (!QueueWrite(b, s.held[i])) return kWaveSubmitDeviceRefused;
        }
    }
    if (!QueueWrite(w, length)) return kWaveSubmitDeviceRefused;

    lk.lock();
    if (generation != s.generation) return kWaveSubmitNotReady;
    const std::uint32_t next = (w + 1) % n;
    s.write.store(next);
    if (Distance(next, s.done.load(), n) < 2) s.roomSignalled = false;
    return kWaveOk;
}

void WaveStreamDone(const WaveBlockHeader& block) {
    std::lock_guard<std::mutex> guard(s.lock);
    const std::uint32_t n = s.blocks.load();
    if (n == 0) return;
    const std::uint32_t b = block.user < n ? block.user : 0;
    std::uint32_t d = s.done.load();
    // Blocks finish in order, so the next finished block is D + 1; one that lies at or behind
    // D (repeated or late) leaves D alone.
    if (Distance(b, d, n) > n / 2) {
        d = b;
        s.done.store(d);
    }
    if (Distance(s.write.load(), d, n) >= 2) {
        s.roomSignalled = true;
        s.room.notify_all();
    }
}

int WaveStreamReset() {
    if (s.device == nullptr) return kWaveNotOpen;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.ready.store(false);
        ++s.generation;
        s.roomSignalled = true;
        s.room.notify_all();
    }
    QueueReset();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        const std::uint32_t n = s.blocks.load();
        s.done.store(n > 0 ? n - 1 : 0);
        s.write.store(0);
        s.prefill.store(0);
        s.roomSignalled = true;
        s.room.notify_all();
        s.ready.store(true);
    }
    return kWaveOk;
}

int WaveStreamClose() {
    s.ready.store(false);
    if (s.device == nullptr) return kWaveNotOpen;
    int result = kWaveOk;
    WaveStreamReset();
    s.ready.store(false);
    s.format = WaveFormat{};
    // The device is closed before the blocks are released, so that no pull can reach freed
    // memory, even one for a block that a late producer queued after the reset.
    if (!s.device->Close()) result = kWaveNotOpen;
    QueueClose();
    s.open.store(false, std::memory_order_release);
    ReleaseBlocks();
    s.device = nullptr;
    s.write.store(0);
    s.prefill.store(0);
    return result;
}

int WaveStreamPause(int flag) {
    if (s.device == nullptr) return kWaveNotOpen;
    const bool ok = flag != 0 ? s.device->Pause() : s.device->Start();
    return ok ? kWaveOk : kWaveNotOpen;
}

WaveFormat WaveStreamFormat() { return s.format; }

WaveStreamState WaveStreamGetState() {
    WaveStreamState state;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        state.open = s.open.load();
        state.ready = s.ready.load();
        state.blockBytes = s.blockBytes.load();
        state.blocks = s.blocks.load();
        state.write = s.write.load();
        state.done = s.done.load();
        state.prefill = s.prefill.load();
        state.roomSignalled = s.roomSignalled;
        state.roomWaiters = s.roomWaiters;
    }
    std::lock_guard<std::mutex> guard(q.lock);
    state.queued = q.count + q.handedOutCount;
    return state;
}

}  // namespace wirbelix
