#include "serial/comm_threads_linux.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <linux/serial.h>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vq830serial {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t MaxDword = 0xFFFFFFFFu;

// Signal used to interrupt a modem-line wait (which cannot be polled).
int WakeSignal() { return SIGRTMIN + 5; }
void IgnoreWake(int) {}
void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = IgnoreWake;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the wait must end with EINTR
        sigaction(WakeSignal(), &sa, nullptr);
    });
}

ReadOutcome ReadSome(int fd, uint8_t* into, size_t room, size_t& got) {
    for (;;) {
        const ssize_t n = read(fd, into, room);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return ReadOutcome::Data;
        }
        if (n == 0) return ReadOutcome::Hangup; // VMIN 1 + O_NONBLOCK: 0 means hung up
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return ReadOutcome::Empty;
        if (errno == EBADF) return ReadOutcome::Quiet;
        return ReadOutcome::Hangup;
    }
}

// Time-outs are sums of 32-bit millisecond counts and products of them with byte counts. A
// sum beyond this (about a year) is no time limit: it could not be represented on the clock
// and no line waits that long.
constexpr uint64_t LongestDeadlineMs = 366ull * 24 * 60 * 60 * 1000;

// from + ms, or none when ms is too far off to be a deadline. ms is checked before it is
// converted, so nothing here can overflow.
std::optional<Clock::time_point> DeadlineAfter(Clock::time_point from, uint64_t ms) {
    if (ms > LongestDeadlineMs) return std::nullopt;
    return from + milliseconds(static_cast<int64_t>(ms));
}

std::optional<Clock::time_point> TotalDeadline(Clock::time_point start, uint32_t multiplier,
                                               uint32_t constant, size_t count) {
    if (multiplier == 0 && constant == 0) return std::nullopt;
    // multiplier * count, saturated: count may be any buffer size.
    const uint64_t perByte = multiplier == 0 || count <= LongestDeadlineMs / multiplier
                                 ? static_cast<uint64_t>(multiplier) * count
                                 : LongestDeadlineMs + 1;
    return DeadlineAfter(start, perByte + constant);
}

std::optional<Clock::time_point> Earlier(std::optional<Clock::time_point> a,
                                         std::optional<Clock::time_point> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

} // namespace

Waiter::Waiter(int stopFd, int fd, uint32_t events) : Events(events) {
    Ep = epoll_create1(EPOLL_CLOEXEC);
    if (Ep < 0) return;
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.u32 = 0;
    epoll_event dev{};
    dev.events = events;
    dev.data.u32 = 1;
    if (epoll_ctl(Ep, EPOLL_CTL_ADD, stopFd, &stop) != 0 ||
        epoll_ctl(Ep, EPOLL_CTL_ADD, fd, &dev) != 0) {
        close(Ep);
        Ep = -1;
    }
}

Waiter::~Waiter() {
    if (Ep >= 0) close(Ep);
}

WaitResult Waiter::Wait(std::optional<std::chrono::steady_clock::time_point> deadline) {
    for (;;) {
        timespec ts{};
        timespec* tsp = nullptr;
        if (deadline) {
            auto left = *deadline - Clock::now();
            if (left < Clock::duration::zero()) left = Clock::duration::zero();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            tsp = &ts;
        }
        epoll_event ev[2];
        int n = epoll_pwait2(Ep, ev, 2, tsp, nullptr);
        if (n < 0 && errno == ENOSYS) {
            // Kernels before 5.11: millisecond time-outs, rounded up and capped at what an
            // int holds (a longer wait is taken in several rounds).
            const int64_t ms =
                static_cast<int64_t>(ts.tv_sec) * 1000 + (ts.tv_nsec + 999999) / 1000000;
            n = epoll_wait(Ep, ev, 2, tsp ? static_cast<int>(std::min<int64_t>(ms, INT_MAX)) : -1);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == EBADF ? WaitResult::Invalid : WaitResult::Failed;
        }
        if (n == 0 && deadline && Clock::now() < *deadline) continue;
        if (n == 0) return WaitResult::Timeout;
        uint32_t device = 0;
        for (int i = 0; i < n; ++i) {
            if (ev[i].data.u32 == 0) return WaitResult::Stop;
            device = ev[i].events;
        }
        if (device & Events) return WaitResult::Ready;
        if (device & (EPOLLHUP | EPOLLERR)) return WaitResult::Hangup;
        return WaitResult::Failed;
    }
}

