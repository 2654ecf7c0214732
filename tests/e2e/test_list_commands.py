#!/usr/bin/python3
"""End-to-end tests of the listing, detail, help, diagnostics, block deletion and room-area
CSV commands: cadhost runs the real module on generated plans of space blocks in mixed
units; what it prints is compared whole, what it writes is read back with ezdxf, and the
CSV file's bytes are checked against values computed here.

Run by CTest (label e2e) with the variables of test_cadhost.py.
"""

import csv
import io
import os
import shutil
import stat
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

import ezdxf

from test_cadhost import REAL_MODULE, Host, generate_plan, refusal, run_module_script
from test_command_line import Terminal

VERSION = "64.04.03.00"
KLB_PROMPTS = "\nsort by handle in ascending order <1>: %s\n\nlist assets <0>: %s\n"
KLB_HEADER = "\n\nID,Name,Area,Handle(hex),Handle(dec),Assets\n"
CSV_TITLE = "Kavro Block Details %s\n" % VERSION
NO_SPACES = "\nNo space blocks found.\n"
DELETE_TITLE = "Kavro Block Delete %s\n" % VERSION
DELETE_PICK = "\nSelect the Kavro Block to delete\n"
SPACE_PICK = "\n\nPlease select a space\n\n"
CSV_HEADER = b"Code,Area,Units,Perimeter,Units\r\n"
# The factors between metric and imperial measures, as the space blocks convert them.
SQ_FEET_PER_SQ_METRE = 10.7639104
FEET_PER_METRE = 3.2808399


def fixed(value, decimals=2):
    """The number as the module writes it: the exact value rounded half away from zero."""
    from decimal import ROUND_HALF_UP, Decimal
    return str(Decimal(value).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP))


def record(reference):
    """The KEY=value items of a space block's "ADE" record, as a dictionary."""
    items = [value for code, value in reference.get_xdata("ADE") if code == 1000]
    return dict(item.split("=", 1) for item in items)


def measure(text):
    """The number and whether it is imperial, of a record text such as "12.50sq.ft."."""
    for unit, imperial in (("sq.ft.", True), ("sq.m.", False), ("ft.", True), ("m.", False)):
        if text.endswith(unit):
            return float(text[:-len(unit)]), imperial
    return float(text), False


def name_of(reference):
    """The space's name: the text of its NAME attribute."""
    return {a.dxf.tag: a.dxf.text for a in reference.attribs}["NAME"]


def spaces(path):
    """The space-block references of a drawing, by ascending handle value."""
    msp = ezdxf.readfile(path).modelspace()
    found = [e for e in msp.query("INSERT") if e.dxf.name.startswith("ROOM-")]
    return sorted(found, key=lambda e: int(e.dxf.handle, 16))


class ModuleCase(unittest.TestCase):
    """A fresh folder per test, the preferences file removed after it."""

    @classmethod
    def setUpClass(cls):
        cls.shared_dir = tempfile.mkdtemp(prefix="qv-listcmds-")
        # 60 spaces, every fourth measured in square feet; three share one definition.
        cls.mixed = generate_plan(os.path.join(cls.shared_dir, "mixed.dxf"), "--spaces", "--mixed", "4",
                                  "--markers", "--shared", "3", rooms=60)
        cls.plain = generate_plan(os.path.join(cls.shared_dir, "plain.dxf"), rooms=6)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.shared_dir, ignore_errors=True)

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-listcmds-")
        self.plan = shutil.copy(self.mixed, os.path.join(self.dir, "plan.dxf"))

    def tearDown(self):
        os.chmod(self.dir, 0o755)
        shutil.rmtree(self.dir, ignore_errors=True)
        if os.path.exists(self.prefs_file()):
            os.remove(self.prefs_file())

    def data_dir(self):
        return os.path.join(Host.env()["XDG_DATA_HOME"], "KavroSystems", "Quorvane")

    def prefs_file(self):
        return os.path.join(self.data_dir(), "prefs", "prefs.cfg")

    def write_prefs(self, precision=2, opener="NONE"):
        os.makedirs(os.path.dirname(self.prefs_file()), exist_ok=True)
        with open(self.prefs_file(), "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n0\r\nprecison\r\n%d\r\n"
                    "csvOpener\r\n%s\r\n" % (precision, opener))

    def run_module(self, lines, drawing=None, stderr=""):
        result = run_module_script(self.dir, lines, drawing or self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, stderr)
        return result.stdout


