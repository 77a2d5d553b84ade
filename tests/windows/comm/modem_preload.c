/* Preloaded into wine only (tests/windows/wine.sh): answers the modem-line requests on
 * pseudo-terminals, which have no modem lines. Wine asks for the lines (TIOCMGET) while a
 * program waits for comm events and aborts the wait when that fails; setting DTR or RTS
 * (TIOCMSET, TIOCMBIS, TIOCMBIC) fails the same way. Here a pty slave reports DSR, CTS and
 * carrier as present and takes line changes without effect. Every other request, and these
 * on any other device, go to the real ioctl unchanged. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static int is_pty_slave(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143; /* Unix98 pty slaves */
}

static int is_modem_request(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

int ioctl(int fd, unsigned long request, ...) {
    static ioctl_fn real;
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (!real) real = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    const int saved = errno;
    const int r = real(fd, request, arg);
    if (r == 0 || !is_modem_request(request) || !is_pty_slave(fd)) return r;
    if (request == TIOCMGET) *(int*)arg = TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
    errno = saved;
    return 0;
}
