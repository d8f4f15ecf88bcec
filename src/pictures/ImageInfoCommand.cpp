#include "pictures/ImageInfoCommand.h"

#include <cstdio>
#include <cstring>

#include "pictures/ImageFile.h"
#include "pictures/PngWriter.h"
#include "pictures/RasterImage.h"

namespace wirbelix {

int RunImageInfo(int argc, char** argv) {
    const char* input = nullptr;
    const char* output = nullptr;
    bool wrong = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0) {
            if (i + 1 >= argc || output != nullptr) wrong = true;
            else output = argv[++i];
        } else if (input == nullptr && argv[i][0] != '\0') {
            input = argv[i];
        } else {
            wrong = true;
        }
    }
    if (wrong || input == nullptr) {
        std::fprintf(stderr, "usage: wirbelix --image-info FILE [--png OUT]\n");
        return 2;
    }
    RasterImage image;
    const int result = LoadImageFile(input, image);
    std::printf("result=%d depth=%u width=%u height=%u alpha_kind=%d\n", result, image.bitsPerPixel(),
                image.width(), image.height(), image.AlphaKind());
    if (result != kImageOk) {
        std::printf("error=%s\n", LastImageError().c_str());
        return 1;
    }
    if (output != nullptr && !WritePngFile(output, image)) {
        std::fprintf(stderr, "cannot write %s\n", output);
        return 3;
    }
    return 0;
}

}  // namespace wirbelix
