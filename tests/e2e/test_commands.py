#!/usr/bin/python3
"""End-to-end tests of the module's commands: cadhost loads the real module and runs
scripts on generated floor plans; the drawings it writes are read back with ezdxf.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import math
import os
import shutil
import tempfile
import unittest

import ezdxf

from test_cadhost import Host, generate_plan, refusal, run_module_script

VERSION = "64.04.03.00"
GROSS_TITLE = "Kavro Create Gross Area Block %s\n" % VERSION
PICK = "\n\nPlease select a polyline:\n\n"
POINT = "Select Name and Area Text Position:\n\nEnter Attribute points: "
XDATA_KEYS = ["AREA=", "PERIMETER=", "NAME=", "TAGTYPE=", "AREA_TYPE=", "COST_CENTRE=", "DATE=", "DATE_L_MOVE=",
              "DEPT_CHARGE=", "ROOM_HEIGHT=", "SPECIAL_REQ=", "TOT_STAFF=", "TOT_WKSTNS=", "VOLUME=",
              "HANDLESTOMINUS=", "HANDLESTOADD="]


def measures(polyline):
    """Area and length of a closed lightweight polyline with bulges, computed here."""
    points = [(x, y, b) for x, y, _, _, b in polyline.get_points("xyseb")]
    area = length = 0.0
    for i, (x1, y1, bulge) in enumerate(points):
        x2, y2, _ = points[(i + 1) % len(points)]
        area += x1 * y2 - x2 * y1
        chord = math.hypot(x2 - x1, y2 - y1)
        if bulge:
            angle = 4 * math.atan(bulge)
            radius = chord / (2 * math.sin(angle / 2))
            area += radius * radius * (angle - math.sin(angle))  # the segment, twice, signed
            length += abs(radius * angle)
        else:
            length += chord
    return abs(area) / 2, length


def fixed(value, decimals=2):
    """The number as the module writes it: the exact value rounded half away from zero."""
    from decimal import ROUND_HALF_UP, Decimal, localcontext
    with localcontext() as context:
        context.prec = 2000
        return str(Decimal(value).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP))


def ade(entity):
    return [value for code, value in entity.get_xdata("ADE") if code == 1000]


class Commands(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-cmd-")
        self.plan = generate_plan(os.path.join(self.dir, "plan.dxf"), rooms=12)
        doc = ezdxf.readfile(self.plan)
        self.gross = doc.modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
        self.out = os.path.join(self.dir, "out.dxf")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        prefs = self.prefs_file()
        if os.path.exists(prefs):
            os.remove(prefs)

    def prefs_file(self):
        return os.path.join(Host.env()["XDG_DATA_HOME"], "KavroSystems", "Quorvane", "prefs", "prefs.cfg")

    def write_prefs(self, units=0, precision=2, **values):
        os.makedirs(os.path.dirname(self.prefs_file()), exist_ok=True)
        with open(self.prefs_file(), "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n%d\r\nprecison\r\n%s\r\n"
                    % (units, precision))
            f.write("".join("%s\r\n%s\r\n" % item for item in values.items()))

    def run_module(self, lines, drawing=None):
        result = run_module_script(self.dir, lines, drawing or self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        return result.stdout

    def make_gross_area_block(self, drawing=None, point="1000,1000"):
        return self.run_module(["kgabc", "#" + self.gross.dxf.handle, point, "SAVEAS", self.out, "QUIT"], drawing)

    def test_the_gross_area_block(self):
        out = self.make_gross_area_block()
        self.assertEqual(out, GROSS_TITLE + PICK + POINT + "Block Created Successfully\n")
        area, length = measures(self.gross)
        doc = ezdxf.readfile(self.out)
        self.assertFalse(doc.audit().has_errors)
        definition = doc.blocks.get("ROOM-GROSS_AREA")
        self.assertIsNotNone(definition)
        outlines = definition.query("LWPOLYLINE")
        self.assertEqual(len(outlines), 1)
        self.assertEqual(sorted(a.dxf.tag for a in definition.query("ATTDEF")), ["AREA", "AUX", "NAME"])
        # The outline moved into the definition; one reference stands in model space.
        msp = doc.modelspace()
        self.assertNotIn(self.gross.dxf.handle, [e.dxf.handle for e in msp])
        references = msp.query('INSERT[name=="ROOM-GROSS_AREA"]')
        self.assertEqual(len(references), 1)
        reference = references[0]
        attribs = {a.dxf.tag: a for a in reference.attribs}
        self.assertEqual(attribs["NAME"].dxf.text, "GROSS AREA")
        self.assertEqual(attribs["AREA"].dxf.text, fixed(area / 1e6) + "sq.m.")
        self.assertEqual(attribs["AUX"].dxf.text, " ")
        self.assertEqual({a.dxf.layer for a in attribs.values()}, {"ATT-NAME", "ATT-AREA", "ATT-AUX"})
        record = ade(reference)
        self.assertEqual(len(record), 16)
        self.assertEqual([item[:len(key)] for item, key in zip(record, XDATA_KEYS)], XDATA_KEYS)
        self.assertEqual(record[0], "AREA=%ssq.m." % fixed(area / 1e6))
        self.assertEqual(record[1], "PERIMETER=%sm." % fixed(length / 1e3))
        self.assertEqual(record[2], "NAME=GROSS AREA")
        self.assertEqual([code for code, _ in reference.get_xdata("ADE")][::17], [1002, 1002])

        # A second gross-area block is refused before anything is asked.
        again = self.run_module(["kgabc", "QUIT"], self.out)
        self.assertEqual(again, GROSS_TITLE + "\n\nGross Area Block Already Exists\n")

    def test_a_2d_polyline_of_an_r12_drawing_is_an_outline(self):
        plan = generate_plan(os.path.join(self.dir, "plan12.dxf"), "--version", "R12", rooms=4)
        gross = ezdxf.readfile(plan).modelspace().query('POLYLINE[layer=="GROSS"]')[0]
        out = self.run_module(["kgabc", "#" + gross.dxf.handle, "1000,1000", "kus", "SAVEAS", self.out, "QUIT"], plan)
        self.assertEqual(out, GROSS_TITLE + PICK + POINT + "Block Created Successfully\nKavro Update Spaces %s\n" % VERSION
                         + "1 space updated\n")
        # The polyline itself went into the definition, and the space has the rectangle's area.
        result = ezdxf.readfile(self.out)
        self.assertEqual([e.dxf.handle for e in result.blocks.get("ROOM-GROSS_AREA").query("POLYLINE")], [gross.dxf.handle])
        xs, ys = zip(*((v.dxf.location.x, v.dxf.location.y) for v in gross.vertices))
        reference = result.modelspace().query('INSERT[name=="ROOM-GROSS_AREA"]')[0]
        self.assertEqual(ade(reference)[0], "AREA=%ssq.m." % fixed((max(xs) - min(xs)) * (max(ys) - min(ys)) / 1e6))

    def test_imperial_preferences_give_square_feet(self):
        self.write_prefs(units=1, precision=0)
        self.make_gross_area_block()
        area, _ = measures(self.gross)
        reference = ezdxf.readfile(self.out).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        self.assertEqual({a.dxf.tag: a.dxf.text for a in reference.attribs}["AREA"],
                         fixed(area / 92903.04, 0) + "sq.ft.")

    def test_refused_picks(self):
        doc = ezdxf.readfile(self.plan)
        msp = doc.modelspace()
        open_line = msp.add_lwpolyline([(0, 0), (5000, 0), (5000, 5000)], dxfattribs={"layer": "ROOMS"})
        circle = msp.add_circle((90000, 90000), 500)
        doc.saveas(self.plan)
        result = run_module_script(self.dir, ["kgabc", "#" + open_line.dxf.handle, "kgabc", "#" + circle.dxf.handle,
                                              "^C"], self.plan)   # a circle refused: a cancel, and the script stops
        self.assertEqual((refusal(result), result.stdout), ("Invalid selection - AcDbCircle.", GROSS_TITLE + PICK
                         + "\nInvalid Selection - Polyline is not closed\n\n" + GROSS_TITLE + PICK
                         + "Cancelled by User.\n"))

    def test_cancelling_the_text_position_creates_nothing(self):
        out = self.run_module(["kgabc", "#" + self.gross.dxf.handle, "^C", "SAVEAS", self.out, "QUIT"])
        self.assertEqual(out, GROSS_TITLE + PICK + POINT)
        self.assertFalse(ezdxf.readfile(self.out).blocks.get("ROOM-GROSS_AREA"))

    def test_update_spaces_follows_the_outline_and_the_subtracted_areas(self):
        self.make_gross_area_block()
        doc = ezdxf.readfile(self.out)
        outline = doc.blocks.get("ROOM-GROSS_AREA").query("LWPOLYLINE")[0]
        outline.set_points([(x * 2, y, s, e, b) for x, y, s, e, b in outline.get_points("xyseb")], format="xyseb")
        room = doc.modelspace().query('LWPOLYLINE[layer=="ROOMS"]')[0]
        reference = doc.modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        items = ade(reference)
        items[14] = "HANDLESTOMINUS=%s," % room.dxf.handle
        reference.set_xdata("ADE", [(1002, "{")] + [(1000, v) for v in items] + [(1002, "}")])
        doc.saveas(self.out)
        updated = os.path.join(self.dir, "updated.dxf")
        out = self.run_module(["kus", "SAVEAS", updated, "QUIT"], self.out)
        self.assertEqual(out, "Kavro Update Spaces %s\n1 space updated\n" % VERSION)
        expected = measures(outline)[0] / 1e6 - measures(room)[0] / 1e6
        reference = ezdxf.readfile(updated).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        text = {a.dxf.tag: a.dxf.text for a in reference.attribs}["AREA"]
        self.assertRegex(text, r"^\d+\.\d\dsq\.m\.$")
        self.assertLessEqual(abs(float(text[:-5]) - expected), 0.005 + 1e-9)
        self.assertEqual(ade(reference)[0], "AREA=" + text)

    def test_update_spaces_labels_numbers_with_their_own_unit(self):
        self.make_gross_area_block()
        self.write_prefs(units=1, precision=2)
        updated = os.path.join(self.dir, "updated.dxf")
        self.run_module(["kus", "SAVEAS", updated, "QUIT"], self.out)
        reference = ezdxf.readfile(updated).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        area, _ = measures(self.gross)
        self.assertEqual({a.dxf.tag: a.dxf.text for a in reference.attribs}["AREA"],
                         fixed(area / 92903.04) + "sq.ft.")
        self.assertEqual(ade(reference)[0], "AREA=%ssq.ft." % fixed(area / 92903.04))

    def test_areas_follow_the_unit_the_drawing_names(self):
        # The same 5 m x 4 m floor drawn in millimetres, centimetres, metres and inches.
        for code, symbol, metres in ((4, "", 0.001), (5, "cm", 0.01), (6, "m", 1), (1, "in", 0.0254)):
            doc = ezdxf.new("R2013", units=code)
            doc.header["$LUNITS"] = 2
            side, depth = 5 / metres, 4 / metres
            floor = doc.modelspace().add_lwpolyline([(0, 0), (side, 0), (side, depth), (0, depth)], close=True)
            doc.saveas(self.plan)
            out = self.run_module(["kgabc", "#" + floor.dxf.handle, "1,1", "kus", "SAVEAS", self.out, "QUIT"])
            said = symbol and ("\nAreas measured with one drawing unit = 1 %s, as the drawing says (SETVAR INSUNITS "
                               "changes it).\n" % symbol)
            self.assertEqual(out, GROSS_TITLE + PICK + POINT + said + "Block Created Successfully\n"
                             + "Kavro Update Spaces %s\n" % VERSION + said + "1 space updated\n")
            reference = ezdxf.readfile(self.out).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
            self.assertEqual({a.dxf.tag: a.dxf.text for a in reference.attribs}["AREA"], "20.00sq.m.", symbol)
            self.assertEqual(ade(reference)[:2], ["AREA=20.00sq.m.", "PERIMETER=18.00m."], symbol)
        # A floor drawn as a bow tie is made, and named by its new reference.
        doc = ezdxf.new("R2013", units=4)
        floor = doc.modelspace().add_lwpolyline([(0, 0), (5000, 4000), (5000, 0), (0, 4000)], close=True)
        doc.saveas(self.plan)
        out = self.run_module(["kgabc", "#" + floor.dxf.handle, "1,1", "SAVEAS", self.out, "QUIT"])
        reference = ezdxf.readfile(self.out).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        self.assertEqual(out, GROSS_TITLE + PICK + POINT + "Block Created Successfully\n\nSpace GROSS AREA (handle %s): "
                         "its outline crosses itself near 2500,2000: its area is not that of what it encloses\n"
                         % reference.dxf.handle)

    def test_update_text_and_refresh_tags(self):
        self.make_gross_area_block()
        doc = ezdxf.readfile(self.out)
        reference = doc.modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        # A second reference of the same space block, elsewhere; the first one's name edited.
        copy = doc.modelspace().add_blockref("ROOM-GROSS_AREA", (50000, 50000))
        for attrib in reference.attribs:
            copy.add_attrib(attrib.dxf.tag, attrib.dxf.text, (50000, 50000), dxfattribs={"layer": attrib.dxf.layer})
        copy.set_xdata("ADE", reference.get_xdata("ADE"))
        [a for a in reference.attribs if a.dxf.tag == "NAME"][0].dxf.text = "EDITED"
        doc.saveas(self.out)
        updated = os.path.join(self.dir, "updated.dxf")
        for answer, why in (("0", "Text Size must be greater than 0 Enter new Text Size or (i)gnore"),
                            ("I", "Invalid Input. Enter new Text Siz or (i)gnore")):   # refused
            self.assertEqual(refusal(run_module_script(self.dir, ["kut", answer, "300"], self.out)), why)
        out = self.run_module(["kut", "300", "i", "-45", "krt", "SAVEAS", updated, "QUIT"], self.out)
        ask = "\nEnter new Text %s or (i)gnore <%s>: %s\n"
        self.assertEqual(out, "Kavro Update Text Size %s\n" % VERSION + ask % ("Size", "250.00", "300")
                         + ask % ("Scale", "1.00", "i") + ask % ("Rotation", "0.00", "-45") + "2 spaces updated\n")
        references = ezdxf.readfile(updated).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")
        self.assertEqual(len(references), 2)
        for reference in references:
            for attrib in reference.attribs:
                self.assertAlmostEqual(attrib.dxf.height, 300)
                self.assertAlmostEqual(attrib.dxf.get("width", 1), 1)
                self.assertAlmostEqual(attrib.dxf.rotation % 360, 315)
        # Refreshing writes each block's own values back: an edited name stays edited.
        names = sorted({a.dxf.tag: a.dxf.text for a in r.attribs}["NAME"] for r in references)
        self.assertEqual(names, ["EDITED", "GROSS AREA"])

    def test_preferences_out_of_range_are_brought_into_range(self):
        self.make_gross_area_block()
        self.write_prefs(precision=2000000000, textSize="1e999", textScale="0", textRotation="1e308")
        updated = os.path.join(self.dir, "updated.dxf")
        # Each question offers a default it accepts, so the script goes on after the command.
        out = self.run_module(["kut", "", "", "", "kus", "SAVEAS", updated, "QUIT"], self.out)
        rotation = math.fmod(1e308, 360)
        ask = "\nEnter new Text %s or (i)gnore <%s>: %s\n"
        self.assertEqual(out, "Kavro Update Text Size %s\n" % VERSION
                         + "".join(ask % (name, fixed(value, 1074), fixed(value, 1074))
                                   for name, value in (("Size", 250), ("Scale", 0.1), ("Rotation", rotation)))
                         + "1 space updated\nKavro Update Spaces %s\n1 space updated\n" % VERSION)
        reference = ezdxf.readfile(updated).modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        for attrib in reference.attribs:
            self.assertEqual(attrib.dxf.height, 250)
            self.assertAlmostEqual(attrib.dxf.width, 0.1)
            self.assertAlmostEqual(attrib.dxf.rotation % 360, rotation % 360, places=6)
        area_text = {a.dxf.tag: a.dxf.text for a in reference.attribs}["AREA"]
        whole, decimals = area_text[:-len("sq.m.")].split(".")
        self.assertEqual(len(decimals), 1074)
        self.assertAlmostEqual(float(whole + "." + decimals), measures(self.gross)[0] / 1e6, places=6)

    def test_update_spaces_leaves_blocks_it_cannot_measure_or_read(self):
        self.make_gross_area_block()
        doc = ezdxf.readfile(self.out)
        msp = doc.modelspace()
        good = msp.query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        outline = doc.blocks.get("ROOM-GROSS_AREA").query("LWPOLYLINE")[0]
        outline.set_points([(x * 2, y, s, e, b) for x, y, s, e, b in outline.get_points("xyseb")], format="xyseb")
        record = good.get_xdata("ADE")
        # A space whose definition has lost its outline (only a line is left in it).
        empty = doc.blocks.new("ROOM-EMPTY")
        empty.add_line((0, 0), (1000, 0))
        for tag in ("NAME", "AREA", "AUX"):
            empty.add_attdef(tag, (0, 0), dxfattribs={"layer": "ATT-" + tag})
        outlineless = msp.add_blockref("ROOM-EMPTY", (70000, 70000))
        for tag, text in (("NAME", "EMPTY"), ("AREA", "5.00sq.m."), ("AUX", " ")):
            outlineless.add_attrib(tag, text, (70000, 70000), dxfattribs={"layer": "ATT-" + tag})
        outlineless.set_xdata("ADE", [(1002, "{"), (1000, "AREA=5.00sq.m."), (1000, "NAME=EMPTY"), (1002, "}")])
        # Spaces whose outlines cross themselves (a bow tie) and touch themselves (a figure of eight).
        crossing = {}
        for name, corners, at in (("BOW TIE", [(0, 0), (4000, 3000), (4000, 0), (0, 3000)], (90000, 0)),
                                  ("EIGHT", [(0, 0), (2000, 1000), (4000, 0), (4000, 2000), (2000, 1000), (0, 2000)],
                                   (90000, 9000))):
            definition = doc.blocks.new("ROOM-" + name.replace(" ", "_"))
            definition.add_lwpolyline(corners, close=True)
            crossing[name] = msp.add_blockref(definition.name, at)
            crossing[name].set_xdata("ADE", [(1002, "{"), (1000, "AREA=1.00sq.m."), (1000, "NAME=" + name),
                                             (1002, "}")])
        # The good block subtracts a bow tie, whose net signed area is nought.
        bow_tie = msp.add_lwpolyline([(200000, 0), (204000, 3000), (204000, 0), (200000, 3000)], close=True)
        items = ade(good)
        items[14] = "HANDLESTOMINUS=%s," % bow_tie.dxf.handle
        good.set_xdata("ADE", [(1002, "{")] + [(1000, v) for v in items] + [(1002, "}")])
        # A second reference of the gross area whose record holds a chunk that is not hexadecimal.
        spoilt = msp.add_blockref("ROOM-GROSS_AREA", (50000, 50000))
        for attrib in good.attribs:
            spoilt.add_attrib(attrib.dxf.tag, attrib.dxf.text, (50000, 50000), dxfattribs={"layer": attrib.dxf.layer})
        spoilt.set_xdata("ADE", [(1002, "{"), (1004, b"\xc0\xde\x99")] + record[1:])
        doc.saveas(self.out)
        with open(self.out, encoding="utf-8") as f:
            text = f.read()
        self.assertEqual(text.count("\nC0DE99\n"), 1)
        with open(self.out, "w", encoding="utf-8") as f:
            f.write(text.replace("\nC0DE99\n", "\nZZ\n"))

        updated = os.path.join(self.dir, "updated.dxf")
        out = self.run_module(["kus", "SAVEAS", updated, "QUIT"], self.out)
        lines = out.split("\n")
        self.assertEqual(lines[0], "Kavro Update Spaces %s" % VERSION)
        # The good block and the two whose outlines meet themselves are updated, and counted last.
        self.assertEqual(lines[-2:], ["3 spaces updated", ""])
        self.assertEqual(sorted(line for line in lines[1:-2] if line), sorted([
            "Space EMPTY (handle %s) not updated: its definition holds no closed outline" % outlineless.dxf.handle,
            "Space GROSS AREA (handle %s) not updated: its ADE XData cannot be read" % spoilt.dxf.handle,
            "Space ROOM-BOW_TIE (handle %s): its outline crosses itself near 92000,1500: its area is not that of "
            "what it encloses" % crossing["BOW TIE"].dxf.handle,
            "Space ROOM-EIGHT (handle %s): its outline touches itself near 92000,10000: its area may not be that of "
            "what it encloses" % crossing["EIGHT"].dxf.handle,
            "Space GROSS AREA (handle %s): the outline it subtracts (handle %s) crosses itself near 202000,1500: "
            "its area is not that of what it encloses" % (good.dxf.handle, bow_tie.dxf.handle)]))
        self.assertEqual(len(lines), 13)  # each message on a line of its own, after an empty one

        # The unreadable chunk is written back as it was read; mended, the file reads in ezdxf.
        with open(updated, encoding="utf-8") as f:
            text = f.read()
        self.assertEqual(text.count("\n1004\nZZ\n"), 1)
        with open(updated, "w", encoding="utf-8") as f:
            f.write(text.replace("\n1004\nZZ\n", "\n1004\nC0DE99\n"))
        result = ezdxf.readfile(updated)
        by_handle = {e.dxf.handle: e for e in result.modelspace().query("INSERT")}
        texts = lambda reference: {a.dxf.tag: a.dxf.text for a in reference.attribs}
        # The good block goes on: its outline is twice as wide now.
        area = fixed(measures(outline)[0] / 1e6)
        self.assertEqual(texts(by_handle[good.dxf.handle])["AREA"], area + "sq.m.")
        self.assertEqual(ade(by_handle[good.dxf.handle])[0], "AREA=%ssq.m." % area)
        # The others are left exactly as they were, the unreadable record included.
        self.assertEqual(texts(by_handle[outlineless.dxf.handle])["AREA"], "5.00sq.m.")
        self.assertEqual(ade(by_handle[outlineless.dxf.handle]), ["AREA=5.00sq.m.", "NAME=EMPTY"])
        self.assertEqual(texts(by_handle[spoilt.dxf.handle]), texts(good))
        self.assertEqual(by_handle[spoilt.dxf.handle].get_xdata("ADE"), spoilt.get_xdata("ADE"))

    def test_cancelling_a_question_ends_the_command(self):
        self.make_gross_area_block()
        out = self.run_module(["kut", "^C", "SAVEAS", self.out, "QUIT"], self.out)
        self.assertEqual(out, "Kavro Update Text Size %s\n\nEnter new Text Size or (i)gnore <250.00>:\n*Cancel*\n"
                         % VERSION)
        out = self.run_module(["kut", "300"], self.out)  # the input ends at the next question
        self.assertTrue(out.endswith("\nEnter new Text Scale or (i)gnore <1.00>:\n*Cancel*\n"), out)

    def test_file_prompts_take_the_home_folder_and_refuse_names_too_long(self):
        folder = tempfile.mkdtemp(dir=Host.env()["HOME"])
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        tilde, long = "~/" + os.path.basename(folder) + "/", "r" * 256
        result = run_module_script(self.dir, ["kagr", tilde + "missing.xml", "kd9", tilde + "diagnosis.xml",
                                              "kagr", long, "kd9", tilde + "after.xml"], self.plan)
        out = result.stdout   # a name refused in a script is a cancel, and the script stops there
        self.assertEqual(refusal(result), 'The name "%s" is longer than the 255 bytes a file name may have.' % long)
        self.assertIn("\nOpen: \nNo graphic report was applied: %s cannot be read - the file does not exist.\n"
                      % os.path.join(folder, "missing.xml"), out)
        self.assertTrue(out.endswith("xml test completed successfully\n\nOpen: \n"), out)
        self.assertEqual(os.listdir(folder), ["diagnosis.xml"])


if __name__ == "__main__":
    try:
        unittest.main(verbosity=1)
    finally:
        Host.cleanup()
