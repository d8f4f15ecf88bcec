#include "shell/qt/ControlClient.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/NumberParse.h"
#include "shell/FrameMessages.h"
#include "shell/qt/ControlBus.h"

namespace wirbelix {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoBus = 3;

// A copy answers within this time or counts as not running (it may be hanging in a dialog).
constexpr int kCallTimeout_ms = 3000;
// How long --quit waits for the copy to finish its shut-down (settings written, name gone).
constexpr int kQuitWait_ms = 30000;

struct Copy {
    QString name;
    uint pid = 0;
    std::vector<long long> joined;  // the owner's unique name ":1.42" as {1, 42}: order of joining
};

void Fail(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

int Usage(const char* line) {
    std::fprintf(stderr, "Aufruf: wirbelix %s\n", line);
    return kExitUsage;
}

QDBusMessage Call(QDBusConnection& bus, const QString& name, const char* method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(name, QString::fromLatin1(kBusObjectPath),
                                                       QString::fromLatin1(kBusInterface), QString::fromLatin1(method));
    call.setArguments(args);
    return bus.call(call, QDBus::Block, kCallTimeout_ms);
}

bool Answered(const QDBusMessage& reply, int outputs) {
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == outputs;
}

std::vector<long long> JoinOrder(const QString& uniqueName) {
    std::vector<long long> parts;
    for (const QString& part : uniqueName.mid(1).split(u'.')) parts.push_back(part.toLongLong());
    return parts;
}

// The copies on the bus that answer the instance query, in the order they joined it.
std::vector<Copy> RunningCopies(QDBusConnection& bus) {
    std::vector<Copy> copies;
    QDBusConnectionInterface* daemon = bus.interface();
    for (const QString& name : daemon->registeredServiceNames().value()) {
        if (!IsCopyBusName(name)) continue;
        const QDBusMessage reply = Call(bus, name, "InstanceQuery", {QVariant::fromValue(kInstanceQueryMagic)});
        if (!Answered(reply, 1) || reply.arguments().at(0).toUInt() != kInstanceQueryMagic) continue;
        Copy copy;
        copy.name = name;
        copy.pid = daemon->servicePid(name).value();
        copy.joined = JoinOrder(daemon->serviceOwner(name).value());
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) { return a.joined < b.joined; });
    return copies;
}

// The copy a NAME argument means: its bus name or its process id; without one the first.
// Prints why not and gives nothing when there is no such copy.
std::optional<Copy> FindCopy(const std::vector<Copy>& copies, const char* name) {
    if (copies.empty()) {
        Fail("Es läuft kein Wirbelix.");
        return std::nullopt;
    }
    if (!name) return copies.front();
    const QString wanted = QString::fromLocal8Bit(name);
    for (const Copy& c : copies)
        if (c.name == wanted || QString::number(c.pid) == wanted) return c;
    Fail(std::string("Kein laufendes Wirbelix heißt \u201E") + name + "\u201C. Die laufenden zeigt wirbelix --list.");
    return std::nullopt;
}

std::string Describe(const Copy& c) {
    return c.name.toStdString() + " (Prozess " + std::to_string(c.pid) + ")";
}

int List(QDBusConnection& bus, const std::vector<const char*>&) {
    const std::vector<Copy> copies = RunningCopies(bus);
    if (copies.empty()) {
        Fail("Es läuft kein Wirbelix.");
        return kExitFailed;
    }
    for (const Copy& c : copies) std::printf("%s %u\n", c.name.toStdString().c_str(), c.pid);
    return kExitDone;
}

int Quit(QDBusConnection& bus, const std::vector<const char*>& args) {
    if (args.size() > 1) return Usage("--quit [NAME]");
    const std::optional<Copy> copy = FindCopy(RunningCopies(bus), args.empty() ? nullptr : args[0]);
    if (!copy) return kExitFailed;
    const QDBusMessage reply = Call(bus, copy->name, "FrameControl", {QVariant::fromValue(kFrameControlQuit), QString()});
    if (!Answered(reply, 2) || reply.arguments().at(0).toUInt() == 0) {
        Fail("Wirbelix " + Describe(*copy) + " lässt sich nicht beenden.");
        return kExitFailed;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kQuitWait_ms);
    while (bus.interface()->isServiceRegistered(copy->name).value()) {
        if (std::chrono::steady_clock::now() > end) {
            Fail("Wirbelix " + Describe(*copy) + " wurde gebeten zu enden, läuft aber noch.");
            return kExitFailed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("Wirbelix %s ist beendet.\n", Describe(*copy).c_str());
    return kExitDone;
}

int StatusText(QDBusConnection& bus, const std::vector<const char*>& args) {
    constexpr const char* kUsage = "--status-text TEXT [--pane N] [NAME]";
    const char* text = nullptr;
    const char* name = nullptr;
    int pane = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (std::strcmp(args[i], "--pane") == 0) {
            std::size_t used = 0;
            const std::int64_t n = i + 1 < args.size() ? ParseNumber(args[i + 1], &used) : -1;
            if (used == 0 || used != std::strlen(args[i + 1]) || n < 0 || n >= kStatusPaneCount) {
                Fail("Die Statusleiste hat die Felder 0 (Meldungen) bis 3.");
                return kExitUsage;
            }
            pane = static_cast<int>(n);
            ++i;
        } else if (!text) {
            text = args[i];
        } else if (!name) {
            name = args[i];
        } else {
            return Usage(kUsage);
        }
    }
    if (!text) return Usage(kUsage);
    if (!IsValidUtf8(text) || std::strlen(text) > kNarrowTextMaxBytes) {
        Fail("Der Text ist zu lang oder kein UTF-8.");
        return kExitUsage;
    }
    const std::optional<Copy> copy = FindCopy(RunningCopies(bus), name);
    if (!copy) return kExitFailed;
    const QDBusMessage reply = Call(bus, copy->name, "SetStatusText", {pane, QByteArray(text)});
    if (!Answered(reply, 1)) {
        Fail("Wirbelix " + Describe(*copy) + " nimmt den Text nicht an: " + reply.errorMessage().toStdString());
        return kExitFailed;
    }
    std::printf("Statusleiste von Wirbelix %s, Feld %d gesetzt.\n", Describe(*copy).c_str(), pane);
    return kExitDone;
}

int PeerText(QDBusConnection& bus, const std::vector<const char*>& args) {
    if (args.size() != 1) return Usage("--peer-text NAME");
    const std::optional<Copy> copy = FindCopy(RunningCopies(bus), args[0]);
    if (!copy) return kExitFailed;
    const QDBusMessage reply =
        Call(bus, copy->name, "FrameControl", {QVariant::fromValue(kFrameControlPeerText), QString()});
    if (!Answered(reply, 2)) {
        Fail("Wirbelix " + Describe(*copy) + " antwortet nicht.");
        return kExitFailed;
    }
    std::printf("%s\n", reply.arguments().at(1).toString().toStdString().c_str());
    return kExitDone;
}

int SendPath(QDBusConnection& bus, const std::vector<const char*>& args) {
    if (args.size() != 2) return Usage("--send-path NAME PEER");
    const std::vector<Copy> copies = RunningCopies(bus);
    const std::optional<Copy> from = FindCopy(copies, args[0]);
    if (!from) return kExitFailed;
    const std::optional<Copy> to = FindCopy(copies, args[1]);
    if (!to) return kExitFailed;
    const QDBusMessage reply =
        Call(bus, from->name, "FrameControl", {QVariant::fromValue(kFrameControlSendPeerText), to->name});
    if (!Answered(reply, 2) || reply.arguments().at(0).toUInt() == 0) {
        Fail("Wirbelix " + Describe(*to) + " hat den Pfad von " + Describe(*from) + " nicht erhalten.");
        return kExitFailed;
    }
    std::printf("Wirbelix %s hat seinen Dokumentpfad an %s geschickt.\n", Describe(*from).c_str(),
                Describe(*to).c_str());
    return kExitDone;
}

struct ClientCommand {
    const char* option;
    int (*run)(QDBusConnection& bus, const std::vector<const char*>& args);
};

const ClientCommand kClientCommands[] = {
    {"--list", List}, {"--quit", Quit}, {"--status-text", StatusText}, {"--peer-text", PeerText}, {"--send-path", SendPath},
};

}  // namespace

std::optional<int> RunControlClient(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    const ClientCommand* command = nullptr;
    for (const ClientCommand& c : kClientCommands)
        if (std::strcmp(argv[1], c.option) == 0) command = &c;
    if (!command) return std::nullopt;
    const std::vector<const char*> args(argv + 2, argv + argc);

    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Fail("Keine D-Bus-Sitzung erreichbar, laufende Wirbelix-Spiele lassen sich nicht finden: " +
             bus.lastError().message().toStdString());
        return kExitNoBus;
    }
    return command->run(bus, args);
}

}  // namespace wirbelix
