// RasterImage: the picture object of the whole program. It holds one uncompressed raster of a
// fixed depth (1, 2, 4, 8, 12, 15, 16, 24 or 32 bits per pixel) with its palette, laid out as a
// bottom-up device-independent bitmap: the lowest address (pixelBase) holds the bottom row, and
// row y (0 = top) starts at rowZero - y * stride. Beside the pixels it keeps a 1064-byte header
// block (a 40-byte bitmap information header and 256 palette entries) that describes the pixels
// for drawing.
//
// Colours that cross the interface are colour words 0xAARRGGBB: blue in bits 0-7, green 8-15,
// red 16-23, alpha 24-31 (0 transparent, 255 opaque). In memory a colour word is the bytes blue,
// green, red, alpha, which is also the layout of a 32-bit pixel and of a palette entry.
//
// Pixel access goes through a set of per-depth functions chosen once by Create, so that loops
// over pixels never test the depth. The accessors do not check bounds: every caller keeps x in
// [0, width) and y in [0, height) (asserted in debug builds).
//
// Pixel values: GetPixel yields, and SetPixel takes, a palette index for depths 1-8 and a colour
// word for depths 12 and up (the bits the depth cannot hold are dropped on the way in, see
// significantMask). ColourToPixel turns a colour word into the depth's packed value.
//
// Failures: nothing here throws. Create answers false, leaves the image empty and sets
// lastError (kErrorSizeTooLarge, kErrorUnsupportedDepth, kErrorOutOfMemory). Operations on an
// empty image do nothing and answer false where they answer at all.
//
// Thread contract: an image is a plain value. Several threads may read one image at once
// (GetPixel, the header block, the pixels) except through the row converters, which write the
// image's scratch row; everything that writes needs the caller's exclusive access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace wirbelix {

class RasterImage;

// The fill value of Create that leaves the pixels unset.
inline constexpr std::uint32_t NoFill = 0xBCDE7AF9u;

// The buffer value of Create that asks for platform bitmap memory ("DIB section"). On this
// platform that is ordinary memory that the image allocates and frees itself.
inline void* const DibSectionBuffer = reinterpret_cast<void*>(std::uintptr_t{1});

// Largest width and height of an image, in pixels. This bounds every allocation a picture file
// can cause (at most 4 GiB for a 32-bit 32768 x 32768 picture).
inline constexpr int kMaxImageSide = 32768;

// Values of lastError after a failing Create (0 after Clear and after a successful Create).
inline constexpr std::uint8_t kErrorSizeTooLarge = 1;
inline constexpr std::uint8_t kErrorUnsupportedDepth = 2;
inline constexpr std::uint8_t kErrorOutOfMemory = 3;

// Size of the header block: a 40-byte bitmap information header and 256 four-byte palette
// entries (blue, green, red, fourth byte).
inline constexpr std::size_t kInfoHeaderBytes = 40;
inline constexpr std::size_t kHeaderBlockBytes = kInfoHeaderBytes + 256 * 4;

// Flags of Resample.
inline constexpr std::uint32_t RESAMPLE_SMOOTH = 1;  // area averaging instead of nearest pixel
inline constexpr std::uint32_t RESAMPLE_TO_32 = 2;   // the result is always 32-bit

// Flags of Rotate.
inline constexpr std::uint32_t ROTATE_NEAREST = 1;        // nearest pixel also for direct depths
inline constexpr std::uint32_t ROTATE_QUARTER_PIVOT = 2;  // pivots are in quarter pixels

// Progress function of the file readers: called with a percentage 0..100; setting abort to true
// asks the reader to stop. user is the value stored beside the function.
using ImageProgress = void (*)(void* user, int percent, bool& abort);

