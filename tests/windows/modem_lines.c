/* Preloaded into Wine for the Windows tests only: gives pseudo-terminals the
 * modem lines a serial port has.
 *
 * A pseudo-terminal has no modem lines, so TIOCMGET and friends fail there with
 * ENOTTY. Wine 8.0's serial layer polls TIOCMGET while a WaitCommEvent is
 * pending and cancels the wait when that fails, a few milliseconds after it
 * began, so a program waiting for received bytes never hears of them. Here the
 * modem-line ioctls on a pseudo-terminal answer as a cabled port would: DSR,
 * CTS and DCD up, DTR and RTS accepted as set. Every other device and every
 * other request goes to the real ioctl unchanged. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

/* Unix98 pseudo-terminal slaves, /dev/pts/N. */
static int is_pseudo_terminal(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

static int lines = TIOCM_DTR | TIOCM_RTS;

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (!real_ioctl)
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");

    switch (request) {
    case TIOCMGET:
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
        if (!is_pseudo_terminal(fd))
            break;
        if (request == TIOCMGET) {
            *(int *)arg = lines | TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
        } else {
            const int bits = *(const int *)arg & (TIOCM_DTR | TIOCM_RTS);
            if (request == TIOCMSET)
                lines = bits;
            else if (request == TIOCMBIS)
                lines |= bits;
            else
                lines &= ~bits;
        }
        return 0;
    default:
        break;
    }
    return real_ioctl(fd, request, arg);
}
