// The window's settings as one model: the table from settings to controls, read all, write
// all with its verification, and configuration files.
#include "config/settings_file.h"
#include "protocol/answers.h"
#include "protocol/replies.h"
#include "session/session.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/port_link.h"
#include "ui/reply_intake.h"
#include "ui/settings_binding.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"
#include "ui/traffic_log.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <algorithm>

// ---- Read all, write all ------------------------------------------------------------

void TForm1::WireBatches() {
    Session = new TSession(*ui.Comm1, this);
    connect(Session, &TSession::Sent, this, &TForm1::BatchSent);
    connect(Session, &TSession::Received, this, &TForm1::BatchReceived);
    connect(Session, &TSession::Judged, this, &TForm1::BatchJudged);
    // After the port's handler that ended the run has returned: the summary may open a box.
    connect(
        Session, &TSession::Finished, this, [this] { Run([this] { BatchFinished(); }); },
        Qt::QueuedConnection);
    AskFileName = [this](bool save, const QString& dir) {
        const QString filter = QStringLiteral("配置文件 (*.json);;所有文件 (*)");
        if (!save)
            return QFileDialog::getOpenFileName(this, QStringLiteral("载入配置"), dir, filter);
        QString name = QFileDialog::getSaveFileName(this, QStringLiteral("保存配置"),
                                                    dir + QStringLiteral("/vq830.json"), filter);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".json");
        return name;
    };
}

bool TForm1::RefuseBatch() {
    if (BatchRunning()) return true;
    if (Link->PortOpened()) return false;
    Status->Show(QStringLiteral("未执行：串口未打开"));
    return true;
}

void TForm1::StartBatch(std::vector<Command> commands, const QString& title) {
    SetSendButtonsEnabled(false);
    BatchTitle = title;
    Intake->HandOver();
    BatchProgress =
        new QProgressDialog(title, QStringLiteral("取消"), 0, int(commands.size()), this);
    BatchProgress->setObjectName(QStringLiteral("BatchProgress"));
    BatchProgress->setWindowTitle(title);
    BatchProgress->setWindowModality(Qt::WindowModal);
    BatchProgress->setMinimumDuration(0);
    BatchProgress->setAutoClose(false);
    BatchProgress->setAutoReset(false);
    BatchProgress->setMinimumWidth(360); // wide enough for every frame: "取消" stays in place
    connect(BatchProgress, &QProgressDialog::canceled, Session, &TSession::Cancel);
    Session->Start(std::move(commands), BatchTiming);
}

// A frame of the batch went out: shown as its button would show it.
void TForm1::BatchSent(int index, const QByteArray& frame) {
    ui.discomm->setText(FromBytes(frame.toStdString()));
    ui.Memo8->clear();
    BatchAnswer.clear();
    ui.TrafficLog->AddSent(frame);
    if (!BatchProgress) return;
    BatchProgress->setLabelText(QStringLiteral("%1：第 %2/%3 步\n%4")
                                    .arg(BatchTitle)
                                    .arg(index + 1)
                                    .arg(BatchProgress->maximum())
                                    .arg(FromBytes(frame.toStdString())));
    BatchProgress->setValue(index);
}

void TForm1::BatchReceived(const QByteArray& bytes, bool dropped, const QDateTime& at) {
    ui.TrafficLog->AddReceived(bytes, dropped, at);
    if (dropped) {
        Intake->NoteDropped(bytes.size());
        return;
    }
    BatchAnswer += bytes;
    ui.Memo8->setPlainText(FromBytes(BatchAnswer.left(qsizetype(kMaxRecvText)).toStdString()));
}

// What a judged answer read goes into the controls.
void TForm1::BatchJudged(int index) {
    for (const SettingUpdate& update :
         Session->LastRun()->Exchanges()[size_t(index)].judgement.updates)
        Binding->ApplyUpdate(update);
}

void TForm1::SetSendButtonsEnabled(bool enabled) {
    for (const TButtonEntry& b : ButtonTable())
        if (IdleOnly(b.role))
            findChild<QPushButton*>(QStringLiteral("Button%1").arg(b.number))->setEnabled(enabled);
}

