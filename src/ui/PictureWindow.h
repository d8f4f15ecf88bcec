// PictureWindow: the logic of a child window that shows a RasterImage used as a back buffer.
// The owner draws into backBuffer() at any time and then invalidates the rectangles it changed;
// the window's adapter (QtPictureWindow in ui/qt/) copies the invalidated part of the back
// buffer to the screen when it paints. This object keeps everything that does not need a
// window system: the back buffer and its size rules (minimum, maximum, fixed size, suspension),
// the option bits, the scroll offsets and their clamping, the conversion of back-buffer
// rectangles to window rectangles, what a paint copies and which margins it fills, and the
// mouse coordinates. It reaches the screen only through a PictureWindowHost.
//
// Coordinates: back-buffer pixels unless a name says window; x to the right, y downwards.
//
// Thread contract: the window thread calls everything. The lock guards the replacement of the
// back buffer (OnSize, SetBufferSize, suspension counting) against an owner that draws from
// another thread; that owner holds LockBuffer() while it draws.
#pragma once

#include <cstdint>
#include <mutex>

#include "pictures/RasterImage.h"
#include "platform/WindowSystem.h"

namespace wirbelix {

// Option bits (the low bits of the window style given at creation).
inline constexpr std::uint32_t PW_HSCROLL = 0x01;       // horizontal scroll bar
inline constexpr std::uint32_t PW_VSCROLL = 0x02;       // vertical scroll bar
inline constexpr std::uint32_t PW_KEEP_HSCROLL = 0x04;  // horizontal bar stays, disabled, when the picture fits
inline constexpr std::uint32_t PW_KEEP_VSCROLL = 0x08;  // the same for the vertical bar
inline constexpr std::uint32_t PW_CENTRE = 0x10;        // a smaller picture is centred
inline constexpr std::uint32_t PW_FIXED_SIZE = 0x20;    // the buffer keeps the SetBufferSize size
inline constexpr std::uint32_t PW_TOP_LEFT = 0x40;      // a smaller picture stays top-left
inline constexpr std::uint32_t PW_OPTION_MASK = 0x7F;

// Largest back buffer side, and the default maximum size.
inline constexpr int kPictureWindowMaxSide = 16000;

// The command the window posts to itself when the last suspension ends.
inline constexpr int kPictureWindowResumeCommand = 27014;

// Mouse message numbers passed to the mouse callback.
inline constexpr int kMouseMove = 512;
inline constexpr int kMouseLeftDown = 513, kMouseLeftUp = 514, kMouseLeftDouble = 515;
inline constexpr int kMouseRightDown = 516, kMouseRightUp = 517, kMouseRightDouble = 518;
inline constexpr int kMouseMiddleDown = 519, kMouseMiddleUp = 520, kMouseMiddleDouble = 521;
inline constexpr int kMouseWheel = 522;

// Key flags passed with a mouse message (for the wheel in the low 16 bits; the high 16 bits
// then hold the wheel delta, 120 per notch, away from the user positive).
inline constexpr std::uint32_t kMouseFlagLeft = 0x01;
inline constexpr std::uint32_t kMouseFlagRight = 0x02;
inline constexpr std::uint32_t kMouseFlagShift = 0x04;
inline constexpr std::uint32_t kMouseFlagControl = 0x08;
inline constexpr std::uint32_t kMouseFlagMiddle = 0x10;

// What a PictureWindow needs of its window. The Qt adapter implements it; tests record it.
// Window thread only.
class PictureWindowHost {
public:
    virtual ~PictureWindowHost() = default;
    // Marks a window rectangle (window pixels, never empty) for repainting at the next paint.
    virtual void InvalidateWindow(const Rect& windowRect, bool erase) = 0;
    // Repaints the whole window at once (RedrawWindow with update-now).
    virtual void RedrawNow() = 0;
    // Shows, hides or disables a scroll bar and sets its range (0..range), page and position.
    // horizontal: which bar. visible false hides it; enabled false shows it disabled.
    virtual void SetScrollBar(bool horizontal, bool visible, bool enabled, int range, int page,
                              int position) = 0;
    // Queues command for this window on the window thread (used for the resume command).
    virtual void PostToSelf(int command) = 0;
};

// What one paint does (the Qt adapter carries it out). All rectangles in window pixels.
struct PicturePaint {
    bool hasPicture = false;  // false: the whole client area is filled black
    Rect target;              // where the picture part goes in the window
    int sourceX = 0, sourceY = 0;  // back-buffer pixel shown at target's top-left
    Rect margins[4];          // above, left, below, right of the picture; empty ones are skipped
    std::uint32_t marginColour = 0xFFFFFF;  // the background colour, red in the low byte
};

class PictureWindow {
public:
    // displayDepth: bits per pixel of the screen, which the back buffer takes (32 on every
    // screen this program supports; lower depths work the same way with a palette).
    explicit PictureWindow(int displayDepth = 32);
    ~PictureWindow();
    PictureWindow(const PictureWindow&) = delete;
    PictureWindow& operator=(const PictureWindow&) = delete;

