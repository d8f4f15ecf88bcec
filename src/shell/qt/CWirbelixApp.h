// CWirbelixApp: the program's start and end with its window. In order: the application object
// (its name, the termination signals, the icon), the window system, the document and the main
// frame with the game view; the frame is shown, each "-z" switch posts the zoom command once,
// the frame's door on the session bus opens (ControlBus.h), and the event loop runs. At the
// end the frame goes (placement stored, the view's threads ended and its settings stored, then
// the frame's own settings), the recent-file list is written and last the bus name is given up.
//
// Thread contract: the main thread, once.
#pragma once

namespace wirbelix {

// Runs the game window until it is closed; the program's exit status.
int RunApplication(int argc, char** argv);

}  // namespace wirbelix