// "读取全部": the system query, then every slot's command and header queries.
void TForm1::Button55Click() {
    if (RefuseBatch()) return;
    StartBatch(ConfigQueries(), QStringLiteral("读取全部"));
}

// "写入全部": every setting of a configuration, then all of it read back and compared.
void TForm1::Button56Click() {
    if (RefuseBatch()) return;
    const DeviceSettings settings = Binding->Settings();
    Binding->RefuseUnfit(settings, QStringLiteral("未发送任何帧"));
    Written = settings;
    StartBatch(ConfigWritesVerified(settings), QStringLiteral("写入全部"));
}

void TForm1::BatchFinished() {
    if (BatchProgress) BatchProgress->hide(); // now: a box that follows runs an event loop
    SetSendButtonsEnabled(true);
    const std::optional<DeviceSettings> written = std::exchange(Written, std::nullopt);
    const TExchangeRun& run = *Session->LastRun();
    if (run.Cancelled())
        Status->Show(BatchTitle + QStringLiteral("已取消"));
    else
        ReportBatch(run, written);
    if (BatchProgress) BatchProgress->deleteLater();
    BatchProgress = nullptr;
}

// ---- The batch's summary --------------------------------------------------------------

namespace {

QString FrameText(const TExchange& e) { return FromBytes(e.command.frame); }

QString Listed(const QString& heading, const QStringList& lines) {
    if (lines.isEmpty()) return {};
    return heading.arg(lines.size()) + QStringLiteral("\n  ") + lines.join(QStringLiteral("\n  ")) +
           QStringLiteral("\n");
}

// The details with at most `perSection` items under each heading (items are the lines indented
// by two spaces), the rest counted; a box stays on the screen however much went wrong.
QString Shortened(const QString& details, int perSection) {
    QStringList kept;
    int shown = 0;
    int hidden = 0;
    auto countHidden = [&] {
        if (hidden > 0) kept << QStringLiteral("  …另有 %1 项，见详细信息").arg(hidden);
        hidden = 0;
    };
    for (const QString& line : details.trimmed().split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  "))) {
            countHidden();
            shown = 0;
            kept << line;
        } else if (shown < perSection) {
            ++shown;
            kept << line;
        } else {
            ++hidden;
        }
    }
    countHidden();
    return kept.join(QLatin1Char('\n'));
}

qsizetype CountOf(const TExchangeRun& run, Outcome outcome) {
    const auto& exchanges = run.Exchanges();
    return std::count_if(exchanges.begin(), exchanges.end(),
                         [outcome](const TExchange& e) { return e.judgement.outcome == outcome; });
}

} // namespace

QString TForm1::MissingText(const Judgement& j) const {
    QStringList names;
    for (const SettingField& f : j.missing)
        names << Binding->FieldText(f);
    QString text =
        names.isEmpty() ? QString() : QStringLiteral("缺少 ") + names.join(QStringLiteral("、"));
    if (j.badValue)
        text += (text.isEmpty() ? QString() : QStringLiteral("；")) +
                QStringLiteral("“%1”不是有效的整数").arg(FromBytes(*j.badValue));
    return text;
}

