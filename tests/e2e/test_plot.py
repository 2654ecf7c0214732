#!/usr/bin/python3
"""End-to-end tests of the host's plot commands: cadhost plots a generated floor plan with
EXPORT and PLOT from a script; the files are checked with pdfinfo and pdftotext, and the
rasters' sizes read from their headers.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import io
import os
import re
import resource
import shutil
import struct
import subprocess
import tempfile
import unittest

import ezdxf

from test_cadhost import (CADHOST, SANITIZED, TEST_MODULE, TIMEOUT, UNLOADED, Host, generate_plan, refusal,
                          run_script, write_script)

MAX_MEMORY_KB = 1536 * 1024   # what one plot may take, whatever the drawing


def nested_drawing(path, levels, copies, cells=1):
    """Blocks nested levels deep, each placing the one below copies times at one spot (as
    arrays of cells x cells 0.001 apart when cells > 1); the lowest holds a line, and so does
    model space, which gives the plot its extents."""
    doc = ezdxf.new("R2013")
    below = doc.blocks.new("LEVEL0")
    below.add_line((0, 0), (10, 10))
    for level in range(1, levels + 1):
        block = doc.blocks.new("LEVEL%d" % level)
        for i in range(copies):
            ref = block.add_blockref(below.name, (i * 0.001, 0))
            if cells > 1:
                ref.grid(size=(cells, cells), spacing=(0.001, 0.001))
        below = block
    doc.modelspace().add_blockref(below.name, (0, 0))
    doc.modelspace().add_line((0, 0), (10, 10))
    doc.saveas(path)
    return path


def pdf_line_widths(path):
    """The width of each line of text in a PDF (points, the page's top line first), from the
    advances its fonts give its words."""
    out = subprocess.run(["pdftotext", "-bbox", path, "-"], capture_output=True, text=True, check=True).stdout
    lines = {}
    for match in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"', out):
        x0, y, x1 = (float(v) for v in match.groups())
        left, right = lines.get(round(y), (x0, x1))
        lines[round(y)] = (min(left, x0), max(right, x1))
    return [right - left for _, (left, right) in sorted(lines.items())]


def ink_columns(path):
    """The first and last columns of a PDF's page, rendered grey at 50 dots per inch, that
    hold ink, and the page's width in columns."""
    grey = subprocess.run(["pdftoppm", "-r", "50", "-gray", "-singlefile", path], capture_output=True,
                          check=True).stdout
    fields = grey.split(maxsplit=4)
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4][-width * height:]
    inked = [x for x in range(width) if any(pixels[y * width + x] < 128 for y in range(height))]
    return inked[0], inked[-1], width


def pdf_info(path):
    out = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    return dict(line.split(":", 1) for line in out.splitlines() if ":" in line)


def png_chunks(path):
    """The chunks of a PNG by type, the first of each."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    chunks, i = {}, 8
    while i < len(data):
        length, kind = struct.unpack(">I4s", data[i:i + 8])
        chunks.setdefault(kind.decode(), data[i + 8:i + 8 + length])
        i += 12 + length
    return chunks


def png_size(path):
    return struct.unpack(">II", png_chunks(path)["IHDR"][:8])


def png_dpi(path):
    """The dots per inch a PNG records (pHYs: pixels per metre, alike along x and y)."""
    x, y, unit = struct.unpack(">IIB", png_chunks(path)["pHYs"])
    assert (unit, x) == (1, y)
    return round(x * 0.0254)


def jpg_header(path):
    """A JPG's width, height and JFIF density (unit, 1 for dots per inch; x; y)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == b"\xff\xd8"
    density, i = None, 2
    while i < len(data):
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker == 0xE0 and data[i + 4:i + 9] == b"JFIF\0":
            density = struct.unpack(">BHH", data[i + 11:i + 16])
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return width, height, density
        i += 2 + length
    raise AssertionError("no frame header")


def jpg_size(path):
    return jpg_header(path)[:2]


