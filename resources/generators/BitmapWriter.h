// Shared by the resource generators: a floating-point canvas with anti-aliased drawing, and the
// writers of the file formats that the program embeds (device-independent bitmaps without file
// header, icon files, PNG for the desktop entry, RIFF WAVE).
//
// The generators run at build time and must give the same bytes on every build: nothing here
// reads the clock, the environment or an uninitialised value, and every random number comes
// from the fixed-seed generator below.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gen {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Bytes and files

using Bytes = std::vector<std::uint8_t>;

inline void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
inline void Put16(Bytes& b, unsigned v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i) Put8(b, static_cast<unsigned char>(tag[i]));
}

// Writes bytes to dir/name; false (with a message) on any failure, so the build stops.
inline bool WriteFile(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return ok;
}

// A small fixed-seed generator (xorshift64*), the same sequence on every build and platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in -1 .. 1.
    double Signed() { return static_cast<double>(Next() >> 11) * (2.0 / 9007199254740992.0) - 1.0; }

private:
    std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Colours and the canvas

// A colour with straight (not premultiplied) channels 0..1.
struct Colour {
    double r = 0, g = 0, b = 0, a = 1;
};

inline Colour Rgb(std::uint32_t rgb, double a = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, a};
}
inline Colour Mix(const Colour& x, const Colour& y, double t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}
inline Colour Scale(const Colour& c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
inline double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double SmoothStep(double e0, double e1, double x) {
    double t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline std::uint8_t To8(double v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0)); }

// Coverage of a shape at a pixel from its signed distance in pixels (negative inside): the
// fraction of a one-pixel box filter that lies inside the edge.
inline double Coverage(double d) { return Clamp01(0.5 - d); }

// A top-down RGBA canvas with premultiplied channels, composited with "over".
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h * 4, 0.0) {}
    int Width() const { return w_; }
    int Height() const { return h_; }

    // Paints colour c over pixel (x, y) with the given extra coverage.
    void Blend(int x, int y, const Colour& c, double coverage) {
        double a = Clamp01(c.a * coverage);
        if (a <= 0) return;
        double* p = &px_[(static_cast<std::size_t>(y) * w_ + x) * 4];
        p[0] = c.r * a + p[0] * (1 - a);
        p[1] = c.g * a + p[1] * (1 - a);
        p[2] = c.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
    }

    // Paints a shape: dist(x, y) is its signed distance in pixels at the pixel centre, shade(x,
    // y) its colour there; only pixels inside [x0, x1) x [y0, y1) are visited.
    template <typename Dist, typename Shade>
    void Fill(int x0, int y0, int x1, int y1, Dist dist, Shade shade) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, w_), y1 = std::min(y1, h_);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                double cx = x + 0.5, cy = y + 0.5;
                double cov = Coverage(dist(cx, cy));
                if (cov > 0) Blend(x, y, shade(cx, cy), cov);
            }
    }
    template <typename Dist, typename Shade>
    void Fill(Dist dist, Shade shade) {
        Fill(0, 0, w_, h_, dist, shade);
    }

    // Paints a picture given point by point: sample(x, y) is its colour (with alpha) at a
    // point; each pixel takes the average of n x n samples spread evenly over it.
    template <typename Sample>
    void Supersample(int n, Sample sample) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                double acc[4] = {0, 0, 0, 0};
                for (int j = 0; j < n; ++j)
                    for (int i = 0; i < n; ++i) {
                        Colour c = sample(x + (i + 0.5) / n, y + (j + 0.5) / n);
                        acc[0] += c.r * c.a, acc[1] += c.g * c.a, acc[2] += c.b * c.a, acc[3] += c.a;
                    }
                double k = 1.0 / (n * n);
                if (acc[3] <= 0) continue;
                Colour avg{acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3] * k};
                Blend(x, y, avg, 1.0);
            }
    }

    // Straight colour of a pixel.
    Colour At(int x, int y) const {
        const double* p = &px_[(static_cast<std::size_t>(y) * w_ + x) * 4];
        if (p[3] <= 0) return {0, 0, 0, 0};
        return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
    }
    // Premultiplied channels of a pixel (for blurring).
    double* Raw(int x, int y) { return &px_[(static_cast<std::size_t>(y) * w_ + x) * 4]; }

    // Composites another canvas of the same size over this one.
    void Over(const Canvas& top) {
        for (std::size_t i = 0; i < px_.size(); i += 4) {
            double a = top.px_[i + 3];
            for (int k = 0; k < 4; ++k) px_[i + k] = top.px_[i + k] + px_[i + k] * (1 - a);
        }
    }

    // Box-blurs the canvas three times with the given radius (close to a Gaussian).
    void Blur(int radius) {
        std::vector<double> tmp(px_.size());
        for (int pass = 0; pass < 3; ++pass) {
            BlurLine(px_, tmp, w_, h_, radius, true);
            BlurLine(tmp, px_, w_, h_, radius, false);
        }
    }

