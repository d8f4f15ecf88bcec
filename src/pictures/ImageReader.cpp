#include "pictures/ImageReader.h"

#include <atomic>
#include <cstring>

#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {
std::atomic<std::uint64_t> g_pixelLimit{std::uint64_t(kMaxImageSide) * kMaxImageSide};
}

void SetImagePixelLimit(std::uint64_t pixels) { g_pixelLimit.store(pixels, std::memory_order_relaxed); }
std::uint64_t ImagePixelLimit() { return g_pixelLimit.load(std::memory_order_relaxed); }

void ImageReader::ReadFile(std::string_view name, RasterImage& image) {
    ImageStream stream;
    if (!stream.Open(name)) ThrowOpenError();
    Read(stream, image);
}

void ImageReader::Progress(int percent) {
    if (ProgressAsksToStop(progress_, progressUser_, percent)) throw EGraphicsAbort();
}

void CreateImage(RasterImage& image, int depth, std::int64_t width, std::int64_t height,
                 std::uint32_t fill, const char* zeroSizeText) {
    if (width <= 0 || height <= 0) throw EGraphicsException(zeroSizeText);
    if (width > kMaxImageSide || height > kMaxImageSide ||
        std::uint64_t(width) * std::uint64_t(height) > ImagePixelLimit())
        throw EGraphicsPicSize();
    if (image.Create(depth, static_cast<int>(width), static_cast<int>(height), fill)) return;
    switch (image.lastError()) {
        case kErrorSizeTooLarge: throw EGraphicsPicSize();
        case kErrorUnsupportedDepth: throw EGraphicsWrongColor();
        case kErrorOutOfMemory: throw EGraphicsMemory();
        default: throw EGraphicsException(texts::kUnknownError);
    }
}

void SetGreyPalette(RasterImage& image) {
    const std::uint32_t n = image.paletteCount();
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto g = static_cast<std::uint8_t>(n > 1 ? 255 * i / (n - 1) : 0);
        image.SetPaletteRgba(i, g, g, g, 0);
    }
}

void ApplyPaletteTransparency(RasterImage& image, const std::uint8_t* alpha, std::uint32_t count) {
    if (image.isDirect() || image.empty()) return;
    if (count > 256) count = 256;
    bool allOpaque = true;
    for (std::uint32_t i = 0; i < count; ++i) allOpaque = allOpaque && alpha[i] == 255;
    if (allOpaque) return;

    bool used[256] = {};
    const std::uint32_t w = image.width(), h = image.height();
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = image.ReadRow8(y);
        for (std::uint32_t x = 0; x < w; ++x) used[row[x]] = true;
    }
    bool anyTransparentUsed = false;
    for (std::uint32_t i = 0; i < count; ++i) anyTransparentUsed = anyTransparentUsed || (used[i] && alpha[i] != 255);
    if (!anyTransparentUsed) return;

    for (std::uint32_t i = 0; i < 256; ++i) {
        if (!used[i]) continue;
        const std::uint32_t a = i < count ? alpha[i] : 255;
        image.SetPaletteEntry(i, (image.palette()[i] & 0x00FFFFFFu) | (a << 24));
    }
    const std::uint32_t* pal = image.palette();
    bool uniform = true;
    for (std::uint32_t i = 1; i < image.paletteCount(); ++i) uniform = uniform && pal[i] == pal[0];
    if (uniform) return;

    RasterImage wide;
    CreateImage(wide, 32, w, h, NoFill, texts::kUnknownError);
    for (std::uint32_t y = 0; y < h; ++y) std::memcpy(wide.Row(y), image.ReadRow32(y), std::size_t(w) * 4);
    wide.SetProgressCallback(image.progressCallback(), image.progressUser());
    image = std::move(wide);
}

}  // namespace wirbelix
