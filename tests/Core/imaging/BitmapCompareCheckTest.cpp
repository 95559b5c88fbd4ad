// TestBitmapCompare: baseline creation, identical rerun, edited document,
// each capture mode, failures, and no display object left behind.
#include <gtest/gtest.h>

#include <chrono>

#include "Core/imaging/ViewWindow.h"
#include "ImagingFixture.h"
#include "platform/display/Bmp.h"

namespace rc::testing {
namespace {

namespace dp = rc::display;

constexpr std::uint32_t kWhite = dp::rgb(255, 255, 255);

class BitmapCompareCheckTest : public ImagingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BitmapCompareCheckTest, CreatesTheBaselineThenFindsNothingThenFindsTheEdit) {
  const std::string ext = GetParam();
  const std::string bl = "view." + ext, diff = "diff." + ext;
  const std::size_t objects = dp::gdiObjectCount();

  Run run = compare(frame, bl, diff);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.view, view);  // mode 1 hands back the window it captured
  EXPECT_NE(journalText().find("BaseLine Created"), std::string::npos) << journalText();
  EXPECT_NE(journalText().find("Pixel Compare - PP"), std::string::npos);
  EXPECT_EQ(outcome().state, core::CheckOutcome::State::Created);
  EXPECT_EQ(outcome().key, "Pixel Compare - PP");
  EXPECT_FALSE(exists("diff.bmp"));  // the work file
  EXPECT_FALSE(exists(diff));
  const dp::Surface baseline = picture(bl);
  EXPECT_TRUE(baseline.pixels() == dp::capture(static_cast<dp::Handle>(view)).pixels());
  EXPECT_EQ(dp::gdiObjectCount(), objects);

  au::call(host, "SimClearJournal");
  run = compare(frame, bl, diff);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(journal().empty()) << journalText();
  EXPECT_EQ(outcome().state, core::CheckOutcome::State::Agreed);
  EXPECT_FALSE(exists(diff));
  EXPECT_FALSE(exists("diff.bmp"));
  EXPECT_EQ(dp::gdiObjectCount(), objects);

  // The edited document: the bar turns green and a blue square appears.
  open("edited.vxlprt", R"({"view": {"background": [255, 255, 255], "rects": [
      {"x": 10, "y": 10, "w": 50, "h": 20, "color": [0, 255, 0]},
      {"x": 100, "y": 100, "w": 5, "h": 5, "color": [0, 0, 255]}]}})", kPart);
  run = compare(frame, bl, diff);
  EXPECT_EQ(run.result, 0);
  EXPECT_NE(journalText().find("Unmatched Pix:</U> 25"), std::string::npos) << journalText();
  EXPECT_NE(journalText().find("ColorChange Pix:</U> 1000"), std::string::npos) << journalText();
  EXPECT_EQ(outcome().state, core::CheckOutcome::State::Differed);
  EXPECT_FALSE(exists("diff.bmp"));
  const dp::Surface d = picture(diff);
  EXPECT_EQ(d.pixel(0, 0), kWhite);
  EXPECT_EQ(d.pixel(20, 15), dp::rgb(255, 0, 255));  // changed colour: magenta
  EXPECT_EQ(d.pixel(102, 102), dp::rgb(0, 255, 0));  // new only: green
  EXPECT_EQ(dp::gdiObjectCount(), objects);
}

TEST_P(BitmapCompareCheckTest, AWorkFileThatCannotBeWrittenStillFailsTheFirstRun) {
  const std::string ext = GetParam();
  const Run run = compare(frame, "view." + ext, "missing/diff." + ext);
  EXPECT_EQ(run.result, 1);
  EXPECT_FALSE(exists("view." + ext));
  EXPECT_TRUE(journal().empty()) << journalText();
}

TEST_P(BitmapCompareCheckTest, AnUnchangedViewUnderANegativeToleranceStillWarns) {
  const std::string ext = GetParam();
  ASSERT_EQ(compare(frame, "view." + ext, "diff." + ext).result, 0);
  au::call(host, "SimClearJournal");
  const Run run = compare(frame, "view." + ext, "diff." + ext, std::int16_t{1}, std::int16_t{-1});
  EXPECT_EQ(run.result, 0);
  EXPECT_NE(journalText().find("Unmatched Pix:</U> 0"), std::string::npos) << journalText();
  EXPECT_EQ(outcome().state, core::CheckOutcome::State::Differed);
  EXPECT_TRUE(exists("diff." + ext));
}

INSTANTIATE_TEST_SUITE_P(Formats, BitmapCompareCheckTest, ::testing::Values("cbf", "gif", "CBF"));

using BitmapCompareModesTest = ImagingTest;