private:
    static void BlurLine(const std::vector<double>& in, std::vector<double>& out, int w, int h,
                         int r, bool horizontal) {
        int n = horizontal ? w : h, lines = horizontal ? h : w;
        for (int l = 0; l < lines; ++l)
            for (int i = 0; i < n; ++i)
                for (int k = 0; k < 4; ++k) {
                    double sum = 0;
                    for (int j = i - r; j <= i + r; ++j) {
                        if (j < 0 || j >= n) continue;
                        int x = horizontal ? j : l, y = horizontal ? l : j;
                        sum += in[(static_cast<std::size_t>(y) * w + x) * 4 + k];
                    }
                    int x = horizontal ? i : l, y = horizontal ? l : i;
                    out[(static_cast<std::size_t>(y) * w + x) * 4 + k] = sum / (2 * r + 1);
                }
    }

    int w_, h_;
    std::vector<double> px_;
};

// ---------------------------------------------------------------------------------------------
// Signed distances (negative inside), in the caller's units

inline double DistCircle(double x, double y, double cx, double cy, double r) {
    return std::hypot(x - cx, y - cy) - r;
}

// Distance to the segment a-b, minus a half width: a capsule.
inline double DistCapsule(double x, double y, double ax, double ay, double bx, double by,
                          double halfWidth) {
    double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    double t = Clamp01((px * dx + py * dy) / (dx * dx + dy * dy));
    return std::hypot(px - dx * t, py - dy * t) - halfWidth;
}

// A box of half sizes (hx, hy) with rounded corners of radius r, centred at the origin.
inline double DistRoundBox(double x, double y, double hx, double hy, double r) {
    double qx = std::fabs(x) - hx + r, qy = std::fabs(y) - hy + r;
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

struct Point {
    double x, y;
};

// Signed distance to a simple polygon (even-odd rule for the sign).
inline double DistPolygon(double x, double y, const std::vector<Point>& v) {
    double d = 1e300;
    bool inside = false;
    for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        double ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
        double wx = x - v[i].x, wy = y - v[i].y;
        double t = Clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
        d = std::min(d, std::hypot(wx - ex * t, wy - ey * t));
        if ((v[i].y > y) != (v[j].y > y) &&
            x < (v[j].x - v[i].x) * (y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
            inside = !inside;
    }
    return inside ? -d : d;
}

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps without file header

// The 40-byte information header.
inline void PutInfoHeader(Bytes& b, int w, int h, int bits, int compression, std::uint32_t imageSize,
                          int colours) {
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(bits));
    Put32(b, static_cast<std::uint32_t>(compression));
    Put32(b, imageSize);
    Put32(b, 2835);  // 72 dots per inch
    Put32(b, 2835);
    Put32(b, static_cast<std::uint32_t>(colours));
    Put32(b, 0);
}

// A 32-bit bitmap with straight alpha in the fourth byte, from a canvas. Pixels whose alpha is
// below minAlpha (of 255) become fully transparent, so that a faint fringe cannot turn into a
// visible edge where the picture is copied rather than blended; fully transparent pixels are
// stored as 0 in all four bytes.
inline Bytes Dib32(const Canvas& c, int minAlpha = 1) {
    Bytes b;
    int w = c.Width(), h = c.Height();
    PutInfoHeader(b, w, h, 32, 0, static_cast<std::uint32_t>(w) * h * 4, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            Colour p = c.At(x, y);
            std::uint8_t a = To8(p.a);
            if (a < minAlpha) {
                Put32(b, 0);
                continue;
            }
            Put8(b, To8(p.b));
            Put8(b, To8(p.g));
            Put8(b, To8(p.r));
            Put8(b, a);
        }
    return b;
}

// An indexed bitmap of 4 or 8 bits, uncompressed; indices top row first.
inline Bytes DibIndexed(int w, int h, int bits, const std::vector<std::uint32_t>& palette,
                        const std::vector<std::uint8_t>& indices) {
    int stride = ((w * bits + 31) / 32) * 4;
    Bytes b;
    PutInfoHeader(b, w, h, bits, 0, static_cast<std::uint32_t>(stride) * h,
                  static_cast<int>(palette.size()));
    for (std::uint32_t rgb : palette) Put32(b, rgb & 0xFFFFFF);
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = indices[static_cast<std::size_t>(y) * w + x];
            if (bits == 8) row[x] = v;
            else row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v & 15 : (v & 15) << 4);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// An 8-bit bitmap compressed with RLE8: runs of equal pixels as (count, index), other stretches
// of three or more pixels as literal runs (0, count, indices, padded to an even length), an
// end-of-line code after every row but the last, which ends with the end-of-bitmap code.
inline Bytes DibRle8(int w, int h, const std::vector<std::uint32_t>& palette,
                     const std::vector<std::uint8_t>& indices) {
    Bytes data;
    for (int y = h - 1; y >= 0; --y) {
        const std::uint8_t* row = &indices[static_cast<std::size_t>(y) * w];
        int x = 0;
        while (x < w) {
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x]) ++run;
            if (run >= 2) {
                Put8(data, static_cast<unsigned>(run));
                Put8(data, row[x]);
                x += run;
                continue;
            }
            // Collect a literal stretch up to the next run of two or more equal pixels.
            int n = 1;
            while (x + n < w && n < 255 && !(x + n + 1 < w && row[x + n] == row[x + n + 1])) ++n;
            if (n < 3) {
                for (int i = 0; i < n; ++i) {
                    Put8(data, 1);
                    Put8(data, row[x + i]);
                }
            } else {
                Put8(data, 0);
                Put8(data, static_cast<unsigned>(n));
                data.insert(data.end(), row + x, row + x + n);
                if (n % 2) Put8(data, 0);
            }
            x += n;
        }
        Put8(data, 0);
        Put8(data, y == 0 ? 1 : 0);
    }
    Bytes b;
    PutInfoHeader(b, w, h, 8, 1, static_cast<std::uint32_t>(data.size()),
                  static_cast<int>(palette.size()));
    for (std::uint32_t rgb : palette) Put32(b, rgb & 0xFFFFFF);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// ---------------------------------------------------------------------------------------------
