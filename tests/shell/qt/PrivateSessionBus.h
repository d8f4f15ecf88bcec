// A session bus of the test program's own: a dbus-daemon started on first use, its address put
// into DBUS_SESSION_BUS_ADDRESS (so that this process's session connection and every program
// the test starts use it) and the daemon ended with the test program, also when the program
// aborts (a failed sanitizer check): the daemon is a child that the kernel signals when its
// parent dies. The tests never use the desktop's bus, so copies of the game a developer has
// running are not seen, and a run without any bus (CI) works the same.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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
        int fds[2];
        if (pipe(fds) != 0) return;
        const pid_t parent = getpid();
        // Made before the fork: the child of a process with threads only calls what is safe there.
        const std::string print = "--print-address=" + std::to_string(fds[1]);
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
            close(fds[0]);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", print.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid_ < 0) {
            close(fds[0]);
            return;
        }
        // The daemon writes its address as one line once it listens.
        std::string address;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') address += c;
        close(fds[0]);
        if (address.empty()) return;
        address_ = address;
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }
    ~PrivateSessionBus() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    std::string address_;
    pid_t pid_ = -1;
};

}  // namespace wirbelix::test
