// The test's side of a pseudo-terminal: the test holds the master end (the remote box's
// side of the cable) and hands the slave's path to the code under test.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "WaitUntil.h"

namespace wirbelix::test {

class PtyBox {
public:
    // Opens a new pair in raw mode. The test keeps its own slave descriptor as well, so
    // bytes written before the code under test opens the device are kept, and so the test
    // can read back the line settings the code under test applied.
    PtyBox() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) == 0) path_ = name;
    }
    ~PtyBox() { Close(); }
    PtyBox(const PtyBox&) = delete;
    PtyBox& operator=(const PtyBox&) = delete;

    bool Ok() const { return master_ >= 0; }
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }
    int Slave() const { return slave_; }

    // Sends bytes as the box would.
    bool Send(std::string_view bytes) {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Reads what the code under test wrote, waiting up to limitMs for the first byte.
    std::string Receive(int limitMs = 1000) {
        std::string got;
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, got.empty() ? limitMs : 20) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    // Pulls the cable: closes both of the test's ends, so the device hangs up and its
    // node disappears.
    void Close() {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
        slave_ = master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace wirbelix::test