// Every exchange that did not end answered, by what became of it.
QString TForm1::ExchangeProblems(const TExchangeRun& run) const {
    QStringList refused, silent, incomplete, otherSlot, gone, unsent;
    for (const TExchange& e : run.Exchanges()) {
        const Judgement& j = e.judgement;
        switch (j.outcome) {
        case Outcome::Answered:
            break;
        case Outcome::Refused:
            refused << FrameText(e) + QStringLiteral(" → ") + FromBytes(e.AnswerText());
            break;
        case Outcome::Silent:
            silent << FrameText(e) + (e.late.empty() ? QString()
                                                     : QStringLiteral("（迟到的应答“%1”未采用）")
                                                           .arg(FromBytes(e.LateText())));
            break;
        case Outcome::Incomplete:
            incomplete << FrameText(e) + QStringLiteral("：") + MissingText(j);
            break;
        case Outcome::OtherSlot:
            otherSlot << FrameText(e) + QStringLiteral("：应答属于指令%1").arg(j.answeredSlot);
            break;
        case Outcome::PortGone:
            gone << FrameText(e);
            break;
        case Outcome::NotSent:
            unsent << FrameText(e);
            break;
        }
    }
    return Listed(QStringLiteral("被设备拒绝的帧（%1 个）："), refused) +
           Listed(QStringLiteral("无应答的帧（%1 个）："), silent) +
           Listed(QStringLiteral("应答不完整的帧（%1 个）："), incomplete) +
           Listed(QStringLiteral("应答属于其他指令的帧（%1 个）："), otherSlot) +
           Listed(QStringLiteral("等待应答时设备断开的帧（%1 个）："), gone) +
           Listed(QStringLiteral("未发送的帧（%1 个）："), unsent);
}

QString TForm1::MismatchText(const std::vector<Mismatch>& mismatches, const DeviceSettings& written,
                             const ReadBack& read) const {
    QStringList differ, notRead;
    for (const Mismatch& m : mismatches) {
        const QString wrote = FromBytes(ValueText(written, m.field));
        if (m.notRead)
            notRead
                << QStringLiteral("%1：写入“%2”，未读回").arg(Binding->FieldText(m.field), wrote);
        else
            differ << QStringLiteral("%1：写入“%2”，读回“%3”")
                          .arg(Binding->FieldText(m.field), wrote,
                               FromBytes(ValueText(read.settings, m.field)));
    }
    return Listed(QStringLiteral("读回不一致的设置（%1 项）："), differ) +
           Listed(QStringLiteral("未读回的设置（%1 项）："), notRead);
}

QString TForm1::NotReadText(const ReadBack& read) const {
    QStringList notRead;
    for (const SettingField& f : ConfigFields())
        if (!read.Holds(f)) notRead << Binding->FieldText(f);
    return Listed(QStringLiteral("未读回的设置（%1 项）："), notRead);
}

namespace {

using OutcomeCounts = std::initializer_list<std::pair<Outcome, QString>>;

// Each text of `kinds` whose outcome some exchanges of the run ended with, with their number.
QStringList Counted(const TExchangeRun& run, OutcomeCounts kinds) {
    QStringList counts;
    for (const auto& [outcome, text] : kinds)
        if (const auto n = CountOf(run, outcome)) counts << text.arg(n);
    return counts;
}

// "2 个帧无应答" and the like: the exchanges that did not end answered, counted by what became
// of them.
QStringList ProblemCounts(const TExchangeRun& run) {
    return Counted(run, {{Outcome::Refused, QStringLiteral("%1 个帧被设备拒绝")},
                         {Outcome::Silent, QStringLiteral("%1 个帧无应答")},
                         {Outcome::Incomplete, QStringLiteral("%1 个帧应答不完整")},
                         {Outcome::OtherSlot, QStringLiteral("%1 个帧应答属于其他指令")},
                         {Outcome::PortGone, QStringLiteral("%1 个帧等待应答时设备断开")},
                         {Outcome::NotSent, QStringLiteral("%1 个帧未发送")}});
}

// "全部一致" only when every written setting was read back equal and every frame was answered;
// otherwise what the comparison found and what became of the frames, each by its own name.
QString WriteAllSummary(const TExchangeRun& run, const std::vector<Mismatch>& mismatches) {
    const QStringList problems = ProblemCounts(run);
    if (mismatches.empty() && problems.isEmpty())
        return QStringLiteral("写入全部完成：读回与写入全部一致");
    const auto notRead = std::count_if(mismatches.begin(), mismatches.end(),
                                       [](const Mismatch& m) { return m.notRead; });
    const auto differ = qsizetype(mismatches.size()) - notRead;
    QStringList found;
    if (mismatches.empty()) found << QStringLiteral("读回与写入一致");
    if (differ > 0) found << QStringLiteral("%1 项读回不一致").arg(differ);
    if (notRead > 0) found << QStringLiteral("%1 项未读回").arg(notRead);
    QString summary = QStringLiteral("写入全部完成：") + found.join(QStringLiteral("，"));
    if (!problems.isEmpty()) summary += QStringLiteral("；") + problems.join(QStringLiteral("，"));
    return summary;
}

} // namespace

