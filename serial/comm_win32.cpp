// TComm on Windows: a COM port opened with CreateFile for overlapped I/O, a manual-reset stop
// event, settings through the device control block (DCB) and COMMTIMEOUTS.
#include "serial/comm.h"

#include "serial/comm_threads_win32.h"

using vq830serial::PortContext;
using vq830serial::TReadThread;
using vq830serial::TWriteThread;

namespace {

// Raises `message` after storing the system error behind it.
[[noreturn]] void Refuse(int& error, DWORD code, const char* message) {
    error = static_cast<int>(code);
    throw ECommsError(message);
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// Opens the port exclusively (share mode 0) for overlapped I/O and checks that it is a comm
// device; `error` receives GetLastError() of a refusal.
UniqueHandle OpenDevice(const std::string& name, int& error) {
    UniqueHandle device(CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED,
                                    nullptr));
    if (!device.Valid()) Refuse(error, GetLastError(), CommsErrorText::OpenFailed);
    // A character device that has no comm state (NUL, a console) is no port either.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetFileType(device.Get()) != FILE_TYPE_CHAR)
        Refuse(error, ERROR_INVALID_HANDLE, CommsErrorText::NotCommHandle);
    if (!GetCommState(device.Get(), &dcb))
        Refuse(error, GetLastError(), CommsErrorText::NotCommHandle);
    if (!SetupComm(device.Get(), 4096, 4096))
        Refuse(error, GetLastError(), CommsErrorText::SetupFailed);
    return device;
}

} // namespace

void TComm::OpenDeviceHandle() { DeviceHandle = OpenDevice(FCommName, FLastOpenErrno); }

// The rest of an opening, on the device just opened: settings, events, threads.
void TComm::StartPort() {
    const HANDLE device = DeviceHandle.Get();
    // Bytes received before the open are discarded, pending I/O of an earlier user aborted.
    PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    Context = std::make_shared<PortContext>(device, Sink, Alive);
    ApplyTimeouts();
    if (!ApplyLineSettings()) {
        FLastOpenErrno = static_cast<int>(GetLastError());
        throw ECommsError(CommsErrorText::LineSettingsFailed);
    }
    if (!Context->CreateEvents()) {
        FLastOpenErrno = static_cast<int>(GetLastError());
        throw ECommsError(CommsErrorText::EventFailed);
    }
    Context->SetReceiveBacklogLimit(FReceiveBacklogLimit);
    StartThreads();
}

// The device is closed before the thread objects go: an operation a thread left pending ends
// with the handle, while its record still exists.
void TComm::CloseHandles() {
    DeviceHandle.Reset();
    Reader.reset();
    Writer.reset();
    Context.reset();
}

void TComm::StopReader() {
    if (!Reader || !Context) return;
    Context->RequestStop();
    PurgeComm(DeviceHandle.Get(), PURGE_RXABORT | PURGE_RXCLEAR);
    Reader->Join();
}

void TComm::StopWriter() {
    if (!Writer || !Context) return;
    Context->RequestStop();
    PurgeComm(DeviceHandle.Get(), PURGE_TXABORT | PURGE_TXCLEAR); // unsent data is discarded
    Context->SendQueueEmpty.store(true);
    Writer->Join();
}

bool TComm::SendBytes(const void* Buffer, size_t Length) {
    if (!Writer || Length >= MAXDWORD || !Context->Enqueue(Buffer, Length, MaxQueuedBuffers))
        return false;
    SetEvent(Context->WakeEvent.Get());
    return true;
}

bool TComm::SendQueueEmpty() const { return Context ? Context->SendQueueEmpty.load() : true; }

namespace {

DWORD DtrCode(TDtrControl v) {
    switch (v) {
    case TDtrControl::DtrEnable:
        return DTR_CONTROL_ENABLE;
    case TDtrControl::DtrDisable:
        return DTR_CONTROL_DISABLE;
    case TDtrControl::DtrHandshake:
        return DTR_CONTROL_HANDSHAKE;
    }
    return DTR_CONTROL_ENABLE;
}

DWORD RtsCode(TRtsControl v) {
    switch (v) {
    case TRtsControl::RtsEnable:
        return RTS_CONTROL_ENABLE;
    case TRtsControl::RtsDisable:
        return RTS_CONTROL_DISABLE;
    case TRtsControl::RtsHandshake:
        return RTS_CONTROL_HANDSHAKE;
    case TRtsControl::RtsTransmissionAvailable:
        return RTS_CONTROL_TOGGLE;
    }
    return RTS_CONTROL_ENABLE;
}

} // namespace

