// drivers_probe: what the kernel's serial drivers and the emulated chips made of the tool's
// port settings, for the driver checks.
//   drivers_probe baud DEVICE RATE       open DEVICE with the tool's port object at RATE and
//                                        print the rate the driver holds (TCGETS2 through the
//                                        port object's own descriptor), or why it refused
//   drivers_probe rate DEVICE            the rate the driver holds now (a plain open)
//   drivers_probe trace LOG OFFSET CHIP  the chip's modem-line states, raises and rates in
//                                        QEMU's trace log from OFFSET on (CHIP ftdi or uart)
//   drivers_probe size LOG               the trace log's size now
#include "chip_trace.h"
#include "serial/comm.h"
#include "serial/notify.h"
#include "tty_readback.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

int Baud(const std::string& device, uint32_t rate) {
    TComm comm(std::make_shared<QueueNotifySink>());
    comm.SetCommName(device);
    comm.SetBaudRate(rate);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        std::printf("refused: %s\n", e.what());
        return 1;
    }
    const int fd = OwnDescriptorOf(device);
    std::printf("driver %u\n", fd < 0 ? 0 : OutputRate(fd));
    comm.ClosePort();
    return 0;
}

int Rate(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror(device.c_str());
        return 1;
    }
    std::printf("driver %u\n", OutputRate(fd));
    close(fd);
    return 0;
}

int Trace(const std::string& log, uint64_t offset, Chip chip) {
    const ChipTrace trace = ReadChipTrace(log, offset, chip);
    std::printf("raises %d\nlines", trace.raises);
    for (const ModemLines& lines : trace.lines)
        std::printf(" [%s]", ToString(lines).c_str());
    std::printf("\nrates");
    for (const uint32_t rate : trace.rates)
        std::printf(" %u", rate);
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    Chip chip{};
    if (command == "baud" && argc == 4) return Baud(argv[2], uint32_t(std::stoul(argv[3])));
    if (command == "rate" && argc == 3) return Rate(argv[2]);
    if (command == "trace" && argc == 5 && ChipFromName(argv[4], chip))
        return Trace(argv[2], std::stoull(argv[3]), chip);
    if (command == "size" && argc == 3) {
        std::printf("%llu\n", static_cast<unsigned long long>(TraceSize(argv[2])));
        return 0;
    }
    std::fprintf(stderr, "usage: drivers_probe baud DEVICE RATE | rate DEVICE | "
                         "trace LOG OFFSET ftdi|uart | size LOG\n");
    return 2;
}
