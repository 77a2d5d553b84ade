#include "ui/batch_controller.h"

#include "protocol/recv_mode.h"
#include "session/session.h"
#include "ui/batch_report.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <utility>

TBatchController::TBatchController(Ui::Form1& ui, TParts parts, std::vector<QPushButton*> idleOnly,
                                   QWidget* window)
    : QObject(window), Session(new TSession(*ui.Comm1, this)), ui_(ui), parts_(parts),
      idleOnly_(std::move(idleOnly)), window_(window), display_(ui, parts.intake) {
    connect(Session, &TSession::Sent, this, &TBatchController::Sent);
    connect(Session, &TSession::Received, this,
            [this](const QByteArray& bytes, bool dropped, const QDateTime& at) {
                display_.Received(bytes, dropped, at);
            });
    connect(Session, &TSession::Judged, this, &TBatchController::Judged);
    // After the port's handler that ended the run has returned: the summary may open a box.
    connect(
        Session, &TSession::Finished, this,
        [this] { RunReported(window_, parts_.status, [this] { Finished(); }); },
        Qt::QueuedConnection);
}

void TBatchController::ReadAll() {
    if (Refuse()) return;
    Start(ConfigQueries(), QStringLiteral("读取全部"));
}

void TBatchController::WriteAll() {
    if (Refuse()) return;
    const DeviceSettings settings = parts_.binding.Settings();
    parts_.binding.RefuseUnfit(settings, QStringLiteral("未发送任何帧"));
    if (WriteAllStarting) WriteAllStarting(settings);
    written_ = settings;
    Start(ConfigWritesVerified(settings), QStringLiteral("写入全部"));
}

bool TBatchController::Refuse() {
    if (Running()) return true;
    if (parts_.link.PortOpened()) return false;
    parts_.status.Show([] { return tr("未执行：串口未打开"); });
    return true;
}

void TBatchController::Start(std::vector<Command> commands, const QString& title) {
    SetIdleOnlyEnabled(false);
    title_ = title;
    parts_.intake.HandOver();
    progress_ =
        new QProgressDialog(title, QStringLiteral("取消"), 0, int(commands.size()), window_);
    progress_->setObjectName(QStringLiteral("BatchProgress"));
    progress_->setWindowTitle(title);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumWidth(360); // wide enough for every frame: "取消" stays in place
    connect(progress_, &QProgressDialog::canceled, Session, &TSession::Cancel);
    Session->Start(std::move(commands), BatchTiming);
}

// A frame of the run went out: shown as its button would show it.
void TBatchController::Sent(int index, const QByteArray& frame) {
    display_.Sent(frame);
    if (!progress_) return;
    progress_->setLabelText(QStringLiteral("%1：第 %2/%3 步\n%4")
                                .arg(title_)
                                .arg(index + 1)
                                .arg(progress_->maximum())
                                .arg(FromBytes(frame.toStdString())));
    progress_->setValue(index);
}

// What a judged answer read goes into the controls.
void TBatchController::Judged(int index) {
    for (const SettingUpdate& update :
         Session->LastRun()->Exchanges()[size_t(index)].judgement.updates)
        parts_.binding.ApplyUpdate(update);
}

void TBatchController::SetIdleOnlyEnabled(bool enabled) {
    for (QPushButton* button : idleOnly_)
        button->setEnabled(enabled);
}

void TBatchController::Finished() {
    if (progress_) progress_->hide(); // now: a box that follows runs an event loop
    SetIdleOnlyEnabled(true);
    const std::optional<DeviceSettings> written = std::exchange(written_, std::nullopt);
    const TExchangeRun& run = *Session->LastRun();
    if (written && WriteAllEnded) WriteAllEnded(run, *written);
    if (run.Cancelled()) {
        parts_.status.Show([title = title_] { return title + tr("已取消"); });
    } else {
        const TBatchReport report = BatchReportOf(
            run, written, [this](SettingField f) { return parts_.binding.FieldText(f); });
        parts_.status.Show([summary = report.summary] { return summary; });
        if (report.box) ShowBox(report.summary, report.details);
    }
    if (progress_) progress_->deleteLater();
    progress_ = nullptr;
}

void TBatchController::ShowBox(const QString& summary, const QString& details) {
    const bool fine = details.isEmpty();
    QMessageBox box(fine ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                    summary, QMessageBox::Ok, window_);
    box.setObjectName(QStringLiteral("VerifyBox"));
    const QString shortened = Shortened(details, 8);
    box.setInformativeText(shortened);
    if (shortened != details.trimmed()) box.setDetailedText(details.trimmed());
    box.exec();
}
