#!/usr/bin/env python3
"""Decodes captures built from the protocol's byte examples with tshark and the dapnet plugin.

    test_dissector.py --plugin build/wireshark/dapnet.lua
    test_dissector.py --describe description.json   (builds the plugin from that description)
"""
import argparse
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from pcapwrite import Pcap, TcpStream, frame  # noqa: E402
import robustness  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
PLUGIN = None
WORK = None
ENV = dict(os.environ)
BODY = [a for part in ("proto.lua", "blocks.lua", "dapnet.lua")
        for a in ("--body", os.path.join(ROOT, "tools/wireshark", part))]

# Byte examples of the protocol, written out.
ALL_MUTE = bytes.fromhex("82 7D 01 00 02 02 0F 01 01 00 01 7D 82")
GAIN_SET = bytes.fromhex("82 7D 01 00 03 01 03 01 05 00 01 00 00 D0 C0 7D 82")  # I2, -6.5 dB
SET_IP_CMD = bytes.fromhex("05 00 00 00 02 00 00 00 0C 00 00 00"
                           "32 01 A8 C0 00 FF FF FF 01 01 A8 C0")


def gate_report(channel, enable, threshold, attack, decay):
    return frame(3, 2, 2, 0x80, struct.pack("<BBfff", channel, enable, threshold, attack, decay))


def tshark(pcap, fields, *options):
    """Per dapnet packet, its layers: {field: [values]}."""
    cmd = ["tshark", "-n", "-X", f"lua_script:{PLUGIN}", "-r", pcap, "-Y", "dapnet",
           "-T", "json", *options]
    for name in fields:
        cmd += ["-e", name]
    run = subprocess.run(cmd, capture_output=True, text=True, timeout=120, env=ENV)
    errors = [l for l in run.stderr.splitlines() if "dangerous" not in l]
    if run.returncode != 0 or errors:
        raise AssertionError(f"tshark failed ({run.returncode}): {run.stderr}")
    return [p["_source"]["layers"] for p in json.loads(run.stdout or "[]")]


def verbose(pcap, *options):
    cmd = ["tshark", "-n", "-X", f"lua_script:{PLUGIN}", "-r", pcap, "-V", "-Y", "dapnet", *options]
    return subprocess.run(cmd, capture_output=True, text=True, timeout=120, env=ENV).stdout


def write(pcap, name):
    path = os.path.join(WORK, name)
    pcap.write(path)
    return path


def values(packets, name):
    return [v for p in packets for v in p.get(name, [])]


