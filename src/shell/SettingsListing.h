// `wirbelix --settings`: prints every stored key, value name, type and value as readable text,
// so a user can see what the program keeps. Never creates the settings file.
#pragma once

#include <cstdio>

namespace wirbelix {

// Writes the listing to out. Returns the process exit code (0, also for a missing store).
int PrintSettings(std::FILE* out);

// The console command: argv[0] is the option.
int RunSettingsCommand(int argc, char** argv);

}  // namespace wirbelix
