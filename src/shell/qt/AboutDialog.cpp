#include "shell/qt/AboutDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/qt/ApplicationIcon.h"
#include "shell/qt/DialogUnits.h"

namespace wirbelix {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kAboutCaption));
    // A dialog's title bar: a caption and a close button, nothing to minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    const DialogUnits du(*this);

    // The layout in dialog units, in a box of 235 x 55: the 20 x 20 icon at 11,17, the two
    // 119-unit text lines at 40,10 and 40,25, the 50 x 14 button at 178,7.
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = ApplicationIcon();
    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName("icon");
    const int iconSide = std::min(du.X(20), du.Y(20));
    iconLabel->setFixedSize(iconSide, iconSide);
    iconLabel->setAlignment(Qt::AlignCenter);
    if (!icon.isNull()) iconLabel->setPixmap(icon.pixmap(iconSide, iconSide));

    auto* version = new QLabel(QString::fromUtf8(kAboutVersionText), this);
    version->setObjectName("version");
    auto* notice = new QLabel(QString::fromUtf8(kAboutNoticeText), this);
    notice->setObjectName("notice");
    for (QLabel* line : {version, notice}) line->setMinimumSize(du.X(119), du.Y(8));

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    ok->setMinimumSize(du.X(50), du.Y(14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* iconColumn = new QVBoxLayout;
    iconColumn->addSpacing(du.Y(17 - 7));
    iconColumn->addWidget(iconLabel);
    iconColumn->addStretch(1);
    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(0);
    textColumn->addSpacing(du.Y(10 - 7));
    textColumn->addWidget(version);
    textColumn->addSpacing(du.Y(25 - 18));
    textColumn->addWidget(notice);
    textColumn->addStretch(1);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(ok);
    buttonColumn->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(du.X(11), du.Y(7), du.X(235 - 228), du.Y(55 - 37));
    layout->setSpacing(0);
    layout->addLayout(iconColumn);
    layout->addSpacing(du.X(40 - 31));
    layout->addLayout(textColumn);
    layout->addSpacing(du.X(178 - 159));
    layout->addLayout(buttonColumn);
}

AboutDialog::~AboutDialog() = default;

int ShowAboutDialog(QWidget* parent) {
    AboutDialog dialog(parent);
    return dialog.exec();
}

}  // namespace wirbelix
