"""Files replaced through a temporary reach the device before they replace
the old ones, and their folder is synced after the rename: a power loss
leaves the old file or the new one whole, never an empty one. Checked by
recording the program's fsync and rename calls with a preloaded library."""
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))
SHIM = os.environ.get("SYNC_TRACE_SHIM", "")
ADMIN = os.environ.get("KEYSTEAD_ADMIN_BIN", str(pathlib.Path(BIN).parent / "keystead-admin"))
MODELS = ROOT / "examples" / "models"


def traced(log, *args):
    if not os.path.exists(SHIM):
        pytest.skip("the sync trace library is not built")
    env = {**os.environ, "LD_PRELOAD": SHIM, "SYNC_TRACE_LOG": str(log)}
    return subprocess.run([*map(str, args)], capture_output=True, text=True, timeout=300, env=env)


def unsynced_replacements(log, is_temporary):
    """The renames of temporaries whose content or folder was not synced, and how many were checked."""
    lines = [line.split(" ") for line in log.read_text().splitlines()] if log.exists() else []
    faults, checked = [], 0
    for i, (op, *paths) in enumerate(lines):
        if op != "rename" or not is_temporary(os.path.basename(paths[0])):
            continue
        if os.path.basename(paths[1]) == "Performance.log":
            continue  # the open time of this run, made again by every run
        checked += 1
        temp, target = paths
        if ["fsync", temp] not in lines[:i]:
            faults.append(f"{target}: content not synced before the rename")
        if ["fsync", os.path.dirname(target)] not in lines[i + 1:]:
            faults.append(f"{target}: folder not synced after the rename")
    return faults, checked


def test_baselines_and_results_written_by_check_are_durable(tmp_path):
    log = tmp_path / "trace.log"
    run = traced(log, BIN, "check", MODELS / "bracket.vxlprt", "--results", tmp_path / "r", "--baselines",
                 tmp_path / "w", "-j", "1", "--json", tmp_path / "results.json")
    assert run.returncode == 0, run.stdout + run.stderr
    faults, checked = unsynced_replacements(
        log, lambda name: name.startswith(".ravelcrest-") or (name.startswith(".") and name.endswith(".tmp")))
    assert checked >= 2, log.read_text()
    assert faults == []


@pytest.mark.parametrize("how", ["flag", "suite file", "-j 2"])
def test_no_sync_skips_every_sync_and_writes_the_same_files(tmp_path, how):
    """`--no-sync` (or `no-sync = true` in the suite file) makes the same
    baselines and results, by the same renames, without one fsync, workers
    included."""
    def run(name, extra=(), suite=None):
        docs = tmp_path / name / "docs"
        docs.mkdir(parents=True)
        for model in ("bracket.vxlprt", "bracket.vxldrw"):
            (docs / model).write_bytes((MODELS / model).read_bytes())
        if suite is not None:
            (docs / "ravelcrest.toml").write_text(suite)
        log = tmp_path / name / "trace.log"
        jobs = "2" if how == "-j 2" else "1"
        done = traced(log, BIN, "check", docs, "--results", tmp_path / name / "r", "-j", jobs, *extra)
        assert done.returncode == 0, done.stdout + done.stderr
        trace = [line.split(" ") for line in log.read_text().splitlines()]
        files = sorted(str(p.relative_to(docs)) for p in docs.rglob("*") if p.name != "ravelcrest.toml")
        return trace, files

    synced, synced_files = run("synced")
    if how == "suite file":
        waived, waived_files = run("waived", suite="no-sync = true\n")
    else:
        waived, waived_files = run("waived", ["--no-sync"])
    assert any(op == "fsync" for op, *_ in synced)
    assert [line for line in waived if line[0] == "fsync"] == []
    assert sum(op == "rename" for op, *_ in waived) == sum(op == "rename" for op, *_ in synced)
    assert waived_files == synced_files


def test_vault_contents_are_durable_before_they_are_recorded(tmp_path):
    vault, log = tmp_path / "vault", tmp_path / "trace.log"
    assert traced(log, ADMIN, "init", vault).returncode == 0
    for name in ("bolt.vxlprt", "bracket.vxlprt"):
        add = traced(log, ADMIN, "add", vault, MODELS / name)
        assert add.returncode == 0, add.stderr
    faults, checked = unsynced_replacements(log, lambda name: name.startswith(".incoming-"))
    assert checked == 2, log.read_text()
    assert faults == []
