"""Writes small pcap files: Ethernet, IPv4, TCP segments and UDP datagrams on loopback
addresses, so that a test chooses exactly how bytes are cut into segments."""
import struct


def _ip(addr):
    return bytes(int(x) for x in addr.split("."))


def _checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack(f"!{len(data) // 2}H", data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return ~s & 0xFFFF


class Pcap:
    def __init__(self):
        self.packets = []
        self.time = 1_700_000_000.0

    def _ipv4(self, src, dst, proto, body):
        hdr = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(body), len(self.packets) & 0xFFFF,
                          0x4000, 64, proto, 0, _ip(src), _ip(dst))
        hdr = hdr[:10] + struct.pack("!H", _checksum(hdr)) + hdr[12:]
        eth = b"\0" * 12 + b"\x08\x00"
        self.time += 0.001
        self.packets.append((self.time, eth + hdr + body))

    def udp(self, src, sport, dst, dport, payload):
        body = struct.pack("!HHHH", sport, dport, 8 + len(payload), 0) + payload
        self._ipv4(src, dst, 17, body)

    def tcp(self, src, sport, dst, dport, seq, ack, flags, payload=b""):
        body = struct.pack("!HHIIBBHHH", sport, dport, seq & 0xFFFFFFFF, ack & 0xFFFFFFFF,
                           5 << 4, flags, 65535, 0, 0) + payload
        self._ipv4(src, dst, 6, body)

    def write(self, path):
        with open(path, "wb") as fh:
            fh.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
            for t, data in self.packets:
                sec = int(t)
                fh.write(struct.pack("<IIII", sec, int((t - sec) * 1e6), len(data), len(data)))
                fh.write(data)


class TcpStream:
    """One connection from a PC to a processor on TCP 2699, opened with a handshake."""

    SYN, ACK, PSH = 0x02, 0x10, 0x08

    def __init__(self, pcap, pc="127.0.0.1", dev="127.0.0.2", pc_port=40000, dev_port=2699):
        self.pcap = pcap
        self.ends = {"pc": (pc, pc_port), "dev": (dev, dev_port)}
        self.seq = {"pc": 1000, "dev": 5000}
        pcap.tcp(pc, pc_port, dev, dev_port, 999, 0, self.SYN)
        pcap.tcp(dev, dev_port, pc, pc_port, 4999, 1000, self.SYN | self.ACK)
        pcap.tcp(pc, pc_port, dev, dev_port, 1000, 5000, self.ACK)

    def send(self, side, data):
        """One segment from side ("pc" or "dev") carrying data."""
        other = "dev" if side == "pc" else "pc"
        (src, sport), (dst, dport) = self.ends[side], self.ends[other]
        self.pcap.tcp(src, sport, dst, dport, self.seq[side], self.seq[other],
                      self.ACK | self.PSH, data)
        self.seq[side] += len(data)


def frame(frame_class, frame_type, code, direction, payload=b"", frame_code=1):
    """A Frame as the program builds it."""
    return (b"\x82\x7d" + struct.pack("<HBBBBH", frame_code, frame_class, frame_type, code,
                                      direction, len(payload)) + payload + b"\x7d\x82")
