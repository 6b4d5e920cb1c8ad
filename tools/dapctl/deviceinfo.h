#pragma once

#include <QJsonObject>
#include <QString>

namespace ctl {

class CtlLink;

// What the settings page shows of a processor, read over the link: model, versions, serial
// number, channel configuration, times, boot count, temperature, device code, location,
// description, network, panel lock, faults and the channel labels. Items the processor does
// not report (or reports malformed) are left out; errorText names them.
QJsonObject readSettings(CtlLink &link, QString *errorText);

// The ARM major version of a settings object (0 when unknown).
int armMajor(const QJsonObject &settings);

// Writes back what a user sets on the settings page: location, description, panel lock and
// the channel labels. The network addresses are left alone: a backup restored onto another
// processor must not give it a second processor's address. False with errorText when the
// settings hold a value the processor cannot take.
bool restoreSettings(CtlLink &link, const QJsonObject &settings, QString *errorText);

} // namespace ctl
