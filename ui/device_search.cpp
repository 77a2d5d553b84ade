#include "ui/device_search.h"

#include "ports/port_names.h"
#include "ui/combo_box.h"
#include "ui/find_dialog.h"
#include "ui/form_controls.h"

TDeviceSearch::TDeviceSearch(Ui::Form1& ui, QWidget* window)
    : QObject(window), ui_(ui), window_(window) {}

bool TDeviceSearch::PickDevice() {
    TFindDialog dialog(PortNames(), window_);
    if (dialog.exec() != QDialog::Accepted) return false;
    ShowInPanel(dialog.Chosen());
    return true;
}

QStringList TDeviceSearch::PortNames() const {
    QStringList items;
    for (int i = 0; i < ui_.SPREALCOM->count(); ++i)
        items << ui_.SPREALCOM->itemText(i);
    QStringList names = PresentPortNames(items);
    const QString text = ui_.SPREALCOM->Text();
    if (!text.trimmed().isEmpty() && !names.contains(text)) names << text;
    return names;
}

// The panel's lists hold the device's items in the order of its indexes.
void TDeviceSearch::ShowInPanel(const TFoundDevice& device) {
    const int item =
        ui_.SPREALCOM->findText(device.portName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        ui_.SPREALCOM->SetItemIndex(item);
    else
        ui_.SPREALCOM->setEditText(device.portName);
    ui_.ComboBox1->SetItemIndex(device.line.baud);
    ui_.ComboBox2->SetItemIndex(device.line.parity);
    ui_.ComboBox3->SetItemIndex(device.line.stop);
}
