#include "chip_trace.h"

#include <fstream>
#include <sys/stat.h>

namespace {

// The number after `key` in `line`, in the base the text gives ("0x..." hexadecimal).
bool NumberAfter(const std::string& line, const std::string& key, uint64_t& value) {
    const size_t at = line.find(key);
    if (at == std::string::npos) return false;
    try {
        value = std::stoull(line.substr(at + key.size()), nullptr, 0);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// FTDI SIO_SET_MODEM_CTRL: the low byte holds the lines, the high byte which of them to set.
void FtdiLine(const std::string& line, ChipTrace& trace, ModemLines& state) {
    uint64_t request = 0, value = 0;
    if (line.find("usb_serial_handle_control") != std::string::npos &&
        NumberAfter(line, "got control ", request) && request == 0x4001 &&
        NumberAfter(line, "value ", value)) {
        if (value & 0x100) state.dtr = value & 0x01;
        if (value & 0x200) state.rts = value & 0x02;
        if (((value & 0x100) && (value & 0x01)) || ((value & 0x200) && (value & 0x02)))
            ++trace.raises;
        trace.lines.push_back(state);
    }
    uint64_t rate = 0;
    if (line.find("usb_serial_set_baud") != std::string::npos &&
        NumberAfter(line, "baud rate ", rate))
        trace.rates.push_back(uint32_t(rate));
}

// 16550: the modem control register (offset 4) holds DTR in bit 0 and RTS in bit 1; the
// driver writes it on every change and again after each change of the line settings.
void UartLine(const std::string& line, ChipTrace& trace, ModemLines& state) {
    uint64_t addr = 0, value = 0;
    if (line.find("serial_write") != std::string::npos && NumberAfter(line, "addr ", addr) &&
        addr == 4 && NumberAfter(line, "val ", value)) {
        const ModemLines now{(value & 0x01) != 0, (value & 0x02) != 0};
        if ((now.dtr && !state.dtr) || (now.rts && !state.rts)) ++trace.raises;
        state = now;
        trace.lines.push_back(state);
    }
    uint64_t rate = 0;
    if (line.find("serial_update_parameters") != std::string::npos &&
        NumberAfter(line, "baudrate=", rate))
        trace.rates.push_back(uint32_t(rate));
}

} // namespace

bool ChipFromName(const std::string& name, Chip& chip) {
    if (name == "ftdi")
        chip = Chip::Ftdi;
    else if (name == "uart")
        chip = Chip::Uart;
    else
        return false;
    return true;
}

std::string ToString(const ModemLines& lines) {
    return std::string("DTR=") + (lines.dtr ? "1" : "0") + " RTS=" + (lines.rts ? "1" : "0");
}

ChipTrace ReadChipTrace(const std::string& path, uint64_t offset, Chip chip) {
    ChipTrace trace;
    std::ifstream in(path);
    ModemLines state;
    ChipTrace before; // the lines' state when the window opens comes from what went before
    std::string line;
    uint64_t at = 0;
    while (std::getline(in, line)) {
        const bool counted = at >= offset;
        at += line.size() + 1;
        ChipTrace& into = counted ? trace : before;
        if (chip == Chip::Ftdi)
            FtdiLine(line, into, state);
        else
            UartLine(line, into, state);
    }
    return trace;
}

uint64_t TraceSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}
