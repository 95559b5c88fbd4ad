// The CBF format: lossless round trip, and every kind of damaged file refused.
#include <gtest/gtest.h>

#include "PictureSamples.h"
#include "platform/display/Bmp.h"
#include "sim/converters/CbfFormat.h"

namespace rc::testing {
namespace {

using sim::converters::packCbf;
using sim::converters::unpackCbf;

// `cbf` with the declared length replaced.
std::string withDeclaredLength(std::string cbf, std::uint32_t length) {
  for (int i = 0; i < 4; ++i) cbf[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return cbf;
}

std::string reasonFor(const std::string& cbf) {
  std::string why;
  EXPECT_FALSE(unpackCbf(bytesOf(cbf), &why)) << "accepted";
  return why;
}

TEST(CbfFormatTest, PacksLosslesslyAndSmall) {
  const std::string bmp = display::encodeBmp24(fewColours(640, 480));
  const std::string cbf = packCbf(bmp);
  EXPECT_EQ(cbf.substr(0, 4), "CBF1");
  EXPECT_LT(cbf.size(), bmp.size() / 20);
  auto back = unpackCbf(bytesOf(cbf));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, bmp);
  // Data that does not compress comes back the same too.
  std::string noise(5000, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
  EXPECT_EQ(unpackCbf(bytesOf(packCbf(noise))).value(), noise);
}

TEST(CbfFormatTest, RefusesDamagedFilesWithTheirReason) {
  const std::string cbf = packCbf(display::encodeBmp24(fewColours()));
  EXPECT_EQ(reasonFor(""), "the CBF header is too short");
  EXPECT_EQ(reasonFor("CBF1\x01"), "the CBF header is too short");
  EXPECT_EQ(reasonFor("XBF1" + cbf.substr(4)), "not a CBF file");
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, 0)), "the CBF file declares an empty image");
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, 0xFFFFFFFF)), "the CBF file declares an image too large");
  // A declared length the data could never reach is refused before allocating it.
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, 1u << 30)), "the CBF data is shorter than its declared length");

  const std::uint32_t real = static_cast<std::uint32_t>(display::encodeBmp24(fewColours()).size());
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, real + 1)), "the CBF data is shorter than its declared length");
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, real - 1)), "the CBF data is longer than its declared length");
  EXPECT_EQ(reasonFor(cbf.substr(0, cbf.size() - 10)), "the CBF data is truncated");
  EXPECT_EQ(reasonFor(cbf.substr(0, 8)), "the CBF data is shorter than its declared length");
  EXPECT_EQ(reasonFor(cbf + "tail"), "the CBF file has data after its end");
  std::string corrupt = cbf;
  corrupt[8] = static_cast<char>(corrupt[8] ^ 0x5A);
  EXPECT_EQ(reasonFor(corrupt), "the CBF data is damaged");
}

}  // namespace
}  // namespace rc::testing
