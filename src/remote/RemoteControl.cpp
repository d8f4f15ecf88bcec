#include "remote/RemoteControl.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/TickCount.h"
#include "platform/WindowSystem.h"
#include "remote/SerialPort.h"

namespace wirbelix {

std::atomic<std::uint32_t> g_remoteLastDown[2] = {};
std::atomic<std::uint32_t> g_remoteLastUp[8] = {};

void ResetRemoteWords() {
    for (auto& t : g_remoteLastDown) t.store(0, std::memory_order_relaxed);
    for (auto& t : g_remoteLastUp) t.store(0, std::memory_order_relaxed);
}

namespace {

// True when time is 0..kRemoteBounceMs after last, as a signed 32-bit difference.
bool IsBounce(std::uint32_t time, std::uint32_t last) {
    const auto diff = static_cast<std::int32_t>(time - last);
    return diff >= 0 && diff <= static_cast<std::int32_t>(kRemoteBounceMs);
}

// Sleeps ms in short slices, returning early once stop is set.
void SleepUnlessStopped(int ms, const std::atomic<int>& stop) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(ms);
    while (stop.load(std::memory_order_acquire) == 0) {
        const auto now = steady_clock::now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(end - now, milliseconds(10)));
    }
}

void Perform(const RemoteAction& action, const RemoteTarget& target) {
    switch (action.kind) {
        case RemoteAction::Kind::ButtonDown:
            if (target.buttonDown) target.buttonDown(action.player, action.time);
            break;
        case RemoteAction::Kind::ButtonUp:
            if (target.buttonUp) target.buttonUp(action.player, action.time);
            break;
        case RemoteAction::Kind::Command:
            if (WindowSystem* ws = CurrentWindowSystem()) ws->PostCommand(action.command);
            break;
        case RemoteAction::Kind::None:
            break;
    }
}

}  // namespace

RemoteAction EvaluateRemoteLine(const RemoteLine& line, std::atomic<int>& timeOffset) {
    const int button = line.Button();
    if ((line.event == 'S' && button <= 3) || timeOffset.load(std::memory_order_relaxed) == 0)
        timeOffset.store(static_cast<int>(GetTickCount() - line.boxTime), std::memory_order_relaxed);
    const std::uint32_t local =
        line.boxTime + static_cast<std::uint32_t>(timeOffset.load(std::memory_order_relaxed));

    RemoteAction action;
    if (line.event == 'D' && (button == 0 || button == 1)) {
        if (IsBounce(local, g_remoteLastDown[button].load(std::memory_order_relaxed))) return action;
        g_remoteLastDown[button].store(local, std::memory_order_relaxed);
        action.kind = RemoteAction::Kind::ButtonDown;
        action.player = button;
        action.time = local;
    } else if (line.event == 'U' && button >= 0 && button <= 7) {
        if (IsBounce(local, g_remoteLastUp[button].load(std::memory_order_relaxed))) return action;
        g_remoteLastUp[button].store(local, std::memory_order_relaxed);
        if (button <= 1) {
            action.kind = RemoteAction::Kind::ButtonUp;
            action.player = button;
            action.time = local;
        } else {
            action.kind = RemoteAction::Kind::Command;
            action.command = kRemoteButtonCommands[button];
        }
    }
    return action;
}

int RunRemoteControl(const RemoteTarget& target) {
    RemoteLineParser parser;  // survives a change of port
    int slot = -1;
    int openedPort = -1;  // -1 forces a reopen
    while (target.stop.load(std::memory_order_acquire) == 0) {
        const int port = target.comPort.load(std::memory_order_relaxed);
        if (port != openedPort || !SerialIsAlive(slot)) {
            if (slot >= 0) SerialClose(slot);
            openedPort = port;
            slot = SerialOpen(port, kRemoteBaud, 0, 0, 8, 0);
        }
        if (slot < 0) {
            SleepUnlessStopped(kRemoteReopenMs, target.stop);
            continue;
        }

        // Every complete line is acted on before anything more is read.
        while (auto line = parser.Next()) Perform(EvaluateRemoteLine(*line, target.timeOffset), target);

        SerialWaitForData(slot, kRemoteWaitMs);
        const int waiting = SerialBytesAvailable(slot);
        if (waiting > 0) {
            std::uint8_t bytes[RemoteLineParser::kCapacity];
            const int want = std::min(waiting, static_cast<int>(parser.FreeSpace()));
            const int got = SerialRead(slot, bytes, want);
            if (got > 0) parser.Append({bytes, static_cast<std::size_t>(got)});
            else if (got < 0) openedPort = -1;
        }
    }
    if (slot >= 0) SerialClose(slot);
    target.done.store(1, std::memory_order_release);
    return 0;
}

void StopRemoteControl(std::atomic<int>& stop, std::atomic<int>& done) {
    while (done.load(std::memory_order_acquire) == 0) {
        stop.store(1, std::memory_order_release);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace wirbelix
