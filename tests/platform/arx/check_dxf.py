#!/usr/bin/python3
"""Independent checks of DXF files with ezdxf, for the drawing database's tests.

    check_dxf.py audit FILE         ezdxf loads FILE and its audit reports no errors and no fixes
                                    (and the shared structural checker passes, when present)
    check_dxf.py make FILE          writes a 2013 drawing with layers, bulged polylines,
                                    attributes and XDATA, as another program would
    check_dxf.py make-codepage FILE ENCODING LAYER BLOCK TEXT
                                    writes a 2000 drawing in a code page ("cp1251") with a
                                    layer, a block and its reference, and a text on the layer
    check_dxf.py make12 FILE        writes a release-12 drawing with a dimension, points and
                                    an old-style polyline
    check_dxf.py make2018 FILE      as make, in DXF 2018, where the MTEXT is in columns (an
                                    embedded object)
    check_dxf.py same A B           A and B hold the same handles, layers, blocks, XDATA,
                                    attributes and polyline vertices
    check_dxf.py same-entities A B  as `same`, without the layer table (a reader adds layers that
                                    entities name but the table lacks)
    check_dxf.py show FILE          prints what `same` compares, one item a line
    check_dxf.py librecad FILE      LibreCAD converts FILE to PDF (skipped when not installed)
    check_dxf.py make-dynamic FILE  writes a dynamic block "DOOR" with two references through
                                    anonymous definitions, one linked by XData, one by its
                                    extension dictionary, and a plain reference of "DOOR"
    check_dxf.py hyperlink FILE H   prints the hyperlink ezdxf reads on the entity of handle H
                                    as "name|description|location"
    check_dxf.py relink FILE H URL  sets the hyperlink of the entity of handle H to URL (or
                                    removes it when URL is "-"), as another program would
    check_dxf.py tables FILE        prints each table of model space as ezdxf reads it: its block,
                                    the numbers of lines in it, its texts and the blocks it shows,
                                    its row heights as stored, and the table styles of the drawing
"""
import os
import shutil
import subprocess
import sys
import tempfile

import ezdxf


def audit(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    problems = [f"error: {e.message}" for e in auditor.errors] + [f"fix: {e.message}" for e in auditor.fixes]
    if problems:
        print("\n".join(problems))
        return 1
    checker = os.path.join(os.path.dirname(__file__), "..", "..", "..", "..", "shared", "tools", "dxf_check.py")
    if os.path.exists(checker):
        r = subprocess.run([sys.executable, checker, path, "--strict", "--quiet"], capture_output=True, text=True)
        if r.returncode != 0:
            print(r.stdout, r.stderr)
            return 1
    return 0


def make(path, release="R2013"):
    doc = ezdxf.new(release)
    doc.appids.new("ROOMS")
    doc.layers.add("Walls", color=3)
    doc.layers.add("Rooms", true_color=ezdxf.rgb2int((10, 200, 30)))
    frozen = doc.layers.add("Hidden")
    frozen.freeze()
    frozen.lock()
    block = doc.blocks.new("ROOM-101", base_point=(1, 1))
    block.add_lwpolyline([(0, 0, 0, 0, 0), (10, 0, 0, 0, 1), (10, 10), (0, 10)], format="xyseb", close=True)
    block.add_attdef("ROOM NAME", (0, 0), dxfattribs={"prompt": "Name?", "height": 2.5})
    msp = doc.modelspace()
    ref = msp.add_blockref("ROOM-101", (100, 50), dxfattribs={"xscale": 2, "yscale": 2, "rotation": 30, "layer": "Rooms"})
    ref.add_attrib("ROOM NAME", "Lab <!1>!", (100, 50)).dxf.lock_position = 1
    ref.set_xdata("ROOMS", [(1000, "NAME=Lab"), (1070, 3), (1040, 2.5)])
    msp.add_lwpolyline([(0, 0, 0.5), (5, 0, 0), (5, 5, -0.25)], format="xyb", dxfattribs={"layer": "Walls"})
    msp.add_text("Zürich – café", dxfattribs={"height": 3, "layer": "Walls"})
    msp.add_circle((3, 3), 1.5, dxfattribs={"color": 1})
    placed = {"insert": (20, 30), "char_height": 2.5, "layer": "Walls"}
    if doc.dxfversion >= ezdxf.const.DXF2018:
        # Columns are an embedded object, whose codes repeat the text's own (ezdxf reads
        # no rotation of texts in columns).
        msp.add_mtext_static_columns(["Room", "Lab"], width=40, gutter_width=5, height=20, dxfattribs=placed)
    else:
        msp.add_mtext("Room", dxfattribs=dict(placed, width=40, rotation=30))
    doc.saveas(path)
    return 0


def make_codepage(path, encoding, layer, block, text):
    doc = ezdxf.new("R2000")
    doc.encoding = encoding
    doc.layers.add(layer)
    doc.blocks.new(block).add_line((0, 0), (1, 0))
    msp = doc.modelspace()
    msp.add_blockref(block, (0, 0), dxfattribs={"layer": layer})
    msp.add_text(text, dxfattribs={"layer": layer})
    doc.saveas(path)
    return 0


def make12(path):
    doc = ezdxf.new("R12", setup=True)
    msp = doc.modelspace()
    msp.add_point((3, 3))
    msp.add_polyline2d([(0, 0), (1, 1), (2, 0)], dxfattribs={"layer": "Old"})
    msp.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(10, 0)).render()
    doc.saveas(path)
    return 0


