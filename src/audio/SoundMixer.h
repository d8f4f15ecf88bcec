// The sound mixer: every sound of the game as one stream of 16-bit signed mono samples at
// 44 100 Hz, made block by block (512 samples, 11.6 ms) on a high-priority thread and handed
// to the wave output stream, which paces it to real time.
//
// What plays is chosen by the shared words of SoundWords.h: g_mixMode 1 plays the SWEEP clip
// once from g_mixPos on; mode 2 synthesises a tick from the TICK clip for every entry of the
// tick schedule at its start sample and step; mode 0 is silent. Sweep and ticks are played at
// one eighth of their level. Up to four one-shot overlays (the cling and bell sounds) are added
// on top at full level, clamped to -32767..32767.
//
// The clips are used in place inside the WAVE images of the resource table: nothing is copied,
// converted or resampled. The images must be 16-bit mono PCM at 44 100 Hz; their format chunk
// is not read. A clip's samples are read byte-wise, so a "data" chunk at an odd offset (the
// chunk walk skips no pad bytes) is read correctly.
#pragma once

#include <cstdint>
#include <span>

#include "game/SoundWords.h"

namespace wirbelix {

class CWirbelixView;

inline constexpr int kMixBlockSamples = 512;
inline constexpr std::uint32_t kMixBlockBytes = kMixBlockSamples * 2;
inline constexpr std::uint32_t kMixSampleRate = 44100;
inline constexpr std::size_t kMixerStackBytes = 32768;

// Finds the samples of a RIFF WAVE image: walks the chunks from offset 12 (no pad byte after an
// odd-sized chunk) up to a chunk that begins at offset 4095; the clip is the first "data"
// chunk, count = its byte size / 2. An empty clip (null, 0) when no such chunk is found, when a
// chunk header would reach within 16 bytes of the end, or when the data chunk does not fit in
// the image. The clip points into image, which must outlive it. Thread safe.
SoundClip LoadSoundClip(std::span<const std::uint8_t> image);

// Loads the six clips of g_soundClips from the resources of type "WAVE" named "CLING1",
// "CLING2", "CLING3", "SWEEP", "ERROR" and "TICK", in this order; a missing resource leaves
// its clip empty. Called on the window thread before the mixing thread starts.
void LoadSoundClips();

// Makes one block of 512 samples from the shared words, as the mixing thread does: reads
// g_mixMode once, produces the sweep or the ticks (advancing g_mixPos; the end of the sweep
// returns the mode to 0), divides them by 8, pads with silence and adds the overlays (which it
// consumes). Called by the mixing thread only (and by tests and benchmarks in its place).
void MixBlock(std::int16_t* block);

// The body of the mixing thread: sets g_mixPos to 0, then while view.m_AudioRun is set fills
// the stream's next block with MixBlock and submits 1024 bytes (results ignored; the submit
// paces the loop). Ends at once when the stream has no block (no sound device). Sets
// view.m_AudioDone as its last act and returns 1.
int MixerThread(CWirbelixView& view);

// Starts the sound: sets m_AudioRun, opens the wave stream at 44 100 Hz, 16 bits, 1 channel,
// 1024-byte blocks (result ignored: without a device the game is silent), starts the mixing
// thread with a 32 768-byte stack at the highest priority the system allows, and resumes the
// stream. When the thread cannot be started, m_AudioDone is set so that the stop does not
// wait. Window thread.
void StartSoundOutput(CWirbelixView& view);

// Stops the sound: clears m_AudioRun, resets the stream (which wakes a mixer waiting for room),
// checks m_AudioDone every 50 ms until the mixing thread has ended, then closes the stream.
// Does nothing but close the stream when the sound was never started. Window thread.
void StopSoundOutput(CWirbelixView& view);

}  // namespace wirbelix
