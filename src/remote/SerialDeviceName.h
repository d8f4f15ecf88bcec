// Which device a serial port index opens. Port n is shown to the user as "COM<n+1>"; it
// opens "/dev/ttyS<n>" unless the settings name another device for it, so that a USB adapter
// (/dev/ttyUSB0, /dev/ttyACM0) or the remote-box simulator's pseudo-terminal is reached by
// one settings value.
//
// Thread contract: callable from any thread.
#pragma once

#include <string>

namespace wirbelix {

// The device path for port index port (0 = COM1). Negative ports have no device: "".
std::string SerialDeviceName(int port);

}  // namespace wirbelix
