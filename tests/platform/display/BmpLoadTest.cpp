// LoadImage of BMP files: every bit depth and row order, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/os/Files.h"
#include "tests/support/TestSupport.h"

namespace rc::display {
namespace {

void put(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A BMP file of `width` x |height| pixels (height < 0: top-down) at `bpp`
// bits. `value(x, y)` (y from the top) is a palette index for bpp <= 8 and
// 0x00RRGGBB otherwise; `palette` is written as the colour table.
std::string bmpFile(int bpp, int width, int height, const std::vector<std::uint32_t>& palette,
                    const std::function<std::uint32_t(int, int)>& value, std::uint32_t compression = 0) {
  const int rows = height < 0 ? -height : height;
  const int stride = (width * bpp + 31) / 32 * 4;
  const std::uint32_t offset = 54 + static_cast<std::uint32_t>(palette.size()) * 4;
  std::string out = "BM";
  put(out, offset + stride * rows, 4);
  put(out, 0, 4);
  put(out, offset, 4);
  put(out, 40, 4);
  put(out, static_cast<std::uint32_t>(width), 4);
  put(out, static_cast<std::uint32_t>(height), 4);
  put(out, 1, 2);
  put(out, bpp, 2);
  put(out, compression, 4);
  put(out, stride * rows, 4);
  put(out, 0, 4);
  put(out, 0, 4);
  put(out, static_cast<std::uint32_t>(palette.size()), 4);
  put(out, 0, 4);
  for (std::uint32_t c : palette) put(out, c, 4);  // B, G, R, 0
  for (int r = 0; r < rows; ++r) {
    const int y = height > 0 ? rows - 1 - r : r;
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = value(x, y);
      if (bpp >= 24) {
        for (int b = 0; b < bpp / 8; ++b) row[x * (bpp / 8) + b] = static_cast<char>(b < 3 ? (v >> (8 * b)) & 0xFF : 0);
      } else {
        const int bit = x * bpp;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - bpp - bit % 8)));
      }
    }
    out += row;
  }
  return out;
}

class BmpLoad : public ::testing::Test {
 protected:
  Handle load(const std::string& bytes) {
    platform::writeFile(dir_ / "image.bmp", bytes);
    return loadImage(dir_ / "image.bmp");
  }
  testing::ScratchFolder dir_;
};

TEST_F(BmpLoad, EveryBitDepthAndRowOrder) {
  const std::vector<std::uint32_t> palette = {rgb(0, 0, 0), rgb(255, 255, 255), rgb(255, 0, 0), rgb(0, 128, 0)};
  auto pattern = [](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % 2); };
  for (int bpp : {1, 4, 8}) {
    for (int height : {3, -3}) {
      std::vector<std::uint32_t> colours(palette.begin(), palette.begin() + 2);
      Handle bmp = load(bmpFile(bpp, 9, height, colours, pattern));
      ASSERT_NE(bmp, 0u) << bpp << " " << height;
      Surface s = bitmapPixels(bmp);
      ASSERT_EQ(s.width(), 9);
      ASSERT_EQ(s.height(), 3);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(s.pixel(x, y), palette[pattern(x, y)]) << bpp << " " << x << "," << y;
      deleteObject(bmp);
    }
  }
  // Indices past a short colour table read as black; a full 8-bit table by default (clrUsed 0).
  Handle shortTable = load(bmpFile(8, 2, 1, {rgb(1, 2, 3)}, [](int x, int) { return x == 0 ? 0u : 5u; }));
  ASSERT_NE(shortTable, 0u);
  EXPECT_EQ(bitmapPixels(shortTable).pixel(0, 0), rgb(1, 2, 3));
  EXPECT_EQ(bitmapPixels(shortTable).pixel(1, 0), 0u);

  auto colour = [](int x, int y) { return rgb(static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 50), 7); };
  for (int bpp : {24, 32}) {
    for (int height : {4, -4}) {
      for (bool table : {false, true}) {
        std::vector<std::uint32_t> extra = table ? std::vector<std::uint32_t>{rgb(9, 9, 9)} : std::vector<std::uint32_t>{};
        Handle bmp = load(bmpFile(bpp, 5, height, extra, colour));
        ASSERT_NE(bmp, 0u) << bpp << " " << height;
        Surface s = bitmapPixels(bmp);
        EXPECT_EQ(s.pixel(4, 0), colour(4, 0));
        EXPECT_EQ(s.pixel(0, 3), colour(0, 3));
        deleteObject(bmp);
      }
    }
  }
}

