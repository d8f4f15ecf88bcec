// The program's commands, declared once: for each command number its menu text, keys, status
// prompt and tooltip, and who handles it. The view's dispatch, the remote box's buttons, the
// main frame's menu, toolbar and accelerators and the control bus all read this table.
//
// Keys are virtual-key numbers (F1 = 0x70 ... F10 = 0x79, letters as upper-case ASCII) with
// modifier bits; the window system's adapter maps them to its own key codes.
//
// Thread contract: the table is constant; FindCommand may be called from any thread. The
// handlers run on the window thread.
#pragma once

#include <span>
#include <string_view>

namespace wirbelix {

class CWirbelixView;

// ---- Command numbers ------------------------------------------------------------------------
namespace cmd {
inline constexpr int kFlatToolbar = 32772;
inline constexpr int kFixWindow = 32771;
inline constexpr int kZoom = 32802;
inline constexpr int kStart = 32809;
inline constexpr int kStopPointer = 32813;
inline constexpr int kSmallStars = 32815;
inline constexpr int kMediumStars = 32816;
inline constexpr int kLargeStars = 32817;
inline constexpr int kChooseComPort = 32818;
inline constexpr int kStarsUp0 = 33034;
inline constexpr int kStarsUp1 = 33035;
inline constexpr int kStarsDown0 = 33036;
inline constexpr int kStarsDown1 = 33037;
inline constexpr int kKeyAssignment = 33042;
inline constexpr int kChoosePictures = 33048;
inline constexpr int kTwoRows = 33051;
inline constexpr int kSave = 57603;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kToolbar = 59392;
inline constexpr int kStatusBar = 59393;
// The picture window's own command: a suspension of its resizing has ended.
inline constexpr int kPictureResume = 27014;
}  // namespace cmd

// Virtual-key numbers and modifier bits.
namespace vk {
inline constexpr int kF1 = 0x70, kF2 = 0x71, kF3 = 0x72, kF4 = 0x73, kF5 = 0x74, kF6 = 0x75;
inline constexpr int kF7 = 0x76, kF8 = 0x77, kF9 = 0x78, kF10 = 0x79;
inline constexpr int kBack = 0x08, kInsert = 0x2D, kDelete = 0x2E;
inline constexpr int kCtrl = 0x10000, kShift = 0x20000, kAlt = 0x40000;
}  // namespace vk

// Who carries out a command.
enum class CommandTarget { View, Frame, Application, Document };

struct CommandInfo {
    int id;
    // The menu text with its mnemonic '&' and, after a tab, the shown shortcut; null for a
    // command that is not in the menu.
    const char* menuText;
    // Status-bar prompt and tooltip separated by a line feed; null when there is none.
    const char* text;
    int keys[2];  // accelerator keys (0: none)
    CommandTarget target;
    // The view's handler (target View), null otherwise.
    void (*handler)(CWirbelixView& view);
    // The view's check-mark rule: 1 checked, 0 not; null for commands without a check mark.
    int (*checked)(const CWirbelixView& view);
};

// Every command, in the order of the menu.
std::span<const CommandInfo> Commands();
// The command with this number, or null.
const CommandInfo* FindCommand(int id);

// The status-bar prompt of a command (the text before the line feed; empty if none).
std::string_view CommandPrompt(const CommandInfo& info);
// The tooltip of a command (the text after the line feed; empty if none).
std::string_view CommandToolTip(const CommandInfo& info);

// Accelerator keys that have no effect (copy, paste, cut, undo and two more), with the
// commands they carry, which nobody handles.
struct InertKey {
    int key;
    int command;
};
std::span<const InertKey> InertKeys();

// The status texts of the frame.
namespace texts {
inline constexpr char kReady[] = "Bereit";
inline constexpr char kCapsLock[] = "UF";
inline constexpr char kNumLock[] = "NUM";
inline constexpr char kScrollLock[] = "RF";
}  // namespace texts

}  // namespace wirbelix
