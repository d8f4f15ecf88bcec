// The wirbelix program: console commands run without a window; otherwise the game starts.
#include <QApplication>
#include <QMainWindow>

#include "audio/sdl/SdlWaveDevice.h"
#include "shell/ConsoleCommands.h"

int main(int argc, char** argv) {
    if (auto code = wirbelix::RunConsoleCommand(argc, argv)) return *code;

    wirbelix::UseSdlWaveDevice();  // the wave output plays on SDL's default output
    QApplication app(argc, argv);
    QApplication::setApplicationName("Wirbelix");
    QApplication::setOrganizationName("Kivo");
    QMainWindow window;
    window.setWindowTitle("Wirbelix");
    window.resize(1024, 768);
    window.show();
    return app.exec();
}
