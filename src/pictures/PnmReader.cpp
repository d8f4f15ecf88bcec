// The PNM reader: P1 and P4 (bitmaps: a 1-bit image, 1 is black), P2 and P5 (grey maps: an
// 8-bit image with a grey palette), P3 and P6 (pixel maps: 24 bits). Samples are scaled from
// the file's maximum value (1..65535; two bytes per binary sample above 255) to 0..255.
// A header that is not a PNM header is corrupt; data that ends early, or a text sample that is
// not a number, is a read error; a text sample above the maximum is clamped.
#include <vector>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

class PnmReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EPnmFileOpenError(); }

    void Read(ImageStream& stream, RasterImage& image) override {
        stream_ = &stream;
        std::uint8_t magic[2];
        if (!stream.ReadExact(magic, 2) || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6')
            throw EPnmNotAPnmFile();
        const int kind = magic[1] - '0';
        const bool bitmap = kind == 1 || kind == 4;
        const bool grey = kind == 2 || kind == 5;
        const bool binary = kind >= 4;

        const std::uint32_t width = HeaderNumber();
        const std::uint32_t height = HeaderNumber();
        const std::uint32_t maxValue = bitmap ? 1 : HeaderNumber();
        if (maxValue == 0 || maxValue > 65535) throw EPnmCorruptFile();
        // Exactly one white-space byte separates the header from binary data.
        if (!IsSpace(Next())) throw EPnmCorruptFile();

        CreateImage(image, bitmap ? 1 : grey ? 8 : 24, width, height, 0, texts::kPnmCorruptFile);
        if (bitmap) {
            image.SetPaletteRgba(0, 255, 255, 255, 0);
            image.SetPaletteRgba(1, 0, 0, 0, 0);
        } else if (grey) {
            SetGreyPalette(image);
        }
        Progress(0);

        const std::uint32_t channels = grey ? 1 : 3;
        const std::size_t rowBytes = bitmap ? (width + 7) / 8 : std::size_t(width) * channels * (maxValue > 255 ? 2 : 1);
        std::vector<std::uint8_t> raw(binary ? rowBytes : 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            std::uint8_t* row = image.Row(y);
            if (bitmap && binary) {
                if (!stream.ReadExact(row, rowBytes)) throw EPnmFileReadError();
            } else if (bitmap) {
                for (std::uint32_t x = 0; x < width; ++x) image.accessors().setPixel(row, x, TextBit());
            } else {
                if (binary && !stream.ReadExact(raw.data(), rowBytes)) throw EPnmFileReadError();
                for (std::uint32_t i = 0; i < width * channels; ++i) {
                    std::uint32_t v;
                    if (!binary)
                        v = TextSample(maxValue);
                    else if (maxValue > 255)
                        v = std::uint32_t(raw[2 * i] << 8 | raw[2 * i + 1]);
                    else
                        v = raw[i];
                    if (v > maxValue) v = maxValue;
                    const auto s = std::uint8_t((v * 255 + maxValue / 2) / maxValue);
                    if (grey)
                        row[i] = s;
                    else
                        row[(i / 3) * 3 + 2 - i % 3] = s;  // red, green, blue in the file; blue first here
                }
            }
            if ((y & 63) == 63) Progress(int(std::uint64_t(y) * 100 / height));
        }
        Progress(100);
    }

private:
    int Next() { return stream_->ReadByte(); }

    // Skips white space and comments ("#" to the end of the line); answers the next byte.
    int SkipSpace() {
        int c = Next();
        for (;;) {
            if (c == '#') {
                while (c != '\n' && c != '\r' && c >= 0) c = Next();
            } else if (IsSpace(c)) {
                c = Next();
            } else {
                return c;
            }
        }
    }

    std::uint32_t HeaderNumber() {
        int c = SkipSpace();
        if (c < 0) throw EPnmFileReadError();
        if (c < '0' || c > '9') throw EPnmCorruptFile();
        std::uint64_t v = 0;
        while (c >= '0' && c <= '9') {
            v = v * 10 + std::uint64_t(c - '0');
            if (v > 0xFFFFFFu) throw EPnmCorruptFile();
            c = Next();
        }
        if (c < 0) throw EPnmFileReadError();
        if (!IsSpace(c) && c != '#') throw EPnmCorruptFile();
        // Give the separator back: the last header number must leave it for the caller.
        stream_->SeekRelative(-1);
        return static_cast<std::uint32_t>(v);
    }

    std::uint32_t TextSample(std::uint32_t maxValue) {
        int c = SkipSpace();
        if (c < '0' || c > '9') throw EPnmFileReadError();
        std::uint32_t v = 0;
        while (c >= '0' && c <= '9') {
            if (v <= maxValue) v = v * 10 + std::uint32_t(c - '0');
            c = Next();
        }
        return v;
    }

    // One pixel of a text bitmap: "0" or "1", digits need not be separated.
    std::uint32_t TextBit() {
        const int c = SkipSpace();
        if (c != '0' && c != '1') throw EPnmFileReadError();
        return std::uint32_t(c - '0');
    }

    ImageStream* stream_ = nullptr;
};

}  // namespace

std::unique_ptr<ImageReader> MakePnmReader() { return std::make_unique<PnmReader>(); }

}  // namespace wirbelix
