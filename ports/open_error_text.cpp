#include "ports/open_error_text.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// What went wrong, from the system's error code (errno; on Windows the Win32 error).
enum class Cause { None, Missing, Permission, Busy, NotSerial, NoHardware, Other };

#ifdef _WIN32
Cause CauseOf(int error) {
    switch (error) {
    case 0:
        return Cause::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
        return Cause::Missing;
    case ERROR_ACCESS_DENIED: // Windows opens a port for one program at a time
    case ERROR_SHARING_VIOLATION:
        return Cause::Busy;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        return Cause::NotSerial;
    case ERROR_GEN_FAILURE:
    case ERROR_SEM_TIMEOUT:
    case ERROR_DEVICE_NOT_CONNECTED:
        return Cause::NoHardware;
    default:
        return Cause::Other;
    }
}

QString SystemMessage(int error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = n ? QString::fromWCharArray(text, int(n)).trimmed() : QString();
    LocalFree(text);
    return QStringLiteral("%1 (%2)").arg(message).arg(error);
}
#else
Cause CauseOf(int error) {
    switch (error) {
    case 0:
        return Cause::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Cause::Missing;
    case EACCES:
    case EPERM:
        return Cause::Permission;
    case EBUSY:
        return Cause::Busy;
    case ENOTTY:
    case EISDIR:
        return Cause::NotSerial;
    case EIO:
        return Cause::NoHardware;
    default:
        return Cause::Other;
    }
}

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
#endif

QString PresentPortsText(const QStringList& ports) {
    if (ports.isEmpty())
        return QCoreApplication::translate("OpenErrorText",
                                           "本机没有检测到串口设备：USB 转串口适配器是否已插好？");
    return QCoreApplication::translate("OpenErrorText", "本机现有的串口设备：") + u'\n' +
           ports.join(u'\n');
}

QString MissingText(const OpenErrorFacts& f) {
    return QCoreApplication::translate("OpenErrorText", "设备 %1 不存在。").arg(f.Path) + u'\n' +
           PresentPortsText(f.PresentPorts);
}

QString PermissionText(const OpenErrorFacts& f) {
    const bool ownGroup = !f.Group.isEmpty() && f.Group != QStringLiteral("root");
    const QString group = ownGroup ? f.Group : QStringLiteral("dialout");
    const QString refused =
        f.Group.isEmpty()
            ? QCoreApplication::translate("OpenErrorText", "没有权限读写 %1。").arg(f.Path)
            : QCoreApplication::translate("OpenErrorText", "没有权限读写 %1。该设备属于用户组 %2。")
                  .arg(f.Path, f.Group);
    //: %2 is the command, on a line of its own
    return refused + u'\n' +
           QCoreApplication::translate("OpenErrorText",
                                       "把当前用户加入用户组 %1：\n%2\n然后注销并重新登录。")
               .arg(group, QStringLiteral("sudo usermod -aG %1 $USER").arg(group));
}

#ifndef _WIN32
// What to do about a known holder: ModemManager and brltty take USB serial adapters on
// their own.
QString HolderAdvice(const QString& name) {
    if (name.startsWith(QStringLiteral("ModemManager"), Qt::CaseInsensitive))
        //: %1 and %2 are commands, each on a line of its own
        return QCoreApplication::translate(
                   "OpenErrorText", "ModemManager 会探测新接入的串口适配器，把它当作调制解调器"
                                    "占用。停止它：\n%1\n以后也不再启动：\n%2")
            .arg(QStringLiteral("sudo systemctl stop ModemManager"),
                 QStringLiteral("sudo systemctl disable --now ModemManager"));
    if (name.startsWith(QStringLiteral("brltty"), Qt::CaseInsensitive))
        //: %1 is the command, on a line of its own
        return QCoreApplication::translate("OpenErrorText",
                                           "brltty（盲文点显器服务）会探测 USB 串口适配器并占用它。"
                                           "不用盲文点显器时可以卸载它：\n%1")
            .arg(QStringLiteral("sudo apt remove brltty"));
    return QCoreApplication::translate("OpenErrorText", "请先关闭该程序，再打开串口。");
}
#endif

QString BusyText(const OpenErrorFacts& f) {
#ifdef _WIN32
    return QCoreApplication::translate(
               "OpenErrorText",
               "%1 正被另一个程序占用，或当前用户无权打开它。Windows 上一个串口同一时间"
               "只能由一个程序打开：请先关闭占用它的程序（其他串口工具、调试助手等），"
               "再打开串口。")
        .arg(f.Path);
#else
    if (f.HolderPid <= 0)
        //: %2 is a command that names the process holding the device
        return QCoreApplication::translate("OpenErrorText",
                                           "%1 正被另一个程序占用。请先关闭该程序，再打开串口"
                                           "（%2 可以查出是哪个进程）。")
            .arg(f.Path, QStringLiteral("sudo fuser -v ") + f.Path);
    const QString name = f.HolderName.isEmpty()
                             ? QCoreApplication::translate("OpenErrorText", "（名称不详）")
                             : f.HolderName;
    //: %2 is the name of a process, %3 its number
    return QCoreApplication::translate("OpenErrorText", "%1 正被进程 %2（PID %3）占用。")
               .arg(f.Path, name, QString::number(f.HolderPid)) +
           u'\n' + HolderAdvice(f.HolderName);
#endif
}

QString NotSerialText(const OpenErrorFacts& f) {
    return QCoreApplication::translate(
               "OpenErrorText",
               "%1 不是串口设备（普通文件、目录、/dev/null 等都不能当作串口打开）。")
               .arg(f.Path) +
           u'\n' + PresentPortsText(f.PresentPorts);
}

QString NoHardwareText(const OpenErrorFacts& f) {
    return QCoreApplication::translate("OpenErrorText", "%1 没有响应：这个端口后面没有串口硬件。")
               .arg(f.Path) +
           u'\n' + PresentPortsText(f.PresentPorts);
}

} // namespace

bool HeldByAnother(int error) { return CauseOf(error) == Cause::Busy; }

QString OpenErrorText(const OpenErrorFacts& facts) {
    switch (CauseOf(facts.Error)) {
    case Cause::None:
        return QString();
    case Cause::Missing:
        return MissingText(facts);
    case Cause::Permission:
        return PermissionText(facts);
    case Cause::Busy:
        return BusyText(facts);
    case Cause::NotSerial:
        return NotSerialText(facts);
    case Cause::NoHardware:
        return NoHardwareText(facts);
    case Cause::Other:
        break;
    }
    //: %2 is the system's own message and error number
    return QCoreApplication::translate("OpenErrorText", "打开 %1 失败：%2。")
        .arg(facts.Path, SystemMessage(facts.Error));
}
