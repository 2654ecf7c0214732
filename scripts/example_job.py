#!/usr/bin/python3
"""What the main job (scripts/run-example.sh) needs to know about its drawings.

Usage:
    /usr/bin/python3 scripts/example_job.py fit PLAN.dxf MEDIA
        sets the model layout up to plot the plan's extents, centred, on the sheet
        MEDIA names ("ISO_A1_(841.00_x_594.00_MM)") at the largest standard scale
        at which they fit (1:100, 1:125, 1:150, 1:200, 1:250, 1:500, ...), and prints
        the text size (in drawing units, a multiple of 10) that stands 6 points tall on
        it; as a user does for the sheet, it gives the legend and pie-chart markers
        that text size (and the pie chart a radius of 14 text sizes), the asset numbers
        that height, and scales the title block to it, writing the scale in it;
    /usr/bin/python3 scripts/example_job.py pick PLAN.dxf SIZE
        prints the handle of the first floor's gross outline and the point nearest its
        centre where the gross-area block's texts, SIZE tall, stand inside the outline
        clear of its rooms, walls and furniture ("HANDLE X,Y"), which the gross-area
        command is given;
    /usr/bin/python3 scripts/example_job.py report PLAN.dxf REPORT.xml
        writes a graphic report of the rooms' uses: one category per use, named by the
        first word of the rooms' names ("Office 1.017" is an office), each with its
        colour and its rooms by handle, the layers the plan shows, and the sum of the
        categories' recorded areas as the pie chart's total;
    /usr/bin/python3 scripts/example_job.py summary BEFORE.dxf AFTER.dxf [REPORT.xml]
        prints what the drawing held before the job and what the job changed, and the
        report's categories with the areas of their rooms.

Everything is read from the drawings with ezdxf.  Space blocks are the block references
whose definition name begins "ROOM-"; the gross-area block is "ROOM-GROSS_AREA"; floors
are the closed outlines on layer "GROSS" together with the gross-area blocks; assets
are the other block references that stand inside a space's outline.
"""

import math
import re
import sys
from xml.sax.saxutils import escape

import ezdxf
import ezdxf.bbox
from ezdxf.math import Matrix44, Vec3

GROSS_AREA = "ROOM-GROSS_AREA"
# Side of the grid cells that index the spaces' boxes, in drawing units.
CELL = 10000.0


# The room uses the report shows, in its order: the first word of a room's name, the
# category's title and its colour (light enough for black texts to stay readable).
USES = (("Office", "Offices", "#6FA8DC"), ("Meeting", "Meeting rooms", "#E69138"),
        ("Store", "Stores", "#8E7CC3"), ("WC", "Washrooms", "#45B39D"),
        ("Corridor", "Circulation", "#E0B000"))
# The layers the report leaves on: the plan without its grid and markers.
SHOWN_LAYERS = ("0", "ROOMS", "ROOMS-OFFICE", "ROOMS-WC", "ROOMS-MEETING", "ROOMS-STORAGE",
                "ROOMS-CIRCULATION", "GROSS", "WALLS", "COLUMNS", "DOORS", "HATCH", "TITLE",
                "ATT-AREA", "ATT-NAME", "ATT-AUX", "ASSETS", "SHAFTS")
# Texts this tall on paper, in points (1/72 inch), read well on a printed sheet.
TEXT_POINTS = 6.0
# The sheet's printable margin on each side, in millimetres.
MARGIN_MM = 10.0
# How far right of the plan's extents the report's pie chart and its labels reach, in text
# sizes: a radius of 14 around the marker's centre, and labels of some 25 characters.
CHART_REACH = 15
# The model layout's plot flags: plot centred, and use a standard scale type (switched off:
# the scales here are custom ones, paper millimetres to drawing units).
PLOT_CENTERED, USE_STANDARD_SCALE = 4, 16
PLOT_EXTENTS, PAPER_MILLIMETRES = 1, 1
# The gross-area block's texts as kgabc and kut lay them out: left-aligned at the point
# given, NAME and AUX 1.5 text sizes above and below AREA; so they fill at most 2.5 text
# sizes above and below it, and their width is at most a text size per character, for an
# area text of up to this many characters.
LABEL_CHARS = 14
LABEL_HALF_HEIGHT = 2.5


