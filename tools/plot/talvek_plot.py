#!/usr/bin/env python3
"""Figures of a talvek run.

Reads a run folder (the folder of the listing files: the current folder of
the run, or the one given with --output-dir) and writes PNG and SVG figures:

  rates        field oil, aqueous and gas production rates against time
  cumulatives  field cumulative oil, aqueous and gas production
  ratios       water cut and gas-oil ratio
  pressures    average reservoir pressure and the bottom-hole pressure of every well
  recovery     oil recovery against pore volumes injected
  map_<ARRAY>_<LEVEL>_t<TIME>   saturation, pressure and polymer concentration of
               every layer at each time of rokmat.lis (the arrays the deck's
               print switches select)

The series come from results.csv and wells.csv when the run wrote them
(--csv), otherwise from the listing files res.lis and weld.lis (also when the
tables are an earlier run's, left in a folder that a later run without --csv
used again). The maps
always come from rokmat.lis; a restart run's has no grid description, and
its maps are left out with a note.

    python3 tools/plot/talvek_plot.py RUN_FOLDER [-o FIGURE_FOLDER] [--format png svg] [--no-maps]
"""

import argparse
import math
import os
import sys

import numpy as np

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

PAD = -9999.9999

# rokmat.lis: the arrays of print switches 1 to 9, in switch order.
SWITCH_ARRAYS = ["SW", "SO", "SG", "SP", "OIPH", "RS", "CONCT", "P", "CONCP"]
MAP_TITLES = {
    "SW": "water saturation",
    "SO": "oil saturation",
    "SG": "gas saturation",
    "SP": "polymer-solution saturation",
    "P": "pressure",
    "CONCP": "polymer concentration (ppm)",
}
# The maps drawn: saturations, pressure and polymer concentration.
MAP_ARRAYS = ["SW", "SO", "SG", "SP", "P", "CONCP"]


def number(text):
    """A number of a listing file: also E fields whose three-digit exponent
    left no room for the E ('0.206-296'); asterisks (a value too wide for its
    field) give nan."""
    t = text.strip()
    if not t or "*" in t:
        return math.nan
    try:
        return float(t)
    except ValueError:
        pass
    for i in range(len(t) - 1, 0, -1):
        if t[i] in "+-" and t[i - 1] not in "eEdD":
            return float(t[:i] + "E" + t[i:])
    raise ValueError("not a number: %r" % text)


def fixed(record, widths):
    """Splits a record into fields of the given widths (the first column, the
    blank of 1X, is part of the first width)."""
    out, at = [], 0
    for w in widths:
        out.append(record[at:at + w])
        at += w
    return out


# ---- result series --------------------------------------------------------------------

class Series(dict):
    """Named numpy arrays with their units: s['oil_rate'], s.units['oil_rate']."""

    def __init__(self):
        super().__init__()
        self.units = {}


def read_csv(path):
    """results.csv or wells.csv: a Series of every column ('name [unit]'
    headers); empty fields are nan, texts stay texts."""
    with open(path) as f:
        head = f.readline().rstrip("\n").split(",")
        rows = [line.rstrip("\n").split(",") for line in f if line.strip()]
    s = Series()
    for c, h in enumerate(head):
        name, _, unit = h.partition(" [")
        s.units[name] = unit.rstrip("]")
        col = [r[c] for r in rows]
        try:
            s[name] = np.array([float(v) if v != "" else math.nan for v in col])
        except ValueError:
            s[name] = np.array(col)
    return s


# res.lis: I1 1X F6.0 1X F6.0 1X F6.3 1X 3(F7.3 1X) 6(E9.3 1X) F7.3 1X E9.3 1X F7.3
RES_WIDTHS = [1, 7, 7, 7] + [8] * 3 + [10] * 6 + [8, 10, 8]
RES_NAMES = ["one", "time", "pavg", "oil_recovery", "pvi_polymer_solution", "pvi_aqueous", "pvi_gas",
             "oil_rate", "aqueous_rate", "gas_rate", "cum_oil", "cum_aqueous", "cum_gas", "aor", "gor", "pvi"]


