#!/usr/bin/python3
"""Checks how cadhost opens, saves and plots a folder of DXF drawings.

Usage:
    /usr/bin/python3 scripts/check_drawings.py FOLDER_OR_FILES... [--out DIR] [--cadhost PATH]
        [--jobs N] [--timeout SECONDS] [--librecad]

For each drawing, cadhost opens it, saves it with SAVEAS and plots it to PDF (the files go to
--out, a temporary folder by default). ezdxf then reads the original and the save, and each
finding is a line that names the drawing and what was found:

    ok       plan.dxf: saved with nothing lost, plotted (ink 3.1%; 0.1 s)
    LOST     detail.dxf: Model ARC 12 -> 0; texts 3 of 40 changed (0.2 s)
    REFUSED  old.dxf: cannot open "old.dxf": line 12: ... (ezdxf opens it)
    REPEATS  wall.dxf: the save holds a group twice in 2 entities (LINE 2F group 8, ...)
    BLANK    empty.dxf: the plot is blank, LibreCAD's has 2.10% ink
    THIN     site.dxf: far less ink than LibreCAD's at the top left, middle
    OFFSHEET notes.dxf: texts run off the sheet: 2 words (Section, A-A)
    OVERLAP  title.dxf: texts overlap: 1 pairs of words (Name/Project)
    OVERLAP  room.dxf: texts overlap: 1 wrapped lines of labels outside their boxes (Office 1.017: 1.017 below its box)
    EMPTYBOX pipes.dxf: characters no font draws plot as empty boxes: 1 (90%%127)

What a save must keep (LOST): the entities of each layout counted by type, the layer and
block names, the texts (TEXT, MTEXT, ATTRIB, ATTDEF, in layouts and blocks) and the entities'
handles (when the original has handles). A layout or block that cadhost's repairs name (a
layout renamed, and one of the same content under its new name), and a text or a name (of a
layer, block or layout) whose bytes the save keeps, read in another code page than ezdxf reads
them, are not lost: where ezdxf keeps bytes its code page does not decode as surrogates,
cadhost reads them in Windows-1252, the five bytes that page leaves out (0x81, 0x8D, 0x8F,
0x90, 0x9D) as the controls of their numbers. Errors that ezdxf's audit finds in the save are
named too (LOST), but not those it finds alike in the original (its audit, or its recovery's
when it must recover it), which was broken before cadhost read it. In the save, an
entity of the ENTITIES or BLOCKS section that holds a common group (handle, layer, linetype,
colour, ...) twice is named (REPEATS). A blank plot of a drawing with entities is named
(BLANK), and so are, as pdftotext places the plot's words and a picture of the page shows
them: words cut by the page's edge (OFFSHEET; a whole word of the drawing within the page is
flush with it, a word a viewport or a clip hides is not shown, and a word whose letters the
plot draws whole within the page, touching its edge as on a plot fitted to the sheet with no
margin, is not cut: the plot is drawn again on a page grown past the edge to see whether
the word goes on there); words of multiline texts that wrap in their boxes running into words
of other lines, and the lines of one-line labels (multiline texts with no line break of their
own) that the plot wraps outside their boxes over the drawing's lines (OVERLAP; a label's box
is the one its insertion point, attachment and width give, one line high or as high as it
says; its lines are told by the words' places, their spacing and alignment, and their line
of the drawing by a picture of the plot without its texts: a line that stands outside the
box in the clear, or on a solid fill, is not named; not where a paper layout's viewports
show model space, whose clipped texts pdftotext gives too); and texts whose "%%nnn" codes no
font draws (a control character, or a sign of 127 to 129 in a shape-font style that the plot
does not show), with the characters cadhost names as empty boxes (EMPTYBOX).

With --librecad, LibreCAD's dxf2pdf plots the drawing too and both plots are kept as PNG
pictures side by side in --out. Where the drawing's paper layouts hold nothing but viewports
(LibreCAD draws paper space together with model space), a blank plot where LibreCAD's has ink
is named (BLANK), and so is a plot with far less ink than LibreCAD's (THIN): in all, or in a
part of a 4 x 4 grid laid over each plot's ink box, so that plots fitted to other sheets still
compare, counting the small blocks that hold ink, so that line weights and small shifts weigh
little; parts are compared only when the two ink boxes are shaped alike and LibreCAD's has
ink in each part where ours has much (LibreCAD leaves out what it does not draw), and not at
all when the drawing clips references (LibreCAD draws them whole). A summary counts the
drawings of each kind.

The exit status is 0 when every drawing was opened, saved with nothing lost and plotted with
nothing found, 1 otherwise.
"""

import argparse
import bisect
import codecs
import collections
import concurrent.futures
import html
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import ezdxf
from ezdxf import recover
from ezdxf.tools.text import plain_mtext

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_CADHOST = os.path.join(HERE, "..", "build", "bin", "cadhost")
TEXT_TYPES = ("TEXT", "MTEXT", "ATTRIB", "ATTDEF")
# Types that a DXF 2013 file writes under another name.
RENAMED = {"3DLINE": "LINE"}
UNICODE_ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")
INK_LEVEL = 250          # a grey darker than this is ink
INK_MASK = bytes(1 if v < INK_LEVEL else 0 for v in range(256))
LIBRECAD_INK_SHARE = 0.2  # a plot with less than this share of LibreCAD's ink is named
GRID, BLOCKS = 4, 8       # parts of the ink box compared with LibreCAD's, and blocks a side of each
REGION_DRAWN = 0.08       # a part where LibreCAD's ink is in at least this share of the blocks
REGION_SHARE = 0.25       # is named when ours is in less than this share of LibreCAD's blocks
# Ink boxes whose widths to heights differ by a greater factor than this have parts that do not
# match: LibreCAD draws something else there (layers that are off, a text set on one line, ...).
SHAPE_FACTOR = 1.3
EDGE = 0.5                # points: a text this near the page's edge may run off it, and one drawn
                          # no further past it is whole
