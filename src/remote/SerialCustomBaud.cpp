#include "remote/SerialCustomBaud.h"

// The kernel's own terminal structures; <termios.h> must not be included in this file.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace wirbelix {

bool SetCustomBaud(int fd, std::uint32_t baud) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ospeed = baud;
    t.c_ispeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

std::uint32_t ReadBaud(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

}  // namespace wirbelix