TEST_F(BmpLoad, TwentyFourBitRowsOfEveryWidthReadExactly) {
  // Rows are unpacked four pixels at a time where the processor can, then
  // one at a time: every width from 1 to 40 (padded rows and rows without
  // padding), both row orders, from a buffer exactly the file's size, so a
  // read past the last row shows under the address sanitizer.
  for (int width = 1; width <= 40; ++width)
    for (int height : {3, -2}) {
      auto value = [width](int x, int y) {
        return rgb(static_cast<std::uint8_t>(x * 37 + y), static_cast<std::uint8_t>(width * 11 + x),
                   static_cast<std::uint8_t>(255 - x * 5 - y * 3));
      };
      const std::string file = bmpFile(24, width, height, {}, value);
      const std::vector<std::uint8_t> exact(file.begin(), file.end());
      std::string why;
      std::optional<Surface> s = decodeBmp(exact, &why);
      ASSERT_TRUE(s) << width << ": " << why;
      for (int y = 0; y < std::abs(height); ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(s->pixel(x, y), value(x, y)) << width << " at " << x << "," << y;
    }
}

TEST_F(BmpLoad, MalformedFilesAreRefusedWithANullHandle) {
  const std::string good = bmpFile(24, 4, 4, {}, [](int, int) { return 0u; });
  ASSERT_NE(load(good), 0u);
  EXPECT_EQ(load(good.substr(0, 40)), 0u);  // short header
  std::string longer = good + "xxxx";         // the size field no longer matches
  EXPECT_EQ(load(longer), 0u);
  std::string truncated = good.substr(0, good.size() - 4);
  truncated[2] = static_cast<char>(truncated.size());
  EXPECT_EQ(load(truncated), 0u);  // pixel data past the end
  EXPECT_EQ(load(bmpFile(8, 4, 4, {0}, [](int, int) { return 0u; }, 1)), 0u);  // RLE8
  // More than 2^28 pixels, refused from the header alone.
  std::string huge = good;
  huge[18] = 0, huge[19] = 0x40, huge[20] = 0, huge[21] = 0;  // width 16384
  huge[22] = 1, huge[23] = 0x40, huge[24] = 0, huge[25] = 0;  // height 16385
  EXPECT_EQ(load(huge), 0u);
  std::string depth = good;
  depth[28] = 16;
  EXPECT_EQ(load(depth), 0u);
  EXPECT_EQ(load("not a bitmap at all"), 0u);
  EXPECT_EQ(loadImage(dir_ / "missing.bmp"), 0u);
  EXPECT_EQ(loadImage(dir_.path()), 0u);  // a folder
  // Bit fields whose masks would lie past the end of a short file.
  std::string masks = good.substr(0, 60);
  masks[2] = 60, masks[3] = 0;
  masks[14] = 43;                        // an odd header length
  masks[28] = 32, masks[30] = 3;         // 32 bits, bit fields
  EXPECT_EQ(load(masks), 0u);
  std::string reason;
  EXPECT_FALSE(decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(huge.data()), huge.size()), &reason));
  EXPECT_EQ(reason, "the BMP image is 16384 x 16385 pixels, more than the limit of 134217728 pixels (2^27) or 16384 on a side");
  // Within the side limit, beyond the pixel limit: refused from the header
  // alone, whatever the file holds after it.
  std::string wide = huge;
  wide[22] = 1, wide[23] = 0x20;  // height 8193
  EXPECT_FALSE(bmpSizeAllowed(std::span(reinterpret_cast<const std::uint8_t*>(wide.data()), 26), &reason));
  EXPECT_EQ(reason.substr(0, 36), "the BMP image is 16384 x 8193 pixels");
  EXPECT_TRUE(bmpSizeAllowed(std::span(reinterpret_cast<const std::uint8_t*>(good.data()), 26)));
}

}  // namespace
}  // namespace rc::display

