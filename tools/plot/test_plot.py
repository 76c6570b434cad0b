"""Tests of the plot tool: the listing-file readers against the layouts the
program writes, and a short run read back from its result tables and from its
listing files, with its figures written.

The talvek program is taken from the environment variable TALVEK_BINARY
(ctest sets it), else from build/talvek of the source tree."""

import math
import os
import shutil
import subprocess

import numpy as np
import pytest

import talvek_plot as tp

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
BINARY = os.environ.get("TALVEK_BINARY", os.path.join(SOURCE, "build", "talvek"))


@pytest.mark.parametrize("text, value", [
    ("  0.206-296", 0.206e-296),
    (" -0.123+102", -0.123e102),
    ("  0.150E+03", 150.0),
    ("   12.345", 12.345),
    ("-9999.9999", -9999.9999),
    ("  0.100E-01", 0.01),
])
def test_number_reads_every_listing_field_form(text, value):
    assert tp.number(text) == pytest.approx(value, rel=1e-12)


@pytest.mark.parametrize("text", ["*******", "   "])
def test_number_of_a_field_without_value_is_nan(text):
    assert math.isnan(tp.number(text))


def _grid_record(lead, values, lead_fmt=" %8d"):
    vals = list(values) + [tp.PAD] * (10 - len(values))
    return (lead_fmt % lead) + "".join("%12.4f" % v for v in vals)


def test_rokmat_blocks_land_where_the_layout_puts_them(tmp_path):
    # NX = 12 (two column records per row), NY = 2, NZ = 2; switches SW and P;
    # block (12, 1, 1) inactive. Value of block (i, j, k): k * 100 + j * 10 + i / 100.
    nx, ny, nz = 12, 2, 2
    recs = [_grid_record(nx, [40.0] * 10), _grid_record(nx, [40.0] * 2), _grid_record(ny, [30.0] * 2),
            _grid_record(nz, [10.0, 20.0])]
    switches = [1, 0, 0, 0, 0, 0, 0, 1, 0]
    recs.append(" %8d" % 2 + "".join("%12d" % v for v in switches + [-9999999]))

    def value(name, i, j, k, t):
        if (i, j, k) == (12, 1, 1):
            return tp.PAD
        return (1.0 if name == "SW" else 1000.0) * t + k * 100 + j * 10 + i / 100.0

    for t in (0.0, 5.0):
        recs.append(_grid_record(t, [], lead_fmt=" %8.1f"))
        for name in ("SW", "P"):
            for k in range(nz, 0, -1):
                for p in range(2):
                    for j in range(ny, 0, -1):
                        cols = range(p * 10 + 1, min(p * 10 + 10, nx) + 1)
                        recs.append(_grid_record(30.0, [value(name, i, j, k, t) for i in cols], " %8.1f"))
    # A last level cut short by a stopped run.
    recs.append(_grid_record(9.0, [], lead_fmt=" %8.1f"))
    recs.append(_grid_record(30.0, [1.0] * 10, " %8.1f"))
    path = tmp_path / "rokmat.lis"
    path.write_text("\n".join(recs) + "\n")

    grid, levels = tp.read_rokmat(str(path))
    assert (grid.nx, grid.ny, grid.nz) == (12, 2, 2)
    assert grid.dz == [10.0, 20.0]
    assert [t for t, _ in levels] == [0.0, 5.0]
    for t, arrays in levels:
        assert sorted(arrays) == ["P", "SW"]
        for name, a in arrays.items():
            assert a.shape == (nz, ny, nx)
            assert math.isnan(a[0, 0, 11])
            for (i, j, k) in [(1, 1, 1), (11, 2, 1), (12, 2, 2), (3, 1, 2)]:
                assert a[k - 1, j - 1, i - 1] == pytest.approx(value(name, i, j, k, t), abs=1e-4)


@pytest.fixture(scope="module")
def run_folder(tmp_path_factory):
    if not os.access(BINARY, os.X_OK):
        pytest.fail("the talvek program %s is not built" % BINARY)
    work = tmp_path_factory.mktemp("run")
    deck = os.path.join(SOURCE, "examples", "waterflood1d.txt")
    subprocess.run([BINARY, "--csv", "--quiet", "--output-dir", "run", deck, "w.lis", "r1.rst", "r2.rst"],
                   cwd=work, check=True, stdout=subprocess.DEVNULL)
    return work / "run"


def test_listing_files_read_back_as_the_result_tables(run_folder, tmp_path):
    # The same run without its CSV files: the series come from res.lis and
    # weld.lis and agree with the tables to the listing fields' digits.
    lis_only = tmp_path / "lis"
    shutil.copytree(run_folder, lis_only)
    for f in ("results.csv", "wells.csv"):
        os.remove(lis_only / f)
    kind_csv, field_csv, wells_csv = tp.read_series(str(run_folder))
    kind_lis, field_lis, wells_lis = tp.read_series(str(lis_only))
    assert (kind_csv, kind_lis) == ("csv", "lis")
    n = len(field_csv["time"])
    assert n > 10 and len(field_lis["time"]) == n
    # (column, absolute tolerance of F fields, relative tolerance of E9.3 fields)
    for name, atol, rtol in [("time", 0.5, 0), ("pavg", 0.5, 0), ("oil_recovery", 5e-4, 0),
                             ("pvi_aqueous", 5e-4, 0), ("pvi", 5e-4, 0), ("oil_rate", 0, 5e-3),
                             ("aqueous_rate", 0, 5e-3), ("cum_oil", 0, 5e-3), ("cum_aqueous", 0, 5e-3)]:
        np.testing.assert_allclose(field_lis[name], field_csv[name], rtol=rtol, atol=atol + 1e-12, err_msg=name)
    wc = field_csv["water_cut"]
    ok = np.isfinite(wc)
    np.testing.assert_allclose(field_lis["water_cut"][ok], wc[ok], atol=5e-3)
    assert len(wells_lis["time"]) == len(wells_csv["time"])
    np.testing.assert_array_equal(wells_lis["well"], wells_csv["well"])
    np.testing.assert_allclose(wells_lis["bhp"], wells_csv["bhp"], rtol=1e-4)
    np.testing.assert_allclose(wells_lis["aqueous_rate"], wells_csv["aqueous_rate"], rtol=1e-4, atol=1e-30)


