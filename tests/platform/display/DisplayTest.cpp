#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/display/Input.h"
#include "platform/display/Windows.h"

namespace rc::display {
namespace {

TEST(Display, WindowTreeRectanglesAndZOrder) {
  Handle frame = createWindow(0, Rect{10, 20, 110, 120}, [](Surface& s) { s.fill(rgb(1, 2, 3)); });
  Handle a = createWindow(frame, Rect{0, 0, 50, 10});
  Handle b = createWindow(frame, Rect{5, 30, 45, 60}, [](Surface& s) { s.fill(rgb(200, 0, 0)); });
  ASSERT_TRUE(frame && a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(getParent(b), frame);
  EXPECT_EQ(getWindow(frame, Relation::Child), a);
  EXPECT_EQ(getWindow(a, Relation::Next), b);
  EXPECT_EQ(getWindow(b, Relation::Next), 0u);
  Rect r;
  ASSERT_TRUE(getWindowRect(b, r));
  EXPECT_EQ(r, (Rect{15, 50, 55, 80}));
  EXPECT_FALSE(getWindowRect(12345, r));

  // A capture of the parent shows the children over it.
  Surface shot = capture(frame);
  EXPECT_EQ(shot.pixel(0, 40), rgb(1, 2, 3));
  EXPECT_EQ(shot.pixel(6, 31), rgb(200, 0, 0));

  int paints = 0;
  setPaintHandler(b, [&](Surface& s) {
    ++paints;
    s.fill(rgb(0, 0, s.width() == 20 ? 255 : 0));
  });
  ASSERT_TRUE(moveWindow(b, 0, 0, 20, 5, true));
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(capture(b).pixel(19, 4), rgb(0, 0, 255));
  destroyWindow(frame);
  EXPECT_FALSE(isWindow(a));
  EXPECT_FALSE(isWindow(b));
}

TEST(Display, CaptureThroughDeviceContextsAndDibs) {
  Handle w = createWindow(0, Rect{0, 0, 4, 3}, [](Surface& s) {
    s.fill(rgb(0, 0, 0));
    s.setPixel(0, 0, rgb(10, 20, 30));  // top left
    s.setPixel(3, 2, rgb(40, 50, 60));  // bottom right
  });
  Handle wdc = getWindowDC(w);
  ASSERT_NE(wdc, 0u);
  EXPECT_EQ(getWindowDC(wdc), 0u);  // a DC is no window
  Handle mdc = createCompatibleDC(wdc);
  Handle bmp = createCompatibleBitmap(wdc, 4, 3);
  EXPECT_EQ(selectObject(mdc, bmp), 0u);
  ASSERT_TRUE(bitBlt(mdc, 0, 0, 4, 3, wdc, 0, 0, kSrcCopy));

  BitmapInfoHeader info;
  info.biWidth = 4;
  info.biHeight = 3;  // bottom-up
  std::vector<std::uint8_t> bits(4 * 3 * 4);
  EXPECT_EQ(getDIBits(mdc, bmp, 0, 3, bits, info), 3);
  // Scan line 0 is the bottom row: its last pixel is (40, 50, 60) as B, G, R, 0.
  EXPECT_EQ(bits[12], 60);
  EXPECT_EQ(bits[13], 50);
  EXPECT_EQ(bits[14], 40);
  EXPECT_EQ(bits[15], 0);
  // The top-left pixel is the first of the last scan line.
  EXPECT_EQ(bits[2 * 16 + 2], 10);
  std::vector<std::uint8_t> tooSmall(8);
  EXPECT_EQ(getDIBits(mdc, bmp, 0, 3, tooSmall, info), 0);

  EXPECT_TRUE(deleteDC(mdc));
  EXPECT_TRUE(deleteObject(bmp));
  EXPECT_FALSE(deleteObject(bmp));
  EXPECT_FALSE(bitBlt(mdc, 0, 0, 1, 1, wdc, 0, 0, kSrcCopy));
  EXPECT_TRUE(releaseDC(w, wdc));
  destroyWindow(w);
}

TEST(Display, ANewBitmapIsBlackUntilDrawnOnWhateverCoversIt) {
  Handle w = createWindow(0, Rect{0, 0, 6, 4}, [](Surface& s) { s.fill(rgb(9, 8, 7)); });
  Handle wdc = getWindowDC(w);
  Handle mdc = createCompatibleDC(wdc);
  auto dib = [&](Handle bmp, int width, int height) {
    BitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = height;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(width) * height * 4, 0xAB);
    EXPECT_EQ(getDIBits(mdc, bmp, 0, static_cast<std::uint32_t>(height), bits, info), height);
    return bits;
  };
  // Read before anything is drawn: black, at its size.
  Handle black = createCompatibleBitmap(wdc, 6, 4);
  BitmapRecord record;
  ASSERT_NE(getObject(black, record), 0);
  EXPECT_EQ(record.bmWidth, 6);
  EXPECT_EQ(record.bmHeight, 4);
  EXPECT_EQ(dib(black, 6, 4), std::vector<std::uint8_t>(6 * 4 * 4, 0));
  EXPECT_EQ(bitmapPixels(black).pixels(), Surface::Pixels(6 * 4, 0));
  // Covered whole by a copy of the window.
  Handle whole = createCompatibleBitmap(wdc, 6, 4);
  selectObject(mdc, whole);
  ASSERT_TRUE(bitBlt(mdc, 0, 0, 6, 4, wdc, 0, 0, kSrcCopy));
  EXPECT_EQ(bitmapPixels(whole).pixels(), Surface::Pixels(6 * 4, rgb(9, 8, 7)));
  // Covered in part (a larger bitmap, and an offset copy): the rest stays black.
  for (auto [bw, bh, x, sx] : {std::tuple{8, 5, 0, 0}, {6, 4, 1, 0}, {6, 4, 0, 2}}) {
    Handle part = createCompatibleBitmap(wdc, bw, bh);
    selectObject(mdc, part);
    ASSERT_TRUE(bitBlt(mdc, x, 0, 6, 4, wdc, sx, 0, kSrcCopy));
    const Surface got = bitmapPixels(part);
    EXPECT_EQ(got.width(), bw);
    EXPECT_EQ(got.pixel(bw - 1, bh - 1), bw > 6 || sx > 0 ? 0u : rgb(9, 8, 7)) << bw << x << sx;
    EXPECT_EQ(got.pixel(x, 0), rgb(9, 8, 7));
    if (x > 0) {
      EXPECT_EQ(got.pixel(0, 0), 0u);
    }
    selectObject(mdc, 0);
    deleteObject(part);
  }
  selectObject(mdc, 0);
  deleteObject(black);
  deleteObject(whole);
  deleteDC(mdc);
  releaseDC(w, wdc);
  destroyWindow(w);
}

// A capture shares the window's picture rather than copying it: each holder
// must still see only its own drawing, and a kept snapshot nobody's.
TEST(Display, CapturesAndSnapshotsKeepTheirPicturesWhateverIsDrawnLater) {
  int paints = 0;
  Handle w = createWindow(0, Rect{0, 0, 6, 4}, [&](Surface& s) { s.fill(rgb(0, 0, 10 + paints++)); });
  Handle wdc = getWindowDC(w);
  Handle mdc = createCompatibleDC(wdc);
  Handle bmp = createCompatibleBitmap(wdc, 6, 4);
  selectObject(mdc, bmp);
  ASSERT_TRUE(bitBlt(mdc, 0, 0, 6, 4, wdc, 0, 0, kSrcCopy));
  std::shared_ptr<const Surface> kept = bitmapSnapshot(bmp);
  ASSERT_TRUE(kept);

  // Drawing on the window leaves the bitmap and the snapshot as they were.
  ASSERT_TRUE(bitBlt(wdc, 0, 0, 2, 2, 0, 0, 0, kWhiteness));
  EXPECT_EQ(capture(w).pixel(0, 0), rgb(255, 255, 255));
  EXPECT_EQ(bitmapPixels(bmp).pixel(0, 0), rgb(0, 0, 10));
  // Drawing on the bitmap leaves the window and the snapshot as they were.
  ASSERT_TRUE(bitBlt(mdc, 4, 2, 2, 2, 0, 0, 0, kBlackness));
  EXPECT_EQ(bitmapPixels(bmp).pixel(5, 3), rgb(0, 0, 0));
  EXPECT_EQ(capture(w).pixel(5, 3), rgb(0, 0, 10));
  EXPECT_EQ(kept->pixel(0, 0), rgb(0, 0, 10));
  EXPECT_EQ(kept->pixel(5, 3), rgb(0, 0, 10));
  // A repaint gives the window a new picture; the bitmap keeps the old one.
  invalidate(w);
  EXPECT_EQ(capture(w).pixel(1, 1), rgb(0, 0, 11));
  EXPECT_EQ(bitmapPixels(bmp).pixel(1, 1), rgb(0, 0, 10));

  // A bitmap copied onto itself through two DCs reads what it held before.
  Handle other = createCompatibleDC(0);
  selectObject(other, bmp);
  ASSERT_TRUE(bitBlt(mdc, 1, 0, 5, 4, other, 0, 0, kSrcCopy));
  EXPECT_EQ(bitmapPixels(bmp).pixel(5, 2), rgb(0, 0, 0));   // from (4, 2)
  EXPECT_EQ(bitmapPixels(bmp).pixel(4, 2), rgb(0, 0, 10));  // from (3, 2)
  const Handle black = createCompatibleBitmap(0, 3, 3);
  EXPECT_EQ(bitmapSnapshot(black), nullptr);  // no pixels to keep yet
  deleteObject(black);
  // A bitmap of one colour reads as that colour however it is read.
  const Handle white = createFilledBitmap(2, 2, rgb(255, 255, 255));
  const Handle copy = copyBitmap(white);
  BitmapInfoHeader info;
  info.biWidth = 2;
  info.biHeight = 2;
  std::vector<std::uint8_t> bits(16);
  EXPECT_EQ(getDIBits(mdc, white, 0, 2, bits, info), 2);
  EXPECT_EQ(bits, (std::vector<std::uint8_t>{255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0}));
  EXPECT_EQ(bitmapPixels(copy).pixel(1, 1), rgb(255, 255, 255));
  deleteObject(white);
  deleteObject(copy);
  deleteDC(other);
  deleteDC(mdc);
  deleteObject(bmp);
  releaseDC(w, wdc);
  destroyWindow(w);
}

TEST(Display, BmpWrittenInBlocksHasTheBytesOfOneBuffer) {
  // Sizes with padded rows, one row, and rows spread over several blocks.
  for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {1000, 300}, {16384, 20}, {0, 0}}) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) s.setPixel(x, y, rgb(x & 255, y & 255, (x * 7 + y) & 255) | (x % 3 == 0 ? 0x5A000000u : 0));
    std::string blocks;
    std::size_t count = 0;
    encodeBmp24Blocks(s, [&](std::string_view b) {
      EXPECT_LE(b.size(), std::max<std::size_t>(256 * 1024, 54));
      blocks += b;
      ++count;
    });
    EXPECT_EQ(blocks, encodeBmp24(s)) << w << "x" << h;
    if (w == 1000) {
      EXPECT_GT(count, 3u);
    }
  }
}

