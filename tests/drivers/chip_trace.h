#pragma once
// What reached the emulated chips, read from QEMU's trace log (the events usb_serial_* of the
// FTDI adapter and serial_* of the 16550 UART, one per line).
#include <cstdint>
#include <string>
#include <vector>

enum class Chip { Ftdi, Uart };
bool ChipFromName(const std::string& name, Chip& chip); // "ftdi" or "uart"

struct ModemLines {
    bool dtr = false;
    bool rts = false;
    bool operator==(const ModemLines&) const = default;
};
std::string ToString(const ModemLines& lines); // "DTR=1 RTS=0"

struct ChipTrace {
    // The state of DTR and RTS after each request that set them, in order.
    std::vector<ModemLines> lines;
    // Requests that drove DTR or RTS high (for the FTDI each such request reaches the chip,
    // even when the line already was high).
    int raises = 0;
    // Each rate the chip was programmed with, in order (the FTDI's from its divisor).
    std::vector<uint32_t> rates;
};

// The trace log's lines from byte `offset` on, for one chip.
ChipTrace ReadChipTrace(const std::string& path, uint64_t offset, Chip chip);
// The log's size now: the offset from which a later read sees only what follows.
uint64_t TraceSize(const std::string& path);
