#include "ui/records_dialog.h"

#include "i18n/language.h"
#include "records/db_location.h"
#include "records/line_db.h"
#include "records/record_export.h"
#include "records/serial_pool.h"
#include "records/station_settings.h"
#include "ui/error_report.h"
#include "ui/line_station.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The outcomes a record may have, as stored and as the records view names them; the first lets
// all through.
const std::vector<std::pair<QString, const char*>>& OutcomeLabels() {
    static const std::vector<std::pair<QString, const char*>> labels{
        //: the outcome filter: records of every outcome
        {QString(), QT_TRANSLATE_NOOP("TRecordsDialog", "全部")},
        {kPassed, QT_TRANSLATE_NOOP("TRecordsDialog", "通过")},
        {kFailed, QT_TRANSLATE_NOOP("TRecordsDialog", "失败")},
        //: an outcome: the device refused the command (answered ERR)
        {kRefused, QT_TRANSLATE_NOOP("TRecordsDialog", "拒绝")},
        {kGone, QT_TRANSLATE_NOOP("TRecordsDialog", "设备断开")},
        {kAborted, QT_TRANSLATE_NOOP("TRecordsDialog", "中止")},
        //: an outcome: the write has started and not ended (yet)
        {kStarted, QT_TRANSLATE_NOOP("TRecordsDialog", "进行中")},
    };
    return labels;
}

// An outcome in the language shown; one the view does not know as stored.
QString OutcomeLabel(const QString& outcome) {
    for (const auto& [stored, label] : OutcomeLabels())
        if (stored == outcome) return QCoreApplication::translate("TRecordsDialog", label);
    return outcome;
}

enum Column {
    IdColumn,
    StartedColumn,
    StationColumn,
    OperatorColumn,
    SerialColumn,
    OutcomeColumn,
    CommandColumn,
    DetailsColumn,
    ColumnCount
};

QStringList ColumnTitles() {
    static const char* const titles[ColumnCount] = {
        //: a record's number in the database
        QT_TRANSLATE_NOOP("TRecordsDialog", "编号"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "开始时间"),
        //: the test station (a place on the production line)
        QT_TRANSLATE_NOOP("TRecordsDialog", "工位"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "操作员"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "序列号"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "结果"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "命令"),
        QT_TRANSLATE_NOOP("TRecordsDialog", "说明"),
    };
    return Translated("TRecordsDialog", titles);
}

// The start time as stored (UTC) in the station's own time.
QString LocalTime(const QString& utc) {
    const QDateTime time = QDateTime::fromString(utc, Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : utc;
}

QStringList Cells(const TBoardRecord& r) {
    return {QString::number(r.id), LocalTime(r.started),    r.station, r.operatorName,
            r.serialAfter,         OutcomeLabel(r.outcome), r.command, r.details};
}

// Which database the window uses, and why.
QString WhereText() {
    const QString env = qEnvironmentVariable("VQ830_DB");
    if (!env.isEmpty())
        return QCoreApplication::translate(
                   "TRecordsDialog",
                   "正在使用环境变量 VQ830_DB 指定的数据库：%1（它优先于上面的设置）")
            .arg(DbLocationOf(env).Shown());
    if (DbConfigured(QString()))
        return QCoreApplication::translate("TRecordsDialog", "正在使用：%1")
            .arg(DbLocationFrom(QString()).Shown());
    //: "下一个序列号" is the caption of a button in the main window
    return QCoreApplication::translate("TRecordsDialog",
                                       "未配置数据库：写入不做生产记录，“下一个序列号”不可用");
}

QString AskWithDialog(QWidget* parent, const QString& suggested) {
    QString name = QFileDialog::getSaveFileName(
        parent, QCoreApplication::translate("TRecordsDialog", "导出 CSV"), suggested,
        QCoreApplication::translate("TRecordsDialog", "CSV 文件 (*.csv);;所有文件 (*)"));
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".csv");
    return name;
}

QLineEdit* NamedEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

