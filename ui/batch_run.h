#pragma once

#include "protocol/replies.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One step of a batch: a command sent as its button sends it, and how its answer ends.
struct TBatchStep {
    QString label; // the frame, for the progress shown to the user
    // Sends the command; returns the frame that went out, or nothing when none did.
    std::function<std::optional<std::string>()> send;
    bool parsed = false; // true: the answer is parsed on the tick; false: it is only shown
};

// How a batch went.
struct TBatchResult {
    int steps = 0;                       // steps run (fewer than given when stopped)
    std::vector<std::string> unanswered; // frames whose answer did not come in time
    std::vector<std::string> unparsed;   // frames whose answer could not be parsed
    std::vector<SettingUpdate> updates;  // everything the parsed answers read, in order
    bool cancelled = false;
    bool unsent = false; // a command could not be sent (the port closed): the batch stopped
};

// Runs steps one at a time: each is sent when the one before has been answered (shown, or
// parsed), or when its time for an answer has run out. The window reports answers through
// AnswerShown() and ReplyParsed().
class TBatchRun : public QObject {
    Q_OBJECT
public:
    explicit TBatchRun(QObject* parent);

    void Start(std::vector<TBatchStep> steps);
    void Cancel();
    bool Running() const { return running_; }

    // A batch was kept and shown under the RecvMode the current step stored.
    void AnswerShown();
    // The tick parsed the answer of the current step.
    void ReplyParsed(const ParseResult& result);

    // How long an answer may take, from the send to its end (tests may shorten it).
    QTimer* AnswerTime;

signals:
    void StepStarted(int index, int count, const QString& label);
    void Finished(const TBatchResult& result);

private:
    void SendCurrent();
    void StepDone();
    void AnswerTimedOut();
    void Finish();

    std::vector<TBatchStep> steps_;
    size_t current_ = 0;
    std::string frame_; // as the current step sent it
    bool running_ = false;
    bool waiting_ = false; // the current step's answer is awaited
    TBatchResult result_;
};
