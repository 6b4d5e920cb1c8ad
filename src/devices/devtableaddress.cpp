// The device table's watch on addresses: a processor that an announcement moves (not this
// program's IP setting) is marked on its tile until the user logs in there.
#include "devtable.h"

using namespace devices;

void QDevTable::addressMoved(Device &device, quint32 previous)
{
    const quint32 now = device.record.ipaddress;
    const bool commanded = device.commandedAddress == now;
    if (commanded) {
        device.commandedAddress.reset();
        setMovedFrom(device, std::nullopt);
    } else if (!device.movedFrom) {
        setMovedFrom(device, previous);
    } else if (*device.movedFrom == now) {
        setMovedFrom(device, std::nullopt); // back where it was
    }
    emit sigAddressChanged(uint(device.index), previous, commanded);
}

void QDevTable::setMovedFrom(Device &device, std::optional<quint32> from)
{
    if (device.movedFrom == from)
        return;
    device.movedFrom = from;
    emit sigAddressNote(uint(device.index), addressNote(device.index));
}

QString QDevTable::addressNote(int index) const
{
    const Device *d = device(index);
    return d && d->movedFrom ? tr("Address changed (was %1)").arg(ipText(*d->movedFrom))
                             : QString();
}

void QDevTable::confirmAddress(int index)
{
    if (Device *d = device(index))
        setMovedFrom(*d, std::nullopt);
}
