// A run of commands against the device, one at a time: each frame goes out when the one
// before it has been judged, and each gets a record of what it got back.
//
// The answer rule: an answer ends when the line has been quiet for the gap, when it has
// lasted the answer time, or, for a query, as soon as it holds every field the query reads. A
// frame that gets no byte within the answer time (or the first-byte time) is silent; the next one
// then goes out only after the line has stayed quiet (bytes that come meanwhile are the silent
// frame's late answer, never the next frame's). Bytes that arrive while no frame awaits its answer
// belong to no answer: they are reported as dropped. A run ends after the last command, when the
// port went away, when a frame could not be sent, after `silentLimit` silent frames in a row
// (the device is not answering), or when it is cancelled; the commands it did not send are
// recorded as not sent.
//
// The run itself keeps no clock and no port: its driver feeds it the time, the bytes and the
// port's hang-up, and calls Tick at Deadline().
#pragma once

#include "protocol/answers.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using TClock = std::chrono::steady_clock;

struct TTimedBytes {
    TClock::time_point at;
    std::string bytes;
};

// One command and what came of it.
struct TExchange {
    Command command;
    std::optional<TClock::time_point> sentAt; // unset when it was not sent
    std::vector<TTimedBytes> answer;
    std::vector<TTimedBytes> late; // after a silence: what came before the next frame went out
    Judgement judgement = Judgement::Of(Outcome::NotSent);
    std::string AnswerText() const;
    std::string LateText() const;
};

// What the judged queries among `exchanges` read.
ReadBack ReadBackOf(const std::vector<TExchange>& exchanges);

struct TRunTiming {
    std::chrono::milliseconds answerTime = kAnswerTime;
    std::chrono::milliseconds gap = kAnswerGap;
    int silentLimit = 3;
    // How long a frame waits for the first byte of its answer before it is silent; zero: the
    // answer time. An answer that has begun may still last the answer time.
    std::chrono::milliseconds firstByte{0};
    std::chrono::milliseconds FirstByteTime() const {
        return firstByte.count() > 0 ? firstByte : answerTime;
    }
};

class TExchangeRun {
public:
    // Sends one frame; false when it could not go out.
    using SendFrame = std::function<bool(const std::string& frame)>;

    TExchangeRun(std::vector<Command> commands, TRunTiming timing, SendFrame send);

    // Sends the first frame.
    void Start(TClock::time_point now);
    void Received(const std::string& bytes, TClock::time_point now);
    void PortGone();
    void Cancel();
    // Ends what is due at `now` (an answer, a silence, the wait after a silence).
    void Tick(TClock::time_point now);
    // When Tick is next due; nothing once the run has ended.
    std::optional<TClock::time_point> Deadline() const;

    bool Finished() const { return state_ == State::Done; }
    bool Cancelled() const { return cancelled_; }
    bool WentAway() const { return gone_; }
    const std::vector<TExchange>& Exchanges() const { return exchanges_; }

    // Reported as things happen: a frame went out, bytes came (dropped: no frame awaited
    // them), an exchange was judged, the run ended.
    std::function<void(size_t index)> OnSent;
    std::function<void(const std::string& bytes, bool dropped)> OnBytes;
    std::function<void(size_t index)> OnJudged;
    std::function<void()> OnFinished;

private:
    enum class State { Idle, Awaiting, Settling, Done };

    TExchange& Current() { return exchanges_[current_]; }
    void SendAt(size_t index, TClock::time_point now);
    void EndAnswer();
    void EndSilence(TClock::time_point now);
    void Finish();

    std::vector<TExchange> exchanges_;
    TRunTiming timing_;
    SendFrame send_;
    State state_ = State::Idle;
    size_t current_ = 0;
    int silentInARow_ = 0;
    TClock::time_point settleUntil_{};
    bool cancelled_ = false;
    bool gone_ = false;
};
