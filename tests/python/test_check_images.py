"""End-to-end tests of the image checks of `ravelcrest check`: the host's view
and a drawing's sheets compared with baseline images beside the document."""
import json

from summary import rows
from test_check_runs import check, edit, ravelcrest


def image_rows(stdout, document):
    return {r[1]: r[2] for r in rows(stdout) if r[0] == document and r[1].startswith("TestBitmapCompare")}


def results_json(path):
    return {(d["document"], c["check"]): c for d in json.loads(path.read_text())["documents"] for c in d["checks"]}


def test_view_baseline_created_then_clean_then_an_edit_warns_with_a_difference_image(models, tmp_path):
    part = models / "bracket.vxlprt"
    first = check(part, "--results", tmp_path / "r1")
    assert image_rows(first.stdout, "bracket.vxlprt") == {"TestBitmapCompare": "BASELINE CREATED"}, first.stdout
    assert (models / "bracket-vxlprt.gif").read_bytes()[:4] == b"GIF8"
    # The new baseline is the new image; nothing else is kept for an image that agreed.
    assert not (tmp_path / "r1/images/bracket.vxlprt/view-new.gif").exists()

    again = check(part, "--results", tmp_path / "r2", "--json", tmp_path / "r2.json")
    assert again.returncode == 0, again.stdout + again.stderr
    assert image_rows(again.stdout, "bracket.vxlprt") == {"TestBitmapCompare": "OK"}
    assert not (tmp_path / "r2/images/bracket.vxlprt/view-diff.gif").exists()

    edit(part, lambda m: m["view"]["rects"][0].update(x=120))
    changed = check(part, "--results", tmp_path / "r3", "--json", tmp_path / "r3.json", "--checks",
                    "TestBitmapCompare")
    assert changed.returncode == 1, changed.stdout + changed.stderr
    assert "Unmatched Pix: 1600" in changed.stdout
    row = results_json(tmp_path / "r3.json")[("bracket.vxlprt", "TestBitmapCompare")]
    assert row["status"] == "WARNING"
    assert row["images"]["difference"] == "images/bracket.vxlprt/view-diff.gif"
    assert (tmp_path / "r3" / row["images"]["difference"]).read_bytes()[:4] == b"GIF8"
    assert row["images"]["baseline"] == str(models / "bracket-vxlprt.gif")
    assert (tmp_path / "r3" / row["images"]["new"]).read_bytes()[:4] == b"GIF8"

    # The intended change accepted, the next run is clean.
    accepted = ravelcrest("baseline", "accept", part, "--checks", "TestBitmapCompare")
    assert accepted.returncode == 0, accepted.stdout + accepted.stderr
    after = check(part, "--results", tmp_path / "r4", "--checks", "TestBitmapCompare")
    assert after.returncode == 0, after.stdout + after.stderr


def test_cbf_baselines_and_one_image_per_sheet(models, tmp_path):
    drawing = models / "bracket.vxldrw"
    first = check(drawing, "--results", tmp_path / "r1", "--image-format", "cbf")
    assert image_rows(first.stdout, "bracket.vxldrw") == {
        "TestBitmapCompare": "BASELINE CREATED",
        "TestBitmapCompare(sheet1)": "BASELINE CREATED",
        "TestBitmapCompare(sheet2)": "BASELINE CREATED",
        "TestBitmapCompare(sheet3)": "BASELINE CREATED",
    }, first.stdout
    for name in ("bracket-vxldrw.cbf", "bracket-vxldrw-sheet1.cbf", "bracket-vxldrw-sheet3.cbf"):
        assert (models / name).read_bytes()[:4] == b"CBF1", name
    assert (tmp_path / "r1/images/bracket.vxldrw/sheet2-new.bmp").read_bytes()[:2] == b"BM"

    # A view moved on the first sheet changes that sheet's image only.
    edit(drawing, lambda m: m["sheets"][0]["views"][1].update(outline=[0.05, 0.11, 0.13, 0.19]))
    second = check(drawing, "--results", tmp_path / "r2", "--image-format", "cbf", "--json", tmp_path / "r2.json")
    statuses = image_rows(second.stdout, "bracket.vxldrw")
    assert statuses["TestBitmapCompare(sheet1)"] == "WARNING", second.stdout
    assert statuses["TestBitmapCompare(sheet2)"] == "OK"
    row = results_json(tmp_path / "r2.json")[("bracket.vxldrw", "TestBitmapCompare(sheet1)")]
    assert (tmp_path / "r2" / row["images"]["difference"]).read_bytes()[:4] == b"CBF1"


