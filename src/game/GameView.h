// CWirbelixView: the game. It owns the settings the game reads from the store, the window
// layout, both players' stars and bars, the current spin and the flags that start and stop the
// remote-control and mixing threads. The window-system side of the view (timer, keys, painting,
// commands) is an adapter around this object; everything here is free of Qt.
//
// Thread contract: the window thread calls everything. The remote-control thread calls
// PlayerButtonDown and StartSpin (and reads m_ComPort, keeps m_RemoteTimeOffset, and uses
// m_RemoteStop/m_RemoteDone). The mixing thread reads only the shared words of SoundWords.h and
// the flags m_AudioRun/m_AudioDone.
//
// The game input lock: every operation below that reads or writes the spin fields (the game
// input, the commands, BarValue, SpinAngleAt, AdvanceSpin) holds the view's one game input lock
// for its whole run, so a key on the window thread and a button of the remote box handled at the
// same moment act one after the other, and the frame step never reads a half-written spin. The
// lock is never held while waiting for anything else. The rule is enforced by types: the bodies
// that need the lock take a GameInputLock as proof, and the settings a spin reads
// (m_StepCount, m_TurnCount) are InputGuarded values that can only be reached with that proof.
// The spin fields (m_PressStart to m_ReleaseBar), m_BarMode and m_LastBell are written only
// under the lock; other threads read them only while holding it, the window thread may read
// them without it (it is the only other writer). m_Angle and m_BarHeight are written by the
// frame step outside the lock and are therefore atomic words.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "game/RotorCache.h"
#include "game/SoundWords.h"
#include "pictures/RasterImage.h"
#include "platform/Thread.h"
#include "platform/WindowSystem.h"
#include "ui/PictureWindow.h"

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

// Set while a frame step is under way, so that a step never starts inside another. Written and
// read by the window thread's frame step only; atomic because it is a process-wide word.
extern std::atomic<int> g_frameBusy;

// Key codes of the two player keys as the window system's adapter passes them to OnKeyDown and
// OnKeyUp (the virtual-key numbers of F7 and F8).
inline constexpr int kKeyF7 = 0x76;  // player 0
inline constexpr int kKeyF8 = 0x77;  // player 1

// The frame timer of the view: its number and period.
inline constexpr int kFrameTimerId = 14766;
inline constexpr int kFramePeriodMs = 20;

// Control number of the view's picture window.
inline constexpr int kPictureWindowId = 38680;

// Bitmap resources of the three star pictures (large, medium, small).
inline constexpr int kStarBitmaps[3] = {149, 150, 151};

// Proof that the caller holds a view's game input lock. Made only by
// CWirbelixView::LockGameInput; whoever has one may call the *Locked operations and reach the
// InputGuarded values. Movable, not copyable; the lock is released when it goes.
class GameInputLock {
public:
    GameInputLock(GameInputLock&&) = default;
    GameInputLock& operator=(GameInputLock&&) = default;

private:
    friend class CWirbelixView;
    explicit GameInputLock(std::mutex& m) : lock_(m) {}
    std::unique_lock<std::mutex> lock_;
};

// A value that only a holder of the game input lock may read or write: view.m_StepCount(lock).
template <class T>
class InputGuarded {
public:
    explicit InputGuarded(T initial) : value_(initial) {}
    T& operator()(const GameInputLock&) { return value_; }
    const T& operator()(const GameInputLock&) const { return value_; }

private:
    T value_;
};

// What the motion law gives for one moment of a spin.
struct SpinAngle {
    int angle = 0;            // rotor angle, whole degrees 0..359
    bool swingEnded = false;  // the final swing is over; the angle is the resting angle
};

class CWirbelixView {
public:
    // Takes the initial values of every field, sets g_spinState to Idle and seeds the program's
    // random sequence with the tick count.
    CWirbelixView();
    ~CWirbelixView();
    CWirbelixView(const CWirbelixView&) = delete;
    CWirbelixView& operator=(const CWirbelixView&) = delete;

    // ---- Game input (window thread and remote-control thread) ----------------------------

    // A player's button went down at tick time `time` (the key handler passes now, the remote
    // thread the box's time stamp). Starts a charge when that is allowed, otherwise ignores the
    // press or rings the bell (at most once per player every 101 ms). Player numbers other
    // than 0 and 1 are ignored. Takes the game input lock.
    void PlayerButtonDown(int player, std::uint32_t time);