class Framing(unittest.TestCase):
    """Frames cut and joined by TCP as the program sends and receives them."""

    @classmethod
    def setUpClass(cls):
        cap = Pcap()
        s = TcpStream(cap)
        s.send("pc", ALL_MUTE)
        s.send("pc", GAIN_SET[:7])  # split inside the header
        s.send("pc", GAIN_SET[7:])
        login = frame(2, 1, 1, 1, b"secret")
        s.send("dev", gate_report(2, 1, -40.0, 20.0, 30.0) + login + frame(2, 1, 1, 0x80, b"\x01"))
        # A Frame's end and the next one's start in one segment, its rest in the next.
        fw = frame(1, 1, 1, 1, b"\x00\x00" + bytes(range(200)))
        s.send("pc", frame(1, 2, 1, 0x80, b"\x07\x00") + fw[:100])
        s.send("pc", fw[100:])
        cls.pkts = tshark(write(cap, "framing.pcap"), [
            "tcp.seq", "dapnet.code", "dapnet.class", "dapnet.type", "dapnet.param",
            "dapnet.dir", "dapnet.len", "dapnet.block", "dapnet.channel", "dapnet.in_level.gain",
            "dapnet.gate.threshold", "dapnet.gate.enable", "dapnet.password",
            "dapnet.cleartext", "dapnet.login.result", "dapnet.firmware.block",
            "dapnet.firmware.ack", "dapnet.firmware.target", "_ws.expert.message"])
        cls.text = verbose(os.path.join(WORK, "framing.pcap"))

    def test_header_of_the_all_mute_example(self):
        p = self.pkts[0]
        got = {k: p[k] for k in ("dapnet.code", "dapnet.class", "dapnet.type", "dapnet.param",
                                 "dapnet.dir", "dapnet.len", "dapnet.block")}
        self.assertEqual(got, {"dapnet.code": ["1"], "dapnet.class": ["2"], "dapnet.type": ["2"],
                               "dapnet.param": ["15"], "dapnet.dir": ["0x01"],
                               "dapnet.len": ["1"], "dapnet.block": ["settings"]})

    def test_frame_split_over_two_segments(self):
        gain = [p for p in self.pkts if "dapnet.in_level.gain" in p]
        self.assertEqual(len(gain), 1)
        self.assertEqual(gain[0]["dapnet.in_level.gain"], ["-6.5"])
        self.assertEqual(gain[0]["dapnet.channel"], ["1"])  # the byte on the wire
        self.assertIn("Channel: I2 (1)", self.text)         # the name the window shows

    def test_three_frames_in_one_segment(self):
        p = [p for p in self.pkts if "dapnet.gate.threshold" in p][0]
        self.assertEqual(p["dapnet.block"], ["gate", "login", "login"])
        self.assertEqual(p["dapnet.gate.threshold"], ["-40"])
        self.assertEqual(p["dapnet.gate.enable"], ["1"])
        self.assertEqual(p["dapnet.channel"], ["2"])
        self.assertIn("Channel: I3 (2)", self.text)
        self.assertEqual(p["dapnet.password"], ["secret"])
        self.assertEqual(p["dapnet.login.result"], ["1"])
        self.assertIn("Password sent in clear text: login", p["_ws.expert.message"])

    def test_frame_completed_by_the_next_segment(self):
        p = [p for p in self.pkts if "dapnet.firmware.block" in p]
        self.assertEqual(len(p), 1)
        self.assertEqual(p[0]["dapnet.firmware.block"], ["0"])
        self.assertEqual(p[0]["dapnet.len"], ["202"])
        ack = [p for p in self.pkts if "dapnet.firmware.ack" in p][0]
        self.assertEqual(ack["dapnet.firmware.ack"], ["7"])
        self.assertEqual(ack["dapnet.firmware.target"], ["2"])


class Faults(unittest.TestCase):
    """What is wrong on the wire is marked as expert info; what follows it is still decoded."""

    CASES = [
        # (name, segments, expert message part, block decoded after it or None)
        ("bad start", [b"\x00\x01" + ALL_MUTE], "Bad start marker", "settings"),
        ("bad end", [ALL_MUTE[:-1] + b"\x83" + GAIN_SET], "Bad end marker", "in-level"),
        ("length over any Frame", [bytes.fromhex("82 7D 01 00 03 01 03 01 00 10") + GAIN_SET],
         "a Frame carries at most 2036", "in-level"),
        ("unknown block", [frame(3, 40, 1, 0)], "No block has class 3, type 40", None),
        ("unknown class", [frame(9, 1, 1, 0)], "Frame class or direction no Frame has", None),
        ("report one byte long", [frame(3, 1, 3, 0x80, b"\x00" + bytes(5))],
         "the report of code 3 has 5", "in-level"),
        ("channel beyond the block", [frame(3, 1, 3, 1, b"\x04" + bytes(4))],
         "Channel byte 4 beyond the block's 4 channels", "in-level"),
        ("short login report", [frame(2, 1, 1, 0x80, b"\x01\x01")],
         "A login report carries 1 byte", "login"),
        ("firmware block without data", [frame(1, 1, 1, 1, b"\x00\x00")],
         "An image block carries", "firmware"),
    ]

    def test_faults_are_expert_info(self):
        cap = Pcap()
        for i, (_, segments, _, _) in enumerate(self.CASES):
            s = TcpStream(cap, pc_port=41000 + i)
            for seg in segments:
                s.send("pc", seg)
        pkts = tshark(write(cap, "faults.pcap"), ["tcp.srcport", "dapnet.block",
                                                  "_ws.expert.message", "_ws.lua.error"])
        for i, (name, _, message, block) in enumerate(self.CASES):
            with self.subTest(name):
                p = [p for p in pkts if p["tcp.srcport"] == [str(41000 + i)]]
                self.assertEqual(len(p), 1)
                self.assertTrue(any(message in m for m in p[0].get("_ws.expert.message", [])),
                                p[0])
                if block:
                    self.assertIn(block, p[0].get("dapnet.block", []))
                self.assertNotIn("_ws.lua.error", p[0])

    def test_length_beyond_the_data_without_reassembly(self):
        cap = Pcap()
        TcpStream(cap).send("pc", GAIN_SET[:-4])
        pkts = tshark(write(cap, "cut.pcap"), ["_ws.expert.message", "dapnet.param"],
                      "-o", "tcp.desegment_tcp_streams:FALSE")
        self.assertEqual(values(pkts, "dapnet.param"), ["3"])
        self.assertIn("Declared payload of 5 bytes; 3 present", values(pkts, "_ws.expert.message"))


