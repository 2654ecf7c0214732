#!/usr/bin/python3
"""Benchmark: loading and saving DXF floor plans with cadhost, beside the floor and ezdxf.

Run by hand (not by CTest), with the system python (Debian's python3-ezdxf):

    /usr/bin/python3 tests/bench/bench_dxf_vs_ezdxf.py [--build build] [--repeat 5]
        [--rooms 10000 100000] [--ezdxf-rooms 10000] [--spaces] [--keep DIR] [--instructions]

For each plan size it generates a plan (scripts/gen_floorplan.py, R2013; with --spaces the
rooms are space blocks with their attributes, records and assets) and times, in
turn within the same run, three whole processes:
  floor    build/bin/bench_dxf_floor PLAN OUT: maps the file, parses every group pair
           with from_chars, formats it back with to_chars, writes once; no objects. What
           no reader and writer can beat.
  cadhost  `cadhost PLAN --script S --module M` where S is "SAVEAS out.dxf" and "QUIT":
           start-up, reading, writing (through a synced temporary renamed into place), exit;
  ezdxf    a python process doing `ezdxf.readfile(PLAN)` and `doc.saveas(out)` (only for
           plans up to --ezdxf-rooms rooms: it takes minutes on the largest).
Runs alternate (floor, cadhost, ezdxf, floor, ...) so that a drift of the machine's speed
touches all alike; each is repeated --repeat times after one warm-up. The table gives the
minimum and median wall time and the peak resident memory (wait4), then the ratios the
goals are stated in: cadhost over the floor (at most 1.6), cadhost's peak memory over the
file's size (at most 2.5), ezdxf over cadhost on the 10,000-room plan (at least 30). The
machine's load averages are printed before and after: other work on it skews the times.
With --instructions, the floor and cadhost also run once each under callgrind, and the
ratio is given in instructions of the whole process, which no load skews.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
GEN = os.path.join(ROOT, "scripts", "gen_floorplan.py")

EZDXF_CHILD = r"""
import sys
import ezdxf
doc = ezdxf.readfile(sys.argv[1])
doc.saveas(sys.argv[2])
"""

GOAL_FLOOR = 1.6
GOAL_MEMORY = 2.5
GOAL_EZDXF = 30.0


def timed(cmd, env):
    """Runs cmd; (wall seconds, the process's peak resident MiB)."""
    with tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        if os.waitstatus_to_exitcode(status) != 0:
            err.seek(0)
            raise RuntimeError("%s failed: %s" % (cmd[0], err.read().decode(errors="replace")))
        return {"wall": wall, "peak": usage.ru_maxrss / 1024.0}


def instructions(cmd, env, work):
    """Runs cmd once under callgrind; the instructions the whole process executed."""
    out = os.path.join(work, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + cmd, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, check=True)
    with open(out, encoding="utf-8", errors="replace") as f:
        total = next(int(line.split()[1]) for line in f if line.startswith("summary:"))
    os.remove(out)
    return total


class Runner:
    def __init__(self, args, work):
        self.args = args
        self.work = work
        build = os.path.abspath(args.build)
        self.cadhost = os.path.join(build, "bin", "cadhost")
        self.floor = os.path.join(build, "bin", "bench_dxf_floor")
        self.module = args.module or os.path.join(build, "lib", "libqvtestmodule.so")
        for path in (self.cadhost, self.floor, self.module):
            if not os.path.exists(path):
                sys.exit("bench: %s is missing (build it: ninja -C %s cadhost qvtestmodule bench_dxf_floor)"
                         % (path, build))
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", XDG_RUNTIME_DIR=runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.script = os.path.join(work, "saveas.scr")
        with open(self.script, "w") as f:
            f.write("SAVEAS\n%s\nQUIT\n" % os.path.join(work, "out.dxf"))

    def plan(self, rooms):
        kind = "spaces" if self.args.spaces else "plain"
        path = os.path.join(self.work, "plan-%s-%d.dxf" % (kind, rooms))
        if not os.path.exists(path):
            print("generating a %s plan of %d rooms ..." % (kind, rooms), file=sys.stderr)
            options = ["--spaces"] if self.args.spaces else []
            subprocess.run([sys.executable, GEN, "--rooms", str(rooms), "--version", "R2013"] + options + [path],
                           check=True, timeout=3600)
        return path

    def once(self, tool, plan, count=False):
        out = os.path.join(self.work, "out.dxf")
        if tool == "floor":
            cmd = [self.floor, plan, out]
        elif tool == "cadhost":
            cmd = [self.cadhost, "--module", self.module, "--script", self.script, plan]
        else:
            cmd = [sys.executable, "-c", EZDXF_CHILD, plan, out]
        result = instructions(cmd, self.env, self.work) if count else timed(cmd, self.env)
        if not os.path.getsize(out):
            raise RuntimeError("%s wrote nothing" % tool)
        os.remove(out)
        return result

    def measure(self, rooms):
        """Alternating runs: {tool: [{"wall", "peak"}, ...]}."""
        plan = self.plan(rooms)
        tools = ["floor", "cadhost"] + (["ezdxf"] if rooms <= self.args.ezdxf_rooms else [])
        for tool in tools:
            self.once(tool, plan)   # warm-up: page cache, dynamic linking
        runs = {tool: [] for tool in tools}
        for _ in range(self.args.repeat):
            for tool in tools:
                runs[tool].append(self.once(tool, plan))
        if self.args.instructions:
            runs["instructions"] = {tool: self.once(tool, plan, count=True) for tool in ("floor", "cadhost")}
        return plan, runs


def median(runs, key):
    return statistics.median(r[key] for r in runs)


def fastest(runs):
    return min(r["wall"] for r in runs)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"), help="the build folder (default: build)")
    p.add_argument("--module", help="the module cadhost loads (default: BUILD/lib/libqvtestmodule.so)")
    p.add_argument("--rooms", type=int, nargs="+", default=[10000, 100000])
    p.add_argument("--ezdxf-rooms", type=int, default=10000, help="run ezdxf on plans up to this many rooms")
    p.add_argument("--repeat", type=int, default=5)
    p.add_argument("--spaces", action="store_true", help="plans of space blocks, as this system's drawings hold them")
    p.add_argument("--keep", help="keep generated plans in this folder (reused by later runs)")
    p.add_argument("--instructions", action="store_true",
                   help="also count the instructions of the floor and cadhost under callgrind (valgrind)")
    args = p.parse_args()

    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="qv-bench-")
    os.makedirs(work, exist_ok=True)
    try:
        runner = Runner(args, work)
        print("load averages before: %.2f %.2f %.2f on %d processors" % (os.getloadavg() + (os.cpu_count(),)))
        print("%d runs each after one warm-up, alternating; wall seconds min / median, peak resident MiB"
              % args.repeat)
        print("%7s %7s | %-22s | %-22s | %-22s | %8s %8s %8s" % (
            "rooms", "file MB", "floor", "cadhost", "ezdxf", "/floor", "mem/file", "ezdxf/"))
        figures = {}
        for rooms in sorted(set(args.rooms)):
            plan, runs = runner.measure(rooms)
            size = os.path.getsize(plan) / 2**20
            cells = []
            for tool in ("floor", "cadhost", "ezdxf"):
                r = runs.get(tool)
                cells.append("%6.3f %6.3f %7.0f" % (min(x["wall"] for x in r), median(r, "wall"),
                                                    max(x["peak"] for x in r)) if r else "-")
            # Ratios of the medians, and of the fastest runs (which the load touches least).
            floor = (median(runs["cadhost"], "wall") / median(runs["floor"], "wall"),
                     fastest(runs["cadhost"]) / fastest(runs["floor"]))
            memory = max(x["peak"] for x in runs["cadhost"]) / size
            ezdxf = (median(runs["ezdxf"], "wall") / median(runs["cadhost"], "wall"),
                     fastest(runs["ezdxf"]) / fastest(runs["cadhost"])) if "ezdxf" in runs else None
            counted = runs.get("instructions")
            figures[rooms] = (floor, memory, ezdxf, counted)
            print("%7d %7.1f | %-22s | %-22s | %-22s | %7.2fx %7.2fx %8s" % (
                rooms, size, cells[0], cells[1], cells[2], floor[0], memory, "%.1fx" % ezdxf[0] if ezdxf else "-"))
            if counted:
                print("%7s instructions: floor %.1f M, cadhost %.1f M, cadhost/floor %.2fx" % (
                    "", counted["floor"] / 1e6, counted["cadhost"] / 1e6, counted["cadhost"] / counted["floor"]))
            sys.stdout.flush()
        largest = max(figures)
        print("\ngoals (cadhost load+save; ratios of medians, and of the fastest runs):")
        print("  %d rooms, time over the floor:    %6.2fx %6.2fx   goal at most %.1fx"
              % ((largest,) + figures[largest][0] + (GOAL_FLOOR,)))
        if figures[largest][3]:
            counted = figures[largest][3]
            print("  %d rooms, instructions over the floor: %6.2fx      goal at most %.1fx"
                  % (largest, counted["cadhost"] / counted["floor"], GOAL_FLOOR))
        print("  %d rooms, peak memory over file:  %6.2fx           goal at most %.1fx"
              % (largest, figures[largest][1], GOAL_MEMORY))
        if 10000 in figures and figures[10000][2]:
            print("  10000 rooms, ezdxf over cadhost:   %6.1fx %6.1fx   goal at least %.0fx"
                  % (figures[10000][2] + (GOAL_EZDXF,)))
        print("load averages after: %.2f %.2f %.2f" % os.getloadavg())
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
