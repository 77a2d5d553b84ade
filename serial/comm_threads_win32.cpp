#include "serial/comm_threads_win32.h"

#include <algorithm>

void CloseWin32Handle(void* handle) { CloseHandle(handle); }

namespace vq830serial {

namespace {

HANDLE NewEvent(bool manualReset) { return CreateEventW(nullptr, manualReset, FALSE, nullptr); }

// How long an operation cancelled at a thread's end may take to report its end.
constexpr DWORD CancelWaitMs = 2000;

// Starts a port thread that runs at `priority` (serial/README.md says why).
void StartAt(PortThread& thread, PortShared& port, int priority, std::function<void()> body,
             std::function<void()> end) {
    auto raised = [priority, body = std::move(body)] {
        SetThreadPriority(GetCurrentThread(), priority);
        body();
    };
    thread.Start(port, std::move(raised), std::move(end));
}

} // namespace

bool PortContext::CreateEvents() {
    StopEvent = UniqueHandle(NewEvent(true));
    WakeEvent = UniqueHandle(NewEvent(false));
    OwnerEvent = UniqueHandle(NewEvent(false));
    return StopEvent.Valid() && WakeEvent.Valid() && OwnerEvent.Valid();
}

void PortContext::RequestStop() {
    StopRequested.store(true);
    SetEvent(StopEvent.Get());
}

bool PortContext::InProgress(DWORD code) {
    if (code == ERROR_IO_PENDING) return true;
    EndStep(code);
    return false;
}

void PortContext::EndStep(DWORD code) {
    if (code == ERROR_INVALID_HANDLE) return;
    if (code == ERROR_OPERATION_ABORTED && Stopping()) return; // our own purge
    PostHangupRequest();
}

void PortContext::WakeReader() {
    if (ReaderWaitsForOwner.load()) SetEvent(OwnerEvent.Get());
}

PortShared::OwnerWait PortContext::WaitOwnerSignal() {
    const HANDLE waits[2] = {StopEvent.Get(), OwnerEvent.Get()};
    const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0 + 1) return OwnerWait::Signalled;
    return r == WAIT_OBJECT_0 ? OwnerWait::Stopped : OwnerWait::Failed;
}

bool PendingIo::Create() {
    Done = UniqueHandle(NewEvent(true));
    return Done.Valid();
}

void PendingIo::Reset() {
    Record = OVERLAPPED{};
    Record.hEvent = Done.Get();
}

void PendingIo::Finish(HANDLE device) {
    if (!Pending) return;
    CancelIoEx(device, &Record);
    if (WaitForSingleObject(Done.Get(), CancelWaitMs) == WAIT_OBJECT_0) Pending = false;
}

// ---------------------------------------------------------------------------------------------
// Receive thread

TReadThread::TReadThread(std::shared_ptr<PortContext> ctx)
    : Ctx(std::move(ctx)), Buffer(BufferSize) {}

void TReadThread::Start() {
    if (!Read.Create() || !LineWait.Create()) throw std::runtime_error("no completion event");
    StartAt(
        Thread, *Ctx, THREAD_PRIORITY_HIGHEST, [this] { Execute(); }, [this] { End(); });
}

void TReadThread::End() {
    PurgeComm(Ctx->Device, PURGE_RXABORT | PURGE_RXCLEAR);
    Read.Finish(Ctx->Device);
    // An empty mask ends a pending line-event wait (wine's cannot be cancelled otherwise).
    if (LineWait.Pending) SetCommMask(Ctx->Device, 0);
    LineWait.Finish(Ctx->Device);
}

void TReadThread::Execute() {
    // Carrier changes, line errors and ring. A driver that refuses the mask still reads.
    Watching = SetCommMask(Ctx->Device, EV_RLSD | EV_ERR | EV_RING) != 0;
    if (Watching && !ArmEventWait()) return;
    if (!ArmRead()) return;
    while (Serve()) {
    }
}

// One wait for the stop event, a line event or a read. The stop event wins over the others,
// line events over reads.
bool TReadThread::Serve() {
    HANDLE waits[3] = {Ctx->StopEvent.Get(), LineWait.Done.Get(), Read.Done.Get()};
    if (!Watching) waits[1] = Read.Done.Get();
    const DWORD count = Watching ? 3 : 2;
    const DWORD r = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0) return false;
    if (r == WAIT_OBJECT_0 + count - 1) return FinishRead() && ArmRead();
    if (r == WAIT_OBJECT_0 + 1) return FinishEventWait() && (!Watching || ArmEventWait());
    Ctx->PostHangupRequest();
    return false;
}

void TReadThread::DropEventWait() {
    Watching = false;
    LineWait.Pending = false;
}

bool TReadThread::ArmEventWait() {
    for (;;) {
        if (Ctx->Stopping()) return false;
        LineWait.Reset();
        Mask = 0;
        if (WaitCommEvent(Ctx->Device, &Mask, &LineWait.Record)) {
            if (!HandleLineEvents(Mask)) return false;
            continue;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_IO_PENDING) {
            LineWait.Pending = true;
            return true;
        }
        if (code == ERROR_INVALID_HANDLE || Ctx->Stopping()) return false;
        DropEventWait(); // the reads find out whether the line itself is gone
        return true;
    }
}

