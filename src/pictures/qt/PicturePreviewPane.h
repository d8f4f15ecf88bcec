// The previews of the picture dialog and the reader that feeds them.
//
// PictureLoader reads picture files on a thread of its own, so that a large picture never
// holds up the dialog; each slot (background, rotor) reads only its latest request, and a path
// already requested is not read again. The answer arrives on the window thread as loaded().
//
// PreviewPane shows one rendered preview (or, in its place, a text such as the reader's error)
// and reports a click as the picture pixel under it.
//
// Thread contract: both objects belong to the window thread. The loader's thread only reads
// files (it is the only reader of picture files while the modal dialog is open) and is joined
// when the loader goes.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "pictures/PicturePreview.h"
#include "pictures/RasterImage.h"

namespace wirbelix {

class PictureLoader final : public QObject {
    Q_OBJECT

public:
    static constexpr int kSlots = 2;  // 0 background, 1 rotor

    explicit PictureLoader(QObject* parent = nullptr);
    ~PictureLoader() override;

    // Asks for path in slot; does nothing when it is the slot's latest request already. An
    // empty path answers at once with no picture and no error.
    void Request(int slot, const std::string& path);
    // The slot's latest request.
    const std::string& requested(int slot) const { return requested_[slot]; }

signals:
    // The picture of a request (null when it could not be read; error then says why).
    void loaded(int slot, QString path, std::shared_ptr<const RasterImage> picture, QString error);

private:
    void Run();

    std::string requested_[kSlots];  // window thread
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string pending_[kSlots];    // under mutex_
    bool hasPending_[kSlots] = {false, false};
    bool stop_ = false;
    std::thread thread_;
};

class PreviewPane final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewPane(QSize minimum, QWidget* parent = nullptr);

    // Shows a rendered preview (32-bit) drawn with frame, or a text instead.
    void ShowPicture(const RasterImage& preview, const PictureFit& frame);
    void ShowText(const QString& text);

    const QString& text() const { return text_; }
    const QImage& image() const { return image_; }
    // Where the preview's top left corner is drawn inside the pane.
    QPoint origin() const;

signals:
    void clicked(Point picturePixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
    PictureFit frame_;
    QString text_;
};

}  // namespace wirbelix
