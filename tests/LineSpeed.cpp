// The rate set on a terminal, including custom rates (BOTHER) such as 128000.
#include <asm/termbits.h>
#include <sys/ioctl.h>

long long readLineSpeed(int fd)
{
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return -1;
    return settings.c_ospeed;
}
