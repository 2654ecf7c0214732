#!/usr/bin/python3
"""Generate an example floor-plan drawing (DXF) of any size.

Usage:
    /usr/bin/python3 scripts/gen_floorplan.py [--rooms N] [--floors F]
        [--seed S] [--version R2013|R2000|R12] [--units metric|imperial]
        [--verbose] OUT.dxf

What the drawing holds (model space):
  * one closed polyline per room (LWPOLYLINE; POLYLINE for R12) on layer
    "ROOMS" or on one of "ROOMS-OFFICE", "ROOMS-WC", "ROOMS-MEETING",
    "ROOMS-STORAGE"; most rooms are rectangles, some have one bulged
    (arc) outer side, a few are L-shaped;
  * one label per room on "ROOM-LABELS" near the room's centre, e.g.
    "Room 2.017" (floor 2, room 17): TEXT, every tenth one MTEXT (R12: TEXT);
  * one closed outline per floor around all its rooms on "GROSS";
  * things that are not spaces: door leaves (LINE on "WALLS"), columns
    (CIRCLE on "COLUMNS"), INSERTs of block "DOOR" on "DOORS", one grid
    axis per floor on the switched-off layer "GRID", hatches of the
    washrooms on "HATCH" (not R12) and one INSERT of block "TITLE" with
    attributes on "TITLE";
  * a paper-space layout "Layout1" with a viewport showing the plan.

Floors are placed side by side on a grid; inside a floor, rooms line both
sides of parallel corridors.  Metric drawings are in millimetres, imperial
ones in inches ($INSUNITS/$LUNITS/$MEASUREMENT are set accordingly).

The output depends only on the arguments: the same seed gives the same
file, byte for byte.  Time and memory are linear in the number of rooms.
"""

import argparse
import math
import random
import sys
import time

import ezdxf

MAX_ROOMS = 100000

# Layer name -> (ACI colour, lineweight in 1/100 mm)
LAYERS = {
    "ROOMS": (3, 25),
    "ROOMS-OFFICE": (4, 25),
    "ROOMS-WC": (5, 25),
    "ROOMS-MEETING": (6, 25),
    "ROOMS-STORAGE": (8, 25),
    "ROOM-LABELS": (7, 18),
    "GROSS": (1, 50),
    "WALLS": (7, 35),
    "COLUMNS": (8, 35),
    "DOORS": (2, 18),
    "GRID": (9, 13),
    "HATCH": (9, 13),
    "TITLE": (7, 25),
    "VIEWPORTS": (7, 13),
}

# Dimensions in drawing units for each unit system.
DIMENSIONS = {
    "metric": dict(
        room_min=2500, room_max=8000, step=50, wall=200, corridor=1800,
        bulge_room=1000, text_height=250, door=900, column=150,
        floor_gap=10000, margin=500, insunits=4, lunits=2, measurement=1,
    ),
    "imperial": dict(
        room_min=96, room_max=312, step=6, wall=8, corridor=72,
        bulge_room=40, text_height=10, door=36, column=6,
        floor_gap=400, margin=20, insunits=1, lunits=4, measurement=0,
    ),
}

ROOM_KINDS = (
    # (cumulative probability, layer)
    (0.05, "ROOMS-WC"),
    (0.15, "ROOMS-OFFICE"),
    (0.19, "ROOMS-MEETING"),
    (0.22, "ROOMS-STORAGE"),
)


def room_layer(rng_value):
    for limit, layer in ROOM_KINDS:
        if rng_value < limit:
            return layer
    return "ROOMS"


def parse_args(argv):
    p = argparse.ArgumentParser(
        description="Generate an example floor-plan DXF drawing.")
    p.add_argument("out", metavar="OUT.dxf", help="file to write")
    p.add_argument("--rooms", type=int, default=50,
                   help="number of rooms, 1..%d (default 50)" % MAX_ROOMS)
    p.add_argument("--floors", type=int, default=None,
                   help="number of floors, 1..rooms "
                        "(default: one per 200 rooms, at least 1)")
    p.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    p.add_argument("--version", default="R2013", choices=("R2013", "R2000", "R12"),
                   help="DXF version (default R2013)")
    p.add_argument("--units", default="metric", choices=("metric", "imperial"),
                   help="metric: millimetres; imperial: inches (default metric)")
    p.add_argument("--verbose", action="store_true",
                   help="print what was written and how long it took")
    a = p.parse_args(argv)
    if not 1 <= a.rooms <= MAX_ROOMS:
        p.error("--rooms must be between 1 and %d" % MAX_ROOMS)
    if a.floors is None:
        a.floors = max(1, math.ceil(a.rooms / 200))
    if not 1 <= a.floors <= a.rooms:
        p.error("--floors must be between 1 and the number of rooms")
    return a


