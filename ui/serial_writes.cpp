#include "ui/serial_writes.h"

#include "protocol/frames.h"
#include "protocol/recv_mode.h"
#include "records/serial_pool.h"
#include "serial/comm.h"
#include "session/session.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/line_station.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The number a serial number frame carries: "PPPPPP#PCBSN:00000123,001#" gives "00000123".
QString NumberIn(const std::string& frame) {
    const size_t start = frame.find(':') + 1;
    return FromBytes(frame.substr(start, frame.find(',', start) - start));
}

// What became of a write (%1: the number), of a number typed and of one taken from the line.
struct TReportWords {
    Outcome write;
    const char* typed;
    const char* taken;
};

const TReportWords kReports[] = {
    {Outcome::Answered, QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 已写入"),
     QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 已写入")},
    {Outcome::Refused, QT_TRANSLATE_NOOP("TSerialWrites", "设备拒绝了序列号 %1"),
     QT_TRANSLATE_NOOP("TSerialWrites", "设备拒绝了序列号 %1，该号已释放，将分配给下一块板")},
    {Outcome::NotSent, QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 未能发送"),
     QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 未能发送，该号已释放，将分配给下一块板")},
    {Outcome::PortGone,
     QT_TRANSLATE_NOOP("TSerialWrites", "等待应答时设备断开：序列号 %1 未确认写入"),
     QT_TRANSLATE_NOOP("TSerialWrites", "等待应答时设备断开：序列号 %1 已作废（可能已写入板）")},
    // any other outcome: no answer
    {Outcome::Silent, QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 无应答"),
     QT_TRANSLATE_NOOP("TSerialWrites", "序列号 %1 无应答，该号已作废（可能已写入板）")},
};

// What became of the write, for the status line; for a number taken from the line also what
// became of the number.
QString Report(const QString& number, Outcome write, bool taken) {
    const TReportWords* words =
        std::find_if(std::begin(kReports), std::end(kReports) - 1,
                     [write](const TReportWords& w) { return w.write == write; });
    return QCoreApplication::translate("TSerialWrites", taken ? words->taken : words->typed)
        .arg(number);
}

// The report, and whether the production record could not be completed.
QString RecordedReport(const QString& number, Outcome write, bool taken, bool recorded) {
    const QString report = Report(number, write, taken);
    if (recorded) return report;
    //: %1: what became of a serial number write
    return QCoreApplication::translate("TSerialWrites", "%1；生产记录未能写入").arg(report);
}

} // namespace

TSerialWrites::TSerialWrites(Ui::Form1& ui, TParts parts, std::vector<QPushButton*> idleOnly,
                             QWidget* window)
    : QObject(window), Session(new TSession(*ui.Comm1, this)), ui_(ui), parts_(parts),
      idleOnly_(std::move(idleOnly)), display_(ui, parts.intake) {
    connect(Session, &TSession::Sent, this, [this](int, const QByteArray& f) { display_.Sent(f); });
    connect(Session, &TSession::Received, this,
            [this](const QByteArray& bytes, bool dropped, const QDateTime& at) {
                display_.Received(bytes, dropped, at);
            });
    // After the port's handler that ended the run has returned: completing the record may
    // open a box.
    connect(
        Session, &TSession::Finished, this,
        [this, window] { RunReported(window, parts_.status, [this] { Finished(); }); },
        Qt::QueuedConnection);
}

// A write still running when the window goes: its record says it was stopped, and a number
// taken is voided unless its frame never went out.
TSerialWrites::~TSerialWrites() {
    if (!attempt_) return;
    const TExchangeRun* run = Session->LastRun();
    const bool sent = run && run->Exchanges().front().sentAt.has_value();
    try {
        attempt_->board.Finish(kAborted, sent ? Outcome::Silent : Outcome::NotSent,
                               QStringLiteral("the window was closed"));
    } catch (const EDbError&) {
        // nothing more can be done: the record stays "started"
    }
}

void TSerialWrites::Next() {
    if (Refuse()) return;
    const QString tester = ui_.JIANZHI->Text();
    TextToInt(tester); // a tester that is no number is refused before a number is taken
    std::unique_ptr<TLineAttempt> attempt =
        parts_.line.Begin(parts_.line.NewRecord(QStringLiteral("下一个序列号")));
    try {
        ui_.PCBSN->setText(SerialText(attempt->board.TakeSerial()));
    } catch (const EDbError& e) {
        parts_.line.End(*attempt, kAborted, std::nullopt, e.text);
        //: %1: the database's error
        throw EAppError(tr("生产记录数据库未能分配序列号，未发送任何帧：%1").arg(e.text));
    }
    Start(std::move(attempt), PcbsnFrameFromText(ToBytes(ui_.PCBSN->text()), ToBytes(tester)));
}

void TSerialWrites::WriteTyped() {
    // Conversion errors name the texts as shown, as the unrecorded write does.
    TextToInt(ui_.PCBSN->text());
    TextToInt(ui_.JIANZHI->Text());
    if (Refuse()) return;
    const std::string frame =
        PcbsnFrameFromText(ToBytes(ui_.PCBSN->text()), ToBytes(ui_.JIANZHI->Text()));
    Start(parts_.line.Begin(parts_.line.NewRecord(QStringLiteral("serial"))), frame);
}

bool TSerialWrites::Refuse() {
    if (Running()) return true;
    if (parts_.link.PortOpened()) return false;
    parts_.status.Show([] { return tr("未执行：串口未打开"); });
    return true;
}

void TSerialWrites::Start(std::unique_ptr<TLineAttempt> attempt, const std::string& frame) {
    attempt_ = std::move(attempt);
    number_ = NumberIn(frame);
    SetIdleOnlyEnabled(false);
    parts_.intake.HandOver();
    Session->Start(
        {{frame, RecvMode::ShowSystem, {{SettingKind::BoardSerial}, {SettingKind::Tester}}}},
        Timing);
}

void TSerialWrites::Finished() {
    SetIdleOnlyEnabled(true);
    const std::unique_ptr<TLineAttempt> attempt = std::move(attempt_);
    const std::vector<TExchange>& exchanges = Session->LastRun()->Exchanges();
    const Outcome write = exchanges.front().judgement.outcome;
    const bool taken = attempt->board.Serial().has_value();
    attempt->board.AddFrames(exchanges);
    if (!taken && write == Outcome::Answered) attempt->board.NoteWritten(number_);
    const bool recorded = parts_.line.End(*attempt, OutcomeOf(exchanges, true), write);
    parts_.status.Show([number = number_, write, taken, recorded] {
        return RecordedReport(number, write, taken, recorded);
    });
}

void TSerialWrites::SetIdleOnlyEnabled(bool enabled) {
    for (QPushButton* button : idleOnly_)
        button->setEnabled(enabled);
}
