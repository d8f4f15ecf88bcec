// The main window's menu and toolbar, as command numbers of the command table (0 marks a
// separator). The texts, keys, prompts and tooltips of each command are in CommandTable.h.
#pragma once

#include <span>

#include "game/CommandTable.h"

namespace wirbelix {

struct MenuPopup {
    const char* title;       // with its mnemonic '&'
    std::span<const int> items;
};

// The popups of the menu bar, left to right.
std::span<const MenuPopup> MainMenu();

// The toolbar's buttons, left to right.
std::span<const int> ToolbarButtons();
// The picture cell (0-based, 16 x 15 pixels, left to right in bitmap kToolbarBitmap) of a
// toolbar command, or -1 for a command without a button.
int ToolbarImageOf(int command);

inline constexpr int kToolbarBitmap = 128;
inline constexpr int kToolbarImageWidth = 16;
inline constexpr int kToolbarImageHeight = 15;

}  // namespace wirbelix
