"""End-to-end tests of `ravelcrest check` runs: what a run reports, where it
writes, and how it refuses what it cannot use. Each goes through the built
tool on temporary copies of the sample models."""
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess

import pytest
from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def ravelcrest(*args, cwd=None):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=300, cwd=cwd)


def check(*args, cwd=None):
    return ravelcrest("check", *args, cwd=cwd)


def status_of(stdout, document, name):
    return next(r[2] for r in rows(stdout) if r[0] == document and r[1] == name)


def notes(stdout):
    return [line for line in stdout.splitlines() if re.match(r"^\[\d+\] ", line)]


def edit(path, change):
    model = json.loads(path.read_text())
    change(model)
    path.write_text(json.dumps(model))


def test_multi_session_run_of_unchanged_documents_is_clean(models, tmp_path):
    docs = [models / "bracket.vxlprt", models / "fastener.vxlasm", models / "bracket.vxldrw"]
    assert check(*docs, "--results", tmp_path / "r1").returncode == 0
    run = check(*docs, "--results", tmp_path / "r2", "--multi-session")
    assert run.returncode == 0, run.stdout + run.stderr
    assert "Object variable" not in run.stderr
    assert {r[2] for r in rows(run.stdout)} == {"OK"}, run.stdout


def test_default_tolerance_catches_small_values_and_is_shown(models, tmp_path):
    part = models / "bolt.vxlprt"

    def mass(value):
        def change(model):
            model["configurations"][0]["massProperties"][5] = value
        return change

    edit(part, mass(0.02))
    assert check(part, "--results", tmp_path / "r1", "--checks", "TestMassProp").returncode == 0
    edit(part, mass(2))
    run = check(part, "--results", tmp_path / "r2", "--checks", "TestMassProp")
    assert run.returncode == 1, run.stdout
    assert "tolerance: 5 % (noise floor 1e-09)" in run.stdout
    # A single number is a percentage with the default floor: it catches the change too.
    single = check(part, "--results", tmp_path / "r3", "--checks", "TestMassProp", "--tolerance", "5")
    assert single.returncode == 1 and "tolerance: 5 % (noise floor 1e-09)" in single.stdout, single.stdout
    # A floor as large as the percentage, given explicitly, lets it pass, and says so.
    loose = check(part, "--results", tmp_path / "r4", "--checks", "TestMassProp", "--tolerance", "5,5")
    assert loose.returncode == 0 and "tolerance: 5 % (noise floor 5)" in loose.stdout
    helptext = ravelcrest("check", "--help").stdout
    assert "5,1e-9" in helptext and "the same as 5,1e-9" in helptext


def test_text_changes_in_data_files_warn_with_the_first_changed_line(models, tmp_path):
    part = models / "bracket.vxlprt"
    assert check(part, "--results", tmp_path / "r1").returncode == 0

    def rename(model):
        model["configurations"][1]["name"] = "Longer"
        model["configurations"][0]["features"][3]["name"] = "Cut-Extrude9"

    edit(part, rename)
    run = check(part, "--results", tmp_path / "r2", "--checks", "MassPropInCfgs,FailedFeatInCongs,ActivateConfigs")
    assert run.returncode == 1, run.stdout
    assert status_of(run.stdout, "bracket.vxlprt", "FailedFeatInCongs") == "WARNING"
    assert status_of(run.stdout, "bracket.vxlprt", "MassPropInCfgs") == "WARNING"
    text = "\n".join(notes(run.stdout))
    assert 'line 3: baseline "*Cut-Extrude1;*", new "*Cut-Extrude9;*"' in text
    assert '"Long' in text and '"Longer' in text


def test_numbers_within_tolerance_still_agree_in_data_files(models, tmp_path):
    part = models / "bracket.vxlprt"
    assert check(part, "--results", tmp_path / "r1").returncode == 0
    edit(part, lambda m: m["configurations"][0]["massProperties"].__setitem__(0, 0.0101))
    run = check(part, "--results", tmp_path / "r2", "--checks", "FailedFeatInCongs")
    assert run.returncode == 0, run.stdout


