// TComm on Linux: a tty opened by path, eventfd stop and wake signals, termios2 settings.
#include "serial/comm.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "serial/comm_threads_linux.h"
#include "serial/line_settings.h"
#include "serial/port_holders.h"

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

namespace {

// Raises `message` after storing the system error behind it.
[[noreturn]] void Refuse(int& error, int code, const char* message) {
    error = code;
    throw ECommsError(message);
}

// Another process holds the device open. The program at the other end of a pseudo-terminal
// holds its slave side open on purpose, so there a holder is no reason to refuse.
bool HeldElsewhere(const std::string& name) {
    return !vq830serial::IsPseudoTerminal(name) && !vq830serial::FindPortHolders(name).empty();
}

// Opens the tty exclusively and checks that it is one; `error` receives the system error of a
// refusal. Until the exclusive hold is taken, a failure closes the descriptor plainly: the hold
// of another user must not be cleared.
UniqueFd OpenDevice(const std::string& name, int& error) {
    UniqueFd plain(open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!plain.Valid()) Refuse(error, errno, CommsErrorText::OpenFailed);
    if (!isatty(plain.Get())) Refuse(error, ENOTTY, CommsErrorText::NotCommHandle);
    // Exclusive use: flock binds every process (TIOCEXCL does not bind root), TIOCEXCL also
    // keeps programs that do not take locks from opening the port.
    if (flock(plain.Get(), LOCK_EX | LOCK_NB) != 0)
        Refuse(error, errno == EWOULDBLOCK ? EBUSY : errno, CommsErrorText::OpenFailed);
    if (HeldElsewhere(name)) Refuse(error, EBUSY, CommsErrorText::OpenFailed);
    UniqueFd held(plain.Release(), &ReleaseDevice);
    (void)ioctl(held.Get(), TIOCEXCL);
    if (!vq830serial::CanReadLineSettings(held.Get()))
        Refuse(error, errno, CommsErrorText::SetupFailed);
    return held;
}

} // namespace

void TComm::OpenDeviceHandle() { DeviceHandle = OpenDevice(FCommName, FLastOpenErrno); }

// The rest of an opening, on the device just opened: settings, signals, threads.
void TComm::StartPort() {
    const int fd = DeviceHandle.Get();
    (void)tcflush(fd, TCIOFLUSH); // bytes received before the open are discarded
    ApplyTimeouts();
    if (!ApplyLineSettings()) throw ECommsError(CommsErrorText::LineSettingsFailed);

    UniqueFd stop(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    UniqueFd wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop.Valid() || !wake.Valid()) throw ECommsError(CommsErrorText::EventFailed);
    Context = std::make_shared<PortContext>(fd, stop.Get(), wake.Get(), Sink, Alive);
    StopSignal = std::move(stop);
    WakeSignal = std::move(wake);
    if (!Context->CreateWaiters()) throw ECommsError(CommsErrorText::EventFailed);
    PassTimeouts();
    Context->IgnoreNullChar = FLine.IgnoreNullChar;
    Context->SetReceiveBacklogLimit(FReceiveBacklogLimit);

    StartThreads();
}

void TComm::CloseHandles() {
    Context.reset();
    StopSignal.Reset();
    WakeSignal.Reset();
    DeviceHandle.Reset();
}

void TComm::StopReader() {
    if (!Reader) return;
    Context->RequestStop();
    (void)tcflush(DeviceHandle.Get(), TCIFLUSH);
    Reader->Join();
    Reader.reset();
}

void TComm::StopWriter() {
    if (!Writer) return;
    Context->RequestStop();
    (void)tcflush(DeviceHandle.Get(), TCOFLUSH); // unsent data is discarded
    Context->SendQueueEmpty.store(true);
    Writer->Join();
    Writer.reset();
}

bool TComm::SendBytes(const void* Buffer, size_t Length) {
    if (!Writer || !Context->Enqueue(Buffer, Length, MaxQueuedBuffers)) return false;
    const uint64_t one = 1;
    (void)!write(Context->WakeFd, &one, sizeof one);
    return true;
}

bool TComm::SendQueueEmpty() const { return Context ? Context->SendQueueEmpty.load() : true; }

bool TComm::ApplyLineSettings() {
    ++FLineSettingsApplied;
    if (Context) Context->IgnoreNullChar = FLine.IgnoreNullChar;
    return vq830serial::ApplyLineSettingsTo(DeviceHandle.Get(), FLine);
}

void TComm::ApplyTimeouts() {
    ++FTimeoutsApplied;
    PassTimeouts(); // before the threads exist, OpenPort hands them over when it creates them
}

void TComm::PassTimeouts() {
    if (Context) Context->SetTimeouts(FTimeouts);
}

void TComm::SetReceiveBacklogLimit(uint32_t Value) {
    FReceiveBacklogLimit = Value;
    if (Context) Context->SetReceiveBacklogLimit(Value);
}
