#include "serial/comm.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "serial/comm_threads.h"
#include "serial/line_settings.h"

using vq830serial::PortContext;
using vq830serial::TReadThread;
using vq830serial::TWriteThread;

namespace {

// Gives up the exclusive hold on a tty and closes it. TIOCEXCL outlives close on a
// pseudo-terminal, so it is cleared first; pending output is discarded so that close does not
// wait for a stuck line to drain.
void ReleaseDevice(int fd) {
    (void)ioctl(fd, TIOCNXCL);
    (void)tcflush(fd, TCIOFLUSH);
    close(fd);
}

} // namespace

TComm::TComm(std::shared_ptr<NotifySink> sink)
    : Sink(std::move(sink)), Alive(std::make_shared<TComm*>(this)) {}

TComm::~TComm() {
    ClosePort();
    Alive.reset(); // queued notifications find no owner from here on
}

void TComm::OpenPort() {
    if (DeviceHandle >= 0) throw ECommsError(CommsErrorText::AlreadyOpened);

    const int fd = open(FCommName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw ECommsError(CommsErrorText::OpenFailed);
    if (!isatty(fd)) {
        close(fd);
        throw ECommsError(CommsErrorText::NotCommHandle);
    }
    // Exclusive use: flock binds every process (TIOCEXCL does not bind root), TIOCEXCL also
    // keeps programs that do not take locks from opening the port.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        throw ECommsError(CommsErrorText::OpenFailed);
    }
    (void)ioctl(fd, TIOCEXCL);
    if (!vq830serial::CanReadLineSettings(fd)) {
        ReleaseDevice(fd);
        throw ECommsError(CommsErrorText::SetupFailed);
    }

    DeviceHandle = fd;
    (void)tcflush(fd, TCIOFLUSH); // bytes received before the open are discarded

    ApplyTimeouts();
    if (!ApplyLineSettings()) {
        DeviceHandle = -1;
        ReleaseDevice(fd);
        throw ECommsError(CommsErrorText::LineSettingsFailed);
    }

    const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int wakeFd = stopFd >= 0 ? eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1;
    if (wakeFd < 0) {
        if (stopFd >= 0) close(stopFd);
        DeviceHandle = -1;
        ReleaseDevice(fd);
        throw ECommsError(CommsErrorText::EventFailed);
    }
    Context = std::make_shared<PortContext>(fd, stopFd, wakeFd, Sink, Alive);
    if (!Context->CreateWaiters()) {
        CloseHandles();
        throw ECommsError(CommsErrorText::EventFailed);
    }
    Context->ReadIntervalTimeout = FReadIntervalTimeout;
    Context->ReadTotalTimeoutMultiplier = FReadTotalTimeoutMultiplier;
    Context->ReadTotalTimeoutConstant = FReadTotalTimeoutConstant;
    Context->WriteTotalTimeoutMultiplier = FWriteTotalTimeoutMultiplier;
    Context->WriteTotalTimeoutConstant = FWriteTotalTimeoutConstant;
    Context->IgnoreNullChar = FIgnoreNullChar;

    try {
        Reader = std::make_unique<TReadThread>(Context);
        Reader->Start();
    } catch (...) {
        Reader.reset();
        CloseHandles();
        throw ECommsError(CommsErrorText::ReadThreadFailed);
    }
    try {
        Writer = std::make_unique<TWriteThread>(Context);
        Writer->Start();
    } catch (...) {
        Writer.reset();
        StopReader();
        CloseHandles();
        throw ECommsError(CommsErrorText::WriteThreadFailed);
    }
}

void TComm::CloseHandles() {
    if (Context) {
        close(Context->StopFd);
        close(Context->WakeFd);
        Context.reset();
    }
    if (DeviceHandle >= 0) {
        ReleaseDevice(DeviceHandle);
        DeviceHandle = -1;
    }
}

void TComm::ClosePort() {
    if (DeviceHandle < 0) return;
    StopReader();
    StopWriter();
    CloseHandles();
}

void TComm::StopReader() {
    if (!Reader) return;
    Context->RequestStop();
    (void)tcflush(DeviceHandle, TCIFLUSH);
    Reader->Join();
    Reader.reset();
}

void TComm::StopWriter() {
    if (!Writer) return;
    Context->RequestStop();
    (void)tcflush(DeviceHandle, TCOFLUSH); // unsent data is discarded
    Context->SendQueueEmpty.store(true);
    Writer->Join();
    Writer.reset();
}

bool TComm::SendBytes(const void* Buffer, size_t Length) {
    if (!Writer || Length == 0) return false;
    // The copy carries one zero byte after the data, which is not sent.
    const auto* bytes = static_cast<const uint8_t*>(Buffer);
    std::vector<uint8_t> block;
    block.reserve(Length + 1);
    block.assign(bytes, bytes + Length);
    block.push_back(0);
    {
        std::lock_guard lock(Context->QueueMutex);
        if (Context->WriterEnded || Context->Queue.size() >= MaxQueuedBuffers) return false;
        Context->Queue.push_back(std::move(block));
        Context->SendQueueEmpty.store(false);
    }
    const uint64_t one = 1;
    (void)!write(Context->WakeFd, &one, sizeof one);
    return true;
}

