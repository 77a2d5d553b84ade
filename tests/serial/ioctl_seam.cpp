// Only the kernel's definitions: struct termios2 cannot be mixed with <termios.h>.
#include "ioctl_seam.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstdarg>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>

extern "C" int __real_ioctl(int fd, unsigned long request, ...);
extern "C" int __wrap_ioctl(int fd, unsigned long request, ...);

namespace ioctl_seam {
namespace {

std::mutex& Lock() {
    static std::mutex m;
    return m;
}
std::map<dev_t, ModemLines>& Lines() {
    static std::map<dev_t, ModemLines> lines;
    return lines;
}
// The rate the next TCSETS2 gets instead of the one asked for (0: none).
uint32_t& NextRate() {
    static uint32_t rate = 0;
    return rate;
}

bool DeviceOf(int fd, dev_t& dev) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    dev = st.st_rdev;
    return true;
}

void Record(int fd, unsigned long request, int bits) {
    dev_t dev{};
    if (!DeviceOf(fd, dev)) return;
    std::lock_guard lock(Lock());
    ModemLines& l = Lines()[dev];
    auto set = [&](int line, bool& known, bool& level) {
        if (request == TIOCMSET) {
            known = true;
            level = (bits & line) != 0;
        } else if (bits & line) {
            known = true;
            level = request == TIOCMBIS;
        }
    };
    set(TIOCM_DTR, l.DtrKnown, l.Dtr);
    set(TIOCM_RTS, l.RtsKnown, l.Rts);
    if (request != TIOCMBIC && (bits & (TIOCM_DTR | TIOCM_RTS)) != 0) ++l.Raises;
}

int SetAttributes(int fd, const struct termios2* asked) {
    uint32_t rate = 0;
    {
        std::lock_guard lock(Lock());
        std::swap(rate, NextRate());
    }
    if (rate == 0) return __real_ioctl(fd, TCSETS2, asked);
    struct termios2 t = *asked;
    t.c_cflag = (t.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | BOTHER;
    t.c_ospeed = rate;
    return __real_ioctl(fd, TCSETS2, &t);
}

} // namespace

ModemLines LinesOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    std::lock_guard lock(Lock());
    const auto it = Lines().find(st.st_rdev);
    return it == Lines().end() ? ModemLines{} : it->second;
}

void Reset() {
    std::lock_guard lock(Lock());
    Lines().clear();
    NextRate() = 0;
}

void SetNextRate(uint32_t rate) {
    std::lock_guard lock(Lock());
    NextRate() = rate;
}

} // namespace ioctl_seam

extern "C" int __wrap_ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET)
        ioctl_seam::Record(fd, request, *static_cast<const int*>(arg));
    if (request == TCSETS2) return ioctl_seam::SetAttributes(fd, static_cast<termios2*>(arg));
    return __real_ioctl(fd, request, arg);
}
