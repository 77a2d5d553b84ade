<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Form1</name>
    <message>
        <source>1位</source>
        <extracomment>the stop bits of a serial line</extracomment>
        <translation>1 bit</translation>
    </message>
    <message>
        <source>2位</source>
        <extracomment>the stop bits of a serial line</extracomment>
        <translation>2 bits</translation>
    </message>
    <message>
        <source>0) 多主一从(透传模式)</source>
        <translation>0) Many masters, one slave (pass-through)</translation>
    </message>
    <message>
        <source>1) 多主一从(指令预设置)</source>
        <translation>1) Many masters, one slave (preset commands)</translation>
    </message>
    <message>
        <source>2)指令模式</source>
        <translation>2) Command mode</translation>
    </message>
    <message>
        <source>0关闭</source>
        <extracomment>a read-command slot switched off</extracomment>
        <translation>0 Off</translation>
    </message>
    <message>
        <source>1打开</source>
        <extracomment>a read-command slot switched on</extracomment>
        <translation>1 On</translation>
    </message>
    <message>
        <source>VQ830-A(B) 智能分配器(透传)</source>
        <translation>VQ830-A(B) Smart Distributor (pass-through)</translation>
    </message>
    <message>
        <source>主串口通讯接口</source>
        <translation>Main serial interface</translation>
    </message>
    <message>
        <source>端口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <extracomment>the stop bits of a serial line</extracomment>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>通讯查询</source>
        <translation>Link check</translation>
    </message>
    <message>
        <source>查找设备</source>
        <translation>Find device</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System</translation>
    </message>
    <message>
        <source>工作方式:</source>
        <translation>Work mode:</translation>
    </message>
    <message>
        <source>设置</source>
        <extracomment>a button that writes the setting beside it to the device</extracomment>
        <translation>Write</translation>
    </message>
    <message>
        <source>主串口波特率：</source>
        <translation>Main port baud:</translation>
    </message>
    <message>
        <source>A串口波特率：</source>
        <translation>Port A baud:</translation>
    </message>
    <message>
        <source>B串口波特率：</source>
        <translation>Port B baud:</translation>
    </message>
    <message>
        <source>C串口波特率：</source>
        <translation>Port C baud:</translation>
    </message>
    <message>
        <source>校验位:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>停止位：</source>
        <extracomment>the stop bits of a serial line</extracomment>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>需要重新起动才起作用</source>
        <translation>Restart to apply</translation>
    </message>
    <message>
        <source>查询1</source>
        <extracomment>reads the system page&apos;s settings from the device (its first query)</extracomment>
        <translation>Read page</translation>
    </message>
    <message>
        <source>读取仪表指令%1设置</source>
        <translation>Instrument read command %1</translation>
    </message>
    <message>
        <source>指令使能:</source>
        <translation>Enabled:</translation>
    </message>
    <message>
        <source>指令代码:</source>
        <translation>Command:</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>返回数据解析</source>
        <translation>Reply header</translation>
    </message>
    <message>
        <source>检测人:</source>
        <translation>Tester:</translation>
    </message>
    <message>
        <source>下一个序列号</source>
        <translation>Next serial</translation>
    </message>
    <message>
        <source>生产记录</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>发送缓冲区:</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>接收缓冲区:</source>
        <translation>Received:</translation>
    </message>
    <message>
        <source>清除缓冲区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>读取全部</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>写入全部</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation>Save config</translation>
    </message>
    <message>
        <source>载入配置</source>
        <translation>Load config</translation>
    </message>
    <message>
        <source>多主一从(方式4)CAMD1-3</source>
        <translation>Many masters (mode 4) CAMD1-3</translation>
    </message>
    <message>
        <source>多主一从(方式4)CAMD4-7</source>
        <translation>Many masters (mode 4) CAMD4-7</translation>
    </message>
    <message>
        <source>多主一从(方式4)CAMD8-10</source>
        <translation>Many masters (mode 4) CAMD8-10</translation>
    </message>
    <message>
        <source>包头第一个字节</source>
        <translation>Header byte 1</translation>
    </message>
    <message>
        <source>第二个字节</source>
        <translation>Byte 2</translation>
    </message>
    <message>
        <source>第三个字节</source>
        <translation>Byte 3</translation>
    </message>
    <message>
        <source>方式0 超时时间</source>
        <translation>Mode 0 timeout</translation>
    </message>
    <message>
        <source>方式1读仪表间隔时间</source>
        <translation>Mode 1 read interval</translation>
    </message>
    <message>
        <source>方式1读仪表超时时间</source>
        <translation>Mode 1 read timeout</translation>
    </message>
    <message>
        <source>：</source>
        <translation>:</translation>
    </message>
    <message>
        <source>:</source>
        <translation>:</translation>
    </message>
