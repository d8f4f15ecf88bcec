#include "pictures/ExportResources.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "pictures/DibDecoder.h"
#include "pictures/ImageFile.h"
#include "pictures/PngWriter.h"
#include "pictures/RasterImage.h"
#include "platform/ResourceTable.h"
#include "platform/TextCompare.h"

namespace wirbelix {

namespace {

bool WriteBytes(const std::filesystem::path& path, ResourceBytes a, ResourceBytes b = {}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(a.data(), 1, a.size(), f) == a.size() &&
              (b.empty() || std::fwrite(b.data(), 1, b.size(), f) == b.size());
    return std::fclose(f) == 0 && ok;
}

std::string FileStem(std::string_view type, std::string_view name, int number) {
    std::string t;
    for (char c : type) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (number >= 0) return t + "-" + std::to_string(number);
    if (t == "wave") return std::string(name);
    return t + "-" + std::string(name);
}

// The 14-byte file header that makes an embedded bitmap a .bmp file: "BM", the file size, two
// reserved words and the offset of the pixels.
void BmpFileHeader(const DibHeader& dib, std::size_t dibBytes, std::uint8_t (&header)[14]) {
    const auto size = static_cast<std::uint32_t>(dibBytes + 14);
    const auto offset = static_cast<std::uint32_t>(14 + dib.pixelOffset);
    for (std::uint8_t& b : header) b = 0;
    header[0] = 'B';
    header[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        header[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
        header[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    }
}

}  // namespace

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
        auto writePng = [&](const RasterImage& picture) {
            std::filesystem::path path = base;
            path += ".png";
            if (!WritePngFile(path.string(), picture)) fail("Kann " + path.string() + " nicht schreiben.");
        };
        RasterImage picture;
        if (EqualsNoCase(type, "BITMAP")) {
            DibHeader header;
            if (ParseDibHeader(bytes, header) != DibStatus::Ok || DecodeDib(bytes, picture) != DibStatus::Ok)
                return fail("Die Bitmap " + base.filename().string() + " ist fehlerhaft.");
            std::uint8_t fileHeader[14];
            BmpFileHeader(header, bytes.size(), fileHeader);
            write(".bmp", ResourceBytes(fileHeader, sizeof fileHeader), bytes);
            if (ok) writePng(picture);
        } else if (EqualsNoCase(type, "ICON")) {
            std::string resource = "res://" + std::string(type) + "/" +
                                   (number >= 0 ? std::to_string(number) : std::string(name));
            if (LoadImageFile(resource.c_str(), picture) != kImageOk)
                return fail("Das Icon " + base.filename().string() + " ist fehlerhaft.");
            write(".ico", bytes);
            if (ok) writePng(picture);
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
