// clsBitmap: capture, the pixel array and its accessors, the records, the
// pixel comparison and its journal block.
#include <gtest/gtest.h>

#include <random>

#include "Core/imaging/BitmapRecords.h"
#include "Core/imaging/PixelCompare.h"
#include "Core/imaging/clsBitmap.h"
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Record.h"
#include "platform/automation/SafeArray.h"
#include "platform/display/Gdi.h"
#include "platform/display/Windows.h"
#include "tests/support/TestSupport.h"

namespace rc::testing {
namespace {

namespace dp = rc::display;
using automation::Variant;
using core::clsBitmap;

constexpr std::uint32_t kWhite = dp::rgb(255, 255, 255);

// A bitmap of the virtual display holding `s`.
std::int32_t bitmapOf(const dp::Surface& s) { return static_cast<std::int32_t>(dp::createBitmap(s)); }

std::shared_ptr<clsBitmap> imageOf(const dp::Surface& s) {
  auto b = std::make_shared<clsBitmap>();
  EXPECT_TRUE(b->SetBitmap(bitmapOf(s)));
  return b;
}

// The colour of the difference image at (x, y) from its top-left corner.
std::uint32_t diffAt(const clsBitmap& d, int x, int y) {
  const int scan = d.Height() - y;
  return dp::rgb(d.Array3DVal(3, x + 1, scan), d.Array3DVal(2, x + 1, scan), d.Array3DVal(1, x + 1, scan));
}

using BitmapTest = CoreTest;

TEST_F(BitmapTest, BitmapHandleGivesItsPixelsBottomUpFromOne) {
  dp::Surface s(5, 3, dp::rgb(0, 0, 0));
  s.setPixel(0, 2, dp::rgb(10, 20, 30));  // bottom left
  s.setPixel(4, 0, dp::rgb(40, 50, 60));  // top right
  clsBitmap b;
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.ImageDC(), 0);
  EXPECT_EQ(errorNumber([&] { b.Array3DVal(1, 1, 1); }), 9);
  ASSERT_TRUE(b.SetBitmap(bitmapOf(s)));
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_NE(b.ImageDC(), 0);
  EXPECT_EQ(b.Array3DVal(1, 1, 1), 30);  // blue of the bottom-left pixel
  EXPECT_EQ(b.Array3DVal(3, 1, 1), 10);
  EXPECT_EQ(b.Array3DVal(3, 5, 3), 40);  // red of the top-right pixel
  EXPECT_EQ(b.Array3DVal(4, 5, 3), 0);
  for (auto [i, p, sc] : {std::tuple{5, 1, 1}, {0, 1, 1}, {1, 0, 1}, {1, 6, 1}, {1, 1, 0}, {1, 1, 4}})
    EXPECT_EQ(errorNumber([&] { b.Array3DVal(i, p, sc); }), 9) << i << p << sc;
  b.SetArray3DVal(2, 5, 3, 77);
  EXPECT_EQ(b.Array3DVal(2, 5, 3), 77);
  EXPECT_EQ(dp::bitmapPixels(b.BMPSource).pixel(4, 0), dp::rgb(40, 50, 60));  // the bitmap is unchanged

  automation::SafeArray a = b.Array3D();
  ASSERT_EQ(a.dimensions(), 3);
  EXPECT_EQ(a.ubound(1), 4);
  EXPECT_EQ(a.ubound(2), 5);
  EXPECT_EQ(a.ubound(3), 3);
  EXPECT_EQ(a.get({2, 5, 3}), Variant(std::uint8_t{77}));

