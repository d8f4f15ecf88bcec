#include "pictures/ImageFile.h"

#include <cstring>
#include <new>

#include "pictures/ImageStream.h"
#include "pictures/RasterImage.h"

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

int ResultOfKind(int kind) {
    switch (kind) {
        case kGraphicsPicSize: return kImageTooLarge;
        case kGraphicsWrongColor: return kImageWrongColour;
        case kGraphicsMemory: return kImageOutOfMemory;
        default: return kImageReaderError;
    }
}

}  // namespace

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
