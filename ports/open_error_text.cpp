#include "ports/open_error_text.h"

#include <cerrno>
#include <cstring>

namespace {

QString PresentPortsText(const QStringList& ports) {
    if (ports.isEmpty())
        return QStringLiteral("本机没有检测到串口设备：USB 转串口适配器是否已插好？");
    return QStringLiteral("本机现有的串口设备：\n") + ports.join(u'\n');
}

QString MissingText(const OpenErrorFacts& f) {
    return QStringLiteral("设备 %1 不存在。\n").arg(f.Path) + PresentPortsText(f.PresentPorts);
}

QString PermissionText(const OpenErrorFacts& f) {
    const bool ownGroup = !f.Group.isEmpty() && f.Group != QStringLiteral("root");
    const QString group = ownGroup ? f.Group : QStringLiteral("dialout");
    QString text = QStringLiteral("没有权限读写 %1。").arg(f.Path);
    if (!f.Group.isEmpty()) text += QStringLiteral("该设备属于用户组 %1。").arg(f.Group);
    return text + QStringLiteral("\n把当前用户加入用户组 %1：\nsudo usermod -aG %1 $USER\n"
                                 "然后注销并重新登录。")
                      .arg(group);
}

// What to do about a known holder: ModemManager and brltty take USB serial adapters on
// their own.
QString HolderAdvice(const QString& name) {
    if (name.startsWith(QStringLiteral("ModemManager"), Qt::CaseInsensitive))
        return QStringLiteral("ModemManager 会探测新接入的串口适配器，把它当作调制解调器占用。"
                              "停止它：\nsudo systemctl stop ModemManager\n"
                              "以后也不再启动：\nsudo systemctl disable --now ModemManager");
    if (name.startsWith(QStringLiteral("brltty"), Qt::CaseInsensitive))
        return QStringLiteral("brltty（盲文点显器服务）会探测 USB 串口适配器并占用它。"
                              "不用盲文点显器时可以卸载它：\nsudo apt remove brltty");
    return QStringLiteral("请先关闭该程序，再打开串口。");
}

QString BusyText(const OpenErrorFacts& f) {
    if (f.HolderPid <= 0)
        return QStringLiteral("%1 正被另一个程序占用。请先关闭该程序，再打开串口"
                              "（sudo fuser -v %1 可以查出是哪个进程）。")
            .arg(f.Path);
    const QString name = f.HolderName.isEmpty() ? QStringLiteral("（名称不详）") : f.HolderName;
    return QStringLiteral("%1 正被进程 %2（PID %3）占用。\n").arg(f.Path, name).arg(f.HolderPid) +
           HolderAdvice(f.HolderName);
}

QString NotSerialText(const OpenErrorFacts& f) {
    return QStringLiteral("%1 不是串口设备（普通文件、目录、/dev/null 等都不能当作串口打开）。\n")
               .arg(f.Path) +
           PresentPortsText(f.PresentPorts);
}

QString NoHardwareText(const OpenErrorFacts& f) {
    return QStringLiteral("%1 没有响应：这个端口后面没有串口硬件。\n").arg(f.Path) +
           PresentPortsText(f.PresentPorts);
}

} // namespace

QString OpenErrorText(const OpenErrorFacts& facts) {
    switch (facts.Error) {
    case 0:
        return QString();
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return MissingText(facts);
    case EACCES:
    case EPERM:
        return PermissionText(facts);
    case EBUSY:
        return BusyText(facts);
    case ENOTTY:
    case EISDIR:
        return NotSerialText(facts);
    case EIO:
        return NoHardwareText(facts);
    default:
        return QStringLiteral("打开 %1 失败：%2。")
            .arg(facts.Path, QString::fromLocal8Bit(std::strerror(facts.Error)));
    }
}

namespace {

QString PresentPortsEnglish(const QStringList& ports) {
    if (ports.isEmpty())
        return QStringLiteral("No serial device found: is the USB adapter plugged in?");
    return QStringLiteral("Serial devices present:\n") + ports.join(u'\n');
}

QString PermissionEnglish(const OpenErrorFacts& f) {
    const bool ownGroup = !f.Group.isEmpty() && f.Group != QStringLiteral("root");
    const QString group = ownGroup ? f.Group : QStringLiteral("dialout");
    QString text = QStringLiteral("No permission to read and write %1.").arg(f.Path);
    if (!f.Group.isEmpty())
        text += QStringLiteral(" The device belongs to the group %1.").arg(f.Group);
    return text + QStringLiteral("\nAdd yourself to the group %1:\nsudo usermod -aG %1 $USER\n"
                                 "then log out and in again.")
                      .arg(group);
}

QString HolderAdviceEnglish(const QString& name) {
    if (name.startsWith(QStringLiteral("ModemManager"), Qt::CaseInsensitive))
        return QStringLiteral("ModemManager probes new serial adapters as modems. Stop it:\n"
                              "sudo systemctl disable --now ModemManager");
    if (name.startsWith(QStringLiteral("brltty"), Qt::CaseInsensitive))
        return QStringLiteral("brltty (the braille display service) takes USB serial adapters. "
                              "Without a braille display, remove it:\nsudo apt remove brltty");
    return QStringLiteral("Close that program first.");
}

QString BusyEnglish(const OpenErrorFacts& f) {
    if (f.HolderPid <= 0)
        return QStringLiteral("%1 is in use by another program; close it first "
                              "(sudo fuser -v %1 shows which).")
            .arg(f.Path);
    const QString name = f.HolderName.isEmpty() ? QStringLiteral("(name unknown)") : f.HolderName;
    return QStringLiteral("%1 is held by %2 (pid %3).\n").arg(f.Path, name).arg(f.HolderPid) +
           HolderAdviceEnglish(f.HolderName);
}

} // namespace

QString OpenErrorTextEnglish(const OpenErrorFacts& f) {
    switch (f.Error) {
    case 0:
        return QString();
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1 does not exist.\n").arg(f.Path) +
               PresentPortsEnglish(f.PresentPorts);
    case EACCES:
    case EPERM:
        return PermissionEnglish(f);
    case EBUSY:
        return BusyEnglish(f);
    case ENOTTY:
    case EISDIR:
        return QStringLiteral("%1 is not a serial device.\n").arg(f.Path) +
               PresentPortsEnglish(f.PresentPorts);
    case EIO:
        return QStringLiteral("%1 does not respond: no serial hardware behind this port.\n")
                   .arg(f.Path) +
               PresentPortsEnglish(f.PresentPorts);
    default:
        return QStringLiteral("Opening %1 failed: %2.")
            .arg(f.Path, QString::fromLocal8Bit(std::strerror(f.Error)));
    }
}
