// LoadPictures: the user's background and rotor pictures, or the built-in pair, with the pivots
// checked against the pictures.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "game/GameView.h"
#include "pictures/ImageFile.h"
#include "pictures/PicturePreview.h"

namespace wirbelix {

namespace {

// The built-in pair and its settings.
constexpr int kBuiltInBackground = 153;
constexpr int kBuiltInRotor = 154;
constexpr int kBuiltInImageX = 514, kBuiltInImageY = 513;
constexpr int kBuiltInRotorX = 59, kBuiltInRotorY = 391;
constexpr int kBuiltInSections = 6;
constexpr int kBuiltInStepStart = 10922;  // 30 degrees

// Loads path into image; on failure says so in the German message box and answers false.
bool LoadOrReport(const std::string& path, RasterImage& image) {
    if (LoadImageFile(path, image) == kImageOk) return true;
    // The path and the reader's text go in as arguments, never as the format.
    const std::string& reason = LastImageError();
    const int size = std::snprintf(nullptr, 0, "Das Bild %s konnte nicht geladen werden !\n\n%s", path.c_str(),
                                   reason.c_str());
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, "Das Bild %s konnte nicht geladen werden !\n\n%s", path.c_str(),
                  reason.c_str());
    if (WindowSystem* ws = CurrentWindowSystem()) ws->ShowMessage(text, "Fehler", MessageKind::Error);
    return false;
}

// A pivot outside 1..size-1 becomes the middle.
void CheckPivot(int& pivot, std::uint32_t size) { pivot = CheckedPivot(pivot, size); }

std::string BuiltInName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "res://bitmap/%i", number);
    return name;
}

}  // namespace

void CWirbelixView::LoadPictures() {
    ++m_PicturesLoaded;
    m_CustomPictures = !m_ImagePath.empty() && !m_RotorPath.empty();
    if (m_CustomPictures && !LoadOrReport(m_ImagePath, m_Background)) m_CustomPictures = 0;
    if (m_CustomPictures && !LoadOrReport(m_RotorPath, m_Rotor)) m_CustomPictures = 0;
    if (m_CustomPictures) {
        CheckPivot(m_ImageX, m_Background.width());
        CheckPivot(m_ImageY, m_Background.height());
        CheckPivot(m_RotorX, m_Rotor.width());
        CheckPivot(m_RotorY, m_Rotor.height());
        // The largest distance of a rotor pixel from its pivot, with a margin.
        const std::int64_t rx = std::max<std::int64_t>(m_RotorX, std::int64_t(m_Rotor.width()) - m_RotorX);
        const std::int64_t ry = std::max<std::int64_t>(m_RotorY, std::int64_t(m_Rotor.height()) - m_RotorY);
        const std::int64_t r = static_cast<std::int64_t>(std::sqrt(double(rx * rx + ry * ry))) + 2;
        m_RotorOverhang = (m_ImageX < r || std::int64_t(m_Background.width()) - m_ImageX < r) ? 1 : 0;
        return;
    }
    m_Background.Clear();
    m_Rotor.Clear();
    LoadImageFile(BuiltInName(kBuiltInBackground), m_Background);
    LoadImageFile(BuiltInName(kBuiltInRotor), m_Rotor);
    m_ImageX = kBuiltInImageX;
    m_ImageY = kBuiltInImageY;
    m_RotorX = kBuiltInRotorX;
    m_RotorY = kBuiltInRotorY;
    m_StepCount(LockGameInput()) = kBuiltInSections;
    m_StepStart = kBuiltInStepStart;
    m_RotorOverhang = 0;
}

}  // namespace wirbelix
