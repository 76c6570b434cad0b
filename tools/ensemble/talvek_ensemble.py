#!/usr/bin/env python3
"""Ensembles of talvek runs: many variants of one deck, run on Dask.

An ensemble file (YAML or JSON) names a base deck, the deck items to vary and
their values; this tool writes one deck per variant (changing only the named
items), runs `talvek --csv --output-dir` for each on a Dask cluster (a local
one by default, or an existing scheduler given by address), and collects the
results into one table:

    python3 tools/ensemble/talvek_ensemble.py run sweep.yaml [--talvek PATH]
            [--out FOLDER] [--scheduler ADDRESS | --workers N] [--retry-failed]
    python3 tools/ensemble/talvek_ensemble.py plot FOLDER [-o FIGURE_FOLDER]

The ensemble folder holds

  variants/vNNN/   one folder per variant: deck.txt, run.lis, console.txt,
                   run/ (the listing files, results.csv, wells.csv,
                   summary.txt) and result.json (written last, atomically)
  ensemble.csv     one row per variant: status and message, the varied
                   values, the headline results
  series.csv       the rows of every variant's results.csv, headed by the
                   variant's name

A variant whose result.json belongs to the same deck text is not run again;
a failed variant (a bad deck, a step cut fifteen times, any non-zero exit) is
recorded with its message and is run again only with --retry-failed.

Items are addressed as follows (see the README):

  fixed-list groups (DATA 02B ... DATA 10B, DATA 42B):   item NAME or position N
  block arrays (DATA 11A ... DATA 37A, region form):      region [I1,I2,J1,J2,K1,K2]
  tables (DATA 38C, 39C, 40C, 43C, 44C; first region):     row N and item NAME or position N
  well schedule (DATA 45D):   record N and a NOW item, or record N, well IWC and a well item
"""

import argparse
import csv
import hashlib
import itertools
import json
import math
import os
import random
import re
import subprocess
import sys
import tempfile

SCHEDULE_NOW_ITEMS = ["NOW", "IRITE1", "DELT1", "SIMNEW", "QOECON", "WORMAX", "GORMAX"]
SCHEDULE_WELL_ITEMS = ["IWT", "IWC", "IW", "JW", "KW", "IWOPC", "GW", "BHP", "QSP", "CONCPI", "CONCTI"]
# Header lines before the first table row of a table group (first region).
TABLE_HEADER_LINES = {38: 3, 39: 2, 40: 3, 43: 2, 44: 2}

LABEL_RE = re.compile(r"^\s*DATA\s+(\d\d)([A-Z])\b", re.IGNORECASE)
# A value, or the null value between two commas in a row.
TOKEN_RE = re.compile(r"[^\s,]+|(?<=,)\s*(?=,)")


class EnsembleError(Exception):
    """A fault of the ensemble file or of an item address: one message."""


# ---------------------------------------------------------------------------
# The deck: finding an item and changing its value in place.

