// termios2 lives in <asm/termbits.h>, which cannot be mixed with <termios.h>: this file uses
// only the kernel's definitions.
#include "sim/tty_line.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace vq830::sim {

std::optional<TtyLine> ReadTtyLine(int masterFd) {
    struct termios2 t {};
    if (ioctl(masterFd, TCGETS2, &t) != 0) return std::nullopt;
    return TtyLine{t.c_ospeed, (t.c_cflag & CSTOPB) != 0};
}

} // namespace vq830::sim
