// The fairness simulator behind `wirbelix --simulate`: runs many spins without a window through
// the game's own StartSpin and motion law, each starting where the last one came to rest, and
// reports where they land, how uniform that is (chi-square test), and how long they run. It
// also traces a single spin with a given press time, random draw and start angle.
//
// Thread contract: the simulator drives a view of its own on the calling thread and uses the
// process-wide game words (spin state, mixer words, tick schedule, sound clips, the random
// sequence) and the tick clock; nothing else may use them while it runs, which holds for a
// console command.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace wirbelix {

struct SimulationOptions {
    std::uint64_t spins = 0;
    int sections = 6;         // 2..12
    double turnCount = 5.0;   // 2..20
    int pressMs = -1;         // fixed press time; -1 draws it uniformly from 0..2000 ms
    std::uint32_t seed = 1;   // seeds the press-time draws and the game's random sequence
};

struct SimulationResult {
    std::vector<std::uint64_t> landings;  // spins that came to rest on each section
    double chiSquare = 0.0;               // against a uniform landing
    int degreesOfFreedom = 0;
    double pValue = 1.0;
    double maxShareDeviation = 0.0;  // largest |share of a section - 1/sections|
    double meanDurationMs = 0.0;     // deceleration time
    int maxDurationMs = 0;
    double meanTicks = 0.0;          // tick schedule entries
    int maxTicks = 0;
};

// One simulated game session. Spins continue from the resting angle of the previous run.
class SpinSimulator {
public:
    explicit SpinSimulator(std::uint32_t seed);
    ~SpinSimulator();
    SpinSimulator(const SpinSimulator&) = delete;
    SpinSimulator& operator=(const SpinSimulator&) = delete;

    SimulationResult Run(const SimulationOptions& options);

private:
    struct Session;
    std::unique_ptr<Session> session_;
};

// What one spin computes, for the trace.
struct SpinTrace {
    double strength = 0.0;
    double turns = 0.0;
    int durationMs = 0;
    std::uint32_t spinEndOffset = 0;  // m_SpinEnd - release time
    int restAngle = 0;
    std::uint32_t swingMs = 0;  // from the end of the deceleration to the end of the swing
    struct Tick {
        std::uint32_t startSample, step, endSample;
    };
    std::vector<Tick> ticks;  // computed with a TICK clip of 465 samples
};

// Traces one spin of player 0 from startAngle with the press time and random draw given.
SpinTrace TraceSpin(int sections, double turnCount, int pressMs, int randomDraw, int startAngle);

// Probability that a chi-square variable with df degrees of freedom is at least chiSquare
// (the regularised upper incomplete gamma function Q(df/2, chiSquare/2)).
double ChiSquarePValue(double chiSquare, int degreesOfFreedom);

// The console command: argv[0] is "--simulate". Prints to out, errors to err; returns the
// process exit code (0 success, 2 bad arguments).
int RunSimulateCommand(int argc, char** argv, std::FILE* out, std::FILE* err);
int RunSimulateCommand(int argc, char** argv);

}  // namespace wirbelix
