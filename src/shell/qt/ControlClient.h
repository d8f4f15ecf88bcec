// The command-line client of the control bus: the same program, started with one of these
// switches, talks to the copies already running on the user's session bus and exits.
//
//   wirbelix --list                                  one line per copy: bus name, process id
//   wirbelix --quit [NAME]                           ends a copy as "&Beenden" and waits for it
//   wirbelix --status-text TEXT [--pane N] [NAME]    sets a status-bar pane's text (pane 0 default)
//   wirbelix --peer-text NAME                        prints the peer text NAME last received
//   wirbelix --send-path NAME PEER                   NAME sends its document path to PEER
//
// NAME is a copy's bus name or its process id; without NAME the copy that joined the bus first
// is meant. Exit status: 0 done; 1 no copy runs, the name is unknown or the copy did not do
// it; 2 wrong use; 3 no session bus. Messages are German, on standard output for results and
// on standard error for failures.
//
// Thread contract: the main thread, before any QApplication exists.
#pragma once

#include <optional>

namespace wirbelix {

// When argv[1] is one of the client's switches, runs it and returns the exit status.
std::optional<int> RunControlClient(int argc, char** argv);

}  // namespace wirbelix
