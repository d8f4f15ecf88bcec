// ControlBus: the running copy's door for other programs on the D-Bus session bus. Each copy
// owns the well-known name "io.github.wirbelix.Wirbelix.p<process id>" and exports one object,
// /io/github/wirbelix/Wirbelix, with the interface "io.github.wirbelix.Wirbelix.Frame"
// (resources/dbus/io.github.wirbelix.Wirbelix.Frame.xml describes it for other programs):
//
//   InstanceQuery(u value) -> u           0x12345678 for 0x12345678, else 0
//   FrameControl(u what, s peer) -> (u result, s text)
//                                         0: ends the program as "&Beenden" (result 1);
//                                         2: sends the document path as peer text to the copy
//                                            named peer (result: its answer, 0 when unreachable);
//                                         4: text = the peer text last received (result 1);
//                                         other: result 0
//   CopyData(u code, u byteCount, ay data) -> b
//                                         the copy-data codes of FrameMessages.h; the stated
//                                         byte count never reaches past the sent array
//   SetStatusText(i pane, ay text) -> u   pane 0 the message pane, 1 to 3 the lock indicators;
//                                         the text UTF-8, ending at a zero byte or the array's
//                                         end; result 0. A bad pane or text is answered with the
//                                         error org.freedesktop.DBus.Error.InvalidArgs.
//
// Only the user's own session bus reaches the object; that is the bus's own policy. Nothing
// received is used as a format or a path to open; texts are checked by FrameMessages.
// Without a session bus nothing is registered and the game goes on silently.
//
// Thread contract: window thread only. The bus delivers calls there, between events.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <string>

namespace wirbelix {

class CMainFrame;
class CWirbelixDoc;

inline constexpr char kBusNamePrefix[] = "io.github.wirbelix.Wirbelix.p";
inline constexpr char kBusObjectPath[] = "/io/github/wirbelix/Wirbelix";
inline constexpr char kBusInterface[] = "io.github.wirbelix.Wirbelix.Frame";

// The bus name of the copy with this process id.
QString BusNameOfProcess(qint64 pid);
// True for a name of the form kBusNamePrefix followed by 1 to 10 digits.
bool IsCopyBusName(const QString& name);

class ControlBus : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.wirbelix.Wirbelix.Frame")

public:
    // Registers this process's name and the object on connection; silently nothing when the
    // connection is not connected or the name is taken.
    ControlBus(CMainFrame& frame, const CWirbelixDoc& document, QDBusConnection connection,
               QObject* parent = nullptr);
    ~ControlBus() override;

    bool registered() const { return registered_; }
    const QString& busName() const { return name_; }
    const std::string& peerText() const { return peerText_; }

    // The frame is going: from now on every message is answered as by a copy without window
    // and document. The name stays registered until this object goes, so that a client waiting
    // for it to vanish sees the program's whole shut-down done.
    void DetachFrame() { frame_ = nullptr; }

public Q_SLOTS:
    Q_SCRIPTABLE uint InstanceQuery(uint value);
    Q_SCRIPTABLE uint FrameControl(uint what, const QString& peer, QString& text);
    Q_SCRIPTABLE bool CopyData(uint code, uint byteCount, const QByteArray& data);
    Q_SCRIPTABLE uint SetStatusText(int pane, const QByteArray& text);

private:
    bool CopyDataLocal(uint code, uint byteCount, const QByteArray& data);
    uint SendPeerText(const QString& peer);

    CMainFrame* frame_;
    const CWirbelixDoc& document_;
    QDBusConnection connection_;
    QString name_;
    bool registered_ = false;
    std::string peerText_;
};

}  // namespace wirbelix
