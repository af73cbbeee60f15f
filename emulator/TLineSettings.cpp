#include "emulator/TLineSettings.h"

// termios2 carries the speed as a number; <asm/termbits.h> cannot share a
// translation unit with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool TLineSettings::Read(int fd, TLineSettings &settings)
{
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    settings.Baud = int(t.c_ospeed);
    switch (t.c_cflag & CSIZE) {
    case CS5:
        settings.DataBits = 5;
        break;
    case CS6:
        settings.DataBits = 6;
        break;
    case CS7:
        settings.DataBits = 7;
        break;
    default:
        settings.DataBits = 8;
        break;
    }
    settings.Parity = (t.c_cflag & PARENB) != 0;
    settings.StopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    return true;
}

bool TLineSettings::WriteSpeed(int fd, int baud)
{
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ospeed = t.c_ispeed = speed_t(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}
