#!/usr/bin/env python3
"""Writes the Wireshark plugin: the block tables taken from `dapctl describe --json`, then
the dissector's parts. The tables are the program's own description, so the
dissector names and places every field as the program does.

    gen_fields.py --run dapctl describe --json --body proto.lua --body blocks.lua \
                  --body dapnet.lua --out P
    gen_fields.py --describe describe.json --body ... --out P
"""
import argparse
import json
import re
import subprocess
import sys

FIXED = {"f32le": 4, "u8": 1, "i8": 1, "u16le": 2, "i16le": 2, "u32le": 4, "i32le": 4}
OUTPUT_SIDE = {"mixer", "generator"}
INPUT_SIDE = {"gate", "feedback"}


class DescriptionError(Exception):
    pass


def encoding_size(enc):
    if enc in FIXED:
        return FIXED[enc]
    m = re.fullmatch(r"(text|bytes):(\d+)", enc or "")
    if m and int(m.group(2)) > 0:
        return int(m.group(2))
    return None


def ident(name):
    """A block or field name as a Wireshark filter name part: in-level -> in_level."""
    s = re.sub(r"[^a-z0-9_.]", "_", name.lower())
    if not s or not s[0].isalpha():
        raise DescriptionError(f"name {name!r} gives no usable filter name")
    return s


def side_of(name):
    """The letter the window puts before a channel number of a block so named (I1, O3)."""
    if name.startswith("out-") or name in OUTPUT_SIDE:
        return "O"
    if name.startswith("in-") or name in INPUT_SIDE:
        return "I"
    return None


def as_list(v):
    return v if isinstance(v, list) else [v]


def convert(doc):
    """The description's wire facts, checked, in the shape the dissector reads."""
    blocks = []
    seen = {}
    for b in doc.get("blocks", []):
        if b.get("frame_class") is None or b.get("frame_type") is None:
            continue  # not on the wire
        name = b["name"]
        channels = int(b.get("channels", 0))
        types = [int(t) for t in as_list(b["frame_type"])]
        out = {"name": name, "class": int(b["frame_class"]), "channels": channels,
               "side": side_of(name), "types": types, "fields": [],
               "actions": [{"name": a["name"], "code": int(a["code"])}
                           for a in b.get("actions", [])]}
        for fd in b.get("fields", []):
            if fd.get("code") is None or fd.get("offset") is None or not fd.get("encoding"):
                continue
            if encoding_size(fd["encoding"]) is None:
                raise DescriptionError(
                    f"{name} {fd['name']}: encoding {fd['encoding']!r} unknown to the dissector")
            abbr = f"dapnet.{ident(name)}.{ident(fd['name'])}"
            kind = (fd["encoding"], fd.get("type"), tuple(fd.get("values") or ()))
            if abbr in seen and seen[abbr] != kind:
                raise DescriptionError(f"{abbr} described twice with different encodings")
            seen[abbr] = kind
            fch = int(fd.get("channels", channels))
            shape = fd.get("report_shape") or ("channel-first" if fch and fd["offset"] else
                                               "block-wide")
            if shape not in ("channel-first", "per-channel", "block-wide"):
                raise DescriptionError(f"{name} {fd['name']}: report shape {shape!r} unknown")
            if shape == "per-channel" and fch and not fd.get("stride"):
                raise DescriptionError(f"{name} {fd['name']}: per-channel without a stride")
            entry = {"name": fd["name"], "abbr": abbr, "code": int(fd["code"]),
                     "offset": int(fd["offset"]), "encoding": fd["encoding"],
                     "type": fd.get("type"), "shape": shape, "channels": fch,
                     # Lock states and labels name a block: their channels are its channels.
                     "side": side_of(fd["name"].split(".")[0]) or out["side"]}
            for key in ("unit", "values", "label", "report_length", "report_min_length",
                        "stride", "sub_index", "set", "set_code", "set_offset", "set_index"):
                if fd.get(key) not in (None, "", []):
                    entry[key] = fd[key]
            if entry.get("set") in (None, "read-only") or not fd.get("writable", True):
                for key in ("set", "set_code", "set_offset", "set_index"):
                    entry.pop(key, None)
            elif "set_code" not in entry:
                entry["set_code"] = entry["code"]
                entry.setdefault("set_offset", entry["offset"])
            if fd.get("frame_type") is not None:
                entry["frame_type"] = int(fd["frame_type"])
                if entry["frame_type"] not in types:
                    types.append(entry["frame_type"])
            out["fields"].append(entry)
        blocks.append(out)
    if not blocks:
        raise DescriptionError("the description has no block with frame_class and frame_type")
    return {"blocks": blocks}


def lua(v, indent=""):
    """A Lua literal of v (dicts, lists, strings, numbers, booleans, None as nil)."""
    if v is None:
        return "nil"
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, (int, float)):
        return repr(v)
    if isinstance(v, str):
        out = []
        for byte in v.encode("utf-8"):
            c = chr(byte)
            if c in '"\\':
                out.append("\\" + c)
            elif 32 <= byte < 127:
                out.append(c)
            else:
                out.append("\\%03d" % byte)
        return '"' + "".join(out) + '"'
    inner = indent + "  "
    if isinstance(v, list):
        return "{ " + ", ".join(lua(x, inner) for x in v) + " }"
    items = [f"{k} = {lua(x, inner)}" for k, x in v.items() if x is not None]
    return "{\n" + "".join(f"{inner}{i},\n" for i in items) + indent + "}"


def main():
    ap = argparse.ArgumentParser()
    src = ap.add_mutually_exclusive_group(required=True)
    src.add_argument("--run", nargs="+", metavar="ARG",
                     help="a program that prints the description (dapctl describe --json)")
    src.add_argument("--describe", help="a file holding the output of `dapctl describe --json`")
    ap.add_argument("--body", required=True, action="append",
                    help="the dissector's parts, in order (proto.lua, blocks.lua, dapnet.lua)")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    if len(set(args.body)) != len(args.body):
        print("gen_fields: a part of the dissector is given twice", file=sys.stderr)
        return 1
    try:
        if args.run:
            text = subprocess.run(args.run, check=True, capture_output=True, text=True).stdout
        else:
            with open(args.describe, encoding="utf-8") as fh:
                text = fh.read()
        tables = convert(json.loads(text))
    except (OSError, subprocess.CalledProcessError, ValueError, KeyError, DescriptionError) as err:
        print(f"gen_fields: {err}", file=sys.stderr)
        return 1
    body = ""
    for part in args.body:
        with open(part, encoding="utf-8") as fh:
            body += fh.read() + "\n"
    with open(args.out, "w", encoding="utf-8") as fh:
        fh.write("-- Generated by tools/wireshark/gen_fields.py from `dapctl describe --json`.\n")
        fh.write("local DAPNET_DESCRIPTION = " + lua(tables) + "\n\n")
        fh.write(body)
    return 0


if __name__ == "__main__":
    sys.exit(main())
