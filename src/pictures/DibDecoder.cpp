#include "pictures/DibDecoder.h"

#include <cstring>

#include "pictures/RasterImage.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

namespace {

// Calls the image's progress function; true when it asks to stop.
bool Aborted(const RasterImage& image, int percent) {
    if (image.progressCallback() == nullptr) return false;
    bool abort = false;
    image.progressCallback()(image.progressUser(), percent, abort);
    return abort;
}

int Percent(std::uint32_t done, std::uint32_t total) {
    return total == 0 ? 100 : static_cast<int>(std::uint64_t(done) * 100 / total);
}

// Run-length decoding of RLE8 (Bits 8) and RLE4 (Bits 4). Rows are counted from the bottom, as
// stored. Pixels the data skips (end of line, delta) keep index 0.
template <int Bits>
DibStatus DecodeRle(std::span<const std::uint8_t> data, RasterImage& image) {
    const std::uint32_t w = image.width(), h = image.height();
    const auto set = image.accessors().setPixel;
    std::size_t pos = 0;
    std::uint32_t x = 0, y = 0;  // y = 0 is the bottom row
    auto row = [&](std::uint32_t fromBottom) { return image.Row(h - 1 - fromBottom); };
    for (;;) {
        if (pos + 2 > data.size()) return DibStatus::ReadError;  // no end-of-bitmap code
        const std::uint32_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // A run of count pixels; RLE4 alternates the two nibbles of value.
            if (y >= h || count > w - x) return DibStatus::ReadError;
            std::uint8_t* r = row(y);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t v = Bits == 8 ? value : (i & 1) ? (value & 15) : (value >> 4);
                set(r, x++, v);
            }
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
            if (Aborted(image, Percent(y, h))) return DibStatus::Aborted;
        } else if (value == 1) {  // end of bitmap
            return DibStatus::Ok;
        } else if (value == 2) {  // delta: move right and up
            if (pos + 2 > data.size()) return DibStatus::ReadError;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
            if (x > w || y > h) return DibStatus::ReadError;
        } else {  // a literal run of value pixels, padded to an even number of bytes
            const std::uint32_t n = value;
            const std::size_t bytes = Bits == 8 ? n : (n + 1) / 2;
            const std::size_t padded = (bytes + 1) & ~std::size_t(1);
            if (y >= h || n > w - x) return DibStatus::ReadError;
            if (pos + padded > data.size()) return DibStatus::ReadError;
            std::uint8_t* r = row(y);
            for (std::uint32_t i = 0; i < n; ++i) {
                const std::uint8_t b = data[pos + (Bits == 8 ? i : i / 2)];
                const std::uint32_t v = Bits == 8 ? b : (i & 1) ? (b & 15) : (b >> 4);
                set(r, x++, v);
            }
            pos += padded;
        }
    }
}

}  // namespace

DibStatus ParseDibHeader(std::span<const std::uint8_t> dib, DibHeader& hd) {
    hd = DibHeader{};
    if (dib.size() < 4) return DibStatus::NotADib;
    const std::uint8_t* p = dib.data();
    hd.headerSize = Load32(p);
    if (hd.headerSize == 0) return DibStatus::NotADib;
    if (hd.headerSize == 12) {
        if (dib.size() < 12) return DibStatus::ReadError;
        hd.coreHeader = true;
        hd.width = Load16(p + 4);
        hd.height = Load16(p + 6);
        hd.planes = Load16(p + 8);
        hd.bitCount = Load16(p + 10);
        hd.paletteEntryBytes = 3;
    } else {
        if (hd.headerSize < 40) return DibStatus::CorruptFile;
        if (dib.size() < 40) return DibStatus::ReadError;
        hd.width = static_cast<std::int32_t>(Load32(p + 4));
        hd.height = static_cast<std::int32_t>(Load32(p + 8));
        hd.planes = Load16(p + 12);
        hd.bitCount = Load16(p + 14);
        hd.compression = Load32(p + 16);
        hd.imageSize = Load32(p + 20);
        hd.xPixelsPerMetre = static_cast<std::int32_t>(Load32(p + 24));
        hd.yPixelsPerMetre = static_cast<std::int32_t>(Load32(p + 28));
        hd.coloursUsed = Load32(p + 32);
        hd.coloursImportant = Load32(p + 36);
        hd.paletteEntryBytes = 4;
    }
    if (hd.width < 0) return DibStatus::CorruptFile;
    if (hd.bitCount <= 8)
        hd.paletteEntries = hd.coloursUsed != 0 ? hd.coloursUsed : (1u << hd.bitCount);
    else
        hd.paletteEntries = hd.coloursUsed;
    if (hd.paletteEntries > 256) return DibStatus::CorruptFile;
    hd.paletteOffset = hd.headerSize;
    hd.pixelOffset = hd.paletteOffset + std::size_t(hd.paletteEntries) * hd.paletteEntryBytes;
    return DibStatus::Ok;
}

