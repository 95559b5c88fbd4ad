"""End-to-end: the realistic edits a newcomer makes to a part, an assembly and
a drawing are each reported by `ravelcrest check` with exit 1 on the row that
names them, and an unchanged model never warns. Each edit is made on its own
copy of the samples, with the baselines of one clean run."""
import json
import os
import pathlib
import shutil
import struct
import subprocess

import pytest
from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def check(*args):
    # Open times are left out of the comparison: on a loaded machine they move
    # by more than any tolerance, and no edit here is about speed.
    return subprocess.run([BIN, "check", *map(str, args), "--time-floor", "60"], capture_output=True, text=True,
                          timeout=300)


def notes(stdout):
    return "\n".join(line for line in stdout.splitlines() if line.startswith("["))


def edit(path, change):
    model = json.loads(path.read_text())
    change(model)
    path.write_text(json.dumps(model, indent=1))


def cfg(model, n=0):
    return model["configurations"][n]


def mass_times(factor, index=5):
    def change(model):
        cfg(model)["massProperties"][index] *= factor
    return change


def view_of(model, sheet, view):
    return model["sheets"][sheet]["views"][view]


def gradient_bmp(path, size=40):
    """A 24-bit picture of more colours than a GIF holds."""
    data = b""
    for y in range(size):
        row = b"".join(bytes([x * 6 % 256, y * 6 % 256, (x * y) % 256]) for x in range(size))
        data += row + b"\0" * ((4 - len(row) % 4) % 4)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    path.write_bytes(header + data)


# (name, document, edit, extra options, the row that must warn, words its note holds)
EDITS = [
    ("dimension +10 % under --tolerance 5", "bracket.vxlprt", mass_times(1.1, 3), ["--tolerance", "5"],
     "TestMassProp", "Volume"),
    ("renamed configuration", "bracket.vxlprt", lambda m: cfg(m, 1).update(name="Longer"), [],
     "MassPropInCfgs", "configuration Long: name and edges"),
    ("removed component", "frame.vxlasm", lambda m: cfg(m)["components"].pop(), [], "Components", "removed fastener-1"),
    ("suppressed component", "frame.vxlasm", lambda m: cfg(m)["components"][0].update(suppression=0), [],
     "Components", "bracket-1: suppression 2 -> 0"),
    ("hidden component", "frame.vxlasm", lambda m: cfg(m)["components"][0].update(hidden=True), [],
     "Components", "bracket-1: hidden no -> yes"),
    ("shown component", "frame.vxlasm", lambda m: cfg(m)["components"][1].update(hidden=False), [],
     "Components", "bolt-1: hidden yes -> no"),
    ("repointed component", "frame.vxlasm", lambda m: cfg(m)["components"][0].update(file="nut.prt"), [],
     "Components", "bracket-1: file bracket.vxlprt -> nut.prt"),
    ("added component", "frame.vxlasm",
     lambda m: cfg(m)["components"].append({"name": "nut-1", "file": "nut.prt"}), [], "Components", "added nut-1"),
    ("moved view", "bracket.vxldrw", lambda m: view_of(m, 0, 1).update(position=[0.09, 0.15]), [],
     "Views", "Sheet1/Drawing View1: position 0.07,0.15 -> 0.09,0.15"),
    ("rescaled view", "bracket.vxldrw", lambda m: view_of(m, 1, 1).update(xform=[0.1, 0.1, 2]), [],
     "Views", "Sheet2/Drawing View4: scale 1 -> 2"),
    ("annotation added to a view", "bracket.vxldrw",
     lambda m: view_of(m, 0, 3)["annotations"].append({"type": 6}), [], "Views", "annotations 0 -> 1"),
    ("mass +0.5 % under --tolerance 0.1", "bolt.vxlprt", mass_times(1.005), ["--tolerance", "0.1"],
     "TestMassProp", "Mass 0.012 \u2192 0.01206 (+0.5 %)"),
    ("mass +20 % under --tolerance 5", "bolt.vxlprt", mass_times(1.2), ["--tolerance", "5"],
     "TestMassProp", "Mass 0.012 \u2192 0.0144 (+20.0 %) in Default"),
    ("mass -20 %", "bolt.vxlprt", mass_times(0.8), [], "TestMassProp", "(-20.0 %)"),
    ("failing feature", "bracket.vxlprt", lambda m: cfg(m, 1)["features"][2].update(error=41), [],
     "FailedFeatInCongs", "configuration Long: failed features"),
    ("colour change in the view", "bracket.vxlprt",
     lambda m: m["view"]["rects"][0].update(color=[0, 0, 255]), [], "TestBitmapCompare", "Pix"),
    ("annotation added to a part", "bracket.vxlprt", lambda m: m["annotations"].append({"type": 6}), [],
     "Features", "journal line"),
    ("feature added", "bolt.vxlprt",
     lambda m: cfg(m)["features"].append({"name": "Chamfer1", "type": "Chamfer", "error": 0}), [],
     "Features", "Chamfer"),
]


