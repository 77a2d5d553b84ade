// The port panel's port field.
#include "ui/port_panel.h"

#include "ui/combo_box.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

TPortComboBox::TPortComboBox(QWidget* parent) : TComboBox(parent) {
    for (int i = 1; i <= FixedItems; ++i)
        addItem(QStringLiteral("COM%1").arg(i));
    connect(this, &QComboBox::editTextChanged, this,
            [this](const QString& text) { setToolTip(text); });
    RefreshPorts();
}

void TPortComboBox::RefreshPorts() {
    const QString text = currentText();
    const QSignalBlocker quiet(this); // listeners see no change: the field keeps its text
    while (count() > FixedItems)
        removeItem(count() - 1);
    for (const DetectedPort& port : DetectedPorts()) {
        addItem(port.Path);
        setItemData(count() - 1, port.ToolTip, Qt::ToolTipRole);
    }
    setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setEditText(text);
    setToolTip(text);
    // The list is as wide as its longest path; the field keeps its own width.
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(widest + 40);
}

void TPortComboBox::showPopup() {
    RefreshPorts();
    TComboBox::showPopup();
}

TComboBox* MakePortCombo(QWidget* parent, int x, int y, int w) {
    auto* combo = new TPortComboBox(parent);
    combo->setObjectName(QStringLiteral("SPREALCOM"));
    combo->SetItemIndex(3);
    combo->setGeometry(x, y, w, 21);
    return combo;
}
