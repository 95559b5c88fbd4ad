"""`ravelcrest check` over STEP and BREP files: the samples the kernel wrote,
folders that mix them with JSON models, checks that need the sidecar, and
geometry files the kernel cannot read."""
import json
import os
import pathlib
import subprocess
import sys

from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def check(*args):
    """A check run; timings agree below 60 s (opening STEP files on a busy machine varies)."""
    return subprocess.run([BIN, "check", *map(str, args), "--time-floor", "60"], capture_output=True, text=True,
                          timeout=300)


def by_check(stdout, document):
    return {r[1]: r for r in rows(stdout) if r[0] == document}


def test_a_mixed_folder_runs_and_the_second_run_agrees(models, tmp_path):
    first = check(models, "--results", tmp_path / "r1", "-j", "1", "--json", tmp_path / "r1.json")
    assert first.returncode == 0, first.stdout + first.stderr
    plate = by_check(first.stdout, "mount-plate.step")
    assert plate["TestEdgeCount"][2] == "BASELINE CREATED"
    assert float(plate["TestEdgeCount"][3]) > 10
    assert plate["TestFileVersion"][2] == "BASELINE CREATED"  # its sidecar holds the history
    assembly = by_check(first.stdout, "bolted-plate.step")
    # Checks that only journal keep their journal block as a baseline.
    assert assembly["ComponentCount"][2] == assembly["TestFlexible"][2] == "BASELINE CREATED"
    assert "TestEdgeCount" not in assembly  # parts only
    for name in ("TestFileVersion", "Features", "FailedFeatInCongs"):
        assert assembly[name][2] == "NOT APPLICABLE"
    assert "give it in bolted-plate.step.json" in first.stdout
    assert ", 3 not applicable\n" in first.stdout
    summary = json.loads((tmp_path / "r1.json").read_text())["summary"]
    assert summary["notApplicable"] == 3 and summary["failed"] == 0

    second = check(models, "--results", tmp_path / "r2", "-j", "2", "--junit", tmp_path / "r2.xml")
    assert second.returncode == 0, second.stdout
    assert {r[2] for r in rows(second.stdout)} <= {"OK", "NOT APPLICABLE"}, second.stdout
    assert (tmp_path / "r2.xml").read_text().count("<skipped/>") == 3


def test_the_sidecar_makes_checks_apply_and_changes_what_is_measured(models, tmp_path):
    assembly = models / "bolted-plate.step"
    assert check(assembly, "--results", tmp_path / "r1").returncode == 0
    (models / "bolted-plate.step.json").write_text(json.dumps(
        {"versionHistory": ["2500"], "fileVersion": 2500, "density": 2.0, "view": {"background": [0, 0, 0]}}))
    run = check(assembly, "--results", tmp_path / "r2")
    assert run.returncode == 1, run.stdout
    found = by_check(run.stdout, "bolted-plate.step")
    assert found["TestFileVersion"][2] == "BASELINE CREATED"
    assert found["TestMassProp"][2] == "WARNING"
    assert found["TestBitmapCompare"][2] == "WARNING"
    assert found["Features"][2] == "NOT APPLICABLE"


def test_a_finer_mesh_changes_the_triangle_count(models, tmp_path):
    part = models / "mount-plate.step"
    assert check(part, "--results", tmp_path / "r1", "--checks", "TestTessTriangleCount").returncode == 0
    sidecar = json.loads((models / "mount-plate.step.json").read_text())
    sidecar["meshDeflection"] = 0.01
    (models / "mount-plate.step.json").write_text(json.dumps(sidecar))
    run = check(part, "--results", tmp_path / "r2", "--checks", "TestTessTriangleCount")
    assert run.returncode == 1
    row = by_check(run.stdout, "mount-plate.step")["TestTessTriangleCount"]
    assert row[2] == "WARNING" and int(float(row[3])) > int(float(row[4]))


def test_unreadable_geometry_is_a_failed_open_row_and_the_run_goes_on(models, tmp_path):
    (models / "garbage.step").write_bytes(bytes(range(256)) * 16)
    (models / "truncated.stp").write_text((models / "mount-plate.step").read_text()[:5000])
    run = check(models / "garbage.step", models / "truncated.stp", models / "bolt.vxlprt", "--results", tmp_path / "r")
    assert run.returncode == 2
    assert by_check(run.stdout, "garbage.step")["open"][2] == "FAILED"
    assert by_check(run.stdout, "truncated.stp")["open"][2] == "FAILED"
    assert "not a STEP or BREP file" in run.stdout
    assert by_check(run.stdout, "bolt.vxlprt")["TestEdgeCount"][2] == "BASELINE CREATED"


def test_list_checks_says_which_apply_to_geometry(tmp_path):
    listing = subprocess.run([BIN, "check", "--list-checks"], capture_output=True, text=True, timeout=60).stdout
    lines = {l.split()[0]: l for l in listing.splitlines() if l.strip() and not l.startswith(("step/brep", "sidecar"))}
    assert "step/brep: yes" in lines["TestMassProp"]
    assert "step/brep: sidecar features" in lines["Features"]
    assert "step/brep: no" in lines["ViewCutPaste"]


def test_the_kernel_is_not_loaded_by_the_tools_or_the_module():
    """Only the geometry modules link the kernel; the host loads them in its helper process."""
    admin = pathlib.Path(BIN).with_name("keystead-admin")
    python = [p for entry in os.environ.get("PYTHONPATH", str(ROOT / "build" / "python")).split(os.pathsep)
              for p in pathlib.Path(entry).glob("ravelcrest*.so")]
    for binary in (BIN, admin, *python):
        assert pathlib.Path(binary).exists(), binary
        libraries = subprocess.run(["ldd", str(binary)], capture_output=True, text=True).stdout
        assert "libTKernel" not in libraries, binary
