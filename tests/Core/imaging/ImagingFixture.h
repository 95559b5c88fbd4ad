// The image check against the simulated host: a document whose view shows
// coloured rectangles, TestBitmapCompare called by name, and the pictures
// of the files it writes.
#pragma once

#include <optional>

#include "Core/frame/CheckOutcome.h"
#include "platform/display/Gdi.h"
#include "platform/display/Windows.h"
#include "sim/converters/PictureDecoding.h"
#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {

constexpr int kPart = 1;

// A part whose view shows a red bar on white, and `extra` rectangles after it.
inline std::string viewModel(const std::string& extra = "") {
  return R"({"view": {"background": [255, 255, 255], "rects": [
      {"x": 10, "y": 10, "w": 50, "h": 20, "color": [255, 0, 0]})" + extra + "]}}";
}

class ImagingTest : public SimHostTest {
 protected:
  struct Run {
    std::int16_t result = -1;
    std::int32_t view = 0;
  };

  void SetUp() override {
    SimHostTest::SetUp();
    open("part.vxlprt", viewModel(), kPart);
    frame = au::call(host, "SimFrameWindow").toLong();
    view = au::call(host, "SimViewWindow").toLong();
  }

  // TestBitmapCompare by name; `param` omitted when nullopt.
  Run compare(std::int32_t handle, const std::string& baseline, const std::string& diff,
              std::optional<std::int16_t> param = std::int16_t{1}, std::int16_t tol = 0) {
    std::vector<au::Variant> args{au::Variant(handle), au::Variant(path(baseline)), au::Variant(path(diff)),
                                  au::Variant(tol)};
    if (param) args.emplace_back(*param);
    Run run;
    run.result = au::call(app, "TestBitmapCompare", args).asInteger();
    run.view = args[0].toLong();
    return run;
  }

  // What the last check found, as clsApplication.LastOutcome answers it.
  core::CheckOutcome outcome() const { return core::outcomeFromVariant(au::call(app, "LastOutcome")); }

  // The picture in an image file (BMP, GIF or CBF).
  display::Surface picture(const std::string& name) const {
    const std::string data = platform::readFile(path(name));
    std::string why;
    auto image = sim::converters::decodePicture(
        std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why);
    EXPECT_TRUE(image) << name << ": " << why;
    return image.value_or(display::Surface());
  }

  bool exists(const std::string& name) const { return platform::fileExists(path(name)); }
  std::string journalText() const {
    std::string all;
    for (const std::string& l : journal()) all += l + "\n";
    return all;
  }

  std::int32_t frame = 0, view = 0;
};

}  // namespace rc::testing
