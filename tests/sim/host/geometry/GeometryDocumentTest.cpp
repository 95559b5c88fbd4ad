// Geometry documents through the host's members: shapes built with the
// kernel, written as STEP or BREP, read back through OpenDoc6, and checked
// against values known in closed form and against the kernel's own meshing.
#include <cmath>
#include <numbers>
#include <numeric>

#include "tests/sim/host/geometry/GeometryFixture.h"
#include "tests/sim/host/geometry/KernelShapes.h"

namespace rc::sim::testing {
namespace {

using GeometryDocumentTest = GeometryTest;

constexpr double kPi = std::numbers::pi;

void expectNear(const std::vector<double>& got, const std::vector<double>& want, double relative) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], want[i], relative * std::max(1.0, std::fabs(want[i]))) << "mass property " << i;
}

TEST_F(GeometryDocumentTest, BoxAnswersItsFacesEdgesAndMassProperties) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(10, 20, 30), path("box.step")));
  ObjectRef doc = open("box.step", 1);
  ASSERT_TRUE(doc);
  EXPECT_EQ(call(doc, "GetType").asLong(), 1);
  std::vector<std::pair<int, int>> f = faces(doc);
  ASSERT_EQ(f.size(), 6u);
  int edges = 0;
  for (auto [e, t] : f) {
    EXPECT_EQ(e, 4);
    EXPECT_EQ(t, 2);  // a flat rectangle needs two triangles
    edges += e;
  }
  EXPECT_EQ(edges / 2, 12);
  // Centre, volume, area, mass (density 1), inertia at the centre.
  double v = 6000;
  expectNear(mass(doc), {5, 10, 15, v, 2200, v, v * (400 + 900) / 12, v * (100 + 900) / 12, v * (100 + 400) / 12, 0, 0, 0},
             1e-9);
  std::vector<Variant> status{Variant(-1)};
  EXPECT_TRUE(call(doc, "GetMassProperties2", std::span<Variant>(status)).isArray());
  EXPECT_EQ(status[0].asLong(), 0);
  EXPECT_EQ(texts(call(doc, "GetConfigurationNames")), std::vector<std::string>{"Default"});
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 0);
  EXPECT_EQ(call(doc, "GetNumDependencies").asLong(), 0);
}

TEST_F(GeometryDocumentTest, SidecarDensityScalesMassAndInertia) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(10, 20, 30), path("box.stp")));
  writeText(path("box.stp.json"), R"({"density": 2.5, "versionHistory": ["2000"], "fileVersion": 2000,
    "features": [{"name": "Imported1", "type": "BaseBody", "error": 0}]})");
  ObjectRef doc = open("box.stp", 1);
  std::vector<double> m = mass(doc);
  EXPECT_NEAR(m[3], 6000, 1e-6);
  EXPECT_NEAR(m[5], 15000, 1e-6);
  EXPECT_NEAR(m[6], 2.5 * 6000 * 1300 / 12, 1e-3);
  EXPECT_EQ(texts(call(doc, "VersionHistory")), std::vector<std::string>{"2000"});
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 1);
  EXPECT_EQ(call(callObject(doc, "FirstFeature"), "GetTypeName").asString(), "BaseBody");
}

TEST_F(GeometryDocumentTest, CylinderCountsItsSeamOnceOnTheSide) {
  ASSERT_TRUE(shapes::writeStep(shapes::cylinder(5, 10), path("cyl.step")));
  ObjectRef doc = open("cyl.step", 1);
  std::vector<std::pair<int, int>> f = faces(doc);
  ASSERT_EQ(f.size(), 3u);
  std::vector<int> edges;
  for (auto [e, t] : f) edges.push_back(e);
  std::sort(edges.begin(), edges.end());
  // The side is bounded by both circles and the seam (one edge, met twice);
  // each cap by its circle.
  EXPECT_EQ(edges, (std::vector<int>{1, 1, 3}));
  std::vector<double> m = mass(doc);
  EXPECT_NEAR(m[3], 250 * kPi, 1e-6);
  EXPECT_NEAR(m[4], 150 * kPi, 1e-6);
  EXPECT_NEAR(m[2], 5, 1e-9);
  // Solid cylinder about its axis: m r^2 / 2; across: m (3 r^2 + h^2) / 12.
  double v = 250 * kPi;
  EXPECT_NEAR(m[8], v * 25 / 2, 1e-6 * v * 25);
  EXPECT_NEAR(m[6], v * (75 + 100) / 12, 1e-6 * v * 25);
}

