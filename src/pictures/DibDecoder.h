// Decoding of a device-independent bitmap held in memory: an information header (the 12-byte
// core header or a header of 40 bytes or more), its palette and its pixels, without the 14-byte
// file header of a BMP file. The embedded bitmap resources have exactly this shape, and a BMP
// file is one after its file header, so the BMP file reader and LoadBitmapResource share it.
//
// Accepted: 1 bit uncompressed; 4 bits uncompressed or RLE4; 8 bits uncompressed or RLE8;
// 24 and 32 bits uncompressed (the fourth byte of a 32-bit pixel is its alpha). Rows are stored
// bottom-up; an uncompressed bitmap with a negative height is stored top-down.
//
// Every length, count, run and offset is checked against the bytes given; nothing is read
// outside them and nothing is allocated before the size has been checked by RasterImage::Create.
// Nothing throws: the result says what went wrong, and the caller (the BMP reader) turns it into
// its own exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wirbelix {

class RasterImage;

enum class DibStatus {
    Ok,
    NotADib,       // fewer bytes than an information header, or a header size of 0
    CorruptFile,   // a header size below 40 other than 12, negative width, RLE stored top-down,
                   // more than 256 palette entries, pixels placed before the palette's end
    NotSupported,  // a depth or compression not in the list above
    CreateFailed,  // RasterImage::Create failed (the image's lastError says why)
    ReadError,     // the data ends early, or a run passes the end of a row or of the picture
    Aborted,       // the image's progress function asked to stop
};

// The fields of the information header, normalised to the 40-byte form.
struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // as stored: negative means top-down rows
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    std::uint32_t imageSize = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t coloursImportant = 0;
    bool coreHeader = false;            // the 12-byte form with 3-byte palette entries
    std::uint32_t paletteEntries = 0;   // entries stored after the header
    std::uint32_t paletteEntryBytes = 0;  // 3 for the core header, else 4
    std::size_t paletteOffset = 0;      // = headerSize
    std::size_t pixelOffset = 0;        // where the pixels start when they follow the palette
};

inline constexpr std::uint32_t kDibCompressionNone = 0;
inline constexpr std::uint32_t kDibCompressionRle8 = 1;
inline constexpr std::uint32_t kDibCompressionRle4 = 2;
inline constexpr std::uint32_t kDibCompressionBitFields = 3;

// Reads and checks the information header at the start of dib (depth and compression are not
// checked here). Ok, NotADib, CorruptFile or ReadError.
DibStatus ParseDibHeader(std::span<const std::uint8_t> dib, DibHeader& header);

// Pass as pixelOffset when the pixels follow the palette directly.
inline constexpr std::size_t kPixelsAfterPalette = static_cast<std::size_t>(-1);

// Decodes the bitmap into image (recreated at the bitmap's depth and size; palette entries that
// the bitmap does not store keep the default palette of Create). pixelOffset is the offset of
// the pixels from the start of dib (a BMP file's pixel offset minus 14). The image's progress
// function, if any, is called once per row. After a failure the image is empty or, when the
// failure came while reading the pixels, partly written.
DibStatus DecodeDib(std::span<const std::uint8_t> dib, RasterImage& image,
                    std::size_t pixelOffset = kPixelsAfterPalette);

}  // namespace wirbelix
