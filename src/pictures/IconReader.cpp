// The icon and cursor reader (.ico, .cur): of the pictures in the file's directory it reads the
// largest (most pixels, then most colour bits) into a 32-bit image whose alpha comes from the
// picture's AND mask (mask bit 1 = transparent), or from the picture's own alpha bytes when a
// 32-bit picture has any. Pictures stored as PNG (as in newer icons) are read by the PNG
// reader and kept as it gives them.
//
// The picture's bitmap is decoded by DecodeDib after its header's height (which counts the
// colour rows and the mask rows together) has been halved on a copy.
#include <cstring>
#include <vector>

#include "pictures/DibDecoder.h"
#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

namespace {

class IconReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EIconError(texts::kIconOpenError); }

    void Read(ImageStream& stream, RasterImage& image) override {
        std::uint8_t head[6];
        if (!stream.ReadExact(head, sizeof head)) throw EIconError(texts::kIconReadError);
        if (Load16(head) != 0 || (Load16(head + 2) != 1 && Load16(head + 2) != 2)) throw EIconError(texts::kIconBadFormat);
        const std::uint32_t count = Load16(head + 4);
        if (count == 0) throw EIconError(texts::kIconNotFound);

        // The largest entry of the directory (a size byte of 0 means 256).
        std::uint64_t bestPixels = 0;
        std::uint32_t bestBits = 0, bestSize = 0, bestOffset = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint8_t e[16];
            if (!stream.ReadExact(e, sizeof e)) throw EIconError(texts::kIconReadError);
            const std::uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
            const std::uint32_t bits = Load16(head + 2) == 1 ? Load16(e + 6) : 0;
            if (w * h > bestPixels || (w * h == bestPixels && bits > bestBits)) {
                bestPixels = w * h;
                bestBits = bits;
                bestSize = Load32(e + 8);
                bestOffset = Load32(e + 12);
            }
        }
        if (bestOffset > stream.Size() || !stream.Seek(bestOffset)) throw EIconError(texts::kIconReadError);
        if (bestSize < 4) throw EIconError(texts::kIconBadFormat);
        if (bestSize > stream.Remaining()) {
            // A block larger than the file; the bytes that are there may still be enough.
            if (stream.Remaining() < 40) throw EIconError(texts::kIconBlockTooLarge);
            bestSize = static_cast<std::uint32_t>(stream.Remaining());
        }
        std::vector<std::uint8_t> data(bestSize);
        if (!stream.ReadExact(data.data(), data.size())) throw EIconError(texts::kIconReadError);
        Progress(0);

        if (data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
            ImageStream png;
            png.OpenMemory(data);
            std::unique_ptr<ImageReader> reader = MakeImageReader(ImageFormat::Png);
            reader->SetProgress(progress_, progressUser_);
            reader->Read(png, image);
            return;
        }
        ReadDib(data, image);
        Progress(100);
    }

private:
    void ReadDib(std::vector<std::uint8_t>& data, RasterImage& image) {
        if (data.size() < 40 || Load32(data.data()) < 40) throw EIconError(texts::kIconBadFormat);
        const std::int32_t width = static_cast<std::int32_t>(Load32(data.data() + 4));
        const std::int32_t doubled = static_cast<std::int32_t>(Load32(data.data() + 8));
        if (width <= 0 || doubled <= 1 || width > kMaxImageSide || doubled / 2 > kMaxImageSide)
            throw EIconError(texts::kIconBadFormat);
        if (Load32(data.data() + 16) != kDibCompressionNone) throw EIconError(texts::kIconCompressed);
        const std::uint32_t height = std::uint32_t(doubled) / 2;
        if (std::uint64_t(width) * height > ImagePixelLimit()) throw EGraphicsPicSize();
        Store32(data.data() + 8, height);

        RasterImage colours;
        switch (DecodeDib(data, colours)) {
            case DibStatus::Ok: break;
            case DibStatus::NotSupported: throw EIconError(texts::kIconColourFormat);
            case DibStatus::ReadError: throw EIconError(texts::kIconReadError);
            case DibStatus::CreateFailed:
                if (colours.lastError() == kErrorOutOfMemory) throw EGraphicsMemory();
                throw EIconError(texts::kIconColourFormat);
            default: throw EIconError(texts::kIconBadFormat);
        }
        DibHeader hd;
        ParseDibHeader(data, hd);
        const std::size_t maskStart = hd.pixelOffset + std::size_t(colours.stride()) * height;
        const std::size_t maskStride = (std::size_t(width) + 31) / 32 * 4;
        const bool ownAlpha = colours.bitsPerPixel() == 32 && colours.HasAlpha();
        const bool haveMask = maskStart <= data.size() && data.size() - maskStart >= maskStride * height;
        if (!haveMask && !ownAlpha) throw EIconError(texts::kIconReadError);

        CreateImage(image, 32, width, height, NoFill, texts::kIconBadFormat);
        for (std::uint32_t y = 0; y < height; ++y) {
            std::uint8_t* out = image.Row(y);
            std::memcpy(out, colours.ReadRow32(y), std::size_t(width) * 4);
            if (ownAlpha) continue;
            // Mask rows are stored bottom-up like the colour rows.
            const std::uint8_t* mask = data.data() + maskStart + maskStride * (height - 1 - y);
            for (std::uint32_t x = 0; x < std::uint32_t(width); ++x)
                out[4 * x + 3] = (mask[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
        }
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeIconReader() { return std::make_unique<IconReader>(); }

}  // namespace wirbelix