TEST_F(GeometryDocumentTest, BoxWithThroughHole) {
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(20, 20, 10, 3, 10, 10), path("plate.step")));
  ObjectRef doc = open("plate.step", 1);
  std::vector<std::pair<int, int>> f = faces(doc);
  ASSERT_EQ(f.size(), 7u);
  std::vector<int> edges;
  for (auto [e, t] : f) edges.push_back(e);
  std::sort(edges.begin(), edges.end());
  EXPECT_EQ(edges, (std::vector<int>{3, 4, 4, 4, 4, 5, 5}));
  std::vector<double> m = mass(doc);
  EXPECT_NEAR(m[3], 4000 - 90 * kPi, 1e-6);
  EXPECT_NEAR(m[4], 2 * (400 - 9 * kPi) + 4 * 200 + 60 * kPi, 1e-6);
  EXPECT_NEAR(m[0], 10, 1e-9);
  EXPECT_NEAR(m[1], 10, 1e-9);
  EXPECT_NEAR(m[2], 5, 1e-9);
}

TEST_F(GeometryDocumentTest, AssemblyOfTwoLocatedBoxes) {
  ASSERT_TRUE(shapes::writeAssembly(path("pair.step"), "pair", {{"cube", shapes::box(10, 10, 10)}},
                                    {{0, gp_Vec(0, 0, 0)}, {0, gp_Vec(20, 0, 0)}}));
  std::int32_t errors = 0;
  EXPECT_FALSE(openAs("pair.step", 1, errors));  // an assembly is not a part
  EXPECT_EQ(errors, 1);
  ObjectRef doc = open("pair.step", 2);
  ASSERT_TRUE(doc);
  EXPECT_EQ(call(doc, "GetType").asLong(), 2);
  ObjectRef root = callObject(callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
  std::vector<Variant> children = call(root, "GetChildren").asArray().items();
  ASSERT_EQ(children.size(), 2u);
  std::vector<std::string> names;
  for (const Variant& c : children) {
    names.push_back(call(c.asObject(), "Name").asString());
    EXPECT_EQ(call(c.asObject(), "GetSuppression").asLong(), 2);
    EXPECT_FALSE(call(c.asObject(), "IsHidden", {Variant(false)}).asBool());
    ObjectRef part = callObject(c.asObject(), "GetModelDoc");
    ASSERT_TRUE(part);
    EXPECT_EQ(call(part, "GetType").asLong(), 1);
    EXPECT_EQ(faces(part).size(), 6u);
    EXPECT_NEAR(mass(part)[3], 1000, 1e-6);
    EXPECT_NEAR(mass(part)[0], 5, 1e-9);  // the part in its own place
  }
  // The file names both instances alike, so each is named after its part.
  EXPECT_EQ(names, (std::vector<std::string>{"cube-1", "cube-2"}));
  // The located components together: centre between the two cubes.
  std::vector<double> m = mass(doc);
  EXPECT_NEAR(m[3], 2000, 1e-6);
  EXPECT_NEAR(m[0], 15, 1e-9);
  EXPECT_NEAR(m[1], 5, 1e-9);
  EXPECT_NEAR(m[2], 5, 1e-9);
  // Ixx: two cubes on the x axis: 2 * (1000 * 200 / 12); Iyy adds the offsets.
  EXPECT_NEAR(m[6], 2 * 1000 * 200 / 12.0, 1e-3);
  EXPECT_NEAR(m[7], 2 * (1000 * 200 / 12.0 + 1000 * 100), 1e-3);
  EXPECT_EQ(call(doc, "GetNumDependencies").asLong(), 0);
}

TEST_F(GeometryDocumentTest, TriangleCountsAreTheKernelsOwnAndFollowTheSidecar) {
  ASSERT_TRUE(shapes::writeStep(shapes::boxWithHole(20, 20, 10, 3, 7, 9), path("plate.step")));
  auto counts = [&](const ObjectRef& doc) {
    std::vector<int> out;
    for (auto [e, t] : faces(doc)) out.push_back(t);
    return out;
  };
  ObjectRef doc = open("plate.step", 1);
  EXPECT_EQ(counts(doc), shapes::kernelTriangles(shapes::readStep(path("plate.step")), 0.1, 0.5));
  std::vector<int> coarse = counts(doc);
  call(app, "CloseDoc", {Variant(path("plate.step"))});

  writeText(path("plate.step.json"), R"({"meshDeflection": 0.005, "meshAngle": 0.2})");
  doc = open("plate.step", 1);
  std::vector<int> fine = counts(doc);
  EXPECT_EQ(fine, shapes::kernelTriangles(shapes::readStep(path("plate.step")), 0.005, 0.2));
  EXPECT_GT(std::accumulate(fine.begin(), fine.end(), 0), std::accumulate(coarse.begin(), coarse.end(), 0));
}

TEST_F(GeometryDocumentTest, BrepFilesOpenAsParts) {
  ASSERT_TRUE(shapes::writeBrep(shapes::box(1, 2, 3), path("block.brep")));
  ObjectRef doc = open("block.brep", 1);
  EXPECT_EQ(faces(doc).size(), 6u);
  EXPECT_NEAR(mass(doc)[3], 6, 1e-9);
  // The content decides: BREP text under a STEP name opens too.
  ASSERT_TRUE(shapes::writeBrep(shapes::box(1, 1, 1), path("named-wrong.step")));
  EXPECT_NEAR(mass(open("named-wrong.step", 1))[3], 1, 1e-9);
}

TEST_F(GeometryDocumentTest, ShapeWithoutSolidHasNoMassProperties) {
  TopExp_Explorer ex(shapes::box(1, 2, 3), TopAbs_FACE);
  ASSERT_TRUE(shapes::writeBrep(ex.Current(), path("face.brep")));
  ObjectRef doc = open("face.brep", 1);
  std::vector<Variant> status{Variant(0)};
  EXPECT_TRUE(call(doc, "GetMassProperties2", std::span<Variant>(status)).isEmpty());
  EXPECT_EQ(status[0].asLong(), 2);
  EXPECT_EQ(faces(doc).size(), 1u);
}

TEST_F(GeometryDocumentTest, SaveWritesTheSidecarAndNeverTheGeometry) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 1, 1), path("cube.step")));
  writeText(path("cube.step.json"), R"({"versionHistory": ["2000"], "note": "kept"})");
  std::string before = fileBytes(path("cube.step"));
  ObjectRef doc = open("cube.step", 1);
  std::vector<Variant> args{Variant(0), Variant(0), Variant(0)};
  EXPECT_TRUE(call(doc, "Save3", std::span<Variant>(args)).asBool());
  EXPECT_EQ(args[1].asLong(), 0);
  EXPECT_EQ(fileBytes(path("cube.step")), before);
  std::string sidecar = fileBytes(path("cube.step.json"));
  EXPECT_NE(sidecar.find("\"3000\""), std::string::npos) << sidecar;
  EXPECT_NE(sidecar.find("\"kept\""), std::string::npos) << sidecar;
  EXPECT_EQ(texts(call(doc, "VersionHistory")), (std::vector<std::string>{"2000", "3000"}));
}

