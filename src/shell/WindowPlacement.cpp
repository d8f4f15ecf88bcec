#include "shell/WindowPlacement.h"

#include "shell/RegistryKey.h"

namespace wirbelix {

namespace {

// Opens "Software\Kivo\Wirbelix\Settings", creating what is missing.
bool OpenSettings(RegistryKey& key) {
    return key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE) &&
           key.OpenSubKey(frame_setting::kSettingsKey);
}

// A missing or unreadable value leaves out unchanged.
bool ReadInt(RegistryKey& key, const char* name, std::int32_t& out) {
    std::int32_t v = 0;
    if (!key.Read(&v, sizeof v, name, REG_DWORD)) return false;
    out = v;
    return true;
}

void WriteInt(RegistryKey& key, const char* name, std::int32_t v, bool& ok) {
    ok = key.Write(&v, sizeof v, name, REG_DWORD) && ok;
}

}  // namespace

PlacementState& ProcessPlacementState() {
    static PlacementState state;
    return state;
}

bool RestorePlacement(PlacementState& state, const ScreenLayout& layout, CreateStruct& cs) {
    RefreshMonitorTable(state.monitors, layout);
    if (state.showCommand != ShowCommand::Normal) return false;
    if (state.placementRestored || !cs.hasName) return false;
    state.placementRestored = true;

    std::int32_t zoomed = 0, x = 0, y = 0, cx = 0, cy = 0, monitor = 0;
    RegistryKey key;
    if (!OpenSettings(key)) return false;
    // Without "IsZoomed" nothing was ever saved: the window opens where the system puts it.
    if (!ReadInt(key, frame_setting::kIsZoomed, zoomed)) return false;
    ReadInt(key, frame_setting::kLastPosX, x);
    ReadInt(key, frame_setting::kLastPosY, y);
    ReadInt(key, frame_setting::kLastSizeX, cx);
    ReadInt(key, frame_setting::kLastSizeY, cy);
    ReadInt(key, frame_setting::kLastMonitor, monitor);

    if (zoomed != 0) state.showCommand = ShowCommand::Maximized;
    if (IsPlacementVisible(state.monitors, monitor, x, y, cx, cy)) {
        cs.x = x;
        cs.y = y;
        cs.cx = cx;
        cs.cy = cy;
    }
    if (FindMonitorOfCreateStruct(state.monitors, cs) != monitor)
        MoveCreateStructToMonitor(state.monitors, cs, monitor);
    key.Close();
    return true;
}

bool SavePlacement(PlacementState& state, const MonitorRect* windowRect, bool zoomed) {
    const int monitor = FindMonitorOfWindow(state.monitors, windowRect);
    RegistryKey key;
    if (!OpenSettings(key)) return false;
    bool ok = true;
    WriteInt(key, frame_setting::kIsZoomed, zoomed ? 1 : 0, ok);
    // A maximized window keeps the normal rectangle stored before, so the next start can show it
    // maximized over the right normal placement.
    if (!zoomed && windowRect) {
        const MonitorRect& r = *windowRect;
        WriteInt(key, frame_setting::kLastPosX, r.left, ok);
        WriteInt(key, frame_setting::kLastPosY, r.top, ok);
        WriteInt(key, frame_setting::kLastSizeX, static_cast<std::int32_t>(r.right - std::int64_t{r.left}), ok);
        WriteInt(key, frame_setting::kLastSizeY, static_cast<std::int32_t>(r.bottom - std::int64_t{r.top}), ok);
    }
    if (state.monitors.monitorCount > 1) WriteInt(key, frame_setting::kLastMonitor, monitor, ok);
    key.Close();
    return ok;
}

}  // namespace wirbelix
