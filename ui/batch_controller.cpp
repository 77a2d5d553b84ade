#include "ui/batch_controller.h"

#include "protocol/recv_mode.h"
#include "session/session.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QEvent>
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
    Start(ConfigQueries());
}

void TBatchController::WriteAll() {
    if (Refuse()) return;
    const DeviceSettings settings = parts_.binding.Settings();
    //: why write all did not start: said after what is wrong with a setting
    parts_.binding.RefuseUnfit(settings, tr("未发送任何帧"));
    if (WriteAllStarting) WriteAllStarting(settings);
    written_ = settings;
    Start(ConfigWritesVerified(settings));
}

bool TBatchController::Refuse() {
    if (Running()) return true;
    if (parts_.link.PortOpened()) return false;
    parts_.status.Show([] { return tr("未执行：串口未打开"); });
    return true;
}

// The run going on: write all while it has something to verify, else read all.
QString TBatchController::Title() const {
    //: the run that writes every setting to the device, then reads them back
    if (written_) return tr("写入全部");
    //: the run that reads every setting from the device
    return tr("读取全部");
}

void TBatchController::Start(std::vector<Command> commands) {
    SetIdleOnlyEnabled(false);
    step_ = -1;
    parts_.intake.HandOver();
    progress_ = new QProgressDialog(Title(), tr("取消"), 0, int(commands.size()), window_);
    progress_->setObjectName(QStringLiteral("BatchProgress"));
    progress_->setWindowTitle(Title());
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumWidth(360); // wide enough for every frame: "取消" stays in place
    progress_->installEventFilter(this);
    connect(progress_, &QProgressDialog::canceled, Session, &TSession::Cancel);
    Session->Start(std::move(commands), BatchTiming);
}

void TBatchController::RetranslateProgress() {
    progress_->setWindowTitle(Title());
    progress_->setCancelButtonText(tr("取消"));
    if (step_ < 0) {
        progress_->setLabelText(Title());
        return;
    }
    //: %1: read all or write all; %2 of %3: the frame sent; %4: the frame
    progress_->setLabelText(tr("%1：第 %2/%3 步\n%4")
                                .arg(Title(), QString::number(step_ + 1),
                                     QString::number(progress_->maximum()), frame_));
}

bool TBatchController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        if (progress_ && watched == progress_) RetranslateProgress();
        if (box_ && watched == box_) FillBox();
    }
    return QObject::eventFilter(watched, event);
}

// A frame of the run went out: shown as its button would show it.
void TBatchController::Sent(int index, const QByteArray& frame) {
    display_.Sent(frame);
    if (!progress_) return;
    step_ = index;
    frame_ = FromBytes(frame.toStdString());
    RetranslateProgress();
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

TBatchReport TBatchController::ReportOf(const TBatchRun& run) const {
    return BatchReportOf(run, [this](SettingField f) { return parts_.binding.FieldText(f); });
}

void TBatchController::Finished() {
    if (progress_) {
        progress_->hide(); // now: a box that follows runs an event loop
        progress_->removeEventFilter(this);
    }
    SetIdleOnlyEnabled(true);
    const std::optional<DeviceSettings> written = std::exchange(written_, std::nullopt);
    const TExchangeRun& run = *Session->LastRun();
    if (written && WriteAllEnded) WriteAllEnded(run, *written);
    if (run.Cancelled()) {
        parts_.status.Show([writing = written.has_value()] {
            return writing ? tr("写入全部已取消") : tr("读取全部已取消");
        });
    } else {
        const auto ended =
            std::make_shared<const TBatchRun>(TBatchRun{run.Exchanges(), run.WentAway(), written});
        parts_.status.Show([this, ended] { return ReportOf(*ended).summary; });
        const TBatchReport report = ReportOf(*ended);
        if (report.box) ShowBox(ended, report.details.isEmpty());
    }
    if (progress_) progress_->deleteLater();
    progress_ = nullptr;
}

// The report's box, made again in the language chosen while it is open.
void TBatchController::ShowBox(std::shared_ptr<const TBatchRun> run, bool fine) {
    QMessageBox box(fine ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                    QString(), QMessageBox::Ok, window_);
    box.setObjectName(QStringLiteral("VerifyBox"));
    box_ = &box;
    boxRun_ = std::move(run);
    FillBox();
    box.installEventFilter(this);
    box.exec();
    box_ = nullptr;
    boxRun_.reset();
}

void TBatchController::FillBox() {
    const TBatchReport report = ReportOf(*boxRun_);
    box_->setText(report.summary);
    const QString shortened = Shortened(report.details, 8);
    box_->setInformativeText(shortened);
    if (shortened != report.details.trimmed()) box_->setDetailedText(report.details.trimmed());
}
