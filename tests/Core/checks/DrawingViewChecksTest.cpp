// ViewCutPaste, InsertBOM and CreateSectionView: the host calls they make
// on the simulated host, in order, with their arguments.
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

// The sheet's own view, then three drawing views; the last one's transform
// has the third number `scale3`.
std::string drawing(const std::string& scale3) {
  return R"({ "sheets": [ { "name": "Sheet1", "views": [
    { "name": "Sheet1", "position": [0, 0], "outline": [0, 0, 0.28, 0.21], "xform": [0, 0, 1] },
    { "name": "V1", "position": [0.1, 0.1], "outline": [0.05, 0.25, 0.15, 0.75], "xform": [0, 0, 0.5] },
    { "name": "V2", "position": [0.2, 0.1], "outline": [0.15, 0, 0.25, 0.5], "xform": [0, 0, 2] },
    { "name": "V3", "position": [0.3, 0.1], "outline": [0.25, 0, 0.35, 0.25], "xform": [0, 0, )" +
         scale3 + R"(] } ] } ] })";
}

using DrawingViewChecksTest = SimHostTest;

// The host declares NewSheet3's sixth parameter (first-angle projection) a
// Boolean, so the 0 passed is recorded as False.
TEST_F(DrawingViewChecksTest, CutPasteSelectsAllViewsAndUndoesViewsPlusTwo) {
  open("plan.vxldrw", drawing("1"), 3);
  EXPECT_EQ(check("ViewCutPaste").asInteger(), 0);
  EXPECT_EQ(operations(),
            (std::vector<std::string>{
                "andSelectByID(\"\", \"DRAWINGVIEW\", 0.1, 0.1, 0)", "andSelectByID(\"\", \"DRAWINGVIEW\", 0.2, 0.1, 0)",
                "andSelectByID(\"\", \"DRAWINGVIEW\", 0.3, 0.1, 0)", "EditCut()",
                "NewSheet3(\"TestSheetMFD\", 0, 13, 1, 5, False, \"*.drt\", 0.2794, 0.2159, \"Default\")",
                "SelectByID(\"\", \"SHEET\", 0.01, 0.01, 0)", "Paste()", "EditUndo(5)"}));
  EXPECT_EQ(trace(), "\"ViewCutPaste - Enter\"\r\n\"ViewCutPaste - Exit\"\r\n");
}

TEST_F(DrawingViewChecksTest, InsertBomSelectsEachViewAlone) {
  open("plan.vxldrw", drawing("1"), 3);
  EXPECT_TRUE(check("InsertBOM").isEmpty());
  EXPECT_EQ(operations(), (std::vector<std::string>{"SelectByID(\"\", \"DRAWINGVIEW\", 0.1, 0.1, 0)",
                                                    "SelectByID(\"\", \"DRAWINGVIEW\", 0.2, 0.1, 0)",
                                                    "SelectByID(\"\", \"DRAWINGVIEW\", 0.3, 0.1, 0)"}));
  EXPECT_EQ(trace(), "\"InsertBOM - Enter\"\r\n\"InsertBOM - Exit\"\r\n");
}

TEST_F(DrawingViewChecksTest, SectionViewPerViewWithCentreLineFromOutlineAndScale) {
  open("plan.vxldrw", drawing("0.25"), 3);
  EXPECT_EQ(check("CreateSectionView").asInteger(), 0);
  // h / (2 t): 0.5 / 1 = 0.5; 0.5 / 4 = 0.125; 0.25 / 0.5 = 0.5.
  EXPECT_EQ(operations(),
            (std::vector<std::string>{
                "SelectByID(\"\", \"DRAWINGVIEW\", 0.1, 0.1, 0)", "EditSketch()", "CreateCenterLineVB(0, -0.5, 0, 0, 0.5, 0)",
                "CreateSectionViewAt(0.15, 0.75, 0, 0, 0)", "EditUndo(2)",
                "SelectByID(\"\", \"DRAWINGVIEW\", 0.2, 0.1, 0)", "EditSketch()",
                "CreateCenterLineVB(0, -0.125, 0, 0, 0.125, 0)", "CreateSectionViewAt(0.25, 0.5, 0, 0, 0)", "EditUndo(2)",
                "SelectByID(\"\", \"DRAWINGVIEW\", 0.3, 0.1, 0)", "EditSketch()", "CreateCenterLineVB(0, -0.5, 0, 0, 0.5, 0)",
                "CreateSectionViewAt(0.35, 0.25, 0, 0, 0)", "EditUndo(2)"}));
  EXPECT_EQ(trace(), "\"SectionView - Enter\"\r\n\"SectionView - Exit\"\r\n");
}

TEST_F(DrawingViewChecksTest, ZeroScaleIsADivisionFailureAfterTheSketchStarts) {
  open("plan.vxldrw", drawing("0"), 3);
  EXPECT_EQ(check("CreateSectionView").asInteger(), 1);
  auto ops = operations();
  ASSERT_EQ(ops.size(), 12u);
  EXPECT_EQ(ops[10], "SelectByID(\"\", \"DRAWINGVIEW\", 0.3, 0.1, 0)");
  EXPECT_EQ(ops[11], "EditSketch()");
  EXPECT_EQ(trace(), "\"SectionView - Enter\"\r\n\"SectionView - Failed\"\r\n\"SectionView - Exit\"\r\n");
}

TEST_F(DrawingViewChecksTest, NoDrawingViewsOrNoDrawingCallsNoEditingMember) {
  open("bare.vxldrw", R"({ "sheets": [ { "name": "S", "views": [ { "name": "S" } ] } ] })", 3);
  EXPECT_EQ(check("ViewCutPaste").asInteger(), 0);
  EXPECT_EQ(check("CreateSectionView").asInteger(), 0);
  open("part.vxlprt", "{}", 1);
  EXPECT_EQ(check("ViewCutPaste").asInteger(), 0);
  check("InsertBOM");
  EXPECT_TRUE(operations().empty());

  // A view without a position fails, with the exit line still written.
  open("odd.vxldrw", R"({ "sheets": [ { "name": "S", "views": [ { "name": "S" }, { "name": "V" } ] } ] })", 3);
  au::call(host, "SimFail", {au::Variant("position"), au::Variant("no position"), au::Variant(1)});
  EXPECT_EQ(check("ViewCutPaste").asInteger(), 1);
  EXPECT_NE(trace().find("\"ViewCutPaste - Failed\"\r\n\"ViewCutPaste - Exit\"\r\n"), std::string::npos);
}

}  // namespace
}  // namespace rc::testing
