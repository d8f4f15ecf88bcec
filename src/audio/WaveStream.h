// The wave output stream: one per process, with process-wide state and free functions that
// return 0 on success and small positive codes on failure.
//
// Principle of operation: the stream owns a ring of N blocks (10 to 12) of a fixed size. The
// producer (the mixing thread) fills block W (WaveStreamGetBlock) and queues it on the device
// (WaveStreamSubmit), which advances W. The device plays queued blocks in order and reports
// each finished one to WaveStreamDone, which moves the done index D. Blocks W..D (modulo N) are
// free, D+1..W-1 are queued. Submit waits on the room event while the block after W is still
// queued, which paces the producer to the playback rate about ten blocks ahead of what is
// heard.
//
// After open and after reset the first eight submitted blocks are held back; the ninth submit
// queues all nine at once, so playback starts with a full queue. When the producer falls
// behind, the device plays what it has and then falls silent; later blocks play at once.
//
// The burst leaves nine blocks queued and the producer needs one free block beyond them, so a
// ring must have at least ten blocks: with nine, the block the producer fills next would
// still be queued.
//
// Thread contract: Open, Reset, Close and Pause are called by the owner (the window thread);
// GetBlock and Submit by the one producer thread; WaveStreamDone by the device's thread. Reset
// and Close may run while the producer is inside Submit: Reset wakes it, and the owner waits
// for the producer to end before it calls Close.
#pragma once

#include <cstdint>

#include "audio/WaveDevice.h"

namespace wirbelix {

// Result codes. 0 is success for every operation; the same number means different failures
// for different operations, as listed at each.
enum WaveStreamResult : int {
    kWaveOk = 0,
    // Open
    kWaveOpenBadFormat = 1,    // unsupported format, no device, or the device refused it
    kWaveOpenTooFewBlocks = 2, // fewer than 10 blocks could be prepared
    kWaveOpenNoEvent = 3,      // the room event could not be made (cannot happen here)
    // Submit
    kWaveSubmitWaitFailed = 1, // the wait for room failed (cannot happen here)
    kWaveSubmitTooLong = 2,    // length larger than the block size
    kWaveSubmitDeviceRefused = 3,
    kWaveSubmitNotReady = 4,   // closed, inside a reset, or overtaken by a reset while waiting
    // Reset, Close, Pause
    kWaveNotOpen = 1,          // also Close: a release step failed; Pause: the device failed
};

inline constexpr std::uint32_t kWaveDefaultBlockBytes = 16384;
inline constexpr std::uint32_t kWaveMaxBlocks = 12;
inline constexpr std::uint32_t kWaveMinBlocks = 10;
inline constexpr std::uint32_t kWavePrefillBlocks = 8;   // held back before the burst
inline constexpr std::uint32_t kWaveRoomWaitMs = 2000;   // longest wait for room per Submit

// The device-side record of one block, as the platform's wave header.
struct WaveBlockHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;  // bytes to play
    std::uint32_t user = 0;          // the block's index in the ring
    std::uint32_t flags = 0;         // kWaveBlockDone / kWaveBlockQueued
};
inline constexpr std::uint32_t kWaveBlockDone = 1;
inline constexpr std::uint32_t kWaveBlockQueued = 0x10;

// Opens the installed device with rate samples per second, bits per sample and channels and
// builds the ring; blockBytes 0 keeps the current block size (16384 until an open sets one,
// kept from one open to the next). An open stream is closed first. Results: 0; 1 for a bits
// value that is not a multiple of 4 or above 32, more than 32 channels or a rate above 48 000
// (the device is not asked), for no installed device and when the device refuses the format;
// 2 when fewer than 10 blocks could be prepared. On failure the stream is left closed. The
// device is started: it plays silence until the first burst.
int WaveStreamOpen(std::uint32_t rate, std::uint32_t bits, std::uint32_t channels,
                   std::uint32_t blockBytes);

// The data of block W, for the producer to fill; null when the stream is closed. Never waits,
// takes no lock.
std::uint8_t* WaveStreamGetBlock();

// Queues block W with length bytes and advances W. Waits for room at most 2000 ms; after a
// timeout the block is queued all the same. Results: 0; 4 when not ready (closed, in a reset,
// or a reset happened while waiting: the block is dropped); 2 when length exceeds the block
// size (nothing changes); 3 when the device refused the block.
int WaveStreamSubmit(std::uint32_t length);

// Stops playback at once, returns every block to the free state and starts a new prefill; a
// producer waiting in Submit returns at once. 1 when closed.
int WaveStreamReset();

// Resets, closes the device and releases the ring. 1 when closed already or a release step
// failed. The producer must have ended.
int WaveStreamClose();

// flag nonzero pauses the device, 0 resumes it. 1 when closed or the device call failed.
int WaveStreamPause(int flag);

// The device's report that it has finished with block (played it or returned it at a reset).
// Moves D to the block when it lies ahead of D and signals the room event when a free block
// lies beyond W. Called on the device's thread; takes the stream's lock only.
void WaveStreamDone(const WaveBlockHeader& block);

// The format of the open stream; all zero when closed.
WaveFormat WaveStreamFormat();

// A consistent view of the stream's indices, for tests and diagnostics.
struct WaveStreamState {
    bool open = false;
    bool ready = false;
    std::uint32_t blockBytes = 0;
    std::uint32_t blocks = 0;   // N
    std::uint32_t write = 0;    // W
    std::uint32_t done = 0;     // D
    std::uint32_t prefill = 0;  // 0..9
    bool roomSignalled = false;
    std::uint32_t roomWaiters = 0;  // producers waiting in Submit for room right now
    std::uint32_t queued = 0;   // blocks in the device queue
};
WaveStreamState WaveStreamGetState();

}  // namespace wirbelix
