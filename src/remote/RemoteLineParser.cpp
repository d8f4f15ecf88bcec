#include "remote/RemoteLineParser.h"

#include <algorithm>
#include <cstring>

namespace wirbelix {

namespace {

bool IsEventLetter(std::uint8_t c) { return c == 'D' || c == 'S' || c == 'U'; }

bool IsLineEnd(std::uint8_t c) { return c == '\r' || c == '\n'; }

std::uint32_t HexValue(std::uint8_t c) {
    if (c <= '9') return c - '0';
    if (c <= 'F') return c - 'A' + 10;
    return c - 'a' + 10;
}

}  // namespace

std::size_t RemoteLineParser::Append(std::span<const std::uint8_t> bytes) {
    const std::size_t take = std::min(bytes.size(), FreeSpace());
    if (take == 0) return 0;
    std::memcpy(buffer_ + size_, bytes.data(), take);
    size_ += take;
    buffer_[size_] = 0;
    return take;
}

void RemoteLineParser::Drop(std::size_t count) {
    count = std::min(count, size_);
    std::memmove(buffer_, buffer_ + count, size_ - count);
    size_ -= count;
    buffer_[size_] = 0;
}

// The first position that can start a line: a hexadecimal digit that is the last byte or is
// followed by an event letter; size_ when there is none.
std::size_t RemoteLineParser::Resynchronise() const {
    for (std::size_t i = 0; i < size_; ++i) {
        if (!IsHexDigit(buffer_[i])) continue;
        if (i + 1 == size_ || IsEventLetter(buffer_[i + 1])) return i;
    }
    return size_;
}

std::optional<RemoteLine> RemoteLineParser::Next() {
    for (;;) {
        Drop(Resynchronise());
        if (size_ < 3) return std::nullopt;

        // The terminating zero behind the data ends the count.
        std::size_t digits = 0;
        while (IsHexDigit(buffer_[2 + digits])) ++digits;

        if (digits > 8) {
            Drop(digits + 2);
            continue;
        }
        if (digits < 8) {
            if (digits + 2 == size_) return std::nullopt;  // more digits may come
            Drop(digits + 2);
            continue;
        }
        if (size_ == kLineLength) return std::nullopt;  // the line end has not arrived
        if (!IsLineEnd(buffer_[kLineLength])) {
            Drop(kLineLength);
            continue;
        }

        RemoteLine line;
        line.buttonChar = buffer_[0];
        line.event = static_cast<char>(buffer_[1]);
        for (std::size_t k = 0; k < 8; ++k) line.boxTime = (line.boxTime << 4) | HexValue(buffer_[2 + k]);
        // A CR followed by LF stays behind; both are dropped as noise by the next
        // resynchronisation.
        Drop(buffer_[kLineLength + 1] == '\n' ? kLineLength : kLineLength + 1);
        return line;
    }
}

}  // namespace wirbelix
