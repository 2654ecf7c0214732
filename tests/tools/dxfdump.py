#!/usr/bin/python3
"""Print a canonical JSON description of a DXF drawing's content.

Usage:
    /usr/bin/python3 tests/tools/dxfdump.py FILE [--audit] [--json]

Two files whose descriptions are equal hold the same content as far as
Quorvane cares: same layers, blocks, entities (with their handles, which a
faithful host keeps), XDATA, layouts and draw order.  Choices a writer may
make freely do not show: the order of header variables and table entries
(tables are sorted by name), CLASSES, handles of table entries and block
records (owners that are block records are given by name), attribute values
written explicitly although equal to their default, float noise below 1e-9.

Output: indented JSON by default; --json prints it compact on one line.
--audit runs ezdxf's auditor first; when it reports errors or fixes, their
messages are printed and the exit status is 1.  A file that cannot be read
gives exit status 2 and a message on stderr.

Other scripts may `import dxfdump` and call `dump(path)` (a dict) or
`describe(doc)`.

Shape of the description:
{
  "header":   {"$ACADVER": str, "$INSUNITS": int|null, "$LUNITS": int|null},
  "appids":   [name, ...],                                  (sorted)
  "layers":   [{"name", "color", "true_color", "on", "frozen", "locked",
                "plot", "linetype", "lineweight"}, ...],    (sorted by name)
  "blocks":   [{"name", "base_point", "flags", "entities": [ENTITY, ...]}, ...]
              (sorted by name; layout blocks are not listed here)
  "layouts":  [{"name", "taborder", "block_record"}, ...]   (tab order, name)
  "modelspace": [ENTITY, ...],                              (file order)
  "paperspace": {layout name: [ENTITY, ...]},
  "draworder":  {block record name: [entity handles in the order they are drawn]}
}
ENTITY = {"type", "handle", "owner" (not for VERTEX and ATTRIB), "layer", "color",
          "dxf": {key geometry such as start, end, insert, text, name, and
                  all other DXF attributes that differ from their default},
          "xdata": {appid: [[code, value], ...]}               (when present)
          and by type: LWPOLYLINE "points" [[x, y, start width, end width,
          bulge]], "closed"; POLYLINE "closed", "vertices" [ENTITY];
          INSERT "attribs" [ENTITY]; MTEXT "text"; HATCH "loops" (count),
          "pattern", "solid"; TEXT/ATTRIB/ATTDEF have "text" in "dxf"}
"owner" is the block record's name when the owner is a block record,
otherwise the owner's handle.  Points are lists rounded to 9 decimals.
"""

import argparse
import json
import math
import sys

import ezdxf
from ezdxf.lldxf.const import DXFError

ROUND = 9

# DXF attributes that are described elsewhere or that refer to objects
# whose handles a writer may choose freely.
SKIP_ATTRIBS = {"handle", "owner", "layer", "color"}

# Shown even when they hold their default value.
KEY_ATTRIBS = ("start", "end", "center", "radius", "start_angle", "end_angle",
               "insert", "location", "name", "text", "tag", "height", "rotation",
               "xscale", "yscale", "zscale", "bulge")


def _num(v):
    if isinstance(v, bool):
        return v
    if isinstance(v, int):
        return v
    if isinstance(v, float):
        if math.isnan(v) or math.isinf(v):
            return repr(v)
        r = round(v, ROUND)
        return 0.0 if r == 0 else r  # no "-0.0"
    return v


def _value(v):
    """A JSON-friendly, rounded copy of a DXF attribute or tag value."""
    if isinstance(v, (int, float)):
        return _num(v)
    if isinstance(v, str) or v is None:
        return v
    if isinstance(v, bytes):
        return v.hex()
    try:
        return [_value(x) for x in v]  # Vec2, Vec3, tuples, lists
    except TypeError:
        return str(v)


class _Context:
    def __init__(self, doc):
        self.doc = doc
        # handle -> name for every block record: owners given by name
        self.block_records = {}
        for br in doc.block_records:
            self.block_records[br.dxf.handle] = br.dxf.name

    def owner(self, entity):
        h = entity.dxf.get("owner")
        if h is None:
            return None
        return self.block_records.get(h, h)


def _is_float_code(code):
    return (10 <= code <= 59 or 110 <= code <= 149 or 210 <= code <= 239
            or 460 <= code <= 469 or 1010 <= code <= 1059)