class ListingTest(ModuleCase):
    @staticmethod
    def furniture_by_room(path):
        doc = ezdxf.readfile(path)
        msp = doc.modelspace()
        by_room = {}
        for asset in msp.query('INSERT[layer=="ASSETS"]'):
            description = {a.dxf.tag: a.dxf.text for a in asset.attribs}["DESCRIPTION"]
            by_room.setdefault(description.rsplit(", ", 1)[1], []).append(asset)
        return by_room

    def test_blocks_are_listed_by_handle_value_with_their_assets(self):
        out = self.run_module(["klb", "", "1", "klb", "0", "", "QUIT"])
        first, second = out.split(KLB_HEADER)[1:]
        second_prompts = KLB_PROMPTS % ("0", "0")
        self.assertTrue(first.endswith(second_prompts))
        first = first[:-len(second_prompts)]
        self.assertTrue(out.startswith(KLB_PROMPTS % ("1", "1") + KLB_HEADER))

        references = spaces(self.plan)
        self.assertEqual(len(references), 60)
        doc = ezdxf.readfile(self.plan)
        by_handle = {e.dxf.handle: e for e in doc.modelspace()}
        assets = self.furniture_by_room(self.plan)
        lines = first.splitlines()
        space_lines = [line for line in lines if not line.startswith(",")]
        # One line per space, ascending by the handle's value; the area at two decimals,
        # whatever the block's units.
        self.assertEqual(space_lines, [
            "%s,%s,%s,%s,%d,%d" % (r.dxf.name, name_of(r), fixed(measure(record(r)["AREA"])[0]),
                                   r.dxf.handle, int(r.dxf.handle, 16),
                                   sum(1 for line in self.asset_lines(lines, r.dxf.handle)))
            for r in references])
        for reference in references:
            listed = self.asset_lines(lines, reference.dxf.handle)
            for line in listed:
                fields = line.split(",")
                self.assertEqual(fields[:6], [""] * 6)
                asset = by_handle[fields[7]]
                self.assertEqual(fields[6:], [asset.dxf.name, asset.dxf.handle, str(int(asset.dxf.handle, 16)),
                                              str(len(asset.attribs))])
            # Every piece of furniture that the plan put into the room is listed under it.
            furniture = {a.dxf.handle for a in assets.get(record(reference)["NAME"], [])}
            self.assertLessEqual(furniture, {line.split(",")[7] for line in listed})
        # Descending, without asset lines.
        self.assertEqual(second.splitlines(), list(reversed(space_lines)))

    @staticmethod
    def asset_lines(lines, handle):
        """The asset lines that follow the line of the space with the handle."""
        at = [i for i, line in enumerate(lines) if not line.startswith(",") and line.split(",")[3] == handle][0]
        following = []
        for line in lines[at + 1:]:
            if not line.startswith(","):
                break
            following.append(line)
        return following

    def test_commands_on_a_plan_without_spaces_say_so(self):
        self.assertEqual(self.run_module(["klb", "", "", "QUIT"], self.plain), KLB_PROMPTS % ("1", "0") + NO_SPACES)
        self.assertEqual(self.run_module(["kus", "QUIT"], self.plain), "Kavro Update Spaces %s\n%s" % (VERSION, NO_SPACES))
        # kcsv says so and still writes its file, a total of 0.
        self.assertTrue(self.run_module(["kcsv", "NONE", "QUIT"], self.plain).startswith(CSV_TITLE + NO_SPACES + "csv data"))

    def test_names_are_quoted_and_areas_take_the_preferences_precision(self):
        doc = ezdxf.readfile(self.plan)
        reference = doc.entitydb[spaces(self.plan)[0].dxf.handle]
        reference.get_attrib("NAME").dxf.text = 'Room 5, "North"'
        reference.set_xdata("ADE", [(1000, "AREA=1e-30sq.m."), (1000, 'NAME=Room 5, "North"')])
        # A record that names no unit lists its area as it holds it.
        unitless = doc.entitydb[spaces(self.plan)[1].dxf.handle]
        unitless.set_xdata("ADE", [(1000, "AREA=20.00"), (1000, "NAME=Hall")])
        doc.saveas(self.plan)
        self.write_prefs(precision=3)
        out = self.run_module(["klb", "", "", "QUIT"])
        rows = list(csv.reader(io.StringIO(out.split(KLB_HEADER)[1])))
        self.assertEqual({len(row) for row in rows}, {6})
        area = {row[3]: row[1:3] for row in rows}
        self.assertEqual(area[reference.dxf.handle], ['Room 5, "North"', "0.000"])
        self.assertEqual(area[unitless.dxf.handle][1], "20.000")