  automation::Record info = b.BMInfo();
  ASSERT_EQ(info.bytes().size(), 44u);
  automation::Record header = info.get("BMIHeader").asRecord();
  EXPECT_EQ(header.get("biSize"), Variant(40));
  EXPECT_EQ(header.get("biWidth"), Variant(5));
  EXPECT_EQ(header.get("biHeight"), Variant(3));
  EXPECT_EQ(header.get("biBitCount"), Variant(std::int16_t{32}));
  EXPECT_EQ(header.get("biSizeImage"), Variant(5 * 3 * 4));
  EXPECT_EQ(info.bytes()[4], 5);  // biWidth at offset 4, little-endian
}

TEST_F(BitmapTest, WindowCaptureTakesTheTopLeftOfTheWholeWindow) {
  dp::Handle frame = dp::createWindow(0, dp::Rect{0, 0, 400, 300}, [](dp::Surface& s) { s.fill(kWhite); });
  dp::Handle view = dp::createWindow(frame, dp::Rect{50, 40, 350, 240}, [](dp::Surface& s) {
    s.fill(dp::rgb(0, 0, 255));
    s.frameRect(0, 0, s.width() - 1, s.height() - 1, dp::rgb(255, 0, 0));
  });
  clsBitmap b;
  ASSERT_TRUE(b.SetBitmap(static_cast<std::int32_t>(frame), 300, 200));
  EXPECT_EQ(b.Width(), 300);
  automation::Record header = b.BMInfo().get("BMIHeader").asRecord();
  EXPECT_EQ(header.get("biWidth"), Variant(300));
  EXPECT_EQ(header.get("biHeight"), Variant(200));
  EXPECT_EQ(header.get("biSizeImage"), Variant(300 * 200 * 4));
  EXPECT_EQ(diffAt(b, 0, 0), kWhite);
  EXPECT_EQ(diffAt(b, 50, 40), dp::rgb(255, 0, 0));  // the child's outline, over the frame
  EXPECT_EQ(diffAt(b, 60, 50), dp::rgb(0, 0, 255));

  // A device context is used as it is; a handle that is neither gives False.
  dp::Handle dc = dp::getWindowDC(view);
  clsBitmap fromDc;
  EXPECT_TRUE(fromDc.SetBitmap(static_cast<std::int32_t>(dc), 10, 10));
  EXPECT_EQ(diffAt(fromDc, 0, 0), dp::rgb(255, 0, 0));
  clsBitmap nothing;
  EXPECT_FALSE(nothing.SetBitmap(12345, 4, 4));
  clsBitmap noSize;
  EXPECT_EQ(errorNumber([&] { noSize.SetBitmap(static_cast<std::int32_t>(frame)); }), 9);
  EXPECT_NE(noSize.ImageDC(), 0);
  dp::releaseDC(view, dc);
  dp::destroyWindow(frame);
}

TEST_F(BitmapTest, EndOfObjectDeletesItsDcAndBitmap) {
  std::int32_t bitmap = bitmapOf(dp::Surface(2, 2));
  dp::Handle dc = 0;
  {
    clsBitmap b;
    b.SetBitmap(bitmap);
    dc = static_cast<dp::Handle>(b.ImageDC());
    EXPECT_TRUE(dp::isDC(dc));
    // A second image releases the first one's DC and bitmap.
    std::int32_t second = bitmapOf(dp::Surface(3, 3));
    b.SetBitmap(second);
    EXPECT_FALSE(dp::isDC(dc));
    EXPECT_FALSE(dp::isBitmap(static_cast<dp::Handle>(bitmap)));
    bitmap = second;
    dc = static_cast<dp::Handle>(b.ImageDC());
  }
  EXPECT_FALSE(dp::isDC(dc));
  EXPECT_FALSE(dp::isBitmap(static_cast<dp::Handle>(bitmap)));
}

TEST_F(BitmapTest, ThePixelArrayIsThePictureSetBitmapSawWhateverComesAfter) {
  // The array is made from the picture only when first used: drawing on the
  // bitmap in between, a second SetBitmap or one that fails must not show.
  dp::Surface first(3, 2, dp::rgb(1, 2, 3));
  clsBitmap b;
  ASSERT_TRUE(b.SetBitmap(bitmapOf(first)));
  const auto bitmap = static_cast<dp::Handle>(b.BMPSource);
  dp::bitBlt(static_cast<dp::Handle>(b.ImageDC()), 0, 0, 3, 2, 0, 0, 0, dp::kWhiteness);
  EXPECT_EQ(dp::bitmapPixels(bitmap).pixel(0, 0), kWhite);
  EXPECT_EQ(diffAt(b, 0, 0), dp::rgb(1, 2, 3));
  EXPECT_EQ(b.pixels().bytes[0], 3);  // blue of the first pixel

  // A kept picture compares as its array does, and is replaced by the next.
  clsBitmap same, other;
  ASSERT_TRUE(same.SetBitmap(bitmapOf(first)));
  ASSERT_TRUE(other.SetBitmap(bitmapOf(dp::Surface(3, 2, dp::rgb(1, 2, 4)))));
  EXPECT_TRUE(core::sameColours(same.pixels(), imageOf(first)->pixels()));
  EXPECT_FALSE(core::sameColours(same.pixels(), other.pixels()));
  ASSERT_TRUE(same.SetBitmap(bitmapOf(dp::Surface(4, 1, dp::rgb(9, 9, 9)))));
  EXPECT_EQ(same.Width(), 4);
  EXPECT_EQ(diffAt(same, 3, 0), dp::rgb(9, 9, 9));
  // A SetBitmap that raises leaves no array, not the last picture's.
  EXPECT_EQ(errorNumber([&] { other.SetBitmap(bitmapOf(dp::Surface(0, 0))); }), 9);
  EXPECT_EQ(other.Array3D().dimensions(), 0);
}

TEST_F(BitmapTest, RecordsHaveThePlatformLayout) {
  namespace r = core::records;
  EXPECT_EQ(r::BITMAP().size, 24u);
  EXPECT_EQ(r::BITMAP().field("bmBits")->offset, 20u);
  EXPECT_EQ(r::BITMAPINFOHEADER().size, 40u);
  EXPECT_EQ(r::BITMAPINFOHEADER().field("biCompression")->offset, 16u);
  EXPECT_EQ(r::RGBQUAD().size, 4u);
  EXPECT_EQ(r::BITMAPINFO().size, 44u);
  EXPECT_EQ(r::BITMAPINFO().field("bmiColors")->offset, 40u);
  EXPECT_EQ(r::COLORQUAD().size, 4u);
  EXPECT_EQ(r::PicBmp().size, 20u);
  automation::Record q(r::COLORQUAD());
  q.set("rgbR", Variant(200));
  EXPECT_EQ(q.bytes()[2], 200);
  EXPECT_EQ(errorNumber([&] { q.set("rgbR", Variant(256)); }), 6);
  EXPECT_EQ(errorNumber([&] { q.get("nope"); }), 438);
  const auto& published = clsBitmap::classInfo().records;
  ASSERT_EQ(published.size(), 6u);
  EXPECT_EQ(published[5]->name, "PicBmp");
}

TEST_F(BitmapTest, CompareColoursEveryCaseAndCountsIt) {
  dp::Surface base(4, 2, kWhite), fresh(4, 2, kWhite);
  fresh.setPixel(0, 0, dp::rgb(1, 2, 3));     // baseline white: green, unmatched
  base.setPixel(1, 0, dp::rgb(9, 9, 9));      // new white: blue, unmatched
  base.setPixel(2, 0, dp::rgb(0, 0, 0));      // both coloured: magenta
  fresh.setPixel(2, 0, dp::rgb(255, 0, 0));
  base.setPixel(3, 1, dp::rgb(5, 5, 5));      // equal: white
  fresh.setPixel(3, 1, dp::rgb(5, 5, 5));
  auto b = imageOf(base), n = imageOf(fresh), d = imageOf(dp::Surface(4, 2));
  n->SetArray3DVal(4, 4, 1, 99);  // channel 4 takes no part
  d->SetArray3DVal(4, 1, 2, 42);  // and is left as it was in the difference image
  clsBitmap::Comparison c = d->paintComparison(*n, *b, 0);
  EXPECT_EQ(c.counts.unmatched, 2);
  EXPECT_EQ(c.counts.colourChange, 1);
  EXPECT_EQ(diffAt(*d, 0, 0), dp::rgb(0, 255, 0));
  EXPECT_EQ(diffAt(*d, 1, 0), dp::rgb(0, 0, 255));
  EXPECT_EQ(diffAt(*d, 2, 0), dp::rgb(255, 0, 255));
  EXPECT_EQ(diffAt(*d, 3, 0), kWhite);
  EXPECT_EQ(diffAt(*d, 3, 1), kWhite);
  EXPECT_EQ(d->Array3DVal(4, 1, 2), 42);
  // The difference image is written back into the bitmap too.
  EXPECT_EQ(dp::bitmapPixels(d->BMPSource).pixel(2, 0), dp::rgb(255, 0, 255));
  EXPECT_EQ(c.verdict.unmatchedText, "<U>Unmatched Pix:</U> 2");
  EXPECT_EQ(c.verdict.colourChangeText, "<U>ColorChange Pix:</U> 1");
  EXPECT_TRUE(c.verdict.sizeText.empty());
  EXPECT_TRUE(c.verdict.warning);
  EXPECT_FALSE(d->paintComparison(*n, *b, 3).verdict.warning);
}

TEST_F(BitmapTest, SizeChangesReadOutsideAsWhiteWithinTheDifferenceArea) {
  auto base = imageOf(dp::Surface(30, 8, kWhite));
  auto narrow = imageOf(dp::Surface(20, 8, kWhite));
  auto d = imageOf(dp::Surface(30, 8));
  clsBitmap::Comparison c = d->paintComparison(*narrow, *base, 20);
  EXPECT_EQ(c.counts.unmatched + c.counts.colourChange, 0);
  EXPECT_EQ(c.verdict.sizeText, "<U>Size Change, X:</U>-10 ,<U>Y:</U>0");
  EXPECT_FALSE(c.verdict.warning);
  EXPECT_TRUE(d->paintComparison(*narrow, *base, 5).verdict.warning);

  // A taller, darker new image over a smaller difference bitmap: only its area counts.
  auto tall = imageOf(dp::Surface(30, 12, dp::rgb(0, 0, 0)));
  auto small = imageOf(dp::Surface(10, 4));
  c = small->paintComparison(*tall, *base, 0);
  EXPECT_EQ(c.counts.unmatched, 40);
  EXPECT_EQ(c.verdict.sizeText, "<U>Size Change, X:</U>0 ,<U>Y:</U>4");
  // Rows of the new image below the baseline's read against white.
  auto big = imageOf(dp::Surface(30, 12));
  c = big->paintComparison(*tall, *base, 0);
  EXPECT_EQ(c.counts.unmatched, 30 * 12);
  EXPECT_EQ(diffAt(*big, 0, 11), dp::rgb(0, 255, 0));
  // An image never set counts as white everywhere.
  clsBitmap empty;
  c = big->paintComparison(empty, *base, 0);
  EXPECT_EQ(c.counts.unmatched, 0);
}

TEST_F(BitmapTest, PaintedDifferenceMatchesAPixelByPixelReading) {
  // Random images of odd and even widths that differ in scattered pixels
  // and in the unused fourth byte: every pixel of the difference image and
  // both counts must be what reading one pixel at a time gives, and the
  // fourth byte of the difference image must be left alone.
  std::mt19937 random(17);
  const std::uint32_t palette[] = {kWhite, dp::rgb(0, 0, 0), dp::rgb(9, 9, 9), dp::rgb(200, 10, 10)};
  for (int round = 0; round < 40; ++round) {
    const int w = 1 + static_cast<int>(random() % 23), h = 1 + static_cast<int>(random() % 5);
    const std::size_t n = static_cast<std::size_t>(w) * h;
    std::vector<std::uint8_t> a(n * 4), b(n * 4), d(n * 4);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t colour = palette[random() % 4];
      const std::uint32_t other = random() % 3 == 0 ? palette[random() % 4] : colour;
      const std::uint32_t pa = colour | (random() % 256) << 24, pb = other | (random() % 256) << 24;
      std::memcpy(&a[i * 4], &pa, 4);
      std::memcpy(&b[i * 4], &pb, 4);
      d[i * 4 + 3] = static_cast<std::uint8_t>(random());
    }
    std::vector<std::uint8_t> expected = d;
    core::PixelCounts want;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint32_t pa, pb;
      std::memcpy(&pa, &a[i * 4], 4);
      std::memcpy(&pb, &b[i * 4], 4);
      pa &= 0xFFFFFF, pb &= 0xFFFFFF;
      std::uint32_t colour = core::kSameColour;
      if (pa != pb && (pa == kWhite || pb == kWhite)) {
        ++want.unmatched;
        colour = pb == kWhite ? core::kNewOnlyColour : core::kBaseOnlyColour;
      } else if (pa != pb) {
        ++want.colourChange;
        colour = core::kChangedColour;
      }
      expected[i * 4] = dp::blueOf(colour), expected[i * 4 + 1] = dp::greenOf(colour), expected[i * 4 + 2] = dp::redOf(colour);
    }
    const core::PixelCounts got = core::paintDifference({a, w, h}, {b, w, h}, d, w, h);
    EXPECT_EQ(got.unmatched, want.unmatched) << w << "x" << h;
    EXPECT_EQ(got.colourChange, want.colourChange) << w << "x" << h;
    EXPECT_EQ(d, expected) << w << "x" << h;
  }
}