def _typed(attr, v):
    """v as the type the attribute's group code stores (0 -> 0.0 for a
    float), so that an explicit value and a default print alike."""
    if attr is not None and isinstance(v, int) and not isinstance(v, bool) \
            and _is_float_code(attr.code):
        return float(v)
    return v


def _dxf_attribs(entity):
    """Key geometry (always) and every other attribute that differs from its
    default, rounded."""
    out = {}
    definitions = entity.DXFATTRIBS
    for name, value in entity.dxfattribs().items():
        if name in SKIP_ATTRIBS or name.endswith("_handle"):
            continue
        attr = definitions.get(name)
        v = _value(_typed(attr, value))
        if attr is not None and attr.default is not None and name not in KEY_ATTRIBS:
            if v == _value(attr.default):
                continue
        out[name] = v
    for name in KEY_ATTRIBS:
        if name not in out and entity.dxf.is_supported(name):
            v = entity.dxf.get_default(name)
            if v is not None:
                out[name] = _value(_typed(definitions.get(name), v))
    return dict(sorted(out.items()))


def _xdata(entity):
    xd = entity.xdata
    if xd is None or not xd.data:
        return None
    out = {}
    for appid in sorted(xd.data):
        tags = xd.data[appid]
        out[appid] = [[t.code, _value(t.value)] for t in tags if t.code != 1001]
    return out


def _common(entity, name, default):
    """A common entity attribute; ezdxf's stand-in for an entity it does not model
    (ACAD_TABLE) has none."""
    return entity.dxf.get(name, default) if entity.dxf.is_supported(name) else default


def _entity(entity, ctx, sub=False):
    """sub: a VERTEX of a POLYLINE or an ATTRIB of an INSERT, whose owner is
    given by the nesting (writers disagree about its owner handle)."""
    d = {
        "type": entity.dxftype(),
        "handle": entity.dxf.get("handle"),
        "layer": _common(entity, "layer", "0"),
        "color": _common(entity, "color", 256),
        "dxf": _dxf_attribs(entity),
    }
    if not sub:
        d["owner"] = ctx.owner(entity)
    t = d["type"]
    if t == "LWPOLYLINE":
        d["points"] = [_value(p) for p in entity.get_points("xyseb")]
        d["closed"] = bool(entity.closed)
    elif t == "POLYLINE":
        d["closed"] = bool(entity.is_closed)
        d["vertices"] = [_entity(v, ctx, sub=True) for v in entity.vertices]
    elif t == "INSERT":
        d["attribs"] = [_entity(a, ctx, sub=True) for a in entity.attribs]
    elif t == "MTEXT":
        d["text"] = entity.text
    elif t == "HATCH":
        d["pattern"] = entity.dxf.get("pattern_name", "")
        d["solid"] = bool(entity.dxf.get("solid_fill", 0))
        d["loops"] = len(entity.paths)
    xdata = _xdata(entity)
    if xdata:
        d["xdata"] = xdata
        if "PE_URL" in xdata:
            d["hyperlink"] = list(entity.get_hyperlink())
    return d


def _layer(layer):
    dxf = layer.dxf
    color = dxf.get("color", 7)
    flags = dxf.get("flags", 0)
    return {
        "name": dxf.name,
        "color": abs(color),
        "true_color": dxf.get("true_color"),
        "on": color >= 0,
        "frozen": bool(flags & 1),
        "locked": bool(flags & 4),
        "plot": bool(dxf.get("plot", 1)),
        "linetype": dxf.get("linetype", "Continuous"),
        "lineweight": dxf.get("lineweight", -3),
    }


def _by_name(name):
    return (name.casefold(), name)


