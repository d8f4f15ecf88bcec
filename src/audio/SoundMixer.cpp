#include "audio/SoundMixer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "audio/WaveStream.h"
#include "game/GameView.h"
#include "platform/LittleEndian.h"
#include "platform/ResourceTable.h"
#include "platform/Thread.h"

namespace wirbelix {

namespace {

// Sample i of a clip, read byte-wise (little-endian) because a clip may start at any offset
// of its image.
inline std::int32_t ClipSample(const std::int16_t* clip, std::uint32_t i) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(clip) + 2 * static_cast<std::size_t>(i);
    return static_cast<std::int16_t>(Load16(b));
}

inline std::int32_t Clamp16(std::int32_t v) { return std::clamp(v, -32767, 32767); }

// Mode 1: the SWEEP clip from g_mixPos on, played once. Returns the samples produced.
int ProduceSweep(std::int16_t* block) {
    const SoundClip& sweep = g_soundClips[ClipSweep];
    const std::uint32_t p = g_mixPos.load(std::memory_order_relaxed);
    const std::uint64_t length = sweep.count;
    if (std::uint64_t{p} + kMixBlockSamples < length) {
        for (int i = 0; i < kMixBlockSamples; ++i) {
            block[i] = static_cast<std::int16_t>(ClipSample(sweep.samples, p + i));
        }
        g_mixPos.fetch_add(kMixBlockSamples, std::memory_order_relaxed);
        return kMixBlockSamples;
    }
    const int n = p < length ? static_cast<int>(length - p) : 0;
    for (int i = 0; i < n; ++i) block[i] = static_cast<std::int16_t>(ClipSample(sweep.samples, p + i));
    // Only a sweep that is still playing returns to silence: if the game has meanwhile
    // started a spin (mode 2) or another charge, its mode and position stay.
    int expected = MixSweep;
    if (g_mixMode.compare_exchange_strong(expected, MixSilent, std::memory_order_relaxed)) {
        g_mixPos.store(0, std::memory_order_relaxed);
    }
    return n;
}

// Mode 2: one tick per schedule entry, the TICK clip stretched by the entry's step with a
// 7-bit linear interpolation. g_mixPos and the schedule's count are read afresh for every
// sample, so a spin that starts in the middle of a block takes over at once.
void ProduceTicks(std::int16_t* block) {
    const SoundClip& tick = g_soundClips[ClipTick];
    const std::uint32_t length = tick.count;
    for (int i = 0; i < kMixBlockSamples; ++i) {
        const std::uint32_t p = g_mixPos.load(std::memory_order_relaxed);
        const int count =
            std::clamp(g_tickSchedule.count.load(std::memory_order_acquire), 0, TickSchedule::kMaxEntries);
        std::int32_t sum = 0;
        for (int e = 0; e < count; ++e) {
            const TickEntry& entry = g_tickSchedule.entries[e];
            const std::uint32_t start = entry.startSample.load(std::memory_order_relaxed);
            if (start > p || p > entry.endSample.load(std::memory_order_relaxed)) continue;
            const std::uint32_t step = entry.step.load(std::memory_order_relaxed);
            if (step == 0) continue;  // never written by a spin; skipping it is all it needs
            // Read position in the clip in 1/128 sample (the product wraps at 2^32 as it may).
            const std::uint32_t g = ((p - start) * 32768u) / step;
            const std::uint32_t k = g >> 7;
            const std::int32_t f = static_cast<std::int32_t>(g & 127);
            if (k + 1 < length) {
                sum += ClipSample(tick.samples, k + 1) * f + ClipSample(tick.samples, k) * (128 - f);
            }
        }
        block[i] = static_cast<std::int16_t>(Clamp16(sum / 128));
        g_mixPos.fetch_add(1, std::memory_order_relaxed);
    }
}

void AddOverlays(std::int16_t* block) {
    for (OverlaySlot& slot : g_overlays) {
        const std::uint32_t remaining = slot.remaining.load(std::memory_order_acquire);
        if (remaining == 0) continue;
        const std::int16_t* next = slot.next.load(std::memory_order_relaxed);
        const std::uint32_t used = std::min<std::uint32_t>(remaining, kMixBlockSamples);
        for (std::uint32_t i = 0; i < used; ++i) {
            block[i] = static_cast<std::int16_t>(Clamp16(block[i] + ClipSample(next, i)));
        }
        // The pointer moves before the count: a count that reaches 0 frees the slot, and
        // AddOverlay may then fill it at once.
        slot.next.store(next + used, std::memory_order_relaxed);
        slot.remaining.store(remaining - used, std::memory_order_release);
    }
}

}  // namespace

