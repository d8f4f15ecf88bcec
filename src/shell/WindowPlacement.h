// WindowPlacement: the main window's size, position, maximized state and monitor, restored from
// the settings before the window is first shown and stored when it is closed.
//
// Settings (all REG_DWORD, key "Software\Kivo\Wirbelix\Settings"):
//   "IsZoomed"               the window was maximized (0 or 1)
//   "LastPosX", "LastPosY"   its position, written only when it was not maximized
//   "LastSizeX", "LastSizeY" its size, written only when it was not maximized
//   "LastMonitor"            index of the monitor holding its centre (-1: none), written only
//                            when more than one monitor exists
// Which rectangle of the window these describe (frame or client area) is the window-system
// adapter's choice; the rules here only need it to be the same at saving and restoring.
//
// The placement is restored once per process, and only when the program was started with the
// normal show command: a start asked to be minimized or maximized keeps that. Missing or
// unreadable settings leave the window where the system puts it; a saved rectangle narrower or
// lower than 50 pixels, or showing less than 50 pixels of itself on its monitor, is ignored.
//
// Thread contract: window thread only. Settings failures are silent.
#pragma once

#include <cstdint>

#include "shell/MonitorTable.h"

namespace wirbelix {

// How the window is to be shown first.
enum class ShowCommand { Normal, Maximized, Minimized };

namespace frame_setting {
inline constexpr const char* kSettingsKey = "Settings";
inline constexpr const char* kIsZoomed = "IsZoomed";
inline constexpr const char* kLastPosX = "LastPosX";
inline constexpr const char* kLastPosY = "LastPosY";
inline constexpr const char* kLastSizeX = "LastSizeX";
inline constexpr const char* kLastSizeY = "LastSizeY";
inline constexpr const char* kLastMonitor = "LastMonitor";
}  // namespace frame_setting

// The process-wide state of the placement: the monitor table, the show command the program was
// started with (the placement may turn it into Maximized) and whether the placement was
// restored already. Tests make their own.
struct PlacementState {
    MonitorTable monitors;
    ShowCommand showCommand = ShowCommand::Normal;
    bool placementRestored = false;
};

PlacementState& ProcessPlacementState();

// Before the window is created: fills the monitor table from layout (once), then, the first time
// only and when the show command is Normal, reads the saved placement and puts it into cs: a
// saved maximized state makes the show command Maximized, a visible saved rectangle replaces
// cs's position and size, and a window that would open on another monitor than the saved one is
// centred on the saved one. Returns true when the settings held a placement (even one that was
// not applied because it would not be visible).
bool RestorePlacement(PlacementState& state, const ScreenLayout& layout, CreateStruct& cs);

// When the window is closed: windowRect is its rectangle (null when it cannot be obtained),
// zoomed whether it is maximized. Writes "IsZoomed"; the rectangle only when not maximized, so a
// maximized window keeps the normal rectangle stored before; "LastMonitor" only with more than
// one monitor. Returns false when the settings could not be written.
bool SavePlacement(PlacementState& state, const MonitorRect* windowRect, bool zoomed);

}  // namespace wirbelix
