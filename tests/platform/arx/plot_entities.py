"""Writes the drawing the plot engine's entity tests plot: points, solids, traces,
ellipses, old-style polylines with widths and a table, and annotations (a dimension, a
leader, multileaders with a text and a block, a multiline), all in millimetres on an A4
sheet.

usage: plot_entities.py OUTPUT.dxf
"""
import sys

import ezdxf
from ezdxf.math import Vec2
from ezdxf.render.mleader import ConnectionSide

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
