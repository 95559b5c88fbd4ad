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

import pytest

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
    # The quantity that moved most, old -> new, as the row showed it.
    assert re.search(r"bracket.vxlprt TestMassProp: [\d.e+-]+ -> [\d.e+-]+ ", accept.stdout) and "bracket.vxlprt.massproperties replaced" in accept.stdout
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
    # A file that only looks like a baseline was never recorded as one: kept.
    assert (models / "link.vxlprt.properties").is_symlink() and (tmp_path / "elsewhere.vxlprt").exists()
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


def test_prune_removes_only_recorded_baselines_and_keeps_those_of_a_dangling_link(models, tmp_path):
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    shutil.copy(models / "bolt.vxlprt", elsewhere / "linked.vxlprt")
    (models / "linked.vxlprt").symlink_to(elsewhere / "linked.vxlprt")
    assert ravelcrest("check", models, "--results", tmp_path / "r").returncode == 0
    assert (models / "linked.vxlprt.properties").exists()
    # Files of the user's that only look like baselines of missing documents.
    user = {"overview-asm.gif": b"GIF89a user", "setup.prt.properties": b"user data",
            "team-photo-drw.cbf": b"CBF1 user", "gone.vxlprt.massproperties": b"user"}
    for name, data in user.items():
        (models / name).write_bytes(data)
    (models / "nut.prt").unlink()
    (elsewhere / "linked.vxlprt").rename(elsewhere / "moved.vxlprt")  # the link's target briefly missing

    prune = ravelcrest("baseline", "prune", models)
    assert prune.returncode == 0, prune.stderr
    for name, data in user.items():
        assert (models / name).read_bytes() == data, name
    assert not (models / "nut.prt.properties").exists() and "removed " + str(models / "nut.prt.properties") in prune.stdout
    assert (models / "linked.vxlprt.properties").exists() and (models / ".ravelcrest" / "linked.vxlprt").exists()
    assert "kept " + str(models / "linked.vxlprt.properties") in prune.stdout, prune.stdout
    assert "--include-dangling" in prune.stdout

    dangling = ravelcrest("baseline", "prune", models, "--include-dangling")
    assert dangling.returncode == 0, dangling.stderr
    assert not (models / "linked.vxlprt.properties").exists() and not (models / ".ravelcrest" / "linked.vxlprt").exists()
    assert (models / "linked.vxlprt").is_symlink()  # the document itself is never touched
    for name, data in user.items():
        assert (models / name).read_bytes() == data, name
    assert (models / "bolt.vxlprt.properties").exists()


def unwritable(*command):
    """The command run where the folders it is denied are denied to it too:
    as root, in a user namespace of its own, where root's files are only its owner's."""
    if os.geteuid() != 0:
        return list(command)
    if shutil.which("unshare") is None:
        pytest.skip("running as root without unshare: a read-only folder cannot be made")
    return ["unshare", "-U", *command]


def test_a_baseline_that_cannot_be_written_is_a_failed_row(models, tmp_path):
    folder = tmp_path / "ro"
    folder.mkdir()
    shutil.copy(models / "bolt.vxlprt", folder / "bolt.vxlprt")
    folder.chmod(0o555)
    try:
        for extra in ([], ["--ci"]):
            run = subprocess.run(unwritable(BIN, "check", folder / "bolt.vxlprt", "--results", tmp_path / "r",
                                            "--checks", "TestEdgeCount,TestFileSize,TestFileVersion,TestMassProp,"
                                            "MassPropInCfgs,TestBitmapCompare",
                                            *extra), capture_output=True, text=True, timeout=300)
            assert run.returncode == 2, run.stdout
            table = statuses(run.stdout, "bolt.vxlprt")
            assert set(table.values()) == {"FAILED"}, run.stdout
            if not extra:
                assert "cannot write the baseline EdgeCount in bolt.vxlprt.properties: Permission denied" in run.stdout
                assert "cannot write the baseline bolt.vxlprt.massproperties: Permission denied" in run.stdout
                copy = folder / ".ravelcrest" / "bolt.vxlprt" / "MassPropertyInCinfigs.dat"
                assert f"cannot write the baseline {copy}: Permission denied" in run.stdout
                assert f"cannot write the baseline {folder / 'bolt-vxlprt.gif'}: Permission denied" in run.stdout
        assert sorted(p.name for p in folder.iterdir()) == ["bolt.vxlprt"]
    finally:
        folder.chmod(0o755)


def test_accept_reads_and_writes_only_the_documents_own_files_keeping_their_mode(models, tmp_path):
    import json
    edited(models, tmp_path)
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r1").returncode == 1
    state = models / ".ravelcrest" / "bolt.vxlprt"
    record = state / "last-run.json"
    original = record.read_text()
    mass = models / "bolt.vxlprt.massproperties"
    mass_before = mass.read_bytes()

    # A candidate reached through a link: the secret is never copied.
    secret = tmp_path / "secret"
    secret.mkdir()
    (secret / "bolt.vxlprt.massproperties").write_text("secret")
    (secret / "bolt.vxlprt.massproperties").chmod(0o600)
    shutil.move(state / "new", tmp_path / "new-saved")
    (state / "new").symlink_to(secret)
    run = ravelcrest("baseline", "accept", models / "bolt.vxlprt", "--checks", "TestMassProp")
    assert run.returncode == 2 and "cannot be used" in run.stderr, run.stdout + run.stderr
    assert mass.read_bytes() == mass_before
    (state / "new").unlink()
    shutil.move(tmp_path / "new-saved", state / "new")

    # A baseline or candidate named elsewhere than the document's own places.
    outside = tmp_path / "outside"
    outside.mkdir()
    (models / "outdir").symlink_to(outside)
    for field, value in (("baseline", "outdir/x"), ("candidate", "outdir/x"),
                         ("candidate", ".ravelcrest/nut.prt/new/bolt.vxlprt.massproperties"),
                         ("baseline", ".ravelcrest")):
        changed = json.loads(original)
        for change in changed["changes"]:
            for f in change["files"]:
                f[field] = value
        record.write_text(json.dumps(changed))
        run = ravelcrest("baseline", "accept", models / "bolt.vxlprt")
        assert run.returncode == 2, (field, value, run.stdout)
        assert list(outside.iterdir()) == [] and mass.read_bytes() == mass_before

    # Accepted for real, the baselines keep the modes they had.
    record.write_text(original)
    mass.chmod(0o600)
    props = models / "bolt.vxlprt.properties"
    props.chmod(0o640)
    run = ravelcrest("baseline", "accept", models / "bolt.vxlprt")
    assert run.returncode == 0, run.stdout + run.stderr
    assert mass.read_bytes() != mass_before
    assert (mass.stat().st_mode & 0o777, props.stat().st_mode & 0o777) == (0o600, 0o640)
