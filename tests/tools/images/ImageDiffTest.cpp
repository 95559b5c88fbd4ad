// The tolerant image comparison: the YIQ distance and the anti-aliasing
// detector against pixels worked out by hand, the threshold's boundary,
// masks at the image's edges, regions, budgets and the difference image
// for people; and the report's area-averaged thumbnails.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/common/Command.h"
#include "tools/images/ImageDiff.h"
#include "tools/reports/ReportImages.h"

namespace rc::tools {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kGrey = 0x808080;

// A surface from rows of characters: '.' white, '#' black, 'g' grey, 'r' red.
display::Surface drawn(const std::vector<std::string>& rows) {
  display::Surface s(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const char c = rows[y][x];
      s.setPixel(x, y, c == '#' ? kBlack : c == 'g' ? kGrey : c == 'r' ? 0xFF0000 : kWhite);
    }
  return s;
}

TEST(ImageDiffTest, YiqDistanceMatchesTheFormulaWorkedByHand) {
  // y = .29889531 r + .58662247 g + .11448223 b, i and q likewise;
  // 0.5053 y^2 + 0.299 i^2 + 0.1957 q^2.
  EXPECT_NEAR(yiqDistance(0xFF0000, 0x000000), 10410.2468520858, 1e-6);
  EXPECT_NEAR(yiqDistance(0xFFFFFF, 0x000000), 32857.13315714265, 1e-6);
  EXPECT_NEAR(yiqDistance(display::rgb(200, 100, 50), display::rgb(190, 110, 40)), 31.887742875491256, 1e-9);
  EXPECT_EQ(yiqDistance(0x123456, 0x123456), 0);
  EXPECT_DOUBLE_EQ(maxYiqDistance(1), 35215);
  EXPECT_DOUBLE_EQ(maxYiqDistance(0.5), 35215 * 0.25);
}

TEST(ImageDiffTest, ThePixelAtTheThresholdAgreesAndOneStepBelowDiffers) {
  const std::uint32_t a = display::rgb(200, 100, 50), b = display::rgb(190, 110, 40);
  const double distance = yiqDistance(a, b);
  // The smallest threshold whose limit reaches the distance, and the one
  // just below it.
  double t = std::sqrt(distance / 35215);
  while (maxYiqDistance(t) < distance) t = std::nextafter(t, 1.0);
  while (maxYiqDistance(std::nextafter(t, 0.0)) >= distance) t = std::nextafter(t, 0.0);
  const double below = std::nextafter(t, 0.0);
  ASSERT_NEAR(t, 0.030091791455099114, 1e-12);
  display::Surface base(3, 3, a), fresh(3, 3, a);
  fresh.setPixel(1, 1, b);
  ImageDiffOptions options;
  options.threshold = t;
  EXPECT_EQ(compareImages(base, fresh, options).differing, 0);
  options.threshold = below;
  EXPECT_EQ(compareImages(base, fresh, options).differing, 1);
  // 0 is exact: the least change differs, and is what the library counts.
  options.threshold = 0;
  fresh.setPixel(1, 1, a + 1);
  const ImageDiffResult exact = compareImages(base, fresh, options);
  EXPECT_EQ(exact.differing, 1);
  EXPECT_EQ(exact.exact.colourChange, 1);
  EXPECT_EQ(exact.exact.unmatched, 0);
}

TEST(ImageDiffTest, AnEdgePixelIsAntiAliasedALonePixelIsNot) {
  // The grey pixel at (2, 2) sits between black and white: no neighbour of
  // its brightness, darker and brighter ones, and the brightest found first
  // (3, 1) has five white neighbours in both images.
  const display::Surface smooth = drawn({"###..", "###..", "##g..", "###..", "###.."});
  const display::Surface sharp = drawn({"###..", "###..", "###..", "###..", "###.."});
  EXPECT_TRUE(antialiased(smooth, 2, 2, sharp));
  // In a flat field: three equal neighbours at once.
  const display::Surface field = drawn({".....", ".....", ".....", ".....", "....."});
  const display::Surface dot = drawn({".....", ".....", "..#..", ".....", "....."});
  EXPECT_FALSE(antialiased(field, 2, 2, dot));
  // Only brighter neighbours: no slope through the pixel.
  EXPECT_FALSE(antialiased(dot, 2, 2, field));
  // In a corner of a 2 x 2 image: the darkest and brightest neighbours
  // have too few of their colour around them.
  const display::Surface corner = drawn({"g.", "#."});
  EXPECT_FALSE(antialiased(corner, 0, 0, corner));

  ImageDiffOptions options;
  options.ignoreAntialiasing = true;
  display::Surface human;
  const ImageDiffResult r = compareImages(sharp, smooth, options, &human);
  EXPECT_EQ(r.differing, 0);
  EXPECT_EQ(r.antialiased, 1);
  EXPECT_EQ(r.exact.colourChange, 1);
  EXPECT_TRUE(r.agrees);
  EXPECT_EQ(human.pixel(2, 2), kHumanAliasColour);
  const ImageDiffResult lone = compareImages(field, dot, options);
  EXPECT_EQ(lone.differing, 1);
  EXPECT_FALSE(lone.agrees);
}

TEST(ImageDiffTest, MasksAtTheEdgesCoverWhatLiesInsideTheImage) {
  const display::Surface base(6, 4, kWhite);
  display::Surface fresh(6, 4, kWhite);
  for (auto [x, y] : {std::pair{0, 0}, {5, 0}, {0, 3}, {5, 3}, {2, 2}}) fresh.setPixel(x, y, kBlack);
  ImageDiffOptions options;
  // One rectangle hanging over the right and bottom edges, one at the origin.
  options.masks = {{4, 2, 100, 100}, {0, 0, 1, 1}};
  display::Surface human;
  ImageDiffResult r = compareImages(base, fresh, options, &human);
  EXPECT_EQ(r.masked, 2);
  EXPECT_EQ(r.differing, 3);
  EXPECT_EQ(r.exact.unmatched, 5);  // the library's count, masks or not
  EXPECT_EQ(human.pixel(5, 3), kHumanMaskColour);
  EXPECT_EQ(human.pixel(4, 2), kHumanMaskColour);  // masked though equal
  EXPECT_EQ(human.pixel(5, 0), kHumanDiffColour);
  // A mask image smaller than the images: its non-white pixels mask, beyond
  // it nothing does.
  options.masks.clear();
  options.maskImage = drawn({"#.....", "......", "..g..."});
  options.maskImageName = "x.mask.png";
  r = compareImages(base, fresh, options);
  EXPECT_EQ(r.masked, 2);
  EXPECT_EQ(r.differing, 3);
  EXPECT_EQ(options.describe(), "mask image x.mask.png");
  // A mask over all of it.
  options.maskImage.reset();
  options.masks = {{0, 0, 6, 4}};
  r = compareImages(base, fresh, options);
  EXPECT_EQ(r.differing, 0);
  EXPECT_TRUE(r.agrees);
  EXPECT_TRUE(r.regions.empty());
}

TEST(ImageDiffTest, MaskOptionsAreFourWholeNumbers) {
  EXPECT_EQ(parseMaskOption("1,2,3,4"), (PixelBox{1, 2, 3, 4}));
  for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,3,x", "-1,0,3,3", "0,0,0,3", "1, 2,3,4", "1,2,3,4 ",
                          "99999999999,1,1,1"})
    EXPECT_THROW(parseMaskOption(bad), UsageError) << bad;
  EXPECT_DOUBLE_EQ(parseThresholdOption("0.1"), 0.1);
  for (const char* bad : {"", "-0.1", "1.5", "nan", "0.1x"}) EXPECT_THROW(parseThresholdOption(bad), UsageError) << bad;
}