def gross_outlines(doc):
    return [e for e in doc.modelspace().query('LWPOLYLINE[layer=="GROSS"]') if e.closed]


def standard_scales():
    """The denominators of the standard scales, smallest first: 1:1 to 1:50, then 1, 1.25,
    1.5, 2, 2.5 and 5 times each power of ten from 1:100 on."""
    yield from (1, 2, 5, 10, 20, 25, 50)
    decade = 100
    while True:
        for factor in (1, 1.25, 1.5, 2, 2.5, 5):
            yield int(factor * decade)
        decade *= 10


def text_size(denominator):
    """The text size, rounded up to 10 drawing units (millimetres), that stands TEXT_POINTS
    tall on a sheet plotted at 1:denominator."""
    return int(math.ceil(TEXT_POINTS * 25.4 / 72 * denominator / 10)) * 10


def media_size(media):
    """The width and height in millimetres that a canonical media name gives, or None."""
    match = re.fullmatch(r"\w+_\((\d+(?:\.\d+)?)_x_(\d+(?:\.\d+)?)_MM\)", media)
    return (float(match.group(1)), float(match.group(2))) if match else None


def fit(path, media):
    """Sets the plan up for the sheet at the largest standard scale that holds it, and
    prints the text size that stands TEXT_POINTS tall there."""
    if not media_size(media) or min(media_size(media)) <= 2 * MARGIN_MM:
        print("example_job: not a sheet in millimetres: %s" % media, file=sys.stderr)
        return 1
    width_mm, height_mm = media_size(media)
    drawing = Drawing(path)
    doc = drawing.doc
    msp = doc.modelspace()
    x0, y0, _ = doc.header["$EXTMIN"]
    x1, y1, _ = doc.header["$EXTMAX"]
    title = msp.query('INSERT[name=="TITLE"]').first
    if title is None or not title.attribs:
        print("example_job: %s has no title block with attributes" % path, file=sys.stderr)
        return 1
    title_box = ezdxf.bbox.extents([title])
    title_size = max(a.dxf.height for a in title.attribs)
    for denominator in standard_scales():
        size = text_size(denominator)
        # the title block, scaled to the text size, grows down from its top
        bottom = title_box.extmax.y - title_box.size.y * size / title_size
        width = x1 - x0 + CHART_REACH * size
        height = y1 - min(y0, bottom)
        if width / denominator <= width_mm - 2 * MARGIN_MM and height / denominator <= height_mm - 2 * MARGIN_MM:
            break
    settings = {"LEGENDTEXTSIZE": size, "PIETEXTSIZE": size, "PIERADIUS": 14 * size}
    for marker in msp.query('INSERT[name=="MARKER-LEGEND" | name=="MARKER-PIECHART"]'):
        set_attributes(marker, {tag: "%d.00" % value for tag, value in settings.items()})
    place_asset_numbers(drawing, size)
    top_left = Vec3(title_box.extmin.x, title_box.extmax.y)
    title.transform(Matrix44.translate(*-top_left) @ Matrix44.scale(size / title_size)
                    @ Matrix44.translate(*top_left))
    set_attributes(title, {"SCALE": "1:%d" % denominator})
    plot_setup(msp, media, width_mm, height_mm, denominator)
    doc.save()
    print(size)
    return 0


def set_attributes(ref, texts):
    for attrib in ref.attribs:
        if attrib.dxf.tag in texts:
            attrib.dxf.text = texts[attrib.dxf.tag]


