// Serial port names on Windows: COMn is the port itself, the ports present come from the
// device installer (SetupAPI), and a refused opening is explained from the Win32 error.
#include "ports/open_error_text.h"
#include "ports/port_names.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

// "COM4" opens \\.\COM4 (the form that also reaches COM10 and above); a name that already is
// a device path (\\.\..., \\?\...) stands as it is; any other name is a device under \\.\.
QString ResolvePortName(const QString& name) {
    if (name.startsWith(QStringLiteral("\\\\"))) return name;
    static const QRegularExpression comPattern(QStringLiteral("^COM([0-9]+)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comPattern.match(name);
    if (m.hasMatch()) return QStringLiteral("\\\\.\\COM") + m.captured(1);
    return QStringLiteral("\\\\.\\") + name;
}

namespace {

QString RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                           nullptr))
        return QString();
    return QString::fromWCharArray(buffer);
}

// The port's name ("COM5") from the device's own registry key.
QString PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return QString();
    wchar_t name[64] = {};
    DWORD size = sizeof name - 2;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? QString::fromWCharArray(name) : QString();
}

QString InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t id[512] = {};
    if (!SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr)) return QString();
    return QString::fromWCharArray(id);
}

// "USB\VID_0403&PID_6001\A1234567": "0403:6001" and, for a USB device, its serial number
// (Windows makes up an instance path with '&' in it when the device has none).
void UsbIdentity(const QString& instanceId, DetectedPort& port) {
    static const QRegularExpression ids(QStringLiteral("VID_([0-9A-F]{4})&PID_([0-9A-F]{4})"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = ids.match(instanceId);
    if (!m.hasMatch()) return;
    port.VidPid = (m.captured(1) + u':' + m.captured(2)).toLower();
    const QString last = instanceId.section(u'\\', -1);
    if (instanceId.startsWith(QStringLiteral("USB\\"), Qt::CaseInsensitive) && !last.contains(u'&'))
        port.SerialNumber = last;
}

QString PortToolTip(const DetectedPort& port, const QString& manufacturer) {
    QStringList lines;
    if (!port.Description.isEmpty())
        //: what the device calls itself
        lines << QCoreApplication::translate("PortNames", "描述：%1").arg(port.Description);
    if (!manufacturer.isEmpty())
        lines << QCoreApplication::translate("PortNames", "制造商：%1").arg(manufacturer);
    if (!port.SerialNumber.isEmpty())
        //: the serial number of the USB adapter
        lines << QCoreApplication::translate("PortNames", "序列号：%1").arg(port.SerialNumber);
    if (!port.VidPid.isEmpty())
        lines << QCoreApplication::translate("PortNames", "VID:PID：%1").arg(port.VidPid);
    //: the device the port opens (/dev/ttyUSB0, COM3)
    lines << QCoreApplication::translate("PortNames", "设备：%1").arg(port.Path);
    return lines.join(u'\n');
}

DetectedPort PortOf(HDEVINFO set, SP_DEVINFO_DATA& device, const QString& name) {
    DetectedPort port;
    port.Path = name;
    port.Description = RegistryProperty(set, device, SPDRP_FRIENDLYNAME);
    if (port.Description.isEmpty())
        port.Description = RegistryProperty(set, device, SPDRP_DEVICEDESC);
    UsbIdentity(InstanceIdOf(set, device), port);
    port.ToolTip = PortToolTip(port, RegistryProperty(set, device, SPDRP_MFG));
    return port;
}

// COM2 before COM10.
bool PortOrder(const DetectedPort& a, const DetectedPort& b) {
    const int na = a.Path.mid(3).toInt(), nb = b.Path.mid(3).toInt();
    return na != nb ? na < nb : a.Path < b.Path;
}

} // namespace

QList<DetectedPort> DetectedPorts() {
    QList<DetectedPort> ports;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const QString name = PortNameOf(set, device);
        if (name.startsWith(QStringLiteral("COM"), Qt::CaseInsensitive))
            ports.append(PortOf(set, device, name));
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(ports.begin(), ports.end(), PortOrder);
    return ports;
}

QStringList PresentPortNames(const QStringList& names) {
    QStringList detected;
    for (const DetectedPort& port : DetectedPorts())
        detected << port.Path.toUpper();
    QStringList present;
    for (const QString& name : names)
        if (detected.contains(name.toUpper())) present << name;
    return present;
}

QString ExplainOpenError(const QString& path, int error) {
    OpenErrorFacts facts;
    facts.Path = path;
    facts.Error = error;
    for (const DetectedPort& port : DetectedPorts())
        facts.PresentPorts << port.Path;
    return OpenErrorText(facts);
}
