// SIGTERM, SIGINT and SIGHUP end the program as closing its main window does: the signal
// handler only writes a byte into a socket pair; the window thread reads it and closes the
// window, so the whole shut-down order runs (settings stored, threads ended, the sound device
// closed) and the program exits with status 0.
//
// A signal that arrives while the program is still starting waits until the event loop runs
// and then closes the window all the same.
//
// Thread contract: window thread; CatchTerminationSignals once, as early as possible (right
// after the application object exists), CloseOnTerminationSignals once the window exists.
#pragma once

class QWidget;

namespace wirbelix {

// Catches the three signals from now on. False when they cannot be caught (the program then
// ends by the system's default action).
bool CatchTerminationSignals();

// Closes window when one of the signals has arrived or arrives.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace wirbelix
