#!/usr/bin/python3
"""Generate an example floor-plan drawing (DXF) of any size.

Usage:
    /usr/bin/python3 scripts/gen_floorplan.py [--rooms N] [--floors F]
        [--seed S] [--version R2013|R2000|R12] [--units metric|imperial]
        [--spaces [--shared N] [--outdated N] [--mixed N] [--markers] [--uses]
         | --labels]
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

With --spaces the plan is what a drawing of this system holds once its rooms are
space blocks (the same rooms as without it for the same seed, unless --shared):
  * each room is a block reference on the room's layer of its own definition
    "ROOM-<n>" (n counts from 1), whose origin is the room's centre (see --uses): the outline,
    then the attribute definitions AREA, NAME (1.5 text heights below) and AUX
    (1.5 above) on "ATT-AREA", "ATT-NAME", "ATT-AUX"; the reference carries the
    attributes ("Room 2.017" as NAME, the area as AREA, the perimeter or a blank
    as AUX) and the "ADE" XData record: "{", the sixteen KEY=value strings from
    "AREA=" to "HANDLESTOADD=", "}", with area and perimeter in square metres and
    metres (square feet and feet when imperial) at two decimals, as this system
    computes them; there are no room labels;
  * every ninth room has a shaft (a closed polyline on "SHAFTS") whose area its
    record subtracts ("HANDLESTOMINUS=<handle>,");
  * offices hold a DESK and a CHAIR, meeting rooms a TABLE, storage rooms and
    every third plain room a CABINET: block references on "ASSETS" with the
    attributes ASSET_NO and DESCRIPTION (which names the room), the assets that
    this system finds inside the rooms;
  * --shared N: the first N rooms are alike, typical offices whose references
    share the definition "ROOM-1";
  * --outdated N: every Nth space carries the measures of its outline before its
    first wall was moved, in its record and texts, as if not updated since;
  * --mixed N: every Nth space was measured in the other unit system (square
    feet and feet in a metric drawing, square metres and metres in an imperial
    one): its record and texts carry those measures and units;
  * --markers: a legend marker (block "MARKER-LEGEND", a rectangle whose top-left
    corner is the origin) and a pie-chart marker (block "MARKER-PIECHART", a
    circle around the origin) right of the plan, each with its five settings
    attributes, on the switched-off layers "KAVRO_LEGEND_MARKER" and
    "KAVRO_PIECHART_MARKER", as the marker commands make them;
  * --uses: rooms are named after their use, "Office 1.017", "Meeting",
    "Store" or "WC" (a plain room is a store when it holds a cabinet and an
    office otherwise), their texts are centred on their points, NAME and
    AUX two text heights below and above AREA, the point (the block's
    origin) mid-way across the part of the room its furniture leaves free,
    and every corridor is a space block too ("Corridor 1.2", the floor's
    second corridor, on "ROOMS-CIRCULATION", area type "Circulation"), its
    point in the middle of its longest stretch that no door or column takes.

With --labels the plan is one drawn with the other system, whose space labels this
system converts into space blocks:
  * each room's outline stays a plain closed polyline, and in place of its text
    label a reference of the block "TENDRA_SPACE_LABEL" on layer "TENDRA_LABELS"
    stands at the room's centre with the attributes ROOM (the room's name; every
    seventh label turned by 90 degrees) and PLINE2_ID (the hexadecimal handle of
    the room's outline, invisible);
  * the floors' gross outlines lie on the layer "BOMA", frozen and off.

Floors are placed side by side on a grid; inside a floor, rooms line both
sides of parallel corridors.  Metric drawings are in millimetres, imperial
ones in inches ($INSUNITS/$LUNITS/$MEASUREMENT are set accordingly).

The output depends only on the arguments: the same seed gives the same
file, byte for byte.  Time and memory are linear in the number of rooms.
"""

import argparse
import collections
import decimal
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


