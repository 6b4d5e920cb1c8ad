#include "addressuse.h"

#include "protocol/ipv4.h"

#include <QCoreApplication>

namespace devices {

namespace {
struct AddressUse {
    Q_DECLARE_TR_FUNCTIONS(AddressUse)
};
} // namespace

std::optional<broadcastMsg> processorAt(quint32 address, quint32 machineId,
                                        const QList<broadcastMsg> &known)
{
    for (const broadcastMsg &record : known) {
        if (record.ipaddress == address && record.machineid != machineId)
            return record;
    }
    return std::nullopt;
}

QString addressInUseText(const broadcastMsg &other)
{
    return AddressUse::tr("%1 is the address of another processor (machine id %2, %3).")
        .arg(proto::ipv4::format(other.ipaddress))
        .arg(other.machineid)
        .arg(fieldText(other.model));
}

} // namespace devices
