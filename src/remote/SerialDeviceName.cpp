#include "remote/SerialDeviceName.h"

#include "shell/RegistryKey.h"

namespace wirbelix {

std::string SerialPortValueName(int port) { return "COM" + std::to_string(port + 1); }

std::string SerialDeviceName(int port) {
    if (port < 0) return {};
    RegistryKey key;
    std::string device;
    if (key.Open(HKEY_CURRENT_USER, kPortsKey, REG_MODE_READ) &&
        key.ReadString(&device, SerialPortValueName(port).c_str()) && !device.empty())
        return device;
    return "/dev/ttyS" + std::to_string(port);
}

}  // namespace wirbelix
