// Which device a serial port index opens. Port n is shown to the user as "COM<n+1>"; it
// opens the device named by the text value "COM<n+1>" under the settings key kPortsKey when
// that value exists and is not empty, else "/dev/ttyS<n>". So COM1 is /dev/ttyS0 by default,
// and a USB adapter (/dev/ttyUSB0, /dev/ttyACM0) or the remote-box simulator's
// pseudo-terminal is reached by one settings value.
//
// Thread contract: callable from any thread (the settings store is thread safe). Reads the
// settings on every call, so a changed value counts from the next open.
#pragma once

#include <string>

namespace wirbelix {

// The settings key whose text values "COM1", "COM2", ... name the devices of the ports.
inline constexpr const char* kPortsKey = "Software\\Kivo\\Wirbelix\\Ports";

// The settings value name of port index port: "COM<port+1>".
std::string SerialPortValueName(int port);

// The device path for port index port (0 = COM1). Negative ports have no device: "".
std::string SerialDeviceName(int port);

}  // namespace wirbelix
