// The PNG reader, on top of libpng. libpng reports errors by longjmp to the point set with
// setjmp; so the decoding runs in a function that holds only plain data (nothing with a
// destructor lives across the setjmp, and the read callback neither throws nor owns anything),
// records what went wrong in its context and returns. The C++ side frees the libpng
// structures and throws afterwards.
//
// Depths: palette and grey pictures of 1, 2, 4 and 8 bits keep that depth (palette pictures
// with the file's palette, grey pictures with a grey palette); RGB gives 24 bits and RGB with
// alpha 32 bits, blue first. Grey with alpha gives a 32-bit image with alpha (grey in all three
// channels), so that a grey rotor keeps its transparency. 16 bits per channel are refused as a
// colour format. The first text chunk becomes the reader's text. Palette and grey pictures with a transparency chunk follow
// ApplyPaletteTransparency.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

enum class PngFailure { None, Library, ReadError, ZeroSize, PicSize, WrongColour, Memory, Unknown, Aborted };

// Everything the decoding touches; plain data only (see above).
struct PngContext {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ImageStream* stream = nullptr;
    RasterImage* image = nullptr;
    ImageProgress progress = nullptr;
    void* progressUser = nullptr;
    PngFailure failure = PngFailure::None;
    char message[256] = {};
    std::uint8_t alpha[256] = {};
    std::uint32_t alphaCount = 0;  // > 0: apply palette transparency afterwards
    char comment[256] = {};        // the first non-empty text chunk before the pixels
};

void OnError(png_structp png, png_const_charp message) {
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    if (ctx->failure == PngFailure::None) {
        ctx->failure = PngFailure::Library;
        std::snprintf(ctx->message, sizeof ctx->message, "%s", message ? message : "");
    }
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep data, png_size_t length) {
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    if (ctx->stream->Read(data, length) != length) {
        ctx->failure = PngFailure::ReadError;
        png_error(png, "short read");
    }
}

bool Aborted(PngContext* ctx, int percent) {
    const bool abort = ProgressAsksToStop(ctx->progress, ctx->progressUser, percent);
    if (abort) ctx->failure = PngFailure::Aborted;
    return abort;
}

// Returns true on success. Only plain data in this frame (see above).
bool Decode(PngContext* ctx) {
    png_structp png = ctx->png;
    png_infop info = ctx->info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, ctx, OnRead);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    png_textp chunks = nullptr;
    const int chunkCount = png_get_text(png, info, &chunks, nullptr);
    for (int i = 0; i < chunkCount; ++i)
        if (chunks[i].text != nullptr && chunks[i].text[0] != '\0') {
            std::snprintf(ctx->comment, sizeof ctx->comment, "%s", chunks[i].text);
            break;
        }
    if (width == 0 || height == 0) {
        ctx->failure = PngFailure::ZeroSize;
        return false;
    }
    if (width > std::uint32_t(kMaxImageSide) || height > std::uint32_t(kMaxImageSide) ||
        std::uint64_t(width) * height > ImagePixelLimit()) {
        ctx->failure = PngFailure::PicSize;
        return false;
    }
    if (bitDepth > 8) {  // 16 bits per channel
        ctx->failure = PngFailure::WrongColour;
        return false;
    }

    int depth = 0;
    bool grey = false;
    switch (colourType) {
        case PNG_COLOR_TYPE_PALETTE: depth = bitDepth; break;
        case PNG_COLOR_TYPE_GRAY: depth = bitDepth; grey = true; break;
        case PNG_COLOR_TYPE_RGB: depth = 24; png_set_bgr(png); break;
        case PNG_COLOR_TYPE_RGB_ALPHA: depth = 32; png_set_bgr(png); break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: depth = 32; png_set_gray_to_rgb(png); png_set_bgr(png); break;
        default: ctx->failure = PngFailure::WrongColour; return false;
    }
    RasterImage& image = *ctx->image;
    if (!image.Create(depth, int(width), int(height), NoFill)) {
        switch (image.lastError()) {
            case kErrorSizeTooLarge: ctx->failure = PngFailure::PicSize; break;
            case kErrorUnsupportedDepth: ctx->failure = PngFailure::WrongColour; break;
            case kErrorOutOfMemory: ctx->failure = PngFailure::Memory; break;
            default: ctx->failure = PngFailure::Unknown;
        }
        return false;
    }
    if (Aborted(ctx, 0)) return false;

    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) != 0) {
            if (count > 256) count = 256;
            for (int i = 0; i < count; ++i)
                image.SetPaletteRgba(std::uint32_t(i), palette[i].red, palette[i].green, palette[i].blue, 0);
        }
    } else if (grey) {
        SetGreyPalette(image);
    }

    // Transparency of palette entries, or the one transparent grey value.
    if (!image.isDirect() && png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_bytep alpha = nullptr;
        int count = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(png, info, &alpha, &count, &colour);
        if (!grey && alpha != nullptr && count > 0) {
            if (count > 256) count = 256;
            std::memcpy(ctx->alpha, alpha, std::size_t(count));
            ctx->alphaCount = std::uint32_t(count);
        } else if (grey && colour != nullptr && colour->gray < image.paletteCount()) {
            std::memset(ctx->alpha, 255, sizeof ctx->alpha);
            ctx->alpha[colour->gray] = 0;
            ctx->alphaCount = image.paletteCount();
        }
    }

    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, image.Row(y), nullptr);
            if ((y & 63) == 63 &&
                Aborted(ctx, int((std::uint64_t(pass) * height + y) * 100 / height / std::uint64_t(passes))))
                return false;
        }
    }
    png_read_end(png, nullptr);
    return true;
}

class PngReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EGraphicsException(texts::kCannotOpenFile); }

    void Read(ImageStream& stream, RasterImage& image) override {
        PngContext ctx;
        ctx.stream = &stream;
        ctx.image = &image;
        ctx.progress = progress_;
        ctx.progressUser = progressUser_;
        // The version string is that of the libpng this program was built against.
        ctx.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
        if (ctx.png == nullptr) throw EGraphicsException(texts::kPngInternal);
        try {
            Progress(0);
        } catch (...) {
            png_destroy_read_struct(&ctx.png, nullptr, nullptr);
            throw;
        }
        ctx.info = png_create_info_struct(ctx.png);
        if (ctx.info == nullptr) {
            png_destroy_read_struct(&ctx.png, nullptr, nullptr);
            throw EGraphicsException(texts::kOutOfMemory);
        }
        const bool ok = Decode(&ctx);
        png_destroy_read_struct(&ctx.png, &ctx.info, nullptr);
        if (!ok) {
            switch (ctx.failure) {
                case PngFailure::ReadError: throw EGraphicsException(texts::kPngReadError);
                case PngFailure::ZeroSize: throw EGraphicsException(texts::kPngNotSupported);
                case PngFailure::PicSize: throw EGraphicsPicSize();
                case PngFailure::WrongColour: throw EGraphicsWrongColor();
                case PngFailure::Memory: throw EGraphicsMemory();
                case PngFailure::Aborted: throw EGraphicsAbort();
                case PngFailure::Library: throw EGraphicsException(ctx.message);
                default: throw EGraphicsException(texts::kUnknownError);
            }
        }
        text_ = ctx.comment;
        if (ctx.alphaCount > 0) ApplyPaletteTransparency(image, ctx.alpha, ctx.alphaCount);
        Progress(100);
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakePngReader() { return std::make_unique<PngReader>(); }

}  // namespace wirbelix
