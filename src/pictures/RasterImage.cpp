#include "pictures/RasterImage.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "pictures/DibDecoder.h"
#include "platform/LittleEndian.h"
#include "platform/ResourceTable.h"

namespace wirbelix {

namespace {

// Grey of a colour word, with the weights of the luminance of television (sum 257/256).
inline std::uint8_t Grey(std::uint32_t c) {
    return static_cast<std::uint8_t>(((c & 0xFF) * 29 + ((c >> 16) & 0xFF) * 76 +
                                      ((c >> 8) & 0xFF) * 152) >> 8);
}

// ---- Packing of each depth -----------------------------------------------------------------
// Px<D>::Get yields what GetPixel yields, Px<D>::Set takes what SetPixel takes, Px<D>::Pack is
// ColourToPixel.

template <int D>
struct Px;

// Indexed depths below 8: several pixels per byte, the leftmost in the high bits.
template <int Bits>
struct PackedIndex {
    static constexpr std::uint32_t kPerByte = 8 / Bits;
    static constexpr std::uint32_t kMask = (1u << Bits) - 1;
    static std::uint32_t Shift(std::uint32_t x) { return (kPerByte - 1 - x % kPerByte) * Bits; }
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) {
        return (row[x / kPerByte] >> Shift(x)) & kMask;
    }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t v) {
        std::uint8_t& b = row[x / kPerByte];
        const std::uint32_t s = Shift(x);
        b = static_cast<std::uint8_t>((b & ~(kMask << s)) | ((v & kMask) << s));
    }
    static std::uint32_t Pack(std::uint32_t c) { return c; }
};
template <> struct Px<1> : PackedIndex<1> {};
template <> struct Px<2> : PackedIndex<2> {};
template <> struct Px<4> : PackedIndex<4> {};

template <>
struct Px<8> {
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) { return row[x]; }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t v) {
        row[x] = static_cast<std::uint8_t>(v);
    }
    static std::uint32_t Pack(std::uint32_t c) { return c; }
};

// Depth 12: two pixels in three bytes. Read as a little-endian 24-bit group, pixel 0 holds bits
// 0-11 and pixel 1 bits 12-23, each as blue, green, red nibbles from low to high. Only the two
// bytes a pixel touches are accessed, so the last pixel of an odd-width row never reaches past
// the row's bytes.
template <>
struct Px<12> {
    static std::uint32_t Expand(std::uint32_t p) {
        return ((p & 0x00F) << 4) | ((p & 0x0F0) << 8) | ((p & 0xF00) << 12);
    }
    static std::uint32_t Pack(std::uint32_t c) {
        return ((c >> 4) & 0x00F) | ((c >> 8) & 0x0F0) | ((c >> 12) & 0xF00);
    }
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) {
        const std::uint8_t* g = row + (x >> 1) * 3;
        if ((x & 1) == 0) return Expand(g[0] | ((g[1] & 0x0Fu) << 8));
        return Expand((g[1] >> 4) | (std::uint32_t(g[2]) << 4));
    }
    static void SetPacked(std::uint8_t* row, std::uint32_t x, std::uint32_t p) {
        std::uint8_t* g = row + (x >> 1) * 3;
        if ((x & 1) == 0) {
            g[0] = static_cast<std::uint8_t>(p);
            g[1] = static_cast<std::uint8_t>((g[1] & 0xF0) | (p >> 8));
        } else {
            g[1] = static_cast<std::uint8_t>((g[1] & 0x0F) | ((p & 0x0F) << 4));
            g[2] = static_cast<std::uint8_t>(p >> 4);
        }
    }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t c) { SetPacked(row, x, Pack(c)); }
};

// Depth 15: bit 15 alpha flag, 14-10 red, 9-5 green, 4-0 blue.
template <>
struct Px<15> {
    static std::uint32_t Expand(std::uint32_t p) {
        return ((p & 0x001F) << 3) | ((p & 0x03E0) << 6) | ((p & 0x7C00) << 9) |
               ((p & 0x8000) ? 0x80000000u : 0u);
    }
    static std::uint32_t Pack(std::uint32_t c) {
        return ((c >> 3) & 0x001F) | ((c >> 6) & 0x03E0) | ((c >> 9) & 0x7C00) |
               ((c >> 16) & 0x8000);
    }
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) { return Expand(Load16(row + 2 * x)); }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
        Store16(row + 2 * x, static_cast<std::uint16_t>(Pack(c)));
    }
};

