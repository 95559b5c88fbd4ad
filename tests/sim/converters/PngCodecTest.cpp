// PNG reading at every layout libpng writes (grey, grey with alpha, RGB,
// RGBA, palette with and without transparency; 1 to 16 bits; interlaced),
// writing and reading back, and damaged or oversized files refused with a
// reason before anything is allocated for them.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <algorithm>
#include <functional>
#include <vector>

#include "PictureSamples.h"
#include "sim/converters/PictureDecoding.h"
#include "sim/converters/PngCodec.h"

namespace rc::testing {
namespace {

using sim::converters::decodePng;
using sim::converters::encodePng;

// One sample of a test image at (x, y): a channel value 0..max.
using Sample = std::function<unsigned(int x, int y, int channel)>;

struct Layout {
  int colourType;
  int depth;
  bool interlaced = false;
};

void appendTo(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), size);
}

// A PNG file of w x h written through libpng's own writer, the samples
// packed as the layout asks. For palette images `palette` (and `alpha`, its
// tRNS) give the colours and the sample is the index.
std::string writePng(int w, int h, Layout layout, const Sample& sample, const std::vector<png_color>& palette = {},
                     const std::vector<png_byte>& alpha = {}) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const int channels = layout.colourType == PNG_COLOR_TYPE_GRAY         ? 1
                       : layout.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                       : layout.colourType == PNG_COLOR_TYPE_RGB        ? 3
                       : layout.colourType == PNG_COLOR_TYPE_RGBA       ? 4
                                                                        : 1;
  // Rows packed MSB first at the bit depth, big-endian for 16 bits.
  std::vector<std::vector<png_byte>> rows(h);
  for (int y = 0; y < h; ++y) {
    std::vector<png_byte>& row = rows[y];
    row.assign((static_cast<std::size_t>(w) * channels * layout.depth + 7) / 8, 0);
    std::size_t bit = 0;
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) {
        const unsigned v = sample(x, y, c);
        if (layout.depth == 16) {
          row[bit / 8] = static_cast<png_byte>(v >> 8);
          row[bit / 8 + 1] = static_cast<png_byte>(v);
        } else {
          row[bit / 8] |= static_cast<png_byte>(v << (8 - layout.depth - bit % 8));
        }
        bit += layout.depth;
      }
  }
  if (setjmp(png_jmpbuf(png))) {
    ADD_FAILURE() << "libpng could not write the sample";
    png_destroy_write_struct(&png, &info);
    return out;
  }
  png_set_write_fn(png, &out, appendTo, nullptr);
  png_set_IHDR(png, info, w, h, layout.depth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!alpha.empty()) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_set_rows(png, info, pointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

display::Surface decoded(const std::string& file) {
  std::string why;
  std::optional<display::Surface> picture = decodePng(bytesOf(file), &why);
  EXPECT_TRUE(picture) << why;
  return picture.value_or(display::Surface());
}

std::string refusal(const std::string& file) {
  std::string why;
  EXPECT_FALSE(decodePng(bytesOf(file), &why)) << "accepted";
  EXPECT_FALSE(why.empty());
  return why;
}

// Expects `picture` to be w x h with `expected(x, y)` at every pixel.
void expectPixels(const display::Surface& picture, int w, int h, const std::function<std::uint32_t(int, int)>& expected,
                  const std::string& what) {
  ASSERT_EQ(picture.width(), w) << what;
  ASSERT_EQ(picture.height(), h) << what;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(picture.pixel(x, y), expected(x, y)) << what << " at " << x << "," << y;
}

TEST(PngCodecTest, EveryBitDepthOfEveryColourTypeReadsAsItsColours) {
  const int w = 13, h = 7;  // odd sizes: partial bytes at the row ends and partial Adam7 passes
  for (bool interlaced : {false, true}) {
    const std::string mode = interlaced ? " interlaced" : "";
    // Grey at 1, 2, 4, 8 and 16 bits: the sample scaled to 8 bits.
    for (int depth : {1, 2, 4, 8, 16}) {
      const unsigned max = (1u << depth) - 1;
      auto grey = [max](int x, int y, int) { return static_cast<unsigned>((x * 7 + y * 3) % (max + 1)); };
      const display::Surface p = decoded(writePng(w, h, {PNG_COLOR_TYPE_GRAY, depth, interlaced}, grey));
      expectPixels(p, w, h, [&](int x, int y) {
        const auto v = static_cast<std::uint8_t>((grey(x, y, 0) * 255 + max / 2) / max);
        return display::rgb(v, v, v);
      }, "grey " + std::to_string(depth) + mode);
    }
    // RGB at 8 and 16 bits (16-bit samples whose high byte is the colour).
    for (int depth : {8, 16}) {
      auto colour = [depth](int x, int y, int c) {
        const unsigned v = static_cast<unsigned>((x * 40 + y * 17 + c * 90) % 256);
        return depth == 16 ? v * 257 : v;
      };
      const display::Surface p = decoded(writePng(w, h, {PNG_COLOR_TYPE_RGB, depth, interlaced}, colour));
      expectPixels(p, w, h, [&](int x, int y) {
        auto at = [&](int c) { return static_cast<std::uint8_t>((x * 40 + y * 17 + c * 90) % 256); };
        return display::rgb(at(0), at(1), at(2));
      }, "RGB " + std::to_string(depth) + mode);
    }
    // RGBA and grey with alpha: opaque pixels as they are, clear ones white.
    auto rgba = [](int x, int y, int c) { return c == 3 ? ((x + y) % 2 ? 255u : 0u) : static_cast<unsigned>(x * 10 + c); };
    expectPixels(decoded(writePng(w, h, {PNG_COLOR_TYPE_RGBA, 8, interlaced}, rgba)), w, h, [](int x, int y) {
      return (x + y) % 2 ? display::rgb(x * 10, x * 10 + 1, x * 10 + 2) : 0xFFFFFFu;
    }, "RGBA" + mode);
    auto greyAlpha = [](int x, int y, int c) { return c == 1 ? ((x + y) % 2 ? 255u : 0u) : static_cast<unsigned>(y * 30); };
    expectPixels(decoded(writePng(w, h, {PNG_COLOR_TYPE_GRAY_ALPHA, 8, interlaced}, greyAlpha)), w, h, [](int x, int y) {
      return (x + y) % 2 ? display::rgb(y * 30, y * 30, y * 30) : 0xFFFFFFu;
    }, "grey+alpha" + mode);
    // Palettes at 1, 2, 4 and 8 bits, one entry clear through tRNS.
    for (int depth : {1, 2, 4, 8}) {
      const int entries = 1 << std::min(depth, 4);
      std::vector<png_color> palette;
      for (int i = 0; i < entries; ++i)
        palette.push_back({static_cast<png_byte>(i * 15), static_cast<png_byte>(200 - i * 10), static_cast<png_byte>(i)});
      std::vector<png_byte> alpha(entries, 255);
      alpha[1] = 0;
      auto index = [entries](int x, int y, int) { return static_cast<unsigned>((x + 2 * y) % entries); };
      const display::Surface p =
          decoded(writePng(w, h, {PNG_COLOR_TYPE_PALETTE, depth, interlaced}, index, palette, alpha));
      expectPixels(p, w, h, [&](int x, int y) {
        const png_color c = palette[index(x, y, 0)];
        return index(x, y, 0) == 1 ? 0xFFFFFFu : display::rgb(c.red, c.green, c.blue);
      }, "palette " + std::to_string(depth) + mode);
    }
  }
}

TEST(PngCodecTest, WrittenFilesReadBackExactly) {
  for (const display::Surface& picture : {fewColours(), manyColours(256), manyColours(1), fewColours(1, 1)}) {
    const std::string png = encodePng(picture);
    ASSERT_TRUE(sim::converters::looksLikePng(bytesOf(png)));
    const display::Surface back = decoded(png);
    EXPECT_EQ(back.width(), picture.width());
    EXPECT_EQ(back.pixels(), picture.pixels());
    // decodeImageFile tells it by its signature.
    auto any = sim::converters::decodeImageFile(bytesOf(png));
    ASSERT_TRUE(any);
    EXPECT_EQ(any->pixels(), picture.pixels());
  }
  EXPECT_THROW(encodePng(display::Surface()), std::runtime_error);
}

// The file libpng writes from 8-bit RGB rows with the encoder's settings
// (rows as differences from the row above, run-length deflate at level 1).
std::string referencePng(const display::Surface& picture) {
  std::vector<png_byte> rgb;
  for (std::uint32_t p : picture.pixels()) rgb.insert(rgb.end(), {display::redOf(p), display::greenOf(p), display::blueOf(p)});
  std::vector<png_bytep> rows;
  for (int y = 0; y < picture.height(); ++y) rows.push_back(rgb.data() + static_cast<std::size_t>(y) * picture.width() * 3);
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    ADD_FAILURE() << "libpng could not write the reference";
    png_destroy_write_struct(&png, &info);
    return out;
  }
  png_set_write_fn(png, &out, appendTo, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()), static_cast<png_uint_32>(picture.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_compression_strategy(png, Z_RLE);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngCodecTest, PicturesAreWrittenFromTheirOwnRowsByteForByteAsFromRgbRows) {
  // Odd sizes, and a fourth byte that is not 0, which the file leaves out.
  for (auto [w, h] : {std::pair{1, 1}, {3, 5}, {17, 2}, {64, 9}}) {
    display::Surface picture(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        picture.setPixel(x, y, display::rgb(static_cast<std::uint8_t>(x * 13), static_cast<std::uint8_t>(y * 29),
                                            static_cast<std::uint8_t>((x ^ y) * 7)) | (x % 3 ? 0xA5000000u : 0));
    const std::string written = encodePng(picture);
    EXPECT_EQ(written, referencePng(picture)) << w << "x" << h;
    const display::Surface back = decoded(written);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(back.pixel(x, y), picture.pixel(x, y) & 0xFFFFFF) << x << "," << y;
  }
}

TEST(PngCodecTest, RowsWrittenInBlocksAreTheBytesOfTheWholeAndOfLibpngAtEverySize) {
  // Widths about the shuffles' four-pixel steps, and pictures of many
  // IDAT chunks (a noisy one compresses badly).
  for (auto [w, h] : {std::pair{1, 1}, {2, 1}, {5, 3}, {7, 4}, {9, 2}, {131, 300}, {1920, 40}}) {
    display::Surface picture(w, h);
    std::uint32_t noise = 12345;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        noise = noise * 1103515245 + 12345;
        picture.setPixel(x, y, (x + y) % 5 ? noise >> 4 : 0xFFFFFFu);
      }
    const std::string whole = encodePng(picture);
    EXPECT_EQ(whole, referencePng(picture)) << w << "x" << h;
    sim::converters::PngRowWriter writer(w, h);
    for (int y = 0; y < h; y += 3) writer.write(picture.row(y), std::min(3, h - y));
    EXPECT_EQ(writer.finish(), whole) << w << "x" << h;
    EXPECT_TRUE(samePixels(decoded(whole), [&] {
      display::Surface opaque = picture;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) opaque.setPixel(x, y, picture.pixel(x, y) & 0xFFFFFF);
      return opaque;
    }())) << w << "x" << h;
  }
}