TRecordsDialog::TRecordsDialog(TLineStation& line, QWidget* window) : QDialog(window), line_(line) {
    setObjectName(QStringLiteral("RecordsDialog"));
    setFont(window->font()); // a window of its own: it does not take the window's font
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildSettings());
    layout->addWidget(BuildFilters());
    layout->addWidget(table_ = BuildTable(), 1);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("RecordsSummary"));
    layout->addWidget(summary_);
    resize(900, 520);
    Retranslate();
    AskFileName = [this](const QString& suggested) { return AskWithDialog(this, suggested); };
    connect(&line_, &TLineStation::Recorded, this, [this] {
        if (isVisible()) Refresh();
    });
}

void TRecordsDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

// Every text in the language now chosen; the records shown stay, their outcomes named anew.
void TRecordsDialog::Retranslate() {
    setWindowTitle(tr("生产记录"));
    RetranslateSettings();
    RetranslateFilters();
    table_->setHorizontalHeaderLabels(ColumnTitles());
    RenameOutcomes();
    summary_->setText(summaryText_ ? summaryText_() : QString());
}

void TRecordsDialog::RetranslateSettings() {
    //: the settings of this test station
    settingsBox_->setTitle(tr("本工位"));
    database_->setPlaceholderText(tr("SQLite 文件，或 postgresql://用户@主机/数据库"));
    station_->setPlaceholderText(tr("写入记录前必须设置"));
    databaseLabel_->setText(tr("数据库："));
    stationLabel_->setText(tr("工位："));
    operatorLabel_->setText(tr("操作员："));
    //: saves the station's settings
    save_->setText(tr("保存"));
    if (!where_->text().isEmpty()) where_->setText(WhereText()); // once the settings are shown
}

// The outcome filter keeps the outcome chosen (its items' data are the values stored).
void TRecordsDialog::RetranslateFilters() {
    //: the serial number filter's placeholder: no filter, every serial number
    serialFilter_->setPlaceholderText(tr("全部"));
    serialLabel_->setText(tr("序列号："));
    outcomeLabel_->setText(tr("结果："));
    for (int i = 0; i < outcomeFilter_->count(); ++i)
        outcomeFilter_->setItemText(i, OutcomeLabel(outcomeFilter_->itemData(i).toString()));
    refresh_->setText(tr("刷新"));
    export_->setText(tr("导出 CSV"));
}

// The outcome cells in the language shown (the others hold the database's data as it is).
void TRecordsDialog::RenameOutcomes() {
    for (int row = 0; row < table_->rowCount(); ++row)
        table_->item(row, OutcomeColumn)->setText(OutcomeLabel(shown_[size_t(row)].outcome));
    ResizeColumns();
}

void TRecordsDialog::ResizeColumns() {
    for (int column = 0; column + 1 < ColumnCount; ++column)
        table_->resizeColumnToContents(column);
}

void TRecordsDialog::ShowSummary(std::function<QString()> text) {
    summaryText_ = std::move(text);
    summary_->setText(summaryText_());
}

QPushButton* TRecordsDialog::Button(const char* name, void (TRecordsDialog::*click)()) {
    auto* button = new QPushButton(this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false); // Enter in a field does not press it
    connect(button, &QPushButton::clicked, this, click);
    return button;
}

QWidget* TRecordsDialog::BuildSettings() {
    auto* box = settingsBox_ = new QGroupBox(this);
    database_ = NamedEdit("RecordsDb");
    station_ = NamedEdit("RecordsStation");
    operator_ = NamedEdit("RecordsOperator");
    auto* fields = new QFormLayout;
    fields->addRow(databaseLabel_ = new QLabel, database_);
    fields->addRow(stationLabel_ = new QLabel, station_);
    fields->addRow(operatorLabel_ = new QLabel, operator_);
    where_ = new QLabel;
    where_->setObjectName(QStringLiteral("RecordsWhere"));
    where_->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(where_, 1);
    row->addWidget(save_ = Button("RecordsSave", &TRecordsDialog::SaveSettings));
    auto* column = new QVBoxLayout(box);
    column->addLayout(fields);
    column->addLayout(row);
    return box;
}

