<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>ChangeLog</name>
    <message>
        <source>mute</source>
        <translation></translation>
    </message>
    <message>
        <source>gain</source>
        <translation></translation>
    </message>
    <message>
        <source>invert</source>
        <translation></translation>
    </message>
    <message>
        <source>group</source>
        <translation></translation>
    </message>
    <message>
        <source>calibration</source>
        <translation></translation>
    </message>
    <message>
        <source>gate</source>
        <translation></translation>
    </message>
    <message>
        <source>feedback suppressor</source>
        <translation></translation>
    </message>
    <message>
        <source>high-pass</source>
        <translation></translation>
    </message>
    <message>
        <source>low-pass</source>
        <translation></translation>
    </message>
    <message>
        <source>band %1</source>
        <translation></translation>
    </message>
    <message>
        <source>limiter</source>
        <translation></translation>
    </message>
    <message>
        <source>delay</source>
        <translation></translation>
    </message>
    <message>
        <source>I%1 mix</source>
        <translation></translation>
    </message>
    <message>
        <source>I%1 mix gain</source>
        <translation></translation>
    </message>
    <message>
        <source>generator</source>
        <translation></translation>
    </message>
    <message>
        <source>frequency</source>
        <translation></translation>
    </message>
    <message>
        <source>source</source>
        <translation></translation>
    </message>
    <message>
        <source>on</source>
        <translation></translation>
    </message>
    <message>
        <source>off</source>
        <translation></translation>
    </message>
    <message>
        <source>In Level</source>
        <translation></translation>
    </message>
    <message>
        <source>Gate</source>
        <translation></translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation></translation>
    </message>
    <message>
        <source>In Filter</source>
        <translation></translation>
    </message>
    <message>
        <source>In Limiter</source>
        <translation></translation>
    </message>
    <message>
        <source>In Delay</source>
        <translation></translation>
    </message>
    <message>
        <source>Mixer</source>
        <translation></translation>
    </message>
    <message>
        <source>Generator</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Level</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Filter</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Limiter</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Delay</source>
        <translation></translation>
    </message>
    <message>
        <source>code %1</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 ms</source>
        <translation></translation>
    </message>
    <message>
        <source>%1, %2 dB, attack %3 ms, release %4 ms</source>
        <translation></translation>
    </message>
    <message>
        <source>%1, type %2, slope %3, %4 Hz</source>
        <translation></translation>
    </message>
    <message>
        <source>%1, type %2, %3 Hz, %4 dB, Q step %5</source>
        <translation></translation>
    </message>
    <message>
        <source>%1, %2 dB, 1:%3, attack %4 ms, release %5 ms</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>ChangeLogWindow</name>
    <message>
        <source>Time</source>
        <translation></translation>
    </message>
    <message>
        <source>Machine id</source>
        <translation></translation>
    </message>
    <message>
        <source>Model</source>
        <translation></translation>
    </message>
    <message>
        <source>Address</source>
        <translation></translation>
    </message>
    <message>
        <source>Block</source>
        <translation></translation>
    </message>
    <message>
        <source>Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Field</source>
        <translation></translation>
    </message>
    <message>
        <source>Before</source>
        <translation></translation>
    </message>
    <message>
        <source>After</source>
        <translation></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation></translation>
    </message>
    <message>
        <source>All processors</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 at %2 (machine id %3)</source>
        <translation></translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation></translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation></translation>
    </message>
    <message>
        <source>Change log</source>
        <translation></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>ChangeRecorder</name>
    <message>
        <source>The processor is not connected; nothing was undone.</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor is not connected; nothing was redone.</source>
        <translation></translation>
    </message>
    <message>
        <source>The value was changed elsewhere since; nothing was undone.</source>
        <translation></translation>
    </message>
    <message>
        <source>The value was changed elsewhere since; nothing was redone.</source>
        <translation></translation>
    </message>
    <message>
        <source>The value before this edit was never read from the processor; nothing was undone.</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 (+%2 more)</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>FirmwareUpgrade</name>
    <message>
        <source>The file %1 cannot be read.</source>
        <translation></translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation></translation>
    </message>
    <message>
        <source>Bad file format</source>
        <translation></translation>
    </message>
    <message>
        <source>The file %1 is too large for a firmware image (at most 64 MiB).</source>
        <translation></translation>
    </message>
    <message>
        <source>The firmware image was sent completely.</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor stopped answering; the firmware upgrade did not complete.</source>
        <translation></translation>
    </message>
    <message>
        <source>The firmware upgrade was cancelled; the image was not sent completely.</source>
        <translation></translation>
    </message>
    <message>
        <source>The firmware upgrade failed.</source>
        <translation></translation>
    </message>
    <message>
        <source>Upgrade the ARM firmware with %1 (%2 bytes)?</source>
        <translation></translation>
    </message>
    <message>
        <source>Upgrade the DSP firmware with %1 (%2 bytes)?</source>
        <translation></translation>
    </message>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>updating...</source>
        <translation></translation>
    </message>
    <message>
        <source>Firmware upgrade</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>FuncWidget</name>
    <message>
        <source>In Level</source>
        <translation></translation>
    </message>
    <message>
        <source>Gate</source>
        <translation></translation>
    </message>
    <message>
        <source>Feedback</source>
        <translation></translation>
    </message>
    <message>
        <source>In Filter</source>
        <translation></translation>
    </message>
    <message>
        <source>In Limiter</source>
        <translation></translation>
    </message>
    <message>
        <source>In Delay</source>
        <translation></translation>
    </message>
    <message>
        <source>Matrix</source>
        <translation></translation>
    </message>
    <message>
        <source>Signal</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Level</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Filter</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Limiter</source>
        <translation></translation>
    </message>
    <message>
        <source>Out Delay</source>
        <translation></translation>
    </message>
    <message>
        <source>Preset</source>
        <translation></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation></translation>
    </message>
    <message>
        <source>Security</source>
        <translation></translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation></translation>
    </message>
    <message>
        <source>Reading the processor...</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor did not report every value; %1 was not written.</source>
        <translation></translation>
    </message>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>Another transfer is running; %1 was not written.</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>Ipv4</name>
    <message>
        <source>Not an address of the form 192.168.1.10</source>
        <translation></translation>
    </message>
    <message>
        <source>An address cannot start with 0</source>
        <translation></translation>
    </message>
    <message>
        <source>A multicast or reserved address (224 and up)</source>
        <translation></translation>
    </message>
    <message>
        <source>Not a subnet mask, e.g. 255.255.255.0</source>
        <translation></translation>
    </message>
    <message>
        <source>The subnet&apos;s own network address</source>
        <translation></translation>
    </message>
    <message>
        <source>The subnet&apos;s broadcast address</source>
        <translation></translation>
    </message>
    <message>
        <source>The gateway is outside the address&apos;s subnet (empty it first to move the processor to another subnet)</source>
        <translation></translation>
    </message>
    <message>
        <source>Not an address a gateway can have</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>PasswordCheck</name>
    <message>
        <source>Only Latin-1 characters allowed</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QCail</name>
    <message>
        <source>Mix</source>
        <translation></translation>
    </message>
    <message>
        <source>System 
