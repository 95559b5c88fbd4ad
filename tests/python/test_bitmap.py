"""clsBitmap from Python: capture of the host's view, the pixel array as a
SafeArray, the records, Compare and its journal block; `ravelcrest imgdiff`."""
import contextlib
import json
import os
import struct
import subprocess

import pytest

PART = 1
RED = (255, 0, 0)


@pytest.fixture
def rcm(rc):
    return rc


@pytest.fixture
def host(rc):
    """A session of its own, ended after the test."""
    session = rc.Dispatch("VexlarSim.Session")
    yield session
    with contextlib.suppress(rc.AutomationError):
        session.ExitApp()


def open_part(host, path, rects):
    path.write_text(json.dumps({"view": {"background": [255, 255, 255], "rects": rects}}))
    doc, errors, _ = host.OpenDoc6(str(path), PART, 0, "", 0, 0)
    assert errors == 0
    return doc


def capture(rcm, host, width=300, height=200):
    bmp = rcm.Dispatch("RavelcrestCore.clsBitmap")
    assert bmp.SetBitmap(host.SimViewWindow, width, height) is True
    return bmp


def colour(bmp, x, y):
    """(R, G, B) at x, y counted from the top-left corner from 0."""
    scan = bmp.Height - y
    return tuple(bmp.Array3DVal(c, x + 1, scan) for c in (3, 2, 1))


def test_capture_of_the_painted_view(rcm, host, tmp_path):
    open_part(host, tmp_path / "box.vxlprt", [{"x": 10, "y": 10, "w": 50, "h": 20, "color": list(RED)}])
    bmp = capture(rcm, host)
    assert (bmp.Width, bmp.Height) == (300, 200)
    assert bmp.ImageDC != 0 and bmp.BMPSource != 0
    assert colour(bmp, 10, 10) == RED
    assert colour(bmp, 59, 29) == RED
    assert colour(bmp, 60, 30) == (255, 255, 255)

    pixels = bmp.Array3D
    assert isinstance(pixels, rcm.SafeArray)
    assert pixels.bounds == [(1, 4), (1, 300), (1, 200)]
    assert pixels[3, 11, 190] == 255 and pixels[1, 11, 190] == 0
    assert pixels[4, 300, 200] == 0
    with pytest.raises(rcm.AutomationError) as raised:
        bmp.Array3DVal(1, 301, 1)
    assert raised.value.number == 9

    rcm.invoke(bmp, "Array3DVal", "let", 2, 1, 1, 17)
    assert bmp.Array3DVal(2, 1, 1) == 17

    info = bmp.BMInfo
    assert isinstance(info, rcm.Record)
    assert info.type_name == "BITMAPINFO"
    assert len(bytes(info)) == 44
    header = info.BMIHeader
    assert (header.biSize, header.biWidth, header.biHeight, header.biBitCount) == (40, 300, 200, 32)
    assert header.biSizeImage == 300 * 200 * 4
    assert bytes(info)[:12] == struct.pack("<iii", 40, 300, 200)
    assert info.bmiColors.rgbRed == 0
    with pytest.raises(AttributeError):
        info.nothing_here


def test_records_are_published_with_the_class(rcm):
    (bitmap,) = [c for c in rcm.typelib() if c["name"] == "clsBitmap"]
    sizes = {r["name"]: r["size"] for r in bitmap["records"]}
    assert sizes == {"BITMAP": 24, "BITMAPINFOHEADER": 40, "RGBQUAD": 4, "BITMAPINFO": 44,
                     "COLORQUAD": 4, "PicBmp": 20}
    (info,) = [r for r in bitmap["records"] if r["name"] == "BITMAPINFO"]
    assert info["fields"] == [("BMIHeader", "BITMAPINFOHEADER", 0), ("bmiColors", "RGBQUAD", 40)]


