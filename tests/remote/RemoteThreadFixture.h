// A remote-control thread under test: a fresh settings file that maps ports to the test's
// pseudo-terminals, a clock the test sets, and a recorder of what the thread asks the game and
// the window thread to do.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Thread.h"
#include "platform/TickCount.h"
#include "platform/WindowSystem.h"
#include "remote/PtyBox.h"
#include "remote/RemoteControl.h"
#include "remote/SerialDeviceName.h"
#include "remote/SerialPort.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"

namespace wirbelix::test {

// Records the commands the core posts to the window thread.
class RecordingWindowSystem final : public WindowSystem {
public:
    void PostCommand(int command) override {
        std::lock_guard<std::mutex> lock(mutex_);
        commands_.push_back(command);
    }
    void ShowMessage(const std::string&, const std::string&, MessageKind) override {}
    Point CursorPos() override { return {}; }
    void SetCursorPos(Point) override {}
    void InvalidatePicture(const Rect&) override {}
    void RedrawPicture(const Rect&) override {}

    std::vector<int> Commands() {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

private:
    std::mutex mutex_;
    std::vector<int> commands_;
};

inline void SetPortDevice(int port, const std::string& device) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kPortsKey, REG_MODE_CREATE));
    ASSERT_TRUE(key.WriteString(device, SerialPortValueName(port).c_str()));
}

inline bool AllSerialSlotsFree() {
    for (int k = 0; k < kSerialSlotCount; ++k)
        if (SerialByteTime(k) != -1) return false;
    return true;
}

// Bytes sent by the box that no reader has taken yet.
inline int UnreadBytes(const PtyBox& box) {
    int n = 0;
    ioctl(box.Slave(), TIOCINQ, &n);
    return n;
}

// Runs the remote-box simulator with args, feeding script to its standard input, and waits
// for it to end (killing it after limitMs). Returns its exit status, or -1.
inline int RunSimulator(std::vector<std::string> args, const std::string& script, int limitMs = 20000) {
    const std::string program = std::string(WIRBELIX_BINARY_DIR) + "/wirbelix-remote";
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), ::environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    if (rc != 0) {
        close(pipeFds[1]);
        return -1;
    }
    const bool written = write(pipeFds[1], script.data(), script.size()) == static_cast<ssize_t>(script.size());
    close(pipeFds[1]);
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limitMs);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return written && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RemoteThreadFixture : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        SetWindowSystem(&windows);
    }

    void TearDown() override {
        StopAndJoin();
        SetWindowSystem(nullptr);
        SettingsFixture::TearDown();
    }

    // Starts the thread body over the recorder, the way the view starts it.
    void Start() {
        ASSERT_TRUE(thread.Start([this] { RunRemoteControl(target); }, 32768, ThreadPriority::Normal));
    }

    // Runs the stop handshake; returns how long it took in ms.
    long StopAndJoin() {
        if (!thread.Joinable()) return 0;
        auto start = std::chrono::steady_clock::now();
        StopRemoteControl(stop, done);
        long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
        thread.Join();
        return ms;
    }

    std::vector<std::string> Events() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }

    size_t EventCount() { return Events().size(); }

    static std::string Event(const char* what, int player, std::uint32_t time) {
        return std::string(what) + " " + std::to_string(player) + " " + std::to_string(time);
    }

    void Record(const char* what, int player, std::uint32_t time) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(Event(what, player, time));
    }

    ManualTickClock clock{0};
    ScopedTickClock useClock{clock};
    RecordingWindowSystem windows;
    std::atomic<int> comPort{0}, offset{0}, stop{0}, done{0};
    std::mutex mutex;
    std::vector<std::string> events;
    RemoteTarget target{comPort, offset, stop, done,
                        [this](int p, std::uint32_t t) { Record("down", p, t); },
                        [this](int p, std::uint32_t t) { Record("up", p, t); }};
    WorkerThread thread;
};

}  // namespace wirbelix::test
