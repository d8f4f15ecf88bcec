// A session bus of the test program's own: a dbus-daemon started on first use, its address put
// into DBUS_SESSION_BUS_ADDRESS (so that this process's session connection and every program
// the test starts use it) and the daemon ended when the test program ends. The tests never use
// the desktop's bus, so copies of the game a developer has running are not seen, and a run
// without any bus (CI) works the same.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace wirbelix::test {

class PrivateSessionBus {
public:
    // The one bus of this process; its address is empty when no daemon could be started.
    static const std::string& Address() {
        static PrivateSessionBus bus;
        return bus.address_;
    }

private:
    PrivateSessionBus() {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!out) return;
        char line[512];
        std::string address, pid;
        if (fgets(line, sizeof line, out)) address = line;
        if (fgets(line, sizeof line, out)) pid = line;
        pclose(out);
        while (!address.empty() && (address.back() == '\n' || address.back() == '\r')) address.pop_back();
        pid_ = std::atoi(pid.c_str());
        if (address.empty() || pid_ <= 0) return;
        address_ = address;
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }
    ~PrivateSessionBus() {
        if (pid_ > 0) kill(pid_, SIGTERM);
    }

    std::string address_;
    int pid_ = 0;
};

}  // namespace wirbelix::test
