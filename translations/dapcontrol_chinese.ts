<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>ChangeLog</name>
    <message>
        <source>mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>invert</source>
        <translation>反相</translation>
    </message>
    <message>
        <source>group</source>
        <translation>编组</translation>
    </message>
    <message>
        <source>calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>feedback suppressor</source>
        <translation>反馈抑制</translation>
    </message>
    <message>
        <source>high-pass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>low-pass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>band %1</source>
        <translation>频段 %1</translation>
    </message>
    <message>
        <source>limiter</source>
        <translation>限幅器</translation>
    </message>
    <message>
        <source>delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>I%1 mix</source>
        <translation>I%1 混音</translation>
    </message>
    <message>
        <source>I%1 mix gain</source>
        <translation>I%1 混音增益</translation>
    </message>
    <message>
        <source>generator</source>
        <translation>信号发生器</translation>
    </message>
    <message>
        <source>frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>source</source>
        <translation>信号源</translation>
    </message>
    <message>
        <source>on</source>
        <translation>开</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>In Level</source>
        <translation>输入电平</translation>
    </message>
    <message>
        <source>Gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation>反馈抑制</translation>
    </message>
    <message>
        <source>In Filter</source>
        <translation>输入滤波</translation>
    </message>
    <message>
        <source>In Limiter</source>
        <translation>输入限幅</translation>
    </message>
    <message>
        <source>In Delay</source>
        <translation>输入延时</translation>
    </message>
    <message>
        <source>Mixer</source>
        <translation>混音矩阵</translation>
    </message>
    <message>
        <source>Generator</source>
        <translation>信号发生器</translation>
    </message>
    <message>
        <source>Out Level</source>
        <translation>输出电平</translation>
    </message>
    <message>
        <source>Out Filter</source>
        <translation>输出滤波</translation>
    </message>
    <message>
        <source>Out Limiter</source>
        <translation>输出限幅</translation>
    </message>
    <message>
        <source>Out Delay</source>
        <translation>输出延时</translation>
    </message>
    <message>
        <source>code %1</source>
        <translation>代码 %1</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1, %2 dB, attack %3 ms, release %4 ms</source>
        <translation>%1，%2 dB，启动 %3 ms，释放 %4 ms</translation>
    </message>
    <message>
        <source>%1, type %2, slope %3, %4 Hz</source>
        <translation>%1，类型 %2，斜率 %3，%4 Hz</translation>
    </message>
    <message>
        <source>%1, type %2, %3 Hz, %4 dB, Q step %5</source>
        <translation>%1，类型 %2，%3 Hz，%4 dB，Q 档 %5</translation>
    </message>
    <message>
        <source>%1, %2 dB, 1:%3, attack %4 ms, release %5 ms</source>
        <translation>%1，%2 dB，1:%3，启动 %4 ms，释放 %5 ms</translation>
    </message>
</context>
<context>
    <name>ChangeLogWindow</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Machine id</source>
        <translation>机器编号</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Block</source>
        <translation>模块</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>修改前</translation>
    </message>
    <message>
        <source>After</source>
        <translation>修改后</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>All processors</source>
        <translation>全部处理器</translation>
    </message>
    <message>
        <source>%1 at %2 (machine id %3)</source>
        <translation>%1，地址 %2（机器编号 %3）</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>导出 CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>修改记录</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
</context>
<context>
    <name>ChangeRecorder</name>
    <message>
        <source>The processor is not connected; nothing was undone.</source>
        <translation>处理器未连接，未撤销任何内容。</translation>
    </message>
    <message>
        <source>The processor is not connected; nothing was redone.</source>
        <translation>处理器未连接，未重做任何内容。</translation>
    </message>
    <message>
        <source>The value was changed elsewhere since; nothing was undone.</source>
        <translation>该值此后已在别处被修改，未撤销任何内容。</translation>
    </message>
    <message>
        <source>The value was changed elsewhere since; nothing was redone.</source>
        <translation>该值此后已在别处被修改，未重做任何内容。</translation>
    </message>
    <message>
        <source>The value before this edit was never read from the processor; nothing was undone.</source>
        <translation>修改前的值从未从处理器读取，未撤销任何内容。</translation>
    </message>
    <message>
        <source>%1 (+%2 more)</source>
        <translation>%1（另有 %2 项）</translation>
    </message>
