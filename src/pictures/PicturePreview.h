// The picture dialog's preview: the background with the rotor placed on it as the game will
// show it (scaled by the same rule, the rotor turned by the offset about the pivots), with the
// section boundaries drawn over it, and the rotor alone with its pivot marked. Clicks on the
// previews map back to picture pixels.
//
// The pivots are checked as the game checks them when it loads the pictures (outside
// 1..size-1 they become the middle), so the preview shows where the rotor will really be.
// The section boundaries assume the rotor picture points up from its pivot: at rest the rotor
// points to the middle of a section, the boundaries lie half a section to either side.
//
// Thread contract: plain functions on images the caller owns; any thread.
#pragma once

#include <cstdint>

#include "platform/WindowSystem.h"

namespace wirbelix {

class RasterImage;

// Colours drawn over the preview (0xRRGGBB).
inline constexpr std::uint32_t kPreviewBoundaryColour = 0xFFFF00;
inline constexpr std::uint32_t kPreviewPivotColour = 0xFF0000;

// How a picture is shown fitted into an area (the game's centre area or a preview): shown
// pixels = picture pixels x num / den.
struct PictureFit {
    int num = 1, den = 1;
    int width = 0, height = 0;  // the picture's size in the preview
};

// Fits a width x height picture into maxWidth x maxHeight as the game fits the background into
// its window: only ever reduced, proportions kept. A zero size gives an empty frame.
PictureFit FitPicture(std::uint32_t width, std::uint32_t height, int maxWidth, int maxHeight);

// The picture pixel under a preview pixel.
Point PreviewToPicture(const PictureFit& frame, Point preview);

// A pivot as the game uses it for a picture of this size: outside 1..size-1 the middle.
int CheckedPivot(int pivot, std::uint32_t size);

// Draws the background (fitted into maxWidth x maxHeight) with the rotor (may be null or
// empty: then without it) turned by choice.offset about the pivots, and choice.sections
// boundary lines from the background pivot, into out (32-bit, the fitted size). Answers false
// (out empty) without a background or room.
bool RenderPicturePreview(const RasterImage& background, const RasterImage* rotor, const PictureChoice& choice,
                          int maxWidth, int maxHeight, RasterImage& out, PictureFit* frame = nullptr);

// Draws the rotor alone, fitted into maxWidth x maxHeight, with a cross at its pivot (checked
// as above). Answers false (out empty) without a rotor or room.
bool RenderRotorPreview(const RasterImage& rotor, Point pivot, int maxWidth, int maxHeight, RasterImage& out,
                        PictureFit* frame = nullptr);

}  // namespace wirbelix
