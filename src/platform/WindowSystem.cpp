#include "platform/WindowSystem.h"

#include <atomic>

namespace wirbelix {

namespace {
std::atomic<WindowSystem*> g_windowSystem{nullptr};
}

WindowSystem* CurrentWindowSystem() { return g_windowSystem.load(std::memory_order_acquire); }

void SetWindowSystem(WindowSystem* ws) { g_windowSystem.store(ws, std::memory_order_release); }

}  // namespace wirbelix
