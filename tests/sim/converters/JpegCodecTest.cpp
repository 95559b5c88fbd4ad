// JPEG reading: a whole file decodes; one cut anywhere is refused with a
// reason rather than answered as a picture whose rest is grey.
#include <gtest/gtest.h>

#include <string>

#include "PictureSamples.h"
#include "sim/converters/JpegCodec.h"

namespace rc::testing {
namespace {

using sim::converters::decodeJpeg;
using sim::converters::encodeJpeg;

TEST(JpegCodec, AFileCutAnywhereIsRefusedWithAReason) {
  display::Surface picture(64, 48, display::rgb(0, 0, 0));
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      picture.row(y)[x] = display::rgb(static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 5),
                                       static_cast<std::uint8_t>((x ^ y) * 4));
  const std::string whole = encodeJpeg(picture, 90);
  std::string why;
  ASSERT_TRUE(decodeJpeg(bytesOf(whole), &why)) << why;
  // Cut in the headers, in the scan data and before the end marker (as a
  // PNG without its IEND is refused).
  ASSERT_EQ(whole.substr(whole.size() - 2), "\xFF\xD9");
  for (std::size_t length : {std::size_t{20}, whole.size() / 2, whole.size() * 3 / 4, whole.size() - 2}) {
    SCOPED_TRACE(length);
    why.clear();
    EXPECT_FALSE(decodeJpeg(bytesOf(whole.substr(0, length)), &why));
    EXPECT_EQ(why.rfind("damaged JPEG file: ", 0), 0u) << why;
  }
  why.clear();
  EXPECT_FALSE(decodeJpeg(bytesOf(whole.substr(0, whole.size() / 2)), &why));
  EXPECT_EQ(why, "damaged JPEG file: the file ends early");
}

}  // namespace
}  // namespace rc::testing
