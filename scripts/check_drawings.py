#!/usr/bin/python3
"""Checks how cadhost opens, saves and plots a folder of DXF drawings.

Usage:
    /usr/bin/python3 scripts/check_drawings.py FOLDER_OR_FILES... [--out DIR] [--cadhost PATH]
        [--jobs N] [--timeout SECONDS] [--librecad]

For each drawing, cadhost opens it, saves it with SAVEAS and plots it to PDF (the files go to
--out, a temporary folder by default). ezdxf then reads the original and the save, and one
line tells what became of the drawing:

    ok       plan.dxf: saved with nothing lost, plotted (ink 3.1%)
    LOST     detail.dxf: saved; Model ARC 12 -> 0; texts 3 of 40 changed
    REFUSED  old.dxf: cannot open "old.dxf": line 12: ... (ezdxf opens it)

What is compared: the entities of each layout counted by type, the layer and block names,
the texts (TEXT, MTEXT, ATTRIB, ATTDEF, in layouts and blocks) and the entities' handles
(when the original has handles). A plot whose PDF is blank is named; with --librecad,
LibreCAD's dxf2pdf plots the drawing too, both plots are kept as PNG pictures side by side in
--out, and a plot with far less ink than LibreCAD's is named. A summary ends the report.

The exit status is 0 when every drawing was opened, saved with nothing lost and plotted,
1 otherwise.
"""

import argparse
import collections
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile
import time

import ezdxf
from ezdxf import recover

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_CADHOST = os.path.join(HERE, "..", "build", "bin", "cadhost")
TEXT_TYPES = ("TEXT", "MTEXT", "ATTRIB", "ATTDEF")
# Types that a DXF 2013 file writes under another name.
RENAMED = {"3DLINE": "LINE"}
UNICODE_ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")
INK_LEVEL = 250          # a grey darker than this is ink
LIBRECAD_INK_SHARE = 0.2  # a plot with less than this share of LibreCAD's ink is named


def read_original(path):
    """The drawing as ezdxf reads it (recovering it when it must); None when it cannot."""
    try:
        return ezdxf.readfile(path)
    except Exception:
        try:
            doc, _ = recover.readfile(path)
            return doc
        except Exception:
            return None


def is_layout_block(name):
    upper = name.upper()
    return upper == "*MODEL_SPACE" or upper.startswith("*PAPER_SPACE")


def unescaped(text):
    """A text with its \\U+XXXX escapes as the characters they stand for, as CAD programs
    show them (ezdxf leaves them as written)."""
    return UNICODE_ESCAPE.sub(lambda match: chr(int(match.group(1), 16)), text)


def text_of(entity):
    return unescaped(entity.text if entity.dxftype() == "MTEXT" else entity.dxf.get("text", ""))


def describe(doc):
    """What a save must keep of a drawing."""
    layouts = {}
    texts = collections.Counter()
    handles = set()
    for layout in doc.layouts:
        counts = collections.Counter()
        for entity in layout:
            counts[RENAMED.get(entity.dxftype(), entity.dxftype())] += 1
            handles.add(entity.dxf.handle.upper())
            if entity.dxftype() in TEXT_TYPES:
                texts[text_of(entity)] += 1
            if entity.dxftype() == "INSERT":
                for attrib in entity.attribs:
                    texts[unescaped(attrib.dxf.text)] += 1
        layouts[layout.name] = counts
    for block in doc.blocks:
        if is_layout_block(block.name):
            continue
        for entity in block:
            handles.add(entity.dxf.handle.upper())
            if entity.dxftype() in TEXT_TYPES:
                texts[text_of(entity)] += 1
    return {
        "layouts": layouts,
        "layers": {unescaped(layer.dxf.name) for layer in doc.layers},
        "blocks": {unescaped(block.name) for block in doc.blocks if not is_layout_block(block.name)},
        "texts": texts,
        "handles": handles,
    }


def drawn(description):
    """Whether a drawing has anything to plot."""
    return any(kind != "VIEWPORT" for counts in description["layouts"].values() for kind in counts)


def file_names(path, encoding):
    """The handles (group 5) and the names (group 2) that the file itself holds: ezdxf adds
    blocks and handles of its own to older drawings, which a save need not keep."""
    with open(path, "rb") as f:
        lines = f.read().decode(encoding, "replace").splitlines()
    found = {"5": set(), "2": set()}
    for code, value in zip(lines[0::2], lines[1::2]):
        if code.strip() in found:
            found[code.strip()].add(unescaped(value.strip()) if code.strip() == "2" else value.strip().upper())
    return found


def names_lost(kind, before, after, held=None):
    lost = sorted(name for name in before - after if held is None or name in held)
    if not lost:
        return []
    shown = ", ".join(lost[:3]) + (", ..." if len(lost) > 3 else "")
    return ["%s %d lost (%s)" % (kind, len(lost), shown)]


