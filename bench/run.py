#!/usr/bin/env python3
"""Times whole runs of the example decks for every solution method that suits them.

Each run is made in a scratch directory from a copy of the deck whose METHOD
item (DATA 10B) is replaced; the wall time is measured around the process,
and the console gives the steps, the Newton iterations (one line each) and
the linear iterations (the count after the solver label).

With --base OTHER_EXE the two programs are run alternately, pair by pair,
and the ratio of their wall times is taken per pair: on a shared machine a
change is judged by that ratio, not by absolute times.

See bench/README.md.
"""

import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
EXAMPLES = os.path.join(ROOT, "examples")
BENCH_DECKS = os.path.join(HERE, "decks")

# Deck and the methods tried on it. A method that stops before the first
# step (a band store too small, for example) is reported and skipped.
DECKS = [
    ("waterflood1d", [1, 2, 3, 4]),
    ("fivespot_polymer", [1, 2, 3, 4]),
    ("blackoil3d", [1, 2, 3, 4]),
    ("radial_welltest", [1, 2, 3, 4]),
    ("equilibrium_gascap", [1, 2, 3, 4]),
    ("waterflood_si", [1, 2, 3, 4]),
    ("coreflood_lab", [1, 2, 3, 4]),
    ("regions_inactive", [1, 2, 3, 4]),
    ("aquifer_edge", [1, 2, 3, 4]),
    ("polymer3d_4000", [3, 2]),
    ("waterflood_40x10x10", [4, 3, 2]),
]
QUICK = [("fivespot_polymer", [1, 4]), ("blackoil3d", [1, 3])]

# Routines of the linear solve (factorization, fill, repeated solve).
SOLVE_SYMBOLS = re.compile(
    r"talvek::(DSOLV|XDSOLV|GVBND|XGVBND|ONEDM|ONED4|XONEDM|XONED4|INVRT|XINVRT|BACSUB|"
    r"ZERO|XZERO|BLKITR|NESITR|ORTHMN|BILUSV|MATVEC|MULTAV|MLTABC|QSUB|WSUB2?|ZSUB2?|wsubN|zsubN|qsubN|"
    r"blockops::byOrder|"
    r"PACKMV|"
    r"\(anonymous namespace\)::(fill|fillRhs|eliminate|factor|factorN|factorSolve|forward|backSubstitute|"
    r"update[1-4]|updateRows[24]|divideBy|bilu|nestedPre|copyCoefficients|clearStore|lineSolve2?|planeSolve2|"
    r"packedProduct|orthomin))\b")

STEP_LINE = re.compile(r"ISTEP =\s*(\d+)\s+ITERK =\s*(\d+)\s+.{9}\s*(\d+)\s+DTIME")
K7_LINE = re.compile(r"NGPACT=\s*(\d+)")


def deck_text(name, method):
    path = os.path.join(EXAMPLES, name + ".txt")
    if not os.path.exists(path):
        path = os.path.join(BENCH_DECKS, name + ".txt")
    with open(path) as f:
        lines = f.read().split("\n")
    for i, line in enumerate(lines):
        if line.startswith("DATA 10B"):
            fields = lines[i + 2].split()
            fields[3] = str(method)
            lines[i + 2] = " ".join(fields)
            return "\n".join(lines)
    raise SystemExit(f"{name}: no DATA 10B group")


def active_blocks(listing):
    """Largest number of the active block order map of the listing (NGPACT)."""
    if not os.path.exists(listing):
        return 0
    best, inside = 0, False
    with open(listing, errors="replace") as f:
        for line in f:
            if "ACTIVE BLOCK ORDER ARRAY" in line:
                inside = True
                continue
            if not inside:
                continue
            fields = line.split()
            if len(fields) > 2 and all(x.isdigit() for x in fields):
                best = max(best, max(int(x) for x in fields[1:-1]))
            elif best and re.search(r"[A-Z]", line) and "LAYER" not in line:
                break
    return best


class Run:
    def __init__(self, wall, cpu, out, rc, res_last):
        self.wall, self.cpu, self.rc, self.res_last = wall, cpu, rc, res_last
        self.steps = self.newton = self.linear = 0
        self.blocks = 0
        self.message = ""
        for line in out.splitlines():
            m = STEP_LINE.search(line)
            if m:
                self.steps = max(self.steps, int(m.group(1)))
                self.newton += 1
                self.linear += int(m.group(3))
            elif not self.blocks:
                k = K7_LINE.search(line)
                if k:
                    self.blocks = int(k.group(1))
        if rc != 0:
            self.message = out.strip().splitlines()[-1] if out.strip() else f"exit {rc}"


