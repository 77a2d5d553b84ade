#include "session/quiet_open.h"

void PrepareQuietOpen(TComm& comm, const std::string& path, uint32_t baud, TParity parity,
                      TStopBits stop) {
    comm.SetCommName(path);
    comm.SetBaudRate(baud);
    comm.SetParity(parity);
    comm.SetStopBits(stop);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    // Set before opening, so that the opening leaves both lines low: the kernel raises them on
    // any open, but nothing of ours raises them again.
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
}
