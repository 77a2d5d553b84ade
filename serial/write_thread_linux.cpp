// The transmit thread on Linux: the queued buffers written in order, each whole.
#include "serial/comm_threads_linux.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <termios.h>
#include <unistd.h>

#include "serial/deadlines.h"

namespace vq830serial {

TWriteThread::TWriteThread(std::shared_ptr<PortContext> ctx) : Ctx(std::move(ctx)) {}

void TWriteThread::Start() {
    Thread.Start(
        *Ctx, [this] { Execute(); }, [this] { End(); });
}

void TWriteThread::End() {
    PortContext& ctx = *Ctx;
    (void)tcflush(ctx.Device, TCOFLUSH);
    ctx.EndQueue();
}

namespace {

using Clock = std::chrono::steady_clock;

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
    ctx.ServeQueue(
        [this] { return WaitForWork(); },
        [&](const uint8_t* data, size_t count) { return WriteAll(ctx, room, data, count); });
}

// Waits for the stop signal or a new buffer; false when the thread is to end.
bool TWriteThread::WaitForWork() {
    PortContext& ctx = *Ctx;
    const WaitResult w = ctx.IdleWaiter->Wait(std::nullopt);
    if (w == WaitResult::Ready) {
        uint64_t n = 0;
        (void)!read(ctx.WakeFd, &n, sizeof n);
        return true;
    }
    if (w != WaitResult::Stop && w != WaitResult::Invalid) ctx.PostHangupRequest();
    return false;
}

} // namespace vq830serial
