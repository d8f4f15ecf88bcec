#include "audio/sdl/SdlWaveDevice.h"

#include <SDL.h>

namespace wirbelix {

SdlWaveDevice::~SdlWaveDevice() { Close(); }

bool SdlWaveDevice::Open(const WaveFormat& format, std::uint32_t blockBytes) {
    Close();
    SDL_AudioFormat sdlFormat;
    switch (format.bitsPerSample) {
        case 8: sdlFormat = AUDIO_U8; break;
        case 16: sdlFormat = AUDIO_S16LSB; break;
        case 32: sdlFormat = AUDIO_S32LSB; break;
        default: return false;
    }
    if (format.formatTag != 1 || format.channels < 1 || format.channels > 8 ||
        format.samplesPerSec == 0 || format.blockAlign == 0) {
        return false;
    }
    const std::uint32_t frames = blockBytes / format.blockAlign;
    if (frames == 0 || frames > 0xFFFF) return false;

    // SDL would otherwise take SIGINT and SIGTERM for an event queue nobody reads, and the
    // program's own handling of them (closing the window in order) would never see them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.samplesPerSec);
    want.format = sdlFormat;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = static_cast<Uint16>(frames);
    want.callback = &SdlWaveDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the output needs, so the callback always
    // sees the stream's own format and a buffer of one block.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    device_ = id;
    return true;
}

bool SdlWaveDevice::Start() {
    if (device_ == 0) return false;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

bool SdlWaveDevice::Pause() {
    if (device_ == 0) return false;
    SDL_PauseAudioDevice(device_, 1);
    return true;
}

bool SdlWaveDevice::Close() {
    if (device_ == 0) return true;
    SDL_CloseAudioDevice(device_);  // waits for a running callback to return
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return true;
}

void SdlWaveDevice::SetTap(Tap tap, void* context) {
    tap_ = tap;
    tapContext_ = context;
}

void SdlWaveDevice::Callback(void* self, std::uint8_t* stream, int len) {
    auto* device = static_cast<SdlWaveDevice*>(self);
    const auto bytes = static_cast<std::size_t>(len > 0 ? len : 0);
    WaveDevicePull(stream, bytes);
    if (device->tap_ != nullptr) device->tap_(stream, bytes, device->tapContext_);
}

void UseSdlWaveDevice() {
    static SdlWaveDevice device;
    SetWaveDevice(&device);
}

}  // namespace wirbelix
