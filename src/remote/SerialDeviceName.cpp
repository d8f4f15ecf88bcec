#include "remote/SerialDeviceName.h"

namespace wirbelix {

std::string SerialDeviceName(int port) {
    if (port < 0) return {};
    return "/dev/ttyS" + std::to_string(port);
}

}  // namespace wirbelix
