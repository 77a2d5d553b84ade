// The board serial number written as the production line records it (a database configured):
// "下一个序列号" (Button60) takes the line's next number and writes it, "设置" beside PCBSN
// (Button53) writes the number typed there. Each is one frame through the exchange engine, so
// that its answer is judged (answered, refused, silent, the device gone), shown as Button53
// shows it and recorded; a number taken from the line is settled by that judgement: written,
// released for the next board, or voided.
#pragma once

#include "protocol/answers.h"
#include "session/exchange_run.h"
#include "ui/run_display.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QWidget;
class TLineStation;
class TPortLink;
class TReplyIntake;
class TSession;
class TStatusLine;
struct TLineAttempt;
namespace Ui {
struct Form1;
}

class TSerialWrites : public QObject {
    Q_OBJECT
public:
    struct TParts {
        TLineStation& line;
        TReplyIntake& intake;
        const TPortLink& link;
        TStatusLine& status;
    };
    // `idleOnly`: the buttons disabled while a write goes on.
    TSerialWrites(Ui::Form1& ui, TParts parts, std::vector<QPushButton*> idleOnly, QWidget* window);
    ~TSerialWrites() override;

    // "下一个序列号": the line's next number into PCBSN and onto the board.
    void Next();
    // "设置": the number typed into PCBSN onto the board.
    void WriteTyped();
    // From the click until the write's outcome has been recorded.
    bool Running() const { return attempt_ != nullptr; }

    // The writes go through this, with these times (tests may shorten them).
    TSession* Session;
    TRunTiming Timing;

private:
    bool Refuse();
    void Start(std::unique_ptr<TLineAttempt> attempt, const std::string& frame);
    void Finished();
    void SetIdleOnlyEnabled(bool enabled);

    Ui::Form1& ui_;
    TParts parts_;
    std::vector<QPushButton*> idleOnly_;
    std::unique_ptr<TLineAttempt> attempt_; // the write's record, while it runs
    QString number_;                        // the number the frame carries
    TRunDisplay display_;                   // the frame and its answer, as Button53 shows them
};