class DetailTest(ModuleCase):
    def test_details_of_a_picked_space(self):
        doc = ezdxf.readfile(self.plan)
        references = spaces(self.plan)
        imperial = next(r for r in references if record(r)["AREA"].endswith("sq.ft."))
        # A space whose AUX attribute was removed prints no Aux line.
        plain = next(r for r in references if r is not imperial)
        doc_plain = doc.entitydb[plain.dxf.handle]
        doc_plain.delete_attrib("AUX")
        doc.saveas(self.plan)
        title = next(e for e in doc.modelspace().query('INSERT[name=="TITLE"]'))
        out = self.run_module(["ksc_dsd", "#" + imperial.dxf.handle, "ksc_dsd", "#" + plain.dxf.handle,
                               "ksc_dsd", "#" + title.dxf.handle, "ksc_dsd", "^C", "QUIT"])
        parts = out.split(SPACE_PICK)
        self.assertEqual(len(parts), 5)
        self.assertEqual(parts[0], "")
        self.assertEqual(parts[1], self.details(imperial, aux=True))
        self.assertEqual(parts[2], self.details(doc_plain, aux=False))
        self.assertEqual(parts[3], "")  # not a space block: nothing
        self.assertEqual(parts[4], "Cancelled by User.\n")

    @staticmethod
    def details(reference, aux):
        texts = {a.dxf.tag: a.dxf.text for a in reference.attribs}
        items = record(reference)
        number = lambda key: "%f" % float(items[key].rstrip("qftcum.").rstrip("s"))
        lines = ["", "Block Identifier " + reference.dxf.name, "Handle\t\t\t " + reference.dxf.handle, "Attributes",
                 "\tName '%s'" % texts["NAME"], "\tArea '%s'" % texts["AREA"]]
        if aux:
            lines.append("\t Aux '%s'" % texts["AUX"])
        lines += ["", "XDATA",
                  "\t Area           " + "%f" % measure(items["AREA"])[0],
                  "\t Perimeter      " + "%f" % measure(items["PERIMETER"])[0],
                  "\t Tag Type       " + items["TAGTYPE"],
                  "\t Area Type      " + items["AREA_TYPE"],
                  "\t Cost Centre    " + items["COST_CENTRE"],
                  "\t Date           " + items["DATE"],
                  "\t Date Last Move " + items["DATE_L_MOVE"],
                  "\t Dept Charge    " + items["DEPT_CHARGE"],
                  "\t Room Height    " + number("ROOM_HEIGHT"),
                  "\t Special Req    " + items["SPECIAL_REQ"],
                  "\t Tot Staff      " + items["TOT_STAFF"],
                  "\t Tot Wk Stns    " + items["TOT_WKSTNS"],
                  "\t Vloume         " + number("VOLUME"), "", ""]
        return "\n".join(lines) + "\n"


