#!/usr/bin/python3
"""What the main job (scripts/run-example.sh) needs to know about its drawings.

Usage:
    /usr/bin/python3 scripts/example_job.py pick PLAN.dxf
        prints the handle of the first floor's gross outline and the point at its
        centre ("HANDLE X,Y"), which the gross-area command is given;
    /usr/bin/python3 scripts/example_job.py fit PLAN.dxf WIDTH HEIGHT
        prints the text size (in drawing units, a multiple of 10) at which texts stand
        6 points tall when the plan's extents are fitted to a sheet of WIDTH by HEIGHT
        millimetres, and sets the legend and pie-chart markers' text sizes to it (and
        the pie chart's radius to 14 text sizes), as a user edits their attributes;
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
import sys
from xml.sax.saxutils import escape

import ezdxf

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


def gross_outlines(doc):
    return [e for e in doc.modelspace().query('LWPOLYLINE[layer=="GROSS"]') if e.closed]


def pick(path):
    outline = gross_outlines(ezdxf.readfile(path))[0]
    xs, ys = zip(*outline.get_points("xy"))
    print(outline.dxf.handle, "%g,%g" % ((min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2))


def fit(path, width_mm, height_mm):
    """Prints the text size, rounded up to 10 drawing units, that stands TEXT_POINTS tall
    once the drawing's extents are fitted to the sheet, and gives it to the markers."""
    doc = ezdxf.readfile(path)
    x0, y0, _ = doc.header["$EXTMIN"]
    x1, y1, _ = doc.header["$EXTMAX"]
    units_per_mm = max((x1 - x0) / (width_mm - 2 * MARGIN_MM), (y1 - y0) / (height_mm - 2 * MARGIN_MM))
    size = int(math.ceil(TEXT_POINTS * 25.4 / 72 * units_per_mm / 10)) * 10
    settings = {"LEGENDTEXTSIZE": size, "PIETEXTSIZE": size, "PIERADIUS": 14 * size}
    for marker in doc.modelspace().query('INSERT[name=="MARKER-LEGEND" | name=="MARKER-PIECHART"]'):
        for attrib in marker.attribs:
            if attrib.dxf.tag in settings:
                attrib.dxf.text = "%d.00" % settings[attrib.dxf.tag]
    doc.save()
    print(size)


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
        """Block references other than spaces whose insertion point lies inside a room;
        the rooms' boxes are indexed on a grid, so that the count stays linear."""
        grid = {}
        for ref in self.rooms:
            poly = self.outline(ref)
            if not poly:
                continue
            xs, ys = zip(*poly)
            for i in range(int(min(xs) // CELL), int(max(xs) // CELL) + 1):
                for j in range(int(min(ys) // CELL), int(max(ys) // CELL) + 1):
                    grid.setdefault((i, j), []).append(poly)
        count = 0
        for ref in msp.query("INSERT"):
            if ref.dxf.name.upper().startswith("ROOM-"):
                continue
            p = ref.dxf.insert
            cell = grid.get((int(p.x // CELL), int(p.y // CELL)), [])
            if any(inside(p.x, p.y, poly) for poly in cell):
                count += 1
        return count

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
    if len(argv) == 2 and argv[0] == "pick":
        pick(argv[1])
    elif len(argv) == 4 and argv[0] == "fit":
        fit(argv[1], float(argv[2]), float(argv[3]))
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
