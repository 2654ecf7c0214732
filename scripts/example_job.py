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
        that height, and scales the title block to it, writing the scale in it; it
        stands the furniture clear of the rooms' texts as they plot at that size, each
        asset number beside its furniture (or with a leader line to it), gives the
        plan's layers colours that stand out on the paper and on the report's fills,
        and makes the report's layers in dark shades of the uses' colours;
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

import functools
import itertools
import math
import os
import re
import struct
import subprocess
import sys
from xml.sax.saxutils import escape

# The job measures texts itself, in the fonts the plot draws them in, and needs nothing of
# Matplotlib, which ezdxf would otherwise load (taking longer than the job's own work) to
# measure texts in fonts other than the plot's.
sys.modules.setdefault("matplotlib", None)
import ezdxf  # noqa: E402
from ezdxf import disassemble  # noqa: E402
from ezdxf.math import BoundingBox, Matrix44, Vec3  # noqa: E402
from ezdxf.tools.text import plain_text  # noqa: E402

GROSS_AREA = "ROOM-GROSS_AREA"
# Side of the grid cells that index the spaces' boxes, in drawing units.
CELL = 10000.0


# The room uses the report shows, in its order: the first word of a room's name, the
# category's title, its colour (light enough for black texts and lines to stand out on it)
# and that of its layer, a dark shade of it, which the pie chart's labels take (so that they
# stand out on the paper).
USES = (("Office", "Offices", "#6FA8DC", "#3C5B77"), ("Meeting", "Meeting rooms", "#E69138", "#7C4E1E"),
        ("Store", "Stores", "#8E7CC3", "#5E5281"), ("WC", "Washrooms", "#45B39D", "#266256"),
        ("Corridor", "Circulation", "#E0B000", "#6E5600"))
# The colours the plan's lines plot in on the sheet, as a user sets them for printing:
# black (colour 7, white on a screen), and dark red for the floors' outlines, which stand
# out on the paper and on every use's colour.
SHEET_COLOURS = {"ROOMS": 7, "ROOMS-OFFICE": 7, "ROOMS-WC": 7, "ROOMS-MEETING": 7, "ROOMS-STORAGE": 7,
                 "ROOMS-CIRCULATION": 7, "GROSS": 12, "WALLS": 7, "COLUMNS": 7, "DOORS": 7, "SHAFTS": 7,
                 "ASSETS": 7}
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
# The families the plot draws shape fonts in, of about their widths, by the fonts' names; it
# draws a style whose font is neither one of these nor installed in DejaVu Sans.
NARROW = "DejaVu Sans Condensed"
SHAPE_FONTS = {**dict.fromkeys(("txt", "standard", "iso", "isocp", "isocp2", "isocp3", "isoct", "isoct2",
                                "isoct3", "gbenor"), NARROW),
               "gbeitc": NARROW + ":italic", **dict.fromkeys(("simplex", "romans", "romand"), "DejaVu Sans"),
               **dict.fromkeys(("complex", "romanc", "romant", "gothice", "gothicg", "gothici"), "DejaVu Serif"),
               **dict.fromkeys(("italic", "italicc", "italict"), "DejaVu Serif:italic"),
               "monotxt": "DejaVu Sans Mono"}
DEFAULT_FAMILY = "DejaVu Sans"
# How far furniture, asset numbers and the texts around them keep apart, in text sizes.
CLEARANCE = 0.25
# How far from its furniture an asset number with a leader line stands at most, in text sizes.
LEADER_REACH = 12
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
    title_box = drawn_box(doc, title)
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
    place_assets(drawing, size)
    colour_layers(doc)
    top_left = Vec3(title_box.extmin.x, title_box.extmax.y)
    title.transform(Matrix44.translate(*-top_left) @ Matrix44.scale(size / title_size)
                    @ Matrix44.translate(*top_left))
    set_attributes(title, {"SCALE": "1:%d" % denominator})
    plot_setup(msp, media, width_mm, height_mm, denominator)
    doc.save()
    print(size)
    return 0


def colour_layers(doc):
    """Gives the plan's layers the colours they plot in on the sheet, and makes the report's
    layers in their dark shades of the uses' colours."""
    for name, colour in SHEET_COLOURS.items():
        if name in doc.layers:
            layer = doc.layers.get(name)
            layer.color = colour
            layer.dxf.discard("true_color")
    for word, _, _, shade in USES:
        layer = doc.layers.get(use_layer(word)) if use_layer(word) in doc.layers else doc.layers.new(use_layer(word))
        layer.rgb = tuple(int(shade[i:i + 2], 16) for i in (1, 3, 5))


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
    for entity in doc.modelspace():
        if wanted(entity) and not doc.layers.get(entity.dxf.layer).is_off():
            box = drawn_box(doc, entity)
            if box.has_data:
                boxes.add((box.extmin.x, box.extmin.y, box.extmax.x, box.extmax.y))
    return boxes