class HelpAndDiagnosticsTest(ModuleCase):
    def test_help_lists_the_user_commands_and_the_diagnostics_apart(self):
        out = self.run_module(["k?", "kd?", "QUIT"], self.plain)
        help_text, diagnostics = out.split("  command      fullname")
        rows = help_text.split("\n")
        self.assertEqual(rows[0], "  command   fullname                      Description")
        self.assertEqual(len(help_text.splitlines(True)), 39)  # 38 rows, the first ending in an empty line
        self.assertIn("    ksxta   kavroSyncXDataToAttributes\t  Copies xdata values to appropriate attributes.\n",
                      help_text)
        self.assertIn("    kbta     kavroBlankThirdAttribute     Set all third attribute (aux) values to \"\" "
                      "i.e. blank\n", help_text)
        commands = [row.split()[0] for row in rows if row.startswith("    ") and row[4] != " "]
        self.assertEqual(commands, ["ksm", "kbh", "kbc", "kgabc", "kdb", "kcsv", "kus", "ksxta", "kbta", "kut",
                                    "kaux", "klb", "kprefs", "k?"])
        self.assertEqual([row for row in rows if row and not row.startswith(" ") and row != "-"],
                         ["QRV Suite Commands", "Utilities", "Administration", "Help"])
        self.assertTrue(diagnostics.startswith("                      Description\n\n-\nKavro Diagnostics\n"))
        self.assertEqual([row.split()[0] for row in diagnostics.split("\n")[1:] if row.startswith("    ")],
                         ["kda", "kd1", "kd3", "kd4", "kd5", "kd6", "kd7", "kd8", "kd9"])
        self.assertTrue(diagnostics.endswith("Test XML output.\n-\n-\n"))

    def test_all_diagnostics_with_the_default_answers(self):
        target = os.path.join(self.data_dir(), "kavroDiagnosis.xml")
        os.makedirs(self.data_dir(), exist_ok=True)
        with open(target, "w") as f:
            f.write("an older file")
        out = self.run_module(["kda", "", "", "", "", "", "QUIT"], self.plain)
        handled = ("the error has been handled - test error\nkavro error handled successfully\n"
                   "error handling test completed\n")
        source = os.path.join(os.environ.get("QV_SOURCE_DIR", ""), "src", "module", "diagnosticcommands.cpp")
        self.assertEqual(out, "basic test - output to commandline\nbasic test successful\nbasic test completed\n"
                         "Error Test A - throws test error\n" + handled
                         + "Error Test B - throws test error\n" + handled
                         + "Error Test C - retrieve function name\nfunction diagnosticErrorsC\n"
                         "Error Test C - retrieve file name\nfile %s\n" % os.path.realpath(source)
                         + "user input test - tests boolean, double, integer, string input\n"
                         "\ntesting boolean input. Type 0 or 1 and then enter <1>: 1\n"
                         "boolean user input test successful - 1\n"
                         "\ntesting decimal input. Type a decimal number and then enter <1.001>: 1.001\n"
                         "decimal user input test successful - 1.001\n"
                         "\ntesting integer input. Type an integer(whole) number and then enter <27>: 27\n"
                         "integer user input test successful - 27\n"
                         "\ntesting text input. Type some text and then enter <diagnosis>: diagnosis\n"
                         "text user input test successful - diagnosis\nuser input test finished\n"
                         "xml test - outputs xml file to specified location\n"
                         "\nplease enter output file path <%s>: %s\nxml test completed successfully\n"
                         % (target, target))
        root = ElementTree.parse(target).getroot()
        namespace = root.tag[:root.tag.index("}") + 1]
        self.assertEqual(root.tag, namespace + "root")
        self.assertEqual([(child.tag, child.text) for child in root], [(namespace + "name", "value")])

    def test_answers_failures_and_a_cancel(self):
        missing = os.path.join(self.dir, "missing", "diagnosis.xml")
        out = self.run_module(["kd8", "0", "2.5", "-7", "some text", "kd9", missing, "kd8", "", "", "", "^C",
                               "kd1", "kd3", "/tmp/some file.txt", "QUIT"], self.plain,
                              stderr="[Error Detected.] slabmend::diagnosticXML\n"
                                     "\txmlutilities::CXMLUtilities::createXMLDoc\n\ncannot write '%s': the folder "
                                     "'%s' does not exist\n" % (missing, os.path.dirname(missing)))
        self.assertIn("boolean user input test successful - 0\n", out)
        self.assertIn("<1.001>: 2.500\ndecimal user input test successful - 2.500\n", out)
        self.assertIn("integer user input test successful - -7\n", out)
        self.assertIn("text user input test successful - some text\n", out)
        self.assertNotIn("xml test completed", out)
        self.assertFalse(os.path.exists(os.path.dirname(missing)))
        # A cancelled text question ends the diagnostic; the next command runs.
        # Without a display the file dialog asks for the path on the command line.
        self.assertTrue(out.endswith("<diagnosis>:\n*Cancel*\nbasic test - output to commandline\n"
                                     "basic test successful\nbasic test completed\n"
                                     "dialog test - opens browse for file dialog\n\nOpen: dialog test completed\n"),
                        out)

    def test_long_answers_are_taken_whole(self):
        folder = os.path.join(self.dir, *["f" * 60] * 4)
        os.makedirs(folder)
        target = os.path.join(folder, "d" * (300 - len(folder) - 5) + ".xml")   # 300 bytes
        text = "long text " * 20
        out = self.run_module(["kd8", "", "", "", text, "kd9", target, "QUIT"], self.plain)
        self.assertIn("text user input test successful - %s\n" % text, out)
        default = os.path.join(self.data_dir(), "kavroDiagnosis.xml")
        self.assertTrue(out.endswith("<%s>: %s\nxml test completed successfully\n" % (default, target)), out)
        self.assertEqual(os.listdir(folder), [os.path.basename(target)])


