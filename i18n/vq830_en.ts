<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BatchReport</name>
    <message>
        <source>，</source>
        <extracomment>between the items of a list in a sentence</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>、</source>
        <extracomment>between the names of settings in a list</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>缺少 %1；“%2”不是有效的整数</source>
        <extracomment>what an answer lacked (%1: settings), and a value in it that is no number (%2)</extracomment>
        <translation>missing %1; “%2” is not a valid integer</translation>
    </message>
    <message>
        <source>缺少 %1</source>
        <extracomment>the settings an answer lacked</extracomment>
        <translation>missing %1</translation>
    </message>
    <message>
        <source>“%1”不是有效的整数</source>
        <translation>“%1” is not a valid integer</translation>
    </message>
    <message>
        <source>%1（迟到的应答“%2”未采用）</source>
        <extracomment>%1: a frame that got no answer in time; %2: the answer that came too late</extracomment>
        <translation>%1 (late answer “%2” not used)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <extracomment>%1: a frame; %2: what its answer lacked</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1：应答属于指令%2</source>
        <extracomment>%1: a frame; %2: the number of the read command (slot 1 to 9) its answer belongs to</extracomment>
        <translation>%1: the answer belongs to command %2</translation>
    </message>
    <message>
        <source>被设备拒绝的帧（%1 个）：</source>
        <translation>Frames refused by the device (%1):</translation>
    </message>
    <message>
        <source>无应答的帧（%1 个）：</source>
        <translation>Frames not answered (%1):</translation>
    </message>
    <message>
        <source>应答不完整的帧（%1 个）：</source>
        <translation>Frames answered incompletely (%1):</translation>
    </message>
    <message>
        <source>应答属于其他指令的帧（%1 个）：</source>
        <translation>Frames answered for another command (%1):</translation>
    </message>
    <message>
        <source>等待应答时设备断开的帧（%1 个）：</source>
        <translation>Frames awaiting their answer when the device disconnected (%1):</translation>
    </message>
    <message>
        <source>未发送的帧（%1 个）：</source>
        <translation>Frames not sent (%1):</translation>
    </message>
    <message>
        <source>%1：写入“%2”，未读回</source>
        <translation>%1: wrote “%2”, not read back</translation>
    </message>
    <message>
        <source>%1：写入“%2”，读回“%3”</source>
        <translation>%1: wrote “%2”, read back “%3”</translation>
    </message>
    <message>
        <source>读回不一致的设置（%1 项）：</source>
        <translation>Settings read back different (%1):</translation>
    </message>
    <message>
        <source>未读回的设置（%1 项）：</source>
        <translation>Settings not read back (%1):</translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧被设备拒绝</source>
        <translation>
            <numerusform>%n frame refused by the device</numerusform>
            <numerusform>%n frames refused by the device</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧无应答</source>
        <translation>
            <numerusform>%n frame not answered</numerusform>
            <numerusform>%n frames not answered</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧应答不完整</source>
        <translation>
            <numerusform>%n frame answered incompletely</numerusform>
            <numerusform>%n frames answered incompletely</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧应答属于其他指令</source>
        <translation>
            <numerusform>%n frame answered for another command</numerusform>
            <numerusform>%n frames answered for another command</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧等待应答时设备断开</source>
        <translation>
            <numerusform>%n frame awaiting its answer when the device disconnected</numerusform>
            <numerusform>%n frames awaiting their answers when the device disconnected</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个帧未发送</source>
        <translation>
            <numerusform>%n frame not sent</numerusform>
            <numerusform>%n frames not sent</numerusform>
        </translation>
    </message>
    <message>
        <source>读回与写入一致</source>
        <translation>read back as written</translation>
    </message>
    <message numerus="yes">
        <source>%n 项读回不一致</source>
        <translation>
            <numerusform>%n setting read back different</numerusform>
            <numerusform>%n settings read back different</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 项未读回</source>
        <translation>
            <numerusform>%n setting not read back</numerusform>
            <numerusform>%n settings not read back</numerusform>
        </translation>
    </message>
    <message>
        <source>写入全部完成：读回与写入全部一致</source>
        <translation>Write all done: every setting read back as written</translation>
    </message>
    <message>
        <source>写入全部完成：%1</source>
        <extracomment>%1: what the comparison found</extracomment>
        <translation>Write all done: %1</translation>
    </message>
    <message>
        <source>写入全部完成：%1；%2</source>
        <extracomment>%1: what the comparison found; %2: what became of the frames not answered</extracomment>
        <translation>Write all done: %1; %2</translation>
    </message>
    <message numerus="yes">
        <source>%n 条被设备拒绝</source>
        <translation>
            <numerusform>%n refused by the device</numerusform>
            <numerusform>%n refused by the device</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 条应答无法解析</source>
        <translation>
            <numerusform>%n answer could not be parsed</numerusform>
            <numerusform>%n answers could not be parsed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 条应答属于其他指令</source>
        <translation>
            <numerusform>%n answer belongs to another command</numerusform>
            <numerusform>%n answers belong to another command</numerusform>
        </translation>
    </message>
    <message>
        <source>读取全部完成：%1 条指令中 %2 条有应答</source>
        <extracomment>%1: the commands sent; %2: how many of them were answered</extracomment>
        <translation>Read all done: %2 of %1 commands answered</translation>
    </message>
    <message>
        <source>读取全部完成：%1 条指令中 %2 条有应答，其中 %3</source>
        <extracomment>%1: the commands sent; %2: how many were answered; %3: the answers that gave nothing</extracomment>
        <translation>Read all done: %2 of %1 commands answered; of these %3</translation>
    </message>
    <message>
        <source>%1（设备已断开）</source>
        <extracomment>a summary of read all or write all (%1), when the device went away during the run</extracomment>
        <translation>%1 (device disconnected)</translation>
    </message>
    <message numerus="yes">
        <source>…另有 %n 项，见详细信息</source>
        <translation>
            <numerusform>…%n more, see the details</numerusform>
            <numerusform>…%n more, see the details</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FindReport</name>
    <message>
        <source>已打开，准备查找</source>
        <translation>Open, about to search</translation>
    </message>
    <message>
        <source>确认设备所报的设置 %1 (%2/%3)</source>
        <extracomment>%1 the settings the device named, %2 of %3 the settings tried so far</extracomment>
        <translation>Confirming the settings the device reported: %1 (%2/%3)</translation>
    </message>
    <message>
        <source>正在尝试 %1 (%2/%3)</source>
        <extracomment>%1 the settings tried now, %2 of %3 the settings tried so far</extracomment>
        <translation>Trying %1 (%2/%3)</translation>
    </message>
    <message>
        <source>找到设备：%1</source>
        <translation>Device found: %1</translation>
    </message>
    <message>
        <source>有设备，但拒绝查询 QX1：在 %1 回答“ERR#”</source>
        <translation>A device is there but refuses the query QX1: it answered &quot;ERR#&quot; at %1</translation>
    </message>
    <message>
        <source>在 %1 有回答，自报 %2，但在 %2 无回答</source>
        <extracomment>the device answered at %1 and said its settings are %2, but gave no answer at %2</extracomment>
        <translation>Answered at %1 and reported %2, but no answer at %2</translation>
    </message>
    <message>
        <source>未找到：已试 %1 种设置</source>
        <translation>Not found (settings tried: %1)</translation>
    </message>
    <message>
        <source>端口已断开（已试 %1 种设置）</source>
        <translation>Port disconnected (settings tried: %1)</translation>
    </message>
    <message>
        <source>已取消（已试 %1 种设置）</source>
        <translation>Cancelled (settings tried: %1)</translation>
    </message>
    <message>
        <source>、</source>
        <extracomment>the separator between the names of ports in a list</extracomment>
        <translation>, </translation>
    </message>
    <message>
        <source>在 %1 上找到设备，其他端口仍在查找。选中一行后点“使用”，即用找到的设置打开该端口。</source>
        <translation>Device found on %1; the other ports are still being searched. Select a row and click &quot;Use&quot; to open that port with the settings found.</translation>
    </message>
    <message>
        <source>在 %1 上找到设备。选中一行后点“使用”，即用找到的设置打开该端口。</source>
        <translation>Device found on %1. Select a row and click &quot;Use&quot; to open that port with the settings found.</translation>
    </message>
    <message>
        <source>没有找到设备：这些端口都打不开，原因见上表。</source>
        <translation>No device found: none of these ports could be opened (the table above says why).</translation>
    </message>
    <message>
        <source>没有找到设备：能打开的端口都试遍了主串口的 %1 种设置（8 种波特率 × 无/奇/偶校验 × 1/2 位停止位），没有得到查询 QX1 的应答。可能的原因：串口线没接好或接错；设备没有通电；设备接在别的端口上；或这块板子不回答 QX1。</source>
        <translation>No device found: every port that could be opened was tried at all %1 settings of the main port (8 baud rates × no/odd/even parity × 1/2 stop bits), and the query QX1 got no answer. Possible causes: the serial cable is loose or wired wrong; the device has no power; the device is on another port; or this board does not answer QX1.</translation>
    </message>
    <message>
        <source>有设备回答的端口见上表。</source>
        <translation> The ports where a device answered are in the table above.</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>no parity</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>odd parity</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>even parity</translation>
    </message>
    <message>
        <source>1位</source>
        <extracomment>one stop bit</extracomment>
        <translation>1 stop bit</translation>
    </message>
    <message>
        <source>2位</source>
        <extracomment>two stop bits</extracomment>
        <translation>2 stop bits</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <extracomment>a line&apos;s settings: %1 the baud rate, %2 the parity, %3 the stop bits</extracomment>
        <translation>%1/%2/%3</translation>
    </message>
    <message>
        <source>等待打开</source>
        <translation>Waiting to open</translation>
    </message>
    <message>
        <source>已跳过：端口被其他程序占用</source>
        <translation>Skipped: the port is in use by another program</translation>
    </message>
    <message>
        <source>无法打开端口</source>
        <translation>Cannot open the port</translation>
    </message>
    <message>
        <source>板子的新设置要在重启后才生效。它的回答：%1</source>
        <translation>The board&apos;s new settings take effect only after a restart. Its answer: %1</translation>
    </message>
    <message>
        <source>正在 %1 个端口上查找设备：每个端口依次用主串口的 %2 种设置发送只读的查询 QX1，直到有应答。</source>
        <translation>Searching %1 port(s) for the device: on each port the read-only query QX1 is sent at the main port&apos;s %2 settings in turn until it is answered.</translation>
    </message>
    <message>
        <source>查找已取消，未找到设备。</source>
        <translation>Search cancelled; no device found.</translation>
    </message>