Reset</source>
        <translation></translation>
    </message>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>Reset system all config?</source>
        <translation></translation>
    </message>
    <message>
        <source>a system reset</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QChannelSelect</name>
    <message>
        <source>Select Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Input channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Output channel</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QDelayPanel</name>
    <message>
        <source>Millisecond</source>
        <translation></translation>
    </message>
    <message>
        <source>Meters</source>
        <translation></translation>
    </message>
    <message>
        <source>Feet</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QDevTable</name>
    <message>
        <source>Cannot open database</source>
        <translation></translation>
    </message>
    <message>
        <source>Unable to establish a database connection.
This example needs SQLite support. Please read the Qt SQL driver documentation for information how to build it.

Click Cancel to exit.</source>
        <translation></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation></translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation></translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation></translation>
    </message>
    <message>
        <source>Connected</source>
        <translation></translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation></translation>
    </message>
    <message>
        <source>Device Model</source>
        <translation></translation>
    </message>
    <message>
        <source>ARM Ver</source>
        <translation></translation>
    </message>
    <message>
        <source>DSP Ver</source>
        <translation></translation>
    </message>
    <message>
        <source>Location</source>
        <translation></translation>
    </message>
    <message>
        <source>Description</source>
        <translation></translation>
    </message>
    <message>
        <source>Device SN</source>
        <translation></translation>
    </message>
    <message>
        <source>Link Status</source>
        <translation></translation>
    </message>
    <message>
        <source>Runing Time</source>
        <translation>Running Time</translation>
    </message>
    <message>
        <source>Total Time</source>
        <translation></translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation></translation>
    </message>
    <message>
        <source>Device list</source>
        <translation></translation>
    </message>
    <message>
        <source>Processors cannot be found</source>
        <translation></translation>
    </message>
    <message>
        <source>Device list full</source>
        <translation></translation>
    </message>
    <message>
        <source>UDP port %1 is already in use by a program that does not share it.
