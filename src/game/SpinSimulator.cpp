#include "game/SpinSimulator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string_view>

#include "game/GameRules.h"
#include "game/GameView.h"
#include "game/SoundWords.h"
#include "game/SpinRandom.h"
#include "platform/NumberParse.h"
#include "platform/TickCount.h"

namespace wirbelix {

namespace {

// The TICK clip the trace assumes: the length of the clip the program ships with.
constexpr std::uint32_t kTraceTickLength = 465;

// Past the end of any swing: the swing lasts kFinalSwingMs / (1 + 0.15 R), at most kFinalSwingMs.
constexpr std::uint32_t kAfterSwingMs = static_cast<std::uint32_t>(kFinalSwingMs) + 1;

int LandingSection(int angle, int sections) { return ((angle * sections + 180) / 360) % sections; }

// ln Gamma-based regularised incomplete gamma functions: the series converges quickly for
// x < a + 1, the continued fraction (modified Lentz) elsewhere.
double LowerGammaSeries(double a, double x) {
    double term = 1.0 / a, sum = term;
    for (int n = 1; n < 100000; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * 1e-16) break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

double UpperGammaFraction(double a, double x) {
    constexpr double kTiny = 1e-300;
    double b = x + 1.0 - a, c = 1.0 / kTiny, d = 1.0 / b, h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < kTiny) d = kTiny;
        c = b + an / c;
        if (std::fabs(c) < kTiny) c = kTiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1.0) < 1e-16) break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

}  // namespace

double ChiSquarePValue(double chiSquare, int degreesOfFreedom) {
    if (degreesOfFreedom <= 0 || !(chiSquare > 0.0)) return 1.0;
    const double a = degreesOfFreedom * 0.5, x = chiSquare * 0.5;
    if (x < a + 1.0) return std::clamp(1.0 - LowerGammaSeries(a, x), 0.0, 1.0);
    return std::clamp(UpperGammaFraction(a, x), 0.0, 1.0);
}

// The clock must exist before the view, which seeds the random sequence from it.
struct SpinSimulator::Session {
    explicit Session(std::uint32_t seed) : use(clock), pressDraws(seed) { SeedSpinRandom(seed); }
    ManualTickClock clock{1};
    ScopedTickClock use;
    CWirbelixView view;
    std::mt19937 pressDraws;
    std::uint32_t now = 1;
};

SpinSimulator::SpinSimulator(std::uint32_t seed) : session_(std::make_unique<Session>(seed)) {}
SpinSimulator::~SpinSimulator() = default;

SimulationResult SpinSimulator::Run(const SimulationOptions& options) {
    Session& s = *session_;
    CWirbelixView& view = s.view;
    {
        const GameInputLock lock = view.LockGameInput();
        view.m_StepCount(lock) = options.sections;
        view.m_TurnCount(lock) = options.turnCount;
    }
    const int sections = std::clamp(options.sections, 2, 12);
    std::uniform_int_distribution<int> pressTime(0, kFullChargeMs);
    SimulationResult result;
    result.landings.assign(static_cast<std::size_t>(sections), 0);
    double durationSum = 0.0, tickSum = 0.0;

    for (std::uint64_t i = 0; i < options.spins; ++i) {
        const int pressMs = options.pressMs >= 0 ? options.pressMs : pressTime(s.pressDraws);
        s.clock.Set(++s.now);
        view.PlayerButtonDown(0, s.now);
        s.now += static_cast<std::uint32_t>(pressMs);
        s.clock.Set(s.now);
        view.StartSpin(0, s.now, false);

        const int durationMs = view.m_DurationMs;
        const int ticks = g_tickSchedule.count.load(std::memory_order_relaxed);
        durationSum += durationMs;
        tickSum += ticks;
        result.maxDurationMs = std::max(result.maxDurationMs, durationMs);
        result.maxTicks = std::max(result.maxTicks, ticks);

        // The frame step after the swing: stores the resting angle and returns to Idle.
        s.now += static_cast<std::uint32_t>(durationMs) + kAfterSwingMs;
        s.clock.Set(s.now);
        view.AdvanceSpin(s.now, 0);
        if (g_spinState.load() != Idle) view.OnStopPointer();  // never expected; stay usable
        ++result.landings[static_cast<std::size_t>(LandingSection(view.m_Angle, sections))];
    }

    if (options.spins > 0) {
        const double spins = static_cast<double>(options.spins);
        const double expected = spins / sections;
        for (std::uint64_t count : result.landings) {
            const double diff = static_cast<double>(count) - expected;
            result.chiSquare += diff * diff / expected;
            result.maxShareDeviation =
                std::max(result.maxShareDeviation, std::fabs(count / spins - 1.0 / sections));
        }
        result.degreesOfFreedom = sections - 1;
        result.pValue = ChiSquarePValue(result.chiSquare, result.degreesOfFreedom);
        result.meanDurationMs = durationSum / spins;
        result.meanTicks = tickSum / spins;
    }
    return result;
}

