#include "ui/find_dialog.h"

#include "finder/device_finder.h"
#include "ui/find_report.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { PortColumn, StateColumn, DetailColumn };

// A cell shows its text on one line, the whole of it in its tooltip.
void SetCell(QTreeWidgetItem* item, int column, const QString& text) {
    item->setText(column, QString(text).replace(u'\n', u' '));
    item->setToolTip(column, text);
}

} // namespace

TFindDialog::TFindDialog(const QStringList& portNames, QWidget* parent)
    : QDialog(parent), finder_(new TDeviceFinder(portNames, this)) {
    setObjectName(QStringLiteral("FindDialog"));
    setModal(true);
    if (parent) setFont(parent->font()); // a window of its own does not take the window's font
    auto* layout = new QVBoxLayout(this);
    BuildRows(portNames);
    layout->addWidget(rows_);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("FindSummary"));
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    layout->addWidget(BuildButtons());
    resize(880, 360);
    Retranslate(); // and the rows, the summary
    connect(finder_, &TDeviceFinder::PortChanged, this, &TFindDialog::ShowPort);
    connect(finder_, &TDeviceFinder::Finished, this, &TFindDialog::Ended);
    finder_->Start();
}

void TFindDialog::BuildRows(const QStringList& portNames) {
    rows_ = new QTreeWidget(this);
    rows_->setObjectName(QStringLiteral("FindPorts"));
    rows_->setColumnCount(DetailColumn + 1);
    rows_->setRootIsDecorated(false);
    rows_->setSelectionMode(QAbstractItemView::SingleSelection);
    rows_->setColumnWidth(PortColumn, 90);
    rows_->setColumnWidth(StateColumn, 340);
    for (const QString& name : portNames)
        new QTreeWidgetItem(rows_, {name});
    connect(rows_, &QTreeWidget::itemSelectionChanged, this, &TFindDialog::SelectionChanged);
    connect(rows_, &QTreeWidget::itemDoubleClicked, this, &TFindDialog::Use);
}

QWidget* TFindDialog::BuildButtons() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    use_ = new QPushButton(bar);
    use_->setObjectName(QStringLiteral("FindUse"));
    use_->setEnabled(false);
    cancel_ = new QPushButton(bar);
    cancel_->setObjectName(QStringLiteral("FindCancel"));
    row->addWidget(use_);
    row->addWidget(cancel_);
    connect(use_, &QPushButton::clicked, this, &TFindDialog::Use);
    connect(cancel_, &QPushButton::clicked, this, &TFindDialog::CancelOrClose);
    return bar;
}

void TFindDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

// Every text in the language now chosen, the rows and the paragraph made again from the
// search's results.
void TFindDialog::Retranslate() {
    setWindowTitle(tr("查找设备"));
    rows_->setHeaderLabels({tr("端口"), tr("状态"), tr("详情")});
    //: "使用" uses the device found: opens its port with the settings found
    use_->setText(tr("使用"));
    use_->setToolTip(tr("用找到的设置打开选中行的端口"));
    ShowCancelCaption();
    for (int i = 0; i < rows_->topLevelItemCount(); ++i)
        ShowRow(i);
    ShowSummary();
}

// "取消" ends the search; once it has ended, "关闭" closes the dialog.
void TFindDialog::ShowCancelCaption() { cancel_->setText(ended_ ? tr("关闭") : tr("取消")); }

// A port's row after a change; the first device found is selected, ready for "使用".
void TFindDialog::ShowPort(int index) {
    ShowRow(index);
    const TPortProgress& port = finder_->Ports()[size_t(index)];
    if (port.Found() && rows_->selectedItems().isEmpty())
        rows_->setCurrentItem(rows_->topLevelItem(index));
    SelectionChanged();
    ShowSummary();
}

void TFindDialog::ShowRow(int index) {
    const TPortProgress& port = finder_->Ports()[size_t(index)];
    QTreeWidgetItem* item = rows_->topLevelItem(index);
    item->setText(PortColumn, port.name);
    item->setToolTip(PortColumn, port.path);
    SetCell(item, StateColumn, PortStateText(port));
    SetCell(item, DetailColumn, PortDetailText(port));
}

void TFindDialog::Ended() {
    ended_ = true;
    ShowCancelCaption();
    ShowSummary();
}

void TFindDialog::ShowSummary() {
    summary_->setText(SearchSummary(finder_->Ports(), finder_->Running()));
}

void TFindDialog::SelectionChanged() { use_->setEnabled(SelectedFound() >= 0); }

// The selected row when its port found a device, else -1.
int TFindDialog::SelectedFound() const {
    const QList<QTreeWidgetItem*> selected = rows_->selectedItems();
    if (selected.isEmpty()) return -1;
    const int index = rows_->indexOfTopLevelItem(selected.front());
    return finder_->Ports()[size_t(index)].Found() ? index : -1;
}

void TFindDialog::CancelOrClose() {
    if (finder_->Running())
        finder_->Cancel();
    else
        reject();
}

void TFindDialog::reject() {
    finder_->Cancel();
    QDialog::reject();
}

// The device picked: the search ends (its ports closed) and the dialog is accepted.
void TFindDialog::Use() {
    const int index = SelectedFound();
    if (index < 0) return;
    const TPortProgress& port = finder_->Ports()[size_t(index)];
    chosen_ = {port.name, port.result.at};
    finder_->Cancel();
    accept();
}