</context>
<context>
    <name>FirmwareUpgrade</name>
    <message>
        <source>The file %1 cannot be read.</source>
        <translation>无法读取文件 %1。</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>文件 %1 是空的。</translation>
    </message>
    <message>
        <source>Bad file format</source>
        <translation>文件格式错误</translation>
    </message>
    <message>
        <source>The file %1 is too large for a firmware image (at most 64 MiB).</source>
        <translation>文件 %1 太大，不是固件映像（最大 64 MiB）。</translation>
    </message>
    <message>
        <source>The firmware image was sent completely.</source>
        <translation>固件映像已全部发送。</translation>
    </message>
    <message>
        <source>The processor stopped answering; the firmware upgrade did not complete.</source>
        <translation>处理器没有应答，固件升级未完成。</translation>
    </message>
    <message>
        <source>The firmware upgrade was cancelled; the image was not sent completely.</source>
        <translation>固件升级已取消，映像未全部发送。</translation>
    </message>
    <message>
        <source>The firmware upgrade failed.</source>
        <translation>固件升级失败。</translation>
    </message>
    <message>
        <source>Upgrade the ARM firmware with %1 (%2 bytes)?</source>
        <translation>用 %1（%2 字节）升级 ARM 固件？</translation>
    </message>
    <message>
        <source>Upgrade the DSP firmware with %1 (%2 bytes)?</source>
        <translation>用 %1（%2 字节）升级 DSP 固件？</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>updating...</source>
        <translation>正在升级...</translation>
    </message>
    <message>
        <source>Firmware upgrade</source>
        <translation>固件升级</translation>
    </message>
</context>
<context>
    <name>FuncWidget</name>
    <message>
        <source>In Level</source>
        <translation>输入电平</translation>
    </message>
    <message>
        <source>Gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation>反馈抑制</translation>
    </message>
    <message>
        <source>In Filter</source>
        <translation>输入滤波</translation>
    </message>
    <message>
        <source>In Limiter</source>
        <translation>输入限幅</translation>
    </message>
    <message>
        <source>In Delay</source>
        <translation>输入延时</translation>
    </message>
    <message>
        <source>Matrix</source>
        <translation>矩阵</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号源</translation>
    </message>
    <message>
        <source>Out Level</source>
        <translation>输出电平</translation>
    </message>
    <message>
        <source>Out Filter</source>
        <translation>输出滤波</translation>
    </message>
    <message>
        <source>Out Limiter</source>
        <translation>输出限幅</translation>
    </message>
    <message>
        <source>Out Delay</source>
        <translation>输出延时</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>安全</translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Reading the processor...</source>
        <translation>正在读取处理器...</translation>
    </message>
    <message>
        <source>The processor did not report every value; %1 was not written.</source>
        <translation>处理器没有报告全部参数，未写入 %1。</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Another transfer is running; %1 was not written.</source>
        <translation>另一个传输正在进行，未写入 %1。</translation>
    </message>