# One room as laid out: its name, floor and number on the floor, outline vertices
# (x, y, bulge), layer, the point its texts stand at, its box (x, y0, y1, w), and the side
# away from the corridor (-1 below, +1 above).
Room = collections.namedtuple("Room", "name floor number pts layer base x y0 y1 w outward")


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
    p.add_argument("--spaces", action="store_true",
                   help="rooms as space blocks with assets, as a drawing of this "
                        "system holds them (not with R12)")
    p.add_argument("--shared", type=int, default=0, metavar="N",
                   help="with --spaces: the first N rooms are alike and their "
                        "references share one definition (default 0)")
    p.add_argument("--outdated", type=int, default=0, metavar="N",
                   help="with --spaces: every Nth space carries the measures of its "
                        "outline before an edit, as if not updated since (default 0: none)")
    p.add_argument("--labels", action="store_true",
                   help="rooms as plain outlines with the other system's space labels "
                        "(\"TENDRA_SPACE_LABEL\") naming them (not with R12)")
    p.add_argument("--mixed", type=int, default=0, metavar="N",
                   help="with --spaces: every Nth space is measured in the other unit "
                        "system (default 0: none)")
    p.add_argument("--markers", action="store_true",
                   help="with --spaces: add a legend and a pie-chart marker block")
    p.add_argument("--uses", action="store_true",
                   help="with --spaces: name the rooms after their use and make the "
                        "corridors space blocks")
    p.add_argument("--verbose", action="store_true",
                   help="print what was written and how long it took")
    a = p.parse_args(argv)
    if not 1 <= a.rooms <= MAX_ROOMS:
        p.error("--rooms must be between 1 and %d" % MAX_ROOMS)
    if a.floors is None:
        a.floors = max(1, math.ceil(a.rooms / 200))
    if not 1 <= a.floors <= a.rooms:
        p.error("--floors must be between 1 and the number of rooms")
    if a.spaces and a.version == "R12":
        p.error("--spaces needs R2000 or later: space outlines are lightweight polylines")
    if a.labels and (a.spaces or a.version == "R12"):
        p.error("--labels cannot be combined with --spaces or R12")
    if (a.shared or a.outdated or a.mixed or a.markers or a.uses) and not a.spaces:
        p.error("--shared, --outdated, --mixed, --markers and --uses need --spaces")
    if a.mixed < 0:
        p.error("--mixed must be 0 or more")
    if not 0 <= a.shared <= a.rooms:
        p.error("--shared must be between 0 and the number of rooms")
    if a.outdated < 0:
        p.error("--outdated must be 0 or more")
    return a


