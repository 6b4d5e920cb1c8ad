#include "ipv4.h"

#include <QCoreApplication>
#include <QStringList>

namespace proto::ipv4 {

std::optional<quint32> parse(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        const uint octet = part.toUInt();
        if (octet > 255)
            return std::nullopt;
        address = (address << 8) | octet;
    }
    return address;
}

QString format(quint32 a)
{
    return QString::asprintf("%d.%d.%d.%d", int(a >> 24), int((a >> 16) & 0xFF),
                             int((a >> 8) & 0xFF), int(a & 0xFF));
}

bool isContiguousMask(quint32 mask)
{
    const quint32 hostBits = ~mask;
    return mask != 0 && (hostBits & (hostBits + 1)) == 0;
}

namespace {
// Problems of an address on its own: 0.x.x.x is "this network", 224 and up multicast or
// reserved; neither can be a processor's own.
Problem hostProblem(quint32 address)
{
    if ((address >> 24) == 0)
        return Problem::NoAddress;
    if ((address >> 28) >= 0xE)
        return Problem::NotHostAddress;
    return Problem::None;
}

// The subnet's own network and broadcast addresses (a /31 or /32 has neither).
Problem subnetProblem(quint32 address, quint32 mask)
{
    const quint32 hostBits = ~mask;
    if (hostBits < 2)
        return Problem::None;
    if ((address & hostBits) == 0)
        return Problem::NetworkAddress;
    if ((address & hostBits) == hostBits)
        return Problem::BroadcastAddress;
    return Problem::None;
}
} // namespace

Problem checkHost(quint32 address)
{
    return hostProblem(address);
}

Verdict check(quint32 address, quint32 mask, quint32 gateway)
{
    if (const Problem p = hostProblem(address); p != Problem::None)
        return {p, Field::Address};
    if (!isContiguousMask(mask))
        return {Problem::BadMask, Field::Mask};
    if (const Problem p = subnetProblem(address, mask); p != Problem::None)
        return {p, Field::Address};
    if (gateway == 0)
        return {};
    if (hostProblem(gateway) != Problem::None || subnetProblem(gateway, mask) != Problem::None)
        return {Problem::GatewayNotHost, Field::Gateway};
    if ((gateway & mask) != (address & mask))
        return {Problem::GatewayOutside, Field::Gateway};
    return {};
}

Verdict check(const QString &address, const QString &mask, const QString &gateway)
{
    const std::optional<quint32> a = parse(address);
    if (!a)
        return {Problem::Malformed, Field::Address};
    const std::optional<quint32> m = parse(mask);
    if (!m)
        return {Problem::Malformed, Field::Mask};
    std::optional<quint32> g = quint32(0);
    if (!gateway.trimmed().isEmpty())
        g = parse(gateway);
    if (!g)
        return {Problem::Malformed, Field::Gateway};
    return check(*a, *m, *g);
}

QString explain(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::Malformed:
        return QCoreApplication::translate("Ipv4", "Not an address of the form 192.168.1.10");
    case Problem::NoAddress:
        return QCoreApplication::translate("Ipv4", "An address cannot start with 0");
    case Problem::NotHostAddress:
        return QCoreApplication::translate("Ipv4", "A multicast or reserved address (224 and up)");
    case Problem::BadMask:
        return QCoreApplication::translate("Ipv4", "Not a subnet mask, e.g. 255.255.255.0");
    case Problem::NetworkAddress:
        return QCoreApplication::translate("Ipv4", "The subnet's own network address");
    case Problem::BroadcastAddress:
        return QCoreApplication::translate("Ipv4", "The subnet's broadcast address");
    case Problem::GatewayNotHost:
        return QCoreApplication::translate("Ipv4", "Not an address a gateway can have");
    case Problem::GatewayOutside:
        return QCoreApplication::translate(
            "Ipv4", "The gateway is outside the address's subnet (empty it first to move "
                    "the processor to another subnet)");
    }
    return {};
}

} // namespace proto::ipv4
