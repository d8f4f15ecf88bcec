#include "shell/StartSwitches.h"

namespace wirbelix {

bool IsZoomSwitch(const char* arg) {
    // A one-character argument ends with its zero at [1], which is neither 'z' nor 'Z', so
    // reading [1] after a matching [0] stays inside the text.
    return arg != nullptr && (arg[0] == '-' || arg[0] == '/') && (arg[1] == 'z' || arg[1] == 'Z');
}

int CountZoomSwitches(int argc, const char* const* argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i)
        if (IsZoomSwitch(argv[i])) ++count;
    return count;
}

}  // namespace wirbelix
