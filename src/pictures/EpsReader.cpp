// The EPS reader. PostScript itself is not rendered; what can be shown is a preview the file
// carries:
//   - a binary EPS (header C5 D0 D3 C6) with a TIFF preview: the preview is read by the TIFF
//     reader;
//   - a text EPS with an EPSI preview ("%%BeginPreview: width height depth lines", then hex
//     lines, each after a "%"): an indexed image of that depth with a grey palette (0 white,
//     the highest value black, as EPSI defines).
// Everything else is refused with "Das Format der EPS-Datei wird nicht unterstützt !".
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

namespace {

// Where a preview must start: a longer comment header is not looked through.
constexpr std::uint64_t kPreviewSearchBytes = 1 << 20;
constexpr std::size_t kLineMax = 4096;

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class EpsReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EEpsFileOpenError(); }

    void Read(ImageStream& stream, RasterImage& image) override {
        std::uint8_t head[30];
        const std::size_t got = stream.Read(head, sizeof head);
        if (got >= 4 && std::memcmp(head, "\xC5\xD0\xD3\xC6", 4) == 0) {
            if (got < sizeof head) throw EEpsFileReadError();
            ReadTiffPreview(stream, image, Load32(head + 20), Load32(head + 24));
            return;
        }
        if (got < 2 || head[0] != '%' || head[1] != '!') throw EEpsNotAEpsFile();
        stream.Seek(0);
        ReadEpsiPreview(stream, image);
    }

private:
    void ReadTiffPreview(ImageStream& stream, RasterImage& image, std::uint32_t offset, std::uint32_t length) {
        if (length == 0) throw EEpsNotSupported();
        if (offset > stream.Size() || length > stream.Size() - offset) throw EEpsFileReadError();
        std::vector<std::uint8_t> tiff(length);
        if (!stream.Seek(offset) || !stream.ReadExact(tiff.data(), tiff.size())) throw EEpsFileReadError();
        ImageStream preview;
        preview.OpenMemory(tiff);
        std::unique_ptr<ImageReader> reader = MakeImageReader(ImageFormat::Tiff);
        reader->SetProgress(progress_, progressUser_);
        try {
            reader->Read(preview, image);
        } catch (const EGraphicsException& e) {
            // Size, colour, memory and abort keep their kinds; a damaged preview is a damaged EPS.
            if (e.kind() != kGraphicsGeneral) throw;
            throw EEpsCorruptFile();
        }
    }

    // The next line (without its end), false at the end of the text; overlong lines are cut.
    bool NextLine(ImageStream& stream, std::string& line) {
        line.clear();
        int c = stream.ReadByte();
        if (c < 0) return false;
        while (c >= 0 && c != '\n' && c != '\r') {
            if (line.size() < kLineMax) line += static_cast<char>(c);
            c = stream.ReadByte();
        }
        if (c == '\r') {
            const int next = stream.ReadByte();
            if (next >= 0 && next != '\n') stream.SeekRelative(-1);
        }
        return true;
    }

    void ReadEpsiPreview(ImageStream& stream, RasterImage& image) {
        std::string line;
        unsigned long w = 0, h = 0, depth = 0, lines = 0;
        bool found = false;
        while (stream.Position() < kPreviewSearchBytes && NextLine(stream, line)) {
            if (line.rfind("%%BeginPreview:", 0) == 0) {
                if (std::sscanf(line.c_str() + 15, "%lu %lu %lu %lu", &w, &h, &depth, &lines) < 3)
                    throw EEpsCorruptFile();
                found = true;
                break;
            }
            // The preview comes before the PostScript program; once it starts there is none.
            if (!line.empty() && line[0] != '%') break;
        }
        if (!found) throw EEpsNotSupported();
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8) throw EEpsNotSupported();
        if (w > std::uint32_t(kMaxImageSide) || h > std::uint32_t(kMaxImageSide))
            throw EGraphicsPicSize();
        CreateImage(image, int(depth), std::int64_t(w), std::int64_t(h), 0, texts::kEpsCorruptFile);
        const std::uint32_t n = image.paletteCount();
        for (std::uint32_t i = 0; i < n; ++i) {
            const auto g = std::uint8_t(255 - 255 * i / (n - 1));
            image.SetPaletteRgba(i, g, g, g, 0);
        }
        Progress(0);

        // Rows top first, each (width x depth + 7) / 8 bytes, as hex digits after "%" markers.
        const std::size_t rowBytes = (std::size_t(w) * depth + 7) / 8;
        std::size_t have = 0;
        std::uint32_t y = 0;
        int high = -1;
        while (y < h) {
            if (!NextLine(stream, line)) throw EEpsFileReadError();
            if (line.rfind("%%EndPreview", 0) == 0) throw EEpsFileReadError();
            for (std::size_t i = line.empty() ? 0 : 1; i < line.size() && y < h; ++i) {
                const int d = HexDigit(static_cast<unsigned char>(line[i]));
                if (d < 0) continue;
                if (high < 0) {
                    high = d;
                    continue;
                }
                image.Row(y)[have++] = std::uint8_t(high << 4 | d);
                high = -1;
                if (have == rowBytes) {
                    have = 0;
                    ++y;
                    if ((y & 63) == 0) Progress(int(std::uint64_t(y) * 100 / h));
                }
            }
        }
        Progress(100);
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeEpsReader() { return std::make_unique<EpsReader>(); }

}  // namespace wirbelix
