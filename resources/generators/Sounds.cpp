// The six sounds of the game, synthesised: RIFF WAVE, PCM, mono, 16 bits, 44 100 samples per
// second (CLING1.wav, CLING2.wav, CLING3.wav, SWEEP.wav, ERROR.wav, TICK.wav).
//
// Levels: the mixer plays SWEEP and TICK at one eighth of their amplitude, so both are recorded
// just below full scale; the one-shot sounds are added at full amplitude and two of them may
// sound at once, so they peak at half of full scale (-6 dBFS). Every sound starts and ends at
// silence, so that neither its start nor a cut at its end clicks.
#include "BitmapWriter.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace gen;

constexpr double kOverlayPeak = 0.5;     // -6 dBFS
constexpr double kMixerPeak = 0.97;      // -0.26 dBFS

double Seconds(std::size_t i) { return static_cast<double>(i) / kSampleRate; }

// Raised-cosine fades at both ends, in samples.
void Fade(std::vector<double>& s, std::size_t in, std::size_t out) {
    for (std::size_t i = 0; i < in && i < s.size(); ++i)
        s[i] *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / static_cast<double>(in));
    for (std::size_t i = 0; i < out && i < s.size(); ++i)
        s[s.size() - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / static_cast<double>(out));
}

// A struck metal bar or chime: inharmonic partials, each with its own decay, plus a short
// bright strike. partials: (frequency ratio, amplitude, decay time in seconds).
struct Partial {
    double ratio, amplitude, decay;
};

void AddChime(std::vector<double>& s, std::size_t start, double f0, double gain,
              const std::vector<Partial>& partials, Random& random) {
    for (const Partial& p : partials) {
        double f = f0 * p.ratio;
        if (f > 18000) continue;
        for (std::size_t i = start; i < s.size(); ++i) {
            double t = Seconds(i - start);
            s[i] += gain * p.amplitude * std::exp(-t / p.decay) * std::sin(2 * kPi * f * t);
        }
    }
    // The strike: a few milliseconds of noise, differentiated so that it is bright, not thumpy.
    double previous = 0;
    for (std::size_t i = start; i < s.size() && i < start + 180; ++i) {
        double n = random.Signed();
        double t = Seconds(i - start);
        s[i] += gain * 0.22 * (n - previous) * std::exp(-t / 0.0012);
        previous = n;
    }
}

const std::vector<Partial> kChime = {
    {1.000, 1.00, 0.30}, {2.000, 0.18, 0.16}, {2.756, 0.32, 0.11},
    {4.070, 0.08, 0.07}, {5.404, 0.12, 0.05}, {8.933, 0.05, 0.025},
};

std::vector<double> Cling(std::size_t count, double f0, std::uint64_t seed) {
    std::vector<double> s(count, 0.0);
    Random random(seed);
    AddChime(s, 0, f0, 1.0, kChime, random);
    // A softer second strike an octave up gives the "cling" its sparkle.
    AddChime(s, 1323, f0 * 2, 0.28, kChime, random);
    Fade(s, 40, count / 6);
    return s;
}

// The Start sound: a C major chord struck from the bottom up, like a quick strum on chimes.
std::vector<double> Chord(std::size_t count) {
    std::vector<double> s(count, 0.0);
    Random random(3);
    const double notes[] = {1046.50, 1318.51, 1567.98, 2093.00};
    const double gains[] = {1.0, 0.85, 0.8, 0.55};
    for (int i = 0; i < 4; ++i)
        AddChime(s, static_cast<std::size_t>(i) * 794, notes[i], gains[i], kChime, random);
    Fade(s, 40, count / 6);
    return s;
}

