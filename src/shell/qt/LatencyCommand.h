// wirbelix --latency [N]: measures, in the running game window, how quickly the game answers.
// Over N synthetic spins (default 10) it prints median and 95th percentile of:
//   - F7 pressed until the first painted frame that shows the bar rising;
//   - F7 released until the first painted frame that shows the rotor moved;
//   - a section boundary crossed on screen (the first painted frame with the rotor past it)
//     until its tick is handed to the sound device (SDL's callback).
// The window runs on the current display, or offscreen when there is none. The game reads a
// temporary settings file (the built-in pictures, the user's settings untouched). The spins'
// cling sound is left out so that every tick stands alone in the sound and its start can be
// found; without a sound device the third figure is missing.
#pragma once

namespace wirbelix {

// argv[0] is the program, argv[1] "--latency", argv[2] the optional number of spins.
int RunLatencyCommand(int argc, char** argv);

}  // namespace wirbelix
