#!/usr/bin/env python3
"""gen_fields.py: the description's names and places become the dissector's tables, and a
description the dissector could not follow stops the build."""
import copy
import json
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools", "wireshark"))
import gen_fields  # noqa: E402

with open(os.path.join(HERE, "description-sample.json"), encoding="utf-8") as fh:
    SAMPLE = json.load(fh)


def fields_of(tables, block):
    return {d["name"]: d for b in tables["blocks"] if b["name"] == block for d in b["fields"]}


class Tables(unittest.TestCase):
    def setUp(self):
        self.tables = gen_fields.convert(copy.deepcopy(SAMPLE))

    def test_filter_names_and_channel_sides(self):
        cases = [
            ("in-level", "gain", "dapnet.in_level.gain", "I"),
            ("in-filter", "band2.frequency", "dapnet.in_filter.band2.frequency", "I"),
            ("mixer", "gain3", "dapnet.mixer.gain3", "O"),
            ("settings", "in-label", "dapnet.settings.in_label", "I"),
            ("security", "in-filter.graph", "dapnet.security.in_filter.graph", "I"),
            ("presets", "name", "dapnet.presets.name", None),
        ]
        for block, field, abbr, side in cases:
            with self.subTest(field=f"{block} {field}"):
                d = fields_of(self.tables, block)[field]
                self.assertEqual((d["abbr"], d["side"]), (abbr, side))

    def test_wire_places_are_kept(self):
        label = fields_of(self.tables, "settings")["in-label"]
        self.assertEqual((label["frame_type"], label["stride"], label["set_offset"]), (3, 16, 1))
        settings = [b for b in self.tables["blocks"] if b["name"] == "settings"][0]
        self.assertEqual(settings["types"], [2, 3])
        name = fields_of(self.tables, "presets")["name"]
        self.assertEqual((name["code"], name["set_code"]), (1, 5))
        self.assertNotIn("set_code", fields_of(self.tables, "presets")["used"])  # read-only

    def test_lua_literal(self):
        self.assertEqual(gen_fields.lua({"unit": 'a"b\\°C', "values": ["x"], "n": None}),
                         '{\n  unit = "a\\"b\\\\\\194\\176C",\n  values = { "x" },\n}')


class Refusals(unittest.TestCase):
    def refused(self, change):
        doc = copy.deepcopy(SAMPLE)
        change(doc)
        with self.assertRaises(gen_fields.DescriptionError):
            gen_fields.convert(doc)

    def test_descriptions_the_dissector_cannot_follow(self):
        gain = lambda doc: doc["blocks"][0]["fields"][2]  # in-level gain
        cases = {
            "unknown encoding": lambda doc: gain(doc).update(encoding="f64le"),
            "one name, two encodings": lambda doc: doc["blocks"][0]["fields"].append(
                dict(gain(doc), encoding="u8", code=9)),
            "per-channel without stride": lambda doc: doc["blocks"][0]["fields"][0].pop("stride"),
            "unknown report shape": lambda doc: gain(doc).update(report_shape="sideways"),
            "nothing on the wire": lambda doc: [b.pop("frame_class") for b in doc["blocks"]],
        }
        for name, change in cases.items():
            with self.subTest(name):
                self.refused(change)


if __name__ == "__main__":
    unittest.main(verbosity=2)
