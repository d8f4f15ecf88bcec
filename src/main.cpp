// The wirbelix program: console commands and the client of running copies run without a
// window; otherwise the game starts.
#include <cstring>

#include "shell/ConsoleCommands.h"
#include "shell/qt/CWirbelixApp.h"
#include "shell/qt/ControlClient.h"
#include "shell/qt/LatencyCommand.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--latency") == 0) return wirbelix::RunLatencyCommand(argc, argv);
    if (auto code = wirbelix::RunControlClient(argc, argv)) return *code;
    if (auto code = wirbelix::RunConsoleCommand(argc, argv)) return *code;
    return wirbelix::RunApplication(argc, argv);
}