    // ---- Life cycle ----------------------------------------------------------------------
    // The window exists: keeps host and the option bits (style & PW_OPTION_MASK); if a minimum
    // size above 0 x 0 was set and the back buffer is smaller, reallocates it; shows the scroll
    // bars the options ask for.
    void Create(PictureWindowHost* host, std::uint32_t style);
    // The window is gone: the stored client size becomes 0 x 0 and the host is forgotten.
    void Destroy();

    // ---- Back buffer ---------------------------------------------------------------------
    RasterImage& backBuffer() { return backBuffer_; }
    const RasterImage& backBuffer() const { return backBuffer_; }
    int displayDepth() const { return displayDepth_; }
    // Held by an owner that draws from another thread while the buffer may be replaced.
    std::unique_lock<std::mutex> LockBuffer() { return std::unique_lock(lock_); }

    // Sizes of 0 or less or above 16000 are refused (false, nothing changes). With
    // PW_FIXED_SIZE the size becomes the minimum size; otherwise it is clamped to the minimum
    // and maximum size. True if the back buffer now has that (clamped) size, reallocating if
    // needed and not suspended; then the scroll bars are updated and the offset re-clamped.
    bool SetBufferSize(int width, int height);
    void SetMinimumSize(int width, int height);
    void SetMaximumSize(int width, int height);

    // The size handler: client size cx x cy (window pixels).
    void OnSize(int cx, int cy);
    // The reallocation: a new back buffer of displayDepth and that size filled with the
    // background colour, the old content composed at (0, 0). Takes the lock. If the new buffer
    // cannot be made, the back buffer becomes empty (painting then fills the window black).
    void Reallocate(int width, int height);

    void SuspendResize();
    // When the count drops to 0, posts kPictureWindowResumeCommand to the window. Unbalanced
    // calls (count already 0) do nothing.
    void ResumeResize();
    // The handler of kPictureWindowResumeCommand: the size handler with the stored client size.
    void OnResumeCommand();

    // ---- Invalidation --------------------------------------------------------------------
    // The window area showing this back-buffer rectangle; a negative width or height extends
    // from x (or y) to the left (or up). Empty rectangles invalidate nothing.
    void InvalidateImageRect(int x, int y, int width, int height, bool erase);
    // The same for a rectangle given by its edges.
    void InvalidateImageRectR(const Rect& r, bool erase);
    // The same without the scroll offset.
    void InvalidateWindowRect(int x, int y, int width, int height, bool erase);

    // ---- Background and scrolling --------------------------------------------------------
    // Colour of the area the picture does not cover, red in the low byte (0xFFFFFF at first).
    // Repaints at once only if the picture does not cover the whole client area.
    void SetBackgroundColour(std::uint32_t colour);
    std::uint32_t backgroundColour() const { return background_; }

    // Clamps and stores the offset; answers whether it changed. Per axis, with room = shown
    // picture size - client size: a larger picture scrolls over 0..room; a smaller one (room
    // < 0) is centred with PW_CENTRE (offset room / 2, toward zero), held at 0 with
    // PW_TOP_LEFT, and otherwise may sit anywhere from room to 0. No picture: (0, 0).
    bool SetScrollOffset(int x, int y);
    // The same, repainting at once when it changed.
    bool SetScrollOffsetRedraw(int x, int y);
    int scrollX() const { return scrollX_; }
    int scrollY() const { return scrollY_; }
    void UpdateScrollBars();
    // Scroll bar messages: kind 0 line up, 1 line down, 2 page up, 3 page down, 4 track or
    // set position (position given).
    void OnScroll(bool horizontal, int kind, int position);

    // ---- Painting and mouse --------------------------------------------------------------
    // What a paint of the whole client area shows.
    PicturePaint Paint() const;
    // A mouse message at window (x, y): calls the mouse callback with back-buffer coordinates.
    using MouseCallback = void (*)(void* user, int message, std::uint32_t flags, int x, int y);
    void SetMouseCallback(MouseCallback callback, void* user);
    void OnMouse(int message, std::uint32_t flags, int windowX, int windowY);

    std::uint32_t options() const { return options_; }
    int clientWidth() const { return clientWidth_; }
    int clientHeight() const { return clientHeight_; }
    int suspension() const { return suspension_; }

private:
    void ReallocateLocked(int width, int height);
    // Width and height of the picture as shown: the back buffer cut to the maximum size.
    int VisibleWidth() const;
    int VisibleHeight() const;
    void UpdateScrollBar(bool horizontal);

    PictureWindowHost* host_ = nullptr;
    RasterImage backBuffer_;
    int displayDepth_;
    std::uint32_t options_ = 0;
    std::uint32_t background_ = 0xFFFFFF;
    int clientWidth_ = 0, clientHeight_ = 0;
    int minWidth_ = 0, minHeight_ = 0;
    int maxWidth_ = kPictureWindowMaxSide, maxHeight_ = kPictureWindowMaxSide;
    int scrollX_ = 0, scrollY_ = 0;
    int suspension_ = 0;
    std::mutex lock_;
    MouseCallback mouse_ = nullptr;
    void* mouseUser_ = nullptr;
};

}  // namespace wirbelix