def test_compare_of_two_captures_writes_the_block(rcm, host, tmp_path):
    open_part(host, tmp_path / "a.vxlprt", [{"x": 0, "y": 0, "w": 4, "h": 2, "color": [0, 0, 0]}])
    base = capture(rcm, host, 20, 10)
    open_part(host, tmp_path / "b.vxlprt", [{"x": 0, "y": 0, "w": 4, "h": 2, "color": [9, 9, 9]},
                                            {"x": 10, "y": 5, "w": 1, "h": 1, "color": list(RED)}])
    new = capture(rcm, host, 20, 10)
    diff = capture(rcm, host, 20, 10)
    host.SimClearJournal()
    result = diff.Compare(new, base, 100, host.SimProcessID, True, 0)
    assert result[0] is False
    assert colour(diff, 0, 0) == (255, 0, 255)
    assert colour(diff, 10, 5) == (0, 255, 0)
    assert colour(diff, 19, 9) == (255, 255, 255)
    assert list(host.SimJournal) == []

    result = diff.Compare(new, base, 0, host.SimProcessID, True, 1)
    assert result[0] is True
    assert list(host.SimJournal) == [
        "", "*** WARNING - Pixel Compare - PP",
        "'*** <U>Unmatched Pix:</U> 1    <U>ColorChange Pix:</U> 8    ", ""]


