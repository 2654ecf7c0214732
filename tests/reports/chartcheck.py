#!/usr/bin/python3
"""Describe a drawing for the pie-chart and link-line tests, as JSON on one line.

Usage: /usr/bin/python3 tests/reports/chartcheck.py FILE

{"audit": [messages], "dump": dxfdump's description,
 "areas": {handle: area enclosed by each LWPOLYLINE of any block, arcs included,
           from the vertices and bulges ezdxf reads},
 "linetypes": {name: [pattern length, dash, dash, ...]},
 "draworder": {block name: [entity handles in the order they are drawn]} for blocks that
              have a draw-order table}
"""

import json
import math
import os
import sys


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import dxfdump  # noqa: E402


def enclosed_area(polyline):
    """The chord polygon's signed area plus, for each bulged segment, the signed area
    between its chord and its arc (exact, no flattening)."""
    vertices = list(polyline.get_points("xyb"))
    signed = 0.0
    for (x1, y1, bulge), (x2, y2, _) in zip(vertices, vertices[1:] + vertices[:1]):
        signed += (x1 * y2 - x2 * y1) / 2.0
        if bulge:
            theta = 4.0 * math.atan(bulge)
            chord = math.hypot(x2 - x1, y2 - y1)
            radius = chord / (2.0 * math.sin(abs(theta) / 2.0))
            signed += radius * radius / 2.0 * (theta - math.sin(theta))
    return abs(signed)


def linetype_pattern(linetype):
    tags = linetype.pattern_tags.tags if linetype.pattern_tags else []
    return [tag.value for tag in tags if tag.code in (40, 49)]


def main():
    doc = dxfdump.read(sys.argv[1])
    areas = {}
    draworder = {}
    for block in doc.blocks:
        for entity in block:
            if entity.dxftype() == "LWPOLYLINE":
                areas[entity.dxf.handle] = enclosed_area(entity)
        order = dxfdump._draw_order(block)
        if order:
            draworder[block.name] = order
    print(json.dumps({
        "audit": dxfdump.audit_messages(doc),
        "dump": dxfdump.describe(doc),
        "areas": areas,
        "linetypes": {lt.dxf.name: linetype_pattern(lt) for lt in doc.linetypes},
        "draworder": draworder,
    }))


if __name__ == "__main__":
    main()
