// The BMP reader: a BMP file (14-byte file header, then a device-independent bitmap) or a
// bitmap without file header (an embedded bitmap resource). The bitmap is read into memory and
// decoded by DecodeDib; the bytes read are bounded by what the header's size can need, so a
// file cannot make the reader claim more memory than its picture.
#include <vector>

#include "pictures/DibDecoder.h"
#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;

class BmpReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EBmpFileOpenError(); }

    void Read(ImageStream& stream, RasterImage& image) override {
        const std::uint64_t start = stream.Position();
        std::uint8_t fileHeader[kFileHeaderBytes] = {};
        const std::size_t got = stream.Read(fileHeader, sizeof fileHeader);
        const bool hasFileHeader = got >= 2 && fileHeader[0] == 'B' && fileHeader[1] == 'M';
        std::size_t pixelOffset = kPixelsAfterPalette;
        if (hasFileHeader) {
            if (got < kFileHeaderBytes) throw EBmpFileReadError();
            const std::uint32_t offBits = Load32(fileHeader + 10);
            // Zero is written by some tools for "pixels follow the palette".
            if (offBits != 0) {
                if (offBits < kFileHeaderBytes) throw EBmpCorruptFile();
                pixelOffset = offBits - kFileHeaderBytes;
            }
        } else {
            if (got < 12 || Load32(fileHeader) != 40 || Load32(fileHeader + 4) > kMaxImageSide)
                throw EBmpNotABmpFile();
            std::uint8_t h[4];
            if (!stream.Seek(start + 8) || !stream.ReadExact(h, 4)) throw EBmpNotABmpFile();
            const std::int64_t height = static_cast<std::int32_t>(Load32(h));
            if (height > kMaxImageSide || height < -kMaxImageSide) throw EBmpNotABmpFile();
            stream.Seek(start);
        }

        // The information header decides how many bytes the bitmap can need.
        const std::uint64_t dibStart = stream.Position();
        std::vector<std::uint8_t> dib(40);
        const std::size_t headerGot = stream.Read(dib.data(), dib.size());
        dib.resize(headerGot);
        DibHeader hd;
        switch (ParseDibHeader(dib, hd)) {
            case DibStatus::Ok: break;
            case DibStatus::ReadError: throw EBmpFileReadError();
            case DibStatus::NotADib:
                if (headerGot < 4) throw EBmpFileReadError();
                throw EBmpCorruptFile();
            default: throw EBmpCorruptFile();
        }
        const std::uint64_t width = static_cast<std::uint64_t>(hd.width);
        const std::uint64_t height =
            static_cast<std::uint64_t>(hd.height < 0 ? -std::int64_t(hd.height) : std::int64_t(hd.height));
        std::uint64_t need = std::uint64_t(hd.pixelOffset);
        if (pixelOffset != kPixelsAfterPalette && pixelOffset > need) need = pixelOffset;
        if (width <= kMaxImageSide && height <= kMaxImageSide) {
            const bool rle = hd.compression == kDibCompressionRle4 || hd.compression == kDibCompressionRle8;
            const std::uint64_t bits = hd.bitCount == 0 ? 32 : hd.bitCount;
            // A run-length picture codes each pixel in at most two bytes, each row end and the
            // picture end in two more.
            need += rle ? 2 * width * height + 2 * height + 2
                        : (bits * width + 31) / 32 * 4 * height;
        }
        if (width <= kMaxImageSide && height <= kMaxImageSide && width * height > ImagePixelLimit())
            throw EGraphicsPicSize();
        const std::uint64_t available = stream.Size() - dibStart;
        if (need > available) need = available;
        if (need > dib.size()) {
            const std::size_t before = dib.size();
            dib.resize(static_cast<std::size_t>(need));
            dib.resize(before + stream.Read(dib.data() + before, dib.size() - before));
        }

        image.SetProgressCallback(progress_, progressUser_);
        switch (DecodeDib(dib, image, pixelOffset)) {
            case DibStatus::Ok: return;
            case DibStatus::NotADib:
            case DibStatus::CorruptFile: throw EBmpCorruptFile();
            case DibStatus::NotSupported: throw EBmpNotSupported();
            case DibStatus::CreateFailed: throw EBmpUnknownError();
            case DibStatus::ReadError: throw EBmpFileReadError();
            case DibStatus::Aborted: throw EGraphicsAbort();
        }
        throw EBmpUnknownError();
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeBmpReader() { return std::make_unique<BmpReader>(); }

}  // namespace wirbelix
