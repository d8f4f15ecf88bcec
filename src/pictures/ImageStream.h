// ImageStream: the byte source of the picture readers. It reads a file through a 32768-byte
// buffer, or one of the program's embedded resources, or caller memory, with open, read,
// relative and absolute seek, and close.
//
// Names of the form res://TYPE/NAME ("res" in any case; each slash may be a backslash) open an
// embedded resource: TYPE is BITMAP, ICON, CURSOR or HTML (any case) or a number (1 cursor,
// 2 bitmap, 3 icon, 23 HTML as in the resource numbering of the original platform); NAME is a
// resource number when it reads as a non-zero number, else a resource name. Every other name
// is a file path.
//
// Failure behaviour: nothing here throws. Open answers false; Read answers the bytes it could
// read (fewer at the end of the data or on a read error); a seek outside [0, Size()] answers
// false and leaves the position unchanged. The readers turn short reads into their own
// read-error exceptions.
//
// Thread contract: one stream belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace wirbelix {

// The parts of a res://TYPE/NAME name. type is the upper-case type name (a numeric type other
// than the four known ones becomes "#<number>"); number is the resource number or 0 for a
// named resource.
struct ResourceName {
    std::string type;
    std::string name;
    int number = 0;
};

// Splits a resource name; false when name is not of the form res://TYPE/NAME with a known
// type.
bool ParseResourceName(std::string_view name, ResourceName& out);

inline constexpr std::size_t kImageStreamBuffer = 32768;

class ImageStream {
public:
    ImageStream();
    ~ImageStream();
    ImageStream(const ImageStream&) = delete;
    ImageStream& operator=(const ImageStream&) = delete;

    // Opens a file or a resource (see above); closes what was open before.
    bool Open(std::string_view name);
    // Reads from caller memory, which must outlive the stream's use of it.
    bool OpenMemory(std::span<const std::uint8_t> bytes);
    void Close();
    bool isOpen() const { return open_; }

    // Reads up to count bytes; answers how many were read.
    std::size_t Read(void* target, std::size_t count);
    // Reads exactly count bytes; false (position at the end of the data) when fewer are left.
    bool ReadExact(void* target, std::size_t count) { return Read(target, count) == count; }
    // Reads the next byte, or -1 at the end of the data.
    int ReadByte();

    bool Seek(std::uint64_t position);
    bool SeekRelative(std::int64_t delta);
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const { return size_; }
    std::uint64_t Remaining() const { return size_ - position_; }

private:
    bool FillBuffer();

    bool open_ = false;
    std::FILE* file_ = nullptr;
    std::span<const std::uint8_t> memory_;  // resource or caller memory when file_ is null
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::size_t bufferFill_ = 0;     // valid bytes in buffer_
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
};

}  // namespace wirbelix
