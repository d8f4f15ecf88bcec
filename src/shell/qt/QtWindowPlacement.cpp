#include "shell/qt/QtWindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "shell/WindowPlacement.h"

namespace wirbelix {

namespace {

MonitorRect ToMonitorRect(const QRect& r) {
    return MonitorRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

bool RestoreWindowPlacement(QWidget* window) {
    return RestoreWindowPlacement(window, ProcessPlacementState());
}

void SaveWindowPlacement(QWidget* window) { SaveWindowPlacement(window, ProcessPlacementState()); }

bool RestoreWindowPlacement(QWidget* window, PlacementState& state) {
    if (!window) return false;
    std::vector<MonitorRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.push_back(ToMonitorRect(screen->geometry()));
    QSize primary;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) primary = screen->geometry().size();

    // A window its caller set to open minimized, maximized or full screen keeps that, as a
    // program started from a shortcut that asks for such a state.
    const Qt::WindowStates asked = window->windowState();
    if (state.showCommand == ShowCommand::Normal) {
        if (asked & Qt::WindowMinimized) state.showCommand = ShowCommand::Minimized;
        else if (asked & (Qt::WindowMaximized | Qt::WindowFullScreen))
            state.showCommand = ShowCommand::Maximized;
    }

    CreateStruct cs;
    if (window->testAttribute(Qt::WA_Moved)) {
        cs.x = window->x();
        cs.y = window->y();
    }
    if (window->testAttribute(Qt::WA_Resized)) {
        cs.cx = window->width();
        cs.cy = window->height();
    }
    const CreateStruct before = cs;
    RestorePlacement(state, ScreenLayout{monitors, primary.width(), primary.height()}, cs);

    if (cs.cx > 0 && cs.cy > 0 && (cs.cx != before.cx || cs.cy != before.cy))
        window->resize(cs.cx, cs.cy);
    if (cs.x != CW_USEDEFAULT && cs.y != CW_USEDEFAULT && (cs.x != before.x || cs.y != before.y)) {
        // Before the native window exists, move() places the frame's top-left corner (on X11
        // the window then asks for north-west gravity). Once it exists, the window has asked for
        // static gravity and move() places the client area: as the frame's corner is what is
        // stored, the window would come back higher and further left by its decorations at
        // every start.
        if (window->testAttribute(Qt::WA_WState_Created))
            qWarning("RestoreWindowPlacement: the native window exists already; the window will "
                     "creep by its decorations from run to run");
        window->move(cs.x, cs.y);
    }

    const bool maximized = state.showCommand == ShowCommand::Maximized;
    if (maximized && !(asked & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        window->setWindowState((asked & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    return maximized;
}

void SaveWindowPlacement(QWidget* window, PlacementState& state) {
    if (!window) return;
    const bool zoomed = window->isMaximized() || window->isFullScreen();
    // Frame's top-left corner and client size (see the header). A maximized window's rectangle
    // serves only to find its monitor.
    const QPoint frameTopLeft = window->frameGeometry().topLeft();
    const MonitorRect rect = ToMonitorRect(QRect(frameTopLeft, window->size()));
    SavePlacement(state, &rect, zoomed);
}

}  // namespace wirbelix
