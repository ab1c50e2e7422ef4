// Non-standard baud rates need the kernel's termios2, whose header cannot share
// a translation unit with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tty {

bool setCustomBaudrate(int fd, int baudrate) {
    if (baudrate <= 0)
        return false;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ispeed = static_cast<speed_t>(baudrate);
    t.c_ospeed = static_cast<speed_t>(baudrate);
    return ioctl(fd, TCSETS2, &t) == 0;
}

} // namespace tty
