// The exceptions of the picture readers. Every exception carries a German message text of up
// to 255 characters (longer texts are cut at a character boundary) and a kind code that the
// loader turns into its result (LoadImageFile in ImageFile.h):
//
//   kind 0 general error (each format's own classes), 1 aborted by the progress function,
//   4 picture too large, 5 colour format not supported, 6 out of memory.
//
// The texts are declared once here, grouped by format, and used from here everywhere.
//
// Thread contract: exceptions are plain values. Failure behaviour: constructing one never
// throws.
#pragma once

#include <cstddef>
#include <exception>
#include <string_view>

namespace wirbelix {

inline constexpr int kGraphicsGeneral = 0;
inline constexpr int kGraphicsAborted = 1;
inline constexpr int kGraphicsPicSize = 4;
inline constexpr int kGraphicsWrongColor = 5;
inline constexpr int kGraphicsMemory = 6;

namespace texts {
// Shared by the readers.
inline constexpr char kUserAbort[] = "Benutzer Abbruch";
inline constexpr char kPicTooLarge[] = "Das Bild ist zu groß";
inline constexpr char kWrongColour[] = "Falsches Farbformat";
inline constexpr char kOutOfMemory[] = "Zu wenig Speicher";
inline constexpr char kUnknownError[] = "Unknown error";
// PNG.
inline constexpr char kPngInternal[] = "Interner Fehler";
inline constexpr char kPngReadError[] = "Fehler beim Lesen";
inline constexpr char kPngNotSupported[] = "Das Format wird nicht unterstützt";
// The loader's text for a name that cannot be opened; the PNG reader, which has no open text
// of its own, uses it too.
inline constexpr char kCannotOpenFile[] = "Kann Datei nicht öffnen.";
// BMP.
inline constexpr char kBmpNotABmpFile[] = "Die Datei ist keine BMP-Datei !";
inline constexpr char kBmpCorruptFile[] = "Beschädigte BMP-Datei !";
inline constexpr char kBmpNotSupported[] = "Das Format der BMP-Datei wird nicht unterstützt !";
inline constexpr char kBmpUnknownError[] = "Fehler beim Unknown Error";
inline constexpr char kBmpFileReadError[] = "Fehler beim Lesen der BMP-Datei !";
inline constexpr char kBmpFileOpenError[] = "Fehler beim Öffnen der BMP-Datei !";
// JPEG ("%i" is libjpeg's message code).
inline constexpr char kJpegError[] = "Fehler %i beim Laden der Jpeg Datei";
inline constexpr char kJpegOpenError[] = "Fehler beim Öffnen der Datei !";
// GIF.
inline constexpr char kGifNotAGifFile[] = "Stream is not in GIF format";
inline constexpr char kGifCorruptFile[] = "Gif stream is corrupt";
inline constexpr char kGifFileReadError[] = "Error reading from GIF file";
inline constexpr char kGifNoMoreImages[] = "No more images in the GIF stream";
inline constexpr char kGifOpenError[] = "Fehler beim Öffnen der Datei";
// TIFF.
inline constexpr char kTiffBadEntry[] = "Falscher Eintrag";
inline constexpr char kTiffModeNotSupported[] = "Modus ist nicht unterstützt";
inline constexpr char kTiffReadError[] = "Fehler beim Lesen";
inline constexpr char kTiffBadMode[] = "Falscher Modus";
inline constexpr char kTiffBadHeader[] = "Falscher Header";
inline constexpr char kTiffOpenError[] = "Fehler beim Öffnen der Datei";
// Icons and cursors.
inline constexpr char kIconOpenError[] = "Datei konnte nicht geöffnet werden !";
inline constexpr char kIconNotFound[] = "Das Icon konnte in der Datei nicht gefunden werden !";
inline constexpr char kIconColourFormat[] = "Das Farbformat wird nicht unterstützt !";
inline constexpr char kIconBadFormat[] = "Fehlerhaftes Dateiformat !";
inline constexpr char kIconCompressed[] = "Komprimierte Icons werden nicht unterstützt !";
inline constexpr char kIconReadError[] = "Fehler beim lesen aus der Datei !";
inline constexpr char kIconBlockTooLarge[] = "Zugroßer Datenblock !";
// TLS.
inline constexpr char kTlsFileOpenError[] = "Fehler beim Öffnen der TLS-Datei !";
inline constexpr char kTlsNotATlsFile[] = "Die Datei ist keine TLS-Datei !";
inline constexpr char kTlsCorruptFile[] = "Beschädigte TLS-Datei !";
inline constexpr char kTlsCrcError[] = "Falsche CRC-Summe !";
inline constexpr char kTlsNotFound[] = "Das Bild wurde in der Sequenz nicht gefunden !";
inline constexpr char kTlsFileReadError[] = "Fehler beim Lesen der TLS-Datei !";
// EPS.
inline constexpr char kEpsFileOpenError[] = "Fehler beim Öffnen der EPS-Datei !";
inline constexpr char kEpsNotAEpsFile[] = "Die Datei ist keine EPS-Datei !";
inline constexpr char kEpsCorruptFile[] = "Beschädigte EPS-Datei !";
inline constexpr char kEpsNotSupported[] = "Das Format der EPS-Datei wird nicht unterstützt !";
inline constexpr char kEpsFileReadError[] = "Fehler beim Lesen der EPS-Datei !";
// PNM.
inline constexpr char kPnmFileOpenError[] = "Fehler beim Öffnen der PNM-Datei !";
inline constexpr char kPnmNotAPnmFile[] = "Die Datei ist keine PNM-Datei !";
inline constexpr char kPnmCorruptFile[] = "Beschädigte PNM-Datei !";
inline constexpr char kPnmFileReadError[] = "Fehler beim Lesen der PNM-Datei !";
// XWD.
inline constexpr char kXwdFileOpenError[] = "Fehler beim Öffnen der XWD-Datei !";
inline constexpr char kXwdNotAXwdFile[] = "Die Datei ist keine XWD-Datei !";
inline constexpr char kXwdFileReadError[] = "Fehler beim Lesen der XWD-Datei !";
// XPM.
inline constexpr char kXpmReadError[] = "Fehler beim Lesen aus der Datei";
inline constexpr char kXpmTooManyColours[] = "Zu viele Farben definiert";
inline constexpr char kXpmTooFewColours[] = "Zu wenige Farben definiert";
inline constexpr char kXpmUnknownFormat[] = "Unbekantes Format";
inline constexpr char kXpmColourFormat[] = "Nicht unterstütztes Farbformat";
inline constexpr char kXpmFileError[] = "Fehler in der Datei";
inline constexpr char kXpmOpenError[] = "Fehler beim Öffnen der Datei";
}  // namespace texts

// The base of the family: a text and a kind.
class EGraphicsException : public std::exception {
public:
    explicit EGraphicsException(std::string_view text, int kind = kGraphicsGeneral) noexcept;
    const char* what() const noexcept override { return text_; }
    std::string_view text() const noexcept { return text_; }
    int kind() const noexcept { return kind_; }

private:
    char text_[256];
    int kind_;
};

class EGraphicsAbort : public EGraphicsException {
public:
    EGraphicsAbort() noexcept : EGraphicsException(texts::kUserAbort, kGraphicsAborted) {}
};
class EGraphicsPicSize : public EGraphicsException {
public:
    explicit EGraphicsPicSize(std::string_view text = texts::kPicTooLarge) noexcept
        : EGraphicsException(text, kGraphicsPicSize) {}
};
class EGraphicsWrongColor : public EGraphicsException {
public:
    explicit EGraphicsWrongColor(std::string_view text = texts::kWrongColour) noexcept
        : EGraphicsException(text, kGraphicsWrongColor) {}
};
class EGraphicsMemory : public EGraphicsException {
public:
    explicit EGraphicsMemory(std::string_view text = texts::kOutOfMemory) noexcept
        : EGraphicsException(text, kGraphicsMemory) {}
};

// A kind-0 exception class of one format, with its usual text as the default.
#define WIRBELIX_FORMAT_EXCEPTION(Name, Base, DefaultText)                              \
    class Name : public Base {                                                            \
    public:                                                                               \
        explicit Name(std::string_view text = DefaultText) noexcept : Base(text) {}     \
    };

WIRBELIX_FORMAT_EXCEPTION(EBmpFileOpenError, EGraphicsException, texts::kBmpFileOpenError)
WIRBELIX_FORMAT_EXCEPTION(EBmpNotABmpFile, EGraphicsException, texts::kBmpNotABmpFile)
WIRBELIX_FORMAT_EXCEPTION(EBmpCorruptFile, EGraphicsException, texts::kBmpCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(EBmpNotSupported, EGraphicsException, texts::kBmpNotSupported)
WIRBELIX_FORMAT_EXCEPTION(EBmpFileReadError, EGraphicsException, texts::kBmpFileReadError)
WIRBELIX_FORMAT_EXCEPTION(EBmpUnknownError, EGraphicsException, texts::kBmpUnknownError)

WIRBELIX_FORMAT_EXCEPTION(EJpegError, EGraphicsException, texts::kUnknownError)
WIRBELIX_FORMAT_EXCEPTION(EJpegOpenError, EJpegError, texts::kJpegOpenError)
class EJpegAbort : public EGraphicsAbort {};

WIRBELIX_FORMAT_EXCEPTION(EGifError, EGraphicsException, texts::kGifCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(EGifNotAGifFile, EGifError, texts::kGifNotAGifFile)
WIRBELIX_FORMAT_EXCEPTION(EGifCorruptFile, EGifError, texts::kGifCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(EGifFileReadError, EGifError, texts::kGifFileReadError)
WIRBELIX_FORMAT_EXCEPTION(EGifNoMoreImages, EGifError, texts::kGifNoMoreImages)

WIRBELIX_FORMAT_EXCEPTION(ETiffError, EGraphicsException, texts::kTiffReadError)

WIRBELIX_FORMAT_EXCEPTION(EIconError, EGraphicsException, texts::kIconBadFormat)

WIRBELIX_FORMAT_EXCEPTION(ETlsFileOpenError, EGraphicsException, texts::kTlsFileOpenError)
WIRBELIX_FORMAT_EXCEPTION(ETlsNotATlsFile, EGraphicsException, texts::kTlsNotATlsFile)
WIRBELIX_FORMAT_EXCEPTION(ETlsCorruptFile, EGraphicsException, texts::kTlsCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(ETlsCrcError, EGraphicsException, texts::kTlsCrcError)
WIRBELIX_FORMAT_EXCEPTION(ETlsNotFound, EGraphicsException, texts::kTlsNotFound)
WIRBELIX_FORMAT_EXCEPTION(ETlsFileReadError, EGraphicsException, texts::kTlsFileReadError)
WIRBELIX_FORMAT_EXCEPTION(ETlsUnknownError, EGraphicsException, texts::kUnknownError)

WIRBELIX_FORMAT_EXCEPTION(EEpsFileOpenError, EGraphicsException, texts::kEpsFileOpenError)
WIRBELIX_FORMAT_EXCEPTION(EEpsNotAEpsFile, EGraphicsException, texts::kEpsNotAEpsFile)
WIRBELIX_FORMAT_EXCEPTION(EEpsCorruptFile, EGraphicsException, texts::kEpsCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(EEpsNotSupported, EGraphicsException, texts::kEpsNotSupported)
WIRBELIX_FORMAT_EXCEPTION(EEpsFileReadError, EGraphicsException, texts::kEpsFileReadError)
WIRBELIX_FORMAT_EXCEPTION(EEpsUnknownError, EGraphicsException, texts::kUnknownError)

WIRBELIX_FORMAT_EXCEPTION(EPnmFileOpenError, EGraphicsException, texts::kPnmFileOpenError)
WIRBELIX_FORMAT_EXCEPTION(EPnmNotAPnmFile, EGraphicsException, texts::kPnmNotAPnmFile)
WIRBELIX_FORMAT_EXCEPTION(EPnmCorruptFile, EGraphicsException, texts::kPnmCorruptFile)
WIRBELIX_FORMAT_EXCEPTION(EPnmFileReadError, EGraphicsException, texts::kPnmFileReadError)

WIRBELIX_FORMAT_EXCEPTION(EXwdFileOpenError, EGraphicsException, texts::kXwdFileOpenError)
WIRBELIX_FORMAT_EXCEPTION(EXwdNotAXwdFile, EGraphicsException, texts::kXwdNotAXwdFile)
WIRBELIX_FORMAT_EXCEPTION(EXwdFileReadError, EGraphicsException, texts::kXwdFileReadError)

WIRBELIX_FORMAT_EXCEPTION(EXpmError, EGraphicsException, texts::kXpmFileError)

#undef WIRBELIX_FORMAT_EXCEPTION

}  // namespace wirbelix
