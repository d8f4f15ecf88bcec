// The TLS reader. TLS picture sequences are not a format this program can decode: a file that
// carries the TLS signature is refused cleanly with the format's own exception, and anything
// else handed to this reader is not a TLS file.
#include <cstring>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

class TlsReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw ETlsFileOpenError(); }

    void Read(ImageStream& stream, RasterImage&) override {
        std::uint8_t magic[4];
        if (!stream.ReadExact(magic, 4)) throw ETlsFileReadError();
        if (std::memcmp(magic, "TLSP", 4) != 0) throw ETlsNotATlsFile();
        throw ETlsNotFound();
    }
};

}  // namespace

std::unique_ptr<ImageReader> MakeTlsReader() { return std::make_unique<TlsReader>(); }

}  // namespace wirbelix
