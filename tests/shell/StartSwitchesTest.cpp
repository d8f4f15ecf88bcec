#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/StartSwitches.h"

namespace wirbelix {
namespace {

int Count(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"wirbelix"};
    argv.insert(argv.end(), args);
    argv.push_back(nullptr);
    return CountZoomSwitches(static_cast<int>(argv.size()) - 1, argv.data());
}

TEST(StartSwitches, EachArgumentWithDashOrSlashThenZZoomsOnce) {
    struct Case {
        std::initializer_list<const char*> args;
        int zooms;
    };
    const Case cases[] = {
        {{}, 0},
        {{"-z"}, 1},
        {{"/Z"}, 1},
        {{"-Z"}, 1},
        {{"/z"}, 1},
        {{"-zoom"}, 1},  // only the first two characters count
        {{"z"}, 0},
        {{"-"}, 0},
        {{"/"}, 0},
        {{""}, 0},
        {{"-z", "-z"}, 2},  // in and back out again
        {{"-z", "Spielstand.txt", "/Z"}, 2},
        {{"Spielstand.txt"}, 0},
        {{"--settings"}, 0},
        {{"--zoom"}, 0},
        {{"-x", "-az", "z-"}, 0},
        {{"/zeug/spiel"}, 1},  // a path under /z reads as the switch: the rule has no exception
    };
    for (const Case& c : cases) {
        std::string line;
        for (const char* a : c.args) line += std::string(" [") + a + "]";
        EXPECT_EQ(Count(c.args), c.zooms) << "arguments:" << line;
    }
}

TEST(StartSwitches, TheProgramNameNeverCounts) {
    const char* argv[] = {"/zusatz/wirbelix", nullptr};
    EXPECT_EQ(CountZoomSwitches(1, argv), 0);
    const char* withSwitch[] = {"-z", "-z", nullptr};
    EXPECT_EQ(CountZoomSwitches(2, withSwitch), 1);
    EXPECT_FALSE(IsZoomSwitch(nullptr));
}

}  // namespace
}  // namespace wirbelix
