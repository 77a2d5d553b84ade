#include "tty_state.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "pty/pty_pair.h"

namespace {
TtyState Decode(tcflag_t iflag, tcflag_t oflag, tcflag_t cflag, tcflag_t lflag, const cc_t* cc,
                speed_t ispeed, speed_t ospeed) {
    TtyState s;
    s.Ok = true;
    s.OutputRate = ospeed;
    s.InputRate = ispeed;
    switch (cflag & CSIZE) {
    case CS5:
        s.DataBits = 5;
        break;
    case CS6:
        s.DataBits = 6;
        break;
    case CS7:
        s.DataBits = 7;
        break;
    default:
        s.DataBits = 8;
        break;
    }
    s.OddBit = (cflag & PARODD) != 0;
    s.StickBit = (cflag & CMSPAR) != 0;
    if (!(cflag & PARENB))
        s.Parity = 'N';
    else if (s.StickBit)
        s.Parity = s.OddBit ? 'M' : 'S';
    else
        s.Parity = s.OddBit ? 'O' : 'E';
    s.StopBits = (cflag & CSTOPB) ? 2 : 1;
    s.HardwareFlow = (cflag & CRTSCTS) != 0;
    s.XonXoffOut = (iflag & IXON) != 0;
    s.XonXoffIn = (iflag & IXOFF) != 0;
    s.ParityCheck = (iflag & INPCK) != 0;
    s.Raw = !(lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(oflag & OPOST) &&
            !(iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) && cc[VMIN] == 1 && cc[VTIME] == 0;
    s.StartChar = cc[VSTART];
    s.StopChar = cc[VSTOP];
    return s;
}
} // namespace

TtyState ReadTtyState(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return TtyState{};
    return Decode(t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, t.c_cc, t.c_ispeed, t.c_ospeed);
}

TtyState DecodeAttributes(const vq830serial::TtyAttributes& a) {
    return Decode(a.Iflag, a.Oflag, a.Cflag, a.Lflag, a.Cc, a.InputRate, a.OutputRate);
}

bool PtyKeepsFraming() {
    PtyPair pty;
    struct termios2 t {};
    if (ioctl(pty.SlaveFd(), TCGETS2, &t) != 0) return false;
    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB;
    if (ioctl(pty.SlaveFd(), TCSETS2, &t) != 0) return false;
    struct termios2 back {};
    if (ioctl(pty.SlaveFd(), TCGETS2, &back) != 0) return false;
    return (back.c_cflag & CSIZE) == CS7 && (back.c_cflag & PARENB);
}
