#!/usr/bin/python3
"""End-to-end tests of the batch commands over space blocks: hatching ("ksc_has",
"ksc_hs"), find and replace ("kfrs"), attribute layers ("ksc_cal"), label conversion
("ksc_isc"), AUX repair ("kaux") and attribute synchronisation ("ksxta", "kbta").
cadhost runs the real module on generated plans; what it writes is read with ezdxf and
checked against values computed here.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import math
import os
import re
import shutil
import tempfile
import unittest

import ezdxf

import test_commands as common
from test_cadhost import Host, generate_plan, run_module_script

VERSION = "64.04.03.00"
SQFT, FT = 10.7639104, 3.2808399
TIME = r"\d\d:\d\d:\d\d\n"
PICK_SPACE = "\n\nPlease select a space\n\n"


def texts(reference):
    return {a.dxf.tag: a.dxf.text for a in reference.attribs}


def spaces(doc):
    return [r for r in doc.modelspace().query("INSERT") if r.dxf.name.startswith("ROOM-")]


def record(reference):
    return dict(item.split("=", 1) for item in common.ade(reference))


def set_record(reference, **items):
    values = common.ade(reference)
    for i, item in enumerate(values):
        key = item.split("=", 1)[0]
        if key in items:
            values[i] = "%s=%s" % (key, items[key])
    reference.set_xdata("ADE", [(1002, "{")] + [(1000, v) for v in values] + [(1002, "}")])


class Batch(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-batch-")
        self.out = os.path.join(self.dir, "out.dxf")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        prefs = self.prefs_file()
        if os.path.exists(prefs):
            os.remove(prefs)

    def prefs_file(self):
        return os.path.join(Host.env()["XDG_DATA_HOME"], "KavroSystems", "Quorvane", "prefs", "prefs.cfg")

    def write_prefs(self, units=0, precision=2):
        os.makedirs(os.path.dirname(self.prefs_file()), exist_ok=True)
        with open(self.prefs_file(), "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n%d\r\nprecison\r\n%d\r\n"
                    % (units, precision))

    def plan(self, *options, rooms=50, name="plan.dxf"):
        return generate_plan(os.path.join(self.dir, name), *options, rooms=rooms)

    def run_module(self, lines, drawing):
        result = run_module_script(self.dir, lines, drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        return result.stdout

    def run_and_read(self, commands, drawing):
        out = self.run_module(commands + ["SAVEAS", self.out, "QUIT"], drawing)
        doc = ezdxf.readfile(self.out)
        self.assertFalse(doc.audit().has_errors)
        return out, doc

    def mixed_plan(self, rooms=50):
        """A space plan where every third space is recorded in square feet and feet."""
        path = self.plan("--spaces", rooms=rooms)
        doc = ezdxf.readfile(path)
        imperial = set()
        for i, reference in enumerate(spaces(doc)):
            if i % 3 == 0:
                values = record(reference)
                area = float(values["AREA"][:-len("sq.m.")]) * SQFT
                perimeter = float(values["PERIMETER"][:-len("m.")]) * FT
                set_record(reference, AREA=common.fixed(area) + "sq.ft.", PERIMETER=common.fixed(perimeter) + "ft.")
                imperial.add(reference.dxf.handle)
        doc.saveas(path)
        return path, imperial


class Hatching(Batch):
    def test_every_space_but_the_gross_area_is_hatched_solid_yellow(self):
        plan = self.plan("--spaces")
        gross = ezdxf.readfile(plan).modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
        out, doc = self.run_and_read(["kgabc", "#" + gross.dxf.handle, "0,0", "ksc_has"], plan)
        summary = re.fullmatch(r"(?s).*Block Created Successfully\n" + TIME + TIME
                               + r"50 block\(s\) hatched in (\d+) seconds \((\d+\.\d\d) s/b\)\n", out)
        self.assertIsNotNone(summary, out)
        self.assertEqual(summary.group(2), "%.2f" % (int(summary.group(1)) / 50))
        hatches = doc.modelspace().query('HATCH[layer=="#Hatch"]')
        self.assertEqual(len(hatches), 50)
        for hatch in hatches:
            self.assertEqual(hatch.dxf.pattern_name, "SOLID")
            self.assertEqual(hatch.rgb, (255, 255, 0))
        # Each hatch follows its room where the reference shows it, the shafts left out.
        by_box = {}
        for reference in spaces(doc):
            if reference.dxf.name == "ROOM-GROSS_AREA":
                continue
            outline = doc.blocks.get(reference.dxf.name).query("LWPOLYLINE")[0]
            x, y = reference.dxf.insert.x, reference.dxf.insert.y
            points = [(px + x, py + y) for px, py in outline.get_points("xy")]
            by_box[(round(min(p[0] for p in points)), round(min(p[1] for p in points)))] = reference
        shafts = sum(1 for r in by_box.values() if record(r)["HANDLESTOMINUS"])
        self.assertGreater(shafts, 0)
        with_holes = 0
        for hatch in hatches:
            outer = hatch.paths[0]
            vertices = outer.vertices if hasattr(outer, "vertices") else [e.start for e in outer.edges]
            corner = (round(min(v[0] for v in vertices)), round(min(v[1] for v in vertices)))
            self.assertIn(corner, by_box)
            with_holes += len(hatch.paths) == 2
        self.assertEqual(with_holes, shafts)
        # A hatch of the gross area would enclose the whole floor: there is none.
        self.assertNotIn("GROSS", {r.dxf.layer for r in by_box.values()})

    def test_one_picked_space_is_hatched_and_a_cancelled_pick_does_nothing(self):
        plan = self.plan("--spaces", rooms=6)
        target = spaces(ezdxf.readfile(plan))[3]
        out, doc = self.run_and_read(["ksc_hs", "#" + target.dxf.handle, "ksc_hs", "^C"], plan)
        self.assertEqual(out, PICK_SPACE + "1 space hatched\n" + PICK_SPACE + "Cancelled by User.\n")
        hatches = doc.modelspace().query('HATCH[layer=="#Hatch"]')
        self.assertEqual(len(hatches), 1)
        self.assertEqual(hatches[0].dxf.pattern_name, "SOLID")

    def test_a_plan_without_spaces(self):
        plan = self.plan(rooms=10)
        out, doc = self.run_and_read(["ksc_has"], plan)
        self.assertRegex(out, "^" + TIME + TIME + r"0 block\(s\) hatched in \d+ seconds \(0\.00 s/b\)\n$")
        self.assertEqual(len(doc.modelspace().query('HATCH[layer=="#Hatch"]')), 0)


class FindReplace(Batch):
    def test_a_leading_text_is_replaced_in_text_and_record(self):
        plan = self.plan("--spaces", rooms=12)
        out, doc = self.run_and_read(["kfrs", "1.0", "X", "kfrs", "Room 1.00", "Lab ", "kfrs", "", "B-"], plan)
        changed = ["Room 1.00%d changed to Lab %d\n" % (n, n) for n in range(1, 10)]
        everything = ["%s changed to B-%s\n" % (name, name)
                      for name in ["Lab %d" % n for n in range(1, 10)] + ["Room 1.010", "Room 1.011", "Room 1.012"]]
        # The find text must lead the name: one that occurs later changes nothing.
        self.assertEqual(out, "\nEnter String to Find:\nEnter String to Replace:12 blocks processed - 0 changes made"
                         + "\nEnter String to Find:\nEnter String to Replace:" + "".join(changed)
                         + "12 blocks processed - 9 changes made"
                         + "\nEnter String to Find:\nEnter String to Replace:" + "".join(everything)
                         + "12 blocks processed - 12 changes made")
        names = sorted(texts(r)["NAME"] for r in spaces(doc))
        self.assertEqual(names, sorted("B-Lab %d" % n for n in range(1, 10)) + ["B-Room 1.010", "B-Room 1.011",
                                                                                 "B-Room 1.012"])
        for reference in spaces(doc):
            self.assertEqual(record(reference)["NAME"], texts(reference)["NAME"])
        # The definitions keep their names.
        self.assertEqual(sorted(r.dxf.name for r in spaces(doc)), sorted("ROOM-%d" % n for n in range(1, 13)))

    def test_a_cancelled_question_changes_nothing(self):
        plan = self.plan("--spaces", rooms=3)
        out, doc = self.run_and_read(["kfrs", "Room", "^C"], plan)
        self.assertEqual(out, "\nEnter String to Find:\nEnter String to Replace:\n*Cancel*\n")
        self.assertTrue(all(texts(r)["NAME"].startswith("Room") for r in spaces(doc)))


class AttributeLayers(Batch):
    def test_texts_go_to_their_layers_and_the_layer_states_come_back(self):
        plan = self.plan("--spaces", rooms=8)
        doc = ezdxf.readfile(plan)
        # Texts on a locked layer move all the same: the command unlocks while it works.
        doc.layers.new("ELSEWHERE").lock()
        for reference in spaces(doc)[:4]:
            for attrib in reference.attribs:
                attrib.dxf.layer = "ELSEWHERE" if attrib.dxf.tag != "AUX" else "0"
        doc.layers.get("ATT-NAME").freeze()
        doc.layers.get("ROOMS").lock()
        doc.layers.get("GRID").off()
        doc.layouts.set_active_layout("Layout1")
        doc.saveas(plan)
        out, result = self.run_and_read(["ksc_cal"], plan)
        self.assertEqual(out, "")
        for reference in spaces(result):
            self.assertEqual({a.dxf.tag: a.dxf.layer for a in reference.attribs},
                             {"NAME": "ATT-NAME", "AREA": "ATT-AREA", "AUX": "ATT-AUX"})
        self.assertEqual(result.layouts.active_layout().name, "Layout1")
        layers = result.layers
        self.assertTrue(layers.get("ATT-NAME").is_frozen())
        self.assertTrue(layers.get("ROOMS").is_locked())
        self.assertTrue(layers.get("GRID").is_off())
        self.assertTrue(layers.get("ELSEWHERE").is_locked())
        # A second run finds nothing to change.
        again = os.path.join(self.dir, "again.dxf")
        self.assertEqual(self.run_module(["ksc_cal", "SAVEAS", again, "QUIT"], self.out), "")
        second = ezdxf.readfile(again)
        self.assertEqual([[(a.dxf.tag, a.dxf.layer) for a in r.attribs] for r in spaces(second)],
                         [[(a.dxf.tag, a.dxf.layer) for a in r.attribs] for r in spaces(result)])

    def test_a_drawing_without_the_layers_gets_them(self):
        out, doc = self.run_and_read(["ksc_cal"], self.plan(rooms=4))
        self.assertEqual(out, "")
        for name in ("ATT-NAME", "ATT-AREA", "ATT-AUX"):
            self.assertIn(name, doc.layers)


class LabelConversion(Batch):
    def test_labels_become_room_blocks_once(self):
        self.write_prefs(units=1, precision=1)
        plan = self.plan("--labels", "--units", "imperial")
        source = ezdxf.readfile(plan)
        labels = source.modelspace().query('INSERT[name=="TENDRA_SPACE_LABEL"]')
        self.assertEqual(len(labels), 50)
        out, doc = self.run_and_read(["ksc_isc"], plan)
        self.assertEqual(out, "\nAreas measured with one drawing unit = 1 in, as the drawing says (SETVAR INSUNITS changes "
                         "it).\n")
        blocks = {r.dxf.name: r for r in spaces(doc)}
        self.assertEqual(len(blocks), 50)
        for i, label in enumerate(labels):
            reference = blocks["ROOM-%d" % i]
            outline = source.entitydb[label.get_attrib_text("PLINE2_ID")]
            area, length = common.measures(outline)
            name = label.get_attrib_text("ROOM")
            room_text = label.get_attrib("ROOM")
            self.assertEqual(texts(reference), {"NAME": name, "AREA": common.fixed(area / 144, 1) + "sq.ft.",
                                                "AUX": " "})
            self.assertEqual(record(reference)["NAME"], name)
            self.assertEqual(reference.dxf.insert, label.dxf.insert)
            self.assertEqual(reference.dxf.layer, outline.dxf.layer)
            for attrib in reference.attribs:
                # The label's text turned in degrees, as it shows.
                self.assertAlmostEqual(attrib.dxf.rotation, room_text.dxf.rotation)
                self.assertAlmostEqual(attrib.dxf.height, room_text.dxf.height)
                self.assertAlmostEqual(attrib.dxf.width, room_text.dxf.width)
            definition = doc.blocks.get("ROOM-%d" % i).query("LWPOLYLINE")
            self.assertEqual(len(definition), 1)
            self.assertAlmostEqual(common.measures(definition[0])[0], area, places=3)
        self.assertIn(90.0, {label.get_attrib("ROOM").dxf.rotation for label in labels})
        self.assertEqual({r.dxf.layer for r in doc.modelspace().query('INSERT[name=="TENDRA_SPACE_LABEL"]')},
                         {"TENDRA"})
        tendra = doc.layers.get("TENDRA")
        self.assertTrue(tendra.is_off())
        self.assertEqual(tendra.rgb, (255, 255, 255))
        boma = doc.layers.get("BOMA")
        self.assertFalse(boma.is_off() or boma.is_frozen())
        self.assertEqual(len(doc.modelspace().query('LWPOLYLINE[layer!="BOMA"]')), 0)

        # A second run converts nothing again and says why, label by label.
        again = os.path.join(self.dir, "again.dxf")
        out = self.run_module(["ksc_isc", "SAVEAS", again, "QUIT"], self.out)
        lines = [line for line in out.split("\n") if line]
        self.assertEqual(len(lines), 50)
        first = labels[0]
        self.assertEqual(lines[0], "Space label %s (handle %s) not converted: its outline %s already belongs to "
                         "block ROOM-0" % (first.get_attrib_text("ROOM"), first.dxf.handle,
                                           first.get_attrib_text("PLINE2_ID")))
        second = ezdxf.readfile(again)
        self.assertEqual(len(spaces(second)), 50)
        self.assertEqual(len(second.blocks.get("ROOM-0").query("LWPOLYLINE")), 1)

    def test_labels_that_give_no_room_stay_in_sight(self):
        plan = self.plan("--labels", rooms=3)
        doc = ezdxf.readfile(plan)
        msp = doc.modelspace()
        circle = msp.add_circle((0, 0), 1000)
        unnamed_outline = msp.add_lwpolyline([(0, 0), (2000, 0), (2000, 1000), (0, 1000)], close=False)
        bad = [("circle", circle.dxf.handle), ("nothing", "FFFFF"), ("none", None)]
        for room, handle in bad:
            label = msp.add_blockref("TENDRA_SPACE_LABEL", (5, 5), dxfattribs={"layer": "TENDRA_LABELS"})
            label.add_attrib("ROOM", room, (5, 5))
            if handle:
                label.add_attrib("PLINE2_ID", handle, (5, 5))
        # A label without a ROOM text: a room without a name, with the default text format.
        unnamed = msp.add_blockref("TENDRA_SPACE_LABEL", (7, 7), dxfattribs={"layer": "TENDRA_LABELS"})
        unnamed.add_attrib("PLINE2_ID", unnamed_outline.dxf.handle, (7, 7))
        # A closed 2D polyline with a bulge is an outline too.
        heavy = msp.add_polyline2d([(0, 0, 0), (2000, 0, 1), (2000, 1000, 0), (0, 1000, 0)], format="xyb", close=True)
        msp.add_blockref("TENDRA_SPACE_LABEL", (9, 9)).add_attrib("PLINE2_ID", heavy.dxf.handle, (9, 9))
        doc.saveas(plan)
        labels = list(msp.query('INSERT[name=="TENDRA_SPACE_LABEL"]'))
        out, result = self.run_and_read(["ksc_isc"], plan)
        handle = {label.get_attrib_text("ROOM", ""): label.dxf.handle for label in labels}
        self.assertEqual(out, "".join("\nSpace label %s (handle %s) not converted: %s\n" % (room, handle[room], why)
                                      for room, why in (("circle", "its outline %s is not a polyline" % circle.dxf.handle),
                                                        ("nothing", "its outline FFFFF cannot be opened"),
                                                        ("none", "it names no outline"))))
        layers = {r.dxf.handle: r.dxf.layer for r in result.modelspace().query('INSERT[name=="TENDRA_SPACE_LABEL"]')}
        for room in ("circle", "nothing", "none"):
            self.assertEqual(layers[handle[room]], "TENDRA_LABELS")
        self.assertEqual(layers[unnamed.dxf.handle], "TENDRA")
        made = {r.dxf.name: r for r in spaces(result)}
        self.assertEqual(sorted(made), ["ROOM-0", "ROOM-1", "ROOM-2", "ROOM-6", "ROOM-7"])
        self.assertEqual(texts(made["ROOM-6"])["NAME"], "")
        for attrib in made["ROOM-6"].attribs:
            self.assertEqual((attrib.dxf.height, attrib.dxf.rotation), (10.0, 0.0))
        # Its open outline was closed to make the room.
        self.assertTrue(result.blocks.get("ROOM-6").query("LWPOLYLINE")[0].closed)
        self.assertEqual(texts(made["ROOM-7"])["AREA"], common.fixed(2 + math.pi / 8) + "sq.m.")  # its half circle
        self.assertEqual(len(result.blocks.get("ROOM-7").query("POLYLINE")), 1)
        # The refused outlines are where they were, untouched.
        self.assertIn(circle.dxf.handle, [e.dxf.handle for e in result.modelspace()])

    def test_a_plan_without_labels_only_gets_the_hidden_layer(self):
        plan = self.plan(rooms=5)
        before = len(ezdxf.readfile(plan).modelspace())
        out, doc = self.run_and_read(["ksc_isc"], plan)
        self.assertEqual(out, "")
        self.assertTrue(doc.layers.get("TENDRA").is_off())
        self.assertEqual(len(doc.modelspace()), before)


class AuxRepair(Batch):
    def test_missing_aux_texts_are_made_and_texts_laid_out_around_area(self):
        plan = self.plan("--spaces", rooms=6)
        doc = ezdxf.readfile(plan)
        references = spaces(doc)
        # The first space lost its AUX text in both definition and reference; the second
        # has its AREA text turned by a right angle.
        first, second, third = references[0], references[1], references[2]
        definition = doc.blocks.get(first.dxf.name)
        definition.delete_entity([e for e in definition.query("ATTDEF") if e.dxf.tag == "AUX"][0])
        first.delete_attrib("AUX")
        second.get_attrib("AREA").dxf.rotation = 90
        # The third has no AREA text, which the layout starts from: its texts stay put.
        third.delete_attrib("AREA")
        kept = {tag: third.get_attrib(tag).dxf.insert for tag in ("NAME", "AUX")}
        doc.layers.get("ATT-NAME").off()
        doc.layers.get("ATT-AREA").off()
        doc.layers.get("ROOMS").off()
        doc.saveas(plan)
        out, result = self.run_and_read(["kaux"], plan)
        self.assertEqual(out, "")
        for name in ("ATT-NAME", "ATT-AREA", "ATT-AUX"):
            self.assertFalse(result.layers.get(name).is_off())
        self.assertTrue(result.layers.get("ROOMS").is_off())
        by_handle = {r.dxf.handle: r for r in spaces(result)}
        self.assertEqual({tag: by_handle[third.dxf.handle].get_attrib(tag).dxf.insert for tag in kept}, kept)
        for reference in by_handle.values():
            if reference.dxf.handle == third.dxf.handle:
                continue
            area = reference.get_attrib("AREA")
            height, angle = area.dxf.height, math.radians(area.dxf.rotation)
            dx, dy = math.sin(angle) * height * 1.5, math.cos(angle) * height * 1.5
            for tag, sign in (("NAME", 1), ("AUX", -1)):
                text = reference.get_attrib(tag)
                self.assertIsNotNone(text, tag)
                self.assertAlmostEqual(text.dxf.insert.x, area.dxf.insert.x - sign * dx, places=6)
                self.assertAlmostEqual(text.dxf.insert.y, area.dxf.insert.y + sign * dy, places=6)
                self.assertAlmostEqual(text.dxf.rotation, area.dxf.rotation)
                self.assertAlmostEqual(text.dxf.height, height)
        repaired = by_handle[first.dxf.handle].get_attrib("AUX")
        self.assertEqual((repaired.dxf.text, repaired.dxf.layer), (" ", "ATT-AUX"))
        made = [e for e in result.blocks.get(first.dxf.name).query("ATTDEF") if e.dxf.tag == "AUX"]
        self.assertEqual(len(made), 1)
        self.assertEqual((made[0].dxf.prompt, made[0].dxf.text, made[0].dxf.layer, made[0].dxf.field_length),
                         ("Enter Auxillary", "default aux", "ATT-AUX", 25))
        turned = by_handle[second.dxf.handle]
        self.assertAlmostEqual(turned.get_attrib("NAME").dxf.insert.x, turned.get_attrib("AREA").dxf.insert.x - 375)
        # The other spaces already had AUX: nothing was added.
        for reference in by_handle.values():
            self.assertEqual(len([a for a in reference.attribs if a.dxf.tag == "AUX"]), 1)

    def test_a_drawing_without_spaces_gets_the_aux_layer(self):
        out, doc = self.run_and_read(["kaux"], self.plan(rooms=3))
        self.assertEqual(out, "")
        self.assertIn("ATT-AUX", doc.layers)


class Synchronisation(Batch):
    def test_defaults_copy_name_and_area_in_the_preferences_unit(self):
        plan, imperial = self.mixed_plan()
        doc = ezdxf.readfile(plan)
        for reference in spaces(doc):
            reference.get_attrib("NAME").dxf.text = "edited"
            reference.get_attrib("AREA").dxf.text = "edited"
        # A record that names no unit: its numbers are not copied, as no unit can be given them.
        unitless = spaces(doc)[0]
        unitless.set_xdata("ADE", [(code, "AREA=20.00" if value.startswith("AREA=") else value)
                                   for code, value in unitless.get_xdata("ADE")])
        doc.saveas(plan)
        before = {r.dxf.handle: (record(r), texts(r)) for r in spaces(doc)}
        # A cancel at any of the questions ends the command before it changes a text.
        for answers in (["^C"], ["", "", "", "^C"]):
            out, result = self.run_and_read(["ksxta"] + answers, plan)
            self.assertTrue(out.endswith("*Cancel*\n"), out)
            self.assertEqual({r.dxf.handle: texts(r) for r in spaces(result)},
                             {handle: old_texts for handle, (_, old_texts) in before.items()})
        out, result = self.run_and_read(["ksxta", "", "", "", ""], plan)
        ask = "\n%s <%d>: %d\n"
        self.assertEqual(out, "Kavro Update Spaces %s\n" % VERSION
                         + ask % ("Sync XData name to name attribute?", 1, 1)
                         + ask % ("Sync XData area to area attribute?", 1, 1)
                         + ask % ("Sync XData perimeter to aux attribute?", 0, 0)
                         + ask % ("Recalculate values before sync?", 0, 0)
                         + "\nSpace edited (handle %s) not updated: its record names no unit it knows: run kus\n"
                         % unitless.dxf.handle)
        for reference in spaces(result):
            values, old_texts = before[reference.dxf.handle]
            if reference.dxf.handle == unitless.dxf.handle:
                self.assertEqual((record(reference), texts(reference)), (values, old_texts))
                continue
            # The record keeps its measures and units; a space's name is its NAME text,
            # which the record takes.
            self.assertEqual(record(reference)["AREA"], values["AREA"])
            self.assertEqual(record(reference)["NAME"], "edited")
            area = float(re.match(r"[\d.]+", values["AREA"]).group())
            if reference.dxf.handle in imperial:
                area /= SQFT
            self.assertEqual(texts(reference), {"NAME": "edited", "AREA": common.fixed(area) + "sq.m.",
                                                "AUX": old_texts["AUX"]})

    def test_recalculation_follows_the_outline_in_the_preferences_units(self):
        self.write_prefs(units=1, precision=1)
        plan, _ = self.mixed_plan(rooms=20)
        source = ezdxf.readfile(plan)
        out, result = self.run_and_read(["ksxta", "0", "1", "1", "1"], plan)
        self.assertTrue(out.startswith("Kavro Update Spaces %s\n" % VERSION))
        shafts = {e.dxf.handle: e for e in source.modelspace().query('LWPOLYLINE[layer=="SHAFTS"]')}
        for reference in spaces(result):
            outline = result.blocks.get(reference.dxf.name).query("LWPOLYLINE")[0]
            area, length = common.measures(outline)
            minus = record(reference)["HANDLESTOMINUS"]
            for handle in filter(None, minus.split(",")):
                shaft_area, shaft_length = common.measures(shafts[handle])
                area -= shaft_area
                length += shaft_length
            area_text = common.fixed(area / 92903.04, 1) + "sq.ft."
            self.assertEqual(texts(reference)["AREA"], area_text)
            self.assertEqual(record(reference)["AREA"], area_text)
            self.assertEqual(texts(reference)["AUX"], common.fixed(length / 304.8, 1) + "ft.")
            self.assertNotEqual(texts(reference)["NAME"], "")

    def test_blanking_the_third_attribute(self):
        plan = self.plan("--spaces", rooms=3)
        doc = ezdxf.readfile(plan)
        spaces(doc)[1].delete_attrib("AUX")
        doc.saveas(plan)
        out, result = self.run_and_read(["kbta"], plan)
        self.assertEqual(out, "2 block(s) altered\n")
        auxes = [r.get_attrib("AUX") for r in spaces(result)]
        self.assertEqual([a.dxf.text if a else None for a in auxes], [" ", None, " "])


class LockedLayer(Batch):
    def test_spaces_on_a_locked_layer_are_named_and_not_counted(self):
        plan = self.plan("--spaces", rooms=8)
        doc = ezdxf.readfile(plan)
        doc.layers.add("LOCKED").lock()
        locked = spaces(doc)[2:]
        for reference in locked:
            reference.dxf.layer = "LOCKED"
        doc.saveas(plan)

        def refused(verb):
            return "".join('\nSpace %s (handle %s) not %s: its layer "LOCKED" is locked\n'
                           % (record(r)["NAME"], r.dxf.handle, verb) for r in locked)

        out, result = self.run_and_read(["kbta"], plan)
        self.assertEqual(out, refused("altered") + "2 block(s) altered\n")
        self.assertEqual([texts(r)["AUX"] for r in spaces(result)], [" ", " "] + [texts(r)["AUX"] for r in locked])
        out, result = self.run_and_read(["kfrs", "", "B-"], plan)
        self.assertTrue(out.endswith(refused("renamed") + "8 blocks processed - 2 changes made"), out)
        self.assertEqual(sum(texts(r)["NAME"].startswith("B-") for r in spaces(result)), 2)
        out, result = self.run_and_read(["ksc_has"], plan)
        self.assertRegex(out, "^" + TIME + re.escape(refused("hatched")) + TIME + r"2 block\(s\) hatched in ")
        self.assertEqual(len(result.modelspace().query('HATCH[layer=="#Hatch"]')), 2)
        out, _ = self.run_and_read(["kus"], plan)
        self.assertIn(refused("updated"), out)


class Unchanged(Batch):
    def test_commands_that_change_nothing_leave_the_drawing_unmodified(self):
        plan = self.plan("--spaces", rooms=8)
        once = os.path.join(self.dir, "once.dxf")
        commands = ["kus", "krt", "kut", "", "", "", "kbta", "ksxta", "", "", "", "", "kfrs", "", ""]
        self.run_module(commands + ["SAVEAS", once, "QUIT"], plan)
        out = self.run_module(commands + ["SETVAR", "?", "QUIT"], once)
        self.assertIn("\nDBMOD       0  (read only)\n", out)
        # The counts take only the spaces changed.
        self.assertEqual(re.findall(r"\d+ spaces? updated|\d+ block\(s\) altered|\d+ changes made", out),
                         ["0 spaces updated", "0 spaces updated", "0 block(s) altered", "0 changes made"])


class PlanWithoutSpaces(Batch):
    def test_every_command_runs_and_changes_no_entity(self):
        plan = self.plan(rooms=8)
        before = sorted(e.dxf.handle for e in ezdxf.readfile(plan).modelspace())
        out, doc = self.run_and_read(["ksc_has", "kfrs", "Room", "R", "ksc_cal", "ksc_isc", "kaux", "ksxta", "", "", "",
                                      "1", "kbta"], plan)
        ask = "\n%s <%d>: %d\n"
        self.assertRegex(out, "^" + TIME + TIME + re.escape(
            "0 block(s) hatched in 0 seconds (0.00 s/b)\n"
            "\nEnter String to Find:\nEnter String to Replace:0 blocks processed - 0 changes made"
            "Kavro Update Spaces %s\n" % VERSION
            + ask % ("Sync XData name to name attribute?", 1, 1) + ask % ("Sync XData area to area attribute?", 1, 1)
            + ask % ("Sync XData perimeter to aux attribute?", 0, 0) + ask % ("Recalculate values before sync?", 0, 1)
            + "0 block(s) altered\n") + "$")
        self.assertEqual(sorted(e.dxf.handle for e in doc.modelspace()), before)


if __name__ == "__main__":
    try:
        unittest.main(verbosity=1)
    finally:
        Host.cleanup()
