#!/usr/bin/env python3
"""Records dapctl talking to dapsim over loopback with tcpdump and decodes the capture with
the built plugin: what the program and the simulator really send reads as the description
says, with no expert error and no warning but the clear-text passwords.

    test_recorded.py --plugin build/wireshark/dapnet.lua --bin build/bin
    test_recorded.py --describe description.json --bin build/bin
"""
import argparse
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_dissector import BODY, ROOT  # noqa: E402

ADDR = "127.0.0.77"
MACHINE = "4242"
PASSWORD = "1234"
SKIP = 77


def wait_for(predicate, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return
        time.sleep(0.05)
    raise SystemExit(f"timed out waiting for {what}")


def settle(pcap):
    """Waits until tcpdump has written what the kernel holds for it: the kernel hands packets
    over in blocks at least once a second, and an interrupt drops what is still unread."""
    last, since = -1, time.monotonic()
    end = time.monotonic() + 10
    while time.monotonic() < end:
        size = os.path.getsize(pcap) if os.path.exists(pcap) else 0
        if size != last:
            last, since = size, time.monotonic()
        elif time.monotonic() - since > 1.5:
            return
        time.sleep(0.05)


def record(bindir, work):
    pcap = os.path.join(work, "recorded.pcap")
    log = open(os.path.join(work, "tcpdump.log"), "w+")
    dump = subprocess.Popen(["tcpdump", "-i", "lo", "-U", "-B", "8192", "-n", "-w", pcap,
                             f"host {ADDR}"],
                            stderr=log)
    wait_for(lambda: dump.poll() is not None or "listening on" in open(log.name).read(), 10,
             "tcpdump")
    if dump.poll() is not None:
        # Capturing needs root or the capture capability: without it there is nothing to test.
        print("tcpdump cannot capture here:", open(log.name).read().strip())
        sys.exit(SKIP)
    sim = subprocess.Popen([os.path.join(bindir, "dapsim"), "--address", ADDR, "--machine-id",
                            MACHINE, "--model", "REC-480", "--password", PASSWORD],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DAPCTL_PASSWORD=PASSWORD, HOME=work)
    ctl = [os.path.join(bindir, "dapctl"), "--db", os.path.join(work, "device.db")]
    try:
        time.sleep(1.5)  # an announcement or two
        for args in (["set", ADDR, "in-level", "2", "gain", "-6.5"],
                     ["set", ADDR, "mixer", "3", "gain1", "-10"],
                     ["get", ADDR, "out-level", "8"],
                     ["get", ADDR, "in-delay"],
                     ["get", ADDR, "out-limiter", "2"],
                     ["info", ADDR],
                     ["backup", ADDR, os.path.join(work, "backup")],
                     ["set-ip", "--command-to", f"{ADDR}:6001", ADDR, "127.0.0.78",
                      "255.0.0.0"]):
            run = subprocess.run(ctl + args, env=env, capture_output=True, text=True,
                                 timeout=60, cwd=work)
            if run.returncode != 0:
                raise SystemExit(f"dapctl {' '.join(args)}: {run.returncode} {run.stderr}")
        settle(pcap)
    finally:
        sim.send_signal(signal.SIGTERM)
        sim.wait(10)
        dump.send_signal(signal.SIGINT)
        dump.wait(10)
        print("tcpdump:", " ".join(open(log.name).read().split("\n")[1:]).strip())
    return pcap


def decode(plugin, pcap, work):
    fields = ["dapnet.block", "dapnet.dir", "dapnet.presets.transfer", "dapnet.channel",
              "dapnet.in_level.gain", "dapnet.mixer.gain1", "dapnet.out_level.gain",
              "dapnet.password", "dapnet.ann.machineid", "dapnet.ann.ip", "dapnet.ann.model",
              "dapnet.cmd.machineid", "dapnet.cmd.ip", "dapnet.cmd.mask",
              "_ws.expert.message", "_ws.expert.severity"]
    # TCP's own analysis stays out: only the dissector's expert info is judged.
    cmd = ["tshark", "-n", "-X", f"lua_script:{plugin}", "-r", pcap, "-Y", "dapnet",
           "-o", "tcp.analyze_sequence_numbers:FALSE", "-T", "json"]
    cmd += [a for f in fields for a in ("-e", f)]
    run = subprocess.run(cmd, capture_output=True, text=True, timeout=120,
                         env=dict(os.environ, HOME=work))
    errors = [l for l in run.stderr.splitlines() if "dangerous" not in l]
    if run.returncode != 0 or errors:
        raise SystemExit(f"tshark: {run.stderr}")
    return [p["_source"]["layers"] for p in json.loads(run.stdout or "[]")]


def check(pkts):
    def all_values(name):
        return [v for p in pkts for v in p.get(name, [])]

    failures = []

    def expect(what, ok):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    expect("the gain set of I2 to -6.5 dB", any(
        p.get("dapnet.in_level.gain") == ["-6.5"] and p.get("dapnet.dir") == ["0x01"] and
        p.get("dapnet.channel") == ["1"] for p in pkts))
    expect("the simulator reports -6.5 dB back", any(
        "-6.5" in p.get("dapnet.in_level.gain", []) and "0x80" in p.get("dapnet.dir", [])
        for p in pkts))
    expect("the crosspoint set of O3 input 1 to -10 dB", "-10" in all_values("dapnet.mixer.gain1"))
    expect("an out-level report of O8", any(
        "dapnet.out_level.gain" in p and "7" in p.get("dapnet.channel", []) for p in pkts))
    expect("the login password in clear", PASSWORD in all_values("dapnet.password"))
    steps = set(all_values("dapnet.presets.transfer"))
    expect("the backup's preset export, step by step",
           {"export all: start", "export all: block"} <= steps)
    expect("announcements of the simulator", any(
        p.get("dapnet.ann.machineid") == [MACHINE] and p.get("dapnet.ann.ip") == [ADDR] and
        p.get("dapnet.ann.model") == ["REC-480"] for p in pkts))
    expect("the set-address command", any(
        p.get("dapnet.cmd.machineid") == [MACHINE] and p.get("dapnet.cmd.ip") == ["127.0.0.78"]
        and p.get("dapnet.cmd.mask") == ["255.0.0.0"] for p in pkts))
    # Severity: 0x00800000 error, 0x00600000 warning; notes and chats are fine.
    bad = set()
    for p in pkts:
        for msg, sev in zip(p.get("_ws.expert.message", []), p.get("_ws.expert.severity", [])):
            if int(sev, 0) >= 0x00600000 and "in clear text" not in msg:
                bad.add(msg)
    expect("no expert error or warning but clear-text passwords" +
           (": " + "; ".join(sorted(bad)) if bad else ""), not bad)
    notes = sorted({m for p in pkts for m in p.get("_ws.expert.message", [])})
    print("expert messages seen:", "; ".join(notes))
    return failures


def main():
    ap = argparse.ArgumentParser()
    src = ap.add_mutually_exclusive_group(required=True)
    src.add_argument("--plugin")
    src.add_argument("--describe")
    ap.add_argument("--bin", required=True)
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as work:
        plugin = os.path.abspath(args.plugin) if args.plugin else os.path.join(work, "dapnet.lua")
        if args.describe:
            subprocess.run([sys.executable, os.path.join(ROOT, "tools/wireshark/gen_fields.py"),
                            "--describe", args.describe, "--out", plugin, *BODY], check=True)
        pcap = record(os.path.abspath(args.bin), work)
        pkts = decode(plugin, pcap, work)
        print(f"{len(pkts)} dapnet packets recorded")
        return 1 if check(pkts) else 0


if __name__ == "__main__":
    sys.exit(main())
