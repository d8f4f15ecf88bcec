// RemoteLineParser: framing of the remote-control box's lines.
//
// The box sends one ASCII line per button event: the button character ('0'..'7'), the event
// letter ('D' down, 'U' up, 'S' synchronisation), exactly eight hexadecimal digits of the
// box's millisecond clock (most significant first, either case) and CR or LF (CR LF is taken
// as well). Example: "0D0001A2B3\r\n" is button 0 pressed at box time 0x1A2B3.
//
// The parser owns the receive buffer: 32 bytes of data that survive a change of port. Bytes
// come in as spans of any size (Append takes at most the free space); Next hands out the
// complete lines one by one and drops everything that cannot start or be a line:
// - bytes before the first hexadecimal digit that is followed by 'D', 'S' or 'U' (or is the
//   last byte, which may yet become a line start);
// - a start followed by more than eight digits (the start and all its digits);
// - a start followed by fewer than eight digits and then something else (start and digits);
// - a start with eight digits followed by something other than CR or LF (start and digits).
// A start whose digits reach the end of the data waits for more bytes. So after Next has
// returned nothing the buffer holds at most 10 bytes, an incomplete line, and never
// overflows.
//
// The button character is kept as sent: any hexadecimal digit passes the framing, and only
// '0'..'7' name a button.
//
// Thread contract: an object belongs to one thread. No system calls; never fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace wirbelix {

struct RemoteLine {
    std::uint8_t buttonChar = 0;  // byte 0 as received
    char event = 0;               // 'D', 'U' or 'S'
    std::uint32_t boxTime = 0;    // the box's clock, ms, wrapping

    // Byte 0 - '0': 0..9 for digits, 17 and more for 'A'..'F' and 'a'..'f'.
    int Button() const { return static_cast<int>(buttonChar) - '0'; }
};

class RemoteLineParser {
public:
    static constexpr std::size_t kCapacity = 32;  // bytes of data
    static constexpr std::size_t kLineLength = 10;  // button, letter, eight digits

    // Bytes that Append can still take.
    std::size_t FreeSpace() const { return kCapacity - size_; }

    // Appends the first min(bytes.size(), FreeSpace()) bytes behind the data; returns how
    // many were taken.
    std::size_t Append(std::span<const std::uint8_t> bytes);

    // Drops what cannot be a line and returns the next complete line, removing it; nothing
    // when the buffer holds no complete line (only an incomplete line start remains).
    std::optional<RemoteLine> Next();

    // The data currently held.
    std::span<const std::uint8_t> Data() const { return {buffer_, size_}; }

private:
    void Drop(std::size_t count);
    std::size_t Resynchronise() const;

    std::uint8_t buffer_[kCapacity + 1] = {};  // data and a terminating zero
    std::size_t size_ = 0;
};

// True for '0'..'9', 'A'..'F' and 'a'..'f'.
inline bool IsHexDigit(std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace wirbelix
