// The main window's placement on Qt: RestoreWindowPlacement before the window is first shown,
// SaveWindowPlacement when it is closed (while it is still on screen).
//
// Which rectangle is stored. "LastPosX"/"LastPosY" are the top-left corner of the FRAME (the
// window manager's decorations included, QWidget::frameGeometry().topLeft()); "LastSizeX"/
// "LastSizeY" are the size of the CLIENT area (QWidget::size(), decorations excluded). Both are
// what Qt can set before the window is shown and the decorations are known: move() places the
// frame's top-left corner (on X11 the window asks for north-west gravity), resize() sets the
// client size. A frame size could only be turned back into a client size after the window is
// on screen, so storing it would resize the window visibly after it appeared or, done wrong,
// grow or shrink it by the decorations at every start. With this pair nothing needs the
// decorations, and the window comes back at the same place and size run after run. The
// visibility check and the centring on a monitor count the client size as the window's size;
// the difference is the decorations' few pixels.
//
// Monitors: the screens' geometries in Qt's virtual-desktop pixels, the primary screen first;
// the table is filled once per process, at the first restore. A maximized or full-screen window
// stores "IsZoomed" = 1 and keeps the normal rectangle stored before.
//
// Thread contract: GUI thread only. Settings failures are silent.
#pragma once

class QWidget;

namespace wirbelix {

struct PlacementState;

// Applies the saved placement to a top-level window: its frame position, its client size, and
// the maximized state when it was closed maximized. Call it before the first show and before the
// native window is created (nothing may have called winId() or made a native child): only then
// does move() count the decorations; later it warns, and the window would creep by them. The
// window's own size and, if it was moved, position are what it gets without a saved placement.
// Does nothing after the first call in the process, or when the window is already meant to open
// minimized, maximized or full screen. Returns whether the window is to be shown maximized; the
// maximized state is then set on the window already, so a plain show() shows it so.
bool RestoreWindowPlacement(QWidget* window);

// When the window closes, before it is hidden: stores its placement.
void SaveWindowPlacement(QWidget* window);

// The same over a placement state of the caller's (tests).
bool RestoreWindowPlacement(QWidget* window, PlacementState& state);
void SaveWindowPlacement(QWidget* window, PlacementState& state);

}  // namespace wirbelix
