// The frame's door on a real session bus: the object a copy registers, every method called
// through the bus with good and hostile arguments, and a copy without a bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QXmlStreamReader>
#include <QTest>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/qt/QtWindowSystem.h"
#include "shell/FrameMessages.h"
#include "shell/SettingsFixture.h"
#include "shell/WirbelixDoc.h"
#include "shell/qt/CMainFrame.h"
#include "shell/qt/ControlBus.h"
#include "shell/qt/PrivateSessionBus.h"

namespace wirbelix {
namespace {

QByteArray Utf16(std::u16string_view s) {
    return QByteArray(reinterpret_cast<const char*>(s.data()), static_cast<qsizetype>(s.size() * 2));
}

class ControlBusFixture : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        ASSERT_FALSE(test::PrivateSessionBus::Address().empty()) << "dbus-daemon could not be started";
        ws_ = std::make_unique<QtWindowSystem>();
        frame_ = std::make_unique<CMainFrame>(*ws_);
        ASSERT_TRUE(document_.OnNewDocument(true));
        frame_->ShowAtStart();
        bus_ = std::make_unique<ControlBus>(*frame_, document_, QDBusConnection::sessionBus());
        ASSERT_TRUE(bus_->registered());
    }
    void TearDown() override {
        bus_.reset();
        frame_.reset();
        ws_.reset();
        SettingsFixture::TearDown();
    }

    // Calls a method of the copy through the bus from a connection of its own, letting this
    // (the copy's) thread handle the call meanwhile.
    QDBusMessage Call(const char* method, const QVariantList& args) {
        static QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-client");
        QDBusMessage call = QDBusMessage::createMethodCall(bus_->busName(), kBusObjectPath, kBusInterface, method);
        call.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(call, 20000);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!pending.isFinished() && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return pending.reply();
    }
    static uint U(const QDBusMessage& reply, int i = 0) {
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(i).toUInt();
    }

    std::unique_ptr<QtWindowSystem> ws_;
    std::unique_ptr<CMainFrame> frame_;
    CWirbelixDoc document_;
    std::unique_ptr<ControlBus> bus_;
};

TEST_F(ControlBusFixture, AnswersTheQueryFrameControlAndCopyDataThroughTheBus) {
    EXPECT_EQ(bus_->busName(), "io.github.wirbelix.Wirbelix.p" + QString::number(QCoreApplication::applicationPid()));
    EXPECT_EQ(U(Call("InstanceQuery", {0x12345678u})), 0x12345678u);
    EXPECT_EQ(U(Call("InstanceQuery", {0x12345677u})), 0u);
    EXPECT_EQ(U(Call("FrameControl", {3u, QString()})), 0u);

    // The UTF-16 "abc" with its terminator, 8 bytes, becomes the peer text.
    const QDBusMessage copied = Call("CopyData", {0x27F58002u, 8u, Utf16(std::u16string_view(u"abc\0", 4))});
    ASSERT_EQ(copied.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(copied.arguments().value(0).toBool());
    EXPECT_EQ(bus_->peerText(), "abc");
    const QDBusMessage peer = Call("FrameControl", {kFrameControlPeerText, QString()});
    EXPECT_EQ(U(peer), 1u);
    EXPECT_EQ(peer.arguments().value(1).toString(), "abc");

    // Its own document path, written otherwise, compares equal.
    const QByteArray path = QByteArray::fromStdString(document_.GetPathName()).toUpper().replace('/', '\\');
    EXPECT_TRUE(Call("CopyData", {kCopyDataCompareDocument, uint(path.size()), path}).arguments().value(0).toBool());

    // Frame control 2 to itself: the path arrives as peer text; to a name that is no copy: 0.
    EXPECT_EQ(U(Call("FrameControl", {kFrameControlSendPeerText, bus_->busName()})), 1u);
    EXPECT_EQ(bus_->peerText(), document_.GetPathName());
    EXPECT_EQ(U(Call("FrameControl", {kFrameControlSendPeerText, QString("org.freedesktop.DBus")})), 0u);
    EXPECT_EQ(U(Call("FrameControl", {kFrameControlSendPeerText, QString("io.github.wirbelix.Wirbelix.p1")})), 0u);
}

// The methods of the interface as "Name(in types)(out types)", read from introspection XML.
QStringList InterfaceMethods(const QString& xml) {
    QStringList methods;
    QXmlStreamReader reader(xml);
    bool inInterface = false;
    QString name, in, out;
    while (!reader.atEnd()) {
        reader.readNext();
        const QStringView tag = reader.name();
        if (reader.isStartElement() && tag == u"interface") inInterface = reader.attributes().value("name") == QLatin1String(kBusInterface);
        if (!inInterface) continue;
        if (reader.isStartElement() && tag == u"method") {
            name = reader.attributes().value("name").toString();
            in.clear();
            out.clear();
        } else if (reader.isStartElement() && tag == u"arg") {
            (reader.attributes().value("direction") == u"out" ? out : in) += reader.attributes().value("type");
        } else if (reader.isEndElement() && tag == u"method") {
            methods << name + "(" + in + ")(" + out + ")";
        } else if (reader.isEndElement() && tag == u"interface") {
            inInterface = false;
        }
    }
    if (reader.hasError()) ADD_FAILURE() << "bad XML: " << reader.errorString().toStdString();
    methods.sort();
    return methods;
}

TEST_F(ControlBusFixture, TheInterfaceFileDescribesWhatTheObjectExports) {
    QFile file(WIRBELIX_TEST_DATA "/../../resources/dbus/io.github.wirbelix.Wirbelix.Frame.xml");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList described = InterfaceMethods(QString::fromUtf8(file.readAll()));
    QDBusMessage call = QDBusMessage::createMethodCall(bus_->busName(), kBusObjectPath,
                                                       "org.freedesktop.DBus.Introspectable", "Introspect");
    static QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "introspection");
    QDBusPendingCall pending = client.asyncCall(call, 20000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 30000));
    const QStringList exported = InterfaceMethods(pending.reply().arguments().value(0).toString());
    EXPECT_EQ(described.size(), 4);
    EXPECT_EQ(exported, described);
}

