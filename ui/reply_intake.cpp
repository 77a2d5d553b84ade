#include "ui/reply_intake.h"

#include "protocol/answers.h"
#include "protocol/replies.h"
#include "serial/comm.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/traffic_log.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

TReplyIntake::TReplyIntake(Ui::Form1& ui, TSettingsBinding& binding, TStatusLine& status,
                           QObject* parent)
    : QObject(parent), AnswerTimer(new QTimer(this)), ui_(ui), binding_(binding), status_(status) {
    AnswerTimer->setSingleShot(true);
    AnswerTimer->setInterval(int(kAnswerTime.count()));
    connect(AnswerTimer, &QTimer::timeout, this, [this] {
        status_.Show([key = pendingAnswerKey_] { return tr("无应答：%1").arg(key); });
    });
}

void TReplyIntake::Send(const std::function<std::string()>& build, ::RecvMode mode) {
    const std::string frame = build();
    ui_.discomm->setText(FromBytes(frame));
    ui_.Memo8->clear();
    RecvMode = mode;
    const bool sent = ui_.Comm1->SendBytes(frame.data(), frame.size());
    if (sent) ui_.TrafficLog->AddSent(QByteArray(frame.data(), qsizetype(frame.size())));
    NoteSent(sent, frame);
}

// After a send: a frame that could not go out says so; one that did waits for its answer.
void TReplyIntake::NoteSent(bool sent, const std::string& frame) {
    if (!sent) {
        AnswerTimer->stop();
        if (ui_.Comm1->IsOpen())
            status_.Show([] { return tr("未发送：串口发送队列已满或已停止"); });
        else
            status_.Show([] { return tr("未发送：串口未打开"); });
        return;
    }
    // The command's key: what stands between the first '#' and the next ':' or '#'.
    const size_t start = frame.find('#') + 1;
    const size_t end = frame.find_first_of(":#", start);
    pendingAnswerKey_ = FromBytes(frame.substr(start, end - start));
    AnswerTimer->start();
}

void TReplyIntake::SetTimerOn(bool on) {
    // Switching on a running timer does not restart its interval.
    if (on && !ui_.Timer2->isActive()) ui_.Timer2->start();
    if (!on) ui_.Timer2->stop();
}

void TReplyIntake::Receive(const uint8_t* buffer, uint16_t length) {
    const QDateTime arrived = QDateTime::currentDateTime(); // before the pause
    Pause(ReceivePauseMs);
    AnswerTimer->stop(); // an answer has begun
    const BatchAction action = BatchActionFor(RecvMode);
    ui_.TrafficLog->AddReceived(QByteArray(reinterpret_cast<const char*>(buffer), length),
                                action == BatchAction::Drop, arrived);
    if (action == BatchAction::Drop) {
        NoteDropped(length);
        return;
    }
    const std::string text = TakeBatch(buffer, length);
    RecvText = QByteArray(text.data(), qsizetype(text.size()));
    ui_.Memo8->setPlainText(FromBytes(text));
    SetTimerOn(action == BatchAction::StoreShowTimerOn);
}

void TReplyIntake::NoteDropped(qsizetype bytes) {
    droppedBytes_ += quint64(bytes);
    status_.Show([bytes, total = droppedBytes_] {
        return tr("收到 %1 字节时未在等待应答，未显示（共丢弃 %2 字节）").arg(bytes).arg(total);
    });
}

void TReplyIntake::Tick() {
    SetTimerOn(false);
    const std::optional<ParseResult> result =
        ParseReply(RecvMode, std::string_view(RecvText.constData(), size_t(RecvText.size())));
    if (!result) return;
    for (const SettingUpdate& update : result->updates)
        binding_.ApplyUpdate(update);
    RecvMode = result->recvModeAfter;
    if (result->errorText)
        throw EAppError(
            QStringLiteral("'%1' is not a valid integer value").arg(FromBytes(*result->errorText)));
}

void TReplyIntake::HandOver() {
    RecvMode = ::RecvMode::Idle; // a batch's answers go to the run, not to the tick
    SetTimerOn(false);
    AnswerTimer->stop();
}

void TReplyIntake::StopAwaiting() { AnswerTimer->stop(); }