bool TReadThread::FinishEventWait() {
    DWORD ignored = 0;
    LineWait.Pending = false;
    if (!GetOverlappedResult(Ctx->Device, &LineWait.Record, &ignored, FALSE)) {
        const DWORD code = GetLastError();
        if (code == ERROR_INVALID_HANDLE || Ctx->Stopping()) return false;
        DropEventWait();
        return true;
    }
    return HandleLineEvents(Mask);
}

// Line errors are reported before a modem change found in the same mask. A mask with none of
// the watched events means the driver gave up on the wait: events are no longer watched.
bool TReadThread::HandleLineEvents(DWORD mask) {
    if (mask & EV_ERR) {
        DWORD errors = 0;
        if (!ClearCommError(Ctx->Device, &errors, nullptr)) {
            Ctx->EndStep(GetLastError());
            return false;
        }
        if (errors) Ctx->PostLineError(errors);
    }
    uint32_t bits = 0;
    if (mask & EV_RLSD) bits |= ModemEventCarrier;
    if (mask & EV_RING) bits |= ModemEventRing;
    if (bits) Ctx->PostModemChange(bits);
    if (!(mask & (EV_ERR | EV_RLSD | EV_RING))) DropEventWait();
    return true;
}

bool TReadThread::ArmRead() {
    for (;;) {
        if (Ctx->Stopping()) return false;
        if (!Ctx->WaitForOwner()) return false;
        Read.Reset();
        if (ReadFile(Ctx->Device, Buffer.data(), BufferSize, nullptr, &Read.Record)) {
            if (!FinishRead()) return false;
            continue;
        }
        if (!Ctx->InProgress(GetLastError())) return false;
        Read.Pending = true;
        return true;
    }
}

bool TReadThread::FinishRead() {
    DWORD count = 0;
    Read.Pending = false;
    if (!GetOverlappedResult(Ctx->Device, &Read.Record, &count, FALSE)) {
        Ctx->EndStep(GetLastError());
        return false;
    }
    if (count == 0 && EmptyMeansGone()) {
        Ctx->PostHangupRequest();
        return false;
    }
    return DeliverBatch(count);
}

bool TReadThread::EmptyMeansGone() const {
    return !Ctx->ReadsMayEndEmpty.load() && !Ctx->Stopping();
}

// A read that ended empty (a read total time-out) delivers nothing and is issued again.
bool TReadThread::DeliverBatch(DWORD count) {
    std::vector<uint8_t> block = Ctx->BatchBlock(Buffer.data(), count);
    if (block.empty()) return true;
    const auto n = static_cast<uint16_t>(block.size() - 1);
    Ctx->Sink->Post(Ctx->DataNotice(std::move(block), n));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Transmit thread

TWriteThread::TWriteThread(std::shared_ptr<PortContext> ctx) : Ctx(std::move(ctx)) {}

void TWriteThread::Start() {
    if (!Write.Create()) throw std::runtime_error("no completion event");
    StartAt(
        Thread, *Ctx, THREAD_PRIORITY_ABOVE_NORMAL, [this] { Execute(); }, [this] { End(); });
}

void TWriteThread::End() {
    PortContext& ctx = *Ctx;
    PurgeComm(ctx.Device, PURGE_TXABORT | PURGE_TXCLEAR);
    Write.Finish(ctx.Device);
    ctx.EndQueue();
}

// Waits for the stop event or a new buffer; false when the thread is to end.
bool TWriteThread::WaitForWork() {
    const HANDLE waits[2] = {Ctx->StopEvent.Get(), Ctx->WakeEvent.Get()};
    const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0 + 1) return true;
    if (r != WAIT_OBJECT_0) Ctx->PostHangupRequest();
    return false;
}

void TWriteThread::Execute() {
    Ctx->ServeQueue([this] { return WaitForWork(); },
                    [this](const uint8_t* data, size_t count) {
                        return WriteAll(data, static_cast<DWORD>(count));
                    });
}

// Writes a block completely; a write the driver cuts short (a write time-out) goes on with
// the rest. False: stopped, or the device failed.
bool TWriteThread::WriteAll(const uint8_t* data, DWORD count) {
    DWORD offset = 0;
    while (offset < count) {
        if (Ctx->Stopping()) return false;
        Write.Reset();
        DWORD written = 0;
        if (!WriteFile(Ctx->Device, data + offset, count - offset, nullptr, &Write.Record)) {
            if (!Ctx->InProgress(GetLastError())) return false;
            Write.Pending = true;
        }
        if (!WaitWritten(written)) return false;
        offset += written;
    }
    return true;
}

// Waits for the write in progress (or just completed) to end; the stop event ends the wait.
bool TWriteThread::WaitWritten(DWORD& written) {
    const HANDLE waits[2] = {Ctx->StopEvent.Get(), Write.Done.Get()};
    const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0) return false; // Run cancels the pending write
    if (r != WAIT_OBJECT_0 + 1) {
        Ctx->PostHangupRequest();
        return false;
    }
    Write.Pending = false;
    if (GetOverlappedResult(Ctx->Device, &Write.Record, &written, TRUE)) return true;
    Ctx->EndStep(GetLastError());
    return false;
}

} // namespace vq830serial
