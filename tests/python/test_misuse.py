"""The check side used carelessly or with hostile intent: damaged state
beside documents, links where the tool keeps its own files, two runs or
two accepts at once, odd inputs. Each must end in an error naming the file
and why, never a silent success, a lost change or a write elsewhere."""
import json
import os
import pathlib
import subprocess

import pytest

from summary import rows

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def ravelcrest(*args, timeout=300):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=timeout)


def warned_part(models, tmp_path):
    """bolt.vxlprt alone in a folder, checked, edited (more edges, a new mass)
    and checked again, so that its last run holds changes to accept."""
    folder = tmp_path / "suite"
    folder.mkdir()
    part = folder / "bolt.vxlprt"
    part.write_bytes((models / "bolt.vxlprt").read_bytes())
    assert ravelcrest("check", part, "--results", tmp_path / "r0").returncode == 0
    model = json.loads(part.read_text())
    config = model["configurations"][0]
    config["body"]["faces"].append({"edges": 4, "triangles": 2})
    config["massProperties"][5] *= 2
    part.write_text(json.dumps(model))
    assert ravelcrest("check", part, "--results", tmp_path / "r1").returncode == 1
    return part


def test_a_damaged_last_run_record_is_named_never_taken_for_nothing_to_accept(models, tmp_path):
    part = warned_part(models, tmp_path)
    state = part.parent / ".ravelcrest" / "bolt.vxlprt"
    record = state / "last-run.json"
    kept = record.read_bytes()
    secret = tmp_path / "secret.json"
    secret.write_bytes(kept)
    props = part.parent / "bolt.vxlprt.properties"
    before = props.read_bytes()

    def refused(why):
        run = ravelcrest("baseline", "accept", part)
        assert run.returncode == 2, (why, run.stdout, run.stderr)
        assert str(record) in run.stderr and why in run.stderr, run.stderr
        assert props.read_bytes() == before

    record.unlink()
    record.symlink_to(secret)  # a valid record elsewhere is not followed
    refused("symbolic link")
    record.unlink()
    record.mkdir()
    refused("a folder")
    record.rmdir()
    os.mkfifo(record)
    refused("not a regular file")
    record.unlink()

    # A value with a line break would add a line of its own to the
    # properties file; refused before any baseline is written.
    changes = json.loads(kept)
    for change in changes["changes"]:
        if change["key"] == "EdgeCount":
            change["new"] = "4\nFileSize = 1"
    record.write_text(json.dumps(changes))
    run = ravelcrest("baseline", "accept", part)
    assert run.returncode == 2 and "line break" in run.stderr and str(part) in run.stderr, run.stderr
    assert props.read_bytes() == before and (state / "new").is_dir()


def test_state_folders_that_are_links_or_files_are_never_written_through(models, tmp_path):
    """A link (or a file) where the tool keeps a document's state: the check
    run writes nothing where it points, and says so in the document's row."""
    part = warned_part(models, tmp_path)
    states = part.parent / ".ravelcrest"
    pristine = tmp_path / "pristine"
    states.rename(pristine)
    elsewhere = tmp_path / "elsewhere"
    for place in (states, states / "bolt.vxlprt", states / "bolt.vxlprt" / "new"):
        subprocess.run(["rm", "-rf", states, elsewhere], check=True)
        subprocess.run(["cp", "-a", pristine, states], check=True)
        subprocess.run(["rm", "-rf", place], check=True)
        elsewhere.mkdir()
        place.symlink_to(elsewhere)
        run = ravelcrest("check", part, "--results", tmp_path / "r2")
        assert run.returncode == 2, run.stdout
        assert [r[1:3] for r in rows(run.stdout)] == [["open", "FAILED"]], run.stdout
        assert f"{place} is a symbolic link" in run.stdout, run.stdout
        assert list(elsewhere.iterdir()) == [], place
        accept = ravelcrest("baseline", "accept", part)
        assert accept.returncode == 2 and str(place) in accept.stderr and "symbolic link" in accept.stderr
        assert list(elsewhere.iterdir()) == [], place
    subprocess.run(["rm", "-rf", states], check=True)
    states.write_text("not a folder")
    run = ravelcrest("check", part, "--results", tmp_path / "r2")
    assert run.returncode == 2 and f"{states} is not a folder" in run.stdout, run.stdout


