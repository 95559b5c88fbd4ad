// GIF writing and reading: exact colours up to 256, deterministic
// quantisation beyond, and damaged files refused.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <set>

#include "PictureSamples.h"
#include "sim/converters/GifCodec.h"

namespace rc::testing {
namespace {

using sim::converters::decodeGif;
using sim::converters::encodeGif;

std::string reasonFor(const std::string& gif) {
  std::string why;
  EXPECT_FALSE(decodeGif(bytesOf(gif), &why)) << "accepted";
  return why;
}

// A GIF file with a screen of w x h and no image data.
std::string screenOnly(std::uint16_t w, std::uint16_t h, bool colourTable) {
  std::string g = "GIF89a";
  g += static_cast<char>(w & 0xFF);
  g += static_cast<char>(w >> 8);
  g += static_cast<char>(h & 0xFF);
  g += static_cast<char>(h >> 8);
  g += static_cast<char>(colourTable ? 0x80 : 0x00);  // global table of 2 colours
  g += '\0';
  g += '\0';
  if (colourTable) g += std::string("\0\0\0\xFF\xFF\xFF", 6);
  return g;
}

TEST(GifCodecTest, UpTo256ColoursRoundTripExactly) {
  for (const display::Surface& picture : {fewColours(), manyColours(256), manyColours(1), fewColours(1, 1)}) {
    const std::string gif = encodeGif(picture);
    EXPECT_EQ(gif.substr(0, 4), "GIF8");
    auto back = decodeGif(bytesOf(gif));
    ASSERT_TRUE(back);
    EXPECT_TRUE(samePixels(*back, picture)) << picture.width() << "x" << picture.height();
  }
}

int appendTo(GifFileType* gif, const GifByteType* bytes, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  return length;
}

// A 4 x 10 interlaced GIF whose row y is colour index y % 2 (rows stored in
// the order 0 8 | 4 | 2 6 | 1 3 5 7 9), placed at (left, 1) on a 6 x 12
// screen with a background of index 2.
std::string interlacedGif(int left = 1) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendTo, &error);
  GifColorType colours[4] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {9, 9, 9}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifPutScreenDesc(gif, 6, 12, 2, 2, map);
  EGifPutImageDesc(gif, left, 1, 4, 10, true, nullptr);
  for (int y : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}) {
    GifPixelType line[4] = {0, 0, 0, 0};
    for (auto& p : line) p = static_cast<GifPixelType>(y % 2);
    EGifPutLine(gif, line, 4);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(GifCodecTest, InterlacedRowsGoToTheirPlaceOnTheScreen) {
  auto image = decodeGif(bytesOf(interlacedGif()));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 6);
  EXPECT_EQ(image->height(), 12);
  EXPECT_EQ(image->pixel(0, 0), display::rgb(0, 0, 255));  // background
  for (int y = 0; y < 10; ++y)
    EXPECT_EQ(image->pixel(2, y + 1), y % 2 ? display::rgb(255, 255, 255) : display::rgb(0, 0, 0)) << y;
  EXPECT_EQ(image->pixel(5, 5), display::rgb(0, 0, 255));
}

TEST(GifCodecTest, AnImageReachingPastTheScreenIsCutAtItsEdge) {
  auto image = decodeGif(bytesOf(interlacedGif(4)));  // columns 4 and 5 of 8 on the screen
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 6);
  for (int y = 0; y < 10; ++y) {
    const std::uint32_t row = y % 2 ? display::rgb(255, 255, 255) : display::rgb(0, 0, 0);
    EXPECT_EQ(image->pixel(3, y + 1), display::rgb(0, 0, 255)) << y;
    EXPECT_EQ(image->pixel(4, y + 1), row) << y;
    EXPECT_EQ(image->pixel(5, y + 1), row) << y;
  }
}

TEST(GifCodecTest, MoreColoursAreReducedTheSameWayEveryTime) {
  const display::Surface picture = manyColours(3000);
  const std::string first = encodeGif(picture);
  EXPECT_EQ(encodeGif(picture), first);
  auto back = decodeGif(bytesOf(first));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width(), picture.width());
  std::set<std::uint32_t> colours(back->pixels().begin(), back->pixels().end());
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 64u);
}

TEST(GifCodecTest, RefusesDamagedAndOversizedFiles) {
  const std::string gif = encodeGif(fewColours());
  EXPECT_EQ(reasonFor(""), "not a GIF file");
  EXPECT_EQ(reasonFor("BM" + gif), "not a GIF file");
  EXPECT_EQ(reasonFor(gif.substr(0, 8)), "the GIF header is damaged or ends early");
  EXPECT_EQ(reasonFor(gif.substr(0, gif.size() / 2)), "the GIF image data is damaged or ends early");
  EXPECT_EQ(reasonFor(screenOnly(0, 10, true) + ";"), "the GIF screen is empty");
  // A screen of 65535 x 65535 pixels is refused before anything is allocated for it.
  EXPECT_EQ(reasonFor(screenOnly(65535, 65535, true) + ";"),
            "the GIF screen is 65535 x 65535 pixels, more than the limit of 134217728 pixels (2^27) or 16384 on a side");
  // So is a screen within the side limit but beyond the pixel limit, whatever its images.
  EXPECT_EQ(reasonFor(screenOnly(16384, 8193, true) + ";").substr(0, 40), "the GIF screen is 16384 x 8193 pixels, m");
  EXPECT_EQ(reasonFor("GIF8"), "the GIF header is too short");
  EXPECT_EQ(reasonFor(screenOnly(4, 4, true) + ";"), "the GIF file holds no image");
  // An image without any colour table.
  EXPECT_EQ(reasonFor(screenOnly(4, 4, false) + std::string(",\0\0\0\0\x04\0\x04\0\0\x02\x02\x44\x01\0;", 17)),
            "the GIF file has no colour table");
  std::string corrupt = gif;
  for (std::size_t i = gif.size() / 2; i < gif.size() / 2 + 16; ++i) corrupt[i] = '\xFF';
  EXPECT_FALSE(decodeGif(bytesOf(corrupt)));
}

}  // namespace
}  // namespace rc::testing
