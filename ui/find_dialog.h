// "查找设备": the dialog that searches ports for the device at every main-port setting, one row
// a port with what it is trying and what it found, and lets the user pick a device found.
#pragma once

#include "protocol/settings.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class QTreeWidget;
class TDeviceFinder;

// A device picked: its port's name and the settings it answered at.
struct TFoundDevice {
    QString portName;
    PortConfig line;
};

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    // The search starts as soon as the dialog's event loop runs.
    TFindDialog(const QStringList& portNames, QWidget* parent);

    // The device picked with "使用" (when exec() returned Accepted).
    const TFoundDevice& Chosen() const { return chosen_; }
    // Escape, the window's close button and "关闭" end a running search first.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void BuildRows(const QStringList& portNames);
    QWidget* BuildButtons();
    void Retranslate();
    void ShowCancelCaption();
    void ShowPort(int index);
    void ShowRow(int index);
    void Ended();
    void ShowSummary();
    void SelectionChanged();
    int SelectedFound() const;
    void CancelOrClose();
    void Use();

    TDeviceFinder* finder_;
    QTreeWidget* rows_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* cancel_ = nullptr;
    TFoundDevice chosen_;
    bool ended_ = false; // the search has ended: "取消" became "关闭"
};
