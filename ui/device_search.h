// "查找设备" on the window's side: the port field's ports searched in the search dialog, and a
// device picked there put into the port panel, its port and the settings it answered at.
#pragma once

#include <QObject>
#include <QStringList>

class QWidget;
struct TFoundDevice;
namespace Ui {
struct Form1;
}

class TDeviceSearch : public QObject {
    Q_OBJECT
public:
    TDeviceSearch(Ui::Form1& ui, QWidget* window);

    // Runs the search dialog (modal) over the port field's ports; true when a device was
    // picked, the panel then showing it.
    bool PickDevice();

private:
    // The port field's items that lead to a port present, and its text (searched whatever it
    // names, so that a port that cannot be opened is explained).
    QStringList PortNames() const;
    void ShowInPanel(const TFoundDevice& device);

    Ui::Form1& ui_;
    QWidget* window_;
};