def test_result_tables_of_an_earlier_run_are_not_taken(run_folder, tmp_path, capsys):
    # A later run into the same folder without --csv replaces the listing
    # files but leaves the earlier run's results.csv and wells.csv: the
    # series must be the later run's, read from its listing files.
    folder = tmp_path / "reused"
    shutil.copytree(run_folder, folder)
    deck = os.path.join(SOURCE, "examples", "fivespot_polymer.txt")
    subprocess.run([BINARY, "--quiet", "--output-dir", "reused", deck, "f.lis", "r1.rst", "r2.rst"],
                   cwd=tmp_path, check=True, stdout=subprocess.DEVNULL)
    kind, field, wells = tp.read_series(str(folder))
    assert kind == "lis"
    with open(folder / "res.lis") as f:
        records = sum(1 for line in f if line.strip())
    assert len(field["time"]) == records
    assert field["time"][-1] == pytest.approx(900.0, abs=0.5)
    assert sorted(set(wells["well"])) == [1.0, 2.0]
    assert "results.csv" in capsys.readouterr().err


def test_figures_of_a_run(run_folder, tmp_path):
    out = tmp_path / "figures"
    paths = tp.plot_run(str(run_folder), str(out))
    names = {os.path.basename(p) for p in paths}
    for fig in ("rates", "cumulatives", "ratios", "pressures", "recovery"):
        for ext in ("png", "svg"):
            assert fig + "." + ext in names
    grid, levels = tp.read_rokmat(str(run_folder / "rokmat.lis"))
    assert (grid.nx, grid.ny, grid.nz) == (20, 1, 1)
    # The last time level of rokmat.lis is the end of the run.
    field = tp.read_csv(str(run_folder / "results.csv"))
    assert levels[-1][0] == pytest.approx(field["time"][-1], abs=0.05)
    maps = [n for n in names if n.startswith("map_")]
    drawn = sum(1 for _, arrays in levels for a in arrays if a in tp.MAP_ARRAYS)
    assert drawn > 0 and len(maps) == 2 * drawn
    for p in paths:
        assert os.path.getsize(p) > 1000, p
    with open(out / "rates.png", "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"


def test_command_line_writes_the_figures(run_folder, tmp_path, capsys):
    assert tp.main([str(run_folder), "-o", str(tmp_path / "f"), "--format", "png", "--no-maps"]) == 0
    assert sorted(os.listdir(tmp_path / "f")) == sorted(
        n + ".png" for n in ("rates", "cumulatives", "ratios", "pressures", "recovery"))
    assert tp.main([str(tmp_path / "nothing-here")]) == 1
    assert "talvek_plot: error:" in capsys.readouterr().err


def test_restart_run_folder_gives_its_figures_without_maps(tmp_path, capsys):
    # A restart run writes rokmat.lis without the grid description (only its
    # time levels): its field figures are drawn, its maps left out with a
    # note, and the command succeeds.
    if not os.access(BINARY, os.X_OK):
        pytest.fail("the talvek program %s is not built" % BINARY)
    with open(os.path.join(SOURCE, "examples", "waterflood1d.txt")) as f:
        deck = f.read()
    control = "0 0 720. 720. 1."
    assert control in deck
    (tmp_path / "first.txt").write_text(deck.replace(control, "0 0 720. 360. 1."))
    (tmp_path / "restart.txt").write_text(deck.replace(control, "0 1 720. 720. 10."))
    subprocess.run([BINARY, "--quiet", "--output-dir", "first", "first.txt", "f.lis", "r0.rst", "r1.rst"],
                   cwd=tmp_path, check=True, stdout=subprocess.DEVNULL)
    subprocess.run([BINARY, "--csv", "--quiet", "--output-dir", "second", "restart.txt", "s.lis", "r1.rst",
                    "r2.rst"], cwd=tmp_path, check=True, stdout=subprocess.DEVNULL)
    folder = tmp_path / "second"
    assert tp.main([str(folder), "-o", str(tmp_path / "f"), "--format", "png"]) == 0
    assert sorted(os.listdir(tmp_path / "f")) == sorted(
        n + ".png" for n in ("rates", "cumulatives", "ratios", "pressures", "recovery"))
    assert "no grid description" in capsys.readouterr().err
    with pytest.raises(tp.NoGridDescription):
        tp.read_rokmat(str(folder / "rokmat.lis"))
    field = tp.read_csv(str(folder / "results.csv"))
    assert field["time"][0] > 360.0 and field["time"][-1] == pytest.approx(720.0)
