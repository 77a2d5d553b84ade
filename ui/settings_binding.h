// The one table from the device's settings to the controls that show them: the settings as the
// window shows them, settings shown in the window, and the names a setting goes by in messages.
#pragma once

#include "protocol/replies.h"
#include "protocol/settings.h"

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QLineEdit;
class TComboBox;
namespace Ui {
struct Form1;
}

class TSettingsBinding : public QObject {
    Q_OBJECT
public:
    TSettingsBinding(const Ui::Form1& ui, QObject* parent);

    // The device's settings as the window shows them.
    DeviceSettings Settings() const;
    // Shows the fields of a configuration (all but the board serial number and tester).
    void ShowSettings(const DeviceSettings& settings);
    void ApplyUpdate(const SettingUpdate& update);
    // The control's name and caption: "BOADZ（主串口波特率）".
    QString FieldText(SettingField field) const;
    // A configuration the device cannot take is refused, naming the control and its text.
    void RefuseUnfit(const DeviceSettings& settings, const QString& outcome) const;

private:
    struct TFieldControl {
        SettingField field;
        TComboBox* combo = nullptr; // list settings, and the tester
        QLineEdit* edit = nullptr;
        std::function<QString()> caption; // in the language the window speaks
    };
    const TFieldControl& ControlOf(SettingField field) const;
    static QString ShownText(const TFieldControl& control);

    std::vector<TFieldControl> controls_;
};
