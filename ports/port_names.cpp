// Serial port names: what a name from the port panel or the command line opens, the serial
// devices present, and why an opening was refused.
#include "ports/port_names.h"

#include "ports/open_error_text.h"
#include "serial/port_holders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>
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

// "0403:6001", empty when the device does not say.
QString VidPidOf(const QSerialPortInfo& info) {
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier()) return QString();
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
}

QString PortToolTip(const QSerialPortInfo& info) {
    QStringList lines;
    if (!info.description().isEmpty())
        //: what the device calls itself
        lines << QCoreApplication::translate("PortNames", "描述：%1").arg(info.description());
    if (!info.manufacturer().isEmpty())
        lines << QCoreApplication::translate("PortNames", "制造商：%1").arg(info.manufacturer());
    if (!info.serialNumber().isEmpty())
        //: the serial number of the USB adapter
        lines << QCoreApplication::translate("PortNames", "序列号：%1").arg(info.serialNumber());
    if (const QString vidPid = VidPidOf(info); !vidPid.isEmpty())
        lines << QCoreApplication::translate("PortNames", "VID:PID：%1").arg(vidPid);
    //: the device the port opens (/dev/ttyUSB0, COM3)
    lines << QCoreApplication::translate("PortNames", "设备：%1").arg(info.systemLocation());
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
        ports.append({stable.value(QFileInfo(node).canonicalFilePath(), node), PortToolTip(info),
                      info.description(), info.serialNumber(), VidPidOf(info)});
    }
    std::sort(ports.begin(), ports.end(),
              [](const DetectedPort& a, const DetectedPort& b) { return a.Path < b.Path; });
    return ports;
}

QStringList PresentPortNames(const QStringList& names) {
    QSet<QString> detected;
    for (const DetectedPort& port : DetectedPorts())
        detected.insert(QFileInfo(port.Path).canonicalFilePath());
    const QString map = PortMapDirectory() + u'/';
    QStringList present;
    for (const QString& name : names) {
        const QString path = ResolvePortName(name);
        const QFileInfo device(path);
        if (device.exists() &&
            (path.startsWith(map) || detected.contains(device.canonicalFilePath())))
            present << name;
    }
    return present;
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
