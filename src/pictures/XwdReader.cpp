// The XWD reader: X window dumps of file version 7 in Z-pixmap form, as xwd writes them (the
// header and colour table most significant byte first; the pixels in the dump's byte order).
// 8-bit pseudo-colour dumps give an 8-bit image with the dump's colour table; 16-, 24- and
// 32-bit true-colour dumps a 24-bit image, each channel taken through its mask. The window name
// becomes the reader's text. Other forms are refused as not an XWD file.
#include <bit>
#include <cstring>
#include <vector>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

constexpr std::size_t kHeaderFields = 25;
enum Field {
    kHeaderSize, kFileVersion, kPixmapFormat, kPixmapDepth, kWidth, kHeight, kXOffset, kByteOrder,
    kBitmapUnit, kBitmapBitOrder, kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass, kRedMask,
    kGreenMask, kBlueMask, kBitsPerRgb, kColormapEntries, kColourCount,
};
constexpr std::uint32_t kZPixmap = 2;

// Extracts one channel through its mask and scales it to 0..255.
struct Channel {
    explicit Channel(std::uint32_t mask)
        : mask(mask), shift(mask ? std::countr_zero(mask) : 0),
          max(mask ? (mask >> shift) : 0) {}
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (max == 0) return 0;
        return std::uint8_t(std::uint64_t((pixel & mask) >> shift) * 255 / max);
    }
    std::uint32_t mask;
    int shift;
    std::uint32_t max;
};

class XwdReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EXwdFileOpenError(); }

    void Read(ImageStream& stream, RasterImage& image) override {
        std::uint8_t raw[kHeaderFields * 4];
        if (!stream.ReadExact(raw, sizeof raw)) throw EXwdFileReadError();
        std::uint32_t f[kHeaderFields];
        for (std::size_t i = 0; i < kHeaderFields; ++i) f[i] = Be32(raw + 4 * i);
        if (f[kFileVersion] != 7 || f[kHeaderSize] < sizeof raw) throw EXwdNotAXwdFile();
        const std::uint32_t bpp = f[kBitsPerPixel];
        if (f[kPixmapFormat] != kZPixmap || (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) ||
            f[kByteOrder] > 1)
            throw EXwdNotAXwdFile();

        // The window name fills the rest of the header.
        const std::uint64_t nameBytes = f[kHeaderSize] - sizeof raw;
        if (nameBytes > stream.Remaining()) throw EXwdFileReadError();
        if (nameBytes > 0) {
            std::string name(static_cast<std::size_t>(nameBytes < 256 ? nameBytes : 256), '\0');
            stream.ReadExact(name.data(), name.size());
            name.resize(strnlen(name.c_str(), name.size()));
            text_ = name;
            stream.Seek(f[kHeaderSize]);
        }

        const std::uint32_t width = f[kWidth], height = f[kHeight];
        const bool indexed = bpp == 8 && f[kColourCount] > 0;
        CreateImage(image, indexed ? 8 : 24, width, height, 0, texts::kXwdNotAXwdFile);

        // Colour table: pixel value, red, green, blue (16 bits each), flags, pad.
        const std::uint32_t colours = f[kColourCount];
        if (std::uint64_t(colours) * 12 > stream.Remaining()) throw EXwdFileReadError();
        for (std::uint32_t i = 0; i < colours; ++i) {
            std::uint8_t c[12];
            if (!stream.ReadExact(c, sizeof c)) throw EXwdFileReadError();
            const std::uint32_t pixel = Be32(c);
            if (indexed && pixel < 256) image.SetPaletteRgba(pixel, c[4], c[6], c[8], 0);
        }
        Progress(0);

        const std::uint64_t need = std::uint64_t(width) * (bpp / 8);
        const std::uint32_t perLine = f[kBytesPerLine];
        if (perLine < need || perLine > need + 4096) throw EXwdNotAXwdFile();
        std::vector<std::uint8_t> line(perLine);
        const Channel red(f[kRedMask]), green(f[kGreenMask]), blue(f[kBlueMask]);
        const bool msbFirst = f[kByteOrder] == 1;
        const std::uint32_t bytes = bpp / 8;
        for (std::uint32_t y = 0; y < height; ++y) {
            if (!stream.ReadExact(line.data(), line.size())) throw EXwdFileReadError();
            std::uint8_t* out = image.Row(y);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = line.data() + std::size_t(x) * bytes;
                std::uint32_t v = 0;
                for (std::uint32_t b = 0; b < bytes; ++b)
                    v |= std::uint32_t(p[b]) << (8 * (msbFirst ? bytes - 1 - b : b));
                if (indexed) {
                    out[x] = std::uint8_t(v);
                } else if (bpp == 8) {  // 8-bit true colour without a table: grey
                    out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = std::uint8_t(v);
                } else {
                    out[3 * x] = blue(v);
                    out[3 * x + 1] = green(v);
                    out[3 * x + 2] = red(v);
                }
            }
            if ((y & 63) == 63) Progress(int(std::uint64_t(y) * 100 / height));
        }
        Progress(100);
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeXwdReader() { return std::make_unique<XwdReader>(); }

}  // namespace wirbelix