def describe(doc):
    """The canonical description (a dict) of an ezdxf document."""
    ctx = _Context(doc)
    header = {var: doc.header.get(var) for var in ("$ACADVER", "$INSUNITS", "$LUNITS")}

    layers = sorted((_layer(l) for l in doc.layers), key=lambda l: _by_name(l["name"]))
    appids = sorted((a.dxf.name for a in doc.appids), key=_by_name)

    blocks = []
    for block in doc.blocks:
        if block.block_record.is_any_layout:
            continue
        blk = block.block
        blocks.append({
            "name": block.name,
            "base_point": _value(blk.dxf.get("base_point", (0, 0, 0))),
            "flags": blk.dxf.get("flags", 0),
            "entities": [_entity(e, ctx) for e in block],
        })
    blocks.sort(key=lambda b: _by_name(b["name"]))

    layouts = []
    paperspace = {}
    draworder = {}
    for layout in doc.layouts:
        br = layout.block_record
        layouts.append({
            "name": layout.name,
            "taborder": layout.dxf.get("taborder", 0),
            "block_record": br.dxf.name if br is not None else None,
        })
        if not layout.is_modelspace:
            paperspace[layout.name] = [_entity(e, ctx) for e in layout]
        order = _draw_order(layout)
        if order:
            draworder[br.dxf.name] = order
    layouts.sort(key=lambda l: (l["taborder"], _by_name(l["name"])))

    return {
        "header": header,
        "appids": appids,
        "layers": layers,
        "blocks": blocks,
        "layouts": layouts,
        "modelspace": [_entity(e, ctx) for e in doc.modelspace()],
        "paperspace": dict(sorted(paperspace.items())),
        "draworder": dict(sorted(draworder.items())),
    }


def _draw_order(layout):
    """The handles of a layout's entities in the order they are drawn, when it has a
    draw-order table: by sort handle (an entity's own handle when the table has none for
    it), keeping the layout's order between equal keys. The sort-handle values themselves
    are the writer's choice; only the order they give is content."""
    sort_handles = dict(layout.get_redraw_order())
    if not sort_handles:
        return []
    handles = [e.dxf.handle for e in layout]
    return sorted(handles, key=lambda h: int(sort_handles.get(h, h), 16))


class ReadError(Exception):
    pass


def read(path):
    """Read a DXF file with ezdxf; raises ReadError when it cannot."""
    try:
        return ezdxf.readfile(path)
    except (OSError, DXFError, UnicodeDecodeError, ValueError, KeyError,
            IndexError, TypeError, AttributeError) as e:
        msg = str(e)
        name = type(e).__name__
        raise ReadError(msg if msg.startswith(name) else "%s: %s" % (name, msg)) from e


def dump(path):
    """The canonical description (a dict) of the DXF file at path."""
    return describe(read(path))


def _is_leaf(v):
    return not isinstance(v, (dict, list)) or (
        isinstance(v, list) and all(not isinstance(x, (dict, list)) for x in v))


def _pretty(v, indent, out):
    """Indented JSON, with lists of plain values (points) on one line."""
    if _is_leaf(v) or (isinstance(v, list) and all(_is_leaf(x) for x in v) and len(v) <= 1):
        out.append(json.dumps(v, ensure_ascii=False))
        return
    pad = " " * (indent + 1)
    if isinstance(v, dict):
        if not v:
            out.append("{}")
            return
        out.append("{\n")
        for i, k in enumerate(sorted(v)):
            out.append(pad + json.dumps(k, ensure_ascii=False) + ": ")
            _pretty(v[k], indent + 1, out)
            out.append(",\n" if i + 1 < len(v) else "\n")
        out.append(" " * indent + "}")
    else:
        out.append("[\n")
        for i, x in enumerate(v):
            out.append(pad)
            _pretty(x, indent + 1, out)
            out.append(",\n" if i + 1 < len(v) else "\n")
        out.append(" " * indent + "]")


def to_json(description, compact=False):
    if compact:
        return json.dumps(description, sort_keys=True, separators=(",", ":"),
                          ensure_ascii=False)
    out = []
    _pretty(description, 0, out)
    return "".join(out)


def audit_messages(doc):
    """Messages of ezdxf's auditor; empty when it found nothing."""
    auditor = doc.audit()
    messages = []
    for kind, entries in (("error", auditor.errors), ("fix", auditor.fixes)):
        for entry in entries:
            messages.append("%s %d: %s" % (kind, entry.code, entry.message))
    return messages


def main(argv=None):
    p = argparse.ArgumentParser(description="Canonical JSON description of a DXF file.")
    p.add_argument("file")
    p.add_argument("--audit", action="store_true",
                   help="exit 1 with ezdxf's audit messages when it finds errors or fixes")
    p.add_argument("--json", action="store_true", help="compact one-line JSON")
    a = p.parse_args(argv)
    try:
        doc = read(a.file)
    except ReadError as e:
        print("dxfdump: cannot read %s: %s" % (a.file, e), file=sys.stderr)
        return 2
    if a.audit:
        messages = audit_messages(doc)
        if messages:
            print("dxfdump: audit of %s failed:" % a.file)
            for m in messages:
                print(m)
            return 1
    sys.stdout.write(to_json(describe(doc), compact=a.json) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
