// GIF image data decoded by the string-copying decoder must give what
// giflib's own line reader gives, for every code width, for tables that fill
// up without a clear code, and for the string that refers to itself; data
// that ends early or uses an undefined code is refused.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "GifOracle.h"
#include "PictureSamples.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/LzwDecoder.h"

namespace rc::testing {
namespace {

using sim::converters::decodeGif;
using sim::converters::decodeLzw;

// `codes` packed least significant bit first, each as wide as a GIF
// decoder reads it: minCodeSize + 1 bits after a clear code, one more each
// time the codes read pass the next power of two, at most 12.
std::vector<std::uint8_t> pack(const std::vector<std::uint32_t>& codes, int minCodeSize) {
  std::vector<std::uint8_t> out;
  std::uint64_t buffer = 0;
  int count = 0, bits = minCodeSize + 1;
  const std::uint32_t clear = 1u << minCodeSize;
  std::uint32_t running = clear + 2, limit = 1u << bits;
  for (std::uint32_t code : codes) {
    buffer |= std::uint64_t{code} << count;
    count += bits;
    for (; count >= 8; count -= 8, buffer >>= 8) out.push_back(static_cast<std::uint8_t>(buffer));
    if (code == clear) {
      bits = minCodeSize + 1, running = clear + 2, limit = 1u << bits;
    } else if (running < 4097 && ++running > limit && bits < 12) {
      limit <<= 1;
      ++bits;
    }
  }
  if (count > 0) out.push_back(static_cast<std::uint8_t>(buffer));
  return out;
}

// A plain LZW encoder. Unlike giflib's encoder it sends no clear code when
// the table is full (the table then stays as it is), unless `clearWhenFull`.
std::vector<std::uint8_t> encodeLzw(const std::vector<std::uint8_t>& pixels, int minCodeSize, bool clearWhenFull) {
  const std::uint32_t clear = 1u << minCodeSize, end = clear + 1;
  std::vector<std::uint32_t> codes = {clear};
  std::map<std::pair<std::uint32_t, std::uint8_t>, std::uint32_t> table;
  std::uint32_t next = end + 1;
  std::uint32_t w = pixels.at(0);
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    const std::uint8_t c = pixels[i];
    if (auto found = table.find({w, c}); found != table.end()) {
      w = found->second;
      continue;
    }
    codes.push_back(w);
    if (next < 4096) {
      table[{w, c}] = next++;
    } else if (clearWhenFull) {
      codes.push_back(clear);
      table.clear();
      next = end + 1;
    }
    w = c;
  }
  codes.push_back(w);
  codes.push_back(end);
  return pack(codes, minCodeSize);
}

// Pictures whose strings range from single pixels to whole rows.
std::vector<std::uint8_t> picture(std::mt19937& random, int w, int h, int colours, int kind) {
  std::vector<std::uint8_t> p(static_cast<std::size_t>(w) * h);
  std::uniform_int_distribution<int> colour(0, colours - 1);
  std::uniform_int_distribution<int> run(1, kind == 0 ? 1 : kind == 1 ? 12 : 4000);
  for (std::size_t i = 0; i < p.size();) {
    const auto c = static_cast<std::uint8_t>(colour(random));
    for (int n = run(random); n > 0 && i < p.size(); --n) p[i++] = c;
  }
  return p;
}

TEST(LzwDecoderTest, DecodesAsGiflibDoesForEveryWidthAndTableState) {
  std::mt19937 random(11);
  int cases = 0;
  for (int bits = 1; bits <= 8; ++bits) {
    const int minCodeSize = std::max(bits, 2);
    for (int kind = 0; kind < 3; ++kind) {
      for (bool clearWhenFull : {false, true}) {
        const int w = 37 + 50 * kind, h = 123;
        const std::vector<std::uint8_t> pixels = picture(random, w, h, 1 << bits, kind);
        const std::string file = gifOf(w, h, bits, minCodeSize, encodeLzw(pixels, minCodeSize, clearWhenFull));
        ASSERT_EQ(giflibIndices(file), pixels) << "the test's encoder is wrong: " << bits << " bits, kind " << kind;
        auto image = decodeGif(bytesOf(file));
        ASSERT_TRUE(image) << bits << " bits, kind " << kind << ", clear when full " << clearWhenFull;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
          const std::uint8_t grey = static_cast<std::uint8_t>(pixels[i] * 255 / ((1 << bits) - 1));
          ASSERT_EQ(image->pixels()[i], display::rgb(grey, grey, grey)) << "pixel " << i << ", " << bits << " bits";
        }
        ++cases;
      }
    }
  }
  EXPECT_EQ(cases, 48);
}

