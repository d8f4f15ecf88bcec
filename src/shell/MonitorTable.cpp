#include "shell/MonitorTable.h"

#include <algorithm>

namespace wirbelix {

namespace {

constexpr MonitorRect kUnusedEntry{-1, -1, -1, -1};

// Results go back into 32-bit fields; values beyond them can only come from absurd input.
std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void RefreshMonitorTable(MonitorTable& table, const ScreenLayout& layout, bool force) {
    if (table.valid && !force) return;
    table.valid = true;
    table.primaryWidth = layout.primaryWidth;
    table.primaryHeight = layout.primaryHeight;
    std::fill(std::begin(table.entries), std::end(table.entries), kUnusedEntry);
    if (layout.monitors.size() <= 1) {
        table.entries[0] = MonitorRect{0, 0, layout.primaryWidth, layout.primaryHeight};
        table.filled = 1;
        table.monitorCount = 1;
        return;
    }
    const int n = static_cast<int>(
        std::min<std::size_t>(layout.monitors.size(), MonitorTable::kMaxEntries));
    std::copy_n(layout.monitors.begin(), n, table.entries);
    table.filled = n;
    table.monitorCount = n;
}

int FindMonitorOfPoint(const MonitorTable& table, std::int64_t x, std::int64_t y) {
    for (int i = 0; i < table.monitorCount && i < MonitorTable::kMaxEntries; ++i) {
        const MonitorRect& r = table.entries[i];
        if (r.left <= x && x < r.right && r.top <= y && y < r.bottom) return i;
    }
    return -1;
}

int FindMonitorOfWindow(const MonitorTable& table, const MonitorRect* windowRect) {
    if (!windowRect) return -1;
    const std::int64_t cx = (std::int64_t{windowRect->left} + windowRect->right) / 2;
    const std::int64_t cy = (std::int64_t{windowRect->top} + windowRect->bottom) / 2;
    return FindMonitorOfPoint(table, cx, cy);
}

int FindMonitorOfCreateStruct(const MonitorTable& table, const CreateStruct& cs) {
    const std::int64_t x = std::int64_t{cs.x} + (cs.cx > 0 ? cs.cx / 2 : 0);
    const std::int64_t y = std::int64_t{cs.y} + (cs.cy > 0 ? cs.cy / 2 : 0);
    return FindMonitorOfPoint(table, x, y);
}

bool IsPlacementVisible(const MonitorTable& table, int monitor, std::int32_t x, std::int32_t y,
                        std::int32_t cx, std::int32_t cy, int margin) {
    MonitorRect r{0, 0, table.primaryWidth, table.primaryHeight};
    if (monitor >= 0 && monitor < table.monitorCount && monitor < MonitorTable::kMaxEntries)
        r = table.entries[monitor];
    const std::int64_t x64 = x, y64 = y;
    return cx >= margin && cy >= margin && x64 + cx >= std::int64_t{r.left} + margin &&
           y64 + cy >= std::int64_t{r.top} + margin && x64 + margin <= r.right &&
           y64 + margin <= r.bottom;
}

void MoveCreateStructToMonitor(const MonitorTable& table, CreateStruct& cs, int m) {
    if (table.monitorCount <= 1 || m < 0 || m >= table.monitorCount ||
        m >= MonitorTable::kMaxEntries)
        return;
    const std::int64_t x0 = cs.x == CW_USEDEFAULT ? 20 : cs.x;
    const std::int64_t y0 = cs.y == CW_USEDEFAULT ? 20 : cs.y;
    std::int64_t left = x0, top = y0, right = x0, bottom = y0;
    const MonitorRect& first = table.entries[0];
    if (cs.cx == CW_USEDEFAULT) right = x0 + (std::int64_t{first.right} - first.left) - 100;
    if (cs.cy == CW_USEDEFAULT) bottom = y0 + (std::int64_t{first.bottom} - first.top) - 100;
    if (cs.cx > 0) right += cs.cx;
    if (cs.cy > 0) bottom += cs.cy;

    const std::int64_t w = std::max<std::int64_t>(right - left, 0);
    const std::int64_t h = std::max<std::int64_t>(bottom - top, 0);
    const MonitorRect& target = table.entries[m];
    const std::int64_t centreX = (std::int64_t{target.left} + target.right) / 2;
    const std::int64_t centreY = (std::int64_t{target.top} + target.bottom) / 2;
    left = centreX - w / 2;
    top = centreY - h / 2;

    cs.x = Clamp32(left);
    cs.y = Clamp32(top);
    if (cs.cx > 0) cs.cx = Clamp32(w);
    if (cs.cy > 0) cs.cy = Clamp32(h);
}

}  // namespace wirbelix