// How many answers came, and how many of those were no value read.
QString TForm1::ReadAllSummary(const TExchangeRun& run) const {
    const auto& exchanges = run.Exchanges();
    QString summary = QStringLiteral("读取全部完成：%1 条指令中 %2 条有应答")
                          .arg(exchanges.size())
                          .arg(std::count_if(exchanges.begin(), exchanges.end(),
                                             [](const TExchange& e) { return !e.answer.empty(); }));
    const QStringList notes =
        Counted(run, {{Outcome::Refused, QStringLiteral("%1 条被设备拒绝")},
                      {Outcome::Incomplete, QStringLiteral("%1 条应答无法解析")},
                      {Outcome::OtherSlot, QStringLiteral("%1 条应答属于其他指令")}});
    if (!notes.isEmpty()) summary += QStringLiteral("，其中 ") + notes.join(QStringLiteral("，"));
    return summary;
}

// Read all says in the status line how many answers came; write all says whether every written
// setting was read back equal. Whatever went wrong is listed in a box.
void TForm1::ReportBatch(const TExchangeRun& run, const std::optional<DeviceSettings>& written) {
    const ReadBack read = ReadBackOf(run.Exchanges());
    const std::vector<Mismatch> mismatches =
        written ? Verify(*written, ConfigFields(), read) : std::vector<Mismatch>{};
    const QString details =
        (written ? MismatchText(mismatches, *written, read) : NotReadText(read)) +
        ExchangeProblems(run);
    QString summary = written ? WriteAllSummary(run, mismatches) : ReadAllSummary(run);
    if (run.WentAway()) summary += QStringLiteral("（设备已断开）");
    Status->Show(summary);
    if (written || !details.isEmpty()) ShowBatchBox(summary, details);
}

void TForm1::ShowBatchBox(const QString& summary, const QString& details) {
    const bool fine = details.isEmpty();
    QMessageBox box(fine ? QMessageBox::Information : QMessageBox::Warning, ApplicationTitle(),
                    summary, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("VerifyBox"));
    const QString shortened = Shortened(details, 8);
    box.setInformativeText(shortened);
    if (shortened != details.trimmed()) box.setDetailedText(details.trimmed());
    box.exec();
}

// ---- Configuration files ------------------------------------------------------------

QString TForm1::LastConfigDir() const {
    return QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .value(QStringLiteral("configDir"), QDir::homePath())
        .toString();
}

void TForm1::RememberConfigDir(const QString& path) {
    QSettings(QStringLiteral("vq830"), QStringLiteral("vq830-tool"))
        .setValue(QStringLiteral("configDir"), QFileInfo(path).absolutePath());
}

// "保存配置": everything write all sends, to a file.
void TForm1::Button57Click() {
    const DeviceSettings settings = Binding->Settings();
    Binding->RefuseUnfit(settings, QStringLiteral("配置未保存"));
    const QString path = AskFileName(true, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    try {
        SaveSettingsFile(path, settings);
    } catch (const ESettingsFileError& e) {
        throw EAppError(ChineseMessage(e, path));
    }
    Status->Show(QStringLiteral("配置已保存：%1").arg(path));
}

// "载入配置": a file's settings into the window, all or nothing; nothing is sent.
void TForm1::Button58Click() {
    const QString path = AskFileName(false, LastConfigDir());
    if (path.isEmpty()) return;
    RememberConfigDir(path);
    DeviceSettings settings;
    try {
        settings = LoadSettingsFile(path, Binding->Settings());
    } catch (const ESettingsFileError& e) {
        throw EAppError(ChineseMessage(e, path));
    }
    Binding->ShowSettings(settings);
    Status->Show(QStringLiteral("配置已载入：%1").arg(path));
}