// The whole control block from the properties; fields no property names (the end-of-file and
// event characters) keep the device's values, and every flag no property sets is cleared
// (fAbortOnError among them). A rate of 0 is refused before the driver sees it: on some
// drivers it drops the modem lines. False when the device refuses the block.
bool TComm::ApplyLineSettings() {
    ++FLineSettingsApplied;
    if (Context) Context->IgnoreNullChar = FLine.IgnoreNullChar;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (FLine.BaudRate == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!GetCommState(DeviceHandle.Get(), &dcb)) return false;
    DCB fresh{};
    fresh.DCBlength = sizeof fresh;
    fresh.EofChar = dcb.EofChar;
    fresh.EvtChar = dcb.EvtChar;
    fresh.BaudRate = FLine.BaudRate;
    fresh.fBinary = 1;
    fresh.fParity = FLine.ParityCheck;
    fresh.fOutxCtsFlow = FLine.Outx_CtsFlow;
    fresh.fOutxDsrFlow = FLine.Outx_DsrFlow;
    fresh.fDtrControl = DtrCode(FLine.DtrControl);
    fresh.fDsrSensitivity = FLine.DsrSensitivity;
    fresh.fTXContinueOnXoff = FLine.TxContinueOnXoff;
    fresh.fOutX = FLine.Outx_XonXoffFlow;
    fresh.fInX = FLine.Inx_XonXoffFlow;
    fresh.fErrorChar = FLine.ReplaceWhenParityError;
    fresh.fNull = FLine.IgnoreNullChar;
    fresh.fRtsControl = RtsCode(FLine.RtsControl);
    fresh.XonLim = FLine.XonLimit;
    fresh.XoffLim = FLine.XoffLimit;
    fresh.ByteSize = static_cast<BYTE>(static_cast<int>(FLine.ByteSize) + 5);
    fresh.Parity = static_cast<BYTE>(FLine.Parity);
    fresh.StopBits = static_cast<BYTE>(FLine.StopBits);
    fresh.XonChar = static_cast<char>(FLine.XonChar);
    fresh.XoffChar = static_cast<char>(FLine.XoffChar);
    fresh.ErrorChar = static_cast<char>(FLine.ReplacedChar);
    return SetCommState(DeviceHandle.Get(), &fresh) != 0;
}

// The five time-outs as they stand, with one exception: an interval of ReadIntervalAtOnce
// with no read totals would make Windows return every read at once, empty ones included (the
// receive thread would spin). It becomes "wait for the first byte, then return at the first
// pause of 1 ms": what has arrived is handed over at once, and an idle line costs nothing.
// (The form with interval and multiplier MAXDWORD means the same on Windows, but under wine a
// port switched to it while open delivered nothing more.)
void TComm::ApplyTimeouts() {
    ++FTimeoutsApplied;
    COMMTIMEOUTS t{FTimeouts.ReadIntervalTimeout, FTimeouts.ReadTotalTimeoutMultiplier,
                   FTimeouts.ReadTotalTimeoutConstant, FTimeouts.WriteTotalTimeoutMultiplier,
                   FTimeouts.WriteTotalTimeoutConstant};
    const bool atOnce = FTimeouts.ReadIntervalTimeout == ReadIntervalAtOnce &&
                        FTimeouts.ReadTotalTimeoutMultiplier == 0 &&
                        FTimeouts.ReadTotalTimeoutConstant == 0;
    if (atOnce) t.ReadIntervalTimeout = 1;
    if (Context)
        Context->ReadsMayEndEmpty =
            t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0;
    (void)SetCommTimeouts(DeviceHandle.Get(), &t);
}

void TComm::SetReceiveBacklogLimit(uint32_t Value) {
    FReceiveBacklogLimit = Value;
    if (Context) Context->SetReceiveBacklogLimit(Value);
}