@pytest.fixture(scope="module")
def baselined(tmp_path_factory):
    """The samples with the baselines of one clean run (and an unchanged rerun's exit code)."""
    base = tmp_path_factory.mktemp("base")
    models = base / "models"
    shutil.copytree(ROOT / "examples" / "models", models)
    first = check(models, "--results", base / "r1", "-j", "1")
    assert first.returncode == 0, first.stdout + first.stderr
    return models


def test_an_unchanged_rerun_of_every_sample_exits_0(baselined, tmp_path):
    again = check(baselined, "--results", tmp_path / "r", "-j", "2")
    assert again.returncode == 0, again.stdout
    assert {r[2] for r in rows(again.stdout)} <= {"OK", "NOT APPLICABLE"}, again.stdout
    multi = check(baselined, "--results", tmp_path / "m", "--multi-session", "-j", "1")
    assert multi.returncode == 0, multi.stdout


@pytest.mark.parametrize("name,document,change,options,row,words", EDITS, ids=[e[0] for e in EDITS])
def test_each_edit_is_reported_with_its_numbers(baselined, tmp_path, name, document, change, options, row, words):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    edit(models / document, change)
    run = check(models / document, "--results", tmp_path / "r", *options)
    assert run.returncode == 1, name + "\n" + run.stdout
    table = {r[1]: r[2] for r in rows(run.stdout)}
    assert table.get(row) == "WARNING", name + "\n" + run.stdout
    text = notes(run.stdout)
    assert words in text, name + "\n" + text


def test_an_unchanged_gradient_view_never_warns_and_gif_says_what_it_loses(tmp_path):
    folder = tmp_path / "g"
    folder.mkdir()
    shutil.copy(ROOT / "examples" / "models" / "bolt.vxlprt", folder)
    gradient_bmp(folder / "grad.bmp")
    edit(folder / "bolt.vxlprt", lambda m: m.setdefault("view", {}).update(image="grad.bmp"))
    first = check(folder, "--results", tmp_path / "r1", "--checks", "TestBitmapCompare")
    assert first.returncode == 0 and "CBF baseline" in first.stdout, first.stdout
    assert (folder / "bolt-vxlprt.cbf").exists() and not (folder / "bolt-vxlprt.gif").exists()
    again = check(folder, "--results", tmp_path / "r2", "--checks", "TestBitmapCompare")
    assert again.returncode == 0, again.stdout
    (folder / "bolt-vxlprt.cbf").unlink()
    lossy = check(folder, "--results", tmp_path / "r3", "--checks", "TestBitmapCompare", "--image-format", "gif")
    assert lossy.returncode == 1 and "the GIF loses colours" in lossy.stdout, lossy.stdout
    # A plain view of few colours keeps getting a GIF.
    plain = tmp_path / "p"
    plain.mkdir()
    shutil.copy(ROOT / "examples" / "models" / "nut.prt", plain)
    run = check(plain, "--results", tmp_path / "r4", "--checks", "TestBitmapCompare")
    assert run.returncode == 0 and "GIF baseline" in run.stdout and (plain / "nut-prt.gif").exists(), run.stdout