</context>
<context>
    <name>Ipv4</name>
    <message>
        <source>Not an address of the form 192.168.1.10</source>
        <translation>不是 192.168.1.10 形式的地址</translation>
    </message>
    <message>
        <source>An address cannot start with 0</source>
        <translation>地址不能以 0 开头</translation>
    </message>
    <message>
        <source>A multicast or reserved address (224 and up)</source>
        <translation>组播或保留地址（224 及以上）</translation>
    </message>
    <message>
        <source>Not a subnet mask, e.g. 255.255.255.0</source>
        <translation>不是子网掩码，例如 255.255.255.0</translation>
    </message>
    <message>
        <source>The subnet&apos;s own network address</source>
        <translation>子网本身的网络地址</translation>
    </message>
    <message>
        <source>The subnet&apos;s broadcast address</source>
        <translation>子网的广播地址</translation>
    </message>
    <message>
        <source>The gateway is outside the address&apos;s subnet (empty it first to move the processor to another subnet)</source>
        <translation>网关不在该地址的子网内（如需将处理器移到其他子网，请先清空网关）</translation>
    </message>
    <message>
        <source>Not an address a gateway can have</source>
        <translation>网关不能使用此地址</translation>
    </message>
</context>
<context>
    <name>PasswordCheck</name>
    <message>
        <source>Only Latin-1 characters allowed</source>
        <translation>只能使用 Latin-1 字符</translation>
    </message>
</context>
<context>
    <name>QCail</name>
    <message>
        <source>Mix</source>
        <translation>混音</translation>
    </message>
    <message>
        <source>System 
Reset</source>
        <translation>系统
复位</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Reset system all config?</source>
        <translation>复位系统全部配置？</translation>
    </message>
    <message>
        <source>a system reset</source>
        <translation>系统复位</translation>
    </message>
</context>
<context>
    <name>QChannelSelect</name>
    <message>
        <source>Select Channel</source>
        <translation>选择通道</translation>
    </message>
    <message>
        <source>Input channel</source>
        <translation>输入通道</translation>
    </message>
    <message>
        <source>Output channel</source>
        <translation>输出通道</translation>
    </message>
</context>
<context>
    <name>QDelayPanel</name>
    <message>
        <source>Millisecond</source>
        <translation>毫秒</translation>
    </message>
    <message>
        <source>Meters</source>
        <translation>米</translation>
    </message>
    <message>
        <source>Feet</source>
        <translation>英尺</translation>
    </message>
</context>
<context>
    <name>QDevTable</name>
    <message>
        <source>Cannot open database</source>
        <translation>无法打开数据库</translation>
    </message>
    <message>
        <source>Unable to establish a database connection.
This example needs SQLite support. Please read the Qt SQL driver documentation for information how to build it.

Click Cancel to exit.</source>
        <translation>无法建立数据库连接。
需要 SQLite 支持。请参阅 Qt SQL 驱动文档了解如何构建。

点击“取消”退出。</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>连接中</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP地址</translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation>设备型号</translation>
    </message>
    <message>
        <source>ARM Ver</source>
        <translation>ARM版本</translation>
    </message>
    <message>
        <source>DSP Ver</source>
        <translation>DSP版本</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>Device SN</source>
        <translation>设备序列号</translation>
    </message>
    <message>
        <source>Link Status</source>
        <translation>连接状态</translation>
    </message>
    <message>
        <source>Runing Time</source>
        <translation>运行时间</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation>总时间</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>设备ID</translation>
    </message>
    <message>
        <source>Device list</source>
        <translation>设备列表</translation>
    </message>
    <message>
        <source>Processors cannot be found</source>
        <translation>无法发现处理器</translation>
    </message>
    <message>
        <source>Device list full</source>
        <translation>设备列表已满</translation>
    </message>
    <message>
        <source>UDP port %1 is already in use by a program that does not share it.
Processors on the network cannot be found until that program is closed and this one is started again.</source>
        <translation>UDP 端口 %1 已被一个不共享它的程序占用。
