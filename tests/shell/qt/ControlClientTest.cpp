// The real program on a real session bus: two running copies, each in a folder and with a
// settings file of its own, found, told and ended by the command-line client; and the client
// without a bus and without a running copy.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

#include "shell/FrameMessages.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsStore.h"
#include "shell/qt/ControlBus.h"
#include "shell/qt/PrivateSessionBus.h"
#include "WaitUntil.h"

namespace wirbelix {
namespace {

const QString kProgram = QStringLiteral(WIRBELIX_BINARY_DIR "/wirbelix");

struct ClientResult {
    int exitCode = -1;
    QString out;
    QString err;
};

QProcessEnvironment Environment(const QString& settings, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("SDL_AUDIODRIVER", "dummy");
    env.insert("WIRBELIX_SETTINGS", settings);
    env.insert("HOME", home);
    env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(test::PrivateSessionBus::Address()));
    return env;
}

// One running copy of the game, in a folder of its own (so its document path is its own).
class RunningCopy {
public:
    explicit RunningCopy(const QString& name) : folder_(dir_.filePath(name)) {
        QDir().mkpath(folder_);
        process_.setProcessEnvironment(Environment(settings(), dir_.path()));
        process_.setWorkingDirectory(folder_);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(kProgram, {});
        process_.waitForStarted(60000);
    }
    ~RunningCopy() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(30000);
        }
    }
    QString busName() const { return BusNameOfProcess(process_.processId()); }
    qint64 pid() const { return process_.processId(); }
    QString documentPath() const { return folder_ + "/Das Spiel"; }
    QString settings() const { return dir_.filePath("settings.sqlite"); }
    QProcess& process() { return process_; }

    bool OnTheBus() {
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        return test::WaitUntil([&] { return bus->isServiceRegistered(busName()).value(); }, 60000);
    }

private:
    QTemporaryDir dir_;
    QString folder_;
    QProcess process_;
};

ClientResult Client(const QStringList& args, const QString& busAddress) {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    client.setProcessEnvironment(env);
    client.start(kProgram, args);
    client.waitForFinished(60000);
    return {client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1,
            QString::fromUtf8(client.readAllStandardOutput()), QString::fromUtf8(client.readAllStandardError())};
}

ClientResult Client(const QStringList& args) {
    return Client(args, QString::fromStdString(test::PrivateSessionBus::Address()));
}

std::optional<std::int32_t> StoredFlatMode(const QString& settings) {
    SettingsStore::Shutdown();
    qputenv("WIRBELIX_SETTINGS", settings.toUtf8());
    RegistryKey key;
    std::int32_t v = 0;
    std::optional<std::int32_t> result;
    if (key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ) && key.OpenSubKey("Settings", true) &&
        key.Read(&v, sizeof v, "FlatMode", REG_DWORD))
        result = v;
    key.Close();
    SettingsStore::Shutdown();
    qunsetenv("WIRBELIX_SETTINGS");
    return result;
}

TEST(ControlClient, FindsTellsAndEndsTwoRunningCopies) {
    ASSERT_FALSE(test::PrivateSessionBus::Address().empty()) << "dbus-daemon could not be started";
    EXPECT_EQ(Client({"--list"}).exitCode, 1) << "no copy runs yet";

    RunningCopy first("first");
    ASSERT_TRUE(first.OnTheBus());
    RunningCopy second("second");
    ASSERT_TRUE(second.OnTheBus());

    const ClientResult list = Client({"--list"});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_EQ(list.out, QString("%1 %2\n%3 %4\n").arg(first.busName()).arg(first.pid()).arg(second.busName()).arg(second.pid()));

    // A status text, by process id.
    const ClientResult status = Client({"--status-text", "Runde 2", "--pane", "0", QString::number(second.pid())});
    EXPECT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_EQ(Client({"--status-text", "x", "--pane", "4"}).exitCode, 2);

    // Frame control 2: the first sends its document path to the second.
    const ClientResult sent = Client({"--send-path", first.busName(), second.busName()});
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    EXPECT_EQ(Client({"--peer-text", second.busName()}).out, first.documentPath() + "\n");

    // The UTF-16 copy data "abc" with its terminator, and frame control 3, straight on the bus.
    QDBusMessage call = QDBusMessage::createMethodCall(first.busName(), kBusObjectPath, kBusInterface, "CopyData");
    const char16_t abc[] = u"abc";
    call << 0x27F58002u << 8u << QByteArray(reinterpret_cast<const char*>(abc), 8);
    const QDBusMessage copied = QDBusConnection::sessionBus().call(call, QDBus::Block, 30000);
    EXPECT_TRUE(copied.arguments().value(0).toBool()) << copied.errorMessage().toStdString();
    EXPECT_EQ(Client({"--peer-text", QString::number(first.pid())}).out, "abc\n");
    call = QDBusMessage::createMethodCall(first.busName(), kBusObjectPath, kBusInterface, "FrameControl");
    call << 3u << QString();
    EXPECT_EQ(QDBusConnection::sessionBus().call(call, QDBus::Block, 30000).arguments().value(0).toUInt(), 0u);

    // Unknown names are refused; the second copy is ended by name, the first goes on.
    const ClientResult unknown = Client({"--quit", "io.github.wirbelix.Wirbelix.p1"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("Kein laufendes Wirbelix")) << unknown.err.toStdString();
    const ClientResult quit = Client({"--quit", second.busName()});
    EXPECT_EQ(quit.exitCode, 0) << quit.err.toStdString();
    ASSERT_TRUE(second.process().waitForFinished(60000));
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_EQ(StoredFlatMode(second.settings()), 1) << "the frame's settings were stored at the end";
    EXPECT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(first.busName()).value());
    EXPECT_EQ(Client({"--list"}).out, QString("%1 %2\n").arg(first.busName()).arg(first.pid()));

    // Without a name the copy started first ends.
    EXPECT_EQ(Client({"--quit"}).exitCode, 0);
    ASSERT_TRUE(first.process().waitForFinished(60000));
    EXPECT_EQ(first.process().exitCode(), 0);
    EXPECT_EQ(StoredFlatMode(first.settings()), 1);

    const ClientResult none = Client({"--quit"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("Es läuft kein Wirbelix")) << none.err.toStdString();
}

TEST(ControlClient, WithoutASessionBusSaysSoAndFails) {
    for (const char* command : {"--list", "--quit", "--peer-text"}) {
        QStringList args{command};
        if (std::strcmp(command, "--peer-text") == 0) args << "x";
        const ClientResult r = Client(args, "unix:path=/nonexistent/bus");
        EXPECT_EQ(r.exitCode, 3) << command;
        EXPECT_TRUE(r.err.contains("Keine D-Bus-Sitzung")) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace wirbelix
