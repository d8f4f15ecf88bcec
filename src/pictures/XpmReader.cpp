// The XPM reader (XPM 3, the C-source text format): the quoted strings of the file, outside
// comments, are the values line ("width height colours chars-per-pixel ..."), one line per
// colour, and one line per pixel row. Colours are taken from the "c" key (else "g", "g4", "m")
// as #RGB hex values of 1 to 4 digits per channel, "None" for transparent, or one of the
// common X colour names. Up to 256 colours give an 8-bit image with the colours as palette
// (transparency as ApplyPaletteTransparency), more give 24 bits, or 32 bits with transparency.
//
// The text is read string by string from the stream, each string bounded by the length the
// values line allows, so the reader never holds more than one row of text.
#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "pictures/ImageReader.h"
#include "pictures/ImageStream.h"

namespace wirbelix {

namespace {

constexpr std::size_t kValuesLineMax = 1024;
constexpr std::uint32_t kMaxCharsPerPixel = 8;
constexpr std::uint32_t kTransparent = 0x00FFFFFFu;  // "None": white, alpha 0

struct NamedColour {
    const char* name;
    std::uint32_t rgb;
};

// The X colour names that XPM files commonly use (compared without case and blanks).
constexpr NamedColour kColourNames[] = {
    {"black", 0x000000},       {"white", 0xFFFFFF},        {"red", 0xFF0000},
    {"green", 0x00FF00},       {"blue", 0x0000FF},         {"yellow", 0xFFFF00},
    {"cyan", 0x00FFFF},        {"magenta", 0xFF00FF},      {"gray", 0xBEBEBE},
    {"grey", 0xBEBEBE},        {"darkgray", 0xA9A9A9},     {"darkgrey", 0xA9A9A9},
    {"lightgray", 0xD3D3D3},   {"lightgrey", 0xD3D3D3},    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},     {"orange", 0xFFA500},       {"brown", 0xA52A2A},
    {"pink", 0xFFC0CB},        {"purple", 0xA020F0},       {"violet", 0xEE82EE},
    {"navy", 0x000080},        {"navyblue", 0x000080},     {"maroon", 0xB03060},
    {"gold", 0xFFD700},        {"silver", 0xC0C0C0},       {"beige", 0xF5F5DC},
    {"tan", 0xD2B48C},         {"khaki", 0xF0E68C},        {"salmon", 0xFA8072},
    {"darkred", 0x8B0000},     {"darkgreen", 0x006400},    {"darkblue", 0x00008B},
    {"lightblue", 0xADD8E6},   {"lightgreen", 0x90EE90},   {"lightyellow", 0xFFFFE0},
    {"darkcyan", 0x008B8B},    {"darkmagenta", 0x8B008B},  {"skyblue", 0x87CEEB},
    {"steelblue", 0x4682B4},   {"royalblue", 0x4169E1},    {"forestgreen", 0x228B22},
    {"seagreen", 0x2E8B57},    {"olivedrab", 0x6B8E23},    {"firebrick", 0xB22222},
    {"chocolate", 0xD2691E},   {"coral", 0xFF7F50},        {"tomato", 0xFF6347},
    {"orchid", 0xDA70D6},      {"plum", 0xDDA0DD},         {"turquoise", 0x40E0D0},
    {"wheat", 0xF5DEB3},       {"ivory", 0xFFFFF0},        {"linen", 0xFAF0E6},
    {"gainsboro", 0xDCDCDC},   {"slategray", 0x708090},    {"slategrey", 0x708090},
    {"darkslategray", 0x2F4F4F}, {"darkslategrey", 0x2F4F4F}, {"lightslategray", 0x778899},
    {"midnightblue", 0x191970}, {"darkorange", 0xFF8C00},  {"limegreen", 0x32CD32},
    {"yellowgreen", 0x9ACD32}, {"sienna", 0xA0522D},       {"peru", 0xCD853F},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A colour value as a colour word (alpha 255, or kTransparent); false when not understood.
bool ParseColour(std::string_view value, std::uint32_t& colour) {
    std::string folded;
    for (char c : value)
        if (c != ' ' && c != '\t') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (folded == "none") {
        colour = kTransparent;
        return true;
    }
    if (!folded.empty() && folded[0] == '#') {
        const std::size_t digits = folded.size() - 1;
        if (digits == 0 || digits % 3 != 0 || digits > 12) return false;
        const std::size_t per = digits / 3;
        std::uint32_t rgb = 0;
        for (int ch = 0; ch < 3; ++ch) {
            std::uint32_t v = 0;
            for (std::size_t i = 0; i < per; ++i) {
                const int d = HexDigit(folded[1 + ch * per + i]);
                if (d < 0) return false;
                v = v * 16 + std::uint32_t(d);
            }
            // The channel's top 8 bits; one digit is repeated (#F00 is #FF0000).
            const std::uint32_t byte = per == 1 ? v * 17 : v >> (4 * (per - 2));
            rgb = rgb << 8 | byte;
        }
        colour = 0xFF000000u | rgb;
        return true;
    }
    for (const NamedColour& n : kColourNames)
        if (folded == n.name) {
            colour = 0xFF000000u | n.rgb;
            return true;
        }
    // grey0 .. grey100 and gray0 .. gray100.
    if (folded.size() > 4 && (folded.starts_with("grey") || folded.starts_with("gray")) && folded.size() <= 7) {
        std::uint32_t pct = 0;
        for (std::size_t i = 4; i < folded.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(folded[i]))) return false;
            pct = pct * 10 + std::uint32_t(folded[i] - '0');
        }
        if (pct > 100) return false;
        const std::uint32_t g = (pct * 255 + 50) / 100;
        colour = 0xFF000000u | g << 16 | g << 8 | g;
        return true;
    }
    return false;
}

