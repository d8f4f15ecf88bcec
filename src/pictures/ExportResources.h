// Writing the built-in pictures and sounds out as ordinary files, so that they can be looked
// at and listened to (`wirbelix --export-resources DIR`).
//
// Files, each named after its resource:
//   BITMAP n   bitmap-n.bmp (the embedded bitmap with a file header added) and bitmap-n.png
//   ICON n     icon-n.ico (as embedded) and icon-n.png (its largest picture)
//   WAVE NAME  NAME.wav (as embedded)
//   others     type-name.bin (as embedded)
//
// Everything here runs on the calling thread and touches only the given folder.
#pragma once

#include <string>

namespace wirbelix {

// Writes every embedded resource into folder dir, which is created if needed. Returns false
// and a message in error when a file cannot be written or a picture cannot be read; the files
// written before stay.
bool ExportResourcesTo(const std::string& dir, std::string& error);

// The console command: argv[0] is the option, argv[1] the folder. Prints what it wrote or why
// it failed; returns the process exit code.
int ExportResourcesCommand(int argc, char** argv);

}  // namespace wirbelix