class PlanWriter:
    def __init__(self, version, units, seed):
        self.rng = random.Random(seed)
        self.d = DIMENSIONS[units]
        self.r12 = version == "R12"
        self.doc = ezdxf.new(version)
        self.msp = self.doc.modelspace()
        self.room_count = 0
        self.total_rooms = 0
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
        # the texts stand 1.5 text heights apart, the last one a text height above the frame
        tw, tht = 40 * th, 9 * th
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
    def _kind(self):
        """Width, depth, layer and a shape draw for the next room."""
        w, depth = self._size(), self._size()
        return w, depth, room_layer(self.rng.random()), self.rng.random()

    def _room(self, floor_no, x, edge_y, outward, bbox):
        """Add one room whose corridor side lies on edge_y, starting at x.

        outward: -1 when the room lies below the corridor, +1 above it.
        Returns the room's width.
        """
        rng, d = self.rng, self.d
        self.room_count += 1
        self.total_rooms += 1
        number = self.room_count
        w, depth, layer, shape = self._kind()
        y_out = edge_y + outward * depth
        y0, y1 = min(edge_y, y_out), max(edge_y, y_out)
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
        self._add_room(Room(self._room_name(layer, number) + " %d.%03d" % (floor_no, number), floor_no, number, pts,
                            layer, (label_x, label_y), x, y0, y1, w, outward))

        # a door on the corridor side
        door_x = x + d["wall"] * 2
        if number % 25 == 1:
            self._door_insert(door_x, edge_y, 0 if outward < 0 else 180)
            self.in_corridor.append((door_x - d["door"], door_x + d["door"]))
        elif number % 4 == 0:
            self.msp.add_line((door_x, edge_y), (door_x, edge_y - outward * d["door"]),
                              dxfattribs={"layer": "WALLS"})
            self.in_corridor.append((door_x, door_x))
        # a column in the corridor now and then
        if number % 6 == 0:
            column_x = x - d["wall"] / 2
            self.msp.add_circle((column_x, edge_y - outward * 2 * d["column"]),
                                d["column"], dxfattribs={"layer": "COLUMNS"})
            self.in_corridor.append((column_x - d["column"], column_x + d["column"]))
        bbox[0] = min(bbox[0], x)
        bbox[1] = min(bbox[1], y0, y_extreme)
        bbox[2] = max(bbox[2], x + w)
        bbox[3] = max(bbox[3], y1, y_extreme)
        return w

    def _add_room(self, room):
        """A room as plain geometry: its outline and a label at its centre."""
        self._polyline(room.pts, room.layer)
        if room.layer == "ROOMS-WC" and not self.r12:
            self.hatches.append(room.pts)
        self._label(room.name, *room.base)

    def _room_name(self, layer, number):
        """The first word(s) of a room's name."""
        return "Room"

    def _corridor(self, floor_no, number, x0, x1, y0, y1):
        """A corridor between two rows of rooms: nothing but in a plan whose uses are named."""

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
            # what the band's doors and columns take of its corridor, as spans of x
            self.in_corridor = []
            corridor_low = first_corridor - band_no * band
            corridor_high = corridor_low + d["corridor"]
            row_end = origin_x + d["wall"]
            for edge_y, outward in ((corridor_high, 1), (corridor_low, -1)):
                x = origin_x + d["wall"]
                for _ in range(min(per_row, rooms - placed)):
                    x += self._room(floor_no, x, edge_y, outward, bbox) + d["wall"]
                    placed += 1
                row_end = max(row_end, x - d["wall"])
                # the gross outline encloses the corridor too
                bbox[1] = min(bbox[1], corridor_low)
                bbox[3] = max(bbox[3], corridor_high)
                if placed >= rooms:
                    break
            band_no += 1
            self._corridor(floor_no, band_no, origin_x + d["wall"], row_end, corridor_low, corridor_high)
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
            for pts in self.hatches:
                # by layer (light grey), with lines 400 mm apart (as tiles are), so that
                # a plot of the whole plan still draws them as lines
                hatch = self.msp.add_hatch(color=256, dxfattribs={"layer": "HATCH"})
                hatch.set_pattern_fill("ANSI31", color=256, scale=th / 2)
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


# What a space block records and shows, per unit system: the divisors from drawing units
# to the record's units (millimetres to metres, inches to feet) and the units' texts.
RECORD_UNITS = {
    "metric": dict(length=1000.0, area=1000000.0,
                   area_unit="sq.m.", length_unit="m.", volume_unit="cu.m."),
    "imperial": dict(length=12.0, area=144.0,
                     area_unit="sq.ft.", length_unit="ft.", volume_unit="cu.ft."),
}

# What a space block measured in the other unit system records, per drawing unit system:
# the divisors from drawing units (millimetres, inches) to feet or metres, and the texts.
OTHER_RECORD_UNITS = {
    "metric": dict(length=304.8, area=92903.04,
                   area_unit="sq.ft.", length_unit="ft.", volume_unit="cu.ft."),
    "imperial": dict(length=39.37007874015748, area=1550.0031000062,
                     area_unit="sq.m.", length_unit="m.", volume_unit="cu.m."),
}

# Furniture and fittings in drawing units, per unit system: block name -> (width, depth).
ASSET_SIZES = {
    "metric": {"DESK": (1400, 700), "CHAIR": (500, 500), "TABLE": (1600, 800),
               "CABINET": (1000, 500)},
    "imperial": {"DESK": (56, 28), "CHAIR": (20, 20), "TABLE": (60, 30),
                 "CABINET": (36, 18)},
}

# Where things stand inside a room, and the room height, per unit system: inset from the
# walls, gap between desk and chair, side of a shaft, size of the typical room that
# shared definitions show, room height in the record's length unit.
SPACE_DIMENSIONS = {
    "metric": dict(inset=300, gap=100, shaft=600, typical=(3600, 3000), height=2.7),
    "imperial": dict(inset=12, gap=4, shaft=24, typical=(144, 120), height=9.0),
}

# The assets each kind of room holds, by room layer.
ROOM_ASSETS = {
    "ROOMS-OFFICE": ("DESK", "CHAIR"),
    "ROOMS-MEETING": ("TABLE",),
    "ROOMS-STORAGE": ("CABINET",),
}

