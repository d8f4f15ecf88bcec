// The rules of the small pictures on push buttons (the Qt side is ui/qt/ButtonBitmap): the
// light grey that is transparent, and the greyed copy a disabled button shows.
//
// Thread contract: plain functions; any thread, on images the caller owns.
#pragma once

#include <cstdint>

namespace wirbelix {

class RasterImage;

// The colour of a button picture that shows the button's face instead.
inline constexpr std::uint32_t kButtonMaskColour = 0xC0C0C0;

// The disabled look of one colour word (0xAARRGGBB): the mask colour stays; any other colour
// becomes the grey g' in all three channels, where g = (blue x 29 + red x 76 + green x 152) /
// 256 and g' = (g + 579) / 4 above 192, 191 at 192 and g / 4 + 144 below, so disabled pictures
// use the light greys 144..208. Bits 24-31 are kept.
std::uint32_t GreyedColour(std::uint32_t colour);

// greyed becomes a copy of source with GreyedColour applied to every pixel of a 24- or 32-bit
// picture, or to every palette entry of an indexed one; pictures of other depths are copied
// unchanged. Answers false (greyed empty) for an empty source or when the copy fails.
bool MakeGreyedCopy(const RasterImage& source, RasterImage& greyed);

}  // namespace wirbelix
