// A seam over ioctl for tests linked with -Wl,--wrap=ioctl (target vq830_ioctl_seam).
//
// Pseudo-terminals have no modem lines and refuse the calls that set them, so a test cannot see
// DTR and RTS on the tty itself: the seam records what the program asked for. It can also play
// a driver that adjusts attributes it cannot do.
#pragma once

#include <cstdint>
#include <string>

namespace ioctl_seam {

struct ModemLines {
    bool DtrKnown = false, Dtr = false;
    bool RtsKnown = false, Rts = false;
    int Raises = 0; // calls that asked for DTR or RTS high
};

// The DTR and RTS levels last asked for (TIOCMBIS, TIOCMBIC, TIOCMSET) on the tty at `path`,
// through any descriptor.
ModemLines LinesOf(const std::string& path);

// Forgets every recorded level.
void Reset();

// The next TCSETS2 sets `rate` instead of the rate asked for, as a driver that cannot give the
// asked rate would. Applies once.
void SetNextRate(uint32_t rate);

} // namespace ioctl_seam