# The kinds of rooms the records name, by room layer.
AREA_TYPES = {
    "ROOMS-OFFICE": "Office", "ROOMS-WC": "Washroom", "ROOMS-MEETING": "Meeting room",
    "ROOMS-STORAGE": "Storage", "ROOMS-CIRCULATION": "Circulation",
}

# The names of rooms after their use (--uses), by room layer; a plain room is a store when
# it holds a cabinet and an office otherwise.
USE_NAMES = {
    "ROOMS-OFFICE": "Office", "ROOMS-WC": "WC", "ROOMS-MEETING": "Meeting",
    "ROOMS-STORAGE": "Store",
}

NOT_SET = "<Not Set>"
# Every ninth room (counting from the fifth) has a shaft whose area is subtracted.
SHAFT_EVERY, SHAFT_FIRST = 9, 5
# Every third plain room has a cabinet.
CABINET_EVERY = 3


def fixed(value, decimals=2):
    """The number as this system writes it: the exact binary value rounded half away
    from zero to the decimals."""
    quantum = decimal.Decimal(1).scaleb(-decimals)
    return str(decimal.Decimal(value).quantize(quantum, rounding=decimal.ROUND_HALF_UP))


def outline_measures(pts):
    """Area and length of a closed outline of (x, y, bulge) vertices, summed in the order
    and by the formulas this system's polylines use, so that the doubles agree."""
    area = length = 0.0
    n = len(pts)
    for i, (x1, y1, bulge) in enumerate(pts):
        x2, y2, _ = pts[(i + 1) % n]
        area += (x1 * y2 - x2 * y1) / 2
        chord = math.hypot(x2 - x1, y2 - y1)
        if bulge and chord > 0:
            theta = 4 * math.atan(bulge)
            r = chord / (2 * math.sin(abs(theta) / 2))
            area += r * r / 2 * (theta - math.sin(theta))
            sweep = 4 * math.atan(abs(bulge))
            length += chord * sweep / (2 * math.sin(sweep / 2))
        else:
            length += chord
    return abs(area), length


