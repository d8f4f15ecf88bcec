#include "pictures/PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "pictures/RasterImage.h"

namespace wirbelix {

namespace {

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnPngWarning(png_structp, png_const_charp) {}

// Writes the image; only plain data lives in this frame, because libpng's errors longjmp here.
bool WritePngRows(png_structp png, png_infop info, std::FILE* file, const RasterImage* image, bool alpha) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, image->width(), image->height(), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (std::uint32_t y = 0; y < image->height(); ++y) {
        const std::uint8_t* row = alpha ? image->ReadRow32(y) : image->ReadRow24(y);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePngFile(const std::string& path, const RasterImage& image) {
    if (image.empty() || image.width() == 0 || image.height() == 0) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png != nullptr && info != nullptr &&
              WritePngRows(png, info, file, &image, image.bitsPerPixel() == 32 && image.HasAlpha());
    png_destroy_write_struct(&png, &info);
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace wirbelix
