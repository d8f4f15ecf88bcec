#include "platform/ExportResources.h"

#include <png.h>

#include "platform/TextCompare.h"

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace wirbelix {

namespace {

std::uint32_t Le32(ResourceBytes b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(ResourceBytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Bytes of the palette that follows the information header.
std::size_t PaletteBytes(ResourceBytes dib) {
    unsigned bits = Le16(dib, 14);
    std::uint32_t used = Le32(dib, 32);
    if (bits > 8) return 0;
    return 4 * static_cast<std::size_t>(used ? used : 1u << bits);
}

// RLE8 pixels into indices (top row first); false on a run past a row, past the last row, or a
// stream without its end code.
bool DecodeRle8(ResourceBytes data, int w, int h, std::vector<std::uint8_t>& indices) {
    indices.assign(static_cast<std::size_t>(w) * h, 0);
    int x = 0, row = 0;  // row counts from the bottom
    std::size_t p = 0;
    auto put = [&](std::uint8_t v) {
        if (x >= w || row >= h) return false;
        indices[static_cast<std::size_t>(h - 1 - row) * w + x++] = v;
        return true;
    };
    while (p + 1 < data.size()) {
        std::uint8_t n = data[p], v = data[p + 1];
        p += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i)
                if (!put(v)) return false;
        } else if (v == 0) {
            x = 0, ++row;
        } else if (v == 1) {
            return true;
        } else if (v == 2) {
            if (p + 1 >= data.size()) return false;
            x += data[p], row += data[p + 1];
            p += 2;
            if (x > w || row > h) return false;
        } else {
            if (p + v > data.size()) return false;
            for (int i = 0; i < v; ++i)
                if (!put(data[p + i])) return false;
            p += v + (v & 1);
        }
    }
    return false;
}

bool WriteBytes(const std::filesystem::path& path, ResourceBytes a, ResourceBytes b = {}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(a.data(), 1, a.size(), f) == a.size() &&
              (b.empty() || std::fwrite(b.data(), 1, b.size(), f) == b.size());
    return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::filesystem::path& path, const DecodedPicture& pic) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (png && info) {
        // libpng reports its errors by jumping back here; nothing below owns resources that the
        // jump would skip.
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_init_io(png, f);
            png_set_IHDR(png, info, static_cast<png_uint_32>(pic.width), static_cast<png_uint_32>(pic.height), 8,
                         PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                         PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            for (int y = 0; y < pic.height; ++y)
                png_write_row(png, pic.rgba.data() + static_cast<std::size_t>(y) * pic.width * 4);
            png_write_end(png, nullptr);
            ok = true;
        }
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(f) == 0 && ok;
}

// The largest picture of an icon file.
bool DecodeIcon(ResourceBytes ico, DecodedPicture& out) {
    if (ico.size() < 6 || Le16(ico, 0) != 0 || Le16(ico, 2) != 1) return false;
    unsigned count = Le16(ico, 4);
    if (ico.size() < 6 + 16 * static_cast<std::size_t>(count)) return false;
    int bestSize = -1;
    ResourceBytes best;
    for (unsigned i = 0; i < count; ++i) {
        std::size_t e = 6 + 16 * static_cast<std::size_t>(i);
        int size = ico[e] ? ico[e] : 256;
        std::uint32_t bytes = Le32(ico, e + 8), offset = Le32(ico, e + 12);
        if (offset > ico.size() || bytes > ico.size() - offset) return false;
        if (size > bestSize) bestSize = size, best = ico.subspan(offset, bytes);
    }
    if (best.size() < 40) return false;
    return DecodeDib(best, out, static_cast<int>(Le32(best, 8) / 2));
}

std::string FileStem(std::string_view type, std::string_view name, int number) {
    std::string t;
    for (char c : type) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (number >= 0) return t + "-" + std::to_string(number);
    if (t == "wave") return std::string(name);
    return t + "-" + std::string(name);
}

}  // namespace

bool DecodeDib(ResourceBytes dib, DecodedPicture& out, int iconRows) {
    if (dib.size() < 40 || Le32(dib, 0) < 40) return false;
    std::uint32_t headerSize = Le32(dib, 0);
    auto w = static_cast<std::int32_t>(Le32(dib, 4));
    auto h = static_cast<std::int32_t>(Le32(dib, 8));
    unsigned bits = Le16(dib, 14);
    std::uint32_t compression = Le32(dib, 16);
    if (iconRows > 0) h = iconRows;
    // The built-in pictures are at most 1024 pixels; the limit keeps a damaged header from
    // asking for gigabytes.
    if (w <= 0 || h <= 0 || w > kMaxDibSide || h > kMaxDibSide) return false;
    bool indexed = bits == 1 || bits == 4 || bits == 8;
    if (!indexed && bits != 24 && bits != 32) return false;
    if (compression != 0 && !(compression == 1 && bits == 8 && iconRows == 0)) return false;
    std::size_t paletteAt = headerSize, paletteBytes = PaletteBytes(dib);
    if (headerSize > dib.size() || paletteBytes > dib.size() - paletteAt) return false;
    ResourceBytes pixels = dib.subspan(paletteAt + paletteBytes);
    std::size_t colours = paletteBytes / 4;

    std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    if (compression == 0 && stride * h > pixels.size()) return false;

    out.width = w, out.height = h;
    out.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
    auto setIndex = [&](int x, int y, unsigned v) {
        if (v >= colours) return false;
        std::uint8_t* p = &out.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
        p[0] = dib[paletteAt + 4 * v + 2], p[1] = dib[paletteAt + 4 * v + 1], p[2] = dib[paletteAt + 4 * v];
        return true;
    };

    if (compression == 1) {
        std::vector<std::uint8_t> indices;
        if (!DecodeRle8(pixels, w, h, indices)) return false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!setIndex(x, y, indices[static_cast<std::size_t>(y) * w + x])) return false;
        return true;
    }
    bool anyAlpha = false;
    for (int row = 0; row < h; ++row) {
        int y = h - 1 - row;
        ResourceBytes r = pixels.subspan(stride * row, stride);
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &out.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            if (bits == 32 || bits == 24) {
                std::size_t at = static_cast<std::size_t>(x) * (bits / 8);
                p[0] = r[at + 2], p[1] = r[at + 1], p[2] = r[at];
                if (bits == 32) p[3] = r[at + 3], anyAlpha = anyAlpha || r[at + 3] != 0;
            } else {
                unsigned bitPos = static_cast<unsigned>(x) * bits;
                unsigned v = (r[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                if (!setIndex(x, y, v)) return false;
            }
        }
    }
    if (bits == 32 && !anyAlpha)
        for (std::size_t i = 3; i < out.rgba.size(); i += 4) out.rgba[i] = 255;
    if (iconRows > 0) {
        std::size_t maskStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
        ResourceBytes mask = pixels.subspan(stride * h);
        if (maskStride * h > mask.size()) return false;
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                if ((mask[maskStride * row + x / 8] >> (7 - x % 8)) & 1)
                    out.rgba[(static_cast<std::size_t>(h - 1 - row) * w + x) * 4 + 3] = 0;
    }
    return true;
}

bool ExportResourcesTo(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        error = "Kann den Ordner " + dir + " nicht anlegen.";
        return false;
    }
    bool ok = true;
    ForEachResource([&](std::string_view type, std::string_view name, int number, ResourceBytes bytes) {
        if (!ok) return;
        std::filesystem::path base = std::filesystem::path(dir) / FileStem(type, name, number);
        auto fail = [&](const std::string& what) {
            error = what;
            ok = false;
        };
        auto write = [&](const std::string& ext, ResourceBytes a, ResourceBytes b = {}) {
            std::filesystem::path path = base;
            path += ext;
            if (!WriteBytes(path, a, b)) fail("Kann " + path.string() + " nicht schreiben.");
        };
        auto writePng = [&](const DecodedPicture& pic) {
            std::filesystem::path path = base;
            path += ".png";
            if (!WritePng(path, pic)) fail("Kann " + path.string() + " nicht schreiben.");
        };
        DecodedPicture pic;
        if (EqualsNoCase(type, "BITMAP")) {
            if (!DecodeDib(bytes, pic)) return fail("Die Bitmap " + base.filename().string() + " ist fehlerhaft.");
            // The file header: "BM", file size, two reserved words, offset of the pixels.
            std::uint32_t size = static_cast<std::uint32_t>(bytes.size() + 14);
            std::uint32_t offset = static_cast<std::uint32_t>(14 + Le32(bytes, 0) + PaletteBytes(bytes));
            std::uint8_t header[14] = {'B', 'M'};
            for (int i = 0; i < 4; ++i) {
                header[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
                header[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
            }
            write(".bmp", ResourceBytes(header, sizeof header), bytes);
            if (ok) writePng(pic);
        } else if (EqualsNoCase(type, "ICON")) {
            if (!DecodeIcon(bytes, pic)) return fail("Das Icon " + base.filename().string() + " ist fehlerhaft.");
            write(".ico", bytes);
            if (ok) writePng(pic);
        } else if (EqualsNoCase(type, "WAVE")) {
            write(".wav", bytes);
        } else {
            write(".bin", bytes);
        }
    });
    return ok;
}

int ExportResourcesCommand(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "Aufruf: wirbelix --export-resources ORDNER\n");
        return 2;
    }
    std::string error;
    if (!ExportResourcesTo(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("Die eingebauten Bilder und Klänge stehen in %s.\n", argv[1]);
    return 0;
}

}  // namespace wirbelix
