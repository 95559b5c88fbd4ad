// The exact comparison read, compared and encoded a block of rows at a
// time: its counters and PNG bytes against the whole pictures' comparison,
// and the pairs it leaves to the whole read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Core/imaging/PixelCompare.h"
#include "platform/display/Bmp.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/PictureDecoding.h"
#include "sim/converters/PngCodec.h"
#include "tests/support/TestSupport.h"
#include "tools/images/StreamedDiff.h"

namespace rc::tools {
namespace {

// A drawing: white paper, strokes, and with `moved` a few changed pixels.
display::Surface drawing(int w, int h, bool moved) {
  display::Surface s(w, h, 0xFFFFFF);
  for (int y = 0; y < h; y += 7) s.fillRect(0, y, w, 1, 0x202020);
  for (int x = 0; x < w; x += 11) s.fillRect(x, 0, 1, h, 0x202020);
  if (moved) {
    s.fillRect(w / 3, h / 2, 5, 3, 0xCC2222);
    s.setPixel(w - 1, h - 1, 0x000000);
    s.setPixel(0, 0, 0xFFFFFF);
  }
  return s;
}

class StreamedDiff : public ::testing::Test {
 protected:
  std::string put(const std::string& name, const std::string& bytes) {
    const std::string path = (std::filesystem::path(dir_.path()) / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  testing::ScratchFolder dir_;
};

TEST_F(StreamedDiff, CountersAndBytesAreThoseOfTheWholePictures) {
  // Sizes of one block and of many, odd widths, a single pixel.
  for (auto [w, h] : {std::pair{1, 1}, {13, 5}, {301, 250}, {1920, 64}}) {
    const display::Surface base = drawing(w, h, false), fresh = drawing(w, h, true);
    for (const char* kind : {"bmp", "png", "mixed"}) {
      const std::string k = kind;
      const std::string b = put("b", k == "png" ? sim::converters::encodePng(base) : display::encodeBmp24(base));
      const std::string n = put("n", k == "bmp" ? display::encodeBmp24(fresh) : sim::converters::encodePng(fresh));
      const std::optional<StreamedDifference> got = streamDifference(b, n);
      ASSERT_TRUE(got) << w << "x" << h << " " << kind;
      // The whole pictures' comparison, painted into the new one.
      display::Surface diff = fresh;
      auto dib = [](const display::Surface& s) {
        return core::DibPixels{std::span(reinterpret_cast<const std::uint8_t*>(s.pixels().data()), s.pixels().size() * 4),
                               s.width(), s.height(), true};
      };
      const core::PixelCounts counts = core::paintDifference(
          dib(fresh), dib(base),
          core::DiffTarget{std::span(reinterpret_cast<std::uint8_t*>(diff.row(0)), diff.pixels().size() * 4), true}, w, h);
      EXPECT_EQ(got->counts.unmatched, counts.unmatched) << w << "x" << h << " " << kind;
      EXPECT_EQ(got->counts.colourChange, counts.colourChange) << w << "x" << h << " " << kind;
      EXPECT_EQ(got->width, w);
      EXPECT_EQ(got->height, h);
      EXPECT_TRUE(got->png == sim::converters::encodePng(diff)) << w << "x" << h << " " << kind;
    }
  }
}

TEST_F(StreamedDiff, OtherPairsAndFilesThatFailAreLeftToTheWholeRead) {
  const display::Surface base = drawing(40, 30, false);
  const std::string bmp = display::encodeBmp24(base);
  const std::string png = sim::converters::encodePng(base);
  const std::string good = put("good.bmp", bmp);
  // Another size, another format, a file cut in its rows or its header,
  // damaged image data, a missing file, a folder.
  EXPECT_FALSE(streamDifference(good, put("wide.bmp", display::encodeBmp24(drawing(41, 30, false)))));
  EXPECT_FALSE(streamDifference(good, put("pic.gif", sim::converters::encodeGif(base))));
  EXPECT_FALSE(streamDifference(put("cut.bmp", bmp.substr(0, bmp.size() - 100)), good));
  EXPECT_FALSE(streamDifference(good, put("head.bmp", bmp.substr(0, 30))));
  EXPECT_FALSE(streamDifference(good, put("empty.bmp", "")));
  EXPECT_FALSE(streamDifference(good, put("cut.png", png.substr(0, png.size() - 30))));
  std::string damaged = png;
  damaged[png.find("IDAT") + 20] ^= 0x40;
  EXPECT_FALSE(streamDifference(put("damaged.png", damaged), good));
  EXPECT_FALSE(streamDifference(good, dir_.path() + "/missing.bmp"));
  EXPECT_FALSE(streamDifference(dir_.path(), good));
  // The same pair whole and well is compared.
  EXPECT_TRUE(streamDifference(good, put("same.png", png)));
}

}  // namespace
}  // namespace rc::tools
