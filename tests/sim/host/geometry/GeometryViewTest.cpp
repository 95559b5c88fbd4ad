// The graphics view of a geometry document: the same bytes in every session,
// a different picture for a different shape, and a small golden picture.
#include <filesystem>

#include "platform/display/Bmp.h"
#include "sim/host/geometry/GeometryReader.h"
#include "sim/host/geometry/Renderer.h"
#include "tests/sim/host/geometry/GeometryFixture.h"
#include "tests/sim/host/geometry/KernelShapes.h"

namespace rc::sim::testing {
namespace {

using GeometryViewTest = GeometryTest;

namespace geometry = rc::sim::host::geometry;

// The document's view as SaveBMP writes it.
std::string viewBytes(const ObjectRef& doc, const std::string& file) {
  EXPECT_TRUE(call(doc, "SaveBMP", {Variant(file), Variant(320), Variant(240)}).asBool());
  return fileBytes(file);
}

TEST_F(GeometryViewTest, ViewIsTheSameInEverySessionAndFollowsTheShape) {
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(20, 20, 10, 3, 10, 10), path("plate.step")));
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(20, 20, 10, 3, 6, 12), path("moved.step")));
  ASSERT_TRUE(shapes::writeStep(shapes::box(20, 20, 10), path("solid.step")));
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(24, 24, 12, 3.6, 12, 12), path("scaled.step")));
  std::string first = viewBytes(open("plate.step", 1), path("a.bmp"));
  ObjectRef other = automation::createObject("VexlarSim.Session");
  std::vector<Variant> args{Variant(path("plate.step")), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
  ObjectRef again = call(other, "OpenDoc6", std::span<Variant>(args)).asObject();
  ASSERT_TRUE(again);
  EXPECT_EQ(viewBytes(again, path("b.bmp")), first);
  call(other, "ExitApp");

  EXPECT_NE(viewBytes(open("moved.step", 1), path("c.bmp")), first);
  EXPECT_NE(viewBytes(open("solid.step", 1), path("d.bmp")), first);
  EXPECT_NE(viewBytes(open("scaled.step", 1), path("e.bmp")), first);
}

TEST_F(GeometryViewTest, ViewShowsTheShapeOnTheSidecarBackground) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(10, 20, 30), path("box.step")));
  writeText(path("box.step.json"), R"({"view": {"background": [0, 0, 255]}})");
  ObjectRef doc = open("box.step", 1);
  ASSERT_TRUE(call(doc, "SaveBMP", {Variant(path("v.bmp")), Variant(200), Variant(150)}).asBool());
  std::string bytes = fileBytes(path("v.bmp"));
  auto picture = display::decodeBmp(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixel(0, 0), display::rgb(0, 0, 255));
  EXPECT_EQ(picture->pixel(100, 75) == display::rgb(0, 0, 255), false);  // the part fills the middle
}

TEST_F(GeometryViewTest, GoldenPictureOfABox) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(10, 20, 30), path("box.step")));
  auto read = geometry::readContent(geometry::Request{path("box.step"), {}, {}});
  ASSERT_TRUE(std::holds_alternative<geometry::Content>(read)) << std::get<geometry::Refused>(read).reason;
  display::Surface picture(64, 48);
  geometry::render(picture, std::get<geometry::Content>(read).whole.mesh, display::rgb(255, 255, 255));
  std::string bmp = display::encodeBmp24(picture);
  std::string golden = std::string(RC_TEST_GOLDEN_DIR) + "/box-64x48.bmp";
  if (std::getenv("RAVELCREST_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(RC_TEST_GOLDEN_DIR);
    writeText(golden, bmp);
  }
  EXPECT_EQ(bmp, fileBytes(golden)) << "picture differs from " << golden;
}

TEST_F(GeometryViewTest, DrawingViewNamingAModelDrawsItsVisibleEdges) {
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(20, 20, 10, 3, 10, 10), path("plate.step")));
  std::string sheet = R"({"sheets": [{"name": "Sheet1", "views": [
      {"name": "Sheet1", "position": [0, 0], "outline": [0, 0, 0.28, 0.21]},
      {"name": "Drawing View1", "position": [0.1, 0.1], "outline": [0.05, 0.05, 0.15, 0.15], "xform": [0.1, 0.1, 1)";
  writeText(path("with-model.vxldrw"), sheet + R"(], "model": "plate.step", "direction": [0, 0, 1]}]}]})");
  writeText(path("outline.vxldrw"), sheet + R"(]}]}]})");
  std::string modelBytes = viewBytes(open("with-model.vxldrw", 3), path("m.bmp"));
  std::string outlineBytes = viewBytes(open("outline.vxldrw", 3), path("o.bmp"));
  EXPECT_NE(modelBytes, outlineBytes);
  auto picture = display::decodeBmp(std::vector<std::uint8_t>(modelBytes.begin(), modelBytes.end()));
  ASSERT_TRUE(picture);
  // The hole's circle: black pixels around the view's centre, none at it.
  int black = 0;
  for (int y = 0; y < picture->height(); ++y)
    for (int x = 0; x < picture->width(); ++x) black += picture->pixel(x, y) == 0;
  EXPECT_GT(black, 100);
  EXPECT_NE(picture->pixel(114, 137), 0u);
}

}  // namespace
}  // namespace rc::sim::testing
