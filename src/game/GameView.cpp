#include "game/GameView.h"

#include <cstring>

namespace wirbelix {

CWirbelixView::CWirbelixView() { std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn); }

CWirbelixView::~CWirbelixView() = default;

}  // namespace wirbelix
