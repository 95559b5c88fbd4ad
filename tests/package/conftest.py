import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("RAVELCREST_BUILD_DIR", SOURCE / "build"))


def run(cmd, check=True, **kwargs):
    """Runs a command, failing the test with its output when it fails (and `check`)."""
    kwargs.setdefault("capture_output", True)
    kwargs.setdefault("text", True)
    result = subprocess.run([str(c) for c in cmd], **kwargs)
    if check and result.returncode != 0:
        pytest.fail(f"{' '.join(map(str, cmd))} exited {result.returncode}\n{result.stdout}\n{result.stderr}")
    return result


def clean_env(**extra):
    """The environment less anything that would find the build tree's copies."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH", "PKG_CONFIG_PATH",
                                                            "CMAKE_PREFIX_PATH")}
    env.update({k: str(v) for k, v in extra.items()})
    return env


@pytest.fixture(autouse=True)
def private_state(tmp_path, monkeypatch):
    """Keep every test's settings store and drive root out of the user's home."""
    monkeypatch.setenv("RAVELCREST_REGISTRY", str(tmp_path / "registry"))
    monkeypatch.setenv("RAVELCREST_DRIVE_ROOT", str(tmp_path / "root"))


# What an install holds below its prefix: each must be there.
INSTALLED = [
    "bin/ravelcrest",
    "bin/keystead-admin",
    "lib/libravelcrest.so",
    "lib/libravelcrest.so.1",
    "lib/libravelcrest_sim.a",
    "lib/libravelcrest_platform.a",
    "lib/ravelcrest/libravelcrest_pg.so",
    "lib/ravelcrest/libravelcrest_digest.so",
    "lib/ravelcrest/libravelcrest_sqlite.so",
    "lib/ravelcrest/libravelcrest_review.so",
    "lib/cmake/RavelcrestCore/RavelcrestCoreConfig.cmake",
    "lib/cmake/RavelcrestCore/RavelcrestCoreConfigVersion.cmake",
    "lib/cmake/RavelcrestCore/RavelcrestCoreTargets.cmake",
    "lib/pkgconfig/ravelcrest.pc",
    "include/ravelcrest/Core/frame/Register.h",
    "include/ravelcrest/sim/Register.h",
    "include/ravelcrest/platform/automation/Registry.h",
    "include/ravelcrest/platform/automation/Dispatch.h",
    "include/ravelcrest/platform/automation/Variant.h",
    "include/ravelcrest/platform/automation/SafeArray.h",
    "include/ravelcrest/platform/automation/Error.h",
    "share/ravelcrest/host/samples/appComm/vxconst.bas",
    "share/ravelcrest/models/bracket.vxlprt",
    "share/ravelcrest/models/bracket.vxldrw",
    "share/ravelcrest/models/frame.vxlasm",
    "share/ravelcrest/models/README.md",
    "share/ravelcrest/harness.py",
    "share/ravelcrest/cpp/edge_check.cpp",
    "share/ravelcrest/consumer/CMakeLists.txt",
    "share/ravelcrest/consumer/Makefile",
    "share/doc/ravelcrest/copyright",
    "share/doc/ravelcrest/changelog.gz",
]


def missing_files(prefix):
    """The files of INSTALLED not below `prefix`, and whether the Python module is."""
    missing = [f for f in INSTALLED if not (prefix / f).exists()]
    if not list((prefix / "lib/python3/dist-packages").glob("ravelcrest.cpython-*.so")):
        missing.append("lib/python3/dist-packages/ravelcrest.cpython-*.so")
    return missing


def check_samples(ravelcrest, share, tmp, env):
    """`ravelcrest check` on the installed samples, from copies: baselines made, then compared."""
    command = [ravelcrest, "check", share / "models", "--results", tmp / "results", "--baselines", tmp / "work",
               "--host-folder", share / "host", "-j", "1"]
    first = run(command, env=env)
    assert "BASELINE CREATED" in first.stdout and "FAILED" not in first.stdout, first.stdout
    second = run(command, env=env)
    assert "OK" in second.stdout, second.stdout
    for status in ("FAILED", "WARNING", "BASELINE CREATED"):
        assert status not in second.stdout, second.stdout
    return second


def expect_database_client_found(keystead_admin, tmp_path, env):
    """A PostgreSQL vault loads the client module beside the install: the
    error is the server's (none listens there), not a missing module."""
    result = subprocess.run([keystead_admin, "init", tmp_path / "pg-vault", "--postgresql",
                             f"host={tmp_path}/no-server dbname=none connect_timeout=2"],
                            env=env, capture_output=True, text=True)
    assert result.returncode == 1, result.stderr
    assert "cannot reach the PostgreSQL server" in result.stderr, result.stderr


def expect_modules_found(ravelcrest, keystead_admin, results, tmp_path, env):
    """The install's modules loaded on demand, found beside it: the review's
    HTTP server serves a run (and stops when idle); SQLite and SHA-256 keep
    a vault."""
    served = run([ravelcrest, "review", results, "--idle-timeout", "0.3"], env={**env, "LD_DEBUG": "files"})
    assert served.stdout.startswith("review: http://127.0.0.1:"), served.stdout
    assert served.stdout.endswith("review: stopped (idle)\n"), served.stdout
    install = pathlib.Path(ravelcrest).parent.parent
    opened = {line.split("file=")[1].split()[0] for line in served.stderr.splitlines() if "file=" in line}
    modules = [f for f in opened if "libravelcrest_review" in f]
    assert modules and all(os.path.realpath(f).startswith(str(install) + "/") for f in modules), modules
    vault = tmp_path / "module-vault"
    run([keystead_admin, "init", vault], env=env)
    document = tmp_path / "module-part.vxlprt"
    document.write_text("{}\n")
    run([keystead_admin, "add", vault, document], env=env)
    assert "module-part.vxlprt" in run([keystead_admin, "list", vault], env=env).stdout