</context>
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
<context>
    <name>TBatchController</name>
    <message>
        <source>未执行：串口未打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已取消</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TConfigFileActions</name>
    <message>
        <source>配置已保存：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配置已载入：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>%1（%2）的内容“%3”含有帧分隔符“#”，本帧未发送</source>
        <translation>%1 (%2) holds &quot;%3&quot;, which contains the frame delimiter &quot;#&quot;; this frame was not sent</translation>
    </message>
    <message>
        <source>指令代码</source>
        <translation>command code</translation>
    </message>
    <message>
        <source>%1 的内容“%2”不在列表中，已按 -1 发送</source>
        <translation>&quot;%2&quot; in %1 is not in its list; sent as -1</translation>
    </message>
</context>
<context>
    <name>TPortLink</name>
    <message>
        <source>串口设置已更改：关闭后重新打开串口时生效</source>
        <translation>Port settings changed: they take effect when the port is closed and opened again</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>串口已打开：%1，%2，%3，%4</source>
        <translation>Port open: %1, %2, %3, %4</translation>
    </message>
    <message>
        <source>串口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>不再等待设备重新连接</source>
        <translation>No longer waiting for the device to come back</translation>
    </message>
    <message>
        <source>设备已断开（%1），等待它重新连接…</source>
        <translation>Device gone (%1); waiting for it to come back…</translation>
    </message>
    <message>
        <source>设备已重新连接，%1</source>
        <translation>Device back; %1</translation>
    </message>
    <message>
        <source>溢出</source>
        <translation>overrun</translation>
    </message>
    <message>
        <source>校验错</source>
        <extracomment>a parity error on the line (not the parity setting)</extracomment>
        <translation>parity error</translation>
    </message>
    <message>
        <source>帧错误</source>
        <translation>framing error</translation>
    </message>
    <message>
        <source>中断</source>
        <extracomment>a break condition on the line (not an interruption)</extracomment>
        <translation>break</translation>
    </message>
    <message>
        <source>线路错误：%1</source>
        <translation>Line errors: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>TReplyIntake</name>
    <message>
        <source>无应答：%1</source>
        <translation>No answer: %1</translation>
    </message>
    <message>
        <source>未发送：串口发送队列已满或已停止</source>
        <translation>Not sent: the port&apos;s send queue is full or stopped</translation>
    </message>
    <message>
        <source>未发送：串口未打开</source>
        <translation>Not sent: the port is not open</translation>
    </message>
    <message>
        <source>收到 %1 字节时未在等待应答，未显示（共丢弃 %2 字节）</source>
        <translation>%1 bytes came while no answer was awaited; not shown (%2 bytes dropped in all)</translation>
    </message>
</context>
<context>
    <name>TSerialWrites</name>
    <message>
        <source>未执行：串口未打开</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TSettingsBinding</name>
    <message>
        <source>主串口</source>
        <translation>main port</translation>
    </message>
    <message>
        <source>A串口</source>
        <translation>port A</translation>
    </message>
    <message>
        <source>B串口</source>
        <translation>port B</translation>
    </message>
    <message>
        <source>C串口</source>
        <translation>port C</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>baud rate</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>parity</translation>
    </message>
    <message>
        <source>停止位</source>
        <extracomment>the stop bits of a serial line</extracomment>
        <translation>stop bits</translation>
    </message>
    <message>
        <source>工作方式</source>
        <translation>work mode</translation>
    </message>
    <message>
        <source>%1%2</source>
        <extracomment>a port&apos;s name, then one of its line settings</extracomment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>指令%1使能</source>
        <translation>command %1 enable</translation>
    </message>
    <message>
        <source>指令%1代码</source>
        <translation>command %1 code</translation>
    </message>
    <message>
        <source>指令%1%2</source>
        <extracomment>a read-command slot&apos;s number, then one of its header bytes</extracomment>
        <translation>command %1 %2</translation>
    </message>
    <message>
        <source>检测人</source>
        <translation>tester</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>%1的内容“%2”：%3，%4</source>
        <translation>&quot;%2&quot; in %1: %3; %4</translation>
    </message>
</context>
<context>
    <name>TStatusLine</name>
    <message>
        <source>错误框已打开，其间另有 %1 个错误未显示</source>
        <translation>An error box was open; %1 more error(s) were not shown</translation>
    </message>
</context>
</TS>