class SpacePlanWriter(PlanWriter):
    """The plan as a drawing of this system holds it: every room is a space block (its
    own "ROOM-<n>" definition around its outline, with the AREA, NAME and AUX attribute
    definitions, and a reference carrying the texts and the "ADE" record of its
    measures), furniture blocks stand inside rooms as assets, some rooms subtract the
    area of a shaft, and the gross outline of each floor stays a plain polyline.

    shared: the first `shared` rooms are typical offices of one size whose references
    share one definition.  outdated: every `outdated`-th space (0: none) carries the
    measures its outline had before its first wall was moved, as a drawing does whose
    spaces were not updated after an edit."""

    def __init__(self, version, units, seed, shared=0, outdated=0, mixed=0, uses=False):
        self.uses = uses
        # NAME and AUX stand this many text heights from AREA: two in a plan whose uses
        # are named, so that its texts may be made larger and still keep apart
        self._line = 2.0 if uses else 1.5
        self.units = RECORD_UNITS[units]
        self.other_units = OTHER_RECORD_UNITS[units]
        self.other_height = SPACE_DIMENSIONS["imperial" if units == "metric" else "metric"]["height"]
        self.mixed = mixed
        self.sizes = ASSET_SIZES[units]
        self.sd = SPACE_DIMENSIONS[units]
        self.shared = shared
        self.outdated = outdated
        self.definitions = 0
        self.shared_definition = None
        self.space_count = 0
        self.asset_count = 0
        super().__init__(version, units, seed)

    def _setup_layers(self):
        super()._setup_layers()
        for name in ("ATT-AREA", "ATT-NAME", "ATT-AUX"):
            self.doc.layers.new(name)
        self.doc.layers.new("ASSETS", dxfattribs={"color": 30})
        self.doc.layers.new("SHAFTS", dxfattribs={"color": 8})
        if self.uses:
            self.doc.layers.new("ROOMS-CIRCULATION", dxfattribs={"color": 3, "lineweight": 25})
        self.doc.appids.new("ADE")

    def _setup_blocks(self):
        super()._setup_blocks()
        th = self.d["text_height"]
        for name, (w, depth) in self.sizes.items():
            block = self.doc.blocks.new(name, base_point=(0, 0))
            block.add_lwpolyline([(0, 0), (w, 0), (w, depth), (0, depth)], close=True,
                                 dxfattribs={"layer": "0"})
            block.add_attdef("ASSET_NO", (th / 4, th / 4), text="", height=th / 2,
                             dxfattribs={"prompt": "Asset number", "layer": "0"})
            block.add_attdef("DESCRIPTION", (th / 4, th), text="", height=th / 2,
                             dxfattribs={"prompt": "Description", "layer": "0",
                                         "flags": 1})

    # -- rooms -----------------------------------------------------------
    def _room_name(self, layer, number):
        if not self.uses:
            return "Room"
        if layer == "ROOMS":
            return "Store" if number % CABINET_EVERY == 0 else "Office"
        return USE_NAMES[layer]

    def _corridor(self, floor_no, number, x0, x1, y0, y1):
        if not self.uses or x1 <= x0:
            return
        base = (self._widest_stretch(x0, x1), (y0 + y1) / 2)
        pts = [(x0, y0, 0), (x1, y0, 0), (x1, y1, 0), (x0, y1, 0)]
        room = Room("Corridor %d.%d" % (floor_no, number), floor_no, number, pts, "ROOMS-CIRCULATION",
                    base, x0, y0, y1, x1 - x0, 1)
        local = [(x - base[0], y - base[1], b) for x, y, b in pts]
        area, perimeter = self._measures(local, None, self.units)
        self._reference(self._definition(local, room.layer), room, area, perimeter, None, self.units,
                        self.sd["height"])

    def _widest_stretch(self, x0, x1):
        """The middle of the longest stretch of the corridor from x0 to x1 that no door or
        column takes, where its texts stand clear of them."""
        longest, middle, start = -1.0, (x0 + x1) / 2, x0
        for a, b in sorted(self.in_corridor) + [(x1, x1)]:
            if a - start > longest:
                longest, middle = a - start, (start + a) / 2
            start = max(start, b)
        return middle

    def _is_shared(self):
        return self.total_rooms <= self.shared

    def _kind(self):
        if self._is_shared():
            w, depth = self.sd["typical"]
            return w, depth, "ROOMS-OFFICE", 1.0
        return super()._kind()

    def _add_room(self, room):
        if room.layer == "ROOMS-WC":
            self.hatches.append(room.pts)
        if self.uses:
            room = room._replace(base=self._text_point(room))
        bx, by = room.base
        local = [(x - bx, y - by, b) for x, y, b in room.pts]
        if self._is_shared():
            if self.shared_definition is None:
                self.shared_definition = self._definition(local, room.layer)
            name = self.shared_definition
        else:
            name = self._definition(local, room.layer)
        shaft = self._shaft(room) if self.total_rooms % SHAFT_EVERY == SHAFT_FIRST else None
        edited = self.outdated and self.total_rooms % self.outdated == 0
        if edited:
            # before the edit the first wall stood two steps further in
            shift = 2 * self.d["step"]
            local = [(x + shift if x == room.x - bx else x, y, b) for x, y, b in local]
        other = self.mixed and self.total_rooms % self.mixed == 0
        u = self.other_units if other else self.units
        height = self.other_height if other else self.sd["height"]
        area, perimeter = self._measures(local, shaft, u)
        self._reference(name, room, area, perimeter, shaft, u, height)
        self._assets(room)

    def _definition(self, local_pts, layer):
        """A new space-block definition around the outline, as this system makes one:
        the outline, then the AREA, NAME and AUX attribute definitions."""
        self.definitions += 1
        name = "ROOM-%d" % self.definitions
        block = self.doc.blocks.new(name, base_point=(0, 0))
        block.block.dxf.flags = 2  # has attribute definitions
        block.add_lwpolyline(local_pts, format="xyb", close=True, dxfattribs={"layer": layer})
        th = self.d["text_height"]
        for tag, prompt, y in (("AREA", "Enter Area", 0.0),
                               ("NAME", "Enter Name", -self._line * th),
                               ("AUX", "Enter Auxillary Value", self._line * th)):
            block.add_attdef(tag, (0, y), text="DEFAULT " + tag, height=th, dxfattribs={
                "prompt": prompt, "layer": "ATT-" + tag, "field_length": 25, **self._centred((0, y))})
        return name

    def _centred(self, at):
        """The alignment of a space's texts: centred on their point in a plan whose uses are
        named, so that they stay inside their rooms; left-aligned otherwise."""
        return {"halign": 1, "valign": 2, "align_point": at} if self.uses else {}

    def _shaft(self, room):
        """A shaft in the room's far corner on the corridor side, as a closed polyline;
        returns its vertices and its handle."""
        wall, size = self.d["wall"], self.sd["shaft"]
        x1 = room.x + room.w - wall
        if room.outward < 0:
            y1 = room.y1 - wall
        else:
            y1 = room.y0 + wall + size
        pts = [(x1 - size, y1 - size, 0), (x1, y1 - size, 0), (x1, y1, 0), (x1 - size, y1, 0)]
        entity = self.msp.add_lwpolyline(pts, format="xyb", close=True,
                                         dxfattribs={"layer": "SHAFTS"})
        return pts, entity.dxf.handle

    def _measures(self, local_pts, shaft, u):
        """The area and perimeter this system computes for the space: the outline's less
        the shaft's area, the outline's and the shaft's perimeters, in record units u."""
        area, length = outline_measures(local_pts)
        sub_area = sub_length = 0.0
        if shaft:
            a, p = outline_measures(shaft[0])
            sub_area += a / u["area"]
            sub_length += p / u["length"]
        return (area / u["area"] - sub_area + 0.0,
                length / u["length"] + sub_length + 0.0)

    def _reference(self, name, room, area, perimeter, shaft, u, height):
        th = self.d["text_height"]
        area_text = fixed(area) + u["area_unit"]
        perimeter_text = fixed(perimeter) + u["length_unit"]
        aux = perimeter_text if room.number % 2 else " "
        bx, by = room.base
        ref = self.msp.add_blockref(name, (bx, by), dxfattribs={"layer": room.layer})
        for tag, text, y in (("AREA", area_text, 0.0), ("NAME", room.name, -self._line * th),
                             ("AUX", aux, self._line * th)):
            ref.add_attrib(tag, text, (bx, by + y), dxfattribs={
                "layer": "ATT-" + tag, "height": th, "field_length": 25, **self._centred((bx, by + y))})
        self._record(ref, room, area_text, perimeter_text, float(fixed(area)), shaft, u, height)
        self.space_count += 1

    def _record(self, ref, room, area_text, perimeter_text, area, shaft, u, height):
        """The "ADE" record: sixteen KEY=value strings between braces, in this order."""
        office = room.layer == "ROOMS-OFFICE"
        staff = "1" if office else NOT_SET  # one desk
        items = [
            "AREA=" + area_text,
            "PERIMETER=" + perimeter_text,
            "NAME=" + room.name,
            "TAGTYPE=" + NOT_SET,
            "AREA_TYPE=" + AREA_TYPES.get(room.layer, NOT_SET),
            "COST_CENTRE=" + ("CC-%d%02d" % (room.floor, room.number % 7) if office else NOT_SET),
            "DATE=" + ("2019-03-01" if office else NOT_SET),
            "DATE_L_MOVE=" + NOT_SET,
            "DEPT_CHARGE=" + ("Dept %d" % (room.number % 4 + 1) if office else NOT_SET),
            "ROOM_HEIGHT=" + fixed(height) + u["length_unit"],
            "SPECIAL_REQ=" + NOT_SET,
            "TOT_STAFF=" + staff,
            "TOT_WKSTNS=" + staff,
            "VOLUME=" + fixed(area * height) + u["volume_unit"],
            "HANDLESTOMINUS=" + (shaft[1] + "," if shaft else ""),
            "HANDLESTOADD=",
        ]
        ref.set_xdata("ADE", [(1002, "{")] + [(1000, item) for item in items] + [(1002, "}")])

    def _asset_names(self, room):
        """The furniture the room holds, the piece against its outer side first."""
        if room.layer == "ROOMS" and room.number % CABINET_EVERY == 0:
            return ("CABINET",)
        return ROOM_ASSETS.get(room.layer, ())

    def _text_point(self, room):
        """Where the texts of a room named after its use stand: mid-way across the part of
        the room its furniture leaves free, between the furniture along its outer side and
        the corridor, so that texts made larger keep clear of it."""
        names = self._asset_names(room)
        if not names:
            return room.base
        band = self.sd["inset"] + sum(self.sizes[name][1] for name in names) + self.sd["gap"] * (len(names) - 1)
        x, _ = room.base
        return x, ((room.y0 + band + room.y1) / 2 if room.outward < 0 else (room.y0 + room.y1 - band) / 2)

    def _assets(self, room):
        """The room's furniture in the corner of its first wall and its outer side."""
        names = self._asset_names(room)
        inset, gap = self.sd["inset"], self.sd["gap"]
        x = room.x + inset
        # the desk (or table, or cabinet) against the outer side, the chair towards the
        # corridor in front of it
        w0, d0 = self.sizes[names[0]] if names else (0, 0)
        y = room.y0 + inset if room.outward < 0 else room.y1 - inset - d0
        for i, name in enumerate(names):
            w, depth = self.sizes[name]
            if i == 0:
                pos = (x, y)
            else:
                ahead = y + d0 + gap if room.outward < 0 else y - gap - depth
                pos = (x + (w0 - w) / 2, ahead)
            self._asset(name, pos, room)

    def markers(self, extents, precision=2):
        """A legend marker and a pie-chart marker right of the plan, as the marker commands
        make them: the outline in a definition of its own with the five settings attribute
        definitions stacked below the origin, and one reference carrying their defaults.
        Returns the extents grown to hold them."""
        x0, y0, x1, y1 = extents
        th = self.d["text_height"]
        size = fixed(th, precision)
        width, height = 40 * th, 20 * th
        left = x1 + self.d["floor_gap"]
        legend = [(0, 0), (width, 0), (width, -height), (0, -height)]
        self._marker("MARKER-LEGEND", "KAVRO_LEGEND_MARKER", (left, y1), legend, None, (
            ("LEGENDTITLE", "", "LEGEND BLOCK"),
            ("LEGENDTEXTSIZE", "Enter legend text size", size),
            ("LEGENDPRECISION", "Enter precision", str(precision)),
            ("LEGENDROTATION", "Enter Rotation", fixed(0.0, precision)),
            ("LEGENDUNITS", "Enter legend units", "0")))
        radius = 10 * th
        centre = (left + radius, y1 - height - 3 * radius)
        self._marker("MARKER-PIECHART", "KAVRO_PIECHART_MARKER", centre, None, radius, (
            ("PIETITLE", "", "PIE BLOCK"),
            ("PIETEXTSIZE", "Enter pie text size", size),
            ("PIEPRECISION", "Enter precision", str(precision)),
            ("PIERADIUS", "Enter Radius", fixed(radius, precision)),
            ("PIEXYOFFSETVALUE", "Enter pie chart offset value", fixed(500.0, precision))))
        return x0, min(y0, centre[1] - radius), left + max(width, 2 * radius), y1

    def _marker(self, name, layer, at, outline, radius, attributes):
        th = self.d["text_height"]
        self.doc.layers.new(name=layer).off()
        block = self.doc.blocks.new(name, base_point=(0, 0))
        block.block.dxf.flags = 2  # has attribute definitions
        if outline:
            block.add_lwpolyline(outline, close=True, dxfattribs={"layer": layer})
        else:
            block.add_circle((0, 0), radius, dxfattribs={"layer": layer})
        ref = self.msp.add_blockref(name, at, dxfattribs={"layer": layer})
        for k, (tag, prompt, default) in enumerate(attributes, start=1):
            block.add_attdef(tag, (0, -k * th), text=default, height=th, dxfattribs={
                "prompt": prompt, "layer": layer, "field_length": len(default) + 1})
            ref.add_attrib(tag, default, (at[0], at[1] - k * th), dxfattribs={
                "layer": layer, "height": th, "field_length": len(default) + 1})

    def _asset(self, name, pos, room):
        self.asset_count += 1
        th = self.d["text_height"]
        w, depth = self.sizes[name]
        ref = self.msp.add_blockref(name, pos, dxfattribs={"layer": "ASSETS"})
        ref.add_attrib("ASSET_NO", "AS-%05d" % self.asset_count,
                       (pos[0] + th / 4, pos[1] + th / 4),
                       dxfattribs={"layer": "0", "height": th / 2})
        ref.add_attrib("DESCRIPTION", "%s %gx%g, %s" % (name.capitalize(), w, depth, room.name),
                       (pos[0] + th / 4, pos[1] + th),
                       dxfattribs={"layer": "0", "height": th / 2, "flags": 1})