def test_a_data_file_note_lists_every_changed_line_up_to_a_limit(baselined, tmp_path):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    edit(models / "bolt.vxlprt", lambda m: cfg(m).update(massProperties=[v * 2 + 1 for v in cfg(m)["massProperties"]]))
    run = check(models / "bolt.vxlprt", "--results", tmp_path / "r", "--checks", "MassPropInCfgs")
    assert run.returncode == 1
    text = notes(run.stdout)
    assert "(configuration Default: COM_X)" in text and "(configuration Default: Mass)" in text, text
    assert "and 6 more" in text, text


def test_one_accept_takes_every_check_a_change_warned_in_and_the_notes_group_them(baselined, tmp_path):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    edit(models / "bolt.vxlprt", mass_times(1.2))
    run = check(models / "bolt.vxlprt", "--results", tmp_path / "r1")
    warned = [r[1] for r in rows(run.stdout) if r[2] == "WARNING"]
    assert {"TestMassProp", "MassPropInCfgs", "FailedFeatInCongs"} <= set(warned), run.stdout
    assert "same change as TestMassProp" in notes(run.stdout), run.stdout
    accept = subprocess.run([BIN, "baseline", "accept", models / "bolt.vxlprt"], capture_output=True, text=True)
    assert accept.returncode == 0 and accept.stdout.count("checks accepted at once") == 1, accept.stdout
    assert check(models / "bolt.vxlprt", "--results", tmp_path / "r2").returncode == 0


def test_a_partial_run_keeps_the_pending_accepts_of_checks_it_did_not_run(baselined, tmp_path):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    edit(models / "bolt.vxlprt", mass_times(1.2))
    assert check(models / "bolt.vxlprt", "--results", tmp_path / "r1").returncode == 1
    assert check(models / "bolt.vxlprt", "--results", tmp_path / "r2", "--checks", "TestFileVersion").returncode == 0
    accept = subprocess.run([BIN, "baseline", "accept", models / "bolt.vxlprt"], capture_output=True, text=True)
    assert "TestMassProp" in accept.stdout and "nothing to accept" not in accept.stdout, accept.stdout
    assert check(models / "bolt.vxlprt", "--results", tmp_path / "r3").returncode == 0


def test_a_deleted_document_s_baselines_are_noted_not_failed(baselined, tmp_path):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    shutil.copy(models / "nut.prt", models / "tree" / "lone.prt")
    assert check(models / "tree" / "lone.prt", "--results", tmp_path / "r1").returncode == 0
    (models / "tree" / "lone.prt").unlink()
    run = check(models / "tree", "--results", tmp_path / "r2")
    assert run.returncode == 0, run.stdout
    assert "without a document" in run.stdout and "lone.prt.properties (no lone.prt)" in run.stdout, run.stdout
    # A component's file is kept relative to its assembly: a copy elsewhere still agrees.
    moved = tmp_path / "moved"
    shutil.copytree(models, moved, symlinks=True)
    assert check(moved / "tree", "--results", tmp_path / "r3").returncode == 0


def test_features_say_when_the_host_constants_cannot_be_read(baselined, tmp_path):
    models = tmp_path / "models"
    shutil.copytree(baselined, models, symlinks=True)
    # The constants installed with the tool are used by default: the annotations are listed.
    run = check(models / "bracket.vxlprt", "--results", tmp_path / "r1", "--checks", "Features")
    assert run.returncode == 0, run.stdout
    assert "Note" in (tmp_path / "r1" / "journal.txt").read_text()
    empty = tmp_path / "nohost"
    empty.mkdir()
    env = {k: v for k, v in os.environ.items() if k != "RAVELCREST_DRIVE_ROOT"}
    bad = subprocess.run([BIN, "check", models / "bracket.vxlprt", "--results", tmp_path / "r2", "--checks", "Features",
                          "--host-folder", empty], capture_output=True, text=True, env=env, timeout=300)
    assert bad.returncode == 2 and "vxconst.bas is not found under" in bad.stdout, bad.stdout
    # The library's reason is in the run's own trace log, not in the user's state folder.
    assert "Couldn't find vxconst.bas" in (tmp_path / "r2" / "TraceLog.log").read_text()


