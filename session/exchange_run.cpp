#include "session/exchange_run.h"

namespace {

std::string Joined(const std::vector<TTimedBytes>& parts) {
    std::string text;
    for (const TTimedBytes& part : parts)
        text += part.bytes;
    return text;
}

} // namespace

std::string TExchange::AnswerText() const { return Joined(answer); }
std::string TExchange::LateText() const { return Joined(late); }

ReadBack ReadBackOf(const std::vector<TExchange>& exchanges) {
    ReadBack read;
    for (const TExchange& e : exchanges)
        if (IsParsedMode(e.command.mode))
            for (const SettingUpdate& update : e.judgement.updates)
                read.Apply(update);
    return read;
}

TExchangeRun::TExchangeRun(std::vector<Command> commands, TRunTiming timing, SendFrame send)
    : timing_(timing), send_(std::move(send)) {
    for (Command& command : commands)
        exchanges_.push_back({std::move(command), {}, {}, {}, Judgement::Of(Outcome::NotSent)});
}

void TExchangeRun::Start(TClock::time_point now) {
    if (state_ == State::Idle) SendAt(0, now);
}

void TExchangeRun::SendAt(size_t index, TClock::time_point now) {
    current_ = index;
    if (current_ >= exchanges_.size()) {
        Finish();
        return;
    }
    state_ = State::Awaiting;
    if (!send_(Current().command.frame)) {
        Finish();
        return;
    }
    Current().sentAt = now;
    if (OnSent) OnSent(current_);
}

void TExchangeRun::Received(const std::string& bytes, TClock::time_point now) {
    if (bytes.empty()) return;
    if (state_ == State::Awaiting) {
        Current().answer.push_back({now, bytes});
        if (OnBytes) OnBytes(bytes, false);
        if (AnswerComplete(Current().command, Current().AnswerText())) {
            EndAnswer();
            SendAt(current_ + 1, now);
        }
        return;
    }
    if (state_ == State::Settling) {
        exchanges_[current_].late.push_back({now, bytes});
        settleUntil_ = now + timing_.gap;
    }
    if (OnBytes) OnBytes(bytes, true);
}

void TExchangeRun::Tick(TClock::time_point now) {
    if (state_ == State::Settling && now >= settleUntil_) {
        SendAt(current_ + 1, now);
        return;
    }
    if (state_ != State::Awaiting) return;
    const TExchange& e = Current();
    if (e.answer.empty()) {
        if (now >= *e.sentAt + timing_.FirstByteTime()) EndSilence(now);
        return;
    }
    if (now >= e.answer.back().at + timing_.gap ||
        now >= e.answer.front().at + timing_.answerTime) {
        EndAnswer();
        SendAt(current_ + 1, now);
    }
}

std::optional<TClock::time_point> TExchangeRun::Deadline() const {
    if (state_ == State::Settling) return settleUntil_;
    if (state_ != State::Awaiting) return std::nullopt;
    const TExchange& e = exchanges_[current_];
    if (e.answer.empty()) return *e.sentAt + timing_.FirstByteTime();
    return std::min(e.answer.back().at + timing_.gap, e.answer.front().at + timing_.answerTime);
}

void TExchangeRun::EndAnswer() {
    Current().judgement = JudgeAnswer(Current().command, Current().AnswerText());
    silentInARow_ = 0;
    if (OnJudged) OnJudged(current_);
}

// A silent frame: the next goes out once the line has stayed quiet for an answer time, or for
// the gap after the last late byte.
void TExchangeRun::EndSilence(TClock::time_point now) {
    Current().judgement = Judgement::Of(Outcome::Silent);
    ++silentInARow_;
    if (OnJudged) OnJudged(current_);
    if (silentInARow_ >= timing_.silentLimit || current_ + 1 >= exchanges_.size()) {
        Finish();
        return;
    }
    state_ = State::Settling;
    settleUntil_ = now + timing_.answerTime;
}

void TExchangeRun::PortGone() {
    if (state_ == State::Done) return;
    gone_ = true;
    if (state_ == State::Awaiting) {
        Current().judgement = Judgement::Of(Outcome::PortGone);
        if (OnJudged) OnJudged(current_);
    }
    Finish();
}

void TExchangeRun::Cancel() {
    if (state_ == State::Done) return;
    cancelled_ = true;
    Finish();
}

void TExchangeRun::Finish() {
    state_ = State::Done;
    if (OnFinished) OnFinished();
}
