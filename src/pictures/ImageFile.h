// LoadImageFile: reads a picture from a file, an embedded resource ("res://bitmap/153") or an
// open stream into a RasterImage. The format is recognised by the first 64 bytes, never by the
// name (DetectImageFormat), and the reader's exceptions become a result code and a German text.
//
// Results and the text LastImageError() then answers:
//    0 success                                     empty
//   -1 a reader error (general or aborted)         the exception's text
//   -2 unknown format                              "Unbekanntes Datei Format."
//   -3 the file or resource cannot be opened       "Kann Datei nicht öffnen."
//   -4 picture too large                           the exception's text
//   -5 colour format not supported                 the exception's text
//   -6 out of memory                               the exception's text
//   -7 any other failure                           "Unbekannter Fehler"
// Nothing escapes: after a failure the image may be empty or partly read.
//
// Thread contract: the last error text and LastImageCount are process-wide and unguarded; the
// loader is called from one thread at a time (the user-interface thread, a console command, or
// the picture dialog's reader thread, which is joined before the dialog ends and meanwhile is
// the only reader).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "pictures/ImageReader.h"

namespace wirbelix {

class ImageStream;
class RasterImage;

inline constexpr int kImageOk = 0;
inline constexpr int kImageReaderError = -1;
inline constexpr int kImageUnknownFormat = -2;
inline constexpr int kImageCannotOpen = -3;
inline constexpr int kImageTooLarge = -4;
inline constexpr int kImageWrongColour = -5;
inline constexpr int kImageOutOfMemory = -6;
inline constexpr int kImageOtherFailure = -7;

namespace texts {
inline constexpr char kUnknownFileFormat[] = "Unbekanntes Datei Format.";
inline constexpr char kOtherFailure[] = "Unbekannter Fehler";
}  // namespace texts

// Bytes of the start of a file that decide its format.
inline constexpr std::size_t kFormatProbeBytes = 64;

// The format of a file that starts with these bytes (shorter spans count as padded with 0).
// The tests run in a fixed order and a later match replaces an earlier one; the first test
// recognises the binary EPS header (C5 D0 D3 C6), whose TIFF preview the EPS reader shows.
ImageFormat DetectImageFormat(std::span<const std::uint8_t> start);

// Opens name (a path or a res:// name) and reads it. With text given and a reader that found a
// non-empty text in the file, *text receives a copy of it.
int LoadImageFile(std::string_view name, RasterImage& image, std::string* text = nullptr);

// The same on an open stream, read from its start; the stream is closed afterwards.
int LoadImageFile(ImageStream& stream, RasterImage& image, std::string* text = nullptr);

// The text of the last failure (at most 511 bytes), empty after a success.
const std::string& LastImageError();
// The number of pictures in the last GIF read, -1 after any other format.
int LastImageCount();

}  // namespace wirbelix
