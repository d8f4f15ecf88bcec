// The picture formats the loader knows: one table, each row a signature at the start of a file
// and the format's reader. Adding a format is a value of ImageFormat, its reader and its rows.
#include <cstring>
#include <string_view>

#include "pictures/ImageFile.h"
#include "pictures/ImageReader.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

// Each reader's file defines its factory; only this table calls them.
std::unique_ptr<ImageReader> MakeBmpReader();
std::unique_ptr<ImageReader> MakeEpsReader();
std::unique_ptr<ImageReader> MakeGifReader();
std::unique_ptr<ImageReader> MakeIconReader();
std::unique_ptr<ImageReader> MakeJpegReader();
std::unique_ptr<ImageReader> MakePngReader();
std::unique_ptr<ImageReader> MakePnmReader();
std::unique_ptr<ImageReader> MakeTiffReader();
std::unique_ptr<ImageReader> MakeTlsReader();
std::unique_ptr<ImageReader> MakeXpmReader();
std::unique_ptr<ImageReader> MakeXwdReader();

namespace {

// The first bytes of a file twice: as they are, for the binary signatures, and with every zero
// byte made a space, so that the text signatures do not stop at terminators.
struct Probe {
    std::uint8_t raw[kFormatProbeBytes] = {};
    std::uint8_t text[kFormatProbeBytes] = {};
};

bool StartsWith(const std::uint8_t* b, std::string_view word) {
    return std::memcmp(b, word.data(), word.size()) == 0;
}

bool Contains(const std::uint8_t* b, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= kFormatProbeBytes; ++i)
        if (std::memcmp(b + i, word.data(), word.size()) == 0) return true;
    return false;
}

struct FormatRow {
    ImageFormat format;
    bool (*matches)(const Probe&);
    std::unique_ptr<ImageReader> (*makeReader)();
};

// In the order of the tests: a later row that matches replaces an earlier one.
constexpr FormatRow kFormats[] = {
    // A binary EPS header (its TIFF preview is what can be shown); every later row still wins.
    {ImageFormat::Eps, [](const Probe& p) { return StartsWith(p.raw, "\xC5\xD0\xD3\xC6"); },
     MakeEpsReader},
    // A bitmap without its file header: the info header's size 40 and small dimensions.
    {ImageFormat::Bmp,
     [](const Probe& p) {
         const std::uint8_t* b = p.raw;
         return Load32(b) == 40 && b[6] == 0 && b[7] == 0 && b[10] == 0 && b[11] == 0;
     },
     MakeBmpReader},
    // Icons and cursors: reserved 0, type 1 or 2, 1 to 32 pictures.
    {ImageFormat::Icon,
     [](const Probe& p) {
         const std::uint8_t* b = p.raw;
         return b[0] == 0 && b[1] == 0 && b[3] == 0 && b[5] == 0 && (b[2] == 1 || b[2] == 2) &&
                b[4] >= 1 && b[4] <= 32;
     },
     MakeIconReader},
    {ImageFormat::Tiff,
     [](const Probe& p) { return StartsWith(p.text, "II") || StartsWith(p.text, "MM"); },
     MakeTiffReader},
    {ImageFormat::Gif,
     [](const Probe& p) { return StartsWith(p.text, "GIF87a") || StartsWith(p.text, "GIF89a"); },
     MakeGifReader},
    {ImageFormat::Png, [](const Probe& p) { return StartsWith(p.text, "\x89PNG"); },
     MakePngReader},
    {ImageFormat::Bmp, [](const Probe& p) { return StartsWith(p.text, "BM"); }, MakeBmpReader},
    {ImageFormat::Tls, [](const Probe& p) { return StartsWith(p.text, "TLSP"); }, MakeTlsReader},
    {ImageFormat::Jpeg, [](const Probe& p) { return Contains(p.text, "JFIF"); }, MakeJpegReader},
    {ImageFormat::Xpm,
     [](const Probe& p) { return Contains(p.text, "XPM") || Contains(p.text, "char"); },
     MakeXpmReader},
    {ImageFormat::Jpeg,
     [](const Probe& p) { return p.text[0] == 0xFF && (p.text[1] == 0xD8 || p.text[1] == 0xDB); },
     MakeJpegReader},
    {ImageFormat::Eps, [](const Probe& p) { return p.text[0] == '%' && p.text[1] == '!'; },
     MakeEpsReader},
    {ImageFormat::Pnm,
     [](const Probe& p) { return p.text[0] == 'P' && p.text[1] >= '1' && p.text[1] <= '6'; },
     MakePnmReader},
    // XWD's version word 6 or 7, big-endian, after the header size's zero high bytes.
    {ImageFormat::Xwd,
     [](const Probe& p) {
         const std::uint8_t* b = p.raw;
         return b[4] == 0 && b[5] == 0 && b[6] == 0 && (b[7] == 6 || b[7] == 7);
     },
     MakeXwdReader},
};

}  // namespace

ImageFormat DetectImageFormat(std::span<const std::uint8_t> start) {
    Probe probe;
    const std::size_t n = start.size() < kFormatProbeBytes ? start.size() : kFormatProbeBytes;
    if (n > 0) std::memcpy(probe.raw, start.data(), n);
    for (std::size_t i = 0; i < kFormatProbeBytes; ++i)
        probe.text[i] = probe.raw[i] == 0 ? ' ' : probe.raw[i];
    ImageFormat found = ImageFormat::Unknown;
    for (const FormatRow& row : kFormats)
        if (row.matches(probe)) found = row.format;
    return found;
}

std::unique_ptr<ImageReader> MakeImageReader(ImageFormat format) {
    for (const FormatRow& row : kFormats)
        if (row.format == format) return row.makeReader();
    return nullptr;
}

}  // namespace wirbelix
