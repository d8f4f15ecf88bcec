#include "pictures/GraphicsException.h"

#include <cstring>

namespace wirbelix {

EGraphicsException::EGraphicsException(std::string_view text, int kind) noexcept : kind_(kind) {
    std::size_t n = text.size() < sizeof(text_) - 1 ? text.size() : sizeof(text_) - 1;
    // Never cut a UTF-8 sequence in half: back up over continuation bytes.
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(text_, text.data(), n);
    text_[n] = '\0';
}

}  // namespace wirbelix
