// Applying a TComm's line settings to a tty. Kept apart from <termios.h> users: the
// implementation works with struct termios2, which clashes with that header.
#pragma once

#include <cstdint>

#include "serial/comm.h"

namespace vq830serial {

// A tty's attributes in the kernel's encoding (the fields of struct termios2), so that code
// that cannot include the kernel's headers can look at them.
struct TtyAttributes {
    uint32_t Iflag = 0;
    uint32_t Oflag = 0;
    uint32_t Cflag = 0;
    uint32_t Lflag = 0;
    uint8_t Cc[19] = {};
    uint32_t InputRate = 0;
    uint32_t OutputRate = 0;
};

// Turns `a` (the tty's current attributes) into raw mode with the given settings. Fields the
// settings do not name keep their values.
void EncodeLineSettings(const LineSettings& s, TtyAttributes& a);

// Reads a tty's attributes; false if fd is no tty.
bool ReadTtyAttributes(int fd, TtyAttributes& a);

// Reads the tty's current attributes (fails when fd is no tty the kernel can describe).
bool CanReadLineSettings(int fd);

// Puts the tty in raw mode with the given settings and sets the DTR and RTS levels. Returns
// false when the driver rejects the attributes or reports back a different rate or framing.
// A pseudo-terminal has no framing (the kernel keeps it at 8 bits without parity), so there
// only the rate and the remaining bits are compared. A driver without modem lines (a
// pseudo-terminal) is not an error.
bool ApplyLineSettingsTo(int fd, const LineSettings& s);

} // namespace vq830serial