// Colour reduction for the 8-bit dial: the distinct colours of the picture, weighted by the
// square root of their pixel counts so that the anti-aliased edges keep their ramps against the
// large flat areas, are split by median cut and refined by k-means. The pinned colours stay
// exactly as given (the black around the dial must stay pure black).

struct Quantised {
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::vector<std::uint8_t> indices;   // one per pixel
};

// With a width above 0 the pixels are rows of that width and are mapped with error diffusion;
// otherwise each pixel takes its nearest palette colour.
inline Quantised Quantise(const std::vector<std::uint32_t>& pixels, int width, int colours,
                          const std::vector<std::uint32_t>& pinned) {
    struct Entry {
        std::uint32_t rgb;
        double weight;
        int cluster;
    };
    std::vector<std::uint32_t> sorted(pixels);
    std::sort(sorted.begin(), sorted.end());
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t j = i;
        while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
        entries.push_back({sorted[i], std::sqrt(static_cast<double>(j - i)), 0});
        i = j;
    }
    auto ch = [](std::uint32_t rgb, int k) { return static_cast<double>((rgb >> (16 - 8 * k)) & 0xFF); };
    // Channel weights of the distance: green counts most, blue least.
    const double kw[3] = {3.0, 4.0, 2.0};
    auto dist = [&](std::uint32_t rgb, const std::array<double, 3>& c) {
        double d = 0;
        for (int k = 0; k < 3; ++k) {
            double e = ch(rgb, k) - c[k];
            d += kw[k] * e * e;
        }
        return d;
    };

    std::vector<std::array<double, 3>> centres;
    std::vector<bool> fixed;
    for (std::uint32_t p : pinned) {
        centres.push_back({ch(p, 0), ch(p, 1), ch(p, 2)});
        fixed.push_back(true);
    }
    // Median cut over the colours that no pinned colour matches exactly.
    std::vector<std::vector<Entry*>> boxes(1);
    for (Entry& e : entries)
        if (std::find(pinned.begin(), pinned.end(), e.rgb) == pinned.end()) boxes[0].push_back(&e);
    int free = colours - static_cast<int>(pinned.size());
    while (static_cast<int>(boxes.size()) < free) {
        // Split the box with the largest weighted spread along its widest channel.
        int best = -1, bestChannel = 0;
        double bestScore = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            for (int k = 0; k < 3; ++k) {
                double lo = 255, hi = 0, w = 0;
                for (Entry* e : boxes[i]) {
                    lo = std::min(lo, ch(e->rgb, k)), hi = std::max(hi, ch(e->rgb, k));
                    w += e->weight;
                }
                double score = (hi - lo) * std::sqrt(kw[k]) * std::sqrt(w);
                if (score > bestScore) bestScore = score, best = static_cast<int>(i), bestChannel = k;
            }
        }
        if (best < 0) break;
        auto& box = boxes[best];
        std::sort(box.begin(), box.end(), [&](Entry* a, Entry* b) {
            double ca = ch(a->rgb, bestChannel), cb = ch(b->rgb, bestChannel);
            return ca != cb ? ca < cb : a->rgb < b->rgb;
        });
        double total = 0, half = 0;
        for (Entry* e : box) total += e->weight;
        std::size_t cut = 1;
        for (std::size_t i = 0; i + 1 < box.size(); ++i) {
            half += box[i]->weight;
            cut = i + 1;
            if (half >= total / 2) break;
        }
        std::vector<Entry*> upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    for (auto& box : boxes) {
        if (box.empty()) continue;
        std::array<double, 3> c{0, 0, 0};
        double w = 0;
        for (Entry* e : box) {
            for (int k = 0; k < 3; ++k) c[k] += ch(e->rgb, k) * e->weight;
            w += e->weight;
        }
        for (int k = 0; k < 3; ++k) c[k] /= w;
        centres.push_back(c);
        fixed.push_back(false);
    }
    // k-means refinement.
    for (int iteration = 0; iteration < 6; ++iteration) {
        std::vector<std::array<double, 4>> sums(centres.size(), {0, 0, 0, 0});
        for (Entry& e : entries) {
            int best = 0;
            double bd = 1e300;
            for (std::size_t i = 0; i < centres.size(); ++i) {
                double d = dist(e.rgb, centres[i]);
                if (d < bd) bd = d, best = static_cast<int>(i);
            }
            e.cluster = best;
            for (int k = 0; k < 3; ++k) sums[best][k] += ch(e.rgb, k) * e.weight;
            sums[best][3] += e.weight;
        }
        for (std::size_t i = 0; i < centres.size(); ++i)
            if (!fixed[i] && sums[i][3] > 0)
                for (int k = 0; k < 3; ++k) centres[i][k] = sums[i][k] / sums[i][3];
    }
    Quantised q;
    for (auto& c : centres)
        q.palette.push_back((static_cast<std::uint32_t>(std::lround(c[0])) << 16) |
                            (static_cast<std::uint32_t>(std::lround(c[1])) << 8) |
                            static_cast<std::uint32_t>(std::lround(c[2])));
    // Final assignment against the rounded palette.
    for (Entry& e : entries) {
        int best = 0;
        double bd = 1e300;
        for (std::size_t i = 0; i < q.palette.size(); ++i) {
            std::array<double, 3> c{ch(q.palette[i], 0), ch(q.palette[i], 1), ch(q.palette[i], 2)};
            double d = dist(e.rgb, c);
            if (d < bd) bd = d, best = static_cast<int>(i);
        }
        e.cluster = best;
    }
    while (q.palette.size() < static_cast<std::size_t>(colours)) q.palette.push_back(0);
    q.indices.resize(pixels.size());
    if (width <= 0) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            auto it = std::lower_bound(entries.begin(), entries.end(), pixels[i],
                                       [](const Entry& e, std::uint32_t v) { return e.rgb < v; });
            q.indices[i] = static_cast<std::uint8_t>(it->cluster);
        }
        return q;
    }
    // Error diffusion (Floyd-Steinberg, alternating direction per row) so that the soft
    // gradients show no bands; 80 % of the error is passed on, which keeps the grain fine.
    int height = static_cast<int>(pixels.size()) / width;
    std::vector<std::array<double, 3>> err(2 * (static_cast<std::size_t>(width) + 2), {0, 0, 0});
    auto cur = [&](int x) -> std::array<double, 3>& { return err[static_cast<std::size_t>(x) + 1]; };
    auto nxt = [&](int x) -> std::array<double, 3>& { return err[width + 2 + static_cast<std::size_t>(x) + 1]; };
    std::vector<std::int16_t> nearest(1u << 24, -1);
    for (int y = 0; y < height; ++y) {
        bool ltr = y % 2 == 0;
        for (int i = 0; i < width; ++i) {
            int x = ltr ? i : width - 1 - i, dir = ltr ? 1 : -1;
            std::uint32_t rgb = pixels[static_cast<std::size_t>(y) * width + x];
            std::array<double, 3> want;
            for (int k = 0; k < 3; ++k) want[k] = std::round(std::clamp(ch(rgb, k) + cur(x)[k], 0.0, 255.0));
            // The nearest palette colour of each wanted colour is looked up once.
            std::uint32_t key = (static_cast<std::uint32_t>(want[0]) << 16) |
                                (static_cast<std::uint32_t>(want[1]) << 8) | static_cast<std::uint32_t>(want[2]);
            int best = nearest[key];
            if (best < 0) {
                double bd = 1e300;
                for (std::size_t j = 0; j < q.palette.size(); ++j) {
                    double d = 0;
                    for (int k = 0; k < 3; ++k) {
                        double e = ch(q.palette[j], k) - want[k];
                        d += kw[k] * e * e;
                    }
                    if (d < bd) bd = d, best = static_cast<int>(j);
                }
                nearest[key] = static_cast<std::int16_t>(best);
            }
            q.indices[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(best);
            for (int k = 0; k < 3; ++k) {
                double e = (want[k] - ch(q.palette[best], k)) * 0.8;
                cur(x + dir)[k] += e * 7 / 16;
                nxt(x - dir)[k] += e * 3 / 16;
                nxt(x)[k] += e * 5 / 16;
                nxt(x + dir)[k] += e * 1 / 16;
            }
        }
        std::copy(err.begin() + width + 2, err.end(), err.begin());
        std::fill(err.begin() + width + 2, err.end(), std::array<double, 3>{0, 0, 0});
    }
    return q;
}

