"""The Debian package made by CPack: its control fields, lintian, and the
programs and samples it holds, used from a throwaway root it is unpacked into."""
import os
import re
import shutil
import sys

import pytest

from conftest import BUILD, check_samples, clean_env, expect_modules_found, missing_files, run


@pytest.fixture(scope="module")
def deb(tmp_path_factory):
    out = tmp_path_factory.mktemp("deb")
    run(["cpack", "-G", "DEB", "-B", out, "--config", BUILD / "CPackConfig.cmake"], cwd=BUILD)
    debs = sorted(out.glob("*.deb"))
    assert [d.name for d in debs] == ["ravelcrest_1.0_amd64.deb"]
    return debs[0]


@pytest.fixture(scope="module")
def root(deb, tmp_path_factory):
    root = tmp_path_factory.mktemp("root")
    run(["dpkg", "-x", deb, root])
    return root


def field(deb, name):
    return run(["dpkg-deb", "-f", deb, name]).stdout.strip()


def test_control_fields_come_from_the_libraries_linked(deb):
    assert field(deb, "Package") == "ravelcrest"
    assert field(deb, "Architecture") == "amd64"
    depends = field(deb, "Depends")
    for package in ("libc6", "libstdc++6", "libsodium23", "libpq5", "libsqlite3-0", "libgif7", "libjpeg62-turbo",
                    "zlib1g", "libssl3"):
        assert package in depends, depends
    assert "python3 (>= 3." in depends
    assert "activate-noawait ldconfig" in run(["dpkg-deb", "-I", deb, "triggers"]).stdout
    assert "libravelcrest 1 ravelcrest" in run(["dpkg-deb", "-I", deb, "shlibs"]).stdout
    assert field(deb, "Description").startswith("regression-test harness")


@pytest.mark.skipif(shutil.which("lintian") is None, reason="lintian is not installed")
def test_lintian_reports_no_error(deb):
    result = run(["lintian", "--allow-root", deb], check=False)
    errors = [line for line in result.stdout.splitlines() if line.startswith("E:")]
    assert errors == [], result.stdout


def test_unpacked_package_checks_its_samples(root, tmp_path):
    usr = root / "usr"
    assert missing_files(usr) == []
    env = clean_env(RAVELCREST_REGISTRY=tmp_path / "registry", RAVELCREST_DRIVE_ROOT=tmp_path / "root")
    # The programs find the package's library, not one installed elsewhere.
    linked = run(["ldd", usr / "bin/ravelcrest"], env=env).stdout
    found = re.search(r"libravelcrest\.so\.1 => (\S+)", linked)
    assert found and os.path.realpath(found.group(1)).startswith(str(usr) + "/"), linked
    check_samples(usr / "bin/ravelcrest", usr / "share/ravelcrest", tmp_path, env)
    expect_modules_found(usr / "bin/ravelcrest", usr / "bin/keystead-admin", tmp_path / "results", tmp_path, env)
    site = usr / "lib/python3/dist-packages"
    out = run([sys.executable, "-c", "import ravelcrest; print(ravelcrest.__file__)"],
              env=clean_env(PYTHONPATH=site), cwd=tmp_path)
    assert out.stdout.startswith(str(site))
