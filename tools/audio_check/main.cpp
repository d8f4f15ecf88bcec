// wirbelix_audio_check: the game's sound path on SDL's output, without the game window.
//
//   wirbelix_audio_check              plays a spin of the game: F7 held for 1200 ms (the
//                                     sweep), then released (the cling and the spin's ticks),
//                                     with the built-in sounds (or made-up ones for those the
//                                     program does not have)
//   wirbelix_audio_check --latency N  measures N times how long it takes from the moment a
//                                     charge switches the mixer to the sweep until the first
//                                     sweep sample is handed to SDL's callback; prints each
//                                     figure and the minimum, median and maximum
//
// SDL chooses its driver as usual (SDL_AUDIODRIVER); "dummy" paces without a sound card.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "audio/SoundMixer.h"
#include "audio/WaveStream.h"
#include "audio/sdl/SdlWaveDevice.h"
#include "game/GameView.h"
#include "game/SoundWords.h"

namespace {

using namespace wirbelix;
using Clock = std::chrono::steady_clock;

std::vector<std::int16_t> g_madeUp[kSoundClipCount];

// Clips for a program without built-in sounds: a rising sweep, a bright cling, a short click.
void UseMadeUpClipsWhereMissing() {
    const std::size_t lengths[kSoundClipCount] = {27958, 33844, 36245, 98996, 12781, 465};
    for (int id = 0; id < kSoundClipCount; ++id) {
        if (g_soundClips[id].count != 0) continue;
        std::vector<std::int16_t>& clip = g_madeUp[id];
        clip.resize(lengths[id]);
        for (std::size_t i = 0; i < clip.size(); ++i) {
            const double t = double(i) / 44100;
            const double fade = 1.0 - double(i) / clip.size();
            double v;
            if (id == ClipSweep) v = 0.8 * std::sin(2 * M_PI * (200 * t + 150 * t * t));
            else if (id == ClipTick) v = std::sin(2 * M_PI * 2500 * t) * fade;
            else v = 0.4 * std::sin(2 * M_PI * (880 + 220 * id) * t) * fade;
            // Never exactly 0 after the mixer's division by 8, so the latency probe sees it.
            clip[i] = static_cast<std::int16_t>(v * 30000 + (v >= 0 ? 16 : -16));
        }
        g_soundClips[id] = SoundClip{clip.data(), static_cast<std::uint32_t>(clip.size())};
    }
}

// Starts the sound output for view; false, with the output stopped again and a line on
// standard error, when there is no device to play on.
bool StartOutputOrSay(CWirbelixView& view) {
    StartSoundOutput(view);
    if (WaveStreamGetBlock() != nullptr) return true;
    std::fprintf(stderr, "no sound device\n");
    StopSoundOutput(view);
    return false;
}

int PlaySpin() {
    UseSdlWaveDevice();
    LoadSoundClips();
    UseMadeUpClipsWhereMissing();
    CWirbelixView view;
    if (!StartOutputOrSay(view)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::printf("F7 held: sweep\n");
    view.OnKeyDown(kKeyF7);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    view.OnKeyUp(kKeyF7);
    std::printf("released: cling and %d ticks over %d ms\n", g_tickSchedule.count.load(),
                view.m_DurationMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(view.m_DurationMs + 800));
    StopSoundOutput(view);
    return 0;
}

// What the latency probe shares with SDL's audio thread.
struct Probe {
    std::atomic<bool> armed{false};
    std::atomic<bool> silent{false};  // a silent buffer was seen since the last arming
    std::atomic<Clock::rep> seenAt{0};
};

void Tap(const std::uint8_t* data, std::size_t bytes, void* context) {
    auto* probe = static_cast<Probe*>(context);
    bool any = false;
    for (std::size_t i = 0; i < bytes && !any; ++i) any = data[i] != 0;
    if (!any) {
        probe->silent.store(true);
        return;
    }
    if (probe->armed.exchange(false)) probe->seenAt.store(Clock::now().time_since_epoch().count());
}

int MeasureLatency(int rounds) {
    static SdlWaveDevice device;
    static Probe probe;
    device.SetTap(&Tap, &probe);
    SetWaveDevice(&device);
    UseMadeUpClipsWhereMissing();
    CWirbelixView view;
    if (!StartOutputOrSay(view)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // steady state
    std::vector<double> figures;
    for (int round = 0; round < rounds; ++round) {
        // Let the last sweep play out, then start at a varying moment after one of SDL's
        // callbacks, so that the figures cover the whole block rhythm.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        probe.silent.store(false);
        while (!probe.silent.load()) std::this_thread::sleep_for(std::chrono::microseconds(100));
        std::this_thread::sleep_for(std::chrono::microseconds(1100 * (round % 11)));
        probe.seenAt.store(0);
        probe.armed.store(true);
        const auto t0 = Clock::now();
        g_mixPos.store(0);
        g_mixMode.store(MixSweep, std::memory_order_release);  // as a charge begins
        while (probe.seenAt.load() == 0 && Clock::now() - t0 < std::chrono::seconds(3)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const Clock::rep seen = probe.seenAt.load();
        g_mixMode.store(MixSilent);
        g_mixPos.store(0);
        if (seen == 0) {
            std::fprintf(stderr, "round %d: no sweep reached SDL within 3 s\n", round);
            continue;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::duration(seen) - t0.time_since_epoch()).count();
        figures.push_back(ms);
        std::printf("round %2d: %.1f ms\n", round, ms);
    }
    StopSoundOutput(view);
    SetWaveDevice(nullptr);
    if (figures.empty()) return 1;
    std::sort(figures.begin(), figures.end());
    std::printf("latency over %zu rounds: min %.1f ms, median %.1f ms, max %.1f ms\n", figures.size(),
                figures.front(), figures[figures.size() / 2], figures.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--latency") == 0) {
        const int rounds = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 20;
        return MeasureLatency(rounds);
    }
    if (argc >= 2) {
        std::fprintf(stderr, "usage: %s [--latency ROUNDS]\n", argv[0]);
        return 2;
    }
    return PlaySpin();
}
