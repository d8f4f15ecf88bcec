// The words that the game engine shares with the sound mixer and the remote-control thread:
// the spin state, the mixer's mode and position, the tick schedule of the current spin, the six
// sound clips and the four one-shot overlay slots. All are process-wide and lock-free; each is
// a single 32-bit atomic word (a pointer for the sample addresses).
#pragma once

#include <atomic>
#include <cstdint>

namespace wirbelix {

// ---- Spin state ---------------------------------------------------------------------------

enum SpinState : int {
    Idle = 0,
    Charging1 = 1,  // charging of player p is p + 1
    Charging2 = 2,
    Spinning1 = 3,  // spin of player p is p + 3
    Spinning2 = 4,
};

// Written by the game input (window thread and remote-control thread, serialised by the game
// input lock) and by the frame step; read by all three threads. Each reader only needs a value
// that was written whole; the spin fields it goes with are published before it (release) and
// read after it (acquire).
extern std::atomic<int> g_spinState;

// ---- Mixer words --------------------------------------------------------------------------

// What the mixing thread plays: 0 silent, 1 sweep, 2 ticks.
enum MixMode : int { MixSilent = 0, MixSweep = 1, MixTicks = 2 };

// Written by the game (charge start, StartSpin, stop command, end of the settle phase) and by
// the mixer when the sweep has played out; read by the mixer for every block. Whoever changes
// the mode resets g_mixPos as well. A mode of 2 is stored with release after the schedule it
// refers to; the mixer loads it with acquire, so it sees the schedule's entries and count.
extern std::atomic<int> g_mixMode;

// Unsigned sample counter of the mixer (samples at 44 100 per second). Mode 1: read position in
// the SWEEP clip; mode 2: output samples since the spin started (the schedule's time base).
// Written by the game when it changes the mode and by the mixer as it advances; relaxed is
// enough because a stale position costs at most one block of a sound.
extern std::atomic<std::uint32_t> g_mixPos;

// ---- Tick schedule ------------------------------------------------------------------------

// One tick: where it starts in output samples, how far it is stretched, where it ends.
// Entries are written by StartSpin and read by the mixer; each field is an atomic so that a
// mixer reading a table being rewritten (a Start during running ticks) sees some whole value.
struct TickEntry {
    std::atomic<std::uint32_t> startSample{0};  // output sample at which the tick begins
    std::atomic<std::uint32_t> step{0};         // playback step of the TICK clip, 1/256 sample
    std::atomic<std::uint32_t> endSample{0};    // startSample + (step * TICK count) >> 8
};

struct TickSchedule {
    static constexpr int kMaxEntries = 128;
    // Number of valid entries, 0..128. Stored with release after the entries; the mixer loads
    // it with acquire (the mode store/load above already orders it for a new spin).
    std::atomic<int> count{0};
    TickEntry entries[kMaxEntries];
};

extern TickSchedule g_tickSchedule;

// ---- Sound clips --------------------------------------------------------------------------

// A run of PCM samples inside an embedded WAVE image: 16-bit signed, mono, 44 100 Hz.
// Set once when the view window is created, before the mixing thread starts; read-only after.
struct SoundClip {
    const std::int16_t* samples = nullptr;  // first sample of the "data" chunk; null if missing
    std::uint32_t count = 0;                // samples; 0 when not loaded
};

enum SoundClipId : int {
    ClipCling1 = 0,  // player 0's released button starts a spin
    ClipCling2,      // player 1's released button starts a spin
    ClipCling3,      // the Start command starts a spin
    ClipSweep,       // mixer mode 1 while a player charges
    ClipError,       // the bell of a refused press
    ClipTick,        // stretched and placed at every tick in mode 2
    kSoundClipCount
};

// Resource names of the clips, in SoundClipId order.
inline constexpr const char* kSoundClipNames[kSoundClipCount] = {
    "CLING1", "CLING2", "CLING3", "SWEEP", "ERROR", "TICK"};

extern SoundClip g_soundClips[kSoundClipCount];

// ---- One-shot overlays --------------------------------------------------------------------

// A one-shot sound that the mixer adds at full amplitude on top of whatever else plays.
// The writer (AddOverlay) stores next, then remaining (release); the mixer loads remaining
// (acquire), then next, so a nonzero count always comes with a valid pointer. Only the mixer
// advances a busy slot; only AddOverlay fills a free one.
struct OverlaySlot {
    std::atomic<const std::int16_t*> next{nullptr};  // next sample to add
    std::atomic<std::uint32_t> remaining{0};         // samples still to add; 0 = free
};

inline constexpr int kOverlaySlotCount = 4;
extern OverlaySlot g_overlays[kOverlaySlotCount];

// Starts a one-shot sound in the first free slot (lowest index). Ignored for a null pointer,
// a count of 0 or a count above 0x40000000; dropped when all four slots are busy.
// Thread safe: callers on the window thread and the remote-control thread are serialised by a
// lock of its own, which the mixer never takes.
void AddOverlay(const std::int16_t* samples, std::uint32_t count);

// Returns every shared word above to its initial state (all 0, slots free, clips unloaded).
// For tests and for a view that is created anew; no other thread may be running.
void ResetSoundWords();

// The same but for the clips, which stay loaded: the state of a process in which nothing has
// played yet. A view does this when it is constructed.
void ResetPlayingWords();

}  // namespace wirbelix
