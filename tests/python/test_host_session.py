"""A harness session against the simulated host, through the Python module:
by-reference results as tuples, plain results for the rest, the operations
log and read-only copies."""
import json
import os
import pathlib
import shutil

import pytest

MODELS = pathlib.Path(__file__).resolve().parents[2] / "examples" / "models"
PART, DRAWING = 1, 3


@pytest.fixture
def rcm():
    return pytest.importorskip("ravelcrest")


@pytest.fixture
def models(tmp_path):
    for name in ("bracket.vxldrw", "bracket.vxlprt", "bracket-view.bmp"):
        shutil.copy(MODELS / name, tmp_path / name)
    return tmp_path


def test_session_is_found_by_its_process_id(rcm, host):
    assert rcm.GetObject(f"VexlarSim.Session:{host.SimProcessID}") == host
    with pytest.raises(rcm.AutomationError) as raised:
        rcm.GetObject("VexlarSim.Session:-1")
    assert raised.value.number == 429


def test_drawing_walk_with_by_reference_results(host, models):
    doc, errors, warnings = host.OpenDoc6(str(models / "bracket.vxldrw"), DRAWING, 0, "", 0, 0)
    assert (errors, warnings) == (0, 0)
    assert host.ActiveDoc == doc

    features = {}
    for name in doc.GetSheetNames():
        assert doc.ActivateSheet(name) is True
        assert doc.GetCurrentSheet().getName() == name
        features[name] = doc.GetFeatureCount()
    assert features == {"Sheet1": 3, "Sheet2": 2, "Sheet3": 0}

    doc.ActivateSheet("Sheet1")
    view = doc.GetFirstView().GetNextView()
    x, y = view.position
    assert doc.andSelectByID("", "DRAWINGVIEW", x, y, 0) is True
    assert doc.Save3(1, 0, 0) == (True, 0, 0)
    assert host.SimOperations[-2:] == ['andSelectByID("", "DRAWINGVIEW", 0.07, 0.15, 0)', "Save3(1, 0, 0)"]
    saved = json.loads((models / "bracket.vxldrw").read_text())
    assert saved["versionHistory"][-1] == str(host.SimLatestFileVersion)

    # Keywords name parameters; by-reference values still come in parameter order.
    assert host.OpenDoc6(str(models / "none.vxldrw"), DRAWING, warnings=0, errors=0) == (None, 2, 0)


def test_members_without_by_reference_parameters_answer_plain_values(host, models):
    part, _, _ = host.OpenDoc6(str(models / "bracket.vxlprt"), PART, 0, "", 0, 0)
    host.OpenDoc6(str(models / "bracket.vxldrw"), DRAWING, 0, "", 0, 0)
    assert host.ActivateDoc("bracket.vxlprt") == part
    assert host.ActiveDoc == part
    assert host.ActivateDoc("nothing.vxlprt") is None

    masses, status = part.GetMassProperties2(0)
    assert status == 0 and masses == part.GetMassProperties() and len(masses) == 12
    assert part.extension.PrintOut(1, 250, 2, True, "", "") == (None, 2, True)
    assert json.loads(host.SimPrintJobs[-1])["pages"] == [[1, 250]]


@pytest.mark.skipif(not hasattr(os, "chmod"), reason="needs file modes")
def test_read_only_copy_warns_and_is_not_saved(host, models):
    path = models / "bracket.vxlprt"
    before = path.read_bytes()
    path.chmod(0o444)
    try:
        doc, errors, warnings = host.OpenDoc6(str(path), PART, 0, "", 0, 0)
        assert errors == 0 and warnings & 2
        assert doc.Save3(1, 0, 0) == (False, 2, 0)
        assert path.read_bytes() == before
    finally:
        path.chmod(0o644)