TEST_F(GeometryDocumentTest, MalformedFilesAreRefusedWithAReason) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 2, 3), path("good.step")));
  std::string good = fileBytes(path("good.step"));
  std::string header = good.substr(0, good.find("DATA;") + 5);
  struct Case {
    std::string name, text;
  };
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) & 0xff));
  std::vector<Case> cases{
      {"truncated.step", good.substr(0, good.size() / 2)},
      {"garbage.step", garbage},
      {"empty.stp", ""},
      {"broken-entities.step", header + "\n#1=MANIFOLD_SOLID_BREP('',#99);\n#2=CARTESIAN_POINT('',(0.,0.,'x'));\n"
                                        "#3=ADVANCED_FACE('',(#2),#1,.T.);\nENDSEC;\nEND-ISO-10303-21;\n"},
      {"no-shapes.step", header + "\nENDSEC;\nEND-ISO-10303-21;\n"},
      {"header-only.step", "ISO-10303-21;\nHEADER;\n"},
      {"text.brep", "not a shape at all\n"},
      {"bad.brep", "DBRep_DrawableShape\n\nCASCADE Topology V1, (c) Matra-Datavision\nLocations 99999999\n1\n"},
  };
  for (const Case& c : cases) {
    writeText(path(c.name), c.text);
    std::int32_t errors = 0;
    EXPECT_FALSE(openAs(c.name, 1, errors)) << c.name;
    EXPECT_EQ(errors, 1) << c.name;
    std::string message = lastMessage();
    EXPECT_NE(message.find(c.name), std::string::npos) << message;
    EXPECT_GT(message.size(), c.name.size() + 12) << message;
  }
  // The session goes on: a good file still opens.
  EXPECT_TRUE(open("good.step", 1));
}

TEST_F(GeometryDocumentTest, MalformedSidecarIsRefused) {
  ASSERT_TRUE(shapes::writeStep(shapes::box(1, 2, 3), path("box.step")));
  for (std::string text : {"{", R"({"meshDeflection": -1})", R"({"density": "heavy"})", "[]"}) {
    writeText(path("box.step.json"), text);
    std::int32_t errors = 0;
    EXPECT_FALSE(openAs("box.step", 1, errors)) << text;
    EXPECT_EQ(errors, 1) << text;
    EXPECT_NE(lastMessage().find("box.step.json"), std::string::npos) << lastMessage();
  }
}

}  // namespace
}  // namespace rc::sim::testing
