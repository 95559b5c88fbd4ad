"""End-to-end tests of `ravelcrest vault update` and `vault print` against a
vault made with keystead-admin: the tasks run through the built tool, their
files land in the results folder, and the login given on the command line
is put back out of the settings store after the run."""
import json
import os
import pathlib
import signal
import subprocess
import time

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))
ADMIN = os.environ.get("KEYSTEAD_ADMIN_BIN", str(pathlib.Path(BIN).parent / "keystead-admin"))
MODELS = ROOT / "examples" / "models"
KEY = "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead\\"


def run(*args, stdin=None, env=None):
    return subprocess.run([*map(str, args)], capture_output=True, text=True, timeout=300, input=stdin,
                          env={**os.environ, **(env or {})})


@pytest.fixture
def vault(tmp_path, monkeypatch):
    if not os.path.exists(ADMIN):
        pytest.skip("keystead-admin is not built")
    monkeypatch.setenv("RAVELCREST_DRIVE_ROOT", str(tmp_path / "drive"))
    monkeypatch.delenv("VEXLAR_SPOOL", raising=False)
    v = tmp_path / "vault"
    assert run(ADMIN, "init", v).returncode == 0
    assert run(ADMIN, "user", "add", v, "admin", "--admin", stdin="s3cret\n").returncode == 0
    assert run(ADMIN, "user", "add", v, "printer", stdin="pw\n").returncode == 0
    for name in ("bolt.vxlprt", "bracket.vxldrw", "bracket.vxlprt"):
        assert run(ADMIN, "add", v, MODELS / name).returncode == 0
    assert run(ADMIN, "add", v, MODELS / "bolt.vxlprt").returncode == 0  # revision B
    return v


def test_update_all_checks_every_revision_back_in_and_forgets_the_login(vault, tmp_path):
    update = run(BIN, "vault", "update", vault, "--all", "--results", tmp_path / "r", "--user", "admin",
                 "--password-stdin", stdin="s3cret\n")
    assert update.returncode == 0, update.stdout + update.stderr
    assert update.stdout.splitlines()[:3] == ["bolt.vxlprt: updated", "bracket.vxldrw: updated", "bracket.vxlprt: updated"]
    assert (tmp_path / "r" / "work" / "bolt.vxlprt_bk_B").exists()
    log = run(ADMIN, "log", vault).stdout
    assert log.count("replace") >= 4, log
    store = run(BIN, "registry", "get", KEY + "TempAdminUser", "Temp-2")
    assert store.returncode == 1  # the password given for the run is not left behind


def test_update_reports_failures_and_warnings_with_their_texts(vault, tmp_path):
    bad = run(BIN, "vault", "update", vault, "bolt.vxlprt", "--results", tmp_path / "r", "--user", "admin",
              "--password-stdin", stdin="wrong\n")
    assert bad.returncode == 2 and "bolt.vxlprt: FAILED: " in bad.stdout and "AdminLogin" in bad.stdout
    plain = run(BIN, "vault", "update", vault, "bolt.vxlprt", "--results", tmp_path / "r", "--user", "printer",
                "--password-stdin", stdin="pw\n")
    assert plain.returncode == 2 and "User Not Admin" in plain.stdout
    run(BIN, "registry", "set", KEY + "TempAdminUser", "Temp-1", "admin")
    run(BIN, "registry", "set", KEY + "TempAdminUser", "Temp-2", "s3cret")
    stored = run(BIN, "vault", "update", vault, "bolt.vxlprt", "missing.vxlprt", "--latest-only", "--results", tmp_path / "r2")
    assert stored.returncode == 2, stored.stdout + stored.stderr
    assert "bolt.vxlprt: updated" in stored.stdout
    assert "missing.vxlprt: FAILED: Error Retrieving Document From Vault" in stored.stdout
    assert run(BIN, "registry", "get", KEY + "TempAdminUser", "Temp-2").stdout == "s3cret\n"


def test_print_sends_the_page_ranges_and_copies_to_the_spool(vault, tmp_path):
    printed = run(BIN, "vault", "print", vault, "bracket.vxldrw", "--pages", "1-2", "--copies", "3", "--printer", "Lab",
                  "--results", tmp_path / "r", "--user", "printer", "--password-stdin", stdin="pw\n")
    assert printed.returncode == 0, printed.stdout + printed.stderr
    assert "bracket.vxldrw: printed" in printed.stdout
    jobs = list((tmp_path / "r" / "print-jobs").glob("job-*.json"))
    assert len(jobs) == 1
    job = json.loads(jobs[0].read_text())
    assert job["copies"] == 3 and job["printer"] == "Lab" and job["pages"] == [[1, 2]]
    # A second run into the same spool files its jobs beside the first run's.
    again = run(BIN, "vault", "print", vault, "bracket.vxldrw", "bolt.vxlprt", "--copies", "2", "--results", tmp_path / "r",
                "--user", "printer", "--password-stdin", stdin="pw\n")
    assert again.returncode == 0, again.stdout + again.stderr
    jobs = sorted((tmp_path / "r" / "print-jobs").glob("job-*.json"))
    assert len(jobs) == 3, jobs
    assert sorted(json.loads(j.read_text())["copies"] for j in jobs) == [2, 2, 3]
    assert not list((tmp_path / "r" / "print-jobs").glob(".*"))


