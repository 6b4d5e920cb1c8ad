"""Random, cut and corrupted Frames, announcements and commands for the dissector."""
import random
import struct

from pcapwrite import Pcap, TcpStream, frame

TYPES = {1: [1, 2, 7], 2: [1, 2, 3, 4, 5, 9], 3: list(range(0, 14)) + [32, 33]}


def random_frame(rng):
    cls = rng.choice([1, 2, 3, 3, 3, rng.randrange(256)])
    ftype = rng.choice(TYPES.get(cls, [rng.randrange(256)]))
    code = rng.choice([rng.randrange(1, 21), rng.randrange(256)])
    direction = rng.choice([0, 1, 0x80, 0x80, rng.randrange(256)])
    size = rng.choice([0, 1, 2, 3, 4, 5, 6, 8, 13, 14, 18, 20, 64, 545, rng.randrange(80)])
    return frame(cls, ftype, code, direction, rng.randbytes(size), rng.randrange(65536))


def mangle(rng, data):
    """The data as it is, cut, with one byte changed, or behind stray bytes."""
    kind = rng.randrange(5)
    if kind == 1 and data:
        return data[:rng.randrange(len(data))]
    if kind == 2 and data:
        i = rng.randrange(len(data))
        return data[:i] + bytes([rng.randrange(256)]) + data[i + 1:]
    if kind == 3:
        return rng.randbytes(rng.randrange(1, 4)) + data
    if kind == 4:
        return rng.randbytes(rng.randrange(40))
    return data


def build(path, count=10000, seed=2699):
    """count packets: two thirds TCP segments, the rest announcements and commands."""
    rng = random.Random(seed)
    cap = Pcap()
    tcp = count * 2 // 3
    streams = [TcpStream(cap, pc_port=42000 + i) for i in range(40)]
    sent = len(streams) * 3
    while sent < tcp:
        s = rng.choice(streams)
        data = b"".join(mangle(rng, random_frame(rng)) for _ in range(rng.randrange(1, 4)))
        if data:
            s.send(rng.choice(["pc", "dev"]), data)
            sent += 1
    ann = struct.pack("<IIIIB", 5, 0xC0A80164, 90061, 7200, 0) + rng.randbytes(123)
    for i in range(count - sent):
        if i % 2:
            data = mangle(rng, ann if rng.randrange(3) else rng.randbytes(rng.randrange(300)))
            cap.udp("127.0.0.2", 50001, "127.0.0.1", 6696, data)
        else:
            cmd = struct.pack("<IB3xI", 5, rng.choice([2, 2, rng.randrange(256)]), 12) + \
                rng.randbytes(12)
            cap.udp("127.0.0.1", 50000, "127.0.0.2", 6001, mangle(rng, cmd))
    cap.write(path)
    return len(cap.packets)