def test_negative_numbers_in_data_files_are_held_to_the_tolerance(models, tmp_path):
    part = models / "bracket.vxlprt"
    edit(part, lambda m: m["configurations"][0]["massProperties"].__setitem__(0, -0.01))
    assert check(part, "--results", tmp_path / "r1", "--checks", "MassPropInCfgs").returncode == 0
    edit(part, lambda m: m["configurations"][0]["massProperties"].__setitem__(0, -5))
    run = check(part, "--results", tmp_path / "r2", "--checks", "MassPropInCfgs")
    assert run.returncode == 1, run.stdout
    assert 'baseline "-0.01", new "-5"' in run.stdout


def test_check_names_are_matched_loosely_and_unknown_ones_refused(models, tmp_path):
    part = models / "bolt.vxlprt"
    run = check(part, "--results", tmp_path / "r", "--checks", "testedgecount , TestFileSize")
    assert run.returncode == 0, run.stderr
    assert [r[1] for r in rows(run.stdout)] == ["TestEdgeCount", "TestFileSize"]

    typo = check(part, "--results", tmp_path / "r2", "--checks", "TestEdgCount")
    assert typo.returncode == 2
    assert '"TestEdgCount"' in typo.stderr and "did you mean TestEdgeCount" in typo.stderr
    assert not (tmp_path / "r2").exists()

    listing = check("--list-checks")
    assert listing.returncode == 0
    line = next(l for l in listing.stdout.splitlines() if l.startswith("TestEdgeCount "))
    assert "parts" in line and "edges" in line
    assert any(l.startswith("References ") for l in listing.stdout.splitlines())


@pytest.mark.parametrize("tolerance", ["garbage", ",", "-5", "1e999", "5,", "5,x", "nan"])
def test_invalid_tolerances_are_usage_errors_before_anything_runs(models, tmp_path, tolerance):
    run = check(models / "bolt.vxlprt", "--results", tmp_path / "r", "--tolerance", tolerance)
    assert run.returncode == 2
    assert "--tolerance" in run.stderr and "not a tolerance" in run.stderr
    assert run.stdout == "" and not (tmp_path / "r").exists()


def test_a_missing_referenced_document_warns_naming_it(models, tmp_path):
    (models / "nut.prt").unlink()
    run = check(models / "fastener.vxlasm", "--results", tmp_path / "r", "--checks", "References")
    assert run.returncode == 1, run.stdout
    assert status_of(run.stdout, "fastener.vxlasm", "References") == "WARNING"
    assert "missing referenced document: " + str(models / "nut.prt") in run.stdout


def test_timings_have_their_own_floor_and_warn_only_when_slower(models, tmp_path):
    part = models / "bolt.vxlprt"
    props = models / "bolt.vxlprt.properties"
    props.write_bytes(b"Open = 0.001      Build: x, Date: 01/01/2020\r\n")
    small = check(part, "--results", tmp_path / "r1", "--checks", "TestPerformance(Exp_Open)")
    assert small.returncode == 0, small.stdout
    props.write_bytes(b"Open = 30      Build: x, Date: 01/01/2020\r\n")
    faster = check(part, "--results", tmp_path / "r2", "--checks", "TestPerformance(Exp_Open)")
    assert faster.returncode == 0, faster.stdout
    asked = check(part, "--results", tmp_path / "r3", "--checks", "TestPerformance(Exp_Open)", "--warn-faster")
    assert asked.returncode == 1, asked.stdout
    floor = check(part, "--results", tmp_path / "r4", "--checks", "TestPerformance(Exp_Open)", "--warn-faster",
                  "--time-floor", "60")
    assert floor.returncode == 0, floor.stdout
    assert check(part, "--results", tmp_path / "r5", "--time-floor", "-1").returncode == 2


def test_second_run_over_a_glob_and_a_folder_argument(models, tmp_path):
    docs = sorted(p for p in models.glob("*.vxl*"))
    assert check(*docs, "--results", tmp_path / "r1").returncode == 0
    again = sorted(p for p in models.glob("*.vxl*"))
    assert any(p.name.endswith(".properties") for p in again)
    run = check(*again, "--results", tmp_path / "r2")
    assert run.returncode == 0, run.stdout + run.stderr
    assert "skipping" in run.stderr
    assert not [p for p in models.iterdir() if p.name.endswith(".baselines")]
    assert (models / ".ravelcrest" / "bracket.vxldrw").is_dir()

    folder = check(models, "--results", tmp_path / "r3", "--checks", "TestFileSize")
    assert folder.returncode == 0, folder.stdout + folder.stderr
    labels = {r[0] for r in rows(folder.stdout)}
    assert {"bracket.vxlprt", "nut.prt", "tree/top.vxlasm", "tree/parts/b.prt", "tree/sub/c.vxlasm"} <= labels
    assert not any(".ravelcrest" in label for label in labels)


