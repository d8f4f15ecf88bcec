// The JPEG reader, on top of libjpeg. libjpeg's error exit longjmps back into Decode, which
// holds only plain data (its context); the source manager's callbacks read from the stream
// without throwing. A stream that ends before the picture does is an error (libjpeg's own
// habit of padding a cut file with grey is not wanted: the user should learn that the file is
// damaged). Errors become EJpegError "Fehler <code> beim Laden der Jpeg Datei" with libjpeg's
// message code.
//
// Grey pictures give an 8-bit image with a grey palette, colour pictures (YCbCr, RGB, CMYK,
// YCCK) a 24-bit image. The first comment marker becomes the reader's text.
#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

enum class JpegFailure { None, Library, PicSize, WrongColour, Memory, Unknown, Aborted };

constexpr std::size_t kSourceBuffer = 4096;

// Everything the decoding touches; plain data only.
struct JpegContext {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    jpeg_source_mgr src;
    std::jmp_buf jump;
    ImageStream* stream;
    RasterImage* image;
    ImageProgress progress;
    void* progressUser;
    JpegFailure failure;
    int code;
    JOCTET buffer[kSourceBuffer];
    JOCTET* cmykRow;  // width x 4 bytes for CMYK pictures, from libjpeg's image pool
    char comment[256];
};

JpegContext* ContextOf(j_common_ptr cinfo) { return reinterpret_cast<JpegContext*>(cinfo->client_data); }

void OnErrorExit(j_common_ptr cinfo) {
    JpegContext* ctx = ContextOf(cinfo);
    ctx->failure = JpegFailure::Library;
    ctx->code = cinfo->err->msg_code;
    std::longjmp(ctx->jump, 1);
}

void OnOutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    JpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t n = ctx->stream->Read(ctx->buffer, kSourceBuffer);
    if (n == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    ctx->src.next_input_byte = ctx->buffer;
    ctx->src.bytes_in_buffer = n;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    JpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (count <= 0) return;
    const std::size_t skip = static_cast<std::size_t>(count);
    if (skip <= ctx->src.bytes_in_buffer) {
        ctx->src.next_input_byte += skip;
        ctx->src.bytes_in_buffer -= skip;
        return;
    }
    const std::uint64_t rest = skip - ctx->src.bytes_in_buffer;
    ctx->src.bytes_in_buffer = 0;
    if (rest > ctx->stream->Remaining()) ERREXIT(cinfo, JERR_INPUT_EOF);
    ctx->stream->SeekRelative(static_cast<std::int64_t>(rest));
}

void TermSource(j_decompress_ptr) {}

bool Aborted(JpegContext* ctx, int percent) {
    const bool abort = ProgressAsksToStop(ctx->progress, ctx->progressUser, percent);
    if (abort) ctx->failure = JpegFailure::Aborted;
    return abort;
}

