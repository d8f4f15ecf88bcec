// wirbelix-remote: stands in for the remote-control box. It creates a pseudo-terminal, tells
// where it is, and sends the box's lines ("0D0001A2B3" CR LF: button, D/U/S, eight
// hexadecimal digits of its own millisecond clock) on it.
//
// Interactive (standard input is a terminal): keys 0 to 7 press a button ('D'); pressing the
// key again, or letting go of a held key (its auto-repeat stops), releases it ('U'); 's' sends
// a synchronisation line; 'q' ends.
//
// Script (standard input is not a terminal, or --script): one event per line,
//   <delay-ms> <button><D|U|S>     e.g. "1597 0U": button 0 up, 1597 ms after the previous
//   <delay-ms> raw <text>          bytes as written, with \r \n \xHH escapes (noise tests)
// Blank lines and lines starting with '#' are skipped. The box time of an event is its
// scheduled time, so hold times are exact however the system schedules this program. The
// script starts once Wirbelix has opened the port (unless --no-wait) and the program ends
// after the last event.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "remote/SerialDeviceName.h"
#include "shell/RegistryKey.h"

namespace {

volatile sig_atomic_t g_quit = 0;

void OnSignal(int) { g_quit = 1; }

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Options {
    std::string link;       // a symbolic link to the device, made and removed by us
    int setPort = 0;        // 1-based COM number to store in the settings; 0: none
    bool script = false;
    bool wait = true;
    std::uint32_t clockStart = 0;
};

void PrintUsage() {
    std::printf(
        "wirbelix-remote [--link PFAD] [--set-port N] [--script] [--no-wait] [--clock HEX]\n"
        "  Simuliert die Fernbedienung von Wirbelix an einem Pseudo-Terminal.\n"
        "  --link PFAD     legt PFAD als Verweis auf das Gerät an (beim Ende entfernt)\n"
        "  --set-port N    trägt das Gerät als \"COM<N>\" unter \"%s\" ein\n"
        "  --script        liest zeitgesteuerte Ereignisse von der Standardeingabe\n"
        "  --no-wait       beginnt das Skript, ohne auf Wirbelix zu warten\n"
        "  --clock HEX     Startwert der Uhr der Fernbedienung (Millisekunden)\n",
        wirbelix::kPortsKey);
}

class Box {
public:
    Box(int master, std::uint32_t clockStart) : master_(master), clockStart_(clockStart), start_(NowMs()) {}

    std::uint32_t Clock() const { return ClockAt(NowMs()); }

    // The box's clock at a moment of the steady clock (ms).
    std::uint32_t ClockAt(std::int64_t ms) const {
        return clockStart_ + static_cast<std::uint32_t>(ms - start_);
    }

    bool SendLine(int button, char event, std::uint32_t time) {
        char line[16];
        std::snprintf(line, sizeof line, "%X%c%08X\r\n", button & 0xF, event, time);
        return SendBytes(line);
    }

    bool SendBytes(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return true;
    }

    // True while a program has the device open: the master end reports a hang-up otherwise.
    bool Connected() const {
        pollfd p{master_, POLLIN, 0};
        return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
    }

    // Reads and drops whatever the other side wrote, so it never blocks on us.
    void Drain() {
        char buf[256];
        while (read(master_, buf, sizeof buf) > 0) {
        }
    }

private:
    int master_;
    std::uint32_t clockStart_;
    std::int64_t start_;
};

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else out += c;
    }
    return out;
}

// Runs the script on standard input. Returns the exit code.
int RunScript(Box& box) {
    std::string line;
    int number = 0;
    std::uint32_t scheduledBox = box.Clock();
    std::int64_t scheduledLocal = NowMs();
    while (!g_quit && std::getline(std::cin, line)) {
        ++number;
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        char* end = nullptr;
        long delay = std::strtol(line.c_str() + first, &end, 10);
        std::string rest = end;
        rest.erase(0, rest.find_first_not_of(" \t"));
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) rest.pop_back();
        if (end == line.c_str() + first || delay < 0 || rest.empty()) {
            std::fprintf(stderr, "wirbelix-remote: Zeile %d nicht verstanden: %s\n", number, line.c_str());
            return 2;
        }
        scheduledBox += static_cast<std::uint32_t>(delay);
        scheduledLocal += delay;
        const std::int64_t wait = scheduledLocal - NowMs();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        bool sent;
        if (rest.rfind("raw ", 0) == 0) {
            sent = box.SendBytes(Unescape(rest.substr(4)));
        } else {
            const int button = rest[0] >= '0' && rest[0] <= '7' ? rest[0] - '0' : -1;
            const char event = rest.size() == 2 ? rest[1] : '?';
            if (button < 0 || (event != 'D' && event != 'U' && event != 'S')) {
                std::fprintf(stderr, "wirbelix-remote: Zeile %d nicht verstanden: %s\n", number, line.c_str());
                return 2;
            }
            sent = box.SendLine(button, event, scheduledBox);
        }
        if (!sent) {
            std::fprintf(stderr, "wirbelix-remote: Senden fehlgeschlagen\n");
            return 1;
        }
        box.Drain();
    }
    // Give the reader a moment to take the last line before the device goes away.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return 0;
}

