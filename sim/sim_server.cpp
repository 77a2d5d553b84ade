#include "sim/sim_server.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vq830::sim {
namespace {

using Clock = std::chrono::steady_clock;

// How long the thread waits before looking at the master again after a hang-up (no slave
// descriptor open at all: the pair's own hold was closed and the tool's port is closed).
constexpr std::chrono::milliseconds kHangupRetry{50};
constexpr std::size_t kReadChunk = 4096;

struct Part {
    Clock::time_point due;
    std::string bytes;
    bool last = false;     // the answer's final part
    bool injected = false; // bytes given to Inject(), not an answer
};

std::string Printable(std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (u == '\\') {
            text += "\\\\";
        } else if (u >= 0x20 && u < 0x7f) {
            text += c;
        } else {
            text += "\\x";
            text += hex[u >> 4];
            text += hex[u & 0xf];
        }
    }
    return text;
}

// Wakes the server thread (eventfd).
void Wake(int fd) {
    std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

SimServer::SimServer(int masterFd, SimOptions options)
    : masterFd_(masterFd), options_(std::move(options)), device_(options_.initialState) {}

SimServer::~SimServer() { Stop(); }

bool SimServer::Start(std::string* error) {
    if (thread_.joinable()) {
        if (error) *error = "already running";
        return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        if (error) *error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    int flags = fcntl(masterFd_, F_GETFL);
    if (flags < 0 || fcntl(masterFd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        if (error) *error = std::string("master descriptor: ") + std::strerror(errno);
        ::close(wakeFd_);
        wakeFd_ = -1;
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    std::lock_guard lock(mutex_);
    running_ = true;
    return true;
}

void SimServer::Stop() {
    if (thread_.joinable()) {
        {
            // From here on Inject() leaves the wake descriptor alone, so it can be closed below.
            std::lock_guard lock(mutex_);
            stopRequested_ = true;
            running_ = false;
            Wake(wakeFd_);
        }
        thread_.join();
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
        injected_.clear();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
    wakeFd_ = -1;
}

DeviceState SimServer::State() const {
    std::lock_guard lock(mutex_);
    return device_.State();
}

void SimServer::SetState(const DeviceState& state) {
    {
        std::lock_guard lock(mutex_);
        device_.SetState(state);
    }
    changed_.notify_all();
}

SimStats SimServer::Stats() const {
    std::lock_guard lock(mutex_);
    SimStats stats = stats_;
    stats.device = device_.Counters();
    return stats;
}

void SimServer::Inject(std::string bytes) {
    if (bytes.empty()) return;
    std::lock_guard lock(mutex_);
    if (!running_) return;
    injected_.push_back(std::move(bytes));
    Wake(wakeFd_);
}

std::vector<Exchange> SimServer::History() const {
    std::lock_guard lock(mutex_);
    return {history_.begin(), history_.end()};
}

void SimServer::ClearHistory() {
    std::lock_guard lock(mutex_);
    history_.clear();
}

bool SimServer::WaitUntil(const std::function<bool(const DeviceState&, const SimStats&)>& pred,
                          std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        SimStats stats = stats_;
        stats.device = device_.Counters();
        return pred(device_.State(), stats);
    });
}

void SimServer::Run() {
    std::deque<Part> scheduled; // answers not yet due, in due order
    std::deque<Part> ready;     // due, being written; front() may be partly written
    std::size_t queuedBytes = 0;
    std::uint64_t answerCount = 0;
    std::mt19937_64 random(options_.dropSeed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    Clock::time_point lastDue = Clock::now();
    bool hangup = false;
    bool waitWritable = false;

    auto log = [this](const std::string& line) {
        if (!options_.logTraffic) return;
        if (options_.logSink) {
            options_.logSink(line);
        } else {
            std::string text = "vq830-sim: " + line + "\n";
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        }
    };

    auto schedule = [&](const Exchange& exchange, Clock::time_point now) {
        bool drop = options_.dropAll || answerCount < options_.dropFirst ||
                    (options_.dropRate > 0 && uniform(random) < options_.dropRate);
        ++answerCount;
        std::string note;
        {
            std::lock_guard lock(mutex_);
            if (drop) {
                ++stats_.answersDropped;
                note = " (dropped)";
            } else if (queuedBytes + exchange.answer.size() > kMaxQueuedBytes) {
                ++stats_.answersDiscarded;
                drop = true;
                note = " (discarded: output queue full)";
            } else {
                ++stats_.answersQueued;
            }
        }
        changed_.notify_all();
        log("frame " + Printable(exchange.frame) + " => " + Printable(exchange.answer) + note);
        if (drop) return;

        const std::string& answer = exchange.answer;
        if (answer.empty()) return;
        std::size_t parts =
            options_.splitParts < 1 ? 1 : static_cast<std::size_t>(options_.splitParts);
        parts = std::min(parts, answer.size());
        std::size_t base = answer.size() / parts;
        std::size_t extra = answer.size() % parts;
        Clock::time_point due = std::max(now + options_.answerDelay, lastDue);
        std::size_t offset = 0;
        for (std::size_t i = 0; i < parts; ++i) {
            std::size_t size = base + (i < extra ? 1 : 0);
            if (i > 0) due += options_.splitPause;
            scheduled.push_back(Part{due, answer.substr(offset, size), i + 1 == parts});
            offset += size;
        }
        lastDue = due;
        queuedBytes += answer.size();
    };

    // Moves the due parts to the write queue and writes what the pseudo-terminal takes.
    auto flush = [&] {
        Clock::time_point now = Clock::now();
        while (!scheduled.empty() && scheduled.front().due <= now) {
            ready.push_back(std::move(scheduled.front()));
            scheduled.pop_front();
            waitWritable = false;
        }

        // Write what is due, as far as the pseudo-terminal takes it.
        while (!ready.empty() && !waitWritable && !hangup) {
            Part& part = ready.front();
            ssize_t n = ::write(masterFd_, part.bytes.data(), part.bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN) {
                    waitWritable = true;
                } else {
                    hangup = true;
                }
                break;
            }
            const auto written = static_cast<std::size_t>(n);
            queuedBytes -= written;
            log("tx " + Printable(std::string_view(part.bytes).substr(0, written)));
            part.bytes.erase(0, written);
            const bool partDone = part.bytes.empty();
            {
                std::lock_guard lock(mutex_);
                stats_.bytesWritten += written;
                if (partDone && part.injected) ++stats_.injectionsWritten;
                if (partDone && !part.injected) ++stats_.partsWritten;
                if (partDone && part.last) ++stats_.answersWritten;
            }
            if (!partDone) continue;
            changed_.notify_all();
            ready.pop_front();
        }
    };

    for (;;) {
        flush();

        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {masterFd_, POLLIN, 0}};
        if (waitWritable) fds[1].events |= POLLOUT;
        if (hangup) fds[1].fd = -1; // ignored by poll
        int timeout = -1;
        auto until = [&](Clock::time_point when) {
            auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
            int wait = static_cast<int>(std::clamp<long long>(ms, 0, 60'000));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        };
        if (!scheduled.empty()) until(scheduled.front().due);
        if (hangup) until(Clock::now() + kHangupRetry);

        int rc = ::poll(fds, 2, timeout);
        if (rc < 0 && errno != EINTR) {
            log(std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            if (::read(wakeFd_, &count, sizeof count) < 0) {
                // EAGAIN: already drained; nothing else can fail on an eventfd
            }
            std::vector<std::string> bytes;
            {
                std::lock_guard lock(mutex_);
                if (stopRequested_) return;
                bytes.swap(injected_);
            }
            for (std::string& b : bytes) {
                log("inject " + Printable(b));
                queuedBytes += b.size();
                ready.push_back(Part{Clock::now(), std::move(b), false, true});
            }
            flush();
        }
        if (hangup) {
            hangup = false; // look again on the next round
            continue;
        }
        if (fds[1].revents & POLLOUT) waitWritable = false;
        if (!(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;

        // Read everything there is (bounded, so that a flood cannot starve the stop event).
        char buffer[kReadChunk];
        for (int round = 0; round < 16; ++round) {
            ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0 || errno != EAGAIN) hangup = true; // EIO: no slave side open
                break;
            }
            std::string_view chunk(buffer, static_cast<std::size_t>(n));
            log("rx " + Printable(chunk));
            std::vector<Exchange> exchanges;
            {
                std::lock_guard lock(mutex_);
                exchanges = device_.FeedExchanges(chunk);
                for (const Exchange& exchange : exchanges) {
                    if (history_.size() == kHistorySize) history_.pop_front();
                    history_.push_back(exchange);
                }
            }
            changed_.notify_all();
            Clock::time_point arrival = Clock::now();
            for (const Exchange& exchange : exchanges)
                schedule(exchange, arrival);
            flush();
        }
    }
}

} // namespace vq830::sim
