"""Tests of the ensemble tool: items found and changed in a deck (and names
refused), and short ensembles of the one-dimensional waterflood run on a
local Dask cluster of two workers: equal to the same decks run one by one, a
broken variant failing alone (on a scheduler given by address), a second run
running nothing.

The talvek program is taken from the environment variable TALVEK_BINARY
(ctest sets it), else from build/talvek of the source tree."""

import csv
import json
import os
import subprocess

import pytest
import yaml

import talvek_ensemble as te

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
BINARY = os.environ.get("TALVEK_BINARY", os.path.join(SOURCE, "build", "talvek"))
WATERFLOOD = os.path.join(SOURCE, "examples", "waterflood1d.txt")


def _base_text():
    with open(WATERFLOOD) as f:
        return f.read()


def _changed(old, new):
    """(line number, new line) of every line that differs; lines inserted
    show as a longer deck."""
    a, b = old.split("\n"), new.split("\n")
    if len(a) != len(b):
        return [("inserted", ln) for ln in b if ln not in a]
    return [(i, y) for i, (x, y) in enumerate(zip(a, b)) if x != y]


@pytest.mark.parametrize("address, value, line", [
    ({"group": "DATA 02B", "item": "TMSTOP"}, 60.0, "0 0 720. 60. 1."),
    ({"group": "DATA 02B", "position": 3}, 800, "0 0 800. 720. 1."),
    ({"group": "DATA 03B", "item": "matbak"}, 2, "1 1 0 0 10. 0.01 0.05 100. 100. 0.05 2"),
    ({"group": "DATA 10B", "item": "NUSLVR"}, 1, "20 1 1 1 2 1 1 1 0. 0."),
    ({"group": "DATA 21A", "region": [1, 20, 1, 1, 1, 1]}, 0.25, "1 20 1 1 1 1 0.25"),
    ({"group": "DATA 38C", "row": 2, "item": "KRW"}, 0.01, "0.25 0.01 0.8403 0. 0."),
    ({"group": "DATA 43C", "row": 2, "position": 2}, 20, "1000. 20."),
    ({"group": "DATA 45D", "record": 1, "item": "SIMNEW"}, 60.0, "2 1 1. 60. 0. 100. 50000."),
    ({"group": "DATA 45D", "record": 1, "well": 2, "item": "BHP"}, 2800, "-1 2 20 1 1 11 20. 2800. 0. 0. 0."),
    ({"group": "45", "record": 1, "well": 1, "item": "CONCPI"}, 500.0, "-2 1 1 1 1 2 20. 10000. 0.2 500. 0."),
])
def test_one_item_changes_and_nothing_else(address, value, line):
    base = _base_text()
    deck = te.Deck(base)
    deck.set(address, value)
    changed = _changed(base, deck.text())
    assert [c[1] for c in changed] == [line]


def test_array_box_without_a_line_is_added_last_and_repeat_counts_are_split():
    base = _base_text()
    deck = te.Deck(base)
    deck.set({"group": "DATA 18A", "region": [1, 5, 1, 1, 1, 1]}, 100.0)
    lines = deck.text().split("\n")
    i = lines.index("1 5 1 1 1 1 100.")
    assert lines[i - 1] == "1 20 1 1 1 1 500." and lines[i + 1] == "0 0 0 0 0 0 0"
    assert len(lines) == len(base.split("\n")) + 1

    deck = te.Deck(base.replace("0 0 720. 720. 1.", "0 0 2*720. 1.  / comment"))
    deck.set({"group": "DATA 02B", "item": "TMSTOP"}, 30.0)
    assert "0 0 1*720. 30. 1.  / comment" in deck.text()
    deck = te.Deck(base.replace("0 0 720. 720. 1.", "0 0 720. /"))
    with pytest.raises(te.EnsembleError, match="not given in the deck"):
        deck.set({"group": "DATA 02B", "item": "DELT"}, 2.0)


@pytest.mark.parametrize("address, message", [
    ({"group": "DATA 02B", "item": "TMSTP"}, "data group DATA 02B has no item TMSTP \\(its items: IPRTDAT IRSTRT"),
    ({"group": "DATA 38C", "row": 1, "item": "KRG"}, "DATA 38C has no item KRG"),
    ({"group": "DATA 45D", "record": 1, "item": "CONCPI"}, "DATA 45D has no item CONCPI \\(its items: NOW"),
    ({"group": "DATA 45D", "record": 1, "well": 2, "item": "SIMNEW"}, "DATA 45D has no item SIMNEW"),
    ({"group": "DATA 45D", "record": 1, "well": 7, "item": "BHP"}, "record 1 has no well line of well 7"),
    ({"group": "DATA 45D", "record": 3, "item": "SIMNEW"}, "the schedule has 1 records, not 3"),
    ({"group": "DATA 24A", "region": [1, 2, 3]}, "needs its region box"),
    ({"group": "DATA 46B", "item": "X"}, "no line starts with the label of data group 46"),
    ({"group": "DATA 01E", "item": "TITLE"}, "cannot be varied"),
])
def test_unknown_names_and_addresses_are_refused(address, message):
    deck = te.Deck(_base_text(), "wf.txt")
    before = deck.text()
    with pytest.raises(te.EnsembleError, match=message):
        deck.set(address, 1.0)
    assert deck.text() == before


