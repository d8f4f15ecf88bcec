// The wirbelix program: console commands run without a window; otherwise the game starts.
#include <QApplication>
#include <QIcon>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <cstring>
#include <memory>

#include "audio/sdl/SdlWaveDevice.h"
#include "platform/ResourceTable.h"
#include "platform/qt/QtWindowSystem.h"
#include "platform/qt/TerminationSignals.h"
#include "shell/ConsoleCommands.h"
#include "shell/qt/CMainFrame.h"
#include "shell/qt/LatencyCommand.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--latency") == 0) return wirbelix::RunLatencyCommand(argc, argv);
    if (auto code = wirbelix::RunConsoleCommand(argc, argv)) return *code;

    wirbelix::UseSdlWaveDevice();  // the wave output plays on SDL's default output
    QApplication app(argc, argv);
    wirbelix::CatchTerminationSignals();
    QApplication::setApplicationName("Wirbelix");
    QApplication::setOrganizationName("Kivo");
    // The application icon: every picture of the embedded icon file, so the window system
    // can pick the size it shows.
    QIcon icon;
    wirbelix::ResourceBytes ico = wirbelix::FindResource("ICON", 128);
    QByteArray icoBytes = QByteArray::fromRawData(reinterpret_cast<const char*>(ico.data()),
                                                  static_cast<qsizetype>(ico.size()));
    QBuffer icoBuffer(&icoBytes);
    QImageReader reader(&icoBuffer, "ICO");
    for (int i = 0, n = reader.imageCount(); i < n && reader.jumpToImage(i); ++i) {
        QImage picture;
        if (reader.read(&picture)) icon.addPixmap(QPixmap::fromImage(picture));
    }
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
    wirbelix::QtWindowSystem windowSystem;
    auto frame = std::make_unique<wirbelix::CMainFrame>(windowSystem);
    frame->show();
    wirbelix::CloseOnTerminationSignals(frame.get());
    const int status = app.exec();
    frame.reset();
    return status;
}
