#pragma once

#include <QString>

#include <optional>

// IPv4 values as the processors carry them: a uint32 whose most significant byte is the first
// dotted octet. One rule decides which network settings a processor may be given, wherever
// they are typed.
namespace proto::ipv4 {

// A dotted quad of decimal octets 0-255 (surrounding spaces ignored).
std::optional<quint32> parse(const QString &text);
// "%d.%d.%d.%d"
QString format(quint32 address);

bool isContiguousMask(quint32 mask);

enum class Problem {
    None,
    Malformed,        // not a dotted quad
    NoAddress,        // 0.0.0.0 or 0.x.x.x
    NotHostAddress,   // multicast or reserved (224 and up)
    BadMask,          // 0.0.0.0 or not ones followed by zeros
    NetworkAddress,   // the subnet's own network address
    BroadcastAddress, // the subnet's broadcast address
    GatewayNotHost,   // a gateway that no host can have
    GatewayOutside,   // a gateway outside the address's subnet
};

enum class Field { Address, Mask, Gateway };

struct Verdict {
    Problem problem = Problem::None;
    Field field = Field::Address;
    bool ok() const { return problem == Problem::None; }
};

// An address on its own: NoAddress, NotHostAddress or None.
Problem checkHost(quint32 address);

// Checks a whole setting; a gateway of 0 means none and is allowed.
Verdict check(quint32 address, quint32 mask, quint32 gateway);
// The same for typed texts; an empty gateway means none.
Verdict check(const QString &address, const QString &mask, const QString &gateway);

// Why a value is refused, translated (context "Ipv4"); empty for Problem::None.
QString explain(Problem problem);

} // namespace proto::ipv4