// The per-depth functions of an image. row is the address of a row (see RasterImage::Row);
// x is a column inside the image. The row converters return a row of width pixels: either the
// source row itself or the image's scratch row.
struct PixelAccessors {
    std::uint32_t (*getPixel)(const std::uint8_t* row, std::uint32_t x);
    void (*setPixel)(std::uint8_t* row, std::uint32_t x, std::uint32_t value);
    std::uint32_t (*colourToPixel)(std::uint32_t colour);
    // Grey or index bytes, one per pixel.
    const std::uint8_t* (*readRow8)(const RasterImage& image, const std::uint8_t* row);
    // Blue, green, red, three bytes per pixel.
    const std::uint8_t* (*readRow24)(const RasterImage& image, const std::uint8_t* row);
    // Blue, green, red, alpha (or the palette entry's fourth byte), four bytes per pixel.
    const std::uint8_t* (*readRow32)(const RasterImage& image, const std::uint8_t* row);
    // The same, but never returning the source row: the native case copies stride bytes into
    // the scratch row, so the result stays valid while the image's pixels are written.
    const std::uint8_t* (*copyRow8)(const RasterImage& image, const std::uint8_t* row);
    const std::uint8_t* (*copyRow24)(const RasterImage& image, const std::uint8_t* row);
    const std::uint8_t* (*copyRow32)(const RasterImage& image, const std::uint8_t* row);
};

// How the pixels of one depth are grouped for block operations: the smallest run of whole
// pixels that fills whole bytes.
struct PixelGroup {
    std::uint32_t pixels;  // pixels per group
    std::uint32_t bytes;   // bytes per group
};

// Who owns the pixel memory.
enum class PixelOwnership : std::uint8_t {
    None,        // empty image
    Owned,       // allocated by the image together with its scratch row
    Borrowed,    // a caller buffer, never freed by the image
    DibSection,  // "platform bitmap" memory, allocated and freed by the image
};

class RasterImage {
public:
    // An empty image: no pixels, width and height 0, accessors that do nothing.
    RasterImage();
    ~RasterImage();

    // Copying is Copy: same depth, size, header block and pixels in owned memory.
    RasterImage(const RasterImage& other);
    RasterImage& operator=(const RasterImage& other);
    // Moving takes over the pixels (a borrowed buffer stays borrowed); the source is left empty.
    RasterImage(RasterImage&& other) noexcept;
    RasterImage& operator=(RasterImage&& other) noexcept;

    // ---- Life cycle -------------------------------------------------------------------------

    // Frees the pixels (if owned) and the scratch row, zeroes the header block and returns to
    // the empty state; lastError becomes 0.
    void Clear();

    // Recreates the image (Clear first; owned memory of about the needed size is reused) with
    // the given depth and size; width and height may be 0. fill: a colour word (an index for indexed depths) written to every pixel, or NoFill to
    // leave the pixels unset (fill 0 and any fill of an 8-bit image set every byte of the pixel
    // memory to the fill's low byte). buffer: nullptr for owned memory, DibSectionBuffer, or
    // caller memory of at least imageSize bytes laid out bottom-up, which the image borrows (it
    // must outlive the image's use of it). Answers false and sets lastError on failure.
    bool Create(int depth, int width, int height, std::uint32_t fill = 0, void* buffer = nullptr);

    // Makes this image an exact copy of source in owned memory (depth, size, header block,
    // palette, pixels, progress function). An empty source gives an empty image and false.
    bool Copy(const RasterImage& source);

    // Writes colour (an index for indexed depths) into the rectangle clipped to the image. A
    // negative w covers the |w| columns ending at x, a negative h likewise the rows ending at
    // y. Answers true if at least one pixel was written.
    bool FillRect(int x, int y, int w, int h, std::uint32_t colour);

    // Reads the program's embedded bitmap resource with this number (or name) into the image at
    // the bitmap's own depth and size. Answers false (image empty) when there is no such
    // resource or it cannot be decoded.
    bool LoadBitmapResource(int number);
    bool LoadBitmapResource(std::string_view name);

    // ---- Geometry and memory ----------------------------------------------------------------