bool TComm::SendQueueEmpty() const { return Context ? Context->SendQueueEmpty.load() : true; }

bool TComm::ApplyLineSettings() {
    vq830serial::LineSettings s;
    s.BaudRate = FBaudRate;
    s.ParityCheck = FParityCheck;
    s.Outx_CtsFlow = FOutx_CtsFlow;
    s.Outx_DsrFlow = FOutx_DsrFlow;
    s.DtrControl = FDtrControl;
    s.DsrSensitivity = FDsrSensitivity;
    s.TxContinueOnXoff = FTxContinueOnXoff;
    s.Outx_XonXoffFlow = FOutx_XonXoffFlow;
    s.Inx_XonXoffFlow = FInx_XonXoffFlow;
    s.ReplaceWhenParityError = FReplaceWhenParityError;
    s.IgnoreNullChar = FIgnoreNullChar;
    s.RtsControl = FRtsControl;
    s.XonLimit = FXonLimit;
    s.XoffLimit = FXoffLimit;
    s.ByteSize = FByteSize;
    s.Parity = FParity;
    s.StopBits = FStopBits;
    s.XonChar = FXonChar;
    s.XoffChar = FXoffChar;
    s.ReplacedChar = FReplacedChar;
    ++FLineSettingsApplied;
    if (Context) Context->IgnoreNullChar = FIgnoreNullChar;
    return vq830serial::ApplyLineSettingsTo(DeviceHandle, s);
}

void TComm::ApplyTimeouts() {
    ++FTimeoutsApplied;
    if (!Context) return; // OpenPort hands them to the threads when it creates them
    Context->ReadIntervalTimeout = FReadIntervalTimeout;
    Context->ReadTotalTimeoutMultiplier = FReadTotalTimeoutMultiplier;
    Context->ReadTotalTimeoutConstant = FReadTotalTimeoutConstant;
    Context->WriteTotalTimeoutMultiplier = FWriteTotalTimeoutMultiplier;
    Context->WriteTotalTimeoutConstant = FWriteTotalTimeoutConstant;
}

// Line-setting properties: stored, then (while open) the whole set is applied again. A
// setting the driver refuses is not reported here.
template <typename T> void TComm::SetLine(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    if (DeviceHandle >= 0) (void)ApplyLineSettings();
}

template <typename T> void TComm::SetTimeout(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    if (DeviceHandle >= 0) ApplyTimeouts();
}

void TComm::SetCommName(std::string Value) { FCommName = std::move(Value); }
void TComm::SetParity(TParity Value) { FParity = Value; }

void TComm::SetBaudRate(uint32_t Value) { SetLine(FBaudRate, Value); }
void TComm::SetParityCheck(bool Value) { SetLine(FParityCheck, Value); }
void TComm::SetOutx_CtsFlow(bool Value) { SetLine(FOutx_CtsFlow, Value); }
void TComm::SetOutx_DsrFlow(bool Value) { SetLine(FOutx_DsrFlow, Value); }
void TComm::SetDtrControl(TDtrControl Value) { SetLine(FDtrControl, Value); }
void TComm::SetDsrSensitivity(bool Value) { SetLine(FDsrSensitivity, Value); }
void TComm::SetTxContinueOnXoff(bool Value) { SetLine(FTxContinueOnXoff, Value); }
void TComm::SetOutx_XonXoffFlow(bool Value) { SetLine(FOutx_XonXoffFlow, Value); }
void TComm::SetInx_XonXoffFlow(bool Value) { SetLine(FInx_XonXoffFlow, Value); }
void TComm::SetReplaceWhenParityError(bool Value) { SetLine(FReplaceWhenParityError, Value); }
void TComm::SetIgnoreNullChar(bool Value) { SetLine(FIgnoreNullChar, Value); }
void TComm::SetRtsControl(TRtsControl Value) { SetLine(FRtsControl, Value); }
void TComm::SetXonLimit(uint16_t Value) { SetLine(FXonLimit, Value); }
void TComm::SetXoffLimit(uint16_t Value) { SetLine(FXoffLimit, Value); }
void TComm::SetByteSize(TByteSize Value) { SetLine(FByteSize, Value); }
void TComm::SetStopBits(TStopBits Value) { SetLine(FStopBits, Value); }
void TComm::SetXonChar(uint8_t Value) { SetLine(FXonChar, Value); }
void TComm::SetXoffChar(uint8_t Value) { SetLine(FXoffChar, Value); }
void TComm::SetReplacedChar(uint8_t Value) { SetLine(FReplacedChar, Value); }

void TComm::SetReadIntervalTimeout(uint32_t Value) { SetTimeout(FReadIntervalTimeout, Value); }
void TComm::SetReadTotalTimeoutMultiplier(uint32_t Value) {
    SetTimeout(FReadTotalTimeoutMultiplier, Value);
}
void TComm::SetReadTotalTimeoutConstant(uint32_t Value) {
    SetTimeout(FReadTotalTimeoutConstant, Value);
}
void TComm::SetWriteTotalTimeoutMultiplier(uint32_t Value) {
    SetTimeout(FWriteTotalTimeoutMultiplier, Value);
}
void TComm::SetWriteTotalTimeoutConstant(uint32_t Value) {
    SetTimeout(FWriteTotalTimeoutConstant, Value);
}
