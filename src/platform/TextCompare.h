// Comparison of texts without regard to letter case, as the settings keys, value names and
// resource names of the program compare. Only ASCII letters fold; other bytes compare as they
// are, so UTF-8 text is compared byte for byte outside A-Z.
#pragma once

#include <string>
#include <string_view>

namespace wirbelix {

constexpr char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline std::string FoldedCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = FoldCase(c);
    return out;
}

}  // namespace wirbelix
