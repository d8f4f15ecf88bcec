// Dialog units: the measure the program's dialog layouts are given in. One unit across is a
// quarter of the dialog font's average character width, one unit down an eighth of its height,
// so a layout keeps its proportions with whatever font and screen density Qt picks.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QFontMetrics>
#include <QWidget>

namespace wirbelix {

class DialogUnits {
public:
    explicit DialogUnits(const QWidget& dialog) : metrics_(dialog.font()) {}

    // Pixels for units across and down.
    int X(int units) const { return units * metrics_.averageCharWidth() / 4; }
    int Y(int units) const { return units * metrics_.height() / 8; }

private:
    QFontMetrics metrics_;
};

}  // namespace wirbelix