def test_reports_go_into_folders_made_for_them_and_junit_tells_created_from_failed(tmp_path):
    import xml.etree.ElementTree as ET
    folder = tmp_path / "m"
    folder.mkdir()
    shutil.copy(ROOT / "examples" / "models" / "bolt.vxlprt", folder)
    (folder / "broken.vxlprt").write_text("{ not a model")
    results = tmp_path / "r"
    run = check(folder, "--results", results, "--report", results / "report.html", "--junit", results / "ci" / "j.xml",
                "--json", tmp_path / "a" / "b" / "r.json")
    assert run.returncode == 2, run.stdout + run.stderr
    assert (results / "report.html").exists() and (tmp_path / "a" / "b" / "r.json").exists()
    suites = ET.parse(results / "ci" / "j.xml").getroot()
    cases = {(c.get("classname"), c.get("name")): c for c in suites.iter("testcase")}
    created = cases[("bolt.vxlprt", "TestEdgeCount")]
    assert created.find("failure") is None and created.find("properties/property").get("value") == "created"
    assert "baseline created" in created.find("system-out").text
    assert cases[("broken.vxlprt", "open")].find("error") is not None
    assert cases[("broken.vxlprt", "open")].find("failure") is None
    assert suites.get("errors") == "1"
    assert sum(float(c.get("time")) for c in cases.values()) > 0
    # Under --ci a missing baseline is a failure.
    fresh = tmp_path / "f"
    fresh.mkdir()
    shutil.copy(ROOT / "examples" / "models" / "nut.prt", fresh)
    ci = check(fresh, "--results", tmp_path / "rc", "--ci", "--junit", tmp_path / "rc" / "j.xml")
    assert ci.returncode == 2
    ci_cases = list(ET.parse(tmp_path / "rc" / "j.xml").getroot().iter("testcase"))
    assert any(c.find("failure") is not None for c in ci_cases)


def test_a_version_text_with_spaces_reaches_its_row_whole(tmp_path):
    """The row's values are what the check recorded, not words cut out of its journal block."""
    models = tmp_path / "models"
    models.mkdir()
    shutil.copy(ROOT / "examples" / "models" / "bolt.vxlprt", models)
    part = models / "bolt.vxlprt"

    def version_row(results, history):
        edit(part, lambda m: m.update(versionHistory=history))
        run = check(part, "--results", tmp_path / results, "--checks", "TestFileVersion,TestEdgeCount")
        document = json.loads((tmp_path / results / "results.json").read_text())["documents"][0]
        return run, {c["check"]: c for c in document["checks"]}

    run, created = version_row("r1", ["Vexlar 2023", "Vexlar 2023 SP2"])
    assert run.returncode == 0, run.stdout
    assert (created["TestFileVersion"]["status"], created["TestFileVersion"]["new"]) == ("BASELINE CREATED", "Vexlar 2023")
    run, agreed = version_row("r2", ["Vexlar 2023", "Vexlar 2023 SP2"])
    assert run.returncode == 0, run.stdout
    assert (agreed["TestFileVersion"]["new"], agreed["TestFileVersion"]["baseline"]) == ("Vexlar 2023", "Vexlar 2023")
    assert (agreed["TestEdgeCount"]["status"], agreed["TestEdgeCount"]["new"], agreed["TestEdgeCount"]["baseline"]) == \
        ("OK", "2", "2")
    run, changed = version_row("r3", ["Vexlar 2024 SP1", "Vexlar 2025"])
    assert run.returncode == 1, run.stdout
    row = changed["TestFileVersion"]
    assert (row["status"], row["new"], row["baseline"]) == ("WARNING", "Vexlar 2024 SP1", "Vexlar 2023"), run.stdout
    # What `baseline accept` stores is the whole text too.
    accept = subprocess.run([BIN, "baseline", "accept", part, "--checks", "TestFileVersion"], capture_output=True,
                            text=True, timeout=60)
    assert accept.returncode == 0, accept.stdout + accept.stderr
    run, accepted = version_row("r4", ["Vexlar 2024 SP1", "Vexlar 2025"])
    assert run.returncode == 0, run.stdout
    assert accepted["TestFileVersion"]["baseline"] == "Vexlar 2024 SP1"
