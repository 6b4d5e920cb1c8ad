#pragma once

#include <QtGlobal>

// The settings page's system messages: frame types and parameter codes of class 2.
namespace setupmsg {

enum SettingCode : quint8 {
    CodeModel = 1,
    CodeArmVer = 2,
    CodeDspVer = 3,
    CodeSerial = 4,
    CodeChannelCfg = 5,
    CodeRunTime = 6,
    CodeTotalTime = 7,
    CodeBootCount = 8,
    CodeCpuTemp = 9,
    CodeLocation = 10,
    CodeDescription = 11,
    CodeNetwork = 12,
    CodeFaults = 13,
    CodeAllMute = 15,
    CodeDspLoad = 16,
    CodePanelLock = 20,
};

inline constexpr quint8 kTypeSettings = 2;
inline constexpr quint8 kTypeLabels = 3;
inline constexpr quint8 kTypeDeviceCode = 4;
inline constexpr quint8 kLabelsIn = 1;
inline constexpr quint8 kLabelsOut = 2;

} // namespace setupmsg
