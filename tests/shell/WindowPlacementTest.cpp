// The main window's placement through a real settings file: what a start applies from the stored
// values and what closing the window stores.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "shell/WindowPlacement.h"

namespace wirbelix {
namespace {

constexpr MonitorRect kLeft{0, 0, 1920, 1080};
constexpr MonitorRect kRight{1920, 0, 3840, 1080};
const std::vector<MonitorRect> kOneScreen{kLeft};
const std::vector<MonitorRect> kTwoScreens{kLeft, kRight};

// What the window system would do without a saved placement: its own position, a given size.
constexpr CreateStruct kSystemDefault{CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768};

using Values = std::vector<std::pair<std::string, std::int32_t>>;

// A complete saved placement.
Values Saved(std::int32_t zoomed, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
             std::optional<std::int32_t> monitor = std::nullopt) {
    Values values{{"IsZoomed", zoomed}, {"LastPosX", x}, {"LastPosY", y}, {"LastSizeX", cx}, {"LastSizeY", cy}};
    if (monitor) values.emplace_back("LastMonitor", *monitor);
    return values;
}

class WindowPlacementTest : public SettingsFixture {
protected:
    static void Store(const Values& values) {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        ASSERT_TRUE(key.OpenSubKey("Settings"));
        for (const auto& [name, v] : values)
            ASSERT_TRUE(key.Write(&v, sizeof v, name.c_str(), REG_DWORD));
    }

    static std::optional<std::int32_t> Stored(const char* name) {
        RegistryKey key;
        std::int32_t v = 0;
        if (!key.Open(HKEY_CURRENT_USER, "Software\\Kivo\\Wirbelix\\Settings", REG_MODE_READ) ||
            !key.Read(&v, sizeof v, name, REG_DWORD) || key.valueType != REG_DWORD)
            return std::nullopt;
        return v;
    }

    // The stored placement values, in the order of Saved.
    static Values StoredPlacement() {
        Values values;
        for (const char* name : {"IsZoomed", "LastPosX", "LastPosY", "LastSizeX", "LastSizeY", "LastMonitor"})
            if (const auto v = Stored(name)) values.emplace_back(name, *v);
        return values;
    }

