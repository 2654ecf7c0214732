#!/usr/bin/python3
"""End-to-end tests of the host program cadhost.

The real cadhost binary runs with scripts (or standard input) and loads the test module
(testmodule.cpp), whose QVTEST commands ask through every prompt of the host and print
what they got; drawings the host writes are read back with ezdxf (tests/tools/dxfdump.py)
and, once, converted by LibreCAD.

Run by CTest (label e2e) with these variables; by hand they default to the build folder
"build" beside the sources:
    CADHOST         the cadhost program
    QV_TEST_MODULE  libqvtestmodule.so
    QV_MODULE       libquorvane.so (the real module)
Use /usr/bin/python3 (Debian's python3-ezdxf).
"""

import os
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("QV_SOURCE_DIR") or os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(ROOT, "build")
CADHOST = os.environ.get("CADHOST") or os.path.join(BUILD, "bin", "cadhost")
TEST_MODULE = os.environ.get("QV_TEST_MODULE") or os.path.join(BUILD, "lib", "libqvtestmodule.so")
REAL_MODULE = os.environ.get("QV_MODULE") or os.path.join(BUILD, "lib", "libquorvane.so")
GEN = os.path.join(ROOT, "scripts", "gen_floorplan.py")
LIBRECAD_CHECK = os.path.join(ROOT, "tests", "tools", "librecad_check.sh")
SANITIZED = bool(os.environ.get("QV_SANITIZED"))
# A guard against a hang, far above any run of the host: a prompt that never stops asking
# must fail the test, not hang it. A run takes a fraction of a second, the largest plot some
# seven seconds on a machine loaded forty deep, thirty sanitized; no test checks a time.
TIMEOUT = 600 if SANITIZED else 120

sys.path.insert(0, os.path.join(ROOT, "tests", "tools"))
import dxfdump  # noqa: E402
import ezdxf  # noqa: E402
from ezdxf.enums import TextEntityAlignment  # noqa: E402

# What the test module prints when the host unloads it at the end of every session.
UNLOADED = "unloaded: group removed\n"
ESC = "\x1b"


class Host:
    """Runs cadhost in a private environment: no display, private runtime and data folders."""

    _env = None

    @classmethod
    def env(cls):
        if cls._env is None:
            home = tempfile.mkdtemp(prefix="qv-e2e-home-")
            runtime = os.path.join(home, "runtime")
            os.mkdir(runtime, 0o700)
            env = dict(os.environ)
            for name in ("DISPLAY", "WAYLAND_DISPLAY"):
                env.pop(name, None)
            env.update(QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", XDG_RUNTIME_DIR=runtime,
                       XDG_DATA_HOME=os.path.join(home, "data"), XDG_STATE_HOME=os.path.join(home, "state"),
                       HOME=home)
            cls._env = env
            cls._home = home
        return cls._env

    @classmethod
    def cleanup(cls):
        if cls._env is not None:
            shutil.rmtree(cls._home, ignore_errors=True)
            cls._env = None


def run_host(*args, stdin="", module=TEST_MODULE, cwd=None, timeout=None, env=None, preexec_fn=None):
    """Runs cadhost with the arguments (and --module unless module is None) reading stdin,
    with the variables of env added to its environment; a CompletedProcess with text output."""
    cmd = [CADHOST]
    if module is not None:
        cmd += ["--module", module]
    cmd += list(args)
    return subprocess.run(cmd, input=stdin, capture_output=True, text=True, cwd=cwd, preexec_fn=preexec_fn,
                          env=dict(Host.env(), **(env or {})), timeout=timeout or TIMEOUT)


def as_ordinary_user():
    """Gives up the superuser's rights (to those of "nobody"), so that file modes apply."""
    if os.geteuid() == 0:
        os.setgroups([])
        os.setgid(65534)
        os.setuid(65534)


def default_signals_without_core():
    """In a child before it runs the host: the ending signals as a shell leaves them (the test
    runner may be ignoring SIGHUP), and no core file for SIGQUIT."""
    signal.signal(signal.SIGHUP, signal.SIG_DFL)
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def write_script(path, lines):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("".join(line + "\n" for line in lines))
    return path


def run_script(folder, lines, *args, name="input.scr", **kwargs):
    """Runs cadhost with a script file of these lines (written in folder)."""
    script = write_script(os.path.join(folder, name), lines)
    return run_host("--script", script, *args, **kwargs)


def run_module_script(folder, lines, *args, **kwargs):
    """run_script with the real module; its output without the line "Drawing saved as PATH"
    of each SAVEAS (the host's tests check those lines): what the module printed."""
    result = run_script(folder, lines, *args, module=REAL_MODULE, **kwargs)
    for i, line in enumerate(lines[:-1]):
        if line.upper() == "SAVEAS":
            result.stdout = result.stdout.replace("Drawing saved as %s\n" % lines[i + 1], "", 1)
    return result


def refusal(result):
    """Why an answer was refused, as standard error says first after the line's name, where
    that stopped the script (status 2, its command's line named); None for another end."""
    lines = result.stderr.splitlines()
    stopped = result.returncode == 2 and any(line.endswith(" failed; the lines after it are not run") for line in lines)
    return lines[0].split(": ", 2)[-1] if stopped else None


def generate_plan(path, *options, rooms=40):
    subprocess.run([sys.executable, GEN, "--rooms", str(rooms), *options, path],
                   check=True, capture_output=True, timeout=120)
    return path


def max_handle(path):
    """The largest handle (group code 5 or 105) of a DXF file's objects and table records."""
    with open(path, encoding="utf-8") as f:
        lines = [line.strip() for line in f.read().split("\n")]
    largest, section = 0, None
    for i in range(0, len(lines) - 1, 2):
        code, value = lines[i], lines[i + 1]
        if code == "2" and i >= 2 and lines[i - 1] == "SECTION":
            section = value
        elif code in ("5", "105") and section != "HEADER" and value:
            largest = max(largest, int(value, 16))
    return largest