class DeleteTest(ModuleCase):
    def test_deleting_spaces_keeps_shared_definitions_and_refuses_other_blocks(self):
        doc = ezdxf.readfile(self.plan)
        msp = doc.modelspace()
        shared = msp.query('INSERT[name=="ROOM-1"]')
        self.assertEqual(len(shared), 3)
        own = msp.query('INSERT[name=="ROOM-2"]')[0]
        marker = msp.query('INSERT[name=="MARKER-LEGEND"]')[0]
        asset = msp.query('INSERT[layer=="ASSETS"]')[0]
        outline = doc.blocks.get("ROOM-2").query("LWPOLYLINE")[0]
        shared[2].dxf.xscale = 2  # its outline cannot be placed as it shows: it stays, uncounted
        doc.saveas(self.plan)
        out_path = os.path.join(self.dir, "out.dxf")
        out = self.run_module(["kdb", "#" + marker.dxf.handle, "kdb", "#" + asset.dxf.handle,
                               "kdb", "#" + shared[0].dxf.handle, "kdb", "#" + own.dxf.handle,
                               "kdb", "#" + shared[2].dxf.handle, "kdb", "^C", "SAVEAS", out_path, "QUIT"])
        refused = DELETE_TITLE + DELETE_PICK + "\nInvalid Selection\n\n"
        deleted = DELETE_TITLE + DELETE_PICK + "1 space deleted\n"
        self.assertEqual(out, refused * 2 + deleted * 2 + DELETE_TITLE + DELETE_PICK + "0 spaces deleted\n"
                         + DELETE_TITLE + DELETE_PICK + "Cancelled by User.\n")

        written = ezdxf.readfile(out_path)
        auditor = written.audit()
        self.assertFalse(auditor.has_errors or auditor.has_fixes, auditor.errors)
        msp = written.modelspace()
        handles = {e.dxf.handle for e in msp}
        # The refused blocks stay; the deleted references are gone.
        self.assertLessEqual({marker.dxf.handle, asset.dxf.handle}, handles)
        self.assertNotIn(shared[0].dxf.handle, handles)
        self.assertNotIn(own.dxf.handle, handles)
        # The shared definition stays for its two other references; the other one is gone.
        self.assertEqual({r.dxf.handle for r in msp.query('INSERT[name=="ROOM-1"]')},
                         {r.dxf.handle for r in shared[1:]})
        self.assertIsNotNone(written.blocks.get("ROOM-1"))
        self.assertIsNone(written.blocks.get("ROOM-2"))
        for reference in msp.query("INSERT"):
            self.assertIsNotNone(written.blocks.get(reference.dxf.name), reference.dxf.name)
        # Each deleted space left its outline where it stood, on the outline's layer.
        x, y = own.dxf.insert.x, own.dxf.insert.y
        placed = [(px + x, py + y) for px, py in outline.get_points("xy")]
        polylines = [[tuple(p) for p in e.get_points("xy")] for e in msp.query("LWPOLYLINE")]
        self.assertIn(placed, polylines)

    def test_picks_on_a_plan_without_spaces(self):
        title = ezdxf.readfile(self.plain).modelspace().query('INSERT[name=="TITLE"]')[0]
        out_path = os.path.join(self.dir, "out.dxf")
        out = self.run_module(["ksc_dsd", "#" + title.dxf.handle, "kdb", "#" + title.dxf.handle, "kdb", "^C",
                               "SAVEAS", out_path, "QUIT"], self.plain)
        self.assertEqual(out, SPACE_PICK + DELETE_TITLE + DELETE_PICK + "\nInvalid Selection\n\n"
                         + DELETE_TITLE + DELETE_PICK + "Cancelled by User.\n")
        self.assertEqual(len(ezdxf.readfile(out_path).modelspace().query('INSERT[name=="TITLE"]')), 1)


class NoDrawingTest(ModuleCase):
    # Every command that works on the current drawing.
    ON_DRAWING = ["ksm", "kbh", "kbc", "kgabc", "kdb", "kcsv", "klbd", "kpbd", "kagr", "kfrs", "klmc", "kpmc", "kus",
                  "ksxta", "kut", "kaux", "krt", "kbta", "klb", "ksc_has", "ksc_hs", "ksc_isc", "ksc_cal", "ksc_dsd"]

    def test_commands_that_need_a_drawing_say_none_is_open_and_the_others_run(self):
        out = self.run_module(["CLOSE"] + self.ON_DRAWING + ["kd1", "kprefs", "QUIT"])
        # CLOSE names what is current afterwards: nothing.
        self.assertEqual(out, "No drawing is open.\n" * (1 + len(self.ON_DRAWING)) + "basic test - output to commandline\n"
                         "basic test successful\nbasic test completed\nKavro Edit Preferences %s\n" % VERSION)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "plan.csv")))