TEST_F(BitmapTest, TopDownInPlaceAndMirroredPaintingGiveTheSameDifference) {
  // Pictures wide enough for several runs of eight agreeing pixels, with
  // differences at random and a fourth byte that is not 0, compared every
  // way the painter offers: the bottom-up DIB (the reference), the same
  // rows top first into a third buffer with a mirror, and in place over
  // the new picture and over the baseline.
  std::mt19937 random(29);
  const std::uint32_t palette[] = {kWhite, dp::rgb(0, 0, 0), dp::rgb(9, 9, 9), dp::rgb(200, 10, 10)};
  for (int round = 0; round < 30; ++round) {
    const int w = 1 + static_cast<int>(random() % 70), h = 1 + static_cast<int>(random() % 6);
    const std::size_t n = static_cast<std::size_t>(w) * h;
    std::vector<std::uint32_t> a(n), b(n);  // top row first
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t colour = palette[random() % 4];
      a[i] = (random() % 9 == 0 ? palette[random() % 4] : colour) | 0x5A000000u;
      b[i] = colour;
    }
    auto bytes = [](std::vector<std::uint32_t>& v) {
      return std::span(reinterpret_cast<std::uint8_t*>(v.data()), v.size() * 4);
    };
    auto flipped = [w, h](const std::vector<std::uint32_t>& v) {
      std::vector<std::uint32_t> out(v.size());
      for (int y = 0; y < h; ++y)
        std::copy_n(v.begin() + static_cast<std::ptrdiff_t>(y) * w, w, out.begin() + static_cast<std::ptrdiff_t>(h - 1 - y) * w);
      return out;
    };
    std::vector<std::uint32_t> aUp = flipped(a), bUp = flipped(b), reference(n, 0x77000000u);
    const core::PixelCounts want = core::paintDifference({bytes(aUp), w, h}, {bytes(bUp), w, h}, bytes(reference), w, h);
    const std::vector<std::uint32_t> top = flipped(reference);

    std::vector<std::uint32_t> third(n, 0x77000000u), mirror(n, 1);
    core::PixelCounts got = core::paintDifference({bytes(a), w, h, true}, {bytes(b), w, h, true},
                                                  core::DiffTarget{bytes(third), true, mirror.data()}, w, h);
    EXPECT_EQ(got.unmatched, want.unmatched);
    EXPECT_EQ(got.colourChange, want.colourChange);
    EXPECT_EQ(third, top) << w << "x" << h;
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(mirror[i], top[i] & 0xFFFFFF) << w << "x" << h << " at " << i;

    // In place: the painted picture keeps its own fourth bytes.
    std::vector<std::uint32_t> overNew = a, overBase = b;
    got = core::paintDifference({bytes(overNew), w, h, true}, {bytes(b), w, h, true},
                                core::DiffTarget{bytes(overNew), true}, w, h);
    EXPECT_EQ(got.unmatched + got.colourChange, want.unmatched + want.colourChange);
    got = core::paintDifference({bytes(a), w, h, true}, {bytes(overBase), w, h, true},
                                core::DiffTarget{bytes(overBase), true}, w, h);
    EXPECT_EQ(got.unmatched, want.unmatched);
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_EQ(overNew[i], (top[i] & 0xFFFFFF) | 0x5A000000u) << w << "x" << h << " at " << i;
      ASSERT_EQ(overBase[i], top[i] & 0xFFFFFF) << w << "x" << h << " at " << i;
    }
  }
}

