#include "shell/MainMenu.h"


namespace wirbelix {

namespace {

constexpr int kFile[] = {cmd::kExit};
constexpr int kEdit[] = {cmd::kStarsUp0,     cmd::kStarsUp1, cmd::kStarsDown0,     cmd::kStarsDown1, 0,
                         cmd::kStart,        cmd::kStopPointer, 0,                 cmd::kChooseComPort,
                         cmd::kChoosePictures};
constexpr int kView[] = {cmd::kFlatToolbar, cmd::kFixWindow,   cmd::kToolbar,    cmd::kStatusBar, 0,
                         cmd::kSmallStars,  cmd::kMediumStars, cmd::kLargeStars, cmd::kTwoRows};
constexpr int kHelp[] = {cmd::kAbout, cmd::kKeyAssignment};

constexpr MenuPopup kMenu[] = {
    {"&Datei", kFile},
    {"&Bearbeiten", kEdit},
    {"&Ansicht", kView},
    {"&?", kHelp},
};

constexpr int kToolbar[] = {cmd::kZoom, cmd::kFixWindow, 0, cmd::kStopPointer, cmd::kStart, 0, cmd::kAbout};

}  // namespace

std::span<const MenuPopup> MainMenu() { return kMenu; }

std::span<const int> ToolbarButtons() { return kToolbar; }

int ToolbarImageOf(int command) {
    if (command == 0) return -1;
    int cell = 0;
    for (int id : kToolbar) {
        if (id == 0) continue;
        if (id == command) return cell;
        ++cell;
    }
    return -1;
}

}  // namespace wirbelix
