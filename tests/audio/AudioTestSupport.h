// Helpers of the audio tests: RIFF WAVE images built in memory, and a wave device whose pulls
// the test drives by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "audio/WaveDevice.h"

namespace wirbelix::test {

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void PutChunk(std::vector<std::uint8_t>& out, const char* id, std::uint32_t size,
                     const std::vector<std::uint8_t>& body) {
    out.insert(out.end(), id, id + 4);
    PutU32(out, size);
    out.insert(out.end(), body.begin(), body.end());
}

inline std::vector<std::uint8_t> SampleBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    for (std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((static_cast<std::uint16_t>(s) >> 8) & 0xFF));
    }
    return bytes;
}

// "RIFF" size "WAVE", a 16-byte "fmt " chunk for 16-bit mono 44 100 Hz, then the chunks in
// `before` (id, body) and a "data" chunk with samples.
inline std::vector<std::uint8_t> MakeWave(
    const std::vector<std::int16_t>& samples,
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& before = {}) {
    std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    std::vector<std::uint8_t> fmt;
    for (std::uint32_t v : {0x00010001u, 44100u, 88200u, 0x00100002u}) PutU32(fmt, v);
    PutChunk(out, "fmt ", 16, fmt);
    for (const auto& [id, body] : before) {
        PutChunk(out, id.c_str(), static_cast<std::uint32_t>(body.size()), body);
    }
    std::vector<std::uint8_t> data = SampleBytes(samples);
    PutChunk(out, "data", static_cast<std::uint32_t>(data.size()), data);
    const auto riff = static_cast<std::uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}

// A device that accepts every format and whose pulls the test makes itself (WaveDevicePull).
class ManualWaveDevice final : public WaveDevice {
public:
    bool Open(const WaveFormat& format, std::uint32_t blockBytes) override {
        std::lock_guard<std::mutex> guard(lock);
        ++opens;
        if (refuseOpen) return false;
        opened = format;
        openedBlockBytes = blockBytes;
        return true;
    }
    bool Start() override {
        std::lock_guard<std::mutex> guard(lock);
        ++starts;
        return !failControl;
    }
    bool Pause() override {
        std::lock_guard<std::mutex> guard(lock);
        ++pauses;
        return !failControl;
    }
    bool Close() override {
        std::lock_guard<std::mutex> guard(lock);
        ++closes;
        return true;
    }
    bool PrepareBlock(std::uint32_t index) override { return index < prepareLimit; }

    std::mutex lock;
    bool refuseOpen = false;
    bool failControl = false;
    std::uint32_t prepareLimit = 12;
    int opens = 0, starts = 0, pauses = 0, closes = 0;
    WaveFormat opened;
    std::uint32_t openedBlockBytes = 0;
};

}  // namespace wirbelix::test
