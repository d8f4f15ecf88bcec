// The remote-control thread bound to the game view.
#include "game/GameView.h"
#include "platform/Thread.h"
#include "remote/RemoteControl.h"

namespace wirbelix {

int RemoteControl(CWirbelixView& view) {
    RemoteTarget target{
        view.m_ComPort,
        view.m_RemoteTimeOffset,
        view.m_RemoteStop,
        view.m_RemoteDone,
        [&view](int player, std::uint32_t time) { view.PlayerButtonDown(player, time); },
        [&view](int player, std::uint32_t time) { view.StartSpin(player, time, false); },
    };
    return RunRemoteControl(target);
}

bool StartRemoteControl(WorkerThread& thread, CWirbelixView& view) {
    if (thread.Start([&view] { RemoteControl(view); }, 32768, ThreadPriority::Normal)) return true;
    view.m_RemoteDone.store(1, std::memory_order_release);
    return false;
}

void StopRemoteControl(CWirbelixView& view) {
    StopRemoteControl(view.m_RemoteStop, view.m_RemoteDone);
}

}  // namespace wirbelix
