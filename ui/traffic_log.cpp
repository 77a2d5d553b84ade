#include "ui/traffic_log.h"

#include "i18n/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

namespace {

const QString kEllipsis = QStringLiteral("…");

QString EscapedByte(unsigned char byte) {
    switch (byte) {
    case '\r':
        return QStringLiteral("\\r");
    case '\n':
        return QStringLiteral("\\n");
    case '\t':
        return QStringLiteral("\\t");
    case '\\':
        return QStringLiteral("\\\\");
    default:
        break;
    }
    if (byte >= 0x20 && byte < 0x7F) return QString(QChar(byte));
    return QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, '0');
}

// What a text or hex cell shows: the first CellBytes bytes, "…" when there are more.
QString CellText(const QByteArray& bytes, QString (*render)(const QByteArray&)) {
    if (bytes.size() <= TTrafficModel::CellBytes) return render(bytes);
    return render(bytes.left(TTrafficModel::CellBytes)) + kEllipsis;
}

QString CsvField(QString text) {
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QStringList EntryFields(const TTrafficEntry& entry) {
    return {TrafficTimeText(entry.Time), TrafficDirectionText(entry.Direction),
            QString::number(entry.Bytes.size()), EscapedTrafficText(entry.Bytes),
            TrafficHex(entry.Bytes)};
}

QString CsvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields)
        quoted << CsvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

// The headings of the table and of a saved CSV file, in the language shown.
QStringList ColumnTitles() {
    static const char* const titles[] = {
        QT_TRANSLATE_NOOP("TTrafficLog", "时间"),
        //: whether the bytes were sent or received
        QT_TRANSLATE_NOOP("TTrafficLog", "方向"),
        QT_TRANSLATE_NOOP("TTrafficLog", "字节数"),
        //: the bytes shown as text
        QT_TRANSLATE_NOOP("TTrafficLog", "文本"),
        //: the bytes shown in hex
        QT_TRANSLATE_NOOP("TTrafficLog", "十六进制"),
    };
    return Translated("TTrafficLog", titles);
}

bool Fail(QString* error, const QString& path, const QString& reason) {
    if (error)
        *error = QCoreApplication::translate("TTrafficLog", "无法保存到 %1：%2")
                     .arg(QDir::toNativeSeparators(path), reason);
    return false;
}

QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

QString EscapedTrafficText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text += EscapedByte(static_cast<unsigned char>(byte));
    return text;
}

QString TrafficHex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString TrafficDirectionText(TTrafficDirection direction) {
    switch (direction) {
    case TTrafficDirection::Sent:
        //: bytes sent to the device (a direction in the log)
        return QCoreApplication::translate("TTrafficLog", "发送");
    case TTrafficDirection::Received:
        //: bytes received from the device (a direction in the log)
        return QCoreApplication::translate("TTrafficLog", "接收");
    case TTrafficDirection::Dropped:
        //: bytes received while the window expected no answer, and ignored
        return QCoreApplication::translate("TTrafficLog", "接收(丢弃)");
    }
    return QString();
}

QString TrafficTimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

// ---- Model -----------------------------------------------------------------------

int TTrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

int TTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(entries_.size())) return {};
    const TTrafficEntry& entry = entries_[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == CountColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::FontRole && index.column() >= TextColumn) {
        static const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        return fixed;
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case TimeColumn:
        return TrafficTimeText(entry.Time);
    case DirectionColumn:
        return TrafficDirectionText(entry.Direction);
    case CountColumn:
        return int(entry.Bytes.size());
    case TextColumn:
        return CellText(entry.Bytes, EscapedTrafficText);
    case HexColumn:
        return CellText(entry.Bytes, TrafficHex);
    default:
        return {};
    }
}

QVariant TTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    const QStringList titles = ColumnTitles();
    return section >= 0 && section < titles.size() ? titles[section] : QVariant();
}

int TTrafficModel::Append(std::deque<TTrafficEntry>&& entries) {
    int removed = 0;
    for (; entries.size() > size_t(MaxRows); ++removed)
        entries.pop_front();
    if (entries.empty()) return removed;
    removed += RemoveOldest(int(entries_.size() + entries.size()) - MaxRows);
    const int first = int(entries_.size());
    beginInsertRows(QModelIndex(), first, first + int(entries.size()) - 1);
    std::move(entries.begin(), entries.end(), std::back_inserter(entries_));
    endInsertRows();
    entries.clear();
    return removed;
}

int TTrafficModel::RemoveOldest(int count) {
    count = std::min(count, int(entries_.size()));
    if (count <= 0) return 0;
    beginRemoveRows(QModelIndex(), 0, count - 1);
    entries_.erase(entries_.begin(), entries_.begin() + count);
    endRemoveRows();
    return count;
}

void TTrafficModel::Retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!entries_.empty())
        emit dataChanged(index(0, DirectionColumn), index(rowCount() - 1, DirectionColumn),
                         {Qt::DisplayRole});
}

void TTrafficModel::Clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

// ---- Window ----------------------------------------------------------------------