class LabelPlanWriter(PlanWriter):
    """The plan as the other system draws it: plain room outlines, each named by a
    "TENDRA_SPACE_LABEL" reference whose PLINE2_ID attribute holds the outline's handle,
    and the gross outlines on the hidden layer "BOMA"."""

    LABEL = "TENDRA_SPACE_LABEL"
    ROTATED_EVERY = 7

    def __init__(self, version, units, seed):
        self.label_count = 0
        super().__init__(version, units, seed)

    def _setup_layers(self):
        super()._setup_layers()
        self.doc.layers.new("TENDRA_LABELS", dxfattribs={"color": 2})
        boma = self.doc.layers.new("BOMA", dxfattribs={"color": 1})
        boma.off()
        boma.freeze()

    def _setup_blocks(self):
        super()._setup_blocks()
        th = self.d["text_height"]
        block = self.doc.blocks.new(self.LABEL, base_point=(0, 0))
        block.block.dxf.flags = 2  # has attribute definitions
        block.add_circle((0, 0), th / 4, dxfattribs={"layer": "0"})
        block.add_attdef("ROOM", (0, th / 2), text="", height=th,
                         dxfattribs={"prompt": "Room", "layer": "0"})
        block.add_attdef("PLINE2_ID", (0, -th), text="", height=th / 2,
                         dxfattribs={"prompt": "Outline", "layer": "0", "flags": 1})

    def _polyline(self, points, layer):
        return super()._polyline(points, "BOMA" if layer == "GROSS" else layer)

    def _add_room(self, room):
        outline = self._polyline(room.pts, room.layer)
        if room.layer == "ROOMS-WC":
            self.hatches.append(room.pts)
        th = self.d["text_height"]
        x, y = room.base
        self.label_count += 1
        rotation = 90 if self.label_count % self.ROTATED_EVERY == 0 else 0
        ref = self.msp.add_blockref(self.LABEL, (x, y), dxfattribs={"layer": "TENDRA_LABELS"})
        ref.add_attrib("ROOM", room.name, (x, y + th / 2), dxfattribs={
            "layer": "TENDRA_LABELS", "height": th, "rotation": rotation, "width": 0.9})
        ref.add_attrib("PLINE2_ID", outline.dxf.handle, (x, y - th), dxfattribs={
            "layer": "TENDRA_LABELS", "height": th / 2, "flags": 1})


