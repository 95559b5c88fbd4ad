// GIF image data written by the run-skipping encoder must read back through
// giflib's own line reader as the indices it was given: flat areas, runs
// longer than the table can hold, noise that fills the table again and
// again, and every code size.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "GifOracle.h"
#include "PictureSamples.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/LzwEncoder.h"

namespace rc::testing {
namespace {

using sim::converters::encodeLzw;

// Runs of random lengths up to `longest` of random indices below 2^bits.
std::vector<std::uint8_t> runsOf(std::mt19937& random, std::size_t n, int bits, int longest) {
  std::vector<std::uint8_t> p(n);
  std::uniform_int_distribution<int> index(0, (1 << bits) - 1), run(1, longest);
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<std::uint8_t>(index(random));
    for (int k = run(random); k > 0 && i < n; --k) p[i++] = c;
  }
  return p;
}

TEST(LzwEncoderTest, GiflibReadsBackEveryKindOfPicture) {
  std::mt19937 random(23);
  for (int bits = 1; bits <= 8; ++bits) {
    const int minCodeSize = std::max(bits, 2);
    for (int longest : {1, 3, 40, 9000}) {
      const int w = 97, h = 131;
      const std::vector<std::uint8_t> indices = runsOf(random, static_cast<std::size_t>(w) * h, bits, longest);
      const std::string file = gifOf(w, h, bits, minCodeSize, encodeLzw(indices, minCodeSize));
      ASSERT_EQ(giflibIndices(file), indices) << bits << " bits, runs up to " << longest;
    }
  }
}

TEST(LzwEncoderTest, OneColourThroughoutAndRunsThatCrossAClear) {
  // A single index: every code is a run one longer than the last.
  const std::vector<std::uint8_t> flat(1024 * 768, 3);
  const std::vector<std::uint8_t> data = encodeLzw(flat, 2);
  EXPECT_LT(data.size(), 2000u);
  EXPECT_EQ(giflibIndices(gifOf(1024, 768, 2, 2, data)), flat);
  // Noise fills the table; long runs then meet a table cleared in the middle of a run.
  std::mt19937 random(7);
  std::vector<std::uint8_t> mixed;
  for (int part = 0; part < 6; ++part) {
    const std::vector<std::uint8_t> noise = runsOf(random, 5000 + 977 * part, 8, 1);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    mixed.insert(mixed.end(), 3000 + 1500 * part, static_cast<std::uint8_t>(part));
  }
  const int w = 1000, h = static_cast<int>(mixed.size() / 1000);
  mixed.resize(static_cast<std::size_t>(w) * h);
  EXPECT_EQ(giflibIndices(gifOf(w, h, 8, 8, encodeLzw(mixed, 8))), mixed);
}

TEST(LzwEncoderTest, TheSameBytesAsGiflibsWriter) {
  // Round trips cannot tell when the table is cleared; giflib's writer can.
  // Noise fills the table (4096 codes) several times over, at every width.
  std::mt19937 random(41);
  for (int bits : {1, 2, 4, 8}) {
    for (int longest : {1, 5, 300}) {
      const int w = 211, h = 157;
      const std::vector<std::uint8_t> indices = runsOf(random, static_cast<std::size_t>(w) * h, bits, longest);
      EXPECT_EQ(encodeLzw(indices, std::max(bits, 2)), giflibLzwData(w, h, bits, indices))
          << bits << " bits, runs up to " << longest;
    }
  }
}

TEST(LzwEncoderTest, EncodedFilesRoundTripThroughTheReader) {
  // The whole writer, colour table and sub-blocks included, read by both decoders.
  display::Surface picture = fewColours(1024, 768);
  picture.fillRect(100, 100, 600, 1, display::rgb(1, 2, 3));
  const std::string gif = sim::converters::encodeGif(picture);
  auto back = sim::converters::decodeGif(bytesOf(gif));
  ASSERT_TRUE(back);
  EXPECT_TRUE(samePixels(*back, picture));
  const std::vector<std::uint8_t> indices = giflibIndices(gif);
  EXPECT_EQ(indices.size(), picture.pixels().size());
}

}  // namespace
}  // namespace rc::testing
