#include "ui/line_station.h"

#include "records/db_location.h"
#include "records/line_db.h"
#include "records/serial_pool.h"
#include "records/station_settings.h"
#include "session/exchange_run.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace {

QString RestartNote() {
    return QCoreApplication::translate("TLineStation",
                                       "在问题解决并重新启动本工具之前，不能继续写入下一块板。");
}

void ShowVoided(QWidget* window, const std::vector<TStaleSerial>& stale) {
    QStringList numbers;
    for (const TStaleSerial& s : stale)
        numbers << SerialText(s.serial);
    //: between the serial numbers of a list
    const QString list = numbers.join(QCoreApplication::translate("TLineStation", "、"));
    QMessageBox box(
        QMessageBox::Warning, ApplicationTitle(),
        //: %n: how many numbers; %1: the numbers
        QCoreApplication::translate("TLineStation",
                                    "本工位有 %n 个序列号在工具上次异常退出时仍未写完，已作废：%1",
                                    nullptr, int(stale.size()))
            .arg(list),
        QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("VoidedSerialsBox"));
    box.setInformativeText(QCoreApplication::translate(
        "TLineStation", "作废的序列号不会再分配。对应的板可能已写入该号，请检查这些板。"));
    box.exec();
}

} // namespace

TLineStation::TLineStation(Ui::Form1& ui, QWidget* window)
    : QObject(window), ui_(ui), window_(window) {
    ui_.Button60->setHidden(!Recording());
}

// A write all still running when the window goes: its record says it was stopped.
TLineStation::~TLineStation() {
    if (!writeAll_) return;
    try {
        writeAll_->board.Finish(kAborted, std::nullopt, QStringLiteral("the window was closed"));
    } catch (const EDbError&) {
        // nothing more can be done: the record stays "started"
    }
}

bool TLineStation::Recording() const { return DbConfigured(QString()); }

TLineDb& TLineStation::Db() { return *Connection(); }

std::shared_ptr<TLineDb> TLineStation::Connection() {
    if (db_) return db_;
    db_ = std::make_shared<TLineDb>(DbLocationFrom(QString()), QStringLiteral("vq830-tool"));
    try {
        VoidStale();
    } catch (const EDbError&) {
        db_.reset(); // tried again on next use
        throw;
    }
    return db_;
}

void TLineStation::VoidStale() {
    const QString station = TStationSettings::Load().station;
    if (station.isEmpty()) return;
    const std::vector<TStaleSerial> stale = TSerialPool(*db_).SettleStale(THolder::Self(station));
    if (!stale.empty()) ShowVoided(window_, stale);
}

TBoardRecord TLineStation::NewRecord(const QString& command) const {
    const TStationSettings settings = TStationSettings::Load();
    return NewStationRecord(settings.station, settings.operatorName, command, ui_.SPREALCOM->Text(),
                            ui_.JIANZHI->Text());
}

void TLineStation::RefuseStopped() const {
    if (stopped_) throw EAppError(tr("生产记录曾未能写入，未发送任何帧"), RestartNote());
}

std::unique_ptr<TLineAttempt> TLineStation::Begin(TBoardRecord record) {
    RefuseStopped();
    if (record.station.isEmpty())
        throw EAppError(tr("未设置工位名称，未发送任何帧"),
                        //: "生产记录": the production records dialog, where the station is named
                        tr("请先在“生产记录”中设置本工位的名称。"));
    try {
        return std::make_unique<TLineAttempt>(Connection(), std::move(record));
    } catch (const EDbError& e) {
        //: %1: the database's error
        throw EAppError(tr("生产记录数据库无法使用，未发送任何帧：%1").arg(e.text));
    }
}

bool TLineStation::End(TLineAttempt& attempt, const QString& outcome,
                       std::optional<Outcome> serialWrite, const QString& details) {
    bool completed = true;
    try {
        attempt.board.Finish(outcome, serialWrite, details);
    } catch (const EDbError& e) {
        stopped_ = true;
        completed = false;
        //: %1: the database's error
        ShowErrorBox(window_, tr("生产记录未能写入：%1").arg(e.text), RestartNote());
    }
    emit Recorded();
    return completed;
}

void TLineStation::Reconfigure() {
    db_.reset();
    ui_.Button60->setHidden(!Recording());
}

void TLineStation::WriteAllStarting(const DeviceSettings& settings) {
    if (!Recording()) return;
    TBoardRecord record = NewRecord(QStringLiteral("写入全部"));
    const QString file = ConfigFile ? ConfigFile(settings) : QString();
    record.configName = file.isEmpty() ? QString() : QFileInfo(file).fileName();
    record.configSha256 = SettingsSha256(settings);
    writeAll_ = Begin(std::move(record));
}

void TLineStation::WriteAllEnded(const TExchangeRun& run, const DeviceSettings& written) {
    if (!writeAll_) return;
    const std::unique_ptr<TLineAttempt> attempt = std::move(writeAll_);
    const ReadBack read = ReadBackOf(run.Exchanges());
    const std::vector<Mismatch> mismatches = Verify(written, ConfigFields(), read);
    attempt->board.AddFrames(run.Exchanges());
    attempt->board.AddDifferences(written, mismatches, read);
    if (run.Cancelled())
        End(*attempt, kAborted, std::nullopt, QStringLiteral("cancelled in the window"));
    else
        End(*attempt, OutcomeOf(run.Exchanges(), mismatches.empty()), std::nullopt);
}
