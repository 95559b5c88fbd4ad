"""ravelcrest.toml through the built tool: where it is found, what it sets,
what the command line overrides, per-document tables, skips, expected
failures, and errors that name the line."""
import json
import os
import pathlib
import subprocess
import textwrap

import pytest
from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def check(*args, cwd=None):
    return subprocess.run([BIN, "check", *map(str, args)], capture_output=True, text=True, timeout=300, cwd=cwd)


def write(path, text):
    path.write_text(textwrap.dedent(text).lstrip())
    return path


def scale_mass(path, factor):
    model = json.loads(path.read_text())
    model["configurations"][0]["massProperties"][5] *= factor
    path.write_text(json.dumps(model))


def shown(stdout):
    """--show-config's settings: key -> (value, source)."""
    out = {}
    for line in stdout.splitlines():
        if " = " in line and line.endswith(")") and not line.startswith(" "):
            key, rest = line.split("=", 1)
            value, source = rest.strip().rsplit("  (", 1)
            out[key.strip()] = (value, source[:-1])
    return out


def test_file_found_above_the_documents_sets_options_and_the_command_line_wins(models, tmp_path):
    write(tmp_path / "ravelcrest.toml", """
        # the suite's settings
        tolerance = "2,1e-6"
        time-floor = 1.5
        checks = ["TestEdgeCount", "TestMassProp"]
        results = "out/results"
        image-tolerance = 3
        warn-faster = true
        """)
    cfg = check(models / "bracket.vxlprt", "--show-config", "--tolerance", "7")
    assert cfg.returncode == 0, cfg.stderr
    assert f"config: {tmp_path / 'ravelcrest.toml'}" in cfg.stdout
    settings = shown(cfg.stdout)
    assert settings["tolerance"] == ("7", "command line")
    assert settings["time-floor"] == ("1.5", "ravelcrest.toml:3")
    assert settings["checks"] == ("TestEdgeCount,TestMassProp", "ravelcrest.toml:4")
    assert settings["results"] == (str(tmp_path / "out/results"), "ravelcrest.toml:5")
    assert settings["warn-faster"] == ("true", "ravelcrest.toml:7")
    assert settings["image-format"] == ("auto", "default")

    # The run uses them: results folder below the file's folder, only the listed checks.
    run = check(models / "bracket.vxlprt", cwd=tmp_path / "models")
    assert run.returncode == 0, run.stdout + run.stderr
    assert {r[1] for r in rows(run.stdout)} == {"TestEdgeCount", "TestMassProp"}
    assert (tmp_path / "out/results/journal.txt").exists()
    assert "tolerance: 2 % (noise floor 1e-06), timings: floor 1.5 s" in run.stdout

    # --config names another file; its paths are relative to it, not to the documents.
    other = write(tmp_path / "elsewhere.toml", 'results = "r2"\nchecks = "TestEdgeCount"\n')
    run = check(models / "bracket.vxlprt", "--config", other)
    assert {r[1] for r in rows(run.stdout)} == {"TestEdgeCount"}, run.stdout + run.stderr
    assert (tmp_path / "r2/journal.txt").exists()
    # Without a file anywhere above, every value is the default.
    none = check("--show-config", cwd="/")
    assert "config: none" in none.stdout and shown(none.stdout)["tolerance"] == ("5,1e-9", "default")


def test_documents_tables_skips_and_expected_failures(models, tmp_path):
    write(models / "ravelcrest.toml", """
        checks = ["TestMassProp", "TestEdgeCount"]
        skip = ["*.vxldrw", "tree/sub/**"]

        [[documents]]
        match = "tree/**"
        checks = ["TestEdgeCount"]

        [[documents]]
        match = "bolt.vxlprt"
        tolerance = "50"

        [[documents]]
        match = "bracket.vxlprt"
        xfail = ["TestMassProp"]
        reason = "mass moves with the host's density table"

        [[documents]]
        match = "frame.vxlasm"
        xfail = true

        [[documents]]
        match = "nut.prt"
        skip = true
        """)
    first = check(models, "--results", tmp_path / "r1")
    assert first.returncode == 0, first.stdout + first.stderr
    got = {(r[0], r[1]) for r in rows(first.stdout)}
    assert not any(doc.endswith(".vxldrw") or doc.startswith("tree/sub/") or doc == "nut.prt" for doc, _ in got)
    assert {c for d, c in got if d.startswith("tree/")} == {"TestEdgeCount"}
    assert "skipped (ravelcrest.toml:2): bracket.vxldrw" in first.stderr
    assert "skipped (ravelcrest.toml:21): nut.prt" in first.stderr

    # 20 % more mass: bolt within its own 50 %, bracket's expected failure, frame's unexpected pass.
    scale_mass(models / "bolt.vxlprt", 1.2)
    scale_mass(models / "bracket.vxlprt", 1.2)
    second = check(models, "--results", tmp_path / "r2", "--json", tmp_path / "r2.json")
    table = {(r[0], r[1]): r[2] for r in rows(second.stdout)}
    assert table[("bolt.vxlprt", "TestMassProp")] == "OK", second.stdout
    assert table[("bracket.vxlprt", "TestMassProp")] == "XFAIL", second.stdout
    assert table[("bracket.vxlprt", "TestEdgeCount")] == "OK"
    assert table[("frame.vxlasm", "TestMassProp")] == "XPASS"
    assert "bracket.vxlprt TestMassProp: expected to fail (ravelcrest.toml:12): mass moves" in second.stdout
    assert "expected failures (XFAIL)" in second.stdout
    assert second.returncode == 0, second.stdout
    summary = json.loads((tmp_path / "r2.json").read_text())["summary"]
    assert summary["xfailed"] == 1 and summary["xpassed"] >= 1

    # The command line overrides the tables too: 5 % makes bolt warn.
    third = check(models / "bolt.vxlprt", "--results", tmp_path / "r3", "--tolerance", "5,1e-9")
    statuses = {r[1]: r[2] for r in rows(third.stdout)}
    assert third.returncode == 1 and statuses["TestMassProp"] == "WARNING", third.stdout