// Depth 16: red 15-11, green 10-5, blue 4-0.
template <>
struct Px<16> {
    static std::uint32_t Expand(std::uint32_t p) {
        return ((p & 0x001F) << 3) | ((p & 0x07E0) << 5) | ((p & 0xF800) << 8);
    }
    static std::uint32_t Pack(std::uint32_t c) {
        return ((c >> 3) & 0x001F) | ((c >> 5) & 0x07E0) | ((c >> 8) & 0xF800);
    }
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) { return Expand(Load16(row + 2 * x)); }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
        Store16(row + 2 * x, static_cast<std::uint16_t>(Pack(c)));
    }
};

template <>
struct Px<24> {
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) {
        const std::uint8_t* p = row + 3 * x;
        return p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t c) {
        std::uint8_t* p = row + 3 * x;
        p[0] = static_cast<std::uint8_t>(c);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p[2] = static_cast<std::uint8_t>(c >> 16);
    }
    static std::uint32_t Pack(std::uint32_t c) { return c; }
};

template <>
struct Px<32> {
    static std::uint32_t Get(const std::uint8_t* row, std::uint32_t x) { return Load32(row + 4 * x); }
    static void Set(std::uint8_t* row, std::uint32_t x, std::uint32_t c) { Store32(row + 4 * x, c); }
    static std::uint32_t Pack(std::uint32_t c) { return c; }
};

// ---- Row converters --------------------------------------------------------------------------

template <int D>
constexpr bool kIndexed = D <= 8;

template <int D>
const std::uint8_t* ReadRow8Of(const RasterImage& image, const std::uint8_t* row) {
    if constexpr (D == 8) {
        return row;
    } else {
        std::uint8_t* out = image.scratchRow();
        const std::uint32_t w = image.width();
        for (std::uint32_t x = 0; x < w; ++x) {
            if constexpr (kIndexed<D>)
                out[x] = static_cast<std::uint8_t>(Px<D>::Get(row, x));
            else
                out[x] = Grey(Px<D>::Get(row, x));
        }
        return out;
    }
}

// The colour word of pixel x of a row: its palette entry at indexed depths.
template <int D>
inline std::uint32_t ColourAt(const std::uint8_t* row, std::uint32_t x, const std::uint32_t* pal) {
    if constexpr (kIndexed<D>)
        return pal[Px<D>::Get(row, x)];
    else
        return Px<D>::Get(row, x);
}