在关闭该程序并重新启动本程序之前，无法找到网络上的处理器。</translation>
    </message>
    <message>
        <source>Address changed (was %1)</source>
        <translation>地址已改变（原为 %1）</translation>
    </message>
    <message>
        <source>Remove processors</source>
        <translation>移除处理器</translation>
    </message>
    <message>
        <source>Every processor in the list was heard since the start.</source>
        <translation>列表中的每台处理器自启动以来都已收到通告。</translation>
    </message>
    <message>
        <source>Remove the %1 processors not heard since the program started from the list and from device.db?</source>
        <translation>是否从列表和 device.db 中移除自程序启动以来未收到通告的 %1 台处理器？</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>The device list holds %1 processors, the most it can keep. From now on a processor heard for the first time takes the place of the one silent longest that was never selected. &quot;Remove processors not heard since start&quot; (right-click a processor) clears the ones that stay silent.</source>
        <translation>设备列表最多容纳 %1 台处理器，现已满。此后新收到的处理器将取代从未选择过且静默最久的处理器。“移除自启动以来未收到的处理器”（右键单击处理器）可清除一直静默的处理器。</translation>
    </message>
</context>
<context>
    <name>QDeviceItem</name>
    <message>
        <source>Remove Device</source>
        <translation>删除设备</translation>
    </message>
    <message>
        <source>IP Setting</source>
        <translation>IP设置</translation>
    </message>
    <message>
        <source>Fault reported</source>
        <translation>报告故障</translation>
    </message>
    <message>
        <source>No fault</source>
        <translation>无故障</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>Remove processors not heard since start</source>
        <translation>移除自启动以来未收到的处理器</translation>
    </message>
</context>
<context>
    <name>QFeedback</name>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
</context>
<context>
    <name>QFilterPanel</name>
    <message>
        <source>Input Channel</source>
        <translation>输入通道</translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation>输出通道</translation>
    </message>
    <message>
        <source>High-Pass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>Low-Pass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Slope</source>
        <translation>斜率</translation>
    </message>
    <message>
        <source>Freq.(Hz)</source>
        <translation>频率(Hz)</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Bessel</source>
        <translation>贝塞尔</translation>
    </message>
    <message>
        <source>Butterworth</source>
        <translation>巴特沃斯</translation>
    </message>
    <message>
        <source>Link-Riley</source>
        <translation>林克-瑞利</translation>
    </message>
    <message>
        <source>Copy to</source>
        <translation>复制到</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>复位</translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation>增益(dBu)</translation>
    </message>
    <message>
        <source>PEQ</source>
        <translation>参量均衡</translation>
    </message>
    <message>
        <source>LowShelf</source>
        <translation>低架</translation>
    </message>
    <message>
        <source>HighShelf</source>
        <translation>高架</translation>
    </message>
    <message>
        <source>Allpass</source>
        <translation>全通</translation>
    </message>
</context>
<context>
    <name>QGate</name>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Thresh(dBu)</source>
        <translation>阈值(dBu)</translation>
    </message>
    <message>
        <source>Attack(ms)</source>
        <translation>启动时间(ms)</translation>
    </message>
    <message>
        <source>Decay(ms)</source>
        <translation>释放时间(ms)</translation>
    </message>
</context>
<context>
    <name>QIpSetting</name>
    <message>
        <source>ip Settings</source>
        <translation>IP设置</translation>
    </message>
    <message>
        <source>IP addr :</source>
        <translation>IP地址：</translation>
    </message>
    <message>
        <source>Subnet :</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway :</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>Four numbers 0-255 separated by dots, e.g. 192.168.1.100</source>
        <translation>四个0-255的数字，以点分隔，例如 192.168.1.100</translation>
    </message>
    <message>
        <source>A subnet mask, e.g. 255.255.255.0</source>
        <translation>子网掩码，例如 255.255.255.0</translation>
    </message>
    <message>
        <source>Leave empty for no gateway (0.0.0.0)</source>
        <translation>留空表示无网关 (0.0.0.0)</translation>
    </message>
</context>
<context>
    <name>QLevelPanel</name>
    <message>
        <source>Group</source>
        <translation>编组</translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation>增益(dBu)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Invert</source>
        <translation>反相</translation>
    </message>
