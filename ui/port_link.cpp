#include "ui/port_link.h"

#include "ports/port_names.h"
#include "protocol/int_conv.h"
#include "serial/comm.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/form_controls.h"
#include "ui/status_line.h"
#include "ui/text_codec.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <utility>

TPortLink::TPortLink(Ui::Form1& ui, TStatusLine& status, QObject* parent)
    : QObject(parent), ReopenTimer(new QTimer(this)), ui_(ui), status_(status) {
    ReopenTimer->setInterval(1000);
    connect(ReopenTimer, &QTimer::timeout, this, [this] { ReopenTick(); });
    WatchPanelChanges();
}

// Changes to the panel while the port is open take effect at the next opening.
void TPortLink::WatchPanelChanges() {
    auto note = [this] {
        if (opened_) status_.Show([] { return tr("串口设置已更改：关闭后重新打开串口时生效"); });
    };
    for (TComboBox* combo : {ui_.SPREALCOM, ui_.ComboBox1, ui_.ComboBox2, ui_.ComboBox3})
        connect(combo, &QComboBox::currentTextChanged, this, note);
    for (QCheckBox* box : {ui_.CheckBox1, ui_.CheckBox2})
        connect(box, &QCheckBox::toggled, this, note);
}

void TPortLink::SetOpened(bool opened) {
    opened_ = opened;
    Retranslate();
}

void TPortLink::Retranslate() { ui_.Button1->setText(opened_ ? tr("关闭串口") : tr("打开串口")); }

// "串口已打开：…" with the port's settings as opened; the stop bits are a word of the window's
// language, taken again when that changes.
TStatusLine::TText TPortLink::OpenedText() const {
    const QString name = QString::fromStdString(ui_.Comm1->CommName());
    const QString baud = ui_.ComboBox1->Text(), parity = ui_.ComboBox2->Text();
    const TComboBox* stop = ui_.ComboBox3;
    const int stopIndex = stop->ItemIndex();
    const QString stopText = stop->Text();
    return [name, baud, parity, stop, stopIndex, stopText] {
        return tr("串口已打开：%1，%2，%3，%4")
            .arg(name, baud, parity, stopIndex < 0 ? stopText : stop->itemText(stopIndex));
    };
}

void TPortLink::Toggle() {
    if (opened_) {
        SetOpened(false);
        ui_.Comm1->ClosePort();
        return;
    }
    try {
        OpenFromPanel();
    } catch (const ECommsError& e) {
        // The same message, with what went wrong and what to do about it under it.
        throw EAppError(QString::fromLatin1(e.what()),
                        ExplainOpenError(QString::fromStdString(ui_.Comm1->CommName()),
                                         ui_.Comm1->LastOpenErrno()));
    }
}

// The opening with the panel's settings. Raises ECommsError when the port refuses.
void TPortLink::OpenFromPanel() {
    TComm& comm = *ui_.Comm1;
    comm.ClosePort();
    comm.SetBaudRate(uint32_t(TextToInt(ui_.ComboBox1->Text())));
    const int parity = ui_.ComboBox2->ItemIndex();
    if (parity < 0)
        throw EAppError(QStringLiteral("'%1' is not a valid parity").arg(ui_.ComboBox2->Text()));
    comm.SetParity(TParity(parity));
    comm.SetStopBits(ui_.ComboBox3->ItemIndex() == 1 ? TStopBits::_2 : TStopBits::_1);
    comm.SetCommName(ResolvePortName(ui_.SPREALCOM->Text()).toStdString());
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.OpenPort();
    // "COM_DTR" drives the DTR line and "COM_RTS" the RTS line.
    comm.SetDtrControl(ui_.CheckBox2->isChecked() ? TDtrControl::DtrEnable
                                                  : TDtrControl::DtrDisable);
    comm.SetRtsControl(ui_.CheckBox1->isChecked() ? TRtsControl::RtsEnable
                                                  : TRtsControl::RtsDisable);
    SetOpened(true);
}

TPortLink::TClick TPortLink::BeforeClick() {
    const bool waiting = ReopenTimer->isActive();
    ReopenTimer->stop();
    return {opened_, waiting};
}

void TPortLink::AfterClick(TClick click) {
    if (opened_ != click.wasOpen)
        status_.Show(opened_ ? OpenedText() : [] { return tr("串口已关闭"); });
    else if (click.waiting)
        status_.Show([] { return tr("不再等待设备重新连接"); });
}

void TPortLink::Release() {
    const TClick click = BeforeClick();
    if (opened_) Toggle(); // closes
    AfterClick(click);
}

bool TPortLink::HangUp() {
    if (!opened_) return false;
    const QString path = QString::fromStdString(ui_.Comm1->CommName());
    ui_.Comm1->ClosePort();
    SetOpened(false);
    status_.Show([path] { return tr("设备已断开（%1），等待它重新连接…").arg(path); });
    ReopenTimer->start();
    return true;
}

void TPortLink::ReopenTick() {
    if (opened_) {
        ReopenTimer->stop();
        return;
    }
    try {
        OpenFromPanel(); // the panel's settings, as a click would; no explanation wanted
    } catch (const std::exception&) {
        return; // not there yet
    }
    ReopenTimer->stop();
    status_.Show([opened = OpenedText()] { return tr("设备已重新连接，%1").arg(opened()); });
}

void TPortLink::LineErrors(uint32_t eventMask) {
    status_.Show([eventMask] {
        const std::pair<uint32_t, QString> names[] = {
            {CE_OVERRUN | CE_RXOVER, tr("溢出")},
            //: a parity error on the line (not the parity setting)
            {CE_RXPARITY, tr("校验错")},
            {CE_FRAME, tr("帧错误")},
            //: a break condition on the line (not an interruption)
            {CE_BREAK, tr("中断")}};
        QStringList found;
        for (const auto& [bits, name] : names)
            if (eventMask & bits) found << name;
        return tr("线路错误：%1").arg(found.join(tr("、")));
    });
}
