"""The HTML report of a run, loaded in headless Chromium (Debian's chromium,
which scripts/setup installs): the rendered page holds the summary, a
section per document with each check's status, values and message, the
journal, and for image checks the three images and the slider; a
screenshot shows the page styled. Skipped where Chromium cannot start."""
import copy
import json
import os
import pathlib
import shutil
import struct
import subprocess
import zlib

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BIN = os.path.abspath(os.environ.get("RAVELCREST_BIN", str(ROOT / "build" / "bin" / "ravelcrest")))


def ravelcrest(*args):
    return subprocess.run([BIN, *map(str, args)], capture_output=True, text=True, timeout=300)


def chromium(*args, tmp):
    exe = shutil.which("chromium") or shutil.which("chromium-browser")
    if exe is None:
        pytest.skip("chromium is not installed (scripts/setup installs it): the HTML report is not rendered")
    # --no-sandbox: CI runs as root, where Chromium's sandbox cannot start.
    run = subprocess.run([exe, "--headless", "--no-sandbox", "--disable-gpu", f"--user-data-dir={tmp}/chromium",
                          *args], capture_output=True, timeout=120, env={**os.environ, "HOME": str(tmp)})
    if run.returncode != 0:
        pytest.skip(f"chromium cannot start here (exit {run.returncode}): {run.stderr[-300:]!r}")
    return run


def bmp(path, width, height, colour):
    """A 24-bit BMP of one colour, with a black square in its top-left corner."""
    row = b""
    pad = (4 - width * 3 % 4) % 4
    pixels = b""
    for y in range(height):
        row = b"".join(bytes(reversed(colour)) if not (x < 4 and y >= height - 4) else b"\0\0\0" for x in range(width))
        pixels += row + b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    path.write_bytes(header + info + pixels)


def png_pixels(data):
    """(width, height, rows of RGB(A) tuples) of a non-interlaced 8-bit PNG."""
    pos, chunks, ihdr = 8, b"", None
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + size
    width, height, depth, ctype = ihdr[:4]
    assert depth == 8 and ctype in (2, 6)
    bpp = 3 if ctype == 2 else 4
    raw, stride, out, prev = zlib.decompress(chunks), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = line[i - bpp] if i >= bpp else 0, prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out.append([tuple(line[i:i + 3]) for i in range(0, stride, bpp)])
        prev = line
    return width, height, out


def test_report_of_a_run_renders_summary_sections_values_and_journal(models, tmp_path):
    assert ravelcrest("check", models, "--results", tmp_path / "r0").returncode == 0
    subprocess.run(["/usr/bin/python3", ROOT / "examples" / "edit_models.py", models], check=True, capture_output=True)
    # Opening the STEP samples takes real time, which varies on a busy machine.
    run = ravelcrest("check", models, "--results", tmp_path / "r", "--report", tmp_path / "report.html",
                     "--time-floor", "60")
    assert run.returncode == 1
    html = (tmp_path / "report.html").read_text()
    assert "http://" not in html and "https://" not in html  # nothing fetched

    dom = chromium("--dump-dom", (tmp_path / "report.html").as_uri(), tmp=tmp_path).stdout.decode()
    # The JSON samples' edits warn 11 times, the STEP part's denser material 3 times.
    assert "0 baselines created" in dom and "14 warned" in dom and "12 documents" in dom
    assert dom.count('<section class="document') == 12
    bolt = dom[dom.index('data-status="WARNING"'):]
    assert "<td>TestEdgeCount</td><td class=\"status\">WARNING</td><td>4</td><td>2</td>" in bolt
    assert 'line 1: baseline "Default 2 ", new "Default 4 "' in dom.replace("&quot;", '"')
    assert "'===== bolt.vxlprt" in dom.replace("&#39;", "'")

    shot = tmp_path / "report.png"
    chromium(f"--screenshot={shot}", "--window-size=1000,1400", (tmp_path / "report.html").as_uri(), tmp=tmp_path)
    width, height, pixels = png_pixels(shot.read_bytes())
    assert (width, height) == (1000, 1400)
    colours = {p for row in pixels for p in row}
    assert (0xFF, 0xF3, 0xCD) in colours  # the "warned" count and warning rows are styled


