#!/usr/bin/python3
"""Tests of the drawing tools: scripts/gen_floorplan.py, scripts/example_job.py,
scripts/check_drawings.py, tests/tools/dxfdump.py and tests/tools/librecad_check.sh.  Run with /usr/bin/python3 (ezdxf).

The generator's space plans are also run through cadhost and the module; CTest names
them in CADHOST and QV_MODULE, which by hand default to the build folder "build"."""

import argparse
import json
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
GEN = os.path.join(ROOT, "scripts", "gen_floorplan.py")
JOB = os.path.join(ROOT, "scripts", "example_job.py")
DUMP = os.path.join(HERE, "dxfdump.py")
LIBRECAD_CHECK = os.path.join(HERE, "librecad_check.sh")
CADHOST = os.environ.get("CADHOST") or os.path.join(ROOT, "build", "bin", "cadhost")
QV_MODULE = os.environ.get("QV_MODULE") or os.path.join(ROOT, "build", "lib", "libquorvane.so")

sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import check_drawings  # noqa: E402
import dxfdump  # noqa: E402
import example_job  # noqa: E402
import ezdxf  # noqa: E402
import ezdxf.bbox  # noqa: E402
from ezdxf.colors import aci2rgb, int2rgb  # noqa: E402
from ezdxf.math import Vec2, is_point_in_polygon_2d  # noqa: E402

LABEL = re.compile(r"^Room (\d+)\.(\d{3,})$")
XDATA_KEYS = ["AREA=", "PERIMETER=", "NAME=", "TAGTYPE=", "AREA_TYPE=", "COST_CENTRE=", "DATE=",
              "DATE_L_MOVE=", "DEPT_CHARGE=", "ROOM_HEIGHT=", "SPECIAL_REQ=", "TOT_STAFF=",
              "TOT_WKSTNS=", "VOLUME=", "HANDLESTOMINUS=", "HANDLESTOADD="]


def run(*args):
    # The time-out guards against a hang: the largest plan takes half a minute on a machine
    # loaded forty deep.
    return subprocess.run([sys.executable, *args], capture_output=True, text=True,
                          timeout=300)


def polygon(entity):
    """Vertices (x, y) of a LWPOLYLINE or 2D POLYLINE."""
    if entity.dxftype() == "LWPOLYLINE":
        return [(p[0], p[1]) for p in entity.get_points("xy")]
    return [(v.dxf.location.x, v.dxf.location.y) for v in entity.vertices]


def is_closed(entity):
    return entity.closed if entity.dxftype() == "LWPOLYLINE" else entity.is_closed


def inside(pt, poly):
    x, y = pt
    result = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def arc_midpoints(entity):
    """Midpoints of the arc sides of a LWPOLYLINE or 2D POLYLINE."""
    if entity.dxftype() == "LWPOLYLINE":
        pts = [(p[0], p[1], p[4]) for p in entity.get_points("xyseb")]
    else:
        pts = [(v.dxf.location.x, v.dxf.location.y, v.dxf.bulge) for v in entity.vertices]
    mids = []
    for (x1, y1, b), (x2, y2, _) in zip(pts, pts[1:] + pts[:1]):
        if b:
            dx, dy = x2 - x1, y2 - y1
            length = (dx * dx + dy * dy) ** 0.5
            sagitta = b * length / 2
            # a positive bulge bends to the right of the direction of travel
            mids.append(((x1 + x2) / 2 + sagitta * dy / length,
                         (y1 + y2) / 2 - sagitta * dx / length))
    return mids


def contrast(a, b):
    """The contrast ratio of two sRGB colours, from their relative luminances."""
    def luminance(rgb):
        r, g, b = (c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4 for c in (v / 255 for v in rgb))
        return 0.2126 * r + 0.7152 * g + 0.0722 * b
    dark, light = sorted((luminance(a), luminance(b)))
    return (light + 0.05) / (dark + 0.05)


def plotted_colour(doc, entity, ref=None):
    """The colour an entity plots in on white paper: its own, its layer's (for one of a
    block on layer "0", its reference's layer's) or its reference's; white as black."""
    if entity.dxf.hasattr("true_color"):
        rgb = int2rgb(entity.dxf.true_color)
    elif entity.dxf.color == 0 and ref is not None:
        return plotted_colour(doc, ref)
    elif entity.dxf.color in (0, 256):
        layer = doc.layers.get(ref.dxf.layer if ref is not None and entity.dxf.layer == "0" else entity.dxf.layer)
        rgb = layer.rgb or aci2rgb(abs(layer.color))
    else:
        rgb = aci2rgb(entity.dxf.color)
    return (0, 0, 0) if rgb == (255, 255, 255) else rgb


def standing_points(entity, transform=None):
    """The points a text (its alignment point) or an outline stands on."""
    kind = entity.dxftype()
    if kind in ("TEXT", "ATTRIB", "ATTDEF"):
        aligned = (entity.dxf.halign or entity.dxf.valign) and entity.dxf.hasattr("align_point")
        points = [entity.dxf.align_point if aligned else entity.dxf.insert]
    elif kind == "LINE":
        points = [entity.dxf.start, entity.dxf.end]
    elif kind == "LWPOLYLINE":
        points = list(entity.vertices_in_wcs())
    elif kind in ("CIRCLE", "ARC"):
        c, r = entity.dxf.center, entity.dxf.radius
        points = [c + (r, 0), c - (r, 0), c + (0, r), c - (0, r)]
    else:
        points = []
    return [transform.transform(p) for p in points] if transform else points


def box_gap(a, b):
    """The distance between two boxes (x0, y0, x1, y1); 0 where they meet."""
    return math.hypot(max(0.0, a[0] - b[2], b[0] - a[2]), max(0.0, a[1] - b[3], b[1] - a[3]))


class Collected(list):
    """Boxes gathered in order, where the main job would index them."""
    add = list.append


def signed_area(poly):
    return sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1])) / 2


def bbox(poly):
    xs, ys = [p[0] for p in poly], [p[1] for p in poly]
    return min(xs), min(ys), max(xs), max(ys)


def measures(pts):
    """Area and length of a closed outline of (x, y, bulge) vertices, each arc taken from
    its sagitta: the circle through the chord's ends and the arc's middle."""
    area = length = 0.0
    for (x1, y1, b), (x2, y2, _) in zip(pts, pts[1:] + pts[:1]):
        area += (x1 * y2 - x2 * y1) / 2
        chord = math.hypot(x2 - x1, y2 - y1)
        if not b:
            length += chord
            continue
        sagitta = abs(b) * chord / 2
        radius = (chord * chord / 4 + sagitta * sagitta) / (2 * sagitta)
        angle = 2 * math.asin(chord / (2 * radius))
        if sagitta > radius:
            angle = 2 * math.pi - angle
        # a positive bulge bends to the right of the travel, away from a counter-clockwise
        # polygon's inside: the circular segment adds to the area
        area += math.copysign(radius * radius * (angle - math.sin(angle)) / 2, b)
        length += radius * angle
    return abs(area), length


class Spaces:
    """A space plan read back: the space-block references, their definitions' outlines in
    world coordinates, their attributes and records; the assets and the shafts."""

    def __init__(self, path):
        self.doc = ezdxf.readfile(path)
        self.msp = self.doc.modelspace()
        self.refs = [e for e in self.msp.query("INSERT") if e.dxf.name.startswith("ROOM-")]
        self.assets = self.msp.query('INSERT[layer=="ASSETS"]')

    def definition(self, ref):
        return self.doc.blocks.get(ref.dxf.name)

    def outline(self, ref):
        """The definition's outline where the reference shows it: (x, y, bulge) vertices."""
        ins = ref.dxf.insert
        poly = self.definition(ref).query("LWPOLYLINE")[0]
        return [(x + ins.x, y + ins.y, b) for x, y, _, _, b in poly.get_points("xyseb")]

    @staticmethod
    def texts(ref):
        return {a.dxf.tag: a.dxf.text for a in ref.attribs}

    @staticmethod
    def record(ref):
        return [value for code, value in ref.get_xdata("ADE") if code == 1000]

    def by_name(self):
        return {self.texts(r)["NAME"]: r for r in self.refs}

    def state(self):
        """Every space's texts and record, by handle: what the commands may change."""
        return {r.dxf.handle: (self.texts(r), self.record(r)) for r in self.refs}