bool PortContext::CreateWaiters() {
    ReadWaiter = std::make_unique<Waiter>(StopFd, Device, EPOLLIN);
    RoomWaiter = std::make_unique<Waiter>(StopFd, Device, EPOLLOUT);
    IdleWaiter = std::make_unique<Waiter>(StopFd, WakeFd, EPOLLIN);
    OwnerFd = UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!OwnerFd.Valid()) return false;
    OwnerWaiter = std::make_unique<Waiter>(StopFd, OwnerFd.Get(), EPOLLIN);
    return ReadWaiter->Valid() && RoomWaiter->Valid() && IdleWaiter->Valid() &&
           OwnerWaiter->Valid();
}

void PortContext::SetTimeouts(const Timeouts& t) {
    ReadIntervalTimeout = t.ReadIntervalTimeout;
    ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
}

void PortContext::RequestStop() {
    StopRequested.store(true);
    const uint64_t one = 1;
    (void)!write(StopFd, &one, sizeof one);
}

void PortContext::WakeReader() {
    if (!ReaderWaitsForOwner.load() || !OwnerFd.Valid()) return;
    const uint64_t one = 1;
    (void)!write(OwnerFd.Get(), &one, sizeof one);
}

// The receive thread announces that it waits before it looks at the backlog again, and the
// owner takes a batch off the backlog before it looks at the announcement, so one of the two
// always sees the other: no wake-up is lost.
bool PortContext::WaitForOwner() {
    WaitResult result = WaitResult::Ready;
    while (Backlog.load() > ReceiveBacklogLimit.load()) {
        ReaderWaitsForOwner.store(true);
        if (Backlog.load() <= ReceiveBacklogLimit.load()) break;
        result = OwnerWaiter->Wait(std::nullopt);
        if (result != WaitResult::Ready) break;
        uint64_t n = 0;
        (void)!read(OwnerFd.Get(), &n, sizeof n);
    }
    ReaderWaitsForOwner.store(false);
    if (result == WaitResult::Hangup || result == WaitResult::Failed) PostHangupRequest();
    return result == WaitResult::Ready;
}

// ---------------------------------------------------------------------------------------------
// Receive thread

TReadThread::TReadThread(std::shared_ptr<PortContext> ctx) : Ctx(std::move(ctx)) {}

void TReadThread::Start() {
    Thread.Start(
        *Ctx,
        [this] {
            StartModemWatch();
            Execute();
        },
        [this] { End(); });
}

void TReadThread::End() {
    (void)tcflush(Ctx->Device, TCIFLUSH);
    StopModemWatch();
}

void TReadThread::StartModemWatch() {
    // Modem events need a blocking wait of their own; only drivers with modem lines get one.
    int levels = 0;
    if (ioctl(Ctx->Device, TIOCMGET, &levels) != 0) return;
    InstallWakeHandler();
    ModemWatchDone.store(false);
    try {
        ModemThread.Start(
            *Ctx, [this] { WatchModemLines(); }, [this] { ModemWatchDone.store(true); });
    } catch (...) {
        ModemWatchDone.store(true);
    }
}

void TReadThread::StopModemWatch() {
    if (!ModemThread.Started()) return;
    // The modem-line wait ends only on a line change, the device going away or a signal. Only
    // the watcher is told to stop: the transmit thread goes on if the receive thread ended on
    // its own.
    ModemWatchStop.store(true);
    while (!ModemWatchDone.load()) {
        pthread_kill(ModemThread.NativeHandle(), WakeSignal());
        std::this_thread::sleep_for(milliseconds(1));
    }
    ModemThread.Join();
}