TEST(LzwDecoderTest, AFullTableKeepsEveryEntryToItsLast) {
  // Index 0 sent 4091 times defines codes 6 to 4095, each "00"; then the
  // last code, with no clear code between.
  std::vector<std::uint32_t> codes = {4};
  codes.insert(codes.end(), 4091, 0);
  codes.push_back(4095);
  codes.push_back(5);
  const std::vector<std::uint8_t> data = pack(codes, 2);
  const std::vector<std::uint8_t> pixels(4093, 0);
  ASSERT_EQ(giflibIndices(gifOf(4093, 1, 2, 2, data)), pixels);
  std::vector<std::uint8_t> out(pixels.size(), 7);
  ASSERT_TRUE(decodeLzw(data, 2, out));
  EXPECT_EQ(out, pixels);
}

TEST(LzwDecoderTest, ARunLongerThanTheTableIsCopiedWhole) {
  // One colour throughout: every code after the first is the string that
  // refers to itself or one made of it, and the strings grow past 4000.
  const std::vector<std::uint8_t> pixels(4096 * 64, 1);
  const std::vector<std::uint8_t> data = encodeLzw(pixels, 2, false);
  std::vector<std::uint8_t> out(pixels.size(), 9);
  ASSERT_TRUE(decodeLzw(data, 2, out));
  EXPECT_EQ(out, pixels);
  // Fewer pixels wanted than the data holds: the rest is ignored.
  std::vector<std::uint8_t> part(1000, 9);
  ASSERT_TRUE(decodeLzw(data, 2, part));
  EXPECT_EQ(part, std::vector<std::uint8_t>(1000, 1));
}

TEST(LzwDecoderTest, RefusesDataThatEndsEarlyOrUsesAnUndefinedCode) {
  std::mt19937 random(5);
  const std::vector<std::uint8_t> pixels = picture(random, 40, 40, 16, 1);
  const std::vector<std::uint8_t> data = encodeLzw(pixels, 4, false);
  std::vector<std::uint8_t> out(pixels.size());
  ASSERT_TRUE(decodeLzw(data, 4, out));
  // The data cut short, and more pixels wanted than it holds (the end code).
  EXPECT_FALSE(decodeLzw(std::span(data).first(data.size() / 2), 4, out));
  std::vector<std::uint8_t> more(pixels.size() + 1);
  EXPECT_FALSE(decodeLzw(data, 4, more));
  // Clear, then code 20 (five bits: 16 is clear, 17 the end, nothing defined yet).
  const std::vector<std::uint8_t> undefined = {0x90, 0x02, 0x00};
  EXPECT_FALSE(decodeLzw(undefined, 4, out));
  // Code sizes GIF does not have.
  EXPECT_FALSE(decodeLzw(data, 0, out));
  EXPECT_FALSE(decodeLzw(data, 9, out));
  // Through the file reader: a wide image with next to no data is refused
  // before its buffer, or the screen's, is made (16000 x 8000 is within the
  // pixel limit).
  const std::string tiny = gifOf(16000, 8000, 1, 2, {0x04, 0x00}, 4);
  std::string why;
  EXPECT_FALSE(decodeGif(bytesOf(tiny), &why));
  EXPECT_EQ(why, "the GIF image data is damaged or ends early");
}

}  // namespace
}  // namespace rc::testing