def inside_strictly(pt, pts):
    """Whether the point lies inside the outline's polygon and off its sides."""
    poly = [(x, y) for x, y, _ in pts]
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if min(x1, x2) <= pt[0] <= max(x1, x2) and min(y1, y2) <= pt[1] <= max(y1, y2):
            if abs((x2 - x1) * (pt[1] - y1) - (y2 - y1) * (pt[0] - x1)) < 1e-9:
                return False
    return inside(pt, poly)


class Plan:
    """A generated plan, read back and sorted into what the tests look at."""

    def __init__(self, path):
        self.doc = ezdxf.readfile(path)
        msp = self.doc.modelspace()
        self.rooms = [e for e in msp.query("LWPOLYLINE POLYLINE")
                      if e.dxf.layer.startswith("ROOMS")]
        self.gross = [e for e in msp.query("LWPOLYLINE POLYLINE")
                      if e.dxf.layer == "GROSS"]
        self.labels = [e for e in msp.query("TEXT MTEXT") if e.dxf.layer == "ROOM-LABELS"]
        self.msp = msp

    def label_texts(self):
        return [e.text if e.dxftype() == "MTEXT" else e.dxf.text for e in self.labels]


class GeneratorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="qv-tools-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def generate(self, name, *args):
        out = os.path.join(self.tmp, name)
        r = run(GEN, *args, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "", "prints nothing without --verbose")
        return out

    def check_plan(self, path, rooms, floors, detailed):
        r = run(DUMP, "--audit", "--json", path)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        plan = Plan(path)
        self.assertEqual(len(plan.rooms), rooms)
        self.assertTrue(all(is_closed(e) for e in plan.rooms))
        self.assertEqual(len(plan.gross), floors)
        self.assertTrue(all(is_closed(e) for e in plan.gross))
        self.assertEqual(len(plan.labels), rooms)
        texts = plan.label_texts()
        self.assertEqual(len(set(texts)), rooms, "room names are unique")
        per_floor = {}
        for t in texts:
            m = LABEL.match(t)
            self.assertIsNotNone(m, t)
            per_floor.setdefault(int(m.group(1)), []).append(int(m.group(2)))
        self.assertEqual(sorted(per_floor), list(range(1, floors + 1)))
        for numbers in per_floor.values():
            self.assertEqual(sorted(numbers), list(range(1, len(numbers) + 1)))
        # the things that are not spaces
        inserts = plan.msp.query("INSERT")
        self.assertGreaterEqual(len([i for i in inserts if i.dxf.name == "DOOR"]), 2)
        titles = [i for i in inserts if i.dxf.name == "TITLE"]
        self.assertEqual(len(titles), 1)
        self.assertEqual(sorted(a.dxf.tag for a in titles[0].attribs),
                         ["DATE", "DRAWING", "PROJECT", "SCALE"])
        # the title block's texts stand above its frame's bottom line, descenders too
        frame_bottom = titles[0].dxf.insert.y
        self.assertTrue(all(a.dxf.insert.y - 0.3 * a.dxf.height >= frame_bottom for a in titles[0].attribs))
        self.assertTrue(any(e.dxf.layer == "WALLS" for e in plan.msp.query("LINE"))
                        or rooms < 4)
        self.assertIn("DOOR", plan.doc.blocks)
        layout = plan.doc.layouts.get("Layout1")
        self.assertGreaterEqual(len(layout.query("VIEWPORT")), 1)
        if detailed:
            self.check_geometry(plan)
        return plan

    def check_geometry(self, plan):
        polys = [polygon(e) for e in plan.rooms]
        for room, poly in zip(plan.rooms, polys):
            self.assertGreater(signed_area(poly), 0, "counter-clockwise")
            for mid in arc_midpoints(room):
                self.assertFalse(inside(mid, poly), "an arc side bends outwards")
        # boxes including the arcs
        boxes = [bbox(p + arc_midpoints(e)) for p, e in zip(polys, plan.rooms)]
        gross = [bbox(polygon(e)) for e in plan.gross]
        # rooms do not overlap and each lies within a gross outline
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                overlap = a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
                self.assertFalse(overlap, (a, b))
            self.assertTrue(any(g[0] <= a[0] and g[1] <= a[1] and a[2] <= g[2]
                                and a[3] <= g[3] for g in gross), a)
        # each label lies inside a room, and each room has one label
        hits = [0] * len(polys)
        for label in plan.labels:
            p = label.dxf.insert
            where = [i for i, poly in enumerate(polys) if inside((p.x, p.y), poly)]
            self.assertEqual(len(where), 1, label.dxf.insert)
            hits[where[0]] += 1
        self.assertEqual(hits, [1] * len(polys))

    def test_one_room(self):
        path = self.generate("one.dxf", "--rooms", "1")
        self.check_plan(path, 1, 1, detailed=True)

    def test_fifty_rooms_three_floors(self):
        path = self.generate("fifty.dxf", "--rooms", "50", "--floors", "3", "--seed", "7")
        plan = self.check_plan(path, 50, 3, detailed=True)
        self.assertEqual(plan.doc.header["$INSUNITS"], 4)
        self.assertEqual(plan.doc.header["$LUNITS"], 2)
        layers = {e.dxf.layer for e in plan.rooms}
        self.assertIn("ROOMS", layers)
        self.assertGreaterEqual(len(layers), 2, "some rooms on other ROOMS- layers")
        shapes = [len(polygon(e)) for e in plan.rooms]
        self.assertIn(6, shapes, "an L-shaped room")
        bulged = [e for e in plan.rooms if any(p[4] for p in e.get_points("xyseb"))]
        self.assertTrue(bulged, "a room with an arc side")
        self.assertTrue(plan.msp.query("CIRCLE"))
        self.assertTrue(plan.msp.query("MTEXT"))

    def test_five_thousand_rooms(self):
        path = self.generate("big.dxf", "--rooms", "5000")
        self.check_plan(path, 5000, 25, detailed=False)

    def test_imperial_and_r12(self):
        path = self.generate("imp.dxf", "--rooms", "40", "--floors", "2",
                             "--units", "imperial", "--version", "R12")
        plan = self.check_plan(path, 40, 2, detailed=True)
        self.assertEqual(plan.doc.dxfversion, "AC1009")
        self.assertEqual(plan.doc.header["$LUNITS"], 4)
        self.assertTrue(all(e.dxftype() == "POLYLINE" for e in plan.rooms))
        sizes = [b[2] - b[0] for b in (bbox(polygon(e)) for e in plan.rooms)]
        self.assertTrue(all(90 <= s <= 320 for s in sizes), "room sides in inches")
        path = self.generate("imp2000.dxf", "--rooms", "5", "--units", "imperial",
                             "--version", "R2000")
        doc = ezdxf.readfile(path)
        self.assertEqual(doc.dxfversion, "AC1015")
        self.assertEqual(doc.header["$INSUNITS"], 1)

    def test_deterministic(self):
        a = self.generate("a.dxf", "--rooms", "120", "--seed", "3")
        b = self.generate("b.dxf", "--rooms", "120", "--seed", "3")
        c = self.generate("c.dxf", "--rooms", "120", "--seed", "4")
        self.assertEqual(dxfdump.dump(a), dxfdump.dump(b))
        with open(a, "rb") as fa, open(b, "rb") as fb:
            self.assertEqual(fa.read(), fb.read())
        self.assertNotEqual(dxfdump.dump(a), dxfdump.dump(c))

    def test_bad_arguments(self):
        out = os.path.join(self.tmp, "never.dxf")
        for args in (["--rooms", "0"], ["--rooms", "100001"],
                     ["--rooms", "3", "--floors", "4"], ["--version", "R14"]):
            r = run(GEN, *args, out)
            self.assertEqual(r.returncode, 2, args)
            self.assertFalse(os.path.exists(out))

    def test_verbose(self):
        out = os.path.join(self.tmp, "v.dxf")
        r = run(GEN, "--rooms", "3", "--verbose", out)
        self.assertEqual(r.returncode, 0)
        self.assertIn("3 rooms", r.stdout)


