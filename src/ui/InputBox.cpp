#include "ui/InputBox.h"

#include <algorithm>
#include <cstring>

namespace wirbelix {

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes of the UTF-8 sequence this lead byte starts (1 for ASCII and for invalid lead bytes).
std::size_t SequenceLength(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xF0 && b < 0xF8) return 4;
    if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
    if (b >= 0xC0) return 2;
    return 1;
}

}  // namespace

int CopyInputValue(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::size_t count = std::min(text.size(), std::size_t(size) - 1);
    if (count < text.size()) {
        // If the cut falls inside a character, leave the whole character out: step back over
        // the continuation bytes (10xxxxxx) to the character's lead byte and cut before it when
        // its sequence reaches past the cut. Stray continuation bytes are cut as plain bytes.
        std::size_t lead = count;
        while (lead > 0 && count - lead < 3 && IsContinuation(text[lead])) --lead;
        if (!IsContinuation(text[lead]) && lead + SequenceLength(text[lead]) > count) count = lead;
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace wirbelix