def test_image_options_are_checked_and_tolerance_lets_small_changes_pass(models, tmp_path):
    part = models / "bracket.vxlprt"
    bad = check(part, "--results", tmp_path / "r0", "--image-format", "png")
    assert bad.returncode == 2 and "--image-format" in bad.stderr
    assert check(part, "--results", tmp_path / "r1", "--checks", "TestBitmapCompare").returncode == 0
    edit(part, lambda m: m["view"]["rects"][0].update(w=201))  # one column of 40 pixels more
    assert check(part, "--results", tmp_path / "r2", "--checks", "TestBitmapCompare").returncode == 1
    lenient = check(part, "--results", tmp_path / "r3", "--checks", "TestBitmapCompare", "--image-tolerance", "40")
    assert lenient.returncode == 0, lenient.stdout


def test_image_baselines_are_listed_and_pruned_with_their_document(models, tmp_path):
    drawing = models / "bracket.vxldrw"
    assert check(drawing, "--results", tmp_path / "r1", "--checks", "TestBitmapCompare,GetBMPInSheets").returncode == 0
    listed = ravelcrest("baseline", "list", models)
    assert "bracket-vxldrw.gif" in listed.stdout and "bracket-vxldrw-sheet3.gif" in listed.stdout, listed.stdout
    (models / "keep-me.gif").write_bytes(b"GIF89a")  # no document of that name: not a baseline
    drawing.unlink()
    pruned = ravelcrest("baseline", "prune", models)
    assert pruned.returncode == 0, pruned.stderr
    assert not (models / "bracket-vxldrw-sheet1.gif").exists() and not (models / "bracket-vxldrw.gif").exists()
    assert (models / "keep-me.gif").exists() and (models / "bracket.vxlprt").exists()


def test_a_sheet_image_is_accepted_under_the_sheets_check_name(models, tmp_path):
    drawing = models / "bracket.vxldrw"
    assert check(drawing, "--results", tmp_path / "r1", "--checks", "GetBMPInSheets").returncode == 0
    edit(drawing, lambda m: m["sheets"][0]["views"][1].update(outline=[0.05, 0.11, 0.13, 0.19]))
    assert check(drawing, "--results", tmp_path / "r2", "--checks", "GetBMPInSheets").returncode == 1
    accepted = ravelcrest("baseline", "accept", drawing, "--checks", "GetBMPInSheets")
    assert accepted.returncode == 0, accepted.stdout + accepted.stderr
    assert "TestBitmapCompare(sheet1): bracket-vxldrw-sheet1.gif -> sheet1-new.bmp" in accepted.stdout
    assert (models / "bracket-vxldrw-sheet1.gif").read_bytes()[:4] == b"GIF8"
    assert check(drawing, "--results", tmp_path / "r3", "--checks", "GetBMPInSheets").returncode == 0


def test_an_unreadable_baseline_image_is_named_with_the_reason(models, tmp_path):
    part = models / "bracket.vxlprt"
    baseline = models / "bracket-vxlprt.gif"
    # A 41-byte GIF of a 16384 x 16384 screen: refused at once, never drawn.
    screen = (b"GIF89a" + (16384).to_bytes(2, "little") * 2 + b"\x80\0\0" + b"\0\0\0\xff\xff\xff" +
              b",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;")
    for content, reason in ((b"GIF89a\x04\0\x04\0", "the GIF header is damaged or ends early"),
                            (b"", "the file is empty"), (b"BM" + b"\0" * 60, "not a GIF file"),
                            (screen, "the GIF screen is 16384 x 16384 pixels, more than the limit of 134217728 pixels")):
        baseline.write_bytes(content)
        r = check(part, "--results", tmp_path / "r", "--checks", "TestBitmapCompare")
        assert r.returncode == 2, r.stdout
        assert image_rows(r.stdout, "bracket.vxlprt") == {"TestBitmapCompare": "FAILED"}
        assert f"cannot read the baseline image {baseline}: {reason}" in r.stdout, r.stdout
        assert "abandoned" not in r.stdout

    empty = models / "bracket-vxlprt.cbf"
    empty.write_bytes(b"")
    r = check(part, "--results", tmp_path / "r", "--checks", "TestBitmapCompare", "--image-format", "cbf")
    assert f"cannot read the baseline image {empty}: the file is empty" in r.stdout, r.stdout


