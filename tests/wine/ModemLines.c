// Preloaded into Wine: a pseudo-terminal answers the modem-line ioctls as a
// serial cable would, with DSR, CTS and DCD on and DTR and RTS as last set.
// Wine asks a port for its modem lines while it waits for events; a pty has
// none, the ioctl fails, and Wine reports the port lost. Every other request
// and every other file goes to the real ioctl.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

enum { PtySlaveMajor = 136, PtySlaveMajors = 8, Lines = TIOCM_DTR | TIOCM_RTS };

// DTR and RTS of each pty slave, by its index; a port opens with both raised.
static int raised[PtySlaveMajors * 256];
static unsigned char known[PtySlaveMajors * 256];

static int ptyIndex(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return -1;
    const unsigned int first = PtySlaveMajor, device = major(st.st_rdev);
    if (device < first || device >= first + PtySlaveMajors || minor(st.st_rdev) > 255)
        return -1;
    return (int)((device - first) * 256 + minor(st.st_rdev));
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, void *);
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (!real)
        real = (int (*)(int, unsigned long, void *))dlsym(RTLD_NEXT, "ioctl");
    if (request != TIOCMGET && request != TIOCMSET && request != TIOCMBIS && request != TIOCMBIC)
        return real(fd, request, argument);
    const int index = argument ? ptyIndex(fd) : -1;
    if (index < 0)
        return real(fd, request, argument);
    if (!known[index]) {
        known[index] = 1;
        raised[index] = Lines;
    }
    const int bits = *(const int *)argument & Lines;
    switch (request) {
    case TIOCMGET:
        *(int *)argument = raised[index] | TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
        return 0;
    case TIOCMSET: raised[index] = bits; return 0;
    case TIOCMBIS: raised[index] |= bits; return 0;
    default: raised[index] &= ~bits; return 0;
    }
}
