#include "finder/port_search.h"

#include "protocol/frames.h"

#include <algorithm>

using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

// The longest reply a query's answer is given time for.
constexpr int kReplyChars = 96;
constexpr milliseconds kShortestGap{20};
constexpr int kConfirmRetries = 3;

// The system query, "PPPPPP#QX1#", as the configuration's read-back sends it.
const Command& QueryCommand() {
    static const Command query = ConfigQueries().front();
    return query;
}

// Bytes that a device at the right settings never sends: anything but printable text.
bool HasNoise(const std::string& bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b > 0x7e;
    });
}

// The main-port settings a judged reply names (it holds them all when it was answered).
PortConfig NamedLine(const Judgement& judgement) {
    DeviceSettings settings;
    for (const SettingUpdate& update : judgement.updates)
        Apply(settings, update);
    return settings.ports[0];
}

milliseconds Ceil(microseconds time) { return std::chrono::ceil<milliseconds>(time); }

} // namespace

microseconds CharacterTime(const PortConfig& line) {
    const int baud = IsListedLine(line) ? kBaudRates[size_t(line.baud)] : kBaudRates[0];
    const int bits = 1 + 8 + (line.parity > 0 ? 1 : 0) + (line.stop > 0 ? 2 : 1);
    return microseconds(1'000'000LL * bits / baud + 1);
}

milliseconds FirstByteWait(const PortConfig& line, const TTryTiming& timing) {
    const auto characters = int(QueryCommand().frame.size()) + 2;
    return Ceil(CharacterTime(line) * characters) + timing.turnaround + timing.latency;
}

milliseconds QuietGap(const PortConfig& line) {
    return std::max(kShortestGap, Ceil(CharacterTime(line) * 3));
}

TPortSearch::TPortSearch(std::vector<PortConfig> order, ApplyLine apply, SendFrame send,
                         TTryTiming timing)
    : order_(std::move(order)), apply_(std::move(apply)), send_(std::move(send)), timing_(timing) {}

TPortSearch::~TPortSearch() = default;

void TPortSearch::Start(TClock::time_point now) {
    if (phase_ == Phase::Idle) TryAt(0, now);
}

void TPortSearch::TryAt(size_t index, TClock::time_point now) {
    index_ = index;
    if (index_ >= order_.size()) return Finish(SearchOutcome::Nothing);
    ++result_.tried;
    Ask(order_[index_], now);
}

void TPortSearch::Ask(const PortConfig& line, TClock::time_point now) {
    trying_ = line;
    apply_(line);
    run_ =
        std::make_unique<TExchangeRun>(std::vector<Command>{QueryCommand()}, Timing(line), send_);
    phase_ = Phase::Asking;
    if (OnTry) OnTry();
    if (phase_ == Phase::Done) return; // cancelled by OnTry's handler
    run_->Start(now);
    if (run_->Finished()) Judge(now); // the frame could not go out
}

// A try waits for the first byte as long as the settings' own time needs; the confirmation, once
// a reply has named the settings, as long as any exchange does: the reply may have been a slow
// board's late answer to an earlier try. An answer that has begun ends by the engine's rules.
TRunTiming TPortSearch::Timing(const PortConfig& line) const {
    TRunTiming timing;
    timing.firstByte = confirming_ ? kAnswerTime : FirstByteWait(line, timing_);
    timing.answerTime = timing.firstByte + Ceil(CharacterTime(line) * kReplyChars) + kAnswerGap;
    timing.silentLimit = 1;
    return timing;
}

void TPortSearch::Received(const std::string& bytes, TClock::time_point now) {
    if (phase_ == Phase::Quieting) Quiet(now);
    if (phase_ != Phase::Asking) return;
    if (HasNoise(bytes)) return Unanswered(now, false);
    run_->Received(bytes, now);
    if (run_->Exchanges()[0].AnswerText().find(kRefusal) != std::string::npos) {
        result_.at = trying_;
        result_.reply = run_->Exchanges()[0].AnswerText();
        return Finish(SearchOutcome::Refused);
    }
    if (run_->Finished()) Judge(now);
}

void TPortSearch::LineError(TClock::time_point now) {
    if (phase_ == Phase::Quieting) Quiet(now);
    if (phase_ == Phase::Asking) Unanswered(now, false);
}

void TPortSearch::PortGone() { Finish(SearchOutcome::Gone); }

void TPortSearch::Cancel() { Finish(SearchOutcome::Cancelled); }

void TPortSearch::Tick(TClock::time_point now) {
    if (phase_ == Phase::Quieting && now >= quietUntil_) return Next(now);
    if (phase_ != Phase::Asking) return;
    run_->Tick(now);
    if (run_->Finished()) Judge(now);
}

std::optional<TClock::time_point> TPortSearch::Deadline() const {
    if (phase_ == Phase::Quieting) return quietUntil_;
    if (phase_ == Phase::Asking) return run_->Deadline();
    return std::nullopt;
}

void TPortSearch::Judge(TClock::time_point now) {
    const TExchange& exchange = run_->Exchanges()[0];
    switch (exchange.judgement.outcome) {
    case Outcome::Answered:
        return Answered(exchange, now);
    case Outcome::Silent:
        return Unanswered(now, true);
    case Outcome::NotSent:
    case Outcome::PortGone:
        return Finish(SearchOutcome::Gone);
    default:
        return Unanswered(now, false);
    }
}

// A clean reply: found when it names the settings it came at, else those are asked again.
void TPortSearch::Answered(const TExchange& exchange, TClock::time_point now) {
    const PortConfig named = NamedLine(exchange.judgement);
    if (!confirming_) {
        result_.at = trying_;
        result_.reply = exchange.AnswerText();
        result_.named = named;
    }
    if (named == trying_) {
        result_.at = trying_;
        result_.reply = exchange.AnswerText();
        return Finish(SearchOutcome::Found);
    }
    if (confirming_ || !IsListedLine(named)) return Finish(SearchOutcome::NamedOther);
    confirming_ = true;
    Ask(named, now);
}

// No clean reply at these settings. After silence the line is already quiet; after noise it
// must go quiet before the next try.
// A confirmation spoiled by noise (late answers to earlier tries at other settings) is asked
// again once the line is quiet, a few times.
void TPortSearch::Unanswered(TClock::time_point now, bool quiet) {
    run_->Cancel();
    if (confirming_ && (quiet || ++confirmRetries_ > kConfirmRetries))
        return Finish(SearchOutcome::NamedOther);
    if (quiet) return Next(now);
    Quiet(now);
}

void TPortSearch::Quiet(TClock::time_point now) {
    phase_ = Phase::Quieting;
    quietUntil_ = now + (confirming_ ? kAnswerGap : QuietGap(trying_));
}

void TPortSearch::Next(TClock::time_point now) {
    if (confirming_) return Ask(trying_, now);
    TryAt(index_ + 1, now);
}

// Once only: a handler of OnTry may already have ended the search.
void TPortSearch::Finish(SearchOutcome outcome) {
    if (phase_ == Phase::Done) return;
    if (run_) run_->Cancel();
    phase_ = Phase::Done;
    result_.outcome = outcome;
    if (OnFinished) OnFinished();
}