class Passwords(unittest.TestCase):
    def test_every_password_message_is_shown_with_a_warning(self):
        cap = Pcap()
        s = TcpStream(cap)
        for ftype, code, text in [(1, 1, b"abc"), (2, 14, b"newpass8"), (5, 1, b"lock"),
                                  (5, 2, b"n\xe4wlock"), (1, 1, b"")]:
            s.send("pc", frame(2, ftype, code, 1, text))
        pkts = tshark(write(cap, "passwords.pcap"), ["dapnet.password", "dapnet.cleartext"])
        self.assertEqual(values(pkts, "dapnet.password"),
                         ["abc", "newpass8", "lock", "näwlock", ""])
        self.assertEqual(len(values(pkts, "dapnet.cleartext")), 5)


class Blocks(unittest.TestCase):
    """Payloads decoded field by field with the description's names."""

    @classmethod
    def setUpClass(cls):
        cap = Pcap()
        s = TcpStream(cap)
        band2 = struct.pack("<BBBBffB", 0, 1, 1, 2, 1000.0, -3.5, 43)
        slots = bytes([3]) + b"".join(
            bytes([1]) + b"Show A".ljust(16, b"\0") if i == 0 else bytes(17) for i in range(32))
        cls.cases = [
            ("security lock report", "dev", frame(2, 5, 3, 0x80, bytes.fromhex("00 01 02 00"))),
            ("input label set", "pc", frame(2, 3, 1, 1, bytes.fromhex("02 53 74 61 67 65 20 4C"))),
            ("mix all on", "pc", frame(3, 7, 1, 1, bytes.fromhex("00 00 01 02 03 01"))),
            ("crosspoint gain", "pc", frame(3, 7, 2, 1, bytes([5, 1, 0xFA]))),
            ("meters", "dev", frame(3, 1, 1, 0x80, struct.pack("<4b", -60, -3, 0, 12))),
            ("filter band", "dev", frame(3, 4, 3, 0x80, band2)),
            ("generator frequency", "pc", frame(3, 8, 2, 1, struct.pack("<f", 1000.0))),
            ("slot list", "dev", frame(3, 32, 1, 0x80, slots)),
            ("filter reset", "pc", frame(3, 4, 5, 1, b"\x01")),
            ("leave security page", "pc", frame(2, 5, 1, 1, b"\x90\xa7")),
            ("gain request", "pc", frame(3, 9, 3, 0, b"\x07")),
            ("preset size", "dev", frame(3, 32, 10, 0x80, struct.pack("<I", 2726))),
            ("last preset bytes", "pc", frame(3, 32, 12, 1, struct.pack("<I", 678))),
        ]
        for _, side, data in cls.cases:
            s.send(side, data)
        names = ["dapnet.channel", "dapnet.subindex", "dapnet.action", "dapnet.password",
                 "dapnet.security.in_level", "dapnet.settings.in_label", "dapnet.mixer.on1",
                 "dapnet.mixer.on4", "dapnet.mixer.gain2", "dapnet.in_level.meter",
                 "dapnet.in_filter.band2.frequency", "dapnet.in_filter.band2.type",
                 "dapnet.in_filter.band1.frequency", "dapnet.generator.frequency",
                 "dapnet.presets.current", "dapnet.presets.used", "dapnet.presets.name",
                 "dapnet.presets.transfer", "dapnet.presets.transfer.size",
                 "dapnet.presets.transfer.count",
                 "_ws.expert.message"]
        path = write(cap, "blocks.pcap")
        cls.pkts = dict(zip([c[0] for c in cls.cases], tshark(path, names)))
        cls.text = verbose(path)

    def test_values(self):
        cases = [
            ("security lock report", "dapnet.security.in_level", ["0", "1", "2", "0"]),
            ("input label set", "dapnet.settings.in_label", ["Stage L"]),
            ("input label set", "dapnet.channel", ["2"]),
            ("mix all on", "dapnet.mixer.on1", ["1"]),
            ("mix all on", "dapnet.mixer.on4", ["1"]),
            ("mix all on", "dapnet.channel", ["0"]),
            ("crosspoint gain", "dapnet.mixer.gain2", ["-6"]),
            ("meters", "dapnet.in_level.meter", ["-60", "-3", "0", "12"]),
            ("filter band", "dapnet.subindex", ["1"]),
            ("filter band", "dapnet.in_filter.band2.frequency", ["1000"]),
            ("filter band", "dapnet.in_filter.band2.type", ["2"]),
            ("filter band", "dapnet.in_filter.band1.frequency", None),
            ("generator frequency", "dapnet.generator.frequency", ["1000"]),
            ("generator frequency", "dapnet.channel", None),
            ("slot list", "dapnet.presets.current", ["3"]),
            ("slot list", "dapnet.presets.name", ["Show A"] + [""] * 31),
            ("filter reset", "dapnet.action", ["reset"]),
            ("filter reset", "dapnet.channel", ["1"]),
            ("leave security page", "dapnet.password", None),
            ("gain request", "dapnet.channel", ["7"]),
            ("preset size", "dapnet.presets.transfer.size", ["2726"]),
            ("last preset bytes", "dapnet.presets.transfer", ["export one: next bytes"]),
            ("last preset bytes", "dapnet.presets.transfer.count", ["678"]),
        ]
        for case, name, want in cases:
            with self.subTest(case=case, field=name):
                self.assertEqual(self.pkts[case].get(name), want)
                self.assertNotIn("_ws.expert.message", self.pkts[case])

    def test_channels_named_as_the_window_does(self):
        for line in ["Channel: I3 (2)", "I2 in-level: read-only (1)", "Channel: O6 (5)",
                     "Channel: O8 (7)", "I4 meter: 12 dBu"]:
            self.assertIn(line, self.text)


