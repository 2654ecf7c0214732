#!/usr/bin/python3
"""Tests of the drawing tools: scripts/gen_floorplan.py, tests/tools/dxfdump.py
and tests/tools/librecad_check.sh.  Run with /usr/bin/python3 (ezdxf)."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
GEN = os.path.join(ROOT, "scripts", "gen_floorplan.py")
DUMP = os.path.join(HERE, "dxfdump.py")
LIBRECAD_CHECK = os.path.join(HERE, "librecad_check.sh")

sys.path.insert(0, HERE)
import dxfdump  # noqa: E402
import ezdxf  # noqa: E402

LABEL = re.compile(r"^Room (\d+)\.(\d{3,})$")


def run(*args):
    return subprocess.run([sys.executable, *args], capture_output=True, text=True,
                          timeout=120)


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


def signed_area(poly):
    return sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1])) / 2


def bbox(poly):
    xs, ys = [p[0] for p in poly], [p[1] for p in poly]
    return min(xs), min(ys), max(xs), max(ys)


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
