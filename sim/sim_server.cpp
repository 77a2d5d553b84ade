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
// Reads per wake-up, so that a flood cannot starve the stop event.
constexpr int kReadRounds = 16;

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

// "57600,None,2"; an index out of range shows as '?'.
std::string LineText(const PortSettings& s) {
    auto in = [](int i, int max) { return i >= 0 && i <= max; };
    std::string text = in(s.baud, kMaxBaudIndex) ? std::to_string(kBaudRates[s.baud]) : "?";
    text += in(s.parity, kMaxParityIndex) ? "," + std::string(kParityNames[s.parity]) : ",?";
    text += in(s.stop, kMaxStopIndex) ? (s.stop == 1 ? ",2" : ",1") : ",?";
    return text;
}

// The rate of a baud index; 0 for one out of range.
std::uint32_t RateOf(const PortSettings& s) {
    const bool known = s.baud >= 0 && s.baud <= kMaxBaudIndex;
    return known ? static_cast<std::uint32_t>(kBaudRates[s.baud]) : 0;
}

// Whether a UART at `expected` receives what the tool sends at `tty`: the same stop bits and a
// rate within 2 %, what a UART tolerates.
bool Matches(const PortSettings& expected, const TtyLine& tty) {
    const std::uint64_t rate = RateOf(expected);
    const std::uint64_t gap = tty.rate > rate ? tty.rate - rate : rate - tty.rate;
    return rate > 0 && gap * 50 <= rate && tty.twoStopBits == (expected.stop == 1);
}

// What the tool receives of an answer of `size` bytes sent at another rate: about as many bytes
// as bit times of its own fit into the answer's time.
std::size_t NoiseSize(std::size_t size, std::uint32_t toolRate, std::uint32_t deviceRate) {
    const double ratio = deviceRate > 0 ? static_cast<double>(toolRate) / deviceRate : 1.0;
    const auto scaled = static_cast<std::size_t>(static_cast<double>(size) * ratio + 0.5);
    return std::clamp<std::size_t>(scaled, 1, kMaxNoiseBytes);
}

SimOptions WithLine(SimOptions options) {
    if (options.line) options.initialState.ports[kPortZ] = *options.line;
    return options;
}

// Wakes the server thread (eventfd).
void Wake(int fd) {
    std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

SimServer::SimServer(int masterFd, SimOptions options)
    : masterFd_(masterFd), options_(WithLine(std::move(options))), device_(options_.initialState),
      line_(options_.line) {}

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

std::optional<PortSettings> SimServer::Line() const {
    std::lock_guard lock(mutex_);
    return line_;
}

void SimServer::Restart() {
    std::optional<PortSettings> now;
    {
        std::lock_guard lock(mutex_);
        if (line_) line_ = device_.State().ports[kPortZ];
        now = line_;
        device_.DiscardBuffered();
        framer_.DiscardBuffered();
    }
    changed_.notify_all();
    Log("restart" + (now ? ": answering at " + LineText(*now) : std::string()));
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

// The server thread's own state: the answers on their way out and what the line allows.
struct SimServer::Wire {
    enum class Kind {
        Answer,
        Injected, // bytes given to Inject()
        Noise     // for a frame that arrived at another line setting
    };
    struct Part {
        Clock::time_point due;
        std::string bytes;
        bool last = false; // the answer's final part
        Kind kind = Kind::Answer;
    };

    explicit Wire(std::uint64_t seed) : random(seed), noise(seed) {}

    // Splits an answer into its parts, due after the delay and after every answer before it.
    void QueueAnswer(const std::string& answer, Clock::time_point arrival,
                     const SimOptions& options, Kind kind = Kind::Answer);
    // `size` bytes outside printable ASCII (0x20..0x7E).
    std::string Noise(std::size_t size);
    // Moves the parts that are due to the write queue.
    void MoveDue(Clock::time_point now);
    // The poll time-out in milliseconds: until the next part is due, or the hang-up retry.
    int PollTimeout() const;

    std::deque<Part> scheduled; // answers not yet due, in due order
    std::deque<Part> ready;     // due, being written; front() may be partly written
    std::size_t queuedBytes = 0;
    std::uint64_t answerCount = 0;
    std::mt19937_64 random;
    std::uniform_real_distribution<double> uniform{0.0, 1.0};
    std::mt19937_64 noise;
    Clock::time_point lastDue = Clock::now();
    bool hangup = false;       // no slave side open: look again after kHangupRetry
    bool waitWritable = false; // the pseudo-terminal is full: wait until it takes more
};

// What woke the thread.
struct SimServer::Wakeup {
    bool failed = false;   // poll failed: the thread ends
    bool signaled = false; // the wake descriptor: stop, or bytes to inject
    bool writable = false;
    bool readable = false; // bytes from the tool, or a hang-up
};

void SimServer::Wire::QueueAnswer(const std::string& answer, Clock::time_point arrival,
                                  const SimOptions& options, Kind kind) {
    if (answer.empty()) return;
    std::size_t parts = options.splitParts < 1 ? 1 : static_cast<std::size_t>(options.splitParts);
    parts = std::min(parts, answer.size());
    std::size_t base = answer.size() / parts;
    std::size_t extra = answer.size() % parts;
    Clock::time_point due = std::max(arrival + options.answerDelay, lastDue);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < parts; ++i) {
        std::size_t size = base + (i < extra ? 1 : 0);
        if (i > 0) due += options.splitPause;
        scheduled.push_back(Part{due, answer.substr(offset, size), i + 1 == parts, kind});
        offset += size;
    }
    lastDue = due;
    queuedBytes += answer.size();
}

std::string SimServer::Wire::Noise(std::size_t size) {
    // 0x00..0x1F, then 0x7F..0xFF: the 161 values that are not printable.
    std::uniform_int_distribution<int> pick(0, 160);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        const int v = pick(noise);
        c = static_cast<char>(v < 0x20 ? v : v + 0x5F);
    }
    return bytes;
}

