// The application's icon: every picture of the embedded icon file (resource "ICON" 128), so
// that the window system and the About box can each pick the size they show.
//
// Thread contract: window (GUI) thread only (pixmaps).
#pragma once

#include <QIcon>

namespace wirbelix {

// The embedded icon with all its pictures; a null icon when the resource is missing or cannot
// be read (the program then runs with the window system's default icon).
QIcon ApplicationIcon();

}  // namespace wirbelix