class PlanWriter:
    def __init__(self, version, units, seed):
        self.rng = random.Random(seed)
        self.d = DIMENSIONS[units]
        self.r12 = version == "R12"
        self.doc = ezdxf.new(version)
        self.msp = self.doc.modelspace()
        self.room_count = 0
        self.hatches = []
        self.door_inserts = 0
        self._setup_header()
        self._setup_layers()
        self._setup_blocks()

    # -- document set-up -------------------------------------------------
    def _setup_header(self):
        h = self.doc.header
        h["$INSUNITS"] = self.d["insunits"]
        h["$LUNITS"] = self.d["lunits"]
        h["$MEASUREMENT"] = self.d["measurement"]
        h["$TEXTSIZE"] = self.d["text_height"]

    def _setup_layers(self):
        for name, (color, lineweight) in LAYERS.items():
            attribs = {"color": color}
            if not self.r12:
                attribs["lineweight"] = lineweight
            layer = self.doc.layers.new(name, dxfattribs=attribs)
            if name == "GRID":
                layer.off()
            if name == "VIEWPORTS" and not self.r12:
                layer.dxf.plot = 0
            if name == "ROOMS-MEETING" and self.doc.dxfversion >= "AC1018":
                layer.rgb = (200, 80, 160)

    def _setup_blocks(self):
        d = self.d
        door = self.doc.blocks.new("DOOR", base_point=(0, 0))
        w = d["door"]
        door.add_line((0, 0), (0, w), dxfattribs={"layer": "0"})
        door.add_arc((0, 0), w, 0, 90, dxfattribs={"layer": "0"})

        title = self.doc.blocks.new("TITLE", base_point=(0, 0))
        th = d["text_height"]
        tw, tht = 40 * th, 8 * th
        for a, b in (((0, 0), (tw, 0)), ((tw, 0), (tw, tht)),
                     ((tw, tht), (0, tht)), ((0, tht), (0, 0))):
            title.add_line(a, b)
        title.add_text("Quorvane example plan",
                       dxfattribs={"height": th * 1.5, "insert": (th, tht - 2 * th)})
        for i, (tag, prompt, default) in enumerate((
                ("PROJECT", "Project name", "Example"),
                ("DRAWING", "Drawing number", "A-000"),
                ("SCALE", "Scale", "1:100"),
                ("DATE", "Date", "2000-01-01"))):
            title.add_attdef(tag, (th, tht - (3.5 + 1.5 * i) * th), text=default,
                             height=th, dxfattribs={"prompt": prompt})

    # -- geometry helpers ------------------------------------------------
    def _size(self):
        d = self.d
        return self.rng.randrange(d["room_min"], d["room_max"] + 1, d["step"])

    def _polyline(self, points, layer):
        """points: list of (x, y, bulge)."""
        if self.r12:
            return self.msp.add_polyline2d(
                points, format="xyb", close=True, dxfattribs={"layer": layer})
        return self.msp.add_lwpolyline(
            points, format="xyb", close=True, dxfattribs={"layer": layer})

    def _label(self, text, x, y):
        th = self.d["text_height"]
        if not self.r12 and self.room_count % 10 == 0:
            self.msp.add_mtext(text, dxfattribs={
                "layer": "ROOM-LABELS", "insert": (x, y), "char_height": th,
                "attachment_point": 5})
        else:
            self.msp.add_text(text, dxfattribs={
                "layer": "ROOM-LABELS", "height": th, "insert": (x, y),
                "align_point": (x, y), "halign": 1, "valign": 2})

    def _door_insert(self, x, y, rotation):
        self.msp.add_blockref("DOOR", (x, y), dxfattribs={
            "layer": "DOORS", "rotation": rotation})
        self.door_inserts += 1

    # -- rooms -----------------------------------------------------------
    def _room(self, floor_no, x, edge_y, outward, bbox):
        """Add one room whose corridor side lies on edge_y, starting at x.

        outward: -1 when the room lies below the corridor, +1 above it.
        Returns the room's width.
        """
        rng, d = self.rng, self.d
        self.room_count += 1
        number = self.room_count
        w, depth = self._size(), self._size()
        y_out = edge_y + outward * depth
        y0, y1 = min(edge_y, y_out), max(edge_y, y_out)
        layer = room_layer(rng.random())
        shape = rng.random()
        label_x, label_y = x + w / 2, (y0 + y1) / 2
        if shape < 0.08:
            # bulged outer side; the polygon runs counter-clockwise, so a
            # positive bulge bends the side outwards.
            bulge = rng.choice((0.1, 0.15, 0.2, 0.25))
            if outward < 0:
                pts = [(x, y0, bulge), (x + w, y0, 0), (x + w, y1, 0), (x, y1, 0)]
            else:
                pts = [(x, y0, 0), (x + w, y0, 0), (x + w, y1, bulge), (x, y1, 0)]
            sagitta = bulge * w / 2
            y_extreme = y_out + outward * sagitta
        elif shape < 0.12 and min(w, depth) >= 1.6 * d["room_min"]:
            # L-shape: a notch cut out of the outer corner away from x
            nx = self._snap(w * rng.uniform(0.3, 0.5))
            ny = self._snap(depth * rng.uniform(0.3, 0.5))
            if outward < 0:
                pts = [(x, y0, 0), (x + w - nx, y0, 0), (x + w - nx, y0 + ny, 0),
                       (x + w, y0 + ny, 0), (x + w, y1, 0), (x, y1, 0)]
            else:
                pts = [(x, y0, 0), (x + w, y0, 0), (x + w, y1 - ny, 0),
                       (x + w - nx, y1 - ny, 0), (x + w - nx, y1, 0), (x, y1, 0)]
            label_x = x + (w - nx) / 2
            y_extreme = y_out
        else:
            pts = [(x, y0, 0), (x + w, y0, 0), (x + w, y1, 0), (x, y1, 0)]
            y_extreme = y_out
        room = self._polyline(pts, layer)
        if layer == "ROOMS-WC" and not self.r12:
            self.hatches.append((pts, room))
        self._label("Room %d.%03d" % (floor_no, number), label_x, label_y)

        # a door on the corridor side
        door_x = x + d["wall"] * 2
        if number % 25 == 1:
            self._door_insert(door_x, edge_y, 0 if outward < 0 else 180)
        elif number % 4 == 0:
            self.msp.add_line((door_x, edge_y), (door_x, edge_y - outward * d["door"]),
                              dxfattribs={"layer": "WALLS"})
        # a column in the corridor now and then
        if number % 6 == 0:
            self.msp.add_circle((x - d["wall"] / 2, edge_y - outward * 2 * d["column"]),
                                d["column"], dxfattribs={"layer": "COLUMNS"})
        bbox[0] = min(bbox[0], x)
        bbox[1] = min(bbox[1], y0, y_extreme)
        bbox[2] = max(bbox[2], x + w)
        bbox[3] = max(bbox[3], y1, y_extreme)
        return w

    def _snap(self, v):
        step = self.d["step"]
        return max(step, int(round(v / step)) * step)

    def floor(self, floor_no, rooms, origin_x, top_y):
        """Lay out `rooms` rooms of one floor below top_y, starting at
        origin_x; returns the floor's outline (x0, y0, x1, y1)."""
        d = self.d
        # rooms per row chosen so that the floor is roughly square
        per_row = max(1, round(1.3 * math.sqrt(rooms)))
        band = 2 * (d["room_max"] + d["bulge_room"]) + d["corridor"] + d["wall"]
        first_corridor = top_y - d["margin"] - d["room_max"] - d["bulge_room"] - d["corridor"]
        bbox = [math.inf, math.inf, -math.inf, -math.inf]
        placed = 0
        band_no = 0
        self.room_count = 0
        while placed < rooms:
            corridor_low = first_corridor - band_no * band
            corridor_high = corridor_low + d["corridor"]
            for edge_y, outward in ((corridor_high, 1), (corridor_low, -1)):
                x = origin_x + d["wall"]
                for _ in range(min(per_row, rooms - placed)):
                    x += self._room(floor_no, x, edge_y, outward, bbox) + d["wall"]
                    placed += 1
                # the gross outline encloses the corridor too
                bbox[1] = min(bbox[1], corridor_low)
                bbox[3] = max(bbox[3], corridor_high)
                if placed >= rooms:
                    break
            band_no += 1
        m = d["margin"]
        x0, y0, x1, y1 = bbox[0] - m, bbox[1] - m, bbox[2] + m, bbox[3] + m
        gross = [(x0, y0, 0), (x1, y0, 0), (x1, y1, 0), (x0, y1, 0)]
        self._polyline(gross, "GROSS")
        # main entrance on the gross outline, a grid axis along the floor
        self._door_insert(x0 + 2 * d["door"], y0, 0)
        self.msp.add_line((x0, (y0 + y1) / 2), (x1, (y0 + y1) / 2),
                          dxfattribs={"layer": "GRID"})
        return x0, y0, x1, y1

    def finish(self, extents):
        x0, y0, x1, y1 = extents
        d = self.d
        # the title block below the first floor
        th = d["text_height"]
        title_y = y0 - 10 * th
        ref = self.msp.add_blockref("TITLE", (x0, title_y), dxfattribs={"layer": "TITLE"})
        ref.add_auto_attribs({"PROJECT": "Quorvane example",
                              "DRAWING": "A-%03d" % 1, "SCALE": "1:100",
                              "DATE": "2000-01-01"})
        y0 = title_y
        # hatches of the washrooms, drawn beneath everything else
        if self.hatches:
            order = {}
            for pts, room in self.hatches:
                hatch = self.msp.add_hatch(color=256, dxfattribs={"layer": "HATCH"})
                hatch.set_pattern_fill("ANSI31", scale=th / 10)
                hatch.paths.add_polyline_path([(x, y, b) for x, y, b in pts], is_closed=True)
                order[hatch.dxf.handle] = "1"
            self.msp.set_redraw_order(order)
        # ezdxf copies the model-space layout's extents and limits into the
        # header ($EXTMIN, $EXTMAX, $LIMMIN, $LIMMAX) when it saves
        self.msp.dxf.extmin = (x0, y0, 0)
        self.msp.dxf.extmax = (x1, y1, 0)
        self.msp.dxf.limmin = (x0, y0)
        self.msp.dxf.limmax = (x1, y1)
        # paper space: A3 landscape with one viewport showing the whole plan
        layout = self.doc.layouts.get("Layout1")
        paper = (420, 297)
        if self.r12:
            layout.page_setup_r12(size=paper, scale=(1, 1))
        else:
            layout.page_setup(size=paper, margins=(10, 10, 10, 10), scale=(1, 1))
        w, hgt = x1 - x0, y1 - y0
        vp_w, vp_h = 380.0, 257.0
        view_h = max(hgt, w * vp_h / vp_w) * 1.05
        layout.add_viewport(center=(paper[0] / 2, paper[1] / 2), size=(vp_w, vp_h),
                            view_center_point=((x0 + x1) / 2, (y0 + y1) / 2),
                            view_height=view_h)

    def save(self, path):
        doc = self.doc
        if doc.dxfversion > "AC1009":
            # ezdxf collects the CLASSES from a set, in an order that changes
            # from run to run; register them now, sorted, for identical bytes
            doc.classes.add_required_classes(doc.dxfversion)
            doc.classes.classes = dict(sorted(doc.classes.classes.items()))
        doc.saveas(path)