class Deck:
    def __init__(self, text, name="deck"):
        self.name = name
        self.lines = text.split("\n")
        self._find_groups()

    def _find_groups(self):
        """The line of every group's label (the first line that carries it)."""
        self.groups = {}
        for n, line in enumerate(self.lines):
            m = LABEL_RE.match(line)
            if m and int(m.group(1)) not in self.groups:
                self.groups[int(m.group(1))] = (n, "DATA %s%s" % (m.group(1), m.group(2).upper()))

    def text(self):
        return "\n".join(self.lines)

    def _group(self, label):
        m = re.match(r"^\s*(?:DATA\s+)?(\d{1,2})[A-Z]?\s*$", str(label), re.IGNORECASE)
        if not m:
            raise EnsembleError("'%s' is not a data group label (such as 'DATA 10B')" % label)
        number = int(m.group(1))
        if number not in self.groups:
            raise EnsembleError("%s: no line starts with the label of data group %02d" % (self.name, number))
        return number, self.groups[number]

    def _next_nonblank(self, n):
        while n < len(self.lines) and not self.lines[n].strip():
            n += 1
        if n >= len(self.lines):
            raise EnsembleError("%s: the deck ends too early" % self.name)
        return n

    def _read_list(self, n, count):
        """The values of one free-format list of `count` values starting at
        line n: a list of (line, start, end, text, repeat) entries and the
        line after the list. A slash ends the list early."""
        entries, taken = [], 0
        while taken < count:
            n = self._next_nonblank(n)
            for m in TOKEN_RE.finditer(self.lines[n]):
                tok = m.group(0)
                if tok.startswith("/"):
                    return entries, n + 1
                rep = 1
                rm = re.match(r"^(\d+)\*(.*)$", tok)
                if rm:
                    rep = int(rm.group(1))
                entries.append((n, m.start(), m.end(), tok, rep))
                taken += rep
                if taken >= count:
                    break
            n += 1
        return entries, n

    @staticmethod
    def _values(entries):
        """The numbers of a list read by _read_list, repeat counts expanded
        (a null value is None; 'D' exponents are read as 'E')."""
        out = []
        for _, _, _, tok, rep in entries:
            text = tok.split("*", 1)[1] if "*" in tok else tok.strip()
            if text == "":
                out.extend([None] * rep)
                continue
            try:
                v = float(text.replace("D", "E").replace("d", "e"))
            except ValueError:
                raise EnsembleError("'%s' is not a number" % text)
            out.extend([v] * rep)
        return out

    def _set_in_list(self, entries, index, value, what):
        """Write `value` as value number `index` (0-based) of a list read by
        _read_list; a repeat count covering it is split around it."""
        pos = 0
        for line, start, end, tok, rep in entries:
            if index < pos + rep:
                old = tok
                if rep > 1:
                    base = tok.split("*", 1)[1]
                    before, after = index - pos, pos + rep - index - 1
                    parts = []
                    if before:
                        parts.append("%d*%s" % (before, base))
                    parts.append(format_value(value, base))
                    if after:
                        parts.append("%d*%s" % (after, base))
                    new = " ".join(parts)
                else:
                    new = format_value(value, old)
                text = self.lines[line]
                self.lines[line] = text[:start] + new + text[end:]
                return old
            pos += rep
        raise EnsembleError("%s: %s is not given in the deck (the list ends before it)" % (self.name, what))

    def _names_line(self, start, headers):
        n = start
        for _ in range(headers - 1):
            n = self._next_nonblank(n + 1)
        return [w.upper() for w in self.lines[n].split()], n + 1

    @staticmethod
    def _index(names, item, position, label):
        if position is not None:
            return int(position) - 1, "position %d" % int(position)
        if item is None:
            raise EnsembleError("%s: give an item name or a position" % label)
        key = str(item).upper()
        if key not in names:
            raise EnsembleError("data group %s has no item %s (its items: %s)"
                                % (label, item, " ".join(names) or "none named in the deck"))
        return names.index(key), "item %s" % key

    def set(self, address, value):
        """Change one item named by `address` (a mapping: group, and item,
        position, region, row, record, well as the group's kind needs).
        Returns the value that stood in the deck."""
        number, (start, label) = self._group(address.get("group"))
        try:
            return self._set(number, start, label, address, value)
        except EnsembleError as e:
            msg = str(e)
            if label not in msg:
                msg = "data group %s: %s" % (label, msg)
            if not msg.startswith(self.name):
                msg = "%s: %s" % (self.name, msg)
            raise EnsembleError(msg) from None

    def _set(self, number, start, label, address, value):
        item, position = address.get("item"), address.get("position")
        if number == 45:
            return self._set_schedule(start, label, address, value)
        if 11 <= number <= 37:
            return self._set_region(start, label, address, value)
        if number in TABLE_HEADER_LINES:
            names, first = self._names_line(start, TABLE_HEADER_LINES[number])
            if "row" not in address:
                raise EnsembleError("%s: a table item needs its row (1 is the first)" % label)
            col, what = self._index(names, item, position, label)
            width = len(names)
            if width == 0:
                raise EnsembleError("%s: no header line of item names: give the table's width" % label)
            n = first
            for _ in range(int(address["row"]) - 1):
                _, n = self._read_list(n, width)
            entries, _ = self._read_list(n, width)
            return self._set_in_list(entries, col, value, "%s row %s %s" % (label, address["row"], what))
        if 2 <= number <= 10 or number in (41, 42):
            names, first = self._names_line(start, 2)
            idx, what = self._index(names, item, position, label)
            count = max(len(names), idx + 1)
            entries, _ = self._read_list(first, count)
            return self._set_in_list(entries, idx, value, "%s %s" % (label, what))
        raise EnsembleError("data group %s cannot be varied" % label)

    def _set_region(self, start, label, address, value):
        box = address.get("region")
        if not isinstance(box, (list, tuple)) or len(box) != 6:
            raise EnsembleError("%s: an array item needs its region box [I1, I2, J1, J2, K1, K2]" % label)
        box = [int(v) for v in box]
        control, n = self._read_list(self._next_nonblank(start + 1), 2)
        if control[0][3] == "0":
            raise EnsembleError("%s: the array is given whole (ICODE = 0): only region lines can be varied" % label)
        match = None
        while True:
            entries, after = self._read_list(n, 7)
            idx = [int(v or 0) for v in self._values(entries)[:6]]
            if len(idx) < 6 or sum(idx) == 0:
                break
            if idx == box:
                match = entries
            n = after
        if match is not None:
            return self._set_in_list(match, 6, value, "%s region %s" % (label, box))
        # No region line with this box: a new one before the end line, so
        # that it is applied last.
        self.lines.insert(n, " ".join(str(v) for v in box) + " " + format_value(value, "0."))
        self._find_groups()
        return None

    def _set_schedule(self, start, label, address, value):
        if "record" not in address:
            raise EnsembleError("%s: a schedule item needs its record number (1 is the first)" % label)
        record = int(address["record"])
        well = address.get("well")
        names = SCHEDULE_WELL_ITEMS if well is not None else SCHEDULE_NOW_ITEMS
        idx, what = self._index(names, address.get("item"), address.get("position"), label)
        n = start
        for _ in range(2):
            n = self._next_nonblank(n + 1)
        n += 1
        number = 0
        while True:
            now, n = self._read_list(n, 7)
            vals = [v or 0.0 for v in self._values(now)][:7]
            if len(vals) < 7 or sum(vals) == 0:
                break
            number += 1
            wells = []
            for _ in range(int(vals[0])):
                entries, n = self._read_list(n, 11)
                wells.append(entries)
            if number != record:
                continue
            if well is None:
                return self._set_in_list(now, idx, value, "%s record %d %s" % (label, record, what))
            for entries in wells:
                numbers = self._values(entries)
                if len(numbers) > 1 and numbers[1] == int(well):
                    return self._set_in_list(entries, idx, value,
                                             "%s record %d well %s %s" % (label, record, well, what))
            raise EnsembleError("%s: record %d has no well line of well %s" % (label, record, well))
        raise EnsembleError("%s: the schedule has %d records, not %d" % (label, number, record))


