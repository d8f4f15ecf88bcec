// Setting a serial line to a rate that has no termios speed constant (for example 31250 or
// 250000 baud), through the kernel's arbitrary-rate interface (termios2, BOTHER). Kept apart
// from the code that uses <termios.h>, whose structure of the same name clashes with the
// kernel's.
#pragma once

#include <cstdint>

namespace wirbelix {

// Sets input and output rate of the open terminal fd to baud bits per second. False when the
// device refuses. Leaves every other setting as it is.
bool SetCustomBaud(int fd, std::uint32_t baud);

// The output rate of the open terminal fd in bits per second as the kernel holds it, 0 when
// the query fails.
std::uint32_t ReadBaud(int fd);

}  // namespace wirbelix
