"""The example harness runs through the Python module twice: baselines first, then agreement."""
import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def test_harness_example_runs_twice_without_warnings(tmp_path):
    env = dict(os.environ, RAVELCREST_DRIVE_ROOT=str(tmp_path / "drive"), LC_ALL="C")
    cmd = [sys.executable, str(ROOT / "examples" / "harness.py"), str(tmp_path / "results")]
    first = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=120)
    assert first.returncode == 0, first.stdout + first.stderr
    assert "bracket.vxldrw   FailFeatureInSheets   ok" in first.stdout
    assert (tmp_path / "results" / "work" / "bracket.vxlprt.properties").exists()
    second = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=120)
    assert second.returncode == 0, second.stdout + second.stderr
    assert "WARNING" not in second.stdout and "FAILED" not in second.stdout


def test_harness_example_writes_outside_the_source_tree_by_default(tmp_path):
    env = dict(os.environ, RAVELCREST_DRIVE_ROOT=str(tmp_path / "drive"), LC_ALL="C", TMPDIR=str(tmp_path))
    before = set((ROOT / "examples").rglob("*.properties"))
    run = subprocess.run([sys.executable, str(ROOT / "examples" / "harness.py")], capture_output=True, text=True,
                         env=env, timeout=120, cwd=ROOT)
    assert run.returncode == 0, run.stdout + run.stderr
    assert (tmp_path / "ravelcrest-harness" / "journal.txt").exists()
    assert set((ROOT / "examples").rglob("*.properties")) == before