class XpmReader final : public ImageReader {
public:
    [[noreturn]] void ThrowOpenError() const override { throw EXpmError(texts::kXpmOpenError); }

    void Read(ImageStream& stream, RasterImage& image) override {
        stream_ = &stream;
        std::string line;
        if (!NextString(line, kValuesLineMax)) throw EXpmError(texts::kXpmUnknownFormat);
        unsigned long w = 0, h = 0, n = 0, cpp = 0;
        if (std::sscanf(line.c_str(), "%lu %lu %lu %lu", &w, &h, &n, &cpp) != 4 || cpp == 0 ||
            cpp > kMaxCharsPerPixel || n == 0)
            throw EXpmError(texts::kXpmUnknownFormat);
        // A size of 0 or above the limit is refused (by CreateImage) before the colours are read.
        if (w == 0 || h == 0 || w > std::uint32_t(kMaxImageSide) || h > std::uint32_t(kMaxImageSide) ||
            std::uint64_t(w) * h > ImagePixelLimit())
            CreateImage(image, 8, std::int64_t(w), std::int64_t(h), 0, texts::kXpmUnknownFormat);
        // Each colour needs its own key of cpp characters.
        const double keys = cpp >= 4 ? 1e9 : double(1u << (8 * cpp));
        if (double(n) > keys || n > std::uint64_t(w) * h + 1024) throw EXpmError(texts::kXpmTooManyColours);

        std::vector<std::uint32_t> colours;
        std::unordered_map<std::string, std::uint32_t> keyed;
        std::vector<std::int32_t> direct(cpp == 1 ? 256 : cpp == 2 ? 65536 : 0, -1);
        bool transparent = false;
        for (unsigned long i = 0; i < n; ++i) {
            if (!NextString(line, kValuesLineMax + cpp)) throw EXpmError(texts::kXpmReadError);
            if (line.size() < cpp) throw EXpmError(texts::kXpmFileError);
            std::uint32_t colour = 0;
            if (!ColourOfLine(std::string_view(line).substr(cpp), colour))
                throw EXpmError(texts::kXpmColourFormat);
            transparent = transparent || colour == kTransparent;
            const std::uint32_t index = std::uint32_t(colours.size());
            colours.push_back(colour);
            if (cpp <= 2)
                direct[KeyOf(line.data(), cpp)] = std::int32_t(index);
            else
                keyed[line.substr(0, cpp)] = index;
        }

        const bool indexed = n <= 256;
        CreateImage(image, indexed ? 8 : transparent ? 32 : 24, std::int64_t(w), std::int64_t(h), 0,
                    texts::kXpmUnknownFormat);
        std::uint8_t alpha[256];
        if (indexed)
            for (std::uint32_t i = 0; i < n; ++i) {
                image.SetPaletteEntry(i, colours[i] & 0x00FFFFFFu);
                alpha[i] = std::uint8_t(colours[i] >> 24);
            }
        Progress(0);

        const std::size_t rowChars = std::size_t(w) * cpp;
        for (std::uint32_t y = 0; y < h; ++y) {
            if (!NextString(line, rowChars + 64)) throw EXpmError(texts::kXpmReadError);
            if (line.size() < rowChars) throw EXpmError(texts::kXpmFileError);
            std::uint8_t* out = image.Row(y);
            for (std::uint32_t x = 0; x < w; ++x) {
                const char* key = line.data() + std::size_t(x) * cpp;
                std::int64_t index = -1;
                if (cpp <= 2) {
                    index = direct[KeyOf(key, cpp)];
                } else {
                    const auto it = keyed.find(std::string(key, cpp));
                    if (it != keyed.end()) index = it->second;
                }
                if (index < 0) throw EXpmError(texts::kXpmTooFewColours);
                const std::uint32_t c = colours[std::size_t(index)];
                if (indexed) {
                    out[x] = std::uint8_t(index);
                } else if (transparent) {
                    std::memcpy(out + 4 * x, &c, 4);
                } else {
                    out[3 * x] = std::uint8_t(c);
                    out[3 * x + 1] = std::uint8_t(c >> 8);
                    out[3 * x + 2] = std::uint8_t(c >> 16);
                }
            }
            if ((y & 63) == 63) Progress(int(std::uint64_t(y) * 100 / h));
        }
        if (indexed && transparent) ApplyPaletteTransparency(image, alpha, std::uint32_t(n));
        Progress(100);
    }

private:
    static std::size_t KeyOf(const char* key, std::uint32_t cpp) {
        return cpp == 1 ? static_cast<unsigned char>(key[0])
                        : std::size_t(static_cast<unsigned char>(key[0])) << 8 | static_cast<unsigned char>(key[1]);
    }

