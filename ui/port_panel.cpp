// The port panel: opening and closing the main serial port with the panel's settings.
#include "ui/port_panel.h"

#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

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

void TForm1::Button1Click() {
    if (PortOpened) {
        PortOpened = false;
        ui.Button1->setText(QStringLiteral("打开串口"));
        ui.Comm1->ClosePort();
        return;
    }
    try {
        OpenFromPanel();
    } catch (const ECommsError& e) {
        // The same message, with what went wrong and what to do about it under it.
        throw EAppError(QString::fromLatin1(e.what()),
                        ExplainOpenError(QString::fromStdString(ui.Comm1->CommName()),
                                         ui.Comm1->LastOpenErrno()));
    }
}

// The opening with the panel's settings. Raises ECommsError when the port refuses.
void TForm1::OpenFromPanel() {
    ui.Comm1->ClosePort();
    ui.Comm1->SetBaudRate(uint32_t(TextToInt(ui.ComboBox1->Text())));
    const int parity = ui.ComboBox2->ItemIndex();
    if (parity < 0)
        throw EAppError(QStringLiteral("'%1' is not a valid parity").arg(ui.ComboBox2->Text()));
    ui.Comm1->SetParity(TParity(parity));
    ui.Comm1->SetStopBits(ui.ComboBox3->ItemIndex() == 1 ? TStopBits::_2 : TStopBits::_1);
    ui.Comm1->SetCommName(ResolvePortName(ui.SPREALCOM->Text()).toStdString());
    ui.Comm1->SetOutx_XonXoffFlow(false);
    ui.Comm1->SetInx_XonXoffFlow(false);
    ui.Comm1->OpenPort();
    // "COM_DTR" drives the DTR line and "COM_RTS" the RTS line.
    ui.Comm1->SetDtrControl(ui.CheckBox2->isChecked() ? TDtrControl::DtrEnable
                                                      : TDtrControl::DtrDisable);
    ui.Comm1->SetRtsControl(ui.CheckBox1->isChecked() ? TRtsControl::RtsEnable
                                                      : TRtsControl::RtsDisable);
    PortOpened = true;
    ui.Button1->setText(QStringLiteral("关闭串口"));
}
