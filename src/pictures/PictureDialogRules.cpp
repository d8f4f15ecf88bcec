#include "pictures/PictureDialogRules.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <sys/stat.h>

#include "platform/NumberParse.h"

namespace wirbelix {

namespace {

// to_chars with a format and a precision writes what printf would write in the "C" locale.
std::string FormatGeneral(double value, int precision) {
    char buffer[64];
    const auto result = precision < 0
                            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6)
                            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                                            precision);
    return std::string(buffer, result.ptr);
}

std::string FormatInt(int value) { return std::to_string(value); }

}  // namespace

std::string FormatOffsetDegrees(int offset) {
    return FormatGeneral((offset & kOffsetMask) * kDegreesPerOffsetUnit, 2);
}

std::string FormatRevolutions(double revolutions) { return FormatGeneral(revolutions, -1); }

PictureTexts FormatPictureTexts(const PictureChoice& c) {
    return PictureTexts{c.imagePath,          c.rotorPath,           FormatInt(c.imageX),
                        FormatInt(c.imageY),  FormatInt(c.rotorX),   FormatInt(c.rotorY),
                        FormatInt(c.sections), FormatOffsetDegrees(c.offset), FormatRevolutions(c.revolutions)};
}

int ParsePivot(std::string_view text) { return static_cast<int>(ParseNumber(text) & kPivotMask); }

int ParseSections(std::string_view text) {
    const std::int64_t n = ParseNumber(text);
    if (n < kMinSections) return kDefaultSections;
    if (n > kMaxSections) return kMaxSections;
    return static_cast<int>(n);
}

double ParseRevolutions(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::chars_format format = std::chars_format::general;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        format = std::chars_format::hex;
        i += 2;
    }
    // from_chars takes no sign of its own after ours, as atof would not.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value, format);
    if (result.ec == std::errc::result_out_of_range) {
        value = HUGE_VAL;
    } else if (result.ec != std::errc{}) {
        // "0x" without hex digits reads as the 0 before the letter; anything else as no number.
        value = 0.0;
    }
    return negative ? -value : value;
}

int ParseOffsetDegrees(std::string_view text) {
    const double units = ParseRevolutions(text) * kOffsetUnitsPerDegree;
    if (!std::isfinite(units)) return 0;
    // Truncated toward zero, then the low 17 bits of its two's complement: the remainder of a
    // whole number of turns, taken on the double so that huge entries stay defined.
    const auto whole = static_cast<std::int64_t>(std::fmod(std::trunc(units), 131072.0));
    return static_cast<int>(whole & kOffsetMask);
}

double CheckRevolutions(double revolutions) {
    if (!(revolutions >= kMinRevolutions) || revolutions > kMaxRevolutions) return kDefaultRevolutions;
    return revolutions;
}

PictureChoice ParsePictureTexts(const PictureTexts& t) {
    PictureChoice c;
    c.imagePath = t.imagePath;
    c.rotorPath = t.rotorPath;
    c.imageX = ParsePivot(t.imageX);
    c.imageY = ParsePivot(t.imageY);
    c.rotorX = ParsePivot(t.rotorX);
    c.rotorY = ParsePivot(t.rotorY);
    c.sections = ParseSections(t.sections);
    c.offset = ParseOffsetDegrees(t.offset);
    c.revolutions = ParseRevolutions(t.revolutions);
    return c;
}

bool NeedsPathWarning(const std::string& path) {
    if (path.empty()) return false;
    struct stat info {};
    return stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode);
}

}  // namespace wirbelix
