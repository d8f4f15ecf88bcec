#include "game/SoundWords.h"

#include <mutex>

namespace wirbelix {

std::atomic<int> g_spinState{Idle};
std::atomic<int> g_mixMode{MixSilent};
std::atomic<std::uint32_t> g_mixPos{0};
TickSchedule g_tickSchedule;
SoundClip g_soundClips[kSoundClipCount];
OverlaySlot g_overlays[kOverlaySlotCount];

void AddOverlay(const std::int16_t* samples, std::uint32_t count) {
    if (samples == nullptr || count == 0 || count > 0x40000000u) return;
    // Two callers must not both find the same free slot: the second pointer would go with the
    // first count and the mixer would read past the end of the shorter clip. The mixer never
    // takes this lock; it only empties busy slots.
    static std::mutex writers;
    std::lock_guard lock(writers);
    for (OverlaySlot& slot : g_overlays) {
        if (slot.remaining.load(std::memory_order_acquire) == 0) {
            slot.next.store(samples, std::memory_order_relaxed);
            slot.remaining.store(count, std::memory_order_release);
            return;
        }
    }
}

void ResetSoundWords() {
    ResetPlayingWords();
    for (SoundClip& c : g_soundClips) c = SoundClip{};
}

void ResetPlayingWords() {
    g_spinState.store(Idle);
    g_mixMode.store(MixSilent);
    g_mixPos.store(0);
    g_tickSchedule.count.store(0);
    for (TickEntry& e : g_tickSchedule.entries) {
        e.startSample.store(0);
        e.step.store(0);
        e.endSample.store(0);
    }
    for (OverlaySlot& s : g_overlays) {
        s.remaining.store(0);
        s.next.store(nullptr);
    }
}

}  // namespace wirbelix
