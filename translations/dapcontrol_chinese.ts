<?xml version='1.0' encoding='utf-8'?>
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
</context>
</TS>