"""Starting `ravelcrest review` for a test and speaking to it as a client."""
import http.client
import os
import pathlib
import re
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def ravelcrest(*args):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=120)


def edited(models, tmp_path):
    # An unchanged rerun; open times are left out, which a loaded machine moves.
    assert ravelcrest("check", models, "--results", tmp_path / "r0", "--time-floor", "60").returncode == 0
    subprocess.run(["/usr/bin/python3", ROOT / "examples" / "edit_models.py", models], check=True, capture_output=True)


class Review:
    """A running `ravelcrest review`: its process, URL, port and token."""

    def __init__(self, results, *extra):
        self.proc = subprocess.Popen([BIN, "review", str(results), *map(str, extra)], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        m = re.match(r"review: (http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32}))$", line.strip())
        assert m, (line, self.proc.stderr.read() if self.proc.poll() is not None else "")
        self.url, self.port, self.token = m.group(1), int(m.group(2)), m.group(3)

    def request(self, method, path, body=None, headers=None, host=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        conn.putrequest(method, path, skip_host=True, skip_accept_encoding=True)
        conn.putheader("Host", host or f"127.0.0.1:{self.port}")
        for k, v in (headers or {}).items():
            conn.putheader(k, v)
        if body is not None:
            conn.putheader("Content-Length", str(len(body)))
        conn.endheaders()
        if body is not None:
            conn.send(body)
        res = conn.getresponse()
        data = res.read()
        conn.close()
        return res.status, data

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(2)
        out, err = self.proc.communicate(timeout=30)
        return out, err
