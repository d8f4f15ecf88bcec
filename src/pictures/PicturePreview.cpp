#include "pictures/PicturePreview.h"

#include <cmath>
#include <numbers>

#include "pictures/RasterImage.h"

namespace wirbelix {

namespace {

void PutPixel(RasterImage& image, int x, int y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= static_cast<int>(image.width()) || y >= static_cast<int>(image.height())) return;
    image.SetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 0xFF000000u | colour);
}

// A line of length pixels from (x, y) in the direction degrees (counter-clockwise from the
// right, as the rotor turns), clipped to the image.
void DrawRay(RasterImage& image, int x, int y, double degrees, int length, std::uint32_t colour) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double dx = std::cos(a), dy = -std::sin(a);
    for (int i = 0; i <= length; ++i)
        PutPixel(image, x + static_cast<int>(std::lround(dx * i)), y + static_cast<int>(std::lround(dy * i)), colour);
}

void DrawCross(RasterImage& image, int x, int y, std::uint32_t colour) {
    for (int d = -4; d <= 4; ++d) {
        PutPixel(image, x + d, y, colour);
        PutPixel(image, x, y + d, colour);
    }
}

// The picture fitted into the frame as 32-bit pixels.
bool Scaled(const RasterImage& picture, const PictureFit& frame, RasterImage& out) {
    if (frame.width <= 0 || frame.height <= 0) return false;
    RasterImage scaled;
    if (!scaled.Resample(picture, frame.width, frame.height, RESAMPLE_SMOOTH | RESAMPLE_TO_32)) return false;
    return out.Create(32, frame.width, frame.height, 0xFF000000u) && out.Compose(scaled, 0, 0);
}

}  // namespace

PictureFit FitPicture(std::uint32_t width, std::uint32_t height, int maxWidth, int maxHeight) {
    PictureFit f;
    if (width == 0 || height == 0 || maxWidth <= 0 || maxHeight <= 0) return f;
    std::int64_t w = width, h = height;
    if (maxWidth < w) {
        h = h * maxWidth / w;
        w = maxWidth;
    }
    if (maxHeight < h) {
        w = w * maxHeight / h;
        h = maxHeight;
    }
    f.width = static_cast<int>(w);
    f.height = static_cast<int>(h);
    f.num = static_cast<int>(w > h ? w : h);
    f.den = static_cast<int>(w > h ? width : height);
    if (f.num <= 0) f.num = 1;
    if (f.den <= 0) f.den = 1;
    return f;
}

Point PreviewToPicture(const PictureFit& frame, Point preview) {
    if (frame.num <= 0) return {};
    return Point{static_cast<int>(std::int64_t(preview.x) * frame.den / frame.num),
                 static_cast<int>(std::int64_t(preview.y) * frame.den / frame.num)};
}

int CheckedPivot(int pivot, std::uint32_t size) {
    if (pivot < 1 || static_cast<std::int64_t>(pivot) > static_cast<std::int64_t>(size) - 1)
        return static_cast<int>(size / 2);
    return pivot;
}

bool RenderPicturePreview(const RasterImage& background, const RasterImage* rotor, const PictureChoice& choice,
                          int maxWidth, int maxHeight, RasterImage& out, PictureFit* frameOut) {
    out.Clear();
    const PictureFit f = FitPicture(background.width(), background.height(), maxWidth, maxHeight);
    if (frameOut) *frameOut = f;
    if (background.empty() || !Scaled(background, f, out)) {
        out.Clear();
        return false;
    }
    const std::int64_t num = f.num, den = f.den;
    const int pivotX = static_cast<int>(CheckedPivot(choice.imageX, background.width()) * num / den);
    const int pivotY = static_cast<int>(CheckedPivot(choice.imageY, background.height()) * num / den);

    if (rotor != nullptr && !rotor->empty()) {
        const auto rw = static_cast<int>(rotor->width() * num / den);
        const auto rh = static_cast<int>(rotor->height() * num / den);
        RasterImage scaled, turned;
        if (rw > 0 && rh > 0 && scaled.Resample(*rotor, rw, rh, RESAMPLE_SMOOTH | RESAMPLE_TO_32)) {
            MakeOpaqueUnlessAlpha(scaled, *rotor);  // as the game shows a pointer without alpha
            int px = static_cast<int>(CheckedPivot(choice.rotorX, rotor->width()) * num / den);
            int py = static_cast<int>(CheckedPivot(choice.rotorY, rotor->height()) * num / den);
            if (turned.Rotate(scaled, choice.offset, ROTATE_NEAREST, px, py, 0))
                out.BlendAt(turned, pivotX - px, pivotY - py);
        }
    }

    // The rotor at rest points to the middle of a section; the boundaries lie half a section
    // beside it. Offsets turn counter-clockwise, one unit being 360 / 131072 degrees.
    const int sections = choice.sections >= 2 && choice.sections <= 12 ? choice.sections : 6;
    const double rest = 90.0 + (choice.offset & 0x1FFFF) * (360.0 / 131072.0);
    const int length = f.width + f.height;
    for (int k = 0; k < sections; ++k)
        DrawRay(out, pivotX, pivotY, rest + (k + 0.5) * 360.0 / sections, length, kPreviewBoundaryColour);
    DrawCross(out, pivotX, pivotY, kPreviewPivotColour);
    return true;
}

bool RenderRotorPreview(const RasterImage& rotor, Point pivot, int maxWidth, int maxHeight, RasterImage& out,
                        PictureFit* frameOut) {
    out.Clear();
    const PictureFit f = FitPicture(rotor.width(), rotor.height(), maxWidth, maxHeight);
    if (frameOut) *frameOut = f;
    if (rotor.empty() || !Scaled(rotor, f, out)) {
        out.Clear();
        return false;
    }
    const std::int64_t num = f.num, den = f.den;
    DrawCross(out, static_cast<int>(CheckedPivot(pivot.x, rotor.width()) * num / den),
              static_cast<int>(CheckedPivot(pivot.y, rotor.height()) * num / den), kPreviewPivotColour);
    return true;
}

}  // namespace wirbelix
