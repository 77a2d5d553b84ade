// What TComm does the same on every platform: construction, the order of an opening,
// starting the two port threads, closing and the property setters. Opening the device,
// stopping the threads, sending and applying settings to a device live in comm_linux.cpp and
// comm_win32.cpp.
#include "serial/comm.h"

// The thread types, complete for the members' destruction.
#ifdef _WIN32
#include "serial/comm_threads_win32.h"
#else
#include "serial/comm_threads_linux.h"
#endif

TComm::TComm(std::shared_ptr<NotifySink> sink)
    : Sink(std::move(sink)), Alive(std::make_shared<TComm*>(this)) {}

TComm::~TComm() {
    ClosePort();
    Alive.reset(); // queued notifications find no owner from here on
}

void TComm::OpenPort() {
    if (IsOpen()) throw ECommsError(CommsErrorText::AlreadyOpened);
    FLastOpenErrno = 0;
    OpenDeviceHandle();
    try {
        StartPort();
    } catch (...) {
        StopReader();
        StopWriter();
        CloseHandles();
        throw;
    }
}

// The last step of an opening: the receive thread, then the transmit thread.
void TComm::StartThreads() {
    try {
        Reader = std::make_unique<vq830serial::TReadThread>(Context);
        Reader->Start();
    } catch (...) {
        Reader.reset();
        throw ECommsError(CommsErrorText::ReadThreadFailed);
    }
    try {
        Writer = std::make_unique<vq830serial::TWriteThread>(Context);
        Writer->Start();
    } catch (...) {
        Writer.reset();
        throw ECommsError(CommsErrorText::WriteThreadFailed);
    }
}

void TComm::ClosePort() {
    if (!IsOpen()) return;
    StopReader();
    StopWriter();
    CloseHandles();
}

// Line-setting properties: stored, then (while open) the whole set is applied again. A
// setting the driver refuses is not reported here.
template <typename T> void TComm::SetLine(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    if (IsOpen()) (void)ApplyLineSettings();
}

template <typename T> void TComm::SetTimeout(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    if (IsOpen()) ApplyTimeouts();
}

void TComm::SetCommName(std::string Value) { FCommName = std::move(Value); }
void TComm::SetParity(TParity Value) { FLine.Parity = Value; }

void TComm::SetBaudRate(uint32_t Value) { SetLine(FLine.BaudRate, Value); }
void TComm::SetParityCheck(bool Value) { SetLine(FLine.ParityCheck, Value); }
void TComm::SetOutx_CtsFlow(bool Value) { SetLine(FLine.Outx_CtsFlow, Value); }
void TComm::SetOutx_DsrFlow(bool Value) { SetLine(FLine.Outx_DsrFlow, Value); }
void TComm::SetDtrControl(TDtrControl Value) { SetLine(FLine.DtrControl, Value); }
void TComm::SetDsrSensitivity(bool Value) { SetLine(FLine.DsrSensitivity, Value); }
void TComm::SetTxContinueOnXoff(bool Value) { SetLine(FLine.TxContinueOnXoff, Value); }
void TComm::SetOutx_XonXoffFlow(bool Value) { SetLine(FLine.Outx_XonXoffFlow, Value); }
void TComm::SetInx_XonXoffFlow(bool Value) { SetLine(FLine.Inx_XonXoffFlow, Value); }
void TComm::SetReplaceWhenParityError(bool Value) { SetLine(FLine.ReplaceWhenParityError, Value); }
void TComm::SetIgnoreNullChar(bool Value) { SetLine(FLine.IgnoreNullChar, Value); }
void TComm::SetRtsControl(TRtsControl Value) { SetLine(FLine.RtsControl, Value); }
void TComm::SetXonLimit(uint16_t Value) { SetLine(FLine.XonLimit, Value); }
void TComm::SetXoffLimit(uint16_t Value) { SetLine(FLine.XoffLimit, Value); }
void TComm::SetByteSize(TByteSize Value) { SetLine(FLine.ByteSize, Value); }
void TComm::SetStopBits(TStopBits Value) { SetLine(FLine.StopBits, Value); }
void TComm::SetXonChar(uint8_t Value) { SetLine(FLine.XonChar, Value); }
void TComm::SetXoffChar(uint8_t Value) { SetLine(FLine.XoffChar, Value); }
void TComm::SetReplacedChar(uint8_t Value) { SetLine(FLine.ReplacedChar, Value); }

void TComm::SetReadIntervalTimeout(uint32_t Value) {
    SetTimeout(FTimeouts.ReadIntervalTimeout, Value);
}
void TComm::SetReadTotalTimeoutMultiplier(uint32_t Value) {
    SetTimeout(FTimeouts.ReadTotalTimeoutMultiplier, Value);
}
void TComm::SetReadTotalTimeoutConstant(uint32_t Value) {
    SetTimeout(FTimeouts.ReadTotalTimeoutConstant, Value);
}
void TComm::SetWriteTotalTimeoutMultiplier(uint32_t Value) {
    SetTimeout(FTimeouts.WriteTotalTimeoutMultiplier, Value);
}
void TComm::SetWriteTotalTimeoutConstant(uint32_t Value) {
    SetTimeout(FTimeouts.WriteTotalTimeoutConstant, Value);
}
