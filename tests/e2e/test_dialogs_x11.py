#!/usr/bin/python3
"""End-to-end tests of the module's dialogs under a real X server.

cadhost runs on an Xvfb display with its dialogs shown, reading its command lines from a
pipe; the dialogs are driven from outside the process with real key and mouse events
(xdotool, through the XTEST extension), and what they saved is read back from prefs.cfg and, with ezdxf, from the saved drawing.

Run by CTest (label e2e) with the same variables as test_cadhost.py; skipped when Xvfb or
xdotool is missing.
"""

import os
import shutil
import signal
import socket
import subprocess
import termios
import tempfile
import threading
import time
import unittest

import ezdxf

from test_cadhost import generate_plan
from test_command_line import Terminal

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("QV_SOURCE_DIR") or os.path.dirname(os.path.dirname(HERE))
BUILD = os.path.join(ROOT, "build")
CADHOST = os.environ.get("CADHOST") or os.path.join(BUILD, "bin", "cadhost")
REAL_MODULE = os.environ.get("QV_MODULE") or os.path.join(BUILD, "lib", "libquorvane.so")
SANITIZED = bool(os.environ.get("QV_SANITIZED"))
# Waits end as soon as what they wait for happens; they are long for a machine under load.
WAIT = 120 if SANITIZED else 60
PREFS_CAPTION = "Quorvane - Preferences"


# The dialogs' fixed base units: a dialog unit is 6/4 pixels across and 13/8 down.
def du_x(du):
    return (du * 6 + 2) // 4


def du_y(du):
    return (du * 13 + 4) // 8


class XServer:
    """A private Xvfb display."""

    def __init__(self):
        read, write = os.pipe()
        # Without -noreset the server resets whenever its last client leaves (cadhost's probe
        # of the display, an xdotool call) and refuses connections while it does.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            self.display = ":" + pipe.readline().strip()

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def host_env(display, home):
    """The environment of cadhost on the display, its data and home in the folder home."""
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env.update(DISPLAY=display, LANG="C.UTF-8", XDG_RUNTIME_DIR=runtime,
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_STATE_HOME=os.path.join(home, "state"), HOME=home,
               QT_QPA_PLATFORM="xcb")
    return env


def terminal_host(display, home, *args):
    """cadhost on the display and on a pseudo-terminal, in the folder home."""
    return Terminal(*args, module=REAL_MODULE, env=host_env(display, home), cwd=home, timeout=WAIT)


class Host:
    """cadhost on the display, its input a pipe, its output gathered line by line."""

    def __init__(self, display, home, *args):
        env = host_env(display, home)
        self.env = env
        self.process = subprocess.Popen([CADHOST, "--module", REAL_MODULE, *args], env=env, cwd=home,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
        self.output = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        with self.process.stdout:
            for line in self.process.stdout:
                self.output.append(line)

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def finish(self):
        self.process.stdin.close()
        self.process.wait(timeout=WAIT)
        errors = self.process.stderr.read()
        self.process.stderr.close()
        return errors


def xdotool(display, *args, check=True):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=WAIT, check=check)


def find_window(display, caption):
    """The id of the visible window with this caption, waited for."""
    deadline = time.time() + WAIT
    while time.time() < deadline:
        found = xdotool(display, "search", "--onlyvisible", "--name", "^%s$" % caption, check=False)
        if found.returncode == 0 and found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.1)
    raise AssertionError("no window %r appeared" % caption)


def wait_gone(display, caption):
    deadline = time.time() + WAIT
    while time.time() < deadline:
        found = xdotool(display, "search", "--onlyvisible", "--name", "^%s$" % caption, check=False)
        if found.returncode != 0 or not found.stdout.split():
            return
        time.sleep(0.1)
    raise AssertionError("window %r stayed open" % caption)


def focus(display, window):
    xdotool(display, "windowactivate", "--sync", window, check=False)
    xdotool(display, "windowfocus", "--sync", window)


