// The TIFF reader, on top of libtiff: the first directory is read through libtiff's RGBA
// interface, which handles every photometric interpretation and compression libtiff supports,
// straight into the pixels of a 32-bit image (bottom row first, as the image stores them).
// Pictures without an extra (alpha) sample are then narrowed to 24 bits. libtiff's messages are
// caught by per-file handlers and never printed; its callbacks only read from the stream.
#include <cstdio>
#include <cstring>
#include <tiffio.h>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

ImageStream* StreamOf(thandle_t handle) { return static_cast<ImageStream*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    if (size <= 0) return 0;
    return static_cast<tmsize_t>(StreamOf(handle)->Read(data, std::size_t(size)));
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    ImageStream* s = StreamOf(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->Position();
    if (whence == SEEK_END) base = s->Size();
    const std::uint64_t target = base + offset;  // offset may be a negative value wrapped
    if (!s->Seek(target)) return static_cast<toff_t>(-1);
    return target;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return StreamOf(handle)->Size(); }

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

class TiffReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw ETiffError(texts::kTiffOpenError); }

    void Read(ImageStream& stream, RasterImage& image) override {
        std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
        if (!options) throw EGraphicsMemory();
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), QuietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietHandler, nullptr);
        // libtiff's own buffers (strips, tiles, tables) stay below what the largest picture
        // row block can need; a file that asks for more is damaged.
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(256) << 20);

        // "m": no memory mapping, the stream is read through the callbacks.
        std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("picture", "rm", &stream, ReadProc, WriteProc,
                                                                SeekProc, CloseProc, SizeProc, MapProc,
                                                                UnmapProc, options.get()));
        if (!tif) throw ETiffError(texts::kTiffBadHeader);
        Progress(0);

        std::uint32_t width = 0, height = 0;
        if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
            !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
            throw ETiffError(texts::kTiffBadEntry);
        char message[1024] = {};
        if (!TIFFRGBAImageOK(tif.get(), message)) throw ETiffError(texts::kTiffModeNotSupported);
        std::uint16_t extraCount = 0;
        std::uint16_t* extraTypes = nullptr;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
        const bool alpha = extraCount > 0;

        CreateImage(image, 32, width, height, NoFill, texts::kTiffBadEntry);
        auto* raster = reinterpret_cast<std::uint32_t*>(image.pixelBase());
        // Bottom-left orientation: raster row 0 is the bottom row, like pixelBase.
        // Stop at the first damaged strip: the pixels after it would be left unset.
        if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster, ORIENTATION_BOTLEFT, 1))
            throw ETiffError(texts::kTiffReadError);
        Progress(90);

        // libtiff packs red in the low byte; the image wants blue there. Its colours come
        // multiplied by alpha, the image keeps them unmultiplied.
        const std::size_t n = std::size_t(width) * height;
        for (std::size_t i = 0; i < n; ++i) {
            std::uint32_t p = raster[i];
            p = (p & 0xFF00FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
            const std::uint32_t a = p >> 24;
            if (alpha && a != 0 && a != 255) {
                std::uint32_t out = p & 0xFF000000u;
                for (int s = 0; s < 24; s += 8) {
                    const std::uint32_t c = ((p >> s) & 255) * 255 + a / 2;
                    out |= (c / a > 255 ? 255 : c / a) << s;
                }
                p = out;
            }
            raster[i] = p;
        }
        if (!alpha) {
            RasterImage narrow;
            CreateImage(narrow, 24, width, height, NoFill, texts::kTiffBadEntry);
            for (std::uint32_t y = 0; y < height; ++y)
                std::memcpy(narrow.Row(y), image.ReadRow24(y), std::size_t(width) * 3);
            image = std::move(narrow);
        }
        const char* description = nullptr;
        if (TIFFGetField(tif.get(), TIFFTAG_IMAGEDESCRIPTION, &description) && description != nullptr)
            text_.assign(description, strnlen(description, 255));
        Progress(100);
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeTiffReader() { return std::make_unique<TiffReader>(); }

}  // namespace wirbelix
