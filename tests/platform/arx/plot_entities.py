"""Writes the drawings the plot engine's entity tests plot, in millimetres on an A4 sheet:
points, solids, traces, ellipses, old-style polylines with widths and a table, and
annotations (a dimension, a leader, multileaders with a text and a block, a multiline); or,
with "curves", arcs, splines (a closed one among them), 3D faces, meshes, construction
lines, a wipeout, a hatch whose pattern starts at 1e308, an ellipse, old-style polylines, a
smoothed polygon mesh and hatches bounded by a spline, an arc and an ellipse; or, with
"dimensions", dimensions of the other types with and without their blocks, a multiline
whose elements have colours of their own and attribute definitions in model space.

With "proxy", entities of types it does not model that carry proxy graphics: a custom
entity's line, and a proxy entity's lines, circle, arc, filled square moved by a transform,
shell, bit-coded polyline and text, each in its colour or layer. With "clipped", references
of a filled 40 mm square clipped by spatial filters.

usage: plot_entities.py OUTPUT.dxf [curves|dimensions|proxy|clipped]
"""
import math
import struct
import sys

import ezdxf
import ezdxf.math
from ezdxf.math import Vec2
from ezdxf.render.mleader import ConnectionSide


def curves(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    msp.add_arc((30, 170), 15, 0, 90)
    # A quadratic B-spline, the same frame weighted into a quarter circle about (135, 160),
    # and a curve through three fit points.
    msp.add_open_spline([(60, 160), (75, 190), (90, 160)], degree=2)
    msp.add_rational_spline([(110, 160), (110, 185), (135, 185)], [1, 0.5 ** 0.5, 1], degree=2)
    msp.add_spline([(160, 160), (175, 180), (190, 160)])
    # Closed, its knots clamped and its control points not repeated (as dxflib writes it).
    square = msp.add_open_spline([(200, 150), (240, 150), (240, 190), (200, 190)], degree=2)
    square.dxf.flags |= 3
    # A square face without its right edge; a mesh of two squares; a square polyface of two
    # triangles whose diagonal is hidden; a polygon mesh of 3 x 3 points.
    msp.add_3dface([(20, 90), (60, 90), (60, 130), (20, 130)], dxfattribs={"invisible": 2})
    mesh = msp.add_mesh()
    with mesh.edit_data() as data:
        data.vertices = [(80, 90, 0), (100, 90, 0), (120, 90, 0), (80, 130, 0), (100, 130, 0), (120, 130, 0)]
        data.faces = [(0, 1, 4, 3), (1, 2, 5, 4)]
    face = msp.add_polyface()
    face.append_faces([[(140, 90), (180, 90), (180, 130)], [(140, 90), (180, 130), (140, 130)]])
    first, second = [record[-1] for record in face.faces()]
    first.dxf.vtx2 = -first.dxf.vtx2     # the edge from (180, 130) back to (140, 90)
    second.dxf.vtx0 = -second.dxf.vtx0   # the edge from (140, 90) to (180, 130)
    grid = msp.add_polymesh((3, 3))
    for m in range(3):
        for n in range(3):
            grid.set_mesh_vertex((m, n), (200 + 20 * n, 90 + 20 * m, 0))
    msp.add_xline((260, 20), (0, 1))
    msp.add_ray((280, 100), (0, 1))
    # A line partly masked by a wipeout.
    msp.add_line((10, 50), (100, 50))
    msp.add_wipeout([(40, 40), (60, 40), (60, 60), (40, 60)])
    hatch = msp.add_hatch()
    hatch.set_pattern_fill("ANSI31", scale=1)
    hatch.paths.add_polyline_path([(120, 20), (160, 20), (160, 60), (120, 60)])
    for line in hatch.pattern.lines:
        line.base_point = ezdxf.math.Vec2(1e308, 1e308)
    # Half an ellipse, an old-style 2D polyline bent into a half circle below its ends, and a
    # 3D polyline.
    msp.add_ellipse((30, 20), major_axis=(15, 0), ratio=0.5, start_param=0, end_param=3.14159265)
    msp.add_polyline2d([(60, 20, 0, 0, 1), (90, 20, 0, 0, 0)], format="xyseb")
    msp.add_polyline3d([(100, 5, 0), (110, 15, 5)])
    # A polygon mesh of 2 x 2 control points smoothed into a surface of 3 x 3 points, which
    # the file gives after them.
    smooth = msp.add_polymesh((2, 2), dxfattribs={"m_smooth_density": 3, "n_smooth_density": 3, "smooth_type": 5})
    smooth.dxf.flags |= 4
    for m in range(2):
        for n in range(2):
            smooth.set_mesh_vertex((m, n), (175 + 40 * n, 20 + 40 * m, 0))
    for vertex in smooth.vertices:
        vertex.dxf.flags = 64 | 16
    for m in range(3):
        for n in range(3):
            smooth.append_vertex((175 + 20 * n, 20 + 20 * m, 0), dxfattribs={"flags": 64 | 8})
    # Solid hatches bounded by edges: a quadratic spline bowing out to x = 248 from a control
    # point at x = 256, and a quarter circle.
    bowed = msp.add_hatch()
    edges = bowed.paths.add_edge_path()
    edges.add_line((220, 10), (240, 10))
    edges.add_spline(control_points=[(240, 10), (256, 25), (240, 40)], knot_values=[0, 0, 0, 1, 1, 1], degree=2)
    edges.add_line((240, 40), (220, 40))
    edges.add_line((220, 40), (220, 10))
    quarter = msp.add_hatch()
    edges = quarter.paths.add_edge_path()
    edges.add_line((225, 50), (245, 50))
    edges.add_arc((225, 50), 20, 0, 90)
    edges.add_line((225, 70), (225, 50))
    # An elliptic edge to the point at 45 degrees (233.94, 83.94): its angles are not its
    # parameters.
    wedge = msp.add_hatch()
    edges = wedge.paths.add_edge_path()
    edges.add_line((225, 75), (245, 75))
    edges.add_ellipse((225, 75), major_axis=(20, 0), ratio=0.5, start_angle=0, end_angle=45)
    edges.add_line((233.94427, 83.94427), (225, 75))
    doc.saveas(path)


def dimensions(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    doc.dimstyles.new("BIG", dxfattribs={"dimasz": 4, "dimtxt": 5, "dimdec": 1, "dimadec": 0})

    def pointed(dim):
        # Committed without a block, so that the plot draws it from its points.
        dim.commit()
        dim.dimension.dxf.geometry = "*D97"

    # Without blocks, along the bottom: an angle between two lines (the second ending short of
    # the arc), an angle at three points, ordinates along x and y, an arc's length, and a
    # jogged radius whose centre lies off the sheet.
    pointed(msp.add_angular_dim_2l(base=(20 + 30 * math.cos(math.pi / 8), 20 + 30 * math.sin(math.pi / 8)),
                                   line1=((20, 20), (60, 20)), line2=((20, 20), (34.14, 34.14)), dimstyle="BIG"))
    pointed(msp.add_angular_dim_3p(base=(117.68, 37.68), center=(100, 20), p1=(130, 20), p2=(100, 50),
                                   dimstyle="BIG"))
    pointed(msp.add_ordinate_x_dim(feature_location=(160, 20), offset=(10, 25), dimstyle="BIG"))
    pointed(msp.add_ordinate_y_dim(feature_location=(200, 20), offset=(25, 10), dimstyle="BIG"))
    arc = msp.add_arc_dim_3p(base=(277.68, 37.68), center=(260, 20), p1=(280, 20), p2=(260, 40), dimstyle="BIG")
    pointed(arc)
    msp.new_entity("LARGE_RADIAL_DIMENSION", {
        "dimstyle": "BIG", "geometry": "*D96", "dimtype": 9 | 32, "defpoint": (60, -40),
        "chord_point": (60, 100), "override_center": (50, 70), "jog_point": (55, 80)})
    # With blocks, in red: an arc's length and a jogged radius (a line of its own).
    msp.add_arc_dim_3p(base=(277.68, 137.68), center=(260, 120), p1=(280, 120), p2=(260, 140), dimstyle="BIG",
                       dxfattribs={"color": 1}).render()
    block = doc.blocks.new_anonymous_block("D")
    block.add_line((150, 180), (200, 180), dxfattribs={"color": 0})
    msp.new_entity("LARGE_RADIAL_DIMENSION", {
        "color": 1, "geometry": block.name, "dimtype": 9 | 32, "defpoint": (150, 100),
        "chord_point": (200, 180), "override_center": (150, 170), "jog_point": (160, 175)})
    # A multiline on a green layer, red itself: its elements by layer, by block and blue.
    doc.layers.add("GREEN", color=3)
    style = doc.mline_styles.new("COLOURED")
    style.elements.append(1, 256)
    style.elements.append(0, 0)
    style.elements.append(-1, 5)
    msp.add_mline([(150, 120), (200, 120)], dxfattribs={"style_name": "COLOURED", "scale_factor": 4,
                                                         "justification": 1, "layer": "GREEN", "color": 1})
    # Attribute definitions standing in model space: a visible one and an invisible one.
    msp.add_attdef("ROOMTAG", insert=(20, 130), text="value", dxfattribs={"height": 5})
    msp.add_attdef("HIDDENTAG", insert=(20, 110), text="hidden", dxfattribs={"height": 5, "flags": 1})
    doc.saveas(path)


def command(kind, body=b""):
    return struct.pack("<2L", 8 + len(body), kind) + body


def points(*xys):
    return b"".join(struct.pack("<3d", x, y, 0) for x, y in xys)


def graphics(*commands):
    body = b"".join(commands)
    return struct.pack("<2L", 8 + len(body), len(commands)) + body


def carried(data, count_code=92):
    """The pairs of proxy graphics: the byte count, then chunks of 127 bytes."""
    chunks = [data[i:i + 127].hex().upper() for i in range(0, len(data), 127)]
    return f"{count_code:>3}\n{len(data)}\n" + "".join(f"310\n{c}\n" for c in chunks)


def bit_coded(*fields):
    """Bit-coded values: (count, value) pairs of bits, or bytes taken whole."""
    bits = []
    for field in fields:
        for count, value in ([(8, b) for b in field] if isinstance(field, bytes) else [field]):
            bits += [(value >> i) & 1 for i in reversed(range(count))]
    bits += [0] * (-len(bits) % 8)
    return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def proxies(path):
    doc = ezdxf.new("R2010")
    doc.layers.add("Green", color=3)
    green = [layer.dxf.name for layer in doc.layers].index("Green")
    doc.saveas(path)
    u32 = lambda v: struct.pack("<L", v)
    data = graphics(
        command(14, u32(1)), command(6, struct.pack("<L", 2) + points((20, 20), (80, 20))),   # red line
        command(16, u32(green)), command(14, u32(256)),                                      # by layer: green
        command(2, points((150, 40)) + struct.pack("<4d", 15, 0, 0, 1)),
        command(16, u32(0)), command(22, u32(0xC20000FF)), command(20, u32(1)),             # blue, filled
        command(29, struct.pack("<16d", 1, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1, 0, 0, 0, 0, 1)),  # up by 100
        command(7, struct.pack("<L", 4) + points((20, 20), (60, 20), (60, 60), (20, 60))),
        command(31), command(20, u32(0)), command(14, u32(7)),
        command(9, struct.pack("<L", 3) + points((200, 20), (260, 20), (230, 70))
                + struct.pack("<5l3L", 4, 3, 0, 1, 2, 0, 0, 0)),   # no edge, face or vertex data
        command(5, points((200, 150), (230, 180), (260, 150)) + u32(0)),
        # A closed lightweight polyline whose first segment bends down by a half circle.
        command(33, bit_coded((2, 0), struct.pack("<h", 512 | 16), (2, 1), bytes([3]), (2, 1), bytes([3]),
                              struct.pack("<2d", 100, 70), (2, 3), struct.pack("<d", 140), (2, 0),
                              (2, 3), struct.pack("<d", 120), (2, 3), struct.pack("<d", 90),
                              (2, 1), (2, 2), (2, 2))),
        command(10, points((150, 120)) + struct.pack("<3d", 0, 0, 1) + struct.pack("<3d", 1, 0, 0)
                + struct.pack("<3d", 10, 1, 0) + b"PROXY\0\0\0"),
    )
    line = graphics(command(14, u32(1)), command(6, struct.pack("<L", 2) + points((20, 190), (80, 190))))
    records = ("  0\nQV_WALL\n100\nAcDbEntity\n  8\n0\n" + carried(line, 160) + "100\nAcDbQvWall\n 70\n1\n"
               + "  0\nACAD_PROXY_ENTITY\n100\nAcDbEntity\n  8\n0\n100\nAcDbProxyEntity\n 90\n498\n 91\n500\n"
               + carried(data) + " 93\n0\n")
    with open(path) as f:
        text = f.read()
    at = text.index("ENDSEC", text.index("ENTITIES"))
    at = text.rindex("  0\n", 0, at)
    with open(path, "w") as f:
        f.write(text[:at] + records + text[at:])


def spatial_filter(points, count, shift):
    """The pairs of a SPATIAL_FILTER's own subclass: its boundary, and as the inverse of the
    reference's placement a move by shift."""
    pairs = [(100, "AcDbFilter"), (100, "AcDbSpatialFilter"), (70, count)]
    for x, y in points:
        pairs += [(10, x), (20, y)]
    pairs += [(210, 0), (220, 0), (230, 1), (11, 0), (21, 0), (31, 0), (71, 1), (72, 0), (73, 0)]
    inverse = [1, 0, 0, shift[0], 0, 1, 0, shift[1], 0, 0, 1, 0]
    pairs += [(40, v) for v in inverse + [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0]]
    return "".join(f"{code:>3}\n{value}\n" for code, value in pairs)


def clipped(path):
    # Each reference at (x, 10) with its filter's points, count and the move back to the block.
    square = [(0, 0), (40, 40)]
    cases = [
        (10, [(0, 0), (40, 0), (0, 40)], 3, (0, 0)),    # a triangle
        (60, [(60, 10), (80, 30)], 2, (-60, -10)),      # a rectangle given where the reference stood
        (110, square, 2, (0, 0)),                       # inverted around (10, 10) to (30, 30)
        (160, [(0, 0), (40, 0), (0, 40)], 4, (0, 0)),   # a count its points do not have
        (210, [(0, 0), (20, 20), (40, 40)], 3, (0, 0)), # no area
    ]
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    panel = doc.blocks.new("PANEL")
    panel.add_hatch(color=1).paths.add_polyline_path([(0, 0), (40, 0), (40, 40), (0, 40)])
    filters = {}
    for x, points, count, shift in cases:
        xdict = msp.add_blockref("PANEL", (x, 10)).new_extension_dict()
        record = xdict.dictionary.add_new_dict("ACAD_FILTER", hard_owned=True).add_xrecord("SPATIAL")
        filters[record.dxf.handle] = spatial_filter(points, count, shift)
        if x == 110:
            inverted = record.new_extension_dict().add_xrecord("ACAD_XREC_ROUNDTRIP")
            inverted.reset([(102, "ACAD_INVERTEDCLIP_ROUNDTRIP"), (10, (10, 10, 0)), (10, (30, 30, 0)),
                            (102, "ACAD_INVERTEDCLIP_ROUNDTRIP_COMPARE"), (10, (0, 0, 0)), (10, (40, 40, 0))])
    doc.saveas(path)
    # ezdxf writes no spatial filters: their records take the place of the stand-ins.
    with open(path) as f:
        text = f.read()
    for handle, body in filters.items():
        at = text.index(f"  0\nXRECORD\n  5\n{handle}\n")
        text = text[:at] + text[at:].replace("XRECORD", "SPATIAL_FILTER", 1)
        start = text.index("100\nAcDbXrecord\n", at)
        end = text.index("  0\n", start)
        text = text[:start] + body + text[end:]
    with open(path, "w") as f:
        f.write(text)


DRAWINGS = {"curves": curves, "dimensions": dimensions, "proxy": proxies, "clipped": clipped}
if len(sys.argv) > 2 and sys.argv[2] in DRAWINGS:
    DRAWINGS[sys.argv[2]](sys.argv[1])
    sys.exit(0)

doc = ezdxf.new("R2010")
msp = doc.modelspace()
red = {"color": 1}
msp.add_point((20, 150), dxfattribs=red)
# Corners 1, 2, 3, 4 of a square go round it in the order 1, 2, 4, 3.
msp.add_solid([(10, 10), (50, 10), (10, 50), (50, 50)], dxfattribs=red)
msp.add_trace([(60, 10), (100, 10), (60, 50)])
msp.add_ellipse((150, 50), major_axis=(40, 0), ratio=0.5)
msp.add_ellipse((150, 130), major_axis=(30, 0), ratio=0.5, start_param=0, end_param=3.14159265)
msp.add_polyline2d([(200, 150, 4, 4, 0), (280, 150, 4, 4, 0)], format="xyseb")
msp.add_polyline2d([(200, 180), (280, 180)], dxfattribs={"default_start_width": 6, "default_end_width": 6})

# A table's graphics: its anonymous block, a rule and two cell texts.
block = doc.blocks.new_anonymous_block("T")
block.add_line((0, 0), (40, 0))
block.add_text("Kitchen", dxfattribs={"height": 3}).set_placement((2, 2))
block.add_text("Office", dxfattribs={"height": 3}).set_placement((2, -5))

# Annotations: a red dimension (its block's lines are by block), two whose block is missing
# (drawn from their points, one with ticks by its own override),
# leaders with the arrowhead of their dimension style (one overrides it by a dot),
# multileaders and a capped multiline.
doc.dimstyles.new("BIG", dxfattribs={"dimasz": 6, "dimtxt": 5})
msp.add_linear_dim(base=(50, 90), p1=(20, 70), p2=(80, 70), dimstyle="BIG", text="Width",
                   dxfattribs=red).render()
ticked = msp.add_linear_dim(base=(140, 165), p1=(110, 155), p2=(170, 155), dimstyle="BIG",
                            override={"dimtsz": 4})
ticked.commit()
ticked.dimension.dxf.geometry = "*D99"
across = msp.add_diameter_dim(center=(245, 196), radius=8, angle=0, dimstyle="BIG")
across.dimension.dxf.geometry = "*D98"
msp.add_leader([(30, 110), (60, 130), (90, 130)], dimstyle="BIG")
msp.add_leader([(120, 180), (150, 195), (180, 195)], dimstyle="BIG", override={"dimldrblk": "DOT"})
text = msp.add_multileader_mtext("Standard")
text.set_content("Lobby", char_height=5)
text.add_leader_line(ConnectionSide.left, [Vec2(225, 100)])
text.build(insert=Vec2(250, 120))
mark = doc.blocks.new("MARK")
mark.add_lwpolyline([(0, 0), (10, 0), (10, 10), (0, 10)], close=True)
marker = msp.add_multileader_block("Standard")
marker.set_content(name="MARK")
marker.add_leader_line(ConnectionSide.left, [Vec2(235, 40)])
marker.build(insert=Vec2(270, 50))
capped = doc.mline_styles.new("CAPPED")
capped.elements.append(0.5)
capped.elements.append(-0.5)
capped.dxf.flags = 16 | 256   # square caps at both ends
msp.add_mline([(110, 90), (180, 90), (180, 105)], dxfattribs={"style_name": "CAPPED", "scale_factor": 4,
                                                               "justification": 1})
doc.saveas(sys.argv[1])

# ezdxf writes no tables: the record goes in by hand, turned a quarter and scaled twice.
table = f"""  0
ACAD_TABLE
  5
FFF0
330
{msp.layout_key}
100
AcDbEntity
  8
0
100
AcDbBlockReference
  2
{block.name}
 10
200.0
 20
20.0
 30
0.0
 41
2.0
 42
2.0
 43
2.0
100
AcDbTable
280
0
 11
0.0
 21
1.0
 31
0.0
 91
2
 92
1
  1
Pantry
"""
with open(sys.argv[1]) as f:
    text = f.read()
at = text.index("ENDSEC", text.index("ENTITIES"))
at = text.rindex("  0\n", 0, at)
with open(sys.argv[1], "w") as f:
    f.write(text[:at] + table + text[at:])
