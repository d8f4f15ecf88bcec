// The star pictures of the players' columns: a bevelled gold five-pointed star in three sizes,
// 100 x 95, 75 x 71 and 50 x 47 pixels, 32 bits with alpha (bitmap-149.dib, bitmap-150.dib,
// bitmap-151.dib). Each star is drawn as ten facets that rise to its centre, lit from the upper
// left, with a dark outline and a narrow dark rim that keeps it readable over the bright bars.
//
// The stars are drawn over the bars, whose pixels carry no alpha, so the blend takes every pixel
// whose alpha is not 0 as it is. Only the outermost, anti-aliased pixels are partly transparent,
// and they hold the dark colour of the rim, so that the star looks right whether those pixels are
// blended or copied.
#include "BitmapWriter.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace gen;

constexpr double kInnerRatio = 0.381966;  // a regular star: inner / outer radius
constexpr double kLx = -0.45, kLy = -0.60, kLz = 0.66;

Colour Gold(double t) {
    static const Colour dark = Rgb(0x6B4300), body = Rgb(0xE0A516), light = Rgb(0xFFF6C8);
    t = Clamp01(t);
    return t < 0.55 ? Mix(dark, body, t / 0.55) : Mix(body, light, (t - 0.55) / 0.45);
}

struct Star {
    double cx, cy, outer;
    std::vector<Point> outline;  // outer and inner corners alternately, from the top, clockwise

    Star(double x, double y, double r) : cx(x), cy(y), outer(r) {
        for (int i = 0; i < 10; ++i) {
            double a = i * kPi / 5;
            double rr = i % 2 ? r * kInnerRatio : r;
            outline.push_back({cx + rr * std::sin(a), cy - rr * std::cos(a)});
        }
    }

    // Brightness of the facet under a point: the facets are the triangles from the raised
    // centre to each pair of neighbouring corners.
    double Shade(double x, double y) const {
        double dx = x - cx, dy = y - cy;
        double a = std::atan2(dx, -dy);
        if (a < 0) a += 2 * kPi;
        int i = static_cast<int>(a / (kPi / 5)) % 10;
        const Point& p = outline[i];
        const Point& q = outline[(i + 1) % 10];
        double h = outer * 0.32;  // height of the centre above the corners
        // Normal of the triangle (centre raised by h, p, q).
        double ax = p.x - cx, ay = p.y - cy, az = -h;
        double bx = q.x - cx, by = q.y - cy, bz = -h;
        double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        nx /= len, ny /= len, nz /= len;
        if (nz < 0) nx = -nx, ny = -ny, nz = -nz;
        double l = nx * kLx + ny * kLy + nz * kLz;
        double hz = 2 * l * nz - kLz;
        double shine = std::pow(std::max(0.0, hz), 12.0);
        // Brighter towards the centre, as if polished.
        double centre = 1 - std::hypot(dx, dy) / outer;
        return 0.05 + 0.78 * std::max(0.0, l) + 0.35 * shine + 0.12 * centre;
    }
};

Bytes MakeStar(int w, int h) {
    // The largest star that fits with a margin for the rim.
    double margin = std::max(1.5, w * 0.03);
    double r = std::min((w - 2 * margin) / (2 * std::sin(2 * kPi / 5)),
                        (h - 2 * margin) / (1 + std::cos(kPi / 5)));
    double top = (h - r * (1 + std::cos(kPi / 5))) / 2;
    Star star(w / 2.0, top + r, r);
    double outline = std::max(0.8, w / 70.0);  // width of the dark gold edge, pixels
    double rim = std::max(1.0, w / 60.0);        // width of the dark rim outside it

    Canvas picture(w, h);
    picture.Fill([&](double x, double y) { return DistPolygon(x, y, star.outline) - rim; },
                 [](double, double) { return Rgb(0x140C00, 0.9); });

    Canvas body(w, h);
    body.Supersample(6, [&](double x, double y) {
        double d = DistPolygon(x, y, star.outline);
        if (d > 0) return Colour{0, 0, 0, 0};
        if (d > -outline) return Rgb(0x4A2C00);
        return Gold(star.Shade(x, y));
    });
    picture.Over(body);
    return Dib32(picture, 6);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    bool ok = WriteFile(dir, "bitmap-149.dib", MakeStar(100, 95)) &&
              WriteFile(dir, "bitmap-150.dib", MakeStar(75, 71)) &&
              WriteFile(dir, "bitmap-151.dib", MakeStar(50, 47));
    return ok ? 0 : 1;
}
