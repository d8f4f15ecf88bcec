#include "shell/qt/CWirbelixApp.h"

#include <QApplication>
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
    for (int i = 0; i < zooms; ++i) windowSystem.PostCommand(cmd::kZoom);

    const int status = app.exec();
    frame.reset();
    WriteRecentFileList(document.GetPathName());
    return status;
}

}  // namespace wirbelix