QWidget* TRecordsDialog::BuildFilters() {
    auto* filters = new QWidget(this);
    serialFilter_ = NamedEdit("RecordsSerialFilter");
    serialFilter_->setMaximumWidth(120);
    connect(serialFilter_, &QLineEdit::returnPressed, this, &TRecordsDialog::Refresh);
    outcomeFilter_ = new QComboBox;
    outcomeFilter_->setObjectName(QStringLiteral("RecordsOutcomeFilter"));
    for (const auto& [stored, label] : OutcomeLabels())
        outcomeFilter_->addItem(QString(), stored); // named in Retranslate
    connect(outcomeFilter_, &QComboBox::activated, this, &TRecordsDialog::Refresh);
    auto* row = new QHBoxLayout(filters);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(serialLabel_ = new QLabel);
    row->addWidget(serialFilter_);
    row->addWidget(outcomeLabel_ = new QLabel);
    row->addWidget(outcomeFilter_);
    row->addWidget(refresh_ = Button("RecordsRefresh", &TRecordsDialog::Refresh));
    row->addWidget(export_ = Button("RecordsExport", &TRecordsDialog::Export));
    row->addStretch(1);
    return filters;
}

QTableWidget* TRecordsDialog::BuildTable() {
    auto* table = new QTableWidget(0, ColumnCount, this);
    table->setObjectName(QStringLiteral("RecordsTable"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void TRecordsDialog::ShowAndRaise() {
    if (!isVisible()) LoadSettings();
    Refresh();
    show();
    raise();
    activateWindow();
}

void TRecordsDialog::LoadSettings() {
    const TStationSettings settings = TStationSettings::Load();
    database_->setText(settings.database);
    station_->setText(settings.station);
    operator_->setText(settings.operatorName);
    where_->setText(WhereText());
}

// Saved where the command line reads them too; the window uses them from its next write on.
void TRecordsDialog::SaveSettings() {
    TStationSettings{database_->text(), station_->text(), operator_->text()}.Save();
    line_.Reconfigure();
    LoadSettings();
    Refresh();
}

bool TRecordsDialog::FilterOf(TRecordFilter& filter) {
    filter.outcome = outcomeFilter_->currentData().toString();
    filter.newestLimit = kShownAtMost;
    const QString serial = serialFilter_->text().trimmed();
    if (serial.isEmpty()) return true;
    const qint64 number = SerialOf(serial);
    if (number < 0) {
        ShowSummary([serial] { return tr("序列号“%1”不是 1 到 8 位数字").arg(serial); });
        return false;
    }
    filter.serial = SerialText(number);
    return true;
}

void TRecordsDialog::Refresh() {
    ShowRecords({});
    if (!line_.Recording()) {
        ShowSummary([] { return tr("未配置生产记录数据库：请在上面填写数据库并保存"); });
        return;
    }
    TRecordFilter filter;
    if (!FilterOf(filter)) return;
    try {
        ShowRecords(TLineBook(line_.Db()).Read(filter));
    } catch (const EDbError& e) {
        ShowSummary([text = e.text] { return tr("无法读取生产记录：%1").arg(text); });
    }
}

void TRecordsDialog::ShowRecords(std::vector<TBoardRecord> records) {
    std::reverse(records.begin(), records.end()); // newest first
    shown_ = std::move(records);
    table_->setRowCount(int(shown_.size()));
    for (int row = 0; row < int(shown_.size()); ++row) {
        const QStringList cells = Cells(shown_[size_t(row)]);
        for (int column = 0; column < int(cells.size()); ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    ResizeColumns();
    ShowSummary([count = int(shown_.size())] {
        if (count == 0) return tr("没有符合条件的记录");
        if (count == kShownAtMost)
            return tr("%1 条记录，最新的在最上面（只显示最新的 %1 条）").arg(count);
        return tr("%1 条记录，最新的在最上面").arg(count);
    });
}

// The rows shown, in the order shown.
void TRecordsDialog::Export() {
    //: the file name suggested for exported records
    const QString path = AskFileName(QDir::home().filePath(tr("生产记录.csv")));
    if (path.isEmpty()) return;
    const QByteArray csv = RecordsCsv(shown_);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        ShowErrorBox(this, tr("生产记录未能导出到 %1：%2").arg(path, file.errorString()));
        return;
    }
    ShowSummary([count = QString::number(shown_.size()), path] {
        return tr("已导出 %1 条记录：%2").arg(count, path);
    });
}