def test_tolerant_options_and_mask_images_decide_image_checks(models, tmp_path):
    from test_bitmap import png_rgb
    part = models / "bracket.vxlprt"
    edit(part, lambda m: m["view"].update(rects=[{"x": 100, "y": 100, "w": 200, "h": 40, "color": [200, 100, 50]}]))
    assert check(part, "--results", tmp_path / "r1", "--checks", "TestBitmapCompare").returncode == 0
    # A faint colour change of the whole rectangle: 8000 pixels for the library.
    edit(part, lambda m: m["view"]["rects"][0].update(color=[190, 110, 40]))
    exact = check(part, "--results", tmp_path / "r2", "--checks", "TestBitmapCompare", "--json", tmp_path / "r2.json")
    assert exact.returncode == 1, exact.stdout
    row = results_json(tmp_path / "r2.json")[("bracket.vxlprt", "TestBitmapCompare")]
    assert row["images"]["human"] == "images/bracket.vxlprt/view-diff-human.png"
    assert row["images"]["regions"] == [[100, 100, 200, 40]] and "comparison" not in row["images"]

    tolerant = check(part, "--results", tmp_path / "r3", "--checks", "TestBitmapCompare", "--threshold", "0.1",
                     "--json", tmp_path / "r3.json")
    assert tolerant.returncode == 0, tolerant.stdout
    row = results_json(tmp_path / "r3.json")[("bracket.vxlprt", "TestBitmapCompare")]
    assert row["status"] == "OK"
    assert row["message"] == "agrees: 0 differing pixels under threshold 0.1 (exact: Unmatched Pix: 0 ColorChange Pix: 8000)", row
    settings = json.loads((tmp_path / "r3.json").read_text())["settings"]
    assert settings["image comparison"] == "threshold 0.1", settings

    # Too strict a threshold still warns, and says under what.
    strict = check(part, "--results", tmp_path / "r4", "--checks", "TestBitmapCompare", "--threshold", "0.01",
                   "--json", tmp_path / "r4.json")
    assert strict.returncode == 1
    row = results_json(tmp_path / "r4.json")[("bracket.vxlprt", "TestBitmapCompare")]
    assert row["message"].endswith("; 8000 differing pixels under threshold 0.01"), row

    # The rectangle masked: by --mask, or by the mask image beside the baseline.
    masked = check(part, "--results", tmp_path / "r5", "--checks", "TestBitmapCompare", "--mask", "90,90,300,60")
    assert masked.returncode == 0, masked.stdout
    (models / "bracket-vxlprt.mask.png").write_bytes(
        png_rgb(400, 200, lambda x, y: (0, 0, 0) if 100 <= x < 300 and 100 <= y < 140 else (255, 255, 255)))
    beside = check(part, "--results", tmp_path / "r6", "--checks", "TestBitmapCompare", "--json", tmp_path / "r6.json")
    assert beside.returncode == 0, beside.stdout
    row = results_json(tmp_path / "r6.json")[("bracket.vxlprt", "TestBitmapCompare")]
    assert "mask image bracket-vxlprt.mask.png" in row["message"]
    # A mask image that cannot be read fails the check with the reason.
    (models / "bracket-vxlprt.mask.png").write_bytes(b"\x89PNG\r\n\x1a\n broken")
    broken = check(part, "--results", tmp_path / "r7", "--checks", "TestBitmapCompare")
    assert broken.returncode == 2 and "bracket-vxlprt.mask.png" in broken.stdout, broken.stdout