// Returns true on success. Only plain data in this frame.
bool Decode(JpegContext* ctx) {
    j_decompress_ptr cinfo = &ctx->cinfo;
    if (setjmp(ctx->jump)) return false;

    jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_COM || m->data_length == 0) continue;
        const std::size_t n = m->data_length < sizeof ctx->comment - 1 ? m->data_length : sizeof ctx->comment - 1;
        std::memcpy(ctx->comment, m->data, n);
        ctx->comment[n] = '\0';
        break;
    }

    const JDIMENSION width = cinfo->image_width, height = cinfo->image_height;
    if (width > JDIMENSION(kMaxImageSide) || height > JDIMENSION(kMaxImageSide) ||
        std::uint64_t(width) * height > ImagePixelLimit()) {
        ctx->failure = JpegFailure::PicSize;
        return false;
    }
    bool grey = false, cmyk = false;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE: cinfo->out_color_space = JCS_GRAYSCALE; grey = true; break;
        case JCS_CMYK:
        case JCS_YCCK: cinfo->out_color_space = JCS_CMYK; cmyk = true; break;
        default: cinfo->out_color_space = JCS_EXT_BGR; break;
    }
    jpeg_start_decompress(cinfo);
    const int depth = grey ? 8 : 24;
    RasterImage& image = *ctx->image;
    if (!image.Create(depth, int(cinfo->output_width), int(cinfo->output_height), NoFill)) {
        switch (image.lastError()) {
            case kErrorSizeTooLarge: ctx->failure = JpegFailure::PicSize; break;
            case kErrorUnsupportedDepth: ctx->failure = JpegFailure::WrongColour; break;
            case kErrorOutOfMemory: ctx->failure = JpegFailure::Memory; break;
            default: ctx->failure = JpegFailure::Unknown;
        }
        return false;
    }
    if (grey) SetGreyPalette(image);
    if (cmyk)
        ctx->cmykRow = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, std::size_t(width) * 4));
    if (Aborted(ctx, 0)) return false;

    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        JSAMPROW row = cmyk ? ctx->cmykRow : image.Row(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
        if (cmyk) {
            // Adobe writes CMYK inverted (0 = full ink), which is what nearly every file holds.
            std::uint8_t* out = image.Row(y);
            const bool inverted = cinfo->saw_Adobe_marker;
            for (JDIMENSION x = 0; x < width; ++x) {
                unsigned c = row[4 * x], m = row[4 * x + 1], yl = row[4 * x + 2], k = row[4 * x + 3];
                if (!inverted) c = 255 - c, m = 255 - m, yl = 255 - yl, k = 255 - k;
                out[3 * x] = std::uint8_t(yl * k / 255);
                out[3 * x + 1] = std::uint8_t(m * k / 255);
                out[3 * x + 2] = std::uint8_t(c * k / 255);
            }
        }
        if ((y & 63) == 63 && Aborted(ctx, int(std::uint64_t(y) * 100 / height))) return false;
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// jpeg_create_decompress may fail (out of memory) through the error exit as well.
bool CreateDecompress(JpegContext* ctx) {
    if (setjmp(ctx->jump)) return false;
    jpeg_create_decompress(&ctx->cinfo);
    return true;
}

class JpegReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EJpegOpenError(); }

    void Read(ImageStream& stream, RasterImage& image) override {
        auto ctx = std::make_unique<JpegContext>();
        std::memset(ctx.get(), 0, sizeof(JpegContext));
        ctx->stream = &stream;
        ctx->image = &image;
        ctx->progress = progress_;
        ctx->progressUser = progressUser_;
        ctx->cinfo.err = jpeg_std_error(&ctx->err);
        ctx->err.error_exit = OnErrorExit;
        ctx->err.output_message = OnOutputMessage;
        ctx->cinfo.client_data = ctx.get();
        Progress(0);
        if (!CreateDecompress(ctx.get())) {
            jpeg_destroy_decompress(&ctx->cinfo);
            throw EGraphicsMemory();
        }
        ctx->src.init_source = InitSource;
        ctx->src.fill_input_buffer = FillInputBuffer;
        ctx->src.skip_input_data = SkipInputData;
        ctx->src.resync_to_restart = jpeg_resync_to_restart;
        ctx->src.term_source = TermSource;
        ctx->cinfo.src = &ctx->src;

        const bool ok = Decode(ctx.get());
        jpeg_destroy_decompress(&ctx->cinfo);
        if (!ok) {
            switch (ctx->failure) {
                case JpegFailure::PicSize: throw EGraphicsPicSize();
                case JpegFailure::WrongColour: throw EGraphicsWrongColor();
                case JpegFailure::Memory: throw EGraphicsMemory();
                case JpegFailure::Aborted: throw EJpegAbort();
                case JpegFailure::Library: {
                    char text[64];
                    std::snprintf(text, sizeof text, texts::kJpegError, ctx->code);
                    throw EJpegError(text);
                }
                default: throw EJpegError(texts::kUnknownError);
            }
        }
        text_ = ctx->comment;
        Progress(100);
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeJpegReader() { return std::make_unique<JpegReader>(); }

}  // namespace wirbelix
