// The port panel: opening and closing the main serial port with the panel's settings.
#include "ui/port_panel.h"

#include "serial/port_holders.h"
#include "ui/combo_box.h"
#include "ui/error_report.h"
#include "ui/main_window.h"
#include "ui/open_error_text.h"
#include "ui/text_codec.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <algorithm>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

QString PortMapDirectory() {
    const QByteArray dir = qgetenv("VQ830_PORT_DIR");
    if (!dir.isEmpty()) return QString::fromLocal8Bit(dir);
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/vq830/ports");
}

QString ResolvePortName(const QString& name) {
    if (name.contains(u'/')) return name;
    static const QRegularExpression comPattern(QStringLiteral("^COM([0-9]+)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comPattern.match(name);
    if (m.hasMatch()) {
        const QString mapped = PortMapDirectory() + QStringLiteral("/COM") + m.captured(1);
        if (QFileInfo(mapped).isSymLink() || QFileInfo::exists(mapped)) return mapped;
        bool ok = false;
        const qlonglong n = m.captured(1).toLongLong(&ok);
        if (ok && n >= 1) return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + name;
}

namespace {

// The stable names of the serial devices, by the device node they lead to.
QHash<QString, QString> StableNames() {
    QHash<QString, QString> names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files))
        names.insert(link.canonicalFilePath(), link.absoluteFilePath());
    return names;
}

QString PortToolTip(const QSerialPortInfo& info) {
    QStringList lines;
    if (!info.description().isEmpty()) lines << QStringLiteral("描述：") + info.description();
    if (!info.manufacturer().isEmpty()) lines << QStringLiteral("制造商：") + info.manufacturer();
    if (!info.serialNumber().isEmpty()) lines << QStringLiteral("序列号：") + info.serialNumber();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
        lines << QStringLiteral("VID:PID：%1:%2")
                     .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    lines << QStringLiteral("设备：") + info.systemLocation();
    return lines.join(u'\n');
}

QString DeviceGroup(const QString& path) {
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0) return QString();
    const group* g = getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}

} // namespace

QList<DetectedPort> DetectedPorts() {
    const QHash<QString, QString> stable = StableNames();
    QList<DetectedPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString node = info.systemLocation();
        ports.append({stable.value(QFileInfo(node).canonicalFilePath(), node), PortToolTip(info)});
    }
    std::sort(ports.begin(), ports.end(),
              [](const DetectedPort& a, const DetectedPort& b) { return a.Path < b.Path; });
    return ports;
}

QString ExplainOpenError(const QString& path, int error) {
    OpenErrorFacts facts;
    facts.Path = path;
    facts.Error = error;
    facts.Group = DeviceGroup(path);
    if (error == EBUSY) {
        const auto holders = vq830serial::FindPortHolders(QFile::encodeName(path).toStdString());
        if (!holders.empty()) {
            facts.HolderPid = holders.front().Pid;
            facts.HolderName = QString::fromLocal8Bit(holders.front().Name.c_str());
        }
    }
    for (const DetectedPort& port : DetectedPorts())
        facts.PresentPorts << port.Path;
    return OpenErrorText(facts);
}

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
        Button1->setText(QStringLiteral("打开串口"));
        Comm1.ClosePort();
        return;
    }
    try {
        OpenFromPanel();
    } catch (const ECommsError& e) {
        // The same message, with what went wrong and what to do about it under it.
        throw EAppError(
            QString::fromLatin1(e.what()),
            ExplainOpenError(QString::fromStdString(Comm1.CommName()), Comm1.LastOpenErrno()));
    }
}

// The opening with the panel's settings. Raises ECommsError when the port refuses.
void TForm1::OpenFromPanel() {
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
