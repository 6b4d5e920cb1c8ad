#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>
#include <tuple>

namespace ctl {

class CtlLink;

// What the settings page shows of a processor, read over the link: model, versions, serial
// number, channel configuration, times, boot count, temperature, device code, location,
// description, network, panel lock, faults and the channel labels. Items the processor does
// not report (or reports malformed) are left out; errorText names them.
QJsonObject readSettings(CtlLink &link, QString *errorText);

// The ARM major version of a settings object (0 when unknown).
int armMajor(const QJsonObject &settings);

// What a restore writes back of the settings a user sets on the settings page: location,
// description, panel lock and the channel labels, as (frame type, code, payload) sets. The
// network addresses are left alone: a backup restored onto another processor must not give
// it a second processor's address.
using SettingsWrites = QList<std::tuple<quint8, quint8, QByteArray>>;

// Checks every one of those values before anything is sent: nothing, with errorText, when
// one has the wrong type or does not fit its field. Keys that are absent are left alone.
std::optional<SettingsWrites> checkSettings(const QJsonObject &settings, QString *errorText);

// Sends checked writes and waits until the processor has taken them.
bool restoreSettings(CtlLink &link, const SettingsWrites &writes, QString *errorText);

} // namespace ctl
