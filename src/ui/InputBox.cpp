#include "ui/InputBox.h"

#include <algorithm>
#include <cstring>

namespace wirbelix {

int CopyInputValue(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::size_t count = std::min(text.size(), std::size_t(size) - 1);
    if (count < text.size()) {
        // The first byte left out must start a character; otherwise step back over the
        // continuation bytes (10xxxxxx) to the lead byte of the cut character and leave it out.
        // A character has at most three continuation bytes; stray ones beyond are cut as bytes.
        const std::size_t full = count;
        while (count > 0 && full - count < 3 &&
               (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80)
            --count;
        if ((static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) count = full;
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace wirbelix
