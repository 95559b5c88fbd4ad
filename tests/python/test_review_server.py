"""`ravelcrest review` against hostile clients, without a browser: every
request needs the run's token, the served Host and no foreign Origin; there
is no path to traverse; huge bodies are refused; it stops on Ctrl-C and when
idle; an accepted change is what `baseline accept` writes."""
import json
import time
import urllib.parse

import pytest

from review_support import Review, edited, ravelcrest
from summary import rows


@pytest.fixture
def served(models, tmp_path):
    edited(models, tmp_path)
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r1").returncode == 1
    review = Review(tmp_path / "r1", "--idle-timeout", "120")
    yield review
    review.stop()


def form(**fields):
    return urllib.parse.urlencode(fields).encode()


def test_every_request_needs_the_token_the_host_and_no_foreign_origin(served, models):
    props = (models / "bolt.vxlprt.properties").read_bytes()
    t = served.token
    assert served.request("GET", "/")[0] == 403
    assert served.request("GET", "/?token=" + "0" * 32)[0] == 403
    status, page = served.request("GET", "/?token=" + t)
    assert status == 200 and b"data-review-token" in page and b"bolt.vxlprt" in page
    # DNS rebinding: a foreign name resolving to 127.0.0.1 is refused.
    assert served.request("GET", "/?token=" + t, host=f"evil.example:{served.port}")[0] == 403
    assert served.request("GET", "/?token=" + t, host=f"localhost:{served.port}")[0] == 403
    accept = form(doc=0, check="TestEdgeCount")
    typed = {"Content-Type": "application/x-www-form-urlencoded"}
    assert served.request("POST", "/accept", accept, typed)[0] == 403
    assert served.request("POST", "/accept", accept, {**typed, "X-Review-Token": t[:-1] + "x"})[0] == 403
    # The token in the URL does not do for a change: a form elsewhere could send it.
    assert served.request("POST", "/accept?token=" + t, accept, typed)[0] == 403
    assert served.request("POST", "/accept", accept,
                          {**typed, "X-Review-Token": t, "Origin": "http://evil.example"})[0] == 403
    assert served.request("POST", "/accept", accept,
                          {**typed, "X-Review-Token": t, "Sec-Fetch-Site": "cross-site"})[0] == 403
    assert (models / "bolt.vxlprt.properties").read_bytes() == props


def test_no_path_leads_outside_and_huge_bodies_are_refused(served, models):
    t = served.token
    typed = {"Content-Type": "application/x-www-form-urlencoded", "X-Review-Token": t}
    for path in ("/../../../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/results.json", "/journal.txt"):
        status, data = served.request("GET", path + "?token=" + t)
        assert status == 404 and b"root:" not in data, path
    for fields in ({"doc": "../../etc"}, {"doc": "0/../1"}, {"doc": "99"},
                   {"doc": "0", "check": "../../../victim"}, {"doc": "0", "check": "NoSuchCheck"}):
        assert served.request("POST", "/accept", form(**fields), typed)[0] == 400, fields
    status, _ = served.request("POST", "/accept", b"doc=0&check=" + b"A" * (8 << 20), typed)
    assert status == 413
    # Still serving after all that.
    assert served.request("GET", "/?token=" + t)[0] == 200


def test_accepting_writes_what_baseline_accept_writes(served, models, tmp_path):
    typed = {"Content-Type": "application/x-www-form-urlencoded", "X-Review-Token": served.token,
             "Origin": f"http://127.0.0.1:{served.port}"}
    status, body = served.request("POST", "/accept", form(doc=0, check="TestEdgeCount"), typed)
    assert status == 200, body
    reply = json.loads(body)
    assert reply["accepted"] == 1 and "bolt.vxlprt TestEdgeCount: 2 -> 4" in reply["output"]
    assert b"EdgeCount = 4      Build: accepted" in (models / "bolt.vxlprt.properties").read_bytes()
    # Accept all of the document: the rest of its changes.
    status, body = served.request("POST", "/accept", form(doc=0), typed)
    assert status == 200 and json.loads(body)["accepted"] >= 1
    rerun = ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r2")
    assert rerun.returncode == 0 and {r[2] for r in rows(rerun.stdout)} == {"OK"}


def test_stops_when_idle_and_on_ctrl_c(models, tmp_path):
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r").returncode == 0
    idle = Review(tmp_path / "r", "--idle-timeout", "0.5")
    start = time.monotonic()
    out, _ = idle.proc.communicate(timeout=30)
    assert idle.proc.returncode == 0 and "stopped (idle)" in out and time.monotonic() - start < 10
    review = Review(tmp_path / "r")
    out, _ = review.stop()
    assert review.proc.returncode == 0 and "stopped" in out


def test_missing_results_taken_ports_and_hostile_results_files(models, tmp_path):
    missing = ravelcrest("review", tmp_path / "nothing")
    assert missing.returncode == 2 and "no run results" in missing.stderr
    (tmp_path / "junk").mkdir()
    (tmp_path / "junk" / "results.json").write_text("{not json")
    assert ravelcrest("review", tmp_path / "junk").returncode == 2
    assert ravelcrest("check", models / "bolt.vxlprt", "--results", tmp_path / "r").returncode == 0
    first = Review(tmp_path / "r", "--idle-timeout", "60")
    try:
        taken = ravelcrest("review", tmp_path / "r", "--port", first.port)
        assert taken.returncode == 2 and "cannot listen" in taken.stderr
    finally:
        first.stop()
    # A results file naming images outside its folder: they are not inlined.
    secret = tmp_path / "secret.gif"
    secret.write_bytes(b"GIF89a-secret-bytes")
    record = json.loads((tmp_path / "r" / "results.json").read_text())
    row = record["documents"][0]["checks"][0]
    row["status"] = "WARNING"
    row["images"] = {"baseline": str(secret), "new": "../secret.gif", "difference": "x/../../secret.gif"}
    (tmp_path / "r" / "results.json").write_text(json.dumps(record))
    hostile = Review(tmp_path / "r", "--idle-timeout", "60")
    try:
        status, page = hostile.request("GET", "/?token=" + hostile.token)
    finally:
        hostile.stop()
    import base64
    assert status == 200 and base64.b64encode(secret.read_bytes()) not in page
