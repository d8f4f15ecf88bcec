// ImageReader: the common base of the picture-file readers, and the helpers they share.
//
// A reader reads one picture from an ImageStream (positioned at the start of the picture) into
// a RasterImage, which it recreates with Create. Readers follow one set of conventions:
//   - palette pictures become indexed images of the file's depth (or 8 bits) with the file's
//     palette; grey pictures get a grey palette; colour pictures 24 bits, blue first in memory;
//     pictures with an alpha channel 32 bits;
//   - palette transparency follows ApplyPaletteTransparency;
//   - every size is checked (CreateImage) before pixel memory is claimed, every count, run,
//     index and offset against the data;
//   - a short read throws the format's read-error exception; nothing else escapes but
//     EGraphicsException and its family (and std::bad_alloc where a small allocation fails).
//
// Thread contract: a reader belongs to one thread; the pixel limit is process-wide and meant
// to be set once before any reading starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pictures/GraphicsException.h"
#include "pictures/RasterImage.h"

namespace wirbelix {

class ImageStream;

enum class ImageFormat {
    Unknown,
    Bmp,
    Icon,
    Tiff,
    Gif,
    Png,
    Tls,
    Jpeg,
    Xpm,
    Eps,
    Pnm,
    Xwd,
};

class ImageReader {
public:
    virtual ~ImageReader() = default;

    // Reads the picture. Throws EGraphicsException (or a subclass) on failure; the image may
    // then be empty or partly read.
    virtual void Read(ImageStream& stream, RasterImage& image) = 0;

    // Opens the file (or res:// resource) and reads it; a name that cannot be opened throws
    // the format's open error ("Fehler beim Öffnen der BMP-Datei !" and its kin). The loader
    // does not use this: it opens the stream itself to recognise the format.
    void ReadFile(std::string_view name, RasterImage& image);

    // The progress function is called with 0..100; when it sets its flag the reader throws
    // EGraphicsAbort ("Benutzer Abbruch").
    void SetProgress(ImageProgress progress, void* user) {
        progress_ = progress;
        progressUser_ = user;
    }
    // A text found in the file (a comment, a picture name); empty when none.
    const std::string& text() const { return text_; }
    // The number of pictures in the file, -1 for formats that hold one.
    int imageCount() const { return imageCount_; }

protected:
    [[noreturn]] virtual void ThrowOpenError() const = 0;
    void Progress(int percent);

    ImageProgress progress_ = nullptr;
    void* progressUser_ = nullptr;
    std::string text_;
    int imageCount_ = -1;
};

// Calls progress (when set) with percent and answers whether it asked to stop. Never throws, so
// the readers whose library jumps back on errors can call it inside that frame.
inline bool ProgressAsksToStop(ImageProgress progress, void* user, int percent) {
    if (progress == nullptr) return false;
    bool abort = false;
    progress(user, percent, abort);
    return abort;
}

// The reader for a format (from the table of formats in ImageFormats.cpp); null for
// ImageFormat::Unknown.
std::unique_ptr<ImageReader> MakeImageReader(ImageFormat format);

// Pictures with more pixels than this are refused with EGraphicsPicSize before any pixel
// memory is claimed. The default admits every size Create admits (32768 x 32768); tools and
// the fuzzing harness lower it to keep their memory use small.
void SetImagePixelLimit(std::uint64_t pixels);
std::uint64_t ImagePixelLimit();

// Checks width and height (each 1..32768 and within the pixel limit) and creates the image.
// Failures throw: a size of 0 EGraphicsException(zeroSizeText), too large EGraphicsPicSize
// "Das Bild ist zu groß", an unsupported depth EGraphicsWrongColor "Falsches Farbformat", no
// memory EGraphicsMemory "Zu wenig Speicher", anything else "Unknown error".
void CreateImage(RasterImage& image, int depth, std::int64_t width, std::int64_t height,
                 std::uint32_t fill, const char* zeroSizeText);

// Palette i of an indexed image becomes the grey (255 * i) / (paletteCount - 1).
void SetGreyPalette(RasterImage& image);

// Palette transparency of an indexed image; alpha[i] is the opacity of entry i (entries
// beyond count are opaque). If every value is 255 nothing happens. Otherwise the entries the
// pixels use are found; if none of them is (partly) transparent nothing happens. Else every
// used entry gets its opacity as its fourth byte, and unless every palette entry then equals
// entry 0 (colour and fourth byte) the image is replaced by a 32-bit image whose pixels are the
// palette entries of their indices.
void ApplyPaletteTransparency(RasterImage& image, const std::uint8_t* alpha, std::uint32_t count);

}  // namespace wirbelix
