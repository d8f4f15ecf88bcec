#include "shell/qt/CWirbelixApp.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMetaObject>
#include <memory>

#include "audio/sdl/SdlWaveDevice.h"
#include "game/CommandTable.h"
#include "platform/qt/QtWindowSystem.h"
#include "platform/qt/TerminationSignals.h"
#include "shell/StartSwitches.h"
#include "shell/WirbelixDoc.h"
#include "shell/qt/ApplicationIcon.h"
#include "shell/qt/CMainFrame.h"
#include "shell/qt/ControlBus.h"

namespace wirbelix {

int RunApplication(int argc, char** argv) {
    // The switches as given, before Qt takes its own options out of the arguments.
    const int zooms = CountZoomSwitches(argc, argv);

    UseSdlWaveDevice();  // the wave output plays on SDL's default output
    QApplication app(argc, argv);
    CatchTerminationSignals();
    QApplication::setApplicationName("Wirbelix");
    QApplication::setOrganizationName("Kivo");
    QApplication::setDesktopFileName("wirbelix");
    if (QIcon icon = ApplicationIcon(); !icon.isNull()) QApplication::setWindowIcon(icon);

    QtWindowSystem windowSystem;
    CWirbelixDoc document;
    auto frame = std::make_unique<CMainFrame>(windowSystem);
    if (!document.OnNewDocument(frame->gameView() != nullptr)) return 1;
    frame->ShowAtStart();
    CloseOnTerminationSignals(frame.get());
    // Other programs reach the frame through the session bus; without one the game plays on.
    ControlBus bus(*frame, document, QDBusConnection::sessionBus());
    for (int i = 0; i < zooms; ++i) windowSystem.PostCommand(cmd::kZoom);

    const int status = app.exec();
    bus.DetachFrame();
    frame.reset();
    WriteRecentFileList(document.GetPathName());
    return status;  // the bus name goes last: a client waiting for it sees the shut-down done
}

}  // namespace wirbelix
