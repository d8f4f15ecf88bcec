// CWirbelixApp: the program's start and end with its window. In order: the application object
// (its name, the termination signals, the icon), the window system, the document and the main
// frame with the game view; the frame is shown, each "-z" switch posts the zoom command once,
// and the event loop runs. At the end the frame goes (placement stored, the view's threads
// ended and its settings stored, then the frame's own settings) and the recent-file list is
// written.
//
// Thread contract: the main thread, once.
#pragma once

namespace wirbelix {

// Runs the game window until it is closed; the program's exit status.
int RunApplication(int argc, char** argv);

}  // namespace wirbelix