EDGE_PASSED = 0.01        # points: a word whose box passes the page's edge by more may run off it
BEYOND = 24               # points past the page's edge that a plot is looked at for the rest of a word
BEYOND_DOTS = 4           # pixels a point there
TEXT_OBJECT = re.compile(rb"(?<=\s)BT(?=\s)")
PAGE_BOX = re.compile(rb"/(MediaBox|CropBox)\s*\[\s*([-+0-9.]+)\s+([-+0-9.]+)\s+([-+0-9.]+)\s+([-+0-9.]+)\s*\]")
PDF_PAGE = re.compile(r'<page width="([-0-9.]+)" height="([-0-9.]+)"')
PDF_WORD = re.compile(r'<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>')
STACK = re.compile(r"\\S[^;]*;")
PERCENT_CODE = re.compile(r"%%(\d{3})")
# The signs shape fonts draw for 127 to 129 (degree, plus/minus, diameter), each as a plot may show it.
SHAPE_FONT_SIGNS = {127: "\u00b0", 128: "\u00b1", 129: "\u2300\u00d8\u2205"}
REPAIRED_NAME = re.compile(r"'([^']*)'")
AUDIT_HANDLE = re.compile(r"#[0-9A-Fa-f]+")
TEXT_PICTURE = 3000       # pixels on the longer side of the page's picture that texts are looked for in
HEIGHT_FACTOR = 2         # words of heights further apart are no neighbours of one block of texts
LINE_OFFSET = 0.1         # words whose tops lie further apart than this part of a height are on other lines
OVERLAP_SHARE = 0.3       # words whose boxes share this part of the smaller box overlap
MTEXT_LINE = 5 / 3        # a multiline text's baselines apart, in text heights, at a line spacing of 1
# A label's words on the page: their heights to the text's height ranges from the fonts' (a
# box from descent to ascent, about 1.6 capitals' heights), and what they may stray from the
# line spacing, each other's lines and heights, and the label's width (a share of the height).
FONT_BOX = (1.0, 2.5)
LABEL_SLACK = 0.15
FILLED = 0.9              # a share of ink that fills a place: a background (a solid hatch), no line
CROSSING = 0.3            # a line crosses a word's letters this share of its box's height from its edges
# Codes of a multiline text that move or size its words otherwise than its own geometry does.
LABEL_CODES = re.compile(r"\\[HSPXATW]", re.IGNORECASE)
# Groups that an entity holds once: handle, layer, linetype, colours, space, scale, weight, ...
COMMON_GROUPS = {"5", "6", "8", "48", "60", "62", "67", "370", "410", "420", "440"}


def read_original(path):
    """The drawing as ezdxf reads it (recovering it when it must), and the audit of its
    recovery (None when it was read as it is); None when it cannot be read."""
    try:
        return ezdxf.readfile(path), None
    except Exception:
        try:
            return recover.readfile(path)
        except Exception:
            return None, None


def audit_error(error):
    """An error of ezdxf's audit as its code and message, handles left out of the message (the
    save of a drawing without handles numbers its entities anew)."""
    return int(error.code), AUDIT_HANDLE.sub("#", error.message)


def audit_errors(auditor):
    """The errors of ezdxf's audit, as audit_error gives them, counted."""
    return collections.Counter(audit_error(error) for error in auditor.errors)


def original_errors(path, original, recovery):
    """What ezdxf's audit finds in the original (broken before cadhost read it), as
    audit_errors gives it: the audit of its recovery, or of the drawing as ezdxf read it, or
    when that audit fails, of the drawing recovered; none when ezdxf cannot audit it."""
    try:
        return audit_errors(recovery or original.audit())
    except Exception:  # ezdxf's audit fails on what it read
        try:
            return audit_errors(recover.readfile(path)[1])
        except Exception:
            return collections.Counter()


def is_layout_block(name):
    upper = name.upper()
    return upper == "*MODEL_SPACE" or upper.startswith("*PAPER_SPACE")


def unescaped(text):
    """A text with its \\U+XXXX escapes as the characters they stand for, as CAD programs
    show them (ezdxf leaves them as written)."""
    return UNICODE_ESCAPE.sub(lambda match: chr(int(match.group(1), 16)), text)


def text_of(entity):
    return unescaped(entity.text if entity.dxftype() == "MTEXT" else entity.dxf.get("text", ""))


def shape_font_styles(doc):
    """The names (upper case) of the text styles whose font is a shape font ("txt", "iso.shx")."""
    return {style.dxf.name.upper() for style in doc.styles
            if os.path.splitext(style.dxf.get("font", "").lower())[1] in ("", ".shx")}


def coded_signs(entity, text, shape_styles):
    """What a text asks for by "%%nnn" that may plot as an empty box: for each code, the signs
    that draw it (those shape fonts give 127 to 129, when its style is a shape font), or none
    for a control character, which no font draws."""
    shape = entity.dxf.get("style", "Standard").upper() in shape_styles
    found = []
    for match in PERCENT_CODE.finditer(text):
        code = int(match.group(1))
        if shape and code in SHAPE_FONT_SIGNS:
            found.append(SHAPE_FONT_SIGNS[code])
        elif code < 32 or 127 <= code < 160:
            found.append("")
    return found


def shows_viewports(doc):
    """Whether the layout a plot of the drawing shows is a paper layout with viewports (the
    texts of model space clipped to them are all in the plot's text, shown or not)."""
    if doc.header.get("$TILEMODE", 1) != 0:
        return False
    try:
        layout = doc.layouts.active_layout()
    except Exception:  # no paper layout is active
        return False
    return any(entity.dxf.get("id", 0) > 1 for entity in layout.query("VIEWPORT"))


