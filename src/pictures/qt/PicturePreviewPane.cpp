#include "pictures/qt/PicturePreviewPane.h"

#include "platform/qt/QueuedCall.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include "pictures/ImageFile.h"

namespace wirbelix {

// ---- PictureLoader ---------------------------------------------------------------------------

PictureLoader::PictureLoader(QObject* parent) : QObject(parent), thread_([this] { Run(); }) {}

PictureLoader::~PictureLoader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void PictureLoader::Request(int slot, const std::string& path) {
    if (slot < 0 || slot >= kSlots || path == requested_[slot]) return;
    requested_[slot] = path;
    if (path.empty()) {
        emit loaded(slot, QString(), nullptr, QString());
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_[slot] = path;
        hasPending_[slot] = true;
    }
    wake_.notify_one();
}

void PictureLoader::Run() {
    for (;;) {
        int slot = -1;
        std::string path;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || hasPending_[0] || hasPending_[1]; });
            if (stop_) return;
            slot = hasPending_[0] ? 0 : 1;
            path = std::move(pending_[slot]);
            hasPending_[slot] = false;
        }
        auto picture = std::make_shared<RasterImage>();
        QString error;
        if (LoadImageFile(path, *picture) != kImageOk) {
            error = QString::fromStdString(LastImageError());
            picture.reset();
        }
        std::shared_ptr<const RasterImage> result = std::move(picture);
        // Queued to the window thread; dropped if the loader is gone by then.
        QueuedCall(this, [this, slot, path = QString::fromStdString(path), result, error] {
            emit loaded(slot, path, result, error);
        });
    }
}

// ---- PreviewPane -----------------------------------------------------------------------------

PreviewPane::PreviewPane(QSize minimum, QWidget* parent) : QWidget(parent) {
    setMinimumSize(minimum);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
}

void PreviewPane::ShowPicture(const RasterImage& preview, const PictureFit& frame) {
    text_.clear();
    frame_ = frame;
    image_ = QImage(static_cast<int>(preview.width()), static_cast<int>(preview.height()), QImage::Format_RGB32);
    for (std::uint32_t y = 0; y < preview.height(); ++y) {
        const std::uint8_t* row = preview.ReadRow32(y);
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
        for (std::uint32_t x = 0; x < preview.width(); ++x) out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
    update();
}

void PreviewPane::ShowText(const QString& text) {
    image_ = QImage();
    text_ = text;
    update();
}

QPoint PreviewPane::origin() const {
    return QPoint((width() - image_.width()) / 2, (height() - image_.height()) / 2);
}

void PreviewPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    if (!image_.isNull()) {
        painter.drawImage(origin(), image_);
    } else if (!text_.isEmpty()) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap, text_);
    }
}

void PreviewPane::mousePressEvent(QMouseEvent* event) {
    if (image_.isNull() || event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint() - origin();
    if (at.x() < 0 || at.y() < 0 || at.x() >= image_.width() || at.y() >= image_.height()) return;
    emit clicked(PreviewToPicture(frame_, Point{at.x(), at.y()}));
}

}  // namespace wirbelix