</context>
<context>
    <name>QLimiterPanel</name>
    <message>
        <source>Input Channel</source>
        <translation>输入通道</translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation>输出通道</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Thresh(dBu)</source>
        <translation>阈值(dBu)</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>压缩比</translation>
    </message>
    <message>
        <source>Attack(ms)</source>
        <translation>启动时间(ms)</translation>
    </message>
    <message>
        <source>Decay(ms)</source>
        <translation>释放时间(ms)</translation>
    </message>
    <message>
        <source>Copy to</source>
        <translation>复制到</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>复位</translation>
    </message>
</context>
<context>
    <name>QLogin</name>
    <message>
        <source>Login</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
</context>
<context>
    <name>QMixer</name>
    <message>
        <source>Gain(dBu)</source>
        <translation>增益(dBu)</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>All Mix</source>
        <translation>全部混音</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>复位</translation>
    </message>
    <message>
        <source>Enable all mixer and set their value to 0dB?</source>
        <translation>启用全部混音点并将其增益设为0dB？</translation>
    </message>
    <message>
        <source>Disable all mixer and set their value to 0dB?</source>
        <translation>关闭全部混音点并将其增益设为0dB？</translation>
    </message>
</context>
<context>
    <name>QModulePanel</name>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Clear all setting?</source>
        <translation>清除所有设置？</translation>
    </message>
    <message>
        <source>%1 %2 copied to %3</source>
        <translation>%1 %2 复制到 %3</translation>
    </message>
    <message>
        <source>%1 %2 reset</source>
        <translation>%1 %2 复位</translation>
    </message>
    <message>
        <source>Reading the processor...</source>
        <translation>正在读取处理器...</translation>
    </message>
    <message>
        <source>The processor did not report the values this would change; nothing was changed.</source>
        <translation>处理器未报告将被修改的值，未做任何修改。</translation>
    </message>
    <message>
        <source>Another transfer is running; nothing was changed.</source>
        <translation>另一个传输正在进行，未做任何修改。</translation>
    </message>
</context>
<context>
    <name>QOverView</name>
    <message>
        <source>Model :</source>
        <translation>型号：</translation>
    </message>
    <message>
        <source>IPAddr :</source>
        <translation>IP地址：</translation>
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation>ARM版本：</translation>
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation>DSP版本：</translation>
    </message>
    <message>
        <source>Loca :</source>
        <translation>位置：</translation>
    </message>
    <message>
        <source>Desc :</source>
        <translation>描述：</translation>
    </message>
    <message>
        <source>State :</source>
        <translation>状态：</translation>
    </message>
    <message>
        <source>DSP :</source>
        <translation>DSP：</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation>Ctrl+M</translation>
    </message>
    <message>
        <source>Reconnecting</source>
        <translation>正在重新连接</translation>
    </message>
</context>
<context>
    <name>QPreset</name>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Recall</source>
        <translation>调用</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Import All</source>
        <translation>全部导入</translation>
    </message>
    <message>
        <source>Export All</source>
        <translation>全部导出</translation>
    </message>
    <message>
        <source>Offline Save</source>
        <translation>离线保存</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>无法读取 %1：%2</translation>
    </message>
    <message>
        <source>preset file format error!</source>
        <translation>预设文件格式错误！</translation>
    </message>
    <message>
        <source>The processor stopped answering; the transfer did not complete.</source>
        <translation>处理器没有应答，传输未完成。</translation>
    </message>
    <message>
        <source>The processor reported no preset, or an impossible size.</source>
        <translation>处理器报告没有预设，或大小不可能。</translation>
    </message>
    <message>
        <source>The processor&apos;s answer does not fit the transfer; it was stopped.</source>
        <translation>处理器的应答与传输不符，传输已停止。</translation>
    </message>
    <message>
        <source>Export to PC...</source>
        <translation>正在导出到电脑...</translation>
    </message>
    <message>
        <source>pst Files</source>
        <translation>pst 文件</translation>
    </message>
    <message>
        <source>pst Files (*.pst)</source>
        <translation>pst 文件 (*.pst)</translation>
    </message>
    <message>
        <source>Import %1 into preset %2 &lt;font color=&apos;red&apos;&gt;%3&lt;/font&gt;? The preset stored there is replaced.</source>
        <translation>将 %1 导入预设 %2 &lt;font color=&apos;red&apos;&gt;%3&lt;/font&gt;？该位置原有的预设将被替换。</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Import from PC...</source>
        <translation>正在从电脑导入...</translation>
    </message>
    <message>
        <source>Import %1 into all presets? Every preset stored on the processor is replaced, and the import cannot be stopped.</source>
        <translation>将 %1 导入全部预设？处理器上的所有预设都将被替换，导入开始后不能停止。</translation>
    </message>
    <message>
        <source>recalling preset %1</source>
        <translation>调用预设 %1</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>QPwdModDialog</name>
    <message>
        <source>Modify password</source>
        <translation>修改密码</translation>
    </message>
    <message>
        <source>New password :</source>
        <translation>新密码：</translation>
    </message>
    <message>
        <source>Confirm :</source>
        <translation>确认：</translation>
    </message>
