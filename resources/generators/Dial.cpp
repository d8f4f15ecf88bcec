// The built-in background: a dial of six coloured sections on black, 1024 x 1024 pixels, as an
// RLE8-compressed 8-bit bitmap (bitmap-153.dib).
//
// The dial is centred on the rotor's pivot, the centre of pixel (514, 513). The section
// boundaries lie at multiples of 60 degrees from 12 o'clock, so that the rotor, drawn with its
// built-in offset of 30 degrees, comes to rest pointing at the middle of a section. Each section
// carries a die face with its number of pips in the outer band, where the pointer's tip ends;
// the sections are numbered 1 to 6 clockwise, starting right of 12 o'clock.
//
// The picture is rendered in full colour with analytically anti-aliased edges and then reduced
// to a 256-colour palette, whose entries form the ramps of those edges.
#include "BitmapWriter.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace gen;

constexpr int kSize = 1024;
constexpr double kCx = 514.5, kCy = 513.5;  // centre of the pivot pixel
constexpr double kRimOuter = 505.5;         // outer edge of the dark outline
constexpr double kRimMetalOuter = 503.0;
constexpr double kRimMetalInner = 482.0;
constexpr double kFaceOuter = 481.0;        // outer edge of the coloured sections
constexpr double kBandInner = 380.0;        // the die band lies between this and kFaceOuter
constexpr double kHubOuter = 64.0;
constexpr double kDieRadius = 431.0;        // distance of the die centres from the pivot
constexpr double kDieHalf = 40.0;
constexpr double kPipRadius = 7.6;
constexpr double kPipOffset = 21.0;

const std::uint32_t kSectionColours[6] = {
    0xC8283A,  // 1 crimson
    0xE9621B,  // 2 orange
    0xEDC21F,  // 3 yellow
    0x2E9D4E,  // 4 green
    0x2466C2,  // 5 blue
    0x7A3DA8,  // 6 violet
};

// Pip positions of each die face, in units of kPipOffset (u across, v outwards).
const std::vector<std::pair<int, int>> kPips[6] = {
    {{0, 0}},
    {{-1, 1}, {1, -1}},
    {{-1, 1}, {0, 0}, {1, -1}},
    {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}},
    {{-1, -1}, {-1, 1}, {0, 0}, {1, -1}, {1, 1}},
    {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}},
};

// Polished gold for the rim, the dividers and the hub: intensity 0 dark, 0.5 body, 1 highlight.
Colour Gold(double t) {
    static const Colour dark = Rgb(0x4A3208), body = Rgb(0xC8961F), light = Rgb(0xFFF0B0);
    t = Clamp01(t);
    return t < 0.5 ? Mix(dark, body, t * 2) : Mix(body, light, (t - 0.5) * 2);
}

// Light from the upper left, slightly in front.
constexpr double kLx = -0.45, kLy = -0.55, kLz = 0.70;

// Shading of a rounded ring (a half torus) at radial position t (0 inner edge, 1 outer edge) in
// the radial direction (ux, uy).
double RingLight(double t, double ux, double uy) {
    double nr = 2 * t - 1;
    double nz = std::sqrt(std::max(0.0, 1 - nr * nr));
    double nx = nr * ux, ny = nr * uy;
    double l = nx * kLx + ny * kLy + nz * kLz;
    double lambert = std::max(0.0, l);
    // The z of the light mirrored at the surface: a highlight where it points at the viewer.
    double hz = 2 * l * nz - kLz;
    double shine = std::pow(std::max(0.0, hz), 24.0);
    return 0.24 + 0.52 * lambert + 0.45 * shine;
}

