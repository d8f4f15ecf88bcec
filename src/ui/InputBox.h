// The platform-free rules of the input box dialog (ui/qt/InputBoxDialog): its results and how
// its text is handed to a caller's fixed-size buffer.
#pragma once

#include <string_view>

namespace wirbelix {

// Results of a modal dialog's run.
inline constexpr int IDOK = 1;      // confirmed with "OK" or Enter
inline constexpr int IDCANCEL = 2;  // left with "Abbrechen", Escape or by closing

// Copies text (UTF-8) into buffer of size bytes: at most size - 1 bytes, then a terminating
// zero. A UTF-8 sequence that does not fit whole is left out, so the buffer never ends in half
// a character. Answers the number of bytes copied (the zero not counted); with size 0 or less
// (or no buffer) copies nothing and answers 0.
int CopyInputValue(std::string_view text, char* buffer, int size);

}  // namespace wirbelix
