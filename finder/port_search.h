// The search on one port: the device's main-port settings tried one after another, each with
// the read-only query "PPPPPP#QX1#", until one is answered.
//
// A try applies its settings to the open port, sends the query and reads the answer by the
// exchange engine's rules, with a first-byte wait fitted to the try's baud rate (a confirmation
// waits as long as any exchange: a slow board's late answer may have named the settings). It ends
// early on the first byte that is not printable text or on a line error (the noise of a wrong baud
// rate or framing), then waits for the line to go quiet before the next try; it ends on
// "ERR#" (a device at these settings that refuses the query). An answer counts only when it
// parses as the query's reply. The reply names the device's own main-port settings; when they
// differ from the try's, the port is switched to them and asked again, and the device is found
// only when that second query is answered cleanly (asked again, a few times, when noise spoils
// it).
//
// Like the exchange engine it keeps no clock and no port: its driver feeds it the time, the
// bytes, line errors and the port's hang-up, and calls Tick at Deadline().
#pragma once

#include "finder/line_choices.h"
#include "session/exchange_run.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What came of a port's search.
enum class SearchOutcome {
    Searching,
    Found,      // answered at the settings it names: `at`
    Refused,    // "ERR#" as clean text at `at`: a device is there, it refuses the query
    NamedOther, // answered at `at`, named `named`, and gave no clean answer at `named`
    Nothing,    // every setting tried, no answer
    Gone,       // the port went away
    Cancelled,
};

struct TSearchResult {
    SearchOutcome outcome = SearchOutcome::Searching;
    PortConfig at;     // Found, Refused, NamedOther: where the device answered
    PortConfig named;  // Found, NamedOther: the settings its reply named
    std::string reply; // Found, Refused, NamedOther: what it said
    int tried = 0;     // settings tried
};

// A try's waits, from the settings' character time.
struct TTryTiming {
    // The device's time from the end of a frame to its answer.
    std::chrono::milliseconds turnaround{40};
    // What stands between the line and the program: a USB adapter holds bytes up to 16 ms.
    std::chrono::milliseconds latency{20};
};

// The time one character takes on the line at `line` (start, 8 data, parity, stop bits).
std::chrono::microseconds CharacterTime(const PortConfig& line);
// How long a try at `line` waits for the first byte of an answer: the query's own time on the
// line, the turnaround, the latency and two characters.
std::chrono::milliseconds FirstByteWait(const PortConfig& line, const TTryTiming& timing = {});
// How long the line must stay quiet before the next try, and before an answer ends.
std::chrono::milliseconds QuietGap(const PortConfig& line);

class TPortSearch {
public:
    // Puts the open port at these settings.
    using ApplyLine = std::function<void(const PortConfig& line)>;
    using SendFrame = TExchangeRun::SendFrame;

    TPortSearch(std::vector<PortConfig> order, ApplyLine apply, SendFrame send,
                TTryTiming timing = {});
    ~TPortSearch();

    void Start(TClock::time_point now);
    void Received(const std::string& bytes, TClock::time_point now);
    void LineError(TClock::time_point now);
    void PortGone();
    void Cancel();
    void Tick(TClock::time_point now);
    std::optional<TClock::time_point> Deadline() const;

    bool Finished() const { return phase_ == Phase::Done; }
    const TSearchResult& Result() const { return result_; }
    // The settings being tried (while confirming, the settings named), the number of the
    // settings of the order tried so far, and the order's length.
    const PortConfig& Trying() const { return trying_; }
    int TryNumber() const { return result_.tried; }
    int TryCount() const { return int(order_.size()); }
    bool Confirming() const { return confirming_; }

    // A try began; the search ended.
    std::function<void()> OnTry;
    std::function<void()> OnFinished;

private:
    enum class Phase { Idle, Asking, Quieting, Done };

    void TryAt(size_t index, TClock::time_point now);
    void Ask(const PortConfig& line, TClock::time_point now);
    TRunTiming Timing(const PortConfig& line) const;
    void Judge(TClock::time_point now);
    void Answered(const TExchange& exchange, TClock::time_point now);
    void Unanswered(TClock::time_point now, bool quiet);
    void Quiet(TClock::time_point now);
    void Next(TClock::time_point now);
    void Finish(SearchOutcome outcome);

    std::vector<PortConfig> order_;
    ApplyLine apply_;
    SendFrame send_;
    TTryTiming timing_;
    std::unique_ptr<TExchangeRun> run_;
    Phase phase_ = Phase::Idle;
    size_t index_ = 0;
    PortConfig trying_;
    bool confirming_ = false;
    int confirmRetries_ = 0;
    TClock::time_point quietUntil_{};
    TSearchResult result_;
};