def bmp24(width, height, pixel):
    """A 24-bit bottom-up BMP file; pixel(x, y) gives (R, G, B), y from the top."""
    stride = (width * 3 + 3) // 4 * 4
    rows = b""
    for y in reversed(range(height)):
        row = b"".join(bytes(reversed(pixel(x, y))) for x in range(width))
        rows += row + b"\0" * (stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    return header + info + rows


@pytest.fixture
def imgdiff(tmp_path):
    path = os.environ.get("RAVELCREST_BIN")
    if not path or not os.path.exists(path):
        pytest.skip("RAVELCREST_BIN does not name the ravelcrest tool")

    def run(*args):
        return subprocess.run([path, "imgdiff", *map(str, args)], capture_output=True, text=True, timeout=60)
    return run


def test_imgdiff_counts_writes_the_difference_and_exits_by_tolerance(imgdiff, tmp_path):
    white = lambda x, y: (255, 255, 255)
    dotted = lambda x, y: (0, 0, 0) if (x, y) in ((1, 1), (2, 3)) else (255, 255, 255)
    (tmp_path / "base.bmp").write_bytes(bmp24(6, 4, white))
    (tmp_path / "new.bmp").write_bytes(bmp24(6, 4, dotted))
    r = imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", tmp_path / "diff.bmp")
    assert r.returncode == 1, r.stderr
    assert "unmatched pixels: 2\n" in r.stdout
    assert "colour-change pixels: 0\n" in r.stdout
    written = (tmp_path / "diff.bmp").read_bytes()
    assert written[:2] == b"BM" and struct.unpack("<ii", written[18:26]) == (6, 4)
    # Pixel (1, 1) from the top is green: row 2 from the bottom of a 4-row image.
    stride = 20
    at = 54 + 2 * stride + 3
    assert tuple(written[at:at + 3]) == (0, 255, 0)
    assert imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", tmp_path / "diff.bmp", "--tol", 2).returncode == 0

    (tmp_path / "wide.bmp").write_bytes(bmp24(9, 4, white))
    r = imgdiff(tmp_path / "base.bmp", tmp_path / "wide.bmp", tmp_path / "diff2.bmp", "--tol", 2)
    assert r.returncode == 1
    assert "size change: x 3, y 0" in r.stdout
    assert struct.unpack("<ii", (tmp_path / "diff2.bmp").read_bytes()[18:26]) == (9, 4)

    (tmp_path / "bad.bmp").write_bytes(b"BM" + b"\0" * 20)
    r = imgdiff(tmp_path / "base.bmp", tmp_path / "bad.bmp", tmp_path / "diff3.bmp")
    assert r.returncode == 2
    assert "bad.bmp" in r.stderr
    assert not (tmp_path / "diff3.bmp").exists()
    assert imgdiff(tmp_path / "missing.bmp", tmp_path / "new.bmp", tmp_path / "diff3.bmp").returncode == 2
    r = imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", tmp_path / "no" / "diff.bmp")
    assert r.returncode == 2
    assert "cannot write" in r.stderr


def test_imgdiff_paints_every_size_pairing_as_the_library_does(imgdiff, tmp_path):
    """The difference image is painted over whichever picture covers it, or a
    third when neither does; each way it is the library's, pixel for pixel,
    with odd widths (padded BMP rows) and sizes that differ each way."""
    def dots(seed):
        return lambda x, y: (0, 0, 0) if (x * 7 + y * 3 + seed) % 5 == 0 else (
            (200, 30, 30) if (x + y + seed) % 7 == 0 else (255, 255, 255))

    def expected(bw, bh, nw, nh, base, new):
        w, h = max(bw, nw), max(bh, nh)
        rows, counts = [], [0, 0]
        for y in range(h):
            row = []
            for x in range(w):
                b = base(x, y) if x < bw and y < bh else (255, 255, 255)
                n = new(x, y) if x < nw and y < nh else (255, 255, 255)
                if b == n:
                    row.append((255, 255, 255))
                elif b == (255, 255, 255) or n == (255, 255, 255):
                    counts[0] += 1
                    row.append((0, 255, 0) if b == (255, 255, 255) else (0, 0, 255))
                else:
                    counts[1] += 1
                    row.append((255, 0, 255))
            rows.append(row)
        return w, h, rows, counts

    for bw, bh, nw, nh in ((7, 5, 7, 5), (5, 3, 9, 6), (9, 6, 5, 3), (5, 7, 11, 2), (1, 1, 3, 1)):
        (tmp_path / "b.bmp").write_bytes(bmp24(bw, bh, dots(1)))
        (tmp_path / "n.bmp").write_bytes(bmp24(nw, nh, dots(2)))
        r = imgdiff(tmp_path / "b.bmp", tmp_path / "n.bmp", tmp_path / "d.bmp")
        w, h, rows, (unmatched, changed) = expected(bw, bh, nw, nh, dots(1), dots(2))
        assert r.returncode == (1 if unmatched + changed or (bw, bh) != (nw, nh) else 0), r.stderr
        assert f"unmatched pixels: {unmatched}\n" in r.stdout
        assert f"colour-change pixels: {changed}\n" in r.stdout
        written, want = (tmp_path / "d.bmp").read_bytes(), bmp24(w, h, lambda x, y: rows[y][x])
        assert written[18:26] == want[18:26] and written[54:] == want[54:], (bw, bh, nw, nh)


def test_imgdiff_refuses_cut_files_folders_and_pipes_with_the_reason(imgdiff, tmp_path):
    whole = bmp24(5, 4, lambda x, y: (x * 40, y * 60, 9))
    (tmp_path / "base.bmp").write_bytes(whole)
    for cut in (0, 10, 53, 54, 70, len(whole) - 1):
        (tmp_path / "cut.bmp").write_bytes(whole[:cut])
        r = imgdiff(tmp_path / "base.bmp", tmp_path / "cut.bmp", tmp_path / "d.bmp")
        assert r.returncode == 2, (cut, r.stdout)
        assert "cannot read" in r.stderr and "cut.bmp" in r.stderr, cut
        assert not (tmp_path / "d.bmp").exists()
    (tmp_path / "folder.bmp").mkdir()
    r = imgdiff(tmp_path / "base.bmp", tmp_path / "folder.bmp", tmp_path / "d.bmp")
    assert r.returncode == 2 and "folder.bmp" in r.stderr and "it is not a regular file" in r.stderr
    os.mkfifo(tmp_path / "pipe.bmp")
    r = imgdiff(tmp_path / "pipe.bmp", tmp_path / "base.bmp", tmp_path / "d.bmp")
    assert r.returncode == 2 and "pipe.bmp as an image: it is not a regular file" in r.stderr, r.stderr
    # A file of no format the tool reads names them all, not only BMP.
    (tmp_path / "noise.png").write_bytes(bytes(range(7, 200)))
    r = imgdiff(tmp_path / "noise.png", tmp_path / "base.bmp", tmp_path / "d.png")
    assert r.returncode == 2 and "noise.png as an image: not a PNG, BMP, GIF, CBF or JPEG file" in r.stderr, r.stderr


def test_imgdiff_written_as_png_reports_as_when_written_in_any_other_format(imgdiff, tmp_path):
    # A PNG difference image of two pictures of one size is made a block of
    # rows at a time; what it prints, exits with and refuses must not differ.
    w, h = 300, 260
    base = bmp24(w, h, lambda x, y: (255, 255, 255) if x % 7 else (0, 0, 0))
    new = bmp24(w, h, lambda x, y: (255, 255, 255) if (x + y) % 9 else (0, 0, 200))
    (tmp_path / "base.bmp").write_bytes(base)
    (tmp_path / "new.bmp").write_bytes(new)
    (tmp_path / "cut.bmp").write_bytes(new[:len(new) // 2])
    (tmp_path / "cuthead.bmp").write_bytes(new[:40])
    (tmp_path / "folder.bmp").mkdir()
    os.mkfifo(tmp_path / "pipe.bmp")
    pairs = [("base.bmp", "new.bmp", ()), ("base.bmp", "new.bmp", ("--tol", "100000")),
             ("base.bmp", "cut.bmp", ()), ("cut.bmp", "cuthead.bmp", ()), ("cuthead.bmp", "base.bmp", ()),
             ("folder.bmp", "pipe.bmp", ()), ("base.bmp", "pipe.bmp", ()), ("missing.bmp", "cut.bmp", ())]
    for first, second, extra in pairs:
        for ext in ("png", "bmp"):
            (tmp_path / f"d.{ext}").unlink(missing_ok=True)
        runs = {ext: imgdiff(tmp_path / first, tmp_path / second, tmp_path / f"d.{ext}", *extra)
                for ext in ("png", "bmp")}
        png, bmp = runs["png"], runs["bmp"]
        assert (png.returncode, png.stdout) == (bmp.returncode, bmp.stdout), (first, second)
        assert png.stderr.replace("d.png", "d.bmp") == bmp.stderr, (first, second)
        if png.returncode == 2:
            # BASELINE's reason when both are bad, and nothing written.
            named = second if first in ("base.bmp", "new.bmp") else first
            assert f"cannot read {tmp_path / named}" in png.stderr, png.stderr
            assert not (tmp_path / "d.png").exists()
    # The PNG written holds the pixels of the BMP written.
    imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", tmp_path / "again.png")
    imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", tmp_path / "again.bmp")
    r = imgdiff(tmp_path / "again.png", tmp_path / "again.bmp", tmp_path / "same.png")
    assert r.returncode == 0 and "unmatched pixels: 0" in r.stdout, r.stdout


def test_imgdiff_reads_gif_and_cbf_and_writes_the_format_asked(rc, imgdiff, tmp_path):
    white = lambda x, y: (255, 255, 255)
    dotted = lambda x, y: (0, 0, 0) if (x, y) in ((1, 1), (2, 3)) else (255, 255, 255)
    (tmp_path / "base.bmp").write_bytes(bmp24(6, 4, white))
    (tmp_path / "new.bmp").write_bytes(bmp24(6, 4, dotted))
    convert = rc.Dispatch("vxlClasses.clsGrfConvert")
    convert.InFileName, convert.OutFileName = str(tmp_path / "base.bmp"), str(tmp_path / "base.gif")
    assert convert.makeGIF() is None
    convert.InFileName, convert.OutFileName = str(tmp_path / "new.bmp"), str(tmp_path / "new.cbf")
    assert convert.BMPtoCBF() is None
    assert (tmp_path / "new.cbf").read_bytes()[:4] == b"CBF1"

    r = imgdiff(tmp_path / "base.gif", tmp_path / "new.cbf", tmp_path / "diff.gif")
    assert r.returncode == 1, r.stderr
    assert "unmatched pixels: 2\n" in r.stdout
    assert (tmp_path / "diff.gif").read_bytes()[:4] == b"GIF8"
    r = imgdiff(tmp_path / "new.cbf", tmp_path / "new.bmp", tmp_path / "same.cbf")
    assert r.returncode == 0, r.stderr
    assert (tmp_path / "same.cbf").read_bytes()[:4] == b"CBF1"

    packed = (tmp_path / "new.cbf").read_bytes()
    (tmp_path / "cut.cbf").write_bytes(packed[:len(packed) // 2])
    r = imgdiff(tmp_path / "base.gif", tmp_path / "cut.cbf", tmp_path / "diff2.bmp")
    assert r.returncode == 2
    assert "cut.cbf" in r.stderr and "truncated" in r.stderr
    assert not (tmp_path / "diff2.bmp").exists()


def test_imgdiff_refuses_a_diff_that_is_one_of_its_inputs(imgdiff, tmp_path):
    white = lambda x, y: (255, 255, 255)
    dotted = lambda x, y: (0, 0, 0) if (x, y) == (1, 1) else (255, 255, 255)
    base, new = bmp24(6, 4, white), bmp24(6, 4, dotted)
    (tmp_path / "base.bmp").write_bytes(base)
    (tmp_path / "new.bmp").write_bytes(new)
    os.symlink(tmp_path / "base.bmp", tmp_path / "link.bmp")
    os.link(tmp_path / "new.bmp", tmp_path / "hard.bmp")
    for diff, role in ((tmp_path / "base.bmp", "BASELINE"), (tmp_path / "new.bmp", "NEW"),
                       (tmp_path / "sub" / ".." / "base.bmp", "BASELINE"), (tmp_path / "link.bmp", "BASELINE"),
                       (tmp_path / "hard.bmp", "NEW")):
        (tmp_path / "sub").mkdir(exist_ok=True)
        r = imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", diff)
        assert r.returncode == 2, (diff, r.stdout)
        assert f"is the {role} image" in r.stderr and str(diff) in r.stderr
    # Nor may either difference image be the mask image it reads.
    (tmp_path / "mask.png").write_bytes(png_rgb(6, 4, white))
    for extra in ((), ("--human-diff", tmp_path / "mask.png")):
        diff = tmp_path / ("d.png" if extra else "mask.png")
        r = imgdiff(tmp_path / "base.bmp", tmp_path / "new.bmp", diff, "--mask-image", tmp_path / "mask.png", *extra)
        assert r.returncode == 2 and "is the --mask-image image" in r.stderr, r.stderr
    assert (tmp_path / "mask.png").read_bytes() == png_rgb(6, 4, white)
    # Both inputs are as they were.
    assert (tmp_path / "base.bmp").read_bytes() == base
    assert (tmp_path / "new.bmp").read_bytes() == new


def test_empty_and_short_images_name_the_format_they_start_as(imgdiff, tmp_path):
    (tmp_path / "base.bmp").write_bytes(bmp24(2, 2, lambda x, y: (255, 255, 255)))
    for name, data, reason in (("empty.gif", b"", "the file is empty"), ("empty.cbf", b"", "the file is empty"),
                               ("short.gif", b"GIF8", "the GIF header is too short"),
                               ("short.cbf", b"CBF1", "the CBF header is too short")):
        (tmp_path / name).write_bytes(data)
        r = imgdiff(tmp_path / "base.bmp", tmp_path / name, tmp_path / "diff.bmp")
        assert r.returncode == 2
        assert name in r.stderr and reason in r.stderr, r.stderr
        assert "BMP" not in r.stderr


def test_bitmap_compare_check_from_a_harness(rcm, host, tmp_path):
    open_part(host, tmp_path / "box.vxlprt", [{"x": 10, "y": 10, "w": 50, "h": 20, "color": list(RED)}])
    app = rcm.Dispatch("RavelcrestCore.clsApplication")
    app.MultiSession, app.glbProcessID = True, host.SimProcessID
    baseline, diff = str(tmp_path / "view.gif"), str(tmp_path / "diff.gif")
    result, view, *_ = app.TestBitmapCompare(host.SimFrameWindow, baseline, diff, 0, 1)
    assert (result, view) == (0, host.SimViewWindow)
    assert (tmp_path / "view.gif").read_bytes()[:4] == b"GIF8"
    assert "'*** BaseLine Created" in "\n".join(host.SimJournal)
    host.SimClearJournal()
    assert app.TestBitmapCompare(host.SimFrameWindow, baseline, diff, 0, 1)[0] == 0
    assert list(host.SimJournal) == [] and not (tmp_path / "diff.gif").exists()
    open_part(host, tmp_path / "moved.vxlprt", [{"x": 20, "y": 10, "w": 50, "h": 20, "color": list(RED)}])
    assert app.TestBitmapCompare(host.SimFrameWindow, baseline, diff, 0, 1)[0] == 0
    assert any("Unmatched Pix" in line for line in host.SimJournal)
    assert (tmp_path / "diff.gif").exists() and not (tmp_path / "diff.bmp").exists()
    # A handle of nothing at all.
    assert app.TestBitmapCompare(0, baseline, diff, 0, 1)[0] == 1


def png_rgb(width, height, pixel):
    """An 8-bit RGB PNG; pixel(x, y) gives (r, g, b)."""
    import zlib
    raw = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def test_imgdiff_reads_and_writes_png_and_refuses_other_extensions(imgdiff, tmp_path):
    white = lambda x, y: (255, 255, 255)
    dotted = lambda x, y: (0, 0, 0) if (x, y) in ((1, 1), (2, 3)) else (255, 255, 255)
    (tmp_path / "base.png").write_bytes(png_rgb(6, 4, white))
    (tmp_path / "new.bmp").write_bytes(bmp24(6, 4, dotted))
    r = imgdiff(tmp_path / "base.png", tmp_path / "new.bmp", tmp_path / "diff.PNG")
    assert r.returncode == 1, r.stderr
    assert "unmatched pixels: 2\n" in r.stdout
    written = (tmp_path / "diff.PNG").read_bytes()
    assert written[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", written[16:24]) == (6, 4)
    # The difference read back as an input: a PNG against itself agrees.
    assert imgdiff(tmp_path / "diff.PNG", tmp_path / "diff.PNG", tmp_path / "same.png").returncode == 0
    for bad in ("diff.txt", "diff", "diff.jpg", "diff.png.tmp"):
        r = imgdiff(tmp_path / "base.png", tmp_path / "new.bmp", tmp_path / bad)
        assert r.returncode == 2 and ".png, .bmp, .gif, .cbf" in r.stderr, (bad, r.stderr)
        assert not (tmp_path / bad).exists()
    # A damaged PNG is refused with libpng's reason, naming the file.
    (tmp_path / "cut.png").write_bytes(png_rgb(6, 4, white)[:40])
    r = imgdiff(tmp_path / "base.png", tmp_path / "cut.png", tmp_path / "d.png")
    assert r.returncode == 2 and "cut.png" in r.stderr and "damaged PNG file" in r.stderr, r.stderr


def test_imgdiff_tolerant_options_and_json(imgdiff, tmp_path):
    import json
    base = lambda x, y: (200, 100, 50)
    # A faint change everywhere in the top row, one strong pixel, and one at the corner.
    def new(x, y):
        if y == 0:
            return (190, 110, 40)
        if (x, y) in ((4, 4), (9, 9)):
            return (0, 0, 0)
        return (200, 100, 50)
    (tmp_path / "base.png").write_bytes(png_rgb(10, 10, base))
    (tmp_path / "new.png").write_bytes(png_rgb(10, 10, new))
    exact = json.loads(imgdiff(tmp_path / "base.png", tmp_path / "new.png", tmp_path / "d.png", "--json").stdout)
    assert exact["exact"] == {"unmatched": 0, "colourChange": 12} and exact["differing"] == 12
    assert exact["options"]["tolerant"] is False and exact["agrees"] is False
    assert exact["regions"] == [{"x": 0, "y": 0, "width": 10, "height": 1}, {"x": 4, "y": 4, "width": 1, "height": 1},
                                {"x": 9, "y": 9, "width": 1, "height": 1}]

    r = imgdiff(tmp_path / "base.png", tmp_path / "new.png", tmp_path / "d.png", "--threshold", "0.1",
                "--mask", "9,9,5,5", "--max-diff-pixels", "1", "--human-diff", tmp_path / "people.png")
    assert r.returncode == 0, r.stdout + r.stderr
    assert "colour-change pixels: 12\n" in r.stdout  # the library's counters stay
    assert "options: threshold 0.1, 1 mask, max diff pixels 1\n" in r.stdout
    assert "differing pixels: 1\nmasked pixels: 1\n" in r.stdout and "agree under the options" in r.stdout
    assert (tmp_path / "people.png").read_bytes()[:4] == b"\x89PNG"
    j = json.loads(imgdiff(tmp_path / "base.png", tmp_path / "new.png", tmp_path / "d.png", "--threshold", "0.1",
                           "--max-diff-ratio", "0.005", "--json").stdout)
    assert j["differing"] == 2 and j["agrees"] is False
    assert j["options"]["threshold"] == 0.1 and j["options"]["maxDiffRatio"] == 0.005

    # A file name that is no UTF-8 still gives the counters as JSON.
    odd = tmp_path / os.fsdecode(b"\xffbase.png")
    odd.write_bytes(png_rgb(10, 10, base))
    r = imgdiff(odd, tmp_path / "new.png", tmp_path / "d.png", "--json")
    assert r.returncode == 1, r.stderr
    assert json.loads(r.stdout)["baseline"].endswith("\ufffdbase.png")

    for args, text in ((("--threshold", "2"), "0 to 1"), (("--mask", "1,2,3"), "x,y,w,h"),
                       (("--antialiasing", "maybe"), "maybe"), (("--human-diff", tmp_path / "p.bmp"), ".png"),
                       (("--human-diff", tmp_path / "base.png"), "BASELINE"),
                       (("--mask-image", tmp_path / "none.png"), "none.png")):
        r = imgdiff(tmp_path / "base.png", tmp_path / "new.png", tmp_path / "d2.png", *args)
        assert r.returncode == 2 and text in r.stderr, (args, r.stderr)
    assert (tmp_path / "base.png").read_bytes() == png_rgb(10, 10, base)