def test_a_missing_document_is_a_failed_row_and_the_run_goes_on(models, tmp_path):
    run = check(models / "gone.vxlprt", models / "bolt.vxlprt", "--results", tmp_path / "r", "--checks", "TestFileSize")
    assert run.returncode == 2
    assert [str(models / "gone.vxlprt"), "open", "FAILED"] == rows(run.stdout)[0][:3]
    assert "no such document" in run.stdout
    assert status_of(run.stdout, "bolt.vxlprt", "TestFileSize") == "BASELINE CREATED"


def test_documents_of_the_same_name_are_labelled_by_their_paths(models, tmp_path):
    for side in ("a", "b"):
        (models / side).mkdir()
        shutil.copy(models / "bolt.vxlprt", models / side / "bolt.vxlprt")
    edit(models / "b" / "bolt.vxlprt", lambda m: m["configurations"][0]["body"]["faces"].append({"edges": 8}))
    run = check(models / "a" / "bolt.vxlprt", models / "b" / "bolt.vxlprt", "--results", tmp_path / "r",
                "--checks", "TestEdgeCount,FailedFeatInCongs")
    assert run.returncode == 0, run.stdout
    assert {r[0] for r in rows(run.stdout)} == {"a/bolt.vxlprt", "b/bolt.vxlprt"}
    assert (tmp_path / "r" / "data" / "a" / "bolt.vxlprt" / "RavelcrestPartAssembly.dat").exists()
    assert (tmp_path / "r" / "data" / "b" / "bolt.vxlprt" / "RavelcrestPartAssembly.dat").exists()


def test_an_unusable_results_folder_is_named_before_any_check(models, tmp_path):
    part = models / "bolt.vxlprt"
    afile = tmp_path / "afile"
    afile.write_text("x")
    for results, named in [(afile, str(afile)), ("/proc", "/proc")]:
        run = check(part, "--results", results)
        assert run.returncode == 2
        assert named in run.stderr and "results folder" in run.stderr, run.stderr
        assert run.stdout == ""
    results = tmp_path / "r"
    results.mkdir()
    (results / "data").write_text("not a folder")
    run = check(part, "--results", results)
    assert run.returncode == 2 and str(results / "data") in run.stderr and "not a folder" in run.stderr
    assert not (models / "bolt.vxlprt.properties").exists()


def test_top_level_mistakes_name_the_word_and_version_answers(tmp_path):
    for word in ("--bogus", "frob"):
        run = ravelcrest(word)
        assert run.returncode == 2
        assert f'"{word}"' in run.stderr, run.stderr
    version = ravelcrest("--version")
    assert version.returncode == 0 and re.match(r"ravelcrest \d+\.\d+", version.stdout)
    store = str(tmp_path / "store")
    for key, rule in [("", "empty"), ("\\\\\\", "only separators"), ("HKEY_CURRENT_USER\\A\nB", "line break")]:
        run = ravelcrest("registry", "--store", store, "set", key, "v", "d")
        assert run.returncode == 2 and rule in run.stderr, (key, run.stderr)


def test_a_backslash_in_an_existing_file_name_is_part_of_the_name(models, tmp_path):
    shutil.copy(models / "bolt.vxlprt", models / "back\\slash.vxlprt")
    run = check("back\\slash.vxlprt", "--results", tmp_path / "r", "--checks", "TestFileSize,TestEdgeCount", cwd=models)
    assert run.returncode == 0, run.stdout + run.stderr
    assert {r[0] for r in rows(run.stdout)} == {"back\\slash.vxlprt"}


