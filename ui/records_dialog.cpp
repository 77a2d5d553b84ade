#include "ui/records_dialog.h"

#include "records/db_location.h"
#include "records/line_db.h"
#include "records/record_export.h"
#include "records/serial_pool.h"
#include "records/station_settings.h"
#include "ui/error_report.h"
#include "ui/line_station.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
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

// The outcomes a record may have, as the records view names them; the first lets all through.
const std::vector<std::pair<QString, QString>>& OutcomeLabels() {
    static const std::vector<std::pair<QString, QString>> labels{
        {QString(), QStringLiteral("全部")},  {kPassed, QStringLiteral("通过")},
        {kFailed, QStringLiteral("失败")},    {kRefused, QStringLiteral("拒绝")},
        {kGone, QStringLiteral("设备断开")},  {kAborted, QStringLiteral("中止")},
        {kStarted, QStringLiteral("进行中")},
    };
    return labels;
}

QString OutcomeLabel(const QString& outcome) {
    for (const auto& [stored, label] : OutcomeLabels())
        if (stored == outcome) return label;
    return outcome;
}

const QStringList kColumns = {QStringLiteral("编号"),   QStringLiteral("开始时间"),
                              QStringLiteral("工位"),   QStringLiteral("操作员"),
                              QStringLiteral("序列号"), QStringLiteral("结果"),
                              QStringLiteral("命令"),   QStringLiteral("说明")};

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
        return QStringLiteral("正在使用环境变量 VQ830_DB 指定的数据库：%1（它优先于上面的设置）")
            .arg(DbLocationOf(env).Shown());
    if (DbConfigured(QString()))
        return QStringLiteral("正在使用：") + DbLocationFrom(QString()).Shown();
    return QStringLiteral("未配置数据库：写入不做生产记录，“下一个序列号”不可用");
}

QString AskWithDialog(QWidget* parent, const QString& suggested) {
    QString name = QFileDialog::getSaveFileName(parent, QStringLiteral("导出 CSV"), suggested,
                                                QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"));
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".csv");
    return name;
}

QLineEdit* NamedEdit(const char* name, const QString& placeholder = {}) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace

TRecordsDialog::TRecordsDialog(TLineStation& line, QWidget* window) : QDialog(window), line_(line) {
    setObjectName(QStringLiteral("RecordsDialog"));
    setWindowTitle(QStringLiteral("生产记录"));
    setFont(window->font()); // a window of its own: it does not take the window's font
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildSettings());
    layout->addWidget(BuildFilters());
    layout->addWidget(table_ = BuildTable(), 1);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("RecordsSummary"));
    layout->addWidget(summary_);
    resize(900, 520);
    AskFileName = [this](const QString& suggested) { return AskWithDialog(this, suggested); };
    connect(&line_, &TLineStation::Recorded, this, [this] {
        if (isVisible()) Refresh();
    });
}

QPushButton* TRecordsDialog::Button(const char* name, const QString& caption,
                                    void (TRecordsDialog::*click)()) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false); // Enter in a field does not press it
    connect(button, &QPushButton::clicked, this, click);
    return button;
}

QWidget* TRecordsDialog::BuildSettings() {
    auto* box = new QGroupBox(QStringLiteral("本工位"), this);
    database_ =
        NamedEdit("RecordsDb", QStringLiteral("SQLite 文件，或 postgresql://用户@主机/数据库"));
    station_ = NamedEdit("RecordsStation", QStringLiteral("写入记录前必须设置"));
    operator_ = NamedEdit("RecordsOperator");
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("数据库："), database_);
    fields->addRow(QStringLiteral("工位："), station_);
    fields->addRow(QStringLiteral("操作员："), operator_);
    where_ = new QLabel;
    where_->setObjectName(QStringLiteral("RecordsWhere"));
    where_->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(where_, 1);
    row->addWidget(Button("RecordsSave", QStringLiteral("保存"), &TRecordsDialog::SaveSettings));
    auto* column = new QVBoxLayout(box);
    column->addLayout(fields);
    column->addLayout(row);
    return box;
}

QWidget* TRecordsDialog::BuildFilters() {
    auto* filters = new QWidget(this);
    serialFilter_ = NamedEdit("RecordsSerialFilter", QStringLiteral("全部"));
    serialFilter_->setMaximumWidth(120);
    connect(serialFilter_, &QLineEdit::returnPressed, this, &TRecordsDialog::Refresh);
    outcomeFilter_ = new QComboBox;
    outcomeFilter_->setObjectName(QStringLiteral("RecordsOutcomeFilter"));
    for (const auto& [stored, label] : OutcomeLabels())
        outcomeFilter_->addItem(label, stored);
    connect(outcomeFilter_, &QComboBox::activated, this, &TRecordsDialog::Refresh);
    auto* row = new QHBoxLayout(filters);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("序列号：")));
    row->addWidget(serialFilter_);
    row->addWidget(new QLabel(QStringLiteral("结果：")));
    row->addWidget(outcomeFilter_);
    row->addWidget(Button("RecordsRefresh", QStringLiteral("刷新"), &TRecordsDialog::Refresh));
    row->addWidget(Button("RecordsExport", QStringLiteral("导出 CSV"), &TRecordsDialog::Export));
    row->addStretch(1);
    return filters;
}

QTableWidget* TRecordsDialog::BuildTable() {
    auto* table = new QTableWidget(0, int(kColumns.size()), this);
    table->setObjectName(QStringLiteral("RecordsTable"));
    table->setHorizontalHeaderLabels(kColumns);
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
        summary_->setText(QStringLiteral("序列号“%1”不是 1 到 8 位数字").arg(serial));
        return false;
    }
    filter.serial = SerialText(number);
    return true;
}

void TRecordsDialog::Refresh() {
    ShowRecords({});
    if (!line_.Recording()) {
        summary_->setText(QStringLiteral("未配置生产记录数据库：请在上面填写数据库并保存"));
        return;
    }
    TRecordFilter filter;
    if (!FilterOf(filter)) return;
    try {
        ShowRecords(TLineBook(line_.Db()).Read(filter));
    } catch (const EDbError& e) {
        summary_->setText(QStringLiteral("无法读取生产记录：") + e.text);
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
    for (int column = 0; column + 1 < int(kColumns.size()); ++column)
        table_->resizeColumnToContents(column);
    const int count = int(shown_.size());
    summary_->setText(count == 0 ? QStringLiteral("没有符合条件的记录")
                                 : QStringLiteral("%1 条记录，最新的在最上面").arg(count) +
                                       (count == kShownAtMost
                                            ? QStringLiteral("（只显示最新的 %1 条）").arg(count)
                                            : QString()));
}

// The rows shown, in the order shown.
void TRecordsDialog::Export() {
    const QString path = AskFileName(QDir::home().filePath(QStringLiteral("生产记录.csv")));
    if (path.isEmpty()) return;
    const QByteArray csv = RecordsCsv(shown_);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        ShowErrorBox(this,
                     QStringLiteral("生产记录未能导出到 %1：%2").arg(path, file.errorString()));
        return;
    }
    summary_->setText(QStringLiteral("已导出 %1 条记录：%2").arg(shown_.size()).arg(path));
}