def describe(path):
    doc = ezdxf.readfile(path)
    items = []
    for layer in doc.layers:
        items.append(f"layer {layer.dxf.name} color={layer.color} rgb={layer.rgb} frozen={layer.is_frozen()} "
                     f"locked={layer.is_locked()} off={layer.is_off()}")
    for block in doc.blocks:
        if block.name.lower().startswith("*"):
            continue
        items.append(f"block {block.name} base={tuple(round(v, 9) for v in block.block.dxf.base_point)}")
        items.extend("  " + e for e in entities(block))
    items.extend(entities(doc.modelspace()))
    return items


def point(p):
    return tuple(round(v, 9) for v in p)


def entities(layout):
    out = []
    for e in layout:
        line = f"{e.dxftype()} #{e.dxf.handle} layer={e.dxf.layer}"
        if e.dxftype() == "LWPOLYLINE":
            line += f" closed={e.closed} pts={[tuple(round(v, 9) for v in p) for p in e.get_points('xyseb')]}"
        if e.dxftype() == "INSERT":
            line += f" name={e.dxf.name} at={tuple(round(v, 9) for v in e.dxf.insert)} rot={round(e.dxf.rotation, 9)}"
            line += f" attribs={[(a.dxf.tag, a.dxf.text) for a in e.attribs]}"
        if e.dxftype() in ("TEXT", "ATTDEF"):
            line += f" text={e.dxf.text!r}"
        if e.dxftype() in ("ATTDEF", "INSERT"):
            line += f" locked={[a.dxf.lock_position for a in (e.attribs if e.dxftype() == 'INSERT' else [e])]}"
        if e.dxftype() == "MTEXT":
            line += f" text={e.text!r} at={point(e.dxf.insert)} height={e.dxf.char_height} width={e.dxf.width}"
            line += f" rot={round(e.get_rotation(), 9)} columns={e.columns.count if e.has_columns else 0}"
        if e.dxftype() == "DIMENSION":
            line += f" type={e.dimtype} points={[point(e.dxf.get(p, (0, 0, 0))) for p in ('defpoint', 'defpoint2', 'defpoint3')]}"
        if e.xdata is not None and len(e.xdata.data):
            line += f" xdata={[(app, list(e.get_xdata(app))) for app in sorted(e.xdata.data)]}"
        out.append(line)
    return out


