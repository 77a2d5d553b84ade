#include "ui/run_display.h"

#include "protocol/replies.h"
#include "ui/form_controls.h"
#include "ui/reply_intake.h"
#include "ui/text_codec.h"
#include "ui/traffic_log.h"

#include <QLineEdit>
#include <QPlainTextEdit>

void TRunDisplay::Sent(const QByteArray& frame) {
    ui_.discomm->setText(FromBytes(frame.toStdString()));
    ui_.Memo8->clear();
    answer_.clear();
    ui_.TrafficLog->AddSent(frame);
}

void TRunDisplay::Received(const QByteArray& bytes, bool dropped, const QDateTime& at) {
    ui_.TrafficLog->AddReceived(bytes, dropped, at);
    if (dropped) {
        intake_.NoteDropped(bytes.size());
        return;
    }
    answer_ += bytes;
    ui_.Memo8->setPlainText(FromBytes(answer_.left(qsizetype(kMaxRecvText)).toStdString()));
}
