"""The ravelcrest tool: typelib listing, settings store access, exit codes."""
import os
import re
import subprocess

MEMBER_LINE = re.compile(r"^  (method|get   |let   |set   ) (\w+)\((.*)\)( As \w+)?$")
PARAM = re.compile(r'^(Optional )?(ByVal|ByRef) \w+ As \w+( = .+)?$')


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, text=True, timeout=60)


def test_typelib_lists_each_class_with_ids_and_members(cli, library_classes):
    r = run(cli, "typelib")
    assert r.returncode == 0, r.stderr
    lines = r.stdout.splitlines()
    assert lines[0] == "library RavelcrestCore"
    blocks = r.stdout.split("\n\nclass ")[1:]
    names = [b.splitlines()[0] for b in blocks]
    assert set(library_classes) <= set(names)
    for block in blocks:
        body = block.splitlines()
        name = body[0]
        progids = [ln.split()[1] for ln in body if ln.startswith("  progid ")]
        assert progids, name
        assert re.match(r"^  clsid     \{[0-9A-F-]+\}$", body[len(progids) + 1]), name
        assert re.match(r"^  interface _\w+ \{[0-9A-F-]+\}$", body[len(progids) + 2]), name
        for member in body[len(progids) + 3:]:
            m = MEMBER_LINE.match(member)
            assert m, member
            params = m.group(3)
            for p in filter(None, re.split(r", (?=Optional |ByVal |ByRef )", params)):
                assert PARAM.match(p), member
        if name in library_classes:
            assert "RavelcrestCore." + name in progids


def test_typelib_output_is_stable(cli):
    assert run(cli, "typelib").stdout == run(cli, "typelib").stdout


def test_registry_set_then_get(cli, tmp_path):
    store = str(tmp_path / "registry")
    key = r"HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead"
    missing = run(cli, "registry", "--store", store, "get", key, "TempAdminUser")
    assert missing.returncode == 1 and missing.stdout == ""
    assert run(cli, "registry", "--store", store, "set", key, "TempAdminUser", "admin one").returncode == 0
    got = run(cli, "registry", "--store", store, "get", key.lower() + "\\", "tempadminuser")
    assert (got.returncode, got.stdout) == (0, "admin one\n")


def test_registry_uses_the_environment_store(cli, tmp_path):
    env_store = tmp_path / "env-registry"
    import os

    env = dict(os.environ, RAVELCREST_REGISTRY=str(env_store))
    r = subprocess.run([cli, "registry", "set", r"HKEY_CURRENT_USER\X", "v", "1"], env=env, timeout=60)
    assert r.returncode == 0
    assert env_store.exists()


def test_usage_errors_exit_2_with_a_message(cli):
    for args in [(), ("nonsense",), ("registry", "get", "only-key"), ("typelib", "--library", "NoSuchLibrary")]:
        r = run(cli, *args)
        assert r.returncode == 2, args
        assert r.stderr.startswith("ravelcrest: "), args


def test_help_exits_0(cli):
    r = run(cli, "--help")
    assert r.returncode == 0
    assert "typelib" in r.stdout and "registry" in r.stdout


def test_typelib_names_the_library_version_and_id(cli):
    lines = run(cli, "typelib").stdout.splitlines()
    assert lines[:4] == [
        "library RavelcrestCore",
        "  version   1.0",
        "  libid     {AD446D84-0D8B-4A11-90CE-B486C9556F20}",
        "",
    ]
    assert run(cli, "typelib", "--library", "ravelcrestcore").stdout == run(cli, "typelib").stdout


def test_output_lost_on_a_full_disk_or_a_closed_stdout_is_a_failure(cli, tmp_path):
    store = str(tmp_path / "registry")
    subprocess.run([cli, "registry", "--store", store, "set", "K", "v", "data"], check=True, timeout=60)
    for args in (("typelib",), ("registry", "--store", store, "get", "K", "v")):
        with open("/dev/full", "w") as full:
            r = subprocess.run([cli, *args], stdout=full, stderr=subprocess.PIPE, text=True, timeout=60)
        assert r.returncode == 2 and "writing the standard output failed" in r.stderr, (args, r.stderr)
        r = subprocess.run([cli, *args], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=60)
        assert r.returncode == 0, (args, r.stderr)
    r = subprocess.run([cli, "typelib"], stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=60,
                       preexec_fn=lambda: os.close(1))
    assert r.returncode == 2 and "writing the standard output failed" in r.stderr, r.stderr
