// The platform-free logic of the picture window. The Qt adapter (ui/qt/QtPictureWindow) feeds it
// the window's events and carries out what it asks of the host.
#include "ui/PictureWindow.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace wirbelix {

namespace {

// A platform colour (red in the low byte) as a colour word (blue in the low byte): red and blue
// are exchanged, green and the top byte stay.
std::uint32_t ColourWordOf(std::uint32_t colour) {
    return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

int ClampToInt(long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace

PictureWindow::PictureWindow(int displayDepth) : displayDepth_(displayDepth) {}

PictureWindow::~PictureWindow() = default;

// ---- Life cycle ------------------------------------------------------------------------------

void PictureWindow::Create(PictureWindowHost* host, std::uint32_t style) {
    host_ = host;
    options_ = style & PW_OPTION_MASK;
    if (minWidth_ > 0 && minHeight_ > 0) {
        std::lock_guard guard(lock_);
        const int width = std::max(int(backBuffer_.width()), minWidth_);
        const int height = std::max(int(backBuffer_.height()), minHeight_);
        if (width != int(backBuffer_.width()) || height != int(backBuffer_.height()))
            ReallocateLocked(width, height);
    }
    UpdateScrollBars();
}

void PictureWindow::Destroy() {
    clientWidth_ = 0;
    clientHeight_ = 0;
    host_ = nullptr;
}

// ---- Back buffer -----------------------------------------------------------------------------

bool PictureWindow::SetBufferSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > kPictureWindowMaxSide || height > kPictureWindowMaxSide)
        return false;
    if (options_ & PW_FIXED_SIZE) {
        minWidth_ = width;
        minHeight_ = height;
    } else {
        width = std::max(std::min(width, maxWidth_), minWidth_);
        height = std::max(std::min(height, maxHeight_), minHeight_);
    }
    bool done;
    {
        std::lock_guard guard(lock_);
        if ((int(backBuffer_.width()) != width || int(backBuffer_.height()) != height) &&
            suspension_ == 0)
            ReallocateLocked(width, height);
        done = int(backBuffer_.width()) == width && int(backBuffer_.height()) == height;
    }
    UpdateScrollBars();
    // A smaller buffer may leave the offset beyond the picture; pull it back.
    SetScrollOffset(scrollX_, scrollY_);
    return done;
}

void PictureWindow::SetMinimumSize(int width, int height) {
    minWidth_ = std::clamp(width, 0, kPictureWindowMaxSide);
    minHeight_ = std::clamp(height, 0, kPictureWindowMaxSide);
}

void PictureWindow::SetMaximumSize(int width, int height) {
    maxWidth_ = std::clamp(width, 0, kPictureWindowMaxSide);
    maxHeight_ = std::clamp(height, 0, kPictureWindowMaxSide);
}

void PictureWindow::OnSize(int cx, int cy) {
    bool reallocated = false;
    {
        std::lock_guard guard(lock_);
        int width, height;
        if (options_ & PW_FIXED_SIZE) {
            width = minWidth_;
            height = minHeight_;
        } else {
            width = std::max(std::min(cx, maxWidth_), minWidth_);
            height = std::max(std::min(cy, maxHeight_), minHeight_);
        }
        if (width > 0 && height > 0 && suspension_ == 0 &&
            (width != int(backBuffer_.width()) || height != int(backBuffer_.height()))) {
            ReallocateLocked(width, height);
            reallocated = true;
        }
    }
    const bool clientChanged = cx > 0 && cy > 0 && (cx != clientWidth_ || cy != clientHeight_);
    if (clientChanged) {
        clientWidth_ = cx;
        clientHeight_ = cy;
    }
    // A reallocation with an unchanged client size (the resume after a suspension) changes the
    // scroll range just as a new client size does.
    if (clientChanged || reallocated) {
        UpdateScrollBars();
        SetScrollOffset(scrollX_, scrollY_);
    }
}

void PictureWindow::Reallocate(int width, int height) {
    std::lock_guard guard(lock_);
    ReallocateLocked(width, height);
}

void PictureWindow::ReallocateLocked(int width, int height) {
    std::uint32_t fill;
    if (displayDepth_ > 8)
        fill = ColourWordOf(background_);
    else if (displayDepth_ == 8)
        fill = 15;  // indexed screens take index 15 at 8 bits and the highest index below
    else
        fill = (1u << displayDepth_) - 1;
    RasterImage fresh;
    if (fresh.Create(displayDepth_, width, height, fill, DibSectionBuffer) && !backBuffer_.empty())
        fresh.Compose(backBuffer_, 0, 0, 0);
    backBuffer_ = std::move(fresh);
}

void PictureWindow::SuspendResize() {
    std::lock_guard guard(lock_);
    ++suspension_;
}

void PictureWindow::ResumeResize() {
    bool ended = false;
    {
        std::lock_guard guard(lock_);
        if (suspension_ > 0) {
            --suspension_;
            ended = suspension_ == 0;
        }
    }
    if (ended && host_) host_->PostToSelf(kPictureWindowResumeCommand);
}

void PictureWindow::OnResumeCommand() { OnSize(clientWidth_, clientHeight_); }

// ---- Invalidation ----------------------------------------------------------------------------

void PictureWindow::InvalidateImageRect(int x, int y, int width, int height, bool erase) {
    InvalidateWindowRect(ClampToInt(static_cast<long long>(x) - scrollX_),
                         ClampToInt(static_cast<long long>(y) - scrollY_), width, height, erase);
}

void PictureWindow::InvalidateImageRectR(const Rect& r, bool erase) {
    InvalidateImageRect(r.left, r.top, ClampToInt(static_cast<long long>(r.right) - r.left),
                        ClampToInt(static_cast<long long>(r.bottom) - r.top), erase);
}

void PictureWindow::InvalidateWindowRect(int x, int y, int width, int height, bool erase) {
    if (!host_ || width == 0 || height == 0) return;
    // A negative size covers the pixels before x (or y), x itself not included.
    const long long x2 = static_cast<long long>(x) + width;
    const long long y2 = static_cast<long long>(y) + height;
    Rect r;
    r.left = ClampToInt(std::min<long long>(x, x2));
    r.right = ClampToInt(std::max<long long>(x, x2));
    r.top = ClampToInt(std::min<long long>(y, y2));
    r.bottom = ClampToInt(std::max<long long>(y, y2));
    if (!r.IsEmpty()) host_->InvalidateWindow(r, erase);
}

// ---- Background and scrolling ----------------------------------------------------------------

void PictureWindow::SetBackgroundColour(std::uint32_t colour) {
    background_ = colour;
    if (!host_) return;
    const PicturePaint paint = Paint();
    bool uncovered = !paint.hasPicture;
    for (const Rect& m : paint.margins) uncovered = uncovered || !m.IsEmpty();
    if (uncovered) host_->RedrawNow();
}

int PictureWindow::VisibleWidth() const {
    return std::min(int(backBuffer_.width()), maxWidth_);
}

int PictureWindow::VisibleHeight() const {
    return std::min(int(backBuffer_.height()), maxHeight_);
}

bool PictureWindow::SetScrollOffset(int x, int y) {
    if (backBuffer_.empty()) {
        x = 0;
        y = 0;
    } else {
        // Clamps one coordinate: room is the picture size minus the client size.
        const auto clamp = [this](int v, int room) {
            if (options_ & PW_CENTRE) {
                if (room < 0) return room / 2;  // centred; division truncates toward zero
                v = std::max(v, 0);
            } else if (room < 0) {
                // The picture fits: it may sit anywhere between the window's edges, or at the
                // top-left corner when asked.
                if (options_ & PW_TOP_LEFT) v = 0;
                v = std::max(v, room);
                room = 0;
            } else {
                v = std::max(v, 0);
            }
            return std::min(v, room);
        };
        x = clamp(x, VisibleWidth() - clientWidth_);
        y = clamp(y, VisibleHeight() - clientHeight_);
    }
    bool changed = false;
    if (x != scrollX_) {
        scrollX_ = x;
        changed = true;
        if (options_ & PW_HSCROLL) UpdateScrollBar(true);
    }
    if (y != scrollY_) {
        scrollY_ = y;
        changed = true;
        if (options_ & PW_VSCROLL) UpdateScrollBar(false);
    }
    return changed;
}

bool PictureWindow::SetScrollOffsetRedraw(int x, int y) {
    const bool changed = SetScrollOffset(x, y);
    if (changed && host_) host_->RedrawNow();
    return changed;
}

void PictureWindow::UpdateScrollBars() {
    if (options_ & PW_HSCROLL) UpdateScrollBar(true);
    if (options_ & PW_VSCROLL) UpdateScrollBar(false);
}

void PictureWindow::UpdateScrollBar(bool horizontal) {
    if (!host_) return;
    const int range = horizontal ? VisibleWidth() : VisibleHeight();
    int page = horizontal ? clientWidth_ : clientHeight_;
    // The bar shows the offset pulled into its own range; a centred or shifted picture has a
    // negative offset, which the bar shows as 0.
    int position = horizontal ? scrollX_ : scrollY_;
    position = std::max(std::min(position, range - page), 0);
    // Equal range and page would still allow one step; one more page pixel means none.
    if (range == page) ++page;
    const bool scrollable = page < range;
    const bool keep = options_ & (horizontal ? PW_KEEP_HSCROLL : PW_KEEP_VSCROLL);
    host_->SetScrollBar(horizontal, scrollable || keep, scrollable, range, page, position);
}

void PictureWindow::OnScroll(bool horizontal, int kind, int position) {
    int offset = horizontal ? scrollX_ : scrollY_;
    const int page = horizontal ? clientWidth_ : clientHeight_;
    constexpr int kLinePixels = 32;
    switch (kind) {
        case 0: offset -= kLinePixels; break;
        case 1: offset += kLinePixels; break;
        case 2: offset -= page; break;
        case 3: offset += page; break;
        case 4: offset = position; break;
        default: return;
    }
    const bool changed = horizontal ? SetScrollOffset(offset, scrollY_)
                                    : SetScrollOffset(scrollX_, offset);
    if (changed && host_) host_->RedrawNow();
}

// ---- Painting and mouse ----------------------------------------------------------------------

PicturePaint PictureWindow::Paint() const {
    PicturePaint paint;
    paint.marginColour = background_;
    const int cw = std::max(clientWidth_, 0), ch = std::max(clientHeight_, 0);
    if (backBuffer_.empty()) return paint;
    paint.hasPicture = true;

    // One axis: where the picture starts in the window, the first picture pixel shown and how
    // many are shown, cut to the client area.
    struct Span {
        int start, source, end;
    };
    const auto span = [](int offset, int visible, int client) {
        Span s;
        if (offset < 0) {
            s.start = -offset;
            s.source = 0;
            s.end = s.start + visible;
        } else {
            s.start = 0;
            s.source = offset;
            s.end = visible - offset;
        }
        s.start = std::min(s.start, client);
        s.end = std::clamp(s.end, s.start, client);
        return s;
    };
    const Span sx = span(scrollX_, VisibleWidth(), cw);
    const Span sy = span(scrollY_, VisibleHeight(), ch);
    paint.sourceX = sx.source;
    paint.sourceY = sy.source;
    if (sx.end > sx.start && sy.end > sy.start) {
        paint.target = Rect{sx.start, sy.start, sx.end, sy.end};
        const Rect& t = paint.target;
        paint.margins[0] = Rect{0, 0, cw, t.top};
        paint.margins[1] = Rect{0, t.top, t.left, t.bottom};
        paint.margins[2] = Rect{0, t.bottom, cw, ch};
        paint.margins[3] = Rect{t.right, t.top, cw, t.bottom};
    } else {
        // Nothing of the picture is inside the window.
        paint.margins[0] = Rect{0, 0, cw, ch};
    }
    return paint;
}

void PictureWindow::SetMouseCallback(MouseCallback callback, void* user) {
    mouse_ = callback;
    mouseUser_ = user;
}

void PictureWindow::OnMouse(int message, std::uint32_t flags, int windowX, int windowY) {
    if (mouse_) mouse_(mouseUser_, message, flags, windowX + scrollX_, windowY + scrollY_);
}

}  // namespace wirbelix