class Plot(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="qv-plot-")
        cls.plan = generate_plan(os.path.join(cls.dir, "plan.dxf"), "--spaces", rooms=12)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def out(self, name):
        return os.path.join(self.dir, name)

    def test_export_and_plot_the_floor_plan(self):
        pdf, png, jpg, a3 = self.out("plan.pdf"), self.out("plan.png"), self.out("plan.jpg"), self.out("a3.pdf")
        fine = self.out("plan-150.png")
        result = run_script(self.dir, ["EXPORT", pdf, "EXPORT", png, "_export", jpg,
                                       "PLOT", "", "DWG To PDF.pc3", "ISO_A3_(297.00_x_420.00_MM)", a3,
                                       "SETVAR", "PLOTDPI", "150", "EXPORT", fine, "EXPORT", pdf, "QUIT"],
                            self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        # A layout set up for a device the host does not have ("Adobe PDF", as ezdxf sets
        # it up) plots its extents to fit on its own sheet: "A3", landscape.
        info = pdf_info(pdf)
        self.assertEqual(info["Pages"].strip(), "1")
        self.assertIn("1190.55 x 841.89 pts", info["Page size"])
        self.assertRegex(result.stdout, r"^Plot written to %s \(ISO_A3_\(420.00_x_297.00_MM\), fitted, about 1:\d+\)\n"
                         % re.escape(pdf))
        self.assertIn("Plot written to %s (ISO_A3_(297.00_x_420.00_MM), fitted, about 1:" % a3, result.stdout)
        # Words of tiny labels come out on lines of their own; compare them joined.
        text = " ".join(subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True, text=True).stdout.split())
        for room in ("Room 1.001", "Room 1.002", "Room 1.012"):
            self.assertIn(room, text)
        self.assertEqual(png_size(png), (1654, 1170))   # 420 x 297 mm at 100 dots per inch
        self.assertEqual(jpg_header(jpg), (1654, 1170, (1, 100, 100)))
        self.assertEqual(png_size(fine), (2481, 1754))   # at PLOTDPI 150
        self.assertIn("Plot written to %s (replaced) (ISO_A3_(420.00_x_297.00_MM), fitted" % pdf, result.stdout)
        self.assertEqual((png_dpi(png), png_dpi(fine)), (100, 150))
        self.assertGreater(os.path.getsize(png), 5000)   # more than a blank sheet
        self.assertIn("841.89 x 1190.55 pts", pdf_info(a3)["Page size"])

    def test_failures_are_reported_and_end_the_session_with_2(self):
        cases = [(["EXPORT", self.out("plan.svg")], ".pdf, .png or .jpg"),
                 (["PLOT", "Model", "", "", self.out("missing/plan.pdf")], "missing"),
                 (["EXPORT", self.out("missing/plan.pdf")], "missing")]
        for lines, message in cases:
            with self.subTest(lines[0]):
                # The script stops at the failure: the export after it is not made.
                result = run_script(self.dir, lines + ["EXPORT", self.out("after.png"), "QUIT"], self.plan)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr)
                self.assertIn('line 1: "%s" failed; the lines after it are not run' % lines[0], result.stderr)
                self.assertFalse(os.path.exists(self.out("after.png")))
        self.assertFalse(os.path.exists(self.out("plan.svg")))

    def test_plot_to_a_file_of_another_format_than_the_device(self):
        doc = ezdxf.readfile(self.plan)
        doc.layouts.get("Model").dxf_layout.dxf.plot_configuration_file = "PublishToWeb JPG.pc3"
        plan = self.out("jpg-device.dxf")
        doc.saveas(plan)
        # The layout's own device follows the file's extension, as EXPORT's does...
        kept = self.out("kept-device.pdf")
        result = run_script(self.dir, ["PLOT", "", "", "", kept, "QUIT"], plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("Page size", pdf_info(kept))
        # ...and a device the user names does not write a file of another format: the file
        # is refused, and a script's plot fails there.
        named, png = self.out("named-device.pdf"), self.out("named-device.png")
        result = run_script(self.dir, ["PLOT", "", "PNG", "", named, png, "QUIT"], plan)
        self.assertEqual((result.returncode, result.stdout), (2, UNLOADED))
        self.assertEqual(refusal(result), 'The device "PublishToWeb PNG.pc3" does not write .pdf files.')
        self.assertFalse(os.path.exists(named) or os.path.exists(png))

    def test_plot_takes_the_layouts_own_settings_and_refuses_what_it_does_not_have(self):
        doc = ezdxf.new("R2013")   # model space set up for "Adobe PDF" on "A3", as ezdxf sets it up
        doc.header["$INSUNITS"] = 0   # no unit named: the millimetre, as its linear units imply
        doc.modelspace().add_line((0, 0), (4000, 3000))
        sheet = doc.layouts.new("Sheet")   # "DWG to PDF.pc3", its sheet named "ezdxf_(841.00_x_594.00_MM)"
        sheet.page_setup(size=(841, 594), margins=(0, 0, 0, 0), scale=(1, 100))
        sheet.add_line((0, 0), (800, 500))
        drawing = self.out("setup.dxf")
        doc.saveas(drawing)
        # Every default taken: the layout's own device in any letter case, or PDF for one the
        # host does not have, the layout's own sheet, and a file named for the format.
        result = run_script(self.dir, ["PLOT", "", "", "", "", "PLOT", "Sheet", "", "", "", "QUIT"], drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        model, paper = self.out("setup-Model.pdf"), self.out("setup-Sheet.pdf")
        self.assertEqual(result.stdout, 'The device "Adobe PDF" is not available here: plotting with "DWG To PDF.pc3"'
                         " instead.\nPlot written to %s (ISO_A3_(420.00_x_297.00_MM), fitted, about 1:11.7, one drawing"
                         " unit taken as 1 mm)\n"
                         "Plot written to %s (ISO_A1_(841.00_x_594.00_MM), 1:100)\n%s" % (model, paper, UNLOADED))
        self.assertIn("1190.55 x 841.89 pts", pdf_info(model)["Page size"])
        self.assertIn("2383.94 x 1683.78 pts", pdf_info(paper)["Page size"])
        # "?" lists the choices; an answer refused fails the plot (the script's next line is
        # no answer to it).
        tabloid = self.out("tabloid.png")
        result = run_script(self.dir, ["PLOT", "?", "sheet", "?", "png", "?", "tabloid", tabloid, "QUIT"], drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        for shown in ("  Model\n", "  Sheet\n", "  PublishToWeb PNG.pc3 (PNG)\n", "  ISO_A3_(420.00_x_297.00_MM) (A3)",
                      "Plot written to %s (ANSI_B_(17.00_x_11.00_Inches), 1:100)\n" % tabloid):
            self.assertIn(shown, result.stdout)
        for answers, why in [(["Adobe PDF"], 'Unknown plot device "Adobe PDF"; ? lists the devices.'),
                             (["DWF6 ePlot.pc3"], 'The device "DWF6 ePlot.pc3" cannot be plotted to here: no writer '
                                                  "of its format is available; plot to PDF, PNG or JPG; ? lists the "
                                                  "devices."),
                             (["png", "B5"], 'Unknown media "B5"; ? lists the media.'),
                             (["png", "500x300"], 'Unknown media "500x300"; ? lists the media.')]:
            self.assertEqual(refusal(run_script(self.dir, ["PLOT", "sheet", *answers, "", "QUIT"], drawing)), why)
        self.assertEqual(png_size(tabloid), (1700, 1100))

    def test_plot_defaults_when_a_copy_of_the_layout_without_its_name_took_its_entry(self):
        doc = ezdxf.new()
        sheet = doc.layouts.get("Layout1")
        sheet.add_line((0, 0), (100, 100))
        sheet.dxf_layout.dxf.plot_configuration_file = "DWG To PDF.pc3"
        doc.header["$TILEMODE"] = 0
        handle = sheet.dxf_layout.dxf.handle
        stream = io.StringIO()
        doc.write(stream)
        text = stream.getvalue()
        head, entry = "  0\nLAYOUT\n  5\n%s\n" % handle, "  3\nLayout1\n350\n%s\n" % handle
        start = text.index(head)
        copy = text[start:text.index("  0\n", start + 1)].replace(head, "  0\nLAYOUT\n  5\nFFFF\n")
        text = text[:start] + copy.replace("  1\nLayout1\n", "", 1) + text[start:]
        drawing = self.out("copied.dxf")
        with open(drawing, "w", encoding="utf-8") as f:
            f.write(text.replace(entry, "  3\nLayout1\n350\nFFFF\n"))
        # The copy is dropped and the layout takes its entry: PLOT's defaults plot it, and
        # its save opens with nothing to repair and plots the same.
        saved = self.out("copied-saved.dxf")
        result = run_script(self.dir, ["PLOT", "", "", "", "", "SAVEAS", saved, "QUIT"], drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("repaired: LAYOUT FFFF: it has no name, and its block record is LAYOUT %s's ('Layout1'): dropped"
                      % handle, result.stderr)
        self.assertIn("Page size", pdf_info(self.out("copied-Layout1.pdf")))
        result = run_script(self.dir, ["PLOT", "", "", "", "", "QUIT"], saved)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn("Page size", pdf_info(self.out("copied-saved-Layout1.pdf")))
        auditor = ezdxf.readfile(saved).audit()
        self.assertEqual((auditor.errors, auditor.fixes), ([], []))

    def test_only_a_plot_of_texts_reads_the_font_configuration_and_a_missing_font_fails_leaving_no_file(self):
        # Reading the configuration scans its empty font folder into the cache folder.
        conf, fonts, cache = self.out("no-fonts.conf"), self.out("no-fonts"), self.out("font-cache")
        os.mkdir(fonts)
        with open(conf, "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>%s</cachedir></fontconfig>\n'
                    % (fonts, cache))

        def run(lines, drawing=self.plan):
            script = write_script(self.out("nofont.scr"), lines)
            return subprocess.run([CADHOST, "--module", TEST_MODULE, "--script", script, drawing],
                                  capture_output=True, text=True, env=dict(Host.env(), FONTCONFIG_FILE=conf),
                                  timeout=TIMEOUT)
        result = run(["QUIT"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(cache))
        doc, lines = ezdxf.new("R2013"), self.out("lines.dxf")
        doc.modelspace().add_line((0, 0), (100, 50))
        doc.saveas(lines)
        result = run(["EXPORT", self.out("lines.pdf"), "EXPORT", self.out("lines.png"), "QUIT"], lines)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertFalse(os.path.exists(cache))
        result = run(["EXPORT", self.out("nofont.pdf"), "QUIT"])
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn("no font is found for DejaVu Sans", result.stderr)
        self.assertFalse(os.path.exists(self.out("nofont.pdf")))
        self.assertTrue(os.listdir(cache))

    def test_texts_take_the_fonts_their_styles_name(self):
        doc = ezdxf.new("R2013")
        for name, font in (("A", "arial.ttf"), ("T", "times.ttf"), ("C", "cour.ttf"), ("R", "romans.shx"),
                           ("N", "nosuch.ttf"), ("F", ""), ("K", "calibri.ttf")):
            doc.styles.new(name, dxfattribs={"font": font})
        # A TrueType font named by its family alone, bold by its flags.
        doc.styles.get("F").set_xdata("ACAD", [(1000, "Times New Roman"), (1071, 0x2000022)])
        styles = [("A", 1), ("T", 1), ("C", 1), ("R", 1), ("N", 1), ("F", 1), ("A", 0.5), ("K", 1)]
        for i, (style, width) in enumerate(styles):
            doc.modelspace().add_text("Office 1.017 Meeting", height=5,
                                      dxfattribs={"style": style, "width": width, "insert": (10, 180 - 20 * i)})
        # A sign the style's font lacks comes from the default font.
        doc.modelspace().add_text("%%c45", height=5, dxfattribs={"style": "A", "insert": (10, 0)})
        # A text that names no style is in the Standard style's font.
        doc.styles.get("Standard").dxf.font = "cour.ttf"
        doc.modelspace().add_mtext("Office 1.017 Meeting", dxfattribs={"style": "", "char_height": 5, "insert": (10, -20)})
        drawing, pdf = self.out("fonts.dxf"), self.out("fonts.pdf")
        doc.saveas(drawing)
        result = run_script(self.dir, ["EXPORT", pdf, "QUIT"], drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("no font has", result.stderr)
        fonts = subprocess.run(["pdffonts", pdf], capture_output=True, text=True, check=True).stdout
        for name in ("+LiberationSans ", "+LiberationSerif ", "+LiberationMono ", "+DejaVuSans ",
                     "+LiberationSerif-Bold ", "+Carlito "):
            self.assertIn(name, fonts)
        arial, times, courier, romans, default, bold, narrow = pdf_line_widths(pdf)[:7]
        # Capitals as tall as the text in every font: the advances of their faces per capital height.
        self.assertAlmostEqual(courier / arial, 1.36, delta=0.02)
        self.assertAlmostEqual(times / arial, 0.98, delta=0.02)
        self.assertAlmostEqual(default / arial, 1.07, delta=0.02)
        self.assertAlmostEqual(romans, default, delta=0.01)
        self.assertAlmostEqual(narrow / arial, 0.5, delta=0.01)
        self.assertGreater(bold, times)
        self.assertAlmostEqual(pdf_line_widths(pdf)[-1], courier, delta=0.01 * courier)

    def test_shape_font_texts_show_their_signs_and_keep_their_lines(self):
        doc = ezdxf.new("R2013")
        doc.styles.new("TXT", dxfattribs={"font": "txt"})
        doc.styles.new("ARIAL", dxfattribs={"font": "arial.ttf"})
        msp = doc.modelspace()
        # In a shape font, codes 127 to 129 are the degree, plus/minus and diameter signs.
        msp.add_text("90%%127", height=5, dxfattribs={"style": "TXT", "insert": (10, 180)})
        msp.add_mtext("%%1292.0000 %%128", dxfattribs={"style": "TXT", "insert": (10, 160), "char_height": 5})
        # In a TrueType font 127 is a control code, which no font draws: it is named.
        msp.add_text("A%%127", height=5, dxfattribs={"style": "ARIAL", "insert": (10, 140)})
        # A title block's name in its box: 49 wide in DejaVu Sans, 44 in the face of about the
        # shape font's width, in which it keeps its line.
        msp.add_mtext("Meeting Room", dxfattribs={"style": "TXT", "insert": (10, 120), "char_height": 5,
                                                  "width": 47})
        drawing, pdf = self.out("shapes.dxf"), self.out("shapes.pdf")
        doc.saveas(drawing)
        fonts = self.out("shape-fonts")   # the fonts the plot takes, and no other: U+007F is in none
        os.mkdir(fonts)
        for font in ("dejavu/DejaVuSans", "dejavu/DejaVuSansCondensed", "liberation2/LiberationSans-Regular"):
            os.symlink("/usr/share/fonts/truetype/%s.ttf" % font, "%s/%s.ttf" % (fonts, os.path.basename(font)))
        with open(fonts + ".conf", "w", encoding="utf-8") as f:
            f.write('<fontconfig><dir>%s</dir><cachedir>%s-cache</cachedir><alias binding="same"><family>Arial</family>'
                    "<accept><family>Liberation Sans</family></accept></alias></fontconfig>\n" % (fonts, fonts))
        result = run_script(self.dir, ["EXPORT", pdf, "QUIT"], drawing, env={"FONTCONFIG_FILE": fonts + ".conf"})
        self.assertEqual(result.returncode, 0, result.stderr)
        text = subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True, text=True, check=True).stdout
        for shown in ("90\u00b0", "\u23002.0000 \u00b1", "Meeting Room"):
            self.assertIn(shown, text)
        self.assertIn("no font has U+007F;", result.stderr)
        self.assertIn("+DejaVuSansCondensed ", subprocess.run(["pdffonts", pdf], capture_output=True, text=True,
                                                               check=True).stdout)

    def test_a_text_of_millions_of_paragraphs_is_refused_within_the_memory_of_a_plot(self):
        doc = ezdxf.new("R2013")
        doc.modelspace().add_mtext("x\\P" * 5000000, dxfattribs={"char_height": 5})
        drawing = self.out("paragraphs.dxf")
        doc.saveas(drawing)
        result = run_script(self.dir, ["EXPORT", self.out("paragraphs.png"), "QUIT"], drawing)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn("the plot would draw more than 20000000 elements", result.stderr)
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, MAX_MEMORY_KB)

    def test_texts_fitted_to_the_extents_reach_the_sheets_edges_uncut(self):
        def chinese(doc):
            doc.modelspace().add_text("\u4e2d\u6587\u56fe\u7eb8 \u623f\u95f4 Plan 1.07", height=5)

        def attribute(doc):
            doc.blocks.new("TAG").add_attdef("NAME", (0, 0), dxfattribs={"height": 5})
            reference = doc.modelspace().add_blockref("TAG", (0, -40))
            reference.add_attrib("NAME", "Meeting room of the first floor, west", (0, -40), dxfattribs={"height": 5})

        def dimension(doc):
            # Its text, in its block, of wide letters and far wider than its lines.
            doc.modelspace().add_linear_dim(base=(0, -60), p1=(0, -70), p2=(10, -70), text="WWWWWWWWWWWW",
                                            override={"dimtxt": 5}).render()

        for name, add in (("chinese", chinese), ("attribute", attribute), ("dimension", dimension)):
            doc = ezdxf.new("R2013")
            add(doc)
            drawing, pdf = self.out(name + ".dxf"), self.out(name + ".pdf")
            doc.saveas(drawing)
            result = run_script(self.dir, ["EXPORT", pdf, "QUIT"], drawing)
            self.assertEqual(result.returncode, 0, result.stderr)
            # Centred in the sheet's printable area, with margins alike on either side: a text
            # measured narrower than drawn would run into the right margin and be cut there.
            first, last, width = ink_columns(pdf)
            self.assertGreater(first, 0, name)
            self.assertLessEqual(abs(first - (width - 1 - last)), 2, name)

    def test_references_nested_without_end_fail_naming_the_limit(self):
        # They would draw 2^40 lines, or 10^16; the limit, lowered through the environment,
        # is reached after as much work as it names.
        twice = nested_drawing(self.out("twice.dxf"), 40, 2)
        cases = [(twice, "twice.pdf"), (twice, "twice.png"),
                 (nested_drawing(self.out("arrays.dxf"), 8, 1, cells=10), "arrays.pdf")]
        for drawing, name in cases:
            with self.subTest(name):
                result = run_script(self.dir, ["EXPORT", self.out(name), "EXPORT", self.out("after.png"), "QUIT"],
                                    drawing, env={"QUORVANE_PLOT_WORK_LIMIT": "100000"})
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn("the plot would draw more than 100000 elements", result.stderr)
                self.assertIn('line 1: "EXPORT" failed; the lines after it are not run', result.stderr)
                self.assertFalse(os.path.exists(self.out(name)))
                self.assertFalse(os.path.exists(self.out("after.png")))
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, MAX_MEMORY_KB)

    def test_media_of_any_size_are_drawn_within_the_pixels_of_an_image(self):
        huge, large = self.out("huge.jpg"), self.out("large.png")
        result = run_script(self.dir, ["PLOT", "", "JPG", "ISO_full_bleed_7600_(7600.00_x_7600.00_MM)", huge,
                                       "SETVAR", "PLOTDPI", "300",
                                       "PLOT", "", "PNG", "ISO_full_bleed_2500_(2500.00_x_2500.00_MM)", large, "QUIT"],
                            self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('"%s" is drawn at 33 dots per inch, not 100: a PNG or JPG plot has at most 100000000 pixels'
                      % huge, result.stderr)
        self.assertIn('"%s" is drawn at 100 dots per inch, not 300' % large, result.stderr)
        self.assertEqual(jpg_header(huge), (9875, 9875, (1, 33, 33)))   # 7600 mm at 33 dots per inch
        self.assertEqual((png_size(large), png_dpi(large)), ((9843, 9843), 100))
        if not SANITIZED:
            self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, MAX_MEMORY_KB)

    def pdf_text(self, pdf):
        return subprocess.run(["pdftotext", "-raw", pdf, "-"], capture_output=True, text=True).stdout

    def test_model_space_under_another_name_is_plotted_and_saved_as_model_space(self):
        doc = ezdxf.new("R2013")
        doc.modelspace().add_text("Lobby", dxfattribs={"insert": (10, 10), "height": 5})
        doc.modelspace().add_line((0, 0), (100, 50))
        doc.saveas(self.out("u.dxf"))
        with open(self.out("u.dxf")) as f:
            text = f.read().replace("*Model_Space", "*U")
        with open(self.out("u.dxf"), "w") as f:
            f.write(text)
        pdf, saved = self.out("u.pdf"), self.out("u-saved.dxf")
        result = run_script(self.dir, ["EXPORT", pdf, "SAVEAS", saved, "QUIT"], self.out("u.dxf"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("'*U'): the layout 'Model' names it: read as *Model_Space", result.stderr)
        self.assertIn("Lobby", self.pdf_text(pdf))
        back = ezdxf.readfile(saved)
        self.assertEqual(sorted(e.dxftype() for e in back.modelspace()), ["LINE", "TEXT"])
        self.assertNotIn("*U", [b.name for b in back.blocks])
        auditor = back.audit()
        self.assertEqual((auditor.errors, auditor.fixes), ([], []))

    def test_a_plot_window_over_nothing_drawn_is_named_and_export_plots_the_extents(self):
        doc = ezdxf.new("R2013")
        doc.modelspace().add_text("Lobby", dxfattribs={"insert": (10, 10), "height": 5})
        doc.modelspace().add_line((0, 0), (200, 100))
        layout = doc.layouts.get("Model").dxf_layout.dxf
        layout.plot_configuration_file = "DWG To PDF.pc3"
        layout.paper_size = "ISO_A4_(297.00_x_210.00_MM)"
        layout.plot_type = 4
        layout.plot_window_x1, layout.plot_window_y1 = 1000, 1000
        layout.plot_window_x2, layout.plot_window_y2 = 2000, 1500
        drawing = self.out("window.dxf")
        doc.saveas(drawing)
        # Two proxies whose graphics are empty (8 bytes: their size and no element) draw
        # nothing, in the window or elsewhere.
        owner = doc.modelspace().block_record_handle
        proxies = "".join("  0\nACAD_PROXY_ENTITY\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n0\n 92\n8\n310\n"
                          "0800000000000000\n100\nAcDbProxyEntity\n 90\n498\n" % (handle, owner)
                          for handle in ("F00", "F01"))
        with open(drawing, encoding="utf-8") as f:
            text = f.read()
        end = text.index("  0\nENDSEC\n", text.index("ENTITIES"))
        with open(drawing, "w", encoding="utf-8") as f:
            f.write(text[:end] + proxies + text[end:])
        exported, plotted = self.out("window-export.pdf"), self.out("window-plot.pdf")
        result = run_script(self.dir, ["EXPORT", exported, "PLOT", "", "", "", plotted, "QUIT"], drawing)
        self.assertEqual(result.returncode, 0, result.stderr)
        window = 'the plot window of the layout "Model", from (1000, 1000) to (2000, 1500), holds nothing: '
        self.assertIn('"%s": %sthe extents are plotted instead' % (exported, window), result.stderr)
        self.assertIn('"%s": %sthe sheet is blank' % (plotted, window), result.stderr)
        self.assertIn("Lobby", self.pdf_text(exported))
        self.assertNotIn("Lobby", self.pdf_text(plotted))

    def test_help_lists_the_plot_commands(self):
        result = run_script(self.dir, ["HELP", "QUIT"], self.plan)
        self.assertIn("EXPORT", result.stdout)
        self.assertIn("PLOT", result.stdout)


if __name__ == "__main__":
    unittest.main()