    bool empty() const { return pixelBase_ == nullptr; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t bitsPerPixel() const { return bitsPerPixel_; }
    std::uint32_t stride() const { return stride_; }
    // stride x height; a size_t because the largest 32-bit image holds exactly 4 GiB.
    std::size_t imageSize() const { return imageSize_; }
    bool isDirect() const { return isDirect_; }
    std::uint32_t paletteCount() const { return paletteCount_; }
    std::uint32_t significantMask() const { return significantMask_; }
    std::uint32_t valueMask() const { return valueMask_; }
    std::uint32_t depthBit() const { return depthBit_; }
    PixelGroup group() const { return group_; }
    PixelOwnership ownership() const { return ownership_; }
    std::uint8_t lastError() const { return lastError_; }

    // Lowest address of the pixel memory (the bottom row); null for an empty image.
    std::uint8_t* pixelBase() { return pixelBase_; }
    const std::uint8_t* pixelBase() const { return pixelBase_; }
    // Address of the top row.
    std::uint8_t* rowZero() { return rowZero_; }
    const std::uint8_t* rowZero() const { return rowZero_; }
    // Address of row y (0 = top), y in [0, height).
    std::uint8_t* Row(std::uint32_t y) { return rowZero_ - std::ptrdiff_t(y) * stride_; }
    const std::uint8_t* Row(std::uint32_t y) const { return rowZero_ - std::ptrdiff_t(y) * stride_; }
    // At least max(width x 4, stride) bytes that the row converters write; null when empty.
    std::uint8_t* scratchRow() const { return scratchRow_; }

    // The header block: info header (size 40, width, height > 0 for bottom-up rows, 1 plane,
    // bit count with 15 written as 16, compression 0 or 3 with bit-field masks for 16-bit
    // words, image size, 4705 pixels per metre, colours used and important = paletteCount),
    // then 256 palette entries.
    std::span<const std::uint8_t, kHeaderBlockBytes> headerBlock() const {
        return std::span<const std::uint8_t, kHeaderBlockBytes>(
            reinterpret_cast<const std::uint8_t*>(header_), kHeaderBlockBytes);
    }

    // ---- Pixels -----------------------------------------------------------------------------

    const PixelAccessors& accessors() const { return *accessors_; }
    std::uint32_t GetPixel(std::uint32_t x, std::uint32_t y) const;
    void SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t value);
    std::uint32_t ColourToPixel(std::uint32_t colour) const { return accessors_->colourToPixel(colour); }

    // Row converters of row y (see PixelAccessors). The result is valid until the next
    // converter call on this image (or, for the source row itself, until the pixels change).
    const std::uint8_t* ReadRow8(std::uint32_t y) const { return accessors_->readRow8(*this, Row(y)); }
    const std::uint8_t* ReadRow24(std::uint32_t y) const { return accessors_->readRow24(*this, Row(y)); }
    const std::uint8_t* ReadRow32(std::uint32_t y) const { return accessors_->readRow32(*this, Row(y)); }
    const std::uint8_t* CopyRow8(std::uint32_t y) const { return accessors_->copyRow8(*this, Row(y)); }
    const std::uint8_t* CopyRow24(std::uint32_t y) const { return accessors_->copyRow24(*this, Row(y)); }
    const std::uint8_t* CopyRow32(std::uint32_t y) const { return accessors_->copyRow32(*this, Row(y)); }

    // ---- Palette (index taken modulo 256) ---------------------------------------------------

