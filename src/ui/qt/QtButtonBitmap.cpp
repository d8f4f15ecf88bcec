#include "ui/qt/QtButtonBitmap.h"

#include <QAbstractButton>
#include <QPixmap>
#include <map>

#include "pictures/RasterImage.h"
#include "ui/ButtonBitmap.h"

namespace wirbelix {

QImage ButtonImage(const RasterImage& picture) {
    if (picture.empty()) return {};
    QImage image(static_cast<int>(picture.width()), static_cast<int>(picture.height()), QImage::Format_ARGB32);
    for (std::uint32_t y = 0; y < picture.height(); ++y) {
        const std::uint8_t* row = picture.ReadRow32(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (std::uint32_t x = 0; x < picture.width(); ++x) {
            const QRgb rgb = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
            out[x] = (rgb & 0xFFFFFF) == kButtonMaskColour ? 0 : rgb;
        }
    }
    return image;
}

QIcon ButtonBitmapIcon(int bitmapId) {
    // Images, not pixmaps, are kept: they may outlive the application object at exit.
    struct Images {
        QImage normal, disabled;
    };
    static std::map<int, Images> cache;
    auto it = cache.find(bitmapId);
    if (it == cache.end()) {
        RasterImage picture;
        if (!picture.LoadBitmapResource(bitmapId)) return {};
        RasterImage greyed;
        MakeGreyedCopy(picture, greyed);
        it = cache.emplace(bitmapId, Images{ButtonImage(picture), ButtonImage(greyed)}).first;
    }
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(it->second.normal), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(it->second.disabled), QIcon::Disabled);
    return icon;
}

bool SetButtonBitmap(QAbstractButton* button, int bitmapId) {
    const QIcon icon = ButtonBitmapIcon(bitmapId);
    if (button == nullptr || icon.isNull()) return false;
    button->setIcon(icon);
    const QList<QSize> sizes = icon.availableSizes();
    if (!sizes.isEmpty()) button->setIconSize(sizes.front());
    return true;
}

void ReleaseButtonBitmap(QAbstractButton* button) {
    if (button != nullptr) button->setIcon(QIcon());
}

}  // namespace wirbelix
