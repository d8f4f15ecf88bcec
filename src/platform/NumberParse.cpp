#include "platform/NumberParse.h"

namespace wirbelix {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

int PrefixBase(char c) {
    switch (c) {
        case 'x': case 'X': return 16;
        case 'o': case 'O': return 8;
        case 'b': case 'B': return 2;
        case 'd': case 'D': return 10;
        default: return 0;
    }
}

}  // namespace

std::int64_t ParseNumber(std::string_view text, std::size_t* consumed) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    int base = 10;
    if (i + 2 < text.size() && text[i] == '0' && PrefixBase(text[i + 1]) != 0 &&
        DigitValue(text[i + 2]) < PrefixBase(text[i + 1])) {
        base = PrefixBase(text[i + 1]);
        i += 2;
    }
    // Unsigned arithmetic: an over-long number wraps instead of overflowing.
    std::uint64_t value = 0;
    std::size_t firstDigit = i;
    while (i < text.size() && DigitValue(text[i]) < base) {
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(DigitValue(text[i]));
        ++i;
    }
    if (i == firstDigit) {
        if (consumed) *consumed = 0;
        return 0;
    }
    if (consumed) *consumed = i;
    if (negative) value = ~value + 1;
    return static_cast<std::int64_t>(value);
}

}  // namespace wirbelix