namespace rc::display {
namespace {

// decodeBmp of a file read as it is decoded, from `file` of which only the
// first `have` bytes can be read (a file that shrank after it was opened).
std::optional<Surface> decodeRead(const std::string& file, std::size_t have, std::string& why) {
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file.data()), have);
  const ReadAt readAt = [bytes](std::uint64_t at, std::span<std::uint8_t> out) -> std::size_t {
    if (at >= bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, out.begin());
    return n;
  };
  return decodeBmp(bytes.first(std::min(have, kBmpHead)), file.size(), readAt, &why);
}

TEST(BmpRead, FilesReadAsDecodedGiveTheWholeFilesPicturesAndRefusals) {
  const std::vector<std::uint32_t> palette = {rgb(0, 0, 0), rgb(255, 255, 255), rgb(255, 0, 0), rgb(0, 128, 0)};
  auto index = [](int x, int y) { return static_cast<std::uint32_t>((x * 3 + y) % 4); };
  auto colour = [](int x, int y) { return rgb(static_cast<std::uint8_t>(x * 9), static_cast<std::uint8_t>(y * 5), 77); };
  // Tall enough for several blocks of rows, both row orders, every depth.
  std::vector<std::string> files;
  for (int height : {-700, 700}) {
    files.push_back(bmpFile(24, 301, height, {}, colour));
    files.push_back(bmpFile(32, 257, height, {}, colour));
    files.push_back(bmpFile(8, 33, height, palette, index));
    files.push_back(bmpFile(4, 7, height, palette, index));
  }
  for (const std::string& file : files) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    std::string whole, read;
    std::optional<Surface> expected = decodeBmp(bytes, &whole);
    ASSERT_TRUE(expected) << whole;
    std::optional<Surface> got = decodeRead(file, file.size(), read);
    ASSERT_TRUE(got) << read;
    EXPECT_TRUE(got->pixels() == expected->pixels());
    // A block of rows at a time, top first.
    std::optional<BmpRowReader> rows = BmpRowReader::open(bytes.first(kBmpHead), file.size(),
        [bytes](std::uint64_t at, std::span<std::uint8_t> out) {
          std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
          return out.size();
        });
    ASSERT_TRUE(rows);
    Surface byRows(rows->width(), rows->height());
    for (int y = 0; y < rows->height(); y += 97) ASSERT_TRUE(rows->read(byRows.row(y), std::min(97, rows->height() - y)));
    EXPECT_FALSE(rows->read(byRows.row(0), 1));
    EXPECT_TRUE(byRows.pixels() == expected->pixels());
    // Cut or damaged headers are refused with the whole file's reasons.
    for (std::size_t cut : {std::size_t{0}, std::size_t{20}, std::size_t{60}, file.size() - 1}) {
      const std::string shorter = file.substr(0, cut);
      std::string a, b;
      EXPECT_FALSE(decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(shorter.data()), cut), &a));
      EXPECT_FALSE(decodeRead(shorter, cut, b));
      EXPECT_EQ(a, b) << cut;
    }
  }
  // A file that shrinks after it was opened: its rows run out while read.
  for (std::size_t have : {std::size_t{10}, std::size_t{100}, files[0].size() / 2, files[0].size() - 1}) {
    std::string why;
    EXPECT_FALSE(decodeRead(files[0], have, why)) << have;
    EXPECT_EQ(why, "BMP file is truncated") << have;
  }
}

}  // namespace
}  // namespace rc::display
