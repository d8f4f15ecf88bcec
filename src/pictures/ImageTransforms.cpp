// The picture transforms of RasterImage: Resample, Rotate, BlendAt and Compose. Each loop picks
// its pixel functions (or a specialised loop) once per call; the per-pixel work is integer only.
#include <algorithm>
#include <cstdint>
#include <bit>
#include <cstring>
#include <vector>

#include "pictures/FixedSin.h"
#include "platform/LittleEndian.h"
#include "pictures/RasterImage.h"

namespace wirbelix {

namespace {

bool HasPixels(const RasterImage& img) { return !img.empty() && img.width() > 0 && img.height() > 0; }

// ---- Area averaging ----------------------------------------------------------------------------

// Exact unsigned 32-bit division by a divisor fixed in advance, as one multiplication: with
// M = floor((2^64 - 1) / d) + 1, floor(n / d) = (M x n) >> 64 for every 32-bit n and d > 1
// (Lemire, Kaser and Kurz, "Faster remainder by direct computation", 2019). Normalising the
// averages divides every channel of every pixel by the window length, and hardware division is
// most of the cost otherwise.
struct Divider {
    std::uint64_t m = 0;
    std::uint32_t d = 1;
    explicit Divider(std::uint32_t divisor = 1) : m(divisor > 1 ? ~std::uint64_t(0) / divisor + 1 : 0), d(divisor) {}
    std::uint32_t operator()(std::uint32_t n) const {
        if (d == 1) return n;
        return static_cast<std::uint32_t>((static_cast<unsigned __int128>(m) * n) >> 64);
    }
};

// One source pixel of an averaging window and its weight in 1/256 pixel.
struct Tap {
    std::uint32_t pixel;
    std::uint32_t weight;
};

// The taps of one output pixel, and the window's length V (1/256 pixel).
struct Window {
    std::uint32_t first;
    std::uint32_t count;
    std::uint32_t length;
    Divider byLength;
};

// The averaging windows of n output pixels over s source pixels, all in 1/256 pixel. Enlarging
// maps the end points onto each other (s - 1 onto n - 1), so it interpolates between
// neighbours; reducing averages the area each output pixel covers.
void BuildWindows(std::uint32_t s, std::uint32_t n, std::vector<Tap>& taps, std::vector<Window>& windows) {
    taps.clear();
    windows.clear();
    std::uint64_t N = s < n ? s - 1 : s;
    std::uint64_t D = s < n ? n - 1 : n;
    while (N != 0 && D != 0 && N % 2 == 0 && D % 2 == 0) {
        N /= 2;
        D /= 2;
    }
    // Keep k x N x 256 below 2^31, as the step arithmetic was designed for.
    const std::uint64_t product = N * n * 256;
    if (product >= (std::uint64_t(1) << 31)) {
        const int halvings = std::bit_width(product >> 31);
        N >>= halvings;
        D >>= halvings;
    }
    if (D == 0) D = 1;
    const std::uint64_t sourceEnd = std::uint64_t(s) * 256;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint64_t a = std::uint64_t(k) * N * 256;
        std::uint64_t start = a / D;
        std::uint64_t end = (a + N * 256) / D;
        if (end < start + 256) end = start + 256;
        // The window never reaches past the last source pixel: the rounding of the halved ratio
        // above could otherwise push it (and even its start) beyond the source.
        if (end > sourceEnd) end = sourceEnd;
        if (start >= end) start = end - 256;
        Window w{static_cast<std::uint32_t>(taps.size()), 0, static_cast<std::uint32_t>(end - start), Divider()};
        if (w.length == 0) w.length = 1;
        w.byLength = Divider(w.length);
        const auto p0 = static_cast<std::uint32_t>(start / 256);
        taps.push_back({p0, static_cast<std::uint32_t>(256 - start % 256)});
        if (p0 < (end - 1) / 256) {
            const auto last = static_cast<std::uint32_t>(end / 256);
            for (std::uint32_t p = p0 + 1; p < last; ++p) taps.push_back({p, 256});
            if (end % 256 != 0) taps.push_back({last, static_cast<std::uint32_t>(end % 256)});
        }
        w.count = static_cast<std::uint32_t>(taps.size()) - w.first;
        windows.push_back(w);
    }
}

// Smooth resampling with Ch channels per pixel in the source rows (3: ReadRow24 into a 24-bit
// target, 4: ReadRow32 into a 32-bit target). Mixed: the source has mixed alpha, so invisible
// pixels add nothing to the colour. Otherwise a 32-bit target gets the fixed alpha.
template <int Ch, bool Mixed>
void SmoothResample(const RasterImage& src, RasterImage& dst, std::uint8_t fixedAlpha) {
    const std::uint32_t sw = src.width(), sh = src.height();
    const std::uint32_t nw = dst.width(), nh = dst.height();
    std::vector<Tap> rowTaps, colTaps;
    std::vector<Window> rowWindows, colWindows;
    BuildWindows(sh, nh, rowTaps, rowWindows);
    BuildWindows(sw, nw, colTaps, colWindows);
    constexpr int kColours = 3;
    constexpr int kSummed = Mixed ? 4 : 3;  // channels that are averaged
    // The row buffer: the vertical averages of every source column, Ch sums per column.
    std::vector<std::uint32_t> buffer(std::size_t(sw) * Ch);
    std::vector<std::uint32_t> cover(Mixed ? sw : 0);

    for (std::uint32_t i = 0; i < nh; ++i) {
        std::fill(buffer.begin(), buffer.end(), 0u);
        if constexpr (Mixed) std::fill(cover.begin(), cover.end(), 0u);
        const Window& rw = rowWindows[i];
        for (std::uint32_t t = 0; t < rw.count; ++t) {
            const Tap tap = rowTaps[rw.first + t];
            const std::uint8_t* row = Ch == 3 ? src.ReadRow24(tap.pixel) : src.ReadRow32(tap.pixel);
            const std::uint32_t w = tap.weight;
            std::uint32_t* b = buffer.data();
            if constexpr (Mixed) {
                for (std::uint32_t c = 0; c < sw; ++c, row += 4, b += 4) {
                    if (row[3] == 0) continue;
                    cover[c] += w;
                    for (int ch = 0; ch < 4; ++ch) b[ch] += (row[ch] * w) >> 8;
                }
            } else if (w == 256) {
                // All bytes alike (a 32-bit row's alpha is summed too and never used), so that
                // the compiler can vectorise the loop.
                for (std::size_t k = 0; k < std::size_t(sw) * Ch; ++k) b[k] += row[k];
            } else {
                for (std::size_t k = 0; k < std::size_t(sw) * Ch; ++k) b[k] += (row[k] * w) >> 8;
            }
        }
        // Normalise the vertical pass.
        std::uint32_t* b = buffer.data();
        if constexpr (Mixed) {
            for (std::uint32_t c = 0; c < sw; ++c, b += 4) {
                const std::uint32_t C = cover[c];
                if (C != 0 && C != 256)
                    for (int ch = 0; ch < kColours; ++ch) b[ch] = (b[ch] * 256) / C;
                if (rw.length != 256) b[3] = rw.byLength(b[3] * 256);
            }
        } else if (rw.length != 256) {
            const Divider byV = rw.byLength;
            for (std::size_t k = 0; k < std::size_t(sw) * Ch; ++k) b[k] = byV(b[k] * 256);
        }

        // Horizontal pass from the row buffer into target row i.
        std::uint8_t* out = dst.Row(i);
        for (std::uint32_t j = 0; j < nw; ++j, out += Ch) {
            const Window& cw = colWindows[j];
            std::uint32_t sum[4] = {0, 0, 0, 0};
            std::uint32_t C = 0;
            for (std::uint32_t t = 0; t < cw.count; ++t) {
                const Tap tap = colTaps[cw.first + t];
                const std::uint32_t* p = buffer.data() + std::size_t(tap.pixel) * Ch;
                if constexpr (Mixed) {
                    if (p[3] == 0) continue;
                    C += tap.weight;
                }
                for (int ch = 0; ch < kSummed; ++ch) sum[ch] += (p[ch] * tap.weight) >> 8;
            }
            const std::uint32_t V = cw.length;
            if constexpr (Mixed) {
                if (C != 0 && C != 256)
                    for (int ch = 0; ch < kColours; ++ch) sum[ch] = (sum[ch] * 256) / C;
            } else if (V != 256) {
                for (int ch = 0; ch < kColours; ++ch) sum[ch] = cw.byLength(sum[ch] * 256);
            }
            for (int ch = 0; ch < kColours; ++ch) out[ch] = static_cast<std::uint8_t>(sum[ch]);
            if constexpr (Ch == 4) {
                if constexpr (Mixed) {
                    if (V != 256) sum[3] = cw.byLength(sum[3] * 256);
                    out[3] = static_cast<std::uint8_t>(sum[3]);
                } else {
                    out[3] = fixedAlpha;
                }
            }
        }
    }
}

// Nearest-pixel resampling by copying Bytes bytes per pixel from rows of the source (or of its
// 32-bit conversion when the target is 32-bit and the source is not).
template <int Bytes, bool Convert32>
void NearestCopy(const RasterImage& src, RasterImage& dst, const std::vector<std::uint32_t>& xs,
                 const std::vector<std::uint32_t>& ys) {
    const std::uint32_t nw = dst.width(), nh = dst.height();
    for (std::uint32_t i = 0; i < nh; ++i) {
        std::uint8_t* out = dst.Row(i);
        if (i > 0 && ys[i] == ys[i - 1]) {  // the same source row as before: repeat the target row
            std::memcpy(out, dst.Row(i - 1), dst.stride());
            continue;
        }
        const std::uint8_t* in = Convert32 ? src.ReadRow32(ys[i]) : src.Row(ys[i]);
        for (std::uint32_t j = 0; j < nw; ++j) std::memcpy(out + j * Bytes, in + std::size_t(xs[j]) * Bytes, Bytes);
    }
}

// ---- Rotation ------------------------------------------------------------------------------------

// The nearest-pixel inner loop over the target, copying Bytes-byte pixels. Each target pixel
// costs two additions for the source position, one bounds test and one copy. Pixels outside the
// source keep the fill that Create wrote.
template <int Bytes>
void RotateNearestBytes(const RasterImage& src, RasterImage& dst, std::int64_t x0, std::int64_t y0,
                        std::int64_t dxCol, std::int64_t dyCol, std::int64_t dxRow, std::int64_t dyRow) {
    const std::uint64_t W = src.width(), H = src.height();
    const std::uint8_t* srcTop = src.rowZero();
    const std::ptrdiff_t srcStride = src.stride();
    const std::uint32_t tw = dst.width(), th = dst.height();
    for (std::uint32_t i = 0; i < th; ++i, x0 += dxRow, y0 += dyRow) {
        std::uint8_t* out = dst.Row(i);
        std::int64_t X = x0, Y = y0;
        for (std::uint32_t j = 0; j < tw; ++j, X += dxCol, Y += dyCol, out += Bytes) {
            const auto sx = static_cast<std::uint64_t>(X >> 18);
            const auto sy = static_cast<std::uint64_t>(Y >> 18);
            if (sx < W && sy < H)
                std::memcpy(out, srcTop - std::ptrdiff_t(sy) * srcStride + sx * Bytes, Bytes);
        }
    }
}

// The same through the pixel functions, for the depths that pack pixels into shared bytes.
void RotateNearestGeneric(const RasterImage& src, RasterImage& dst, std::int64_t x0, std::int64_t y0,
                          std::int64_t dxCol, std::int64_t dyCol, std::int64_t dxRow, std::int64_t dyRow) {
    const std::uint64_t W = src.width(), H = src.height();
    const auto get = src.accessors().getPixel;
    const auto set = dst.accessors().setPixel;
    const std::uint32_t tw = dst.width(), th = dst.height();
    for (std::uint32_t i = 0; i < th; ++i, x0 += dxRow, y0 += dyRow) {
        std::uint8_t* out = dst.Row(i);
        std::int64_t X = x0, Y = y0;
        for (std::uint32_t j = 0; j < tw; ++j, X += dxCol, Y += dyCol) {
            const auto sx = static_cast<std::uint64_t>(X >> 18);
            const auto sy = static_cast<std::uint64_t>(Y >> 18);
            if (sx < W && sy < H) set(out, j, get(src.Row(static_cast<std::uint32_t>(sy)), static_cast<std::uint32_t>(sx)));
        }
    }
}

void RotateBilinear(const RasterImage& src, RasterImage& dst, std::int64_t x0, std::int64_t y0,
                    std::int64_t dxCol, std::int64_t dyCol, std::int64_t dxRow, std::int64_t dyRow,
                    std::uint32_t fill) {
    const std::uint32_t W = src.width(), H = src.height();
    const auto get = src.accessors().getPixel;
    const auto set = dst.accessors().setPixel;
    // Sources without alpha count as opaque.
    const std::uint32_t forceAlpha = src.HasAlpha() ? 0u : 0xFF000000u;
    const std::uint32_t tw = dst.width(), th = dst.height();
    for (std::uint32_t i = 0; i < th; ++i, x0 += dxRow, y0 += dyRow) {
        std::uint8_t* out = dst.Row(i);
        std::int64_t X = x0, Y = y0;
        for (std::uint32_t j = 0; j < tw; ++j, X += dxCol, Y += dyCol) {
            const std::uint32_t fx = static_cast<std::uint32_t>(X >> 10) & 255;
            const std::uint32_t fy = static_cast<std::uint32_t>(Y >> 10) & 255;
            // Unsigned, so that positions left of or above the source count as outside (and the
            // neighbour of -1 is 0 again).
            const auto sx = static_cast<std::uint32_t>(X >> 18);
            const auto sy = static_cast<std::uint32_t>(Y >> 18);
            const std::uint32_t weights[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
            std::uint32_t sum[3] = {0, 0, 0}, alphaSum = 0, total = 0;
            for (int n = 0; n < 4; ++n) {
                const std::uint32_t px = sx + (n & 1), py = sy + (n >> 1);
                const std::uint32_t c = px < W && py < H ? get(src.Row(py), px) | forceAlpha : fill;
                const std::uint32_t a = c >> 24, w = weights[n];
                alphaSum += a * w;
                if (a == 0) continue;
                total += w;
                sum[0] += (c & 0xFF) * w;
                sum[1] += ((c >> 8) & 0xFF) * w;
                sum[2] += ((c >> 16) & 0xFF) * w;
            }
            std::uint32_t colour;
            if (total == 0) {
                colour = fill & 0x00FFFFFF;
            } else {
                if (total == 65536) {
                    for (auto& s : sum) s >>= 16;
                } else {
                    for (auto& s : sum) s /= total;
                }
                colour = sum[0] | (sum[1] << 8) | (sum[2] << 16) | ((alphaSum >> 16) << 24);
            }
            set(out, j, colour);
        }
    }
}

// ---- Placement -----------------------------------------------------------------------------------

// The part of a source placed at (x, y) that lies on the target.
struct Clip {
    std::uint32_t srcX, srcY, dstX, dstY, width, height;
};

// Answers false when the placement is invalid (wholly outside by the rules of BlendAt/Compose).
bool ClipPlacement(const RasterImage& dst, const RasterImage& src, int x, int y, Clip& clip) {
    const std::int64_t tw = dst.width(), th = dst.height(), sw = src.width(), sh = src.height();
    if (x >= tw || y >= th || x + sw <= 0 || y + sh <= 0) return false;
    clip.srcX = x < 0 ? static_cast<std::uint32_t>(-std::int64_t(x)) : 0;
    clip.srcY = y < 0 ? static_cast<std::uint32_t>(-std::int64_t(y)) : 0;
    clip.dstX = x < 0 ? 0 : static_cast<std::uint32_t>(x);
    clip.dstY = y < 0 ? 0 : static_cast<std::uint32_t>(y);
    clip.width = static_cast<std::uint32_t>(std::min<std::int64_t>(sw - clip.srcX, tw - clip.dstX));
    clip.height = static_cast<std::uint32_t>(std::min<std::int64_t>(sh - clip.srcY, th - clip.dstY));
    return true;
}

// Source over target with the source's alpha: A = sA + 1, B = 257 - A.
inline std::uint32_t BlendPixel(std::uint32_t s, std::uint32_t t) {
    const std::uint32_t sA = s >> 24, tA = t >> 24;
    const std::uint32_t A = sA + 1, B = 257 - A;
    // Red and blue share one multiplication: each lane stays below 255 x 257 < 2^16.
    const std::uint32_t rb = (((s & 0x00FF00FF) * A + (t & 0x00FF00FF) * B) >> 8) & 0x00FF00FF;
    const std::uint32_t g = (((s & 0x0000FF00) * A + (t & 0x0000FF00) * B) >> 8) & 0x0000FF00;
    const std::uint32_t a = tA == 255 ? 255 : (tA * B + sA * A) >> 8;
    return rb | g | (a << 24);
}

}  // namespace

// ---- Resample --------------------------------------------------------------------------------------

bool RasterImage::Resample(const RasterImage& source, int newWidth, int newHeight, std::uint32_t flags) {
    if (&source == this) {
        const RasterImage copy(source);
        return Resample(copy, newWidth, newHeight, flags);
    }
    if (!HasPixels(source)) {
        // An empty image of the source's depth (Create refuses depth 0 and leaves it empty).
        if (!Create(static_cast<int>(source.bitsPerPixel()), 0, 0)) Clear();
        return false;
    }
    const std::uint32_t sw = source.width(), sh = source.height();
    if (newWidth == static_cast<int>(sw) && newHeight == static_cast<int>(sh)) {
        if ((flags & RESAMPLE_TO_32) == 0) return Copy(source);
        if (!Create(32, newWidth, newHeight, NoFill)) return false;
        for (std::uint32_t y = 0; y < sh; ++y) std::memcpy(Row(y), source.ReadRow32(y), std::size_t(sw) * 4);
        return true;
    }

    const bool smooth = (flags & RESAMPLE_SMOOTH) != 0;
    int depth = static_cast<int>(source.bitsPerPixel());
    if ((flags & RESAMPLE_TO_32) != 0 || depth == 32)
        depth = 32;
    else if (smooth)
        depth = 24;
    if (!Create(depth, newWidth, newHeight, NoFill)) return false;
    if (!isDirect_) std::memcpy(palette(), source.palette(), 256 * 4);
    if (width_ == 0 || height_ == 0) return true;

    if (smooth) {
        if (depth == 24) {
            SmoothResample<3, false>(source, *this, 0);
        } else {
            const int kind = source.AlphaKind();
            if (kind == 2)
                SmoothResample<4, true>(source, *this, 0);
            else
                SmoothResample<4, false>(source, *this, kind == 1 ? 255 : 0);
        }
        return true;
    }

    std::vector<std::uint32_t> xs(width_), ys(height_);
    for (std::uint32_t j = 0; j < width_; ++j) xs[j] = static_cast<std::uint32_t>(std::uint64_t(j) * sw / width_);
    for (std::uint32_t i = 0; i < height_; ++i) ys[i] = static_cast<std::uint32_t>(std::uint64_t(i) * sh / height_);
    if (depth == 32) {
        if (source.bitsPerPixel() == 32)
            NearestCopy<4, false>(source, *this, xs, ys);
        else
            NearestCopy<4, true>(source, *this, xs, ys);
    } else if (depth == 24) {
        NearestCopy<3, false>(source, *this, xs, ys);
    } else if (depth == 15 || depth == 16) {
        NearestCopy<2, false>(source, *this, xs, ys);
    } else {
        const auto get = source.accessors().getPixel;
        const auto set = accessors_->setPixel;
        for (std::uint32_t i = 0; i < height_; ++i) {
            const std::uint8_t* in = source.Row(ys[i]);
            std::uint8_t* out = Row(i);
            for (std::uint32_t j = 0; j < width_; ++j) set(out, j, get(in, xs[j]));
        }
    }
    return true;
}

// ---- Rotate ----------------------------------------------------------------------------------------

bool RasterImage::Rotate(const RasterImage& source, int angle, std::uint32_t flags, int& pivotX,
                         int& pivotY, std::uint32_t fill) {
    if (&source == this) {
        const RasterImage copy(source);
        return Rotate(copy, angle, flags, pivotX, pivotY, fill);
    }
    const std::int64_t W = source.width(), H = source.height();
    if (W > 4096 || H > 4096 || !HasPixels(source)) return false;

    // Everything in quarter pixels relative to the pivot, which is the centre of its (quarter)
    // pixel. 64-bit throughout, so that no pivot, however far away, overflows.
    const bool quarter = (flags & ROTATE_QUARTER_PIVOT) != 0;
    const std::int64_t qx = quarter ? pivotX : std::int64_t(pivotX) * 4;
    const std::int64_t qy = quarter ? pivotY : std::int64_t(pivotY) * 4;
    const std::int64_t cx = -qx - 2, cy = -qy - 2;

    // Forward rotation of the corners by the negative angle gives the result's extent.
    // Only the low 17 bits of the angle matter; masking first keeps the sums below from overflowing.
    const int a = angle & (kAngleUnitsPerTurn - 1);
    const std::int64_t sa = FixedSin(-a), ca = FixedSin(32768 - a);
    std::int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
    for (const std::int64_t X : {cx, cx + 4 * W}) {
        for (const std::int64_t Y : {cy, cy + 4 * H}) {
            const std::int64_t xr = (ca * X - sa * Y) >> 16;
            const std::int64_t yr = (sa * X + ca * Y) >> 16;
            minX = std::min(minX, xr);
            maxX = std::max(maxX, xr);
            minY = std::min(minY, yr);
            maxY = std::max(maxY, yr);
        }
    }
    const std::int64_t rw = (maxX - minX + 3) >> 2, rh = (maxY - minY + 3) >> 2;
    if (rw > 8192 || rh > 8192) return false;
    const int depth = static_cast<int>(source.bitsPerPixel());
    if (fill == NoFill) {
        // The fill is a colour like any other here, so it is written, not left out.
        if (!Create(depth, static_cast<int>(rw), static_cast<int>(rh), NoFill)) return false;
        FillRect(0, 0, static_cast<int>(rw), static_cast<int>(rh), fill);
    } else if (!Create(depth, static_cast<int>(rw), static_cast<int>(rh), fill)) {
        return false;
    }
    if (!isDirect_) std::memcpy(palette(), source.palette(), 256 * 4);

    // Inverse mapping: the centre of target pixel (j, i) is (minX + 2 + 4j, minY + 2 + 4i)
    // relative to the pivot; turned back by the angle it gives the source position X, Y in
    // 1/65536 quarter pixels from the source's top-left corner.
    const std::int64_t s = FixedSin(a), c = FixedSin(a + 32768);
    const std::int64_t u0 = minX + 2, v0 = minY + 2;
    const std::int64_t x0 = c * u0 - s * v0 + qx * 65536;
    const std::int64_t y0 = s * u0 + c * v0 + qy * 65536;
    const std::int64_t dxCol = 4 * c, dyCol = 4 * s, dxRow = -4 * s, dyRow = 4 * c;

    if (depth <= 8 || (flags & ROTATE_NEAREST) != 0) {
        switch (depth) {
            case 8: RotateNearestBytes<1>(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow); break;
            case 15:
            case 16: RotateNearestBytes<2>(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow); break;
            case 24: RotateNearestBytes<3>(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow); break;
            case 32: RotateNearestBytes<4>(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow); break;
            default: RotateNearestGeneric(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow); break;
        }
    } else {
        RotateBilinear(source, *this, x0, y0, dxCol, dyCol, dxRow, dyRow, fill);
    }

    if (quarter) {
        pivotX = static_cast<int>(-2 - minX);
        pivotY = static_cast<int>(-2 - minY);
    } else {
        pivotX = static_cast<int>(-(minX / 4));
        pivotY = static_cast<int>(-(minY / 4));
    }
    return true;
}

// ---- BlendAt ---------------------------------------------------------------------------------------

bool RasterImage::BlendAt(const RasterImage& source, int x, int y) {
    if (&source == this) {
        const RasterImage copy(source);
        return BlendAt(copy, x, y);
    }
    if (!HasPixels(*this) || bitsPerPixel_ < 12 || source.empty() || source.bitsPerPixel() != 32 ||
        source.width() == 0)
        return false;
    Clip clip;
    if (!ClipPlacement(*this, source, x, y, clip)) return false;

    if (bitsPerPixel_ == 32) {
        for (std::uint32_t r = 0; r < clip.height; ++r) {
            const std::uint8_t* in = source.Row(clip.srcY + r) + std::size_t(clip.srcX) * 4;
            std::uint8_t* out = Row(clip.dstY + r) + std::size_t(clip.dstX) * 4;
            for (std::uint32_t k = 0; k < clip.width; ++k, in += 4, out += 4) {
                const std::uint32_t s = Load32(in);
                if ((s >> 24) == 0) continue;
                const std::uint32_t t = Load32(out);
                Store32(out, (t >> 24) == 0 ? s : BlendPixel(s, t));
            }
        }
        return true;
    }
    // Other direct depths through the pixel functions: targets without alpha read alpha 0, so
    // every visible source pixel is copied as it is.
    const auto get = accessors_->getPixel;
    const auto set = accessors_->setPixel;
    for (std::uint32_t r = 0; r < clip.height; ++r) {
        const std::uint8_t* in = source.Row(clip.srcY + r) + std::size_t(clip.srcX) * 4;
        std::uint8_t* out = Row(clip.dstY + r);
        for (std::uint32_t k = 0; k < clip.width; ++k, in += 4) {
            const std::uint32_t s = Load32(in);
            if ((s >> 24) == 0) continue;
            const std::uint32_t t = get(out, clip.dstX + k);
            set(out, clip.dstX + k, (t >> 24) == 0 ? s : BlendPixel(s, t));
        }
    }
    return true;
}

// ---- Compose ---------------------------------------------------------------------------------------

bool RasterImage::Compose(const RasterImage& source, int x, int y, std::uint32_t flags) {
    return ComposeWithin(source, x, y, 0, 0, INT32_MAX, INT32_MAX, flags);
}

bool RasterImage::ComposeWithin(const RasterImage& source, int x, int y, int left, int top,
                                int right, int bottom, std::uint32_t flags) {
    if (flags != 0) return false;  // the colour-key and alpha-test modes are not offered
    if (&source == this) {
        const RasterImage copy(source);
        return ComposeWithin(copy, x, y, left, top, right, bottom, flags);
    }
    if (!HasPixels(*this) || !HasPixels(source)) return false;
    Clip clip;
    if (!ClipPlacement(*this, source, x, y, clip)) return false;
    // Narrow the placed rectangle to the target area left..right x top..bottom.
    {
        const std::int64_t x0 = std::max<std::int64_t>(clip.dstX, left);
        const std::int64_t y0 = std::max<std::int64_t>(clip.dstY, top);
        const std::int64_t x1 = std::min<std::int64_t>(std::int64_t(clip.dstX) + clip.width, right);
        const std::int64_t y1 = std::min<std::int64_t>(std::int64_t(clip.dstY) + clip.height, bottom);
        if (x1 <= x0 || y1 <= y0) return false;
        clip.srcX += static_cast<std::uint32_t>(x0 - clip.dstX);
        clip.srcY += static_cast<std::uint32_t>(y0 - clip.dstY);
        clip.dstX = static_cast<std::uint32_t>(x0);
        clip.dstY = static_cast<std::uint32_t>(y0);
        clip.width = static_cast<std::uint32_t>(x1 - x0);
        clip.height = static_cast<std::uint32_t>(y1 - y0);
    }

    const std::uint32_t depth = bitsPerPixel_;
    if (source.bitsPerPixel() == depth) {
        // Whole rows of bytes, when the run starts and ends on whole groups of pixels.
        const PixelGroup g = group_;
        if (clip.dstX % g.pixels == 0 && clip.srcX % g.pixels == 0 && clip.width % g.pixels == 0) {
            const std::size_t inOffset = std::size_t(clip.srcX / g.pixels) * g.bytes;
            const std::size_t outOffset = std::size_t(clip.dstX / g.pixels) * g.bytes;
            const std::size_t length = std::size_t(clip.width / g.pixels) * g.bytes;
            for (std::uint32_t r = 0; r < clip.height; ++r)
                std::memcpy(Row(clip.dstY + r) + outOffset, source.Row(clip.srcY + r) + inOffset, length);
            return true;
        }
    }
    if (depth == source.bitsPerPixel() || !isDirect_) {
        // Pixel by pixel, values as stored: an indexed target takes the source's values without
        // any colour matching.
        const auto get = source.accessors().getPixel;
        const auto set = accessors_->setPixel;
        for (std::uint32_t r = 0; r < clip.height; ++r) {
            const std::uint8_t* in = source.Row(clip.srcY + r);
            std::uint8_t* out = Row(clip.dstY + r);
            for (std::uint32_t k = 0; k < clip.width; ++k) set(out, clip.dstX + k, get(in, clip.srcX + k));
        }
        return true;
    }

    // A direct target of another depth: the source's colours come from its 32-bit row converter
    // (palette entries for indexed sources); a 32-bit target makes sources without alpha opaque.
    // The loop is chosen once for the whole call.
    const std::uint32_t sourceDepth = source.bitsPerPixel();
    if (depth == 32 && sourceDepth == 24) {
        // The game's background onto its back buffer: one pass, no scratch row.
        for (std::uint32_t r = 0; r < clip.height; ++r) {
            const std::uint8_t* in = source.Row(clip.srcY + r) + std::size_t(clip.srcX) * 3;
            std::uint8_t* out = Row(clip.dstY + r) + std::size_t(clip.dstX) * 4;
            for (std::uint32_t k = 0; k < clip.width; ++k, in += 3, out += 4)
                Store32(out, in[0] | (std::uint32_t(in[1]) << 8) | (std::uint32_t(in[2]) << 16) | 0xFF000000u);
        }
    } else if (depth == 32) {
        const std::uint32_t alpha = sourceDepth <= 24 ? 0xFF000000u : 0u;
        for (std::uint32_t r = 0; r < clip.height; ++r) {
            const std::uint8_t* in = source.ReadRow32(clip.srcY + r) + std::size_t(clip.srcX) * 4;
            std::uint8_t* out = Row(clip.dstY + r) + std::size_t(clip.dstX) * 4;
            for (std::uint32_t k = 0; k < clip.width; ++k, in += 4, out += 4) Store32(out, Load32(in) | alpha);
        }
    } else {
        const auto set = accessors_->setPixel;
        for (std::uint32_t r = 0; r < clip.height; ++r) {
            const std::uint8_t* in = source.ReadRow32(clip.srcY + r) + std::size_t(clip.srcX) * 4;
            std::uint8_t* out = Row(clip.dstY + r);
            for (std::uint32_t k = 0; k < clip.width; ++k, in += 4) set(out, clip.dstX + k, Load32(in));
        }
    }
    return true;
}

}  // namespace wirbelix
