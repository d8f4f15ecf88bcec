#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "game/SoundWords.h"
#include "game/SpinSimulator.h"

namespace wirbelix {
namespace {

struct CommandOutput {
    int code;
    std::string out, err;
};

std::string ReadAll(std::FILE* f) {
    std::rewind(f);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    return text;
}

CommandOutput Simulate(std::vector<std::string> args) {
    args.insert(args.begin(), "--simulate");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunSimulateCommand(static_cast<int>(argv.size()), argv.data(), out, err);
    CommandOutput result{code, ReadAll(out), ReadAll(err)};
    ResetSoundWords();
    return result;
}

TEST(SimulateCommand, TraceOfTheReferenceSpinPrintsItsFigures) {
    const CommandOutput r = Simulate({"1", "--press", "1200", "--rand", "16384", "--angle", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string expectedStart =
        "strength=0.6 turns=3.5 duration_ms=2955 spin_end_offset=2955 rest_angle=180 "
        "swing_ms=5246 ticks=21\n"
        "tick=0 start=1225 step=216 end=1617\n"
        "tick=1 start=4619 step=217 end=5013\n"
        "tick=2 start=8102 step=219 end=8499\n";
    EXPECT_EQ(r.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(r.out.find("\ntick=20 start=115833 step=254 end=116294\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 22);
}

TEST(SimulateCommand, RejectsBadArgumentsWithUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"0"},
        {"ten"},
        {"100", "--sections", "1"},
        {"100", "--sections", "13"},
        {"100", "--turns", "25"},
        {"100", "--turns", "nan"},
        {"100", "--press"},
        {"100", "--colour", "3"},
        {"2", "--press", "100", "--rand", "5", "--angle", "0"},  // a trace is one spin
        {"1", "--rand", "5", "--angle", "0"},                    // and needs its press time
        {"1", "--press", "10", "--rand", "32768", "--angle", "0"},
        {"1", "--press", "10", "--rand", "1", "--angle", "360"},
        {"100", "--sweep", "--press", "500"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const std::string& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CommandOutput r = Simulate(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

TEST(SimulateCommand, HistogramRunPrintsEverySectionAndTheTest) {
    const CommandOutput r = Simulate({"7000", "--sections", "7", "--seed", "99"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (int s = 0; s < 7; ++s)
        EXPECT_NE(r.out.find("section=" + std::to_string(s) + " count="), std::string::npos);
    EXPECT_EQ(r.out.find("section=7 "), std::string::npos);
    EXPECT_NE(r.out.find(" df=6 p="), std::string::npos);
    EXPECT_NE(r.out.find("duration_ms_max="), std::string::npos);
    // The same seed gives the same run.
    EXPECT_EQ(Simulate({"7000", "--sections", "7", "--seed", "99"}).out, r.out);
}

TEST(SpinSimulator, LandingsCoverEverySectionWithPlausibleDurations) {
    SpinSimulator simulator(4242);
    SimulationOptions options;
    options.spins = 60000;
    for (int sections : {2, 6, 7, 11, 12}) {
        SCOPED_TRACE(sections);
        options.sections = sections;
        const SimulationResult r = simulator.Run(options);
        ASSERT_EQ(r.landings.size(), static_cast<std::size_t>(sections));
        EXPECT_EQ(std::accumulate(r.landings.begin(), r.landings.end(), std::uint64_t{0}),
                  options.spins);
        EXPECT_EQ(r.degreesOfFreedom, sections - 1);
        // A fixed seed: this is a regression bound, not a random test.
        EXPECT_GT(r.pValue, 1e-4);
        EXPECT_LT(r.maxShareDeviation, 0.02);
        // 5 turns at full strength plus up to one random turn: T^2 x 0.35 + 0.15 T <= 6.
        EXPECT_LE(r.maxDurationMs, 3940);
        EXPECT_GT(r.meanDurationMs, 1000.0);
        EXPECT_LE(r.maxTicks, 6 * sections + 1);
    }
    ResetSoundWords();
}

TEST(ChiSquarePValue, MatchesTabulatedValues) {
    struct Case { double chi2; int df; double p; };
    for (Case c : {Case{3.841459, 1, 0.05}, Case{11.070498, 5, 0.05}, Case{12.591587, 6, 0.05},
                   Case{24.724970, 11, 0.01}, Case{10.0, 2, 0.006737947}, Case{4.35146, 5, 0.5},
                   Case{0.0, 5, 1.0}, Case{200.0, 6, 1.8976108e-40}}) {
        SCOPED_TRACE(testing::Message() << c.chi2 << " df " << c.df);
        EXPECT_NEAR(ChiSquarePValue(c.chi2, c.df) / c.p, 1.0, 2e-4);
    }
}

}  // namespace
}  // namespace wirbelix