</context>
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
        <translation>0) Pass-through</translation>
    </message>
    <message>
        <source>1) 多主一从(指令预设置)</source>
        <translation>1) Preset commands</translation>
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
        <translation>VQ830-A(B) Smart Distributor</translation>
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
        <extracomment>sends the link check (VAR): does the device answer on this port?</extracomment>
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
        <extracomment>a button that reads the setting beside it from the device</extracomment>
        <translation>Read</translation>
    </message>
    <message>
        <source>返回数据解析</source>
        <extracomment>the three bytes an instrument&apos;s reply starts with, by which it is recognized</extracomment>
        <translation>Reply header</translation>
    </message>
    <message>
        <source>检测人:</source>
        <extracomment>the number of the person who tested the board</extracomment>
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
    <name>SettingsFile</name>
    <message>
        <source>配置文件“%1”中“%2”的值“%3”超出范围</source>
        <extracomment>%1: the file; %2: the key; %3: its value</extracomment>
        <translation>Configuration file “%1”: the value “%3” of “%2” is out of range</translation>
    </message>
    <message>
        <source>配置文件“%1”中“%2”的值“%3”超出范围：%4</source>
        <extracomment>%1: the file; %2: the key; %3: its value; %4: what is wrong with it</extracomment>
        <translation>Configuration file “%1”: the value “%3” of “%2”: %4</translation>
    </message>
    <message>
        <source>无法读取配置文件“%1”：%2</source>
        <extracomment>%1: the file; %2: the system&apos;s reason</extracomment>
        <translation>Cannot read configuration file “%1”: %2</translation>
    </message>
    <message>
        <source>无法保存配置文件“%1”：%2</source>
        <extracomment>%1: the file; %2: the system&apos;s reason</extracomment>
        <translation>Cannot save configuration file “%1”: %2</translation>
    </message>
    <message>
        <source>配置文件“%1”不是有效的 JSON：%2</source>
        <extracomment>%1: the file; %2: the JSON parser&apos;s message (in English)</extracomment>
        <translation>Configuration file “%1” is not valid JSON: %2</translation>
    </message>
    <message>
        <source>配置文件“%1”的格式名“%2”不是“%3”</source>
        <extracomment>%1: the file; %2: the format name found; %3: the one expected</extracomment>
        <translation>Configuration file “%1”: the format name “%2” is not “%3”</translation>
    </message>
    <message>
        <source>配置文件“%1”的版本“%2”不受支持（应为 %3）</source>
        <extracomment>%1: the file; %2: the version found; %3: the one expected</extracomment>
        <translation>Configuration file “%1”: version “%2” is not supported (must be %3)</translation>
    </message>
    <message>
        <source>配置文件“%1”含有未知的键“%2”</source>
        <extracomment>%1: the file; %2: the key</extracomment>
        <translation>Configuration file “%1” has an unknown key “%2”</translation>
    </message>
    <message>
        <source>配置文件“%1”缺少“%2”</source>
        <extracomment>%1: the file; %2: the key</extracomment>
        <translation>Configuration file “%1” lacks “%2”</translation>
    </message>
    <message>
        <source>配置文件“%1”中“%2”的值“%3”类型不对</source>
        <extracomment>%1: the file; %2: the key; %3: its value</extracomment>
        <translation>Configuration file “%1”: the value “%3” of “%2” has the wrong type</translation>
    </message>
