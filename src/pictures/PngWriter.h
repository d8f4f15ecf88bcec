// Writing a RasterImage as a PNG file: 8-bit RGB, or RGBA for a 32-bit image with alpha. For the
// console commands that let a user look at a picture as the program read it.
#pragma once

#include <string>

namespace wirbelix {

class RasterImage;

// False when the image is empty or the file cannot be written (a partly written file may then
// remain). libpng's errors never leave this function.
bool WritePngFile(const std::string& path, const RasterImage& image);

}  // namespace wirbelix