template <int D>
const std::uint8_t* ReadRow24Of(const RasterImage& image, const std::uint8_t* row) {
    if constexpr (D == 24) {
        return row;
    } else {
        std::uint8_t* out = image.scratchRow();
        const std::uint32_t w = image.width();
        const std::uint32_t* pal = image.palette();
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t c = ColourAt<D>(row, x, pal);
            out[3 * x] = static_cast<std::uint8_t>(c);
            out[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            out[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
        }
        return out;
    }
}

template <int D>
const std::uint8_t* ReadRow32Of(const RasterImage& image, const std::uint8_t* row) {
    if constexpr (D == 32) {
        return row;
    } else {
        std::uint8_t* out = image.scratchRow();
        const std::uint32_t w = image.width();
        const std::uint32_t* pal = image.palette();
        for (std::uint32_t x = 0; x < w; ++x) {
            // 12, 16 and 24 bits yield alpha 0, 15 bits its flag as 0x80.
            Store32(out + 4 * x, ColourAt<D>(row, x, pal));
        }
        return out;
    }
}

// The copying variants: the native case copies the row into the scratch row.
template <int D, int Native, const std::uint8_t* (*Read)(const RasterImage&, const std::uint8_t*)>
const std::uint8_t* CopyRowOf(const RasterImage& image, const std::uint8_t* row) {
    if constexpr (D == Native) {
        std::memcpy(image.scratchRow(), row, image.stride());
        return image.scratchRow();
    } else {
        return Read(image, row);
    }
}

template <int D>
constexpr PixelAccessors kAccessors = {
    &Px<D>::Get,
    &Px<D>::Set,
    &Px<D>::Pack,
    &ReadRow8Of<D>,
    &ReadRow24Of<D>,
    &ReadRow32Of<D>,
    &CopyRowOf<D, 8, &ReadRow8Of<D>>,
    &CopyRowOf<D, 24, &ReadRow24Of<D>>,
    &CopyRowOf<D, 32, &ReadRow32Of<D>>,
};

// The accessors of the empty image: they touch no memory.
std::uint32_t NullGet(const std::uint8_t*, std::uint32_t) { return 0; }
void NullSet(std::uint8_t*, std::uint32_t, std::uint32_t) {}
std::uint32_t NullPack(std::uint32_t c) { return c; }
const std::uint8_t* NullRow(const RasterImage& image, const std::uint8_t*) { return image.scratchRow(); }
constexpr PixelAccessors kNullAccessors = {&NullGet, &NullSet, &NullPack, &NullRow, &NullRow,
                                           &NullRow, &NullRow, &NullRow, &NullRow};

// Everything Create needs to know about one depth.
struct DepthInfo {
    const PixelAccessors* accessors;
    std::uint32_t significantMask;
    PixelGroup group;
};

bool LookUpDepth(int depth, DepthInfo& info) {
    switch (depth) {
        case 1: info = {&kAccessors<1>, 0xFFFFFF, {8, 1}}; return true;
        case 2: info = {&kAccessors<2>, 0xFFFFFF, {4, 1}}; return true;
        case 4: info = {&kAccessors<4>, 0xFFFFFF, {2, 1}}; return true;
        case 8: info = {&kAccessors<8>, 0xFFFFFF, {1, 1}}; return true;
        case 12: info = {&kAccessors<12>, 0xF0F0F0, {2, 3}}; return true;
        case 15: info = {&kAccessors<15>, 0xF8F8F8, {1, 2}}; return true;
        case 16: info = {&kAccessors<16>, 0xF8FCF8, {1, 2}}; return true;
        case 24: info = {&kAccessors<24>, 0xFFFFFF, {1, 3}}; return true;
        case 32: info = {&kAccessors<32>, 0xFFFFFF, {1, 4}}; return true;
        default: return false;
    }
}

// The sixteen colours shared by the default palettes of depths 4 and 8 (entry 0 is black).
constexpr std::uint32_t kSixteenColours[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

void Put32(std::uint8_t* header, std::size_t offset, std::uint32_t v) { Store32(header + offset, v); }
void Put16(std::uint8_t* header, std::size_t offset, std::uint16_t v) { Store16(header + offset, v); }

}  // namespace

std::uint32_t StrideFor(int depth, std::uint32_t w) {
    switch (depth) {
        case 1: return ((w + 7) / 8 + 3) & ~3u;
        case 2: return ((2 * w + 7) / 8 + 3) & ~3u;
        case 4: return ((4 * w + 7) / 8 + 3) & ~3u;
        case 8: return (w + 3) & ~3u;
        case 12: return ((3 * w + 1) / 2 + 3) & ~3u;
        case 15:
        case 16: return (2 * w + 3) & ~3u;
        case 24: return (3 * w + 3) & ~3u;
        case 32: return 4 * w;
        default: return 0;
    }
}

// ---- Life cycle --------------------------------------------------------------------------------

RasterImage::RasterImage()
    : header_(new std::uint32_t[kHeaderBlockBytes / 4]()), accessors_(&kNullAccessors) {}

RasterImage::~RasterImage() {
    ReleasePixels();
    delete[] header_;
}

RasterImage::RasterImage(const RasterImage& other) : RasterImage() { Copy(other); }

RasterImage& RasterImage::operator=(const RasterImage& other) {
    Copy(other);
    return *this;
}

RasterImage::RasterImage(RasterImage&& other) noexcept : RasterImage() { MoveFrom(other); }

RasterImage& RasterImage::operator=(RasterImage&& other) noexcept {
    if (this != &other) MoveFrom(other);
    return *this;
}

void RasterImage::MoveFrom(RasterImage& other) noexcept {
    ReleasePixels();
    // The header blocks are swapped, so each object keeps one for its whole life.
    std::swap(header_, other.header_);
    accessors_ = std::exchange(other.accessors_, &kNullAccessors);
    pixelBase_ = std::exchange(other.pixelBase_, nullptr);
    rowZero_ = std::exchange(other.rowZero_, nullptr);
    scratchRow_ = std::exchange(other.scratchRow_, nullptr);
    allocation_ = std::exchange(other.allocation_, nullptr);
    allocationBytes_ = std::exchange(other.allocationBytes_, 0);
    scratchAllocation_ = std::exchange(other.scratchAllocation_, nullptr);
    imageSize_ = std::exchange(other.imageSize_, 0);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    bitsPerPixel_ = std::exchange(other.bitsPerPixel_, 0);
    stride_ = std::exchange(other.stride_, 0);
    paletteCount_ = std::exchange(other.paletteCount_, 0);
    significantMask_ = std::exchange(other.significantMask_, 0);
    valueMask_ = std::exchange(other.valueMask_, 0);
    depthBit_ = std::exchange(other.depthBit_, 0);
    group_ = std::exchange(other.group_, PixelGroup{0, 0});
    ownership_ = std::exchange(other.ownership_, PixelOwnership::None);
    isDirect_ = std::exchange(other.isDirect_, false);
    lastError_ = std::exchange(other.lastError_, 0);
    progressCallback_ = other.progressCallback_;
    progressUser_ = other.progressUser_;
    other.Clear();
}

void RasterImage::ReleasePixels() {
    delete[] allocation_;
    delete[] scratchAllocation_;
    allocation_ = nullptr;
    allocationBytes_ = 0;
    scratchAllocation_ = nullptr;
}

void RasterImage::Clear() {
    ReleasePixels();
    std::memset(header_, 0, kHeaderBlockBytes);
    accessors_ = &kNullAccessors;
    pixelBase_ = rowZero_ = scratchRow_ = nullptr;
    imageSize_ = 0;
    width_ = height_ = bitsPerPixel_ = stride_ = paletteCount_ = 0;
    significantMask_ = valueMask_ = depthBit_ = 0;
    group_ = {0, 0};
    ownership_ = PixelOwnership::None;
    isDirect_ = false;
    lastError_ = 0;
}

bool RasterImage::Create(int depth, int width, int height, std::uint32_t fill, void* buffer) {
    // Owned memory of about the right size is taken over by the new image instead of being
    // freed and claimed again: recreating images of similar sizes (the rotor copies after each
    // relayout) then costs no fresh pages.
    std::unique_ptr<std::uint8_t[]> reusable;
    std::size_t reusableBytes = 0;
    if (ownership_ == PixelOwnership::Owned) {
        reusable.reset(std::exchange(allocation_, nullptr));
        reusableBytes = allocationBytes_;
    }
    Clear();
    // 32768 bounds the memory one picture can claim; a negative size is as unusable as a huge one.
    if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) {
        lastError_ = kErrorSizeTooLarge;
        return false;
    }
    DepthInfo info;
    if (!LookUpDepth(depth, info)) {
        lastError_ = kErrorUnsupportedDepth;
        return false;
    }

    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    const std::uint32_t stride = StrideFor(depth, w);
    const std::size_t imageSize = std::size_t(stride) * h;

    // The row converters write up to 4 bytes per pixel, and the copying ones a whole stride.
    const std::size_t scratchBytes = std::max<std::size_t>(std::size_t(4) * w, stride) + 8;
    std::uint8_t* pixels = nullptr;
    std::uint8_t* scratch = nullptr;
    PixelOwnership ownership;
    if (buffer == nullptr) {
        // One block: pixels, a spare row, then the scratch row.
        const std::size_t bytes = imageSize + stride + scratchBytes + 4;
        if (reusable && reusableBytes >= bytes && bytes >= reusableBytes / 2) {
            allocation_ = reusable.release();
            allocationBytes_ = reusableBytes;
        } else {
            reusable.reset();
            allocation_ = new (std::nothrow) std::uint8_t[bytes];
            allocationBytes_ = bytes;
        }
        if (allocation_ == nullptr) {
            Clear();
            lastError_ = kErrorOutOfMemory;
            return false;
        }
        auto address = reinterpret_cast<std::uintptr_t>(allocation_);
        pixels = allocation_ + ((4 - address % 4) % 4);
        scratch = pixels + imageSize + stride;
        ownership = PixelOwnership::Owned;
    } else {
        if (buffer == DibSectionBuffer) {
            allocation_ = new (std::nothrow) std::uint8_t[imageSize == 0 ? 4 : imageSize];
            pixels = allocation_;
            ownership = PixelOwnership::DibSection;
        } else {
            pixels = static_cast<std::uint8_t*>(buffer);
            ownership = PixelOwnership::Borrowed;
        }
        scratchAllocation_ = new (std::nothrow) std::uint8_t[scratchBytes];
        scratch = scratchAllocation_;
        if (pixels == nullptr || scratch == nullptr) {
            Clear();
            lastError_ = kErrorOutOfMemory;
            return false;
        }
    }

    accessors_ = info.accessors;
    significantMask_ = info.significantMask;
    group_ = info.group;
    isDirect_ = depth > 8;
    paletteCount_ = isDirect_ ? 0 : (1u << depth);
    stride_ = stride;
    imageSize_ = imageSize;
    pixelBase_ = pixels;
    scratchRow_ = scratch;
    ownership_ = ownership;
    width_ = w;
    height_ = h;
    bitsPerPixel_ = static_cast<std::uint32_t>(depth);
    valueMask_ = depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    depthBit_ = 1u << (depth - 1);
    rowZero_ = h == 0 ? pixels : pixels + std::size_t(h - 1) * stride;
    WriteHeader();
    WriteDefaultPalette();

    if (fill == NoFill) return true;
    std::memset(pixelBase_, static_cast<int>(fill & 0xFF), imageSize_);
    if (fill != 0 && depth != 8) FillRect(0, 0, width, height, fill);
    return true;
}

