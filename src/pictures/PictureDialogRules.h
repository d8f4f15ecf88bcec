// The number rules of the picture dialog ("Neues Bild erstellen"): how the view's picture
// settings become the dialog's texts when it opens, and how the texts the user leaves in it
// become numbers again when it is confirmed. Invalid entries never fail: they are masked,
// clamped or replaced. Everything here is free of any window system.
//
// Units: pivots in pixels of their picture, the rotor offset in 1/131072 turn, the revolutions
// as turns of a full-strength spin.
//
// Thread contract: plain functions without shared state; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/WindowSystem.h"

namespace wirbelix {

// Pivots keep their low 13 bits, so they lie in 0..8191.
inline constexpr int kPivotMask = 0x1FFF;
// The rotor offset keeps its low 17 bits: one whole turn.
inline constexpr int kOffsetMask = 0x1FFFF;
// Units of 1/131072 turn per degree, and degrees per unit (180 / 65536).
inline constexpr double kOffsetUnitsPerDegree = 364.0888888888889;
inline constexpr double kDegreesPerOffsetUnit = 0.00274658203125;
// Sections below the lowest count become the default; above the highest, the highest.
inline constexpr int kMinSections = 2, kMaxSections = 12, kDefaultSections = 6;
// Revolutions outside 2..20 become the default.
inline constexpr double kMinRevolutions = 2.0, kMaxRevolutions = 20.0, kDefaultRevolutions = 5.0;

// The dialog's texts: two paths and seven numbers as the user sees them.
struct PictureTexts {
    std::string imagePath, rotorPath;
    std::string imageX, imageY, rotorX, rotorY;
    std::string sections, offset, revolutions;
};

// ---- Opening: numbers to texts ------------------------------------------------------------

// The offset as degrees with two significant digits ("%.2g" of (offset AND 0x1FFFF) degrees
// per unit): 10922 gives "30", 32768 gives "90", 44782 gives "1.2e+02". Independent of the
// process's locale: the decimal point is always ".".
std::string FormatOffsetDegrees(int offset);
// The revolutions as "%g" ("5", "2.5"), always with ".".
std::string FormatRevolutions(double revolutions);
// Pivots and sections as "%i"; the offset and revolutions as above.
PictureTexts FormatPictureTexts(const PictureChoice& choice);

// ---- Confirming: texts to numbers ---------------------------------------------------------

// A pivot text read with ParseNumber (decimal, or 0x/0o/0b, with a minus) AND 0x1FFF.
int ParsePivot(std::string_view text);
// A sections text read the same way; below 2 gives 6, above 12 gives 12.
int ParseSections(std::string_view text);
// A number of degrees, times 364.0888888888889, truncated toward zero, AND 0x1FFFF: -30 gives
// 120150, 90 gives 32768. Text without a number, and infinities, give 0.
int ParseOffsetDegrees(std::string_view text);
// The revolutions text as a floating-point number read as atof would (leading blanks, a sign,
// decimal or hexadecimal notation), but always with "." as the decimal point; text without a
// number gives 0. No range check here: see CheckRevolutions.
double ParseRevolutions(std::string_view text);
// Revolutions not in 2..20 (and NaN) become 5.0.
double CheckRevolutions(double revolutions);
// The dialog's numbers from its texts (paths as they are; revolutions unchecked, as the view
// checks them when it takes them over).
PictureChoice ParsePictureTexts(const PictureTexts& texts);

// ---- The OK button's path check -------------------------------------------------------------

// Whether the confirm question must be asked for a path: it is not empty and does not name an
// existing regular file (a directory or a missing path counts as not a file).
bool NeedsPathWarning(const std::string& path);

// The two questions and their caption.
namespace texts {
inline constexpr char kInvalidBackground[] = "Bitte ein gültiges Hintergrundbild auswählen !\n\nTrotzdem übernehmen ?";
inline constexpr char kInvalidRotor[] = "Bitte ein gültiges Rotorbild auswählen !\n\nTrotzdem übernehmen ?";
inline constexpr char kWarningCaption[] = "Warnung";
}  // namespace texts

}  // namespace wirbelix
