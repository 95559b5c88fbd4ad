"""What the programs and the module load when they start: no OpenSSL, brotli,
HTTP server, PostgreSQL client or geometry kernel for work that needs none
of them; the review's HTTP server only for `ravelcrest review`, and found
beside the program however it was started."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))
ADMIN = os.environ.get("KEYSTEAD_ADMIN_BIN", str(pathlib.Path(BIN).parent / "keystead-admin"))
MODELS = ROOT / "examples" / "models"
NOT_AT_START = ("libssl", "libcrypto", "brotli", "httplib", "libpq", "libravelcrest_review", "libravelcrest_pg",
                "libravelcrest_digest", "libTK")


def run(args, env=None, cwd=None):
    return subprocess.run([*map(str, args)], capture_output=True, text=True, timeout=300, cwd=cwd,
                          env={**os.environ, **(env or {})})


def loaded(args, **kwargs):
    """The shared objects a run opened (the dynamic loader's own account)."""
    r = run(args, env={"LD_DEBUG": "files"}, **kwargs)
    assert r.returncode in (0, 1), r.stderr[-2000:]
    return {line.split("file=")[1].split()[0] for line in r.stderr.splitlines() if "file=" in line}


def test_work_that_needs_no_tls_database_or_kernel_starts_without_them(tmp_path):
    vault = tmp_path / "vault"
    assert run([ADMIN, "init", vault]).returncode == 0
    runs = {
        "--version": [BIN, "--version"],
        "--help": [BIN, "--help"],
        "check": [BIN, "check", MODELS / "bolt.vxlprt", "--results", tmp_path / "r", "--baselines", tmp_path / "b"],
        "list": [ADMIN, "list", vault],
        "import": [sys.executable, "-c", "import ravelcrest"],
    }
    for name, args in runs.items():
        opened = loaded(args, cwd=tmp_path)
        assert opened, name
        assert [f for f in opened if any(word in f for word in NOT_AT_START)] == [], name


def test_review_loads_its_server_and_names_a_module_it_cannot_load(tmp_path):
    # No results: the server module is not even looked at.
    r = run([BIN, "review", tmp_path], env={"LD_DEBUG": "files"})
    assert r.returncode == 2 and "libravelcrest_review" not in r.stderr
    assert run([BIN, "check", MODELS / "bolt.vxlprt", "--results", tmp_path / "r", "--baselines",
                tmp_path / "b"]).returncode == 0
    junk = tmp_path / "junk.so"
    junk.write_bytes(b"not a shared object" * 100)
    for module, why in ((tmp_path / "none.so", "No such file"), (junk, "invalid ELF header")):
        r = run([BIN, "review", tmp_path / "r", "--idle-timeout", "1"], env={"RAVELCREST_REVIEW_MODULE": str(module)})
        assert r.returncode == 2, r.stderr
        assert r.stderr.startswith(f"ravelcrest: review: the HTTP server module {module} cannot be loaded: "), r.stderr
        assert why in r.stderr, r.stderr
        assert "review: http" not in r.stdout
    r = run([BIN, "review", tmp_path / "r", "--idle-timeout", "0.2"], env={"LD_DEBUG": "files"})
    assert r.returncode == 0, r.stderr[-2000:]
    assert "libravelcrest_review.so" in r.stderr and "libssl" in r.stderr
    assert r.stdout.endswith("review: stopped (idle)\n")


def test_modules_are_found_beside_the_program_when_it_is_started_from_path(tmp_path):
    """A program started by its bare name looks for its modules beside itself,
    never relative to the working folder (where anyone may have put a file)."""
    vault = tmp_path / "vault"
    assert run([ADMIN, "init", vault]).returncode == 0
    work = tmp_path / "work"
    (tmp_path / "lib" / "ravelcrest").mkdir(parents=True)
    work.mkdir()
    for planted in (work / "libravelcrest_digest.so", tmp_path / "lib" / "libravelcrest_digest.so",
                    tmp_path / "lib" / "ravelcrest" / "libravelcrest_digest.so"):
        planted.write_bytes(b"planted")
    path = f"{pathlib.Path(ADMIN).parent}:{os.environ.get('PATH', '/usr/bin:/bin')}"
    r = subprocess.run(["keystead-admin", "add", str(vault), str(MODELS / "bolt.vxlprt")], capture_output=True,
                       text=True, cwd=work, env={**os.environ, "PATH": path}, timeout=300)
    assert r.returncode == 0, r.stderr
    assert "bolt.vxlprt" in run([ADMIN, "list", vault]).stdout
    assert shutil.which("keystead-admin", path=path) == str(pathlib.Path(ADMIN))
    # So does the host for its geometry modules, read in a helper process.
    for name in ("libravelcrest_geometry.so", "libravelcrest_geometry_full.so"):
        for folder in (work, tmp_path / "lib", tmp_path / "lib" / "ravelcrest"):
            (folder / name).write_bytes(b"planted" * 100)
    (tmp_path / "models").mkdir()
    shutil.copy(MODELS / "bolted-plate.step", tmp_path / "models" / "bolted-plate.step")
    path = f"{pathlib.Path(BIN).parent}:{os.environ.get('PATH', '/usr/bin:/bin')}"
    r = subprocess.run([pathlib.Path(BIN).name, "check", str(tmp_path / "models" / "bolted-plate.step"), "--results",
                        str(tmp_path / "r"), "--baselines", str(tmp_path / "b")], capture_output=True, text=True,
                       cwd=work, env={**os.environ, "PATH": path}, timeout=300)
    assert r.returncode == 0 and "FAILED" not in r.stdout, r.stdout + r.stderr


def test_no_library_is_looked_for_in_the_working_folder(tmp_path):
    """The programs' search paths name folders beside them only: an empty
    entry (the working folder) would load a library planted where a program
    runs, such as a folder of documents someone sent."""
    (tmp_path / "libsodium.so.23").write_bytes(b"planted" * 100)
    (tmp_path / "libz.so.1").write_bytes(b"planted" * 100)
    for args in ([BIN, "--version"], [ADMIN, "list", tmp_path / "no-vault"]):
        r = run(args, env={"LD_DEBUG": "libs"}, cwd=tmp_path)
        tried = [line.split("trying file=")[1].strip() for line in r.stderr.splitlines() if "trying file=" in line]
        assert tried, args
        assert [f for f in tried if not f.startswith("/") and not f.startswith("$ORIGIN")] == [], args
        assert "invalid ELF header" not in r.stderr, args


def test_the_module_and_the_library_share_one_class_registry(tmp_path):
    """libravelcrest.so registers the library's classes, the simulators linked
    into the Python module (which exports nothing but its entry) register the
    host's: the module creates the library's classes by ProgID, and the
    library's checks find the host the module registered and started."""
    found = run([sys.executable, "-c", "import importlib.util as u, sys; sys.exit(0 if u.find_spec('ravelcrest') else 3)"])
    if found.returncode == 3:
        pytest.skip("the Python module is not built here (a build without it, as the sanitizer build is)")
    shutil.copy(MODELS / "bolt.vxlprt", tmp_path / "bolt.vxlprt")
    script = f"""
import ravelcrest
host = ravelcrest.Dispatch("VexlarSim.Session")
doc, errors, _ = host.OpenDoc6({str(tmp_path / "bolt.vxlprt")!r}, 1, 0, "", 0, 0)
assert doc is not None and errors == 0
app = ravelcrest.Dispatch("RavelcrestCore.clsApplication")
app.ResultPath = {str(tmp_path)!r}
app.InputFile = {str(tmp_path / "bolt.vxlprt")!r}
app.VXBuild = "B1"
print(app.TestEdgeCount())
host.ExitApp()
"""
    r = run([sys.executable, "-c", script], cwd=tmp_path)
    assert r.returncode == 0 and r.stdout.strip() == "0", r.stderr
    assert (tmp_path / "TraceLog.log").read_text().splitlines()[-1] == '"TestEdgeCount - Exit"'
