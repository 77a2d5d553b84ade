// termios2 lives in <asm/termbits.h>, which cannot be mixed with <termios.h>.
#include "tty_readback.h"

#include <asm/termbits.h>
#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <sys/ioctl.h>
#include <unistd.h>

uint32_t OutputRate(int fd) {
    struct termios2 t {};
    return ioctl(fd, TCGETS2, &t) == 0 ? t.c_ospeed : 0;
}

int ModemBits(int fd) {
    int bits = 0;
    return ioctl(fd, TIOCMGET, &bits) == 0 ? bits : -1;
}

bool DtrOf(int bits) { return bits >= 0 && (bits & TIOCM_DTR); }
bool RtsOf(int bits) { return bits >= 0 && (bits & TIOCM_RTS); }

int OwnDescriptorOf(const std::string& path) {
    char device[PATH_MAX];
    if (!realpath(path.c_str(), device)) return -1;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int found = -1;
    while (const dirent* entry = readdir(dir)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[PATH_MAX];
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = '\0';
        if (std::string(target) == device) {
            found = std::atoi(entry->d_name);
            break;
        }
    }
    closedir(dir);
    return found;
}
