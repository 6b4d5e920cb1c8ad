<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>FuncWidget</name>
    <message>
        <source>In Level</source>
        <translation />
    </message>
    <message>
        <source>Gate</source>
        <translation />
    </message>
    <message>
        <source>Feedback</source>
        <translation />
    </message>
    <message>
        <source>In Filter</source>
        <translation />
    </message>
    <message>
        <source>In Limiter</source>
        <translation />
    </message>
    <message>
        <source>In Delay</source>
        <translation />
    </message>
    <message>
        <source>Matrix</source>
        <translation />
    </message>
    <message>
        <source>Signal</source>
        <translation />
    </message>
    <message>
        <source>Out Level</source>
        <translation />
    </message>
    <message>
        <source>Out Filter</source>
        <translation />
    </message>
    <message>
        <source>Out Limiter</source>
        <translation />
    </message>
    <message>
        <source>Out Delay</source>
        <translation />
    </message>
    <message>
        <source>Preset</source>
        <translation />
    </message>
    <message>
        <source>Settings</source>
        <translation />
    </message>
    <message>
        <source>Security</source>
        <translation />
    </message>
</context>
<context>
    <name>QLogin</name>
    <message>
        <source>Login</source>
        <translation />
    </message>
    <message>
        <source>Password</source>
        <translation />
    </message>
</context>
<context>
    <name>QOverView</name>
    <message>
        <source>Model :</source>
        <translation />
    </message>
    <message>
        <source>IPAddr :</source>
        <translation />
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation />
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation />
    </message>
    <message>
        <source>Loca :</source>
        <translation />
    </message>
    <message>
        <source>Desc :</source>
        <translation />
    </message>
    <message>
        <source>State :</source>
        <translation />
    </message>
    <message>
        <source>DSP :</source>
        <translation />
    </message>
    <message>
        <source>Mute</source>
        <translation />
    </message>
    <message>
        <source>Unconnected</source>
        <translation />
    </message>
    <message>
        <source>Connected</source>
        <translation />
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation />
    </message>
</context>
<context>
    <name>QPwdModDialog</name>
    <message>
        <source>Modify password</source>
        <translation />
    </message>
    <message>
        <source>New password :</source>
        <translation />
    </message>
    <message>
        <source>Confirm :</source>
        <translation />
    </message>
</context>
<context>
    <name>QSetup</name>
    <message>
        <source>ERROR</source>
        <translation />
    </message>
    <message>
        <source>Normal</source>
        <translation />
    </message>
    <message>
        <source>Model :</source>
        <translation />
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation />
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation />
    </message>
    <message>
        <source>SN :</source>
        <translation />
    </message>
    <message>
        <source>Code :</source>
        <translation />
    </message>
    <message>
        <source>Panel Lock :</source>
        <translation />
    </message>
    <message>
        <source>Location :</source>
        <translation />
    </message>
    <message>
        <source>Channel Cfg :</source>
        <translation />
    </message>
    <message>
        <source>Boot counts :</source>
        <translation />
    </message>
    <message>
        <source>CPU Temp :</source>
        <translation />
    </message>
    <message>
        <source>Run time :</source>
        <translation />
    </message>
    <message>
        <source>Total time :</source>
        <translation />
    </message>
    <message>
        <source>Description :</source>
        <translation />
    </message>
    <message>
        <source>IP address :</source>
        <translation />
    </message>
    <message>
        <source>Subnet mask :</source>
        <translation />
    </message>
    <message>
        <source>Gateway :</source>
        <translation />
    </message>
    <message>
        <source>DSP :</source>
        <translation />
    </message>
    <message>
        <source>DAC :</source>
        <translation />
    </message>
    <message>
        <source>Flash :</source>
        <translation />
    </message>
    <message>
        <source>Temp :</source>
        <translation />
    </message>
    <message>
        <source>Input Label</source>
        <translation />
    </message>
    <message>
        <source>Output Label</source>
        <translation />
    </message>
    <message>
        <source>Device Infomation</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>Network</source>
        <translation />
    </message>
    <message>
        <source>Fault</source>
        <translation />
    </message>
    <message>
        <source>Input</source>
        <translation />
    </message>
    <message>
        <source>Output</source>
        <translation />
    </message>
</context>
<context>
    <name>mainWindow</name>
    <message>
        <source>Digital Audio Processor</source>
        <translation />
    </message>
</context>
</TS>