TEST(PngCodecTest, TheSplitWriterWritesLibpngsBytesAtEverySize) {
  // Tiny, under and over 16 KiB of image data, single rows, odd widths,
  // and pictures of many IDAT chunks: plain drawings and noise.
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {40, 40}, {75, 73}, {6000, 1}, {1, 6000}, {131, 300}, {1921, 97},
                      {1920, 1080}}) {
    for (bool noisy : {false, true}) {
      display::Surface picture = fewColours(w, h);
      std::uint32_t noise = 99;
      if (noisy)
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245 + 12345;
            if ((x * 7 + y) % 3 == 0) picture.setPixel(x, y, noise >> 5);
          }
      const std::string expected = encodePng(picture);
      sim::converters::PngSplitWriter writer(w, h);
      std::vector<std::uint8_t> prepared(writer.preparedRowBytes() * 7);
      for (int y = 0; y < h; y += 7) {
        const int count = std::min(7, h - y);
        writer.prepare(picture.row(y), count, prepared.data());
        writer.write(prepared.data(), count);
      }
      const std::string written = writer.finish();
      // Byte for byte, so the stream's checksum (the writer's own routine)
      // is checked against zlib's too.
      ASSERT_EQ(written.size(), expected.size()) << w << "x" << h << (noisy ? " noisy" : "");
      EXPECT_TRUE(written == expected) << w << "x" << h << (noisy ? " noisy" : "");
    }
  }
}

