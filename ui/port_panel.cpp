// The port panel: opening and closing the main serial port with the panel's settings.
#include "ui/port_panel.h"

#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/text_codec.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>

QString PortMapDirectory() {
    const QByteArray dir = qgetenv("VQ830_PORT_DIR");
    if (!dir.isEmpty()) return QString::fromLocal8Bit(dir);
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/vq830/ports");
}

QString ResolvePortName(const QString& name) {
    if (name.contains(u'/')) return name;
    static const QRegularExpression comPattern(QStringLiteral("^COM([0-9]+)$"));
    const QRegularExpressionMatch m = comPattern.match(name);
    if (m.hasMatch()) {
        const QString mapped = PortMapDirectory() + u'/' + name;
        if (QFileInfo(mapped).isSymLink() || QFileInfo::exists(mapped)) return mapped;
        bool ok = false;
        const qlonglong n = m.captured(1).toLongLong(&ok);
        if (ok && n >= 1) return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + name;
}

void TForm1::Button1Click() {
    if (PortOpened) {
        PortOpened = false;
        Button1->setText(QStringLiteral("打开串口"));
        Comm1.ClosePort();
        return;
    }
    Comm1.ClosePort();
    Comm1.SetBaudRate(uint32_t(TextToInt(ComboBox1->Text())));
    const int parity = ComboBox2->ItemIndex();
    if (parity < 0)
        throw EAppError(QStringLiteral("'%1' is not a valid parity").arg(ComboBox2->Text()));
    Comm1.SetParity(TParity(parity));
    Comm1.SetStopBits(ComboBox3->ItemIndex() == 1 ? TStopBits::_2 : TStopBits::_1);
    Comm1.SetCommName(ResolvePortName(SPREALCOM->Text()).toStdString());
    Comm1.SetOutx_XonXoffFlow(false);
    Comm1.SetInx_XonXoffFlow(false);
    Comm1.OpenPort();
    // "COM_DTR" drives the DTR line and "COM_RTS" the RTS line.
    Comm1.SetDtrControl(CheckBox2->isChecked() ? TDtrControl::DtrEnable : TDtrControl::DtrDisable);
    Comm1.SetRtsControl(CheckBox1->isChecked() ? TRtsControl::RtsEnable : TRtsControl::RtsDisable);
    PortOpened = true;
    Button1->setText(QStringLiteral("关闭串口"));
}