uint32_t TReadThread::NewLineErrors() {
    if (!HaveCounts) return 0;
    serial_icounter_struct ic{};
    if (ioctl(Ctx->Device, TIOCGICOUNT, &ic) != 0) return 0;
    uint32_t flags = 0;
    if (ic.buf_overrun != LastBufOverrun) flags |= CE_RXOVER;
    if (ic.overrun != LastOverrun) flags |= CE_OVERRUN;
    if (ic.parity != LastParity) flags |= CE_RXPARITY;
    if (ic.frame != LastFrame) flags |= CE_FRAME;
    if (ic.brk != LastBreak) flags |= CE_BREAK;
    LastFrame = ic.frame;
    LastParity = ic.parity;
    LastOverrun = ic.overrun;
    LastBufOverrun = ic.buf_overrun;
    LastBreak = ic.brk;
    return flags;
}

void TReadThread::WatchModemLines() {
    // The wake signal must reach this thread whatever mask it inherited.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    const int fd = Ctx->Device;
    serial_icounter_struct before{};
    const bool counts = ioctl(fd, TIOCGICOUNT, &before) == 0;
    int levels = 0;
    (void)ioctl(fd, TIOCMGET, &levels);
    while (!ModemWatchStop.load()) {
        if (ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG) != 0) {
            if (errno == EINTR) continue;
            break; // not supported, or the device went away (the reader reports that)
        }
        if (ModemWatchStop.load()) break;
        uint32_t bits = 0;
        int now = 0;
        (void)ioctl(fd, TIOCMGET, &now);
        serial_icounter_struct after{};
        if (counts && ioctl(fd, TIOCGICOUNT, &after) == 0) {
            if (after.dcd != before.dcd) bits |= ModemEventCarrier;
            if (after.rng != before.rng) bits |= ModemEventRing;
            before = after;
        } else {
            if ((now ^ levels) & TIOCM_CD) bits |= ModemEventCarrier;
            if (now & TIOCM_RNG) bits |= ModemEventRing;
        }
        levels = now;
        if (bits) Ctx->PostModemChange(bits);
    }
}

void TReadThread::AddBatch(const uint8_t* data, size_t count) {
    std::vector<uint8_t> block;
    block.reserve(count + 1);
    if (Ctx->IgnoreNullChar.load()) {
        for (size_t i = 0; i < count; ++i)
            if (data[i] != 0) block.push_back(data[i]);
    } else {
        block.assign(data, data + count);
    }
    const auto n = static_cast<uint16_t>(block.size());
    if (n == 0) return;
    block.push_back(0); // the batch is followed by one zero byte
    Notices.push_back(Ctx->DataNotice(std::move(block), n));
    NoticeBytes += n;
}

void TReadThread::PostNotices() {
    PostBy.reset();
    if (Notices.empty()) return;
    NoticeBytes = 0;
    Ctx->Sink->PostAll(Notices);
    Notices.clear();
}

void TReadThread::RememberLineCounts() {
    serial_icounter_struct ic{};
    if (ioctl(Ctx->Device, TIOCGICOUNT, &ic) != 0) return;
    HaveCounts = true;
    LastFrame = ic.frame;
    LastParity = ic.parity;
    LastOverrun = ic.overrun;
    LastBufOverrun = ic.buf_overrun;
    LastBreak = ic.brk;
}

// Reads take whatever the driver holds (up to StageSize bytes) in one call; batches are cut
// from the front of what was read. Bytes read beyond the current batch wait in the stage as
// they would in the driver's queue and start the next batch.
void TReadThread::Execute() {
    RememberLineCounts();
    Stage.assign(StageSize, 0);
    for (;;) {
        // One read: wait for the first byte, then gather until the batch is full, the line
        // has been quiet for longer than the interval time-out, or the total time-out ends.
        auto start = Clock::now();
        Drained = false; // bytes often come in while the last batches were handed over
        ReadEnd end = Held == 0 ? WaitFirstByte(start) : ReadEnd::Batch;
        if (end == ReadEnd::Batch) end = Gather(start);
        // A hang-up or an unusable device delivers everything held before the thread ends; a
        // stop only the batches already cut.
        if (end != ReadEnd::Stop && !DeliverHeld(end != ReadEnd::Batch)) return;
        if (end == ReadEnd::Batch) continue;
        PostNotices();
        if (end == ReadEnd::Hangup) Ctx->PostHangupRequest();
        return;
    }
}