class SpacePlanTest(unittest.TestCase):
    """--spaces: the plan as a drawing of this system holds it."""

    ROOMS, FLOORS, SEED = 60, 2, 5

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="qv-spaces-")
        args = ("--rooms", str(cls.ROOMS), "--floors", str(cls.FLOORS), "--seed", str(cls.SEED))
        cls.plain = os.path.join(cls.tmp, "plain.dxf")
        cls.path = os.path.join(cls.tmp, "spaces.dxf")
        for out, extra in ((cls.plain, ()), (cls.path, ("--spaces",))):
            r = run(GEN, *args, *extra, out)
            assert r.returncode == 0, r.stderr
        cls.spaces = Spaces(cls.path)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def generate(self, name, *args):
        out = os.path.join(self.tmp, name)
        r = run(GEN, *args, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def test_the_rooms_of_the_plain_plan_become_space_blocks(self):
        r = run(DUMP, "--audit", "--json", self.path)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        plain, spaces = Plan(self.plain), self.spaces
        self.assertEqual(len(spaces.refs), self.ROOMS)
        msp = spaces.msp
        self.assertFalse([e for e in msp.query("LWPOLYLINE POLYLINE") if e.dxf.layer.startswith("ROOMS")],
                         "no room outline is left in model space")
        self.assertFalse(msp.query('TEXT MTEXT[layer=="ROOM-LABELS"]'), "the names are attributes")
        self.assertEqual(len(msp.query('LWPOLYLINE[layer=="GROSS"]')), self.FLOORS)
        # The same rooms, in the same places, with the same names and layers; each
        # reference stands where the room's label stood.
        rooms = {}
        for label, text in zip(plain.labels, plain.label_texts()):
            p = label.dxf.insert
            room = [e for e in plain.rooms if inside((p.x, p.y), polygon(e))][0]
            rooms[text] = (room, (p.x, p.y))
        by_name = spaces.by_name()
        self.assertEqual(sorted(by_name), sorted(rooms))
        for name, ref in by_name.items():
            room, where = rooms[name]
            self.assertEqual(spaces.outline(ref),
                             [(x, y, b) for x, y, _, _, b in room.get_points("xyseb")], name)
            self.assertEqual((ref.dxf.insert.x, ref.dxf.insert.y), where, name)
            self.assertEqual(ref.dxf.layer, room.dxf.layer, name)
            self.assertEqual(spaces.definition(ref).query("LWPOLYLINE")[0].dxf.layer, room.dxf.layer)

    def test_definitions_and_references_are_made_as_this_system_makes_them(self):
        spaces = self.spaces
        names = sorted(int(r.dxf.name[5:]) for r in spaces.refs)
        self.assertEqual(names, list(range(1, self.ROOMS + 1)), "one definition per room")
        for ref in spaces.refs:
            block = spaces.definition(ref)
            self.assertEqual(tuple(block.block.dxf.base_point), (0, 0, 0))
            self.assertEqual([e.dxftype() for e in block], ["LWPOLYLINE", "ATTDEF", "ATTDEF", "ATTDEF"])
            self.assertTrue(block.query("LWPOLYLINE")[0].closed)
            attdefs = [(a.dxf.tag, a.dxf.prompt, a.dxf.text, a.dxf.layer, tuple(a.dxf.insert),
                        a.dxf.height, a.dxf.field_length, a.dxf.flags) for a in block.query("ATTDEF")]
            self.assertEqual(attdefs, [
                ("AREA", "Enter Area", "DEFAULT AREA", "ATT-AREA", (0, 0, 0), 250, 25, 0),
                ("NAME", "Enter Name", "DEFAULT NAME", "ATT-NAME", (0, -375, 0), 250, 25, 0),
                ("AUX", "Enter Auxillary Value", "DEFAULT AUX", "ATT-AUX", (0, 375, 0), 250, 25, 0)])
            ins = ref.dxf.insert
            self.assertEqual([(a.dxf.tag, a.dxf.layer, tuple(a.dxf.insert - ins), a.dxf.height)
                              for a in ref.attribs],
                             [("AREA", "ATT-AREA", (0, 0, 0), 250), ("NAME", "ATT-NAME", (0, -375, 0), 250),
                              ("AUX", "ATT-AUX", (0, 375, 0), 250)])
            xdata = ref.get_xdata("ADE")
            self.assertEqual([code for code, _ in xdata], [1002] + [1000] * 16 + [1002])
            self.assertEqual((xdata[0][1], xdata[-1][1]), ("{", "}"))
            record = spaces.record(ref)
            self.assertEqual([item[:len(key)] for item, key in zip(record, XDATA_KEYS)], XDATA_KEYS)
        self.assertIn("ADE", spaces.doc.appids)

    def test_records_and_texts_hold_the_measures_of_the_outlines(self):
        spaces = self.spaces
        shafts = 0
        for ref in spaces.refs:
            texts, record = Spaces.texts(ref), Spaces.record(ref)
            name = texts["NAME"]
            self.assertEqual(record[0], "AREA=" + texts["AREA"])
            self.assertEqual(record[2], "NAME=" + name)
            self.assertRegex(texts["AREA"], r"^\d+\.\d\dsq\.m\.$")
            self.assertRegex(record[1], r"^PERIMETER=\d+\.\d\dm\.$")
            self.assertIn(texts["AUX"], (" ", record[1][len("PERIMETER="):]))
            area, length = measures(spaces.outline(ref))
            minus = record[14][len("HANDLESTOMINUS="):]
            if minus:
                shafts += 1
                self.assertRegex(minus, r"^[0-9A-F]+,$")
                shaft = spaces.doc.entitydb[minus[:-1]]
                self.assertEqual((shaft.dxftype(), shaft.dxf.layer), ("LWPOLYLINE", "SHAFTS"))
                pts = [(x, y, b) for x, y, _, _, b in shaft.get_points("xyseb")]
                self.assertTrue(all(inside_strictly((x, y), spaces.outline(ref)) for x, y, _ in pts), name)
                shaft_area, shaft_length = measures(pts)
                area, length = area - shaft_area, length + shaft_length
            self.assertLessEqual(abs(float(texts["AREA"][:-5]) - area / 1e6), 0.005 + 1e-9, name)
            self.assertLessEqual(abs(float(record[1][10:-2]) - length / 1e3), 0.005 + 1e-9, name)
            self.assertEqual(record[9], "ROOM_HEIGHT=2.70m.")
            self.assertAlmostEqual(float(record[13][7:-5]), float(texts["AREA"][:-5]) * 2.7, delta=0.006)
            self.assertEqual(record[15], "HANDLESTOADD=")
        self.assertGreater(shafts, 0)

    def test_assets_stand_inside_the_rooms_they_name(self):
        spaces = self.spaces
        by_name = spaces.by_name()
        self.assertGreater(len(spaces.assets), self.ROOMS // 4)
        numbers, held = set(), {}
        for asset in spaces.assets:
            texts = {a.dxf.tag: a.dxf.text for a in asset.attribs}
            numbers.add(texts["ASSET_NO"])
            room = texts["DESCRIPTION"].rsplit(", ", 1)[1]
            held.setdefault(room, []).append(asset.dxf.name)
            corners = spaces.doc.blocks.get(asset.dxf.name).query("LWPOLYLINE")[0].get_points("xy")
            ins = asset.dxf.insert
            outline = spaces.outline(by_name[room])
            for x, y in corners:
                self.assertTrue(inside_strictly((x + ins.x, y + ins.y), outline), (asset.dxf.name, room))
        self.assertEqual(len(numbers), len(spaces.assets), "asset numbers are unique")
        for name, ref in by_name.items():
            kinds = sorted(held.get(name, []))
            if ref.dxf.layer == "ROOMS-OFFICE":
                self.assertEqual(kinds, ["CHAIR", "DESK"], name)
            elif ref.dxf.layer == "ROOMS-WC":
                self.assertEqual(kinds, [], name)

    def test_shared_definitions(self):
        path = self.generate("shared.dxf", "--rooms", "30", "--spaces", "--shared", "7", "--seed", "2")
        spaces = Spaces(path)
        uses = {}
        for ref in spaces.refs:
            uses.setdefault(ref.dxf.name, []).append(ref)
        self.assertEqual(len(uses["ROOM-1"]), 7)
        self.assertEqual(sorted(len(refs) for name, refs in uses.items() if name != "ROOM-1"), [1] * 23)
        self.assertEqual(len(spaces.by_name()), 30, "each reference has its own name")
        # The shared rooms are alike and, like all rooms, stand apart.
        boxes = [bbox(spaces.outline(r)) for r in spaces.refs]
        sizes = {(b[2] - b[0], b[3] - b[1]) for r, b in zip(spaces.refs, boxes) if r.dxf.name == "ROOM-1"}
        self.assertEqual(sizes, {(3600, 3000)})
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3], (a, b))
        # 3.6 m by 3 m, less a shaft of 0.6 m by 0.6 m where there is one
        areas = sorted(spaces.record(ref)[0] for ref in uses["ROOM-1"])
        self.assertEqual(areas, ["AREA=10.44sq.m."] + ["AREA=10.80sq.m."] * 6)

    def test_outdated_spaces_show_the_measures_before_an_edit(self):
        fresh = Spaces(self.generate("fresh.dxf", "--rooms", "40", "--spaces", "--seed", "9"))
        old = Spaces(self.generate("old.dxf", "--rooms", "40", "--spaces", "--seed", "9", "--outdated", "4"))
        changed = 0
        for (handle, (texts, record)), ref in zip(old.state().items(), fresh.refs):
            self.assertEqual(fresh.outline(ref), old.outline(old.doc.entitydb[handle]), "the same outlines")
            new_texts, new_record = Spaces.texts(ref), Spaces.record(ref)
            if texts == new_texts and record == new_record:
                continue
            changed += 1
            # the first wall stood further in: smaller area and perimeter, and the texts
            # show the old values
            self.assertLess(float(record[0][5:-5]), float(new_record[0][5:-5]))
            self.assertLess(float(record[1][10:-2]), float(new_record[1][10:-2]))
            self.assertEqual(texts["AREA"], record[0][5:])
        self.assertEqual(changed, 40 // 4)

    def test_imperial_spaces_are_measured_in_feet(self):
        spaces = Spaces(self.generate("imperial.dxf", "--rooms", "12", "--spaces", "--units", "imperial",
                                      "--version", "R2000"))
        self.assertEqual(spaces.doc.dxfversion, "AC1015")
        for ref in spaces.refs:
            texts, record = Spaces.texts(ref), Spaces.record(ref)
            self.assertRegex(texts["AREA"], r"^\d+\.\d\dsq\.ft\.$")
            area, length = measures(spaces.outline(ref))
            if record[14] == "HANDLESTOMINUS=":
                self.assertLessEqual(abs(float(texts["AREA"][:-6]) - area / 144), 0.005 + 1e-9)
                self.assertLessEqual(abs(float(record[1][10:-3]) - length / 12), 0.005 + 1e-9)
            self.assertEqual(record[9], "ROOM_HEIGHT=9.00ft.")
            self.assertTrue(record[13].endswith("cu.ft."))
            self.assertEqual({a.dxf.height for a in ref.attribs}, {10})

    def test_deterministic_and_linear(self):
        a = self.generate("a.dxf", "--rooms", "150", "--spaces", "--shared", "3", "--outdated", "5")
        b = self.generate("b.dxf", "--rooms", "150", "--spaces", "--shared", "3", "--outdated", "5")
        with open(a, "rb") as fa, open(b, "rb") as fb:
            self.assertEqual(fa.read(), fb.read())
        big = Spaces(self.generate("big.dxf", "--rooms", "3000", "--spaces", "--shared", "500"))
        self.assertEqual(len(big.refs), 3000)
        self.assertEqual(len(big.doc.blocks.get("ROOM-1").query("ATTDEF")), 3)

    def test_bad_arguments(self):
        out = os.path.join(self.tmp, "never.dxf")
        for args in (["--spaces", "--version", "R12"], ["--shared", "2"], ["--outdated", "3"],
                     ["--rooms", "10", "--spaces", "--shared", "11"], ["--spaces", "--outdated", "-1"],
                     ["--spaces", "--shared", "-1"]):
            r = run(GEN, *args, out)
            self.assertEqual(r.returncode, 2, args)
            self.assertFalse(os.path.exists(out))

    def test_verbose_counts_what_was_made(self):
        out = os.path.join(self.tmp, "v.dxf")
        r = run(GEN, "--rooms", "12", "--spaces", "--shared", "4", "--verbose", out)
        self.assertEqual(r.returncode, 0)
        assets = len(Spaces(out).assets)
        self.assertIn("12 space blocks of 9 definitions, %d assets" % assets, r.stdout)


class Host:
    """Runs cadhost with the module in a private environment: no display, private data
    folder (and so the default preferences unless a test writes some)."""

    def __init__(self, folder):
        self.folder = folder
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.env.update(QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", HOME=folder,
                        XDG_DATA_HOME=os.path.join(folder, "data"),
                        XDG_RUNTIME_DIR=folder)

    def write_prefs(self, units, precision):
        prefs = os.path.join(self.folder, "data", "KavroSystems", "Quorvane", "prefs")
        os.makedirs(prefs, exist_ok=True)
        with open(os.path.join(prefs, "prefs.cfg"), "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n%d\r\n"
                    "precison\r\n%d\r\n" % (units, precision))

    def run(self, drawing, lines):
        script = os.path.join(self.folder, "job.scr")
        with open(script, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))
        return subprocess.run([CADHOST, "--module", QV_MODULE, "--no-gui", "--script", script, drawing],
                              capture_output=True, text=True, env=self.env, timeout=120)