TEST(PngCodecTest, RgbRowsReadByTheShuffleMatchTheColoursAtEveryWidth) {
  for (int w = 1; w <= 21; ++w) {
    const int h = 3;
    auto colour = [](int x, int y, int c) { return static_cast<unsigned>((x * 37 + y * 11 + c * 71) % 256); };
    auto at = [&](int x, int y, int c) { return static_cast<std::uint8_t>(colour(x, y, c)); };
    expectPixels(decoded(writePng(w, h, {PNG_COLOR_TYPE_RGB, 8}, colour)), w, h,
                 [&](int x, int y) { return display::rgb(at(x, y, 0), at(x, y, 1), at(x, y, 2)); },
                 "RGB width " + std::to_string(w));
    // Partly clear pixels are laid over white, rounding to nearest.
    auto rgba = [&](int x, int y, int c) { return c == 3 ? static_cast<unsigned>((x * 50 + y) % 256) : colour(x, y, c); };
    expectPixels(decoded(writePng(w, h, {PNG_COLOR_TYPE_RGBA, 8}, rgba)), w, h, [&](int x, int y) {
      const unsigned a = rgba(x, y, 3);
      auto over = [a](unsigned c) { return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255); };
      return display::rgb(over(at(x, y, 0)), over(at(x, y, 1)), over(at(x, y, 2)));
    }, "RGBA width " + std::to_string(w));
  }
}

