// The command-line options that do their work without a window (print the settings, simulate
// spins, inspect a picture, export the built-in resources) and exit.
#pragma once

#include <optional>

namespace wirbelix {

// When argv[1] names a console command, runs it and returns its exit code; otherwise returns
// nothing and the program starts its window as usual.
std::optional<int> RunConsoleCommand(int argc, char** argv);

}  // namespace wirbelix
