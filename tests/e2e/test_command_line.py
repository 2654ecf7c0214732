#!/usr/bin/python3
"""End-to-end tests of cadhost's command line: repeating commands, relative points, HELP,
SETVAR, the drawing's modified state, failures and their exit status, bad script lines, a
display that cannot be opened, and, on a pseudo-terminal, Ctrl+C, Esc and the question
whether to save changes.

Run by CTest (label e2e) with the variables of test_cadhost.py, whose helpers it uses.
"""

import os
import pty
import resource
import select
import shlex
import shutil
import signal
import sys
import tempfile
import termios
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_cadhost import (CADHOST, ESC, REAL_MODULE, TEST_MODULE, TIMEOUT, UNLOADED, Host,  # noqa: E402
                          TempFolderCase, WrittenDrawingChecks, generate_plan, run_host, run_script)
import ezdxf  # noqa: E402

CTRL_C = "\x03"
CTRL_D = "\x04"
CTRL_BACKSLASH = "\x1c"
UP = "\x1b[A"
DOWN = "\x1b[B"
TAB = "\t"


def lines_of(path):
    return [(tuple(e.dxf.start), tuple(e.dxf.end)) for e in ezdxf.readfile(path).modelspace().query("LINE")]


class ScriptTest(TempFolderCase, WrittenDrawingChecks):
    """What the command line does with scripts."""

    def test_empty_line_repeats_the_last_command(self):
        result = run_script(self.dir, [
            "",                      # nothing to repeat yet
            "QVINT", "5", "", "6",   # Enter repeats QVINT
            "FROBNICATE", "", "7",   # an unknown command is not the last one
            "; a comment", "^C", "", "8",
            "SETVAR", "PICKBOX", "4", "", "PICKBOX", "6", "QVGETVAR", "PICKBOX"])
        self.assertSession(result, "Integer: int: 5\nInteger: int: 6\n\nUnknown command \"FROBNICATE\".\n"
                           "Integer: int: 7\nInteger: int: 8\nVariable: PICKBOX: 6\n" + UNLOADED)

    def test_points_relative_to_the_last_point(self):
        out = self.path("lines.dxf")
        result = run_script(self.dir, [
            "QVLINE", "1,2", "@3,4",
            "QVGETVAR", "LASTPOINT",
            "QVPOINT", "@10<90",
            "QVPOINT", "@",
            "QVPOINT", " @ -2 , 0 , 1.5 ",
            "QVPOINT", "5<180",                   # polar from the origin
            "QVPOINT", "@2<-270",
            "SETVAR", "LASTPOINT", "0,0,5",
            "QVPOINT", "@1,1",
            "SETVAR", "LASTPOINT", "",            # Enter keeps it
            "QVGETVAR", "LASTPOINT",
            "QVLINE", "@", "@2<45",
            "SAVEAS", out])
        self.assertSession(result, "".join([
            "From point: from: 1,2,0\nTo point: to: 4,6,0\nline drawn\n",
            "Variable: LASTPOINT: 4,6,0\n",
            "Point: point: 4,16,0\n",
            "Point: point: 4,16,0\n",
            "Point: point: 2,16,1.5\n",
            "Point: point: -5,0,0\n",
            "Point: point: -5,2,0\n",
            "Point: point: 1,1,5\n",
            "Variable: LASTPOINT: 1,1,5\n",
            "From point: from: 1,1,5\nTo point: to: 2.4142135623730949,2.4142135623730949,5\nline drawn\n",
            "Drawing saved as %s\n" % out,
            UNLOADED]))
        self.assertWrittenDrawing(out)
        self.assertEqual(len(lines_of(out)), 2)

    def test_lines_holding_a_nul_byte_are_refused_by_number(self):
        script = self.path("nul.scr")
        with open(script, "wb") as f:
            f.write(b"QVINT\n4\x002\n7\nQVNAME\x00QVCOUNT\nQVCOUNT\n")
        result = run_host("--script", script)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, "Integer: int: 7\nentities: 0\n" + UNLOADED)
        self.assertEqual(result.stderr, "cadhost: %s, line 2: refused: the line holds a NUL byte\n"
                         "cadhost: %s, line 4: refused: the line holds a NUL byte\n" % (script, script))
        result = run_host(stdin="QVSTRING\nab\x00cd\n")
        self.assertEqual((result.stdout, result.stderr),
                         ("Text: text: cancel\n" + UNLOADED,
                          "cadhost: standard input, line 2: refused: the line holds a NUL byte\n"))

    def test_help_lists_the_commands_with_what_they_do_and_describes_one(self):
        result = run_script(self.dir, ["HELP"])
        self.assertEqual(result.returncode, 0)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[0], "Host commands:")
        host = [" ".join(line.split()[:2]) for line in lines[1:11]]
        self.assertEqual(host, ["CLOSE Closes", "EXPORT Plots", "HELP ?", "NEW Starts", "OPEN Opens", "PLOT Plots",
                                "QUIT EXIT", "SAVE Saves", "SAVEAS Saves", "SETVAR Shows"])
        self.assertEqual(lines[11:13], ["Commands of QVTEST:", "  QVINT"])
        self.assertIn("  QVSTRING   QVTEXT", lines)                 # short and long names in columns
        # The host's, the module's by either name in any case, with a prefix; and one unknown.
        result = run_script(self.dir, ["? qvtext", "help  _Open", "HELP EXIT", "HELP NOPE", "QVINT 5"])
        self.assertSession(result, "QVSTRING  QVTEXT  (group QVTEST)\n  Not described.\n"
                           'OPEN  (host command)\n  Opens a drawing and makes it the current one; a name without an'
                           ' extension gets ".dxf".\n'
                           "QUIT  EXIT  (host command)\n  Ends the session; on a terminal, asks first whether to save"
                           " changed drawings.\n"
                           '\nUnknown command "NOPE".\n\nUnknown command "QVINT 5".\n' + UNLOADED)
        result = run_script(self.dir, ["?", "? kavroUpdateSpaces"], module=None)
        lines = result.stdout.splitlines()
        self.assertIn("Commands of KAVRO_COMMANDS:", lines)
        self.assertIn("Commands of KAVRO_UTIL:", lines)
        described = "Recalculates every space block's area and perimeter and rewrites the texts that show old values."
        self.assertIn("kus kavroUpdateSpaces " + described, [" ".join(line.split()) for line in lines])
        self.assertIn("  kfrs                                 Replaces a leading text of the space blocks' names.",
                      lines)
        self.assertEqual(lines[-2:], ["kus  kavroUpdateSpaces  (group KAVRO_UTIL)", "  " + described])

    def test_setvar_of_read_only_and_point_variables(self):
        result = run_script(self.dir, [
            "SETVAR", "dbmod", "SETVAR", "DWGNAME",     # read only: no value asked
            "SETVAR", "LASTPOINT", "3,4",
            "QVGETVAR", "LASTPOINT"])
        self.assertSession(result, 'DBMOD = 0 (read only)\nDWGNAME = "Drawing1.dxf" (read only)\n'
                           "Variable: LASTPOINT: 3,4,0\n" + UNLOADED)

    def test_dbmod_tells_whether_the_drawing_changed_since_it_was_read_or_saved(self):
        plan = generate_plan(self.path("plan.dxf"), rooms=3)
        saved = self.path("saved.dxf")
        result = run_script(self.dir, [
            "QVGETVAR", "DBMOD",
            "QVLINE", "0,0", "1,1", "QVGETVAR", "DBMOD",
            "SAVEAS", saved, "QVGETVAR", "DBMOD",
            "SETVAR", "LUNITS", "4", "QVGETVAR", "DBMOD",
            "CLOSE", "OPEN", saved, "QVGETVAR", "DBMOD",
            "NEW", "QVGETVAR", "DBMOD",
            "SETVAR", "PICKBOX", "5", "QVGETVAR", "DBMOD"], plan)
        self.assertEqual(result.returncode, 0, result.stderr)
        dbmod = ["Variable: DBMOD: %d\n" % v for v in (0, 1, 0, 4, 0, 0, 0)]
        dbmod[2:2] = ["Drawing saved as %s\n" % saved]
        dbmod[5:5] = ["No drawing is open.\n", '"%s" is now the current drawing.\n' % saved]
        self.assertEqual(result.stdout.replace("From point: from: 0,0,0\nTo point: to: 1,1,0\nline drawn\n", ""),
                         "".join(dbmod) + UNLOADED)

    def test_plotting_leaves_the_drawing_unchanged(self):
        plan = generate_plan(self.path("plan.dxf"), "--spaces", "--uses", "--markers", rooms=8)
        result = run_script(self.dir, [
            "EXPORT", self.path("plan.pdf"), "QVGETVAR", "DBMOD",
            "PLOT", "", "PNG", "", self.path("plan.png"), "QVGETVAR", "DBMOD",
            "QVLINE", "0,0", "1,1", "QVGETVAR", "DBMOD"], plan)
        written = "Plot written to %s (ISO_A3_(420.00_x_297.00_MM), fitted, about 1:75.5)\nVariable: DBMOD: 0\n"
        self.assertSession(result, written % self.path("plan.pdf") + written % self.path("plan.png")
                           + "From point: from: 0,0,0\nTo point: to: 1,1,0\nline drawn\nVariable: DBMOD: 1\n" + UNLOADED,
                           'cadhost: the input has ended: the changes to "%s" are not saved\n' % plan)

    def test_failed_open_save_and_saveas_end_with_status_2(self):
        cases = [
            ("OPEN", ["OPEN", self.dir], 'cannot open "%s": Is a directory' % self.dir),
            ("SAVE", ["SAVE", self.dir], '"%s" is a folder, not a file' % self.dir),
            ("SAVEAS", ["SAVEAS", self.path("no", "x.dxf")], "cannot write '%s'" % self.path("no", "x.dxf")),
        ]
        # The script stops there: the lines after it, which would write the wrong drawing
        # over a file, are not run, and standard error names the line.
        for name, lines, message in cases:
            with self.subTest(lines):
                target = self.path(name + "-target.dxf")
                result = run_script(self.dir, ["QVNAME"] + lines + ["SAVEAS", target, "QVNAME"])
                self.assertEqual((result.returncode, result.stdout), (2, "file: Drawing1.dxf (1 open)\n" + UNLOADED))
                self.assertIn(message, result.stderr.splitlines()[0])
                self.assertRegex(result.stderr, r'\ncadhost: .*\.scr, line 2: "%s" failed; the lines after it are not '
                                 r"run\n$" % name)
                self.assertFalse(os.path.exists(target))
        # The same commands that succeed end with 0.
        result = run_script(self.dir, ["SAVE", self.path("new.dxf"), "OPEN", self.path("new.dxf"),
                                       "SAVEAS", self.path("again.dxf")])
        self.assertSession(result, 'Drawing saved as %s\n"%s" is already open; it is now the current drawing.\n'
                           "Drawing saved as %s\n%s" % (self.path("new.dxf"), self.path("new.dxf"),
                                                         self.path("again.dxf"), UNLOADED))

    def test_scripts_quit_and_close_without_asking_and_name_the_changes_their_end_loses(self):
        plan = generate_plan(self.path("plan.dxf"), rooms=3)
        with open(plan, "rb") as f:
            before = f.read()
        ended, stopped = ('cadhost: %s: the changes to "%s" are not saved\n' % (why, plan)
                          for why in ("the input has ended", "the script has stopped"))
        for ending, piped, stderr in ((["QUIT", "QVNAME"], False, ""), (["CLOSE", "QVNAME"], False, ""),
                                      ([], False, ended), ([], True, ended),
                                      (["SAVEAS", self.path("no", "x.dxf")], True, stopped)):
            with self.subTest(ending=ending, piped=piped):
                lines = ["QVLINE", "0,0", "1,1"] + ending
                result = (run_host(plan, stdin="".join(line + "\n" for line in lines)) if piped
                          else run_script(self.dir, lines, plan))
                expected = "From point: from: 0,0,0\nTo point: to: 1,1,0\nline drawn\n"
                if ending and ending[0] == "CLOSE":
                    expected += "No drawing is open.\nfile: no document\n"
                if ending and ending[0] == "SAVEAS":
                    self.assertEqual((result.returncode, result.stderr.splitlines(True)[-1]), (2, stderr))
                else:
                    self.assertSession(result, expected + UNLOADED, stderr)
                with open(plan, "rb") as f:
                    self.assertEqual(f.read(), before)

    def test_a_pick_that_finds_nothing_says_why_and_only_a_cancel_is_a_cancel(self):
        plan = generate_plan(self.path("plan.dxf"), rooms=3)
        said = {"#1A2B3C": "\nNo entity with handle 1A2B3C.\n", "-1e6,-1e6": "\nNo entity at that point.\n",
                "": "Nothing selected.\n", "^C": "Cancelled by User.\n"}
        result = run_script(self.dir, [line for answer in said for line in ("kgabc", answer)], plan,
                            module=REAL_MODULE)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        asked = "Kavro Create Gross Area Block 64.04.03.00\n\n\nPlease select a polyline:\n\n"
        self.assertEqual(result.stdout, "".join(asked + line for line in said.values()))

    def test_a_display_that_cannot_be_opened_is_a_warning(self):
        env = dict(Host.env())
        env.pop("QT_QPA_PLATFORM", None)
        env["DISPLAY"] = ":97"  # no X server listens there
        self.assertFalse(os.path.exists("/tmp/.X11-unix/X97"))
        import subprocess
        result = subprocess.run([CADHOST, "--module", TEST_MODULE], input="QVNAME\n", capture_output=True,
                                text=True, env=env, timeout=TIMEOUT)
        self.assertEqual((result.returncode, result.stdout), (0, "file: Drawing1.dxf (1 open)\n" + UNLOADED))
        self.assertEqual(result.stderr, 'cadhost: cannot open the X display ":97"; going on without dialogs\n')