ReadOutcome TReadThread::ReadMore() {
    uint8_t* const buffer = Stage.data();
    if (Head + Held + ReadChunk > StageSize) {
        std::memmove(buffer, buffer + Head, Held);
        Head = 0;
    }
    const size_t asked = StageSize - Head - Held;
    size_t got = 0;
    const ReadOutcome r = ReadSome(Ctx->Device, buffer + Head + Held, asked, got);
    if (r == ReadOutcome::Data) {
        Held += got;
        Drained = got < asked;
    }
    return r;
}

std::optional<Clock::time_point> TReadThread::ReadTotalDeadline(Clock::time_point start) const {
    return TotalDeadline(start, Ctx->ReadTotalTimeoutMultiplier.load(),
                         Ctx->ReadTotalTimeoutConstant.load(), BufferSize);
}

TReadThread::ReadEnd TReadThread::WaitFirstByte(Clock::time_point& start) {
    for (;;) {
        if (Ctx->StopRequested.load()) return ReadEnd::Stop;
        switch (ReadMore()) {
        case ReadOutcome::Data:
            return ReadEnd::Batch;
        case ReadOutcome::Hangup:
            return ReadEnd::Hangup;
        case ReadOutcome::Quiet:
            return ReadEnd::Stop;
        case ReadOutcome::Empty:
            break;
        }
        if (PostBy && Clock::now() >= *PostBy) PostNotices();
        const auto total = ReadTotalDeadline(start);
        if (total && Clock::now() >= *total) {
            start = Clock::now(); // an empty read is simply issued again
            continue;
        }
        switch (Ctx->ReadWaiter->Wait(Earlier(total, PostBy))) {
        case WaitResult::Stop:
        case WaitResult::Invalid:
            return ReadEnd::Stop;
        case WaitResult::Ready:
        case WaitResult::Timeout:
            break;
        case WaitResult::Hangup:
        case WaitResult::Failed:
            return ReadEnd::Hangup;
        }
    }
}

TReadThread::ReadEnd TReadThread::Gather(Clock::time_point start) {
    auto lastByte = Clock::now();
    while (Held < BufferSize) {
        // After a read that got less than it asked for, the driver's queue was empty: wait
        // before reading again.
        if (!Drained) {
            switch (ReadMore()) {
            case ReadOutcome::Data:
                lastByte = Clock::now();
                continue;
            case ReadOutcome::Hangup:
                return ReadEnd::Hangup;
            case ReadOutcome::Quiet:
                return ReadEnd::Gone;
            case ReadOutcome::Empty:
                break;
            }
        }
        Drained = false;
        const uint32_t interval = Ctx->ReadIntervalTimeout.load();
        if (interval == MaxDword) return ReadEnd::Batch; // at once with what has arrived
        const auto deadline =
            Earlier(interval != 0 ? DeadlineAfter(lastByte, interval) : std::nullopt,
                    ReadTotalDeadline(start));
        if (deadline && Clock::now() >= *deadline) return ReadEnd::Batch;
        switch (Ctx->ReadWaiter->Wait(Earlier(deadline, PostBy))) {
        case WaitResult::Stop:
            return ReadEnd::Stop;
        case WaitResult::Ready:
            break;
        case WaitResult::Timeout:
            if (deadline && Clock::now() >= *deadline) return ReadEnd::Batch;
            PostNotices(); // batches cut before have waited long enough
            break;
        case WaitResult::Hangup:
        case WaitResult::Failed:
            return ReadEnd::Hangup;
        case WaitResult::Invalid:
            return ReadEnd::Gone;
        }
    }
    return ReadEnd::Batch;
}