void RasterImage::WriteHeader() {
    auto* h = reinterpret_cast<std::uint8_t*>(header_);
    const std::uint16_t bitCount = bitsPerPixel_ == 15 ? 16 : static_cast<std::uint16_t>(bitsPerPixel_);
    Put32(h, 0, kInfoHeaderBytes);
    Put32(h, 4, width_);
    Put32(h, 8, height_);
    Put16(h, 12, 1);
    Put16(h, 14, bitCount);
    Put32(h, 16, bitCount == 16 ? 3 : 0);
    // The field has 32 bits; 0 ("as the size implies") where a 4 GiB picture does not fit.
    Put32(h, 20, imageSize_ > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(imageSize_));
    Put32(h, 24, 4705);
    Put32(h, 28, 4705);
    Put32(h, 32, paletteCount_);
    Put32(h, 36, paletteCount_);
    std::uint32_t* pal = palette();
    if (bitsPerPixel_ == 16) {
        pal[0] = 0xF800;
        pal[1] = 0x07E0;
        pal[2] = 0x001F;
        pal[3] = 0;
    } else if (bitsPerPixel_ == 15) {
        // The masks describe the pixels as stored: 5 bits each, the alpha flag is not shown.
        pal[0] = 0x7C00;
        pal[1] = 0x03E0;
        pal[2] = 0x001F;
        pal[3] = 0;
    }
}