Colour Pixel(double x, double y) {
    double dx = x - kCx, dy = y - kCy;
    double r = std::hypot(dx, dy);
    Colour c = Rgb(0x000000);
    if (r > kRimOuter + 1) return c;
    double ux = r > 0 ? dx / r : 0, uy = r > 0 ? dy / r : -1;
    // Clockwise angle from 12 o'clock, 0 .. 360 degrees.
    double theta = std::atan2(dx, -dy) * 180.0 / kPi;
    if (theta < 0) theta += 360.0;
    int section = std::min(5, static_cast<int>(theta / 60.0));

    // Dark outline and the gold rim.
    c = Mix(c, Rgb(0x140E04), Coverage(r - kRimOuter));
    double rimT = (r - kRimMetalInner) / (kRimMetalOuter - kRimMetalInner);
    double rimCov = std::min(Coverage(r - kRimMetalOuter), Coverage(kRimMetalInner - r));
    if (rimCov > 0) c = Mix(c, Gold(RingLight(Clamp01(rimT), ux, uy)), rimCov);

    // The coloured section, lit softly from the upper left and darker towards its edges.
    double faceCov = Coverage(r - kFaceOuter);
    if (faceCov > 0) {
        Colour base = Rgb(kSectionColours[section]);
        double light = 1.0 + 0.10 * (-(dx * 0.6 + dy * 0.8) / kFaceOuter);
        bool band = r > kBandInner;
        double radial = band ? 0.74 - 0.10 * SmoothStep(kBandInner, kFaceOuter, r)
                             : 0.90 + 0.16 * SmoothStep(kHubOuter, kBandInner - 40, r) -
                                   0.10 * SmoothStep(kBandInner - 60, kBandInner, r);
        Colour s = Scale(base, light * radial);
        c = Mix(c, s, faceCov);
    }
    // A thin gold ring at the inner edge of the die band (it also covers the step in shade there)
    // and a dark line inside the rim.
    c = Mix(c, Gold(0.62 - 0.22 * (ux * kLx + uy * kLy)), Coverage(std::fabs(r - kBandInner) - 1.6));
    c = Mix(c, Rgb(0x241805), Coverage(std::fabs(r - kFaceOuter - 0.5) - 1.2));

    // Dividers at every section boundary.
    if (r > kHubOuter - 4 && r < kFaceOuter + 2) {
        for (int k = 0; k < 6; ++k) {
            double a = k * kPi / 3;
            double bx = std::sin(a), by = -std::cos(a);
            double along = dx * bx + dy * by;
            double across = dx * by - dy * bx;  // signed distance from the boundary line
            if (along < 0) continue;
            double d = std::fabs(across) - 3.2;
            double cov = Coverage(d);
            if (cov <= 0) continue;
            // A raised bar: lit on the side facing the light.
            double side = Clamp01(0.5 + across / 6.4);
            double facing = (by * kLx - bx * kLy) > 0 ? side : 1 - side;
            c = Mix(c, Gold(0.35 + 0.45 * facing), cov);
        }
    }

    // Gold studs on the rim at every section boundary.
    for (int k = 0; k < 6; ++k) {
        double a = k * kPi / 3;
        double sx = kCx + std::sin(a) * (kRimMetalInner + kRimMetalOuter) / 2;
        double sy = kCy - std::cos(a) * (kRimMetalInner + kRimMetalOuter) / 2;
        double d = DistCircle(x, y, sx, sy, 7.5);
        if (d > 1) continue;
        c = Mix(c, Rgb(0x241805), Coverage(d));
        double q = Clamp01(std::hypot(x - sx, y - sy) / 6.5);
        double nx = (x - sx) / 6.5 * 0.8, ny = (y - sy) / 6.5 * 0.8;
        double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
        double l = std::max(0.0, nx * kLx + ny * kLy + nz * kLz);
        double shine = std::pow(std::max(0.0, 2 * l * nz - kLz), 30.0);
        c = Mix(c, Gold(0.1 + 0.65 * l + 0.6 * shine - 0.1 * q), Coverage(d + 1.2));
    }

    // The die face of this section with its shadow and pips.
    double mid = (section * 60.0 + 30.0) * kPi / 180.0;
    double vx = std::sin(mid), vy = -std::cos(mid);  // outwards
    double px = kCx + vx * kDieRadius, py = kCy + vy * kDieRadius;
    // Local coordinates: u along the tangent (clockwise), v outwards.
    double lu = (x - px) * (-vy) + (y - py) * vx;
    double lv = (x - px) * vx + (y - py) * vy;
    if (std::fabs(lu) < kDieHalf + 12 && std::fabs(lv) < kDieHalf + 12) {
        // Soft shadow below and right of the face.
        double su = (x - 3 - px) * (-vy) + (y - 5 - py) * vx;
        double sv = (x - 3 - px) * vx + (y - 5 - py) * vy;
        double sd = DistRoundBox(su, sv, kDieHalf, kDieHalf, 12);
        c = Mix(c, Rgb(0x000000), 0.45 * (1 - SmoothStep(-4, 7, sd)));
        double d = DistRoundBox(lu, lv, kDieHalf, kDieHalf, 12);
        double cov = Coverage(d);
        if (cov > 0) {
            // Ivory, brighter towards the upper left, with a darker bevelled edge.
            double lit = Clamp01(0.5 - ((x - px) * 0.6 + (y - py) * 0.8) / (4 * kDieHalf));
            Colour face = Mix(Rgb(0xE8E3D8), Rgb(0xFFFFFC), lit);
            face = Mix(face, Rgb(0xC4BCAC), SmoothStep(-6, -0.5, d));
            c = Mix(c, face, cov);
            for (auto [pu, pv] : kPips[section]) {
                double pd = std::hypot(lu - pu * kPipOffset, lv - pv * kPipOffset) - kPipRadius;
                double pc = Coverage(pd);
                if (pc <= 0) continue;
                // A pip is a hollow: dark at its upper-left rim, lighter towards the lower right.
                double cx = px + pu * kPipOffset * (-vy) + pv * kPipOffset * vx;
                double cy = py + pu * kPipOffset * vx + pv * kPipOffset * vy;
                double tilt = ((x - cx) * 0.6 + (y - cy) * 0.8) / (2 * kPipRadius);
                Colour pip = Mix(Rgb(0x101018), Rgb(0x4A4A58), Clamp01(0.45 + tilt));
                c = Mix(c, pip, pc);
            }
        }
    }

    // The hub: a gold ring around a dark centre, under the rotor's own hub.
    if (r < kHubOuter + 2) {
        double t = (r - (kHubOuter - 18)) / 18.0;
        double hubCov = Coverage(r - kHubOuter);
        c = Mix(c, Rgb(0x120C03), hubCov);
        double ringCov = std::min(Coverage(r - (kHubOuter - 1.5)), Coverage((kHubOuter - 18) - r));
        if (ringCov > 0) c = Mix(c, Gold(RingLight(Clamp01(t), ux, uy)), ringCov);
        double inner = Coverage(r - (kHubOuter - 19.5));
        if (inner > 0) {
            double lit = Clamp01(0.5 - (dx * 0.6 + dy * 0.8) / 120.0);
            c = Mix(c, Mix(Rgb(0x1E1E26), Rgb(0x3C3C48), lit), inner);
        }
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            Colour c = Pixel(x + 0.5, y + 0.5);
            pixels[static_cast<std::size_t>(y) * kSize + x] =
                (static_cast<std::uint32_t>(To8(c.r)) << 16) | (static_cast<std::uint32_t>(To8(c.g)) << 8) |
                To8(c.b);
        }
    Quantised q = Quantise(pixels, kSize, 256, {0x000000});
    return WriteFile(argv[1], "bitmap-153.dib", DibRle8(kSize, kSize, q.palette, q.indices)) ? 0 : 1;
}
