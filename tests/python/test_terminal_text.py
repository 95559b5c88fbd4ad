"""Names and messages that carry control bytes (an escape sequence in a file
name, a model's text) are shown escaped on standard output and error, in
the table, the progress lines and the notes; the journal keeps the bytes."""
import json
import os
import pathlib
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))

HOSTILE = "x\x1b]0;owned\x07\x1b[2J\x9b"


def run(*args):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, timeout=300)


def test_control_bytes_in_names_and_notes_are_escaped_on_the_terminal(models, tmp_path):
    part = models / f"{HOSTILE}.vxlprt"
    model = json.loads((models / "bolt.vxlprt").read_text())
    model["dependencies"] = [f"missing-{HOSTILE}.vxlprt"]
    part.write_text(json.dumps(model))
    r = run("check", part, "--results", tmp_path / "r", "--checks", "References")
    out, err = r.stdout, r.stderr
    for stream in (out, err):
        assert b"\x1b" not in stream and b"\x07" not in stream and b"\x9b" not in stream
        assert b"\xc2\x9b" not in stream
    shown = rb"x\x1b]0;owned\x07\x1b[2J\xc2\x9b"
    assert shown + b".vxlprt  References" in out, out  # the table
    assert b"missing-" + shown in out  # the note
    assert b"progress: [1/1] " + shown in err  # the progress line
    # The journal keeps what the library wrote.
    assert HOSTILE.encode() in (tmp_path / "r" / "journal.txt").read_bytes()

    # A document that cannot be opened names itself escaped in the error too.
    gone = run("baseline", "accept", models / f"{HOSTILE}-gone.vxlprt")
    assert b"\x1b" not in gone.stderr and shown in gone.stderr, gone.stderr
