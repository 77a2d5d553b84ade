// termios2 lives in <asm/termbits.h>, which cannot be mixed with <termios.h>: this file uses
// only the kernel's definitions.
#include "serial/line_settings.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace vq830serial {

namespace {

bool GetAttributes(int fd, struct termios2& t) { return ioctl(fd, TCGETS2, &t) == 0; }

// The c_cflag bits that describe the framing asked for; compared after reading back.
constexpr tcflag_t FramingBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

void SetModemLine(int fd, int line, bool on) {
    // A driver without modem lines refuses the call; that is not an error.
    int bits = line;
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

bool CanReadLineSettings(int fd) {
    struct termios2 t {};
    return GetAttributes(fd, t);
}

bool ApplyLineSettingsTo(int fd, const LineSettings& s) {
    struct termios2 t {};
    if (!GetAttributes(fd, t)) return false;

    // Raw 8-bit input and output; other fields (such as the remaining control characters)
    // keep the values the tty has.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IMAXBEL |
                   IUCLC | IGNPAR | INPCK | IXON | IXOFF);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    // VMIN 1 with a non-blocking descriptor: an empty queue reads as EAGAIN and a read of
    // 0 bytes means the device hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (s.ParityCheck) t.c_iflag |= INPCK;
    if (s.Outx_XonXoffFlow) t.c_iflag |= IXON;
    if (s.Inx_XonXoffFlow) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = s.XonChar;
    t.c_cc[VSTOP] = s.XoffChar;

    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT) | FramingBits);
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT) | CREAD | CLOCAL;
    t.c_ispeed = s.BaudRate;
    t.c_ospeed = s.BaudRate;

    static constexpr tcflag_t Sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= Sizes[static_cast<int>(s.ByteSize)];
    switch (s.Parity) {
    case TParity::None:
        break;
    case TParity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case TParity::Even:
        t.c_cflag |= PARENB;
        break;
    case TParity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case TParity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // One and a half stop bits exist only with 5 data bits, where the UART gives them for
    // CSTOPB; with more data bits CSTOPB means two.
    if (s.StopBits != TStopBits::_1) t.c_cflag |= CSTOPB;
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake) t.c_cflag |= CRTSCTS;

    if (s.BaudRate == 0) return false; // a rate of 0 means "hang up" to a tty
    if (ioctl(fd, TCSETS2, &t) != 0) return false;

    // The driver may adjust what it cannot do: read back and compare.
    struct termios2 back {};
    if (!GetAttributes(fd, back)) return false;
    const tcflag_t want = t.c_cflag & FramingBits;
    if ((back.c_cflag & FramingBits) != want) return false;
    // A UART may report the rate its divisor really gives; within 2 % is what was asked.
    const double ratio = static_cast<double>(back.c_ospeed) / s.BaudRate;
    if (ratio < 0.98 || ratio > 1.02) return false;

    // Line levels. Handshake modes leave RTS to the driver (CRTSCTS); DTR handshake and RTS
    // toggling have no driver counterpart here and keep the line raised.
    SetModemLine(fd, TIOCM_DTR, s.DtrControl != TDtrControl::DtrDisable);
    if (s.RtsControl != TRtsControl::RtsHandshake)
        SetModemLine(fd, TIOCM_RTS, s.RtsControl != TRtsControl::RtsDisable);
    return true;
}

} // namespace vq830serial
