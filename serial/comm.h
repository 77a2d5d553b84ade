// TComm: a non-visual object that owns one serial port (a tty on Linux, a COM port on
// Windows).
//
// It keeps the port's line settings and time-outs as properties, opens and closes the device,
// hands outgoing byte buffers to a transmit thread and turns what its receive and transmit
// threads report into events raised on the owner's thread through a NotifySink.
//
// Threads: construction, properties, OpenPort, ClosePort, SendBytes and every event belong to
// the owner's thread (the thread that constructed the object and on which the sink delivers).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "serial/notify.h"
#ifdef _WIN32
#include "serial/unique_handle.h"
#elif defined(__linux__)
#include "serial/unique_fd.h"
#else
#error "serial/: TComm has a backend for Linux and Windows only"
#endif

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Raised by OpenPort only; carries its message text alone.
class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The texts OpenPort raises.
namespace CommsErrorText {
inline constexpr const char* AlreadyOpened = "This serial port already opened";
inline constexpr const char* OpenFailed = "Error opening serial port";
inline constexpr const char* NotCommHandle = "File handle is not a comm handle ";
inline constexpr const char* SetupFailed = "Cannot setup comm buffer";
inline constexpr const char* EventFailed = "Unable to create event";
inline constexpr const char* ReadThreadFailed = "Unable to create read thread";
inline constexpr const char* WriteThreadFailed = "Unable to create write thread";
// The device refused the line settings asked for at open (for instance a rate of 0).
inline constexpr const char* LineSettingsFailed = "Unable to apply line settings";
} // namespace CommsErrorText

// A ReadIntervalTimeout of this value hands each read over at once, however short; the owner
// then decides itself when an answer has ended.
inline constexpr uint32_t ReadIntervalAtOnce = 0xFFFFFFFFu;

// Bits of the ModemEvent argument of OnModemStateChange.
inline constexpr uint32_t ModemEventRing = 4;
inline constexpr uint32_t ModemEventCarrier = 8;

// Bits of the EventMask argument of OnReceiveError (line-error flags). <windows.h> defines
// the same names as macros with the same values; where it came first, those stand.
#ifndef CE_RXOVER
inline constexpr uint32_t CE_RXOVER = 0x1;
inline constexpr uint32_t CE_OVERRUN = 0x2;
inline constexpr uint32_t CE_RXPARITY = 0x4;
inline constexpr uint32_t CE_FRAME = 0x8;
inline constexpr uint32_t CE_BREAK = 0x10;
#endif

class TComm;

