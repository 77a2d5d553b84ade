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
    LastCounts = ic;
}

uint32_t TReadThread::NewLineErrors() {
    if (!HaveCounts) return 0;
    serial_icounter_struct ic{};
    if (ioctl(Ctx->Device, TIOCGICOUNT, &ic) != 0) return 0;
    uint32_t flags = 0;
    if (ic.buf_overrun != LastCounts.buf_overrun) flags |= CE_RXOVER;
    if (ic.overrun != LastCounts.overrun) flags |= CE_OVERRUN;
    if (ic.parity != LastCounts.parity) flags |= CE_RXPARITY;
    if (ic.frame != LastCounts.frame) flags |= CE_FRAME;
    if (ic.brk != LastCounts.brk) flags |= CE_BREAK;
    LastCounts = ic;
    return flags;
}

} // namespace vq830serial