def announcement(machineid, ip, runtime, texts, fault):
    rec = struct.pack("<IIIIB", machineid, ip, runtime, 7200, 0)
    for value, width in zip(texts, (20, 20, 10, 10, 20, 20, 20)):
        rec += value.encode("gb18030")[:width - 1].ljust(width, b"\0")
    return rec + bytes([fault]) + b"\0\0"


class Datagrams(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cap = Pcap()
        texts = ["SN0001", "DAP-480", "V1.2.3", "V2.0.1", "机房 A", "rack 3", "Show"]
        ann = announcement(5, 0xC0A80164, 90061, texts, 1)
        assert len(ann) == 140
        cap.udp("127.0.0.2", 50001, "127.0.0.1", 6696, ann)
        cap.udp("127.0.0.2", 50001, "127.0.0.1", 6696, ann[:139])
        cap.udp("127.0.0.2", 50001, "127.0.0.1", 6696, ann + bytes(60))
        cap.udp("127.0.0.1", 50000, "127.0.0.2", 6001, SET_IP_CMD)
        ip_dialog = SET_IP_CMD[:12] + bytes.fromhex("14 00 A8 C0 00 FF FF FF 01 00 A8 C0")
        cap.udp("127.0.0.1", 50000, "127.0.0.2", 6001, ip_dialog)
        cap.udp("127.0.0.1", 50000, "127.0.0.2", 6001, SET_IP_CMD[:20])
        cls.pkts = tshark(write(cap, "udp.pcap"), [
            "dapnet.ann.machineid", "dapnet.ann.ip", "dapnet.ann.runtime", "dapnet.ann.sn",
            "dapnet.ann.model", "dapnet.ann.arm", "dapnet.ann.dsp", "dapnet.ann.location",
            "dapnet.ann.description", "dapnet.ann.preset", "dapnet.ann.fault",
            "dapnet.cmd.machineid", "dapnet.cmd.command", "dapnet.cmd.ip", "dapnet.cmd.mask",
            "dapnet.cmd.gateway", "_ws.expert.message"])

    def test_announcement_fields(self):
        p = self.pkts[0]
        want = {"dapnet.ann.machineid": "5", "dapnet.ann.ip": "192.168.1.100",
                "dapnet.ann.runtime": "90061", "dapnet.ann.sn": "SN0001",
                "dapnet.ann.model": "DAP-480", "dapnet.ann.arm": "V1.2.3",
                "dapnet.ann.dsp": "V2.0.1", "dapnet.ann.location": "机房 A",
                "dapnet.ann.description": "rack 3", "dapnet.ann.preset": "Show",
                "dapnet.ann.fault": "1"}
        self.assertEqual({k: p[k][0] for k in want}, want)
        self.assertNotIn("_ws.expert.message", p)

    def test_announcement_sizes(self):
        self.assertIn("Announcement of 139 bytes; receivers ignore less than 140",
                      self.pkts[1]["_ws.expert.message"])
        self.assertEqual(self.pkts[1]["dapnet.ann.preset"], ["Show"])  # what fits is shown
        self.assertIn("Bytes after the 140-byte announcement (ignored)",
                      self.pkts[2]["_ws.expert.message"])

    def test_set_address_commands(self):
        for p, ip, gw in [(self.pkts[3], "192.168.1.50", "192.168.1.1"),
                          (self.pkts[4], "192.168.0.20", "192.168.0.1")]:
            self.assertEqual([p["dapnet.cmd.machineid"], p["dapnet.cmd.command"],
                              p["dapnet.cmd.ip"], p["dapnet.cmd.mask"], p["dapnet.cmd.gateway"]],
                             [["5"], ["2"], [ip], ["255.255.255.0"], [gw]])
        self.assertIn("Declared 12 bytes of payload; the datagram carries 8",
                      self.pkts[5]["_ws.expert.message"])


class Robustness(unittest.TestCase):
    """10,000 random, cut and corrupted packets: expert info at most, never a Lua error."""

    def test_no_lua_error(self):
        path = os.path.join(WORK, "random.pcap")
        self.assertEqual(robustness.build(path), 10000)
        for options in ([], ["-o", "tcp.desegment_tcp_streams:FALSE"]):
            with self.subTest(options=options):
                cmd = ["tshark", "-n", "-X", f"lua_script:{PLUGIN}", "-r", path, "-V", *options]
                run = subprocess.run(cmd, capture_output=True, text=True, timeout=300, env=ENV)
                self.assertEqual(run.returncode, 0, run.stderr)
                errors = [l for l in run.stderr.splitlines() if "dangerous" not in l]
                self.assertEqual(errors, [])
                lua_errors = [l.strip() for l in run.stdout.splitlines() if "Lua Error" in l]
                self.assertEqual(lua_errors[:3], [], f"{len(lua_errors)} lines with Lua errors")
                self.assertGreater(run.stdout.count("Audio processor network protocol"), 8000)


def main():
    global PLUGIN, WORK
    ap = argparse.ArgumentParser()
    src = ap.add_mutually_exclusive_group(required=True)
    src.add_argument("--plugin")
    src.add_argument("--describe")
    args, rest = ap.parse_known_args()
    with tempfile.TemporaryDirectory() as work:
        WORK = work
        # tshark reads no personal preferences or plugins of whoever runs the test.
        ENV["HOME"] = work
        ENV.pop("XDG_CONFIG_HOME", None)
        installed = subprocess.run(["tshark", "-G", "protocols"], capture_output=True,
                                   text=True, env=ENV).stdout
        if any(line.split("\t")[2:3] == ["dapnet"] for line in installed.splitlines()):
            print("tshark already loads an installed dapnet plugin; this test loads the one "
                  "under test and cannot run beside it", file=sys.stderr)
            return 1
        if args.plugin:
            PLUGIN = os.path.abspath(args.plugin)
        else:
            PLUGIN = os.path.join(work, "dapnet.lua")
            subprocess.run([sys.executable, os.path.join(ROOT, "tools/wireshark/gen_fields.py"),
                            "--describe", args.describe, "--out", PLUGIN, *BODY,
                            ], check=True)
        prog = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
        return 0 if prog.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
