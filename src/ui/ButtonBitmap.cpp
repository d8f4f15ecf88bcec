#include "ui/ButtonBitmap.h"

#include "pictures/RasterImage.h"

namespace wirbelix {

std::uint32_t GreyedColour(std::uint32_t colour) {
    if ((colour & 0xFFFFFF) == kButtonMaskColour) return colour;
    const std::uint32_t blue = colour & 0xFF, green = (colour >> 8) & 0xFF, red = (colour >> 16) & 0xFF;
    const std::uint32_t g = (blue * 29 + red * 76 + green * 152) / 256;
    const std::uint32_t grey = g > 192 ? (g + 579) / 4 : g == 192 ? 191 : g / 4 + 144;
    return (colour & 0xFF000000u) | grey << 16 | grey << 8 | grey;
}

bool MakeGreyedCopy(const RasterImage& source, RasterImage& greyed) {
    if (source.empty() || !greyed.Copy(source)) {
        greyed.Clear();
        return false;
    }
    const std::uint32_t depth = greyed.bitsPerPixel();
    if (depth <= 8) {
        for (std::uint32_t i = 0; i < greyed.paletteCount(); ++i)
            greyed.SetPaletteEntry(i, GreyedColour(greyed.palette()[i]));
    } else if (depth == 24 || depth == 32) {
        for (std::uint32_t y = 0; y < greyed.height(); ++y)
            for (std::uint32_t x = 0; x < greyed.width(); ++x)
                greyed.SetPixel(x, y, GreyedColour(greyed.GetPixel(x, y)));
    }
    return true;
}

}  // namespace wirbelix