def plot_setup(layout, media, width_mm, height_mm, denominator):
    """Sets the layout up to plot its extents centred on the media to PDF, at 1:denominator."""
    dxf = layout.dxf_layout.dxf
    dxf.plot_configuration_file = "DWG To PDF.pc3"
    dxf.paper_size = media
    dxf.paper_width, dxf.paper_height = width_mm, height_mm
    dxf.left_margin = dxf.bottom_margin = dxf.right_margin = dxf.top_margin = MARGIN_MM
    dxf.plot_type = PLOT_EXTENTS
    dxf.plot_rotation = 0
    dxf.plot_paper_units = PAPER_MILLIMETRES
    dxf.scale_numerator, dxf.scale_denominator = 1, denominator
    dxf.plot_layout_flags = (dxf.plot_layout_flags | PLOT_CENTERED) & ~USE_STANDARD_SCALE


def pick(path, size_text):
    try:
        size = float(size_text)
    except ValueError:
        size = math.nan
    if not 0 < size < math.inf:
        print("example_job: not a text size: %s" % size_text, file=sys.stderr)
        return 1
    doc = ezdxf.readfile(path)
    if not gross_outlines(doc):
        print("example_job: %s has no closed gross outline on layer GROSS" % path, file=sys.stderr)
        return 1
    outline = gross_outlines(doc)[0]
    point = label_point(doc, outline, size)
    if point is None:
        print("example_job: the gross outline %s has no room for the gross-area texts clear of "
              "what stands inside it" % outline.dxf.handle, file=sys.stderr)
        return 1
    print(outline.dxf.handle, "%g,%g" % point)
    return 0