using TReceiveDataEvent =
    std::function<void(TComm& Sender, const uint8_t* Buffer, uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm& Sender, uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm& Sender, uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(TComm& Sender)>;
using TSendDataEmptyEvent = std::function<void(TComm& Sender)>;

namespace vq830serial {
struct PortContext;
class TReadThread;
class TWriteThread;

// A port's line settings as its properties hold them, with their defaults.
struct LineSettings {
    uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrEnable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = true;
    bool Outx_XonXoffFlow = true;
    bool Inx_XonXoffFlow = true;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsEnable;
    uint16_t XonLimit = 500;
    uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    uint8_t XonChar = 17;
    uint8_t XoffChar = 19;
    uint8_t ReplacedChar = 0;
};

// A port's time-outs in milliseconds, with their defaults.
struct Timeouts {
    uint32_t ReadIntervalTimeout = 100;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};
} // namespace vq830serial

class TComm {
public:
    explicit TComm(std::shared_ptr<NotifySink> sink);
    // Closes the port first if it is open: both threads are stopped and joined and the device
    // is closed before the object goes away. Notifications still queued in the sink do nothing.
    ~TComm();

    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens CommName (a device path such as /dev/ttyUSB0 or \\.\COM4, used as it stands)
    // exclusively, applies the time-outs and line settings and starts the receive and transmit
    // threads. Raises ECommsError.
    void OpenPort();
    // Stops and joins both threads and closes the device. Harmless on a closed port.
    void ClosePort();
    // Copies Length bytes and queues them for the transmit thread. False when the port is not
    // open, Length is 0, the transmit thread has ended or its queue is full.
    bool SendBytes(const void* Buffer, size_t Length);
    bool IsOpen() const { return DeviceHandle.Valid(); }
    // The system error behind the last failed OpenPort; 0 after a successful one or when the
    // failure had no system error. On Linux it is errno: a device that is locked, or that
    // another process holds open (pseudo-terminals excepted), gives EBUSY; a path that is no
    // tty gives ENOTTY. On Windows it is GetLastError() of the call that failed:
    // ERROR_FILE_NOT_FOUND for a port that does not exist, ERROR_ACCESS_DENIED (wine:
    // ERROR_SHARING_VIOLATION) for one that is open elsewhere; ERROR_INVALID_HANDLE when
    // the path opens but is no comm device.
    int LastOpenErrno() const { return FLastOpenErrno; }

    // Properties.
    std::string CommName() const { return FCommName; }
    void SetCommName(std::string Value);
    uint32_t BaudRate() const { return FLine.BaudRate; }
    void SetBaudRate(uint32_t Value);
    bool ParityCheck() const { return FLine.ParityCheck; }
    void SetParityCheck(bool Value);
    bool Outx_CtsFlow() const { return FLine.Outx_CtsFlow; }
    void SetOutx_CtsFlow(bool Value);
    bool Outx_DsrFlow() const { return FLine.Outx_DsrFlow; }
    void SetOutx_DsrFlow(bool Value);
    TDtrControl DtrControl() const { return FLine.DtrControl; }
    void SetDtrControl(TDtrControl Value);
    bool DsrSensitivity() const { return FLine.DsrSensitivity; }
    void SetDsrSensitivity(bool Value);
    bool TxContinueOnXoff() const { return FLine.TxContinueOnXoff; }
    void SetTxContinueOnXoff(bool Value);
    bool Outx_XonXoffFlow() const { return FLine.Outx_XonXoffFlow; }
    void SetOutx_XonXoffFlow(bool Value);
    bool Inx_XonXoffFlow() const { return FLine.Inx_XonXoffFlow; }
    void SetInx_XonXoffFlow(bool Value);
    bool ReplaceWhenParityError() const { return FLine.ReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool Value);
    bool IgnoreNullChar() const { return FLine.IgnoreNullChar; }
    void SetIgnoreNullChar(bool Value);
    TRtsControl RtsControl() const { return FLine.RtsControl; }
    void SetRtsControl(TRtsControl Value);
    uint16_t XonLimit() const { return FLine.XonLimit; }
    void SetXonLimit(uint16_t Value);
    uint16_t XoffLimit() const { return FLine.XoffLimit; }
    void SetXoffLimit(uint16_t Value);
    TByteSize ByteSize() const { return FLine.ByteSize; }
    void SetByteSize(TByteSize Value);
    TParity Parity() const { return FLine.Parity; }
    void SetParity(TParity Value);
    TStopBits StopBits() const { return FLine.StopBits; }
    void SetStopBits(TStopBits Value);
    uint8_t XonChar() const { return FLine.XonChar; }
    void SetXonChar(uint8_t Value);
    uint8_t XoffChar() const { return FLine.XoffChar; }
    void SetXoffChar(uint8_t Value);
    uint8_t ReplacedChar() const { return FLine.ReplacedChar; }
    void SetReplacedChar(uint8_t Value);
    uint32_t ReadIntervalTimeout() const { return FTimeouts.ReadIntervalTimeout; }
    void SetReadIntervalTimeout(uint32_t Value);
    uint32_t ReadTotalTimeoutMultiplier() const { return FTimeouts.ReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(uint32_t Value);
    uint32_t ReadTotalTimeoutConstant() const { return FTimeouts.ReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(uint32_t Value);
    uint32_t WriteTotalTimeoutMultiplier() const { return FTimeouts.WriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(uint32_t Value);
    uint32_t WriteTotalTimeoutConstant() const { return FTimeouts.WriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(uint32_t Value);
    // Most received bytes that may wait for the owner (handed to the sink, their
    // OnReceiveData not yet run). While more wait, the receive thread reads nothing further and
    // the driver's buffer and the line's flow control hold the rest; nothing read is dropped.
    // Takes effect at once, also while the port is open.
    uint32_t ReceiveBacklogLimit() const { return FReceiveBacklogLimit; }
    void SetReceiveBacklogLimit(uint32_t Value);
    static constexpr uint32_t DefaultReceiveBacklogLimit = 1024 * 1024;

    // Events, raised on the owner's thread. Each may be left empty.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

    // Diagnostics: how many times the line settings / time-outs were applied to a device
    // since construction (each OpenPort applies both once).
    unsigned LineSettingsApplied() const { return FLineSettingsApplied; }
    unsigned TimeoutsApplied() const { return FTimeoutsApplied; }
    // True while no buffer queued by SendBytes is waiting or being written.
    bool SendQueueEmpty() const;

    // Largest number of buffers waiting for the transmit thread; SendBytes refuses more.
    static constexpr size_t MaxQueuedBuffers = 10000;

private:
    // Opens CommName into DeviceHandle; raises ECommsError with FLastOpenErrno set.
    void OpenDeviceHandle();
    void StartPort();
    void StartThreads();
    bool ApplyLineSettings();
    void ApplyTimeouts();
#ifndef _WIN32
    void PassTimeouts();
#endif
    void StopReader();
    void StopWriter();
    void CloseHandles();
    template <typename T> void SetLine(T& Field, T Value);
    template <typename T> void SetTimeout(T& Field, T Value);

    std::shared_ptr<NotifySink> Sink;
    // Shared with the threads while the port is open; holds the device, the stop signal, the
    // transmit queue and the time-outs the receive thread works with.
    std::shared_ptr<vq830serial::PortContext> Context;
    std::unique_ptr<vq830serial::TReadThread> Reader;
    std::unique_ptr<vq830serial::TWriteThread> Writer;
#ifdef _WIN32
    // The device; the threads' stop event and the queue's wake event are in the context.
    UniqueHandle DeviceHandle;
#else
    UniqueFd DeviceHandle;
    // The threads' stop signal and the transmit queue's wake signal (eventfds).
    UniqueFd StopSignal;
    UniqueFd WakeSignal;
#endif
    // Notifications hold a weak reference to this token and do nothing once it is gone.
    std::shared_ptr<TComm*> Alive;

    std::string FCommName = "COM2";
    vq830serial::LineSettings FLine;
    vq830serial::Timeouts FTimeouts;
    uint32_t FReceiveBacklogLimit = DefaultReceiveBacklogLimit;

    int FLastOpenErrno = 0;

    unsigned FLineSettingsApplied = 0;
    unsigned FTimeoutsApplied = 0;
};
