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
    const char* names[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    bool on[3] = {false, false, false};
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        // Only an indicator the keyboard has: True asks for an existing atom, never makes one.
        const Atom atom = XInternAtom(display, names[i], True);
        Bool state = False;
        if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) {
            on[i] = state != False;
            any = true;
        }
    }
    if (!any) return std::nullopt;
    return LockKeys{on[0], on[1], on[2]};
}

}  // namespace wirbelix