def make_rich_drawing(path):
    """A drawing written by ezdxf itself, with what a plan of spaces holds and what other
    writers put in files: layer flags and true colours, bulged polylines, a block with
    attribute definitions, inserts with attributes and XDATA of two applications, a
    hyperlink, a paper-space layout and a draw-order table."""
    doc = ezdxf.new("R2018", setup=True)
    doc.appids.new("QUORVANE")
    doc.appids.new("QV_AREAS")
    layers = doc.layers
    walls = layers.new("WALLS", dxfattribs={"color": 1, "lineweight": 35, "linetype": "DASHED"})
    walls.rgb = (200, 120, 40)
    layers.new("LOCKED", dxfattribs={"color": 3}).lock()
    layers.new("FROZEN", dxfattribs={"color": 4}).freeze()
    layers.new("OFF", dxfattribs={"color": 5}).off()
    layers.new("NOPLOT", dxfattribs={"color": 6, "plot": 0})
    layers.new("Räume Ü", dxfattribs={"color": 7})
    layers.new("VIEWPORTS", dxfattribs={"color": 8})

    block = doc.blocks.new("ROOMTAG", base_point=(1, 2))
    block.add_circle((0, 0), 0.5, dxfattribs={"layer": "0"})
    block.add_attdef("NUMBER", (0, 0.7), dxfattribs={"height": 0.25, "prompt": "Room number"}).set_placement(
        (0, 0.7), align=TextEntityAlignment.MIDDLE_CENTER)
    block.add_attdef("AREA", (0, -0.7), dxfattribs={"height": 0.2, "prompt": "Area"})

    msp = doc.modelspace()
    room1 = msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (10, 0, 0, 0, 0), (10, 8, 0.1, 0.2, -1.0), (0, 8, 0, 0, 0)],
                               format="xyseb", close=True, dxfattribs={"layer": "WALLS"})
    room2 = msp.add_lwpolyline([(10, 0), (16, 0), (16, 8), (10, 8)], close=True,
                               dxfattribs={"layer": "Räume Ü", "true_color": 0x336699})
    tag1 = msp.add_blockref("ROOMTAG", (5, 4), dxfattribs={"layer": "LOCKED", "rotation": 15})
    tag1.add_auto_attribs({"NUMBER": "1.017", "AREA": "80.00 m²"})
    tag1.set_xdata("QUORVANE", [(1000, "space"), (1002, "{"), (1070, 3), (1071, 123456),
                                (1040, 80.0), (1010, (5, 4, 0)), (1002, "}"), (1000, "Büro Süd")])
    tag1.set_xdata("QV_AREAS", [(1000, "net"), (1040, 79.5)])
    tag2 = msp.add_blockref("ROOMTAG", (13, 4), dxfattribs={"xscale": 2, "yscale": 2})
    # Centred: since DXF 2018 the attribute's own subclass repeats codes 72 and 11.
    tag2.add_attrib("NUMBER", "1.018").set_placement((13, 5.4), align=TextEntityAlignment.MIDDLE_CENTER)
    tag2.add_attrib("AREA", "48.00 m²").set_placement((13, 2.6), align=TextEntityAlignment.BOTTOM_RIGHT)
    tag2.set_xdata("QV_AREAS", [(1000, "gross"), (1040, 48.0)])
    tag2.set_hyperlink("https://example.org/rooms/1.018", "Room 1.018")
    msp.add_text("Level 1", dxfattribs={"layer": "NOPLOT", "height": 0.5}).set_placement((0, 9))
    msp.add_mtext("Ground floor\\PWing A", dxfattribs={"layer": "OFF", "char_height": 0.4, "insert": (0, 11)})
    msp.add_line((0, -1), (16, -1), dxfattribs={"layer": "FROZEN", "color": 2})
    msp.add_arc((8, 8), 2, 0, 180)
    hatch = msp.add_hatch(color=9)
    hatch.paths.add_polyline_path([(0, 0), (10, 0), (10, 8), (0, 8)], is_closed=True)
    # Drawn last although first in the file, and the other way round.
    msp.set_redraw_order([(room1.dxf.handle, "FFF0"), (hatch.dxf.handle, "10"), (tag2.dxf.handle, "FFF1")])

    sheet = doc.layouts.new("Sheet A3")
    sheet.add_text("Sheet title", dxfattribs={"height": 5}).set_placement((20, 20))
    sheet.add_line((10, 10), (410, 10))
    sheet.add_viewport(center=(200, 150), size=(300, 200), view_center_point=(8, 4), view_height=20)
    sheet.add_blockref("ROOMTAG", (50, 50)).add_auto_attribs({"NUMBER": "S-1", "AREA": "-"})
    doc.saveas(path)
    return path


def ignore_index_colour_beside_true_colour(description):
    """Drops the index colour of entities that have a true colour. Given a true colour alone
    (420), the host also writes the nearest index colour (62), as CAD programs do; readers
    take the true colour either way."""
    def walk(value):
        if isinstance(value, dict):
            if "type" in value and value.get("dxf", {}).get("true_color") is not None:
                value.pop("color", None)
            for v in value.values():
                walk(v)
        elif isinstance(value, list):
            for v in value:
                walk(v)
    walk(description)


class TempFolderCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qv-e2e-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def assertSession(self, result, stdout, stderr=""):
        """The session ended normally and printed exactly this."""
        self.assertEqual((result.returncode, result.stderr), (0, stderr), result.stdout)
        self.assertEqual(result.stdout, stdout)


class WrittenDrawingChecks:
    """Checks every drawing the host writes must pass."""

    def assertWrittenDrawing(self, path):
        self.assertTrue(os.path.isfile(path), path)
        doc = dxfdump.read(path)
        self.assertEqual(dxfdump.audit_messages(doc), [], path)
        self.assertEqual(doc.header["$ACADVER"], "AC1027")
        self.assertGreater(int(doc.header["$HANDSEED"], 16), max_handle(path))
        appids = {a.dxf.name.upper() for a in doc.appids}
        for entity in doc.entitydb.values():
            if entity.xdata is not None:
                for appid in entity.xdata.data:
                    self.assertIn(appid.upper(), appids, (entity.dxftype(), entity.dxf.handle))
        with open(path, "rb") as f:
            f.read().decode("utf-8")  # the 2013 format is UTF-8
        return doc


