#!/usr/bin/python3
"""What the main job (scripts/run-example.sh) needs to know about its drawings.

Usage:
    /usr/bin/python3 scripts/example_job.py pick PLAN.dxf
        prints the handle of the first floor's gross outline and the point at its
        centre ("HANDLE X,Y"), which the gross-area command is given;
    /usr/bin/python3 scripts/example_job.py summary BEFORE.dxf AFTER.dxf
        prints what the drawing held before the job and what the job changed.

Everything is read from the drawings with ezdxf.  Space blocks are the block references
whose definition name begins "ROOM-"; the gross-area block is "ROOM-GROSS_AREA"; floors
are the closed outlines on layer "GROSS" together with the gross-area blocks; assets
are the other block references that stand inside a space's outline.
"""

import sys

import ezdxf

GROSS_AREA = "ROOM-GROSS_AREA"
# Side of the grid cells that index the spaces' boxes, in drawing units.
CELL = 10000.0


def gross_outlines(doc):
    return [e for e in doc.modelspace().query('LWPOLYLINE[layer=="GROSS"]') if e.closed]


def pick(path):
    outline = gross_outlines(ezdxf.readfile(path))[0]
    xs, ys = zip(*outline.get_points("xy"))
    print(outline.dxf.handle, "%g,%g" % ((min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2))


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


def summary(before_path, after_path):
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
    lines += ["", "The result is %s (%s, %s)." % (after.path, plural(len(after.spaces), "space block"),
                                                    plural(after.assets, "asset"))]
    print("\n".join(lines))


def main(argv):
    if len(argv) == 2 and argv[0] == "pick":
        pick(argv[1])
    elif len(argv) == 3 and argv[0] == "summary":
        summary(argv[1], argv[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
