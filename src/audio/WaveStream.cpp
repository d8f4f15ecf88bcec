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

// The one stream of the process.
Stream g_stream;

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

// The queue of the installed device, shared by the stream and the device's thread.
DeviceQueue g_deviceQueue;

void QueueOpen(std::uint8_t silence) {
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    g_deviceQueue.open = true;
    g_deviceQueue.silence = silence;
    g_deviceQueue.head = g_deviceQueue.count = g_deviceQueue.offset = 0;
}

// Appends block index with length bytes; false when the device is closed or the block is
// already queued.
bool QueueWrite(std::uint32_t index, std::uint32_t length) {
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    WaveBlockHeader& h = g_stream.headers[index];
    if (!g_deviceQueue.open || g_deviceQueue.count == kWaveMaxBlocks || h.data == nullptr ||
        (h.flags & kWaveBlockQueued) != 0) {
        return false;
    }
    h.bufferLength = length;
    h.flags = kWaveBlockQueued;
    g_deviceQueue.ring[(g_deviceQueue.head + g_deviceQueue.count) % kWaveMaxBlocks] = index;
    ++g_deviceQueue.count;
    return true;
}

void Finish(std::uint32_t index) {
    WaveBlockHeader& h = g_stream.headers[index];
    h.flags = kWaveBlockDone;
    WaveStreamDone(h);
}

void ReportHandedOut() {
    for (std::uint32_t i = 0; i < g_deviceQueue.handedOutCount; ++i)
        Finish(g_deviceQueue.handedOut[i]);
    g_deviceQueue.handedOutCount = 0;
}

// Takes the head block off the queue; with handOut it waits for the next pull to be reported.
void PopHead(bool handOut) {
    const std::uint32_t index = g_deviceQueue.ring[g_deviceQueue.head];
    g_deviceQueue.head = (g_deviceQueue.head + 1) % kWaveMaxBlocks;
    --g_deviceQueue.count;
    g_deviceQueue.offset = 0;
    if (handOut) {
        g_deviceQueue.handedOut[g_deviceQueue.handedOutCount++] = index;
    } else {
        Finish(index);
    }
}

// Stops playback and returns every block the device holds at once, oldest first.
void QueueReset() {
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    ReportHandedOut();
    while (g_deviceQueue.count > 0) PopHead(false);
    g_deviceQueue.head = 0;
}

void QueueClose() {
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    g_deviceQueue.open = false;
    g_deviceQueue.head = g_deviceQueue.count = g_deviceQueue.offset = 0;
    g_deviceQueue.handedOutCount = 0;
}

std::uint32_t Distance(std::uint32_t from, std::uint32_t to, std::uint32_t n) {
    // (to - from) mod n for indices below n.
    return (to + n - from) % n;
}

