// The DIB calls and GetObject of the virtual display.
#include <gtest/gtest.h>

#include <vector>

#include "platform/display/Gdi.h"

namespace rc::display {
namespace {

BitmapInfoHeader header(std::int32_t width, std::int32_t height, std::int16_t bits = 32) {
  BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = bits;
  return h;
}

TEST(Dib, SetDIBitsWritesScanLinesBottomUpOrTopDown) {
  Handle dc = createCompatibleDC(0);
  Handle bmp = createCompatibleBitmap(0, 3, 2);
  // Bottom-up: scan line 0 is the bottom row. The fourth byte is ignored.
  std::vector<std::uint8_t> bits(3 * 2 * 4, 0);
  bits[0] = 1, bits[1] = 2, bits[2] = 3, bits[3] = 0xEE;  // bottom-left B, G, R
  bits[12 + 8 + 2] = 200;                                  // top-right red
  EXPECT_EQ(setDIBits(dc, bmp, 0, 2, bits, header(3, 2)), 2);
  Surface s = bitmapPixels(bmp);
  EXPECT_EQ(s.pixel(0, 1), rgb(3, 2, 1));
  EXPECT_EQ(s.pixel(2, 0), rgb(200, 0, 0));
  // Top-down 24-bit, rows padded to 4 bytes.
  std::vector<std::uint8_t> rows(2 * 12, 0);
  rows[2] = 77;  // top-left red
  EXPECT_EQ(setDIBits(dc, bmp, 0, 2, rows, header(3, -2, 24)), 2);
  EXPECT_EQ(bitmapPixels(bmp).pixel(0, 0), rgb(77, 0, 0));
  // And back out again.
  std::vector<std::uint8_t> out(3 * 2 * 4);
  BitmapInfoHeader h = header(3, 2);
  EXPECT_EQ(getDIBits(dc, bmp, 0, 2, out, h), 2);
  EXPECT_EQ(out[4 * 3 + 2], 77);  // scan line 1 is the top row
  // Arguments that do not fit change nothing.
  std::vector<std::uint8_t> tooSmall(4);
  EXPECT_EQ(setDIBits(dc, bmp, 0, 2, tooSmall, header(3, 2)), 0);
  EXPECT_EQ(setDIBits(dc, bmp, 0, 2, bits, header(3, 2, 8)), 0);
  EXPECT_EQ(setDIBits(dc, bmp, 5, 2, bits, header(3, 2)), 0);
  EXPECT_TRUE(deleteObject(bmp));
  EXPECT_EQ(setDIBits(dc, bmp, 0, 2, bits, header(3, 2)), 0);
  deleteDC(dc);
}

TEST(Dib, StretchDIBitsScalesTheSourceRectangleMeasuredFromTheBottom) {
  // A 4x4 bottom-up DIB whose rows from the bottom have red 0, 10, 20, 30.
  std::vector<std::uint8_t> bits(4 * 4 * 4, 0);
  for (int scan = 0; scan < 4; ++scan)
    for (int x = 0; x < 4; ++x) bits[(scan * 4 + x) * 4 + 2] = static_cast<std::uint8_t>(scan * 10 + x);
  Handle dc = createCompatibleDC(0);
  Handle bmp = createCompatibleBitmap(0, 4, 4);
  selectObject(dc, bmp);
  // Source (0, 0, 2, 2): the bottom-left quarter, blown up to the whole bitmap.
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 2, bits, header(4, 4), kDibRgbColors, kSrcCopy), 4);
  Surface s = bitmapPixels(bmp);
  EXPECT_EQ(redOf(s.pixel(0, 3)), 0);
  EXPECT_EQ(redOf(s.pixel(3, 3)), 1);
  EXPECT_EQ(redOf(s.pixel(0, 0)), 10);
  EXPECT_EQ(redOf(s.pixel(3, 0)), 11);
  // One to one, and refusals.
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 4, 4, 0, 0, 4, 4, bits, header(4, 4), kDibRgbColors, kSrcCopy), 4);
  EXPECT_EQ(redOf(bitmapPixels(bmp).pixel(3, 0)), 33);
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 4, 4, 0, 0, 0, 4, bits, header(4, 4), kDibRgbColors, kSrcCopy), 0);
  EXPECT_EQ(stretchDIBits(dc, 0, 0, 4, 4, 0, 0, 4, 4, bits, header(4, 8), kDibRgbColors, kSrcCopy), 0);
  EXPECT_EQ(stretchDIBits(bmp, 0, 0, 4, 4, 0, 0, 4, 4, bits, header(4, 4), kDibRgbColors, kSrcCopy), 0);
  deleteDC(dc);
  deleteObject(bmp);
}

TEST(Dib, GetObjectAnswersBitmapsOnly) {
  Handle bmp = createCompatibleBitmap(0, 7, 5);
  BitmapRecord r;
  EXPECT_EQ(getObject(bmp, r), 24);
  EXPECT_EQ(r.bmWidth, 7);
  EXPECT_EQ(r.bmHeight, 5);
  EXPECT_EQ(r.bmWidthBytes, 28);
  EXPECT_EQ(r.bmPlanes, 1);
  EXPECT_EQ(r.bmBitsPixel, 32);
  Handle dc = createCompatibleDC(0);
  EXPECT_EQ(getObject(dc, r), 0);
  deleteDC(dc);
  EXPECT_EQ(getObject(dc, r), 0);
  deleteObject(bmp);
  EXPECT_EQ(getObject(bmp, r), 0);
  EXPECT_EQ(selectObject(createCompatibleDC(0), bmp), 0u);
}

}  // namespace
}  // namespace rc::display
