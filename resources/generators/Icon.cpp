// The application icon: the game's dial in miniature, six coloured sections in a gold rim with
// a steel pointer, on a transparent ground.
//   icon-128.ico  an icon file with 16, 24, 32, 48, 64 and 256 pixel pictures, each an
//                 uncompressed 32-bit bitmap with alpha (the window and the About box);
//   wirbelix.png  the 256 pixel picture for the desktop entry (installed, not embedded).
// The small sizes use a thicker rim and pointer so that they stay readable.
#include "BitmapWriter.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace gen;

const std::uint32_t kSectionColours[6] = {0xC8283A, 0xE9621B, 0xEDC21F, 0x2E9D4E, 0x2466C2, 0x7A3DA8};

// A gold disc of the given radius round (cx, cy): a dark outline of width edge, then gold that is
// lighter towards the top left, from colour dark to colour light.
void GoldDisc(Canvas& c, double cx, double cy, double radius, double edge, std::uint32_t dark,
              std::uint32_t light) {
    c.Fill([&](double x, double y) { return DistCircle(x, y, cx, cy, radius); },
           [](double, double) { return Rgb(0x3A2806); });
    c.Fill([&](double x, double y) { return DistCircle(x, y, cx, cy, radius - edge); },
           [&](double x, double y) {
               double t = Clamp01(0.5 - ((x - cx) * 0.6 + (y - cy) * 0.8) / (2 * radius));
               return Mix(Rgb(dark), Rgb(light), t);
           });
}

Canvas MakeIcon(int size) {
    Canvas c(size, size);
    double s = size / 256.0;  // design units: a 256 pixel icon
    double cx = size / 2.0, cy = size / 2.0;
    bool small = size <= 32;
    double rimOuter = 124 * s, rimWidth = (small ? 26 : 16) * s;
    double faceR = rimOuter - rimWidth;

    // Soft shadow below the dial (not on the smallest sizes, where it would only blur).
    if (size >= 48) {
        Canvas shadow(size, size);
        shadow.Fill([&](double x, double y) { return DistCircle(x, y, cx + 2 * s, cy + 5 * s, rimOuter - 3 * s); },
                    [](double, double) { return Rgb(0x000000, 0.45); });
        shadow.Blur(std::max(1, size / 64));
        c.Over(shadow);
    }
    // The rim: gold, lighter at the top left.
    GoldDisc(c, cx, cy, rimOuter, std::max(1.0, 4 * s), 0x9C6F12, 0xFFE58A);
    // The sections, with a darker edge towards the rim.
    c.Fill([&](double x, double y) { return DistCircle(x, y, cx, cy, faceR); },
           [&](double x, double y) {
               double dx = x - cx, dy = y - cy;
               double theta = std::atan2(dx, -dy) * 180.0 / kPi;
               if (theta < 0) theta += 360.0;
               int k = std::min(5, static_cast<int>(theta / 60.0));
               double r = std::hypot(dx, dy) / faceR;
               return Scale(Rgb(kSectionColours[k]), 1.08 - 0.22 * r * r);
           });
    // Gold dividers on the larger sizes.
    if (!small)
        for (int k = 0; k < 6; ++k) {
            double a = k * kPi / 3;
            c.Fill([&](double x, double y) {
                       return DistCapsule(x, y, cx, cy, cx + std::sin(a) * faceR, cy - std::cos(a) * faceR,
                                          2.2 * s);
                   },
                   [](double, double) { return Rgb(0xE2B43C); });
        }
    // The pointer, aimed at the middle of the top-left section, and the hub.
    double a = -30 * kPi / 180;
    double ux = std::sin(a), uy = -std::cos(a);  // towards the tip
    double len = faceR * 0.92, wide = (small ? 22 : 15) * s;
    std::vector<Point> needle = {
        {cx + ux * len, cy + uy * len},
        {cx + ux * len * 0.35 - uy * wide, cy + uy * len * 0.35 + ux * wide},
        {cx - ux * 14 * s, cy - uy * 14 * s},
        {cx + ux * len * 0.35 + uy * wide, cy + uy * len * 0.35 - ux * wide},
    };
    c.Fill([&](double x, double y) { return DistPolygon(x, y, needle) - std::max(0.6, 2.5 * s); },
           [](double, double) { return Rgb(0x15181D); });
    c.Fill([&](double x, double y) { return DistPolygon(x, y, needle); },
           [&](double x, double y) {
               double side = (x - cx) * (-uy) + (y - cy) * ux;  // left of the ridge is lit
               return side < 0 ? Rgb(0xF2F5F8) : Rgb(0x9AA4AF);
           });
    double hub = (small ? 30 : 24) * s;
    GoldDisc(c, cx, cy, hub, std::max(1.0, 4 * s), 0xA67A18, 0xFFEFA8);
    return c;
}

// One picture of the icon file: the information header with the doubled height of an icon,
// the 32-bit pixels bottom row first and an all-clear AND mask (the alpha channel decides).
Bytes IconImage(const Canvas& c) {
    Bytes dib = Dib32(c);
    int w = c.Width(), h = c.Height();
    std::uint32_t doubled = static_cast<std::uint32_t>(2 * h);
    for (int i = 0; i < 4; ++i) dib[8 + i] = static_cast<std::uint8_t>(doubled >> (8 * i));
    int maskStride = ((w + 31) / 32) * 4;
    dib.insert(dib.end(), static_cast<std::size_t>(maskStride) * h, 0);
    std::uint32_t imageSize = static_cast<std::uint32_t>(dib.size() - 40);
    for (int i = 0; i < 4; ++i) dib[20 + i] = static_cast<std::uint8_t>(imageSize >> (8 * i));
    return dib;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    std::vector<Bytes> images;
    for (int size : sizes) images.push_back(IconImage(MakeIcon(size)));
    Bytes ico;
    Put16(ico, 0);
    Put16(ico, 1);  // an icon, not a cursor
    Put16(ico, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        Put8(ico, sizes[i] >= 256 ? 0 : static_cast<unsigned>(sizes[i]));
        Put8(ico, sizes[i] >= 256 ? 0 : static_cast<unsigned>(sizes[i]));
        Put8(ico, 0);   // no palette
        Put8(ico, 0);
        Put16(ico, 1);  // planes
        Put16(ico, 32);
        Put32(ico, static_cast<std::uint32_t>(images[i].size()));
        Put32(ico, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images) ico.insert(ico.end(), image.begin(), image.end());
    bool ok = WriteFile(dir, "icon-128.ico", ico) && WriteFile(dir, "wirbelix.png", PngRgba(MakeIcon(256)));
    return ok ? 0 : 1;
}