def format_value(value, old):
    """A value as the deck takes it; an integral value stays an integer where
    the deck had one, a real keeps its decimal point."""
    if isinstance(value, str):
        return value
    if isinstance(value, bool):
        value = int(value)
    is_int_token = re.fullmatch(r"[+-]?\d+", old) is not None
    if float(value).is_integer() and abs(value) < 1e15:
        return str(int(value)) + ("" if is_int_token else ".")
    return repr(float(value))


# ---------------------------------------------------------------------------
# The ensemble file: parameters, their values, the variants.

def load_ensemble(path):
    with open(path) as f:
        text = f.read()
    if path.endswith(".json"):
        ens = json.loads(text)
    else:
        import yaml
        ens = yaml.safe_load(text)
    if not isinstance(ens, dict) or "base" not in ens or "parameters" not in ens:
        raise EnsembleError("%s: an ensemble needs 'base' (the deck) and 'parameters'" % path)
    here = os.path.dirname(os.path.abspath(path))
    ens["base"] = os.path.join(here, ens["base"])
    ens["output"] = os.path.join(here, ens.get("output", os.path.splitext(os.path.basename(path))[0]))
    return ens


def parameter_values(name, p, rng, samples):
    if "values" in p:
        return list(p["values"])
    if "range" in p:
        r = p["range"]
        count = int(r["count"])
        if count < 2:
            return [r["from"]]
        return [r["from"] + (r["to"] - r["from"]) * i / (count - 1) for i in range(count)]
    if "random" in p:
        r = p["random"]
        if samples is None:
            raise EnsembleError("parameter %s: random draws need 'samples' in the ensemble" % name)
        if r.get("distribution", "uniform") == "loguniform":
            return [math.exp(rng.uniform(math.log(r["low"]), math.log(r["high"]))) for _ in range(samples)]
        return [rng.uniform(r["low"], r["high"]) for _ in range(samples)]
    raise EnsembleError("parameter %s: give 'values', 'range' or 'random'" % name)