def test_repeat_counts_and_null_values_in_end_lines_and_schedule_lines():
    text = _base_text().replace("1 20 1 1 1 1 0.2\n0 0 0 0 0 0 0", "1 20 1 1 1 1 0.2\n7*0")
    head, _ = text.split("2 1 1. 720. 0. 100. 50000.")
    text = head + ("2 1 1. 720. 0. 100. 50000.\n-2 1 1 1 1 2 20. 10000. 0.2 0. 0.\n"
                   "-1 2 20 1 1 11 20. 2900. 3*0.\n0,1,1.,800.,, 100. 50000.\n7*0\n")
    deck = te.Deck(text, "wf.txt")
    deck.set({"group": "DATA 21A", "region": [1, 10, 1, 1, 1, 1]}, 0.3)
    assert "1 20 1 1 1 1 0.2\n1 10 1 1 1 1 0.3\n7*0" in deck.text()
    deck.set({"group": "DATA 45D", "record": 2, "item": "QOECON"}, 5.0)
    assert "0,1,1.,800.,5., 100. 50000." in deck.text()
    with pytest.raises(te.EnsembleError, match="record 2 has no well line of well 2"):
        deck.set({"group": "DATA 45D", "record": 2, "well": 2, "item": "BHP"}, 1.0)
    deck.set({"group": "DATA 45D", "record": 1, "well": 2, "item": "CONCTI"}, 10.0)
    assert "-1 2 20 1 1 11 20. 2900. 2*0. 10." in deck.text()
    bad = te.Deck(text.replace("0,1,1.,800.", "0,1,1.,eight"), "wf.txt")
    with pytest.raises(te.EnsembleError, match="wf.txt: data group DATA 45D: 'eight' is not a number"):
        bad.set({"group": "DATA 45D", "record": 3, "item": "SIMNEW"}, 1.0)


def test_whole_form_array_is_refused():
    text = _base_text().replace("1 KX\n1 20 1 1 1 1 500.\n0 0 0 0 0 0 0", "0 KX\n20*500.")
    with pytest.raises(te.EnsembleError, match="given whole"):
        te.Deck(text).set({"group": "DATA 18A", "region": [1, 20, 1, 1, 1, 1]}, 100.0)


def test_variants_of_lists_ranges_and_seeded_draws():
    ens = {"parameters": {
        "a": {"values": [1, 2]},
        "b": {"range": {"from": 0.0, "to": 1.0, "count": 3}},
        "c": {"random": {"low": 5.0, "high": 6.0}}}, "samples": 2, "seed": 7}
    v = te.variants(ens)
    assert len(v) == 2 * 3 * 2
    assert sorted({x["b"] for x in v}) == [0.0, 0.5, 1.0]
    assert all(5.0 <= x["c"] <= 6.0 for x in v)
    assert te.variants(ens) == v                      # the seed fixes the draws
    assert len({x["c"] for x in v}) == 2               # the same two draws in every grid cell


def _short_base(tmp_path):
    deck = te.Deck(_base_text())
    deck.set({"group": "DATA 02B", "item": "TMSTOP"}, 40.0)
    path = tmp_path / "short.txt"
    path.write_text(deck.text())
    return path


def _ensemble(tmp_path, name, parameters, collect=None):
    path = tmp_path / (name + ".yaml")
    ens = {"base": "short.txt", "output": name, "parameters": parameters}
    if collect:
        ens["collect"] = collect
    path.write_text(yaml.safe_dump(ens))
    return str(path)


def _read(path):
    with open(path, newline="") as f:
        return list(csv.reader(f))


@pytest.fixture(scope="module")
def sweep(tmp_path_factory):
    """A 4 x 4 sweep of the injection rate and the porosity on a local
    cluster of two workers."""
    tmp = tmp_path_factory.mktemp("sweep")
    _short_base(tmp)
    path = _ensemble(tmp, "sweep", {
        "rate": {"group": "DATA 45D", "record": 1, "well": 1, "item": "QSP", "values": [0.1, 0.15, 0.2, 0.25]},
        "phi": {"group": "DATA 21A", "region": [1, 20, 1, 1, 1, 1], "range": {"from": 0.15, "to": 0.3, "count": 4}},
    }, {"recovery_at": [20.0, 40.0]})
    log = []
    prepared, results, ran = te.run_ensemble(path, BINARY, workers=2, log=log.append)
    return tmp, path, prepared, results, ran, log


