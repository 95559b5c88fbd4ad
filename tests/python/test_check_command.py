"""End-to-end tests of `ravelcrest check` on temporary copies of the sample models."""
import json
import os
import pathlib
import subprocess

from summary import rows as summary_rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest"))


def check(*args):
    return subprocess.run([BIN, "check", *map(str, args)], capture_output=True, text=True, timeout=120)


def rows(stdout):
    """The summary rows as (document, check, status) triples."""
    return [tuple(r[:3]) for r in summary_rows(stdout)]


def test_first_run_creates_baselines_and_second_agrees(models, tmp_path):
    part = models / "bracket.vxlprt"
    results = tmp_path / "results"
    first = check(part, "--results", results, "--build", "B1")
    assert first.returncode == 0, first.stdout + first.stderr
    statuses = {c: s for _, c, s in rows(first.stdout)}
    assert statuses["TestEdgeCount"] == "BASELINE CREATED"
    assert statuses["TestMassProp"] == "BASELINE CREATED"
    props = (models / "bracket.vxlprt.properties").read_bytes()
    assert b"EdgeCount = " in props and b"      Build: B1, Date: " in props and props.endswith(b"\r\n")
    assert (results / "journal.txt").exists()
    assert b'"TestEdgeCount - Enter"\r\n' in (results / "TraceLog.log").read_bytes()
    assert (results / "data" / "bracket.vxlprt" / "RavelcrestPartAssembly.dat").exists()

    second = check(part, "--results", results)
    assert second.returncode == 0, second.stdout
    assert all(s == "OK" for _, _, s in rows(second.stdout)), second.stdout


def test_an_edited_part_warns_with_both_values(models, tmp_path):
    part = models / "bracket.vxlprt"
    assert check(part, "--results", tmp_path / "r1").returncode == 0
    model = json.loads(part.read_text())
    config = model["configurations"][0]
    config["body"]["faces"] += [{"edges": 40, "triangles": 20}]
    part.write_text(json.dumps(model))
    run = check(part, "--results", tmp_path / "r2", "--checks", "TestEdgeCount")
    assert run.returncode == 1, run.stdout
    line = next(l for l in run.stdout.splitlines() if "TestEdgeCount" in l)
    assert line.split()[2:] == ["WARNING", "32", "12"]
    journal = (tmp_path / "r2" / "journal.txt").read_bytes()
    assert b"'*** WARNING - EdgeCount\r\n'*** 167% more\r\n'*** New = 32 edges\r\n'*** BaseLine = 12 edges\r\n" in journal


def test_a_document_that_fails_to_open_fails_the_run(models, tmp_path):
    broken = models / "broken.vxlprt"
    broken.write_text('{"configurations": 7}')
    run = check(broken, models / "bolt.vxlprt", "--results", tmp_path / "r")
    assert run.returncode == 2
    assert ("broken.vxlprt", "open", "FAILED") in rows(run.stdout)
    assert any(d == "bolt.vxlprt" for d, _, _ in rows(run.stdout))


def test_baselines_folder_keeps_the_sample_tree_clean(models, tmp_path):
    work = tmp_path / "work"
    run = check(models / "bolt.vxlprt", models / "fastener.vxlasm", "--results", tmp_path / "r", "--baselines", work)
    assert run.returncode == 0, run.stdout
    assert not list(models.glob("*.properties"))
    assert (work / "models" / "bolt.vxlprt.properties").exists()
    again = check(models / "bolt.vxlprt", "--results", tmp_path / "r2", "--baselines", work)
    assert again.returncode == 0
    assert all(s == "OK" for _, _, s in rows(again.stdout)), again.stdout


def test_multi_session_and_check_selection(models, tmp_path):
    run = check(models / "bracket.vxldrw", "--results", tmp_path / "r", "--multi-session",
                "--checks", "FailFeatureInSheets,ActivateSheets")
    assert run.returncode == 0, run.stdout + run.stderr
    assert [c for _, c, _ in rows(run.stdout)] == ["FailFeatureInSheets", "ActivateSheets"]
    assert (tmp_path / "r" / "data" / "bracket.vxldrw" / "RavelcrestDrawingSheetCount.dat").read_bytes() == b" 3 \r\n"


def test_usage_errors(tmp_path):
    run = check("--results", tmp_path)
    assert run.returncode == 2
    assert run.stderr.startswith("ravelcrest: ")
    assert check(tmp_path / "none.vxlprt").returncode == 2
