<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>OpenErrorText</name>
    <message>
        <source>本机没有检测到串口设备：USB 转串口适配器是否已插好？</source>
        <translation>No serial device found: is the USB adapter plugged in?</translation>
    </message>
    <message>
        <source>本机现有的串口设备：</source>
        <translation>Serial devices present:</translation>
    </message>
    <message>
        <source>设备 %1 不存在。</source>
        <translation>%1 does not exist.</translation>
    </message>
    <message>
        <source>没有权限读写 %1。</source>
        <translation>No permission to read and write %1.</translation>
    </message>
    <message>
        <source>没有权限读写 %1。该设备属于用户组 %2。</source>
        <translation>No permission to read and write %1. The device belongs to the group %2.</translation>
    </message>
    <message>
        <source>把当前用户加入用户组 %1：
%2
然后注销并重新登录。</source>
        <extracomment>%2 is the command, on a line of its own</extracomment>
        <translation>Add yourself to the group %1:
%2
then log out and in again.</translation>
    </message>
    <message>
        <source>ModemManager 会探测新接入的串口适配器，把它当作调制解调器占用。停止它：
%1
以后也不再启动：
%2</source>
        <extracomment>%1 and %2 are commands, each on a line of its own</extracomment>
        <translation>ModemManager probes new serial adapters as modems and holds them. Stop it:
%1
To keep it from starting again:
%2</translation>
    </message>
    <message>
        <source>brltty（盲文点显器服务）会探测 USB 串口适配器并占用它。不用盲文点显器时可以卸载它：
%1</source>
        <extracomment>%1 is the command, on a line of its own</extracomment>
        <translation>brltty (the braille display service) takes USB serial adapters. Without a braille display, remove it:
%1</translation>
    </message>
    <message>
        <source>请先关闭该程序，再打开串口。</source>
        <translation>Close that program first.</translation>
    </message>
    <message>
        <source>%1 正被另一个程序占用，或当前用户无权打开它。Windows 上一个串口同一时间只能由一个程序打开：请先关闭占用它的程序（其他串口工具、调试助手等），再打开串口。</source>
        <translation>%1 is in use by another program, or you may not open it. Windows opens a port for one program at a time: close the program holding it (another serial tool or terminal) first.</translation>
    </message>
    <message>
        <source>%1 正被另一个程序占用。请先关闭该程序，再打开串口（%2 可以查出是哪个进程）。</source>
        <extracomment>%2 is a command that names the process holding the device</extracomment>
        <translation>%1 is in use by another program; close it first (%2 shows which).</translation>
    </message>
    <message>
        <source>（名称不详）</source>
        <translation>(name unknown)</translation>
    </message>
    <message>
        <source>%1 正被进程 %2（PID %3）占用。</source>
        <extracomment>%2 is the name of a process, %3 its number</extracomment>
        <translation>%1 is held by %2 (pid %3).</translation>
    </message>
    <message>
        <source>%1 不是串口设备（普通文件、目录、/dev/null 等都不能当作串口打开）。</source>
        <translation>%1 is not a serial device (a plain file, a directory, /dev/null and the like cannot be opened as a serial port).</translation>
    </message>
    <message>
        <source>%1 没有响应：这个端口后面没有串口硬件。</source>
        <translation>%1 does not respond: no serial hardware behind this port.</translation>
    </message>
    <message>
        <source>打开 %1 失败：%2。</source>
        <extracomment>%2 is the system&apos;s own message and error number</extracomment>
        <translation>Opening %1 failed: %2.</translation>
    </message>
</context>
<context>
    <name>PortNames</name>
    <message>
        <source>描述：%1</source>
        <extracomment>what the device calls itself</extracomment>
        <translation>Description: %1</translation>
    </message>
    <message>
        <source>制造商：%1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <source>序列号：%1</source>
        <extracomment>the serial number of the USB adapter</extracomment>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <source>VID:PID：%1</source>
        <translation>VID:PID: %1</translation>
    </message>
    <message>
        <source>设备：%1</source>
        <extracomment>the device the port opens (/dev/ttyUSB0, COM3)</extracomment>
        <translation>Device: %1</translation>
    </message>
</context>
<context>
    <name>SettingProblem</name>
    <message>
        <source>输入数据不能为单数</source>
        <translation>The input must have an even number of characters</translation>
    </message>
    <message>
        <source>不在列表中</source>
        <translation>not in the list</translation>
    </message>
    <message>
        <source>不是 1 到 3 位数字</source>
        <translation>not 1 to 3 digits</translation>
    </message>
    <message>
        <source>含有十六进制数字以外的字符</source>
        <translation>holds characters other than hexadecimal digits</translation>
    </message>
    <message>
        <source>应为两位十六进制数</source>
        <translation>must be two hexadecimal digits</translation>
    </message>
</context>
</TS>