def differences(before, after, held):
    """The losses between two descriptions, each in a few words."""
    found = []
    for name, counts in before["layouts"].items():
        saved = after["layouts"].get(name)
        if saved is None:
            found.append("layout %s lost" % name)
            continue
        for kind in sorted(counts):
            if saved[kind] < counts[kind]:
                found.append("%s %s %d -> %d" % (name, kind, counts[kind], saved[kind]))
    found += names_lost("layers", before["layers"], after["layers"])
    found += names_lost("blocks", before["blocks"], after["blocks"], held["2"])
    changed = sum((before["texts"] - after["texts"]).values())
    if changed:
        found.append("texts %d of %d changed" % (changed, sum(before["texts"].values())))
    handles = before["handles"] & held["5"]
    renumbered = len(handles - after["handles"])
    if renumbered:
        found.append("handles %d of %d changed" % (renumbered, len(handles)))
    return found


def ink(pdf, picture=None):
    """The share of the first page that is not paper, read from a small grey rendering;
    with picture, a PNG of the page is kept there too."""
    # Both plots at one size, whatever their sheets: LibreCAD fits its page to the drawing.
    result = subprocess.run(["pdftoppm", "-gray", "-scale-to", "400", "-f", "1", "-l", "1", pdf],
                            capture_output=True, timeout=120)
    if result.returncode != 0:
        return None
    data = result.stdout
    # A binary PGM: "P5", width, height, maximum, then one byte a pixel.
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    pixels = data[position + 1:]
    if picture:
        subprocess.run(["pdftoppm", "-png", "-scale-to", "800", "-f", "1", "-l", "1", "-singlefile", pdf, picture[:-4]],
                       capture_output=True, timeout=120)
    return sum(pixels.count(bytes([v])) for v in range(INK_LEVEL)) / max(len(pixels), 1)


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
    """One drawing: its verdict (a word) and its line."""
    name = os.path.basename(path)
    stem = os.path.join(options.out, os.path.splitext(name)[0])
    saved, plot = stem + ".saved.dxf", stem + ".pdf"
    status, errors, seconds = run_cadhost(options.cadhost, path, saved, plot, options.timeout)
    original = read_original(path)
    readable = "ezdxf opens it" if original is not None else "ezdxf cannot read it either"
    first_error = next((line for line in errors.splitlines() if not line.startswith("cadhost: repaired")), "")
    repairs = sum(1 for line in errors.splitlines() if "repaired:" in line)
    if status is None:
        return "HANG", "%s: no end within %d s (%s)" % (name, options.timeout, readable)
    if status < 0:
        return "CRASH", "%s: ended by signal %d (%s)" % (name, -status, readable)
    if not os.path.exists(saved):
        return "REFUSED", "%s: %s (%s)" % (name, first_error.strip() or "not saved", readable)
    problems = []
    try:
        copy = ezdxf.readfile(saved)
        if original is not None:
            problems += differences(describe(original), describe(copy), file_names(path, original.encoding))
        audit = copy.audit()
        if audit.has_errors:
            problems.append("the save has %d errors for ezdxf" % len(audit.errors))
    except Exception as error:  # the save cannot be read back
        problems.append("ezdxf cannot read the save: %s" % error)
    plotted = ink(plot, stem + ".ours.png" if options.librecad else None) if os.path.exists(plot) else None
    if plotted is None:
        problems.append("not plotted: %s" % (first_error.strip() or "no file"))
    elif plotted == 0 and original is not None and drawn(describe(original)):
        problems.append("the plot is blank")
    elif options.librecad:
        theirs_pdf = librecad_plot(path, options.out)
        theirs = ink(theirs_pdf, stem + ".librecad.png") if theirs_pdf else None
        if theirs and plotted < LIBRECAD_INK_SHARE * theirs:
            problems.append("the plot has %.2f%% ink, LibreCAD's %.2f%%" % (100 * plotted, 100 * theirs))
    notes = "%.1f s" % seconds + (", %d repairs" % repairs if repairs else "")
    if problems:
        return "LOST", "%s: %s (%s)" % (name, "; ".join(problems), notes)
    return "ok", "%s: saved with nothing lost, plotted (ink %.1f%%; %s)" % (name, 100 * plotted, notes)


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
    verdicts = collections.Counter()
    with concurrent.futures.ProcessPoolExecutor(max_workers=options.jobs) as pool:
        for verdict, line in pool.map(check, files, [options] * len(files)):
            verdicts[verdict] += 1
            print("%-8s %s" % (verdict, line), flush=True)
    opened = len(files) - verdicts["REFUSED"] - verdicts["CRASH"] - verdicts["HANG"]
    print("\n%d drawings: %d opened, %d saved with nothing lost and plotted; %d refused, %d with losses, "
          "%d crashes, %d hangs. Saves and plots are in %s"
          % (len(files), opened, verdicts["ok"], verdicts["REFUSED"], verdicts["LOST"], verdicts["CRASH"],
             verdicts["HANG"], options.out))
    return 0 if verdicts["ok"] == len(files) else 1


if __name__ == "__main__":
    sys.exit(main())
