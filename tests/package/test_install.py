"""`cmake --install` into a temporary prefix, and programs built against it
with its CMake package and its pkg-config file."""
import shutil
import sys

import pytest

from conftest import (BUILD, check_samples, clean_env, expect_database_client_found, expect_modules_found, missing_files,
                      run)


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    prefix = tmp_path_factory.mktemp("prefix") / "inst"
    run(["cmake", "--install", BUILD, "--prefix", prefix, "--strip"])
    return prefix


def test_every_file_is_installed_and_headers_stand_alone(prefix):
    assert missing_files(prefix) == []
    include = prefix / "include/ravelcrest"
    headers = sorted(include.rglob("*.h"))
    assert headers
    for header in headers:
        source = f'#include "{header.relative_to(include)}"\n'
        run(["g++", "-std=c++20", "-fsyntax-only", "-x", "c++", "-", "-I", include], input=source)


def test_installed_programs_check_the_installed_samples(prefix, tmp_path):
    # Moved elsewhere, the install still finds its own library.
    moved = tmp_path / "moved"
    shutil.copytree(prefix, moved, symlinks=True)
    env = clean_env(RAVELCREST_REGISTRY=tmp_path / "registry", RAVELCREST_DRIVE_ROOT=tmp_path / "root")
    check_samples(moved / "bin/ravelcrest", moved / "share/ravelcrest", tmp_path, env)
    out = run([moved / "bin/keystead-admin", "init", tmp_path / "vault"], env=env)
    assert (tmp_path / "vault/vault.sqlite").exists(), out.stdout
    expect_database_client_found(moved / "bin/keystead-admin", tmp_path, env)
    expect_modules_found(moved / "bin/ravelcrest", moved / "bin/keystead-admin", tmp_path / "results", tmp_path, env)


def test_cmake_package_builds_and_runs_the_example(prefix, tmp_path):
    build = tmp_path / "consumer"
    env = clean_env()
    # The example as installed, built as a user would from the prefix.
    run(["cmake", "-S", prefix / "share/ravelcrest/consumer", "-B", build, "-G", "Ninja",
         f"-DCMAKE_PREFIX_PATH={prefix}"], env=env)
    run(["cmake", "--build", build], env=env)
    part = prefix / "share/ravelcrest/models/bracket.vxlprt"
    first = run([build / "edge_check", part, tmp_path / "results"], env=env)
    second = run([build / "edge_check", part, tmp_path / "results"], env=env)
    assert "TestEdgeCount -> 0" in first.stdout and "TestEdgeCount -> 0" in second.stdout


def test_pkg_config_builds_and_runs_the_example(prefix, tmp_path):
    env = clean_env(PKG_CONFIG_PATH=prefix / "lib/pkgconfig")
    flags = run(["pkg-config", "--cflags", "--libs", "ravelcrest"], env=env).stdout
    assert "-lravelcrest" in flags and "-lsodium" in flags
    # libpq is the client module's alone: a harness never links it.
    assert "-lpq" not in flags
    out = tmp_path / "edge_check"
    run(["make", "-C", prefix / "share/ravelcrest/consumer", f"OUT={out}"], env=env)
    result = run([out, prefix / "share/ravelcrest/models/bracket.vxlprt", tmp_path / "results"],
                 env={**env, "LD_LIBRARY_PATH": str(prefix / "lib")})
    assert "TestEdgeCount -> 0" in result.stdout


def test_installed_python_module_runs_the_harness(prefix, tmp_path):
    site = prefix / "lib/python3/dist-packages"
    env = clean_env(PYTHONPATH=site, TMPDIR=tmp_path, PYTHONDONTWRITEBYTECODE=1)
    where = run([sys.executable, "-c", "import ravelcrest; print(ravelcrest.__file__)"], env=env, cwd=tmp_path)
    assert where.stdout.startswith(str(site)), where.stdout
    # The test-only classes stay out of what is installed.
    probe = "import ravelcrest; print(hasattr(ravelcrest, '_testing'))"
    assert run([sys.executable, "-c", probe], env=env, cwd=tmp_path).stdout.strip() == "False"
    harness = prefix / "share/ravelcrest/harness.py"
    run([sys.executable, harness, tmp_path / "harness"], env=env, cwd=tmp_path)


def test_an_install_missing_a_module_says_so_and_never_loads_the_builds(prefix, tmp_path):
    # The build tree still holds the module; the install must not reach for it.
    assert (BUILD / "lib/libravelcrest_review.so").exists()
    moved = tmp_path / "moved"
    shutil.copytree(prefix, moved, symlinks=True)
    for module in moved.rglob("libravelcrest_review.so"):
        module.unlink()
    env = clean_env(RAVELCREST_REGISTRY=tmp_path / "registry", RAVELCREST_DRIVE_ROOT=tmp_path / "root")
    share = moved / "share/ravelcrest"
    run([moved / "bin/ravelcrest", "check", share / "models/bolt.vxlprt", "--results", tmp_path / "results",
         "--baselines", tmp_path / "work", "--host-folder", share / "host"], env=env)
    served = run([moved / "bin/ravelcrest", "review", tmp_path / "results", "--idle-timeout", "0.3"], check=False,
                 env=env)
    assert served.returncode != 0, served.stdout
    assert "libravelcrest_review.so is missing (looked for " in served.stderr, served.stderr
    assert str(moved) in served.stderr and str(BUILD) not in served.stderr, served.stderr
