#!/usr/bin/python3
"""End-to-end tests of the marker commands: cadhost loads the real module and runs scripts
on generated floor plans with outlines drawn for the markers; the drawings it writes are
read back with ezdxf.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import math
import os
import shutil
import subprocess
import tempfile
import unittest

import ezdxf

from test_cadhost import ROOT, Host, generate_plan, refusal, run_module_script

VERSION = "64.04.03.00"
LEGEND_TITLE = "Kavro Create Legend Marker Block %s\n" % VERSION
PICK_POLYLINE = "\n\nPlease select a polyline:\n\n"
PIE_TITLE = "Kavro Create Pie Chart Marker Block %s\n" % VERSION
PICK_CIRCLE = "\n\nPlease select a circle:\n\n"


def legend_questions(precision="2", size="250.00", rotation="0.00"):
    return ("\nenter legend precision <2>: %s\n\nenter legend text size <250.00>: %s\n"
            "\nspecify legend rotation (in degrees) <0.00>: %s\n" % (precision, size, rotation))


class Markers(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-marker-")
        self.plan = generate_plan(os.path.join(self.dir, "plan.dxf"), "--spaces", rooms=6)
        doc = ezdxf.readfile(self.plan)
        msp = doc.modelspace()
        self.outline = msp.add_lwpolyline([(-9000, 6000), (-3000, 6000), (-3000, 2000), (-9000, 2000)], close=True)
        self.open_line = msp.add_lwpolyline([(-9000, -6000), (-3000, -6000), (-3000, -2000)])
        self.circle = msp.add_circle((-20000, 5000), 3000)
        doc.saveas(self.plan)
        self.out = os.path.join(self.dir, "out.dxf")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def run_module(self, lines, drawing=None, product=None):
        options = ["--product", product] if product else []
        result = run_module_script(self.dir, lines, *options, drawing or self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        return result.stdout

    def test_the_legend_marker(self):
        out = self.run_module(["klmc", "#" + self.outline.dxf.handle, "", "", "90", "SAVEAS", self.out, "QUIT"])
        self.assertEqual(out, LEGEND_TITLE + PICK_POLYLINE + legend_questions(rotation="90.00")
                         + "Block Created Successfully\n")
        doc = ezdxf.readfile(self.out)
        auditor = doc.audit()
        self.assertEqual((auditor.errors, auditor.fixes), ([], []))
        definition = doc.blocks.get("MARKER-LEGEND")
        outline = definition.query("LWPOLYLINE")[0]
        self.assertEqual(outline.dxf.handle, self.outline.dxf.handle)
        self.assertEqual([tuple(p) for p in outline.get_points("xy")],
                         [(0, 0), (6000, 0), (6000, -4000), (0, -4000)])
        attdefs = {a.dxf.tag: a for a in definition.query("ATTDEF")}
        self.assertEqual({tag: a.dxf.text for tag, a in attdefs.items()},
                         {"LEGENDTITLE": "LEGEND BLOCK", "LEGENDTEXTSIZE": "250.00", "LEGENDPRECISION": "2",
                          "LEGENDROTATION": "0.00", "LEGENDUNITS": "0"})
        self.assertEqual(sorted(a.dxf.insert.y for a in attdefs.values()), [-1250, -1000, -750, -500, -250])
        references = doc.modelspace().query('INSERT[name=="MARKER-LEGEND"]')
        self.assertEqual(len(references), 1)
        reference = references[0]
        self.assertEqual(tuple(reference.dxf.insert), (-9000, 6000, 0))
        self.assertAlmostEqual(reference.dxf.rotation, 90.0)
        self.assertEqual(reference.dxf.layer, "KAVRO_LEGEND_MARKER")
        self.assertTrue(doc.layers.get("KAVRO_LEGEND_MARKER").is_off())
        # The attributes turn with the reference about its corner.
        title = {a.dxf.tag: a for a in reference.attribs}["LEGENDTITLE"]
        self.assertAlmostEqual(title.dxf.insert.x, -9000 + 250)
        self.assertAlmostEqual(title.dxf.insert.y, 6000)
        converted = subprocess.run([os.path.join(ROOT, "tests", "tools", "librecad_check.sh"), self.out,
                                    os.path.join(self.dir, "pdf")],
                                   capture_output=True, text=True, timeout=120)
        self.assertEqual(converted.returncode, 0, converted.stdout + converted.stderr)

        # A second marker is refused before anything is asked.
        again = self.run_module(["klmc", "QUIT"], self.out)
        self.assertEqual(again, LEGEND_TITLE + "\n\nLegend Marker Block Already Exists\n")

    def test_settings_keep_their_value_and_imperial_units(self):
        os.makedirs(os.path.join(Host.env()["XDG_DATA_HOME"], "KavroSystems", "Quorvane", "prefs"), exist_ok=True)
        prefs = os.path.join(Host.env()["XDG_DATA_HOME"], "KavroSystems", "Quorvane", "prefs", "prefs.cfg")
        with open(prefs, "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n1\r\nprecison\r\n0\r\n")
        try:
            out = self.run_module(["klmc", "#" + self.outline.dxf.handle, "", "2.5", "", "SAVEAS", self.out, "QUIT"])
        finally:
            os.remove(prefs)
        self.assertTrue(out.endswith("Block Created Successfully\n"), out)
        reference = ezdxf.readfile(self.out).modelspace().query('INSERT[name=="MARKER-LEGEND"]')[0]
        texts = {a.dxf.tag: a.dxf.text for a in reference.attribs}
        self.assertEqual(texts["LEGENDTEXTSIZE"], "2.5")   # not "3" at precision 0
        self.assertEqual(texts["LEGENDPRECISION"], "0")
        self.assertEqual(texts["LEGENDUNITS"], "1")

    def test_the_pie_chart_marker(self):
        # A precision or a size that could not be drawn is refused: a cancel.
        for answers, why in ((["2000000000"], "The precision must be from -1 to 1074."),
                             (["1", "1e200"], "The size is too large to draw.")):
            self.assertEqual(refusal(run_module_script(self.dir, ["kpmc", "#" + self.circle.dxf.handle, *answers,
                                                                  "300"], self.plan)), why)
        out = self.run_module(["kpmc", "#" + self.circle.dxf.handle, "1", "300", "", "SAVEAS", self.out, "kpmc",
                               "QUIT"])
        self.assertEqual(out, PIE_TITLE + PICK_CIRCLE + "\nenter pie chart precision <2>: 1\n"
                         "\nenter pie chart text size <250.0>: 300.0\n"
                         "\nspecify pie chart rotation (in degrees) <0.00>: 0.00\nBlock Created Successfully\n"
                         + PIE_TITLE + "\n\n Pie Chart Marker Block Already Exists\n")
        doc = ezdxf.readfile(self.out)
        auditor = doc.audit()
        self.assertEqual((auditor.errors, auditor.fixes), ([], []))
        circle = doc.blocks.get("MARKER-PIECHART").query("CIRCLE")[0]
        self.assertEqual((tuple(circle.dxf.center), circle.dxf.radius), ((0, 0, 0), 3000))
        reference = doc.modelspace().query('INSERT[name=="MARKER-PIECHART"]')[0]
        self.assertEqual(tuple(reference.dxf.insert), (-20000, 5000, 0))
        self.assertEqual({a.dxf.tag: a.dxf.text for a in reference.attribs},
                         {"PIETITLE": "PIE BLOCK", "PIETEXTSIZE": "300.0", "PIEPRECISION": "1",
                          "PIERADIUS": "3000.0", "PIEXYOFFSETVALUE": "500.0"})
        self.assertTrue(doc.layers.get("KAVRO_PIECHART_MARKER").is_off())
        # A polyline is not a circle.
        result = run_module_script(self.dir, ["kpmc", "#" + self.outline.dxf.handle, "^C"], self.plan)
        self.assertEqual((refusal(result), result.stdout), ("Invalid selection - AcDbPolyline.",
                                                            PIE_TITLE + PICK_CIRCLE + "Cancelled by User.\n"))

    def test_refused_picks_and_hosts(self):
        out = self.run_module(["klmc", "#" + self.open_line.dxf.handle, "SAVEAS", self.out, "QUIT"])
        self.assertEqual(out, LEGEND_TITLE + PICK_POLYLINE + "\nInvalid Selection - Polyline is not closed\n\n")
        self.assertIsNone(ezdxf.readfile(self.out).blocks.get("MARKER-LEGEND"))
        # Not registered on a host that is not a full host.
        out = self.run_module(["klmc", "kpmc", "QUIT"], product="AutoCAD LT 2019")
        self.assertNotIn("Marker", out)
        self.assertNotIn("Block Created", out)


if __name__ == "__main__":
    try:
        unittest.main(verbosity=1)
    finally:
        Host.cleanup()