def test_a_named_document_that_is_no_file_says_what_it_is(tmp_path):
    odd = tmp_path / "odd"
    odd.mkdir()
    os.mkfifo(odd / "pipe.vxlprt")
    (odd / "gone.vxlprt").symlink_to(odd / "missing.vxlprt")
    (odd / "a.vxlprt").symlink_to(odd / "b.vxlprt")
    (odd / "b.vxlprt").symlink_to(odd / "a.vxlprt")
    expected = {"pipe.vxlprt": "a FIFO", "gone.vxlprt": "a link whose target is missing",
                "a.vxlprt": "a link in a loop of links", "missing.vxlprt": "no such document"}
    for name, why in expected.items():
        run = ravelcrest("check", odd / name, "--results", tmp_path / "r", timeout=60)
        assert run.returncode == 2 and f"open: {why}" in run.stdout, (name, run.stdout)
    run = ravelcrest("check", "/dev/null", "--results", tmp_path / "r", timeout=60)
    assert run.returncode == 2 and "open: a device" in run.stdout, run.stdout


def test_two_accepts_at_once_both_land(models, tmp_path):
    """Two reviewers accepting different checks of one document at once: each
    rewrites the properties file, and neither may undo the other."""
    part = warned_part(models, tmp_path)
    pristine = {p: p.read_bytes() for p in part.parent.rglob("*") if p.is_file()}
    for _ in range(8):
        for path, data in pristine.items():
            path.write_bytes(data)
        accepts = [subprocess.Popen([BIN, "baseline", "accept", str(part), "--checks", check],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                   for check in ("TestEdgeCount", "TestTessTriangleCount", "TestMassProp")]
        assert [p.wait(timeout=120) for p in accepts] == [0, 0, 0]
        props = (part.parent / "bolt.vxlprt.properties").read_text()
        assert "\nEdgeCount = 4 " in "\n" + props and "TessTriangleCount = 34 " in props, props
        left = json.loads((part.parent / ".ravelcrest" / "bolt.vxlprt" / "last-run.json").read_text())["changes"]
        assert {c["check"] for c in left} & {"TestEdgeCount", "TestTessTriangleCount", "TestMassProp"} == set()
        assert left


def test_an_accept_removes_the_temporaries_a_killed_accept_left(models, tmp_path):
    part = warned_part(models, tmp_path)
    stale = part.parent / ".ravelcrest-accept-k1LLed"
    stale.write_text("EdgeCount = 3      Build: half written\n")
    elsewhere = tmp_path / "elsewhere.txt"
    elsewhere.write_text("kept")
    link = part.parent / ".ravelcrest-accept-link"
    link.symlink_to(elsewhere)
    accept = ravelcrest("baseline", "accept", part, "--checks", "TestEdgeCount")
    assert accept.returncode == 0, accept.stderr
    assert not stale.exists()
    # Only this user's regular files of the name go; a link stays, its target untouched.
    assert link.is_symlink() and elsewhere.read_text() == "kept"
    assert "\nEdgeCount = 4 " in "\n" + (part.parent / "bolt.vxlprt.properties").read_text()


def test_a_results_folder_serves_one_run_at_a_time(models, tmp_path):
    many = tmp_path / "many"
    many.mkdir()
    for i in range(150):
        (many / f"p{i:03}.vxlprt").write_bytes((models / "bolt.vxlprt").read_bytes())
    results = tmp_path / "r"

    def start():
        proc = subprocess.Popen([BIN, "check", many, "--results", results, "-j", "1"], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        assert proc.stdout.readline().startswith("DOCUMENT")  # the folder is prepared and held
        return proc

    first = start()
    second = ravelcrest("check", many, "--results", results)
    out, _ = first.communicate(timeout=300)
    assert second.returncode == 2 and second.stdout == "", second.stdout
    assert str(results) in second.stderr and "another check run is using it" in second.stderr, second.stderr
    # The second run rotated no journal and removed no journal part of the first.
    assert first.returncode == 0, out
    assert not (results / "journal.1.txt").exists()
    assert (results / "journal.txt").read_bytes().count(b"'===== ") == 150

    # A run killed outright holds the folder no longer.
    killed = start()
    killed.kill()
    killed.wait(timeout=60)
    again = ravelcrest("check", many / "p000.vxlprt", "--results", results)
    assert again.returncode == 0, again.stdout + again.stderr


def test_prune_removes_only_baselines_whatever_a_damaged_index_names(models, tmp_path):
    folder = tmp_path / "suite"
    (folder / "keep").mkdir(parents=True)
    part = folder / "bolt.vxlprt"
    part.write_bytes((models / "bolt.vxlprt").read_bytes())
    (folder / "keep" / "nut.prt").write_bytes((models / "nut.prt").read_bytes())
    assert ravelcrest("check", folder, "--results", tmp_path / "r").returncode == 0
    index = folder / ".ravelcrest" / "baselines"
    # gone.vxlprt no longer exists; its lines name the other document, a
    # folder of documents and a real baseline of its own.
    (folder / "gone.vxlprt.properties").write_text("EdgeCount = 2\n")
    index.write_text(index.read_text() + "gone.vxlprt\tbolt.vxlprt\ngone.vxlprt\tkeep\n"
                     "gone.vxlprt\tbolt.vxlprt.properties\ngone.vxlprt\tgone.vxlprt.properties\n")
    run = ravelcrest("baseline", "prune", folder)
    assert run.returncode == 0, run.stderr
    assert part.exists() and (folder / "keep" / "nut.prt").exists() and (folder / "bolt.vxlprt.properties").exists()
    assert not (folder / "gone.vxlprt.properties").exists()
    assert "1 baseline of missing documents removed" in run.stdout, run.stdout


def test_history_reads_without_writing_and_a_folder_name_with_equals_is_a_file(models, tmp_path):
    import sqlite3
    part = tmp_path / "bolt.vxlprt"
    part.write_bytes((models / "bolt.vxlprt").read_bytes())
    folder = tmp_path / "runs=2"
    folder.mkdir()
    db = folder / "history.db"
    recorded = ravelcrest("check", part, "--results", tmp_path / "r", "--history", db)
    assert recorded.returncode == 0 and db.is_file(), recorded.stderr
    shown = ravelcrest("history", part, "--history", db, "--check", "TestEdgeCount")
    assert shown.returncode == 0 and "TestEdgeCount" in shown.stdout, shown.stderr

    # A database that is no history is named as such and left as it was.
    other = tmp_path / "other.db"
    with sqlite3.connect(other) as c:
        c.execute("CREATE TABLE parts (name TEXT)")
    before = other.read_bytes()
    empty = tmp_path / "empty.db"
    empty.write_bytes(b"")
    for path in (other, empty):
        run = ravelcrest("history", part, "--history", path)
        assert run.returncode == 2 and f"{path.name} holds no history of check runs" in run.stderr, run.stderr
    assert other.read_bytes() == before and empty.read_bytes() == b""


def test_reports_never_replace_a_device_fifo_or_a_link_to_one(models, tmp_path):
    """`--json /dev/null` run as root would otherwise leave a regular file
    where the device was; a FIFO (and a link to one) stands in for it here."""
    import stat
    part = tmp_path / "bolt.vxlprt"
    part.write_bytes((models / "bolt.vxlprt").read_bytes())
    results = tmp_path / "r"
    assert ravelcrest("check", part, "--results", results, "--json", tmp_path / "run.json").returncode == 0
    pipe = tmp_path / "pipe"
    os.mkfifo(pipe)
    (tmp_path / "to-pipe").symlink_to(pipe)
    for target in (pipe, tmp_path / "to-pipe"):
        for option in ("--json", "--junit", "--report"):
            for run in (ravelcrest("check", part, "--results", results, option, target, timeout=60),
                        ravelcrest("merge", tmp_path / "run.json", option, target, timeout=60)):
                assert run.returncode == 2 and f"{option} {target} is not a regular file" in run.stderr, run.stderr
    assert stat.S_ISFIFO(pipe.lstat().st_mode) and (tmp_path / "to-pipe").is_symlink()
    # Nor does the run's own results file in the results folder.
    (results / "results.json").unlink()
    os.mkfifo(results / "results.json")
    run = ravelcrest("check", part, "--results", results, timeout=60)
    assert run.returncode == 2 and "results.json: it is not a regular file" in run.stderr, run.stderr
    assert stat.S_ISFIFO((results / "results.json").lstat().st_mode)


def test_a_document_whose_results_cannot_be_written_fails_alone_saying_why(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    for name in ("bolt.vxlprt", "nut.prt"):
        (suite / name).write_bytes((models / name).read_bytes())
    results = tmp_path / "r"
    (results / "performance").mkdir(parents=True)
    (results / "performance" / "bolt.vxlprt").write_text("a file where the document's folder goes")
    for jobs in ("1", "2"):
        run = ravelcrest("check", suite, "--results", results, "-j", jobs)
        assert run.returncode == 2, run.stdout + run.stderr
        table = {(r[0], r[1]): r[2] for r in rows(run.stdout)}
        assert table[("bolt.vxlprt", "open")] == "FAILED"
        assert table[("nut.prt", "TestEdgeCount")] in ("OK", "BASELINE CREATED"), run.stdout
        assert f"bolt.vxlprt open: cannot write {results}/performance/bolt.vxlprt/Performance.log" in run.stdout


def test_merge_refuses_hostile_results_naming_the_file(models, tmp_path):
    part = tmp_path / "bolt.vxlprt"
    part.write_bytes((models / "bolt.vxlprt").read_bytes())
    good = tmp_path / "good.json"
    assert ravelcrest("check", part, "--results", tmp_path / "r", "--json", good).returncode == 0
    base = json.loads(good.read_text())

    def variant(name, change):
        data = json.loads(json.dumps(base))
        change(data)
        path = tmp_path / name
        path.write_text(json.dumps(data))
        return path

    def images(value):
        return lambda d: d["documents"][0]["checks"][0].__setitem__("images", value)

    cases = {
        variant("huge-size.json", images({"size": [1e300, 5], "regions": []})): "not a whole number of pixels",
        variant("float-region.json", images({"size": [5, 5], "regions": [[0.5, 0, 1, 1]]})): "not a whole number",
        variant("wide-region.json", images({"size": [5, 5], "regions": [[2 ** 40, 0, 1, 1]]})): "not a whole number",
        variant("settings.json", lambda d: d.__setitem__("settings", 5)): "settings are 5",
    }
    deep = tmp_path / "deep.json"
    deep.write_text('{"format": "ravelcrest-results", "version": 1, "documents": [], "x": ' + "[" * 100000 +
                    "]" * 100000 + "}")
    bad_utf8 = tmp_path / "bad-utf8.json"
    bad_utf8.write_bytes(good.read_bytes().replace(b"bolt.vxlprt", b"bolt\xff.vxlprt"))
    cases[bad_utf8] = "UTF-8"
    for path, why in cases.items():
        run = ravelcrest("merge", path, "--json", tmp_path / "merged.json", timeout=60)
        assert run.returncode == 2 and str(path.name) in run.stderr and why in run.stderr, (path.name, run.stderr)
    run = ravelcrest("merge", deep, "--json", tmp_path / "merged.json", timeout=60)
    assert run.returncode == 0 and "0 of 0 documents" in run.stdout, run.stdout + run.stderr


def test_a_parallel_run_keeps_the_bytes_of_names_that_are_not_utf8(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    latin = os.fsencode(suite) + b"/caf\xe9.vxlprt"
    with open(latin, "wb") as f:
        f.write((models / "bolt.vxlprt").read_bytes())
    (suite / "nut.prt").write_bytes((models / "nut.prt").read_bytes())
    journals = []
    for jobs in ("1", "2"):
        results = tmp_path / f"r{jobs}"
        run = subprocess.run([BIN, "check", suite, "--results", results, "-j", jobs, "--checks", "TestEdgeCount"],
                             capture_output=True, timeout=300)
        assert run.returncode == 0, run.stdout
        assert b"caf\\xe9.vxlprt  " in run.stdout, run.stdout  # escaped on the terminal
        journal = (results / "journal.txt").read_bytes()
        assert b"'===== caf\xe9.vxlprt (" + latin + b")" in journal, journal
        journals.append([line for line in journal.split(b"\r\n") if line.startswith(b"'=====")])
    assert journals[0] == journals[1]


def test_a_name_with_a_line_break_stays_on_its_row(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    (suite / "two\nlines.vxlprt").write_bytes((models / "bolt.vxlprt").read_bytes())
    run = ravelcrest("check", suite, "--results", tmp_path / "r", "--checks", "TestEdgeCount,TestFileSize")
    assert run.returncode == 0, run.stdout
    assert [r[:3] for r in rows(run.stdout)] == [["two\\x0alines.vxlprt", "TestEdgeCount", "BASELINE CREATED"],
                                                ["two\\x0alines.vxlprt", "TestFileSize", "BASELINE CREATED"]]
    assert "progress: [1/1] two\\x0alines.vxlprt" in run.stderr


def test_a_document_named_in_latin1_can_be_accepted_and_reviewed(models, tmp_path):
    from review_support import Review
    suite = tmp_path / "suite"
    suite.mkdir()
    latin = os.fsencode(suite) + b"/caf\xe9.vxlprt"
    source = json.loads((models / "bolt.vxlprt").read_text())
    with open(latin, "w") as f:
        json.dump(source, f)
    assert ravelcrest("check", suite, "--results", tmp_path / "r0").returncode == 0
    config = source["configurations"][0]
    config["body"]["faces"].append({"edges": 4, "triangles": 2})
    config["massProperties"][5] *= 2
    with open(latin, "w") as f:
        json.dump(source, f)
    results = tmp_path / "r1"
    history = tmp_path / "history.db"
    assert ravelcrest("check", suite, "--results", results, "--history", history).returncode == 1
    document = json.loads((results / "results.json").read_text())["documents"][0]
    assert bytes.fromhex(document["pathBytes"]) == latin
    series = subprocess.run([BIN, "history", latin, "--history", history, "--json", "--check", "TestEdgeCount"],
                            capture_output=True, timeout=120)
    assert series.returncode == 0, series.stderr
    points = json.loads(series.stdout)
    assert len(points) == 1 and bytes.fromhex(points[0]["documentBytes"]) == b"caf\xe9.vxlprt", points

    accept = subprocess.run([BIN, "baseline", "accept", latin, "--checks", "TestEdgeCount"], capture_output=True,
                            timeout=120)
    assert accept.returncode == 0 and b"caf\\xe9.vxlprt TestEdgeCount: 2 -> 4" in accept.stdout, accept
    review = Review(results, "--idle-timeout", "60")
    try:
        status, body = review.request("POST", "/accept", b"doc=0",
                                      {"Content-Type": "application/x-www-form-urlencoded",
                                       "X-Review-Token": review.token})
    finally:
        review.stop()
    assert status == 200 and json.loads(body)["accepted"] >= 2, body
    rerun = ravelcrest("check", suite, "--results", tmp_path / "r2")
    assert rerun.returncode == 0, rerun.stdout


def test_two_runs_over_the_same_documents_create_each_baseline_once(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    for i in range(60):
        (suite / f"p{i:02}.vxlprt").write_bytes((models / "bracket.vxlprt").read_bytes())
    runs = [subprocess.Popen([BIN, "check", suite, "--results", tmp_path / f"r{n}", "-j", "1",
                              "--checks", "TestEdgeCount,TestFileSize,MassPropInCfgs"],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True) for n in range(2)]
    outs = [p.communicate(timeout=300)[0] for p in runs]
    assert [p.returncode for p in runs] == [0, 0], outs
    created = [r for out in outs for r in rows(out) if r[2] == "BASELINE CREATED"]
    assert len(created) == 60 * 3, outs
    for i in range(60):
        props = (suite / f"p{i:02}.vxlprt.properties").read_text()
        assert props.count("EdgeCount = ") == 1 and props.count("FileSize = ") == 1, props


def test_a_work_folder_whose_copies_would_be_the_documents_is_refused(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    (suite / "bolt.vxlprt").write_bytes((models / "bolt.vxlprt").read_bytes())
    run = ravelcrest("check", suite / "bolt.vxlprt", "--results", tmp_path / "r", "--baselines", tmp_path)
    assert run.returncode == 2 and "the copies would be the documents themselves" in run.stderr, run.stderr
    assert sorted(p.name for p in suite.iterdir()) == ["bolt.vxlprt"]
    (tmp_path / "work").symlink_to(tmp_path / "missing")
    run = ravelcrest("check", suite / "bolt.vxlprt", "--results", tmp_path / "r", "--baselines", tmp_path / "work")
    assert run.returncode == 2 and f"cannot copy the documents into the work folder {tmp_path / 'work'}" in run.stderr
    assert sorted(p.name for p in suite.iterdir()) == ["bolt.vxlprt"]


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads every folder")
def test_a_folder_that_cannot_be_read_is_a_failed_row_not_a_gap(models, tmp_path):
    suite = tmp_path / "suite"
    (suite / "locked").mkdir(parents=True)
    (suite / "bolt.vxlprt").write_bytes((models / "bolt.vxlprt").read_bytes())
    (suite / "locked" / "nut.prt").write_bytes((models / "nut.prt").read_bytes())
    (suite / "locked").chmod(0)
    try:
        run = ravelcrest("check", suite, "--results", tmp_path / "r", "--checks", "TestEdgeCount")
    finally:
        (suite / "locked").chmod(0o755)
    assert run.returncode == 2, run.stdout
    assert f"{suite / 'locked'} open: a folder that cannot be read (Permission denied)" in run.stdout, run.stdout


def test_a_report_never_replaces_a_document_or_a_baseline(models, tmp_path):
    """`check --json a.vxlprt b.vxlprt`: the report's own name forgotten."""
    suite = tmp_path / "suite"
    suite.mkdir()
    for name in ("bolt.vxlprt", "nut.prt"):
        (suite / name).write_bytes((models / name).read_bytes())
    before = (suite / "bolt.vxlprt").read_bytes()
    run = ravelcrest("check", "--json", suite / "bolt.vxlprt", suite / "nut.prt", "--results", tmp_path / "r")
    assert run.returncode == 2 and "is a document, which a report never replaces" in run.stderr, run.stderr
    assert (suite / "bolt.vxlprt").read_bytes() == before
    assert ravelcrest("check", suite / "nut.prt", "--results", tmp_path / "r").returncode == 0
    props = (suite / "nut.prt.properties").read_bytes()
    run = ravelcrest("check", suite / "nut.prt", "--results", tmp_path / "r", "--junit", suite / "nut.prt.properties")
    assert run.returncode == 2 and "is a baseline" in run.stderr, run.stderr
    assert (suite / "nut.prt.properties").read_bytes() == props


def test_merge_never_writes_a_report_over_a_shards_results(models, tmp_path):
    """`merge --json shard-1.json shard-2.json`: the report's name forgotten."""
    suite = tmp_path / "suite"
    suite.mkdir()
    for name in ("bolt.vxlprt", "nut.prt"):
        (suite / name).write_bytes((models / name).read_bytes())
    for k in (1, 2):
        run = ravelcrest("check", suite, "--results", tmp_path / f"r{k}", "--shard", f"{k}/2",
                         "--json", tmp_path / f"shard-{k}.json")
        assert run.returncode == 0, run.stderr
    first = (tmp_path / "shard-1.json").read_bytes()
    for option in ("--json", "--junit", "--report"):
        run = ravelcrest("merge", option, tmp_path / "shard-1.json", tmp_path / "shard-2.json")
        assert run.returncode == 2 and "holds the results of shard 1/2" in run.stderr, run.stderr
    assert (tmp_path / "shard-1.json").read_bytes() == first
    merged = tmp_path / "merged.json"
    for _ in range(2):  # a merged file is the merge's own, replaced by the next
        run = ravelcrest("merge", tmp_path / "shard-1.json", tmp_path / "shard-2.json", "--json", merged)
        assert run.returncode == 0 and "2 of 2 documents" in run.stdout, run.stdout + run.stderr


def test_the_review_never_accepts_a_value_a_later_run_changed(models, tmp_path):
    """The page shows one run; the document was checked again since, with
    another new value: accepting the row would write what nobody saw."""
    from review_support import Review
    part = warned_part(models, tmp_path)  # results in r1: EdgeCount 2 -> 4
    review = Review(tmp_path / "r1", "--idle-timeout", "60")
    try:
        model = json.loads(part.read_text())
        model["configurations"][0]["body"]["faces"].append({"edges": 4, "triangles": 2})
        part.write_text(json.dumps(model))
        assert ravelcrest("check", part, "--results", tmp_path / "r2").returncode == 1  # now 2 -> 6
        props = (part.parent / "bolt.vxlprt.properties").read_bytes()
        headers = {"Content-Type": "application/x-www-form-urlencoded", "X-Review-Token": review.token}
        status, body = review.request("POST", "/accept", b"doc=0&check=TestEdgeCount", headers)
        assert status == 409 and "another new value for TestEdgeCount (6, not 4)" in json.loads(body)["error"], body
        status, body = review.request("POST", "/accept", b"doc=0", headers)
        assert status == 409, body
        # A document removed since: nothing is written beside where it was.
        part.rename(tmp_path / "moved.vxlprt")
        status, body = review.request("POST", "/accept", b"doc=0&check=TestMassProp", headers)
        assert status == 409 and "no longer exists" in json.loads(body)["error"], body
        (tmp_path / "moved.vxlprt").rename(part)
        assert (part.parent / "bolt.vxlprt.properties").read_bytes() == props
    finally:
        review.stop()
    accept = ravelcrest("baseline", "accept", part, "--checks", "TestEdgeCount")
    assert accept.returncode == 0 and "TestEdgeCount: 2 -> 6" in accept.stdout, accept.stdout


def test_a_document_in_a_folder_that_is_no_file_is_a_failed_row_not_a_gap(models, tmp_path):
    suite = tmp_path / "suite"
    suite.mkdir()
    (suite / "bolt.vxlprt").write_bytes((models / "bolt.vxlprt").read_bytes())
    (suite / "share.vxlprt").symlink_to(tmp_path / "unmounted" / "share.vxlprt")  # its target briefly gone
    os.mkfifo(suite / "pipe.prt")
    run = ravelcrest("check", suite, "--results", tmp_path / "r", "--checks", "TestEdgeCount", timeout=60)
    assert run.returncode == 2, run.stdout
    assert f"{suite / 'share.vxlprt'} open: a link whose target is missing" in run.stdout, run.stdout
    assert f"{suite / 'pipe.prt'} open: a FIFO, not a document file" in run.stdout, run.stdout
    # A suite file that skips them leaves them out.
    (suite / "ravelcrest.toml").write_text('skip = ["share.vxlprt", "pipe.prt"]\n')
    run = ravelcrest("check", suite, "--results", tmp_path / "r", "--checks", "TestEdgeCount", timeout=60)
    assert run.returncode == 0 and "skipped (ravelcrest.toml:1): " in run.stderr, run.stdout + run.stderr
