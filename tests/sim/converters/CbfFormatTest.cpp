// The CBF format: lossless round trip, and every kind of damaged file refused.
#include <gtest/gtest.h>

#include "PictureSamples.h"
#include "platform/display/Bmp.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/PictureDecoding.h"

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
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, 1u << 29)), "the CBF data is shorter than its declared length");
  EXPECT_EQ(reasonFor(withDeclaredLength(cbf, (1u << 29) + (1u << 17))), "the CBF file declares an image too large");

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

namespace rc::testing {
namespace {

// A CBF file holding a 1-bit BMP whose header claims w x h pixels (the
// pixel data all zero: it packs to about a thousandth of its size).
std::string packedMonochrome(std::int32_t w, std::int32_t h) {
  std::string bmp = display::encodeBmp24(fewColours(1, 1));
  bmp.resize(62);
  const std::uint32_t stride = (static_cast<std::uint32_t>(w) + 31) / 32 * 4;
  const std::uint32_t size = 62 + stride * static_cast<std::uint32_t>(h);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put32(2, size), put32(10, 62), put32(18, static_cast<std::uint32_t>(w)), put32(22, static_cast<std::uint32_t>(h));
  bmp[28] = 1, bmp[29] = 0;
  put32(34, 0), put32(46, 2);
  put32(54, 0), put32(58, 0x00FFFFFF);
  bmp.resize(size, '\0');
  return packCbf(bmp);
}

TEST(CbfFormatTest, APackedPictureBeyondThePixelLimitIsRefusedFromItsHeader) {
  std::string why;
  // 16384 x 16384 at one bit a pixel: 32 MiB unpacked from about 150 KiB.
  const std::string bomb = packedMonochrome(16384, 16384);
  EXPECT_LT(bomb.size(), 256u << 10);
  EXPECT_FALSE(sim::converters::packedPictureAllowed(bytesOf(bomb), &why));
  EXPECT_EQ(why.substr(0, 37), "the BMP image is 16384 x 16384 pixels");
  why.clear();
  EXPECT_FALSE(sim::converters::decodePicture(bytesOf(bomb), &why));
  EXPECT_EQ(why.substr(0, 37), "the BMP image is 16384 x 16384 pixels");
  const std::string fine = packedMonochrome(64, 32);
  EXPECT_TRUE(sim::converters::packedPictureAllowed(bytesOf(fine)));
  auto picture = sim::converters::decodePicture(bytesOf(fine));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width(), 64);
}

TEST(CbfFormatTest, AnEmptyOrShortFileNamesTheFormatItStartsAs) {
  std::string why;
  EXPECT_FALSE(sim::converters::decodePicture({}, &why));
  EXPECT_EQ(why, "the file is empty");
  EXPECT_FALSE(sim::converters::decodePicture(bytesOf("GIF8"), &why));
  EXPECT_EQ(why, "the GIF header is too short");
  EXPECT_FALSE(sim::converters::decodePicture(bytesOf("CBF1"), &why));
  EXPECT_EQ(why, "the CBF header is too short");
  EXPECT_FALSE(sim::converters::decodePicture(bytesOf("BM"), &why));
  EXPECT_EQ(why, "BMP header is too short");
}

}  // namespace
}  // namespace rc::testing
