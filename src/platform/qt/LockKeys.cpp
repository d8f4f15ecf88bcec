// Kept apart from other Qt code: the X11 headers define macros (KeyPress, None, Bool, ...)
// that clash with Qt's names.
#include "platform/qt/LockKeys.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

namespace wirbelix {

std::optional<LockKeys> ReadLockKeys() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr) return std::nullopt;
    // The indicators' atoms, asked for once per display in one round trip (the states are
    // read every half second). True asks only for atoms that exist, never makes one.
    static Display* atomsOf = nullptr;
    static Atom atoms[3] = {None, None, None};
    if (atomsOf != display) {
        char* names[3] = {const_cast<char*>("Caps Lock"), const_cast<char*>("Num Lock"),
                          const_cast<char*>("Scroll Lock")};
        XInternAtoms(display, names, 3, True, atoms);
        atomsOf = display;
    }
    bool on[3] = {false, false, false};
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        Bool state = False;
        if (atoms[i] != None && XkbGetNamedIndicator(display, atoms[i], nullptr, &state, nullptr, nullptr)) {
            on[i] = state != False;
            any = true;
        }
    }
    if (!any) return std::nullopt;
    return LockKeys{on[0], on[1], on[2]};
}

}  // namespace wirbelix