    // A player's button went up at `time`: when that player is charging, computes the spin
    // (strength from the time held, the random draw, travel rounded to whole sections, duration,
    // cling sound, tick schedule) and turns the state into that player's spin. fromStart is set
    // only by the Start command. Anything else (wrong player, no charge) changes nothing.
    // Takes the game input lock.
    void StartSpin(int player, std::uint32_t time, bool fromStart);

    // StartSpin with the random draw given (0..32767, values outside are clamped) instead of
    // taken from the program's sequence; for the simulator's trace and for tests.
    void StartSpinWithDraw(int player, std::uint32_t time, bool fromStart, int randomDraw);

    // ---- Commands and keys (window thread) ------------------------------------------------

    // Start ("Starten ohne Balken"): a spin of player 0 with the CLING3 sound, full strength
    // from Idle (bars hidden), otherwise as strong as the last spin's deceleration time in ms
    // (bars frozen). Replaces any charge or spin under way.
    void OnStart();
    // Stop ("Zeiger anhalten"): back to Idle at once; the rotor stays where it is, the sweep or
    // the ticks stop.
    void OnStopPointer();
    // Star count of a player up or down by one, wrapping modulo m_StarLimit. Other player
    // numbers are ignored.
    void OnStarsUp(int player);
    void OnStarsDown(int player);
    // F7 (player 0) and F8 (player 1); other keys are ignored here. A key-down while the key is
    // held is passed on again only once 8000 ms have passed since the press that was passed on.
    void OnKeyDown(int key);
    void OnKeyUp(int key);

    // ---- Frame step support (window thread) -----------------------------------------------

    // The bar height of player (0 or 1) to draw in the frame at `now`, 0..m_Height; may return
    // m_BarMode to 0 once hidden or frozen bars are empty. The caller stores the value in
    // m_BarHeight[player] after drawing it, player 0 before player 1.
    int BarValue(int player, std::uint32_t now);

    // The motion law of the current spin at `now`: rotor angle and whether the final swing has
    // ended. Meaningful while g_spinState is Spinning1 or Spinning2; changes nothing.
    SpinAngle SpinAngleAt(std::uint32_t now) const;

    // The angle part of the frame step: while a spin runs, evaluates the motion law at `now`,
    // stores the angle in m_Angle and, when the final swing has ended, stops the ticks and
    // returns the state to Idle if player1Bar (player 1's bar value of this frame) is 0.
    // Returns whether a spin was running. Evaluating and ending under one hold of the lock keeps
    // a press on the remote thread from being undone by the end of the spin it replaced.
    bool AdvanceSpin(std::uint32_t now, int player1Bar);

    // Takes the game input lock; the proof releases it when it goes.
    GameInputLock LockGameInput() const { return GameInputLock(m_InputLock); }

    // ---- Window life cycle (window thread; the window system's adapter forwards) -----------

    // The view's window was created: the picture window, the star pictures, the star size, the
    // remote-control thread, the frame timer, the sound clips, the pictures and the sound
    // output, in this order. Answers false when baseCreated is false (nothing is started then).
    // The picture window reaches the screen through CurrentWindowSystem().
    bool OnCreate(bool baseCreated = true);
    // The client size changed (back-buffer pixels). A zero width or height changes nothing.
    void OnSize(int width, int height);
    // Timer kFrameTimerId runs the frame step; other timers are ignored.
    void OnTimer(int timerId);
    // The window goes: hides the main window, stops the mixing thread, closes the sound output.
    void OnDestroy();

    // ---- Frame rendering (window thread) --------------------------------------------------

    // One frame: bars and stars, the spin's angle and end, separators, layout, rotor. Draws into
    // m_PictureWindow's back buffer and invalidates exactly what changed.
    void FrameStep();

    // ---- Commands (window thread) ---------------------------------------------------------

    // Runs the view's handler of a command number; false when the view has none.
    bool OnCommand(int command);
    // The check state of a command: 1 checked, 0 unchecked, -1 the command shows no state.
    int CommandChecked(int command) const;
    // Whether the view handles the command (a command nobody handles is disabled).
    bool HandlesCommand(int command) const;