@pytest.mark.parametrize("args,words", [(["--pages", "x-y"], "not a page range"), (["--copies", "0"], "--copies"),
                                        (["--password-stdin"], "needs --user"),
                                        (["--pages", "5-3"], '"5-3" selects no page'),
                                        (["--pages", "1-2,4-3,7"], '"4-3" selects no page'),
                                        (["--pages", "0"], "pages count from 1"), (["--pages", "0-2"], "pages count from 1"),
                                        (["--pages", "1,"], '"" is not a page range'),
                                        (["--pages", ",".join(["1"] * 32)], "at most 31 page ranges")])
def test_bad_print_options_are_refused_before_the_vault_is_used(vault, tmp_path, args, words):
    bad = run(BIN, "vault", "print", vault, "bolt.vxlprt", "--results", tmp_path / "r", *args, stdin="pw\n")
    assert bad.returncode == 2 and words in bad.stderr, bad.stderr
    assert not (tmp_path / "r").exists()


def test_update_without_a_user_anywhere_says_how_to_give_one(vault, tmp_path):
    bad = run(BIN, "vault", "update", vault, "--all", "--results", tmp_path / "r")
    assert bad.returncode == 2 and "--user" in bad.stderr and "registry set" in bad.stderr


@pytest.fixture
def long_vault(vault):
    """The vault with twenty more documents, so that a run lasts long enough to be stopped."""
    for i in range(20):
        assert run(ADMIN, "add", vault, MODELS / "bolt.vxlprt", "--name", f"n{i:02}.vxlprt").returncode == 0
    return vault


def start_update(vault, tmp_path, runtime):
    """A `vault update --all` run with a password from standard input, once it has begun its work."""
    runtime.mkdir(exist_ok=True)
    proc = subprocess.Popen([BIN, "vault", "update", str(vault), "--all", "--results", str(tmp_path / "r"), "--user",
                             "admin", "--password-stdin"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env={**os.environ, "XDG_RUNTIME_DIR": str(runtime)})
    proc.stdin.write("s3cret\n")
    proc.stdin.close()
    proc.stdin = None  # communicate() must not flush it again
    work = tmp_path / "r" / "work"
    deadline = time.monotonic() + 60
    while not (work.exists() and any(work.iterdir())):
        assert proc.poll() is None and time.monotonic() < deadline, "the run ended before it fetched anything"
        time.sleep(0.005)
    return proc


def test_the_password_never_enters_the_users_settings_store(long_vault, tmp_path):
    store = pathlib.Path(os.environ["RAVELCREST_REGISTRY"])
    assert run(BIN, "registry", "set", KEY + "TempAdminUser", "Temp-2", "kept").returncode == 0
    before = store.read_bytes()
    proc = start_update(long_vault, tmp_path, tmp_path / "runtime")
    during = store.read_bytes()
    copies = list((tmp_path / "runtime").glob("ravelcrest-vault-*/registry"))
    proc.kill()  # nothing runs after SIGKILL
    proc.communicate(timeout=60)
    assert during == before and store.read_bytes() == before
    assert b"s3cret" not in before
    # The run's own copy was private; the next run removes what the killed one left.
    assert len(copies) == 1 and copies[0].stat().st_mode & 0o777 == 0o600
    assert copies[0].parent.stat().st_mode & 0o777 == 0o700
    again = run(BIN, "vault", "update", long_vault, "bolt.vxlprt", "--latest-only", "--results", tmp_path / "r2", "--user",
                "admin", "--password-stdin", stdin="s3cret\n", env={"XDG_RUNTIME_DIR": str(tmp_path / "runtime")})
    assert again.returncode in (0, 1), again.stdout + again.stderr
    assert list((tmp_path / "runtime").iterdir()) == []
    assert store.read_bytes() == before


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGHUP, signal.SIGINT])
def test_a_stop_signal_ends_the_run_after_the_document_in_progress(long_vault, tmp_path, sig):
    store = pathlib.Path(os.environ["RAVELCREST_REGISTRY"])
    assert run(BIN, "registry", "set", KEY + "TempAdminUser", "Temp-2", "kept").returncode == 0
    before = store.read_bytes()
    proc = start_update(long_vault, tmp_path, tmp_path / "runtime")
    proc.send_signal(sig)
    out, err = proc.communicate(timeout=120)
    assert proc.returncode == 128 + sig, out + err
    assert "interrupted before " in out
    assert store.read_bytes() == before
    assert list((tmp_path / "runtime").iterdir()) == []
