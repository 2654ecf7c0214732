#!/usr/bin/python3
"""End-to-end tests of the graphic-report commands: cadhost loads the real module and
applies report files to generated floor plans; the drawings it writes are read back with
ezdxf.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

import ezdxf

from test_cadhost import LIBRECAD_CHECK, ROOT, Host, generate_plan, refusal, run_module_script

OPEN = "\nOpen: "
LEGACY_ANSWERS = ["", "", "", "", "", ""]
NO_PIE = "no pie chart definition was created: the report has nothing to chart.\n"
CATEGORY = ("<category><cID>%d</cID><cTitle>%s</cTitle><cHatchPattern>SOLID</cHatchPattern>"
            "<cHatchColour>#FF8000</cHatchColour><cHatchScale>1</cHatchScale><cHatchAngle>0</cHatchAngle>"
            "<cHatchLayer>H_%d</cHatchLayer></category>")


def room_areas(doc):
    """The area each room's record holds, read with ezdxf from its XData (square metres)."""
    areas = {}
    for insert in doc.modelspace().query("INSERT"):
        name = insert.dxf.name
        if not name.startswith("ROOM-") or name == "ROOM-GROSS_AREA" or not insert.has_xdata("ADE"):
            continue
        for code, value in insert.get_xdata("ADE"):
            if code == 1000 and value.startswith("AREA="):
                areas[insert.dxf.handle] = float(value[len("AREA="):].rstrip("sq.m."))
    return areas


def legacy_prompts(pie=True):
    return ("\nspecify text size <250.00>: 250.00\n"
            + ("\nspecify pie chart radius <2500.00>: 2500.00\n" if pie else "")
            + "\nspecify rotation (in degrees) <0.00>: 0.00\n"
            "\nignore empty categories and pie chart segments? <1>: 1\n\nspecify units <sq.m.>: sq.m.\n"
            "\nspecify precision <2>: 2\n")


def report_file(path, title, layers=(), categories=(), drawing=None, extra=""):
    """A graphic-report file written by hand, as the report server writes them."""
    children = "<grTitle>%s</grTitle>" % title
    if drawing:
        children += "<grDrawingPath>%s</grDrawingPath><grDrawingFilename>%s</grDrawingFilename>" % (
            os.path.dirname(drawing), os.path.basename(drawing))
    if categories:
        children += "<categories>%s</categories>" % "".join(
            CATEGORY % (i + 1, name, i + 1) for i, name in enumerate(categories))
    if layers:
        children += "<layersOn>%s</layersOn>" % "".join(
            "<layerOn><loName>%s</loName></layerOn>" % name for name in layers)
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<graphicReport xmlns="urn:r">%s%s</graphicReport>\n'
                % (children, extra))
    return path


def layer_states(doc):
    return {layer.dxf.name: (layer.is_on(), layer.is_frozen(), layer.is_locked(), layer.dxf.get("lineweight"))
            for layer in doc.layers}