def click(display, window, x, y):
    """A real mouse click at a point of the window's client area (x, y in pixels)."""
    xdotool(display, "mousemove", "--window", window, str(x), str(y))
    xdotool(display, "click", "1")


def prefs_values(home):
    path = os.path.join(home, "data", "KavroSystems", "Quorvane", "prefs", "prefs.cfg")
    with open(path, newline="") as f:
        lines = f.read().split("\r\n")
    return dict(zip(lines[4::2], lines[5::2]))


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb and xdotool")
class PreferencesDialogOnX11(unittest.TestCase):
    def setUp(self):
        self.x = XServer()
        self.home = tempfile.mkdtemp(prefix="qv-x11-")

    def tearDown(self):
        self.x.stop()
        shutil.rmtree(self.home, ignore_errors=True)

    def test_load_without_prefs_then_kprefs_changes_units_and_precision(self):
        host = Host(self.x.display, self.home)
        display = self.x.display
        # prefs.cfg is missing: the dialog comes up at load; Esc cancels it, nothing is saved.
        window = find_window(display, PREFS_CAPTION)
        focus(display, window)
        xdotool(display, "key", "Escape")
        wait_gone(display, PREFS_CAPTION)
        prefs = os.path.join(self.home, "data", "KavroSystems", "Quorvane", "prefs", "prefs.cfg")
        self.assertFalse(os.path.exists(prefs))

        host.send("kprefs")
        window = find_window(display, PREFS_CAPTION)
        focus(display, window)
        # The window is the menu bar over the client area of 235 by 314 dialog units.
        geometry = xdotool(display, "getwindowgeometry", "--shell", window).stdout
        height = int(dict(line.split("=") for line in geometry.split())["HEIGHT"])
        menu = height - du_y(314)
        self.assertGreaterEqual(menu, 0)
        # Click the "ft" radio button (129,32 21x10), then Tab to the precision and type 5.
        click(display, window, du_x(129) + 6, menu + du_y(32) + du_y(10) // 2)
        xdotool(display, "key", "Tab")
        xdotool(display, "key", "ctrl+a")
        xdotool(display, "type", "5")
        xdotool(display, "key", "Return")
        wait_gone(display, PREFS_CAPTION)

        host.send("QUIT")
        errors = host.finish()
        self.assertEqual(host.process.returncode, 0, errors)
        self.assertIn("Kavro Edit Preferences 64.04.03.00\n", "".join(host.output))
        values = prefs_values(self.home)
        self.assertEqual(values["units"], "1")
        self.assertEqual(values["precison"], "5")
        self.assertEqual(values["textSize"], "250.00")


    def test_at_a_terminal_the_first_start_says_why_and_what_is_typed_under_the_dialog_is_dropped(self):
        for ending in ("Escape", "SIGTERM"):
            with self.subTest(ending):
                host = terminal_host(self.x.display, self.home)
                try:
                    host.expect("(OK saves them, Esc keeps the defaults).")
                    window = find_window(self.x.display, PREFS_CAPTION)
                    # Typed at the terminal while the modal dialog is up: not shown, no signal, and
                    # dropped when the dialog ends.
                    host.type("typed\x03")
                    time.sleep(0.5)
                    if ending == "SIGTERM":   # the terminal gets its modes back all the same
                        os.kill(host.pid, signal.SIGTERM)
                        while host._read(0.2):   # until the host has ended
                            pass
                        self.assertEqual(termios.tcgetattr(host.fd)[3] & (termios.ECHO | termios.ISIG),
                                         termios.ECHO | termios.ISIG)
                        continue
                    focus(self.x.display, window)
                    xdotool(self.x.display, "key", "Escape")
                    wait_gone(self.x.display, PREFS_CAPTION)
                    host.expect("Command: ")
                    host.type("QUIT\r")
                finally:
                    self.assertEqual(host.finish(), -signal.SIGTERM if ending == "SIGTERM" else 0, host.shown)
                self.assertIn("No preferences saved yet", host.shown)
                for hidden in ("typed", "^C", "*Cancel*", "Unknown command"):
                    self.assertNotIn(hidden, host.shown)


def wait_output(host, text, count=1):
    """Waits until the host has printed text (count times)."""
    deadline = time.time() + WAIT
    while time.time() < deadline:
        if "".join(host.output).count(text) >= count:
            return
        time.sleep(0.05)
    raise AssertionError("the host never printed %r; it printed %r" % (text, "".join(host.output)))


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb and xdotool")
class BlockCreatorOnX11(unittest.TestCase):
    CAPTION = "Kavro Block Creator"

    def setUp(self):
        self.x = XServer()
        self.home = tempfile.mkdtemp(prefix="qv-x11-")
        folder = os.path.join(self.home, "data", "KavroSystems", "Quorvane", "prefs")
        os.makedirs(folder)
        with open(os.path.join(folder, "prefs.cfg"), "w") as f:
            f.write("//\tQuorvane\n//\n//\tConfiguration file for Quorvane\n//\n"
                    "units\n0\nprecison\n2\ntextSize\n250\ntextScale\n1\ntextRotation\n0\ninc\n1\n")

    def tearDown(self):
        self.x.stop()
        shutil.rmtree(self.home, ignore_errors=True)

    def plan(self):
        import ezdxf
        doc = ezdxf.new("R2013", units=4)   # drawn in millimetres
        msp = doc.modelspace()
        office = msp.add_lwpolyline([(0, 0), (4000, 0), (4000, 3000), (0, 3000)], close=True)
        store = msp.add_lwpolyline([(5000, 0), (7000, 0), (7000, 2500), (5000, 2500)], close=True)
        path = os.path.join(self.home, "plan.dxf")
        doc.saveas(path)
        return path, office.dxf.handle, store.dxf.handle

    def test_kbc_makes_two_room_blocks_named_with_the_keyboard(self):
        import ezdxf
        path, office, store = self.plan()
        saved = os.path.join(self.home, "rooms.dxf")
        host = Host(self.x.display, self.home, path)
        display = self.x.display
        host.send("kbc")
        window = find_window(display, self.CAPTION)
        focus(display, window)
        geometry = xdotool(display, "getwindowgeometry", "--shell", window).stdout
        height = int(dict(line.split("=") for line in geometry.split())["HEIGHT"])
        menu = height - du_y(60)
        # Click into the next name (69,5 161x12), type over the proposed "Room 1", then Tab to
        # Start and press it with Enter.
        click(display, window, du_x(69) + 20, menu + du_y(5) + du_y(12) // 2)
        xdotool(display, "key", "ctrl+a")
        xdotool(display, "type", "Office 1")
        xdotool(display, "key", "Tab")
        xdotool(display, "key", "Return")
        wait_output(host, "Block Creation Session Started")
        # The picks are answered on the command line.
        host.send("#" + office)
        host.send("1000,1000")
        wait_output(host, "Block Created Successfully")
        # Between picks the name stays editable: the proposed "Office 2" becomes "Store 7".
        wait_output(host, "Please select a polyline:", 2)
        focus(display, window)
        click(display, window, du_x(69) + 20, menu + du_y(5) + du_y(12) // 2)
        xdotool(display, "key", "ctrl+a")
        xdotool(display, "type", "Store 7")
        time.sleep(0.3)
        host.send("#" + store)
        host.send("6000,1000")
        host.send("^C")
        wait_output(host, "Block Creation Session Ended")
        # Esc closes the dialog.
        focus(display, window)
        xdotool(display, "key", "Escape")
        wait_gone(display, self.CAPTION)
        host.send("SAVEAS")
        host.send(saved)
        host.send("QUIT")
        errors = host.finish()
        self.assertEqual(host.process.returncode, 0, errors)
        out = "".join(host.output)
        self.assertIn("Kavro Block Create 64.04.03.00\n", out)
        self.assertEqual(out.count("Block Created Successfully\n"), 2, out)
        self.assertTrue(os.path.exists(saved), out)

        doc = ezdxf.readfile(saved)
        self.assertFalse(doc.audit().has_errors)
        rooms = {}
        for reference in doc.modelspace().query("INSERT"):
            texts = {a.dxf.tag: a.dxf.text for a in reference.attribs}
            rooms[reference.dxf.name] = (texts["NAME"], texts["AREA"], texts["AUX"])
            self.assertTrue(reference.has_xdata("ADE"))
        self.assertEqual(rooms, {"ROOM-1": ("Office 1", "12.00sq.m.", " "), "ROOM-2": ("Store 7", "5.00sq.m.", " ")})
        # The outlines went into their definitions.
        self.assertEqual(len(doc.modelspace().query("LWPOLYLINE")), 0)
        self.assertEqual(len(doc.blocks.get("ROOM-1").query("LWPOLYLINE")), 1)


class PreferencesDialogWithoutDisplay(unittest.TestCase):
    """Without a display the dialog is not shown: kprefs and the load count as cancelled;
    the modeless dialogs' commands say they need one."""

    def test_kbc_and_kbh_open_nothing(self):
        home = tempfile.mkdtemp(prefix="qv-nodisplay-")
        try:
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            env.update(QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(home, "data"), HOME=home,
                       LANG="C.UTF-8")
            done = subprocess.run([CADHOST, "--module", REAL_MODULE], input="kbc\nkbh\n", env=env, cwd=home,
                                  capture_output=True, text=True, timeout=WAIT)
            self.assertEqual(done.returncode, 0, done.stderr)
            needs = "This command needs a display to show its dialog.\n"
            self.assertEqual(done.stdout, "Kavro Block Create 64.04.03.00\n" + needs
                             + "Kavro Block Hyperlink 64.04.03.00\n" + needs)
        finally:
            shutil.rmtree(home, ignore_errors=True)

    def test_kprefs_saves_nothing(self):
        home = tempfile.mkdtemp(prefix="qv-nodisplay-")
        try:
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
            runtime = os.path.join(home, "runtime")
            os.mkdir(runtime, 0o700)
            env.update(QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime, XDG_DATA_HOME=os.path.join(home, "data"),
                       HOME=home, LANG="C.UTF-8")
            done = subprocess.run([CADHOST, "--module", REAL_MODULE], input="kprefs\nkprefs\n", env=env, cwd=home,
                                  capture_output=True, text=True, timeout=WAIT)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertEqual(done.stdout, "Kavro Edit Preferences 64.04.03.00\n" * 2)
            self.assertEqual(done.stderr, "")
            self.assertFalse(os.path.exists(os.path.join(home, "data", "KavroSystems", "Quorvane", "prefs", "prefs.cfg")))
        finally:
            shutil.rmtree(home, ignore_errors=True)


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"), "needs Xvfb and xdotool")
class BlockEditorOnX11(unittest.TestCase):
    """ksm beside a drawing: a space opened from the list, renamed, and written with OK; the
    modeless dialogs of a drawing closed with it."""

    def setUp(self):
        self.x = XServer()
        self.home = tempfile.mkdtemp(prefix="qv-x11-")
        prefs = os.path.join(self.home, "data", "KavroSystems", "Quorvane", "prefs")
        os.makedirs(prefs)
        with open(os.path.join(prefs, "prefs.cfg"), "w", newline="") as f:
            f.write("//\r\n//\r\n//\tConfiguration file for Quorvane\r\n//\r\nunits\r\n0\r\nprecison\r\n2\r\n")

    def tearDown(self):
        self.x.stop()
        shutil.rmtree(self.home, ignore_errors=True)

    def test_ksm_renames_the_gross_area_opened_from_the_list(self):
        plan = generate_plan(os.path.join(self.home, "plan.dxf"), rooms=4)
        gross = ezdxf.readfile(plan).modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
        out = os.path.join(self.home, "out.dxf")
        display = self.x.display
        host = Host(display, self.home, plan)
        for line in ("kgabc", "#" + gross.dxf.handle, "1000,1000", "ksm"):
            host.send(line)
        editor = find_window(display, "Kavro Block Editor")
        focus(display, editor)
        geometry = xdotool(display, "getwindowgeometry", "--shell", editor).stdout
        menu = int(dict(line.split("=") for line in geometry.split())["HEIGHT"]) - du_y(151)
        # The filter dropped down and "Gross Area" chosen with the keys, then a double-click
        # on the list's first line.
        click(display, editor, du_x(7) + 40, menu + du_y(18) + 8)
        xdotool(display, "key", "Down", "Return")
        xdotool(display, "mousemove", "--window", editor, str(du_x(7) + 30), str(menu + du_y(34) + 8))
        xdotool(display, "click", "--repeat", "2", "--delay", "80", "1")
        dialog = find_window(display, "RoomBlock")
        focus(display, dialog)
        # The name field of the "Space Data" page: below the tabs, 48,15 units into the page.
        click(display, dialog, du_x(7) + du_x(48) + 30, du_y(7) + 24 + du_y(15) + du_y(12) // 2)
        xdotool(display, "key", "ctrl+a")
        xdotool(display, "type", "Atrium")
        xdotool(display, "key", "Return")
        wait_gone(display, "RoomBlock")
        editor = find_window(display, "Kavro Block Editor")
        focus(display, editor)
        click(display, editor, du_x(138) + 20, menu + du_y(131) + 10)
        wait_gone(display, "Kavro Block Editor")
        host.send("SAVEAS")
        host.send(out)
        host.send("QUIT")
        errors = host.finish()
        self.assertEqual(host.process.returncode, 0, errors)
        self.assertIn("Kavro Block Edit 64.04.03.00\n", "".join(host.output))
        doc = ezdxf.readfile(out)
        self.assertFalse(doc.audit().has_errors)
        reference = doc.modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")[0]
        self.assertEqual({a.dxf.tag: a.dxf.text for a in reference.attribs}["NAME"], "Atrium")

    def test_a_lost_display_keeps_the_changes_in_a_recovery_file_at_the_prompt_and_in_a_dialog(self):
        for dialog in (False, True):
            with self.subTest(dialog=dialog):
                plan = generate_plan(os.path.join(self.home, "plan%d.dxf" % dialog), rooms=4)
                gross = ezdxf.readfile(plan).modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
                x = XServer()
                host = Host(x.display, self.home, plan)
                for line in ("kgabc", "#" + gross.dxf.handle, "1000,1000") + ("kprefs",) * dialog:
                    host.send(line)
                wait_output(host, "Block Created Successfully")
                if dialog:
                    find_window(x.display, PREFS_CAPTION)
                x.process.kill()
                x.process.wait()
                self.assertEqual(host.process.wait(timeout=WAIT), 1)
                self.assertTrue(host.finish().endswith(
                    'cadhost: the display is lost: the changes to "%s" are in "%s.save"\n' % (plan, plan)))
                doc = ezdxf.readfile(plan + ".save")
                self.assertFalse(doc.audit().has_errors)
                self.assertEqual(len(doc.modelspace().query("INSERT[name=='ROOM-GROSS_AREA']")), 1)

    def test_a_display_that_drops_qts_connection_is_a_warning(self):
        # As a display coming up or going away: the host's look at it is answered, the next
        # connection, Qt's, is dropped.
        number = next(n for n in range(300, 400) if not os.path.exists("/tmp/.X%d-lock" % n))
        lock, path = "/tmp/.X%d-lock" % number, "/tmp/.X11-unix/X%d" % number
        with open(lock, "x") as f:   # keeps Xvfb servers off the number
            f.write("%10d\n" % os.getpid())
        self.addCleanup(os.unlink, lock)
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(path)
        self.addCleanup(os.unlink, path)
        listener.listen(4)

        def pump(source, sink):
            while data := source.recv(65536):
                sink.sendall(data)

        def serve():
            first, _ = listener.accept()
            real = socket.socket(socket.AF_UNIX)
            real.connect("/tmp/.X11-unix/X" + self.x.display[1:])
            for ends in ((first, real), (real, first)):
                threading.Thread(target=pump, args=ends, daemon=True).start()
            while True:
                listener.accept()[0].close()

        threading.Thread(target=serve, daemon=True).start()
        done = subprocess.run([CADHOST, "--module", REAL_MODULE], input="quit\n", cwd=self.home, capture_output=True,
                              env=host_env(":%d" % number, self.home), text=True, timeout=WAIT)
        self.assertEqual((done.returncode, done.stderr),
                         (0, 'cadhost: cannot open the X display ":%d"; going on without dialogs\n' % number))

    def test_a_pick_for_the_editor_at_a_terminal_leaves_the_command_line_clean(self):
        plan = generate_plan(os.path.join(self.home, "plan.dxf"), rooms=4)
        display = self.x.display
        host = terminal_host(display, self.home, plan)
        try:
            host.expect("Command: ")
            host.type("ksm\r")
            editor = find_window(display, "Kavro Block Editor")
            focus(display, editor)
            geometry = xdotool(display, "getwindowgeometry", "--shell", editor).stdout
            menu = int(dict(line.split("=") for line in geometry.split())["HEIGHT"]) - du_y(151)
            host.expect("Command: ")
            host.type("SET", then="SET")   # typed and shown before the pick, kept for after it
            click(display, editor, du_x(7) + 20, menu + du_y(131) + 10)   # Select Space
            host.expect("Please select a space")
            host.type("-99999,-99999\r")   # a point that picks nothing
            # The line typed before the pick is shown again on a prompt of its own.
            host.expect("Command: SET")
            host.type("VAR\rPICKBOX\r")
            host.expect("Enter new value for PICKBOX <3>: ")
            host.type("\r")
            host.expect("Command: ")
            host.type("QUIT\r")   # the editor still open: it goes with the host, leaking nothing
        finally:
            status = host.finish()
        self.assertEqual(status, 0, host.shown)
        self.assertNotIn("Unknown command", host.shown)


    def door_drawing(self, name):
        """A drawing of one reference to a block "DOOR" (no space block); its path and the reference's handle."""
        path = os.path.join(self.home, name)
        doc = ezdxf.new("R2013")
        doc.blocks.new("DOOR").add_line((0, 0), (900, 0))
        door = doc.modelspace().add_blockref("DOOR", (0, 0)).dxf.handle
        doc.saveas(path)
        return path, door

    def test_the_hyperlink_dialog_ends_without_touching_the_line_typed_at_the_command_line(self):
        drawing, door = self.door_drawing("door.dxf")
        display = self.x.display
        host = terminal_host(display, self.home, drawing)
        try:
            host.expect("Command: ")
            for close in ("Escape", "OK"):
                host.type("kbh\r", then="Command: ")
                links = find_window(display, "Kavro Block Hyperlinking")
                focus(display, links)
                if close == "OK":   # OK is on once a block is picked
                    click(display, links, du_x(234) + 20, du_y(5) + 7)   # Select Block
                    host.expect("Select a Block: ")
                    host.type("#%s\r" % door, then="Block Selected")
                    host.expect("Command: ")
                host.type("SET", then="SET")
                focus(display, links)
                if close == "OK":
                    click(display, links, du_x(116) + 20, du_y(133) + 7)
                else:
                    xdotool(display, "key", "Escape")
                wait_gone(display, "Kavro Block Hyperlinking")
                if close == "OK":   # what OK prints goes below the line typed, shown again after it
                    host.expect("\n1 block affected.\nCommand: SET")
                # What was typed stays, and goes on where it stopped.
                host.type("VAR\rPICKBOX\r", then="Enter new value for PICKBOX <3>: ")
                host.type("\r", then="Command: ")
            host.type("QUIT\r", then="Save changes to")
            host.type("N\r")
        finally:
            status = host.finish()
        self.assertEqual(status, 0, host.shown)
        self.assertNotIn("*Cancel*", host.shown)
        self.assertNotIn("Unknown command", host.shown)

    def test_the_dialogs_of_a_drawing_close_with_it_and_those_of_another_stay(self):
        first, door = self.door_drawing("first.dxf")
        second = generate_plan(os.path.join(self.home, "second.dxf"), "--spaces", rooms=4)
        out = os.path.join(self.home, "out.dxf")
        display = self.x.display
        host = terminal_host(display, self.home, first)
        try:
            host.expect("Command: ")
            host.type("kbh\r", then="Command: ")
            links = find_window(display, "Kavro Block Hyperlinking")
            # On the second drawing: the editor with a space open in the tabbed dialog, and the creator.
            host.type("OPEN\r%s\r" % second, then="Command: ")
            host.type("ksm\r", then="Command: ")
            editor = find_window(display, "Kavro Block Editor")
            focus(display, editor)
            geometry = xdotool(display, "getwindowgeometry", "--shell", editor).stdout
            menu = int(dict(line.split("=") for line in geometry.split())["HEIGHT"]) - du_y(151)
            xdotool(display, "mousemove", "--window", editor, str(du_x(7) + 30), str(menu + du_y(34) + 8))
            xdotool(display, "click", "--repeat", "2", "--delay", "80", "1")
            find_window(display, "RoomBlock")
            host.type("kbc\r", then="Command: ")
            find_window(display, "Kavro Block Creator")
            host.type("CLOSE\r", then="Command: ")
            for caption in ("RoomBlock", "Kavro Block Editor", "Kavro Block Creator"):
                wait_gone(display, caption)
            # The first drawing's dialog is still there and works on it.
            focus(display, links)
            click(display, links, du_x(234) + 20, du_y(5) + 7)   # Select Block
            host.expect("Select a Block: ")
            host.type("#%s\r" % door, then="Block Selected")
            focus(display, links)
            click(display, links, du_x(8) + 20, du_y(34) + 6)   # the first hyperlink
            xdotool(display, "type", "https://plans.example/door.pdf")
            click(display, links, du_x(175) + 20, du_y(133) + 7)   # Apply
            host.expect("1 block affected.")
            host.type("SAVEAS\r%s\r" % out, then="Command: ")
            host.type("QUIT\r")
        finally:
            status = host.finish()
        self.assertEqual(status, 0, host.shown)
        reference = ezdxf.readfile(out).modelspace().query("INSERT")[0]
        self.assertEqual(reference.get_hyperlink()[0], "https://plans.example/door.pdf")


class BlockEditorWithoutDisplay(unittest.TestCase):
    def test_ksm_says_it_needs_a_display(self):
        home = tempfile.mkdtemp(prefix="qv-nodisplay-")
        try:
            done = subprocess.run([CADHOST, "--module", REAL_MODULE, "--no-gui"], input="ksm\n", cwd=home,
                                  env=dict(os.environ, XDG_DATA_HOME=os.path.join(home, "data"), HOME=home),
                                  capture_output=True, text=True, timeout=WAIT)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertEqual(done.stdout, "Kavro Block Edit 64.04.03.00\n\nThe block editor needs a display; nothing "
                             "was changed.\n")
        finally:
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