def variants(ens):
    """The variants: every combination of the listed and ranged values;
    the random parameters add `samples` joint draws (seeded) to each."""
    params = ens["parameters"]
    rng = random.Random(ens.get("seed", 0))
    samples = ens.get("samples")
    grid = [n for n, p in params.items() if "random" not in p]
    drawn = [n for n, p in params.items() if "random" in p]
    grid_values = [parameter_values(n, params[n], rng, samples) for n in grid]
    draws = [parameter_values(n, params[n], rng, samples) for n in drawn]
    draw_rows = list(zip(*draws)) if drawn else [()]
    out = []
    for combo in itertools.product(*grid_values):
        for row in draw_rows:
            out.append(dict(zip(grid + drawn, list(combo) + list(row))))
    return out


def make_deck(base_text, params, values, name="deck"):
    deck = Deck(base_text, name)
    for pname, value in values.items():
        address = params[pname]
        try:
            deck.set(address, value)
        except EnsembleError as e:
            raise EnsembleError("parameter %s: %s" % (pname, e))
    return deck.text()


# ---------------------------------------------------------------------------
# One variant: run talvek in its folder, collect its headline results.

def _write_atomic(path, text):
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path), prefix="." + os.path.basename(path), suffix=".tmp")
    with os.fdopen(fd, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def _read_csv(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], rows[1:]


def _num(text):
    return float(text) if text != "" else math.nan


def headline(run_dir, collect):
    """Headline results of a finished run from results.csv, wells.csv and
    summary.txt: recovery at the given times, final recovery and pore volumes
    injected, polymer injected and produced, final average and bottom-hole
    pressures, breakthrough times at every producing well block."""
    head, rows = _read_csv(os.path.join(run_dir, "results.csv"))
    col = {h.split(" [")[0]: i for i, h in enumerate(head)}
    unit = {h.split(" [")[0]: h[len(h.split(" [")[0]):].strip() for h in head}
    t = [_num(r[col["time"]]) for r in rows]
    rec = [_num(r[col["oil_recovery"]]) for r in rows]
    out = {}
    for at in collect.get("recovery_at", []):
        value = ""
        if rows and t[0] <= at <= t[-1]:
            value = _interp(t, rec, at)
        elif rows and at < t[0]:
            value = rec[0] * at / t[0]
        out["recovery_at_%g %s" % (at, unit["time"])] = value
    last = rows[-1] if rows else None
    for key in ("time", "oil_recovery", "pvi", "pavg", "cum_oil", "cum_polymer_injected", "cum_polymer"):
        out["final_%s %s" % (key, unit[key])] = _num(last[col[key]]) if last else ""
    if collect.get("pressures", True) and last:
        wh, wrows = _read_csv(os.path.join(run_dir, "wells.csv"))
        wc = {h.split(" [")[0]: i for i, h in enumerate(wh)}
        bunit = wh[wc["bhp"]][len("bhp"):].strip()
        for r in wrows:
            if r[wc["step"]] == last[col["step"]]:
                key = "final_bhp_w%s(%s,%s,%s) %s" % (r[wc["well"]], r[wc["i"]], r[wc["j"]], r[wc["k"]], bunit)
                out[key] = _num(r[wc["bhp"]])
    if collect.get("breakthrough", True):
        out.update(_breakthrough(os.path.join(run_dir, "summary.txt"), unit["time"]))
    return out


def _interp(xs, ys, x):
    for i in range(1, len(xs)):
        if xs[i] >= x:
            x0, x1 = xs[i - 1], xs[i]
            w = 0.0 if x1 == x0 else (x - x0) / (x1 - x0)
            return ys[i - 1] + w * (ys[i] - ys[i - 1])
    return ys[-1]


def _breakthrough(path, tunit):
    out = {}
    with open(path) as f:
        lines = f.read().split("\n")
    rowre = re.compile(r"^\s*(\d+)\s+\(\s*(\d+),\s*(\d+),\s*(\d+)\)\s+(.*)$")
    fieldre = re.compile(r"step \d+, t = (\S+)|none")
    for line in lines:
        m = rowre.match(line)
        if not m:
            continue
        fields = fieldre.findall(m.group(5))
        for kind, value in zip(("water", "gas", "polymer", "tracer"), fields):
            key = "%s_breakthrough_w%s(%s,%s,%s) %s" % (kind, m.group(1), m.group(2), m.group(3), m.group(4), tunit)
            out[key] = float(value) if value else ""
    return out


def run_variant(folder, talvek, collect, timeout=None):
    """Run the deck of a variant folder and write its result.json (last,
    atomically); returns the result. Runs on a Dask worker."""
    deck_path = os.path.join(folder, "deck.txt")
    with open(deck_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    result = {"deck_sha256": digest, "status": "failed", "message": "", "headline": {}}
    rst_out = os.path.join(folder, "out.rst")
    cmd = [talvek, "--csv", "--quiet", "--output-dir", "run", "deck.txt", "run.lis", "in.rst", "out.rst"]
    try:
        proc = subprocess.run(cmd, cwd=folder, stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, errors="replace", timeout=timeout)
        with open(os.path.join(folder, "console.txt"), "w") as f:
            f.write(proc.stdout)
            f.write(proc.stderr)
        result["exit_status"] = proc.returncode
        if proc.returncode == 0:
            result["headline"] = headline(os.path.join(folder, "run"), collect)
            result["status"] = "ok"
        else:
            errors = [ln for ln in proc.stderr.splitlines() if ln.startswith("talvek: error:")]
            other = [ln for ln in proc.stderr.splitlines() if ln.strip()]
            result["message"] = (errors or other or ["talvek ended with exit status %d" % proc.returncode])[-1]
    except subprocess.TimeoutExpired:
        result["message"] = "the run did not end within %g s" % timeout
    except (OSError, KeyError, IndexError, ValueError) as e:
        result["message"] = "%s: %s" % (type(e).__name__, e)
    finally:
        # The restart-up image (22 MB) is not kept: the results are.
        if os.path.exists(rst_out):
            os.remove(rst_out)
    _write_atomic(os.path.join(folder, "result.json"), json.dumps(result, indent=1))
    return result


# ---------------------------------------------------------------------------
# The ensemble: decks, execution, collection.

def prepare(ens, out_dir):
    """Write the deck of every variant; a deck is rewritten only when its text
    changed. Returns [(name, folder, values)]."""
    with open(ens["base"]) as f:
        base = f.read()
    params = ens["parameters"]
    out = []
    for i, values in enumerate(variants(ens), 1):
        name = "v%03d" % i
        folder = os.path.join(out_dir, "variants", name)
        text = make_deck(base, params, values, "%s (variant %s)" % (ens["base"], name))
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "deck.txt")
        if not os.path.exists(path) or open(path).read() != text:
            _write_atomic(path, text)
        out.append((name, folder, values))
    return out


def done(folder, retry_failed):
    """The recorded result of a variant whose deck has not changed since."""
    try:
        with open(os.path.join(folder, "result.json")) as f:
            result = json.load(f)
        with open(os.path.join(folder, "deck.txt"), "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
    except (OSError, ValueError):
        return None
    if result.get("deck_sha256") != digest:
        return None
    if retry_failed and result.get("status") != "ok":
        return None
    return result


def execute(jobs, talvek, collect, scheduler=None, workers=None, timeout=None, log=print):
    """Run the jobs [(name, folder)] on Dask: on the scheduler at `scheduler`
    or on a local cluster of `workers` single-threaded worker processes (one
    per core by default). Returns {name: result}."""
    if not jobs:
        return {}
    from dask.distributed import Client, LocalCluster, as_completed
    cluster = None
    if scheduler:
        client = Client(scheduler)
    else:
        cluster = LocalCluster(n_workers=workers or os.cpu_count() or 1, threads_per_worker=1,
                               processes=True, dashboard_address=None)
        client = Client(cluster)
    try:
        # The workers import this file: ship it (a remote cluster has no copy).
        client.upload_file(os.path.abspath(__file__))
        futures = {client.submit(run_variant, folder, talvek, collect, timeout, key="talvek-%s-%s" % (
            name, hashlib.sha1(folder.encode()).hexdigest()[:8]), pure=False): name for name, folder in jobs}
        results = {}
        for fut in as_completed(futures):
            name = futures[fut]
            try:
                results[name] = fut.result()
            except Exception as e:  # a worker lost: recorded like a failed run
                results[name] = {"status": "failed", "message": "%s: %s" % (type(e).__name__, e), "headline": {}}
            r = results[name]
            log("%s: %s%s" % (name, r["status"], (": " + r["message"]) if r["message"] else ""))
        return results
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def collect_tables(out_dir, prepared, results, params):
    """ensemble.csv (one row per variant) and series.csv (every step of every
    successful variant), both written atomically."""
    heads = []
    for name, _, _ in prepared:
        for k in results[name].get("headline", {}):
            if k not in heads:
                heads.append(k)
    header = ["variant", "status", "message"] + list(params) + heads
    lines = [header]
    for name, _, values in prepared:
        r = results[name]
        lines.append([name, r["status"], r["message"]] + [values[p] for p in params]
                     + [_cell(r.get("headline", {}).get(k, "")) for k in heads])
    _write_csv(os.path.join(out_dir, "ensemble.csv"), lines)
    series, shead = [], None
    for name, folder, _ in prepared:
        if results[name]["status"] != "ok":
            continue
        h, rows = _read_csv(os.path.join(folder, "run", "results.csv"))
        if shead is None:
            shead = ["variant"] + h
            series.append(shead)
        series.extend([name] + r for r in rows)
    _write_csv(os.path.join(out_dir, "series.csv"), series or [["variant"]])


def _cell(v):
    if isinstance(v, float):
        return "" if math.isnan(v) else repr(v)
    return v


def _write_csv(path, rows):
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path), prefix="." + os.path.basename(path), suffix=".tmp")
    with os.fdopen(fd, "w", newline="") as f:
        csv.writer(f).writerows(rows)
    os.replace(tmp, path)


