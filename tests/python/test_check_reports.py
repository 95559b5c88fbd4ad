"""End-to-end tests of the run's reports for CI (`--json`, `--junit`), of
parallel and sharded runs and `ravelcrest merge`, and of `--ci`: each goes
through the built tool on temporary copies of the sample models."""
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess
import xml.etree.ElementTree as ET

import pytest
from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))
SCHEMA = ROOT / "tests" / "tools" / "reports" / "junit.xsd"
TIMING = "TestPerformance(Exp_Open)"


def ravelcrest(*args):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=300)


def comparable(stdout):
    """The rows without the open time, which differs from run to run."""
    return [r[:3] if r[1] == TIMING else r for r in rows(stdout)]


def headings(journal):
    return [line for line in journal.read_bytes().split(b"\r\n") if line.startswith(b"'===== ")]


def edited_models(models, tmp_path):
    """The samples with baselines, then edited so the second run warns."""
    assert ravelcrest("check", models, "--results", tmp_path / "r0", "-j", "1").returncode == 0
    subprocess.run(["/usr/bin/python3", ROOT / "examples" / "edit_models.py", models], check=True, capture_output=True)
    return models


def test_parallel_and_sharded_runs_equal_a_serial_run(models, tmp_path):
    edited_models(models, tmp_path)
    # Opening the STEP samples takes real time, which varies on a busy machine.
    serial = ravelcrest("check", models, "--results", tmp_path / "s", "-j", "1", "--json", tmp_path / "s.json",
                        "--time-floor", "60")
    parallel = ravelcrest("check", models, "--results", tmp_path / "p", "-j", "3", "--time-floor", "60")
    assert serial.returncode == parallel.returncode == 1, serial.stdout
    assert comparable(parallel.stdout) == comparable(serial.stdout)
    assert headings(tmp_path / "p" / "journal.txt") == headings(tmp_path / "s" / "journal.txt")

    parts = []
    for k in (1, 2, 3):
        shard = ravelcrest("check", models, "--results", tmp_path / f"k{k}", "--shard", f"{k}/3",
                           "--json", tmp_path / f"k{k}.json", "--time-floor", "60")
        assert shard.returncode in (0, 1), shard.stderr
        parts.append(tmp_path / f"k{k}.json")
    labels = {k: {r[0] for r in rows(ravelcrest("check", models, "--results", tmp_path / "x", "--shard", f"{k}/3",
                                                  "--checks", "TestFileSize").stdout)} for k in (1, 2, 3)}
    assert not (labels[1] & labels[2]) and not (labels[2] & labels[3])
    assert len(labels[1] | labels[2] | labels[3]) == 12

    merged = ravelcrest("merge", *reversed(parts), "--json", tmp_path / "m.json", "--junit", tmp_path / "m.xml")
    assert merged.returncode == 1, merged.stdout + merged.stderr
    assert merged.stdout.startswith("12 of 12 documents")
    whole = json.loads((tmp_path / "s.json").read_text())
    joined = json.loads((tmp_path / "m.json").read_text())

    def checks(results):
        return [(d["document"], c["check"], c["status"], c["message"]) for d in results["documents"]
                for c in d["checks"]]
    assert checks(joined) == checks(whole)
    assert joined["summary"] == whole["summary"]

    missing = ravelcrest("merge", parts[0], parts[2])
    assert missing.returncode == 2 and "in none of the results" in missing.stderr


def test_json_and_junit_hold_every_check_with_warnings_as_failures(models, tmp_path):
    edited_models(models, tmp_path)
    run = ravelcrest("check", models, "--results", tmp_path / "r", "--json", tmp_path / "r.json",
                     "--junit", tmp_path / "r.xml")
    assert run.returncode == 1
    results = json.loads((tmp_path / "r.json").read_text())
    assert results["format"] == "ravelcrest-results" and results["documentCount"] == 12
    bolt = next(d for d in results["documents"] if d["document"] == "bolt.vxlprt")
    edges = next(c for c in bolt["checks"] if c["check"] == "TestEdgeCount")
    assert (edges["status"], edges["new"], edges["baseline"]) == ("WARNING", "4", "2")
    assert "'===== bolt.vxlprt" in bolt["journal"]

    tree = ET.parse(tmp_path / "r.xml").getroot()
    cases = tree.findall("./testsuite/testcase")
    assert len(cases) == results["summary"]["checks"] == len(rows(run.stdout))
    failures = [c for c in cases if c.find("failure") is not None]
    assert len(failures) == int(tree.get("failures")) == results["summary"]["warned"]
    failure = next(c for c in failures if c.get("classname") == "bolt.vxlprt" and c.get("name") == "MassPropInCfgs")
    assert failure.find("failure").get("type") == "WARNING"
    assert 'line 1: baseline "Default 2 ", new "Default 4 "' in failure.find("failure").get("message")

    if shutil.which("xmllint") is None:
        pytest.skip("xmllint (libxml2-utils) is not installed: the schema check is skipped")
    valid = subprocess.run(["xmllint", "--noout", "--schema", SCHEMA, tmp_path / "r.xml"], capture_output=True, text=True)
    assert valid.returncode == 0, valid.stderr


def test_junit_stays_valid_xml_whatever_bytes_a_journal_or_name_holds(models, tmp_path):
    shutil.copy(os.fsencode(models / "bolt.vxlprt"), os.fsencode(models) + b"/odd <&> \x01 name \xe9.vxlprt")
    run = ravelcrest("check", models, "--results", tmp_path / "r", "--checks", "TestFileSize",
                     "--junit", tmp_path / "r.xml", "--json", tmp_path / "r.json")
    assert run.returncode == 0, run.stderr
    ET.parse(tmp_path / "r.xml")
    names = [d["document"] for d in json.loads((tmp_path / "r.json").read_text())["documents"]]
    assert any("odd <&>" in n for n in names)
    if shutil.which("xmllint"):
        assert subprocess.run(["xmllint", "--noout", "--schema", SCHEMA, tmp_path / "r.xml"]).returncode == 0


