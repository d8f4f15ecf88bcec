#include "ui/qt/QtPictureWindow.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace wirbelix {

namespace {

// A platform colour (red in the low byte) as a QColor.
QColor QColorOf(std::uint32_t colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

std::uint32_t KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    std::uint32_t flags = 0;
    if (buttons & Qt::LeftButton) flags |= kMouseFlagLeft;
    if (buttons & Qt::RightButton) flags |= kMouseFlagRight;
    if (buttons & Qt::MiddleButton) flags |= kMouseFlagMiddle;
    if (modifiers & Qt::ShiftModifier) flags |= kMouseFlagShift;
    if (modifiers & Qt::ControlModifier) flags |= kMouseFlagControl;
    return flags;
}

// The message of a button's down event; up is one more, double click two more. 0 for buttons
// the window does not report.
int DownMessage(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return kMouseLeftDown;
        case Qt::RightButton: return kMouseRightDown;
        case Qt::MiddleButton: return kMouseMiddleDown;
        default: return 0;
    }
}

}  // namespace

QtPictureWindow::QtPictureWindow(PictureWindow& window, std::uint32_t style, QWidget* parent)
    : QWidget(parent), window_(window) {
    Initialise(style);
}

QtPictureWindow::QtPictureWindow(std::uint32_t style, QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<PictureWindow>(32)), window_(*owned_) {
    Initialise(style);
}

QtPictureWindow::~QtPictureWindow() { window_.Destroy(); }

void QtPictureWindow::Initialise(std::uint32_t style) {
    // Every pixel of the client area is painted by paintEvent; Qt need not clear anything.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);  // moves without a pressed button are reported too
    for (bool horizontal : {true, false}) {
        auto* bar = new QScrollBar(horizontal ? Qt::Horizontal : Qt::Vertical, this);
        bar->setSingleStep(32);
        bar->hide();
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, horizontal](int action) { OnBarAction(horizontal, action); });
        bars_[horizontal ? 0 : 1] = bar;
    }
    window_.Create(this, style);
}

// ---- Size ------------------------------------------------------------------------------------

bool QtPictureWindow::event(QEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange) Relayout();
#endif
    return QWidget::event(event);
}

void QtPictureWindow::resizeEvent(QResizeEvent*) { Relayout(); }

void QtPictureWindow::Relayout() {
    if (relayouting_) {
        barsChanged_ = true;
        return;
    }
    relayouting_ = true;
    const qreal dpr = devicePixelRatioF();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // Showing one bar narrows the client area, which may make the other bar necessary: a few
    // rounds settle every case.
    for (int round = 0; round < 3; ++round) {
        barsChanged_ = false;
        const int w = std::max(0, width() - (barShown_[1] ? extent : 0));
        const int h = std::max(0, height() - (barShown_[0] ? extent : 0));
        Bar(true)->setGeometry(0, h, w, extent);
        Bar(false)->setGeometry(w, 0, extent, h);
        window_.OnSize(int(std::lround(w * dpr)), int(std::lround(h * dpr)));
        if (!barsChanged_) break;
    }
    relayouting_ = false;
}

// ---- PictureWindowHost -----------------------------------------------------------------------

void QtPictureWindow::InvalidateWindow(const Rect& r, bool) {
    // Every paint covers its whole region, so there is nothing to erase beforehand.
    const qreal dpr = devicePixelRatioF();
    const int left = int(std::floor(r.left / dpr)), top = int(std::floor(r.top / dpr));
    const int right = int(std::ceil(r.right / dpr)), bottom = int(std::ceil(r.bottom / dpr));
    update(QRect(left, top, right - left, bottom - top));
}

void QtPictureWindow::RedrawNow() { repaint(); }

void QtPictureWindow::SetScrollBar(bool horizontal, bool visible, bool enabled, int range,
                                   int page, int position) {
    QScrollBar* bar = Bar(horizontal);
    {
        const QSignalBlocker block(bar);
        bar->setRange(0, std::max(range - page, 0));
        bar->setPageStep(std::max(page, 1));
        bar->setValue(position);
        bar->setEnabled(enabled);
    }
    bool& shown = barShown_[horizontal ? 0 : 1];
    if (shown != visible) {
        shown = visible;
        bar->setVisible(visible);
        Relayout();
    }
}

void QtPictureWindow::PostToSelf(int command) {
    // The context object drops the call if the widget is gone before it runs.
    QMetaObject::invokeMethod(
        this,
        [this, command] {
            if (command == kPictureWindowResumeCommand) window_.OnResumeCommand();
        },
        Qt::QueuedConnection);
}

