#!/usr/bin/python3
"""Benchmark: loading and saving a DXF floor plan with cadhost, side by side with ezdxf.

Run by hand (not by CTest), with the system python (Debian's python3-ezdxf):

    /usr/bin/python3 tests/bench/bench_dxf_vs_ezdxf.py [--build build] [--repeat 5]
        [--rooms 1000 10000] [--large] [--keep DIR]

For each plan size it generates a plan (scripts/gen_floorplan.py, R2013) and times, in
turn within the same run:
  cadhost  `cadhost PLAN --script S --module M` where S is "SAVEAS out.dxf" and "QUIT":
           the whole process (start-up, reading, writing, exit);
  ezdxf    a python process doing `ezdxf.readfile(PLAN)` and `doc.saveas(out)`: the whole
           process too, and the read and save times it measures itself.
Runs alternate (cadhost, ezdxf, cadhost, ...) so that a drift of the machine's speed
touches both alike. Each is repeated --repeat times after one warm-up; the table gives the
minimum and the median wall time, the peak resident memory, and the cost per room after
taking off the start-up time (the same commands on a plan of one room), so that linear
growth shows as a constant cost per room.
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
import json, sys, time
t0 = time.perf_counter()
import ezdxf
t1 = time.perf_counter()
doc = ezdxf.readfile(sys.argv[1])
t2 = time.perf_counter()
doc.saveas(sys.argv[2])
t3 = time.perf_counter()
print(json.dumps({"import": t1 - t0, "read": t2 - t1, "save": t3 - t2}))
"""


def timed(cmd, env):
    """Runs cmd; (wall seconds, the process's peak resident MiB, its stdout)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        if proc.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (cmd[0], proc.returncode, err.read().decode(errors="replace")))
        return wall, usage.ru_maxrss / 1024.0, out.read().decode(errors="replace")


class Runner:
    def __init__(self, args, work):
        self.args = args
        self.work = work
        build = os.path.abspath(args.build)
        self.cadhost = os.path.join(build, "bin", "cadhost")
        self.module = args.module or os.path.join(build, "lib", "libqvtestmodule.so")
        for path in (self.cadhost, self.module):
            if not os.path.exists(path):
                sys.exit("bench: %s is missing (build it: ninja -C %s cadhost qvtestmodule)" % (path, build))
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", XDG_RUNTIME_DIR=runtime)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)

    def plan(self, rooms):
        path = os.path.join(self.work, "plan-%d.dxf" % rooms)
        if not os.path.exists(path):
            print("generating a plan of %d rooms ..." % rooms, file=sys.stderr)
            subprocess.run([sys.executable, GEN, "--rooms", str(rooms), "--version", "R2013", path],
                           check=True, timeout=3600)
        return path

    def cadhost_once(self, plan):
        out = os.path.join(self.work, "cadhost-out.dxf")
        script = os.path.join(self.work, "saveas.scr")
        with open(script, "w") as f:
            f.write("SAVEAS\n%s\nQUIT\n" % out)
        wall, peak, _ = timed([self.cadhost, "--module", self.module, "--script", script, plan], self.env)
        if not os.path.getsize(out):
            raise RuntimeError("cadhost wrote nothing")
        os.remove(out)
        return {"wall": wall, "peak": peak}

    def ezdxf_once(self, plan):
        out = os.path.join(self.work, "ezdxf-out.dxf")
        wall, peak, stdout = timed([sys.executable, "-c", EZDXF_CHILD, plan, out], self.env)
        os.remove(out)
        inner = json.loads(stdout)
        return {"wall": wall, "peak": peak, "read": inner["read"], "save": inner["save"]}

    def measure(self, rooms):
        """Alternating runs of both: {"cadhost": [...], "ezdxf": [...]}."""
        plan = self.plan(rooms)
        self.cadhost_once(plan)  # warm-up: page cache, dynamic linking
        self.ezdxf_once(plan)
        runs = {"cadhost": [], "ezdxf": []}
        for _ in range(self.args.repeat):
            runs["cadhost"].append(self.cadhost_once(plan))
            runs["ezdxf"].append(self.ezdxf_once(plan))
        return plan, runs


def summary(runs, key):
    values = [r[key] for r in runs]
    return min(values), statistics.median(values)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"), help="the build folder (default: build)")
    p.add_argument("--module", help="the module cadhost loads (default: BUILD/lib/libqvtestmodule.so)")
    p.add_argument("--rooms", type=int, nargs="+", default=[1000, 10000])
    p.add_argument("--large", action="store_true", help="also 100,000 rooms")
    p.add_argument("--repeat", type=int, default=5)
    p.add_argument("--keep", help="keep generated plans in this folder (reused by later runs)")
    args = p.parse_args()
    sizes = sorted(set(args.rooms + ([100000] if args.large else [])))

    work = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="qv-bench-")
    os.makedirs(work, exist_ok=True)
    try:
        runner = Runner(args, work)
        # Start-up: the same commands on a plan of one room.
        _, base = runner.measure(1)
        base_cadhost = summary(base["cadhost"], "wall")[1]
        base_ezdxf = summary(base["ezdxf"], "wall")[1]
        print("start-up (plan of 1 room, median): cadhost %.3f s, ezdxf %.3f s (python with ezdxf import)"
              % (base_cadhost, base_ezdxf))
        print("%d runs each after one warm-up, alternating; wall seconds min / median; per room: "
              "(median - start-up) / rooms" % args.repeat)
        header = ("rooms", "file MB", "cadhost min", "median", "us/room", "peak MB",
                  "ezdxf min", "median", "us/room", "read", "save", "peak MB", "ezdxf/cadhost")
        print("%7s %8s | %11s %7s %8s %8s | %9s %7s %8s %6s %6s %8s | %13s" % header)
        for rooms in sizes:
            plan, runs = runner.measure(rooms)
            size = os.path.getsize(plan) / 1e6
            c_min, c_med = summary(runs["cadhost"], "wall")
            e_min, e_med = summary(runs["ezdxf"], "wall")
            c_peak = max(r["peak"] for r in runs["cadhost"])
            e_peak = max(r["peak"] for r in runs["ezdxf"])
            e_read = summary(runs["ezdxf"], "read")[1]
            e_save = summary(runs["ezdxf"], "save")[1]
            print("%7d %8.1f | %11.3f %7.3f %8.1f %8.0f | %9.3f %7.3f %8.1f %6.2f %6.2f %8.0f | %13.1f" % (
                rooms, size, c_min, c_med, (c_med - base_cadhost) / rooms * 1e6, c_peak,
                e_min, e_med, (e_med - base_ezdxf) / rooms * 1e6, e_read, e_save, e_peak, e_med / c_med))
            sys.stdout.flush()
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
