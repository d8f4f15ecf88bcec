// SIGTERM, SIGINT and SIGHUP end the program as closing its main window does: the signal
// handler only writes a byte into a socket pair; the window thread reads it and closes the
// window, so the whole shut-down order runs (settings stored, threads ended, the sound device
// closed) and the program exits with status 0.
//
// Thread contract: call once on the window thread after the main window exists.
#pragma once

class QWidget;

namespace wirbelix {

// Closes window when one of the three signals arrives. False when the signals cannot be
// caught (the program then ends by the system's default action, as before).
bool CloseOnTerminationSignals(QWidget* window);

}  // namespace wirbelix