def run_ensemble(path, talvek, out_dir=None, scheduler=None, workers=None, retry_failed=False,
                 timeout=None, log=print):
    """Prepare, run what is not done, collect. Returns (prepared, results,
    the names run this time)."""
    ens = load_ensemble(path)
    out_dir = os.path.abspath(out_dir or ens["output"])
    os.makedirs(out_dir, exist_ok=True)
    talvek = os.path.abspath(talvek)
    collect = ens.get("collect", {}) or {}
    prepared = prepare(ens, out_dir)
    results, jobs = {}, []
    for name, folder, _ in prepared:
        r = done(folder, retry_failed)
        if r is None:
            jobs.append((name, folder))
        else:
            results[name] = r
    log("%d variants: %d to run, %d done before" % (len(prepared), len(jobs), len(prepared) - len(jobs)))
    results.update(execute(jobs, talvek, collect, scheduler, workers, timeout, log))
    collect_tables(out_dir, prepared, results, ens["parameters"])
    failed = sum(1 for r in results.values() if r["status"] != "ok")
    log("%s: %d variants, %d failed" % (os.path.join(out_dir, "ensemble.csv"), len(prepared), failed))
    return prepared, results, [n for n, _ in jobs]


# ---------------------------------------------------------------------------
# Figures.

def plot_ensemble(out_dir, fig_dir=None, formats=("png",), dpi=80):
    """spread.*: oil rate, water cut and oil recovery of every variant against
    time with the 10-90 % band and the median; headline.*: each headline
    result against each varied parameter."""
    import numpy as np
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig_dir = fig_dir or os.path.join(out_dir, "figures")
    os.makedirs(fig_dir, exist_ok=True)
    eh, erows = _read_csv(os.path.join(out_dir, "ensemble.csv"))
    sh, srows = _read_csv(os.path.join(out_dir, "series.csv"))
    written = []
    if len(sh) > 1 and srows:
        col = {h.split(" [")[0]: i for i, h in enumerate(sh)}
        panels = [h for h in ("oil_rate", "water_cut", "oil_recovery") if h in col]
        by_variant = {}
        for r in srows:
            by_variant.setdefault(r[0], []).append(r)
        fig, axes = plt.subplots(1, len(panels), figsize=(4.0 * len(panels), 3.2))
        tmax = max(_num(r[col["time"]]) for r in srows)
        grid = np.linspace(0.0, tmax, 200)
        for ax, key in zip(np.atleast_1d(axes), panels):
            curves = []
            for rows in by_variant.values():
                t = np.array([_num(r[col["time"]]) for r in rows])
                y = np.array([_num(r[col[key]]) if r[col[key]] != "" else np.nan for r in rows])
                ax.plot(t, y, color="0.6", lw=0.6)
                curves.append(np.interp(grid, t, np.nan_to_num(y), left=np.nan, right=np.nan))
            c = np.array(curves)
            with np.errstate(all="ignore"):
                import warnings
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore")
                    lo, mid, hi = (np.nanpercentile(c, q, axis=0) for q in (10, 50, 90))
            ax.fill_between(grid, lo, hi, color="tab:blue", alpha=0.25, label="10-90 %")
            ax.plot(grid, mid, color="tab:blue", lw=1.5, label="median")
            ax.set_xlabel(sh[col["time"]])
            ax.set_title(sh[col[key]], fontsize=9)
            ax.grid(alpha=0.3)
        np.atleast_1d(axes)[0].legend(fontsize=8)
        fig.suptitle("Ensemble of %d variants" % len(by_variant), fontsize=10)
        fig.tight_layout()
        for fmt in formats:
            p = os.path.join(fig_dir, "spread." + fmt)
            fig.savefig(p, dpi=dpi)
            written.append(p)
        plt.close(fig)
    # Headline results against the varied parameters.
    ci = eh.index("message") + 1
    heads = [h for h in eh if h.startswith(("recovery_at", "final_oil_recovery", "final_cum_polymer",
                                              "water_breakthrough", "final_pavg"))]
    params = [h for h in eh[ci:] if not _is_headline(h)]
    ok = [r for r in erows if r[1] == "ok"]
    # A result the same in every variant says nothing against the parameters.
    heads = [h for h in heads if len({r[eh.index(h)] for r in ok}) > 1]
    if heads and params and ok:
        fig, axes = plt.subplots(len(heads), len(params), figsize=(3.2 * len(params), 2.4 * len(heads)),
                                 squeeze=False)
        for i, h in enumerate(heads):
            hi = eh.index(h)
            for j, p in enumerate(params):
                pj = eh.index(p)
                xs = [_num(r[pj]) for r in ok if r[hi] != ""]
                ys = [_num(r[hi]) for r in ok if r[hi] != ""]
                ax = axes[i][j]
                ax.scatter(xs, ys, s=12)
                ax.grid(alpha=0.3)
                if i == len(heads) - 1:
                    ax.set_xlabel(p)
                if j == 0:
                    ax.set_ylabel(h, fontsize=7)
        fig.tight_layout()
        for fmt in formats:
            p = os.path.join(fig_dir, "headline." + fmt)
            fig.savefig(p, dpi=dpi)
            written.append(p)
        plt.close(fig)
    return written