TEST(ImageDiffTest, AMovedLineIsOneRegionAndFarChangesAreSeveral) {
  display::Surface base(40, 20, kWhite), fresh(40, 20, kWhite);
  base.fillRect(10, 2, 1, 12, kBlack);
  fresh.fillRect(11, 2, 1, 12, kBlack);  // moved one pixel right
  fresh.setPixel(30, 15, kBlack);
  fresh.setPixel(32, 17, kBlack);  // two pixels apart: joined
  fresh.setPixel(38, 2, kBlack);   // far from everything
  const ImageDiffResult r = compareImages(base, fresh, {});
  ASSERT_EQ(r.regions.size(), 3u);
  EXPECT_EQ(r.regions[0], (PixelBox{10, 2, 2, 12}));
  EXPECT_EQ(r.regions[1], (PixelBox{30, 15, 3, 3}));
  EXPECT_EQ(r.regions[2], (PixelBox{38, 2, 1, 1}));
  EXPECT_EQ(r.differing, 24 + 3);
  // Three apart is a gap too wide.
  std::vector<std::uint8_t> map(10, 0);
  map[1] = map[5] = 1;
  EXPECT_EQ(findRegions(map, 10, 1).size(), 2u);
  map[4] = 1;
  EXPECT_EQ(findRegions(map, 10, 1), (std::vector<PixelBox>{{1, 0, 5, 1}}));
  // A U shape whose arms meet only below: one region.
  const display::Surface u = drawn({"#...#", "#...#", "#####"});
  const display::Surface blank = drawn({".....", ".....", "....."});
  EXPECT_EQ(compareImages(blank, u, {}).regions, (std::vector<PixelBox>{{0, 0, 5, 3}}));
}

