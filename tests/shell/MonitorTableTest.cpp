// The monitor table and the geometry rules of the window placement.
#include <gtest/gtest.h>

#include <vector>

#include "shell/MonitorTable.h"

namespace wirbelix {
namespace {

// Monitor 0 at the origin, monitor 1 to its right; both 1920 x 1080.
constexpr MonitorRect kLeft{0, 0, 1920, 1080};
constexpr MonitorRect kRight{1920, 0, 3840, 1080};

MonitorTable TableOf(std::vector<MonitorRect> monitors, std::int32_t width = 1920,
                     std::int32_t height = 1080) {
    MonitorTable table;
    RefreshMonitorTable(table, ScreenLayout{monitors, width, height});
    return table;
}

TEST(MonitorTableTest, NoneOrOneScreenIsThePrimaryScreenAtTheOrigin) {
    for (const std::vector<MonitorRect>& screens :
         {std::vector<MonitorRect>{}, std::vector<MonitorRect>{{100, 200, 2020, 1280}}}) {
        const MonitorTable table = TableOf(screens, 1280, 1024);
        EXPECT_EQ(table.monitorCount, 1);
        EXPECT_EQ(table.entries[0], (MonitorRect{0, 0, 1280, 1024}));
        EXPECT_EQ(table.entries[1], (MonitorRect{-1, -1, -1, -1}));
    }
}

TEST(MonitorTableTest, SeveralScreensKeepTheirOrderAndAtMostSixteenAreRecorded) {
    const MonitorTable two = TableOf({kRight, kLeft});
    EXPECT_EQ(two.monitorCount, 2);
    EXPECT_EQ(two.entries[0], kRight);
    EXPECT_EQ(two.entries[1], kLeft);

    std::vector<MonitorRect> many;
    for (int i = 0; i < 20; ++i) many.push_back({i * 100, 0, i * 100 + 100, 100});
    const MonitorTable table = TableOf(many);
    EXPECT_EQ(table.monitorCount, 16);
    EXPECT_EQ(table.entries[15], many[15]);
    EXPECT_EQ(FindMonitorOfPoint(table, 1650, 50), -1);  // the 17th is not known
}

TEST(MonitorTableTest, IsFilledOnceUnlessForced) {
    MonitorTable table = TableOf({kLeft, kRight});
    const std::vector<MonitorRect> other{{0, 0, 800, 600}};
    RefreshMonitorTable(table, ScreenLayout{other, 800, 600});
    EXPECT_EQ(table.monitorCount, 2);
    RefreshMonitorTable(table, ScreenLayout{other, 800, 600}, true);
    EXPECT_EQ(table.monitorCount, 1);
    EXPECT_EQ(table.entries[0], (MonitorRect{0, 0, 800, 600}));
}

TEST(MonitorTableTest, PointsOnEdgesBelongToTheMonitorOnTheirRightAndBelow) {
    const MonitorTable table = TableOf({kLeft, kRight});
    struct Case { std::int64_t x, y; int monitor; };
    for (const Case& c : {Case{0, 0, 0}, Case{1919, 1079, 0}, Case{1920, 0, 1}, Case{3839, 500, 1},
                          Case{3840, 500, -1}, Case{500, 1080, -1}, Case{-1, 0, -1}}) {
        EXPECT_EQ(FindMonitorOfPoint(table, c.x, c.y), c.monitor) << c.x << "," << c.y;
    }
    // An empty table knows no monitor.
    EXPECT_EQ(FindMonitorOfPoint(MonitorTable{}, 0, 0), -1);
}

TEST(MonitorTableTest, WindowCentreIsRoundedTowardZero) {
    // Monitor 0 left of the origin: a rectangle from -1 to 0 has its centre at 0 (not -1).
    const MonitorTable table = TableOf({{-1920, 0, 0, 1080}, kLeft});
    const MonitorRect straddling{-1, 0, 0, 10};
    EXPECT_EQ(FindMonitorOfWindow(table, &straddling), 1);
    const MonitorRect onLeft{-1900, 10, -100, 500};
    EXPECT_EQ(FindMonitorOfWindow(table, &onLeft), 0);
    EXPECT_EQ(FindMonitorOfWindow(table, nullptr), -1);
}

TEST(MonitorTableTest, CreateStructIsFoundByItsCentreAndDefaultPositionsLieNowhere) {
    const MonitorTable table = TableOf({kLeft, kRight});
    struct Case { CreateStruct cs; int monitor; };
    for (const Case& c : {
             Case{{1500, 100, 800, 600}, 0},           // centre at x 1900
             Case{{1500, 100, 900, 600}, 1},           // centre at x 1950
             Case{{1900, 100, 0, 0}, 0},               // no size: the position counts
             Case{{1900, 100, -5, CW_USEDEFAULT}, 0},  // sizes not positive: the position counts
             Case{{CW_USEDEFAULT, 100, 800, 600}, -1},
             Case{{100, CW_USEDEFAULT, 800, 600}, -1},
             Case{{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT}, -1},
         }) {
        EXPECT_EQ(FindMonitorOfCreateStruct(table, c.cs), c.monitor)
            << c.cs.x << "," << c.cs.y << " " << c.cs.cx << "x" << c.cs.cy;
    }
}

TEST(MonitorTableTest, PlacementIsVisibleWithFiftyPixelsOnItsMonitor) {
    const MonitorTable table = TableOf({kLeft, kRight});
    struct Case { int monitor; std::int32_t x, y, cx, cy; bool visible; };
    for (const Case& c : {
             Case{0, 100, 100, 800, 600, true},
             Case{0, 1870, 100, 800, 600, true},   // 50 pixels left on the right
             Case{0, 1871, 100, 800, 600, false},
             Case{0, 100, 1031, 800, 600, false},  // below the bottom
             Case{0, -750, 100, 800, 600, true},   // 50 pixels left on the left
             Case{0, -751, 100, 800, 600, false},
             Case{0, 100, -551, 800, 600, false},  // above the top
             Case{0, 100, 100, 49, 600, false},    // narrower than 50
             Case{0, 100, 100, 800, 49, false},    // lower than 50
             Case{0, 100, 100, 50, 50, true},
             Case{1, 100, 100, 800, 600, false},   // on monitor 0, not on 1
             Case{1, 2000, 100, 800, 600, true},
             Case{5, 100, 100, 800, 600, true},    // unknown monitor: the primary screen
             Case{-1, 2000, 100, 800, 600, false},
             Case{0, 2147483647, 100, 2147483647, 600, false},  // no overflow
         }) {
        EXPECT_EQ(IsPlacementVisible(table, c.monitor, c.x, c.y, c.cx, c.cy), c.visible)
            << "monitor " << c.monitor << " at " << c.x << "," << c.y << " " << c.cx << "x" << c.cy;
    }
}

TEST(MonitorTableTest, MoveCreateStructCentresOnTheMonitorAndKeepsDefaultSizes) {
    const MonitorTable two = TableOf({kLeft, {1920, 0, 3200, 1024}});  // monitor 1: 1280 x 1024
    struct Case { CreateStruct in; int m; CreateStruct out; };
    for (const Case& c : {
             // The centre of monitor 1 is (2560, 512).
             Case{{100, 100, 800, 600}, 1, {2160, 212, 800, 600}},
             Case{{2160, 212, 800, 600}, 0, {560, 240, 800, 600}},
             // Default sizes are measured as monitor 0 less 100 pixels and stay default.
             Case{{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT}, 1,
                  {2560 - 910, 512 - 490, CW_USEDEFAULT, CW_USEDEFAULT}},
             Case{{CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768}, 1, {2048, 128, 1024, 768}},
             Case{{100, 100, 0, 0}, 1, {2560, 512, 0, 0}},
             // A single monitor table or an index out of range leaves everything.
             Case{{100, 100, 800, 600}, 2, {100, 100, 800, 600}},
             Case{{100, 100, 800, 600}, -1, {100, 100, 800, 600}},
         }) {
        CreateStruct cs = c.in;
        MoveCreateStructToMonitor(two, cs, c.m);
        EXPECT_EQ(cs, c.out) << "to " << c.m << ": " << cs.x << "," << cs.y << " " << cs.cx << "x"
                             << cs.cy;
    }
    const MonitorTable one = TableOf({kLeft});
    CreateStruct cs{CW_USEDEFAULT, CW_USEDEFAULT, 800, 600};
    MoveCreateStructToMonitor(one, cs, 0);
    EXPECT_EQ(cs, (CreateStruct{CW_USEDEFAULT, CW_USEDEFAULT, 800, 600}));
}

}  // namespace
}  // namespace wirbelix