// ---------------------------------------------------------------------------------------------
// RIFF WAVE: PCM, mono, 16 bits, 44 100 samples per second

constexpr int kSampleRate = 44100;

inline Bytes Wave(const std::vector<double>& samples, double peak) {
    // Scales the signal so that its largest magnitude becomes peak (of full scale 32767).
    double m = 0;
    for (double s : samples) m = std::max(m, std::fabs(s));
    double k = m > 0 ? peak * 32767.0 / m : 0;
    Bytes b;
    std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, kSampleRate);
    Put32(b, kSampleRate * 2);
    Put16(b, 2);
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (double s : samples) {
        long v = std::lround(s * k);
        v = std::clamp(v, -32767L, 32767L);
        Put16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    }
    return b;
}

// ---------------------------------------------------------------------------------------------
// PNG (RGBA, 8 bits per channel) with stored deflate blocks: used for the icon that the
// desktop entry installs, where no compression library is at hand at build time.

inline std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline Bytes PngRgba(const Canvas& c) {
    auto be32 = [](Bytes& b, std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) Put8(b, (v >> s) & 0xFF);
    };
    auto chunk = [&](Bytes& out, const char* tag, const Bytes& body) {
        be32(out, static_cast<std::uint32_t>(body.size()));
        Bytes t(tag, tag + 4);
        t.insert(t.end(), body.begin(), body.end());
        out.insert(out.end(), t.begin(), t.end());
        be32(out, Crc32(t.data(), t.size()));
    };
    int w = c.Width(), h = c.Height();
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        Put8(raw, 0);
        for (int x = 0; x < w; ++x) {
            Colour p = c.At(x, y);
            std::uint8_t a = To8(p.a);
            Put8(raw, a ? To8(p.r) : 0);
            Put8(raw, a ? To8(p.g) : 0);
            Put8(raw, a ? To8(p.b) : 0);
            Put8(raw, a);
        }
    }
    Bytes z = {0x78, 0x01};
    for (std::size_t i = 0; i < raw.size() || i == 0; i += 65535) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - i);
        Put8(z, i + n >= raw.size() ? 1 : 0);
        Put16(z, static_cast<unsigned>(n));
        Put16(z, static_cast<unsigned>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
                 raw.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    std::uint32_t s1 = 1, s2 = 0;
    for (std::uint8_t v : raw) s1 = (s1 + v) % 65521, s2 = (s2 + s1) % 65521;
    be32(z, (s2 << 16) | s1);
    Bytes ihdr;
    be32(ihdr, static_cast<std::uint32_t>(w));
    be32(ihdr, static_cast<std::uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

}  // namespace gen