SoundClip LoadSoundClip(std::span<const std::uint8_t> image) {
    const std::uint64_t size = image.size();
    std::uint64_t offset = 12;  // behind "RIFF", the RIFF size and "WAVE"
    while (offset + 16 < size) {
        const std::uint8_t* chunk = image.data() + offset;
        const std::uint64_t chunkSize = Load32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            if (offset + 8 + chunkSize > size) return SoundClip{};
            return SoundClip{reinterpret_cast<const std::int16_t*>(chunk + 8),
                             static_cast<std::uint32_t>(chunkSize >> 1)};
        }
        offset += 8 + chunkSize;
        if (offset >= 4096) break;
    }
    return SoundClip{};
}

void LoadSoundClips() {
    for (int id = 0; id < kSoundClipCount; ++id) {
        g_soundClips[id] = LoadSoundClip(FindResource("WAVE", kSoundClipNames[id]));
    }
}

void MixBlock(std::int16_t* block) {
    int produced = 0;
    switch (g_mixMode.load(std::memory_order_acquire)) {
        case MixSweep:
            produced = ProduceSweep(block);
            break;
        case MixTicks:
            ProduceTicks(block);
            produced = kMixBlockSamples;
            break;
        default:
            break;
    }
    // Sweep and ticks at one eighth of their level (division truncating toward zero).
    for (int i = 0; i < produced; ++i) block[i] = static_cast<std::int16_t>(block[i] / 8);
    std::fill(block + produced, block + kMixBlockSamples, std::int16_t{0});
    AddOverlays(block);
}

int MixerThread(CWirbelixView& view) {
    g_mixPos.store(0, std::memory_order_relaxed);
    while (view.m_AudioRun.load(std::memory_order_acquire) != 0) {
        std::uint8_t* data = WaveStreamGetBlock();
        if (data == nullptr) break;  // no sound device: the game runs silent
        MixBlock(reinterpret_cast<std::int16_t*>(data));
        WaveStreamSubmit(kMixBlockBytes);  // a failed submit only loses this block
    }
    view.m_AudioDone.store(1, std::memory_order_release);
    return 1;
}

void StartSoundOutput(CWirbelixView& view) {
    view.m_MixerThread.Join();  // reclaims a mixing thread of an earlier start that has ended
    view.m_AudioDone.store(0, std::memory_order_relaxed);
    view.m_AudioRun.store(1, std::memory_order_release);
    WaveStreamOpen(kMixSampleRate, 16, 1, kMixBlockBytes);
    if (!view.m_MixerThread.Start([&view] { MixerThread(view); }, kMixerStackBytes,
                             ThreadPriority::Highest)) {
        view.m_AudioDone.store(1, std::memory_order_release);  // nothing to wait for at stop
    }
    WaveStreamPause(0);
}

void StopSoundOutput(CWirbelixView& view) {
    view.m_AudioRun.store(0, std::memory_order_release);
    WaveStreamReset();
    if (view.m_MixerThread.Joinable()) {
        while (view.m_AudioDone.load(std::memory_order_acquire) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        view.m_MixerThread.Join();
    }
    WaveStreamClose();
}

}  // namespace wirbelix