// The charging sound: a bright, chorused tone that rises from 110 Hz over the whole clip,
// slowly at first and faster towards the 2000 ms of a full charge (about 880 Hz there), growing
// brighter and faster in its tremolo; past full charge it rises on gently with a vibrato.
std::vector<double> Sweep(std::size_t count) {
    std::vector<double> s(count, 0.0);
    const double full = 2.0, length = static_cast<double>(count) / kSampleRate;
    const double f0 = 110.0, fFull = 880.0, shape = 1.35;
    // The rise in octaves per second at full charge; after it the rate falls to 0 at the end.
    const double rate = std::log2(fFull / f0) * shape / full;
    double phase[3] = {0, 0, 0};
    const double detune[3] = {1.0, 1.0041, 0.5};  // two voices a few cents apart and a sub-octave
    double tremoloPhase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        double t = Seconds(i);
        double u = std::min(1.0, t / full);
        double f;
        if (t <= full) {
            f = f0 * std::pow(fFull / f0, std::pow(t / full, shape));
        } else {
            double d = t - full;
            f = fFull * std::exp2(rate * (d - d * d / (2 * (length - full))));
            f *= 1.0 + 0.008 * SmoothStep(0, 0.05, d) * std::sin(2 * kPi * 7.0 * d);
        }
        // Harmonic k has the amplitude k^-slope: dark (2.2) at first, nearly a sawtooth at the top.
        double slope = 2.2 - 1.3 * u;
        double v = 0;
        for (int voice = 0; voice < 3; ++voice) {
            double fv = f * detune[voice];
            phase[voice] += 2 * kPi * fv / kSampleRate;
            if (phase[voice] > 2 * kPi) phase[voice] -= 2 * kPi;
            if (voice == 2) {
                v += 0.35 * std::sin(phase[voice]);
                continue;
            }
            // Harmonics fade out smoothly between 6 and 9 kHz, so that none switches off with
            // a click as the pitch rises.
            for (int k = 1; k * fv < 9000.0; ++k) {
                double a = std::pow(static_cast<double>(k), -slope);
                a *= 1.0 - SmoothStep(6000.0, 9000.0, k * fv);
                v += 0.5 * a * std::sin(k * phase[voice]);
            }
        }
        double rate = 5.0 + 13.0 * u;
        tremoloPhase += 2 * kPi * rate / kSampleRate;
        double tremolo = 1.0 - (0.10 + 0.18 * u) * (0.5 + 0.5 * std::sin(tremoloPhase));
        double level = 0.62 + 0.38 * u;
        s[i] = v * tremolo * level;
    }
    Fade(s, 2205, 1764);
    return s;
}

// The refusal: a short dull buzz, two low tones a semitone apart beating against each other,
// muffled and quickly dying.
std::vector<double> Buzz(std::size_t count) {
    std::vector<double> s(count, 0.0);
    const double tones[] = {146.83, 155.56};
    for (std::size_t i = 0; i < count; ++i) {
        double t = Seconds(i);
        double v = 0;
        for (double f : tones)
            for (int k = 1; k * f < 3000; k += 2)  // odd harmonics: a hollow, square-like tone
                v += std::sin(2 * kPi * k * f * t) / (k * std::sqrt(static_cast<double>(k)));
        double env = (1 - std::exp(-t / 0.004)) * std::exp(-t / 0.11);
        s[i] = v * env;
    }
    Fade(s, 60, 1100);
    return s;
}

// The tick: a hard, bright click of a pawl on a ratchet. Two damped resonances and a sub-
// millisecond noise edge; it is silent long before its end, so playing it a little faster or
// slower changes its colour, not its shape.
std::vector<double> Tick(std::size_t count) {
    std::vector<double> s(count, 0.0);
    Random random(7);
    double previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        double t = Seconds(i);
        double v = 0.9 * std::exp(-t / 0.0011) * std::sin(2 * kPi * 3150 * t) +
                   0.55 * std::exp(-t / 0.0024) * std::sin(2 * kPi * 1480 * t + 0.6) +
                   0.25 * std::exp(-t / 0.0040) * std::sin(2 * kPi * 690 * t + 1.1);
        double n = random.Signed();
        v += 0.7 * (n - previous) * std::exp(-t / 0.00035);
        previous = n;
        s[i] = v;
    }
    Fade(s, 3, 120);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    bool ok = WriteFile(dir, "CLING1.wav", Wave(Cling(27958, 1318.51, 1), kOverlayPeak)) &&
              WriteFile(dir, "CLING2.wav", Wave(Cling(33844, 987.77, 2), kOverlayPeak)) &&
              WriteFile(dir, "CLING3.wav", Wave(Chord(36245), kOverlayPeak)) &&
              WriteFile(dir, "SWEEP.wav", Wave(Sweep(98996), kMixerPeak)) &&
              WriteFile(dir, "ERROR.wav", Wave(Buzz(12781), kOverlayPeak)) &&
              WriteFile(dir, "TICK.wav", Wave(Tick(465), kMixerPeak));
    return ok ? 0 : 1;
}
