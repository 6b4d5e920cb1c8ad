<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
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
        <source>UDP port %1 is already in use, probably by another copy of this program.
Processors on the network cannot be found until that program is closed and this one is started again.</source>
        <translation>UDP端口 %1 已被占用，可能是本程序的另一个副本。
关闭该程序并重新启动本程序之前，无法发现网络上的处理器。</translation>
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
    <name>QModulePanel</name>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Clear all setting?</source>
        <translation>清除所有设置？</translation>
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
</context>
</TS>