TEST(Display, KeystrokesGoToTheActiveWindowOrItsAncestor) {
  Handle top = createWindow(0, Rect{0, 0, 10, 10});
  Handle child = createWindow(top, Rect{0, 0, 5, 5});
  std::vector<std::string> got;
  setKeyHandler(top, [&](std::string_view k) { got.emplace_back(k); });
  setActiveWindow(child);
  EXPECT_TRUE(sendKeys("%C"));
  EXPECT_EQ(got, std::vector<std::string>{"%C"});
  destroyWindow(top);
  EXPECT_EQ(activeWindow(), 0u);
  EXPECT_FALSE(sendKeys("x"));
}

TEST(Display, BmpRoundTripAndDamagedFiles) {
  Surface s(3, 2, rgb(9, 8, 7));
  s.setPixel(2, 0, rgb(255, 0, 1));
  std::string file = encodeBmp24(s);
  auto back = decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels(), s.pixels());
  std::string error;
  EXPECT_FALSE(decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), 60), &error));
  EXPECT_EQ(error, "BMP file is truncated");
  // Every row length around the four-pixel packing, with the unused fourth
  // byte set in the picture: the file holds three bytes a pixel, padded rows.
  for (int w = 1; w <= 9; ++w) {
    Surface p(w, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x)
        p.setPixel(x, y, 0xFF000000u | rgb(static_cast<std::uint8_t>(x * 30 + y), static_cast<std::uint8_t>(y * 70),
                                           static_cast<std::uint8_t>(255 - x)));
    const std::string bmp = encodeBmp24(p);
    ASSERT_EQ(bmp.size(), 54u + 3u * ((w * 3 + 3) / 4 * 4)) << w;
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[54]), 255);  // blue of the bottom-left pixel
    auto read = decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()));
    ASSERT_TRUE(read) << w;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) EXPECT_EQ(read->pixel(x, y), p.pixel(x, y) & 0xFFFFFF) << w << " " << x << "," << y;
  }
}

}  // namespace
}  // namespace rc::display
