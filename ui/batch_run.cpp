#include "ui/batch_run.h"

TBatchRun::TBatchRun(QObject* parent) : QObject(parent), AnswerTime(new QTimer(this)) {
    AnswerTime->setSingleShot(true);
    AnswerTime->setInterval(2000);
    connect(AnswerTime, &QTimer::timeout, this, [this] { AnswerTimedOut(); });
}

void TBatchRun::Start(std::vector<TBatchStep> steps) {
    if (running_) return;
    steps_ = std::move(steps);
    current_ = 0;
    result_ = {};
    running_ = true;
    SendCurrent();
}

void TBatchRun::Cancel() {
    if (!running_) return;
    result_.cancelled = true;
    Finish();
}

void TBatchRun::SendCurrent() {
    if (!running_) return;
    if (current_ >= steps_.size()) {
        Finish();
        return;
    }
    emit StepStarted(int(current_), int(steps_.size()), steps_[current_].label);
    if (!running_) return; // cancelled meanwhile
    const std::optional<std::string> frame = steps_[current_].send();
    if (!running_) return;
    if (!frame) {
        result_.unsent = true;
        Finish();
        return;
    }
    frame_ = *frame;
    result_.steps = int(current_) + 1;
    waiting_ = true;
    AnswerTime->start();
}

void TBatchRun::AnswerShown() {
    if (!waiting_) return;
    if (steps_[current_].parsed) {
        AnswerTime->start(); // the answer has begun: its parse follows on the next tick
        return;
    }
    StepDone();
}

void TBatchRun::ReplyParsed(const ParseResult& result) {
    if (!waiting_ || !steps_[current_].parsed) return;
    result_.updates.insert(result_.updates.end(), result.updates.begin(), result.updates.end());
    if (result.errorText) result_.unparsed.push_back(frame_);
    StepDone();
}

void TBatchRun::AnswerTimedOut() {
    if (!waiting_) return;
    result_.unanswered.push_back(frame_);
    StepDone();
}

// The next step goes out once the handler that reported this answer has returned.
void TBatchRun::StepDone() {
    waiting_ = false;
    AnswerTime->stop();
    ++current_;
    QTimer::singleShot(0, this, [this] { SendCurrent(); });
}

void TBatchRun::Finish() {
    running_ = false;
    waiting_ = false;
    AnswerTime->stop();
    emit Finished(result_);
}
