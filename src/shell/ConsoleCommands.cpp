#include "shell/ConsoleCommands.h"

#include <cstdio>
#include <cstring>

#include "game/SpinSimulator.h"
#include "pictures/ImageInfoCommand.h"
#include "pictures/ExportResources.h"
#include "shell/SettingsListing.h"

namespace wirbelix {

namespace {

struct ConsoleCommand {
    const char* option;
    const char* usage;
    int (*run)(int argc, char** argv);  // argv[0] is the option itself
};

int PrintUsage(int, char**);

// One row per console command; the handler of each lives with its subsystem.
const ConsoleCommand kCommands[] = {
    {"--help", "--help                 this list", PrintUsage},
    {"--settings", "--settings             print every stored setting", RunSettingsCommand},
    {"--simulate", "--simulate N [--sections S] [--turns T] [--press MS | --sweep] [--seed X]"
                   "\n         spin N times without a window and test the landings for fairness;"
                   "\n         with N = 1 --press MS --rand R --angle A: trace one spin",
     RunSimulateCommand},
    {"--export-resources", "--export-resources DIR  write the built-in pictures and sounds to DIR",
     ExportResourcesCommand},
    {"--image-info", "--image-info FILE [--png OUT]  read a picture and tell how it was read", RunImageInfo},
};

int PrintUsage(int, char**) {
    std::printf("Wirbelix, ein elektronischer Würfel für zwei Spieler.\n\n"
                "wirbelix [-z]            start the game (-z: full screen)\n");
    for (const ConsoleCommand& c : kCommands) std::printf("wirbelix %s\n", c.usage);
    // The client of running copies lives with the control bus (shell/qt/ControlClient.h).
    std::printf("wirbelix --list                  list the running copies (bus name, process id)\n"
                "wirbelix --quit [NAME]           end a running copy (the first started without NAME)\n"
                "wirbelix --status-text TEXT [--pane N] [NAME]  set a status-bar text\n"
                "wirbelix --peer-text NAME        print the document path a copy last received\n"
                "wirbelix --send-path NAME PEER   let NAME send its document path to PEER\n");
    return 0;
}

}  // namespace

std::optional<int> RunConsoleCommand(int argc, char** argv) {
    if (argc < 2) return std::nullopt;
    for (const ConsoleCommand& c : kCommands)
        if (std::strcmp(argv[1], c.option) == 0) return c.run(argc - 1, argv + 1);
    return std::nullopt;
}

}  // namespace wirbelix
