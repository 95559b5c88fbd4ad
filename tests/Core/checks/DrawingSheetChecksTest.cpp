// FailFeatureInSheets and ActivateSheets on drawings of the simulated host.
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

// Three sheets: S1 with failed features A, an unnamed one and B; S2 with
// one sound feature; S3 with none. S2 is current.
const char* kDrawing = R"({
  "currentSheet": "S2",
  "sheets": [
    { "name": "S1", "features": [ {"name": "A", "type": "DrawingView", "error": 1},
                                  {"name": "", "type": "DrawingView", "error": 2},
                                  {"name": "B", "type": "DrawingView", "error": 3},
                                  {"name": "C", "type": "DrawingView", "error": 0} ] },
    { "name": "S2", "editingTemplate": true, "features": [ {"name": "D", "type": "DrawingView"} ] },
    { "name": "S3" } ] })";

using DrawingSheetChecksTest = SimHostTest;

TEST_F(DrawingSheetChecksTest, ReportRecordsPerSheetAndReturnsToTheStartingSheet) {
  open("plan.vxldrw", kDrawing, 3);
  std::vector<au::Variant> args{au::Variant(folder()), au::Variant("bmp/run_")};
  au::call(app, "FailFeatureInSheets", args);
  EXPECT_EQ(read("RavelcrestDrawingSheetCount.dat"), " 3 \r\n");
  // A sheet without features keeps the last feature name of the sheet before.
  EXPECT_EQ(read("RavelcrestDrawing.dat"), crlf({"S1", " 4 ", "*A;B;*", "bmp/run_C__1.BMP",
                                                 "S2", " 1 ", "**", "bmp/run_D__2.BMP",
                                                 "S3", " 0 ", "**", "bmp/run_D__3.BMP"}));
  EXPECT_EQ(args[1].toText(), "bmp/run_");
  EXPECT_EQ(operations(), (std::vector<std::string>{"ActivateSheet(\"S1\")", "ActivateSheet(\"S2\")",
                                                    "ActivateSheet(\"S3\")", "ActivateSheet(\"S2\")"}));
  EXPECT_EQ(trace(), "<missing>");
}

TEST_F(DrawingSheetChecksTest, FailureIsTracedInMultiSessionAndRaisedOtherwise) {
  open("plan.vxldrw", kDrawing, 3);
  std::vector<au::Variant> args{au::Variant(folder()), au::Variant("p")};
  au::call(host, "SimFail", {au::Variant("GetFeatureCount"), au::Variant("no count"), au::Variant(1)});
  try {
    au::call(app, "FailFeatureInSheets", args);
    FAIL() << "the host's error should reach the caller";
  } catch (const au::AutomationError& e) {
    EXPECT_EQ(e.description(), "no count");
  }
  EXPECT_EQ(read("RavelcrestDrawingSheetCount.dat"), " 3 \r\n");
  EXPECT_EQ(read("RavelcrestDrawing.dat"), "");

  // With MultiSession a missing session falls back to the default host; the
  // later error is traced, and the starting sheet is not re-activated.
  useMissingSession();
  au::call(host, "SimFail", {au::Variant("GetErrorCode"), au::Variant("no code"), au::Variant(1)});
  au::call(app, "FailFeatureInSheets", args);
  EXPECT_EQ(trace(), "\"FailFeatureInSheets - Failed\"\r\n");
  EXPECT_EQ(read("RavelcrestDrawing.dat"), crlf({"S1", " 4 "}));
  EXPECT_EQ(operations().back(), "ActivateSheet(\"S1\")");
}

TEST_F(DrawingSheetChecksTest, ActivateSheetsKeepsEachSheetsEditMode) {
  open("plan.vxldrw", kDrawing, 3);
  EXPECT_EQ(check("ActivateSheets").asInteger(), 0);
  // S1 and S3 are in sheet editing, S2 in sheet-format editing.
  EXPECT_EQ(operations(), (std::vector<std::string>{"ActivateSheet(\"S1\")", "EditTemplate()", "EditSheet()",
                                                    "ActivateSheet(\"S2\")", "EditSheet()", "EditTemplate()",
                                                    "ActivateSheet(\"S3\")", "EditTemplate()", "EditSheet()",
                                                    "ActivateSheet(\"S2\")"}));
  EXPECT_EQ(trace(), "\"ActivateSheets - Enter\"\r\n");
}

TEST_F(DrawingSheetChecksTest, NoDocumentOrTooManySheetsFails) {
  EXPECT_EQ(check("ActivateSheets").asInteger(), 1);
  EXPECT_EQ(trace(), "\"ActivateSheets - Enter\"\r\n\"ActivateSheets - Failed\"\r\n");

  // 32769 sheets overflow the 16-bit sheet counter before any is visited.
  std::string sheets;
  for (int i = 0; i < 32769; ++i) sheets += std::string(i ? "," : "") + "{\"name\":\"S" + std::to_string(i) + "\"}";
  open("big.vxldrw", "{\"sheets\":[" + sheets + "]}", 3);
  EXPECT_EQ(check("ActivateSheets").asInteger(), 1);
  std::vector<au::Variant> args{au::Variant(folder()), au::Variant("p")};
  EXPECT_THROW(au::call(app, "FailFeatureInSheets", args), au::AutomationError);
  EXPECT_EQ(read("RavelcrestDrawingSheetCount.dat"), " 32769 \r\n");
  EXPECT_TRUE(operations().empty());

  // 32768 features on a sheet overflow its 16-bit feature count.
  std::string features;
  for (int i = 0; i < 32768; ++i) features += std::string(i ? "," : "") + "{\"name\":\"F\"}";
  open("dense.vxldrw", R"({"sheets":[{"name":"S","features":[)" + features + "]}]}", 3);
  EXPECT_THROW(au::call(app, "FailFeatureInSheets", args), au::AutomationError);
  EXPECT_EQ(read("RavelcrestDrawing.dat"), "");
}

}  // namespace
}  // namespace rc::testing