    // The 256 entries of the header block as colour words (fourth byte in bits 24-31).
    const std::uint32_t* palette() const { return header_ + kInfoHeaderBytes / 4; }
    std::uint32_t* palette() { return header_ + kInfoHeaderBytes / 4; }
    void SetPaletteEntry(std::uint32_t index, std::uint32_t colour);
    // Sets red, green and blue and keeps the entry's fourth byte.
    void SetPaletteRgb(std::uint32_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    void SetPaletteRgba(std::uint32_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t fourth);
    // Answers the whole entry and, where asked for, its channels.
    std::uint32_t GetPaletteRgb(std::uint32_t index, std::uint8_t* red = nullptr,
                                std::uint8_t* green = nullptr, std::uint8_t* blue = nullptr) const;

    // ---- Alpha ------------------------------------------------------------------------------

    // True only for a 32-bit image in which some alpha byte is not 0.
    bool HasAlpha() const;
    // 0 no alpha (all inspected bytes 0), 1 opaque (all 255), 2 mixed. Indexed images inspect
    // the fourth bytes of their paletteCount entries, 32-bit images every alpha byte; other
    // depths answer 0.
    int AlphaKind() const;

    // ---- Progress of the file readers (copied by Copy) ---------------------------------------

    void SetProgressCallback(ImageProgress callback, void* user) {
        progressCallback_ = callback;
        progressUser_ = user;
    }
    ImageProgress progressCallback() const { return progressCallback_; }
    void* progressUser() const { return progressUser_; }

    // ---- Transforms (target = this image; source is never changed) --------------------------
    // Resample and Compose read the source through its row converters, which write the
    // source's scratch row, so a source must not be in use by another thread meanwhile. A
    // source may be the target itself; it is then read from a copy.

    // Scales source into newWidth x newHeight (flags RESAMPLE_SMOOTH, RESAMPLE_TO_32). An empty
    // source gives a 0 x 0 image of its depth and false.
    bool Resample(const RasterImage& source, int newWidth, int newHeight, std::uint32_t flags);

    // Turns source by angle (1/131072 turn; positive turns counter-clockwise on the screen)
    // about the pivot (pixels, or quarter pixels with ROTATE_QUARTER_PIVOT), into an image just
    // large enough, with fill outside the source. On success the pivot arguments hold the
    // pivot's position in the result. False (target unchanged) for an empty source and for
    // sources above 4096 pixels per side; false for results above 8192 per side or a failing
    // Create.
    bool Rotate(const RasterImage& source, int angle, std::uint32_t flags, int& pivotX,
                int& pivotY, std::uint32_t fill);

    // Draws the 32-bit source with its alpha at (x, y) onto this image (depth 12 or more).
    // True when the call was valid, even if nothing was visible.
    bool BlendAt(const RasterImage& source, int x, int y);

    // Copies source at (x, y) onto this image, converting the depth. Only flags 0 is offered;
    // other flags answer false. True when something was copied.
    bool Compose(const RasterImage& source, int x, int y, std::uint32_t flags = 0);
    // Compose limited to the target area left..right-1 x top..bottom-1: the pixels written are
    // exactly those Compose writes there, and no others. True when something was copied.
    bool ComposeWithin(const RasterImage& source, int x, int y, int left, int top, int right,
                       int bottom, std::uint32_t flags = 0);

private:
    void ReleasePixels();
    void WriteHeader();
    void WriteDefaultPalette();
    void MoveFrom(RasterImage& other) noexcept;

    std::uint32_t* header_;  // kHeaderBlockBytes, 4-byte aligned, lives as long as the object
    const PixelAccessors* accessors_;
    std::uint8_t* pixelBase_ = nullptr;
    std::uint8_t* rowZero_ = nullptr;
    std::uint8_t* scratchRow_ = nullptr;
    std::uint8_t* allocation_ = nullptr;       // owned or DIB-section pixel memory
    std::size_t allocationBytes_ = 0;          // size of allocation_
    std::uint8_t* scratchAllocation_ = nullptr;  // separate scratch row of the other kinds
    std::size_t imageSize_ = 0;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t bitsPerPixel_ = 0;
    std::uint32_t stride_ = 0;
    std::uint32_t paletteCount_ = 0;
    std::uint32_t significantMask_ = 0;
    std::uint32_t valueMask_ = 0;
    std::uint32_t depthBit_ = 0;
    PixelGroup group_{0, 0};
    PixelOwnership ownership_ = PixelOwnership::None;
    bool isDirect_ = false;
    std::uint8_t lastError_ = 0;
    ImageProgress progressCallback_ = nullptr;
    void* progressUser_ = nullptr;
};

// A rotor or star made 32-bit from a picture without alpha (24-bit pixels, a palette whose
// fourth bytes are 0, or 32-bit pixels whose alpha bytes are all 0) would be drawn fully
// transparent, that is not at all. MakeOpaqueUnlessAlpha sets every alpha byte of the 32-bit
// image to 255 when original has no alpha (AlphaKind() == 0); otherwise it leaves it alone.
// Answers whether it changed anything.
bool MakeOpaqueUnlessAlpha(RasterImage& image, const RasterImage& original);

// Bytes per row of an image of this depth and width (a multiple of 4); 0 for an unknown depth.
std::uint32_t StrideFor(int depth, std::uint32_t width);

}  // namespace wirbelix
