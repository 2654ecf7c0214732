"""Writes the drawings the plot engine's entity tests plot, in millimetres on an A4 sheet:
points, solids, traces, ellipses, old-style polylines with widths and a table, and
annotations (a dimension, a leader, multileaders with a text and a block, a multiline); or,
with "curves", arcs, splines (a closed one among them), 3D faces, meshes, construction
lines, a wipeout, a hatch whose pattern starts at 1e308, an ellipse and old-style polylines;
or, with "dimensions", dimensions of the other types with and without their blocks, a
multiline whose elements have colours of their own and attribute definitions in model space.

usage: plot_entities.py OUTPUT.dxf [curves|dimensions]
"""
import math
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


if len(sys.argv) > 2 and sys.argv[2] == "curves":
    curves(sys.argv[1])
    sys.exit(0)
if len(sys.argv) > 2 and sys.argv[2] == "dimensions":
    dimensions(sys.argv[1])
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
