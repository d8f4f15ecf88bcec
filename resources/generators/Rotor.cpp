// The built-in rotor: a polished steel pointer with a gold hub, 118 x 450 pixels, 32 bits with
// alpha (bitmap-154.dib). It points straight up from its pivot, the centre of pixel (59, 391);
// a short counterweight below the hub balances it. A narrow soft shadow around the whole shape
// lifts it off the dial in every position (without an offset, which would turn with it); it is
// kept narrow because a blend onto pixels without alpha copies it as a dark edge.
#include "BitmapWriter.h"

#include <cmath>
#include <vector>

namespace {

using namespace gen;

constexpr int kWidth = 118, kHeight = 450;
constexpr double kPx = 59.5, kPy = 391.5;  // centre of the pivot pixel
constexpr double kTipY = 7.0;
constexpr double kWideY = 262.0;           // where the needle is widest
constexpr double kWideHalf = 22.0;
constexpr double kBaseHalf = 13.0;         // half width of the needle at the pivot
constexpr double kHubRadius = 31.0;
constexpr double kWeightY = kPy + 36.0, kWeightRadius = 12.5;

// Light from the upper left, slightly in front (the picture as drawn at angle 0).
constexpr double kLx = -0.45, kLy = -0.55, kLz = 0.70;

double DistNeedle(double x, double y) {
    static const std::vector<Point> needle = {
        {kPx, kTipY},       {kPx + kWideHalf, kWideY}, {kPx + kBaseHalf, kPy},
        {kPx, kPy + 6},     {kPx - kBaseHalf, kPy},   {kPx - kWideHalf, kWideY}};
    return DistPolygon(x, y, needle);
}

double DistWeight(double x, double y) {
    double stem = DistCapsule(x, y, kPx, kPy, kPx, kWeightY, 7.0);
    return std::min(stem, DistCircle(x, y, kPx, kWeightY, kWeightRadius));
}

double DistShape(double x, double y) {
    return std::min({DistNeedle(x, y), DistWeight(x, y), DistCircle(x, y, kPx, kPy, kHubRadius)});
}

Colour Steel(double t) {
    static const Colour dark = Rgb(0x3C434D), body = Rgb(0xA9B2BD), light = Rgb(0xF7F9FB);
    t = Clamp01(t);
    return t < 0.5 ? Mix(dark, body, t * 2) : Mix(body, light, (t - 0.5) * 2);
}

Colour Gold(double t) {
    static const Colour dark = Rgb(0x4A3208), body = Rgb(0xC8961F), light = Rgb(0xFFF3C4);
    t = Clamp01(t);
    return t < 0.5 ? Mix(dark, body, t * 2) : Mix(body, light, (t - 0.5) * 2);
}

// Lambert shading plus a highlight for a surface normal (nx, ny, nz) of unit length.
double Light(double nx, double ny, double nz, double shininess, double gloss) {
    double l = nx * kLx + ny * kLy + nz * kLz;
    double hz = 2 * l * nz - kLz;  // z of the mirrored light direction
    return 0.10 + 0.60 * std::max(0.0, l) + gloss * std::pow(std::max(0.0, hz), shininess);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Canvas picture(kWidth, kHeight);

    // The shadow: the silhouette, blurred.
    Canvas shadow(kWidth, kHeight);
    shadow.Fill([](double x, double y) { return DistShape(x, y) - 1.0; },
                [](double, double) { return Rgb(0x000000, 0.55); });
    shadow.Blur(1);
    picture.Over(shadow);

    // Needle and counterweight: a dark outline, then two bevelled facets either side of a ridge.
    Canvas body(kWidth, kHeight);
    auto bodyDist = [](double x, double y) { return std::min(DistNeedle(x, y), DistWeight(x, y)); };
    body.Fill(bodyDist, [](double, double) { return Rgb(0x15181D); });
    body.Fill([&](double x, double y) { return bodyDist(x, y) + 1.3; },
              [](double x, double y) {
                  // Two facets either side of a ridge along the pointer, each slightly
                  // curved, so that the light runs across it in a soft band.
                  double across = x - kPx;
                  double side = Clamp01(0.5 + across);
                  double tilt = 0.30 + 0.45 * Clamp01(std::fabs(across) / 16.0);
                  double nzl = std::sqrt(1 - tilt * tilt);
                  double left = Light(-tilt, -0.05, nzl, 18, 0.55);
                  double right = Light(tilt, -0.05, nzl, 18, 0.55);
                  double t = left + (right - left) * side;
                  // A little darker towards the tip, which the eye follows.
                  t *= 0.92 + 0.08 * Clamp01((y - kTipY) / (kPy - kTipY));
                  return Steel(t);
              });
    picture.Over(body);

    // The hub: a gold ring with a domed cap and a dark centre pin.
    Canvas hub(kWidth, kHeight);
    hub.Fill([](double x, double y) { return DistCircle(x, y, kPx, kPy, kHubRadius); },
             [](double, double) { return Rgb(0x1C1406); });
    hub.Fill([](double x, double y) { return DistCircle(x, y, kPx, kPy, kHubRadius - 1.3); },
             [](double x, double y) {
                 double dx = x - kPx, dy = y - kPy, r = std::hypot(dx, dy);
                 double inner = kHubRadius - 11;
                 if (r >= inner) {
                     // The ring: a half torus.
                     double t = Clamp01((r - inner) / 11.0) * 2 - 1;
                     double nz = std::sqrt(std::max(0.0, 1 - t * t));
                     return Gold(Light(t * dx / r, t * dy / r, nz, 30, 0.7));
                 }
                 // The cap: a low dome.
                 double q = r / inner;
                 double nx = dx / inner * 0.55, ny = dy / inner * 0.55;
                 double nz = std::sqrt(std::max(0.0, 1 - (nx * nx + ny * ny)));
                 Colour c = Gold(Light(nx, ny, nz, 40, 0.8) * (0.9 + 0.1 * q));
                 return c;
             });
    hub.Fill([](double x, double y) {
                 double r = std::hypot(x - kPx, y - kPy);
                 return std::fabs(r - (kHubRadius - 11)) - 0.9;
             },
             [](double, double) { return Rgb(0x3A2806, 0.8); });
    hub.Fill([](double x, double y) { return DistCircle(x, y, kPx, kPy, 5.0); },
             [](double x, double y) {
                 double lit = Clamp01(0.5 + ((x - kPx) * 0.6 + (y - kPy) * 0.8) / 12.0);
                 return Mix(Rgb(0x17120A), Rgb(0x5A4A2A), lit);
             });
    picture.Over(hub);

    return WriteFile(argv[1], "bitmap-154.dib", Dib32(picture, 6)) ? 0 : 1;
}