void RasterImage::WriteDefaultPalette() {
    std::uint32_t* pal = palette();
    switch (bitsPerPixel_) {
        case 1:
            pal[0] = 0x000000;
            pal[1] = 0xFFFFFF;
            break;
        case 2:
            pal[0] = 0x000000;
            pal[1] = 0x008000;
            pal[2] = 0x800000;
            pal[3] = 0xFFFFFF;
            break;
        case 4:
            std::memcpy(pal, kSixteenColours, sizeof kSixteenColours);
            break;
        case 8:
            std::memcpy(pal, kSixteenColours, sizeof kSixteenColours);
            // Later steps overwrite earlier ones: a 3-3-2 colour cube in the upper half, a grey
            // ramp, then a 6x6x6 cube over entries 32..247.
            for (std::uint32_t i = 128; i < 256; ++i)
                pal[i] = ((((i >> 5) & 3) * 64 + 32) << 16) | ((((i >> 2) & 7) * 32 + 16) << 8) |
                         ((i & 3) * 64 + 32);
            for (std::uint32_t i = 16; i < 32; ++i) pal[i] = (i - 16) * 16 * 0x010101u;
            for (std::uint32_t t = 32; t < 248; ++t)
                pal[t] = ((((t / 36) % 6) * 43 + 20) << 16) | ((((t / 6) % 6) * 43 + 20) << 8) |
                         ((t % 6) * 43 + 20);
            break;
        default:
            break;
    }
}

