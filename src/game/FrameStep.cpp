// The frame step: every 20 ms the bars and stars of both players, the spin's angle and end, the
// separators, the layout of the centre area and the rotor, drawn into the picture window's back
// buffer; exactly the rectangles that changed are invalidated.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "game/FrameDrawing.h"
#include "game/GameView.h"
#include "pictures/PicturePreview.h"
#include "platform/TickCount.h"

namespace wirbelix {

namespace {

// Division rounding toward minus infinity (the star placement's halves are rounded down).
int FloorDiv2(int v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

}  // namespace

std::uint32_t BlendColour(std::uint32_t a, std::uint32_t b, int c, int d) {
    if (d <= 0) return b;
    std::uint32_t result = b & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ak = static_cast<int>((a >> shift) & 0xFF);
        const int bk = static_cast<int>((b >> shift) & 0xFF);
        // 64-bit product: c x (a - b) stays exact for any bar height.
        const std::int64_t k = bk + static_cast<std::int64_t>(c) * (ak - bk) / d;
        result |= (static_cast<std::uint32_t>(k) & 0xFF) << shift;
    }
    return result;
}

void CWirbelixView::Invalidate(int x, int y, int width, int height) {
    m_PictureWindow.InvalidateImageRect(x, y, width, height, true);
}

void CWirbelixView::OnTimer(int timerId) {
    if (timerId == kFrameTimerId) FrameStep();
}

void CWirbelixView::FrameStep() {
    if (m_Width == 0 || m_Height == 0 || g_frameBusy.load(std::memory_order_relaxed) != 0) return;
    g_frameBusy.store(1, std::memory_order_relaxed);

    // Cursor parking: in zoom mode 2 the cursor is kept out of the picture, on the view's last
    // pixel, which lies outside the rectangle (its right edge was reduced by one).
    if (m_CursorMode == 2) {
        if (WindowSystem* ws = CurrentWindowSystem()) {
            const Point p = ws->CursorPos();
            const Rect& r = m_CursorRect;
            if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
                ws->SetCursorPos(Point{r.right, r.bottom - 1});
        }
    }

    const std::uint32_t now = GetTickCount();
    DrawBarsAndStars(0, now);
    DrawBarsAndStars(1, now);

    AdvanceSpin(now, m_BarHeight[1].load(std::memory_order_relaxed));

    bool laidOut = false;
    if (m_BordersDrawn == 0) DrawSeparators();
    if (m_LayoutValid == 0) {
        LayOut();
        laidOut = true;
    }
    if (m_Angle.load(std::memory_order_relaxed) != m_DrawnAngle) DrawRotor(laidOut);

    g_frameBusy.store(0, std::memory_order_relaxed);
}

void CWirbelixView::DrawBarsAndStars(int player, std::uint32_t now) {
    RasterImage& B = m_PictureWindow.backBuffer();
    const int H = m_Height, W = m_Width, C = m_ColumnWidth;
    const int S = m_StarCellHeight > 0 ? m_StarCellHeight : 1;
    const int columns = m_StarColumns > 0 ? m_StarColumns : 1;

    const int n = BarValue(player, now);
    const int old = m_BarHeight[player].load(std::memory_order_relaxed);
    int lo = std::min(n, old), hi = std::max(n, old);

    // Rows of star cells that lie (at least partly) inside the window.
    const int usedRows = std::min(kStarRows, (H + S - 1) / S);
    const int stars = m_Stars[player];
    if (m_LayoutValid == 0) {
        lo = 0;
        hi = H;
    } else {
        for (int r = 0; r < usedRows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const int j = r * columns + c;
                const std::uint8_t lit = j < stars ? 1 : 0;
                if (lit == m_StarDrawn[2 * j + player]) continue;
                if (lo == hi) {
                    lo = r * S;
                    hi = (r + 1) * S;
                } else {
                    lo = std::min(lo, r * S);
                    hi = std::max(hi, (r + 1) * S);
                }
            }
        }
    }
    if (lo == hi) return;

    const int x0 = player == 0 ? 0 : W - C;
    const int cellWidth = C / columns;
    const std::uint32_t bottomColour = player == 0 ? kBarBottomColour0 : kBarBottomColour1;
    // Bar lines from..to-1 of a column part, in the bar's colours below n and black above.
    auto paintLines = [&](int x, int width, int from, int to) {
        const int barTop = std::min(to, n);
        for (int v = from; v < barTop; ++v)
            B.FillRect(x, H - 1 - v, width, 1, BlendColour(kBarTopColour, bottomColour, v, H));
        const int blackFrom = std::max(from, n);
        if (blackFrom < to) B.FillRect(x, H - to, width, to - blackFrom, kBlack);
    };

    for (int r = 0; r < usedRows; ++r) {
        const int rowLow = r * S, rowHigh = (r + 1) * S;
        if (rowHigh <= lo || rowLow >= hi) continue;
        for (int c = 0; c < columns; ++c) {
            const int x = x0 + c * cellWidth;
            const int j = r * columns + c;
            paintLines(x, cellWidth, rowLow, rowHigh);
            const bool lit = j < stars;
            m_StarDrawn[2 * j + player] = lit ? 1 : 0;
            if (lit) {
                B.BlendAt(m_StarImage, x + FloorDiv2(cellWidth - static_cast<int>(m_StarImage.width())),
                          H - rowHigh + FloorDiv2(S - static_cast<int>(m_StarImage.height())));
            }
        }
    }
    const int t = usedRows * S;
    if (t < hi) paintLines(x0, C, t, hi);

    Invalidate(x0, H - hi, C, hi - lo);
    m_BarHeight[player].store(n, std::memory_order_relaxed);
}