def test_sweep_on_two_workers_equals_the_decks_run_one_by_one(sweep):
    tmp, _, prepared, results, ran, _ = sweep
    assert len(prepared) == 16 and len(ran) == 16
    assert all(r["status"] == "ok" for r in results.values())
    table = _read(tmp / "sweep" / "ensemble.csv")
    head, rows = table[0], {r[0]: r for r in table[1:]}
    series = _read(tmp / "sweep" / "series.csv")
    for name, folder, values in prepared:
        alone = tmp / "alone" / name
        alone.mkdir(parents=True)
        subprocess.run([BINARY, "--csv", "--quiet", "--output-dir", "out", os.path.join(folder, "deck.txt"),
                        "a.lis", "a1.rst", "a2.rst"], cwd=alone, check=True, capture_output=True)
        own = _read(alone / "out" / "results.csv")
        assert series[0][1:] == own[0]
        assert [r[1:] for r in series[1:] if r[0] == name] == own[1:]
        row = rows[name]
        assert float(row[head.index("rate")]) == values["rate"]
        final = float(row[head.index("final_oil_recovery [fraction of oil in place]")])
        assert final == float(own[-1][own[0].index("oil_recovery [fraction of oil in place]")])
        assert float(row[head.index("recovery_at_40 [d]")]) == final
        assert float(row[head.index("final_time [d]")]) == 40.0
    # The variants really differ: recovery grows with the rate at a porosity.
    by = {(float(rows[n][head.index("rate")]), float(rows[n][head.index("phi")])):
          float(rows[n][head.index("recovery_at_20 [d]")]) for n in rows}
    assert by[(0.25, 0.15)] > by[(0.1, 0.15)]


def test_second_run_runs_nothing_and_keeps_the_results(sweep):
    tmp, path, prepared, _, _, _ = sweep
    stamps = {n: os.stat(os.path.join(f, "result.json")).st_mtime_ns for n, f, _ in prepared}
    table = (tmp / "sweep" / "ensemble.csv").read_text()
    log = []
    _, results, ran = te.run_ensemble(path, BINARY, workers=2, log=log.append)
    assert ran == []
    assert log[0] == "16 variants: 0 to run, 16 done before"
    assert {n: os.stat(os.path.join(f, "result.json")).st_mtime_ns for n, f, _ in prepared} == stamps
    assert (tmp / "sweep" / "ensemble.csv").read_text() == table


@pytest.fixture
def scheduler():
    """A running scheduler with two workers, given to the tool by address."""
    from dask.distributed import LocalCluster
    cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    yield cluster.scheduler_address
    cluster.close()


def test_broken_variant_fails_alone_with_its_message(tmp_path, scheduler):
    _short_base(tmp_path)
    path = _ensemble(tmp_path, "broken", {
        "dtmax": {"group": "DATA 03B", "item": "DTMAX", "values": [5.0, "ten", 10.0]}})
    _, results, ran = te.run_ensemble(path, BINARY, scheduler=scheduler, log=lambda s: None)
    assert sorted(ran) == ["v001", "v002", "v003"]
    assert results["v001"]["status"] == results["v003"]["status"] == "ok"
    bad = results["v002"]
    assert bad["status"] == "failed" and bad["exit_status"] == 1
    assert "data group DATA 03B, item DTMAX" in bad["message"]
    table = _read(tmp_path / "broken" / "ensemble.csv")
    assert table[2][:3] == ["v002", "failed", bad["message"]]
    assert json.loads((tmp_path / "broken" / "variants" / "v002" / "result.json").read_text())["status"] == "failed"
    series = _read(tmp_path / "broken" / "series.csv")
    assert {r[0] for r in series[1:]} == {"v001", "v003"}
    # A failed variant is run again only when asked, alone.
    _, _, ran = te.run_ensemble(path, BINARY, scheduler=scheduler, log=lambda s: None)
    assert ran == []
    _, _, ran = te.run_ensemble(path, BINARY, scheduler=scheduler, retry_failed=True, log=lambda s: None)
    assert ran == ["v002"]


def test_command_refuses_an_unknown_item_before_running(tmp_path, capsys):
    _short_base(tmp_path)
    path = _ensemble(tmp_path, "bad", {"x": {"group": "DATA 02B", "item": "TSTOP", "values": [1.0]}})
    assert te.main(["run", path, "--talvek", BINARY]) == 2
    err = capsys.readouterr().err
    assert "parameter x: " in err and "short.txt (variant v001): data group DATA 02B has no item TSTOP" in err
    assert not (tmp_path / "bad" / "variants").exists()


def test_plots_of_an_ensemble(sweep):
    tmp = sweep[0]
    written = te.plot_ensemble(str(tmp / "sweep"), str(tmp / "figs"))
    assert sorted(os.path.basename(p) for p in written) == ["headline.png", "spread.png"]
    assert all(os.path.getsize(p) > 10000 for p in written)
