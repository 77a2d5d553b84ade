#pragma once

#include "ports/port_names.h"
#include "ui/combo_box.h"

#include <QList>
#include <QString>

// The port field: "COM1" to "COM12", then the serial devices present, listed again each time
// the list opens. A refresh never changes the field's text; the field's tooltip is its text.
class TPortComboBox : public TComboBox {
    Q_OBJECT
public:
    explicit TPortComboBox(QWidget* parent = nullptr);
    void RefreshPorts();
    void showPopup() override;

    static constexpr int FixedItems = 12;
};

// The port panel's field SPREALCOM, "COM4" shown.
TComboBox* MakePortCombo(QWidget* parent, int x, int y, int w);