void CWirbelixView::DrawSeparators() {
    RasterImage& B = m_PictureWindow.backBuffer();
    const int H = m_Height, W = m_Width, C = m_ColumnWidth;
    m_BordersDrawn = 1;
    m_LayoutValid = 0;
    m_DrawnAngle = -1;
    for (int k = 0; k < 6; ++k) B.FillRect(C + k, 0, 1, H, kSeparatorColours[k]);
    Invalidate(C, 0, 6, H);
    for (int k = 0; k < 6; ++k) B.FillRect(W - C - 6 + k, 0, 1, H, kSeparatorColours[k]);
    Invalidate(W - C - 6, 0, 6, H);
}

void CWirbelixView::LayOut() {
    RasterImage& B = m_PictureWindow.backBuffer();
    const int H = m_Height, W = m_Width, C = m_ColumnWidth;
    m_LayoutValid = 1;
    const int X0 = C + 6;
    const int Wa = W - 2 * (C + 6);
    if (Wa <= 0) {
        // No room between the bar columns: the bars alone are drawn, no background or rotor.
        m_RotorRect = Rect{};
        return;
    }
    B.FillRect(X0, 0, Wa, H, kBlack);

    // Fit the background: only ever reduced, never enlarged, proportions kept (the picture
    // dialog's preview fits by the same rule).
    const PictureFit fit = FitPicture(m_Background.width(), m_Background.height(), Wa, H);
    const std::int64_t bw = fit.width, bh = fit.height;
    if (bw != m_ScaledBackground.width() || bh != m_ScaledBackground.height() ||
        m_PicturesBuilt != m_PicturesLoaded || m_ScaledBackground.empty()) {
        m_PicturesBuilt = m_PicturesLoaded;
        // The scaled background is kept as 32-bit pixels, made opaque as Compose makes them on
        // the back buffer: erasing the old rotor every frame is then a copy of rows, not a
        // conversion of each pixel (for the built-in 8-bit picture a palette look-up per pixel).
        RasterImage scaled;
        scaled.Resample(m_Background, static_cast<int>(bw), static_cast<int>(bh), RESAMPLE_SMOOTH);
        if (scaled.empty() || scaled.bitsPerPixel() == 32 ||
            !m_ScaledBackground.Create(32, static_cast<int>(bw), static_cast<int>(bh), NoFill) ||
            !m_ScaledBackground.Compose(scaled, 0, 0, 0)) {
            m_ScaledBackground = std::move(scaled);
        }
        m_ScaleNum = fit.num;
        m_ScaleDen = fit.den;
        m_BackgroundX = (Wa - static_cast<int>(bw)) / 2 + C + 6;
        m_BackgroundY = (H - static_cast<int>(bh)) / 2;
        const std::int64_t num = m_ScaleNum, den = m_ScaleDen;
        m_ScaledRotor.Resample(m_Rotor, static_cast<int>(m_Rotor.width() * num / den),
                               static_cast<int>(m_Rotor.height() * num / den),
                               RESAMPLE_SMOOTH | RESAMPLE_TO_32);
        MakeOpaqueUnlessAlpha(m_ScaledRotor, m_Rotor);  // a pointer picture without alpha is shown whole
        m_PivotScreenX = static_cast<int>(m_ImageX * num / den) + m_BackgroundX;
        m_PivotScreenY = static_cast<int>(m_ImageY * num / den) + m_BackgroundY;
        m_RotorPivotX = static_cast<int>(m_RotorX * num / den);
        m_RotorPivotY = static_cast<int>(m_RotorY * num / den);
        // The turned copies are made as the degrees are first drawn (RotorCache).
        m_RotorCache.Reset(&m_ScaledRotor, m_RotorPivotX, m_RotorPivotY, m_StepStart);
    }
    B.Compose(m_ScaledBackground, m_BackgroundX, m_BackgroundY, 0);
    Invalidate(X0, 0, Wa, H);
}

void CWirbelixView::DrawRotor(bool laidOut) {
    RasterImage& B = m_PictureWindow.backBuffer();
    const int H = m_Height, W = m_Width, C = m_ColumnWidth;
    const int a = m_Angle.load(std::memory_order_relaxed);
    m_DrawnAngle = a;
    if (W - 2 * (C + 6) <= 0 || m_ScaledBackground.empty()) return;  // no centre area

    const int X0 = C + 6;
    const int backgroundRight = m_BackgroundX + static_cast<int>(m_ScaledBackground.width());
    if (m_RotorOverhang) {
        B.FillRect(X0, 0, m_BackgroundX - X0, H, kBlack);
        B.FillRect(backgroundRight, 0, W - C - 6 - backgroundRight, H, kBlack);
    }
    if (!laidOut) {
        // Erase the old rotor: the scaled background again, but only where the rotor was. The
        // pixels are those of copying the whole background; nothing else differs there.
        const Rect& r = m_RotorRect;
        B.ComposeWithin(m_ScaledBackground, m_BackgroundX, m_BackgroundY, r.left, r.top, r.right, r.bottom, 0);
        if (!r.IsEmpty()) m_PictureWindow.InvalidateImageRectR(r, true);
    }
    const RotorCache::Entry& turned = m_RotorCache.At(a);
    const int x = m_PivotScreenX - turned.offsetX;
    const int y = m_PivotScreenY - turned.offsetY;
    B.BlendAt(turned.image, x, y);
    m_RotorRect = Rect{x, y, x + static_cast<int>(turned.image.width()), y + static_cast<int>(turned.image.height())};
    if (!m_RotorRect.IsEmpty()) m_PictureWindow.InvalidateImageRectR(m_RotorRect, true);
}

}  // namespace wirbelix
