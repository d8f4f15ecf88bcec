#include "shell/FrameMessages.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace wirbelix {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-16 units (no terminator among them) to UTF-8 of at most maxBytes; false on an unpaired
// surrogate or when the text does not fit.
bool Utf16ToUtf8(std::span<const std::uint16_t> units, std::size_t maxBytes, std::string& out) {
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t cp = units[i];
        if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(text, cp);
        if (text.size() > maxBytes) return false;
    }
    out = std::move(text);
    return true;
}

// The Latin-1 capitals À..Þ (without ×) as their small letters; everything else as it is.
std::string FoldPathCase(std::string_view utf8) {
    std::string out(utf8);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            const auto d = static_cast<unsigned char>(out[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0, min = 0;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { n = 1; cp = c & 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { n = 2; cp = c & 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { n = 3; cp = c & 0x07; min = 0x10000; }
        else return false;
        if (utf8.size() - i <= n) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(utf8[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

bool DecodeMessageText(std::span<const std::uint8_t> bytes, std::uint32_t declaredBytes, bool wide,
                       std::string& out) {
    // Only what was both stated and sent is ever looked at.
    const std::span<const std::uint8_t> given = bytes.first(std::min<std::size_t>(bytes.size(), declaredBytes));
    if (wide) {
        std::vector<std::uint16_t> units(given.size() / 2);
        if (!units.empty()) std::memcpy(units.data(), given.data(), units.size() * 2);
        const auto end = std::find(units.begin(), units.end(), std::uint16_t{0});
        return Utf16ToUtf8(std::span(units.data(), static_cast<std::size_t>(end - units.begin())),
                           kWideTextBufferBytes - 1, out);
    }
    const auto end = std::find(given.begin(), given.end(), std::uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(given.data()),
                                static_cast<std::size_t>(end - given.begin()));
    if (text.size() > kNarrowTextMaxBytes || !IsValidUtf8(text)) return false;
    out = text;
    return true;
}

std::string AbsolutePath(std::string_view path, std::string_view currentDir) {
    std::string joined;
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) {
        joined = currentDir;
        joined += '/';
    }
    joined += path;
    std::vector<std::string_view> names;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const std::size_t cut = rest.find_first_of("/\\");
        const std::string_view name = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    std::string out;
    for (std::string_view name : names) {
        out += '/';
        out += name;
    }
    return out.empty() ? "/" : out;
}

bool SamePath(std::string_view a, std::string_view b, std::string_view currentDir) {
    return FoldPathCase(AbsolutePath(a, currentDir)) == FoldPathCase(AbsolutePath(b, currentDir));
}

bool ProcessCopyData(std::uint32_t code, std::uint32_t declaredBytes, std::span<const std::uint8_t> bytes,
                     CopyDataTarget& target) {
    const bool wide = (code & kCopyDataWideText) != 0;
    code &= ~kCopyDataWideText;
    if (code != kCopyDataPeerText && code != kCopyDataCompareDocument && code != kCopyDataOpenDocument)
        return false;
    std::string text;
    if (!DecodeMessageText(bytes, declaredBytes, wide, text)) return false;
    if (code == kCopyDataPeerText) {
        target.SetPeerText(std::move(text));
        return true;
    }
    const std::string document = target.DocumentPath();
    // Without a document there is nothing to be equal to (not even the current folder an empty
    // path would stand for); opening gives back only the open document itself.
    if (document.empty()) return false;
    return SamePath(document, text, target.CurrentDirectory());
}

std::string PeerTextRecord(std::string_view text) {
    std::string record(text);
    record.push_back('\0');
    return record;
}

}  // namespace wirbelix
