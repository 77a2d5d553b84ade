// The device on a serial port: the same port object and exchange engine as the window.
// Commands run one at a time through the engine, which judges every answer.
#pragma once

#include "cli/options.h"
#include "serial/comm.h"
#include "session/session.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>
// The port could not be opened: the port's message and the explanation.
class EOpenFailed : public std::runtime_error {
public:
    EOpenFailed(const std::string& message, QString explanation)
        : std::runtime_error(message), Explanation(std::move(explanation)) {}
    QString Explanation;
};

// The command line's language: English (the tool's translation, installed here) outside a
// Chinese locale, and Chinese, the tool's own, in one. Needs the QCoreApplication.
void UseUserLanguage();

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

    // Opens the port with the options' settings, DTR and RTS low from the start. Throws
    // EOpenFailed.
    void Open();
    // Runs the commands one at a time and returns what became of each.
    std::vector<TExchange> Run(std::vector<Command> commands);

    // Called once, just before the first frame of the first run goes out (a record of the
    // attempt is started there; what it throws stops the command with nothing sent).
    std::function<void()> BeforeFirstFrame;
    // Every run's exchanges as judged.
    std::function<void(const std::vector<TExchange>&)> AfterRun;

private:
    void ReportJudged(const TExchange& exchange) const;

    const TCliOptions& options_;
    const TReport& report_;
    QObject host_; // the port's notifications arrive through its event queue
    std::unique_ptr<TComm> comm_;
    std::unique_ptr<TSession> session_;
    bool gone_ = false;
};