def drawn_box(doc, entity):
    """The box of the entity's parts (a block reference's attributes and the entities of its
    block, in turn taken apart), its texts measured as the plot draws them."""
    box = BoundingBox()
    for part in disassemble.recursive_decompose([entity]):
        if part.dxftype() in ("TEXT", "ATTRIB", "ATTDEF"):
            corners = text_box(part, style_font(doc, part))
            if corners:
                box.extend([corners[:2], corners[2:]])
        else:
            primitive = disassemble.make_primitive(part)
            if not primitive.is_empty:
                box.extend(primitive.bbox())
    return box


def clear_point(poly, obstacles, extent, near, step):
    return next(clear_points(poly, obstacles, extent, near, step), None)


def clear_points(poly, obstacles, extent, near, step, reach=math.inf):
    """The points, nearest `near` first (`near` itself, then a grid of `step` over the
    polygon's box, within `reach` across and up of `near`), around which a box reaching
    (left, down, right, up) of extent stands inside the polygon and meets none of the
    obstacles."""
    xs, ys = zip(*poly)
    x0, y0 = max(min(xs), near[0] - reach), max(min(ys), near[1] - reach)
    columns, rows = int((min(max(xs), near[0] + reach) - x0) / step), int((min(max(ys), near[1] + reach) - y0) / step)
    left, down, right, up = extent
    for x, y in itertools.chain([near], nearest_first(x0, y0, columns, rows, step, near)):
        box = (x - left, y - down, x + right, y + up)
        if not obstacles.meets(box) and box_inside(box, poly):
            yield x, y


def nearest_first(x0, y0, columns, rows, step, near):
    """The points (x0 + i step, y0 + j step) for i up to columns and j up to rows, nearest
    `near` first (those as near in that order of i and j). They are sorted in rings about
    `near` that double their radius, so that a search that stops at one of the first points
    looks at few more than it takes."""
    (nx, ny), (ci, cj) = near, ((near[0] - x0) / step, (near[1] - y0) / step)
    far = max(math.hypot(x - nx, y - ny) for x in (x0, x0 + columns * step) for y in (y0, y0 + rows * step))
    low, high = -1.0, 8 * step
    while low <= far:
        reach = high / step + 1
        ring = []
        for i in range(max(0, int(ci - reach)), min(columns, int(ci + reach)) + 1):
            x = x0 + i * step
            for j in range(max(0, int(cj - reach)), min(rows, int(cj + reach)) + 1):
                y = y0 + j * step
                d = math.hypot(x - nx, y - ny)
                if low <= d < high:
                    ring.append((d, i, j, x, y))
        ring.sort()
        yield from ((x, y) for _, _, _, x, y in ring)
        low, high = high, 2 * high


def box_inside(box, poly):
    """Whether the box lies inside the polygon: its corners inside, none of its vertices in it."""
    corners = ((box[0], box[1]), (box[2], box[1]), (box[2], box[3]), (box[0], box[3]))
    return all(inside(x, y, poly) for x, y in corners) \
        and not any(box[0] < x < box[2] and box[1] < y < box[3] for x, y in poly)


def text_box(text, font, size=None):
    """The box the plot gives a text (an attribute's, or an attribute definition's tag) in the
    font, at its height or the size given, placed as it is aligned and rotated: along the line
    its advance, across it from the font's descent to its ascent about the line's base; None
    for a blank text. A text aligned or fitted between two points runs from the first to the
    second (an aligned one grown or shrunk to that length)."""
    content = plain_text(text.dxf.tag if text.dxftype() == "ATTDEF" else text.dxf.text)
    if not content.strip():
        return None
    size = size or text.dxf.height
    width = font.width(content) * size * text.dxf.get("width", 1)
    halign, valign = text.dxf.halign, text.dxf.valign
    x, y, _ = text.dxf.align_point if (halign or valign) and text.dxf.hasattr("align_point") else text.dxf.insert
    angle = math.radians(text.dxf.rotation)
    if halign in (3, 5) and text.dxf.hasattr("align_point"):
        span = text.dxf.align_point - text.dxf.insert
        if span.magnitude and width:
            size *= span.magnitude / width if halign == 3 else 1
            (x, y, _), width, angle, halign, valign = text.dxf.insert, span.magnitude, span.angle, 0, 0
    left = width * {1: 0.5, 2: 1, 4: 0.5}.get(halign, 0)
    base = size * (-0.5 if halign == 4 else {1: 0.3, 2: -0.5, 3: -1}.get(valign, 0))
    if not angle:
        x -= left
        y += base
        return x, y - font.descent * size, x + width, y + font.ascent * size
    cos, sin = math.cos(angle), math.sin(angle)
    corners = [(x + u * cos - v * sin, y + u * sin + v * cos) for u in (-left, width - left)
               for v in (base - font.descent * size, base + font.ascent * size)]
    xs, ys = zip(*corners)
    return min(xs), min(ys), max(xs), max(ys)


