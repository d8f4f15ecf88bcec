#include "shell/qt/ApplicationIcon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include "platform/ResourceTable.h"

namespace wirbelix {

QIcon ApplicationIcon() {
    QIcon icon;
    const ResourceBytes ico = FindResource("ICON", 128);
    if (ico.empty()) return icon;
    // The resource table is constant, so its bytes can be read in place.
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(ico.data()),
                                               static_cast<qsizetype>(ico.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ICO");
    for (int i = 0, n = reader.imageCount(); i < n && reader.jumpToImage(i); ++i) {
        QImage picture;
        if (reader.read(&picture)) icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

}  // namespace wirbelix