TEST_F(ControlBusFixture, SetsAStatusPaneAndRefusesBadPanesAndTexts) {
    EXPECT_EQ(U(Call("SetStatusText", {0, QByteArray("Runde 3 – Würfel")})), 0u);
    EXPECT_EQ(frame_->statusPaneText(0), QString::fromUtf8("Runde 3 – Würfel"));
    EXPECT_EQ(frame_->statusMessage(), QString::fromUtf8("Runde 3 – Würfel")) << "shown in the message pane";
    EXPECT_EQ(U(Call("SetStatusText", {3, QByteArray("RF\0trailing", 11)})), 0u);
    EXPECT_EQ(frame_->statusPaneText(3), "RF");

    struct Bad {
        int pane;
        QByteArray text;
    };
    const Bad bad[] = {
        {-1, "x"}, {4, "x"}, {INT_MAX, "x"}, {INT_MIN, "x"},
        {0, "\xFF\xFE"}, {0, "\xC3"}, {0, QByteArray(int(kNarrowTextMaxBytes) + 1, 'y')},
    };
    for (const Bad& b : bad) {
        const QDBusMessage reply = Call("SetStatusText", {b.pane, b.text});
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << b.pane;
        EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    }
    EXPECT_EQ(frame_->statusPaneText(0), QString::fromUtf8("Runde 3 – Würfel")) << "refused texts change nothing";
}

TEST_F(ControlBusFixture, HostileCallsAreAnsweredWithoutACrash) {
    const QByteArray huge(4 << 20, '\x7F');
    struct Case {
        const char* what;
        uint code;
        uint count;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", kCopyDataPeerText, 0, {}},
        {"count without data", kCopyDataPeerText | kCopyDataWideText, 0xFFFFFFFF, {}},
        {"huge narrow", kCopyDataPeerText, 0xFFFFFFFF, huge},
        {"huge wide", kCopyDataCompareDocument | kCopyDataWideText, 0xFFFFFFFF, huge},
        {"odd wide", kCopyDataPeerText | kCopyDataWideText, 3, QByteArray("a\0b", 3)},
        {"lone surrogate", kCopyDataPeerText | kCopyDataWideText, 2, QByteArray("\x00\xD8", 2)},
        {"invalid UTF-8", kCopyDataOpenDocument, 4, QByteArray("\xC0\x80\xFF\0", 4)},
        {"unknown code", 0xFFFFFFFF, 4, QByteArray("abc\0", 4)},
    };
    for (const Case& c : cases) {
        const QDBusMessage reply = Call("CopyData", {c.code, c.count, c.data});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.what;
    }
    // Arguments of the wrong types never reach the frame.
    EXPECT_EQ(Call("CopyData", {QString("abc")}).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(Call("SetStatusText", {QString("0"), QString("abc")}).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(Call("FrameControl", {0u}).type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(frame_->isVisible()) << "no call above may end the program";
    EXPECT_EQ(U(Call("InstanceQuery", {0x12345678u})), 0x12345678u) << "still answering";
}

TEST_F(ControlBusFixture, FrameControlZeroClosesTheFrameAsTheMenuDoes) {
    EXPECT_EQ(U(Call("FrameControl", {kFrameControlQuit, QString()})), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame_->isVisible(); }, 10000));
    EXPECT_EQ(frame_->gameView(), nullptr) << "the view went as at every close";
    // Afterwards the copy has no document: comparisons fail, nothing is posted twice.
    const QByteArray path = QByteArray::fromStdString(document_.GetPathName());
    EXPECT_FALSE(Call("CopyData", {kCopyDataCompareDocument, uint(path.size()), path}).arguments().value(0).toBool());
}

using ControlBusWithoutBus = SettingsFixture;

TEST_F(ControlBusWithoutBus, TheGameGoesOnSilently) {
    QtWindowSystem ws;
    CMainFrame frame(ws);
    CWirbelixDoc document;
    QDBusConnection none = QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "no-bus");
    ASSERT_FALSE(none.isConnected());
    ControlBus bus(frame, document, none);
    EXPECT_FALSE(bus.registered());
    QString text;
    EXPECT_EQ(bus.FrameControl(3, {}, text), 0u);
}

}  // namespace
}  // namespace wirbelix