</context>
<context>
    <name>TBatchController</name>
    <message>
        <source>未执行：串口未打开</source>
        <translation>Not done: the port is not open</translation>
    </message>
    <message>
        <source>未发送任何帧</source>
        <extracomment>why write all did not start: said after what is wrong with a setting</extracomment>
        <translation>no frame sent</translation>
    </message>
    <message>
        <source>写入全部</source>
        <extracomment>the run that writes every setting to the device, then reads them back</extracomment>
        <translation>Write all</translation>
    </message>
    <message>
        <source>读取全部</source>
        <extracomment>the run that reads every setting from the device</extracomment>
        <translation>Read all</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1：第 %2/%3 步
%4</source>
        <extracomment>%1: read all or write all; %2 of %3: the frame sent; %4: the frame</extracomment>
        <translation>%1: step %2 of %3
%4</translation>
    </message>
    <message>
        <source>写入全部已取消</source>
        <translation>Write all cancelled</translation>
    </message>
    <message>
        <source>读取全部已取消</source>
        <translation>Read all cancelled</translation>
    </message>
</context>
<context>
    <name>TConfigFileActions</name>
    <message>
        <source>配置已保存：%1</source>
        <translation>Configuration saved: %1</translation>
    </message>
    <message>
        <source>配置已载入：%1</source>
        <translation>Configuration loaded: %1</translation>
    </message>
    <message>
        <source>配置文件 (*.json);;所有文件 (*)</source>
        <extracomment>the file dialog&apos;s filters: keep the patterns in brackets and the &quot;;;&quot; between them</extracomment>
        <translation>Configuration files (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>载入配置</source>
        <translation>Load configuration</translation>
    </message>
    <message>
        <source>保存配置</source>
        <translation>Save configuration</translation>
    </message>
    <message>
        <source>配置未保存</source>
        <extracomment>why nothing was saved: said after what is wrong with a setting</extracomment>
        <translation>configuration not saved</translation>
    </message>
</context>
<context>
    <name>TFindDialog</name>
    <message>
        <source>查找设备</source>
        <translation>Find device</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>详情</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>使用</source>
        <extracomment>&quot;使用&quot; uses the device found: opens its port with the settings found</extracomment>
        <translation>Use</translation>
    </message>
    <message>
        <source>用找到的设置打开选中行的端口</source>
        <translation>Open the selected row&apos;s port with the settings found</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
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
    <name>TLineStation</name>
    <message>
        <source>在问题解决并重新启动本工具之前，不能继续写入下一块板。</source>
        <translation>No further board can be written until the problem is solved and the tool is started again.</translation>
    </message>
    <message>
        <source>、</source>
        <extracomment>between the serial numbers of a list</extracomment>
        <translation>, </translation>
    </message>
    <message numerus="yes">
        <source>本工位有 %n 个序列号在工具上次异常退出时仍未写完，已作废：%1</source>
        <extracomment>%n: how many numbers; %1: the numbers</extracomment>
        <translation>
            <numerusform>%n serial number of this station was still being written when the tool last ended abnormally; it has been voided: %1</numerusform>
            <numerusform>%n serial numbers of this station were still being written when the tool last ended abnormally; they have been voided: %1</numerusform>
        </translation>
    </message>
    <message>
        <source>作废的序列号不会再分配。对应的板可能已写入该号，请检查这些板。</source>
        <translation>A voided number is never given out again. The boards may already hold these numbers: check them.</translation>
    </message>
    <message>
        <source>生产记录曾未能写入，未发送任何帧</source>
        <translation>A production record could not be written earlier; no frame sent</translation>
    </message>
    <message>
        <source>未设置工位名称，未发送任何帧</source>
        <translation>No station name set; no frame sent</translation>
    </message>
    <message>
        <source>请先在“生产记录”中设置本工位的名称。</source>
        <extracomment>&quot;生产记录&quot;: the production records dialog, where the station is named</extracomment>
        <translation>Set this station&apos;s name in “Records” first.</translation>
    </message>
    <message>
        <source>生产记录数据库无法使用，未发送任何帧：%1</source>
        <extracomment>%1: the database&apos;s error</extracomment>
        <translation>The production records database cannot be used; no frame sent: %1</translation>
    </message>
    <message>
        <source>生产记录未能写入：%1</source>
        <extracomment>%1: the database&apos;s error</extracomment>
        <translation>The production record could not be written: %1</translation>
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
    <name>TRecordsDialog</name>
    <message>
        <source>全部</source>
        <extracomment>the outcome filter: records of every outcome
----------
the serial number filter&apos;s placeholder: no filter, every serial number</extracomment>
        <translation>All</translation>
    </message>
    <message>
        <source>通过</source>
        <translation>Passed</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>拒绝</source>
        <extracomment>an outcome: the device refused the command (answered ERR)</extracomment>
        <translation>Refused</translation>
    </message>
    <message>
        <source>设备断开</source>
        <translation>Device disconnected</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Aborted</translation>
    </message>
    <message>
        <source>进行中</source>
        <extracomment>an outcome: the write has started and not ended (yet)</extracomment>
        <translation>In progress</translation>
    </message>
    <message>
        <source>编号</source>
        <extracomment>a record&apos;s number in the database</extracomment>
        <translation>ID</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>工位</source>
        <extracomment>the test station (a place on the production line)</extracomment>
        <translation>Station</translation>
    </message>
    <message>
        <source>操作员</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>命令</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>正在使用环境变量 VQ830_DB 指定的数据库：%1（它优先于上面的设置）</source>
        <translation>Using the database named by the environment variable VQ830_DB: %1 (it overrides the setting above)</translation>
    </message>
    <message>
        <source>正在使用：%1</source>
        <translation>Using: %1</translation>
    </message>
    <message>
        <source>未配置数据库：写入不做生产记录，“下一个序列号”不可用</source>
        <extracomment>&quot;下一个序列号&quot; is the caption of a button in the main window</extracomment>
        <translation>No database configured: writes are not recorded and &quot;Next serial&quot; is not available</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv);;所有文件 (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>生产记录</source>
        <translation>Production records</translation>
    </message>
    <message>
        <source>本工位</source>
        <extracomment>the settings of this test station</extracomment>
        <translation>This station</translation>
    </message>
    <message>
        <source>SQLite 文件，或 postgresql://用户@主机/数据库</source>
        <translation>SQLite file, or postgresql://user@host/database</translation>
    </message>
    <message>
        <source>写入记录前必须设置</source>
        <translation>Required before records are written</translation>
    </message>
    <message>
        <source>数据库：</source>
        <translation>Database:</translation>
    </message>
    <message>
        <source>工位：</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>操作员：</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>保存</source>
        <extracomment>saves the station&apos;s settings</extracomment>
        <translation>Save</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>结果：</source>
        <translation>Result:</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>序列号“%1”不是 1 到 8 位数字</source>
        <translation>Serial number &quot;%1&quot; is not 1 to 8 digits</translation>
    </message>
    <message>
        <source>未配置生产记录数据库：请在上面填写数据库并保存</source>
        <translation>No production records database configured: enter a database above and save</translation>
    </message>
    <message>
        <source>无法读取生产记录：%1</source>
        <translation>Cannot read the production records: %1</translation>
    </message>
    <message>
        <source>没有符合条件的记录</source>
        <translation>No matching records</translation>
    </message>
    <message>
        <source>%1 条记录，最新的在最上面（只显示最新的 %1 条）</source>
        <translation>Records: %1, newest first (only the newest %1 shown)</translation>
    </message>
    <message>
        <source>%1 条记录，最新的在最上面</source>
        <translation>Records: %1, newest first</translation>
    </message>
    <message>
        <source>生产记录.csv</source>
        <extracomment>the file name suggested for exported records</extracomment>
        <translation>production-records.csv</translation>
    </message>
    <message>
        <source>生产记录未能导出到 %1：%2</source>
        <translation>The production records could not be exported to %1: %2</translation>
    </message>
    <message>
        <source>已导出 %1 条记录：%2</source>
        <translation>Records exported: %1, to %2</translation>
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
        <translation>Not done: the port is not open</translation>
    </message>
    <message>
        <source>序列号 %1 已写入</source>
        <translation>Serial number %1 written</translation>
    </message>
    <message>
        <source>设备拒绝了序列号 %1</source>
        <translation>The device refused serial number %1</translation>
    </message>
    <message>
        <source>设备拒绝了序列号 %1，该号已释放，将分配给下一块板</source>
        <translation>The device refused serial number %1; the number is released for the next board</translation>
    </message>
    <message>
        <source>序列号 %1 未能发送</source>
        <translation>Serial number %1 could not be sent</translation>
    </message>
    <message>
        <source>序列号 %1 未能发送，该号已释放，将分配给下一块板</source>
        <translation>Serial number %1 could not be sent; the number is released for the next board</translation>
    </message>
    <message>
        <source>等待应答时设备断开：序列号 %1 未确认写入</source>
        <translation>Device disconnected while awaiting the answer: serial number %1 not confirmed written</translation>
    </message>
    <message>
        <source>等待应答时设备断开：序列号 %1 已作废（可能已写入板）</source>
        <translation>Device disconnected while awaiting the answer: serial number %1 voided (it may be on the board)</translation>
    </message>
    <message>
        <source>序列号 %1 无应答</source>
        <translation>No answer to serial number %1</translation>
    </message>
    <message>
        <source>序列号 %1 无应答，该号已作废（可能已写入板）</source>
        <translation>No answer to serial number %1; the number is voided (it may be on the board)</translation>
    </message>
    <message>
        <source>%1；生产记录未能写入</source>
        <extracomment>%1: what became of a serial number write</extracomment>
        <translation>%1; the production record could not be written</translation>
    </message>
    <message>
        <source>生产记录数据库未能分配序列号，未发送任何帧：%1</source>
        <extracomment>%1: the database&apos;s error</extracomment>
        <translation>The production records database could not give out a serial number; no frame sent: %1</translation>
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
<context>
    <name>TTrafficLog</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <extracomment>whether the bytes were sent or received</extracomment>
        <translation>Direction</translation>
    </message>
    <message>
        <source>字节数</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>文本</source>
        <extracomment>the bytes shown as text</extracomment>
        <translation>Text</translation>
    </message>
    <message>
        <source>十六进制</source>
        <extracomment>the bytes shown in hex</extracomment>
        <translation>Hex</translation>
    </message>
    <message>
        <source>无法保存到 %1：%2</source>
        <translation>Cannot save to %1: %2</translation>
    </message>
    <message>
        <source>发送</source>
        <extracomment>bytes sent to the device (a direction in the log)</extracomment>
        <translation>Sent</translation>
    </message>
    <message>
        <source>接收</source>
        <extracomment>bytes received from the device (a direction in the log)</extracomment>
        <translation>Received</translation>
    </message>
    <message>
        <source>接收(丢弃)</source>
        <extracomment>bytes received while the window expected no answer, and ignored</extracomment>
        <translation>Received (dropped)</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic log</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>继续</source>
        <extracomment>&quot;暂停&quot; pauses the log; &quot;继续&quot; resumes it</extracomment>
        <translation>Resume</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>共 %1 条，已移除最早的 %2 条（最多保留 %3 条）</source>
        <translation>Entries: %1; the oldest %2 removed (at most %3 kept)</translation>
    </message>
    <message>
        <source>共 %1 条</source>
        <translation>Entries: %1</translation>
    </message>
    <message>
        <source>；已暂停，跳过 %1 条</source>
        <translation>; paused, %1 skipped</translation>
    </message>
    <message>
        <source>；暂停期间跳过 %1 条</source>
        <translation>; %1 skipped while paused</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>通讯记录-%1.csv</source>
        <extracomment>the file name suggested for a saved log; %1 is the date and time</extracomment>
        <translation>traffic-log-%1.csv</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>Save traffic log</translation>
    </message>
</context>
</TS>
