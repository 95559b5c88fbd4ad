// Mass properties, file version and performance against the simulated host.
#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

const char* kPart = R"({
  "versionHistory": ["2000", "2500", "3000"],
  "configurations": [ { "name": "Default",
    "body": { "faces": [ { "edges": 4, "triangles": 2 } ] },
    "massProperties": [0.01, 0.02, 0.03, 1, 6, 7.8, 1, 1, 1, 0, 0, 0] } ]
})";

class MassVersionSimTest : public SimHostTest {
 protected:
  void SetUp() override {
    SimHostTest::SetUp();
    let("InputFile", au::Variant(path("bracket.vxlprt")));
    let("NameOnly", au::Variant("bracket"));
    let("BLFile", au::Variant(path("bracket.mass")));
    let("VXBuild", au::Variant("B7"));
    let("tolerance", au::Variant("5,0.001"));
  }
  int massProp(bool reImport) {
    std::vector<au::Variant> args{au::Variant(reImport)};
    return au::call(app, "TestMassProp", args).toLong();
  }
};
using MassPropertiesCheckTest = MassVersionSimTest;
using FileVersionCheckTest = MassVersionSimTest;

TEST_F(MassPropertiesCheckTest, MassPropertiesOfAPartRoundTripThroughTheBaseline) {
  open("bracket.vxlprt", kPart, 1);
  EXPECT_EQ(massProp(false), 0);
  std::string baseline = read("bracket.mass");
  EXPECT_NE(baseline.find("\r\n0.01\r\n0.02\r\n0.03\r\n1\r\n6\r\n7.8\r\n"), std::string::npos) << baseline;
  EXPECT_EQ(massProp(false), 0);
  EXPECT_FALSE(au::call(app, "Failure").toBool());

  platform::writeFile(path("bracket.mass"), "Build: B1\r\n0.01\r\n0.02\r\n0.03\r\n1\r\n6\r\n7\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n");
  EXPECT_EQ(massProp(false), 0);
  EXPECT_TRUE(au::call(app, "Failure").toBool());
  std::vector<std::string> lines = journal();
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[3], "'*** Largest Difference: 11.4% in Mass");
  EXPECT_EQ(lines[9], "'*** 06,Mass,7.00000000000000,7.80000000000000,11.4285714%,Failure");
  EXPECT_EQ(trace(), "\"TestMassProp - Enter\"\r\n\"TestMassProp - Exit\"\r\n"
                     "\"TestMassProp - Enter\"\r\n\"TestMassProp - Exit\"\r\n"
                     "\"TestMassProp - Enter\"\r\n\"TestMassProp - Exit\"\r\n");
}

TEST_F(FileVersionCheckTest, VersionHistoryIsListedAndStored) {
  open("bracket.vxlprt", kPart, 1);
  std::vector<au::Variant> args{au::Variant::integer(1), au::Variant::integer(1)};
  EXPECT_EQ(au::call(app, "TestFileVersion", args).toLong(), 0);
  std::vector<std::string> lines = journal();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[4], "'   Version History");
  EXPECT_EQ(lines[6], "'      2500");
  EXPECT_EQ(lines[7], "'   End Version History");
  EXPECT_NE(read("bracket.properties").find("FileVersion = 2500      Build: B7"), std::string::npos);

  au::call(host, "SimClearJournal");
  args = {au::Variant::integer(1), au::Variant::integer(0)};
  EXPECT_EQ(au::call(app, "TestFileVersion", args).toLong(), 0);
  EXPECT_TRUE(journal().empty());
}

}  // namespace
}  // namespace rc::testing