DibStatus DecodeDib(std::span<const std::uint8_t> dib, RasterImage& image, std::size_t pixelOffset) {
    image.Clear();
    DibHeader hd;
    if (const DibStatus s = ParseDibHeader(dib, hd); s != DibStatus::Ok) return s;

    const int depth = hd.bitCount;
    const std::uint32_t c = hd.compression;
    const bool supported = (depth == 1 && c == kDibCompressionNone) ||
                           (depth == 4 && (c == kDibCompressionNone || c == kDibCompressionRle4)) ||
                           (depth == 8 && (c == kDibCompressionNone || c == kDibCompressionRle8)) ||
                           ((depth == 24 || depth == 32) && c == kDibCompressionNone);
    if (!supported) return DibStatus::NotSupported;
    const bool rle = c == kDibCompressionRle4 || c == kDibCompressionRle8;
    const bool topDown = hd.height < 0;
    if (topDown && rle) return DibStatus::CorruptFile;
    // The magnitude as 64 bits: the most negative height has no positive 32-bit counterpart.
    const std::int64_t height = topDown ? -std::int64_t(hd.height) : hd.height;
    // Above the limit Create refuses the size (lastError 1) before anything is allocated.
    const int createHeight = height > kMaxImageSide ? kMaxImageSide + 1 : static_cast<int>(height);

    // Uncompressed pixels that cannot all be there are refused before the memory is claimed.
    if (!rle && createHeight <= kMaxImageSide && hd.width <= kMaxImageSide) {
        const std::size_t start = pixelOffset == kPixelsAfterPalette ? hd.pixelOffset : pixelOffset;
        const std::size_t need = std::size_t(StrideFor(depth, std::uint32_t(hd.width))) * std::size_t(height);
        if (start <= dib.size() && dib.size() - start < need) return DibStatus::ReadError;
    }

    // Skipped runs of RLE pixels read as index 0; uncompressed pixels are all overwritten.
    if (!image.Create(depth, hd.width, createHeight, rle ? 0 : NoFill))
        return DibStatus::CreateFailed;

    if (hd.pixelOffset > dib.size()) return DibStatus::ReadError;  // the palette is cut off
    for (std::uint32_t i = 0; i < hd.paletteEntries; ++i) {
        const std::uint8_t* e = dib.data() + hd.paletteOffset + std::size_t(i) * hd.paletteEntryBytes;
        if (hd.coreHeader)
            image.SetPaletteRgba(i, e[2], e[1], e[0], 0);
        else
            image.SetPaletteEntry(i, Load32(e));
    }

    if (pixelOffset == kPixelsAfterPalette) pixelOffset = hd.pixelOffset;
    if (pixelOffset < hd.pixelOffset) return DibStatus::CorruptFile;  // pixels inside the palette
    if (pixelOffset > dib.size()) return DibStatus::ReadError;
    if (Aborted(image, 0)) return DibStatus::Aborted;
    const std::span<const std::uint8_t> data = dib.subspan(pixelOffset);
    if (rle) {
        const DibStatus s = depth == 8 ? DecodeRle<8>(data, image) : DecodeRle<4>(data, image);
        if (s == DibStatus::Ok && Aborted(image, 100)) return DibStatus::Aborted;
        return s;
    }

    // Uncompressed rows are padded to 4 bytes, exactly like the image's own rows.
    const std::uint32_t h = image.height();
    const std::size_t rowBytes = image.stride();
    for (std::uint32_t i = 0; i < h; ++i) {
        if (data.size() < (std::size_t(i) + 1) * rowBytes) return DibStatus::ReadError;
        const std::uint32_t y = topDown ? i : h - 1 - i;
        std::memcpy(image.Row(y), data.data() + std::size_t(i) * rowBytes, rowBytes);
        if (Aborted(image, Percent(i + 1, h))) return DibStatus::Aborted;
    }
    return DibStatus::Ok;
}

}  // namespace wirbelix
