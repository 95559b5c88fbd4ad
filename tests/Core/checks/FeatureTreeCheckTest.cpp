// Features: the census of feature and annotation types in the journal, with
// annotation names from the host folder's constants file.
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

const char* kConstants =
    "Public Enum vxAnnotationType_e\r\n"
    "\tvxDisplayDimension = 4\r\n"
    "\r\n"
    "\t\t\tvxNote = 6\r\n"
    "\tvxNoteAgain = 6\r\n"
    "End Enum\r\n";

// Two extrusions and a fillet, one level of sub-features (a deeper one is
// not counted), and annotations of types 6, 4, 6 and 99 (unnamed).
const char* kPart = R"({
  "configurations": [ { "name": "Default", "features": [
    { "name": "E1", "type": "Extrusion", "subFeatures": [ { "name": "K1", "type": "ProfileFeature",
        "subFeatures": [ { "name": "deep", "type": "Deep" } ] } ] },
    { "name": "F1", "type": "Fillet" },
    { "name": "E2", "type": "Extrusion" } ] } ],
  "annotations": [ {"type": 6}, {"type": 4}, {"type": 6}, {"type": 99} ] })";

std::vector<std::string> census(std::vector<std::string> entries) {
  std::vector<std::string> lines{"", "'   ---------------------------------------------",
                                 "'                  Information (ST)", "'   ---------------------------------------------",
                                 "'   Feature List"};
  for (auto& e : entries) lines.push_back("'      " + e);
  lines.push_back("'   End Feature List");
  lines.push_back(" ");
  return lines;
}

using FeatureCensusTest = SimHostTest;

TEST_F(FeatureCensusTest, FeaturesThenNamedAnnotationsInFirstSeenOrder) {
  platform::createFolder(path("vx/samples/appComm"));
  platform::writeFile(path("vx/samples/appComm/vxconst.bas"), kConstants);
  let("VXPath", au::Variant(path("vx")));
  open("shaft.vxlprt", kPart, 1);
  EXPECT_EQ(check("Features").asInteger(), 0);
  EXPECT_EQ(journal(), census({"Extrusion    Qty: 2", "ProfileFeature    Qty: 1", "Fillet    Qty: 1",
                               "Note     Qty: 2", "DisplayDimension     Qty: 1"}));
  EXPECT_EQ(trace(), "\"Features - Enter\"\r\n\"Features - Exit\"\r\n");
}

TEST_F(FeatureCensusTest, DrawingCountsEveryViewSheetFirstWithTheGrandparentsFile) {
  // VXPath .../install/bin finds the file under the grandparent folder.
  platform::createFolder(path("samples/appComm"));
  platform::writeFile(path("samples/appComm/vxconst.bas"), kConstants);
  platform::createFolder(path("install/bin"));
  let("VXPath", au::Variant(path("install/bin")));
  open("plan.vxldrw", R"({ "sheets": [ { "name": "S", "views": [
      { "name": "S", "annotations": [ {"type": 4} ] },
      { "name": "V", "annotations": [ {"type": 6}, {"type": 4} ] } ] } ] })", 3);
  EXPECT_EQ(check("Features").asInteger(), 0);
  EXPECT_EQ(journal(), census({"DisplayDimension     Qty: 2", "Note     Qty: 1"}));
}

TEST_F(FeatureCensusTest, ConstantsFileMissingOrBrokenLeavesTheFeatureCensus) {
  let("VXPath", au::Variant(path("nowhere")));
  open("shaft.vxlprt", kPart, 1);
  EXPECT_EQ(check("Features").asInteger(), 0);
  auto features = census({"Extrusion    Qty: 2", "ProfileFeature    Qty: 1", "Fillet    Qty: 1"});
  EXPECT_EQ(journal(), features);
  EXPECT_EQ(moduleTrace(), "\"Couldn't find vxconst.bas\"\r\n\"Failed to load Dictionary: vxAnnotationType_e\"\r\n");

  // A block that never ends: the parse fails at the end of the file.
  platform::createFolder(path("nowhere/samples/appComm"));
  platform::writeFile(path("nowhere/samples/appComm/vxconst.bas"), "Enum vxAnnotationType_e\r\n\tvxNote = 6\r\n");
  au::call(host, "SimClearJournal");
  EXPECT_EQ(check("Features").asInteger(), 0);
  EXPECT_EQ(journal(), features);
  EXPECT_NE(moduleTrace().find("\"Couldn't find vxconst.bas\"\r\n\"Failed to load Dictionary: vxAnnotationType_e\"\r\n"
                               "\"Failed to load Dictionary: vxAnnotationType_e\"\r\n"),
            std::string::npos);
}

TEST_F(FeatureCensusTest, FailuresAndNoDocument) {
  EXPECT_EQ(check("Features").asInteger(), 0);  // no active document: nothing written
  EXPECT_TRUE(journal().empty());

  open("shaft.vxlprt", kPart, 1);
  au::call(host, "SimFail", {au::Variant("GetNextFeature"), au::Variant("broken tree"), au::Variant(1)});
  EXPECT_EQ(check("Features").asInteger(), 1);
  EXPECT_EQ(journal().back(), "'   Feature List");  // lines already written stay

  useMissingSession();
  EXPECT_EQ(check("Features").asInteger(), 1);
  EXPECT_EQ(moduleTrace(), "\"Get Features - Failed\"\r\n");
  EXPECT_EQ(trace(), "\"Features - Enter\"\r\n\"Features - Exit\"\r\n"
                     "\"Features - Enter\"\r\n\"Features - Failed\"\r\n\"Features - Exit\"\r\n"
                     "\"Features - Enter\"\r\n\"Features - Exit\"\r\n");
}

}  // namespace
}  // namespace rc::testing