def style_font(doc, text):
    """The font the plot draws a text's style in."""
    name = text.dxf.get("style", "Standard")
    return plot_font(doc.styles.get(name).dxf.font if doc.styles.has_entry(name) else "")


@functools.lru_cache(maxsize=None)
def plot_font(name):
    """The font the plot draws texts in whose style names this font file: a shape font in the
    family of about its width, another by its name as fontconfig finds it, each read once."""
    stem, extension = os.path.splitext(os.path.basename(name.replace("\\", "/")).lower())
    if stem in SHAPE_FONTS:
        return Font.for_family(SHAPE_FONTS[stem])
    return Font.for_family(DEFAULT_FAMILY if not stem or extension == ".shx" else stem)


def grown(box, by):
    return box[0] - by, box[1] - by, box[2] + by, box[3] + by


def place_assets(drawing, size):
    """Stands the furniture and its numbers clear of the rooms' texts as the plot draws them
    at the text size (which kut gives them), of what else is drawn and of each other, by
    CLEARANCE text sizes: each room's furniture, as one, nearest where it stood in the room;
    each number, at the text size, beside its furniture in its room; a number the room has
    no such place for stands nearest its furniture where its room, or else its floor outside
    what is drawn, leaves room for it, with a leader line to the furniture that crosses no
    text. What finds no place stays put."""
    doc = drawing.doc
    gap = CLEARANCE * size
    msp = doc.modelspace()
    assets = list(msp.query('INSERT[layer=="ASSETS"]'))
    texts = Boxes(8 * size)
    for room in drawing.rooms:
        for attrib in room.attribs:
            if attrib.dxf.text.strip():
                texts.add(text_box(attrib, style_font(doc, attrib), size))
    fixtures = drawn_boxes(doc, lambda e: e.dxf.layer not in ("GROSS", "ASSETS") and not is_space(e),
                           Boxes(8 * size))
    boxes = move_furniture(drawing, assets, Union(texts, fixtures), gap)
    furniture = Boxes(8 * size)
    for box in boxes.values():
        furniture.add(box)
    drawn = drawn_boxes(doc, lambda e: e.dxf.layer not in ("GROSS", "ASSETS"), Boxes(8 * size))
    floors = [[tuple(p) for p in outline.get_points("xy")] for outline in gross_outlines(doc)]
    for asset in assets:
        number = next((a for a in asset.attribs if a.dxf.tag == "ASSET_NO"), None)
        if number is None or asset.dxf.handle not in boxes:
            continue
        number.dxf.height = size
        box = boxes[asset.dxf.handle]
        x0, y0, x1, y1 = text_box(number, style_font(doc, number), size)
        x, y = number.dxf.insert.x, number.dxf.insert.y
        extent = (x - x0 + gap, y - y0 + gap, x1 - x + gap, y1 - y + gap)
        p = asset.dxf.insert
        room = drawing.room_at(p)
        floor = next((poly for poly in floors if inside(p.x, p.y, poly)), None)
        point = room and beside(box, extent, gap, room, Union(texts, furniture, fixtures), furniture)
        if not point:
            places = [(room, Union(texts, furniture, fixtures)), (floor, Union(texts, furniture, drawn))]
            point = leader_point(box, extent, gap, places, texts)
            if point:
                msp.add_line(*nearest_points(clear_of(point, extent, gap), box), dxfattribs={"layer": "ASSETS"})
        if point:
            number.dxf.insert = point
            x, y = point
        texts.add(clear_of((x, y), extent, gap))


def is_space(entity):
    return entity.dxftype() == "INSERT" and entity.dxf.name.upper().startswith("ROOM-")


def clear_of(point, extent, gap):
    """The box of a text at the point whose extent reaches gap beyond it."""
    x, y = point
    return x - extent[0] + gap, y - extent[1] + gap, x + extent[2] - gap, y + extent[3] - gap