bool RasterImage::Copy(const RasterImage& source) {
    if (&source == this) return !empty();
    if (source.empty()) {
        Clear();
        return false;
    }
    if (!Create(static_cast<int>(source.bitsPerPixel_), static_cast<int>(source.width_),
                static_cast<int>(source.height_), NoFill, nullptr))
        return false;
    std::memcpy(header_, source.header_, kHeaderBlockBytes);
    std::memcpy(pixelBase_, source.pixelBase_, imageSize_);
    progressCallback_ = source.progressCallback_;
    progressUser_ = source.progressUser_;
    return true;
}

bool RasterImage::FillRect(int x, int y, int w, int h, std::uint32_t colour) {
    if (empty()) return false;
    // Spans as 64-bit so that x + w cannot overflow.
    std::int64_t x0 = w >= 0 ? x : std::int64_t(x) + w + 1;
    std::int64_t x1 = w >= 0 ? std::int64_t(x) + w : std::int64_t(x) + 1;
    std::int64_t y0 = h >= 0 ? y : std::int64_t(y) + h + 1;
    std::int64_t y1 = h >= 0 ? std::int64_t(y) + h : std::int64_t(y) + 1;
    x0 = std::max<std::int64_t>(x0, 0);
    y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, width_);
    y1 = std::min<std::int64_t>(y1, height_);
    if (x0 >= x1 || y0 >= y1) return false;

    const auto cx0 = static_cast<std::uint32_t>(x0), cx1 = static_cast<std::uint32_t>(x1);
    const auto cy0 = static_cast<std::uint32_t>(y0), cy1 = static_cast<std::uint32_t>(y1);
    const std::uint32_t per = group_.pixels;
    const std::uint32_t g0 = (cx0 + per - 1) / per;  // first whole group
    const std::uint32_t g1 = cx1 / per;              // one past the last whole group
    const auto set = accessors_->setPixel;

    // Columns outside the whole groups, pixel by pixel.
    const std::uint32_t headEnd = g0 < g1 ? g0 * per : cx1;
    const std::uint32_t tailBegin = g0 < g1 ? g1 * per : cx1;
    for (std::uint32_t row = cy0; row < cy1; ++row) {
        std::uint8_t* r = Row(row);
        for (std::uint32_t c = cx0; c < headEnd; ++c) set(r, c, colour);
        for (std::uint32_t c = tailBegin; c < cx1; ++c) set(r, c, colour);
    }
    if (g0 >= g1) return true;

    // The whole groups: one group's bytes as a pattern, repeated over the first row and then
    // copied into the others.
    std::uint8_t pattern[4] = {0, 0, 0, 0};
    const std::uint32_t v = accessors_->colourToPixel(colour);
    switch (bitsPerPixel_) {
        case 1: pattern[0] = (v & 1) ? 0xFF : 0x00; break;
        case 2: pattern[0] = static_cast<std::uint8_t>((v & 3) * 85); break;
        case 4: pattern[0] = static_cast<std::uint8_t>((v & 15) * 17); break;
        case 8: pattern[0] = static_cast<std::uint8_t>(v); break;
        case 12: {
            const std::uint32_t two = (v & 0xFFF) | ((v & 0xFFF) << 12);
            pattern[0] = static_cast<std::uint8_t>(two);
            pattern[1] = static_cast<std::uint8_t>(two >> 8);
            pattern[2] = static_cast<std::uint8_t>(two >> 16);
            break;
        }
        default: Store32(pattern, v); break;  // 15, 16, 24, 32: the low group bytes
    }
    const std::uint32_t bytes = group_.bytes;
    const std::size_t begin = std::size_t(g0) * bytes;
    const std::size_t length = std::size_t(g1 - g0) * bytes;
    std::uint8_t* first = Row(cy0) + begin;
    if (bytes == 1) {
        std::memset(first, pattern[0], length);
    } else if (bytes == 4) {
        const std::uint32_t word = Load32(pattern);
        for (std::size_t i = 0; i < length; i += 4) Store32(first + i, word);
    } else {
        for (std::size_t i = 0; i < length; i += bytes) std::memcpy(first + i, pattern, bytes);
    }
    for (std::uint32_t row = cy0 + 1; row < cy1; ++row) std::memcpy(Row(row) + begin, first, length);
    return true;
}

