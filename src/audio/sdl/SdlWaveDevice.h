// The wave device on SDL2's audio subsystem: SDL's default output at the stream's format, with
// SDL's own buffer one block long so that it adds at most one block of latency. SDL's callback
// fills each buffer through WaveDevicePull, which takes the stream's queued blocks in order
// and reports each finished one.
//
// The audio subsystem is started at Open and stopped at Close, so the driver SDL picks
// (SDL_AUDIODRIVER as usual, otherwise the first that works) is chosen at every open. When no
// driver works, Open fails and the game stays silent; nothing is shown to the user.
//
// Thread contract: Open, Start, Pause and Close on the owner's thread; the callback and the tap
// run on SDL's audio thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/WaveDevice.h"

namespace wirbelix {

class SdlWaveDevice final : public WaveDevice {
public:
    SdlWaveDevice() = default;
    ~SdlWaveDevice() override;
    SdlWaveDevice(const SdlWaveDevice&) = delete;
    SdlWaveDevice& operator=(const SdlWaveDevice&) = delete;

    // Accepts 8-bit (unsigned), 16-bit and 32-bit (signed) PCM with 1 to 8 channels.
    bool Open(const WaveFormat& format, std::uint32_t blockBytes) override;
    bool Start() override;
    bool Pause() override;
    bool Close() override;

    // Called at the end of every SDL callback with the bytes just handed to SDL, for
    // measurements. Set it while the device is closed; null (the default) for none.
    using Tap = void (*)(const std::uint8_t* data, std::size_t bytes, void* context);
    void SetTap(Tap tap, void* context);

private:
    static void Callback(void* self, std::uint8_t* stream, int len);

    std::uint32_t device_ = 0;  // SDL_AudioDeviceID; 0 when closed
    Tap tap_ = nullptr;
    void* tapContext_ = nullptr;
};

// Installs a process-wide SdlWaveDevice as the stream's device (SetWaveDevice). Called once by
// the application at start-up.
void UseSdlWaveDevice();

}  // namespace wirbelix