def read_res_lis(path):
    """res.lis: one record per accepted step, named as the columns of
    results.csv."""
    with open(path) as f:
        recs = [line.rstrip("\n") for line in f if line.strip()]
    s = Series()
    cols = [[number(v) for v in fixed(r, RES_WIDTHS)] for r in recs]
    for i, name in enumerate(RES_NAMES[1:], start=1):
        s[name] = np.array([c[i] for c in cols])
    # The listing file holds no water cut: it follows from the two rates.
    liq = s["oil_rate"] + s["aqueous_rate"]
    with np.errstate(invalid="ignore", divide="ignore"):
        s["water_cut"] = np.where(liq > 0, s["aqueous_rate"] / liq, math.nan)
    return s


# weld.lis: 1X I4 F9.1 I4 2X 3I4 5E14.5 F11.5 1X F8.1
WELD_WIDTHS = [5, 9, 4, 6, 4, 4, 14, 14, 14, 14, 14, 11, 9]
WELD_NAMES = ["step", "time", "well", "i", "j", "k", "bhp", "oil_rate", "aqueous_rate", "gas_rate", "cum_oil",
              "pvi", "tracer_concentration"]


def read_weld_lis(path):
    """weld.lis: one record per well block per step, as a Series of columns."""
    with open(path) as f:
        recs = [line.rstrip("\n") for line in f if line.strip()]
    s = Series()
    cols = [[number(v) for v in fixed(r, WELD_WIDTHS)] for r in recs]
    for i, name in enumerate(WELD_NAMES):
        s[name] = np.array([c[i] for c in cols])
    return s


def read_series(folder):
    """The field series and the well series of a run folder, with where they
    came from: ('csv' or 'lis', field, wells).

    The result tables are taken only when they belong to the run of the
    listing files: a run without --csv into a folder used before replaces
    res.lis and weld.lis but leaves the earlier run's results.csv and
    wells.csv. Both files hold one row per accepted step, so a table whose
    row count or last time differs from res.lis is an earlier run's and the
    listing files are read instead (with a note on standard error)."""
    res = os.path.join(folder, "res.lis")
    csv = os.path.join(folder, "results.csv")
    wcsv = os.path.join(folder, "wells.csv")
    if os.path.exists(csv) and os.path.exists(wcsv):
        field = read_csv(csv)
        if not os.path.exists(res) or _same_run(field, read_res_lis(res)):
            wells = read_csv(wcsv)
            wells["aqueous_rate"] = wells["water_rate"] + wells["polymer_solution_rate"]
            return "csv", field, wells
        print("talvek_plot: %s is not from the run of %s (an earlier run's table): the listing files are read"
              % (csv, res), file=sys.stderr)
    return "lis", read_res_lis(res), read_weld_lis(os.path.join(folder, "weld.lis"))


def _same_run(field, lis):
    """Whether results.csv and res.lis hold the same steps: as many rows, and
    the same last time to the listing field's digits (F6.0; a field of
    asterisks is not compared)."""
    n = len(lis["time"])
    if len(field.get("time", ())) != n:
        return False
    if n == 0 or math.isnan(lis["time"][-1]):
        return True
    return abs(field["time"][-1] - lis["time"][-1]) <= 0.5 + 1e-9


# ---- rokmat.lis ----------------------------------------------------------------------------

class Grid:
    def __init__(self, nx, ny, nz, dx, dy, dz):
        self.nx, self.ny, self.nz = nx, ny, nz
        self.dx, self.dy, self.dz = dx, dy, dz


def _values(record):
    """Leading field and the ten values of a grid-file record."""
    f = fixed(record, [9] + [12] * 10)
    return f[0], [number(v) for v in f[1:]]


class NoGridDescription(ValueError):
    """A rokmat.lis without the grid description: a restart run writes only
    its time levels (the grid and the print switches are in the rokmat.lis
    of the run that wrote its restart-up image)."""


