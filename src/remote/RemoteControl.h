// RemoteControl: the thread that reads the remote-control box and turns its lines into game
// input.
//
// The box has eight buttons and sends one line per button event at 9600 baud, 8N1 (framing:
// RemoteLineParser.h). The thread keeps the port chosen in the view (m_ComPort) open, reads
// and frames the lines, converts the box's time stamps into local tick time, suppresses
// bounces and acts on each accepted line:
// - buttons 0 and 1 ('D' and 'U') call the game's press and release directly on this thread
//   with the converted box time, so the hold time measured by the box decides the spin, not
//   the latency of the line;
// - buttons 2..7 ('U' only) post their commands (kRemoteButtonCommands) to the window thread
//   through CurrentWindowSystem()->PostCommand, so they run like the menu items and keys.
//
// Clock offset: local time minus box time, kept in the view's m_RemoteTimeOffset (0 means not
// yet set). It is set from GetTickCount() by the first line ever evaluated, whatever its
// letter, and again by every 'S' line of buttons 0..3; 'S' lines of buttons 4..7 set it only
// while it is 0.
//
// Debounce: per button and event kind, a line whose local time is 0..100 ms (inclusive, as a
// signed 32-bit difference) after the last accepted line of the same kind is dropped; a line
// that is earlier than the last accepted one (after a resynchronisation or a wrap of the box
// clock) is accepted.
//
// Port handling: when m_ComPort changes or the open port stops answering (or a read fails),
// the port is closed and opened anew; while it cannot be opened the open is retried every
// 200 ms. Bytes already received stay in the buffer across a change of port. Nothing is
// reported to the user.
//
// Stop handshake: the owner sets m_RemoteStop and polls m_RemoteDone every 50 ms
// (StopRemoteControl). The thread checks the stop flag between passes and while it sleeps,
// so it ends within about 100 ms (its longest wait for data), closes its port and sets
// m_RemoteDone as its last act.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "game/CommandTable.h"
#include "remote/RemoteLineParser.h"

namespace wirbelix {

class CWirbelixView;
class WorkerThread;

// Line settings of the box: 9600 baud, no parity, one stop bit, 8 data bits, no handshake,
// DTR and RTS off.
inline constexpr std::uint32_t kRemoteBaud = 9600;

// The time after an accepted line of the same button and kind within which a line counts as
// a bounce, ms (inclusive).
inline constexpr std::uint32_t kRemoteBounceMs = 100;

// How often a missing port is tried again, ms.
inline constexpr int kRemoteReopenMs = 200;

// How long one pass waits for received bytes, ms.
inline constexpr int kRemoteWaitMs = 100;

// The commands that buttons 2..7 post when released (0: the button is a player's).
inline constexpr int kRemoteButtonCommands[8] = {
    0,                  // button 0: first player's button
    0,                  // button 1: second player's button
    cmd::kStart,        // "Starte\tF5"
    cmd::kStopPointer,  // "Zeiger anhalten\tF6"
    cmd::kStarsDown0,   // "Erster Spieler -\tF3"
    cmd::kStarsUp0,     // "Erster Spieler +\tF1"
    cmd::kStarsDown1,   // "Zweiter Spieler -\tF4"
    cmd::kStarsUp1,     // "Zweiter Spieler +\tF2"
};

// Local time of the last accepted 'D' line of buttons 0 and 1 and of the last accepted 'U'
// line of buttons 0..7. Process-wide, 0 at start; ResetRemoteWords returns them to 0 (a new
// view does, before its thread starts). Written and read by the
// remote-control thread only (atomic so that tests may look at them).
extern std::atomic<std::uint32_t> g_remoteLastDown[2];
extern std::atomic<std::uint32_t> g_remoteLastUp[8];
void ResetRemoteWords();

// What one evaluated line asks for.
struct RemoteAction {
    enum class Kind { None, ButtonDown, ButtonUp, Command };
    Kind kind = Kind::None;
    int player = 0;           // ButtonDown, ButtonUp: 0 or 1
    std::uint32_t time = 0;   // ButtonDown, ButtonUp: local tick time of the event
    int command = 0;          // Command: the command number
};

// Applies the clock offset rule (reading GetTickCount), converts the box time and applies the
// debounce rule to one framed line, updating timeOffset and the debounce words. Returns what
// the line asks for; nothing for 'S' lines, 'D' lines of buttons 2..7, lines of buttons above
// 7 and bounces. Remote-control thread only.
RemoteAction EvaluateRemoteLine(const RemoteLine& line, std::atomic<int>& timeOffset);

// What the thread works on: the view's shared words and its two game operations.
struct RemoteTarget {
    std::atomic<int>& comPort;     // port index to keep open; read once per pass
    std::atomic<int>& timeOffset;  // the clock offset, kept by the thread
    std::atomic<int>& stop;        // set by the owner (acquire load)
    std::atomic<int>& done;        // set by the thread as its last act (release store)
    std::function<void(int player, std::uint32_t time)> buttonDown;
    std::function<void(int player, std::uint32_t time)> buttonUp;
};

// The thread body over a target. Returns 0 after the stop request.
int RunRemoteControl(const RemoteTarget& target);

// The thread body for the game view: buttons 0 and 1 call view.PlayerButtonDown(player, t)
// and view.StartSpin(player, t, false). Returns 0.
int RemoteControl(CWirbelixView& view);

// Starts RemoteControl(view) on thread with a 32 768-byte stack at normal priority. When the
// system refuses the thread, m_RemoteDone is set at once (so the stop handshake does not wait
// for a thread that never ran) and false is returned. Window thread.
bool StartRemoteControl(WorkerThread& thread, CWirbelixView& view);

// The owner's side of the stop handshake: unless the done flag is already set, sets the stop
// flag and sleeps 50 ms, repeated until the thread has set its done flag. Window thread.
void StopRemoteControl(std::atomic<int>& stop, std::atomic<int>& done);
void StopRemoteControl(CWirbelixView& view);

}  // namespace wirbelix
