// The one routine that reads whole numbers typed or stored as text (pivot and section texts of
// the picture dialog, the COM-port box, resource numbers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wirbelix {

// Reads an integer from the start of text: leading blanks (spaces and tabs), an optional minus
// sign, then an optional base prefix "0x", "0o", "0b" or "0d" (either case; base 16, 8, 2, 10,
// decimal without a prefix), then digits of that base. Reading stops at the first character
// that is not a digit of the base; text without digits gives 0. A prefix not followed by a
// digit of its base reads as the number 0 (the "0" before the letter). Values beyond 64 bits
// wrap round rather than overflow. If consumed is given, it receives the count of characters
// read (0 when no digit was found).
std::int64_t ParseNumber(std::string_view text, std::size_t* consumed = nullptr);

}  // namespace wirbelix