void ReleaseBlocks() {
    for (std::uint32_t i = g_stream.blocks.load(); i-- > 0;) {
        g_stream.headers[i] = WaveBlockHeader{};
        g_stream.memory[i].reset();
        g_stream.blocks.store(i);
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
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    ReportHandedOut();
    while (bytes > 0) {
        if (g_deviceQueue.count == 0) {
            std::memset(out, g_deviceQueue.silence, bytes);
            return;
        }
        const WaveBlockHeader& h = g_stream.headers[g_deviceQueue.ring[g_deviceQueue.head]];
        const std::uint32_t offset = g_deviceQueue.offset;
        const std::size_t left = h.bufferLength > offset ? h.bufferLength - offset : 0;
        const std::size_t take = std::min(left, bytes);
        if (take > 0) std::memcpy(out, h.data + offset, take);
        out += take;
        bytes -= take;
        g_deviceQueue.offset += static_cast<std::uint32_t>(take);
        if (g_deviceQueue.offset >= h.bufferLength) PopHead(true);
    }
}

// ---- Stream operations ----------------------------------------------------------------------

int WaveStreamOpen(std::uint32_t rate, std::uint32_t bits, std::uint32_t channels,
                   std::uint32_t blockBytes) {
    if (g_stream.device != nullptr) WaveStreamClose();
    if (bits % 4 != 0 || bits > 32 || channels > 32 || rate > 48000) return kWaveOpenBadFormat;

    WaveFormat format;
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samplesPerSec = rate;
    format.blockAlign = static_cast<std::uint16_t>((bits * channels + 7) / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    format.cbSize = 0;

    const std::uint32_t size = blockBytes != 0 ? blockBytes : g_stream.blockBytes.load();
    WaveDevice* device = CurrentWaveDevice();
    if (device == nullptr || !device->Open(format, size)) {
        g_stream.format = WaveFormat{};
        return kWaveOpenBadFormat;
    }
    g_stream.device = device;
    g_stream.open.store(true);
    g_stream.format = format;
    g_stream.blockBytes.store(size);
    QueueOpen(bits == 8 ? 0x80 : 0);

    g_stream.write.store(0);
    g_stream.prefill.store(0);
    g_stream.blocks.store(0);
    for (std::uint32_t i = 0; i < kWaveMaxBlocks; ++i) {
        std::unique_ptr<std::uint8_t[]> memory(new (std::nothrow) std::uint8_t[size]);
        if (!memory) break;
        if (!device->PrepareBlock(i)) break;
        std::memset(memory.get(), 0, size);
        WaveBlockHeader& h = g_stream.headers[i];
        h.data = memory.get();
        h.bufferLength = size;
        h.user = i;
        h.flags = kWaveBlockDone;
        g_stream.memory[i] = std::move(memory);
        g_stream.blocks.store(i + 1);
    }
    const std::uint32_t n = g_stream.blocks.load();
    g_stream.done.store(n > 0 ? n - 1 : 0);
    if (n < kWaveMinBlocks) {
        WaveStreamClose();
        return kWaveOpenTooFewBlocks;
    }
    {
        std::lock_guard<std::mutex> guard(g_stream.lock);
        g_stream.roomSignalled = true;
        ++g_stream.generation;
    }
    QueueReset();
    g_stream.ready.store(true);
    // The platform's wave device plays as soon as it is open; this one has to be started.
    if (!device->Start()) {
        WaveStreamClose();
        return kWaveOpenBadFormat;
    }
    return kWaveOk;
}

std::uint8_t* WaveStreamGetBlock() {
    if (!g_stream.open.load(std::memory_order_acquire)) return nullptr;
    const std::uint32_t n = g_stream.blocks.load(std::memory_order_relaxed);
    if (n == 0) return nullptr;
    return g_stream.headers[g_stream.write.load(std::memory_order_relaxed) % n].data;
}

int WaveStreamSubmit(std::uint32_t length) {
    if (!g_stream.ready.load()) return kWaveSubmitNotReady;
    if (length > g_stream.blockBytes.load()) return kWaveSubmitTooLong;

    std::unique_lock<std::mutex> lk(g_stream.lock);
    const std::uint32_t generation = g_stream.generation;
    // A timeout is not an error: a device that stops returning blocks must not hold the
    // producer for longer than this per block.
    if (!g_stream.roomSignalled) {
        ++g_stream.roomWaiters;
        g_stream.room.wait_for(lk, std::chrono::milliseconds(kWaveRoomWaitMs),
                        [] { return g_stream.roomSignalled; });
        --g_stream.roomWaiters;
    }
    // A reset while we waited has returned every block to the free state and started a new
    // prefill; the block filled before it belongs to neither, so it is dropped.
    if (generation != g_stream.generation || !g_stream.ready.load()) return kWaveSubmitNotReady;

    const std::uint32_t n = g_stream.blocks.load();
    const std::uint32_t w = g_stream.write.load();
    const std::uint32_t prefill = g_stream.prefill.load();
    if (prefill < kWavePrefillBlocks) {
        g_stream.held[prefill] = length;
        g_stream.prefill.store(prefill + 1);
        g_stream.write.store((w + 1) % n);
        return kWaveOk;
    }
    const bool burst = prefill == kWavePrefillBlocks;
    if (burst) g_stream.prefill.store(kWavePrefillBlocks + 1);
    lk.unlock();

    if (burst) {
        for (std::uint32_t i = 0; i < kWavePrefillBlocks; ++i) {
            const std::uint32_t b = (w + n - kWavePrefillBlocks + i) % n;
            if (!QueueWrite(b, g_stream.held[i])) return kWaveSubmitDeviceRefused;
        }
    }
    if (!QueueWrite(w, length)) return kWaveSubmitDeviceRefused;

    lk.lock();
    if (generation != g_stream.generation) return kWaveSubmitNotReady;
    const std::uint32_t next = (w + 1) % n;
    g_stream.write.store(next);
    if (Distance(next, g_stream.done.load(), n) < 2) g_stream.roomSignalled = false;
    return kWaveOk;
}

void WaveStreamDone(const WaveBlockHeader& block) {
    std::lock_guard<std::mutex> guard(g_stream.lock);
    const std::uint32_t n = g_stream.blocks.load();
    if (n == 0) return;
    const std::uint32_t b = block.user < n ? block.user : 0;
    std::uint32_t d = g_stream.done.load();
    // Blocks finish in order, so the next finished block is D + 1; one that lies at or behind
    // D (repeated or late) leaves D alone.
    if (Distance(b, d, n) > n / 2) {
        d = b;
        g_stream.done.store(d);
    }
    if (Distance(g_stream.write.load(), d, n) >= 2) {
        g_stream.roomSignalled = true;
        g_stream.room.notify_all();
    }
}

int WaveStreamReset() {
    if (g_stream.device == nullptr) return kWaveNotOpen;
    {
        std::lock_guard<std::mutex> guard(g_stream.lock);
        g_stream.ready.store(false);
        ++g_stream.generation;
        g_stream.roomSignalled = true;
        g_stream.room.notify_all();
    }
    QueueReset();
    {
        std::lock_guard<std::mutex> guard(g_stream.lock);
        const std::uint32_t n = g_stream.blocks.load();
        g_stream.done.store(n > 0 ? n - 1 : 0);
        g_stream.write.store(0);
        g_stream.prefill.store(0);
        g_stream.roomSignalled = true;
        g_stream.room.notify_all();
        g_stream.ready.store(true);
    }
    return kWaveOk;
}

int WaveStreamClose() {
    g_stream.ready.store(false);
    if (g_stream.device == nullptr) return kWaveNotOpen;
    int result = kWaveOk;
    WaveStreamReset();
    g_stream.ready.store(false);
    g_stream.format = WaveFormat{};
    // The device is closed before the blocks are released, so that no pull can reach freed
    // memory, even one for a block that a late producer queued after the reset.
    if (!g_stream.device->Close()) result = kWaveNotOpen;
    QueueClose();
    g_stream.open.store(false, std::memory_order_release);
    ReleaseBlocks();
    g_stream.device = nullptr;
    g_stream.write.store(0);
    g_stream.prefill.store(0);
    return result;
}

int WaveStreamPause(int flag) {
    if (g_stream.device == nullptr) return kWaveNotOpen;
    const bool ok = flag != 0 ? g_stream.device->Pause() : g_stream.device->Start();
    return ok ? kWaveOk : kWaveNotOpen;
}

WaveFormat WaveStreamFormat() { return g_stream.format; }

WaveStreamState WaveStreamGetState() {
    WaveStreamState state;
    {
        std::lock_guard<std::mutex> guard(g_stream.lock);
        state.open = g_stream.open.load();
        state.ready = g_stream.ready.load();
        state.blockBytes = g_stream.blockBytes.load();
        state.blocks = g_stream.blocks.load();
        state.write = g_stream.write.load();
        state.done = g_stream.done.load();
        state.prefill = g_stream.prefill.load();
        state.roomSignalled = g_stream.roomSignalled;
        state.roomWaiters = g_stream.roomWaiters;
    }
    std::lock_guard<std::mutex> guard(g_deviceQueue.lock);
    state.queued = g_deviceQueue.count + g_deviceQueue.handedOutCount;
    return state;
}

}  // namespace wirbelix
