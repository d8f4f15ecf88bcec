// The small button pictures, drawn pixel by pixel in the 16 standard colours on the button face
// colour 0xC0C0C0, which the toolbar and the icon buttons treat as transparent:
//   bitmap-128.dib  the toolbar, 80 x 15: five 16 x 15 cells, left to right full-screen zoom,
//                   keep the window in the foreground, stop the pointer, start, about;
//   bitmap-139.dib  the browse button of the picture dialog, 16 x 15: a folder.
#include "BitmapWriter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace gen;

// The 16 standard colours in their usual order; index 7 is the button face.
const std::vector<std::uint32_t> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

int IndexOf(char c) {
    switch (c) {
        case 'k': return 0;   // black
        case 'R': return 1;   // dark red
        case 'G': return 2;   // dark green
        case 'o': return 3;   // olive
        case 'b': return 4;   // dark blue
        case 't': return 6;   // dark cyan
        case '.': return 7;   // button face
        case 'g': return 8;   // grey
        case 'r': return 9;   // red
        case 'l': return 10;  // light green
        case 'y': return 11;  // yellow
        case 'B': return 12;  // blue
        case 'c': return 14;  // cyan
        case 'w': return 15;  // white
    }
    return -1;
}

constexpr int kCellW = 16, kCellH = 15;

// Full-screen zoom: a screen with arrows pointing out to its four corners.
const char* const kZoom[kCellH] = {
    "................",
    "kkkkkkkkkkkkkkkk",
    "kBBBBBBBBBBBBBBk",
    "kBwwwBBBBBBwwwBk",
    "kBwwBBBBBBBBwwBk",
    "kBwBwBBBBBBwBwBk",
    "kBBBBwBBBBwBBBBk",
    "kBBBBBBBBBBBBBBk",
    "kBBBBwBBBBwBBBBk",
    "kBwBwBBBBBBwBwBk",
    "kBwwBBBBBBBBwwBk",
    "kBwwwBBBBBBwwwBk",
    "kBBBBBBBBBBBBBBk",
    "kkkkkkkkkkkkkkkk",
    "................",
};

// Keep the window in the foreground: a red push pin.
const char* const kPin[kCellH] = {
    "................",
    ".......kkkk.....",
    "......krrwrk....",
    "......krrrRk....",
    "......krrrRk....",
    ".......krRk.....",
    ".......krRk.....",
    ".....kkrrrRkk...",
    "....krrrrrrrRk..",
    ".....kkkkkkkk...",
    "........gk......",
    "........gk......",
    "........gk......",
    "........k.......",
    "................",
};

// Stop the pointer: a red stop sign with a white bar.
const char* const kStop[kCellH] = {
    "................",
    ".....kkkkkk.....",
    "....krrrrrrk....",
    "...krrrrrrrRk...",
    "..krrrrrrrrrRk..",
    "..krrrrrrrrrRk..",
    "..krwwwwwwwwRk..",
    "..krwwwwwwwwRk..",
    "..krrrrrrrrrRk..",
    "..krrrrrrrrrRk..",
    "...kRrrrrrrRk...",
    "....kRRRRRRk....",
    ".....kkkkkk.....",
    "................",
    "................",
};

// Start: a green play triangle.
const char* const kStart[kCellH] = {
    "................",
    ".....kk.........",
    ".....klk........",
    ".....kllk.......",
    ".....klllk......",
    ".....kllllk.....",
    ".....klllllk....",
    ".....kllllllk...",
    ".....klllllGk...",
    ".....kllllGk....",
    ".....klllGk.....",
    ".....kllGk......",
    ".....klGk.......",
    ".....kkk........",
    "................",
};

// About: a blue disc with a white letter i.
const char* const kAbout[kCellH] = {
    ".....kkkkkk.....",
    "...kkBBBBBBkk...",
    "..kBBBBwwBBBBk..",
    ".kBBBBBwwBBBBBk.",
    ".kBBBBBBBBBBBBk.",
    "kBBBBBwwwBBBBBbk",
    "kBBBBBBwwBBBBBbk",
    "kBBBBBBwwBBBBBbk",
    "kBBBBBBwwBBBBBbk",
    "kBBBBBBwwBBBBBbk",
    ".kBBBBwwwwBBBbk.",
    ".kBBBBBBBBBBBbk.",
    "..kbBBBBBBBBbk..",
    "...kkbbbbbbkk...",
    ".....kkkkkk.....",
};

// Browse: a yellow folder.
const char* const kFolder[kCellH] = {
    "................",
    "................",
    "..kkkkk.........",
    ".kwyyyyk........",
    "kwyyyyyykkkkkkk.",
    "kwwwwwwwwwwwwyok",
    "kwyyyyyyyyyyyyok",
    "kwyyyyyyyyyyyyok",
    "kwyyyyyyyyyyyyok",
    "kwyyyyyyyyyyyyok",
    "kwyyyyyyyyyyyyok",
    "kwyyyyyyyyyyyyok",
    "kooooooooooooook",
    ".kkkkkkkkkkkkkk.",
    "................",
};

// Copies a cell into the picture at column x0; false (with a message) on a malformed cell.
bool PutCell(std::vector<std::uint8_t>& indices, int width, int x0, const char* const cell[kCellH],
             const char* name) {
    for (int y = 0; y < kCellH; ++y) {
        std::string row = cell[y];
        if (row.size() != kCellW) {
            std::fprintf(stderr, "%s: row %d has %zu pixels\n", name, y, row.size());
            return false;
        }
        for (int x = 0; x < kCellW; ++x) {
            int i = IndexOf(row[x]);
            if (i < 0) {
                std::fprintf(stderr, "%s: unknown colour '%c'\n", name, row[x]);
                return false;
            }
            indices[static_cast<std::size_t>(y) * width + x0 + x] = static_cast<std::uint8_t>(i);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    const int toolbarW = 5 * kCellW;
    std::vector<std::uint8_t> toolbar(static_cast<std::size_t>(toolbarW) * kCellH, 7);
    const char* const* cells[5] = {kZoom, kPin, kStop, kStart, kAbout};
    const char* names[5] = {"zoom", "pin", "stop", "start", "about"};
    for (int i = 0; i < 5; ++i)
        if (!PutCell(toolbar, toolbarW, i * kCellW, cells[i], names[i])) return 1;
    std::vector<std::uint8_t> folder(static_cast<std::size_t>(kCellW) * kCellH, 7);
    if (!PutCell(folder, kCellW, 0, kFolder, "folder")) return 1;
    bool ok = WriteFile(dir, "bitmap-128.dib", DibIndexed(toolbarW, kCellH, 4, kPalette, toolbar)) &&
              WriteFile(dir, "bitmap-139.dib", DibIndexed(kCellW, kCellH, 4, kPalette, folder));
    return ok ? 0 : 1;
}