TEST_F(BitmapCompareModesTest, ModeThreeConsumesTheWorkFile) {
  dp::Surface saved(40, 30, kWhite);
  saved.fillRect(5, 5, 10, 10, dp::rgb(9, 8, 7));
  platform::writeFile(path("d.bmp"), dp::encodeBmp24(saved));
  Run run = compare(1, "b.cbf", "d.cbf", std::int16_t{3});
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.view, 1);
  EXPECT_FALSE(exists("d.bmp"));
  EXPECT_TRUE(picture("b.cbf").pixels() == saved.pixels());
  EXPECT_NE(journalText().find("*** WARNING - Pixel Compare\n"), std::string::npos) << journalText();
  // Without the work file the test cannot run.
  EXPECT_EQ(compare(1, "b.cbf", "d.cbf", std::int16_t{3}).result, 1);
}

TEST_F(BitmapCompareModesTest, OtherModesSizeTheViewAndWaitUnderThreeSeconds) {
  // The wait alone: three second boundaries, so at least two seconds and at most three.
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(core::SizeViewWindow(view), 0);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_LT(waited, std::chrono::milliseconds(3200));

  // The check with its mode omitted sizes the view, waits, then captures it whole.
  dp::moveWindow(static_cast<dp::Handle>(view), 240, 80, 1024, 768);
  start = std::chrono::steady_clock::now();
  Run run = compare(view, "v.gif", "d.gif", std::nullopt);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.view, view);
  dp::Rect r;
  ASSERT_TRUE(dp::getWindowRect(static_cast<dp::Handle>(view), r));
  EXPECT_EQ(r, (dp::Rect{240, 80, 240 + 906, 80 + 831}));
  const dp::Surface baseline = picture("v.gif");
  EXPECT_EQ(baseline.width(), 906);
  EXPECT_EQ(baseline.height(), 831);
}

TEST_F(BitmapCompareModesTest, ABaselineOfAnotherFormatComparesWithWhite) {
  platform::writeFile(path("v.png"), "not read");
  EXPECT_EQ(compare(frame, "v.png", "d.png").result, 0);
  EXPECT_NE(journalText().find("Unmatched Pix:</U> 1000"), std::string::npos) << journalText();
  EXPECT_FALSE(exists("d.png"));
  EXPECT_FALSE(exists("d.bmp"));
  // Missing: nothing is written, the block says the baseline was created all the same.
  au::call(host, "SimClearJournal");
  EXPECT_EQ(compare(frame, "w.png", "d.png").result, 0);
  EXPECT_FALSE(exists("w.png"));
  EXPECT_NE(journalText().find("BaseLine Created"), std::string::npos);
}

using BitmapCompareFailureTest = ImagingTest;

TEST_F(BitmapCompareFailureTest, EachFailureGivesOneAndLeavesNoObjects) {
  const std::size_t objects = dp::gdiObjectCount();
  EXPECT_EQ(compare(0, "b.cbf", "d.cbf").result, 1);
  std::vector<au::Variant> shortName{au::Variant(frame), au::Variant(path("b.cbf")), au::Variant("ab"),
                                     au::Variant(std::int16_t{0}), au::Variant(std::int16_t{1})};
  EXPECT_EQ(au::call(app, "TestBitmapCompare", shortName).asInteger(), 1);  // no work-file name
  EXPECT_FALSE(exists("b.cbf"));
  EXPECT_TRUE(journal().empty());

  // A handle that is no window is not captured, in any mode; a bitmap
  // handle given by mistake is left to its owner.
  const dp::Handle bitmap = dp::createCompatibleBitmap(0, 8, 8);
  for (std::int16_t mode : {0, 1, 2})
    EXPECT_EQ(compare(static_cast<std::int32_t>(bitmap), "b.cbf", "d.cbf", mode).result, 1) << mode;
  EXPECT_TRUE(dp::isBitmap(bitmap));
  dp::deleteObject(bitmap);

  // Damaged baselines.
  platform::writeFile(path("bad.cbf"), "CBF1\x10\0\0\0garbage");
  EXPECT_EQ(compare(frame, "bad.cbf", "d.cbf").result, 1);
  EXPECT_FALSE(exists("d.bmp"));
  platform::writeFile(path("bad.gif"), "GIF89a\x10\0\x10\0");
  EXPECT_EQ(compare(frame, "bad.gif", "d.gif").result, 1);

  // A difference file in a folder that does not exist.
  ASSERT_EQ(compare(frame, "b.gif", "d.gif").result, 0);
  open("edited.vxlprt", viewModel(R"(, {"x": 1, "y": 1, "w": 2, "h": 2, "color": [0, 0, 0]})"), kPart);
  EXPECT_EQ(compare(frame, "b.gif", "missing/d.gif").result, 1);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
  EXPECT_EQ(dp::gdiObjectCount(), objects);
}

}  // namespace
}  // namespace rc::testing