def run_once(exe, deck, work, perf_data=None):
    for f in os.listdir(work):
        if f != "deck.txt":
            os.remove(os.path.join(work, f))
    cmd = [exe, "deck.txt", "run.lis", "rstr1.rst", "rstr2.rst"]
    if perf_data:
        cmd = ["perf", "record", "-q", "-F", "4000", "-o", perf_data] + cmd
    u0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    p = subprocess.run(cmd, cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    wall = time.perf_counter() - t0
    u1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (u1.ru_utime - u0.ru_utime) + (u1.ru_stime - u0.ru_stime)
    res_last = None
    res = os.path.join(work, "res.lis")
    if p.returncode == 0 and os.path.exists(res):
        with open(res) as f:
            rows = [r for r in f.read().splitlines() if r.strip()]
        if rows:
            res_last = rows[-1].split()
    run = Run(wall, cpu, p.stdout, p.returncode, res_last)
    if p.returncode == 0 and not run.blocks:
        run.blocks = active_blocks(os.path.join(work, "run.lis"))
    return run


def solve_share(exe, deck, work):
    """Share of the samples in the linear-solve routines, from one profiled run."""
    if not shutil.which("perf"):
        return None
    data = os.path.join(tempfile.gettempdir(), f"bench-{os.getpid()}.perf")
    try:
        run_once(exe, deck, work, perf_data=data)
        rep = subprocess.run(["perf", "report", "-i", data, "--stdio", "--sort", "symbol"],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    finally:
        if os.path.exists(data):
            os.remove(data)
    share = 0.0
    for line in rep.splitlines():
        m = re.match(r"\s*([\d.]+)%\s+\[\.\]\s+(.*)", line)
        if m and SOLVE_SYMBOLS.search(m.group(2)):
            share += float(m.group(1))
    return share


def rel_diff(a, b):
    """Largest relative difference of the numeric fields of two res.lis records."""
    if a is None or b is None or len(a) != len(b):
        return float("inf")
    worst = 0.0
    for x, y in zip(a, b):
        try:
            fx, fy = float(x), float(y)
        except ValueError:
            continue
        scale = max(abs(fx), abs(fy))
        if scale > 0:
            worst = max(worst, abs(fx - fy) / scale)
    return worst


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", default=os.path.join(ROOT, "build", "talvek"), help="program to time")
    ap.add_argument("--base", help="second program, run alternately with --exe; ratios exe/base per pair")
    ap.add_argument("--runs", type=int, default=5, help="runs (pairs with --base) per deck and method")
    ap.add_argument("--quick", action="store_true", help="two decks, two methods each, 3 runs")
    ap.add_argument("--deck", action="append", help="only this deck (name without .txt); repeatable")
    ap.add_argument("--method", type=int, action="append", help="only this method; repeatable")
    ap.add_argument("--profile", action="store_true",
                    help="one extra run under perf per deck and method for the share of the linear solve")
    ap.add_argument("--dir", help="directory for the scratch runs (default: /dev/shm when writable)")
    args = ap.parse_args()

    decks = QUICK if args.quick else DECKS
    runs = 3 if args.quick and args.runs == 5 else args.runs
    if args.deck:
        known = dict(DECKS)
        decks = [(d, known.get(d, [1, 2, 3, 4])) for d in args.deck]
    exes = [os.path.abspath(args.exe)] + ([os.path.abspath(args.base)] if args.base else [])
    for e in exes:
        if not os.access(e, os.X_OK):
            raise SystemExit(f"no program at {e}")

    # The runs write several listing files; a memory file system keeps the
    # disk out of the times.
    scratch = args.dir or ("/dev/shm" if os.path.isdir("/dev/shm") and os.access("/dev/shm", os.W_OK) else None)
    work = tempfile.mkdtemp(prefix="talvek-bench-", dir=scratch)
    print(f"program: {exes[0]}" + (f"\nbase:    {exes[1]}" if args.base else ""))
    print(f"runs per deck and method: {runs}{' (alternating pairs)' if args.base else ''}\n")
    head = f"{'deck':<20}{'M':>2}{'wall s':>9}{'cpu s':>8}{'steps':>7}{'Newton':>8}{'linear':>8}{'blocks':>7}{'us/NI/blk':>11}"
    if args.profile:
        head += f"{'solve %':>9}"
    if args.base:
        head += f"{'base s':>9}{'ratio':>8}{'min':>7}{'max':>7}{'cpu r':>7}  same steps/NI, res diff"
    print(head)
    try:
        for name, methods in decks:
            for method in methods:
                if args.method and method not in args.method:
                    continue
                with open(os.path.join(work, "deck.txt"), "w") as f:
                    f.write(deck_text(name, method))
                new, old = [], []
                for _ in range(runs):
                    new.append(run_once(exes[0], name, work))
                    if new[-1].rc != 0:
                        break
                    if args.base:
                        old.append(run_once(exes[1], name, work))
                if new[-1].rc != 0:
                    print(f"{name:<20}{method:>2}  does not run: {new[-1].message[:100]}")
                    continue
                r = new[0]
                wall = statistics.median(x.wall for x in new)
                per = wall * 1e6 / max(r.newton, 1) / max(r.blocks, 1)
                row = (f"{name:<20}{method:>2}{wall:>9.3f}{statistics.median(x.cpu for x in new):>8.3f}{r.steps:>7}{r.newton:>8}{r.linear:>8}"
                       f"{r.blocks:>7}{per:>11.3f}")
                if args.profile:
                    share = solve_share(exes[0], name, work)
                    row += f"{share:>8.1f}%" if share is not None else f"{'-':>9}"
                if args.base:
                    b = old[0]
                    if b.rc != 0:
                        row += f"  base does not run: {b.message[:60]}"
                    else:
                        ratios = [x.wall / y.wall for x, y in zip(new, old)]
                        cpu_ratio = statistics.median(x.cpu / max(y.cpu, 1e-9) for x, y in zip(new, old))
                        same = (r.steps, r.newton) == (b.steps, b.newton)
                        row += (f"{statistics.median(y.wall for y in old):>9.3f}"
                                f"{statistics.median(ratios):>8.3f}{min(ratios):>7.3f}{max(ratios):>7.3f}{cpu_ratio:>7.3f}"
                                f"  {'yes' if same else f'NO ({b.steps}/{b.newton})'}, "
                                f"{rel_diff(r.res_last, b.res_last):.1e}")
                print(row, flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
