// wirbelix_audio_check: the game's sound path on SDL's output, without the game window.
//
//   wirbelix_audio_check              plays a spin of the game: F7 held for 1200 ms (the
//                                     sweep), then released (the cling and the spin's ticks),
//                                     with the built-in sounds
//   wirbelix_audio_check --latency N  measures N times how long it takes from the moment a
//                                     charge switches the mixer to the sweep until the first
//                                     sweep sample is handed to SDL's callback (the sweep's own
//                                     silent start taken off); prints each figure and the
//                                     minimum, median and maximum
//
// The game view is created and destroyed as the program does it (OnCreate starts the sound
// output, OnDestroy ends it); only its window is missing.
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

// Creates the view as the program does; false, with the view's window destroyed again and a
// line on standard error, when there is no device to play on.
bool CreateOrSay(CWirbelixView& view) {
    view.OnCreate();
    if (WaveStreamGetBlock() != nullptr) return true;
    std::fprintf(stderr, "no sound device\n");
    view.OnDestroy();
    return false;
}

// Samples at the start of the sweep that the mixer's division by 8 turns into silence.
std::uint32_t SilentSweepStart() {
    const SoundClip& sweep = g_soundClips[ClipSweep];
    std::uint32_t n = 0;
    while (n < sweep.count && sweep.samples[n] / 8 == 0) ++n;
    return n;
}

int PlaySpin() {
    UseSdlWaveDevice();
    CWirbelixView view;
    if (!CreateOrSay(view)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::printf("F7 held: sweep\n");
    view.OnKeyDown(kKeyF7);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    view.OnKeyUp(kKeyF7);
    std::printf("released: cling and %d ticks over %d ms\n", g_tickSchedule.count.load(),
                view.m_DurationMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(view.m_DurationMs + 800));
    view.OnDestroy();
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
    CWirbelixView view;
    if (!CreateOrSay(view)) return 1;
    const double silentStartMs = SilentSweepStart() * 1000.0 / kMixSampleRate;
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
            std::chrono::duration<double, std::milli>(Clock::duration(seen) - t0.time_since_epoch()).count() -
            silentStartMs;
        figures.push_back(ms);
        std::printf("round %2d: %.1f ms\n", round, ms);
    }
    view.OnDestroy();
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