def _is_headline(h):
    return h.startswith(("recovery_at_", "final_")) or "_breakthrough_" in h


def main(argv=None):
    ap = argparse.ArgumentParser(description="Ensembles of talvek runs on Dask.")
    sub = ap.add_subparsers(dest="command", required=True)
    r = sub.add_parser("run", help="write, run and collect the variants of an ensemble file")
    r.add_argument("ensemble", help="the ensemble file (.yaml, .yml or .json)")
    r.add_argument("--talvek", default=os.environ.get("TALVEK_BINARY", "talvek"),
                   help="the talvek program (default: $TALVEK_BINARY, else talvek on the PATH)")
    r.add_argument("--out", help="the ensemble folder (default: 'output' of the ensemble file)")
    g = r.add_mutually_exclusive_group()
    g.add_argument("--scheduler", help="address of a running Dask scheduler (tcp://host:8786)")
    g.add_argument("--workers", type=int, help="workers of the local cluster (default: one per core)")
    r.add_argument("--retry-failed", action="store_true", help="run the failed variants again")
    r.add_argument("--timeout", type=float, help="seconds a run may take before it counts as failed")
    p = sub.add_parser("plot", help="figures of a collected ensemble")
    p.add_argument("folder")
    p.add_argument("-o", "--out")
    p.add_argument("--format", nargs="+", default=["png"])
    args = ap.parse_args(argv)
    try:
        if args.command == "run":
            talvek = args.talvek
            if os.sep not in talvek:
                import shutil
                talvek = shutil.which(talvek) or talvek
            prepared, results, _ = run_ensemble(args.ensemble, talvek, args.out, args.scheduler,
                                                args.workers, args.retry_failed, args.timeout)
            return 0 if all(r["status"] == "ok" for r in results.values()) else 1
        for path in plot_ensemble(args.folder, args.out, args.format):
            print(path)
        return 0
    except (EnsembleError, OSError) as e:
        print("talvek_ensemble: error: %s" % e, file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
