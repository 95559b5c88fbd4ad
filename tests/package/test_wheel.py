"""The Python wheel: built without network from this build, installed with pip
into a fresh virtual environment, and a harness run against it there."""
import zipfile

import pytest

from conftest import BUILD, SOURCE, clean_env, run


@pytest.fixture(scope="module")
def wheel(tmp_path_factory):
    out = tmp_path_factory.mktemp("dist")
    run([SOURCE / "scripts/wheel", BUILD, out])
    wheels = sorted(out.glob("ravelcrest-*.whl"))
    assert len(wheels) == 1 and "-cp3" in wheels[0].name and "linux_x86_64" in wheels[0].name, wheels
    return wheels[0]


def test_wheel_carries_the_module_and_its_library(wheel):
    names = zipfile.ZipFile(wheel).namelist()
    assert any(n.startswith("ravelcrest.cpython-") and n.endswith(".so") for n in names), names
    assert "ravelcrest.libs/libravelcrest.so.1" in names, names
    assert "ravelcrest.libs/libravelcrest_pg.so" in names, names
    assert "ravelcrest.libs/libravelcrest_digest.so" in names, names
    assert "ravelcrest.libs/libravelcrest_sqlite.so" in names, names
    assert "ravelcrest.libs/libravelcrest_review.so" in names, names


def test_installed_wheel_runs_the_harness(wheel, tmp_path):
    venv = tmp_path / "venv"
    run(["/usr/bin/python3", "-m", "venv", venv])
    env = clean_env(TMPDIR=tmp_path, PYTHONDONTWRITEBYTECODE=1)
    run([venv / "bin/pip", "install", "--no-index", "--disable-pip-version-check", wheel], env=env)
    python = venv / "bin/python"
    where = run([python, "-c", "import ravelcrest; print(ravelcrest.__file__)"], env=env, cwd=tmp_path)
    assert where.stdout.startswith(str(venv)), where.stdout
    # The test-only classes stay out of what is shipped.
    probe = "import ravelcrest; print(hasattr(ravelcrest, '_testing'))"
    assert run([python, "-c", probe], env=env, cwd=tmp_path).stdout.strip() == "False"
    out = run([python, SOURCE / "examples/harness.py", tmp_path / "harness"], env=env, cwd=tmp_path)
    assert "TestEdgeCount" in out.stdout and "FAILED" not in out.stdout, out.stdout