TEST_F(BitmapTest, ABitmapOfAnotherSizeThanItsArrayStillTakesTheDifference) {
  // SetBitmap with a size smaller than the bitmap: the array is 4 x 2, the
  // bitmap 6 x 3; the difference goes into the array and its scan lines
  // into the bitmap's top-left corner, as SetDIBits places them.
  dp::Surface base(4, 2, kWhite), fresh(4, 2, kWhite);
  fresh.setPixel(1, 0, dp::rgb(0, 0, 0));
  auto b = imageOf(base), n = imageOf(fresh);
  clsBitmap d;
  d.SetBitmap(static_cast<std::int32_t>(dp::createBitmap(dp::Surface(6, 3, dp::rgb(1, 2, 3)))), 4, 2);
  const clsBitmap::Comparison c = d.paintComparison(*n, *b, 0);
  EXPECT_EQ(c.counts.unmatched, 1);
  const dp::Surface shown = dp::bitmapPixels(static_cast<dp::Handle>(d.BMPSource));
  EXPECT_EQ(shown.pixel(1, 0), core::kNewOnlyColour);
  EXPECT_EQ(shown.pixel(3, 1), kWhite);
  EXPECT_EQ(shown.pixel(4, 0), dp::rgb(1, 2, 3));  // beyond the array's width: untouched
  EXPECT_EQ(shown.pixel(0, 2), dp::rgb(1, 2, 3));  // below its rows
  // The mirrored pass leaves the bitmap the array set into it would.
  auto same = imageOf(dp::Surface(4, 2));
  same->paintComparison(*n, *b, 0);
  const dp::Surface mirrored = dp::bitmapPixels(static_cast<dp::Handle>(same->BMPSource));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mirrored.pixel(x, y), shown.pixel(x, y)) << x << "," << y;
}