SpinTrace TraceSpin(int sections, double turnCount, int pressMs, int randomDraw, int startAngle) {
    static const std::int16_t kSilentTick[kTraceTickLength] = {};
    const SoundClip savedTick = g_soundClips[ClipTick];
    g_soundClips[ClipTick] = SoundClip{kSilentTick, kTraceTickLength};

    ManualTickClock clock(100000);
    ScopedTickClock use(clock);
    CWirbelixView view;
    {
        const GameInputLock lock = view.LockGameInput();
        view.m_StepCount(lock) = sections;
        view.m_TurnCount(lock) = turnCount;
    }
    view.m_Angle = ((startAngle % 360) + 360) % 360;
    const std::uint32_t release = clock.Now();
    view.PlayerButtonDown(0, release - static_cast<std::uint32_t>(pressMs));
    view.StartSpinWithDraw(0, release, false, randomDraw);

    SpinTrace trace;
    trace.strength = view.m_Strength;
    trace.turns = view.m_Turns;
    trace.durationMs = view.m_DurationMs;
    trace.spinEndOffset = view.m_SpinEnd - release;
    const std::uint32_t decelEnd = release + static_cast<std::uint32_t>(view.m_DurationMs);
    // The first millisecond at which the motion law reports the swing over.
    std::uint32_t swing = 0;
    while (swing <= kAfterSwingMs && !view.SpinAngleAt(decelEnd + swing).swingEnded) ++swing;
    trace.swingMs = swing;
    trace.restAngle = view.SpinAngleAt(decelEnd + kAfterSwingMs).angle;
    const int count = g_tickSchedule.count.load();
    for (int i = 0; i < count; ++i) {
        const TickEntry& e = g_tickSchedule.entries[i];
        trace.ticks.push_back({e.startSample.load(), e.step.load(), e.endSample.load()});
    }
    view.OnStopPointer();
    g_soundClips[ClipTick] = savedTick;
    return trace;
}

// ---- The console command ------------------------------------------------------------------

namespace {

constexpr const char* kUsage =
    "usage: wirbelix --simulate N [--sections S] [--turns T] [--press MS] [--seed X]\n"
    "       wirbelix --simulate N --sweep [--sections S] [--turns T] [--seed X]\n"
    "       wirbelix --simulate 1 --press MS --rand R --angle A [--sections S] [--turns T]\n";

bool ReadInteger(const char* text, std::int64_t low, std::int64_t high, std::int64_t* value) {
    std::size_t used = 0;
    const std::string_view view(text);
    const std::int64_t v = ParseNumber(view, &used);
    if (used == 0 || used != view.size() || v < low || v > high) return false;
    *value = v;
    return true;
}

bool ReadDouble(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= low && v <= high)) return false;
    *value = v;
    return true;
}

void PrintResult(std::FILE* out, const SimulationResult& r) {
    const double spins = [&] {
        std::uint64_t n = 0;
        for (std::uint64_t c : r.landings) n += c;
        return static_cast<double>(n);
    }();
    for (std::size_t i = 0; i < r.landings.size(); ++i)
        std::fprintf(out, "section=%zu count=%llu share=%.6f\n", i,
                     static_cast<unsigned long long>(r.landings[i]),
                     spins > 0 ? r.landings[i] / spins : 0.0);
    std::fprintf(out, "chi2=%.4f df=%d p=%.6g max_share_deviation=%.6f\n", r.chiSquare,
                 r.degreesOfFreedom, r.pValue, r.maxShareDeviation);
    std::fprintf(out, "duration_ms_mean=%.1f duration_ms_max=%d ticks_mean=%.2f ticks_max=%d\n",
                 r.meanDurationMs, r.maxDurationMs, r.meanTicks, r.maxTicks);
}

}  // namespace

