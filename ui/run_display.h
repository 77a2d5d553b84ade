// A run of the exchange engine shown as the single buttons show their exchanges: each frame in
// discomm (Memo8 emptied) and the traffic log, its answer in Memo8 as it grows, and bytes no
// frame awaited counted as dropped. Read all, write all and the serial number writes use it.
#pragma once

#include <QByteArray>
#include <QDateTime>

class TReplyIntake;
namespace Ui {
struct Form1;
}

class TRunDisplay {
public:
    TRunDisplay(Ui::Form1& ui, TReplyIntake& intake) : ui_(ui), intake_(intake) {}
    void Sent(const QByteArray& frame);
    void Received(const QByteArray& bytes, bool dropped, const QDateTime& at);

private:
    Ui::Form1& ui_;
    TReplyIntake& intake_;
    QByteArray answer_; // the answer so far to the frame sent last
};