@pytest.mark.parametrize("text, line, message", [
    ('tolerance = "5"\ntolerence = "4"\n', 2, 'unknown key "tolerence"'),
    ('\n\ntolerance = 5\n', 3, "tolerance must be a string"),
    ('jobs = "2"\n', 1, "jobs must be a whole number"),
    ('jobs = 0\n', 1, "-j"),
    ('warn-faster = "yes"\n', 1, "warn-faster must be true or false"),
    ('checks = ["TestEdgeCont"]\n', 1, "did you mean TestEdgeCount"),
    ('image-format = "png"\n', 1, "image-format must be"),
    ('time-floor = -1\n', 1, "not a time"),
    ('skip = "x"\n', 1, "skip must be a list of globs"),
    ('[[documents]]\ntolerance = "1"\n', 1, "needs match"),
    ('[[documents]]\nmatch = "a/**"\ncolour = 1\n', 3, 'unknown key "colour" in [[documents]]'),
    ('[[documents]]\nmatch = "/abs/**"\n', 2, "relative to the suite file"),
    ('[[documents]]\nmatch = "a"\nxfail = ["Nope"]\n', 3, 'no check is named "Nope" in xfail'),
    ('shard = "1/2"\n', 1, 'unknown key "shard"'),
    ('tolerance = "5"\ntolerance = "6"\n', 2, "redefine"),
    ('tolerance = "5\n', 1, ""),
    ('\nthreshold = "1.5"\n', 2, "threshold"),
    ('antialiasing = "skip"\n', 1, "antialiasing must be"),
    ('max-diff-ratio = "2"\n', 1, "max-diff-ratio"),
])
def test_bad_files_are_errors_naming_the_line(models, tmp_path, text, line, message):
    config = tmp_path / "suite.toml"
    config.write_text(text)
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r", "--config", config)
    assert run.returncode == 2, run.stdout + run.stderr
    assert f"{config}:{line}: " in run.stderr and message in run.stderr, run.stderr
    assert not (tmp_path / "r").exists()


def test_unreadable_or_missing_files_are_errors(models, tmp_path):
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r", "--config", tmp_path / "none.toml")
    assert run.returncode == 2 and "no such file" in run.stderr
    (tmp_path / "dir.toml").mkdir()
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r", "--config", tmp_path / "dir.toml")
    assert run.returncode == 2 and "not a file" in run.stderr
    big = tmp_path / "big.toml"
    big.write_text("# " + "x" * (2 << 20) + "\n")
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r", "--config", big)
    assert run.returncode == 2 and "larger than 1 MiB" in run.stderr
    # A file found by the search that is a dangling link is named, not ignored.
    (models / "ravelcrest.toml").symlink_to(tmp_path / "gone.toml")
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r")
    assert run.returncode == 2 and "ravelcrest.toml: no such file" in run.stderr


def test_the_image_comparison_options_come_from_the_file(models, tmp_path):
    config = tmp_path / "suite.toml"
    config.write_text('threshold = "0.1"\nantialiasing = "ignore"\nmax-diff-ratio = "0.01"\n')
    run = check(models / "bracket.vxlprt", "--show-config", "--config", config)
    assert run.returncode == 0, run.stdout + run.stderr
    settings = shown(run.stdout)
    assert settings["threshold"] == ("0.1", "suite.toml:1")
    assert settings["antialiasing"] == ("ignore", "suite.toml:2")
    assert settings["max-diff-ratio"][0] == "0.01"