TTrafficLog::TTrafficLog(QWidget* parent)
    : QWidget(parent, Qt::Window), model_(new TTrafficModel(this)), flushTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("TrafficLog"));
    resize(960, 420);

    View = new QTableView(this);
    View->setObjectName(QStringLiteral("TrafficView"));
    View->setModel(model_);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setWordWrap(false);
    View->verticalHeader()->hide();
    // Fixed row heights and column widths: the view never measures all rows' contents.
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    View->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    View->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {170, 80, 60, 320};
    for (int column = 0; column < 4; ++column)
        View->setColumnWidth(column, widths[column]);

    ClearButton = MakeButton(this, "TrafficClear");
    PauseButton = MakeButton(this, "TrafficPause");
    SaveButton = MakeButton(this, "TrafficSave");
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("TrafficSummary"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ClearButton);
    buttons->addWidget(PauseButton);
    buttons->addWidget(SaveButton);
    buttons->addWidget(Summary, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(View);
    layout->addLayout(buttons);

    flushTimer_->setSingleShot(true);
    flushTimer_->setInterval(FlushIntervalMs);
    connect(flushTimer_, &QTimer::timeout, this, &TTrafficLog::Flush);
    connect(ClearButton, &QPushButton::clicked, this, &TTrafficLog::Clear);
    connect(PauseButton, &QPushButton::clicked, this, [this] { SetPaused(!paused_); });
    connect(SaveButton, &QPushButton::clicked, this, &TTrafficLog::SaveWithDialog);
    Retranslate();
}

void TTrafficLog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
        model_->Retranslate();
    }
    QWidget::changeEvent(event);
}

void TTrafficLog::Retranslate() {
    setWindowTitle(tr("通讯记录"));
    ClearButton->setText(tr("清除"));
    ShowPauseCaption();
    SaveButton->setText(tr("保存…"));
    UpdateSummary();
}

void TTrafficLog::ShowPauseCaption() {
    //: "暂停" pauses the log; "继续" resumes it
    PauseButton->setText(paused_ ? tr("继续") : tr("暂停"));
}

void TTrafficLog::AddSent(const QByteArray& bytes, const QDateTime& time) {
    Add({time, TTrafficDirection::Sent, bytes});
}

void TTrafficLog::AddReceived(const QByteArray& bytes, bool droppedByWindow,
                              const QDateTime& time) {
    Add({time, droppedByWindow ? TTrafficDirection::Dropped : TTrafficDirection::Received, bytes});
}

// Entries wait in the pending list for the timer; the list never holds more than the table
// keeps, so a flood between two flushes costs no more memory than a full table.
void TTrafficLog::Add(TTrafficEntry entry) {
    if (paused_) {
        ++skipped_;
    } else {
        pending_.push_back(std::move(entry));
        if (pending_.size() > size_t(TTrafficModel::MaxRows)) {
            pending_.pop_front();
            ++removed_;
        }
    }
    if (!flushTimer_->isActive()) flushTimer_->start();
}

int TTrafficLog::RowCount() const { return model_->rowCount(); }

bool TTrafficLog::NearBottom() const {
    const QScrollBar* bar = View->verticalScrollBar();
    return bar->value() >= bar->maximum() - 1;
}

void TTrafficLog::Flush() {
    flushTimer_->stop();
    if (!pending_.empty()) {
        const bool follow = NearBottom();
        removed_ += model_->Append(std::move(pending_));
        pending_.clear();
        if (follow) View->scrollToBottom();
    }
    UpdateSummary();
}

// The rows and what left the table, then what pausing skipped.
void TTrafficLog::UpdateSummary() {
    QString text = removed_ > 0 ? tr("共 %1 条，已移除最早的 %2 条（最多保留 %3 条）")
                                      .arg(RowCount())
                                      .arg(removed_)
                                      .arg(TTrafficModel::MaxRows)
                                : tr("共 %1 条").arg(RowCount());
    if (paused_)
        text += tr("；已暂停，跳过 %1 条").arg(skipped_);
    else if (skipped_ > 0)
        text += tr("；暂停期间跳过 %1 条").arg(skipped_);
    Summary->setText(text);
}

void TTrafficLog::SetPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    if (paused_) skipped_ = 0;
    ShowPauseCaption();
    UpdateSummary();
}

void TTrafficLog::Clear() {
    pending_.clear();
    model_->Clear();
    skipped_ = 0;
    removed_ = 0;
    UpdateSummary();
}

void TTrafficLog::ShowAndRaise() {
    Flush();
    show();
    raise();
    activateWindow();
}

bool TTrafficLog::SaveTo(const QString& path, QString* error) {
    Flush();
    const bool csv =
        QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Fail(error, path, file.errorString());
    if (csv) file.write(CsvLine(ColumnTitles()).toUtf8());
    for (const TTrafficEntry& entry : model_->Entries()) {
        const QStringList fields = EntryFields(entry);
        const QString line = csv ? CsvLine(fields) : fields.join(QLatin1Char('\t')) + '\n';
        file.write(line.toUtf8());
    }
    if (!file.commit()) return Fail(error, path, file.errorString());
    return true;
}

// The file's headings and direction words are those shown (the language of the window).
void TTrafficLog::SaveWithDialog() {
    const QString csvFilter = tr("CSV 文件 (*.csv)");
    const QString textFilter = tr("文本文件 (*.txt)");
    //: the file name suggested for a saved log; %1 is the date and time
    const QString suggested = QDir::home().filePath(
        tr("通讯记录-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    QString filter = csvFilter;
    QString path =
        QFileDialog::getSaveFileName(this, tr("保存通讯记录"), suggested,
                                     csvFilter + QStringLiteral(";;") + textFilter, &filter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter == textFilter ? QStringLiteral(".txt") : QStringLiteral(".csv");
    QString error;
    if (!SaveTo(path, &error)) QMessageBox::warning(this, tr("保存通讯记录"), error);
}