def read_rokmat(path):
    """rokmat.lis: the grid, and a list of (time, {array: values}) with the
    values of an array as a numpy array [layer k - 1, row j - 1, column i - 1]
    (layer 1 the bottom layer); inactive blocks are nan."""
    with open(path) as f:
        recs = [line.rstrip("\n") for line in f if line.strip()]
    # The grid description leads with the number of blocks of x, an integer
    # field; a time level leads with its time, a field with a decimal point.
    first = fixed(recs[0], [9])[0] if recs else ""
    if not first.strip().lstrip("+-").isdigit():
        raise NoGridDescription("%s has no grid description (a restart run's): no maps drawn" % path)
    at = 0

    def series():
        nonlocal at
        lead, vals = _values(recs[at])
        n = int(lead)
        out = []
        for _ in range((n + 9) // 10):
            out.extend(_values(recs[at])[1])
            at += 1
        return n, out[:n]

    nx, dx = series()
    ny, dy = series()
    nz, dz = series()
    grid = Grid(nx, ny, nz, dx, dy, dz)
    lead, sw = _values(recs[at])
    at += 1
    switches = [int(v) for v in sw[:9]]
    names = [SWITCH_ARRAYS[i] for i in range(9) if switches[i] == 1]
    ncol = (nx + 9) // 10
    per_array = nz * ny * ncol
    levels = []
    # A time level: its time record, then every selected array; a last level
    # cut short (a run stopped while writing) is left out.
    while at + 1 + per_array * len(names) <= len(recs):
        t = number(recs[at][:9])
        at += 1
        arrays = {}
        for name in names:
            a = np.full((nz, ny, nx), math.nan)
            for k in range(nz, 0, -1):
                for p in range(ncol):
                    for j in range(ny, 0, -1):
                        vals = _values(recs[at])[1]
                        at += 1
                        for c in range(10):
                            i = p * 10 + c
                            if i < nx and vals[c] != PAD:
                                a[k - 1, j - 1, i] = vals[c]
            arrays[name] = a
        levels.append((t, arrays))
    return grid, levels


# ---- figures ----------------------------------------------------------------------------------

def _save(fig, outdir, name, formats):
    paths = []
    for ext in formats:
        p = os.path.join(outdir, name + "." + ext)
        fig.savefig(p, dpi=90)
        paths.append(p)
    plt.close(fig)
    return paths


def _unit(s, name, default=""):
    u = getattr(s, "units", {}).get(name, default)
    return " [%s]" % u if u else ""


def field_figures(field, wells, outdir, formats=("png", "svg")):
    """The figures of the field and well series; returns the paths written."""
    t = field["time"]
    tl = "time" + _unit(field, "time", "")
    paths = []

    fig, ax = plt.subplots(figsize=(7, 4))
    for name, label in (("oil_rate", "oil"), ("aqueous_rate", "water + polymer solution")):
        ax.plot(t, field[name], label=label)
    ax.set_xlabel(tl)
    ax.set_ylabel("production rate" + _unit(field, "oil_rate"))
    if np.nanmax(np.abs(field["gas_rate"])) > 0:
        ax2 = ax.twinx()
        ax2.plot(t, field["gas_rate"], "g--", label="gas")
        ax2.set_ylabel("gas rate" + _unit(field, "gas_rate"))
    ax.legend(loc="best")
    ax.set_title("Field production rates")
    paths += _save(fig, outdir, "rates", formats)

    fig, ax = plt.subplots(figsize=(7, 4))
    for name, label in (("cum_oil", "oil"), ("cum_aqueous", "water + polymer solution")):
        ax.plot(t, field[name], label=label)
    ax.set_xlabel(tl)
    ax.set_ylabel("cumulative production" + _unit(field, "cum_oil"))
    if np.nanmax(np.abs(field["cum_gas"])) > 0:
        ax2 = ax.twinx()
        ax2.plot(t, field["cum_gas"], "g--", label="gas")
        ax2.set_ylabel("cumulative gas" + _unit(field, "cum_gas"))
    ax.legend(loc="best")
    ax.set_title("Field cumulative production")
    paths += _save(fig, outdir, "cumulatives", formats)

    fig, ax = plt.subplots(figsize=(7, 4))
    ax.plot(t, field["water_cut"], label="water cut")
    ax.set_ylim(0, 1)
    ax.set_xlabel(tl)
    ax.set_ylabel("water cut")
    ax2 = ax.twinx()
    ax2.plot(t, field["gor"], "g--", label="GOR")
    ax2.set_ylabel("GOR" + _unit(field, "gor"))
    ax.set_title("Water cut and gas-oil ratio")
    paths += _save(fig, outdir, "ratios", formats)

    fig, ax = plt.subplots(figsize=(7, 4))
    ax.plot(t, field["pavg"], "k", label="average")
    for w in sorted(set(int(x) for x in wells["well"])):
        sel = wells["well"] == w
        ax.plot(wells["time"][sel], wells["bhp"][sel], label="well %d" % w)
    ax.set_xlabel(tl)
    ax.set_ylabel("pressure" + _unit(field, "pavg"))
    ax.legend(loc="best")
    ax.set_title("Average reservoir pressure and bottom-hole pressures")
    paths += _save(fig, outdir, "pressures", formats)

    fig, ax = plt.subplots(figsize=(7, 4))
    ax.plot(field["pvi"], field["oil_recovery"])
    ax.set_xlabel("pore volumes injected")
    ax.set_ylabel("oil recovery (fraction of oil in place)")
    ax.set_title("Recovery")
    paths += _save(fig, outdir, "recovery", formats)
    return paths


def map_figures(grid, levels, outdir, formats=("png", "svg")):
    """One figure per map array and time: a panel per layer (top layer first)."""
    paths = []
    for level, (t, arrays) in enumerate(levels):
        for name in MAP_ARRAYS:
            if name not in arrays:
                continue
            a = arrays[name]
            fig, axes = plt.subplots(1, grid.nz, figsize=(3.2 * grid.nz + 1, 3.4), squeeze=False,
                                     layout="constrained")
            finite = a[np.isfinite(a)]
            lo, hi = (float(finite.min()), float(finite.max())) if finite.size else (0.0, 1.0)
            if name.startswith("S"):
                lo, hi = 0.0, 1.0
            im = None
            for panel, k in enumerate(range(grid.nz, 0, -1)):
                ax = axes[0][panel]
                im = ax.imshow(a[k - 1], origin="lower", vmin=lo, vmax=hi, cmap="viridis",
                               extent=(0.5, grid.nx + 0.5, 0.5, grid.ny + 0.5))
                ax.set_title("layer %d" % k)
                ax.set_xlabel("I")
                ax.set_ylabel("J")
            fig.colorbar(im, ax=axes[0].tolist())
            fig.suptitle("%s at time %g" % (MAP_TITLES[name], t))
            # The level number keeps apart two levels of one time (the last
            # report step and the closing report of the run).
            paths += _save(fig, outdir, "map_%s_%03d_t%g" % (name, level, t), formats)
    return paths


def plot_run(folder, outdir=None, formats=("png", "svg"), maps=True):
    outdir = outdir or os.path.join(folder, "figures")
    os.makedirs(outdir, exist_ok=True)
    _, field, wells = read_series(folder)
    paths = field_figures(field, wells, outdir, formats)
    rok = os.path.join(folder, "rokmat.lis")
    if maps and os.path.exists(rok):
        try:
            grid, levels = read_rokmat(rok)
        except NoGridDescription as e:
            print("talvek_plot: %s" % e, file=sys.stderr)
        else:
            paths += map_figures(grid, levels, outdir, formats)
    return paths


def main(argv=None):
    ap = argparse.ArgumentParser(description="Figures of a talvek run folder (PNG and SVG).")
    ap.add_argument("folder", help="the folder of the run's listing files (and result tables)")
    ap.add_argument("-o", "--output", help="folder of the figures (default: FOLDER/figures)")
    ap.add_argument("--format", nargs="+", default=["png", "svg"], help="figure formats (default: png svg)")
    ap.add_argument("--no-maps", action="store_true", help="no maps of the block arrays")
    a = ap.parse_args(argv)
    try:
        paths = plot_run(a.folder, a.output, a.format, not a.no_maps)
    except (OSError, ValueError, IndexError) as e:
        print("talvek_plot: error: %s" % e, file=sys.stderr)
        return 1
    print("talvek_plot: %d figures written to %s" % (len(paths), a.output or os.path.join(a.folder, "figures")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