    // Copies the preset's star picture into m_StarImage and sets the column geometry. With a
    // pixel ratio above 1 the columns, rows and star are scaled by it, so they keep their size
    // relative to a window whose back buffer has the screen's device pixels.
    void ApplyStarSize(int preset);
    void SetStarSize(int preset);
    // Device pixels per window pixel of the screen the view is on (1 on ordinary screens).
    // Applies the star size again when it changes.
    void SetPixelRatio(double ratio);
    // Stores the cursor mode and the view's screen rectangle (right edge reduced by 1).
    void SetCursorMode(int mode);
    // "COM-Port auswählen": asks for the port with the input box and applies the answer.
    void OnChooseComPort();
    // Applies a text entered in the port input box: "COMn" (any case), a number, or a device
    // path (starting with "/"), which is stored in the port table under the lowest COM number
    // that already names it or is free. Other text gives port 0.
    void ApplyComPortText(const std::string& text);

    // "Bilder auswählen": shows the picture dialog with the current picture settings; after OK
    // takes over its answer (revolutions outside 2..20 become 5.0), writes the picture settings
    // (with the star size and port), loads the pictures and lays the centre area out again.
    // Cancel changes nothing.
    void OnChoosePictures();
    // The picture settings as the dialog shows them.
    PictureChoice CurrentPictureChoice() const;

    // Loads the background and rotor pictures (or the built-in pair) and checks the pivots.
    void LoadPictures();

    // Writes "StarSize" and "ComPort" to the settings (done by the destructor).
    void StoreSettings() const;

    // ---- Settings (read from the store at construction) -----------------------------------
    // Written by the window thread (construction, commands, the picture dialog). m_ComPort is
    // read by the remote-control thread (relaxed: a port change takes effect on its next pass);
    // m_StepCount and m_TurnCount are read by spins on either thread and guarded by the lock;
    // the rest is the window thread's alone.
    int m_StarSize = 0;             // star-size preset 0..3 (other values behave as 0)
    std::atomic<int> m_ComPort{0};  // zero-based serial port of the remote box; read by its thread
    std::string m_ImagePath;        // background picture file
    std::string m_RotorPath;        // rotor picture file
    int m_ImageX = 0, m_ImageY = 0; // rotor pivot on the background, background pixels
    int m_RotorX = 0, m_RotorY = 0; // pivot of the rotor picture, rotor pixels
    InputGuarded<int> m_StepCount{6};         // sections of the circle, 2..12
    int m_StepStart = 0;            // rotation offset of the drawn rotor, 1/131072 turn
    InputGuarded<double> m_TurnCount{5.0};    // turns of a full-strength spin, 2..20

    // ---- Layout (back-buffer pixels) ------------------------------------------------------
    // Written and read by the window thread (OnSize, the frame step), except m_Angle, which a
    // spin reads as its start angle on either thread (relaxed: the angle of some recent frame).
    int m_Width = 0, m_Height = 0;
    int m_BordersDrawn = 0;
    int m_LayoutValid = 0;
    int m_RotorOverhang = 0;
    int m_BackgroundX = 0, m_BackgroundY = 0;
    int m_ScaleNum = 1, m_ScaleDen = 1;
    int m_PivotScreenX = 0, m_PivotScreenY = 0;
    int m_RotorPivotX = 0, m_RotorPivotY = 0;
    std::atomic<int> m_Angle{0};  // current rotor angle, whole degrees 0..359 (read by spins)
    int m_DrawnAngle = -1;   // angle as last drawn; -1 forces a redraw
    Rect m_RotorRect;
    int m_CursorMode = 0;
    Rect m_CursorRect;

    // ---- Stars and bars -------------------------------------------------------------------
    // The window thread's (commands, frame step). m_BarHeight is also read by a spin starting
    // on the remote thread and by BarValue under the lock (relaxed). m_BarMode is written only
    // under the lock.
    std::uint8_t m_Stars[2] = {0, 0};
    std::atomic<int> m_BarHeight[2] = {0, 0};  // as last drawn (read by spins and BarValue)
    std::uint8_t m_StarDrawn[64];  // 2 x slot + player; 0 unlit, 1 lit, 0xFF not yet drawn
    int m_StarColumns = 1;
    int m_StarLimit = 8;
    int m_ColumnWidth = 136;
    int m_StarCellHeight = 136;
    int m_BarMode = 0;  // 0 bars follow the game, 1 hidden, 2 frozen