class Reports(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-report-")
        self.plan = generate_plan(os.path.join(self.dir, "plan.dxf"), "--spaces", rooms=6)
        self.out = os.path.join(self.dir, "out.dxf")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def run_module(self, lines, *args, stderr="", **kwargs):
        result = run_module_script(self.dir, lines, *args, **kwargs)
        self.assertEqual(result.returncode, 0, result.stderr)
        if stderr is not None:
            self.assertEqual(result.stderr, stderr)
        return result

    def read_out(self):
        doc = ezdxf.readfile(self.out)
        auditor = doc.audit()
        self.assertEqual((auditor.errors, auditor.fixes), ([], []))
        return doc

    def test_kagr_switches_the_report_layers_on_and_every_other_off(self):
        report = report_file(os.path.join(self.dir, "use.xml"), "Use", layers=["WALLS", "DOORS"],
                             categories=["Offices", "Stores"])
        out = self.run_module(["kagr", report, *LEGACY_ANSWERS, "SAVEAS", self.out, "QUIT"], self.plan).stdout
        # Without markers the legend and pie-chart blocks are defined from typed answers; a
        # report whose categories hold no area has no pie chart to define, and says so.
        self.assertEqual(out, OPEN + "applying graphic report Use.\n\tgraphic report contains 2 categories.\n"
                         "\tapplying category Offices.\n\t0 of the category's blocks found in the drawing.\n"
                         "\tapplying category Stores.\n\t0 of the category's blocks found in the drawing.\n"
                         "graphic report successfully applied.\n" + legacy_prompts()
                         + "legend definition successfully created.\n" + NO_PIE + "\n")
        doc = self.read_out()
        self.assertIn("[KAVRO_LEGEND]_Use", [block.name for block in doc.blocks])
        self.assertEqual(len(doc.modelspace().query('INSERT[name=="[KAVRO_LEGEND]_Use"]')), 0)
        states = layer_states(doc)
        on = sorted(name for name, (is_on, frozen, locked, _) in states.items() if is_on)
        self.assertEqual(on, ["DOORS", "WALLS"])
        self.assertFalse(any(frozen or locked for _, frozen, locked, _ in states.values()))
        self.assertEqual({weight for *_, weight in states.values()}, {0})

    def test_legacy_questions_refuse_a_size_or_precision_out_of_range(self):
        report = report_file(os.path.join(self.dir, "use.xml"), "Use", categories=["Offices"])
        for answers, why in ((["1e200"], "The size is too large to draw."),
                             ([""] * 5 + ["2000000000"], "The precision must be from -1 to 1074.")):
            self.assertEqual(refusal(run_module_script(self.dir, ["kagr", report, *answers, ""], self.plan)), why)
        out = self.run_module(["kagr", report, *[""] * 6, "SAVEAS", self.out, "QUIT"], self.plan).stdout
        self.assertTrue(out.endswith("\nspecify precision <2>: 2\nlegend definition successfully created.\n"
                                     + NO_PIE + "\n"), out)
        self.read_out()

    def test_rooms_hatched_and_legend_and_chart_at_the_markers(self):
        doc = ezdxf.readfile(self.plan)
        msp = doc.modelspace()
        outline = msp.add_lwpolyline([(-9000, 6000), (-3000, 6000), (-3000, 2000), (-9000, 2000)], close=True)
        circle = msp.add_circle((-20000, 5000), 3000)
        doc.saveas(self.plan)
        areas = room_areas(doc)
        rooms = "<kavroBlocks><kavroBlock><mbHandle>*</mbHandle></kavroBlock></kavroBlocks>"
        total = sum(areas.values()) * 2
        report = report_file(os.path.join(self.dir, "rooms.xml"), "Rooms", categories=["All rooms"],
                             extra="<grTotalChildAreas>%.2f</grTotalChildAreas>" % total)
        with open(report) as f:
            text = f.read().replace("</category>", rooms + "</category>")
        with open(report, "w") as f:
            f.write(text)
        markers = ["klmc", "#" + outline.dxf.handle, "", "", "", "kpmc", "#" + circle.dxf.handle, "", "", ""]
        second = self.out.replace(".dxf", "2.dxf")
        out = self.run_module(markers + ["kagr", report, "SAVEAS", self.out, "kagr", report, "SAVEAS", second,
                                         "QUIT"], self.plan).stdout
        self.assertEqual(out.count("graphic report successfully applied.\n"), 2)
        self.assertNotIn("specify text size", out)   # both markers are there: nothing to define
        for path in (self.out, second):
            result = ezdxf.readfile(path)
            auditor = result.audit()
            self.assertEqual((auditor.errors, auditor.fixes), ([], []))
            msp = result.modelspace()
            # The second application replaced the hatches of the first.
            self.assertEqual(len(msp.query('HATCH[layer=="H_1"]')), len(areas))
            legends = msp.query('INSERT[name=="[KAVRO_LEGEND]_Rooms"]')
            self.assertEqual(len(legends), 1)
            self.assertEqual(tuple(legends[0].dxf.insert)[:2], (-9000, 6000))
            charts = msp.query('INSERT[name=="[KAVRO_PIECHART]_Rooms"]')
            self.assertEqual(len(charts), 1)
            self.assertEqual(tuple(charts[0].dxf.insert)[:2], (-20000, 5000))
            texts = [e.dxf.text for e in result.blocks.get("[KAVRO_PIECHART]_Rooms")
                     if e.dxftype() in ("TEXT", "MTEXT", "ATTDEF")]
            labels = [t for t in texts if t.startswith("All rooms (")]
            self.assertEqual(len(labels), 1, texts)
            shown = float(labels[0][len("All rooms ("):].split()[0])
            self.assertAlmostEqual(shown, sum(areas.values()), delta=0.005)
            self.assertEqual(len(areas), 6)
        # The second application refilled the legend and chart definitions in place.
        self.assertEqual(len(result.blocks.get("[KAVRO_LEGEND]_Rooms").query("ACAD_TABLE")), 1)
        # With a legend marker in square feet the chart gives square feet too.
        for insert in result.modelspace().query("INSERT"):
            for attrib in insert.attribs:
                if attrib.dxf.tag == "LEGENDUNITS":
                    attrib.dxf.text = "1"
        result.saveas(second)
        self.run_module(["kagr", report, "SAVEAS", self.out, "QUIT"], second)
        third = self.read_out()
        chart = third.blocks.get("[KAVRO_PIECHART]_Rooms")
        units = [e.dxf.text for e in chart if e.dxftype() in ("TEXT", "ATTDEF") and "sq." in e.dxf.text]
        self.assertTrue(units and all("sq.ft." in t for t in units), units)
        # The hatches drawn before are known again after a save and a reading.
        self.assertEqual(len(third.modelspace().query('HATCH[layer=="H_1"]')), len(areas))
        if shutil.which("librecad"):
            result = subprocess.run(["bash", LIBRECAD_CHECK, second, os.path.join(self.dir, "pdf")],
                                    capture_output=True, text=True, env=Host.env(), timeout=120)
            self.assertEqual(result.returncode, 0, result.stderr)

    def test_klbd_and_kpbd_define_the_blocks_from_typed_answers_and_insert_nothing(self):
        # The areas are the report's own: nothing is applied to the drawing.
        blocks = "<kavroBlocks><kavroBlock><mbHandle>1</mbHandle><mbArea>%s</mbArea></kavroBlock></kavroBlocks>"
        categories = "".join((CATEGORY % (i + 1, name, i + 1)).replace("</category>", blocks % area + "</category>")
                             for i, (name, area) in enumerate((("Offices", "30"), ("Stores", "12.5"))))
        report = report_file(os.path.join(self.dir, "rooms.xml"), "Rooms", extra="<categories>%s</categories>"
                             "<grTotalChildAreas>100</grTotalChildAreas>" % categories)
        out = self.run_module(["klbd", report, "", "", "", "", "", "kpbd", report, "500", "", "", "", "", "1",
                               "SAVEAS", self.out, "QUIT"], self.plan).stdout
        self.assertIn(legacy_prompts(pie=False) + "legend definition successfully created.\n", out)
        self.assertIn("\nspecify pie chart radius <5000.00>: 5000.00\n", out)
        self.assertIn("\nspecify precision <2>: 1\npie chart definition successfully created.\n", out)
        self.assertNotIn("applying", out)
        doc = self.read_out()
        msp = doc.modelspace()
        self.assertEqual(len(msp.query('INSERT[name=="[KAVRO_LEGEND]_Rooms"]')), 0)
        self.assertEqual(len(msp.query('INSERT[name=="[KAVRO_PIECHART]_Rooms"]')), 0)
        self.assertEqual(len(msp.query('HATCH[layer=="H_1"]')), 0)
        self.assertEqual(len(doc.blocks.get("[KAVRO_LEGEND]_Rooms").query("ACAD_TABLE")), 1)
        pie = doc.blocks.get("[KAVRO_PIECHART]_Rooms")
        self.assertEqual(len(pie.query("HATCH")), 2)
        texts = [e.dxf.text for e in pie if e.dxftype() in ("TEXT", "MTEXT", "ATTDEF")]
        for label in ("Offices (30.0 sq.m.)", "Stores (12.5 sq.m.)"):
            self.assertTrue(any(t.startswith(label) for t in texts), texts)

    def test_marker_settings_out_of_range(self):
        doc = ezdxf.readfile(self.plan)
        msp = doc.modelspace()
        outline = msp.add_lwpolyline([(-9000, 6000), (-3000, 6000), (-3000, 2000), (-9000, 2000)], close=True)
        circle = msp.add_circle((-20000, 5000), 3000)
        doc.saveas(self.plan)
        self.run_module(["klmc", "#" + outline.dxf.handle, "", "", "", "kpmc", "#" + circle.dxf.handle, "", "", "",
                         "SAVEAS", self.plan, "QUIT"], self.plan)
        report = report_file(os.path.join(self.dir, "rooms.xml"), "Rooms", categories=["Offices"],
                             extra="<grTotalChildAreas>1</grTotalChildAreas>")

        def set_markers(**texts):
            marked = ezdxf.readfile(self.plan)
            for insert in marked.modelspace().query("INSERT"):
                for attrib in insert.attribs:
                    attrib.dxf.text = texts.get(attrib.dxf.tag, attrib.dxf.text)
            marked.saveas(self.plan)

        # A size that would overflow is refused before anything is drawn; the drawing saves.
        set_markers(PIERADIUS="1e999")
        result = self.run_module(["kagr", report, "SAVEAS", self.out, "QUIT"], self.plan, stderr=None)
        self.assertIn("The marker's PIERADIUS inf is too large to draw: nothing was applied.", result.stderr)
        self.assertNotIn("successfully", result.stdout)
        self.assertEqual(len(self.read_out().modelspace().query('HATCH[layer=="H_1"]')), 0)
        # A precision out of range is bounded, with a message.
        set_markers(PIERADIUS="3000", LEGENDPRECISION="2000000000", PIEPRECISION="-7")
        out = self.run_module(["kagr", report, "SAVEAS", self.out, "QUIT"], self.plan).stdout
        self.assertIn("The marker's LEGENDPRECISION 2000000000 is out of range: 1074 is used.", out)
        self.assertIn("The marker's PIEPRECISION -7 is out of range: -1 is used.", out)
        self.assertIn("graphic report successfully applied.", out)
        self.read_out()

    def test_categories_by_handle_hatch_their_rooms_in_their_own_styles(self):
        plan = ezdxf.readfile(self.plan)
        areas = room_areas(plan)
        hatched_before = len(plan.modelspace().query("HATCH"))
        handles = sorted(areas)
        offices, stores, labs = handles[:2], handles[2:5], handles[5:]

        def category(number, title, pattern, colour, scale, members, layer=None):
            blocks = "".join("<kavroBlock><mbHandle>%s</mbHandle></kavroBlock>" % h for h in members)
            return ("<category><cID>%d</cID><cTitle>%s</cTitle><cHatchPattern>%s</cHatchPattern>"
                    "<cHatchColour>%s</cHatchColour><cHatchScale>%d</cHatchScale><cHatchAngle>0</cHatchAngle>"
                    "<cHatchLayer>%s</cHatchLayer><kavroBlocks>%s</kavroBlocks></category>"
                    % (number, title, pattern, colour, scale, layer or "H_" + title.upper(), blocks))
        # A pattern the host does not know is reported for its rooms and its legend swatch
        # and pie wedge, which are drawn unhatched; the report is still applied in full.
        report = report_file(os.path.join(self.dir, "use.xml"), "Use", extra="<categories>%s%s%s</categories>"
                             "<grTotalChildAreas>%f</grTotalChildAreas>" % (
            # A layer name a drawing cannot hold is cleaned alike for the layer and its hatches.
            category(1, "Offices", "ANSI31", "#0000FF", 20, offices, "USE/OFFICE:1 &lt;a&gt;"),
            category(2, "Stores", "SOLID", "#00FF00", 1, stores),
            category(3, "Labs", "NO_SUCH_PATTERN", "#FF0000", 1, labs), sum(areas.values())))
        out = self.run_module(["kagr", report, *LEGACY_ANSWERS, "SAVEAS", self.out, "QUIT"], self.plan).stdout
        self.assertIn("error(s) occurred whilst hatching the legend swatch of category Labs.\n", out)
        self.assertIn("legend definition successfully created.\n", out)
        self.assertIn("pie chart definition successfully created.\n", out)
        doc = self.read_out()
        swatch = doc.blocks.get("[KAVRO_LEGEND_HATCH]_Use_Labs")
        self.assertEqual([e.dxftype() for e in swatch], ["LWPOLYLINE"])
        self.assertEqual({e.dxf.layer for e in doc.blocks.get("[KAVRO_LEGEND_HATCH]_Use_Offices")}, {"USEOFFICE1 a"})
        pie = doc.blocks.get("[KAVRO_PIECHART]_Use")
        self.assertEqual(len(pie.query("HATCH")), 2)
        msp = doc.modelspace()
        owner = {insert.dxf.handle: insert for insert in msp.query("INSERT")}
        for layer, pattern, rgb, members in (("USEOFFICE1 a", "ANSI31", (0, 0, 255), offices),
                                             ("H_STORES", "SOLID", (0, 255, 0), stores)):
            hatches = msp.query('HATCH[layer=="%s"]' % layer)
            self.assertEqual(len(hatches), len(members), layer)
            for hatch in hatches:
                self.assertEqual(hatch.dxf.pattern_name, pattern)
                self.assertEqual(hatch.rgb, rgb)
            self.assertTrue(doc.layers.has_entry(layer))
        self.assertEqual(len(msp.query("HATCH")), hatched_before + len(handles))
        self.assertTrue(all(h in owner for h in offices + stores))
        # The legend lists both categories with the summed areas of their rooms.
        table = doc.blocks.get("[KAVRO_LEGEND]_Use").query("ACAD_TABLE")
        self.assertEqual(len(table), 1)
        # The table's drawn content is its anonymous "*T" block, the drawing's only one.
        texts = [e.plain_text() for block in doc.blocks if block.name.upper().startswith("*T")
                 for e in block.query("MTEXT")]
        for members in (offices, stores):
            self.assertIn("%.2f" % sum(areas[h] for h in members), " ".join(texts))

    def test_a_file_that_is_no_report_or_for_another_drawing_applies_nothing(self):
        malformed = os.path.join(self.dir, "malformed.xml")
        with open(malformed, "w") as f:
            f.write("<graphicReport><grTitle>cut")
        foreign = report_file(os.path.join(self.dir, "foreign.xml"), "Other", layers=["WALLS"])
        with open(foreign) as f:
            text = f.read().replace("graphicReport", "graphicreport")
        with open(foreign, "w") as f:
            f.write(text)
        missing = os.path.join(self.dir, "missing.xml")
        # A report whose spaces are not in the drawing: no layer is switched, nothing defined,
        # and the drawing is left unmodified.
        elsewhere = report_file(os.path.join(self.dir, "elsewhere.xml"), "Elsewhere", layers=["WALLS"],
                                categories=["Offices"])
        with open(elsewhere) as f:
            text = f.read().replace("</category>", "<kavroBlocks><kavroBlock><mbHandle>FFFFF</mbHandle>"
                                    "</kavroBlock></kavroBlocks></category>")
        with open(elsewhere, "w") as f:
            f.write(text)
        out = self.run_module(["kagr", missing, "kagr", malformed, "kagr", foreign, "kagr", elsewhere, "kagr", "",
                               "SETVAR", "DBMOD", "SAVEAS", self.out, "QUIT"], self.plan).stdout
        self.assertEqual(out, OPEN + "\nNo graphic report was applied: %s cannot be read - the file does not exist.\n\n"
                         % missing
                         + OPEN + "\nNo graphic report was applied: %s cannot be read - the file is not an XML "
                         "document.\n\n" % malformed
                         + OPEN + "\nNo graphic report was applied: %s cannot be read - its root element is "
                         "\"graphicreport\", not \"graphicReport\".\n\n" % foreign
                         + OPEN + "applying graphic report Elsewhere.\nNo graphic report was applied: none of the "
                         "report's blocks or assets is in the drawing.\n\n"
                         + OPEN + "\nDBMOD = 0 (read only)\n")
        self.assertEqual(layer_states(self.read_out()), layer_states(ezdxf.readfile(self.plan)))

    def test_kgr_opens_the_report_drawing_and_applies_the_report_there(self):
        report = report_file(os.path.join(self.dir, "walls.xml"), "Walls", layers=["WALLS"], drawing=self.plan)
        out = self.run_module(["kgr", report, *LEGACY_ANSWERS, "SAVEAS", self.out, "QUIT"],
                              "--product", "AutoCAD LT 2019").stdout
        # A limited host defines both blocks whatever markers the drawing has.
        self.assertEqual(out, OPEN + "applying graphic report Walls.\ngraphic report successfully applied.\n"
                         + legacy_prompts() + "legend definition successfully created.\n" + NO_PIE + "\n")
        states = layer_states(self.read_out())
        self.assertEqual(sorted(name for name, state in states.items() if state[0]), ["WALLS"])
        self.assertIn("ROOM-1", [block.name for block in ezdxf.readfile(self.out).blocks])

    def test_kgr_uses_the_report_drawing_already_open_with_its_unsaved_changes(self):
        report = report_file(os.path.join(self.dir, "walls.xml"), "Walls", layers=["WALLS"], drawing=self.plan)
        out = self.run_module(["kfrs", "Room", "Bureau", "kgr", report, *LEGACY_ANSWERS, "SAVE", "CLOSE"],
                              "plan.dxf", cwd=self.dir).stdout
        self.assertIn(OPEN + '"plan.dxf" is already open; the open drawing is used.\napplying', out)
        self.assertTrue(out.endswith("Drawing saved as plan.dxf\nNo drawing is open.\n"), out)
        doc = ezdxf.readfile(self.plan)
        self.assertEqual([name for name, state in layer_states(doc).items() if state[0]], ["WALLS"])
        names = {i.get_attrib_text("NAME") for i in doc.modelspace().query("INSERT") if i.has_attrib("NAME")}
        self.assertEqual({name.split()[0] for name in names}, {"Bureau"})

    def test_the_readme_report_file_applies_to_the_plan_it_is_written_for(self):
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        section = readme[readme.index("### Writing a graphic report file"):]
        start = section.index("```xml\n") + len("```xml\n")
        report = os.path.join(self.dir, "uses.xml")
        with open(report, "w", encoding="utf-8") as f:
            f.write(section[start:section.index("```\n", start)])
        plan = generate_plan(os.path.join(self.dir, "small.dxf"), "--spaces", "--uses", rooms=4)
        out = self.run_module(["kagr", report, *LEGACY_ANSWERS, "SAVEAS", self.out, "QUIT"], plan).stdout
        self.assertIn("\tapplying category Offices.\n\tcategory contains 3 blocks.\n"
                      "\t3 of the category's blocks found in the drawing.\n\tapplying category Stores.\n"
                      "\tcategory contains 1 blocks.\n\t1 of the category's blocks found in the drawing.\n"
                      "\t1 of the category's assets found in the drawing.\ngraphic report successfully applied.\n",
                      out)
        self.assertNotIn("error", out)
        msp = self.read_out().modelspace()
        self.assertEqual(sorted(h.dxf.layer for h in msp.query("HATCH")), ["USE-OFFICE"] * 3 + ["USE-STORE"] * 2)
        store = msp.query('INSERT[name=="ROOM-3"]')[0]
        self.assertEqual({a.dxf.tag: a.dxf.text for a in store.attribs}["AUX"], "Store 3")

    def test_kgr_with_a_missing_drawing_applies_nothing(self):
        report = report_file(os.path.join(self.dir, "gone.xml"), "Gone", layers=["WALLS"],
                             drawing=os.path.join(self.dir, "gone.dxf"))
        result = self.run_module(["kgr", report, "QUIT"], stderr=None)
        self.assertEqual(result.stdout, OPEN + "\n")
        self.assertIn("[Error Detected.]", result.stderr)
        self.assertIn("CAcadDrawing::openDrawing", result.stderr)


if __name__ == "__main__":
    unittest.main()