def move_furniture(drawing, assets, obstacles, gap):
    """Moves each room's furniture, as one, to the place nearest where it stands at which
    its box, grown by gap, lies in the room and meets none of the obstacles; returns the
    furniture's boxes by handle."""
    rooms = {}
    for asset in assets:
        room, outline = drawing.room_at(asset.dxf.insert), drawing.outline(asset)
        if room and outline:
            rooms.setdefault(tuple(room), []).append((asset, outline))
    boxes = {}
    for room, group in rooms.items():
        xs = [x for _, outline in group for x, _ in outline]
        ys = [y for _, outline in group for _, y in outline]
        x0, y0 = min(xs), min(ys)
        extent = (gap, gap, max(xs) - x0 + gap, max(ys) - y0 + gap)
        x, y = clear_point(list(room), obstacles, extent, (x0, y0), gap) or (x0, y0)
        for asset, outline in group:
            asset.translate(x - x0, y - y0, 0)
            boxes[asset.dxf.handle] = (min(p[0] for p in outline) + x - x0, min(p[1] for p in outline) + y - y0,
                                       max(p[0] for p in outline) + x - x0, max(p[1] for p in outline) + y - y0)
    return boxes


def beside(box, extent, gap, room, taken, furniture):
    """The point nearest the box at which a text whose extent reaches gap beyond it stands
    gap from the box, centred along a part of one of its sides, inside the room and clear
    of what is taken, and the other furniture a text size (four gaps) or more away: plainly
    the box's."""
    left, down, right, up = extent
    x0, y0, x1, y1 = box
    along_y = [y - (up - down) / 2 for y in [y0 + gap * i for i in range(int((y1 - y0) / gap) + 1)] + [y1]]
    along_x = [x - (right - left) / 2 for x in [x0 + gap * i for i in range(int((x1 - x0) / gap) + 1)] + [x1]]
    spots = [(x1 + left, y) for y in along_y] + [(x0 - right, y) for y in along_y] \
        + [(x, y1 + down) for x in along_x] + [(x, y0 - up) for x in along_x]
    centre = ((x0 + x1 - right + left) / 2, (y0 + y1 - up + down) / 2)
    spots.sort(key=lambda p: math.hypot(p[0] - centre[0], p[1] - centre[1]))
    # shrunk by a hair, so that touching the box is not meeting it
    hair = 1e-6 * (x1 - x0)
    return next(((x, y) for x, y in spots if box_inside((x - left, y - down, x + right, y + up), room)
                 and not taken.meets((x - left + hair, y - down + hair, x + right - hair, y + up - hair))
                 and all(other == box for other in furniture.found(grown(clear_of((x, y), extent, gap), 4 * gap)))),
                None)


def leader_point(box, extent, gap, places, texts):
    """The point nearest the box, LEADER_REACH text sizes (four gaps each) from it at most,
    at which a text of this extent stands in one of the places (an outline, or None, and
    what is taken in it; tried in turn) and from which a leader line to the box crosses no
    text."""
    centre = ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2)
    for poly, taken in places:
        for point in clear_points(poly, taken, extent, centre, 2 * gap, LEADER_REACH * 4 * gap) if poly else ():
            if not crosses(*nearest_points(clear_of(point, extent, gap), box), texts, gap):
                return point
    return None


def nearest_points(a, b):
    """The two nearest points of two boxes, one on each (mid-way along where they overlap)."""
    ends = []
    for lo_a, hi_a, lo_b, hi_b in ((a[0], a[2], b[0], b[2]), (a[1], a[3], b[1], b[3])):
        if hi_a < lo_b:
            ends.append((hi_a, lo_b))
        elif hi_b < lo_a:
            ends.append((lo_a, hi_b))
        else:
            middle = (max(lo_a, lo_b) + min(hi_a, hi_b)) / 2
            ends.append((middle, middle))
    return (ends[0][0], ends[1][0]), (ends[0][1], ends[1][1])


def crosses(a, b, boxes, step):
    """Whether the segment from a to b meets any of the boxes, looked at every step along it."""
    n = max(1, int(math.hypot(b[0] - a[0], b[1] - a[1]) / step))
    points = ((a[0] + (b[0] - a[0]) * i / n, a[1] + (b[1] - a[1]) * i / n) for i in range(n + 1))
    return any(boxes.meets((x - step / 4, y - step / 4, x + step / 4, y + step / 4)) for x, y in points)


