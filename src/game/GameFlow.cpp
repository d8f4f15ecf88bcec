// The game's state machine: who may charge a spin, what a press means in each state, the Start
// and Stop commands, the star counts, the player keys, the bar heights and the end of a spin.
#include <cstdint>

#include "game/GameRules.h"
#include "game/GameView.h"
#include "platform/TickCount.h"

namespace wirbelix {

namespace {

int PlayerOfKey(int key) {
    if (key == kKeyF7) return 0;
    if (key == kKeyF8) return 1;
    return -1;
}

bool IsSpinning(int state) { return state == Spinning1 || state == Spinning2; }

}  // namespace

void CWirbelixView::PlayerButtonDown(int player, std::uint32_t time) {
    const GameInputLock lock = LockGameInput();
    ButtonDownLocked(lock, player, time, GetTickCount());
}

void CWirbelixView::ButtonDownLocked(const GameInputLock& lock, int player, std::uint32_t time, std::uint32_t now) {
    if (player != 0 && player != 1) return;
    int busy = g_spinState.load(std::memory_order_acquire);
    if (busy == Idle) {
        StartCharge(lock, player, time);
        return;
    }
    if (IsSpinning(busy)) {
        const std::uint32_t sinceStart = now - m_PressStart;
        const auto decelerationMs = static_cast<std::uint32_t>(m_DurationMs);
        // Some time after the deceleration the old spin may be abandoned, even mid-swing.
        if (sinceStart >= decelerationMs && sinceStart - decelerationMs > kAbandonSpinAfterMs) {
            StartCharge(lock, player, time);
            return;
        }
        // After the first moments of a spin even its own player's press rings.
        if (sinceStart > kOwnPressRingsAfterMs) busy = player;
    }
    // The player who owns the charge or spin (b - 1 modulo 2, with -1 counting as odd) is
    // ignored; everybody else hears the bell. With busy set to the player above, nobody owns it.
    const int owner = (busy - 1) & 1;
    if (player != owner) RingBell(lock, player, now);
}

void CWirbelixView::StartCharge(const GameInputLock&, int player, std::uint32_t time) {
    m_BarMode = 0;
    g_mixPos.store(0, std::memory_order_relaxed);
    g_mixMode.store(MixSweep, std::memory_order_release);  // the sweep from its beginning
    m_PressStart = time;
    g_spinState.store(player + 1, std::memory_order_release);
}

void CWirbelixView::RingBell(const GameInputLock&, int player, std::uint32_t now) {
    if (now - m_LastBell[player] <= kBellQuietMs) return;  // one bell per player per 101 ms
    m_LastBell[player] = now;
    const SoundClip& bell = g_soundClips[ClipError];
    AddOverlay(bell.samples, bell.count);
}

void CWirbelixView::OnStart() {
    const GameInputLock lock = LockGameInput();
    const std::uint32_t now = GetTickCount();
    std::uint32_t back;
    if (g_spinState.load(std::memory_order_acquire) == Idle) {
        back = kStartCommandHoldMs;
        m_BarMode = 1;
    } else {
        back = static_cast<std::uint32_t>(m_DurationMs);  // as strong as the last spin
        m_BarMode = 2;
    }
    m_PressStart = now - back;
    g_spinState.store(Charging1, std::memory_order_release);
    StartSpinLocked(lock, 0, now, true, nullptr);
    // The bars of a Start are hidden or frozen and drain by themselves. Once they are empty
    // and follow the game again, player 0's bar must not reappear from the height it had when
    // the command came (which would happen if the spin kept it as its release height).
    m_ReleaseBar = 0;
}

void CWirbelixView::OnStopPointer() {
    const GameInputLock lock = LockGameInput();
    g_spinState.store(Idle, std::memory_order_release);
    g_mixPos.store(0, std::memory_order_relaxed);
    g_mixMode.store(MixSilent, std::memory_order_release);
}

void CWirbelixView::OnStarsUp(int player) {
    if ((player != 0 && player != 1) || m_StarLimit <= 0) return;
    m_Stars[player] = static_cast<std::uint8_t>((m_Stars[player] + 1) % m_StarLimit);
}

void CWirbelixView::OnStarsDown(int player) {
    if ((player != 0 && player != 1) || m_StarLimit <= 0) return;
    m_Stars[player] =
        static_cast<std::uint8_t>((m_Stars[player] + m_StarLimit - 1) % m_StarLimit);
}

void CWirbelixView::OnKeyDown(int key) {
    const int player = PlayerOfKey(key);
    if (player < 0) return;
    const std::uint32_t now = GetTickCount();
    // The window system repeats the key-down while a key is held; only a repeat 8 s or more
    // after the press that was passed on counts as a new press.
    if (m_KeyDown[player] != 0 && now - m_KeyDown[player] < kKeyRepeatPressMs) return;
    m_KeyDown[player] = now;
    PlayerButtonDown(player, now);
}

void CWirbelixView::OnKeyUp(int key) {
    const int player = PlayerOfKey(key);
    if (player < 0) return;
    m_KeyDown[player] = 0;
    StartSpin(player, GetTickCount(), false);
}

int CWirbelixView::BarValue(int player, std::uint32_t now) {
    if (player != 0 && player != 1) return 0;
    const GameInputLock lock = LockGameInput();
    const int fullHeight = m_Height;
    const int other = 1 - player;
    std::int64_t n;
    const int state = g_spinState.load(std::memory_order_acquire);
    if (m_BarMode != 0) {
        // Hidden (1) or frozen (2) bars wait for the deceleration, then drain.
        n = m_BarMode == 2 ? m_BarHeight[player].load(std::memory_order_relaxed) : 0;
        if (now - m_PressStart > static_cast<std::uint32_t>(m_DurationMs)) {
            n -= kBarDrainPixelsPerFrame;
            if (n <= 0) {
                n = 0;
                if (m_BarHeight[other].load(std::memory_order_relaxed) == 0) m_BarMode = 0;
            }
        }
    } else if (state == player + 3) {
        // The spinning player's bar stands at the strength while the rotor decelerates, then
        // empties at the full height per 2000 ms.
        const auto left = static_cast<std::int32_t>(m_SpinEnd - now);
        if (left > 0)
            n = static_cast<std::int64_t>(fullHeight * m_Strength);
        else
            n = m_ReleaseBar + static_cast<std::int64_t>(left) * fullHeight / kFullChargeMs;
    } else if (state == player + 1) {
        // Charging: full after 2000 ms. A press stamped in the future shows nothing yet.
        std::int64_t held = static_cast<std::int32_t>(now - m_PressStart);
        if (held > kFullChargeMs) held = kFullChargeMs;
        n = held * fullHeight / kFullChargeMs;
    } else {
        n = m_BarHeight[player].load(std::memory_order_relaxed) - kBarDrainPixelsPerFrame;
    }
    // Never below 0, and never taller than the view (a bar kept from before the window shrank).
    if (n < 0) n = 0;
    if (n > fullHeight) n = fullHeight;
    return static_cast<int>(n);
}

bool CWirbelixView::AdvanceSpin(std::uint32_t now, int player1Bar) {
    const GameInputLock lock = LockGameInput();
    if (!IsSpinning(g_spinState.load(std::memory_order_acquire))) return false;
    const SpinAngle at = MotionLaw(lock, now);
    if (at.swingEnded) {
        g_mixPos.store(0, std::memory_order_relaxed);
        g_mixMode.store(MixSilent, std::memory_order_release);  // the ticks stop
        // The spin ends once the second player's bar is empty; until then the rotor rests.
        if (player1Bar == 0) g_spinState.store(Idle, std::memory_order_release);
    }
    m_Angle.store(at.angle, std::memory_order_relaxed);
    return true;
}

}  // namespace wirbelix