void QtPictureWindow::OnBarAction(bool horizontal, int action) {
    QScrollBar* bar = Bar(horizontal);
    int kind;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub: kind = 0; break;
        case QAbstractSlider::SliderSingleStepAdd: kind = 1; break;
        case QAbstractSlider::SliderPageStepSub: kind = 2; break;
        case QAbstractSlider::SliderPageStepAdd: kind = 3; break;
        case QAbstractSlider::SliderMove:
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum: kind = 4; break;
        default: return;
    }
    window_.OnScroll(horizontal, kind, bar->sliderPosition());
    // The bar applies its own step after this signal; make it land on the window's offset.
    const int offset = horizontal ? window_.scrollX() : window_.scrollY();
    bar->setSliderPosition(std::clamp(offset, bar->minimum(), bar->maximum()));
}

// ---- Painting --------------------------------------------------------------------------------

void QtPictureWindow::paintEvent(QPaintEvent* event) {
    pixelsCopied_ = 0;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const qreal dpr = devicePixelRatioF();
    const auto toLogical = [dpr](const QRect& d) {
        return QRectF(d.x() / dpr, d.y() / dpr, d.width() / dpr, d.height() / dpr);
    };

    const auto lock = window_.LockBuffer();
    const RasterImage& buffer = window_.backBuffer();
    const PicturePaint paint = window_.Paint();
    const QRect client(0, 0, window_.clientWidth(), window_.clientHeight());
    const QRect target(paint.target.left, paint.target.top, paint.target.Width(),
                       paint.target.Height());
    const QColor margin = QColorOf(paint.marginColour);

    for (const QRect& logical : event->region()) {
        // The dirty rectangle in device pixels, grown to whole pixels.
        const int left = int(std::floor(logical.left() * dpr));
        const int top = int(std::floor(logical.top() * dpr));
        const int right = int(std::ceil((logical.right() + 1) * dpr));
        const int bottom = int(std::ceil((logical.bottom() + 1) * dpr));
        const QRect dirty(left, top, right - left, bottom - top);

        // Outside the client area (the corner between two scroll bars) the window colour.
        const QRect inClient = dirty & client;
        if (inClient != dirty) {
            const QRegion outside = QRegion(dirty) - QRegion(inClient);
            for (const QRect& o : outside) painter.fillRect(toLogical(o), palette().window());
        }
        if (inClient.isEmpty()) continue;

        if (!paint.hasPicture) {
            painter.fillRect(toLogical(inClient), Qt::black);
            continue;
        }
        for (const Rect& m : paint.margins) {
            const QRect part = QRect(m.left, m.top, m.Width(), m.Height()) & inClient;
            if (!part.isEmpty()) painter.fillRect(toLogical(part), margin);
        }
        const QRect part = target & inClient;
        if (part.isEmpty()) continue;

        // Copy just the dirty pixels: the rows of the back buffer run bottom-up, which a QImage
        // cannot wrap, so each row's dirty span goes into the scratch image.
        const int w = part.width(), h = part.height();
        if (scratch_.width() < w || scratch_.height() < h) {
            scratch_ = QImage(std::max(w, scratch_.width()), std::max(h, scratch_.height()),
                              QImage::Format_RGB32);
        }
        scratch_.setDevicePixelRatio(dpr);
        const int sourceX = paint.sourceX + (part.left() - target.left());
        const int sourceY = paint.sourceY + (part.top() - target.top());
        for (int row = 0; row < h; ++row) {
            const std::uint8_t* source = buffer.ReadRow32(std::uint32_t(sourceY + row));
            std::memcpy(scratch_.scanLine(row), source + std::size_t(sourceX) * 4,
                        std::size_t(w) * 4);
        }
        painter.drawImage(QPointF(part.left() / dpr, part.top() / dpr), scratch_,
                          QRect(0, 0, w, h));
        pixelsCopied_ += std::size_t(w) * std::size_t(h);
    }
}

// ---- Mouse -----------------------------------------------------------------------------------

void QtPictureWindow::ForwardMouse(int message, const QPointF& position, std::uint32_t flags) {
    const qreal dpr = devicePixelRatioF();
    window_.OnMouse(message, flags, int(std::floor(position.x() * dpr)),
                    int(std::floor(position.y() * dpr)));
}

void QtPictureWindow::mouseMoveEvent(QMouseEvent* event) {
    ForwardMouse(kMouseMove, event->position(), KeyFlags(event->buttons(), event->modifiers()));
}

void QtPictureWindow::mousePressEvent(QMouseEvent* event) {
    if (const int message = DownMessage(event->button()))
        ForwardMouse(message, event->position(), KeyFlags(event->buttons(), event->modifiers()));
}

void QtPictureWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (const int message = DownMessage(event->button()))
        ForwardMouse(message + 1, event->position(),
                     KeyFlags(event->buttons(), event->modifiers()));
}

void QtPictureWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (const int message = DownMessage(event->button()))
        ForwardMouse(message + 2, event->position(),
                     KeyFlags(event->buttons(), event->modifiers()));
}

void QtPictureWindow::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    const std::uint32_t flags = KeyFlags(event->buttons(), event->modifiers()) |
                                (std::uint32_t(std::uint16_t(std::int16_t(delta))) << 16);
    ForwardMouse(kMouseWheel, event->position(), flags);
}

}  // namespace wirbelix