def label_point(doc, outline, size):
    """The point nearest the outline's centre where the gross-area block's texts stand
    inside the outline and one text size clear of its sides and of everything drawn on a
    shown layer; None when there is none."""
    poly = [tuple(p) for p in outline.get_points("xy")]
    xs, ys = zip(*poly)
    obstacles = drawn_boxes(doc, lambda e: e is not outline, Boxes(size * 8))
    half = (LABEL_HALF_HEIGHT + 1) * size
    extent = (size, half, (LABEL_CHARS + 1) * size, half)
    centre = ((min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2)
    return clear_point(poly, obstacles, extent, centre, size / 2)


def drawn_boxes(doc, wanted, boxes):
    """Adds to boxes those of the wanted model-space entities on shown layers; returns them."""
    shown = [e for e in doc.modelspace() if wanted(e) and not doc.layers.get(e.dxf.layer).is_off()]
    for box in ezdxf.bbox.multi_flat(shown):
        if box.has_data:
            boxes.add((box.extmin.x, box.extmin.y, box.extmax.x, box.extmax.y))
    return boxes


def clear_point(poly, obstacles, extent, near, step):
    """The point nearest `near`, on a grid of `step` over the polygon's box, around which a
    box reaching (left, down, right, up) of extent stands inside the polygon and meets none
    of the obstacles; None when there is none."""
    xs, ys = zip(*poly)
    columns, rows = int((max(xs) - min(xs)) / step), int((max(ys) - min(ys)) / step)
    points = [(min(xs) + i * step, min(ys) + j * step) for i in range(columns + 1) for j in range(rows + 1)]
    points.sort(key=lambda p: math.hypot(p[0] - near[0], p[1] - near[1]))
    left, down, right, up = extent
    for x, y in points:
        box = (x - left, y - down, x + right, y + up)
        corners = ((box[0], box[1]), (box[2], box[1]), (box[2], box[3]), (box[0], box[3]))
        if all(inside(cx, cy, poly) for cx, cy in corners) \
                and not any(box[0] < vx < box[2] and box[1] < vy < box[3] for vx, vy in poly) \
                and not obstacles.meets(box):
            return x, y
    return None


def text_box(attrib, size):
    """The box an attribute's text takes at the text size: at most a text size wide per
    character, with room below the line for descenders; aligned as the attribute is."""
    width = len(attrib.dxf.text) * size
    halign, valign = attrib.dxf.halign, attrib.dxf.valign
    x, y, _ = attrib.dxf.align_point if (halign or valign) and attrib.dxf.hasattr("align_point") else attrib.dxf.insert
    x -= width * {1: 0.5, 2: 1}.get(halign, 0)
    y -= size * {2: 0.5, 3: 1}.get(valign, 0)
    return x, y - 0.3 * size, x + width, y + size


def place_asset_numbers(drawing, size):
    """Gives the asset numbers the text size, and stands each nearest where it stood and
    half a text size clear of the furniture and of the rooms' texts (as kut sizes them) and
    the numbers placed before: inside its room, or where the room has no such place, on
    its floor outside everything drawn; one with no such place either stays put."""
    msp = drawing.doc.modelspace()
    assets = msp.query('INSERT[layer=="ASSETS"]')
    texts, furniture = Boxes(8 * size), Boxes(8 * size)
    for room in drawing.rooms:
        for attrib in room.attribs:
            if attrib.dxf.text.strip():
                texts.add(text_box(attrib, size))
    for outline in filter(None, map(drawing.outline, assets)):
        xs, ys = zip(*outline)
        furniture.add((min(xs), min(ys), max(xs), max(ys)))
    drawn = drawn_boxes(drawing.doc, lambda e: e.dxf.layer != "GROSS", Boxes(8 * size))
    floors = [[tuple(p) for p in outline.get_points("xy")] for outline in gross_outlines(drawing.doc)]
    numbered = [(asset, a) for asset in assets for a in asset.attribs if a.dxf.tag == "ASSET_NO"]
    for asset, number in numbered:
        number.dxf.height = size
        x0, y0, x1, y1 = text_box(number, size)
        x, y = number.dxf.insert.x, number.dxf.insert.y
        extent = (x - x0 + size / 2, y - y0 + size / 2, x1 - x + size / 2, y1 - y + size / 2)
        p = asset.dxf.insert
        room = drawing.room_at(p)
        floor = next((poly for poly in floors if inside(p.x, p.y, poly)), None)
        point = (room and clear_point(room, Union(texts, furniture), extent, (x, y), size / 2)) \
            or (floor and clear_point(floor, Union(texts, drawn), extent, (x, y), size / 2))
        if point:
            number.dxf.insert = point
            x, y = point
        texts.add((x - extent[0], y - extent[1], x + extent[2], y + extent[3]))


class Boxes:
    """Boxes (x0, y0, x1, y1) indexed on a grid of square cells, to find those a box meets."""

    def __init__(self, cell):
        self.cell = cell
        self.grid = {}

    def _cells(self, box):
        for i in range(int(box[0] // self.cell), int(box[2] // self.cell) + 1):
            for j in range(int(box[1] // self.cell), int(box[3] // self.cell) + 1):
                yield i, j

    def add(self, box):
        for key in self._cells(box):
            self.grid.setdefault(key, []).append(box)

    def meets(self, box):
        return any(b[0] < box[2] and box[0] < b[2] and b[1] < box[3] and box[1] < b[3]
                   for key in self._cells(box) for b in self.grid.get(key, ()))


class Union:
    """Sets of boxes taken together."""

    def __init__(self, *parts):
        self.parts = parts

    def meets(self, box):
        return any(part.meets(box) for part in self.parts)


def use_of(name):
    """The index in USES of a room's use, by the first word of its name; None for another."""
    first = name.split(" ", 1)[0]
    return next((i for i, (word, _, _) in enumerate(USES) if word == first), None)


def recorded_area(ref):
    """The area a space's record holds, as a number and its unit ("sq.m.")."""
    area = Drawing.record(ref).get("AREA", "")
    number = area.rstrip("sq.mft")
    return (float(number) if number else 0.0), area[len(number):]


def report(plan_path, report_path):
    drawing = Drawing(plan_path)
    members = [[] for _ in USES]
    for ref in drawing.rooms:
        use = use_of(Drawing.texts(ref).get("NAME", ""))
        if use is not None:
            members[use].append(ref.dxf.handle)
    areas = {ref.dxf.handle: recorded_area(ref)[0] for ref in drawing.rooms}
    # rounded up, so that the chart's segments never sum to more than its total
    total = math.ceil(sum(areas[h] for handles in members for h in handles) * 100) / 100
    categories = "".join(
        "<category><cID>%d</cID><cTitle>%s</cTitle><cHatchPattern>SOLID</cHatchPattern>"
        "<cHatchColour>%s</cHatchColour><cHatchScale>1</cHatchScale><cHatchAngle>0</cHatchAngle>"
        "<cHatchLayer>USE-%s</cHatchLayer><kavroBlocks>%s</kavroBlocks></category>"
        % (i + 1, escape(title), colour, word.upper(),
           "".join("<kavroBlock><mbHandle>%s</mbHandle></kavroBlock>" % h for h in handles))
        for i, ((word, title, colour), handles) in enumerate(zip(USES, members)))
    layers = "".join("<layerOn><loName>%s</loName></layerOn>" % name
                     for name in SHOWN_LAYERS + tuple("USE-" + word.upper() for word, _, _ in USES))
    with open(report_path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<graphicReport xmlns="urn:quorvane:graphic-report">'
                "<grTitle>Room uses</grTitle><grTotalChildAreas>%.2f</grTotalChildAreas>"
                "<grPieShowLabels>1</grPieShowLabels><grPieShowLabelSegmentLines>1</grPieShowLabelSegmentLines>"
                "<categories>%s</categories><layersOn>%s</layersOn></graphicReport>\n"
                % (total, categories, layers))


def inside(x, y, poly):
    """Whether the point lies inside the polygon and off its sides."""
    result = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if min(x1, x2) <= x <= max(x1, x2) and min(y1, y2) <= y <= max(y1, y2) \
                and abs((x2 - x1) * (y - y1) - (y2 - y1) * (x - x1)) < 1e-9:
            return False
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


class Drawing:
    """A drawing's spaces, their texts and records, floors and assets."""

    def __init__(self, path):
        self.path = path
        self.doc = ezdxf.readfile(path)
        msp = self.doc.modelspace()
        self.spaces = [r for r in msp.query("INSERT") if r.dxf.name.upper().startswith("ROOM-")]
        self.gross_blocks = [r for r in self.spaces if r.dxf.name == GROSS_AREA]
        self.rooms = [r for r in self.spaces if r.dxf.name != GROSS_AREA]
        self.floors = len(gross_outlines(self.doc)) + len(self.gross_blocks)
        self.definitions = len({r.dxf.name for r in self.spaces})
        self.assets = self._assets(msp)

    def outline(self, ref):
        """The definition's first closed polyline where the reference shows it."""
        block = self.doc.blocks.get(ref.dxf.name)
        polylines = block.query("LWPOLYLINE") if block else []
        if not polylines:
            return []
        m = ref.matrix44()
        return [(p.x, p.y) for p in m.transform_vertices((x, y, 0) for x, y in polylines[0].get_points("xy"))]

    def _assets(self, msp):
        """Block references other than spaces whose insertion point lies inside a room."""
        self._room_grid = {}
        for poly in filter(None, map(self.outline, self.rooms)):
            xs, ys = zip(*poly)
            for i in range(int(min(xs) // CELL), int(max(xs) // CELL) + 1):
                for j in range(int(min(ys) // CELL), int(max(ys) // CELL) + 1):
                    self._room_grid.setdefault((i, j), []).append(poly)
        return sum(1 for ref in msp.query("INSERT")
                   if not ref.dxf.name.upper().startswith("ROOM-") and self.room_at(ref.dxf.insert))

    def room_at(self, p):
        """The outline of the room the point lies in, or None; the rooms' boxes are indexed on
        a grid, so that looking up every asset stays linear."""
        cell = self._room_grid.get((int(p.x // CELL), int(p.y // CELL)), [])
        return next((poly for poly in cell if inside(p.x, p.y, poly)), None)

    @staticmethod
    def texts(ref):
        return {a.dxf.tag: a.dxf.text for a in ref.attribs}

    @staticmethod
    def record(ref):
        if not ref.has_xdata("ADE"):
            return {}
        items = [item for code, item in ref.get_xdata("ADE") if code == 1000 and "=" in item]
        return dict(item.split("=", 1) for item in items)


def plural(n, word, words=None):
    return "%d %s" % (n, word if n == 1 else (words or word + "s"))


def category_lines(drawing, report_path):
    """The report's categories, each with its rooms' count and summed recorded area."""
    import xml.etree.ElementTree as ET
    areas = {ref.dxf.handle: recorded_area(ref) for ref in drawing.rooms}
    lines = ["", "The graphic report \"Room uses\" hatched the rooms by use:"]
    for category in ET.parse(report_path).getroot().findall(".//{*}category"):
        handles = [h.text for h in category.findall(".//{*}mbHandle")]
        area = sum(areas.get(h, (0.0, ""))[0] for h in handles)
        unit = next((areas[h][1] for h in handles if h in areas), "sq.m.")
        lines.append("  %-14s %s, %.2f %s" % (category.findtext("{*}cTitle") + ":",
                                              plural(len(handles), "space"), area, unit))
    return lines


def summary(before_path, after_path, report_path=None):
    before, after = Drawing(before_path), Drawing(after_path)
    lines = ["", "Summary of the main job", "",
             "Found in %s:" % before.path,
             "  %s (gross outlines)" % plural(before.floors, "floor"),
             "  %s (rooms) of %s" % (plural(len(before.rooms), "space block"),
                                     plural(before.definitions, "block definition")),
             "  %s (furniture blocks standing inside the rooms)" % plural(before.assets, "asset"),
             "  %s" % ("a gross-area block" if before.gross_blocks else "no gross-area block yet"),
             "", "What the job changed:"]
    old = {r.dxf.handle: r for r in before.spaces}
    made = [r for r in after.gross_blocks if r.dxf.handle not in old]
    for ref in made:
        lines.append("  kgabc made the gross-area block %s of %s from a gross outline"
                     % (GROSS_AREA, Drawing.texts(ref).get("AREA", "?")))
    measured, restyled = [], 0
    for ref in after.spaces:
        was = old.get(ref.dxf.handle)
        if was is None:
            continue
        r0, r1 = Drawing.record(was), Drawing.record(ref)
        if (r0.get("AREA"), r0.get("PERIMETER")) != (r1.get("AREA"), r1.get("PERIMETER")):
            measured.append((Drawing.texts(ref).get("NAME", ref.dxf.handle), r0.get("AREA"), r1.get("AREA")))
        if [a.dxf.height for a in was.attribs] != [a.dxf.height for a in ref.attribs]:
            restyled += 1
    if measured:
        lines.append("  kus brought %s up to date whose outlines had changed since they were measured:"
                     % plural(len(measured), "space block"))
        for name, area0, area1 in measured[:5]:
            lines.append("    %s: %s -> %s" % (name, area0, area1))
        if len(measured) > 5:
            lines.append("    and %d more" % (len(measured) - 5))
    else:
        lines.append("  kus found every space block's area and perimeter up to date")
    heights = sorted({a.dxf.height for r in after.spaces for a in r.attribs})
    if restyled:
        lines.append("  kut set the text size of %s to %s" % (plural(restyled, "space block"),
                                                              ", ".join("%g" % h for h in heights)))
    lines.append("  krt wrote every space block's texts again from the block")
    if report_path:
        lines += category_lines(after, report_path)
    lines += ["", "The result is %s (%s, %s)." % (after.path, plural(len(after.spaces), "space block"),
                                                    plural(after.assets, "asset"))]
    print("\n".join(lines))


def main(argv):
    if len(argv) == 3 and argv[0] == "pick":
        return pick(argv[1], argv[2])
    elif len(argv) == 3 and argv[0] == "fit":
        return fit(argv[1], argv[2])
    elif len(argv) == 3 and argv[0] == "report":
        report(argv[1], argv[2])
    elif len(argv) in (3, 4) and argv[0] == "summary":
        summary(*argv[1:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
