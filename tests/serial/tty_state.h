// What a tty's attributes say, decoded with the kernel's own definitions (kept apart from
// <termios.h>).
#pragma once

#include <cstdint>

#include "serial/line_settings.h"

struct TtyState {
    bool Ok = false;
    uint32_t OutputRate = 0;
    uint32_t InputRate = 0;
    int DataBits = 0;
    char Parity = '?';     // N, O, E, M (mark), S (space)
    bool OddBit = false;   // PARODD, kept by every tty
    bool StickBit = false; // CMSPAR, kept by every tty
    int StopBits = 0;      // 1 or 2
    bool HardwareFlow = false;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool ParityCheck = false;
    bool Raw = false; // no canonical mode, echo, signals or output processing
    uint8_t StartChar = 0;
    uint8_t StopChar = 0;
};

// Reads the tty's attributes with TCGETS2.
TtyState ReadTtyState(int fd);
// Decodes attributes prepared for a tty.
TtyState DecodeAttributes(const vq830serial::TtyAttributes& a);
// Whether pseudo-terminals on this kernel keep data bits and parity (newer kernels force
// 8 bits without parity on them).
bool PtyKeepsFraming();