int RunSimulateCommand(int argc, char** argv, std::FILE* out, std::FILE* err) {
    auto fail = [&](const char* what, const char* arg) {
        std::fprintf(err, "wirbelix --simulate: %s%s%s\n%s", what, arg ? ": " : "",
                     arg ? arg : "", kUsage);
        return 2;
    };
    std::int64_t spins = 0, sections = 6, press = -1, draw = -1, angle = -1, seed = -1;
    double turns = 5.0;
    bool sweep = false;
    if (argc < 2 || !ReadInteger(argv[1], 1, 1'000'000'000'000LL, &spins))
        return fail("number of spins missing or not 1 or more", argc >= 2 ? argv[1] : nullptr);
    for (int i = 2; i < argc; ++i) {
        const std::string_view opt = argv[i];
        if (opt == "--sweep") {
            sweep = true;
            continue;
        }
        if (i + 1 >= argc) return fail("value missing after", argv[i]);
        const char* value = argv[++i];
        bool ok;
        if (opt == "--sections") ok = ReadInteger(value, 2, 12, &sections);
        else if (opt == "--turns") ok = ReadDouble(value, 2.0, 20.0, &turns);
        else if (opt == "--press") ok = ReadInteger(value, 0, 2'000'000'000, &press);
        else if (opt == "--rand") ok = ReadInteger(value, 0, kSpinRandomMax, &draw);
        else if (opt == "--angle") ok = ReadInteger(value, 0, 359, &angle);
        else if (opt == "--seed") ok = ReadInteger(value, 0, 0xFFFFFFFFLL, &seed);
        else return fail("unknown option", argv[i - 1]);
        if (!ok) return fail("value out of range or not a number", value);
    }

    if (draw >= 0 || angle >= 0) {
        if (spins != 1 || press < 0 || draw < 0 || sweep)
            return fail("a trace needs N = 1, --press, --rand and --angle, and no --sweep",
                        nullptr);
        const SpinTrace t = TraceSpin(static_cast<int>(sections), turns, static_cast<int>(press),
                                      static_cast<int>(draw), angle < 0 ? 0 : static_cast<int>(angle));
        std::fprintf(out,
                     "strength=%.10g turns=%.10g duration_ms=%d spin_end_offset=%u "
                     "rest_angle=%d swing_ms=%u ticks=%zu\n",
                     t.strength, t.turns, t.durationMs, t.spinEndOffset, t.restAngle, t.swingMs,
                     t.ticks.size());
        for (std::size_t i = 0; i < t.ticks.size(); ++i)
            std::fprintf(out, "tick=%zu start=%u step=%u end=%u\n", i, t.ticks[i].startSample,
                         t.ticks[i].step, t.ticks[i].endSample);
        return 0;
    }
    if (sweep && press >= 0) return fail("--sweep chooses the press times itself", nullptr);

    const auto seedValue = static_cast<std::uint32_t>(seed >= 0 ? seed : GetTickCount());
    SpinSimulator simulator(seedValue);
    SimulationOptions options;
    options.spins = static_cast<std::uint64_t>(spins);
    options.sections = static_cast<int>(sections);
    options.turnCount = turns;
    options.seed = seedValue;
    std::fprintf(out, "spins=%lld sections=%d turns=%.10g seed=%u", static_cast<long long>(spins),
                 options.sections, turns, seedValue);

    if (!sweep) {
        options.pressMs = static_cast<int>(press);
        if (press >= 0) std::fprintf(out, " press_ms=%lld\n", static_cast<long long>(press));
        else std::fprintf(out, " press_ms=uniform_0_2000\n");
        PrintResult(out, simulator.Run(options));
        return 0;
    }

    // Every hold time from 0 to 2000 ms in steps of 10: can a player aim by holding longer?
    std::fprintf(out, " sweep=0..2000/10\n");
    double worstDeviation = 0.0, smallestP = 1.0;
    int worstDeviationAt = 0, smallestPAt = 0, holdTimes = 0;
    for (int hold = 0; hold <= static_cast<int>(kFullChargeMs); hold += 10, ++holdTimes) {
        options.pressMs = hold;
        const SimulationResult r = simulator.Run(options);
        std::fprintf(out, "press_ms=%d max_share_deviation=%.6f chi2=%.4f p=%.6g\n", hold,
                     r.maxShareDeviation, r.chiSquare, r.pValue);
        if (r.maxShareDeviation > worstDeviation) {
            worstDeviation = r.maxShareDeviation;
            worstDeviationAt = hold;
        }
        if (r.pValue < smallestP || hold == 0) {
            smallestP = r.pValue;
            smallestPAt = hold;
        }
    }
    // The smallest of 201 p-values is small by chance alone; the Bonferroni bound says how
    // surprising it is for the sweep as a whole.
    std::fprintf(out,
                 "worst_max_share_deviation=%.6f at_press_ms=%d smallest_p=%.6g at_press_ms=%d "
                 "bonferroni_p=%.6g\n",
                 worstDeviation, worstDeviationAt, smallestP, smallestPAt,
                 std::min(1.0, smallestP * holdTimes));
    return 0;
}

int RunSimulateCommand(int argc, char** argv) {
    return RunSimulateCommand(argc, argv, stdout, stderr);
}

}  // namespace wirbelix