def describe(doc):
    """What a save must keep of a drawing, with the words of its texts and those of its texts
    whose characters no font draws."""
    layouts = {}
    texts = collections.Counter()
    handles = set()
    words, wrapping, coded, labels = set(), set(), [], set()
    shape_styles = shape_font_styles(doc)

    def add_text(entity, text):
        texts[text] += 1
        # The words a plot shows: a stack's parts apart from the words before it.
        plain = plain_mtext(STACK.sub(" ", text)) if entity.dxftype() == "MTEXT" else text
        words.update(plain.split())
        if entity.dxftype() == "MTEXT" and entity.dxf.get("width", 0) > 0:
            wrapping.update(plain.split())
            label = one_line_label(entity, text, plain)
            if label:
                labels.add(label)
        signs = coded_signs(entity, text, shape_styles)
        if signs:
            coded.append((text, signs))

    for layout in doc.layouts:
        counts = collections.Counter()
        for entity in layout:
            counts[RENAMED.get(entity.dxftype(), entity.dxftype())] += 1
            handles.add(entity.dxf.handle.upper())
            if entity.dxftype() in TEXT_TYPES:
                add_text(entity, text_of(entity))
            if entity.dxftype() == "INSERT":
                for attrib in entity.attribs:
                    add_text(attrib, unescaped(attrib.dxf.text))
        layouts[layout.name] = counts
    for block in doc.blocks:
        if is_layout_block(block.name):
            continue
        for entity in block:
            handles.add(entity.dxf.handle.upper())
            if entity.dxftype() in TEXT_TYPES:
                add_text(entity, text_of(entity))
    return {
        "layouts": layouts,
        "layers": {unescaped(layer.dxf.name) for layer in doc.layers},
        "blocks": {unescaped(block.name) for block in doc.blocks if not is_layout_block(block.name)},
        "texts": texts,
        "handles": handles,
        "words": words,
        "wrapping": wrapping,
        "labels": labels,
        "coded": coded,
        "clipped": any(entity.dxftype() == "SPATIAL_FILTER" for entity in doc.objects),
        "viewports": shows_viewports(doc),
        "encoding": doc.encoding,
    }


def one_line_label(entity, text, plain):
    """A multiline text of two words or more that has no line break of its own, as its words,
    its width, the height of its box and the distance of its lines apart (each in text
    heights) and its attachment (1 top left to 9 bottom right); None for any other text (a
    break, codes that move or size words, columns, no width)."""
    dxf = entity.dxf
    height, words = dxf.get("char_height", 0), tuple(plain.split())
    if len(words) < 2 or "\n" in plain or LABEL_CODES.search(text) or not height > 0 \
            or dxf.get("width", 0) <= 0 or getattr(entity, "has_columns", False):
        return None
    # The box as the drawing gives it: its width, and one line high or as high as it says.
    box = max(1.0, dxf.get("defined_height", 0) / height)
    spacing = dxf.get("line_spacing_factor", 1) or 1
    return (words, round(dxf.width / height, 6), round(box, 6), round(MTEXT_LINE * spacing, 6),
            dxf.get("attachment_point", 1))


def drawn(description):
    """Whether a drawing has anything to plot."""
    return any(kind != "VIEWPORT" for counts in description["layouts"].values() for kind in counts)


def paper_drawn(description):
    """Whether a paper layout of a drawing holds more than viewports."""
    return any(kind != "VIEWPORT" for name, counts in description["layouts"].items() if name != "Model"
               for kind in counts)


def file_names(path, encoding):
    """The handles (group 5) and the names (group 2) that the file itself holds: ezdxf adds
    blocks and handles of its own to older drawings, which a save need not keep. Bytes the
    encoding does not decode are read as ezdxf reads them (surrogates)."""
    with open(path, "rb") as f:
        lines = f.read().decode(encoding, "surrogateescape").splitlines()
    found = {"5": set(), "2": set()}
    for code, value in zip(lines[0::2], lines[1::2]):
        if code.strip() in found:
            found[code.strip()].add(unescaped(value.strip()) if code.strip() == "2" else value.strip().upper())
    return found


def announced_names(errors):
    """The names that cadhost's repairs quote (a layout or block renamed, and its new name)."""
    names = set()
    for line in errors.splitlines():
        if "repaired:" in line:
            names.update(REPAIRED_NAME.findall(line))
    return names


def names_lost(kind, before, after, encoding, held=None, announced=()):
    lost = sorted(name for name in before - after if (held is None or name in held) and name not in announced
                  and not read_otherwise(name, encoding, after))
    if not lost:
        return []
    return ["%s %d lost (%s)" % (kind, len(lost), shown(lost))]


def renamed_layout(name, counts, before, after, announced):
    """The layout of the save that a layout of the drawing became under a name a repair gave
    it: one of the same content that the drawing does not have; None when there is none."""
    for new, saved in after["layouts"].items():
        if new not in before["layouts"] and new in announced and saved == counts:
            return new
    return name if name in announced else None


def controls(error):
    """The bytes Windows-1252 leaves out (0x81, 0x8D, 0x8F, 0x90, 0x9D) as cadhost reads them:
    the control characters of their numbers."""
    return "".join(chr(byte) for byte in error.object[error.start:error.end]), error.end


codecs.register_error("check_drawings.controls", controls)
# The ways a text's bytes may be read: as ezdxf reads the drawing's code page, as Windows-1252
# or UTF-8, and as cadhost reads what its code page does not decode.
READINGS = (("", "replace"), ("cp1252", "replace"), ("utf-8", "replace"), ("cp1252", "check_drawings.controls"))


def readings(text, encoding):
    """A text or name as its bytes (as ezdxf read them in encoding) read other ways."""
    for source in {encoding, "cp1252", "utf-8"}:
        try:
            raw = text.encode(source, errors="surrogateescape")
        except (LookupError, UnicodeError):
            continue
        for target, errors in READINGS:
            try:
                yield raw.decode(target or encoding, errors=errors)
            except LookupError:
                continue


def read_otherwise(text, encoding, saved):
    """Whether the save holds a text or name of the same bytes as text, decoded another way
    (ezdxf and cadhost may read a code page differently, and where ezdxf keeps bytes it does
    not decode as surrogates, cadhost reads them in Windows-1252)."""
    return "\ufffd" in text or any(other in saved for other in readings(text, encoding))


def differences(before, after, held, announced=frozenset()):
    """The losses between two descriptions, each in a few words; a name a repair announced,
    and a text or a name whose bytes the save keeps, read another way, are no loss."""
    found = []
    for name, counts in before["layouts"].items():
        saved = after["layouts"].get(name)
        if saved is None:
            new = renamed_layout(name, counts, before, after, announced) \
                or next((other for other in readings(name, before["encoding"]) if other in after["layouts"]), None)
            if new is None:
                found.append("layout %s lost" % name)
                continue
            saved = after["layouts"].get(new, counts)
        for kind in sorted(counts):
            if saved[kind] < counts[kind]:
                found.append("%s %s %d -> %d" % (name, kind, counts[kind], saved[kind]))
    found += names_lost("layers", before["layers"], after["layers"], before["encoding"])
    found += names_lost("blocks", before["blocks"], after["blocks"], before["encoding"], held["2"], announced)
    lost = before["texts"] - after["texts"]
    changed = sum(n for text, n in lost.items() if not read_otherwise(text, before["encoding"], after["texts"]))
    if changed:
        found.append("texts %d of %d changed" % (changed, sum(before["texts"].values())))
    handles = before["handles"] & held["5"]
    renumbered = len(handles - after["handles"])
    if renumbered:
        found.append("handles %d of %d changed" % (renumbered, len(handles)))
    return found