def test_ci_mode_fails_missing_baselines_instead_of_creating_them(models, tmp_path):
    part = models / "bolt.vxlprt"
    run = ravelcrest("check", part, "--results", tmp_path / "r1", "--ci")
    assert run.returncode == 2
    table = {r[1]: r[2] for r in rows(run.stdout)}
    assert table["TestEdgeCount"] == table["TestMassProp"] == table["MassPropInCfgs"] == "FAILED"
    assert "--ci fails instead of creating it" in run.stdout
    assert not (models / "bolt.vxlprt.properties").exists() and not (models / "bolt.vxlprt.massproperties").exists()
    assert ravelcrest("check", part, "--results", tmp_path / "r2").returncode == 0
    again = ravelcrest("check", part, "--results", tmp_path / "r3", "--ci")
    assert again.returncode == 0, again.stdout


@pytest.mark.parametrize("option,value,words", [("--shard", "0/2", "not a shard"), ("--shard", "3/2", "not a shard"),
                                                ("--shard", "x", "not a shard"), ("-j", "0", "parallel sessions"),
                                                ("--report", "/proc/nonexistent/r.html", "cannot create the folder")])
def test_bad_run_options_are_refused_before_anything_runs(models, tmp_path, option, value, words):
    run = ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r", option, value)
    assert run.returncode == 2 and words in run.stderr, run.stderr
    assert not (tmp_path / "r").exists()


def test_merge_refuses_files_that_are_not_results(tmp_path):
    (tmp_path / "x.json").write_text('{"something": 1}')
    (tmp_path / "y.json").write_text("not json")
    for name in ("x.json", "y.json", "missing.json"):
        run = ravelcrest("merge", tmp_path / name)
        assert run.returncode == 2 and name in run.stderr, run.stderr


def test_merge_takes_a_document_twice_only_when_told_and_refuses_runs_that_do_not_compare(models, tmp_path):
    part = models / "bolt.vxlprt"
    ok = ravelcrest("check", part, "--results", tmp_path / "r1", "--json", tmp_path / "ok.json")
    assert ok.returncode == 0, ok.stdout
    part.write_text("{ not a model")
    failed = ravelcrest("check", part, "--results", tmp_path / "r2", "--json", tmp_path / "failed.json")
    assert failed.returncode == 2
    for order in (("ok.json", "failed.json"), ("failed.json", "ok.json")):
        both = ravelcrest("merge", *(tmp_path / name for name in order))
        assert both.returncode == 2, both.stdout
        assert "document 1 (bolt.vxlprt) is in" in both.stderr and "--prefer later" in both.stderr, both.stderr
    later = ravelcrest("merge", tmp_path / "ok.json", tmp_path / "failed.json", "--prefer", "later")
    assert later.returncode == 2 and "1 document was in more than one input" in later.stdout, later.stdout
    assert ravelcrest("merge", tmp_path / "failed.json", tmp_path / "ok.json", "--prefer", "later").returncode == 0
    assert ravelcrest("merge", tmp_path / "ok.json", "--prefer", "earlier").returncode == 2

    for option, value, difference in (("--tolerance", "10", "the tolerance differs"),
                                      ("--checks", "TestFileSize", "the checks differs: all in"),
                                      ("--image-tolerance", "3", "the image tolerance differs: 0 in")):
        other = ravelcrest("check", models / "nut.prt", "--results", tmp_path / "r3", "--json", tmp_path / "o.json",
                           option, value)
        assert other.returncode in (0, 1), other.stdout + other.stderr
        refused = ravelcrest("merge", tmp_path / "ok.json", tmp_path / "o.json")
        assert refused.returncode == 2 and difference in refused.stderr, refused.stderr
        assert str(tmp_path / "o.json") in refused.stderr

    results = json.loads((tmp_path / "ok.json").read_text())
    for count in (-5, 0, "1", 2.5):
        results["documentCount"] = count
        (tmp_path / "bad.json").write_text(json.dumps(results))
        bad = ravelcrest("merge", tmp_path / "bad.json")
        assert bad.returncode == 2 and "bad.json" in bad.stderr, bad.stdout
        assert "18446744073709551611" not in bad.stdout + bad.stderr


def test_a_worker_that_dies_costs_only_its_document(models, tmp_path):
    many = tmp_path / "many"
    many.mkdir()
    # Enough documents that a worker is still alive when the poll finds it,
    # few enough for a sanitizer build on a loaded machine.
    for i in range(80):
        shutil.copy(models / "bracket.vxlprt", many / f"p{i:03}.vxlprt")
    proc = subprocess.Popen([BIN, "check", many, "--results", tmp_path / "r", "-j", "2", "--json", tmp_path / "r.json"],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    proc.stdout.readline()
    children = pathlib.Path(f"/proc/{proc.pid}/task/{proc.pid}/children")
    killed = None
    while killed is None and proc.poll() is None:
        pids = children.read_text().split() if children.exists() else []
        if pids:
            killed = int(pids[0])
            os.kill(killed, signal.SIGKILL)
    out, err = proc.communicate(timeout=600)
    if killed is None:
        pytest.skip("the run ended before a worker could be stopped")
    documents = json.loads((tmp_path / "r.json").read_text())["documents"]
    assert [d["index"] for d in documents] == list(range(80))
    lost = [d for d in documents if any("worker process checking it ended (signal 9)" in c["message"] for c in d["checks"])]
    assert len(lost) <= 1 and proc.returncode == (2 if lost else 0), out[-2000:]
