// The console command "wirbelix --image-info FILE [--png OUT]": reads FILE (a path or a
// res:// name) with LoadImageFile and prints one line
//   result=R depth=D width=W height=H alpha_kind=K
// and, when the picture could not be read, a second line "error=" with LastImageError, so that
// a user whose picture does not load can see why. With --png the picture as read is also
// written to OUT as a PNG (RGB, or RGBA for a 32-bit picture with alpha).
//
// Exit codes: 0 read (and written), 1 not read, 2 wrong arguments, 3 OUT could not be written.
#pragma once

namespace wirbelix {

// argv[0] is the option itself.
int RunImageInfo(int argc, char** argv);

}  // namespace wirbelix