class Terminal:
    """cadhost on a pseudo-terminal: keys are sent, and what it shows is waited for. Line
    ends are shown as "\\n"."""

    def __init__(self, *args, module=TEST_MODULE, env=None, cwd=None, timeout=TIMEOUT, shell=False, script=None):
        """With shell, an interactive shell with job control runs on the terminal instead; with
        script, sh runs that command line, in which HOST stands for the host's."""
        self.timeout = timeout
        self.pid, self.fd = pty.fork()
        if self.pid == 0:  # the child: never returns to the tests
            try:
                if cwd:
                    os.chdir(cwd)
                if shell:
                    os.execve("/bin/bash", ["bash", "--norc", "--noprofile", "--noediting", "-i"],
                              dict(env or Host.env(), PS1="$ "))
                if script:
                    host = shlex.join([CADHOST, "--module", module, *args])
                    os.execve("/bin/sh", ["sh", "-c", script.replace("HOST", host)], env or Host.env())
                os.execve(CADHOST, [CADHOST, "--module", module, *args], env or Host.env())
            finally:
                os._exit(127)
        self.shown = ""
        self.seen = 0
        self.status = None

    def _read(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 4096)
        except OSError:  # the host ended
            data = b""
        self.shown += data.decode("utf-8", "replace").replace("\r\n", "\n")
        return bool(data)

    def expect(self, text):
        """Waits until text is shown after what was expected before."""
        deadline = time.monotonic() + self.timeout
        while self.shown.find(text, self.seen) < 0:
            if time.monotonic() > deadline or not self._read(0.2):
                raise AssertionError("%r not shown; the terminal shows:\n%s" % (text, self.shown))
        self.seen = self.shown.find(text, self.seen) + len(text)

    def wait_for_editing(self):
        """Waits until the host's line editor has the terminal (out of its line mode)."""
        deadline = time.monotonic() + self.timeout
        while termios.tcgetattr(self.fd)[3] & termios.ICANON:
            if time.monotonic() > deadline:
                raise AssertionError("the terminal stays in its line mode")
            self._read(0.05)

    def type(self, keys, then=None):
        os.write(self.fd, keys.encode())
        if then is not None:
            self.expect(then)

    def finish(self):
        """Waits for the end of the host (killed when it does not end); its exit status."""
        deadline = time.monotonic() + self.timeout
        while time.monotonic() < deadline and self._read(0.2):
            pass
        pid, status = os.waitpid(self.pid, os.WNOHANG)
        if pid == 0:
            os.kill(self.pid, signal.SIGKILL)
            _, status = os.waitpid(self.pid, 0)
        os.close(self.fd)
        self.status = os.waitstatus_to_exitcode(status)
        return self.status

    def kill(self):
        if self.status is None:
            os.kill(self.pid, signal.SIGKILL)
            self.finish()


