// ComponentCount, TestFlexible and TestAssemInterference on assemblies of
// the simulated host.
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

const char* kHeader[] = {"", "'   ---------------------------------------------",
                         "'                  Information (ST)", "'   ---------------------------------------------"};

class AssemblyChecksTest : public SimHostTest {
 protected:
  // top.vxlasm: two parts and a sub-assembly of four parts.
  void openAssembly(const std::string& title = "top.vxlasm") {
    open("bolt.vxlprt", "{}", 1);
    open("sub.vxlasm", R"({ "configurations": [ { "name": "Default", "components": [
        {"name": "b-1", "file": "bolt.vxlprt"}, {"name": "b-2", "file": "bolt.vxlprt"},
        {"name": "b-3", "file": "bolt.vxlprt"}, {"name": "b-4", "file": "bolt.vxlprt"} ] } ] })", 2);
    open("top.vxlasm", R"({ "title": ")" + title + R"(", "configurations": [ { "name": "Default", "components": [
        {"name": "bolt-1", "file": "bolt.vxlprt"}, {"name": "sub-1", "file": "sub.vxlasm", "suppression": 2},
        {"name": "bolt-2", "file": "bolt.vxlprt", "hidden": true} ] } ] })", 2);
  }
  std::vector<std::string> countLines(int n) {
    std::vector<std::string> lines(std::begin(kHeader), std::end(kHeader));
    lines.push_back("'   ComponentCount " + std::to_string(n));
    lines.push_back("");
    return lines;
  }
};

TEST_F(AssemblyChecksTest, ComponentCountCountsTopLevelOnly) {
  openAssembly();
  EXPECT_EQ(check("ComponentCount").asInteger(), 0);
  EXPECT_EQ(journal(), countLines(3));
  au::call(host, "SimClearJournal");
  open("part.vxlprt", "{}", 1);
  EXPECT_EQ(check("ComponentCount").asInteger(), 0);
  EXPECT_EQ(journal(), countLines(0));
  // A drawing has no active configuration, so no root component either.
  au::call(host, "SimClearJournal");
  open("plan.vxldrw", "{}", 3);
  EXPECT_EQ(check("ComponentCount").asInteger(), 0);
  EXPECT_EQ(journal(), countLines(0));
  EXPECT_EQ(check("TestFlexible").asInteger(), 1);
}

TEST_F(AssemblyChecksTest, ComponentCountFailureStillExits) {
  openAssembly();
  au::call(host, "SimFail", {au::Variant("GetChildren"), au::Variant("x"), au::Variant(1)});
  EXPECT_EQ(check("ComponentCount").asInteger(), 1);
  EXPECT_EQ(trace(), "\"Component Count - Enter\"\r\n\"Component Count - Failed\"\r\n\"Component Count - Exit\"\r\n");
}

TEST_F(AssemblyChecksTest, TestFlexibleTogglesSubAssembliesOnly) {
  openAssembly();
  EXPECT_EQ(check("TestFlexible").asInteger(), 0);
  EXPECT_EQ(operations(), (std::vector<std::string>{"SelectByID(\"sub-1@top\", \"COMPONENT\", 0, 0, 0)",
                                                    "CompConfigProperties3(2, 1, True, True)",
                                                    "CompConfigProperties3(2, 0, True, True)"}));
  EXPECT_EQ(trace(), "<missing>");
}

TEST_F(AssemblyChecksTest, TestFlexibleFailsOnAPartOrATitleWithoutExtension) {
  open("part.vxlprt", "{}", 1);
  EXPECT_EQ(check("TestFlexible").asInteger(), 1);
  openAssembly("top");
  EXPECT_EQ(check("TestFlexible").asInteger(), 1);
  EXPECT_TRUE(operations().empty());
}

TEST_F(AssemblyChecksTest, InterferenceSendsKeystrokesOnlyForAnAssembly) {
  open("part.vxlprt", "{}", 1);
  check("TestAssemInterference");
  EXPECT_TRUE(strings("SimKeystrokes").empty());

  openAssembly();
  let("NameOnly", au::Variant("bolt-1@top"));
  EXPECT_TRUE(check("TestAssemInterference").isEmpty());
  EXPECT_EQ(strings("SimKeystrokes"), (std::vector<std::string>{"%(TR)", "%C"}));
  EXPECT_EQ(operations(), std::vector<std::string>{"SelectByID(\"bolt-1@top\", \"COMPONENT\", 0, 0, 0)"});

  // Every failing step is skipped; both trace lines are written.
  au::call(host, "SimFail", {au::Variant("SelectByID"), au::Variant("x"), au::Variant(1)});
  check("TestAssemInterference");
  EXPECT_EQ(strings("SimKeystrokes").size(), 4u);
  std::string enterExit = "\"TestAssemInterference - Enter\"\r\n\"TestAssemInterference - Exit\"\r\n";
  EXPECT_EQ(trace(), enterExit + enterExit + enterExit);
}

}  // namespace
}  // namespace rc::testing