def test_rows_stream_and_an_interrupt_stops_after_the_current_check(models, tmp_path):
    many = tmp_path / "many"
    many.mkdir()
    for i in range(60):
        shutil.copy(models / "bracket.vxlprt", many / f"p{i:02}.vxlprt")
    proc = subprocess.Popen([BIN, "check", many, "--results", tmp_path / "r"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    header = proc.stdout.readline()
    first = proc.stdout.readline()
    assert header.startswith("DOCUMENT") and first.startswith("p00.vxlprt")
    proc.send_signal(signal.SIGINT)
    out, _ = proc.communicate(timeout=120)
    assert proc.returncode == 130
    assert "interrupted: " in out and " of 60 documents checked" in out
    assert re.search(r"^\d+ checks: ", out, re.M)
    assert len({r[0] for r in rows(first + out)}) < 60


def test_journal_names_each_document_and_starts_afresh(models, tmp_path):
    results = tmp_path / "r"
    docs = [models / "bolt.vxlprt", models / "fastener.vxlasm"]
    assert check(*docs, "--results", results).returncode == 0
    first = (results / "journal.txt").read_bytes()
    assert first.count(b"'===== ") == 2 and b"'===== bolt.vxlprt" in first and b"'===== fastener.vxlasm" in first
    assert check(docs[0], "--results", results).returncode == 0
    assert (results / "journal.1.txt").read_bytes() == first
    assert (results / "journal.txt").read_bytes().count(b"'===== ") == 1


def test_ok_rows_show_new_and_baseline_values(models, tmp_path):
    part = models / "bracket.vxlprt"
    assert check(part, "--results", tmp_path / "r1").returncode == 0
    run = check(part, "--results", tmp_path / "r2")
    table = {r[1]: r for r in rows(run.stdout)}
    assert table["TestEdgeCount"][2:] == ["OK", "12", "12"]
    assert table["TestFileSize"][3] == table["TestFileSize"][4] == str(part.stat().st_size)
    assert table["TestFileVersion"][2:] == ["OK", "2000", "2000"]


def test_output_files_are_never_written_through_links(models, tmp_path):
    results = tmp_path / "r"
    (results / "performance" / "bolt.vxlprt").mkdir(parents=True)
    victim = tmp_path / "victim"
    victim.write_text("keep me")
    (results / "journal.txt").symlink_to(victim)
    (results / "performance" / "bolt.vxlprt" / "Performance.log").symlink_to(victim)
    (results / "data" / "bolt.vxlprt").mkdir(parents=True)
    (results / "data" / "bolt.vxlprt" / "RavelcrestPartAssembly.dat").symlink_to(victim)
    (results / "TraceLog.log").symlink_to(victim)
    run = check(models / "bolt.vxlprt", "--results", results)
    assert run.returncode == 0, run.stdout + run.stderr
    assert victim.read_text() == "keep me"
    assert not (results / "journal.txt").is_symlink()
    assert b"'===== bolt.vxlprt" in (results / "journal.txt").read_bytes()


def test_work_folder_copies_only_what_the_documents_need(models, tmp_path):
    inside = check(models / "bolt.vxlprt", "--results", tmp_path / "r", "--baselines", models / "work")
    assert inside.returncode == 2 and "inside" in inside.stderr
    assert not (models / "work").exists()

    (models / "unrelated").mkdir()
    (models / "unrelated" / "big.bin").write_bytes(b"x" * 1000)
    work = tmp_path / "work"
    run = check(models / "frame.vxlasm", "--results", tmp_path / "r2", "--baselines", work, "--checks", "References")
    assert run.returncode == 0, run.stdout + run.stderr
    copied = sorted(str(p.relative_to(work)) for p in work.rglob("*") if p.is_file())
    assert copied == ["models/bolt.vxlprt", "models/bracket-view.bmp", "models/bracket.vxlprt", "models/fastener.vxlasm",
                      "models/frame-view.bmp", "models/frame.vxlasm", "models/nut.prt"]


def test_the_whole_samples_folder_checks_clean_twice_through_a_work_folder(models, tmp_path):
    work = tmp_path / "work"
    first = check(models, "--results", tmp_path / "r1", "--baselines", work)
    assert first.returncode == 0, first.stdout
    # Opening the STEP samples takes real time, which varies on a busy machine.
    second = check(models, "--results", tmp_path / "r2", "--baselines", work, "--time-floor", "60")
    assert second.returncode == 0, second.stdout
    assert {r[2] for r in rows(second.stdout)} == {"OK", "NOT APPLICABLE"}
    assert not list(models.rglob("*.properties")) and not (models / ".ravelcrest").exists()
