#pragma once

#include <QComboBox>

// An editable drop-down list whose selected item index follows the typed text: the
// index of the current item while the field shows that item's text, else the first
// item whose text equals the field's text exactly, else -1.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);

    int ItemIndex() const;
    // An index past the last item (or negative) leaves the list with no selected item
    // and an empty field.
    void SetItemIndex(int index);
    QString Text() const { return currentText(); }
};
