<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
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
        <translation>No database configured: writes are not recorded and &quot;Next serial number&quot; is not available</translation>
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
