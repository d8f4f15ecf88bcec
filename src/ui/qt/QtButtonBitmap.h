// Small pictures on push buttons: a bitmap resource shown on the button, its light grey
// (kButtonMaskColour) transparent, with the greyed copy (ui/ButtonBitmap.h) as the picture of
// the disabled button.
//
// Thread contract: window (GUI) thread only; the icons are kept per bitmap for the process.
#pragma once

#include <QIcon>
#include <QImage>

class QAbstractButton;

namespace wirbelix {

class RasterImage;

// The picture as a 32-bit image with the mask colour transparent; null for an empty picture.
QImage ButtonImage(const RasterImage& picture);

// The icon of a bitmap resource: the picture for the normal states and its greyed copy for the
// disabled one. Made once per bitmap and kept; a null icon when there is no such bitmap.
QIcon ButtonBitmapIcon(int bitmapId);

// Gives the button the icon of the bitmap, sized as the bitmap. Answers whether the button got
// a picture.
bool SetButtonBitmap(QAbstractButton* button, int bitmapId);

// Takes the picture off the button again.
void ReleaseButtonBitmap(QAbstractButton* button);

}  // namespace wirbelix
