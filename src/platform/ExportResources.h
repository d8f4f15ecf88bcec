// Writing the built-in pictures and sounds out as ordinary files, so that they can be looked
// at and listened to (`wirbelix --export-resources DIR`), and the small bitmap decoder that
// this needs.
//
// Files, each named after its resource:
//   BITMAP n   bitmap-n.bmp (the embedded bitmap with a file header added) and bitmap-n.png
//   ICON n     icon-n.ico (as embedded) and icon-n.png (its largest picture)
//   WAVE NAME  NAME.wav (as embedded)
//   others     type-name.bin (as embedded)
//
// Everything here runs on the calling thread and touches only the given folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ResourceTable.h"

namespace wirbelix {

// A decoded picture: width x height pixels of red, green, blue, alpha, top row first.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// The largest width or height that DecodeDib accepts.
constexpr int kMaxDibSide = 4096;

// Decodes a device-independent bitmap without file header (40-byte information header):
// 1, 4 or 8 bits uncompressed, 8 bits RLE8, 24 or 32 bits. A 32-bit bitmap keeps its fourth byte
// as alpha, unless every pixel has alpha 0, which then means opaque; all other depths are
// opaque. With iconRows > 0 the header's height is ignored and iconRows rows are read, followed
// by the AND mask of an icon picture, which makes its set pixels transparent. Returns false for
// anything malformed (sizes, palette, a run past a row or a missing end code).
bool DecodeDib(ResourceBytes dib, DecodedPicture& out, int iconRows = 0);

// Writes every embedded resource into folder dir, which is created if needed. Returns false
// and a message in error when a file cannot be written or a picture cannot be decoded; the
// files written before stay.
bool ExportResourcesTo(const std::string& dir, std::string& error);

// The console command: argv[0] is the option, argv[1] the folder. Prints what it wrote or why
// it failed; returns the process exit code.
int ExportResourcesCommand(int argc, char** argv);

}  // namespace wirbelix