class TerminalTest(TempFolderCase, WrittenDrawingChecks):
    """The command line on a terminal: prompts shown, cancel keys, and the question whether
    to save changes before a drawing is given up."""

    def start(self, *args, **options):
        terminal = Terminal(*args, **options)
        self.addCleanup(terminal.kill)
        terminal.expect("Command: ")
        return terminal

    def state_env(self):
        """The host's environment with its history in a folder of this test."""
        return dict(Host.env(), XDG_STATE_HOME=self.path("state"))

    def draw_line(self, t):
        t.type("qvline\n", "From point: ")
        t.type("0,0\n", "To point: ")
        t.type("@5<0\n", "line drawn\nCommand: ")

    def test_ctrl_c_and_esc_cancel_and_never_end_the_host(self):
        drawing = self.path("plan.dxf")
        shutil.copy(generate_plan(self.path("source.dxf"), rooms=3), drawing)
        t = self.start(drawing)
        # A Ctrl+C flushes nothing, or the terminal could drop what the host writes as it
        # handles it: "*Cancel*" and the next prompt.
        self.assertTrue(termios.tcgetattr(t.fd)[3] & termios.NOFLSH)
        self.draw_line(t)
        # At "Command:" a fresh prompt, which gets what was typed right after the Ctrl+C.
        t.type(CTRL_C + "qvint\n", "*Cancel*\nCommand: qvint\nInteger: ")
        t.type(CTRL_C, "*Cancel*\nint: cancel\nCommand: ")
        t.type("qvint\n", "Integer: ")
        t.type(ESC, "*Cancel*\nint: cancel\nCommand: ")
        t.type("qvint" + ESC, "qvint\n*Cancel*\nCommand: ")          # typed text is dropped
        t.type(UP + "\n", "Integer: ")                               # an arrow key is no Esc
        t.type("7\n", "int: 7\nCommand: ")
        t.type("qvwork\n", "working\n")
        t.type(CTRL_C, "work done\n")                                # the command runs to its end
        t.expect("*Cancel*\nCommand: ")                              # and the next prompt is cancelled
        t.type("setvar\npickbox\n", "Enter new value for PICKBOX <3>: ")
        t.type("5\n", "Command: ")
        t.type("save\n", "Command: ")
        t.type("quit\n")                                             # saved: nothing to ask
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertNotIn("Save changes", t.shown)
        self.assertWrittenDrawing(drawing)
        self.assertIn(((0.0, 0.0, 0.0), (5.0, 0.0, 0.0)), lines_of(drawing))

    def test_a_cancelled_module_question_says_so_once(self):
        t = self.start(module=REAL_MODULE)
        t.type("klb\n", "sort by handle in ascending order <1>:")
        t.type(ESC, "*Cancel*\nCommand: ")
        t.type("kut\n", "<250.00>:")
        t.type(CTRL_C, "*Cancel*\nCommand: ")
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(t.shown.count("*Cancel*"), 2, t.shown)

    def test_space_ends_commands_and_words_and_is_a_character_of_texts(self):
        out = self.path("my plan.dxf")
        t = self.start()
        t.type("qvline ", "From point: ")
        t.type("1,2 ", "To point: ")
        t.type("@3,4 ", "line drawn\nCommand: ")
        t.type(" ", "QVLINE\nFrom point: ")                          # Space repeats as Enter does
        t.type("x ", "Invalid point.\nFrom point: ")                # refused: asked again
        t.type(ESC, "Command: ")
        t.type("qvint ", "Integer: ")
        t.type("1.5 ", "Requires an integer value.\nInteger: ")
        t.type(" ", "int: none\nCommand: ")                          # at once: an empty answer
        t.type("qvstring ", "Text: ")
        t.type("a b \n", "text: [a b ]\nCommand: ")
        t.type("setvar ", "Enter variable name or [?]: ")
        t.type("lastpoint ", "Enter new value for LASTPOINT <4,6,0>: ")
        t.type("1,x ", "Invalid point.\nEnter new value for LASTPOINT <4,6,0>: ")
        t.type("5,5 ", "Command: ")
        t.type("help ", "Enter a command name <all>: ")             # Space ends HELP: it asks
        t.type("saveas ", "  (host command)\n")
        t.type("saveas ", "Save drawing as <Drawing1.dxf>: ")
        t.type(out + "\n", "Drawing saved as %s\nCommand: " % out)
        t.type("quit ")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(lines_of(out), [((1.0, 2.0, 0.0), (4.0, 6.0, 0.0))])

    def test_tab_completes_command_and_file_names(self):
        os.mkdir(self.path("plans"))
        generate_plan(self.path("plans", "first floor.dxf"), rooms=3)
        os.mkdir(self.path("plans", "second"))
        t = self.start()
        t.type("qvs" + TAB, "QVSTRING")
        t.type("\n", "Text: ")
        t.type("\n", "text: []\nCommand: ")
        t.type("_qvli" + TAB + "\n", "From point: ")               # prefixes are kept
        t.type(ESC, "Command: ")
        t.type("sa" + TAB, "SAVE")                                    # as far as they go alike
        t.type(TAB, "SAVE  SAVEAS\n")                               # then the names to choose from
        t.expect("Command: SAVE")
        t.type(ESC, "*Cancel*")
        t.type("open\n", "Enter name of drawing to open: ")
        t.type(self.path("plans", "f") + TAB + "\n", "Command: ")
        t.type("qvname\n", "file: %s (2 open)" % self.path("plans", "first floor.dxf"))
        t.type("open\n" + self.path("plans", "s") + TAB + "\n",
               'cannot open "%s/": Is a directory' % self.path("plans", "second"))
        t.type("quit\n")
        self.assertEqual(t.finish(), 2, t.shown)

    def test_the_commands_typed_are_kept_between_sessions(self):
        env = self.state_env()
        history = self.path("state", "cadhost", "history")
        t = self.start(env=env)
        t.type("qvint\n", "Integer: ")
        t.type("5\n", "Command: ")                                  # an answer is not kept
        t.type("qvname\nqvname\n", "Command: ")
        t.expect("Command: ")
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        with open(history) as f:
            self.assertEqual(f.read(), "qvint\nqvname\nquit\n")
        t = self.start(env=env)
        t.type(UP + UP + UP + UP + DOWN + "\n", "file: Drawing1.dxf (1 open)\nCommand: ")
        t.type(UP + UP + UP + UP + "\n", "Integer: ")                # qvname, quit, qvname, qvint
        t.type(UP + "\n", "int: none\nCommand: ")                    # an answer has no history
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)

    def test_a_damaged_or_huge_history_is_bounded_and_one_that_cannot_be_written_stops_nothing(self):
        env = self.state_env()
        history = self.path("state", "cadhost", "history")
        os.makedirs(os.path.dirname(history))
        with open(history, "wb") as f:
            f.write(b"".join(b"line %d\n" % i for i in range(2000)) + b"\xff\xfe bad\n" + b"x" * 5000 + b"\nqvint\n")
        t = self.start(env=env)
        t.type(UP + "\n", "Integer: ")
        t.type(ESC, "*Cancel*")
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        with open(history, "rb") as f:
            kept = f.read().split(b"\n")[:-1]
        self.assertEqual(len(kept), 501)                             # the last 500, and the QUIT typed
        self.assertEqual(kept[-3:], [b"line 1999", b"qvint", b"quit"])
        # A history that is a folder can be neither read nor written: said once, and the host works on.
        os.remove(history)
        os.mkdir(history)
        t = self.start(env=env)
        t.type("qvint\n", "Integer: ")
        t.type("1\nqvname\n", "file: Drawing1.dxf (1 open)\nCommand: ")
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(t.shown.count("the command history is not kept"), 1, t.shown)

    def test_back_from_a_stop_the_prompt_and_the_line_are_shown_again(self):
        shell = Terminal(module=TEST_MODULE, shell=True)
        self.addCleanup(shell.kill)
        shell.expect("$ ")
        shell.type("%s --module %s\n" % (CADHOST, TEST_MODULE), "Command: ")
        shell.wait_for_editing()
        shell.type("qvi", "qvi")
        shell.type("\x1a", "$ ")                                      # Ctrl+Z: the shell is back
        self.assertTrue(termios.tcgetattr(shell.fd)[3] & termios.ICANON)
        shell.type("fg\n", "Command: qvi")
        self.assertFalse(termios.tcgetattr(shell.fd)[3] & termios.ICANON)
        shell.type("nt\n", "Integer: ")
        shell.type("3\n", "int: 3\nCommand: ")
        shell.type("quit\n", "$ ")
        shell.type("exit\n")
        self.assertEqual(shell.finish(), 0, shell.shown)

    def test_quit_close_and_the_end_of_input_ask_before_changes_are_lost(self):
        drawing = generate_plan(self.path("plan.dxf"), rooms=3)
        with open(drawing, "rb") as f:
            before = f.read()
        question = "Save changes to %s? [Yes/No/Cancel] <Yes>: " % drawing
        t = self.start(drawing)
        t.type("qvname\n", "Command: ")
        self.draw_line(t)
        t.type("quit\n", question)
        t.type("maybe\n", "Invalid option keyword.\n" + question)
        t.type("c\n", "Command: ")
        t.type("close\n", question)
        t.type(ESC, "*Cancel*\nCommand: ")
        t.type("\n", question)                                       # Enter repeats CLOSE
        t.type(CTRL_C, "*Cancel*\nCommand: ")
        t.type("qvname\n", "file: %s (1 open)\nCommand: " % drawing)
        t.type(CTRL_D, question)
        t.type("No\n")
        self.assertEqual(t.finish(), 0, t.shown)
        with open(drawing, "rb") as f:
            self.assertEqual(f.read(), before)

    def test_yes_saves_and_a_save_that_fails_does_not_quit(self):
        folder = self.path("work")
        os.mkdir(folder)
        drawing = os.path.join(folder, "plan.dxf")
        shutil.copy(generate_plan(self.path("source.dxf"), rooms=3), drawing)
        question = "Save changes to %s? [Yes/No/Cancel] <Yes>: " % drawing
        t = self.start(drawing)
        self.draw_line(t)
        shutil.rmtree(folder)
        t.type("exit\n", question)
        t.type("y\n", "cadhost: cannot write '%s'" % drawing)      # the reason, and back to the command line
        t.expect("Command: ")
        os.mkdir(folder)
        t.type("exit\n", question)
        t.type("\n")                                                 # Enter takes the default, Yes
        self.assertEqual(t.finish(), 2, t.shown)                     # a save has failed
        self.assertWrittenDrawing(drawing)
        self.assertIn(((0.0, 0.0, 0.0), (5.0, 0.0, 0.0)), lines_of(drawing))

    def test_every_save_on_the_way_out_says_so(self):
        drawing = self.path("plan.dxf")
        shutil.copy(generate_plan(self.path("source.dxf"), rooms=3), drawing)
        question = "Save changes to %s? [Yes/No/Cancel] <Yes>: " % drawing
        t = self.start(drawing)
        self.draw_line(t)
        t.type("close\n", question)
        t.type("y\n", "Drawing saved as %s\nNo drawing is open.\nCommand: " % drawing)
        t.type("open\n%s\n" % drawing, '"%s" is now the current drawing.\nCommand: ' % drawing)
        self.draw_line(t)
        t.type(CTRL_D, question)
        t.type(CTRL_D, "Drawing saved as %s\n" % drawing)         # Ctrl+D takes the default, Yes
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(lines_of(drawing).count(((0.0, 0.0, 0.0), (5.0, 0.0, 0.0))), 2)

    def test_a_new_drawing_is_saved_under_the_name_asked_for(self):
        out = self.path("new.dxf")
        t = self.start()
        t.type("close\n", "Command: ")                               # unchanged: closed at once
        t.type("new\n", "Command: ")
        self.draw_line(t)
        t.type(CTRL_D, "Save changes to Drawing2.dxf? [Yes/No/Cancel] <Yes>: ")
        t.type("yes\n", "Save drawing as <Drawing2.dxf>: ")
        t.type(out + "\n")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(lines_of(out), [((0.0, 0.0, 0.0), (5.0, 0.0, 0.0))])

    def test_saveas_offers_the_name_adds_the_extension_takes_the_home_folder_and_asks_before_replacing(self):
        other = self.path("other.dxf")
        with open(other, "w") as f:
            f.write("not replaced")
        t = self.start()
        self.draw_line(t)
        t.type("saveas\n", "Save drawing as <Drawing1.dxf>: ")
        t.type(self.path("plan") + "\n", "Drawing saved as %s\nCommand: " % self.path("plan.dxf"))
        t.type("\n", "SAVEAS\nSave drawing as <%s>: " % self.path("plan.dxf"))   # Enter repeats, named
        t.type(other + "\n", other + " already exists. Replace it? [Yes/No] <No>: ")
        t.type("\n", "Command: ")                                      # No: nothing written
        with open(other) as f:
            self.assertEqual(f.read(), "not replaced")
        # A name refused is asked for again at once: a folder's, before asking to replace it.
        t.type("saveas\n.\n", '"." is a folder, not a file.\nSave drawing as <')
        t.type(other + "\n", "Replace it? [Yes/No] <No>: ")
        t.type("y\n", "Drawing saved as %s\nCommand: " % other)
        with open(other, "w") as f:                                   # another program writes it
            f.write("theirs")
        for answer in ("\n", "y\n"):                                   # Enter: No, theirs is kept
            t.type("save\n", other + " was changed on disk since it was opened.")
            t.expect("[Yes/No] <No>: ")                                # (the line is folded)
            t.type(answer, "Command: " if answer == "\n" else "Drawing saved as %s\nCommand: " % other)
            if answer == "\n":
                with open(other) as f:
                    self.assertEqual(f.read(), "theirs")
        home = tempfile.mkdtemp(dir=Host.env()["HOME"])             # "~" is the home folder
        self.addCleanup(shutil.rmtree, home, ignore_errors=True)
        t.type("saveas\n~/%s/plan\n" % os.path.basename(home), "Drawing saved as %s/plan.dxf\n" % home)
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(lines_of(other), [((0.0, 0.0, 0.0), (5.0, 0.0, 0.0))])

    def test_plot_with_every_default_writes_what_it_offers_and_export_asks_before_replacing(self):
        doc = ezdxf.new("R2013")   # model space set up for "Adobe PDF" on "A3", as ezdxf sets it up
        doc.modelspace().add_line((0, 0), (400, 300))
        drawing, pdf = self.path("plan.dxf"), self.path("plan-Model.pdf")
        doc.saveas(drawing)
        t = self.start(drawing, cwd=self.dir)
        t.type("plot\n", "Enter a layout name or [?] <Model>: ")
        t.type("\n", "Enter an output device name or [?] <Adobe PDF>: ")
        t.type("\n", "Enter paper size or [?] <ISO_A3_(420.00_x_297.00_MM)>: ")
        t.type("\n", "Enter file name to plot to <%s>: " % pdf)
        t.type("\n", 'The device "Adobe PDF" is not available here: plotting with "DWG To PDF.pc3" instead.\n'
                     "Plot written to %s (ISO_A3_(420.00_x_297.00_MM), fitted, about 1:1167)\nCommand: " % pdf)
        t.type("export\n%s\n" % pdf, "%s already exists. Replace it? [Yes/No] <No>: " % pdf)
        t.type("\n", "Command: ")                                      # No: nothing written
        t.type("plot\n\n\n\n\n", "Replace it? [Yes/No] <No>: ")
        t.type("y\n", "Plot written to %s (replaced) (" % pdf)
        t.type("new\nsaveas\nplan.dxf\n", "\nplan.dxf is open in this session: close it first, or choose another")
        t.type(CTRL_C, "Command: ")                                    # a file name is printed as given
        t.type("quit\n")
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertTrue(os.path.exists(pdf))

    def test_ctrl_d_typed_ahead_of_the_prompt_ends_the_input(self):
        # Typed while the host is still busy, Ctrl+D meets the terminal in its line mode.
        t = self.start()
        t.type("qvline\n0,0\n@5<0\n" + CTRL_D, "Save changes to Drawing1.dxf? [Yes/No/Cancel] <Yes>: ")
        t.type("no\n")
        self.assertEqual(t.finish(), 0, t.shown)

    def test_input_that_keeps_ending_ends_the_host_keeping_what_is_not_saved(self):
        t = self.start(cwd=self.dir)
        self.draw_line(t)
        t.type(CTRL_D, "Save changes to Drawing1.dxf? [Yes/No/Cancel] <Yes>: ")
        t.type(CTRL_D, "Save drawing as <Drawing1.dxf>: ")          # the default, Yes, asks for a name
        t.type(CTRL_D, 'cadhost: the input has ended: the changes to "Drawing1.dxf" are in "Drawing1.dxf.save"\n')
        self.assertEqual(t.finish(), 0, t.shown)
        self.assertEqual(lines_of(self.path("Drawing1.dxf.save")), [((0.0, 0.0, 0.0), (5.0, 0.0, 0.0))])

    def test_ctrl_backslash_and_a_closed_terminal_keep_the_changes_in_recovery_files(self):
        drawing = self.path("plan.dxf")
        ezdxf.new().saveas(drawing)
        resource.setrlimit(resource.RLIMIT_CORE, (0, resource.getrlimit(resource.RLIMIT_CORE)[1]))
        # A shell that passes SIGHUP on late (this one once the host has ended): the host sees
        # the terminal hang up first, and ends as by the signal.
        late = 'trap "sleep 1" HUP; HOST 2>%s' % self.path("err")
        for script, suffix, status in ((None, "", -signal.SIGQUIT), (None, ".1", -signal.SIGHUP),
                                       (late, ".2", 128 + signal.SIGHUP)):
            with self.subTest(script=script, status=status):
                t = self.start(drawing, script=script)
                self.draw_line(t)
                t.wait_for_editing()
                if status == -signal.SIGQUIT:
                    t.type(CTRL_BACKSLASH, 'cadhost: quit (SIGQUIT): the changes to "%s" are in "%s.save"\n'
                           % (drawing, drawing))
                    t.finish()
                else:
                    os.close(t.fd)
                    t.status = os.waitstatus_to_exitcode(os.waitpid(t.pid, 0)[1])
                self.assertEqual(t.status, status, t.shown)
                self.assertEqual(lines_of(drawing + ".save" + suffix), [((0.0, 0.0, 0.0), (5.0, 0.0, 0.0))])
                self.assertEqual(lines_of(drawing), [])
        with open(self.path("err")) as f:
            self.assertIn('hung up (SIGHUP): the changes to "%s" are in "%s.save.2"\n' % (drawing, drawing), f.read())

    def test_a_signal_ends_the_host_alone_and_the_program_it_started_lives_on(self):
        opener, lived = self.path("opener"), self.path("lived")
        with open(opener, "w") as f:                                  # waits for the host to end
            f.write("#!/bin/sh\nwhile kill -0 $PPID; do sleep 0.1; done 2>/dev/null\ntouch %s\n" % lived)
        os.chmod(opener, 0o755)
        prefs = self.path("data", "KavroSystems", "Quorvane", "prefs")
        os.makedirs(prefs)
        with open(os.path.join(prefs, "prefs.cfg"), "w") as f:
            f.write("units\r\n0\r\ncsvOpener\r\n%s\r\n" % opener)
        t = self.start(generate_plan(self.path("plan.dxf"), rooms=3), module=REAL_MODULE,
                       env=dict(Host.env(), XDG_DATA_HOME=self.path("data")), script='HOST; echo "went on: $?"')
        t.type("kcsv\n", "csv data successfully saved")
        t.expect("Command: ")
        with open(self.path(".plan.dxf.lock")) as f:
            os.kill(int(f.read().split()[0]), signal.SIGTERM)
        t.expect("went on: %d" % (128 + signal.SIGTERM))                # the shell's next line, the host's signal
        t.finish()                                                    # the opener, on the terminal too, has ended
        self.assertTrue(os.path.exists(lived))


def tearDownModule():
    Host.cleanup()


if __name__ == "__main__":
    unittest.main(verbosity=2)