def grey_page(pdf, picture=None, size=400):
    """The first page as a small grey picture (width, height, one byte a pixel), size pixels
    on its longer side; with picture, a PNG of the page is kept there too. None when the PDF
    cannot be read."""
    # Both plots at one size, whatever their sheets: LibreCAD fits its page to the drawing.
    result = subprocess.run(["pdftoppm", "-gray", "-scale-to", str(size), "-f", "1", "-l", "1", pdf],
                            capture_output=True, timeout=120)
    if result.returncode != 0:
        return None
    if picture:
        subprocess.run(["pdftoppm", "-png", "-scale-to", "800", "-f", "1", "-l", "1", "-singlefile", pdf, picture[:-4]],
                       capture_output=True, timeout=120)
    return ink_mask(result.stdout)


def ink_mask(data):
    """A binary PGM ("P5", width, height, maximum, then one byte a pixel) as (width, height,
    one byte a pixel, 1 for ink)."""
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[position + 1:position + 1 + width * height].translate(INK_MASK)


def ink(page):
    """The share of a page that is not paper."""
    return page[2].count(1) / max(len(page[2]), 1)


def ink_box(page):
    """The rows and columns that hold the page's ink: (left, top, right, bottom), ends excluded."""
    width, height, mask = page
    rows = [y for y in range(height) if 1 in mask[y * width:(y + 1) * width]]
    if not rows:
        return None
    lines = [mask[y * width:(y + 1) * width] for y in rows]
    return (min(line.find(1) for line in lines), rows[0],
            max(line.rfind(1) for line in lines) + 1, rows[-1] + 1)