</context>
<context>
    <name>QSecurity</name>
    <message>
        <source>Wrong password!</source>
        <translation>密码错误！</translation>
    </message>
    <message>
        <source>InLevel</source>
        <translation>输入电平</translation>
    </message>
    <message>
        <source>Gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>FeedBack</source>
        <translation>反馈抑制</translation>
    </message>
    <message>
        <source>InFilter</source>
        <translation>输入滤波</translation>
    </message>
    <message>
        <source>InLimiter</source>
        <translation>输入限幅</translation>
    </message>
    <message>
        <source>InDelay</source>
        <translation>输入延时</translation>
    </message>
    <message>
        <source>MixMtx</source>
        <translation>混音矩阵</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号源</translation>
    </message>
    <message>
        <source>OutLevel</source>
        <translation>输出电平</translation>
    </message>
    <message>
        <source>OutFilter</source>
        <translation>输出滤波</translation>
    </message>
    <message>
        <source>OutLimiter</source>
        <translation>输出限幅</translation>
    </message>
    <message>
        <source>OutDelay</source>
        <translation>输出延时</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>自由</translation>
    </message>
    <message>
        <source>Read-only</source>
        <translation>只读</translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation>隐藏</translation>
    </message>
    <message>
        <source>Password :</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Legend</source>
        <translation>图例</translation>
    </message>
    <message>
        <source>a security lock</source>
        <translation>安全锁定</translation>
    </message>
</context>
<context>
    <name>QSetup</name>
    <message>
        <source>ERROR</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Model :</source>
        <translation>型号：</translation>
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation>ARM版本：</translation>
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation>DSP版本：</translation>
    </message>
    <message>
        <source>SN :</source>
        <translation>序列号：</translation>
    </message>
    <message>
        <source>Code :</source>
        <translation>代码：</translation>
    </message>
    <message>
        <source>Panel Lock :</source>
        <translation>面板锁定：</translation>
    </message>
    <message>
        <source>Location :</source>
        <translation>位置：</translation>
    </message>
    <message>
        <source>Channel Cfg :</source>
        <translation>通道配置：</translation>
    </message>
    <message>
        <source>Boot counts :</source>
        <translation>启动次数：</translation>
    </message>
    <message>
        <source>CPU Temp :</source>
        <translation>CPU温度：</translation>
    </message>
    <message>
        <source>Run time :</source>
        <translation>运行时间：</translation>
    </message>
    <message>
        <source>Total time :</source>
        <translation>总时间：</translation>
    </message>
    <message>
        <source>Description :</source>
        <translation>描述：</translation>
    </message>
    <message>
        <source>IP address :</source>
        <translation>IP地址：</translation>
    </message>
    <message>
        <source>Subnet mask :</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway :</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>DSP :</source>
        <translation>DSP：</translation>
    </message>
    <message>
        <source>DAC :</source>
        <translation>DAC：</translation>
    </message>
    <message>
        <source>Flash :</source>
        <translation>Flash：</translation>
    </message>
    <message>
        <source>Temp :</source>
        <translation>温度：</translation>
    </message>
    <message>
        <source>Input Label</source>
        <translation>输入标签</translation>
    </message>
    <message>
        <source>Output Label</source>
        <translation>输出标签</translation>
    </message>
    <message>
        <source>Device Infomation</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Fault</source>
        <translation>故障</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>the panel lock</source>
        <translation>面板锁</translation>
    </message>
    <message>
        <source>the network settings</source>
        <translation>网络设置</translation>
    </message>