    static ScreenLayout Layout(const std::vector<MonitorRect>& screens) {
        return ScreenLayout{screens, 1920, 1080};
    }
};

TEST_F(WindowPlacementTest, FirstStartAppliesNothingAndClosingStoresTheWindow) {
    PlacementState state;
    CreateStruct cs = kSystemDefault;
    EXPECT_FALSE(RestorePlacement(state, Layout(kOneScreen), cs));
    EXPECT_EQ(cs, kSystemDefault);
    EXPECT_EQ(state.showCommand, ShowCommand::Normal);

    const MonitorRect window{30, 40, 1054, 808};
    ASSERT_TRUE(SavePlacement(state, &window, false));
    EXPECT_EQ(StoredPlacement(), Saved(0, 30, 40, 1024, 768));  // one monitor: none stored
}

struct RestoreCase {
    const char* name;
    Values stored;
    std::vector<MonitorRect> screens;
    ShowCommand startShow;
    CreateStruct expected;
    ShowCommand expectedShow;
};

TEST_F(WindowPlacementTest, RestoreAppliesTheSavedPlacementOnlyWhereItIsUsable) {
    const std::vector<RestoreCase> cases{
        {"saved rectangle on the only screen",
         Saved(0, 100, 100, 800, 600), kOneScreen, ShowCommand::Normal, {100, 100, 800, 600}, ShowCommand::Normal},
        {"left edge 20 pixels before the right end of the screen",
         Saved(0, 1900, 100, 800, 600), kOneScreen, ShowCommand::Normal, kSystemDefault, ShowCommand::Normal},
        {"narrower than 50 pixels (closed while minimized)",
         Saved(0, 100, 100, 49, 600), kOneScreen, ShowCommand::Normal, kSystemDefault, ShowCommand::Normal},
        {"only IsZoomed stored: the zero rectangle is not used",
         {{"IsZoomed", 0}}, kOneScreen, ShowCommand::Normal, kSystemDefault, ShowCommand::Normal},
        {"maximized: shown maximized over the saved normal rectangle",
         Saved(1, 100, 100, 800, 600), kOneScreen, ShowCommand::Normal, {100, 100, 800, 600}, ShowCommand::Maximized},
        {"started minimized: nothing applied",
         Saved(1, 100, 100, 800, 600), kOneScreen, ShowCommand::Minimized, kSystemDefault, ShowCommand::Minimized},
        {"started maximized: nothing applied",
         Saved(0, 100, 100, 800, 600), kOneScreen, ShowCommand::Maximized, kSystemDefault, ShowCommand::Maximized},
        {"saved on monitor 1 and still there",
         Saved(0, 2000, 50, 800, 600, 1), kTwoScreens, ShowCommand::Normal, {2000, 50, 800, 600}, ShowCommand::Normal},
        {"saved rectangle unusable on monitor 1: the system's window is centred there",
         Saved(0, 100, 100, 800, 600, 1), kTwoScreens, ShowCommand::Normal, {2880 - 512, 540 - 384, 1024, 768}, ShowCommand::Normal},
        {"saved monitor gone: the saved rectangle is checked against the primary screen",
         Saved(0, 100, 100, 800, 600, 1), kOneScreen, ShowCommand::Normal, {100, 100, 800, 600}, ShowCommand::Normal},
        {"negative position on a monitor left of the primary one",
         Saved(0, -1800, 200, 640, 480, 1),
         {kLeft, {-1920, 0, 0, 1080}}, ShowCommand::Normal, {-1800, 200, 640, 480}, ShowCommand::Normal},
    };
    for (const RestoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        Store(c.stored);
        PlacementState state;
        state.showCommand = c.startShow;
        CreateStruct cs = kSystemDefault;
        RestorePlacement(state, Layout(c.screens), cs);
        EXPECT_EQ(cs, c.expected) << cs.x << "," << cs.y << " " << cs.cx << "x" << cs.cy;
        EXPECT_EQ(state.showCommand, c.expectedShow);
    }
}

TEST_F(WindowPlacementTest, SystemPositionOnMonitor0IsMovedToTheSavedMonitor) {
    // The system would open the window on monitor 0; it was closed on monitor 1 while minimized.
    Store(Saved(0, -32000, -32000, 160, 28, 1));
    PlacementState state;
    CreateStruct cs{200, 150, 1000, 700};
    ASSERT_TRUE(RestorePlacement(state, Layout(kTwoScreens), cs));
    EXPECT_EQ(cs, (CreateStruct{2880 - 500, 540 - 350, 1000, 700}));
}

TEST_F(WindowPlacementTest, RestoresOncePerProcessButNotForThePreliminaryCall) {
    Store(Saved(0, 100, 100, 800, 600));
    PlacementState state;
    CreateStruct preliminary = kSystemDefault;
    preliminary.hasName = false;
    EXPECT_FALSE(RestorePlacement(state, Layout(kOneScreen), preliminary));
    EXPECT_EQ(preliminary.x, CW_USEDEFAULT);
    EXPECT_FALSE(state.placementRestored);

    CreateStruct first = kSystemDefault;
    EXPECT_TRUE(RestorePlacement(state, Layout(kOneScreen), first));
    EXPECT_EQ(first, (CreateStruct{100, 100, 800, 600}));

    CreateStruct second = kSystemDefault;
    EXPECT_FALSE(RestorePlacement(state, Layout(kOneScreen), second));
    EXPECT_EQ(second, kSystemDefault);
}

TEST_F(WindowPlacementTest, MaximizedWindowKeepsTheStoredRectangle) {
    Store(Saved(0, 100, 120, 800, 600));
    PlacementState state;
    const MonitorRect maximized{0, 0, 1920, 1080};
    ASSERT_TRUE(SavePlacement(state, &maximized, true));
    EXPECT_EQ(StoredPlacement(), Saved(1, 100, 120, 800, 600));

    // Back to normal: the new rectangle replaces it.
    const MonitorRect normal{10, 20, 650, 500};
    ASSERT_TRUE(SavePlacement(state, &normal, false));
    EXPECT_EQ(StoredPlacement(), Saved(0, 10, 20, 640, 480));
}

TEST_F(WindowPlacementTest, TwoMonitorsStoreTheMonitorOfTheWindowCentre) {
    PlacementState state;
    CreateStruct cs = kSystemDefault;
    RestorePlacement(state, Layout(kTwoScreens), cs);
    struct Case { MonitorRect window; std::int32_t monitor; };
    for (const Case& c : {Case{{1500, 100, 2500, 700}, 1}, Case{{1500, 100, 2300, 700}, 0},
                          Case{{5000, 100, 5800, 700}, -1}}) {
        ASSERT_TRUE(SavePlacement(state, &c.window, false));
        EXPECT_EQ(Stored("LastMonitor"), c.monitor) << c.window.left;
    }
}

TEST_F(WindowPlacementTest, SavedPlacementComesBackUnchangedOnEveryMonitor) {
    struct Case { MonitorRect window; bool zoomed; };
    for (const Case& c : {Case{{2100, 64, 2900, 664}, false}, Case{{-5, 0, 1915, 1050}, false},
                          Case{{1920, 0, 3840, 1080}, true}}) {
        SCOPED_TRACE(c.window.left);
        TearDown();
        SetUp();
        if (c.zoomed) Store({{"LastPosX", 2200}, {"LastPosY", 300}, {"LastSizeX", 700}, {"LastSizeY", 500}});
        PlacementState saving;
        CreateStruct cs = kSystemDefault;
        RestorePlacement(saving, Layout(kTwoScreens), cs);
        ASSERT_TRUE(SavePlacement(saving, &c.window, c.zoomed));

        PlacementState restoring;
        cs = kSystemDefault;
        ASSERT_TRUE(RestorePlacement(restoring, Layout(kTwoScreens), cs));
        const CreateStruct expected =
            c.zoomed ? CreateStruct{2200, 300, 700, 500}
                     : CreateStruct{c.window.left, c.window.top, c.window.right - c.window.left,
                                    c.window.bottom - c.window.top};
        EXPECT_EQ(cs, expected) << cs.x << "," << cs.y << " " << cs.cx << "x" << cs.cy;
        EXPECT_EQ(restoring.showCommand, c.zoomed ? ShowCommand::Maximized : ShowCommand::Normal);
    }
}

TEST_F(WindowPlacementTest, UnwritableSettingsAreReportedAndChangeNothing) {
    // A folder where the settings file should be: the store cannot be opened.
    std::filesystem::create_directory(path());
    SettingsStore::Shutdown();
    PlacementState state;
    CreateStruct cs = kSystemDefault;
    EXPECT_FALSE(RestorePlacement(state, Layout(kOneScreen), cs));
    EXPECT_EQ(cs, kSystemDefault);
    const MonitorRect window{0, 0, 800, 600};
    EXPECT_FALSE(SavePlacement(state, &window, false));
}

}  // namespace
}  // namespace wirbelix
