#include "ui/combo_box.h"

#include <QLineEdit>

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed text stays exactly as typed: no completion, and Enter never adds an item.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(16);
}

int TComboBox::ItemIndex() const {
    const QString text = currentText();
    const int current = currentIndex();
    if (current >= 0 && itemText(current) == text) return current;
    for (int i = 0; i < count(); ++i)
        if (itemText(i) == text) return i;
    return -1;
}

void TComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) {
        setCurrentIndex(-1);
        setEditText(QString());
        return;
    }
    setCurrentIndex(index);
    setEditText(itemText(index));
}
