// The GIF reader, on top of giflib's record-level interface: it decodes the first picture of
// the stream (at its own size, into an 8-bit image with the local or global colour map) and
// counts the pictures that follow by skipping their data undecoded. A transparent index from
// the graphic control block before the first picture follows ApplyPaletteTransparency. The
// first comment extension becomes the reader's text.
//
// giflib reports errors by return values; its read callback only reads from the stream.
#include <cstring>
#include <gif_lib.h>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

int ReadFromStream(GifFileType* gif, GifByteType* data, int length) {
    if (length <= 0) return 0;
    return static_cast<int>(static_cast<ImageStream*>(gif->UserData)->Read(data, std::size_t(length)));
}

// A failure with the stream used up is a cut file, whatever giflib made of the missing bytes.
[[noreturn]] void ThrowGifError(int code, const ImageStream& stream) {
    if (stream.Remaining() == 0) throw EGifFileReadError();
    switch (code) {
        case D_GIF_ERR_NOT_GIF_FILE: throw EGifNotAGifFile();
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_EOF_TOO_SOON: throw EGifFileReadError();
        case D_GIF_ERR_NOT_ENOUGH_MEM: throw EGraphicsMemory();
        default: throw EGifCorruptFile();
    }
}

[[noreturn]] void ThrowGifError(const GifFileType* gif) {
    ThrowGifError(gif->Error, *static_cast<const ImageStream*>(gif->UserData));
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

class GifReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EGifError(texts::kGifOpenError); }

    void Read(ImageStream& stream, RasterImage& image) override {
        int error = 0;
        std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&stream, ReadFromStream, &error));
        if (!gif) ThrowGifError(error, stream);
        Progress(0);

        int transparent = NO_TRANSPARENT_COLOR;
        int count = 0;
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
                if (count == 0) ThrowGifError(gif.get());
                break;  // the first picture is complete; a damaged tail only ends the count
            }
            if (type == TERMINATE_RECORD_TYPE) break;
            if (type == EXTENSION_RECORD_TYPE) {
                if (!ReadExtension(gif.get(), count == 0 ? &transparent : nullptr)) {
                    if (count == 0) ThrowGifError(gif.get());
                    break;
                }
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE) {
                if (count == 0) throw EGifCorruptFile();
                break;
            }
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
                if (count == 0) ThrowGifError(gif.get());
                break;
            }
            if (count == 0) {
                ReadFirstPicture(gif.get(), image);
            } else if (!SkipPicture(gif.get())) {
                break;
            }
            ++count;
        }
        if (count == 0) throw EGifNoMoreImages();
        imageCount_ = count;
        if (transparent >= 0 && transparent < 256) {
            std::uint8_t alpha[256];
            std::memset(alpha, 255, sizeof alpha);
            alpha[transparent] = 0;
            ApplyPaletteTransparency(image, alpha, 256);
        }
        Progress(100);
    }

private:
    // Reads one extension; the graphic control block's transparent index goes to transparent
    // when it is given, the first comment to the text.
    bool ReadExtension(GifFileType* gif, int* transparent) {
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        bool first = true;
        while (block != nullptr) {
            if (first && code == GRAPHICS_EXT_FUNC_CODE && transparent != nullptr) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) *transparent = gcb.TransparentColor;
            }
            if (code == COMMENT_EXT_FUNC_CODE && text_.size() < 255)
                text_.append(reinterpret_cast<const char*>(block + 1), block[0]);
            first = false;
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
        }
        return true;
    }

    void ReadFirstPicture(GifFileType* gif, RasterImage& image) {
        const GifImageDesc& d = gif->Image;
        CreateImage(image, 8, d.Width, d.Height, 0, texts::kGifCorruptFile);
        for (std::uint32_t i = 0; i < 256; ++i) image.SetPaletteEntry(i, 0);
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        if (map != nullptr && map->Colors != nullptr) {
            const int n = map->ColorCount < 256 ? map->ColorCount : 256;
            for (int i = 0; i < n; ++i)
                image.SetPaletteRgb(std::uint32_t(i), map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
        } else {
            SetGreyPalette(image);
        }
        const int h = d.Height, w = d.Width;
        if (d.Interlace) {
            static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
            int done = 0;
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < h; y += kStep[pass]) {
                    if (DGifGetLine(gif, image.Row(std::uint32_t(y)), w) == GIF_ERROR) ThrowGifError(gif);
                    if ((++done & 63) == 0) Progress(int(std::int64_t(done) * 100 / h));
                }
        } else {
            for (int y = 0; y < h; ++y) {
                if (DGifGetLine(gif, image.Row(std::uint32_t(y)), w) == GIF_ERROR) ThrowGifError(gif);
                if ((y & 63) == 63) Progress(int(std::int64_t(y) * 100 / h));
            }
        }
    }

    static bool SkipPicture(GifFileType* gif) {
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
        while (block != nullptr)
            if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
        return true;
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeGifReader() { return std::make_unique<GifReader>(); }

}  // namespace wirbelix