def tables(path):
    doc = ezdxf.readfile(path)
    out = []
    for table in doc.modelspace().query("ACAD_TABLE"):
        ref = table.xtags.get_subclass("AcDbBlockReference")
        name = ref.get_first_value(2)
        block = doc.blocks.get(name)
        if block is None:
            out.append(f"table {name}: no block")
            continue
        lines = len(block.query("LINE"))
        texts = sorted(t.plain_text() for t in block.query("MTEXT"))
        inserts = sorted(i.dxf.name for i in block.query("INSERT"))
        rows = [round(float(t.value), 4) for t in table.xtags.get_subclass("AcDbTable") if t.code == 141]
        out.append(f"table {name[:2]} lines={lines} texts={texts} inserts={inserts} rows={rows}")
    styles = doc.rootdict.get("ACAD_TABLESTYLE")
    if styles is not None:
        out.append("styles " + " ".join(f"{k}:{v.dxftype()}" for k, v in styles.items()))
    print("\n".join(out))
    return 0


def librecad(path):
    if not shutil.which("librecad"):
        print("librecad not installed: skipped")
        return 0
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        # LibreCAD shows a modal dialog on a file it cannot read and never exits: time it out.
        subprocess.run(["timeout", "60", "librecad", "dxf2pdf", "-a", "-t", out, path], env=env,
                       capture_output=True)
        pdf = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + ".pdf")
        return 0 if os.path.exists(pdf) and os.path.getsize(pdf) > 0 else 1


def make_dynamic(path):
    doc = ezdxf.new("R2013")
    door = doc.blocks.new("DOOR")
    door.add_lwpolyline([(0, 0), (900, 0), (900, 50), (0, 50)], close=True)
    door.block_record.set_xdata("AcDbDynamicBlockGUID", [(1000, "{4F6C3A12-0000-4000-8000-00000000D001}")])
    msp = doc.modelspace()
    msp.add_blockref("DOOR", (0, 0))
    # One anonymous definition names its dynamic block by XData, the other through its
    # extension dictionary only.
    by_xdata = doc.blocks.new_anonymous_block("U")
    by_xdata.add_lwpolyline([(0, 0), (1000, 0), (1000, 50), (0, 50)], close=True)
    by_xdata.block_record.set_xdata("AcDbBlockRepBTag", [(1070, 1), (1005, door.block_record.dxf.handle)])
    by_dict = doc.blocks.new_anonymous_block("U")
    by_dict.add_lwpolyline([(0, 0), (800, 0), (800, 50), (0, 50)], close=True)
    xdict = by_dict.block_record.new_extension_dict()
    representation = xdict.dictionary.add_new_dict("AcDbBlockRepresentation")
    data = representation.add_xrecord("AcDbRepData")
    data.reset([(70, 1), (340, door.block_record.dxf.handle)])
    plain = doc.blocks.new_anonymous_block("U")
    plain.add_line((0, 0), (1, 1))
    for i, layout in enumerate((by_xdata, by_dict, plain)):
        msp.add_blockref(layout.name, (2000 * (i + 1), 0))
    doc.saveas(path)
    return 0


def hyperlink(path, handle):
    doc = ezdxf.readfile(path)
    print("|".join(doc.entitydb[handle].get_hyperlink()))
    return 0


def relink(path, handle, url):
    doc = ezdxf.readfile(path)
    entity = doc.entitydb[handle]
    if url == "-":
        entity.discard_xdata("PE_URL")
    else:
        entity.set_hyperlink(url, "theirs")
    doc.saveas(path)
    return 0


def main():
    mode, *args = sys.argv[1:]
    if mode == "audit":
        return audit(args[0])
    if mode == "librecad":
        return librecad(args[0])
    if mode == "make12":
        return make12(args[0])
    if mode == "make":
        return make(args[0])
    if mode == "make-codepage":
        return make_codepage(*args)
    if mode == "make-dynamic":
        return make_dynamic(args[0])
    if mode == "hyperlink":
        return hyperlink(*args)
    if mode == "relink":
        return relink(*args)
    if mode == "make2018":
        return make(args[0], "R2018")
    if mode == "tables":
        return tables(args[0])
    if mode == "show":
        print("\n".join(describe(args[0])))
        return 0
    if mode in ("same", "same-entities"):
        a, b = describe(args[0]), describe(args[1])
        if mode == "same-entities":
            a, b = ([x for x in items if not x.startswith("layer ")] for items in (a, b))
        if a != b:
            for x, y in zip(a, b):
                if x != y:
                    print(f"- {x}\n+ {y}")
            print(f"({len(a)} items against {len(b)})")
            return 1
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main())
