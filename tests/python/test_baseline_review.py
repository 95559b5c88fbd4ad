"""End-to-end tests of baseline review: `baseline accept` writes the last
run's new values for the checks named and nothing else, `baseline list`
shows every baseline with its age, `baseline prune` removes those of
documents that are gone; an interrupted run leaves no half-written file."""
import os
import re
import pathlib
import signal
import shutil
import subprocess
import time

from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def ravelcrest(*args):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=300)


def statuses(stdout, document):
    return {r[1]: r[2] for r in rows(stdout) if r[0] == document}


def edited(models, tmp_path):
    assert ravelcrest("check", models, "--results", tmp_path / "r0").returncode == 0
    subprocess.run(["/usr/bin/python3", ROOT / "examples" / "edit_models.py", models], check=True, capture_output=True)


def test_accepting_named_checks_touches_only_those(models, tmp_path):
    edited(models, tmp_path)
    assert ravelcrest("check", models, "--results", tmp_path / "r1").returncode == 1
    props = models / "bolt.vxlprt.properties"
    before = props.read_bytes()
    mass_before = (models / "bolt.vxlprt.massproperties").read_bytes()

    accept = ravelcrest("baseline", "accept", models / "bolt.vxlprt", "--checks", "TestEdgeCount,MassPropInCfgs")
    assert accept.returncode == 0, accept.stderr
    assert "bolt.vxlprt TestEdgeCount: 2 -> 4" in accept.stdout
    assert "bolt.vxlprt MassPropInCfgs: Default 2  -> Default 4 " in accept.stdout
    after = props.read_bytes()
    assert b"EdgeCount = 4      Build: accepted" in after
    changed = [(a, b) for a, b in zip(before.split(b"\r\n"), after.split(b"\r\n")) if a != b]
    assert len(changed) == 1 and changed[0][0].startswith(b"EdgeCount = 2")
    assert (models / "bolt.vxlprt.massproperties").read_bytes() == mass_before

    run = ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r2")
    table = statuses(run.stdout, "bolt.vxlprt")
    assert table["TestEdgeCount"] == table["MassPropInCfgs"] == "OK"
    assert table["TestTessTriangleCount"] == table["TestMassProp"] == "WARNING"

    nothing = ravelcrest("baseline", "accept", models / "bolt.vxlprt", "--checks", "TestEdgeCount")
    assert "nothing to accept" in nothing.stdout


def test_accept_all_then_rerun_is_clean(models, tmp_path):
    edited(models, tmp_path)
    assert ravelcrest("check", models, "--results", tmp_path / "r1").returncode == 1
    accept = ravelcrest("baseline", "accept", models)
    assert accept.returncode == 0, accept.stderr
    assert re.search(r"bracket.vxlprt TestMassProp: line \d+: \S+ -> \S+ ", accept.stdout) and "bracket.vxlprt.massproperties replaced" in accept.stdout
    rerun = ravelcrest("check", models, "--results", tmp_path / "r2", "--time-floor", "60")
    assert rerun.returncode == 0, rerun.stdout
    assert {r[2] for r in rows(rerun.stdout)} == {"OK", "NOT APPLICABLE"}
    assert not list(models.rglob("last-run.json"))


def test_accept_refuses_a_record_that_names_files_outside_the_document_folder(models, tmp_path):
    edited(models, tmp_path)
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r1").returncode == 1
    record = models / ".ravelcrest" / "bolt.vxlprt" / "last-run.json"
    record.write_text(record.read_text().replace('"bolt.vxlprt.massproperties"', '"../../victim"'))
    victim = tmp_path / "victim"
    victim.write_text("keep")
    run = ravelcrest("baseline", "accept", models / "bolt.vxlprt")
    assert run.returncode == 2 and "outside the document's folder" in run.stderr
    assert victim.read_text() == "keep"


def test_list_shows_every_baseline_and_prune_removes_those_of_missing_documents(models, tmp_path):
    assert ravelcrest("check", models, "--results", tmp_path / "r").returncode == 0
    old = models / "nut.prt.properties"
    stamp = time.time() - 3 * 86400
    os.utime(models / "bolt.vxlprt.massproperties", (stamp, stamp))
    listing = ravelcrest("baseline", "list", models)
    assert listing.returncode == 0
    lines = listing.stdout.splitlines()
    assert any(l.endswith("bolt.vxlprt.massproperties  3 days") for l in lines), listing.stdout
    assert any("bolt.vxlprt  EdgeCount = 2  today" in l for l in lines)
    assert any(".ravelcrest/bolt.vxlprt/MassPropertyInCinfigs.dat" in l for l in lines)

    (models / "nut.prt").unlink()
    shutil.copy(models / "bolt.vxlprt", tmp_path / "elsewhere.vxlprt")
    (models / "link.vxlprt.properties").symlink_to(tmp_path / "elsewhere.vxlprt")
    dry = ravelcrest("baseline", "prune", models, "--dry-run")
    assert "would remove " + str(old) in dry.stdout and old.exists()
    prune = ravelcrest("baseline", "prune", models)
    assert prune.returncode == 0
    assert not old.exists() and not (models / ".ravelcrest" / "nut.prt").exists()
    assert not (models / "link.vxlprt.properties").is_symlink() and (tmp_path / "elsewhere.vxlprt").exists()
    assert (models / "bolt.vxlprt.properties").exists() and (models / ".ravelcrest" / "bolt.vxlprt").exists()


def test_an_interrupted_parallel_run_prints_its_summary_and_leaves_whole_baselines(models, tmp_path):
    many = tmp_path / "many"
    many.mkdir()
    for i in range(80):
        shutil.copy(models / "bracket.vxlprt", many / f"p{i:02}.vxlprt")
    proc = subprocess.Popen([BIN, "check", many, "--results", tmp_path / "r", "-j", "2"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    header = proc.stdout.readline()
    assert header.startswith("DOCUMENT")
    first = proc.stdout.readline()
    proc.send_signal(signal.SIGINT)
    out, err = proc.communicate(timeout=120)
    assert proc.returncode == 130, err
    assert "interrupted: " in out and " of 80 documents checked" in out
    checked = {r[0] for r in rows(header + first + out)}
    assert 0 < len(checked) < 80
    for props in many.glob("*.properties"):
        lines = props.read_bytes().split(b"\r\n")
        assert lines[-1] == b"" and all(b"Build: " in l for l in lines[:-1]), props
    assert not list((tmp_path / "r").glob(".journal-*"))