void SimServer::Wire::MoveDue(Clock::time_point now) {
    while (!scheduled.empty() && scheduled.front().due <= now) {
        ready.push_back(std::move(scheduled.front()));
        scheduled.pop_front();
        waitWritable = false;
    }
}

int SimServer::Wire::PollTimeout() const {
    int timeout = -1;
    auto until = [&](Clock::time_point when) {
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
        int wait = static_cast<int>(std::clamp<long long>(ms, 0, 60'000));
        timeout = timeout < 0 ? wait : std::min(timeout, wait);
    };
    if (!scheduled.empty()) until(scheduled.front().due);
    if (hangup) until(Clock::now() + kHangupRetry);
    return timeout;
}

void SimServer::Run() {
    Wire wire(options_.dropSeed);
    for (;;) {
        WriteDue(wire);
        const Wakeup wakeup = Wait(wire);
        if (wakeup.failed) return;
        if (wakeup.signaled && !TakeInjected(wire)) return; // stop requested
        if (wire.hangup) {
            wire.hangup = false; // look again on the next round
            continue;
        }
        if (wakeup.writable) wire.waitWritable = false;
        if (wakeup.readable) ReadAndAnswer(wire);
    }
}

SimServer::Wakeup SimServer::Wait(const Wire& wire) const {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {masterFd_, POLLIN, 0}};
    if (wire.waitWritable) fds[1].events |= POLLOUT;
    if (wire.hangup) fds[1].fd = -1; // ignored by poll
    if (::poll(fds, 2, wire.PollTimeout()) < 0 && errno != EINTR) {
        Log(std::string("poll failed: ") + std::strerror(errno));
        return {.failed = true};
    }
    return {.signaled = (fds[0].revents & POLLIN) != 0,
            .writable = (fds[1].revents & POLLOUT) != 0,
            .readable = (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0};
}

bool SimServer::TakeInjected(Wire& wire) {
    std::uint64_t count = 0;
    if (::read(wakeFd_, &count, sizeof count) < 0) {
        // EAGAIN: already drained; nothing else can fail on an eventfd
    }
    std::vector<std::string> bytes;
    {
        std::lock_guard lock(mutex_);
        if (stopRequested_) return false;
        bytes.swap(injected_);
    }
    for (std::string& b : bytes) {
        Log("inject " + Printable(b));
        wire.queuedBytes += b.size();
        wire.ready.push_back(Wire::Part{Clock::now(), std::move(b), false, Wire::Kind::Injected});
    }
    WriteDue(wire);
    return true;
}

void SimServer::ReadAndAnswer(Wire& wire) {
    char buffer[kReadChunk];
    for (int round = 0; round < kReadRounds; ++round) {
        ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0 || errno != EAGAIN) wire.hangup = true; // EIO: no slave side open
            return;
        }
        Answer(wire, std::string_view(buffer, static_cast<std::size_t>(n)));
        WriteDue(wire);
    }
}

void SimServer::Answer(Wire& wire, std::string_view bytes) {
    Log("rx " + Printable(bytes));
    const std::optional<TtyLine> tty = options_.line ? ReadTtyLine(masterFd_) : std::nullopt;
    std::optional<PortSettings> expected; // set when the bytes came at another setting
    std::vector<Exchange> exchanges;
    {
        std::lock_guard lock(mutex_);
        if (tty && line_ && !Matches(*line_, *tty)) expected = line_;
        exchanges = expected ? FeedFramer(bytes) : FeedDevice(bytes);
    }
    changed_.notify_all();
    Clock::time_point arrival = Clock::now();
    for (const Exchange& exchange : exchanges) {
        if (expected) {
            AnswerMismatch(wire, exchange, *tty, *expected);
        } else if (Admit(wire, exchange)) {
            wire.QueueAnswer(exchange.answer, arrival, options_);
        }
    }
}

