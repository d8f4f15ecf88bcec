// Feeds arbitrary bytes to the bitmap decoder of the resource export, as a plain bitmap and as
// the picture of an icon (whose height comes from the first byte).
#include <cstddef>
#include <cstdint>

#include "platform/ExportResources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    wirbelix::ResourceBytes bytes(data, size);
    wirbelix::DecodedPicture picture;
    wirbelix::DecodeDib(bytes, picture);
    if (size > 0) wirbelix::DecodeDib(bytes.subspan(1), picture, data[0] % 64 + 1);
    return 0;
}
