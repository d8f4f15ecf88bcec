#include "pictures/ImageFile.h"

#include <cstring>
#include <new>

#include "pictures/ImageStream.h"
#include "pictures/RasterImage.h"
#include "platform/LittleEndian.h"

namespace wirbelix {

namespace {

std::string g_lastError;
int g_lastCount = -1;

void SetLastError(std::string_view text) {
    constexpr std::size_t kMax = 511;
    std::size_t n = text.size() < kMax ? text.size() : kMax;
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    g_lastError.assign(text.data(), n);
}

bool Contains(const std::uint8_t* b, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= kFormatProbeBytes; ++i)
        if (std::memcmp(b + i, word.data(), word.size()) == 0) return true;
    return false;
}

bool StartsWith(const std::uint8_t* b, std::string_view word) {
    return std::memcmp(b, word.data(), word.size()) == 0;
}


int ResultOfKind(int kind) {
    switch (kind) {
        case kGraphicsPicSize: return kImageTooLarge;
        case kGraphicsWrongColor: return kImageWrongColour;
        case kGraphicsMemory: return kImageOutOfMemory;
        default: return kImageReaderError;
    }
}

}  // namespace

ImageFormat DetectImageFormat(std::span<const std::uint8_t> start) {
    std::uint8_t b[kFormatProbeBytes] = {};
    if (!start.empty())
        std::memcpy(b, start.data(), start.size() < kFormatProbeBytes ? start.size() : kFormatProbeBytes);
    // XWD's version word is recognised by its zero bytes, which the blanking below hides.
    const bool zeroBytes4To6 = b[4] == 0 && b[5] == 0 && b[6] == 0;

    ImageFormat f = ImageFormat::Unknown;
    // A binary EPS header (its TIFF preview is what can be shown); every later test still wins.
    if (StartsWith(b, "\xC5\xD0\xD3\xC6")) f = ImageFormat::Eps;
    if (Load32(b) == 40 && b[6] == 0 && b[7] == 0 && b[10] == 0 && b[11] == 0)
        f = ImageFormat::Bmp;
    else if (b[0] == 0 && b[1] == 0 && b[3] == 0 && b[5] == 0 && (b[2] == 1 || b[2] == 2) && b[4] >= 1 &&
             b[4] <= 32)
        f = ImageFormat::Icon;

    // The text tests below must not stop at terminators.
    for (std::uint8_t& c : b)
        if (c == 0) c = ' ';

    if (StartsWith(b, "II") || StartsWith(b, "MM")) f = ImageFormat::Tiff;
    if (StartsWith(b, "GIF87a") || StartsWith(b, "GIF89a")) f = ImageFormat::Gif;
    if (StartsWith(b, "\x89PNG")) f = ImageFormat::Png;
    if (StartsWith(b, "BM")) f = ImageFormat::Bmp;
    if (StartsWith(b, "TLSP")) f = ImageFormat::Tls;
    if (Contains(b, "JFIF")) f = ImageFormat::Jpeg;
    if (Contains(b, "XPM")) f = ImageFormat::Xpm;
    if (Contains(b, "char")) f = ImageFormat::Xpm;
    if (b[0] == 0xFF && (b[1] == 0xD8 || b[1] == 0xDB))
        f = ImageFormat::Jpeg;
    else if (b[0] == '%' && b[1] == '!')
        f = ImageFormat::Eps;
    else if (b[0] == 'P' && b[1] >= '1' && b[1] <= '6')
        f = ImageFormat::Pnm;
    if (zeroBytes4To6 && (b[7] == 6 || b[7] == 7)) f = ImageFormat::Xwd;
    return f;
}

int LoadImageFile(std::string_view name, RasterImage& image, std::string* text) {
    ImageStream stream;
    if (!stream.Open(name)) {
        SetLastError(texts::kCannotOpenFile);
        return kImageCannotOpen;
    }
    return LoadImageFile(stream, image, text);
}

int LoadImageFile(ImageStream& stream, RasterImage& image, std::string* text) {
    if (!stream.isOpen() || !stream.Seek(0)) {
        SetLastError(texts::kCannotOpenFile);
        return kImageCannotOpen;
    }
    std::uint8_t probe[kFormatProbeBytes] = {};
    const std::size_t got = stream.Read(probe, sizeof probe);
    g_lastError.clear();

    const ImageFormat format = DetectImageFormat(std::span<const std::uint8_t>(probe, got));
    if (format == ImageFormat::Unknown) {
        SetLastError(texts::kUnknownFileFormat);
        stream.Close();
        return kImageUnknownFormat;
    }

    int result = kImageOk;
    try {
        std::unique_ptr<ImageReader> reader = MakeImageReader(format);
        reader->SetProgress(image.progressCallback(), image.progressUser());
        stream.Seek(0);
        reader->Read(stream, image);
        if (text != nullptr && !reader->text().empty()) *text = reader->text();
        g_lastCount = format == ImageFormat::Gif ? reader->imageCount() : -1;
    } catch (const EGraphicsException& e) {
        SetLastError(e.text());
        result = ResultOfKind(e.kind());
    } catch (...) {
        SetLastError(texts::kOtherFailure);
        result = kImageOtherFailure;
    }
    if (result != kImageOk) g_lastCount = -1;
    stream.Close();
    return result;
}

const std::string& LastImageError() { return g_lastError; }
int LastImageCount() { return g_lastCount; }

}  // namespace wirbelix