TEST(ImageDiffTest, BudgetsOfPixelsAndRatioDecideAndSizeChangesCount) {
  display::Surface base(10, 10, kWhite), fresh(10, 10, kWhite);
  fresh.fillRect(0, 0, 5, 1, kBlack);  // 5 of 100 pixels
  ImageDiffOptions options;
  EXPECT_FALSE(compareImages(base, fresh, options).agrees);
  options.maxDiffPixels = 5;
  EXPECT_TRUE(compareImages(base, fresh, options).agrees);
  options.maxDiffRatio = 0.04;  // the smaller budget holds
  EXPECT_FALSE(compareImages(base, fresh, options).agrees);
  options.maxDiffPixels.reset();
  options.maxDiffRatio = 0.05;
  EXPECT_TRUE(compareImages(base, fresh, options).agrees);
  EXPECT_EQ(options.describe(), "max diff ratio 0.05");
  // A wider image: the size change is beyond a budget of 0 pixels each way,
  // and the new column counts as differing where it is not white.
  const display::Surface wider(11, 10, kWhite);
  ImageDiffResult r = compareImages(base, wider, options);
  EXPECT_EQ(r.sizeChangeX, 1);
  EXPECT_EQ(r.compared, 110);
  EXPECT_FALSE(r.agrees);
  options.maxDiffPixels = 1;
  EXPECT_TRUE(compareImages(base, wider, options).agrees);
}

TEST(ImageDiffTest, TheHumanImageFadesTheBaselineAndPaintsChangesRed) {
  const display::Surface base = drawn({"#.", ".."});
  const display::Surface fresh = drawn({"#.", ".r"});
  display::Surface human;
  compareImages(base, fresh, {}, &human);
  // Grey 255 + (Y - 255) * 0.1: black becomes 229.5, rounded to 230.
  EXPECT_EQ(human.pixel(0, 0), display::rgb(230, 230, 230));
  EXPECT_EQ(human.pixel(1, 0), kWhite);
  EXPECT_EQ(human.pixel(1, 1), kHumanDiffColour);
}

TEST(ImageDiffTest, DescriptionsNameEveryOptionInForce) {
  ImageDiffOptions o;
  EXPECT_FALSE(o.tolerant());
  o.maxDiffPixels = 3;  // the library's tolerance alone is not tolerant
  EXPECT_FALSE(o.tolerant());
  EXPECT_EQ(o.describe(), "");
  o.threshold = 0.1;
  o.ignoreAntialiasing = true;
  o.masks = {{0, 0, 1, 1}, {1, 1, 1, 1}};
  EXPECT_EQ(o.describe(), "threshold 0.1, anti-aliasing ignored, 2 masks, max diff pixels 3");
}

TEST(ReportImagesTest, ThumbnailsAverageAreasSoAThinLineStaysAShade) {
  display::Surface wide(640, 10, kWhite);
  wide.fillRect(101, 0, 1, 10, kBlack);  // one pixel wide, at an odd column
  const display::Surface thumb = areaThumbnail(wide, 320);
  ASSERT_EQ(thumb.width(), 320);
  ASSERT_EQ(thumb.height(), 5);
  // Column 50 stands for source columns 100 and 101: half black.
  EXPECT_EQ(thumb.pixel(50, 2), display::rgb(128, 128, 128));
  EXPECT_EQ(thumb.pixel(49, 2), kWhite);
  EXPECT_EQ(thumb.pixel(51, 2), kWhite);
  // Not wider than the limit: the image itself.
  EXPECT_EQ(areaThumbnail(thumb, 320).pixels(), thumb.pixels());
  // An odd ratio still covers every source pixel once.
  display::Surface odd(1000, 3, kBlack);
  const display::Surface t = areaThumbnail(odd, 320);
  for (std::uint32_t p : t.pixels()) EXPECT_EQ(p, kBlack);
}

}  // namespace
}  // namespace rc::tools