TEST(PngCodecTest, AnRgbFileWithATransparentColourShowsItWhite) {
  // tRNS of an RGB file names one colour clear: read through libpng's
  // expansion, not the plain RGB rows.
  const int w = 6, h = 2;
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ASSERT_FALSE(setjmp(png_jmpbuf(png)));
  png_set_write_fn(png, &out, appendTo, nullptr);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color_16 clear{0, 10, 20, 30, 0};
  png_set_tRNS(png, info, nullptr, 0, &clear);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < w; ++x) row.insert(row.end(), {static_cast<png_byte>(x % 2 ? 10 : 99), 20, 30});
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  expectPixels(decoded(out), w, h, [](int x, int) { return x % 2 ? 0xFFFFFFu : display::rgb(99, 20, 30); }, "tRNS");
}

TEST(PngCodecTest, DamageInsideTheImageDataIsRefusedThoughTheStreamChecksumIsLeftUnchecked) {
  // The stream's checksum is not verified; each chunk's CRC covers the
  // compressed bytes, the checksum at their end included.
  display::Surface picture = fewColours(300, 200);
  const std::string good = encodePng(picture);
  const std::size_t idat = good.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const std::uint32_t length = static_cast<std::uint8_t>(good[idat - 4]) << 24 | static_cast<std::uint8_t>(good[idat - 3]) << 16 |
                               static_cast<std::uint8_t>(good[idat - 2]) << 8 | static_cast<std::uint8_t>(good[idat - 1]);
  for (std::size_t at : {idat + 4 + length / 2, idat + 4 + length - 1, idat + 4 + length - 3}) {
    std::string damaged = good;
    damaged[at] ^= 0x10;
    EXPECT_NE(refusal(damaged).find("damaged PNG file"), std::string::npos) << at;
    // Whether read whole or a block of rows at a time.
    std::optional<sim::converters::PngRowReader> rows = sim::converters::PngRowReader::open(bytesOf(damaged));
    ASSERT_TRUE(rows);
    display::Surface into(300, 200);
    EXPECT_FALSE(rows->read(into.row(0), 200)) << at;
  }
  std::optional<sim::converters::PngRowReader> rows = sim::converters::PngRowReader::open(bytesOf(good));
  ASSERT_TRUE(rows);
  display::Surface into(300, 200);
  ASSERT_TRUE(rows->read(into.row(0), 150));
  ASSERT_TRUE(rows->read(into.row(150), 50));
  EXPECT_TRUE(samePixels(into, picture));
  EXPECT_FALSE(rows->read(into.row(0), 1));
}

