#include "shell/qt/KeyAssignmentDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "shell/qt/DialogUnits.h"

namespace wirbelix {

KeyAssignmentDialog::KeyAssignmentDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(kKeyAssignmentCaption));
    // A dialog's title bar: a caption and a close button, nothing to minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    const DialogUnits du(*this);

    // The layout in dialog units, in a box of 172 x 171: 8-unit lines every 10 units from
    // y 15, the keys at x 15 (20 wide), the descriptions at x 40 (up to 116 wide); the switch
    // heading at y 120 and the switch at 135, five units further apart; the 50 x 14 button at
    // 60,150. A row's extra height goes above its line, which sits at the row's bottom.
    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setContentsMargins(du.X(15), du.Y(15), du.X(172 - 156), du.Y(171 - 164));
    grid->setHorizontalSpacing(du.X(40 - 35));
    grid->setVerticalSpacing(du.Y(10 - 8));
    grid->setColumnMinimumWidth(0, du.X(20));
    grid->setColumnMinimumWidth(1, du.X(116));

    const auto addLabel = [&](const char* text, int row, int column, int columnSpan) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setTextFormat(Qt::PlainText);
        label->setMinimumHeight(du.Y(8));
        grid->addWidget(label, row, column, 1, columnSpan, Qt::AlignLeft | Qt::AlignBottom);
    };
    int row = 0;
    for (const KeyAssignmentLine& line : kKeyAssignmentKeys) {
        addLabel(line.key, row, 0, 1);
        addLabel(line.description, row, 1, 1);
        ++row;
    }
    grid->setRowMinimumHeight(row, du.Y(15 - 2));
    addLabel(kKeyAssignmentSwitchHeading, row++, 0, 2);
    grid->setRowMinimumHeight(row, du.Y(15 - 2));
    addLabel(kKeyAssignmentSwitch.key, row, 0, 1);
    addLabel(kKeyAssignmentSwitch.description, row++, 1, 1);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    ok->setMinimumSize(du.X(50), du.Y(14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->setRowMinimumHeight(row, du.Y(150 - 143 - 2 + 14));
    grid->addWidget(ok, row, 0, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
}

KeyAssignmentDialog::~KeyAssignmentDialog() = default;

int ShowKeyAssignmentDialog(QWidget* parent) {
    KeyAssignmentDialog dialog(parent);
    return dialog.exec();
}

}  // namespace wirbelix