def generate(rooms, floors, seed=1, version="R2013", units="metric", spaces=False,
             shared=0, outdated=0, mixed=0, markers=False, labels=False, uses=False):
    """Build the drawing in memory and return the writer that holds it."""
    if spaces:
        plan = SpacePlanWriter(version, units, seed, shared, outdated, mixed, uses)
    elif labels:
        plan = LabelPlanWriter(version, units, seed)
    else:
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
    if markers:
        ext = plan.markers(ext)
    plan.finish(ext)
    return plan


def main(argv=None):
    a = parse_args(sys.argv[1:] if argv is None else argv)
    # fixed dates and GUIDs in the header, so that a seed gives identical bytes
    ezdxf.options.write_fixed_meta_data_for_testing = True
    t0 = time.perf_counter()
    plan = generate(a.rooms, a.floors, a.seed, a.version, a.units, a.spaces, a.shared,
                    a.outdated, mixed=a.mixed, markers=a.markers, labels=a.labels, uses=a.uses)
    t1 = time.perf_counter()
    try:
        plan.save(a.out)
    except OSError as e:
        print("gen_floorplan: cannot write %s: %s" % (a.out, e), file=sys.stderr)
        return 1
    t2 = time.perf_counter()
    if a.verbose:
        spaces = ("%d space blocks of %d definitions, %d assets, "
                  % (plan.space_count, plan.definitions, plan.asset_count)) if a.spaces else ""
        print("%s: %d rooms on %d floors, %s%d entities, DXF %s, %s; "
              "built in %.2f s, written in %.2f s"
              % (a.out, a.rooms, a.floors, spaces, len(plan.msp), a.version, a.units,
                 t1 - t0, t2 - t1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
