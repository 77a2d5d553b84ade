#include "ui/settings_binding.h"

#include "config/settings_file.h"

#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/text_codec.h"

#include <QLineEdit>
#include <algorithm>
#include <stdexcept>

namespace {

const char* const kPortCaptions[kPortCount] = {
    QT_TRANSLATE_NOOP("TSettingsBinding", "主串口"), QT_TRANSLATE_NOOP("TSettingsBinding", "A串口"),
    QT_TRANSLATE_NOOP("TSettingsBinding", "B串口"), QT_TRANSLATE_NOOP("TSettingsBinding", "C串口")};
const char* const kPortWhat[3] = {QT_TRANSLATE_NOOP("TSettingsBinding", "波特率"),
                                  QT_TRANSLATE_NOOP("TSettingsBinding", "校验位"),
                                  //: the stop bits of a serial line
                                  QT_TRANSLATE_NOOP("TSettingsBinding", "停止位")};

QString Tr(const char* source) { return TSettingsBinding::tr(source); }

} // namespace

TSettingsBinding::TSettingsBinding(const Ui::Form1& ui, QObject* parent) : QObject(parent) {
    controls_.push_back(
        {{SettingKind::WorkMode}, ui.ComboBox7, nullptr, [] { return tr("工作方式"); }});
    TComboBox* ports[kPortCount][3] = {{ui.BOADZ, ui.ODDZ, ui.STOPZ},
                                       {ui.BOADA, ui.ODDA, ui.STOPA},
                                       {ui.BOADB, ui.ODDB, ui.STOPB},
                                       {ui.BOADC, ui.ODDC, ui.STOPC}};
    const SettingKind portKinds[3] = {SettingKind::Baud, SettingKind::Parity, SettingKind::Stop};
    for (int p = 0; p < kPortCount; ++p)
        for (int k = 0; k < 3; ++k)
            controls_.push_back({{portKinds[k], p}, ports[p][k], nullptr, [p, k] {
                                     //: a port's name, then one of its line settings
                                     return tr("%1%2").arg(Tr(kPortCaptions[p]), Tr(kPortWhat[k]));
                                 }});
    QLineEdit* times[kTimeCount] = {ui.Edit1, ui.Edit2, ui.Edit3};
    for (int t = 0; t < kTimeCount; ++t)
        controls_.push_back({{SettingKind::Time, t}, nullptr, times[t], [t] {
                                 return FormCaption(kTimeCaptions[size_t(t)]);
                             }});
    for (int i = 0; i < kSlotCount; ++i) {
        const TSlotControls& s = ui.Slots[size_t(i)];
        const int slot = i + 1;
        controls_.push_back({{SettingKind::SlotEnable, i}, s.COMEN, nullptr, [slot] {
                                 return tr("指令%1使能").arg(slot);
                             }});
        controls_.push_back({{SettingKind::SlotCommand, i}, nullptr, s.COMA, [slot] {
                                 return tr("指令%1代码").arg(slot);
                             }});
        for (int b = 0; b < 3; ++b)
            controls_.push_back({{SettingKind::SlotHeader, i, b}, nullptr, s.COMBY[b], [slot, b] {
                                     //: a read-command slot's number, then one of its header bytes
                                     return tr("指令%1%2")
                                         .arg(slot)
                                         .arg(FormCaption(kHeaderByteCaptions[size_t(b)]));
                                 }});
    }
    controls_.push_back(
        {{SettingKind::BoardSerial}, nullptr, ui.PCBSN, [] { return QStringLiteral("PCBSN"); }});
    controls_.push_back({{SettingKind::Tester}, ui.JIANZHI, nullptr, [] { return tr("检测人"); }});
}

const TSettingsBinding::TFieldControl& TSettingsBinding::ControlOf(SettingField field) const {
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [&](const TFieldControl& c) { return c.field == field; });
    if (it == controls_.end()) throw std::logic_error("setting without a control");
    return *it;
}

QString TSettingsBinding::ShownText(const TFieldControl& control) {
    return control.combo ? control.combo->Text() : control.edit->text();
}

QString TSettingsBinding::FieldText(SettingField field) const {
    const TFieldControl& c = ControlOf(field);
    const QWidget* w = c.combo ? static_cast<QWidget*>(c.combo) : c.edit;
    return tr("%1（%2）").arg(w->objectName(), c.caption());
}

DeviceSettings TSettingsBinding::Settings() const {
    DeviceSettings settings;
    for (const TFieldControl& c : controls_) {
        if (IsListField(c.field))
            SetIndex(settings, c.field, c.combo->ItemIndex());
        else
            SetText(settings, c.field, ToBytes(ShownText(c)));
    }
    return settings;
}

void TSettingsBinding::ShowSettings(const DeviceSettings& settings) {
    for (const SettingField& field : ConfigFields()) {
        if (IsListField(field))
            ApplyUpdate({field, IndexOf(settings, field), {}});
        else
            ApplyUpdate({field, 0, TextOf(settings, field)});
    }
}

void TSettingsBinding::ApplyUpdate(const SettingUpdate& update) {
    const TFieldControl& c = ControlOf(update.field);
    if (IsListField(update.field))
        c.combo->SetItemIndex(update.index);
    else if (c.edit)
        c.edit->setText(FromBytes(update.text));
    else
        c.combo->setCurrentText(FromBytes(update.text));
}

void TSettingsBinding::RefuseUnfit(const DeviceSettings& settings, const QString& outcome) const {
    const std::optional<SettingError> e = CheckConfig(settings);
    if (!e) return;
    const TFieldControl& c = ControlOf(e->field);
    throw EAppError(tr("%1的内容“%2”：%3，%4")
                        .arg(FieldText(e->field), ShownText(c), ProblemWords(e->problem), outcome));
}
