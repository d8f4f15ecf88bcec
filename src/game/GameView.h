// CWirbelixView: the game. It owns the settings the game reads from the store, the window
// layout, both players' stars and bars, the current spin and the flags that start and stop the
// remote-control and mixing threads. The window-system side of the view (timer, keys, painting,
// commands) is an adapter around this object; everything here is free of Qt.
//
// Thread contract: the window thread calls everything. The remote-control thread calls
// PlayerButtonDown and StartSpin (and reads m_ComPort, keeps m_RemoteTimeOffset, and uses
// m_RemoteStop/m_RemoteDone). The mixing thread reads only the shared words of SoundWords.h and
// the flags m_AudioRun/m_AudioDone.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "game/SoundWords.h"
#include "platform/WindowSystem.h"

namespace wirbelix {

// Star-size presets: the bar column geometry and the star modulus of each.
struct StarSizePreset {
    const char* menuText;
    int starLimit;
    int columnWidth;
    int starCellHeight;
    int starColumns;
};

// Index by m_StarSize; any value outside 0..3 behaves as 0.
inline constexpr StarSizePreset kStarSizePresets[4] = {
    {"Große Sterne", 8, 136, 136, 1},
    {"Mittlere Sterne", 8, 102, 102, 1},
    {"Kleine Sterne", 8, 68, 68, 1},
    {"Zwei Reihen", 25, 136, 68, 2},
};

inline const StarSizePreset& StarSizePresetFor(int starSize) {
    return kStarSizePresets[(starSize >= 0 && starSize <= 3) ? starSize : 0];
}

class CWirbelixView {
public:
    CWirbelixView();
    ~CWirbelixView();
    CWirbelixView(const CWirbelixView&) = delete;
    CWirbelixView& operator=(const CWirbelixView&) = delete;

    // ---- Game input (window thread and remote-control thread) ----------------------------
    void PlayerButtonDown(int player, std::uint32_t time);
    void StartSpin(int player, std::uint32_t time, bool fromStart);

    // ---- Settings (read from the store at construction) -----------------------------------
    int m_StarSize = 0;             // star-size preset 0..3 (other values behave as 0)
    std::atomic<int> m_ComPort{0};  // zero-based serial port of the remote box; read by its thread
    std::string m_ImagePath;        // background picture file
    std::string m_RotorPath;        // rotor picture file
    int m_ImageX = 0, m_ImageY = 0; // rotor pivot on the background, background pixels
    int m_RotorX = 0, m_RotorY = 0; // pivot of the rotor picture, rotor pixels
    int m_StepCount = 6;            // sections of the circle, 2..12
    int m_StepStart = 0;            // rotation offset of the drawn rotor, 1/131072 turn
    double m_TurnCount = 5.0;       // turns of a full-strength spin, 2..20

    // ---- Layout (back-buffer pixels) ------------------------------------------------------
    int m_Width = 0, m_Height = 0;
    int m_BordersDrawn = 0;
    int m_LayoutValid = 0;
    int m_RotorOverhang = 0;
    int m_BackgroundX = 0, m_BackgroundY = 0;
    int m_ScaleNum = 1, m_ScaleDen = 1;
    int m_PivotScreenX = 0, m_PivotScreenY = 0;
    int m_RotorPivotX = 0, m_RotorPivotY = 0;
    int m_Angle = 0;         // current rotor angle, whole degrees 0..359
    int m_DrawnAngle = -1;   // angle as last drawn; -1 forces a redraw
    Rect m_RotorRect;
    int m_CursorMode = 0;
    Rect m_CursorRect;

    // ---- Stars and bars -------------------------------------------------------------------
    std::uint8_t m_Stars[2] = {0, 0};
    int m_BarHeight[2] = {0, 0};
    std::uint8_t m_StarDrawn[64];  // 2 x slot + player; 0 unlit, 1 lit, 0xFF not yet drawn
    int m_StarColumns = 1;
    int m_StarLimit = 8;
    int m_ColumnWidth = 136;
    int m_StarCellHeight = 136;
    int m_BarMode = 0;  // 0 bars follow the game, 1 hidden, 2 frozen

    // ---- The current spin (written by StartSpin) -------------------------------------------
    std::uint32_t m_PressStart = 0;  // press time while charging; release time after StartSpin
    double m_Strength = 0.0;         // 0..1
    double m_Turns = 0.0;            // turns the spin travels
    double m_Duration = 0.0;         // deceleration phase, seconds
    int m_DurationMs = 0;            // m_Duration x 1000, truncated
    std::uint32_t m_SpinEnd = 0;     // m_PressStart + m_DurationMs
    int m_StartAngle = 0;            // m_Angle when the spin began
    int m_ReleaseBar = 0;            // spinning player's bar height when the spin began

    // ---- Input timing and threads ---------------------------------------------------------
    std::uint32_t m_LastBell[2] = {0, 0};  // when the bell last rang for each player
    std::uint32_t m_KeyDown[2] = {0, 0};   // F7/F8 press passed on; 0 while up
    std::atomic<int> m_RemoteTimeOffset{0};  // kept by the remote-control thread
    std::atomic<int> m_RemoteStop{0};        // stop request to the remote-control thread
    std::atomic<int> m_RemoteDone{0};        // its end signal (release; owner loads acquire)
    std::atomic<int> m_AudioRun{0};          // run flag of the mixing thread
    std::atomic<int> m_AudioDone{0};         // its end signal (release; owner loads acquire)
};

}  // namespace wirbelix
