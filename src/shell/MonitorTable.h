// MonitorTable: the rectangles of the monitors as the window system reported them when the table
// was filled, and the geometry rules the main window's placement is built on: which monitor holds
// a point, a window or a window about to be created, whether a saved placement would still show
// enough of the window, and how to move a window about to be created onto a given monitor.
//
// All coordinates are signed 32-bit virtual-desktop pixels; a rectangle is left/top inclusive,
// right/bottom exclusive. The table knows nothing about the window system: the caller passes the
// monitor rectangles in (the Qt adapter takes the screens' geometries, primary screen first).
// Arithmetic is done in 64 bits, so stored values of any size neither overflow nor wrap.
//
// Thread contract: a table belongs to the thread that fills it (the window thread); the process's
// table is part of its placement state (WindowPlacement.h).
#pragma once

#include <cstdint>
#include <limits>
#include <span>

namespace wirbelix {

// "Let the system choose" for a position or size of a window about to be created. It lies on no
// monitor.
inline constexpr std::int32_t CW_USEDEFAULT = std::numeric_limits<std::int32_t>::min();

struct MonitorRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const MonitorRect&, const MonitorRect&) = default;
};

// Position and size of a window about to be created; any field may be CW_USEDEFAULT.
// hasName is clear for a preliminary call that only prepares the window class.
struct CreateStruct {
    std::int32_t x = CW_USEDEFAULT;
    std::int32_t y = CW_USEDEFAULT;
    std::int32_t cx = CW_USEDEFAULT;
    std::int32_t cy = CW_USEDEFAULT;
    bool hasName = true;

    friend bool operator==(const CreateStruct&, const CreateStruct&) = default;
};

// What the window system says about its monitors at one moment.
struct ScreenLayout {
    std::span<const MonitorRect> monitors;  // in the system's order; may be empty
    std::int32_t primaryWidth = 0;          // size of the primary screen in pixels
    std::int32_t primaryHeight = 0;
};

struct MonitorTable {
    static constexpr int kMaxEntries = 16;

    MonitorRect entries[kMaxEntries] = {};
    int filled = 0;         // entries taken from the system (or padded)
    int monitorCount = 0;   // monitors counted; entry 0 is "monitor 0"
    bool valid = false;     // filled at least once
    // The primary screen, used where a monitor index is not in the table.
    std::int32_t primaryWidth = 0;
    std::int32_t primaryHeight = 0;
};

// Fills the table from layout, unless it was filled before and force is clear. No monitor or a
// single one gives one entry, (0, 0, primary width, primary height). More than 16 monitors: the
// first 16 are recorded and counted. Unused entries are (-1, -1, -1, -1).
void RefreshMonitorTable(MonitorTable& table, const ScreenLayout& layout, bool force = false);

// The first monitor with left <= x < right and top <= y < bottom, or -1.
int FindMonitorOfPoint(const MonitorTable& table, std::int64_t x, std::int64_t y);

// The monitor holding the centre of a window rectangle, or -1 when there is no rectangle.
int FindMonitorOfWindow(const MonitorTable& table, const MonitorRect* windowRect);

// The monitor holding the centre of a window about to be created (its position when a size is
// not positive); CW_USEDEFAULT positions lie on no monitor.
int FindMonitorOfCreateStruct(const MonitorTable& table, const CreateStruct& cs);

// Whether a window at (x, y) of cx x cy shows at least margin pixels in each direction on the
// given monitor (the primary screen when the index is not in the table) and is itself at least
// margin pixels wide and high.
inline constexpr int kPlacementMargin = 50;
bool IsPlacementVisible(const MonitorTable& table, int monitor, std::int32_t x, std::int32_t y,
                        std::int32_t cx, std::int32_t cy, int margin = kPlacementMargin);

// Centres a window about to be created on monitor m, keeping its size; a position of
// CW_USEDEFAULT counts as 20, a size of CW_USEDEFAULT counts as monitor 0's size less 100 for the
// centring and stays CW_USEDEFAULT. Does nothing with a single monitor or an index out of range.
void MoveCreateStructToMonitor(const MonitorTable& table, CreateStruct& cs, int m);

}  // namespace wirbelix