</context>
<context>
    <name>QSigGenerator</name>
    <message>
        <source>PinkNoise</source>
        <translation>粉红噪声</translation>
    </message>
    <message>
        <source>Sine</source>
        <translation>正弦波</translation>
    </message>
    <message>
        <source>WhiteNoise</source>
        <translation>白噪声</translation>
    </message>
    <message>
        <source>Freq.(Hz)</source>
        <translation>频率(Hz)</translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation>增益(dBu)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation>输出通道</translation>
    </message>
</context>
<context>
    <name>SimLauncher</name>
    <message>
        <source>The simulator %1 was not found.</source>
        <translation>未找到模拟器 %1。</translation>
    </message>
    <message>
        <source>No free loopback address for a simulated processor.</source>
        <translation>没有可供模拟处理器使用的空闲回环地址。</translation>
    </message>
    <message>
        <source>The simulator could not be started: %1</source>
        <translation>无法启动模拟器：%1</translation>
    </message>
</context>
<context>
    <name>mainWindow</name>
    <message>
        <source>Digital Audio Processor</source>
        <translation>数字音频处理器</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>菜单</translation>
    </message>
    <message>
        <source>Updata ARM Firmware</source>
        <translation>升级ARM固件</translation>
    </message>
    <message>
        <source>Updata DSP Firmware</source>
        <translation>升级DSP固件</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Language1</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Language2</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>Language3</source>
        <translation>Language3</translation>
    </message>
    <message>
        <source>Language4</source>
        <translation>Language4</translation>
    </message>
    <message>
        <source>Language5</source>
        <translation>Language5</translation>
    </message>
    <message>
        <source>Modify login password</source>
        <translation>修改登录密码</translation>
    </message>
    <message>
        <source>Modify security lock password</source>
        <translation>修改安全锁密码</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>恢复出厂设置</translation>
    </message>
    <message>
        <source>Device list</source>
        <translation>设备列表</translation>
    </message>
    <message>
        <source>Restore the factory settings will delete all user data!!!</source>
        <translation>恢复出厂设置将删除所有用户数据！！！</translation>
    </message>
    <message>
        <source>Do you want to reformat the disk and erase all data?</source>
        <translation>是否要格式化磁盘并清除所有数据？</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancle</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Simulated processor</source>
        <translation>模拟处理器</translation>
    </message>
    <message>
        <source>A simulated processor runs at %1 and appears in the device list in a moment. Its login password is %2. It stops when the program ends.</source>
        <translation>模拟处理器运行在 %1，稍后将出现在设备列表中。其登录密码为 %2。程序结束时它会停止。</translation>
    </message>
    <message>
        <source>Start a simulated processor</source>
        <translation>启动模拟处理器</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>撤销 %1</translation>
    </message>
    <message>
        <source>Cannot undo %1</source>
        <translation>无法撤销%1</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>重做 %1</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Change log</source>
        <translation>修改记录</translation>
    </message>
    <message>
        <source>a firmware upgrade</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>a password change</source>
        <translation>密码修改</translation>
    </message>
    <message>
        <source>the network settings of %1</source>
        <translation>%1 的网络设置</translation>
    </message>
    <message>
        <source>a factory reset</source>
        <translation>恢复出厂设置</translation>
    </message>
</context>
</TS>