TEST(PngCodecTest, AFileCutAnywhereIsRefusedWithoutACrash) {
  // Rows are read straight into the picture: a file cut at any byte is
  // refused with a reason (plain and interlaced alike), never half read.
  for (bool interlaced : {false, true}) {
    const std::string whole = writePng(37, 23, {PNG_COLOR_TYPE_RGB, 8, interlaced},
                                       [](int x, int y, int c) { return static_cast<unsigned>((x * 31 + y * 17 + c * 5) % 256); });
    ASSERT_TRUE(decodePng(bytesOf(whole)));
    for (std::size_t cut = 0; cut + 12 < whole.size(); cut += 7) {
      std::string why;
      EXPECT_FALSE(decodePng(bytesOf(whole.substr(0, cut)), &why)) << cut;
      EXPECT_FALSE(why.empty()) << cut;
    }
  }
}

// The big-endian 32-bit number at `at`.
void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// Sets the IHDR's size and mends its CRC, so only the size is wrong.
std::string withSize(std::string png, std::uint32_t w, std::uint32_t h) {
  put32(png, 16, w);
  put32(png, 20, h);
  put32(png, 29, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
  return png;
}

TEST(PngCodecTest, DamagedAndOversizedFilesAreRefusedWithAReason) {
  const std::string good = encodePng(fewColours());
  EXPECT_EQ(refusal(""), "not a PNG file");
  EXPECT_EQ(refusal("\x89PNG\r\n\x1a"), "not a PNG file");
  EXPECT_NE(refusal(good.substr(0, 8)).find("damaged PNG file"), std::string::npos);
  // Cut in the image data: libpng says so.
  EXPECT_NE(refusal(good.substr(0, good.size() - 20)).find("damaged PNG file"), std::string::npos);
  // A flipped bit in the header: its CRC no longer matches.
  std::string flipped = good;
  flipped[17] ^= 0x01;
  EXPECT_NE(refusal(flipped).find("damaged PNG file"), std::string::npos);
  // Data that does not inflate.
  std::string garbled = good;
  const std::size_t idat = garbled.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  for (std::size_t i = idat + 4; i < idat + 12; ++i) garbled[i] = '\xFF';
  EXPECT_NE(refusal(garbled).find("damaged PNG file"), std::string::npos);
  // Sizes beyond the limits are refused from the header alone (the file
  // holds far too little data for them: nothing is allocated first).
  EXPECT_NE(refusal(withSize(good, 16385, 1)).find("larger than the images"), std::string::npos);
  EXPECT_NE(refusal(withSize(good, 16384, 16384)).find("larger than the images"), std::string::npos);
  EXPECT_NE(refusal(withSize(good, 0, 5)).find("damaged PNG file"), std::string::npos);
  EXPECT_NE(refusal(withSize(good, 0x7FFFFFFF, 0x7FFFFFFF)).find("PNG"), std::string::npos);
}

}  // namespace
}  // namespace rc::testing
