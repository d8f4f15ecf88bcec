// The start switches of the game window: each argument of the form "-z" or "/z" (either case)
// zooms the window to full screen once, right after it is shown. Only the first two characters
// count, so "-zoom" and "/Z" are zoom switches too; every other argument is ignored. Two zoom
// switches zoom in and back out again.
//
// The console options ("--settings", "--simulate", ...) are handled before the window starts;
// they are not zoom switches, since their second character is '-'.
//
// Thread contract: pure functions, any thread.
#pragma once

namespace wirbelix {

// Whether arg (zero-terminated, may be null) is a zoom switch.
bool IsZoomSwitch(const char* arg);

// The number of zoom switches among argv[1] .. argv[argc - 1]; argv[0], the program's name,
// never counts. The window posts the zoom command (cmd::kZoom) that many times after it is
// shown.
int CountZoomSwitches(int argc, const char* const* argv);

}  // namespace wirbelix