class RoundTripTest(TempFolderCase, WrittenDrawingChecks):
    """Drawings read and saved again keep their content: handles, layers, blocks,
    attributes, XDATA, layouts and draw order."""

    @classmethod
    def setUpClass(cls):
        cls.inputs = tempfile.mkdtemp(prefix="qv-e2e-plans-")
        cls.plans = {
            "R2013": generate_plan(os.path.join(cls.inputs, "plan2013.dxf"), "--version", "R2013"),
            "R2000": generate_plan(os.path.join(cls.inputs, "plan2000.dxf"), "--version", "R2000"),
            "R12": generate_plan(os.path.join(cls.inputs, "plan12.dxf"), "--version", "R12"),
            "imperial": generate_plan(os.path.join(cls.inputs, "planimp.dxf"), "--units", "imperial",
                                      "--floors", "2"),
        }
        cls.rich = make_rich_drawing(os.path.join(cls.inputs, "rich.dxf"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.inputs, ignore_errors=True)

    def save_as(self, source, name="out.dxf", module=TEST_MODULE):
        out = self.path(name)
        result = run_script(self.dir, ["SAVEAS", out, "QUIT"], source, module=module)
        self.assertSession(result, "Drawing saved as %s\n" % out + (UNLOADED if module == TEST_MODULE else ""))
        return out

    def assertSameContent(self, source, out, upgraded_from_r12=False):
        before = dxfdump.dump(source)
        after = dxfdump.describe(self.assertWrittenDrawing(out))
        self.assertEqual(after["header"].pop("$ACADVER"), "AC1027")
        before["header"].pop("$ACADVER")
        if upgraded_from_r12:
            # R12 has no $INSUNITS, and keeps a paper-space viewport's settings in its
            # "ACAD"/"MVIEW" XDATA, which the host keeps as read.
            before["header"].pop("$INSUNITS")
            after["header"].pop("$INSUNITS")
            for entities in after["paperspace"].values():
                for e in entities:
                    if e["type"] == "VIEWPORT" and e.get("xdata", {}).get("ACAD", [[0, ""]])[0] == [1000, "MVIEW"]:
                        del e["xdata"]["ACAD"]
                        if not e["xdata"]:
                            del e["xdata"]
        for description in (before, after):
            ignore_index_colour_beside_true_colour(description)
        # Compared part by part so that a failure names the part.
        for part in before:
            self.assertEqual(after[part], before[part], part)

    def test_generated_plans_keep_their_content(self):
        for version, plan in self.plans.items():
            with self.subTest(version=version):
                out = self.save_as(plan, "out-%s.dxf" % version)
                self.assertSameContent(plan, out, upgraded_from_r12=version == "R12")

    def test_drawing_written_by_ezdxf_keeps_its_content(self):
        out = self.save_as(self.rich)
        self.assertSameContent(self.rich, out)
        # What the comparison holds, read straight from the written file.
        doc = ezdxf.readfile(out)
        walls = doc.layers.get("WALLS")
        self.assertEqual((walls.rgb, walls.dxf.linetype, walls.dxf.lineweight), ((200, 120, 40), "DASHED", 35))
        self.assertTrue(doc.layers.get("LOCKED").is_locked())
        self.assertTrue(doc.layers.get("FROZEN").is_frozen())
        self.assertTrue(doc.layers.get("OFF").is_off())
        self.assertEqual(doc.layers.get("NOPLOT").dxf.plot, 0)
        self.assertIn("Räume Ü", doc.layers)
        msp = doc.modelspace()
        room = msp.query("LWPOLYLINE").first
        self.assertEqual([round(p[4], 9) for p in room.get_points("xyseb")], [0.5, 0.0, -1.0, 0.0])
        tags = msp.query("INSERT")
        self.assertEqual([{a.dxf.tag: a.dxf.text for a in t.attribs} for t in tags],
                         [{"NUMBER": "1.017", "AREA": "80.00 m²"}, {"NUMBER": "1.018", "AREA": "48.00 m²"}])
        self.assertEqual(tags[0].get_xdata("QUORVANE")[-1], (1000, "Büro Süd"))
        self.assertEqual([tuple(t) for t in tags[1].get_xdata("QV_AREAS")], [(1000, "gross"), (1040, 48.0)])
        self.assertEqual(tags[1].get_hyperlink()[:2], ("https://example.org/rooms/1.018", "Room 1.018"))
        self.assertEqual([a.dxf.tag for a in doc.blocks.get("ROOMTAG").query("ATTDEF")], ["NUMBER", "AREA"])
        order = dxfdump.describe(doc)["draworder"]["*Model_Space"]
        self.assertEqual(order[0], msp.query("HATCH").first.dxf.handle)
        self.assertEqual(order[-2:], [room.dxf.handle, tags[1].dxf.handle])
        self.assertIn("Sheet A3", doc.layouts.names())

    def test_saving_a_written_drawing_again_gives_the_same_bytes(self):
        first = self.save_as(self.rich, "first.dxf")
        second = self.save_as(first, "second.dxf")
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertTrue(a.read() == b.read(), "a drawing the host wrote changes when saved again")

    def test_real_module_is_loaded_by_default(self):
        # No --module: the host loads libquorvane.so from beside it (../lib).
        self.assertEqual(os.path.realpath(os.path.join(os.path.dirname(CADHOST), "..", "lib", "libquorvane.so")),
                         os.path.realpath(REAL_MODULE))
        out = self.save_as(self.plans["R2013"], module=None)
        self.assertSameContent(self.plans["R2013"], out)

    @unittest.skipUnless(shutil.which("librecad"), "librecad is not installed")
    def test_librecad_converts_a_written_drawing(self):
        out = self.save_as(self.rich)
        pdfs = self.path("pdf")
        result = subprocess.run(["bash", LIBRECAD_CHECK, out, pdfs], capture_output=True, text=True,
                                env=Host.env(), timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)


class FileCommandTest(TempFolderCase, WrittenDrawingChecks):
    """OPEN, NEW, SAVE, SAVEAS, CLOSE, QUIT and how command lines are read."""

    def setUp(self):
        super().setUp()
        self.plan = generate_plan(self.path("plan.dxf"), rooms=8)

    def entity_count(self, path):
        return len(ezdxf.readfile(path).modelspace())

    def test_save_replaces_the_drawing_atomically(self):
        folder = self.path("work")
        os.mkdir(folder)
        drawing = os.path.join(folder, "plan.dxf")
        shutil.copy(make_rich_drawing(self.path("rich.dxf")), drawing)
        # A second link to the old file: writing in place would change it too.
        os.link(drawing, self.path("old-link.dxf"))
        old_inode = os.stat(drawing).st_ino
        result = run_script(self.dir, ["SAVE", "QVNAME", "QUIT"], drawing)
        self.assertSession(result, "Drawing saved as %s\nfile: %s (1 open)\n%s" % (drawing, drawing, UNLOADED))
        self.assertEqual(os.listdir(folder), ["plan.dxf"])  # no temporary file left
        self.assertNotEqual(os.stat(drawing).st_ino, old_inode)
        self.assertEqual(ezdxf.readfile(self.path("old-link.dxf")).header["$ACADVER"], "AC1032")
        self.assertWrittenDrawing(drawing)
        saved, original = dxfdump.dump(drawing), dxfdump.dump(self.path("rich.dxf"))
        ignore_index_colour_beside_true_colour(saved)
        ignore_index_colour_beside_true_colour(original)
        self.assertEqual(saved["modelspace"], original["modelspace"])

    def test_save_keeps_the_permissions_of_the_drawing(self):
        os.chmod(self.plan, 0o600)
        self.assertSession(run_script(self.dir, ["SAVE"], self.plan), "Drawing saved as %s\n%s" % (self.plan, UNLOADED))
        self.assertEqual(os.stat(self.plan).st_mode & 0o777, 0o600)

    def test_save_through_a_link_replaces_the_file_it_names(self):
        link = os.path.join(self.dir, "link.dxf")
        os.symlink(self.plan, link)
        self.assertSession(run_script(self.dir, ["SAVE"], link), "Drawing saved as %s\n%s" % (link, UNLOADED))
        self.assertTrue(os.path.islink(link))
        self.assertEqual(dxfdump.dump(link), dxfdump.dump(self.plan))

    def test_save_refuses_a_read_only_drawing(self):
        # The folder would let the rename replace the files; their modes forbid it.
        os.chmod(self.dir, 0o777)
        other = generate_plan(self.path("other.dxf"), rooms=2)
        for path in (self.plan, other):
            os.chmod(path, 0o444)
        before = {path: Path(path).read_bytes() for path in (self.plan, other)}
        told = '"%s" is read-only: SAVE will not replace it; SAVEAS saves the drawing under another name.\n'
        for lines, error in ((["SAVE"], 'cannot save "%s": the file is read-only; SAVEAS saves the drawing under'
                                        " another name" % self.plan),
                             (["SAVEAS", other], "cannot write '%s': Permission denied" % other)):
            with self.subTest(lines[0]):
                result = run_script(self.dir, lines + ["QVNAME"], self.plan, preexec_fn=as_ordinary_user)
                self.assertEqual((result.returncode, result.stdout), (2, told % self.plan + UNLOADED))
                self.assertEqual(result.stderr.splitlines()[0], "cadhost: " + error)
                self.assertEqual({path: Path(path).read_bytes() for path in before}, before)
                self.assertEqual(sorted(os.listdir(self.dir)), ["input.scr", "other.dxf", "plan.dxf"])

    def held_session(self, drawing=None, told=""):
        """A session that has read the drawing (the plan), saying what it was told on opening,
        and waits for lines on its standard input."""
        drawing = drawing or self.plan
        host = subprocess.Popen([CADHOST, "--module", TEST_MODULE, drawing], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=Host.env())
        self.addCleanup(host.kill)
        host.stdin.write("QVNAME\n")
        host.stdin.flush()
        said = [host.stdout.readline()]
        while said[-1] and not said[-1].startswith("file: "):
            said.append(host.stdout.readline())
        self.assertEqual("".join(said), told + "file: %s (1 open)\n" % drawing)
        return host

    def test_save_over_a_drawing_changed_since_it_was_read_fails_in_a_script(self):
        ours = Path(self.plan).read_bytes()
        theirs = Path(generate_plan(self.path("other.dxf"), rooms=2)).read_bytes()

        def another_session(first):
            result = run_script(self.dir, ["QVNAME", "SAVE", "SAVE"], self.plan)
            told = '"%s" is open in another session too (pid %d on %s).\n' % (self.plan, first.pid, socket.gethostname())
            self.assertSession(result, told + "file: %s (1 open)\n" % self.plan
                               + "Drawing saved as %s\n" % self.plan * 2 + UNLOADED)

        def rewritten_in_place(_):
            with open(self.plan, "wb") as f:
                f.write(theirs)

        def replaced(_):
            write_script(self.path("new.dxf"), [])
            os.replace(self.path("new.dxf"), self.plan)

        for change in (another_session, rewritten_in_place, replaced):
            with self.subTest(change.__name__):
                with open(self.plan, "wb") as f:
                    f.write(ours)
                first = self.held_session()
                change(first)
                changed = Path(self.plan).read_bytes()
                out, err = first.communicate("SAVE\nQVNAME\n", timeout=TIMEOUT)
                self.assertEqual((first.returncode, out), (2, UNLOADED))
                self.assertEqual(err.splitlines()[0], 'cadhost: cannot save "%s": it was changed on disk since it'
                                 " was opened; SAVEAS saves the drawing under another name" % self.plan)
                self.assertEqual(Path(self.plan).read_bytes(), changed)
                self.assertNotIn(".plan.dxf.lock", os.listdir(self.dir))

    def test_lock_of_a_session_that_died_is_not_in_the_way(self):
        dead = subprocess.Popen(["true"])
        dead.wait()
        killed = self.held_session()
        killed.kill()
        killed.communicate()
        lock = self.path(".plan.dxf.lock")
        other = '"%s" is open in another session too (pid %d on %s).\n'
        ended = 'A session that held "%s" (pid %d on %s) has ended without closing it.\n'
        here = "%d %s" % (dead.pid, socket.gethostname())
        clone = here + " 0123456789abcdef"   # the mark of another host of the same name
        for holder, told in ((None, ended % (self.plan, killed.pid, socket.gethostname())),   # the line it made
                             (here, ended % (self.plan, dead.pid, socket.gethostname())),
                             (clone, other % (self.plan, dead.pid, socket.gethostname())),
                             ("1 far.example", other % (self.plan, 1, "far.example"))):
            with self.subTest(holder):
                if holder:
                    write_script(lock, [holder])
                result = run_script(self.dir, ["QVNAME"], self.plan)
                self.assertSession(result, told + "file: %s (1 open)\n%s" % (self.plan, UNLOADED))
                kept = holder + "\n" if "another" in told else None   # the other session's line alone
                self.assertEqual(Path(lock).read_text() if os.path.exists(lock) else None, kept)

    def test_a_lock_file_that_is_a_link_or_no_file_is_left_alone(self):
        lock, target = os.path.realpath(self.path(".plan.dxf.lock")), self.path("elsewhere")
        for make, what in ((lambda: os.symlink(target, lock), "is a symbolic link"),
                           (lambda: os.mkfifo(lock), "is not a regular file")):
            with self.subTest(what):
                make()
                result = run_script(self.dir, ["QVNAME"], self.plan)
                self.assertSession(result, 'The lock file of "%s" is left alone: "%s" %s.\nfile: %s (1 open)\n%s'
                                   % (self.plan, lock, what, self.plan, UNLOADED))
                self.assertEqual(sorted(os.listdir(self.dir)), [".plan.dxf.lock", "input.scr", "plan.dxf"])
                os.remove(lock)

    def test_sessions_are_told_of_each_other_under_any_name_until_the_last_one_closes(self):
        hard = self.path("hard.dxf")
        os.link(self.plan, hard)
        other = '"%s" is open in another session too (pid %d on ' + socket.gethostname() + ').\n'
        opened = "file: %s (1 open)\n%s" % (self.plan, UNLOADED)
        first = self.held_session()
        last = self.held_session(self.plan, other % (self.plan, first.pid))
        self.assertEqual(first.communicate("QUIT\n", timeout=TIMEOUT)[0], UNLOADED)
        self.assertSession(run_script(self.dir, ["QVNAME"], self.plan), other % (self.plan, last.pid) + opened)
        on_link = self.held_session(hard, other % (hard, last.pid))
        last.send_signal(signal.SIGTERM)   # its line goes as a closing takes it
        last.communicate(timeout=TIMEOUT)
        self.assertSession(run_script(self.dir, ["QVNAME"], self.plan), other % (self.plan, on_link.pid) + opened)
        self.assertEqual(on_link.communicate("QUIT\n", timeout=TIMEOUT)[0], UNLOADED)
        self.assertEqual(sorted(os.listdir(self.dir)), ["hard.dxf", "input.scr", "plan.dxf"])

    def test_host_prompts_cancelled_or_at_the_end_of_input_do_nothing(self):
        for stdin in ("SAVEAS\n", "SAVEAS\n^C\nQVNAME\n", "SAVEAS\n\x1b\nQVNAME\n", "OPEN\n", "OPEN\n^C\nQVNAME\n",
                      "SETVAR\n", "SETVAR\nPICKBOX\n", "SETVAR\nPICKBOX\n^C\nQVGETVAR\nPICKBOX\n"):
            with self.subTest(stdin=stdin):
                expected = ""
                if "QVNAME" in stdin:
                    expected = "file: %s (1 open)\n" % self.plan
                elif "QVGETVAR" in stdin:
                    expected = "Variable: PICKBOX: 3\n"
                self.assertSession(run_host(self.plan, stdin=stdin, cwd=self.dir), expected + UNLOADED)
                self.assertEqual(sorted(os.listdir(self.dir)), ["plan.dxf"])

    def test_drawing_named_dwg_is_read_and_saved_as_dxf_text(self):
        drawing = self.path("plan.dwg")
        shutil.copy(self.plan, drawing)
        result = run_script(self.dir, ["QVCOUNT", "SAVE", "QUIT"], drawing)
        self.assertSession(result, "entities: %d\nDrawing saved as %s\n%s"
                           % (self.entity_count(self.plan), drawing, UNLOADED))
        self.assertWrittenDrawing(drawing)

    def test_saveas_into_a_missing_folder_writes_nothing(self):
        target = self.path("missing", "out.dxf")
        result = run_script(self.dir, ["SAVEAS", target, "QVNAME", "QUIT"], self.plan)
        # The script stops, and the exit status tells.
        self.assertEqual((result.returncode, result.stdout), (2, UNLOADED))
        self.assertEqual(result.stderr.splitlines()[0], "cadhost: cannot write '%s': the folder '%s' does not exist"
                         % (target, self.path("missing")))
        self.assertEqual(sorted(os.listdir(self.dir)), ["input.scr", "plan.dxf"])

    def test_drawing_another_program_got_wrong_is_repaired_and_says_how(self):
        drawing = self.path("other.dxf")
        with open(drawing, "w", encoding="ascii") as f:
            f.write("0\nSECTION\n2\nENTITIES\n0\nINSERT\n5\n20\n8\n0\n2\nDOOR\n10\n0\n20\n0\n0\nENDSEC\n0\nEOF\n")
        out = self.path("out.dxf")
        result = run_script(self.dir, ["SAVEAS", out, "QUIT"], drawing)
        self.assertEqual((result.returncode, result.stdout), (0, "Drawing saved as %s\n%s" % (out, UNLOADED)),
                         result.stderr)
        self.assertEqual(result.stderr, "repaired: INSERT 20 at line 11: the block 'DOOR' is not defined: an empty one"
                         " was added, so its references plot nothing\n")
        self.assertEqual([e.dxf.name for e in ezdxf.readfile(out).modelspace()], ["DOOR"])

    def test_save_beyond_the_file_size_limit_fails_and_keeps_the_old_file(self):
        with open(self.plan, "rb") as f:
            old = f.read()
        limit = len(old) // 2
        script = write_script(self.path("input.scr"), ["SAVE"])
        result = subprocess.run(
            [CADHOST, "--module", TEST_MODULE, "--script", script, self.plan], capture_output=True, text=True,
            env=Host.env(), timeout=TIMEOUT,
            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn("cannot write '%s': File too large" % self.plan, result.stderr)
        with open(self.plan, "rb") as f:
            self.assertEqual(f.read(), old)
        self.assertEqual(sorted(os.listdir(self.dir)), ["input.scr", "plan.dxf"])  # no temporary left

    def test_new_then_saveas_writes_an_empty_drawing(self):
        out = self.path("new.dxf")
        result = run_script(self.dir, ["NEW", "QVNAME", "QVCOUNT", "SAVEAS", out, "QVNAME", "QUIT"], self.plan)
        self.assertSession(result, "file: Drawing1.dxf (2 open)\nentities: 0\nDrawing saved as %s\n"
                           "file: %s (2 open)\n%s" % (out, out, UNLOADED))
        doc = self.assertWrittenDrawing(out)
        self.assertEqual(len(doc.modelspace()), 0)
        self.assertEqual(sorted(doc.layouts.names()), ["Layout1", "Model"])
        self.assertIn("0", doc.layers)

    def test_save_of_a_new_drawing_asks_for_its_path(self):
        out = self.path("asked.dxf")
        result = run_script(self.dir, ["SAVE", out, "QVNAME", "QUIT"])
        self.assertSession(result, "Drawing saved as %s\nfile: %s (1 open)\n%s" % (out, out, UNLOADED))
        self.assertWrittenDrawing(out)

    def test_open_and_close_name_the_current_drawing_and_commands_that_need_one_say_so(self):
        second = generate_plan(self.path("second floor – Süd.dxf"), rooms=3)
        result = run_script(self.dir, ["QVNAME", "OPEN", second, "QVNAME", "QVCOUNT", "CLOSE", "QVNAME",
                                       "QVCOUNT", "CLOSE", "QVNAME", "QVCOUNT", "CLOSE", "SETVAR", "clayer",
                                       "SETVAR", "PICKBOX", "4", "QVGETVAR", "PICKBOX", "NEW", "QVNAME"],
                            self.plan)
        none = "No drawing is open.\n"
        self.assertSession(result, "".join([
            "file: %s (1 open)\n" % self.plan,
            '"%s" is now the current drawing.\n' % second,
            "file: %s (2 open)\n" % second,
            "entities: %d\n" % self.entity_count(second),
            '"%s" is now the current drawing.\n' % self.plan,
            "file: %s (1 open)\n" % self.plan,
            "entities: %d\n" % self.entity_count(self.plan),
            none,
            "file: no document\n",
            "entities: no document\n",
            none,                                   # CLOSE
            none,                                   # SETVAR of a drawing's variable
            "Variable: PICKBOX: 4\n",               # a host setting needs none
            "file: Drawing1.dxf (1 open)\n",
            UNLOADED]))
        # A file command without a drawing fails, and the script stops there.
        for command in ("SAVE", "SAVEAS", "EXPORT", "PLOT"):
            with self.subTest(command):
                result = run_script(self.dir, ["CLOSE", command, self.path("out.dxf"), "QVNAME"], self.plan)
                self.assertEqual((result.returncode, result.stdout), (2, none * 2 + UNLOADED))
                self.assertTrue(result.stderr.endswith('line 2: "%s" failed; the lines after it are not run\n'
                                                       % command), result.stderr)
        self.assertFalse(os.path.exists(self.path("out.dxf")))

    def test_open_of_an_open_drawing_makes_it_current_and_saveas_over_it_fails_however_its_path_is_spelt(self):
        second = generate_plan(self.path("second.dxf"), rooms=3)
        os.mkdir(self.path("sub"))
        os.symlink(self.plan, self.path("link.dxf"))
        os.link(self.plan, self.path("hard.dxf"))
        spellings = ["plan.dxf", "./plan.dxf", "sub/../plan.dxf", "sub\\..\\plan.dxf", "link.dxf", "hard.dxf",
                     self.plan]
        lines = ["OPEN", second]
        for spelling in spellings:
            lines += ["OPEN", spelling, "QVNAME", "OPEN", second]
        result = run_script(self.dir, lines + ["SAVEAS", "sub/../hard", "QVNAME"], self.plan, cwd=self.dir)
        again = '"%s" is already open; it is now the current drawing.\n'
        self.assertEqual((result.returncode, result.stdout), (2, '"%s" is now the current drawing.\n' % second
                         + (again % self.plan + "file: %s (2 open)\n" % self.plan + again % second)
                         * len(spellings) + UNLOADED))
        self.assertIn(": sub/../hard.dxf is open in this session: close it first, or choose another name.\n"
                      "cadhost: ", result.stderr)

    def test_a_signal_lets_the_plot_under_way_finish_and_keeps_the_changes_in_a_recovery_file(self):
        # The plot is held once its temporary file is made: it looks for its fonts, and
        # fontconfig reads its configuration from a FIFO, written once the signal is sent.
        fifo = self.path("fonts.conf")
        os.mkfifo(fifo)
        target = self.path("plan.pdf")
        script = write_script(self.path("input.scr"), ["QVLINE", "0,0", "1,1", "EXPORT", target])
        signals = ((signal.SIGTERM, "terminated (SIGTERM)", ".save"), (signal.SIGHUP, "hung up (SIGHUP)", ".save.1"),
                   (signal.SIGQUIT, "quit (SIGQUIT)", ".save.2"))
        # A group other than the user's own, which the user may give a file.
        group = 65534 if os.geteuid() == 0 else next((g for g in os.getgroups() if g != os.getgid()), os.getgid())
        os.chown(self.plan, -1, group)
        os.chmod(self.plan, 0o640)
        for sig, why, suffix in signals:
            with self.subTest(why):
                host = subprocess.Popen([CADHOST, "--module", TEST_MODULE, "--script", script, self.plan],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                        env=dict(Host.env(), FONTCONFIG_FILE=fifo),
                                        preexec_fn=default_signals_without_core)
                self.addCleanup(host.kill)
                deadline = time.monotonic() + TIMEOUT
                while not any(name.startswith(".plan.pdf.qvsave-") for name in os.listdir(self.dir)):
                    self.assertTrue(host.poll() is None and time.monotonic() < deadline, "the plot never began")
                    time.sleep(0.01)
                host.send_signal(sig)
                while True:   # the plot's fonts, once it opens the FIFO (while it lives)
                    self.assertTrue(host.poll() is None and time.monotonic() < deadline, "the plot never went on")
                    try:
                        feed = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
                        break
                    except OSError:
                        time.sleep(0.01)
                os.write(feed, b'<fontconfig><include>/etc/fonts/fonts.conf</include></fontconfig>')
                os.close(feed)
                _, err = host.communicate(timeout=TIMEOUT)
                self.assertEqual((host.returncode, err), (-sig, 'cadhost: %s: the changes to "%s" are in "%s"\n'
                                                          % (why, self.plan, self.plan + suffix)))
                with open(target, "rb") as f:
                    self.assertEqual(f.read(5), b"%PDF-")
                doc = self.assertWrittenDrawing(self.plan + suffix)
                lines = [(line.dxf.start, line.dxf.end) for line in doc.modelspace().query("LINE")]
                self.assertIn(((0, 0, 0), (1, 1, 0)), lines)
                kept = os.stat(self.plan + suffix)
                self.assertEqual((kept.st_mode & 0o777, kept.st_gid), (0o640, group))
        self.assertEqual(sorted(os.listdir(self.dir)), ["fonts.conf", "input.scr", "plan.dxf", "plan.dxf.save",
                                                        "plan.dxf.save.1", "plan.dxf.save.2", "plan.pdf"])
        # The next session on the drawing names the newest, until the drawing is saved again.
        newest = self.plan + ".save.2"
        written = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(os.stat(newest).st_mtime))
        self.assertIn('"%s" has a recovery file newer than it, "%s" (written %s by a session that ended with unsaved'
                      ' changes): to get them back, CLOSE this drawing, OPEN "%s" and SAVEAS "%s".\n'
                      % (self.plan, newest, written, newest, self.plan), run_script(self.dir, ["QUIT"], self.plan).stdout)
        os.utime(self.plan)
        self.assertNotIn("recovery", run_script(self.dir, ["QUIT"], self.plan).stdout)

    def test_a_signal_to_a_piped_session_keeps_the_changes_at_home_when_the_drawings_folder_is_gone(self):
        folder, home = tempfile.mkdtemp(dir=self.dir), tempfile.mkdtemp(dir=self.dir)
        drawing, kept = shutil.copy(self.plan, folder), os.path.join(home, "plan.dxf.save")
        host = subprocess.Popen([CADHOST, "--module", TEST_MODULE, drawing], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                env=dict(Host.env(), HOME=home), preexec_fn=default_signals_without_core)
        self.addCleanup(host.kill)
        host.stdin.write("QVLINE\n0,0\n1,1\n")
        host.stdin.flush()
        for expected in ("From point: from: 0,0,0\n", "To point: to: 1,1,0\n", "line drawn\n"):
            self.assertEqual(host.stdout.readline(), expected)
        shutil.rmtree(folder)
        host.send_signal(signal.SIGTERM)
        self.assertEqual(host.wait(timeout=TIMEOUT), -signal.SIGTERM)
        self.assertEqual(host.communicate()[1], 'cadhost: terminated (SIGTERM): the changes to "%s" are in "%s"\n'
                         % (drawing, kept))
        self.assertEqual(len(self.assertWrittenDrawing(kept).modelspace().query("LINE")),
                         len(ezdxf.readfile(self.plan).modelspace().query("LINE")) + 1)
        os.makedirs(folder)   # the drawing back as it was: the next session names the file at home
        os.utime(shutil.copy(self.plan, drawing), (0, 0))
        self.assertIn('has a recovery file newer than it, "%s"' % kept,
                      run_script(self.dir, ["QUIT"], drawing, env=dict(HOME=home)).stdout)

    def test_file_prompts_take_the_home_folder_and_drawing_names_without_extension(self):
        folder = tempfile.mkdtemp(dir=Host.env()["HOME"])
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        tilde = "~/" + os.path.basename(folder) + "/"
        second = generate_plan(os.path.join(folder, "second.dxf"), rooms=3)
        result = run_script(self.dir, [
            "OPEN", tilde + "second", "QVNAME",
            "OPEN", "plan", "QVNAME",                                   # the first drawing, by its name
            "SAVEAS", tilde + "saved", "QVNAME",
            "EXPORT", tilde + "exported.png",
            "PLOT", "", "PNG", "", tilde + "plotted.png",
            "QVLINE", "0,0", "1,1",
            "SAVEAS", "~\\%s\\.\\backslash" % os.path.basename(folder)], self.plan, cwd=self.dir)
        saved = os.path.join(folder, "saved.dxf")
        self.assertSession(result, "".join([
            '"%s" is now the current drawing.\n' % second,
            "file: %s (2 open)\n" % second,
            '"%s" is already open; it is now the current drawing.\n' % self.plan,
            "file: %s (2 open)\n" % self.plan,
            "Drawing saved as %s\nfile: %s (2 open)\n" % (saved, saved),
            "".join("Plot written to %s (ISO_A3_(420.00_x_297.00_MM), fitted, about 1:75.5)\n"
                    % os.path.join(folder, name) for name in ("exported.png", "plotted.png")),
            "From point: from: 0,0,0\nTo point: to: 1,1,0\nline drawn\n",
            "Drawing saved as %s\\%s\\.\\backslash.dxf\n" % (Host.env()["HOME"], os.path.basename(folder)),
            UNLOADED]))
        self.assertWrittenDrawing(saved)
        self.assertEqual(sorted(os.listdir(folder)),
                         ["backslash.dxf", "exported.png", "plotted.png", "saved.dxf", "second.dxf"])

    def test_answers_refused_in_a_script_fail_the_command_there(self):
        long_name, chinese = "x" * 300, "图" * 90        # 300 and 270 bytes
        deep = "/".join(["d" * 200] * 21)                # 4220 bytes
        name = 'the name "%s" is longer than the 255 bytes a file name may have'
        number, integer, point = "requires numeric value", "requires an integer value", "invalid point"
        # The next line is no answer to a refused one (SETVAR would take "SAVEAS" for a value).
        for lines, why, *shown in [
                           *[(["QVINT", a], integer, "Integer: int: cancel\n")
                             for a in ("abc", "2.5", "99999999999", "1 2", "-nan")],
                           *[(["QVREAL", a], number, "Real: real: cancel\n")
                             for a in ("abc", "1,5", "nan", "inf", "-Infinity", "1e400")],
                           *[(["QVPOINT", a], point, "Point: point: cancel\n") for a in
                             ("1", "1,2,3,4", "a,b", "1,,2", "nan,nan", "inf,0", "0,1e999", "@nan<0", "@1<inf")],
                           (["QVLINE", "1.5e308,0", "@1e308,0"], point, "From point: from: 1.5e+308,0,0\nTo point: to: "
                                                                        "cancel\n"),
                           (["QVSTRING", "é" * 67], "the answer is longer than 132 bytes; give a shorter one",
                            "Text: text: cancel\n"),
                           (["SETVAR", "INSUNITS", "25"], "cannot set INSUNITS to 25"),
                           (["SETVAR", "PICKBOX", "-2"], "cannot set PICKBOX to -2: it takes 0 to 50"),
                           (["SETVAR", "PICKBOX", "51"], "cannot set PICKBOX to 51: it takes 0 to 50"),
                           (["SETVAR", "FILEDIA", "2"], "cannot set FILEDIA to 2"),
                           (["SETVAR", "LUNITS", "9"], "cannot set LUNITS to 9"),
                           (["SETVAR", "PLOTDPI", "49"], "cannot set PLOTDPI to 49: it takes 50 to 300"),
                           (["SETVAR", "PLOTDPI", "301"], "cannot set PLOTDPI to 301: it takes 50 to 300"),
                           (["SETVAR", "CLAYER", "NOSUCH"], 'cannot set CLAYER to "NOSUCH": the drawing has no such '
                                                            "layer"),
                           (["SETVAR", "HPMAXLINES", "99"], "cannot set HPMAXLINES to 99"),
                           *[(["SETVAR", v, a], integer)
                             for v, a in [("HPMAXLINES", "99999999999"), ("HPMAXLINES", "many"), ("PICKBOX", "seven")]],
                           *[(["SETVAR", "LASTPOINT", a], point) for a in ("1,x", "nan,0")],
                           (["PLOT", "Nowhere"], 'the drawing has no layout "Nowhere"; ? lists its layouts'),
                           (["OPEN", long_name], name % (long_name + ".dxf")),
                           (["PLOT", "", "", "", chinese], name % chinese),
                           (["SAVEAS", ".."], '".." is a folder, not a file'),
                           (["EXPORT", self.dir], '"%s" is a folder, not a file' % self.dir),
                           (["SAVEAS", deep], 'the path "%s.dxf" is longer than the 4095 bytes a path may have' % deep),
                           (["SAVEAS", ".dxf"], 'cannot save as ".dxf": the file name is only an extension; give the'
                                                " drawing a name")]:
            with self.subTest(lines[0], why=why[:20]):
                result = run_script(self.dir, lines + ["SAVEAS", "final", "QVNAME"], self.plan, cwd=self.dir)
                self.assertEqual((result.returncode, result.stdout, result.stderr), (2, "".join(shown) + UNLOADED, (
                    'cadhost: %s, line %d: %s.\ncadhost: %s, line 1: "%s" failed; the lines after it are not run\n'
                    % (self.path("input.scr"), len(lines), why[0].upper() + why[1:], self.path("input.scr"),
                       lines[0]))))

    def test_open_of_a_bad_drawing_keeps_the_current_one(self):
        bad = self.path("bad.dxf")
        with open(bad, "w") as f:
            f.write("  0\nSECTION\n  2\nENTITIES\n")
        os.mkfifo(self.path("fifo.dxf"))
        # Each failure on a line of its own, with the reason; the script stops there.
        for path, reason in ((bad, "line "), (self.path("nope.dxf"), "No such file or directory"),
                             (self.dir, "Is a directory"), (self.path("fifo.dxf"), "it is not a regular file")):
            result = run_script(self.dir, ["OPEN", path, "QVNAME"], self.plan)
            self.assertEqual((result.returncode, result.stdout), (2, UNLOADED))
            lines = result.stderr.splitlines()
            self.assertEqual(len(lines), 2, result.stderr)
            self.assertTrue(lines[0].startswith('cadhost: cannot open "%s": %s' % (path, reason)), lines[0])

    def test_command_names_in_any_case_with_prefixes_and_comments(self):
        result = run_script(self.dir, [
            "qvname", "QvNaMe", "_QVNAME", ".qvname", "_.QvName", "   qvname   ",
            "; QVNAME is not run from a comment", ";",
            "QVTEXT", "local name",    # the local name of QVSTRING
            "^C", ESC,                  # nothing to run
            "_sAvEaS", self.path("lower.dxf"), "._Quit", "QVNAME"], self.plan)
        self.assertSession(result, "file: %s (1 open)\n" % self.plan * 6
                           + "Text: text: [local name]\nDrawing saved as %s\n" % self.path("lower.dxf") + UNLOADED)
        self.assertWrittenDrawing(self.path("lower.dxf"))

    def test_unknown_commands_print_a_message_and_the_session_goes_on(self):
        result = run_script(self.dir, ["FROBNICATE", "_nope", "QVNAME"], self.plan)
        self.assertSession(result, '\nUnknown command "FROBNICATE".\n\nUnknown command "NOPE".\n'
                           + "file: %s (1 open)\n" % self.plan + UNLOADED)

    def test_exception_in_a_command_does_not_end_the_session(self):
        result = run_script(self.dir, ["QVTHROW", "QVNAME"], self.plan)
        # The command ends with a line that names it and why; the drawing stays open.
        self.assertSession(result, "throwing\n\n*Unhandled error in QVTHROW: test module failure*\n"
                           "file: %s (1 open)\n%s" % (self.plan, UNLOADED))

    def test_setvar_of_known_and_unknown_variables(self):
        result = run_script(self.dir, [
            "SETVAR", "pickbox", "7", "QVGETVAR", "PICKBOX",
            "SETVAR", "PICKBOX", "", "QVGETVAR", "PICKBOX",          # Enter keeps the value
            "SETVAR", "NOSUCHVAR", "QVGETVAR", "NOSUCHVAR",
            "SETVAR", "FILEDIA", "0", "QVGETVAR", "FILEDIA",
            "SETVAR", "PLOTDPI", "150", "QVGETVAR", "PLOTDPI",
            "SETVAR", "clayer", "grid", "QVGETVAR", "CLAYER",
            "QVGETVAR", "DWGNAME", "SETVAR", "?"], self.plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        listed = result.stdout.index("\nCLAYER ") + 1
        variables = result.stdout[listed:].splitlines()
        self.assertEqual(result.stdout[:listed], "".join([
            "Variable: PICKBOX: 7\n",
            "Variable: PICKBOX: 7\n",
            '\nUnknown variable name "NOSUCHVAR".\n', "Variable: NOSUCHVAR: unknown\n",
            "Variable: FILEDIA: 0\n",
            "Variable: PLOTDPI: 150\n",
            'Variable: CLAYER: "GRID"\n',
            'Variable: DWGNAME: "plan.dxf"\n']))
        # "?" lists every variable with its value.
        self.assertEqual(variables[0], 'CLAYER      "GRID"')
        self.assertIn("DBMOD       4  (read only)", variables)   # a setting changed
        self.assertIn("PICKBOX     7", variables)
        self.assertEqual(len(variables), 15)   # 14 variables and the module's farewell

    def test_setvar_of_the_hatch_line_limit_takes_whole_numbers_in_its_range(self):
        result = run_script(self.dir, [
            "QVGETVAR", "HPMAXLINES",
            "SETVAR", "hpmaxlines", "2500000", "QVGETVAR", "HPMAXLINES",
            "SETVAR", "HPMAXLINES", "", "QVGETVAR", "HPMAXLINES"], self.plan)   # out of range: refused (above)
        self.assertSession(result, "".join([
            "Variable: HPMAXLINES: 100000\n",
            "Variable: HPMAXLINES: 2500000\n",
            "Variable: HPMAXLINES: 2500000\n",
            UNLOADED]))

    def test_quit_and_exit_end_the_session_without_saving(self):
        with open(self.plan, "rb") as f:
            before = f.read()
        for word in ("QUIT", "exit"):
            with self.subTest(word=word):
                result = run_script(self.dir, ["QVNAME", word, "QVCOUNT", "SAVE"], self.plan)
                self.assertSession(result, "file: %s (1 open)\n%s" % (self.plan, UNLOADED))
                with open(self.plan, "rb") as f:
                    self.assertEqual(f.read(), before)

    def test_standard_input_and_crlf_scripts_give_the_same_output(self):
        lines = ["QVINT", "12", "QVNAME"]
        expected = "Integer: int: 12\nfile: %s (1 open)\n%s" % (self.plan, UNLOADED)
        self.assertSession(run_host(self.plan, stdin="\n".join(lines) + "\n"), expected)
        self.assertSession(run_host(self.plan, stdin="\n".join(lines)), expected)  # no final line end
        script = self.path("crlf.scr")
        with open(script, "wb") as f:
            f.write(b"".join(line.encode() + b"\r\n" for line in lines))
        self.assertSession(run_host("--script", script, self.plan), expected)


class PromptTest(TempFolderCase):
    """The host's prompts, driven through the test module. Output is compared whole: the
    module's prompts and results only, no echo of the input, no "Command: " prompt."""

    def session(self, *lines, stdin=None):
        if stdin is not None:
            return run_host(stdin=stdin)
        return run_script(self.dir, list(lines))

    def assertPrompts(self, lines, expected):
        self.assertSession(self.session(*lines), expected + UNLOADED)

    def test_integers(self):
        cases = [
            (["42"], "Integer: int: 42\n"),
            (["-7"], "Integer: int: -7\n"),
            (["+3"], "Integer: int: 3\n"),
            (["  12  "], "Integer: int: 12\n"),
            (["2147483647"], "Integer: int: 2147483647\n"),
            ([""], "Integer: int: none\n"),
            (["^C"], "Integer: int: cancel\n"),
        ]
        for answers, expected in cases:
            with self.subTest(answers=answers):
                self.assertPrompts(["QVINT", *answers, "QUIT"], expected)

    def test_reals(self):
        cases = [
            (["2.5"], "Real: real: 2.5\n"),
            (["-1e3"], "Real: real: -1000\n"),
            ([".125"], "Real: real: 0.125\n"),
            (["7"], "Real: real: 7\n"),
            (["0.1"], "Real: real: 0.10000000000000001\n"),
            ([""], "Real: real: none\n"),
            (["^C"], "Real: real: cancel\n"),
        ]
        for answers, expected in cases:
            with self.subTest(answers=answers):
                self.assertPrompts(["QVREAL", *answers, "QUIT"], expected)

    def test_texts_take_the_whole_line(self):
        full = "a" * 130 + "é"  # 132 bytes: as much as the command's buffer holds
        cases = [
            (["  Room 1.017, west wing; level 2  "], "Text: text: [  Room 1.017, west wing; level 2  ]\n"),
            (["Büro – Süd"], "Text: text: [Büro – Süd]\n"),
            (["42"], "Text: text: [42]\n"),
            ([""], "Text: text: []\n"),  # Enter is the empty text
            ([full], "Text: text: [%s]\n" % full),
            (["^C"], "Text: text: cancel\n"),
            (["abc" + ESC], "Text: text: cancel\n"),
        ]
        for answers, expected in cases:
            with self.subTest(answers=answers):
                self.assertPrompts(["QVSTRING", *answers, "QUIT"], expected)

    def test_points(self):
        cases = [
            (["1,2"], "Point: point: 1,2,0\n"),
            (["1.5,-2,3"], "Point: point: 1.5,-2,3\n"),
            ([" 4 , 5 "], "Point: point: 4,5,0\n"),
            ([""], "Point: point: none\n"),
            (["^C"], "Point: point: cancel\n"),
        ]
        for answers, expected in cases:
            with self.subTest(answers=answers):
                self.assertPrompts(["QVPOINT", *answers, "QUIT"], expected)

    def test_end_of_input_cancels_the_pending_prompt_and_ends_the_host(self):
        cases = [
            ("QVINT\n", "Integer: int: cancel\n"),
            ("QVSTRING", "Text: text: cancel\n"),
            ("QVPOINT\n", "Point: point: cancel\n"),
            # Every prompt after the end is cancelled too, and the command finishes.
            ("QVPAIR\n", "First: first: cancel\nSecond: second: cancel\npair done\n"),
            ("QVPAIR\n5\n", "First: first: 5\nSecond: second: cancel\npair done\n"),
        ]
        for stdin, expected in cases:
            with self.subTest(stdin=stdin):
                self.assertSession(self.session(stdin=stdin), expected + UNLOADED)

    def test_asking_loop_stops_at_the_end_of_input(self):
        self.assertSession(self.session(stdin="QVLOOP\n\n\n"),
                           "Integer please: attempt 1: none\nInteger please: attempt 2: none\n"
                           "Integer please: loop: cancel\nattempts: 3\n" + UNLOADED)
        # An answer refused ends the module's own loop as a cancel, and stops a pipe's lines too.
        result = self.session(stdin="QVLOOP\n\n^C\nQVLOOP\n\nx\n6\n")
        self.assertEqual((result.returncode, result.stdout, result.stderr), (
            2, "Integer please: attempt 1: none\nInteger please: loop: cancel\nattempts: 2\n" * 2 + UNLOADED,
            'cadhost: standard input, line 6: Requires an integer value.\ncadhost: standard input, line 4: "QVLOOP" '
            "failed; the lines after it are not run\n"))

    def test_terminal_input_shows_the_command_prompt(self):
        import pty
        import select
        import time
        pid, fd = pty.fork()
        if pid == 0:  # the child: never returns to the tests
            try:
                os.execve(CADHOST, [CADHOST, "--module", TEST_MODULE], Host.env())
            finally:
                os._exit(127)
        try:
            os.write(fd, b"qvname\nquit\n")
            out = b""
            deadline = time.monotonic() + TIMEOUT
            while time.monotonic() < deadline:
                ready, _, _ = select.select([fd], [], [], 0.5)
                if ready:
                    try:
                        data = os.read(fd, 4096)
                    except OSError:  # the host ended
                        break
                    if not data:
                        break
                    out += data
        finally:
            _, status = os.waitpid(pid, 0)
            os.close(fd)
        text = out.decode("utf-8", "replace")
        self.assertEqual(os.waitstatus_to_exitcode(status), 0, text)
        self.assertIn("Command: ", text)
        self.assertIn("file: Drawing1.dxf (1 open)", text)
        self.assertIn(UNLOADED.strip(), text)


class BadInputTest(TempFolderCase):
    """A drawing, script or module that cannot be used: a message on standard error, exit
    status 1, and nothing written."""

    def setUp(self):
        super().setUp()
        self.inputs = self.path("in")
        os.mkdir(self.inputs)
        # Were the session to run, it would write work/out.dxf.
        self.script = write_script(os.path.join(self.inputs, "save.scr"), ["QVNAME", "SAVEAS", "out.dxf", "SAVE"])

    def make(self, name, content):
        path = os.path.join(self.inputs, name)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def assertRefused(self, args, message, module=TEST_MODULE):
        before = {name: os.stat(os.path.join(self.inputs, name)).st_mtime_ns for name in os.listdir(self.inputs)}
        work = tempfile.mkdtemp(dir=self.dir)
        result = run_host(*args, module=module, cwd=work)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(result.stdout, "")
        self.assertIn(message, result.stderr)
        self.assertEqual(result.stderr.count("\n"), 1, result.stderr)  # one clear line
        self.assertEqual(os.listdir(work), [])
        after = {name: os.stat(os.path.join(self.inputs, name)).st_mtime_ns for name in os.listdir(self.inputs)}
        self.assertEqual(after, before)
        return result

    def test_drawings_that_cannot_be_read(self):
        plan = generate_plan(os.path.join(self.inputs, "plan.dxf"), rooms=5)
        with open(plan, "rb") as f:
            text = f.read()
        lines = text.split(b"\n")
        middle = len(lines) // 4 * 2 + 1  # a value line: group codes and values shift
        zeros = self.make("zeros.dxf", b"")
        os.truncate(zeros, 64 << 20)  # sparse: refused by its first bytes, never read whole
        cases = {
            "missing": (os.path.join(self.inputs, "missing.dxf"), ": No such file or directory"),
            "empty": (self.make("empty.dxf", b""), "empty"),
            "truncated": (self.make("truncated.dxf", text[:len(text) // 2]), "line"),
            "odd lines": (self.make("odd.dxf", b"\n".join(lines[:middle] + lines[middle + 1:])), "line"),
            "no EOF": (self.make("noeof.dxf", text[:text.rindex(b"EOF")]), "line"),
            "binary DXF": (self.make("binary.dxf", b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(256))),
                           "binary DXF"),
            "DWG": (self.make("real.dwg", b"AC1032\x00\x00\x00\x00\x00\x0f\x01" + bytes(range(256))), "DWG"),
            "DWG named .dxf": (self.make("dwg.dxf", b"AC1032" + bytes(200)), "DWG"),
            "zeros": (zeros, "this is not a DXF file (it does not begin with a group code)"),
            "folder": (self.inputs, ": Is a directory"),
        }
        for name, (path, message) in cases.items():
            with self.subTest(name):
                result = self.assertRefused(["--script", self.script, path], message)
                self.assertIn('cannot open "%s"' % path, result.stderr)

    def test_missing_script(self):
        self.assertRefused(["--script", os.path.join(self.inputs, "none.scr")], "cannot read script")

    def test_modules_that_cannot_be_loaded(self):
        not_a_library = self.make("module.so", b"not a shared library\n")
        other_library = os.path.join(os.path.dirname(REAL_MODULE), "libqv_win.so")
        cases = {
            "missing": (os.path.join(self.inputs, "nope.so"), "nope.so"),
            "not a library": (not_a_library, "module.so"),
            "no entry point": (other_library, "no acrxEntryPoint"),
        }
        for name, (module, message) in cases.items():
            with self.subTest(name):
                result = self.assertRefused(["--script", self.script], "cannot load the module", module=module)
                self.assertIn(message, result.stderr)

    def test_bad_option_prints_the_usage(self):
        result = run_host("--bogus", module=None, cwd=self.inputs)
        self.assertEqual((result.returncode, result.stdout), (2, ""))
        self.assertIn("bad option '--bogus'", result.stderr)
        self.assertIn("usage: cadhost", result.stderr)
        generate_plan(self.path("-lead.dxf"), rooms=1)
        self.assertEqual(run_host("--", "-lead.dxf", stdin="QVNAME\n", cwd=self.dir).stdout,
                         "file: -lead.dxf (1 open)\n" + UNLOADED)


class ProductTest(TempFolderCase):
    def test_product_name_reaches_the_module(self):
        cases = {(): "AutoCAD 2019", ("--product", "BricsCAD V19"): "BricsCAD V19",
                 ("--product", "AutoCAD LT 2019"): "AutoCAD LT 2019"}
        for args, product in cases.items():
            with self.subTest(product=product):
                self.assertSession(run_host(*args, stdin="QVPRODUCT\n"), "product: %s\n%s" % (product, UNLOADED))


def tearDownModule():
    Host.cleanup()


if __name__ == "__main__":
    unittest.main(verbosity=2)