TEST_F(BitmapTest, SameColoursIgnoresOnlyTheFourthByte) {
  std::vector<std::uint8_t> a(4 * 11 * 3, 0x40), b = a;
  const core::DibPixels pa{a, 11, 3}, pb{b, 11, 3};
  EXPECT_TRUE(core::sameColours(pa, pb));
  for (std::size_t i = 3; i < b.size(); i += 4) b[i] = 0x99;  // every fourth byte
  EXPECT_TRUE(core::sameColours(pa, pb));
  b[b.size() - 2] ^= 1;  // the last pixel's green, past the blocks of eight
  EXPECT_FALSE(core::sameColours(pa, pb));
  b[b.size() - 2] ^= 1;
  b[4 * 5 + 1] ^= 0x80;  // inside the first block
  EXPECT_FALSE(core::sameColours(pa, pb));
  b[4 * 5 + 1] ^= 0x80;
  EXPECT_FALSE(core::sameColours(pa, core::DibPixels{b, 3, 11}));          // another shape
  EXPECT_FALSE(core::sameColours(pa, core::DibPixels{b, 11, 3, true}));    // another row order
  EXPECT_FALSE(core::sameColours(pa, core::DibPixels{std::span(b).first(40), 11, 3}));  // too few bytes
  EXPECT_TRUE(core::sameColours(core::DibPixels{}, core::DibPixels{}));
}

