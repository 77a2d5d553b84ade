// The receive thread's line-error counters: the driver's counts (TIOCGICOUNT) remembered,
// and the errors counted since turned into line-error flags.
#include "serial/comm_threads_linux.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace vq830serial {

void TReadThread::RememberLineCounts() {
    serial_icounter_struct ic{};
    if (ioctl(Ctx->Device, TIOCGICOUNT, &ic) != 0) return;
    HaveCounts = true;
    LastFrame = ic.frame;
    LastParity = ic.parity;
    LastOverrun = ic.overrun;
    LastBufOverrun = ic.buf_overrun;
    LastBreak = ic.brk;
}

uint32_t TReadThread::NewLineErrors() {
    if (!HaveCounts) return 0;
    serial_icounter_struct ic{};
    if (ioctl(Ctx->Device, TIOCGICOUNT, &ic) != 0) return 0;
    uint32_t flags = 0;
    if (ic.buf_overrun != LastBufOverrun) flags |= CE_RXOVER;
    if (ic.overrun != LastOverrun) flags |= CE_OVERRUN;
    if (ic.parity != LastParity) flags |= CE_RXPARITY;
    if (ic.frame != LastFrame) flags |= CE_FRAME;
    if (ic.brk != LastBreak) flags |= CE_BREAK;
    LastFrame = ic.frame;
    LastParity = ic.parity;
    LastOverrun = ic.overrun;
    LastBufOverrun = ic.buf_overrun;
    LastBreak = ic.brk;
    return flags;
}

} // namespace vq830serial