class Font:
    """What the plot needs of a TrueType font to lay a line of text out, read from its file:
    each character's advance, and the font's ascent and descent, in heights of its capital
    H (the plot makes a text as tall as its capitals)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        count, = struct.unpack_from(">H", data, 4)
        self.tables = {data[12 + 16 * i:16 + 16 * i]: struct.unpack_from(">I", data, 20 + 16 * i)[0]
                       for i in range(count)}
        ascent, descent = struct.unpack_from(">hh", data, self.tables[b"hhea"] + 4)
        metrics, = struct.unpack_from(">H", data, self.tables[b"hhea"] + 34)
        self.advances = struct.unpack_from(">%dH" % (2 * metrics), data, self.tables[b"hmtx"])[::2]
        self.cmap = self._unicode_map()
        capital = self._top(self.glyph("H"))
        self.ascent, self.descent, self.unit = ascent / capital, -descent / capital, 1 / capital

    @staticmethod
    @functools.lru_cache(maxsize=None)
    def for_family(family):
        """The font fontconfig gives for the family (read once)."""
        return Font(subprocess.run(["fc-match", "--format=%{file}", family], capture_output=True, text=True,
                                   check=True).stdout)

    @functools.lru_cache(maxsize=None)
    def width(self, text):
        """The advance of the text, in heights of the capitals (measured once per text)."""
        last = len(self.advances) - 1
        return sum(self.advances[min(self.glyph(c), last)] for c in text) * self.unit

    def _unicode_map(self):
        """Where the Unicode character map (of format 4) begins."""
        at = self.tables[b"cmap"]
        count, = struct.unpack_from(">H", self.data, at + 2)
        for i in range(count):
            platform, encoding, offset = struct.unpack_from(">HHI", self.data, at + 4 + 8 * i)
            if (platform, encoding) in ((3, 1), (0, 3)) and struct.unpack_from(">H", self.data, at + offset)[0] == 4:
                return at + offset
        raise ValueError("the font has no Unicode character map of format 4")

    @functools.lru_cache(maxsize=None)
    def glyph(self, char):
        """The glyph of a character (0, the missing glyph, where the font has none)."""
        code, data, at = ord(char), self.data, self.cmap
        segments = struct.unpack_from(">H", data, at + 6)[0] // 2
        i = next(i for i in range(segments) if struct.unpack_from(">H", data, at + 14 + 2 * i)[0] >= code)
        start, delta, ranged = (struct.unpack_from(">H", data, at + 16 + 2 * (k * segments + i))[0] for k in (1, 2, 3))
        if code < start:
            return 0
        if ranged == 0:
            return (code + delta) & 0xFFFF
        glyph, = struct.unpack_from(">H", data, at + 16 + 2 * (3 * segments + i) + ranged + 2 * (code - start))
        return (glyph + delta) & 0xFFFF if glyph else 0

    def _top(self, glyph):
        """The top of a glyph's outline, in the font's units."""
        long_offsets = struct.unpack_from(">h", self.data, self.tables[b"head"] + 50)[0]
        entry = self.tables[b"loca"] + glyph * (4 if long_offsets else 2)
        offset = struct.unpack_from(">I" if long_offsets else ">H", self.data, entry)[0] * (1 if long_offsets else 2)
        return struct.unpack_from(">h", self.data, self.tables[b"glyf"] + offset + 8)[0]


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

    def found(self, box):
        """The boxes that meet the box (one that spans several cells as often)."""
        return (b for key in self._cells(box) for b in self.grid.get(key, ())
                if b[0] < box[2] and box[0] < b[2] and b[1] < box[3] and box[1] < b[3])

    def meets(self, box):
        return any(self.found(box))


class Union:
    """Sets of boxes taken together."""

    def __init__(self, *parts):
        self.parts = parts

    def meets(self, box):
        return any(part.meets(box) for part in self.parts)


def use_of(name):
    """The index in USES of a room's use, by the first word of its name; None for another."""
    first = name.split(" ", 1)[0]
    return next((i for i, (word, _, _, _) in enumerate(USES) if word == first), None)


def use_layer(word):
    """The layer of a use's hatches and pie-chart wedge."""
    return "USE-" + word.upper()


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
        "<cHatchLayer>%s</cHatchLayer><kavroBlocks>%s</kavroBlocks></category>"
        % (i + 1, escape(title), colour, use_layer(word),
           "".join("<kavroBlock><mbHandle>%s</mbHandle></kavroBlock>" % h for h in handles))
        for i, ((word, title, colour, _), handles) in enumerate(zip(USES, members)))
    layers = "".join("<layerOn><loName>%s</loName></layerOn>" % name
                     for name in SHOWN_LAYERS + tuple(use_layer(word) for word, _, _, _ in USES))
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