Processors on the network cannot be found until that program is closed and this one is started again.</source>
        <translation></translation>
    </message>
    <message>
        <source>Address changed (was %1)</source>
        <translation></translation>
    </message>
    <message>
        <source>Remove processors</source>
        <translation></translation>
    </message>
    <message>
        <source>Every processor in the list was heard since the start.</source>
        <translation></translation>
    </message>
    <message>
        <source>Remove the %1 processors not heard since the program started from the list and from device.db?</source>
        <translation></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation></translation>
    </message>
    <message>
        <source>The device list holds %1 processors, the most it can keep. From now on a processor heard for the first time takes the place of the one silent longest that was never selected. &quot;Remove processors not heard since start&quot; (right-click a processor) clears the ones that stay silent.</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QDeviceItem</name>
    <message>
        <source>Remove Device</source>
        <translation></translation>
    </message>
    <message>
        <source>IP Setting</source>
        <translation></translation>
    </message>
    <message>
        <source>Fault reported</source>
        <translation></translation>
    </message>
    <message>
        <source>No fault</source>
        <translation></translation>
    </message>
    <message>
        <source>Online</source>
        <translation></translation>
    </message>
    <message>
        <source>Offline</source>
        <translation></translation>
    </message>
    <message>
        <source>Remove processors not heard since start</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QFeedback</name>
    <message>
        <source>Enable</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QFilterPanel</name>
    <message>
        <source>Input Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>High-Pass</source>
        <translation></translation>
    </message>
    <message>
        <source>Low-Pass</source>
        <translation></translation>
    </message>
    <message>
        <source>Type</source>
        <translation></translation>
    </message>
    <message>
        <source>Slope</source>
        <translation></translation>
    </message>
    <message>
        <source>Freq.(Hz)</source>
        <translation></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation></translation>
    </message>
    <message>
        <source>Bessel</source>
        <translation></translation>
    </message>
    <message>
        <source>Butterworth</source>
        <translation></translation>
    </message>
    <message>
        <source>Link-Riley</source>
        <translation></translation>
    </message>
    <message>
        <source>Copy to</source>
        <translation></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation></translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>PEQ</source>
        <translation></translation>
    </message>
    <message>
        <source>LowShelf</source>
        <translation></translation>
    </message>
    <message>
        <source>HighShelf</source>
        <translation></translation>
    </message>
    <message>
        <source>Allpass</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QGate</name>
    <message>
        <source>Enable</source>
        <translation></translation>
    </message>
    <message>
        <source>Thresh(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>Attack(ms)</source>
        <translation></translation>
    </message>
    <message>
        <source>Decay(ms)</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QIpSetting</name>
    <message>
        <source>ip Settings</source>
        <translation></translation>
    </message>
    <message>
        <source>IP addr :</source>
        <translation></translation>
    </message>
    <message>
        <source>Subnet :</source>
        <translation></translation>
    </message>
    <message>
        <source>Gateway :</source>
        <translation></translation>
    </message>
    <message>
        <source>Four numbers 0-255 separated by dots, e.g. 192.168.1.100</source>
        <translation></translation>
    </message>
    <message>
        <source>A subnet mask, e.g. 255.255.255.0</source>
        <translation></translation>
    </message>
    <message>
        <source>Leave empty for no gateway (0.0.0.0)</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QLevelPanel</name>
    <message>
        <source>Group</source>
        <translation></translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation></translation>
    </message>
    <message>
        <source>Invert</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QLimiterPanel</name>
    <message>
        <source>Input Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation></translation>
    </message>
    <message>
        <source>Input</source>
        <translation></translation>
    </message>
    <message>
        <source>Output</source>
        <translation></translation>
    </message>
    <message>
        <source>Thresh(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation></translation>
    </message>
    <message>
        <source>Attack(ms)</source>
        <translation></translation>
    </message>
    <message>
        <source>Decay(ms)</source>
        <translation></translation>
    </message>
    <message>
        <source>Copy to</source>
        <translation></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QLogin</name>
    <message>
        <source>Login</source>
        <translation></translation>
    </message>
    <message>
        <source>Password</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QMixer</name>
    <message>
        <source>Gain(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation></translation>
    </message>
    <message>
        <source>All Mix</source>
        <translation></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation></translation>
    </message>
    <message>
        <source>Enable all mixer and set their value to 0dB?</source>
        <translation></translation>
    </message>
    <message>
        <source>Disable all mixer and set their value to 0dB?</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QModulePanel</name>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>Clear all setting?</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 %2 copied to %3</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 %2 reset</source>
        <translation></translation>
    </message>
    <message>
        <source>Reading the processor...</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor did not report the values this would change; nothing was changed.</source>
        <translation></translation>
    </message>
    <message>
        <source>Another transfer is running; nothing was changed.</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QOverView</name>
    <message>
        <source>Model :</source>
        <translation></translation>
    </message>
    <message>
        <source>IPAddr :</source>
        <translation></translation>
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation></translation>
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation></translation>
    </message>
    <message>
        <source>Loca :</source>
        <translation></translation>
    </message>
    <message>
        <source>Desc :</source>
        <translation></translation>
    </message>
    <message>
        <source>State :</source>
        <translation></translation>
    </message>
    <message>
        <source>DSP :</source>
        <translation></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation></translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation></translation>
    </message>
    <message>
        <source>Connected</source>
        <translation></translation>
    </message>
    <message>
        <source>Ctrl+M</source>
        <translation></translation>
    </message>
    <message>
        <source>Reconnecting</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QPreset</name>
    <message>
        <source>Save</source>
        <translation></translation>
    </message>
    <message>
        <source>Recall</source>
        <translation></translation>
    </message>
    <message>
        <source>Import</source>
        <translation></translation>
    </message>
    <message>
        <source>Export</source>
        <translation></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation></translation>
    </message>
    <message>
        <source>Import All</source>
        <translation></translation>
    </message>
    <message>
        <source>Export All</source>
        <translation></translation>
    </message>
    <message>
        <source>Offline Save</source>
        <translation></translation>
    </message>
    <message>
        <source>Name</source>
        <translation></translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation></translation>
    </message>
    <message>
        <source>preset file format error!</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor stopped answering; the transfer did not complete.</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor reported no preset, or an impossible size.</source>
        <translation></translation>
    </message>
    <message>
        <source>The processor&apos;s answer does not fit the transfer; it was stopped.</source>
        <translation></translation>
    </message>
    <message>
        <source>Export to PC...</source>
        <translation></translation>
    </message>
    <message>
        <source>pst Files</source>
        <translation></translation>
    </message>
    <message>
        <source>pst Files (*.pst)</source>
        <translation></translation>
    </message>
    <message>
        <source>Import %1 into preset %2 &lt;font color=&apos;red&apos;&gt;%3&lt;/font&gt;? The preset stored there is replaced.</source>
        <translation></translation>
    </message>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>Import from PC...</source>
        <translation></translation>
    </message>
    <message>
        <source>Import %1 into all presets? Every preset stored on the processor is replaced, and the import cannot be stopped.</source>
        <translation></translation>
    </message>
    <message>
        <source>recalling preset %1</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QPwdModDialog</name>
    <message>
        <source>Modify password</source>
        <translation></translation>
    </message>
    <message>
        <source>New password :</source>
        <translation></translation>
    </message>
    <message>
        <source>Confirm :</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QSecurity</name>
    <message>
        <source>Wrong password!</source>
        <translation></translation>
    </message>
    <message>
        <source>InLevel</source>
        <translation></translation>
    </message>
    <message>
        <source>Gate</source>
        <translation></translation>
    </message>
    <message>
        <source>FeedBack</source>
        <translation></translation>
    </message>
    <message>
        <source>InFilter</source>
        <translation></translation>
    </message>
    <message>
        <source>InLimiter</source>
        <translation></translation>
    </message>
    <message>
        <source>InDelay</source>
        <translation></translation>
    </message>
    <message>
        <source>MixMtx</source>
        <translation></translation>
    </message>
    <message>
        <source>Signal</source>
        <translation></translation>
    </message>
    <message>
        <source>OutLevel</source>
        <translation></translation>
    </message>
    <message>
        <source>OutFilter</source>
        <translation></translation>
    </message>
    <message>
        <source>OutLimiter</source>
        <translation></translation>
    </message>
    <message>
        <source>OutDelay</source>
        <translation></translation>
    </message>
    <message>
        <source>Free</source>
        <translation></translation>
    </message>
    <message>
        <source>Read-only</source>
        <translation></translation>
    </message>
    <message>
        <source>Hidden</source>
        <translation></translation>
    </message>
    <message>
        <source>Password :</source>
        <translation></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation></translation>
    </message>
    <message>
        <source>Legend</source>
        <translation></translation>
    </message>
    <message>
        <source>a security lock</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QSetup</name>
    <message>
        <source>ERROR</source>
        <translation></translation>
    </message>
    <message>
        <source>Normal</source>
        <translation></translation>
    </message>
    <message>
        <source>Model :</source>
        <translation></translation>
    </message>
    <message>
        <source>ARM Ver :</source>
        <translation></translation>
    </message>
    <message>
        <source>DSP Ver :</source>
        <translation></translation>
    </message>
    <message>
        <source>SN :</source>
        <translation></translation>
    </message>
    <message>
        <source>Code :</source>
        <translation></translation>
    </message>
    <message>
        <source>Panel Lock :</source>
        <translation></translation>
    </message>
    <message>
        <source>Location :</source>
        <translation></translation>
    </message>
    <message>
        <source>Channel Cfg :</source>
        <translation></translation>
    </message>
    <message>
        <source>Boot counts :</source>
        <translation></translation>
    </message>
    <message>
        <source>CPU Temp :</source>
        <translation></translation>
    </message>
    <message>
        <source>Run time :</source>
        <translation></translation>
    </message>
    <message>
        <source>Total time :</source>
        <translation></translation>
    </message>
    <message>
        <source>Description :</source>
        <translation></translation>
    </message>
    <message>
        <source>IP address :</source>
        <translation></translation>
    </message>
    <message>
        <source>Subnet mask :</source>
        <translation></translation>
    </message>
    <message>
        <source>Gateway :</source>
        <translation></translation>
    </message>
    <message>
        <source>DSP :</source>
        <translation></translation>
    </message>
    <message>
        <source>DAC :</source>
        <translation></translation>
    </message>
    <message>
        <source>Flash :</source>
        <translation></translation>
    </message>
    <message>
        <source>Temp :</source>
        <translation></translation>
    </message>
    <message>
        <source>Input Label</source>
        <translation></translation>
    </message>
    <message>
        <source>Output Label</source>
        <translation></translation>
    </message>
    <message>
        <source>Device Infomation</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>Network</source>
        <translation></translation>
    </message>
    <message>
        <source>Fault</source>
        <translation></translation>
    </message>
    <message>
        <source>Input</source>
        <translation></translation>
    </message>
    <message>
        <source>Output</source>
        <translation></translation>
    </message>
    <message>
        <source>the panel lock</source>
        <translation></translation>
    </message>
    <message>
        <source>the network settings</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>QSigGenerator</name>
    <message>
        <source>PinkNoise</source>
        <translation></translation>
    </message>
    <message>
        <source>Sine</source>
        <translation></translation>
    </message>
    <message>
        <source>WhiteNoise</source>
        <translation></translation>
    </message>
    <message>
        <source>Freq.(Hz)</source>
        <translation></translation>
    </message>
    <message>
        <source>Gain(dBu)</source>
        <translation></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation></translation>
    </message>
    <message>
        <source>Output Channel</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>SimLauncher</name>
    <message>
        <source>The simulator %1 was not found.</source>
        <translation></translation>
    </message>
    <message>
        <source>No free loopback address for a simulated processor.</source>
        <translation></translation>
    </message>
    <message>
        <source>The simulator could not be started: %1</source>
        <translation></translation>
    </message>
</context>
<context>
    <name>mainWindow</name>
    <message>
        <source>Digital Audio Processor</source>
        <translation></translation>
    </message>
    <message>
        <source>Menu</source>
        <translation></translation>
    </message>
    <message>
        <source>Updata ARM Firmware</source>
        <translation>Update ARM Firmware</translation>
    </message>
    <message>
        <source>Updata DSP Firmware</source>
        <translation>Update DSP Firmware</translation>
    </message>
    <message>
        <source>Language</source>
        <translation></translation>
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
        <translation></translation>
    </message>
    <message>
        <source>Language4</source>
        <translation></translation>
    </message>
    <message>
        <source>Language5</source>
        <translation></translation>
    </message>
    <message>
        <source>Modify login password</source>
        <translation></translation>
    </message>
    <message>
        <source>Modify security lock password</source>
        <translation></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation></translation>
    </message>
    <message>
        <source>Device list</source>
        <translation></translation>
    </message>
    <message>
        <source>Restore the factory settings will delete all user data!!!</source>
        <translation></translation>
    </message>
    <message>
        <source>Do you want to reformat the disk and erase all data?</source>
        <translation></translation>
    </message>
    <message>
        <source>warning</source>
        <translation></translation>
    </message>
    <message>
        <source>OK</source>
        <translation></translation>
    </message>
    <message>
        <source>Cancle</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Simulated processor</source>
        <translation></translation>
    </message>
    <message>
        <source>A simulated processor runs at %1 and appears in the device list in a moment. Its login password is %2. It stops when the program ends.</source>
        <translation></translation>
    </message>
    <message>
        <source>Start a simulated processor</source>
        <translation></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation></translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation></translation>
    </message>
    <message>
        <source>Cannot undo %1</source>
        <translation></translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation></translation>
    </message>
    <message>
        <source>Redo</source>
        <translation></translation>
    </message>
    <message>
        <source>Change log</source>
        <translation></translation>
    </message>
    <message>
        <source>a firmware upgrade</source>
        <translation></translation>
    </message>
    <message>
        <source>a password change</source>
        <translation></translation>
    </message>
    <message>
        <source>the network settings of %1</source>
        <translation></translation>
    </message>
    <message>
        <source>a factory reset</source>
        <translation></translation>
    </message>
</context>
</TS>
