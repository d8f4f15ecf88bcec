// The states of the caps-lock, num-lock and scroll-lock keys, where the window system tells
// them: on X11 from the keyboard's named indicators; elsewhere (Wayland, offscreen) unknown.
//
// Thread contract: window (GUI) thread.
#pragma once

#include <optional>

namespace wirbelix {

struct LockKeys {
    bool caps = false, num = false, scroll = false;
};

// The current states, or nothing when the window system does not tell them.
std::optional<LockKeys> ReadLockKeys();

}  // namespace wirbelix