    // ---- The current spin (written by StartSpin) -------------------------------------------
    // Written only under the game input lock, on either thread; read under it, or by the window
    // thread (tests and tools) while no other thread plays.
    std::uint32_t m_PressStart = 0;  // press time while charging; release time after StartSpin
    double m_Strength = 0.0;         // 0..1
    double m_Turns = 0.0;            // turns the spin travels
    double m_Duration = 0.0;         // deceleration phase, seconds
    int m_DurationMs = 0;            // m_Duration x 1000, truncated
    std::uint32_t m_SpinEnd = 0;     // m_PressStart + m_DurationMs
    int m_StartAngle = 0;            // m_Angle when the spin began
    int m_ReleaseBar = 0;            // spinning player's bar height when the spin began

    // ---- Input timing and threads ---------------------------------------------------------
    // m_LastBell: under the lock. m_KeyDown: the window thread's. The flags: see their comments.
    std::uint32_t m_LastBell[2] = {0, 0};  // when the bell last rang for each player
    std::uint32_t m_KeyDown[2] = {0, 0};   // F7/F8 press passed on; 0 while up
    std::atomic<int> m_RemoteTimeOffset{0};  // kept by the remote-control thread
    std::atomic<int> m_RemoteStop{0};        // stop request to the remote-control thread
    std::atomic<int> m_RemoteDone{0};        // its end signal (release; owner loads acquire)
    std::atomic<int> m_AudioRun{0};          // run flag of the mixing thread
    std::atomic<int> m_AudioDone{0};         // its end signal (release; owner loads acquire)

    // ---- Pictures (window thread) ---------------------------------------------------------
    RasterImage m_StarLarge, m_StarMedium, m_StarSmall;  // bitmaps 149, 150, 151
    RasterImage m_StarImage;        // the star of the current preset
    RasterImage m_Background;       // background as loaded
    RasterImage m_Rotor;            // rotor as loaded
    RasterImage m_ScaledBackground; // fitted to the centre area
    RasterImage m_ScaledRotor;      // scaled by the same ratio, 32-bit with alpha
    RotorCache m_RotorCache;        // turned copies of m_ScaledRotor, one per whole degree
    int m_CustomPictures = 0;       // the user's own two pictures are in use
    unsigned m_PicturesLoaded = 0;  // counts LoadPictures runs; the layout rebuilds on a change
    unsigned m_PicturesBuilt = ~0u; // m_PicturesLoaded when the scaled pictures were built

    // The view's only child window, which shows the back buffer every frame draws into. Its
    // invalidations go to the installed window system (InvalidatePicture, RedrawPicture).
    PictureWindow m_PictureWindow;

    // ---- Worker threads (started by OnCreate, ended by OnDestroy and the destructor) -------
    WorkerThread m_RemoteThread;
    WorkerThread m_MixerThread;

private:
    // The bodies of the operations above; the lock proves the caller holds m_InputLock.
    void ButtonDownLocked(const GameInputLock&, int player, std::uint32_t time, std::uint32_t now);
    void StartSpinLocked(const GameInputLock&, int player, std::uint32_t time, bool fromStart,
                         const int* randomDraw);
    void StartCharge(const GameInputLock&, int player, std::uint32_t time);
    void RingBell(const GameInputLock&, int player, std::uint32_t now);
    SpinAngle MotionLaw(const GameInputLock&, std::uint32_t now) const;

    // Frame step pieces (FrameStep.cpp).
    void DrawBarsAndStars(int player, std::uint32_t now);
    void DrawSeparators();
    void LayOut();
    void DrawRotor(bool laidOut);
    void Invalidate(int x, int y, int width, int height);

    // Connects m_PictureWindow to CurrentWindowSystem().
    class WindowSystemPictureHost final : public PictureWindowHost {
    public:
        void InvalidateWindow(const Rect& windowRect, bool erase) override;
        void RedrawNow() override;
        void SetScrollBar(bool, bool, bool, int, int, int) override {}
        void PostToSelf(int command) override;
    };
    WindowSystemPictureHost m_PictureHost;
    bool m_Created = false;  // OnCreate ran to its end
    double m_PixelRatio = 1.0;

    mutable std::mutex m_InputLock;  // the game input lock (see the top of this file)
};

}  // namespace wirbelix