@unittest.skipUnless(os.path.exists(CADHOST) and os.path.exists(QV_MODULE), "cadhost is not built")
class SpacePlanInCadhostTest(unittest.TestCase):
    """The module takes the generated spaces for its own: updating a current plan changes
    nothing, updating an outdated one gives the current one, and the gross-area block the
    module makes is built as the generated space blocks are."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="qv-spaces-host-")
        self.host = Host(self.tmp)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def generate(self, name, *args):
        out = os.path.join(self.tmp, name)
        r = run(GEN, *args, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        return out

    def run_host(self, drawing, commands, out):
        r = self.host.run(drawing, list(commands) + ["SAVEAS", out, "QUIT"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        return r.stdout

    def test_updating_a_current_plan_changes_nothing(self):
        plan = self.generate("plan.dxf", "--rooms", "120", "--floors", "2", "--spaces", "--shared", "5",
                             "--seed", "4")
        out = os.path.join(self.tmp, "updated.dxf")
        self.run_host(plan, ["kus", "krt"], out)
        before, after = Spaces(plan).state(), Spaces(out).state()
        self.assertEqual(len(after), 120)
        self.assertEqual(after, before)

    def test_updating_imperial_spaces_with_imperial_preferences_changes_nothing(self):
        self.host.write_prefs(units=1, precision=2)
        plan = self.generate("plan.dxf", "--rooms", "40", "--spaces", "--units", "imperial")
        out = os.path.join(self.tmp, "updated.dxf")
        self.run_host(plan, ["kus"], out)
        self.assertEqual(Spaces(out).state(), Spaces(plan).state())

    def test_updating_outdated_spaces_gives_the_current_plan(self):
        args = ("--rooms", "90", "--floors", "2", "--spaces", "--seed", "6")
        current = Spaces(self.generate("current.dxf", *args)).state()
        outdated_plan = self.generate("outdated.dxf", *args, "--outdated", "3")
        outdated = Spaces(outdated_plan).state()
        out = os.path.join(self.tmp, "updated.dxf")
        self.assertEqual(self.run_host(outdated_plan, ["kus"], out),
                         "Kavro Update Spaces 64.04.03.00\n90 spaces updated\nDrawing saved as %s\n" % out)
        updated = Spaces(out).state()
        self.assertEqual(sum(outdated[h] != current[h] for h in current), 90 // 3)
        for handle, (texts, record) in updated.items():
            self.assertEqual(texts, current[handle][0], handle)
            # the volume is not measured: it stays what it was
            self.assertEqual(record[:13] + record[14:], current[handle][1][:13] + current[handle][1][14:])
            self.assertEqual(record[13], outdated[handle][1][13])

    def test_the_main_jobs_summary_reads_what_the_drawings_hold(self):
        plan = self.generate("plan.dxf", "--rooms", "24", "--floors", "2", "--spaces", "--outdated", "5",
                             "--shared", "3")
        before = Spaces(plan)
        r = run(JOB, "pick", plan, "200")
        self.assertEqual(r.returncode, 0, r.stderr)
        handle, point = r.stdout.split()
        outline = before.doc.entitydb[handle]
        self.assertEqual(outline.dxf.layer, "GROSS")
        out = os.path.join(self.tmp, "after.dxf")
        self.run_host(plan, ["kgabc", "#" + handle, point, "kus", "kut", "200", "i", "i", "krt"], out)
        self.assert_gross_texts_clear(out, [(x, y) for x, y in outline.get_points("xy")])
        for size in ("0", "-5", "nan", "inf", "big"):
            r = run(JOB, "pick", plan, size)
            self.assertEqual((r.returncode, r.stdout), (1, ""), size)
            self.assertIn("not a text size: " + size, r.stderr)
        r = run(JOB, "summary", plan, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        text = r.stdout
        self.assertIn("  2 floors (gross outlines)\n", text)
        self.assertIn("  24 space blocks (rooms) of 22 block definitions\n", text)
        self.assertIn("  %d assets (furniture blocks" % len(before.assets), text)
        self.assertIn("  no gross-area block yet\n", text)
        area = Spaces.texts([ref for ref in Spaces(out).refs if ref.dxf.name == "ROOM-GROSS_AREA"][0])["AREA"]
        self.assertIn("kgabc made the gross-area block ROOM-GROSS_AREA of %s from a gross outline" % area, text)
        self.assertIn("kus brought 4 space blocks up to date", text)
        self.assertEqual(len(re.findall(r"\n    Room \d\.\d{3}: [\d.]+sq\.m\. -> [\d.]+sq\.m\.", text)), 4)
        self.assertIn("kut set the text size of 24 space blocks to 200\n", text)
        self.assertIn("The result is %s (25 space blocks, %d assets)." % (out, len(before.assets)), text)
        # Run again on the result, nothing is out of date and nothing is resized.
        again = os.path.join(self.tmp, "again.dxf")
        self.run_host(out, ["kus"], again)
        text = run(JOB, "summary", out, again).stdout
        self.assertIn("  2 floors (gross outlines)\n", text)
        self.assertIn("  a gross-area block\n", text)
        self.assertIn("kus found every space block's area and perimeter up to date", text)
        self.assertNotIn("kgabc", text)
        self.assertNotIn("kut", text)
        self.assertEqual(run(JOB, "summary", out).returncode, 2)

    def assert_gross_texts_clear(self, path, outline):
        """The gross-area block's texts (at most a text height wide per character) stand
        inside its outline and off everything else drawn on a shown layer."""
        doc = ezdxf.readfile(path)
        msp = doc.modelspace()
        gross = msp.query('INSERT[name=="ROOM-GROSS_AREA"]').first
        boxes = [(a.dxf.insert.x, a.dxf.insert.y - 0.3 * a.dxf.height,
                  a.dxf.insert.x + len(a.dxf.text) * a.dxf.height, a.dxf.insert.y + a.dxf.height)
                 for a in gross.attribs if a.dxf.text.strip()]
        box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes), max(b[3] for b in boxes))
        for corner in ((box[0], box[1]), (box[2], box[1]), (box[2], box[3]), (box[0], box[3])):
            self.assertTrue(inside(corner, outline), corner)
        shown = [e for e in msp if e is not gross and not doc.layers.get(e.dxf.layer).is_off()]
        for entity, other in zip(shown, ezdxf.bbox.multi_flat(shown)):
            if other.has_data:
                self.assertFalse(other.extmin.x < box[2] and box[0] < other.extmax.x
                                 and other.extmin.y < box[3] and box[1] < other.extmax.y,
                                 "%s %s meets the gross-area texts" % (entity.dxftype(), entity.dxf.handle))

    def test_the_main_jobs_sheet_is_legible_at_the_scale_it_gives(self):
        plan = self.generate("plan.dxf", "--rooms", "60", "--floors", "2", "--spaces", "--outdated", "8",
                             "--markers", "--uses")
        r = run(JOB, "fit", plan, "ISO_A1_(841.00_x_594.00_MM)")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        size = r.stdout.strip()
        r = run(JOB, "pick", plan, size)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        handle, point = r.stdout.split()
        outline = [(x, y) for x, y in ezdxf.readfile(plan).entitydb[handle].get_points("xy")]
        spaces = os.path.join(self.tmp, "spaces.dxf")
        self.run_host(plan, ["kgabc", "#" + handle, point, "kus", "kut", size, "i", "i", "krt"], spaces)
        self.assert_gross_texts_clear(spaces, outline)
        report, pdf = os.path.join(self.tmp, "uses.xml"), os.path.join(self.tmp, "sheet.pdf")
        reported = os.path.join(self.tmp, "reported.dxf")
        self.assertEqual(run(JOB, "report", spaces, report).returncode, 0)
        r = self.host.run(spaces, ["kagr", report, "SAVEAS", reported, "PLOT", "Model", "", "", pdf, "QUIT"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assert_contrasts(ezdxf.readfile(reported))
        self.assertEqual(check_drawings.texts_off_sheet(pdf, set()), [])
        words = [tuple(float(m.group(i)) for i in range(1, 5)) + (m.group(5),) for m in
                 check_drawings.PDF_WORD.finditer(subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True,
                                                                 text=True, check=True).stdout)]
        # No text is smaller than the rooms' numbers, which stand 6 points tall, and the
        # asset numbers stand clear of every other text.
        room_height = max(w[3] - w[1] for w in words if re.fullmatch(r"\d\.\d{3}", w[4]))
        self.assertEqual([w[4] for w in words if w[3] - w[1] < room_height * 0.99], [])
        numbers = [w for w in words if w[4].startswith("AS-")]
        self.assertEqual([(a[4], b[4]) for a in numbers for b in words
                          if a is not b and a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]], [])
        # The title block gives the scale the layout plots at, and the sheet shows it: two
        # asset numbers stand as far apart on paper as the scale makes their distance.
        doc = ezdxf.readfile(spaces)
        title = Spaces.texts(doc.modelspace().query('INSERT[name=="TITLE"]').first)
        self.assertRegex(title["SCALE"], r"^1:(100|125|150|200|250|500)$")
        denominator = int(title["SCALE"][2:])
        settings = doc.modelspace().dxf_layout.dxf
        self.assertEqual((settings.scale_numerator, settings.scale_denominator), (1, denominator))
        assets = {a.dxf.text: a.dxf.insert.x for ref in doc.modelspace().query('INSERT[layer=="ASSETS"]')
                  for a in ref.attribs if a.dxf.tag == "ASSET_NO"}
        placed = {w[4]: w[0] for w in words if w[4] in assets}
        first, last = min(placed, key=placed.get), max(placed, key=placed.get)
        on_paper_mm = (placed[last] - placed[first]) * 25.4 / 72
        self.assertAlmostEqual(on_paper_mm * denominator / (assets[last] - assets[first]), 1, delta=0.001)
        self.assert_clear_of_texts(doc, words, 72 / 25.4 / denominator)
        self.assert_measured_as_drawn(doc, words, 72 / 25.4 / denominator)
        self.assertEqual(run(JOB, "fit", plan, "A1").returncode, 1)

    def assert_contrasts(self, doc):
        """Every text the sheet shows, and every outline of the plan, stands out from what it
        stands on by 4.5:1 or more: from the paper, and from the fill of a room it lies in
        or borders."""
        msp = doc.modelspace()

        def shown(name):
            return doc.layers.get(name).is_on() and not doc.layers.get(name).is_frozen()

        fills = [(plotted_colour(doc, h), [Vec2(v[:2]) for v in h.paths[0].vertices])
                 for h in msp.query("HATCH") if h.dxf.layer.startswith("USE-")]
        items = []
        for e in msp:
            if not shown(e.dxf.layer):
                continue
            if e.dxftype() != "INSERT":
                items.append((e, plotted_colour(doc, e), standing_points(e)))
                continue
            texts = [a for a in e.attribs if not a.is_invisible and a.dxf.text.strip()]
            items += [(a, plotted_colour(doc, a), standing_points(a)) for a in texts]
            block = doc.blocks.get(e.dxf.name)
            items += [(a, plotted_colour(doc, a, e), standing_points(a, e.matrix44()))
                      for a in block.query("ATTDEF") if a.is_const]
            # the pie chart's wedges and leader lines take their category's colour
            if not e.dxf.name.startswith("[KAVRO_PIECHART]"):
                items += [(v, plotted_colour(doc, v, e), standing_points(v)) for v in e.virtual_entities()
                          if shown(e.dxf.layer if v.dxf.layer == "0" else v.dxf.layer)]

        def under(p):
            found = [(colour, is_point_in_polygon_2d(Vec2(p), poly, abs_tol=1.0)) for colour, poly in fills]
            return {colour for colour, where in found if where >= 0} | \
                (set() if any(where > 0 for _, where in found) else {(255, 255, 255)})

        weak = {"%s %s %s on %s" % (e.dxftype(), e.dxf.layer, colour, ground)
                for e, colour, points in items for p in points for ground in under(p) if contrast(colour, ground) < 4.5}
        self.assertEqual(sorted(weak), [])
        self.assertGreater(len(items), 400)

    def assert_clear_of_texts(self, doc, words, scale):
        """No furniture, door, wall line, column or shaft is drawn over a text of the sheet
        (the words of its PDF), and each asset number stands beside its furniture, a text
        height from it at most and nearer to it than to any other, or at the end of a leader
        line from it. scale: points on the sheet per drawing unit."""
        msp = doc.modelspace()
        # where the drawing's origin plots: found from the rooms' areas, centred on their points
        areas = {a.dxf.text: a.dxf.align_point for ref in msp.query("INSERT") for a in ref.attribs
                 if a.dxf.tag == "AREA" and a.dxf.halign == 1}
        x0 = statistics.median((w[0] + w[2]) / 2 - scale * areas[w[4]].x for w in words if w[4] in areas)
        y0 = statistics.median((w[1] + w[3]) / 2 + scale * areas[w[4]].y for w in words if w[4] in areas)

        def on_sheet(entities):
            box = ezdxf.bbox.extents(entities)
            return (x0 + scale * box.extmin.x, y0 - scale * box.extmax.y, x0 + scale * box.extmax.x,
                    y0 - scale * box.extmin.y)

        furniture = {ref: on_sheet(ref.virtual_entities()) for ref in msp.query('INSERT[layer=="ASSETS"]')}
        drawn = list(furniture.values()) + [on_sheet(e.virtual_entities() if e.dxftype() == "INSERT" else [e])
                                            for e in msp.query("*[layer==\"DOORS\" | layer==\"WALLS\" | "
                                                               "layer==\"COLUMNS\" | layer==\"SHAFTS\"]")]
        self.assertEqual([w[4] for w in words for b in drawn if box_gap(w, b) == 0], [])
        leaders = [on_sheet([line]) for line in msp.query('LINE[layer=="ASSETS"]')]
        numbered = {a.dxf.text: r for r in furniture for a in r.attribs if a.dxf.tag == "ASSET_NO"}
        for w in words:
            ref = numbered.get(w[4])
            if ref is None:
                continue
            own = box_gap(w, furniture[ref])
            beside = own <= w[3] - w[1] and all(own < box_gap(w, b) for r, b in furniture.items() if r is not ref)
            led = any(box_gap(w, line) < 1 and box_gap(furniture[ref], line) < 1 for line in leaders)
            self.assertTrue(beside or led, w[4])

    def assert_measured_as_drawn(self, doc, words, scale):
        """What the main job keeps clear of, it measures as the sheet draws it: the boxes it
        finds for the asset numbers, as texts of their style, are as wide and as tall as their
        words on the sheet. scale: points on the sheet per drawing unit."""
        numbers = ezdxf.new()
        for ref in doc.modelspace().query('INSERT[layer=="ASSETS"]'):
            for a in ref.attribs:
                if a.dxf.tag == "ASSET_NO":
                    numbers.modelspace().add_text(a.dxf.text, height=a.dxf.height,
                                                  dxfattribs={"style": a.dxf.style, "insert": a.dxf.insert})
        boxes = example_job.drawn_boxes(numbers, lambda e: True, Collected())
        sizes = {t.dxf.text: ((b[2] - b[0]) * scale, (b[3] - b[1]) * scale)
                 for t, b in zip(numbers.modelspace(), boxes)}
        drawn = {w[4]: (w[2] - w[0], w[3] - w[1]) for w in words if w[4] in sizes}
        self.assertEqual(drawn.keys(), sizes.keys())
        self.assertEqual(["%s %.2fx%.2f, drawn %.2fx%.2f" % (t, *sizes[t], *drawn[t]) for t in sizes
                          if max(abs(sizes[t][i] - drawn[t][i]) for i in (0, 1)) > 0.01], [])

    def test_the_modules_gross_area_block_is_built_as_the_generated_ones(self):
        plan = self.generate("plan.dxf", "--rooms", "10", "--spaces")
        gross = ezdxf.readfile(plan).modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
        out = os.path.join(self.tmp, "gross.dxf")
        self.run_host(plan, ["kgabc", "#" + gross.dxf.handle, "1000,1000"], out)
        made = Spaces(out)
        mine = [r for r in made.refs if r.dxf.name == "ROOM-GROSS_AREA"]
        self.assertEqual(len(mine), 1)
        generated = [r for r in made.refs if r.dxf.name != "ROOM-GROSS_AREA"]
        self.assertEqual(len(generated), 10)

        def shape(ref):
            block = made.definition(ref)
            ins = ref.dxf.insert
            return (ref.dxf.layer == block.query("LWPOLYLINE")[0].dxf.layer,
                    block.block.dxf.flags, tuple(block.block.dxf.base_point),
                    [e.dxftype() for e in block],
                    [(a.dxf.tag, a.dxf.prompt, a.dxf.text, a.dxf.layer, tuple(a.dxf.insert), a.dxf.height,
                      a.dxf.field_length, a.dxf.flags, a.dxf.rotation, a.dxf.get("width", 1))
                     for a in block.query("ATTDEF")],
                    [(a.dxf.tag, a.dxf.layer, tuple(a.dxf.insert - ins), a.dxf.height, a.dxf.field_length,
                      a.dxf.flags, a.dxf.rotation, a.dxf.get("width", 1)) for a in ref.attribs],
                    [code for code, _ in ref.get_xdata("ADE")],
                    [item.split("=")[0] for item in made.record(ref)],
                    ref.dxf.get("xscale", 1), ref.dxf.get("yscale", 1), ref.dxf.get("rotation", 0))

        for ref in generated:
            self.assertEqual(shape(ref), shape(mine[0]), ref.dxf.name)


class DumpTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="qv-dump-")
        cls.plans = {}
        for version in ("R2013", "R12"):
            path = os.path.join(cls.tmp, "plan-%s.dxf" % version)
            r = run(GEN, "--rooms", "60", "--floors", "2", "--version", version, path)
            assert r.returncode == 0, r.stderr
            cls.plans[version] = path

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def resave(self, src, name, change=None):
        doc = ezdxf.readfile(src)
        if change:
            change(doc)
        out = os.path.join(self.tmp, name)
        doc.saveas(out)
        return out

    def test_resave_gives_same_description(self):
        for version, path in self.plans.items():
            again = self.resave(path, "again-%s.dxf" % version)
            self.assertEqual(dxfdump.to_json(dxfdump.dump(path)),
                             dxfdump.to_json(dxfdump.dump(again)), version)

    def test_contents(self):
        d = dxfdump.dump(self.plans["R2013"])
        self.assertEqual(d["header"], {"$ACADVER": "AC1027", "$INSUNITS": 4, "$LUNITS": 2})
        names = [l["name"] for l in d["layers"]]
        self.assertEqual(names, sorted(names, key=lambda n: (n.casefold(), n)))
        grid = next(l for l in d["layers"] if l["name"] == "GRID")
        self.assertFalse(grid["on"])
        meeting = next(l for l in d["layers"] if l["name"] == "ROOMS-MEETING")
        self.assertEqual(meeting["true_color"], ezdxf.rgb2int((200, 80, 160)))
        self.assertEqual([b["name"] for b in d["blocks"]], ["DOOR", "TITLE"])
        self.assertEqual([(l["name"], l["block_record"]) for l in d["layouts"]],
                         [("Model", "*Model_Space"), ("Layout1", "*Paper_Space")])
        self.assertTrue(d["paperspace"]["Layout1"])
        room = d["modelspace"][0]
        self.assertEqual(room["type"], "LWPOLYLINE")
        self.assertTrue(room["closed"])
        self.assertEqual(room["owner"], "*Model_Space")
        title = next(e for e in d["modelspace"]
                     if e["type"] == "INSERT" and e["dxf"]["name"] == "TITLE")
        self.assertEqual([a["dxf"]["tag"] for a in title["attribs"]],
                         ["PROJECT", "DRAWING", "SCALE", "DATE"])
        hatches = [e for e in d["modelspace"] if e["type"] == "HATCH"]
        self.assertTrue(hatches)
        self.assertEqual(hatches[0]["pattern"], "ANSI31")
        self.assertEqual(hatches[0]["loops"], 1)
        # the hatches are drawn first
        order = d["draworder"]["*Model_Space"]
        self.assertEqual(sorted(order[:len(hatches)]), sorted(h["handle"] for h in hatches))
        self.assertEqual(sorted(order), sorted(e["handle"] for e in d["modelspace"]))
        handles = [e["handle"] for e in d["modelspace"]]
        self.assertEqual(len(handles), len(set(handles)))

    def test_sees_changes(self):
        path = self.plans["R2013"]
        base = dxfdump.dump(path)

        def move_vertex(doc):
            room = doc.modelspace().query("LWPOLYLINE")[0]
            pts = list(room.get_points("xyseb"))
            pts[1] = (pts[1][0] + 1e-6, *pts[1][1:])
            room.set_points(pts, format="xyseb")

        def add_xdata(doc):
            doc.appids.new("QUORVANE")
            doc.modelspace().query("LWPOLYLINE")[0].set_xdata(
                "QUORVANE", [(1000, "space"), (1040, 12.5)])

        def recolor_layer(doc):
            doc.layers.get("ROOMS").color = 2

        for name, change in (("vertex", move_vertex), ("xdata", add_xdata),
                             ("layer", recolor_layer)):
            other = dxfdump.dump(self.resave(path, name + ".dxf", change))
            self.assertNotEqual(base, other, name)

        # the same LINE, in the same place, under another handle
        with open(path, encoding="utf-8") as f:
            text = f.read()
        m = re.search(r"\nLINE\n  5\n([0-9A-F]+)\n", text)
        renamed = os.path.join(self.tmp, "handle.dxf")
        with open(renamed, "w", encoding="utf-8") as f:
            f.write(text[:m.start(1)] + "FFFFF" + text[m.end(1):])
        other = dxfdump.dump(renamed)
        self.assertNotEqual(base, other)
        def entities(d):
            return [e for b in d["blocks"] for e in b["entities"]] + d["modelspace"]
        changed = [(a["handle"], b["handle"]) for a, b in
                   zip(entities(base), entities(other)) if a != b]
        self.assertEqual(changed, [(m.group(1), "FFFFF")])
        xd = dxfdump.dump(os.path.join(self.tmp, "xdata.dxf"))
        self.assertIn("QUORVANE", xd["appids"])
        self.assertEqual(xd["modelspace"][0]["xdata"],
                         {"QUORVANE": [[1000, "space"], [1040, 12.5]]})

    def test_ignores_float_noise_and_explicit_defaults(self):
        path = self.plans["R2013"]

        def noise(doc):
            room = doc.modelspace().query("LWPOLYLINE")[0]
            pts = [(x + 1e-12, y, s, e, b) for x, y, s, e, b in room.get_points("xyseb")]
            room.set_points(pts, format="xyseb")
            text = doc.modelspace().query("TEXT")[0]
            text.dxf.oblique = 0.0  # written explicitly, equal to the default
            text.dxf.rotation = 0
            # the same draw order, stored in another order
            order = list(doc.modelspace().get_redraw_order())
            doc.modelspace().set_redraw_order(list(reversed(order)))
        other = self.resave(path, "noise.dxf", noise)
        self.assertEqual(dxfdump.to_json(dxfdump.dump(path)),
                         dxfdump.to_json(dxfdump.dump(other)))

    def test_audit_and_read_errors(self):
        path = self.plans["R2013"]
        r = run(DUMP, "--audit", path)
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertEqual(dxfdump.dump(path), json.loads(r.stdout))

        def undefined_block(doc):
            ref = doc.modelspace().add_blockref("DOOR", (0, 0))
            ref.dxf.name = "NO_SUCH_BLOCK"
        broken = self.resave(path, "broken.dxf", undefined_block)
        r = run(DUMP, "--audit", broken)
        self.assertEqual(r.returncode, 1)
        self.assertIn("INSERT", r.stdout)
        self.assertEqual(run(DUMP, broken).returncode, 0, "without --audit it dumps")

        with open(path, "rb") as f:
            data = f.read()
        truncated = os.path.join(self.tmp, "truncated.dxf")
        with open(truncated, "wb") as f:
            f.write(data[:len(data) // 2])
        for bad in (truncated, os.path.join(self.tmp, "missing.dxf")):
            r = run(DUMP, bad)
            self.assertEqual(r.returncode, 2, bad)
            self.assertIn("cannot read", r.stderr)
            self.assertEqual(r.stdout, "")

    def test_compact_json_is_the_same_description(self):
        path = self.plans["R12"]
        compact = run(DUMP, "--json", path)
        pretty = run(DUMP, path)
        self.assertEqual(compact.stdout.count("\n"), 1)
        self.assertEqual(json.loads(compact.stdout), json.loads(pretty.stdout))


def picture(width, height, boxes):
    """A page as check_drawings reads it (one byte a pixel, 1 for ink) with the outlines of boxes."""
    mask = bytearray(width * height)
    for left, top, right, bottom in boxes:
        for x in range(left, right + 1):
            mask[top * width + x] = mask[bottom * width + x] = 1
        for y in range(top, bottom + 1):
            mask[y * width + left] = mask[y * width + right] = 1
    return width, height, bytes(mask)


def pdf_with_words(path, words, hidden=()):
    """A one-page PDF of 200 x 100 points with each (x, y, text) of words in Helvetica, and
    those of hidden clipped away."""
    content = "".join("BT /F1 12 Tf %g %g Td (%s) Tj ET\n" % word for word in words)
    content += "q 0 0 1 1 re W n\n" + "".join("BT /F1 12 Tf %g %g Td (%s) Tj ET\n" % word for word in hidden) + "Q\n"
    objects = ["<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Resources << /Font << /F1 4 0 R >> >> "
               "/Contents 5 0 R >>", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
               "<< /Length %d >>\nstream\n%sendstream" % (len(content), content)]
    text, offsets = "%PDF-1.4\n", []
    for number, body in enumerate(objects, 1):
        offsets.append(len(text))
        text += "%d 0 obj\n%s\nendobj\n" % (number, body)
    table = "".join("%010d 00000 n \n" % offset for offset in offsets)
    text += "xref\n0 %d\n0000000000 65535 f \n%strailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, table, len(objects) + 1, len(text))
    with open(path, "w", encoding="ascii") as f:
        f.write(text)


class DrawingCheckTest(unittest.TestCase):
    """The findings of scripts/check_drawings.py on plots and saves made for them."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="qv-check-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)

    def test_ink_findings(self):
        frame = (0, 0, 99, 69)
        middle = (40, 25, 60, 45)
        reference = picture(100, 70, [frame, middle])
        cases = [
            ("a part missing", picture(100, 70, [frame]), reference, True,
             [("THIN", "far less ink than LibreCAD's at the middle")]),
            # Fitted to another sheet, shifted and drawn thicker: nothing is missing.
            ("fitted otherwise", picture(140, 120, [(10, 20, 129, 99), (52, 48, 74, 72), (53, 49, 73, 71)]),
             reference, True, []),
            # LibreCAD draws more around the drawing, so that its parts are not ours.
            ("shaped otherwise", picture(100, 70, [(0, 0, 69, 69)]), reference, True, []),
            # LibreCAD leaves out a part that ours draws: the two hold other things.
            ("drawn otherwise", picture(100, 70, [frame] + [(2 + i, 2 + i, 24 - i, 17 - i) for i in range(8)]),
             reference, True, []),
            ("blank beside a drawn plot", picture(100, 70, []), reference, False,
             [("BLANK", "the plot is blank, LibreCAD's has %.2f%% ink" % (100 * check_drawings.ink(reference)))]),
            ("blank with entities", picture(100, 70, []), None, True, [("BLANK", "the plot is blank")]),
            ("blank and empty", picture(100, 70, []), None, False, []),
            ("far less ink", picture(100, 70, [(40, 30, 42, 32)]), reference, True,
             [("THIN", "the plot has 0.11% ink, LibreCAD's 5.94%")]),
        ]
        for name, ours, theirs, has_entities, expected in cases:
            self.assertEqual(check_drawings.ink_findings(ours, theirs, has_entities), expected, name)

    def test_texts_off_sheet(self):
        path = os.path.join(self.tmp, "plot.pdf")
        # A word flush with the right edge (Helvetica's "flush" is 25.344 points wide) is whole,
        # one clipped away is not shown, and the letters of "below" stand whole on the page,
        # however far its box passes the bottom edge.
        pdf_with_words(path, [(20, 50, "inside"), (180, 50, "right"), (20, 1, "below"), (80, 93, "top"),
                              (174.66, 70, "flush")], hidden=[(180, 20, "hidden")])
        # pdftotext leaves out the characters wholly off the page.
        self.assertCountEqual(check_drawings.texts_off_sheet(path, {"inside", "right", "below", "top", "flush"}),
                              ["righ", "top"])

    def test_drawings_through_cadhost(self):
        def drawing(name, version="R2013", *texts, replace=()):
            doc = ezdxf.new(version)
            doc.styles.new("LABEL", dxfattribs={"font": "DejaVuSans.ttf"})
            doc.layers.add("WallsQQ")
            msp = doc.modelspace()
            msp.add_line((0, 7.8), (40, 7.8), dxfattribs={"layer": "WallsQQ"})
            for text in texts:
                text(msp)
            path = os.path.join(self.tmp, name)
            doc.saveas(path)
            with open(path, "rb") as f:
                data = f.read()
            for old, new in replace:
                data = data.replace(old, new)
            with open(path, "wb") as f:
                f.write(data)
            return check_drawings.check(path, options)

        options = argparse.Namespace(out=self.tmp, cadhost=CADHOST, timeout=120, librecad=False)
        cases = {
            # Fitted to the sheet with no margin: the letters touch its edges, none is cut.
            "edge": drawing("edge.dxf", "R2013", lambda msp: msp.dxf_layout.update_dxf_attribs({
                "plot_configuration_file": "DWG To PDF.pc3", "paper_size": "ISO_A4_(297.00_x_210.00_MM)",
                "left_margin": 0, "bottom_margin": 0, "right_margin": 0, "top_margin": 0, "plot_type": 1,
                "plot_layout_flags": 16, "standard_scale_type": 0, "plot_rotation": 0}),
                lambda msp: msp.add_text("Fig", dxfattribs={"style": "LABEL", "height": 40})),
            # A layer name ezdxf finds invalid in the original and the save alike.
            "audit": drawing("audit.dxf", replace=[(b"WallsQQ", b"Walls:1")]),
            # Read by cadhost in Windows-1252 (U+008D), by ezdxf as a surrogate.
            "code page": drawing("cp.dxf", "R2000", replace=[(b"WallsQQ", b"Walls\x8d"), (
                b"  9\n$DWGCODEPAGE\n  3\nANSI_1252\n", b"")]),
            # A one-line label far wider than its box: its second line runs over the wall under it.
            "wrapped": drawing("wrap.dxf", "R2013", lambda msp: msp.add_mtext("Office 1.017 North", dxfattribs={
                "style": "LABEL", "char_height": 1, "insert": (2, 10), "width": 6})),
        }
        for name, lines in cases.items():
            with self.subTest(name):
                self.assertEqual([verdict for verdict, _ in lines], ["OVERLAP" if name == "wrapped" else "ok"], lines)
        self.assertEqual(cases["wrapped"][0][1], "wrap.dxf: texts overlap: 1 wrapped lines of labels outside their boxes "
                                                 "(Office 1.017 North: 1.017 below its box)")

    def test_overlapping_words(self):
        path = os.path.join(self.tmp, "plot.pdf")
        pdf_with_words(path, [(20, 50, "Name"), (30, 47, "Project"), (120, 50, "Room"), (120, 50, "Room"),
                              (120, 20, "Wal"), (130, 16, "Door")], hidden=[(60, 80, "Sheet")])
        # Words the drawing repeats in one place, pieces of words and words not shown are left out.
        words = {"Name", "Project", "Room", "Door", "Sheet"}
        self.assertEqual(check_drawings.overlapping_words(path, words, {"Project", "Room", "Door", "Sheet"}),
                         ["Name/Project"])
        # Texts that do not wrap, set over each other as the drawing holds them.
        self.assertEqual(check_drawings.overlapping_words(path, words, set()), [])

    def test_empty_boxes_and_announced_renames(self):
        doc = ezdxf.new("R2013")
        doc.styles.new("SHAPE", dxfattribs={"font": "txt"})
        doc.styles.new("ARIAL", dxfattribs={"font": "arial.ttf"})
        msp = doc.modelspace()
        for text, style in (("90%%127", "SHAPE"), ("%%1292.0000", "SHAPE"), ("A%%127", "ARIAL"), ("%%d", "SHAPE")):
            msp.add_text(text, dxfattribs={"style": style})
        doc.layouts.new("Sheet").add_line((0, 0), (1, 1))
        before = check_drawings.describe(doc)
        # A shape font draws 127 to 129 as signs; a control character plots as an empty box.
        page = (200, 100, [(0, 0, 10, 10, "90\u00b0"), (0, 20, 10, 30, "2.0000")])
        self.assertEqual(check_drawings.boxed_texts(before["coded"], page), ["%%1292.0000", "A%%127"])
        doc.layouts.rename("Sheet", "Layout9")
        msp.query("TEXT").first.dxf.text = "90%%127".encode("cp1252").decode("utf-8", errors="replace")
        after = check_drawings.describe(doc)
        held = {"5": set(), "2": set()}
        self.assertEqual(check_drawings.differences(before, after, held), ["layout Sheet lost"])
        announced = check_drawings.announced_names("cadhost: repaired: LAYOUT 1F ('Sheet'): named 'Layout9'")
        self.assertEqual(check_drawings.differences(before, after, held, announced), [])

    def test_repeated_groups(self):
        doc = ezdxf.new("R2013")
        msp = doc.modelspace()
        line = msp.add_line((0, 0), (1, 0), dxfattribs={"layer": "WALLS", "color": 1})
        line.set_xdata("ACAD", [(1000, "a"), (1000, "b")])
        msp.add_lwpolyline([(0, 0), (1, 1), (2, 0)], dxfattribs={"layer": "WALLS"})
        msp.add_text("room", dxfattribs={"layer": "TEXTS"})
        path = os.path.join(self.tmp, "saved.dxf")
        doc.saveas(path)
        self.assertEqual(check_drawings.repeated_groups(path), [])
        with open(path, encoding="utf-8") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace("\n  8\nWALLS\n 62\n", "\n  8\nWALLS\n  8\nWALLS\n 62\n     1\n 62\n", 1))
        self.assertEqual(check_drawings.repeated_groups(path),
                         ["LINE %s group 8" % line.dxf.handle, "LINE %s group 62" % line.dxf.handle])


@unittest.skipUnless(shutil.which("librecad"), "librecad is not installed")
class LibreCADTest(unittest.TestCase):
    def test_generated_plan_converts_to_pdf(self):
        tmp = tempfile.mkdtemp(prefix="qv-lc-")
        try:
            path = os.path.join(tmp, "plan.dxf")
            self.assertEqual(run(GEN, "--rooms", "30", path).returncode, 0)
            out = os.path.join(tmp, "pdf")
            r = subprocess.run(["bash", LIBRECAD_CHECK, path, out],
                               capture_output=True, text=True, timeout=90)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertGreater(os.path.getsize(os.path.join(out, "plan.pdf")), 0)
            r = subprocess.run(["bash", LIBRECAD_CHECK, os.path.join(tmp, "no.dxf"), out],
                               capture_output=True, text=True, timeout=90)
            self.assertNotEqual(r.returncode, 0)
        finally:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