def generate(rooms, floors, seed=1, version="R2013", units="metric"):
    """Build the drawing in memory and return the ezdxf document."""
    plan = PlanWriter(version, units, seed)
    base, extra = divmod(rooms, floors)
    gap = plan.d["floor_gap"]
    # floors on a grid, row by row, left to right
    columns = math.ceil(math.sqrt(floors))
    x, y, row_bottom = 0.0, 0.0, 0.0
    ext = [math.inf, math.inf, -math.inf, -math.inf]
    for f in range(1, floors + 1):
        if f > 1 and (f - 1) % columns == 0:
            x, y = 0.0, row_bottom - gap
        bx0, by0, bx1, by1 = plan.floor(f, base + (1 if f <= extra else 0), x, y)
        ext = [min(ext[0], bx0), min(ext[1], by0), max(ext[2], bx1), max(ext[3], by1)]
        row_bottom = min(row_bottom, by0)
        x = bx1 + gap
    plan.finish(ext)
    return plan


def main(argv=None):
    a = parse_args(sys.argv[1:] if argv is None else argv)
    # fixed dates and GUIDs in the header, so that a seed gives identical bytes
    ezdxf.options.write_fixed_meta_data_for_testing = True
    t0 = time.perf_counter()
    plan = generate(a.rooms, a.floors, a.seed, a.version, a.units)
    t1 = time.perf_counter()
    try:
        plan.save(a.out)
    except OSError as e:
        print("gen_floorplan: cannot write %s: %s" % (a.out, e), file=sys.stderr)
        return 1
    t2 = time.perf_counter()
    if a.verbose:
        print("%s: %d rooms on %d floors, %d entities, DXF %s, %s; "
              "built in %.2f s, written in %.2f s"
              % (a.out, a.rooms, a.floors, len(plan.msp), a.version, a.units,
                 t1 - t0, t2 - t1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
