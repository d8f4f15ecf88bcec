// QtPictureWindow: the Qt widget of a PictureWindow. It is the PictureWindow's host: it turns
// the widget's size, paint, mouse and scroll-bar events into calls of the PictureWindow and
// carries out what the PictureWindow asks (repaint a rectangle, repaint everything, set a scroll
// bar, post the resume command to itself).
//
// Pixels: the PictureWindow works in device pixels. The widget gives it its client size in
// device pixels (logical size times the device pixel ratio, rounded) and paints the back buffer
// one buffer pixel to one device pixel, so a high-density screen shows it sharp. Mouse positions
// are converted to device pixels the same way.
//
// Painting: only the rectangles of the paint event's region are painted, and of the back buffer
// only the pixels inside them are copied (row by row into a reusable scratch image, because the
// back buffer's rows run bottom-up). The margins the picture does not cover get the background
// colour; with no picture the client area is black. The widget paints every pixel of its client
// area itself (Qt::WA_OpaquePaintEvent, no automatic background).
//
// Scroll bars: child QScrollBars at the right and bottom edges, shown only when the
// PictureWindow's options ask for them; the client area is the widget minus the visible bars.
//
// Thread contract: window (GUI) thread only, like every QWidget. An owner drawing into the back
// buffer from another thread holds PictureWindow::LockBuffer(); painting takes the same lock.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "ui/PictureWindow.h"

class QScrollBar;

namespace wirbelix {

class QtPictureWindow : public QWidget, public PictureWindowHost {
    Q_OBJECT

public:
    // Shows window, which must outlive this widget, and creates it with style (its option
    // bits, see PW_HSCROLL and the others): window.Create(this, style).
    QtPictureWindow(PictureWindow& window, std::uint32_t style, QWidget* parent = nullptr);
    // The same with a PictureWindow of depth 32 that the widget owns.
    explicit QtPictureWindow(std::uint32_t style = 0, QWidget* parent = nullptr);
    // Destroys the PictureWindow's window side (window.Destroy()): it forgets this host.
    ~QtPictureWindow() override;

    PictureWindow& pictureWindow() { return window_; }
    const PictureWindow& pictureWindow() const { return window_; }

    // Back-buffer pixels the last paint copied (for tests and measurements).
    std::size_t pixelsCopiedByLastPaint() const { return pixelsCopied_; }

    // ---- PictureWindowHost ---------------------------------------------------------------
    void InvalidateWindow(const Rect& windowRect, bool erase) override;
    void RedrawNow() override;
    void SetScrollBar(bool horizontal, bool visible, bool enabled, int range, int page,
                      int position) override;
    void PostToSelf(int command) override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Initialise(std::uint32_t style);
    // Places the visible scroll bars and gives the PictureWindow the client size; repeats when
    // that showed or hid a bar (which changes the client size again).
    void Relayout();
    QScrollBar* Bar(bool horizontal) const { return bars_[horizontal ? 0 : 1]; }
    void OnBarAction(bool horizontal, int action);
    void ForwardMouse(int message, const QPointF& position, std::uint32_t flags);

    std::unique_ptr<PictureWindow> owned_;  // set only when the widget made its own window
    PictureWindow& window_;
    QScrollBar* bars_[2] = {nullptr, nullptr};  // horizontal, vertical; children of this widget
    bool barShown_[2] = {false, false};
    bool relayouting_ = false;
    bool barsChanged_ = false;  // a bar was shown or hidden since Relayout began
    QImage scratch_;            // dirty pixels of one rectangle on their way to the screen
    std::size_t pixelsCopied_ = 0;
};

}  // namespace wirbelix
