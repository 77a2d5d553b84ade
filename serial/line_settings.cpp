// termios2 lives in <asm/termbits.h>, which cannot be mixed with <termios.h>: this file uses
// only the kernel's definitions.
#include "serial/line_settings.h"
#include "serial/port_holders.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstring>
#include <sys/ioctl.h>

namespace vq830serial {

namespace {

static_assert(sizeof(TtyAttributes::Cc) == NCCS);

bool GetAttributes(int fd, struct termios2& t) { return ioctl(fd, TCGETS2, &t) == 0; }

void ToAttributes(const struct termios2& t, TtyAttributes& a) {
    a.Iflag = t.c_iflag;
    a.Oflag = t.c_oflag;
    a.Cflag = t.c_cflag;
    a.Lflag = t.c_lflag;
    std::memcpy(a.Cc, t.c_cc, NCCS);
    a.InputRate = t.c_ispeed;
    a.OutputRate = t.c_ospeed;
}

void FromAttributes(const TtyAttributes& a, struct termios2& t) {
    t.c_iflag = a.Iflag;
    t.c_oflag = a.Oflag;
    t.c_cflag = a.Cflag;
    t.c_lflag = a.Lflag;
    std::memcpy(t.c_cc, a.Cc, NCCS);
    t.c_ispeed = a.InputRate;
    t.c_ospeed = a.OutputRate;
}

// The kernel's code for a standard rate; BOTHER for any other. Other programs (stty among
// them) only understand the standard codes, so those are used wherever they fit.
tcflag_t RateCode(uint32_t rate) {
    static constexpr struct {
        uint32_t rate;
        tcflag_t code;
    } Codes[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& c : Codes)
        if (c.rate == rate) return c.code;
    return BOTHER;
}

// Applies the attributes and reads back what the driver made of them.
bool SetAndReadBack(int fd, const struct termios2& t, struct termios2& back) {
    return ioctl(fd, TCSETS2, &t) == 0 && GetAttributes(fd, back);
}

// Whether the driver took the attributes as asked.
bool TookSettings(int fd, const struct termios2& asked, const struct termios2& back,
                  uint32_t rate) {
    tcflag_t framing = PARODD | CMSPAR | CSTOPB | CRTSCTS;
    if (!IsPseudoTerminal(fd)) framing |= CSIZE | PARENB;
    if ((back.c_cflag & framing) != (asked.c_cflag & framing)) return false;
    // A UART may report the rate its divisor really gives; within 2 % is what was asked.
    const double ratio = static_cast<double>(back.c_ospeed) / rate;
    return ratio >= 0.98 && ratio <= 1.02;
}

void SetModemLine(int fd, int line, bool on) {
    // A driver without modem lines refuses the call; that is not an error.
    int bits = line;
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

void EncodeLineSettings(const LineSettings& s, TtyAttributes& a) {
    // Raw 8-bit input and output.
    a.Iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IMAXBEL |
                 IUCLC | IGNPAR | INPCK | IXON | IXOFF);
    a.Oflag &= ~OPOST;
    a.Lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    // VMIN 1 with a non-blocking descriptor: an empty queue reads as EAGAIN and a read of
    // 0 bytes means the device hung up.
    a.Cc[VMIN] = 1;
    a.Cc[VTIME] = 0;

    if (s.ParityCheck) a.Iflag |= INPCK;
    if (s.Outx_XonXoffFlow) a.Iflag |= IXON;
    if (s.Inx_XonXoffFlow) a.Iflag |= IXOFF;
    a.Cc[VSTART] = s.XonChar;
    a.Cc[VSTOP] = s.XoffChar;

    a.Cflag &= ~(CBAUD | (CBAUD << IBSHIFT) | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    // The input rate follows the output rate (input code 0).
    a.Cflag |= RateCode(s.BaudRate) | CREAD | CLOCAL;
    a.InputRate = s.BaudRate;
    a.OutputRate = s.BaudRate;

    static constexpr tcflag_t Sizes[] = {CS5, CS6, CS7, CS8};
    a.Cflag |= Sizes[static_cast<int>(s.ByteSize)];
    switch (s.Parity) {
    case TParity::None:
        break;
    case TParity::Odd:
        a.Cflag |= PARENB | PARODD;
        break;
    case TParity::Even:
        a.Cflag |= PARENB;
        break;
    case TParity::Mark:
        a.Cflag |= PARENB | CMSPAR | PARODD;
        break;
    case TParity::Space:
        a.Cflag |= PARENB | CMSPAR;
        break;
    }
    // One and a half stop bits exist only with 5 data bits, where the UART gives them for
    // CSTOPB; with more data bits CSTOPB means two.
    if (s.StopBits != TStopBits::_1) a.Cflag |= CSTOPB;
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake) a.Cflag |= CRTSCTS;
}

bool ReadTtyAttributes(int fd, TtyAttributes& a) {
    struct termios2 t {};
    if (!GetAttributes(fd, t)) return false;
    ToAttributes(t, a);
    return true;
}

bool CanReadLineSettings(int fd) {
    struct termios2 t {};
    return GetAttributes(fd, t);
}

bool ApplyLineSettingsTo(int fd, const LineSettings& s) {
    if (s.BaudRate == 0) return false; // a rate of 0 means "hang up" to a tty
    struct termios2 before {};
    if (!GetAttributes(fd, before)) return false;
    TtyAttributes a;
    ToAttributes(before, a);
    EncodeLineSettings(s, a);
    struct termios2 t {};
    FromAttributes(a, t);
    // The driver may adjust what it cannot do: read back and compare. Settings it did not
    // take are not left half applied: the previous ones are put back.
    struct termios2 back {};
    if (!SetAndReadBack(fd, t, back) || !TookSettings(fd, t, back, s.BaudRate)) {
        (void)ioctl(fd, TCSETS2, &before);
        return false;
    }

    // Line levels. Handshake modes leave RTS to the driver (CRTSCTS); DTR handshake and RTS
    // toggling have no driver counterpart here and keep the line raised.
    SetModemLine(fd, TIOCM_DTR, s.DtrControl != TDtrControl::DtrDisable);
    if (s.RtsControl != TRtsControl::RtsHandshake)
        SetModemLine(fd, TIOCM_RTS, s.RtsControl != TRtsControl::RtsDisable);
    return true;
}

} // namespace vq830serial
