#pragma once

#include "broadcastmsg.h"

#include <QList>
#include <QString>

#include <optional>

// The rule for giving a processor a new address, wherever it is typed: no other known
// processor (heard or stored) may already have it.
namespace devices {

// The first known processor other than machineId whose address is address.
std::optional<broadcastMsg> processorAt(quint32 address, quint32 machineId,
                                        const QList<broadcastMsg> &known);

// Why the address is refused, translated (context "AddressUse").
QString addressInUseText(const broadcastMsg &other);

} // namespace devices
