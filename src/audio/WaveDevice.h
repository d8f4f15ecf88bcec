// The sound output device under the wave output stream (WaveStream.h): something that plays
// PCM at a fixed format and asks for data from its own thread. The application installs one
// (SdlWaveDevice on SDL's default output); tests install their own. Without an installed
// device the stream cannot open and the game is silent.
//
// Principle of operation: the device owns no queue. Once started it calls WaveDevicePull on its
// own thread whenever it needs the next bytes to play; WaveDevicePull takes the blocks that the
// stream has queued, in the order they were queued, copies their bytes out, and reports each
// block to WaveStreamDone once the device has played it. When nothing is queued it hands out
// silence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wirbelix {

// The PCM format of the stream, laid out as the wave format record of the platform's wave API.
struct WaveFormat {
    std::uint16_t formatTag = 0;       // 1: PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;  // samplesPerSec x blockAlign
    std::uint16_t blockAlign = 0;      // bytes per frame: (bits x channels + 7) / 8
    std::uint16_t bitsPerSample = 0;
    std::uint16_t cbSize = 0;
};

class WaveDevice {
public:
    virtual ~WaveDevice() = default;

    // Opens the output for format, with the device's own buffer as close to blockBytes as it
    // allows (so that it adds at most one block of latency). False when the device is missing
    // or refuses the format; nothing stays open then. The device does not pull before Start.
    // Called from the thread that opens the stream.
    virtual bool Open(const WaveFormat& format, std::uint32_t blockBytes) = 0;

    // Starts or resumes pulling; Pause stops it. After Pause returns, no pull is running.
    // False when the device call failed. Only between Open and Close.
    virtual bool Start() = 0;
    virtual bool Pause() = 0;

    // Stops pulling and closes the output. After Close returns, no pull is running and none
    // will start. False when closing failed (the device counts as closed all the same).
    virtual bool Close() = 0;

    // Asks whether the device can hold one more block of the stream's ring (the stream
    // prepares at most 12). A device with limited buffer memory refuses; the default accepts.
    virtual bool PrepareBlock(std::uint32_t /*index*/) { return true; }
};

// Makes the stream use device (not owned; it must outlive every open stream), or no device when
// null. Returns the device installed before. Call while the stream is closed.
WaveDevice* SetWaveDevice(WaveDevice* device);

// The installed device, or null.
WaveDevice* CurrentWaveDevice();

// Called by the open device on its own thread whenever it needs more to play. First reports
// the blocks that the previous pull handed out completely to WaveStreamDone: the device asking
// for more means it has played them. Then fills out with the next bytes bytes, taking queued
// blocks in order; silence (the format's zero level) where nothing is queued. A pull of 0 bytes
// only reports. Thread safe; it takes the queue lock and, for finished blocks, the stream's
// lock, and never waits for anything else.
void WaveDevicePull(std::uint8_t* out, std::size_t bytes);

}  // namespace wirbelix
