#include "pictures/ImageStream.h"

#include <cstring>
#include <sys/stat.h>

#include "platform/NumberParse.h"
#include "platform/ResourceTable.h"
#include "platform/TextCompare.h"

namespace wirbelix {

namespace {

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// A whole text that reads as a number (decimal or with a base prefix); 0 otherwise.
std::int64_t WholeNumber(std::string_view text) {
    std::size_t used = 0;
    const std::int64_t v = ParseNumber(text, &used);
    return used == text.size() ? v : 0;
}

}  // namespace

bool ParseResourceName(std::string_view name, ResourceName& out) {
    if (name.size() < 6 || !StartsWithNoCase(name, "res:") || !IsSlash(name[4]) || !IsSlash(name[5]))
        return false;
    const std::string_view rest = name.substr(6);
    std::size_t slash = 0;
    while (slash < rest.size() && !IsSlash(rest[slash])) ++slash;
    if (slash == 0 || slash >= rest.size() - 1) return false;
    const std::string_view type = rest.substr(0, slash);
    const std::string_view item = rest.substr(slash + 1);

    static constexpr std::string_view kTypes[] = {"BITMAP", "ICON", "CURSOR", "HTML"};
    out = ResourceName{};
    for (std::string_view t : kTypes)
        if (EqualsNoCase(type, t)) out.type = std::string(t);
    if (out.type.empty()) {
        const std::int64_t n = WholeNumber(type);
        if (n <= 0 || n > 0xFFFF) return false;
        switch (n) {
            case 1: out.type = "CURSOR"; break;
            case 2: out.type = "BITMAP"; break;
            case 3: out.type = "ICON"; break;
            case 23: out.type = "HTML"; break;
            default: out.type = "#" + std::to_string(n);
        }
    }
    const std::int64_t number = WholeNumber(item);
    if (number > 0 && number <= 0xFFFF)
        out.number = static_cast<int>(number);
    else
        out.name = std::string(item);
    return true;
}

ImageStream::ImageStream() = default;

ImageStream::~ImageStream() { Close(); }

void ImageStream::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    memory_ = {};
    open_ = false;
    bufferStart_ = 0;
    bufferFill_ = 0;
    position_ = 0;
    size_ = 0;
}

bool ImageStream::Open(std::string_view name) {
    Close();
    ResourceName res;
    if (ParseResourceName(name, res)) {
        const ResourceBytes bytes =
            res.number != 0 ? FindResource(res.type, res.number) : FindResource(res.type, res.name);
        if (bytes.empty()) return false;
        return OpenMemory(bytes);
    }
    const std::string path(name);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    if (!buffer_) buffer_ = std::make_unique<std::uint8_t[]>(kImageStreamBuffer);
    // The stream keeps its own buffer; the C library's would only copy the bytes once more.
    std::setvbuf(f, nullptr, _IONBF, 0);
    file_ = f;
    size_ = static_cast<std::uint64_t>(st.st_size);
    open_ = true;
    return true;
}

bool ImageStream::OpenMemory(std::span<const std::uint8_t> bytes) {
    Close();
    memory_ = bytes;
    size_ = bytes.size();
    open_ = true;
    return true;
}

bool ImageStream::FillBuffer() {
    if (position_ >= size_) return false;
    if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) return false;
    bufferStart_ = position_;
    bufferFill_ = std::fread(buffer_.get(), 1, kImageStreamBuffer, file_);
    return bufferFill_ > 0;
}

std::size_t ImageStream::Read(void* target, std::size_t count) {
    if (!open_) return 0;
    auto* out = static_cast<std::uint8_t*>(target);
    if (file_ == nullptr) {
        const std::uint64_t left = size_ - position_;
        const std::size_t n = count < left ? count : static_cast<std::size_t>(left);
        if (n > 0) std::memcpy(out, memory_.data() + position_, n);
        position_ += n;
        return n;
    }
    std::size_t done = 0;
    while (done < count) {
        if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferFill_) {
            // A large read past the buffer goes straight into the target.
            if (count - done >= kImageStreamBuffer) {
                if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) break;
                const std::size_t n = std::fread(out + done, 1, count - done, file_);
                done += n;
                position_ += n;
                break;
            }
            if (!FillBuffer()) break;
        }
        const std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
        std::size_t n = bufferFill_ - offset;
        if (n > count - done) n = count - done;
        std::memcpy(out + done, buffer_.get() + offset, n);
        done += n;
        position_ += n;
    }
    return done;
}

int ImageStream::ReadByte() {
    if (file_ != nullptr && position_ >= bufferStart_ && position_ < bufferStart_ + bufferFill_)
        return buffer_[static_cast<std::size_t>(position_++ - bufferStart_)];
    std::uint8_t b;
    return Read(&b, 1) == 1 ? b : -1;
}

bool ImageStream::Seek(std::uint64_t position) {
    if (!open_ || position > size_) return false;
    position_ = position;
    return true;
}

bool ImageStream::SeekRelative(std::int64_t delta) {
    if (delta < 0 && std::uint64_t(-(delta + 1)) + 1 > position_) return false;
    return Seek(position_ + static_cast<std::uint64_t>(delta));
}

}  // namespace wirbelix