// ---- Pixels and palette ------------------------------------------------------------------------

std::uint32_t RasterImage::GetPixel(std::uint32_t x, std::uint32_t y) const {
    assert(x < width_ && y < height_);
    return accessors_->getPixel(Row(y), x);
}

void RasterImage::SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t value) {
    assert(x < width_ && y < height_);
    accessors_->setPixel(Row(y), x, value);
}

void RasterImage::SetPaletteEntry(std::uint32_t index, std::uint32_t colour) {
    palette()[index & 0xFF] = colour;
}

void RasterImage::SetPaletteRgb(std::uint32_t index, std::uint8_t red, std::uint8_t green,
                                std::uint8_t blue) {
    std::uint32_t& e = palette()[index & 0xFF];
    e = (e & 0xFF000000u) | (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | blue;
}

void RasterImage::SetPaletteRgba(std::uint32_t index, std::uint8_t red, std::uint8_t green,
                                 std::uint8_t blue, std::uint8_t fourth) {
    palette()[index & 0xFF] = (std::uint32_t(fourth) << 24) | (std::uint32_t(red) << 16) |
                              (std::uint32_t(green) << 8) | blue;
}

std::uint32_t RasterImage::GetPaletteRgb(std::uint32_t index, std::uint8_t* red,
                                         std::uint8_t* green, std::uint8_t* blue) const {
    const std::uint32_t e = palette()[index & 0xFF];
    if (red) *red = static_cast<std::uint8_t>(e >> 16);
    if (green) *green = static_cast<std::uint8_t>(e >> 8);
    if (blue) *blue = static_cast<std::uint8_t>(e);
    return e;
}

// ---- Alpha -------------------------------------------------------------------------------------

bool RasterImage::HasAlpha() const {
    if (empty() || bitsPerPixel_ != 32 || imageSize_ < 2) return false;
    const std::uint8_t* p = pixelBase_;
    for (std::size_t i = 3; i < imageSize_; i += 4)
        if (p[i] != 0) return true;
    return false;
}

int RasterImage::AlphaKind() const {
    if (empty()) return 0;
    // The alpha bytes to inspect: the fourth bytes of the used palette entries, or of the pixels.
    const std::uint8_t* bytes;
    std::size_t count;
    if (!isDirect_) {
        bytes = reinterpret_cast<const std::uint8_t*>(palette());
        count = paletteCount_;
    } else if (bitsPerPixel_ == 32) {
        bytes = pixelBase_;
        count = imageSize_ / 4;
    } else {
        return 0;
    }
    if (count == 0) return 0;
    const std::uint8_t reference = bytes[(count - 1) * 4 + 3];
    if (reference != 0 && reference != 255) return 2;
    for (std::size_t i = 0; i + 1 < count; ++i)
        if (bytes[i * 4 + 3] != reference) return 2;
    return reference == 255 ? 1 : 0;
}

// ---- Embedded bitmaps ----------------------------------------------------------------------------

bool RasterImage::LoadBitmapResource(int number) {
    const ResourceBytes dib = FindResource("BITMAP", number);
    if (dib.empty() || DecodeDib(dib, *this) != DibStatus::Ok) {
        Clear();
        return false;
    }
    return true;
}

bool RasterImage::LoadBitmapResource(std::string_view name) {
    const ResourceBytes dib = FindResource("BITMAP", name);
    if (dib.empty() || DecodeDib(dib, *this) != DibStatus::Ok) {
        Clear();
        return false;
    }
    return true;
}

bool MakeOpaqueUnlessAlpha(RasterImage& image, const RasterImage& original) {
    if (image.empty() || image.bitsPerPixel() != 32 || original.AlphaKind() != 0) return false;
    for (std::uint32_t y = 0; y < image.height(); ++y) {
        std::uint8_t* row = image.Row(y);
        for (std::uint32_t x = 0; x < image.width(); ++x) row[4 * x + 3] = 0xFF;
    }
    return true;
}

}  // namespace wirbelix