def occupancy(page, box):
    """Which of GRID x GRID blocks of BLOCKS x BLOCKS small blocks over the ink box hold ink:
    counts by cell, so that line weights and small shifts between two plots weigh little."""
    width, _, mask = page
    left, top, right, bottom = box
    steps = GRID * BLOCKS
    xs = [left + (right - left) * i // steps for i in range(steps + 1)]
    ys = [top + (bottom - top) * j // steps for j in range(steps + 1)]
    cells = [[0] * GRID for _ in range(GRID)]
    for j in range(steps):
        band = [mask[y * width:(y + 1) * width] for y in range(ys[j], max(ys[j + 1], ys[j] + 1))]
        for i in range(steps):
            x0, x1 = xs[i], max(xs[i + 1], xs[i] + 1)
            if any(1 in line[x0:x1] for line in band):
                cells[j // BLOCKS][i // BLOCKS] += 1
    return cells


def thin_regions(ours, theirs):
    """The parts of the drawing, each aligned on the two plots' ink boxes, where LibreCAD draws
    and our plot has far less ink, named as parts of the sheet (top left, middle, ...); none
    when the boxes are shaped otherwise."""
    boxes = ink_box(ours), ink_box(theirs)
    if None in boxes:
        return []
    if abs(math.log(shape(boxes[0]) / shape(boxes[1]))) > math.log(SHAPE_FACTOR):
        return []
    mine, reference = occupancy(ours, boxes[0]), occupancy(theirs, boxes[1])
    # Where our plot draws much that LibreCAD's lacks, the two hold other things (LibreCAD
    # leaves out entities it does not draw) and their parts do not match.
    if any(mine[row][column] >= REGION_DRAWN * BLOCKS * BLOCKS
           and reference[row][column] < REGION_SHARE * mine[row][column]
           for row in range(GRID) for column in range(GRID)):
        return []
    names = []
    for row in range(GRID):
        for column in range(GRID):
            theirs_blocks = reference[row][column]
            if theirs_blocks >= REGION_DRAWN * BLOCKS * BLOCKS and mine[row][column] < REGION_SHARE * theirs_blocks:
                name = part_name(row, column)
                if name not in names:
                    names.append(name)
    return names


def shape(box):
    """A box's width to its height."""
    left, top, right, bottom = box
    return (right - left) / (bottom - top)


def part_name(row, column):
    """A cell of the grid named as a part of the sheet: top left, top, ..., middle."""
    def third(index):
        return (3 * (2 * index + 1)) // (2 * GRID)
    words = (("top", "middle", "bottom")[third(row)], ("left", "middle", "right")[third(column)])
    return " ".join(word for word in words if word != "middle") or "middle"


def pdf_words(pdf):
    """The page's size and its words with their boxes, (left, top, right, bottom, word), as
    pdftotext places them; None when the PDF cannot be read."""
    result = subprocess.run(["pdftotext", "-bbox", "-f", "1", "-l", "1", pdf, "-"], capture_output=True,
                            text=True, errors="replace", timeout=120)
    page = PDF_PAGE.search(result.stdout)
    if result.returncode != 0 or not page:
        return None
    words = [tuple(float(match.group(i)) for i in range(1, 5)) + (html.unescape(match.group(5)),)
             for match in PDF_WORD.finditer(result.stdout)]
    return float(page.group(1)), float(page.group(2)), words


def inked(picture, size, box):
    """Whether the picture of the page holds ink within a word's box (a word a viewport or a
    clip hides has none)."""
    width, height, mask = picture
    scale = width / size[0]
    left, top = max(int(box[0] * scale), 0), max(int(box[1] * scale), 0)
    right, bottom = min(math.ceil(box[2] * scale), width), min(math.ceil(box[3] * scale), height)
    return any(1 in mask[y * width + left:y * width + right] for y in range(top, bottom))


def ink_share(picture, size, box):
    """The share of the pixels within a box of the page that hold ink."""
    width, height, mask = picture
    scale = width / size[0]
    left, top = max(int(box[0] * scale), 0), max(int(box[1] * scale), 0)
    right, bottom = min(math.ceil(box[2] * scale), width), min(math.ceil(box[3] * scale), height)
    pixels = max(right - left, 0) * max(bottom - top, 0)
    return sum(mask[y * width + left:y * width + right].count(1) for y in range(top, bottom)) / pixels if pixels else 0


def text_page(pdf):
    """The words of a plot's page, as pdf_words gives them, and a fine picture of the page to
    tell the words it shows; None when the page has no words."""
    page = pdf_words(pdf)
    picture = grey_page(pdf, size=TEXT_PICTURE) if page and page[2] else None
    return (page, picture) if picture else None


def texts_off_sheet(pdf, whole_words, texts=None):
    """The words of a plot cut by the page's edge: those whose boxes reach it, as pdftotext
    places them (it leaves out characters wholly off the page, so a word cut there ends at the
    edge), and that the plot draws on past it, by more than EDGE. Left out are the words the
    plot does not show (a text a viewport or a clip hides), whole words of the drawing within
    the page (a text flush with the drawing's own edge) and words drawn whole within the page
    whose boxes pass its edge (letters that touch the edge of a plot fitted to the page)."""
    texts = texts or text_page(pdf)
    if not texts:
        return []
    (width, height, words), picture = texts
    reaching = []
    for left, top, right, bottom, word in words:
        passes = left < -EDGE_PASSED or top < -EDGE_PASSED or right > width + EDGE_PASSED or bottom > height + EDGE_PASSED
        near = left < EDGE or top < EDGE or right > width - EDGE or bottom > height - EDGE
        if (passes or (near and word not in whole_words)) and inked(
                picture, (width, height), (max(left, 0), max(top, 0), min(right, width), min(bottom, height))):
            reaching.append((left, top, right, bottom, word))
    if not reaching:
        return []
    beyond = drawn_beyond(pdf, (width, height), [word[:4] for word in reaching])
    return [word[4] for word, cut in zip(reaching, beyond) if cut]


def drawn_beyond(pdf, size, boxes):
    """For each box that reaches the page's edge, whether the plot draws on past that edge
    beside it, further than EDGE (as far as BEYOND): the plot is drawn again on a page grown
    by BEYOND on each side, the strips past the edges only. A plot whose page box cannot be
    grown draws on past the edge everywhere."""
    width, height = size
    # Each edge's strip past the page, as (left, top, right, bottom) of each box's part of it.
    strips = {"left": [], "top": [], "right": [], "bottom": []}
    for index, (left, top, right, bottom) in enumerate(boxes):
        depth = min(max(-left, -top, right - width, bottom - height, bottom - top) + EDGE, BEYOND)
        for edge, reaches, strip in (
                ("left", left < EDGE, (-depth, top, -EDGE, bottom)),
                ("top", top < EDGE, (left, -depth, right, -EDGE)),
                ("right", right > width - EDGE, (width + EDGE, top, width + depth, bottom)),
                ("bottom", bottom > height - EDGE, (left, height + EDGE, right, height + depth))):
            if reaches and strip[2] > strip[0] and strip[3] > strip[1]:
                strips[edge].append((index, strip))

    def grow(data):
        def grown(match):
            x0, y0, x1, y1 = (float(match.group(i)) for i in range(2, 6))
            return b"/%s [%.4f %.4f %.4f %.4f]" % (match.group(1), min(x0, x1) - BEYOND, min(y0, y1) - BEYOND,
                                                   max(x0, x1) + BEYOND, max(y0, y1) + BEYOND)
        data, count = PAGE_BOX.subn(grown, data)
        return data if count else None

    found = [False] * len(boxes)
    folder = tempfile.mkdtemp(dir=os.path.dirname(os.path.abspath(pdf)))
    try:
        grown = rewritten(pdf, folder, grow)
        if not grown:
            return [True] * len(boxes)
        for parts in strips.values():
            if not parts:
                continue
            # One picture of the strip that holds the parts, in pixels of the grown page.
            area = [min(part[0] for _, part in parts), min(part[1] for _, part in parts),
                    max(part[2] for _, part in parts), max(part[3] for _, part in parts)]
            x, y = (int(math.floor((area[0] + BEYOND) * BEYOND_DOTS)),
                    int(math.floor((area[1] + BEYOND) * BEYOND_DOTS)))
            w = max(int(math.ceil((area[2] + BEYOND) * BEYOND_DOTS)) - x, 1)
            h = max(int(math.ceil((area[3] + BEYOND) * BEYOND_DOTS)) - y, 1)
            result = subprocess.run(["pdftoppm", "-gray", "-r", str(72 * BEYOND_DOTS), "-x", str(x), "-y", str(y),
                                     "-W", str(w), "-H", str(h), "-f", "1", "-l", "1", grown],
                                    capture_output=True, timeout=120)
            if result.returncode != 0:
                return [True] * len(boxes)
            picture = ink_mask(result.stdout)
            dx, dy = BEYOND - x / BEYOND_DOTS, BEYOND - y / BEYOND_DOTS   # the page's corner in the picture
            for index, (left, top, right, bottom) in parts:
                found[index] = found[index] or inked(picture, (w / BEYOND_DOTS, h / BEYOND_DOTS),
                                                     (left + dx, top + dy, right + dx, bottom + dy))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return found


def rewritten(pdf, folder, change):
    """A copy of a plot in folder with a change made to its bytes (a function that gives the
    bytes changed, or None when it cannot make it), the streams uncompressed and the lengths
    and offsets set again by qpdf; None when the copy cannot be made."""
    plain, changed = os.path.join(folder, "plain.pdf"), os.path.join(folder, "changed.pdf")
    try:
        # qpdf ends 3 when it has warnings only.
        if subprocess.run(["qpdf", "--qdf", "--object-streams=disable", pdf, plain], capture_output=True,
                          timeout=120).returncode not in (0, 3):
            return None
        with open(plain, "rb") as f:
            data = change(f.read())
        fixed = subprocess.run(["fix-qdf"], input=data, capture_output=True, timeout=120) if data else None
        if not fixed or fixed.returncode != 0:
            return None
        with open(changed, "wb") as f:
            f.write(fixed.stdout)
        return changed
    except (OSError, subprocess.TimeoutExpired):
        return None


def boxed_texts(coded, page):
    """The texts whose "%%nnn" codes plot as empty boxes: a control character, or a sign the
    plot does not show."""
    shown_text = "".join(word for *_, word in page[2]) if page else ""
    return [text for text, signs in coded
            if any(not sign or not any(c in shown_text for c in sign) for sign in signs)]


def outside(box, other):
    """The widest strip of box outside other (None when other covers it)."""
    left, top, right, bottom = box
    strips = [(left, top, min(right, other[0]), bottom), (max(left, other[2]), top, right, bottom),
              (left, top, right, min(bottom, other[1])), (left, max(top, other[3]), right, bottom)]
    strips = [strip for strip in strips if strip[2] > strip[0] and strip[3] > strip[1]]
    return max(strips, key=lambda strip: (strip[2] - strip[0]) * (strip[3] - strip[1]), default=None)


def both_shown(picture, size, box, other):
    """Whether two overlapping words both show: each has ink outside the other (a word a
    viewport or a clip hides has none)."""
    return all(strip is None or inked(picture, size, strip) for strip in (outside(box, other), outside(other, box)))


def overlapping_words(pdf, whole_words, wrapping, texts=None):
    """Pairs of words shown whose boxes overlap by more than OVERLAP_SHARE of the smaller one,
    one of them a word of a multiline text that wraps in its box (wrapped onto another line,
    wider than the box, it runs into its neighbours) and the two on other lines (by
    LINE_OFFSET of the smaller height), leaving out words the drawing repeats in one place and
    pieces of words (pdftotext cuts turned texts), turned words and words of heights far apart;
    each word is compared with those of its grid cells only. Texts the drawing itself sets over
    each other on one line are not named."""
    texts = texts or text_page(pdf)
    if not texts:
        return []
    page, picture = texts
    # Level words only: pdftotext's boxes of turned texts are loose.
    words = [word for word in page[2] if word[4] in whole_words and word[2] - word[0] > word[3] - word[1]]
    if not words:
        return []
    cell = max(sorted(bottom - top for _, top, _, bottom, _ in words)[len(words) // 2], 1.0)
    grid = collections.defaultdict(list)
    found = []
    for index, (left, top, right, bottom, word) in enumerate(words):
        seen = set()
        cells = [(x, y) for x in range(int(left // cell), int(right // cell) + 1)
                 for y in range(int(top // cell), int(bottom // cell) + 1)]
        if len(cells) > 400:   # a word far larger than most: its corners only
            cells = [(int(left // cell), int(top // cell)), (int(right // cell), int(bottom // cell))]
        for key in cells:
            for other in grid[key]:
                if other in seen:
                    continue
                seen.add(other)
                o_left, o_top, o_right, o_bottom, o_word = words[other]
                if (o_word == word and abs(o_left - left) < 1 and abs(o_top - top) < 1) \
                        or not (word in wrapping or o_word in wrapping) \
                        or abs(o_top - top) < LINE_OFFSET * min(bottom - top, o_bottom - o_top) \
                        or max(bottom - top, o_bottom - o_top) > HEIGHT_FACTOR * min(bottom - top, o_bottom - o_top):
                    continue
                overlap = (min(right, o_right) - max(left, o_left)) * (min(bottom, o_bottom) - max(top, o_top))
                smaller = min((right - left) * (bottom - top), (o_right - o_left) * (o_bottom - o_top))
                if min(right, o_right) > max(left, o_left) and min(bottom, o_bottom) > max(top, o_top) \
                        and overlap > OVERLAP_SHARE * smaller \
                        and both_shown(picture, page[:2], (left, top, right, bottom), words[other][:4]):
                    found.append("%s/%s" % (o_word, word))
            grid[key].append(index)
    return found


def label_lines(words, start, label):
    """The page's words of a label that wraps, from the page's word start (its first word), as
    its lines (lists of indexes of words) and how far they stray from its alignment (in
    points); None when the words there are not the label wrapped into two lines or more as
    its geometry wraps it: each line a run of words in one line, the lines the label's
    spacing apart (that and the words' heights give the scale), aligned as its attachment
    aligns them, none wider than its width and each too narrow for the next word."""
    texts, width, _, distance, attachment = label
    height = words[start][3] - words[start][1]
    if not height > 0:
        return None
    slack = LABEL_SLACK * height
    lines, pitch = [[start]], None
    for text in texts[1:]:
        last, line_top = words[lines[-1][-1]], words[lines[-1][0]][1]
        # Where the next line may stand: the spacing found, or what the words' heights allow.
        low, high = (pitch * (1 - LABEL_SLACK), pitch * (1 + LABEL_SLACK)) if pitch else (
            distance * height / FONT_BOX[1], distance * height / FONT_BOX[0])
        same, below = None, []
        for index in words.between(text, line_top - slack, line_top + high):
            left, top, right, bottom, _ = words[index]
            if abs(bottom - top - height) > slack:
                continue
            if abs(top - line_top) < slack and last[2] - slack <= left < last[2] + height:
                same = index
                break
            if low <= top - line_top <= high:
                below.append(index)
        if same is not None:
            lines[-1].append(same)
        elif below:
            # The nearest to the spacing found, or to the middle of what the heights allow.
            expected = pitch or distance * height * 2 / sum(FONT_BOX)
            lines.append([min(below, key=lambda index: abs(words[index][1] - line_top - expected))])
            pitch = pitch or words[lines[-1][0]][1] - line_top
        else:
            return None
    if len(lines) < 2:
        return None
    scale = pitch / distance   # points a text height
    box_width = width * scale
    spans = [(words[line[0]][0], words[line[-1]][2]) for line in lines]
    across = (attachment - 1) % 3
    marks = [(a + b) / 2 if across == 1 else b if across == 2 else a for a, b in spans]
    if not FONT_BOX[0] <= height / scale <= FONT_BOX[1] or max(marks) - min(marks) > slack:
        return None
    for number, (line, (a, b)) in enumerate(zip(lines, spans)):
        if len(line) > 1 and b - a > box_width + slack:
            return None
        following = words[lines[number + 1][0]] if number + 1 < len(lines) else None
        if following and following[2] - following[0] + b - a + slack < box_width * (1 - LABEL_SLACK):
            return None
    return lines, max(marks) - min(marks)


def lines_outside(label, count):
    """Where the count lines of a wrapped label stand outside its box, by line: "above",
    "below" or "" (inside). The lines are laid out from the insertion point as cadhost lays
    them out, in text heights: the first line's capitals under the point, the block raised by
    half its depth for the middle attachments and all of it for the bottom ones."""
    _, _, box, distance, attachment = label
    down = (attachment - 1) // 3
    depth = 1 + (count - 1) * distance
    top = (0, box / 2, box)[down]
    where = []
    for number in range(count):
        base = -1 - number * distance + depth * down / 2
        where.append("above" if base + 1 > top + 1e-6 else "below" if base < top - box - 1e-6 else "")
    return where


def drawing_page(pdf):
    """A picture of the plot's page as text_page makes it, without its texts (drawn invisible),
    to tell what the drawing's lines cover; None when the plot cannot be rewritten so."""
    folder = tempfile.mkdtemp(dir=os.path.dirname(os.path.abspath(pdf)))
    try:
        textless = rewritten(pdf, folder, lambda data: TEXT_OBJECT.sub(b"BT 3 Tr", data))
        return grey_page(textless, size=TEXT_PICTURE) if textless else None
    finally:
        shutil.rmtree(folder, ignore_errors=True)


class PageWords(list):
    """The words of a page, and the indexes of each text's words top down."""

    def __init__(self, words):
        super().__init__(words)
        self.by_text = collections.defaultdict(list)
        for index in sorted(range(len(words)), key=lambda i: words[i][1]):
            self.by_text[words[index][4]].append(index)
        self.tops = {text: [words[index][1] for index in indexes] for text, indexes in self.by_text.items()}

    def between(self, text, low, high):
        """The indexes of the words text whose tops lie from low to high."""
        tops = self.tops.get(text, [])
        return self.by_text[text][bisect.bisect_left(tops, low):bisect.bisect_right(tops, high)] if tops else []


def wrapped_labels(pdf, labels, texts=None):
    """The lines of one-line labels (multiline texts with no break of their own) that the plot
    wraps outside their boxes and over the drawing's lines, as the page's words show them (the
    middle of the line's height crosses a line of the drawing), each named with its label
    ("GAS FAU IN ATTIC: IN ATTIC below its box"). Labels the plot does not show (hidden by a
    clip) are left out, and so are lines that stand outside the box in the clear or on a solid
    fill (a label its drawing wraps on purpose)."""
    texts = texts or text_page(pdf)
    if not texts or not labels:
        return []
    page, picture = texts
    words = PageWords(page[2])
    # Each place on the page that holds a label wrapped, with the label that aligns best there
    # (labels of the same words differ in their attachments).
    places = {}
    for label in labels:
        for start in words.by_text.get(label[0][0], ()):
            found = label_lines(words, start, label)
            if found and (start not in places or found[1] < places[start][2]):
                places[start] = (label, found[0], found[1])
    found, drawing = [], None
    for start, (label, lines, _) in sorted(places.items()):
        if not all(inked(picture, page[:2], words[line[0]][:4]) for line in lines):
            continue
        for line, where in zip(lines, lines_outside(label, len(lines))):
            if not where:
                continue
            drawing = drawing or drawing_page(pdf) or picture
            left, top, right, bottom = (words[line[0]][0], words[line[0]][1], words[line[-1]][2], words[line[0]][3])
            middle = (left, top + CROSSING * (bottom - top), right, bottom - CROSSING * (bottom - top))
            if drawing is picture or 0 < ink_share(drawing, page[:2], middle) < FILLED:
                found.append("%s: %s %s its box" % (" ".join(label[0]), " ".join(words[i][4] for i in line), where))
    return found


def repeated_groups(path):
    """The entities of a saved file (in its ENTITIES and BLOCKS sections) that hold one of the
    common groups (layer, linetype, colour, ...) twice, by type and handle."""
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8", "replace").splitlines()
    found, section, kind, handle, seen, nested = [], None, None, "?", set(), False
    for code, value in zip(lines[0::2], lines[1::2]):
        code, value = code.strip(), value.strip()
        if code == "0":
            kind, handle, seen, nested = value, "?", set(), False
        elif code == "2" and kind == "SECTION":
            section = value
        elif code == "102":
            nested = value.startswith("{")
        elif section in ("ENTITIES", "BLOCKS") and not nested and code in COMMON_GROUPS:
            if code == "5":
                handle = value
            if code in seen:
                found.append("%s %s group %s" % (kind, handle, code))
            seen.add(code)
    return found


def librecad_plot(path, out):
    folder = tempfile.mkdtemp(dir=out)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        subprocess.run(["timeout", "60", "librecad", "dxf2pdf", "-a", "-t", folder, path],
                       capture_output=True, env=env, timeout=90)
    except (OSError, subprocess.TimeoutExpired):
        return None
    pdfs = [name for name in os.listdir(folder) if name.endswith(".pdf")]
    return os.path.join(folder, pdfs[0]) if pdfs else None


def run_cadhost(cadhost, path, saved, plot, timeout):
    script = saved[:-4] + ".scr"
    with open(script, "w", encoding="utf-8") as f:
        f.write("SAVEAS\n%s\nEXPORT\n%s\nQUIT\n" % (saved, plot))
    started = time.monotonic()
    try:
        result = subprocess.run([cadhost, "--no-gui", "--script", script, path], capture_output=True,
                                text=True, errors="replace", timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, "", time.monotonic() - started
    return result.returncode, result.stderr, time.monotonic() - started


def check(path, options):
    """One drawing: its lines, each a verdict (a word) and what it found."""
    name = os.path.basename(path)
    stem = os.path.join(options.out, os.path.splitext(name)[0])
    saved, plot = stem + ".saved.dxf", stem + ".pdf"
    status, errors, seconds = run_cadhost(options.cadhost, path, saved, plot, options.timeout)
    original, recovery = read_original(path)
    readable = "ezdxf opens it" if original is not None else "ezdxf cannot read it either"
    first_error = next((line for line in errors.splitlines() if not line.startswith("cadhost: repaired")), "")
    repairs = sum(1 for line in errors.splitlines() if "repaired:" in line)
    if status is None:
        return [("HANG", "%s: no end within %d s (%s)" % (name, options.timeout, readable))]
    if status < 0:
        return [("CRASH", "%s: ended by signal %d (%s)" % (name, -status, readable))]
    if not os.path.exists(saved):
        return [("REFUSED", "%s: %s (%s)" % (name, first_error.strip() or "not saved", readable))]
    problems, findings, described, texts = [], [], None, None
    try:
        copy = ezdxf.readfile(saved)
        known = collections.Counter()
        if original is not None:
            described = describe(original)
            problems += differences(described, describe(copy), file_names(path, original.encoding),
                                    announced_names(errors))
            known = original_errors(path, original, recovery)
        audit = copy.audit()
        added = audit_errors(audit) - known
        if added:
            problems.append("the save has %d errors for ezdxf that the original has not (%s)" % (
                sum(added.values()), shown([error.message for error in audit.errors if audit_error(error) in added])))
    except Exception as error:  # the save cannot be read back
        problems.append("ezdxf cannot read the save: %s" % error)
    repeats = repeated_groups(saved)
    if repeats:
        findings.append(("REPEATS", "the save holds a group twice in %d entities (%s)" % (len(repeats), shown(repeats))))
    ours = grey_page(plot, stem + ".ours.png" if options.librecad else None) if os.path.exists(plot) else None
    if ours is None:
        problems.append("not plotted: %s" % (first_error.strip() or "no file"))
    else:
        theirs_pdf = librecad_plot(path, options.out) if options.librecad else None
        theirs = grey_page(theirs_pdf, stem + ".librecad.png") if theirs_pdf else None
        # LibreCAD draws the entities of paper space together with those of model space.
        # LibreCAD draws the clipped parts of clipped references.
        comparable = described is None or not (paper_drawn(described) or described["clipped"])
        findings += ink_findings(ours, theirs if comparable else None, described is not None and drawn(described))
        texts = text_page(plot)
        off = texts_off_sheet(plot, described["words"] if described else set(), texts) if texts else []
        if off:
            findings.append(("OFFSHEET", "texts run off the sheet: %d words (%s)" % (len(off), shown(off))))
        shows_labels = texts and described and not described["viewports"]
        overlaps = overlapping_words(plot, described["words"], described["wrapping"], texts) if shows_labels else []
        wrapped = wrapped_labels(plot, described["labels"], texts) if shows_labels else []
        overlapping = ["%d pairs of words (%s)" % (len(overlaps), shown(overlaps))] if overlaps else []
        if wrapped:
            overlapping.append("%d wrapped lines of labels outside their boxes (%s)" % (len(wrapped), shown(wrapped)))
        if overlapping:
            findings.append(("OVERLAP", "texts overlap: " + "; ".join(overlapping)))
    boxed = boxed_texts(described["coded"] if described else [], texts[0] if texts else None) + [
        line.split(": ", 1)[-1] for line in errors.splitlines() if "plot as empty boxes" in line]
    if boxed:
        findings.append(("EMPTYBOX", "characters no font draws plot as empty boxes: %d (%s)" % (len(boxed), shown(boxed))))
    notes = "%.1f s" % seconds + (", %d repairs" % repairs if repairs else "")
    lines = [("LOST", "%s: %s (%s)" % (name, "; ".join(problems), notes))] if problems else []
    lines += [(word, "%s: %s" % (name, finding)) for word, finding in findings]
    return lines or [("ok", "%s: saved with nothing lost, plotted (ink %.1f%%; %s)" % (name, 100 * ink(ours), notes))]


def ink_findings(ours, theirs, has_entities):
    """What the ink of our plot tells, beside LibreCAD's plot when there is one: a blank plot,
    far less ink than LibreCAD's in all or part of it."""
    theirs_ink = ink(theirs) if theirs else 0
    plotted = ink(ours)
    if plotted == 0 and (theirs_ink or has_entities):
        return [("BLANK", "the plot is blank" + (", LibreCAD's has %.2f%% ink" % (100 * theirs_ink)
                                                 if theirs_ink else ""))]
    if theirs_ink and plotted < LIBRECAD_INK_SHARE * theirs_ink:
        return [("THIN", "the plot has %.2f%% ink, LibreCAD's %.2f%%" % (100 * plotted, 100 * theirs_ink))]
    thin = thin_regions(ours, theirs) if theirs_ink else []
    return [("THIN", "far less ink than LibreCAD's at the %s" % ", ".join(thin))] if thin else []


def shown(items):
    return ", ".join(items[:3]) + (", ..." if len(items) > 3 else "")


def drawings(paths):
    for path in paths:
        if os.path.isdir(path):
            for name in sorted(os.listdir(path)):
                if name.lower().endswith((".dxf", ".dwg")):
                    yield os.path.join(path, name)
        else:
            yield path


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("paths", nargs="+", help="DXF files or folders of them")
    parser.add_argument("--out", help="where the saves and plots go (default: a new temporary folder)")
    parser.add_argument("--cadhost", default=DEFAULT_CADHOST, help="the host program (default: build/bin/cadhost)")
    parser.add_argument("--jobs", type=int, default=max(1, (os.cpu_count() or 2) // 2))
    parser.add_argument("--timeout", type=int, default=300, help="seconds a drawing may take")
    parser.add_argument("--librecad", action="store_true", help="compare the plots with LibreCAD's")
    options = parser.parse_args()
    options.out = os.path.abspath(options.out or tempfile.mkdtemp(prefix="check-drawings-"))
    os.makedirs(options.out, exist_ok=True)
    if not os.access(options.cadhost, os.X_OK):
        sys.exit("check_drawings: no host program at %s: build it first (scripts/test.sh)" % options.cadhost)
    files = list(drawings(options.paths))
    verdicts, right = collections.Counter(), 0
    with concurrent.futures.ProcessPoolExecutor(max_workers=options.jobs) as pool:
        for lines in pool.map(check, files, [options] * len(files)):
            right += lines[0][0] == "ok"
            for verdict, line in lines:
                verdicts[verdict] += 1
                print("%-8s %s" % (verdict, line), flush=True)
    opened = len(files) - verdicts["REFUSED"] - verdicts["CRASH"] - verdicts["HANG"]
    print("\n%d drawings: %d opened, %d saved with nothing lost and plotted with nothing found; %d refused, "
          "%d with losses, %d crashes, %d hangs; %d blank plots, %d with far less ink than LibreCAD's, "
          "%d with texts off the sheet, %d with texts that overlap, %d with empty boxes, %d saves with a group twice. "
          "Saves and plots are in %s"
          % (len(files), opened, right, verdicts["REFUSED"], verdicts["LOST"], verdicts["CRASH"], verdicts["HANG"],
             verdicts["BLANK"], verdicts["THIN"], verdicts["OFFSHEET"], verdicts["OVERLAP"], verdicts["EMPTYBOX"],
             verdicts["REPEATS"], options.out))
    return 0 if right == len(files) else 1


if __name__ == "__main__":
    sys.exit(main())
