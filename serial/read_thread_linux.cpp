// The receive thread on Linux: reads, cut into batches and handed to the owner together.
#include "serial/comm_threads_linux.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <termios.h>
#include <unistd.h>

#include "serial/deadlines.h"

namespace vq830serial {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t MaxDword = 0xFFFFFFFFu;

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

} // namespace

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

void TReadThread::AddBatch(const uint8_t* data, size_t count) {
    std::vector<uint8_t> block = Ctx->BatchBlock(data, count);
    if (block.empty()) return;
    const auto n = static_cast<uint16_t>(block.size() - 1);
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

} // namespace vq830serial
