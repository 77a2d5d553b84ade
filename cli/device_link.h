// The device on a serial port, one frame at a time: the same port object, line settings and
// answer rule as the window (an answer is the first batch after the frame, which the port
// ends after 100 ms without a byte).
#pragma once

#include "cli/options.h"
#include "serial/comm.h"
#include "serial/notify.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>

// The port could not be opened: the port's message and the explanation.
class EOpenFailed : public std::runtime_error {
public:
    EOpenFailed(const std::string& message, QString explanation)
        : std::runtime_error(message), Explanation(std::move(explanation)) {}
    QString Explanation;
};

// Progress and traffic on standard error, as the options ask.
class TReport {
public:
    explicit TReport(const TCliOptions& options) : options_(options) {}
    void Progress(const QString& text) const;
    void Error(const QString& text) const;
    void Traffic(char direction, const std::string& bytes) const;

private:
    const TCliOptions& options_;
};

class TDeviceLink {
public:
    TDeviceLink(const TCliOptions& options, const TReport& report);
    ~TDeviceLink();

    // Opens the port with the options' settings. Throws EOpenFailed.
    void Open();
    // Sends the frame and returns its answer, or nothing when none began within the time-out
    // (or the port went away). Bytes that came in before the frame are dropped.
    std::optional<std::string> Ask(const std::string& frame);

private:
    const TCliOptions& options_;
    const TReport& report_;
    std::shared_ptr<QueueNotifySink> sink_;
    std::unique_ptr<TComm> comm_;
    std::deque<std::string> batches_;
    bool gone_ = false;
};