std::vector<Exchange> SimServer::FeedDevice(std::string_view bytes) {
    framer_.DiscardBuffered();
    const DeviceState before = device_.State();
    std::vector<Exchange> exchanges = device_.FeedExchanges(bytes);
    if (options_.refuseAll) {
        device_.SetState(before);
        for (Exchange& exchange : exchanges)
            exchange.answer = kErrorText;
    }
    for (const Exchange& exchange : exchanges) {
        if (history_.size() == kHistorySize) history_.pop_front();
        history_.push_back(exchange);
    }
    return exchanges;
}

std::vector<Exchange> SimServer::FeedFramer(std::string_view bytes) {
    device_.DiscardBuffered(); // garbage in the middle of a frame ends it
    framer_.SetState(device_.State());
    std::vector<Exchange> frames = framer_.FeedExchanges(bytes);
    stats_.mismatchedFrames += frames.size();
    return frames;
}

void SimServer::AnswerMismatch(Wire& wire, const Exchange& frame, const TtyLine& tool,
                               const PortSettings& expected) {
    const std::string head =
        "frame " + Printable(frame.frame) + " at " + std::to_string(tool.rate) + " bps, " +
        (tool.twoStopBits ? "2 stop bits" : "1 stop bit") + "; device at " + LineText(expected);
    if (options_.mismatch == Mismatch::Silent) {
        Log(head + " => nothing");
        return;
    }
    std::string noise = wire.Noise(NoiseSize(frame.answer.size(), tool.rate, RateOf(expected)));
    std::string note = " => " + std::to_string(noise.size()) + " bytes of noise";
    if (wire.queuedBytes + noise.size() > kMaxQueuedBytes) {
        std::lock_guard lock(mutex_);
        ++stats_.answersDiscarded;
        note += " (discarded: output queue full)";
    } else {
        wire.QueueAnswer(noise, Clock::now(), options_, Wire::Kind::Noise);
    }
    Log(head + note);
}

bool SimServer::Admit(Wire& wire, const Exchange& exchange) {
    bool drop = options_.dropAll || wire.answerCount < options_.dropFirst ||
                (options_.dropRate > 0 && wire.uniform(wire.random) < options_.dropRate);
    ++wire.answerCount;
    std::string note;
    {
        std::lock_guard lock(mutex_);
        if (drop) {
            ++stats_.answersDropped;
            note = " (dropped)";
        } else if (wire.queuedBytes + exchange.answer.size() > kMaxQueuedBytes) {
            ++stats_.answersDiscarded;
            drop = true;
            note = " (discarded: output queue full)";
        } else {
            ++stats_.answersQueued;
        }
    }
    changed_.notify_all();
    Log("frame " + Printable(exchange.frame) + " => " + Printable(exchange.answer) + note);
    return !drop;
}

void SimServer::WriteDue(Wire& wire) {
    wire.MoveDue(Clock::now());
    while (!wire.ready.empty() && !wire.waitWritable && !wire.hangup)
        WriteFront(wire);
}

void SimServer::WriteFront(Wire& wire) {
    Wire::Part& part = wire.ready.front();
    ssize_t n = ::write(masterFd_, part.bytes.data(), part.bytes.size());
    if (n < 0) {
        if (errno == EAGAIN) wire.waitWritable = true;
        if (errno != EAGAIN && errno != EINTR) wire.hangup = true;
        return;
    }
    const auto written = static_cast<std::size_t>(n);
    wire.queuedBytes -= written;
    Log("tx " + Printable(std::string_view(part.bytes).substr(0, written)));
    part.bytes.erase(0, written);
    const bool partDone = part.bytes.empty();
    {
        std::lock_guard lock(mutex_);
        stats_.bytesWritten += written;
        const bool answer = part.kind == Wire::Kind::Answer;
        if (partDone && part.kind == Wire::Kind::Injected) ++stats_.injectionsWritten;
        if (partDone && answer) ++stats_.partsWritten;
        if (partDone && answer && part.last) ++stats_.answersWritten;
    }
    if (!partDone) return;
    changed_.notify_all();
    wire.ready.pop_front();
}

void SimServer::Log(const std::string& text) const {
    if (!options_.logTraffic) return;
    if (options_.logSink) {
        options_.logSink(text);
    } else {
        std::string out = "vq830-sim: " + text + "\n";
        std::fwrite(out.data(), 1, out.size(), stderr);
        std::fflush(stderr);
    }
}

} // namespace vq830::sim