bool TReadThread::DeliverHeld(bool all) {
    // Every full batch held goes, and the first batch even when the time-out ended it short;
    // the rest of a short batch starts the next one unless everything is to go. The batches
    // go to the owner together; while the owner is behind by more than the limit, those
    // gathered so far go and the rest wait until it has caught up.
    if (const uint32_t errors = NewLineErrors()) {
        PostNotices(); // line errors come after the batches before them
        Ctx->PostLineError(errors);
    }
    bool first = true;
    bool allFull = true;
    while (Held >= BufferSize || (Held > 0 && (first || all))) {
        if (Ctx->Backlog.load() > Ctx->ReceiveBacklogLimit.load()) {
            PostNotices();
            if (!Ctx->WaitForOwner()) return false;
        }
        const size_t n = std::min(Held, BufferSize);
        AddBatch(Stage.data() + Head, n);
        Head += n;
        Held -= n;
        first = false;
        allFull = allFull && n == BufferSize;
    }
    if (Held == 0) Head = 0;
    // While full batches stream in, they wait briefly for those of the next read, so that an
    // owner waiting for them is woken once for several.
    if (!allFull || NoticeBytes >= MaxHeldNoticeBytes)
        PostNotices();
    else if (!PostBy)
        PostBy = Clock::now() + NoticeDelay;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Transmit thread

TWriteThread::TWriteThread(std::shared_ptr<PortContext> ctx) : Ctx(std::move(ctx)) {}

void TWriteThread::Start() {
    Thread.Start(
        *Ctx, [this] { Execute(); }, [this] { End(); });
}

void TWriteThread::End() {
    PortContext& ctx = *Ctx;
    (void)tcflush(ctx.Device, TCOFLUSH);
    std::lock_guard lock(ctx.QueueMutex);
    ctx.WriterEnded = true;
    ctx.Queue.clear();
    ctx.SendQueueEmpty.store(true);
}

namespace {

// Writes a block completely (false: stopped, or the device failed).
bool WriteAll(PortContext& ctx, Waiter& room, const uint8_t* data, size_t count) {
    size_t offset = 0;
    auto start = Clock::now();
    while (offset < count) {
        if (ctx.StopRequested.load()) return false;
        const size_t asked = count - offset;
        const ssize_t n = write(ctx.Device, data + offset, asked);
        if (n > 0) {
            offset += static_cast<size_t>(n);
            // A short write means the driver's queue is full now: wait for room rather than
            // try again at once.
            if (static_cast<size_t>(n) == asked || offset == count) continue;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EBADF) {
            return false;
        } else if (n < 0 && errno != EAGAIN) {
            ctx.PostHangupRequest();
            return false;
        }
        // The driver's queue is full: wait for room. A write time-out cuts the write short
        // and the rest is written by the next round, as with any partial write.
        const auto deadline = TotalDeadline(start, ctx.WriteTotalTimeoutMultiplier.load(),
                                            ctx.WriteTotalTimeoutConstant.load(), count - offset);
        switch (room.Wait(deadline)) {
        case WaitResult::Stop:
        case WaitResult::Invalid:
            return false;
        case WaitResult::Ready:
            break;
        case WaitResult::Timeout:
            start = Clock::now();
            break;
        case WaitResult::Hangup:
        case WaitResult::Failed:
            ctx.PostHangupRequest();
            return false;
        }
    }
    return true;
}

} // namespace

void TWriteThread::Execute() {
    PortContext& ctx = *Ctx;
    Waiter& room = *ctx.RoomWaiter;
    Waiter& idle = *ctx.IdleWaiter;
    bool notifyEmpty = true;
    for (;;) {
        std::vector<uint8_t> item;
        bool have = false;
        {
            std::lock_guard lock(ctx.QueueMutex);
            if (!ctx.Queue.empty()) {
                item = std::move(ctx.Queue.front());
                ctx.Queue.pop_front();
                have = true;
            } else {
                ctx.SendQueueEmpty.store(true);
            }
        }
        if (!have) {
            if (notifyEmpty) ctx.PostSendQueueEmpty();
            notifyEmpty = false;
            const WaitResult w = idle.Wait(std::nullopt);
            if (w == WaitResult::Ready) {
                uint64_t n = 0;
                (void)!read(ctx.WakeFd, &n, sizeof n);
                continue;
            }
            if (w != WaitResult::Stop && w != WaitResult::Invalid) ctx.PostHangupRequest();
            break;
        }
        if (ctx.StopRequested.load()) break; // the item taken is dropped
        // Each block carries one zero byte after the data, which is not sent.
        if (!WriteAll(ctx, room, item.data(), item.size() - 1)) break;
        notifyEmpty = true;
    }
}

} // namespace vq830serial