// Interactive keys. A terminal reports no key releases: a key whose auto-repeat starts
// counts as held and is released when the repeat stops; a key that is not repeated stays down
// until it is pressed again.
int RunInteractive(Box& box) {
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios raw = saved;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);

    enum class State { Up, Pressed, Held, Releasing };
    constexpr std::int64_t kRepeatMs = 700;   // the first auto-repeat comes sooner than this
    constexpr std::int64_t kLetGoMs = 150;    // no repeat for this long: the key was let go
    State state[8] = {};
    std::int64_t last[8] = {};
    bool wasConnected = box.Connected();

    auto send = [&](int button, char event, std::int64_t when) {
        const std::uint32_t t = box.ClockAt(when);
        box.SendLine(button, event, t);
        std::printf("%X%c%08X\n", button, event, t);
        std::fflush(stdout);
    };

    int code = 0;
    while (!g_quit) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        poll(&p, 1, 20);
        const std::int64_t now = NowMs();
        for (int b = 0; b < 8; ++b) {
            if (state[b] == State::Held && now - last[b] > kLetGoMs) {
                send(b, 'U', last[b]);  // the key was still down at its last repeat
                state[b] = State::Up;
            } else if (state[b] == State::Releasing && now - last[b] > kLetGoMs) {
                state[b] = State::Up;
            }
        }
        bool connected = box.Connected();
        if (connected != wasConnected) {
            std::printf(connected ? "(Wirbelix hat das Gerät geöffnet)\n" : "(Gerät nicht geöffnet)\n");
            std::fflush(stdout);
            wasConnected = connected;
        }
        box.Drain();
        char c;
        ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 0 && !(p.revents & POLLIN)) continue;
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            if (p.revents & (POLLHUP | POLLIN)) break;  // end of input
            continue;
        }
        if (c == 'q' || c == 4) break;
        if (c == 's') {
            send(0, 'S', now);
            continue;
        }
        if (c < '0' || c > '7') continue;
        const int b = c - '0';
        switch (state[b]) {
            case State::Up:
                send(b, 'D', now);
                state[b] = State::Pressed;
                break;
            case State::Pressed:
                if (now - last[b] <= kRepeatMs) {
                    state[b] = State::Held;
                } else {
                    send(b, 'U', now);
                    state[b] = State::Releasing;
                }
                break;
            case State::Held:
            case State::Releasing:
                break;
        }
        last[b] = now;
    }
    for (int b = 0; b < 8; ++b)
        if (state[b] == State::Pressed || state[b] == State::Held) send(b, 'U', NowMs());
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return code;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    o.script = !isatty(STDIN_FILENO);
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--link") {
            const char* v = value();
            if (!v) return std::nullopt;
            o.link = v;
        } else if (a == "--set-port") {
            const char* v = value();
            if (!v || std::atoi(v) < 1 || std::atoi(v) > 256) return std::nullopt;
            o.setPort = std::atoi(v);
        } else if (a == "--script") {
            o.script = true;
        } else if (a == "--no-wait") {
            o.wait = false;
        } else if (a == "--clock") {
            const char* v = value();
            if (!v) return std::nullopt;
            o.clockStart = static_cast<std::uint32_t>(std::strtoul(v, nullptr, 16));
        } else {
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        PrintUsage();
        return 2;
    }
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    signal(SIGPIPE, SIG_IGN);

    // The box's side is the master; the slave is what Wirbelix opens. Closing our slave
    // descriptor at once lets the master tell when Wirbelix has the device open.
    termios raw{};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
        std::perror("wirbelix-remote: openpty");
        return 1;
    }
    close(slave);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const std::string device = name;
    std::string target = device;
    if (!options->link.empty()) {
        unlink(options->link.c_str());
        if (symlink(device.c_str(), options->link.c_str()) != 0) {
            std::perror("wirbelix-remote: --link");
            return 1;
        }
        target = options->link;
    }

    std::printf("Gerät: %s\n", target.c_str());
    if (options->setPort > 0) {
        wirbelix::RegistryKey key;
        const std::string valueName = wirbelix::SerialPortValueName(options->setPort - 1);
        if (!key.Open(wirbelix::HKEY_CURRENT_USER, wirbelix::kPortsKey, wirbelix::REG_MODE_CREATE) ||
            !key.WriteString(target, valueName.c_str())) {
            std::fprintf(stderr, "wirbelix-remote: Einstellung \"%s\" nicht geschrieben\n", valueName.c_str());
            return 1;
        }
        std::printf("Eingetragen als \"%s\": in Wirbelix \"COM-Port auswählen\" %s wählen.\n",
                    valueName.c_str(), valueName.c_str());
    } else {
        std::printf("Für Wirbelix: wirbelix-remote --set-port N trägt das Gerät als COM<N> ein,\n"
                    "oder den Wert \"COM<N>\" unter \"%s\" auf %s setzen.\n",
                    wirbelix::kPortsKey, target.c_str());
    }
    if (!options->script)
        std::printf("Tasten 0-7: Knopf drücken, nochmals drücken oder loslassen: Knopf los; "
                    "s: Synchronisieren; q: Ende\n");
    std::fflush(stdout);

    Box box(master, options->clockStart);
    int code = 0;
    if (options->script) {
        if (options->wait) {
            while (!g_quit && !box.Connected()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        code = g_quit ? 1 : RunScript(box);
    } else {
        code = RunInteractive(box);
    }
    if (!options->link.empty()) unlink(options->link.c_str());
    close(master);
    return code;
}
