#include "game/GameView.h"

#include <cstring>

#include "game/SpinRandom.h"
#include "platform/TickCount.h"

namespace wirbelix {

std::atomic<int> g_frameBusy{0};

CWirbelixView::CWirbelixView() {
    g_spinState.store(Idle, std::memory_order_release);
    std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn);
    SeedSpinRandom(GetTickCount());
}

CWirbelixView::~CWirbelixView() = default;

}  // namespace wirbelix