    // The colour of a colour line after its key: the value of the preferred visual key.
    static bool ColourOfLine(std::string_view rest, std::uint32_t& colour) {
        static constexpr std::string_view kKeys[] = {"c", "g", "g4", "m"};
        std::vector<std::string_view> words;
        std::size_t i = 0;
        while (i < rest.size()) {
            while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
            const std::size_t start = i;
            while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t') ++i;
            if (i > start) words.push_back(rest.substr(start, i - start));
        }
        auto isKey = [](std::string_view w) { return w == "c" || w == "g" || w == "g4" || w == "m" || w == "s"; };
        for (std::string_view wanted : kKeys) {
            for (std::size_t k = 0; k < words.size(); ++k) {
                if (words[k] != wanted) continue;
                std::size_t end = k + 1;
                while (end < words.size() && !isKey(words[end])) ++end;
                if (end == k + 1) return false;
                const char* first = words[k + 1].data();
                const char* last = words[end - 1].data() + words[end - 1].size();
                return ParseColour(std::string_view(first, std::size_t(last - first)), colour);
            }
        }
        return false;
    }

    // The next quoted string outside comments; false at the end of the text. A string longer
    // than maxLength is an error in the file.
    bool NextString(std::string& out, std::size_t maxLength) {
        out.clear();
        int c = stream_->ReadByte();
        for (;;) {
            if (c < 0) return false;
            if (c == '/') {
                c = stream_->ReadByte();
                if (c != '*') continue;
                int prev = 0;
                for (c = stream_->ReadByte(); c >= 0 && !(prev == '*' && c == '/'); c = stream_->ReadByte()) prev = c;
                if (c < 0) return false;
            } else if (c == '"') {
                break;
            }
            c = stream_->ReadByte();
        }
        for (c = stream_->ReadByte(); c != '"'; c = stream_->ReadByte()) {
            if (c < 0) throw EXpmError(texts::kXpmReadError);
            if (c == '\\') {
                c = stream_->ReadByte();
                if (c < 0) throw EXpmError(texts::kXpmReadError);
            }
            if (out.size() >= maxLength) throw EXpmError(texts::kXpmFileError);
            out += static_cast<char>(c);
        }
        return true;
    }

    ImageStream* stream_ = nullptr;
};

}  // namespace

std::unique_ptr<ImageReader> MakeXpmReader() { return std::make_unique<XpmReader>(); }

}  // namespace wirbelix