TEST_F(BitmapTest, CompareWritesThePixelCompareJournalBlock) {
  dp::Surface base(3, 3, dp::rgb(0, 0, 0)), fresh(3, 3, dp::rgb(0, 0, 0));
  fresh.setPixel(1, 1, dp::rgb(255, 0, 0));
  auto b = imageOf(base), n = imageOf(fresh), d = imageOf(dp::Surface(3, 3));
  EXPECT_TRUE(d->Compare(*n, *b, 0, 0, false, 0));
  EXPECT_EQ(host->journal, (std::vector<std::string>{"", "*** WARNING - Pixel Compare",
                                                      "'*** <U>Unmatched Pix:</U> 0    <U>ColorChange Pix:</U> 1    ",
                                                      ""}));
  host->journal.clear();
  EXPECT_FALSE(d->Compare(*n, *b, 1, 0, false, 1));
  EXPECT_TRUE(host->journal.empty());

  // Late-bound, with param 1 and a size change beyond tol alone.
  auto wide = imageOf(dp::Surface(5, 3, dp::rgb(0, 0, 0)));
  automation::ObjectRef diff = d;
  Variant result = automation::call(diff, "Compare",
                                    {Variant(automation::ObjectRef(wide)), Variant(automation::ObjectRef(b)),
                                     Variant::integer(1), Variant(0), Variant(false), Variant::integer(1)});
  EXPECT_EQ(result, Variant(true));
  EXPECT_EQ(host->journal, (std::vector<std::string>{"", "*** WARNING - Pixel Compare - PP",
                                                      "'*** " + std::string(8, ' ') + "<U>Size Change, X:</U>2 ,<U>Y:</U>0", ""}));
  EXPECT_EQ(errorNumber([&] {
              automation::call(diff, "Compare", {Variant::nothing(), Variant(automation::ObjectRef(b)),
                                                 Variant::integer(0), Variant(0), Variant(false), Variant::integer(0)});
            }),
            91);
}

TEST_F(BitmapTest, LateBoundAccessorsAndSetBitmapDefaults) {
  dp::Surface s(2, 2, dp::rgb(7, 8, 9));
  automation::ObjectRef b = automation::createObject("VxlClasses.clsBitmap");
  EXPECT_EQ(automation::call(b, "SetBitmap", {Variant(bitmapOf(s))}), Variant(true));
  EXPECT_EQ(automation::call(b, "Width"), Variant(2));
  EXPECT_EQ(automation::call(b, "Array3DVal", {Variant(3), Variant(2), Variant(2)}), Variant(std::uint8_t{7}));
  std::vector<Variant> let = {Variant(1), Variant(1), Variant(1), Variant(200)};
  b->invoke("Array3DVal", automation::kLet, let);
  EXPECT_EQ(automation::call(b, "Array3DVal", {Variant(1), Variant(1), Variant(1)}), Variant(std::uint8_t{200}));
  EXPECT_TRUE(automation::call(b, "BMInfo").isRecord());
}

}  // namespace
}  // namespace rc::testing
