// termios2 lives in <asm/termbits.h>, which cannot be mixed with <termios.h>: this file uses
// only the kernel's definitions.
#include "serial/line_settings.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
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
    a.Cflag |= BOTHER | (BOTHER << IBSHIFT) | CREAD | CLOCAL;
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
    TtyAttributes a;
    if (!ReadTtyAttributes(fd, a)) return false;
    EncodeLineSettings(s, a);
    struct termios2 t {};
    FromAttributes(a, t);
    if (ioctl(fd, TCSETS2, &t) != 0) return false;

    // The driver may adjust what it cannot do: read back and compare.
    struct termios2 back {};
    if (!GetAttributes(fd, back)) return false;
    tcflag_t framing = PARODD | CMSPAR | CSTOPB | CRTSCTS;
    if (!IsPseudoTerminal(fd)) framing |= CSIZE | PARENB;
    if ((back.c_cflag & framing) != (t.c_cflag & framing)) return false;
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