def test_image_checks_show_baseline_new_and_difference_with_a_slider(tmp_path):
    images = tmp_path / "results" / "images"
    images.mkdir(parents=True)
    bmp(images / "base.bmp", 40, 30, (255, 255, 255))
    bmp(images / "new.bmp", 40, 30, (0, 200, 0))
    bmp(images / "diff.bmp", 40, 30, (0, 255, 0))
    results = {"format": "ravelcrest-results", "version": 1, "tolerance": "5 %", "documentCount": 1,
               "results": str(tmp_path / "results"),
               "documents": [{"index": 0, "document": "view.vxlprt", "path": "/m/view.vxlprt", "seconds": 0.5,
                              "journal": "'===== view.vxlprt\r\n", "checks": [
                                  {"check": "TestBitmapCompare", "status": "WARNING", "new": "1200",
                                   "baseline": "0", "message": "1200 pixels differ",
                                   "images": {"baseline": "images/base.bmp", "new": "images/new.bmp",
                                              "difference": "images/diff.bmp"}}]}]}
    (tmp_path / "r.json").write_text(json.dumps(results))
    merged = ravelcrest("merge", tmp_path / "r.json", "--report", tmp_path / "img.html")
    assert merged.returncode == 1, merged.stderr

    dom = chromium("--dump-dom", (tmp_path / "img.html").as_uri(), tmp=tmp_path).stdout.decode()
    for role in ("baseline", "new", "difference"):
        assert f'<img class="{role}" alt="{role}" src="data:image/bmp;base64,' in dom
    assert 'type="range"' in dom and 'class="top" style="width: 50%;"' in dom  # the script set the slider
    shot = tmp_path / "img.png"
    chromium(f"--screenshot={shot}", "--window-size=1000,800", (tmp_path / "img.html").as_uri(), tmp=tmp_path)
    colours = {p for row in png_pixels(shot.read_bytes())[2] for p in row}
    assert (0, 200, 0) in colours and (0, 255, 0) in colours  # the new and difference images are drawn


def test_missing_images_are_named_not_fetched(tmp_path):
    results = {"format": "ravelcrest-results", "version": 1, "documentCount": 1, "documents": [
        {"index": 0, "document": "d.vxlprt", "checks": [
            {"check": "TestBitmapCompare", "status": "FAILED", "images": {"baseline": "gone.bmp", "new": "", "difference": ""}}]}]}
    (tmp_path / "r.json").write_text(json.dumps(results))
    assert ravelcrest("merge", tmp_path / "r.json", "--report", tmp_path / "r.html").returncode == 2
    html = (tmp_path / "r.html").read_text()
    assert "cannot show " + str(tmp_path / "gone.bmp") in html and "<img" not in html


def console_errors(html, tmp):
    """The page's DOM after its script ran, and the console's error lines."""
    run = chromium("--enable-logging=stderr", "--v=0", "--dump-dom", html.as_uri(), tmp=tmp)
    log = run.stderr.decode(errors="replace")
    return run.stdout.decode(), [line for line in log.splitlines() if "CONSOLE" in line or "Uncaught" in line]


def test_cbf_images_are_shown_and_the_script_survives_a_missing_one(models, tmp_path):
    from test_check_runs import edit
    part = models / "bracket.vxlprt"
    first = ravelcrest("check", part, "--results", tmp_path / "r1", "--image-format", "cbf", "--checks",
                       "TestBitmapCompare")
    assert first.returncode == 0, first.stdout + first.stderr
    edit(part, lambda m: m["view"]["rects"][0].update(x=120))
    second = ravelcrest("check", part, "--results", tmp_path / "r2", "--image-format", "cbf", "--checks",
                        "TestBitmapCompare", "--report", tmp_path / "cbf.html", "--json", tmp_path / "r2.json")
    assert second.returncode == 1, second.stdout + second.stderr
    dom, errors = console_errors(tmp_path / "cbf.html", tmp_path)
    assert "cannot show" not in dom and "cannot read" not in dom
    for role in ("baseline", "new", "difference"):
        assert f'<img class="{role}" alt="{role}" src="data:image/bmp;base64,' in dom
    assert 'class="top" style="width: 50%;"' in dom  # the slider's script ran
    assert errors == [], errors

    # The baseline gone since: its block says so, and the script goes on to
    # the slider after it and the "only problems" switch.
    results = json.loads((tmp_path / "r2.json").read_text())
    again = copy.deepcopy(results["documents"][0])
    again.update(index=1, document="again.vxlprt")
    results["documents"][0]["checks"][0]["images"]["baseline"] = str(tmp_path / "gone.cbf")
    results["documents"].append(again)
    results["documentCount"] = 2
    (tmp_path / "m.json").write_text(json.dumps(results))
    merged = ravelcrest("merge", tmp_path / "m.json", "--report", tmp_path / "m.html")
    assert merged.returncode == 1, merged.stderr
    dom, errors = console_errors(tmp_path / "m.html", tmp_path)
    assert "cannot show " + str(tmp_path / "gone.cbf") in dom
    assert dom.count('class="top" style="width: 50%;"') == 1  # the second document's slider
    assert errors == [], errors
