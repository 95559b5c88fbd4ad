import os
import pathlib
import shutil

import pytest

MODELS = pathlib.Path(__file__).resolve().parents[2] / "examples" / "models"


@pytest.fixture
def library_classes():
    """The seven classes of the library, by name."""
    return [
        "clsApplication",
        "clsPropertyManager",
        "clsBitmap",
        "clsGrfConvert",
        "Class1",
        "clsKstdUpdate",
        "clsKstdPrint",
    ]


@pytest.fixture(autouse=True)
def private_state(tmp_path, monkeypatch):
    """Keep every test's settings store and drive root out of the user's home."""
    monkeypatch.setenv("RAVELCREST_REGISTRY", str(tmp_path / "registry"))
    monkeypatch.setenv("RAVELCREST_DRIVE_ROOT", str(tmp_path / "root"))
    monkeypatch.delenv("RAVELCREST_MESSAGES", raising=False)


@pytest.fixture
def rc():
    ravelcrest = pytest.importorskip("ravelcrest")
    testing = pytest.importorskip("ravelcrest._testing")
    testing.register()
    return ravelcrest


@pytest.fixture
def sample(rc):
    return rc.Dispatch("RavelcrestTest.Sample")


@pytest.fixture
def host():
    """A separate session of the simulated host, ended after the test."""
    ravelcrest = pytest.importorskip("ravelcrest")
    app = ravelcrest.Dispatch("VexlarSim.Session")
    yield app
    try:
        app.ExitApp()
    except ravelcrest.AutomationError:
        pass


@pytest.fixture
def cli():
    path = os.environ.get("RAVELCREST_BIN")
    if not path or not os.path.exists(path):
        pytest.skip("RAVELCREST_BIN does not name the ravelcrest tool")
    return path


@pytest.fixture
def models(tmp_path, monkeypatch):
    """A copy of the sample models, with the drive root and locale of a clean run."""
    monkeypatch.setenv("RAVELCREST_DRIVE_ROOT", str(tmp_path / "drive"))
    monkeypatch.setenv("LC_ALL", "C")
    copy = tmp_path / "models"
    shutil.copytree(MODELS, copy)
    return copy
