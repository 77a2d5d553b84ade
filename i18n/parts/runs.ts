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
    <name>SettingsFile</name>
    <message>
        <source>配置文件“%1”中“%2”的值“%3”超出范围</source>
        <extracomment>%1: the file; %2: the key; %3: its value</extracomment>
        <translation>Configuration file “%1”: the value “%3” of “%2” is out of range</translation>
    </message>
    <message>
        <source>配置文件“%1”中“%2”的值“%3”超出范围：%4</source>
        <extracomment>%1: the file; %2: the key; %3: its value; %4: what is wrong with it</extracomment>
        <translation>Configuration file “%1”: the value “%3” of “%2” %4</translation>
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
        <source>未发送任何帧</source>
        <extracomment>why write all did not start: said after what is wrong with a setting</extracomment>
        <translation>no frame sent</translation>
    </message>
    <message>
        <source>未执行：串口未打开</source>
        <translation>Not done: the port is not open</translation>
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
    <message>
        <source>配置已保存：%1</source>
        <translation>Configuration saved: %1</translation>
    </message>
    <message>
        <source>配置已载入：%1</source>
        <translation>Configuration loaded: %1</translation>
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
        <translation>Set this station&apos;s name in “Production records” first.</translation>
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
    <name>TSerialWrites</name>
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
    <message>
        <source>未执行：串口未打开</source>
        <translation>Not done: the port is not open</translation>
    </message>
</context>
</TS>
