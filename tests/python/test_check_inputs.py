"""Checks against the simulated host with session fields left empty and with
version texts that change only in their trailing spaces."""
import json
import os
import pathlib
import shutil

import pytest

MODELS = pathlib.Path(__file__).resolve().parents[2] / "examples" / "models"
PART = 1


@pytest.fixture
def rcm():
    return pytest.importorskip("ravelcrest")


@pytest.fixture
def host(rcm):
    app = rcm.Dispatch("Vexlar.Application")
    yield app
    try:
        app.CloseAllDocuments(True)
        app.ExitApp()
    except rcm.AutomationError:
        pass


def open_part(host, folder, history=None):
    model = json.loads((MODELS / "bolt.vxlprt").read_text())
    if history is not None:
        model["versionHistory"] = history
    path = folder / "bolt.vxlprt"
    path.write_text(json.dumps(model))
    doc, errors, _ = host.OpenDoc6(str(path), PART, 0, "", 0, 0)
    assert doc is not None and errors == 0
    return path


def first(result):
    return result[0] if isinstance(result, tuple) else result


# (member, arguments, result when the properties-file path cannot be formed,
#  failure line in the trace log or None)
PATH_CHECKS = [
    ("TestEdgeCount", (), 1, "TestEdgeCount - Failure"),
    ("TestTessTriangleCount", (), 1, "TestTessTriangleCount - Failed"),
    ("TestFileSize", ("",), 1, "TestFileSize - Failed"),
    ("TestFileVersion", (1, 0), 1, None),
    ("TestPerformance", ("OpenTime", 1, 0), -999, None),
]


@pytest.mark.parametrize("member,args,failed,failure_line", PATH_CHECKS, ids=[c[0] for c in PATH_CHECKS])
def test_empty_input_file_does_not_contain_the_name(rcm, host, tmp_path, monkeypatch, member, args, failed,
                                                     failure_line):
    """A harness that never set InputFile and NameOnly gets the failure result
    and no ".properties" file anywhere."""
    cwd = tmp_path / "cwd"
    results = tmp_path / "results"
    cwd.mkdir()
    results.mkdir()
    monkeypatch.chdir(cwd)
    open_part(host, tmp_path)

    app = rcm.Dispatch("RavelcrestCore.clsApplication")
    app.ResultPath = str(results)
    app.InpPath = str(results)
    app.VXBuild = "B1"
    assert first(getattr(app, member)(*args)) == failed

    if member != "TestPerformance":  # the timing check writes no trace lines
        trace = (results / "TraceLog.log").read_text().splitlines()
        assert trace[0] == f"\"{member} - Enter\""
        if failure_line:
            assert f"\"{failure_line}\"" in trace
    assert not list(cwd.iterdir())
    assert not list(tmp_path.rglob("*.properties"))


def test_empty_name_is_found_in_a_non_empty_input_file(rcm, host, tmp_path, monkeypatch):
    """An empty NameOnly occurs at the start of any non-empty InputFile, so
    nothing stands in front of it: the properties file is ".properties" in
    the current folder."""
    monkeypatch.chdir(tmp_path)
    path = open_part(host, tmp_path)
    app = rcm.Dispatch("RavelcrestCore.clsApplication")
    app.ResultPath = str(tmp_path)
    app.InputFile = str(path)
    app.NameOnly = ""
    app.VXBuild = "B1"
    assert app.TestEdgeCount() == 0
    assert (tmp_path / ".properties").read_text().startswith("EdgeCount = ")
    assert path.exists()


def run_version_check(rcm, host, folder, history):
    path = open_part(host, folder, history)
    app = rcm.Dispatch("RavelcrestCore.clsApplication")
    app.ResultPath = str(folder)
    app.InputFile = str(path)
    app.NameOnly = "bolt"
    app.VXBuild = "B1"
    before = len(host.SimJournal)
    assert first(app.TestFileVersion(1, 0)) == 0
    host.CloseAllDocuments(True)
    return host.SimJournal[before:]


def test_version_gaining_trailing_spaces_is_reported(rcm, host, tmp_path):
    assert run_version_check(rcm, host, tmp_path, ["V1"]) == []
    assert "FileVersion = V1 " in (tmp_path / "bolt.properties").read_text()
    # The stored text, trimmed, is what it was; the current text is compared as it comes.
    assert run_version_check(rcm, host, tmp_path, ["V1"]) == []
    warned = run_version_check(rcm, host, tmp_path, ["V1  "])
    assert warned == ["", "'*** WARNING - FileVersion", "'*** ", "'*** New = V1   ", "'*** BaseLine = V1 ", ""]
