// What the tool's side of a pseudo-terminal is set to, as the device's end of the line sees it.
#pragma once

#include <cstdint>
#include <optional>

namespace vq830::sim {

struct TtyLine {
    std::uint32_t rate = 0; // bits per second that the slave side sends at
    bool twoStopBits = false;
};

// The slave side's output rate and stop bits, read from the master descriptor: Linux answers a
// master's TCGETS2 with its slave's settings, and TCGETS2 gives the exact rate, also one set
// without a standard rate code. Empty when the descriptor is not a terminal. There is no parity
// to read: a pseudo-terminal clears PARENB from whatever it is given.
std::optional<TtyLine> ReadTtyLine(int masterFd);

} // namespace vq830::sim