class RoomAreaCsvTest(ModuleCase):
    def read_csv(self, path):
        with open(path, "rb") as f:
            return f.read()

    def expected(self, path, precision, encoding="cp1252", unmeasured=(), outdated=None, unitless=()):
        """The file's bytes, computed from the drawing's records: rooms by handle, their
        total in the units of the last room line (the others converted) adding the lines as
        shown, the gross areas. outdated gives the area that the outline of a room whose
        record is out of date measures; unitless names rooms whose records name no unit."""
        outdated = outdated or {}
        rooms, gross, sums = [], [], {False: [0.0, 0.0], True: [0.0, 0.0]}
        last = None
        for reference in spaces(path):
            items = record(reference)
            area, imperial = measure(items["AREA"])
            perimeter, _ = measure(items["PERIMETER"])
            name = name_of(reference)
            if any(c in name for c in ",\"\r\n"):
                name = '"' + name.replace('"', '""') + '"'
            units = ("ft\u00b2", "ft") if imperial else ("m\u00b2", "m")
            line = "%s,%s,%s,%s,%s\r\n" % (name, fixed(area, precision), units[0], fixed(perimeter, precision),
                                            units[1])
            if reference.dxf.handle in unmeasured:
                rooms.append("%s,,,,,not measured: its definition holds no closed outline\r\n" % name)
            elif reference.dxf.handle in unitless:
                rooms.append("%s,%s,,%s,,its record names no unit it knows: run kus\r\n"
                             % (name, fixed(area, precision), fixed(perimeter, precision)))
            elif reference.dxf.handle in outdated:
                rooms.append(line[:-2] + ',"recorded %s, its outline measures %s: run kus"\r\n'
                             % (fixed(area, precision), fixed(outdated[reference.dxf.handle], precision)))
            elif reference.dxf.name == "ROOM-GROSS_AREA":
                gross.append(line)
            else:
                rooms.append(line)
                sums[imperial][0] += float(fixed(area, precision))
                sums[imperial][1] += float(fixed(perimeter, precision))
                last = imperial
        if last is None:
            total = "Total,%s,,%s,\r\n" % (fixed(0, precision), fixed(0, precision))
        else:
            metric, imperial = sums[False], sums[True]
            if last:
                area = metric[0] * SQ_FEET_PER_SQ_METRE + imperial[0]
                perimeter = metric[1] * FEET_PER_METRE + imperial[1]
            else:
                area = metric[0] + imperial[0] / SQ_FEET_PER_SQ_METRE
                perimeter = metric[1] + imperial[1] / FEET_PER_METRE
            units = ("ft\u00b2", "ft") if last else ("m\u00b2", "m")
            total = "Total,%s,%s,%s,%s\r\n" % (fixed(area, precision), units[0], fixed(perimeter, precision),
                                               units[1])
        text = "Code,Area,Units,Perimeter,Units\r\n" + "".join(rooms) + total + "\r\n\r\n" + "".join(gross)
        return text.encode(encoding)

    def test_mixed_units_names_and_the_gross_area(self):
        doc = ezdxf.readfile(self.plan)
        references = spaces(self.plan)
        # Names with a comma and quotes, and with characters of the code page.
        for reference, name in zip(references[5:7], ('Room 5, "North"', "Büro € 2")):
            entity = doc.entitydb[reference.dxf.handle]
            entity.get_attrib("NAME").dxf.text = name
        gross = doc.modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
        doc.saveas(self.plan)
        self.assertTrue(any(record(r)["AREA"].endswith("sq.ft.") for r in references))
        self.write_prefs(precision=3)
        out_path = os.path.join(self.dir, "out.dxf")
        out = self.run_module(["kgabc", "#" + gross.dxf.handle, "1000,1000", "kcsv", "SAVEAS", out_path, "QUIT"])
        csv = os.path.join(self.dir, "plan.csv")
        self.assertTrue(out.endswith("Block Created Successfully\n" + CSV_TITLE
                                     + "csv data successfully saved to file (%s)\n" % csv), out)
        data = self.read_csv(csv)
        self.assertEqual(data, self.expected(out_path, 3))
        self.assertIn(b'"Room 5, ""North""",', data)
        self.assertIn(b"B\xfcro \x80 2,", data)
        self.assertIn(b",m\xb2,", data)
        self.assertIn(b",ft\xb2,", data)
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        lines = data.split(b"\r\n")
        self.assertEqual(lines[-4:-1], [b"", b"", lines[-2]])
        self.assertTrue(lines[-2].startswith(b"GROSS AREA,"))

    def test_names_beyond_the_code_page_make_the_file_utf8(self):
        doc = ezdxf.readfile(self.plan)
        room = doc.entitydb[spaces(self.plan)[2].dxf.handle]
        room.get_attrib("NAME").dxf.text = "会议室"
        doc.saveas(self.plan)
        out = self.run_module(["kcsv", "QUIT"])
        csv = os.path.join(self.dir, "plan.csv")
        self.assertEqual(out, CSV_TITLE + "some names hold characters beyond Windows-1252: the csv file is written "
                         "in UTF-8\ncsv data successfully saved to file (%s)\n" % csv)
        data = self.read_csv(csv)
        self.assertEqual(data, self.expected(self.plan, 2, "utf-8-sig"))
        self.assertTrue(data.startswith(b"\xef\xbb\xbf" + CSV_HEADER))
        self.assertIn("\r\n会议室,", data.decode("utf-8-sig"))

    def test_the_total_takes_the_units_of_the_last_room(self):
        doc = ezdxf.readfile(self.plan)
        last = doc.entitydb[spaces(self.plan)[-1].dxf.handle]
        recorded = last.get_xdata("ADE")
        for metric in (True, False):
            # Its measures converted, to whole units so that its record still holds what it measures.
            suffixes = ((("sq.ft.", "sq.m.", 1 / SQ_FEET_PER_SQ_METRE), ("ft.", "m.", 1 / FEET_PER_METRE)) if metric
                        else (("sq.m.", "sq.ft.", SQ_FEET_PER_SQ_METRE), ("m.", "ft.", FEET_PER_METRE)))
            items = []
            for code, value in recorded:
                for old, new, factor in suffixes:
                    if value.startswith(("AREA=", "PERIMETER=")) and value.endswith(old):
                        key, number = value[:-len(old)].split("=")
                        value = "%s=%d%s" % (key, round(float(number) * factor), new)
                        break
                items.append((code, value))
            last.set_xdata("ADE", items)
            doc.saveas(self.plan)
            self.run_module(["kcsv", "QUIT"])
            data = self.read_csv(os.path.join(self.dir, "plan.csv"))
            self.assertEqual(data, self.expected(self.plan, 2))
            total = [line for line in data.split(b"\r\n") if line.startswith(b"Total,")][0]
            self.assertEqual(total.split(b",")[2], b"m\xb2" if metric else b"ft\xb2")

    def test_a_space_without_a_closed_outline_is_named_and_left_out_of_the_total(self):
        doc = ezdxf.readfile(self.plan)
        names = [r.dxf.name for r in spaces(self.plan)]
        alone = [r for r in spaces(self.plan) if names.count(r.dxf.name) == 1][1]
        doc.blocks.get(alone.dxf.name).query("LWPOLYLINE")[0].closed = False
        doc.saveas(self.plan)
        out = self.run_module(["kcsv", "QUIT"])
        self.assertEqual(out, CSV_TITLE + "csv data successfully saved to file (%s)\n" % os.path.join(self.dir, "plan.csv")
                         + "Rooms left out of the total as they cannot be measured: 1 (the file says why)\n")
        self.assertEqual(self.read_csv(os.path.join(self.dir, "plan.csv")),
                         self.expected(self.plan, 2, unmeasured={alone.dxf.handle}))

    def test_the_total_adds_the_lines_as_shown_and_leaves_out_records_out_of_date(self):
        # A room whose record no longer holds what its outline measures (kus left it: its layer
        # is locked, say), and one whose record names no unit.
        doc = ezdxf.readfile(self.plan)
        room, unitless = (doc.entitydb[reference.dxf.handle] for reference in spaces(self.plan)[1:3])
        measured = measure(record(room)["AREA"])[0]
        for reference, area in ((room, "AREA=99999.99sq.m."), (unitless, "AREA=20.00")):
            reference.set_xdata("ADE", [(code, area if value.startswith("AREA=") else value)
                                        for code, value in reference.get_xdata("ADE")])
        doc.saveas(self.plan)
        self.write_prefs(precision=1)
        out = self.run_module(["kcsv", "QUIT"])
        self.assertEqual(out, CSV_TITLE + "csv data successfully saved to file (%s)\n" % os.path.join(self.dir, "plan.csv")
                         + "Rooms left out of the total as their units are unknown: 1 (the file says why)\n"
                         + "Rooms left out of the total as their records are out of date: 1 (the file says why)\n")
        self.assertEqual(self.read_csv(os.path.join(self.dir, "plan.csv")),
                         self.expected(self.plan, 1, outdated={room.dxf.handle: measured},
                                       unitless={unitless.dxf.handle}))

    def test_a_plan_without_spaces(self):
        self.write_prefs(precision=2)
        plan = shutil.copy(self.plain, os.path.join(self.dir, "plain.dxf"))
        self.run_module(["kcsv", "QUIT"], plan)
        self.assertEqual(self.read_csv(os.path.join(self.dir, "plain.csv")),
                         CSV_HEADER + b"Total,0.00,,0.00,\r\n\r\n\r\n")

    def test_a_drawing_without_an_extension(self):
        plan = shutil.copy(self.plain, os.path.join(self.dir, "plan.v2"))
        bare = shutil.copy(self.plain, os.path.join(self.dir, "level2"))
        out = self.run_module(["kcsv", "QUIT"], plan) + self.run_module(["kcsv", "QUIT"], bare)
        self.assertEqual(out, CSV_TITLE + NO_SPACES + "csv data successfully saved to file (%s)\n"
                         % os.path.join(self.dir, "plan.csv")
                         + CSV_TITLE + NO_SPACES + "csv data successfully saved to file (%s)\n"
                         % os.path.join(self.dir, "level2.csv"))
        self.assertEqual(self.read_csv(os.path.join(self.dir, "level2.csv"))[:len(CSV_HEADER)], CSV_HEADER)
        self.assertTrue(os.path.exists(os.path.join(self.dir, "plan.v2")))

    def test_a_file_that_cannot_be_written(self):
        starts = os.path.join(self.dir, "started")
        self.write_prefs(opener=self.opener(starts))
        csv = os.path.join(self.dir, "plan.csv")
        os.mkdir(csv)  # a folder stands where the file would go
        out = self.run_module(["kcsv", "QUIT"])
        self.assertEqual(out, CSV_TITLE + "unable to save csv data - cannot write '%s': it is a folder\n" % csv)
        if os.geteuid() != 0:  # the superuser writes into read-only folders
            os.rmdir(csv)
            os.chmod(self.dir, stat.S_IRUSR | stat.S_IXUSR)
            out = self.run_module(["kcsv", "QUIT"])
            self.assertTrue(out.startswith(CSV_TITLE + "unable to save csv data - cannot write '%s'" % csv), out)
            self.assertNotIn("successfully", out)
        time.sleep(0.5)
        self.assertFalse(os.path.exists(starts))

    def opener(self, record_to):
        """A program that records its arguments and working folder, one per line."""
        path = os.path.join(self.dir, "open csv.sh")
        with open(path, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$@" "$(pwd)" > "%s.tmp"\nmv "%s.tmp" "%s"\n'
                    % (record_to, record_to, record_to))
        os.chmod(path, 0o755)
        return path

    def wait_for(self, path):
        for _ in range(100):
            if os.path.exists(path):
                with open(path) as f:
                    return f.read().splitlines()
            time.sleep(0.1)
        self.fail("the opener did not run")

    def test_the_opener_starts_on_the_file_in_the_drawing_folder(self):
        started = os.path.join(self.dir, "started")
        self.write_prefs(opener=self.opener(started))
        folder = os.path.join(self.dir, "a folder")
        os.mkdir(folder)
        plan = shutil.copy(self.plain, os.path.join(folder, "my plan.dxf"))
        self.run_module(["kcsv", "QUIT"], plan)
        self.assertEqual(self.wait_for(started), [os.path.join(folder, "my plan.csv"), folder])

    def test_a_file_there_is_replaced_on_a_terminal_once_the_user_says_so(self):
        csv = os.path.join(self.dir, "plan.csv")
        with open(csv, "w") as f:
            f.write("edited")
        t = Terminal(self.plan, module=REAL_MODULE)
        self.addCleanup(t.kill)
        t.type("kcsv\n", "%s already exists. Replace it? [Yes/No] <No>: " % csv)
        t.type("\n", "Command: ")
        with open(csv) as f:
            self.assertEqual(f.read(), "edited")
        t.type("kcsv\ny\n", "csv data successfully saved to file (%s) (replaced)\n" % csv)
        # kut's questions on a terminal ask again, the prompt saying why.
        t.type("kut\n0\n", "Text Size must be greater than 0\nEnter new Text Size or (i)gnore <")
        t.type("I\n", "Invalid Input. Enter new Text Siz or (i)gnore <")
        t.type("i\ni\ni\n", " spaces updated\nCommand: ")
        t.type("quit\n", "Save changes to %s? [Yes/No/Cancel] <Yes>: " % self.plan)
        t.type("n\n")
        self.assertEqual(t.finish(), 0, t.shown)

    def test_openers_asked_for_missing_or_refused(self):
        started = os.path.join(self.dir, "started")
        opener = self.opener(started)
        csv = os.path.join(self.dir, "plan.csv")
        saved = CSV_TITLE + "csv data successfully saved to file (%s)\n" % csv
        ask = "\nPlease enter the path of the application you wish to open csv files with\n:"
        # No opener in the preferences: asked for (an empty answer is refused, stopping the script).
        self.write_prefs(opener="")
        result = run_module_script(self.dir, ["kcsv", "", opener], self.plan)
        self.assertEqual(refusal(result), "A program is needed to open the csv file.")
        os.remove(csv)
        out = self.run_module(["kcsv", opener, "QUIT"])
        self.assertEqual(out, saved + ask)
        self.assertEqual(self.wait_for(started), [csv, self.dir])
        os.remove(started)
        # A cancel ends the command after the file was written, without starting anything.
        os.remove(csv)
        out = self.run_module(["kcsv", "^C", "QUIT"])
        self.assertEqual(out, saved + ask + "\n*Cancel*\n")
        self.assertTrue(os.path.exists(csv))
        # "NONE" starts nothing; "none" is a program's name, and one that does not exist
        # is named; the file is written all the same.
        self.write_prefs(opener="NONE")   # a script replaces the file there
        self.assertEqual(self.run_module(["kcsv", "QUIT"]), saved.replace(")\n", ") (replaced)\n"))
        self.write_prefs(opener="none")
        os.remove(csv)
        out = self.run_module(["kcsv", "QUIT"])
        self.assertEqual(out, saved + "unable to start the program to open the csv file - none: "
                         "No such file or directory\n")
        self.assertTrue(os.path.exists(csv))
        time.sleep(0.3)
        self.assertFalse(os.path.exists(started))


if __name__ == "__main__":
    try:
        unittest.main(verbosity=1)
    finally:
        Host.cleanup()
