#include "shell/qt/ControlBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QMetaObject>
#include <span>

#include "game/CommandTable.h"
#include "shell/FrameMessages.h"
#include "shell/WirbelixDoc.h"
#include "shell/qt/CMainFrame.h"

namespace wirbelix {

namespace {

// How long a copy waits for its peer to take a peer text; the peer answers at once unless it
// is hanging, and then this copy must not hang with it.
constexpr int kPeerCallTimeout_ms = 5000;

std::span<const std::uint8_t> BytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

class FrameTarget : public CopyDataTarget {
public:
    FrameTarget(CMainFrame* frame, const CWirbelixDoc& document, std::string& peerText)
        : frame_(frame), document_(document), peerText_(peerText) {}
    std::string DocumentPath() const override {
        // The view goes first when the window closes; from then on there is no active document.
        return frame_ && frame_->gameView() ? document_.GetPathName() : std::string();
    }
    std::string CurrentDirectory() const override { return QDir::currentPath().toStdString(); }
    void SetPeerText(std::string text) override { peerText_ = std::move(text); }

private:
    CMainFrame* frame_;
    const CWirbelixDoc& document_;
    std::string& peerText_;
};

}  // namespace

QString BusNameOfProcess(qint64 pid) { return QString::fromLatin1(kBusNamePrefix) + QString::number(pid); }

bool IsCopyBusName(const QString& name) {
    const QString prefix = QString::fromLatin1(kBusNamePrefix);
    if (!name.startsWith(prefix)) return false;
    const QStringView digits = QStringView(name).mid(prefix.size());
    if (digits.isEmpty() || digits.size() > 10) return false;
    for (QChar c : digits)
        if (c < u'0' || c > u'9') return false;
    return true;
}

ControlBus::ControlBus(CMainFrame& frame, const CWirbelixDoc& document, QDBusConnection connection, QObject* parent)
    : QObject(parent),
      frame_(&frame),
      document_(document),
      connection_(std::move(connection)),
      name_(BusNameOfProcess(QCoreApplication::applicationPid())) {
    if (!connection_.isConnected()) return;
    if (!connection_.registerObject(QString::fromLatin1(kBusObjectPath), this, QDBusConnection::ExportScriptableSlots))
        return;
    if (!connection_.registerService(name_)) {
        connection_.unregisterObject(QString::fromLatin1(kBusObjectPath));
        return;
    }
    registered_ = true;
}

ControlBus::~ControlBus() {
    if (!registered_) return;
    connection_.unregisterService(name_);
    connection_.unregisterObject(QString::fromLatin1(kBusObjectPath));
}

uint ControlBus::InstanceQuery(uint value) { return AnswerInstanceQuery(value); }

uint ControlBus::FrameControl(uint what, const QString& peer, QString& text) {
    text.clear();
    switch (what) {
        case kFrameControlQuit:
            if (!frame_) return 0;
            // Posted, so that the answer leaves before the window closes.
            QMetaObject::invokeMethod(frame_, [frame = frame_] { frame->ExecuteCommand(cmd::kExit); },
                                      Qt::QueuedConnection);
            return 1;
        case kFrameControlSendPeerText:
            return SendPeerText(peer);
        case kFrameControlPeerText:
            text = QString::fromStdString(peerText_);
            return 1;
        default:
            return 0;
    }
}

uint ControlBus::SendPeerText(const QString& peer) {
    // Only another copy of the game is ever called, never an arbitrary service.
    if (!IsCopyBusName(peer)) return 0;
    const std::string path = FrameTarget(frame_, document_, peerText_).DocumentPath();
    const QByteArray record = QByteArray::fromStdString(PeerTextRecord(path));
    const auto count = static_cast<uint>(record.size());
    if (peer == name_) return CopyDataLocal(kCopyDataPeerText, count, record) ? 1 : 0;
    QDBusMessage call = QDBusMessage::createMethodCall(peer, QString::fromLatin1(kBusObjectPath),
                                                       QString::fromLatin1(kBusInterface), QStringLiteral("CopyData"));
    call << kCopyDataPeerText << count << record;
    const QDBusMessage reply = connection_.call(call, QDBus::Block, kPeerCallTimeout_ms);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return 0;
    return reply.arguments().at(0).toBool() ? 1 : 0;
}

bool ControlBus::CopyData(uint code, uint byteCount, const QByteArray& data) {
    return CopyDataLocal(code, byteCount, data);
}

bool ControlBus::CopyDataLocal(uint code, uint byteCount, const QByteArray& data) {
    FrameTarget target(frame_, document_, peerText_);
    return ProcessCopyData(code, byteCount, BytesOf(data), target);
}

uint ControlBus::SetStatusText(int pane, const QByteArray& text) {
    std::string decoded;
    const bool paneOk = pane >= 0 && pane < kStatusPaneCount;
    const bool textOk = DecodeMessageText(BytesOf(text), static_cast<std::uint32_t>(text.size()), false, decoded);
    if (!paneOk || !textOk) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, paneOk ? QStringLiteral("text is not UTF-8 or too long")
                                                           : QStringLiteral("no such status pane"));
        return 0;
    }
    if (frame_) frame_->SetStatusPaneText(pane, QString::fromStdString(decoded));
    return 0;
}

}  // namespace wirbelix
