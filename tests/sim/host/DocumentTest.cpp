#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/display/Bmp.h"
#include "platform/display/Input.h"
#include "platform/display/Windows.h"
#include "tests/sim/host/HostFixture.h"

namespace rc::sim::testing {
namespace {

using HostDocumentTest = HostTest;

using automation::call;
using automation::callObject;
using automation::letProperty;

// Edge count as the edge check walks it: select each face, sum, halve.
double countEdges(const ObjectRef& doc) {
  call(doc, "ClearSelection");
  double total = 0;
  for (ObjectRef face = callObject(callObject(doc, "Body"), "GetFirstFace"); face; face = callObject(face, "GetNextFace")) {
    call(face, "Select", {Variant(true)});
    total += call(face, "GetEdgeCount").asLong();
  }
  call(doc, "ClearSelection");
  return total / 2;
}

TEST_F(HostDocumentTest, PartConfigurationsSwitchWhatTheDocumentAnswers) {
  ObjectRef doc = open("bracket.vxlprt", 1);
  EXPECT_EQ(call(app, "ActiveDoc").asObject(), doc);
  EXPECT_EQ(call(doc, "GetType").asLong(), 1);
  EXPECT_EQ(call(callObject(doc, "GetActiveConfiguration"), "Name").asString(), "Default");
  EXPECT_EQ(texts(call(doc, "GetConfigurationNames")), (std::vector<std::string>{"Default", "Long"}));
  EXPECT_EQ(countEdges(doc), 12);
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 4);

  EXPECT_TRUE(call(doc, "ShowConfiguration", {Variant("Long")}).asBool());
  EXPECT_EQ(countEdges(doc), 14);
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 3);
  EXPECT_DOUBLE_EQ(call(doc, "GetMassProperties").asArray().at(5).asDouble(), 1.404);
  EXPECT_FALSE(call(doc, "ShowConfiguration", {Variant("Nope")}).asBool());

  std::vector<std::string> ops = operations();
  EXPECT_EQ(ops.front(), "ClearSelection()");
  EXPECT_EQ(ops[1], "Select(True)");
  EXPECT_NE(std::find(ops.begin(), ops.end(), "ShowConfiguration(\"Long\")"), ops.end());
}

TEST_F(HostDocumentTest, FeatureTreeAndAnnotations) {
  ObjectRef doc = open("bracket.vxlprt", 1);
  std::vector<std::string> failed;
  std::int32_t n = call(doc, "GetFeatureCount").asLong();
  for (std::int32_t j = 0; j < n; ++j) {
    ObjectRef f = callObject(doc, "FeatureByPositionReverse", {Variant(n - 1 - j)});
    if (call(f, "GetErrorCode").asLong() != 0) failed.push_back(call(doc, "GetEntityName", {Variant(f)}).asString());
  }
  EXPECT_EQ(failed, std::vector<std::string>{"Cut-Extrude1"});
  EXPECT_FALSE(callObject(doc, "FeatureByPositionReverse", {Variant(n)}));

  std::vector<std::string> types;
  for (ObjectRef f = callObject(doc, "FirstFeature"); f; f = callObject(f, "GetNextFeature")) {
    types.push_back(call(f, "GetTypeName").asString());
    for (ObjectRef s = callObject(f, "GetFirstSubFeature"); s; s = callObject(s, "GetNextSubFeature"))
      types.push_back(call(s, "GetTypeName").asString());
  }
  EXPECT_EQ(types, (std::vector<std::string>{"OriginProfileFeature", "Extrusion", "ProfileFeature", "Fillet", "ICE",
                                             "ProfileFeature"}));
  int annotations = 0;
  for (ObjectRef a = callObject(doc, "GetFirstAnnotation2"); a; a = callObject(a, "GetNext2")) ++annotations;
  EXPECT_EQ(annotations, 3);
}

TEST_F(HostDocumentTest, MassPropertiesStatusAndNoBody) {
  std::ofstream(path("odd.vxlprt")) << R"({"configurations": [{"name": "A", "body": null, "massStatus": 3}]})";
  ObjectRef doc = open("odd.vxlprt", 1);
  EXPECT_FALSE(callObject(doc, "Body"));
  std::vector<Variant> args{Variant(0)};
  EXPECT_TRUE(call(doc, "GetMassProperties2", args).isEmpty());
  EXPECT_EQ(args[0].asLong(), 3);
}

TEST_F(HostDocumentTest, AssemblyComponentsAndSubAssemblies) {
  ObjectRef doc = open("frame.vxlasm", 2);
  ObjectRef root = callObject(callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
  ASSERT_TRUE(root);
  Variant children = call(root, "GetChildren");
  ASSERT_EQ(children.asArray().ubound(), 2);
  ObjectRef bolt = children.asArray().at(1).asObject();
  EXPECT_EQ(call(bolt, "Name").asString(), "bolt-1");
  EXPECT_TRUE(call(bolt, "IsHidden", {Variant(false)}).asBool());
  ObjectRef sub = children.asArray().at(2).asObject();
  ObjectRef subDoc = callObject(sub, "GetModelDoc");
  EXPECT_EQ(call(subDoc, "GetType").asLong(), 2);
  EXPECT_EQ(call(sub, "GetChildren").asArray().ubound(), 1);

  // Flexible and back, as the assembly check drives it.
  EXPECT_TRUE(call(doc, "SelectByID", {Variant("fastener-1@frame"), Variant("COMPONENT"), Variant(0), Variant(0), Variant(0)}).asBool());
  EXPECT_TRUE(call(doc, "CompConfigProperties3", {Variant(2), Variant(1), Variant(true), Variant(true)}).asBool());
  EXPECT_EQ(operations().back(), "CompConfigProperties3(2, 1, True, True)");

  // A part has no root component.
  ObjectRef part = open("bolt.vxlprt", 1);
  EXPECT_FALSE(callObject(callObject(part, "GetActiveConfiguration"), "GetRootComponent"));
}

TEST_F(HostDocumentTest, ComponentCyclesAndMissingFilesGiveNothing) {
  std::ofstream(path("loop-a.vxlasm")) << R"({"configurations": [{"name": "D", "components": [{"name": "b", "file": "loop-b.vxlasm"}, {"name": "m", "file": "missing.prt"}]}]})";
  std::ofstream(path("loop-b.vxlasm")) << R"({"configurations": [{"name": "D", "components": [{"name": "a", "file": "loop-a.vxlasm"}]}]})";
  ObjectRef doc = open("loop-a.vxlasm", 2);
  ObjectRef root = callObject(callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
  Variant kids = call(root, "GetChildren");
  ObjectRef b = kids.asArray().at(0).asObject();
  ObjectRef a = call(b, "GetChildren").asArray().at(0).asObject();
  EXPECT_FALSE(callObject(a, "GetModelDoc"));
  EXPECT_FALSE(callObject(kids.asArray().at(1).asObject(), "GetModelDoc"));
  EXPECT_GE(texts(call(app, "SimMessages")).size(), 2u);
}

TEST_F(HostDocumentTest, DrawingSheetsAndEditModes) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  EXPECT_EQ(call(doc, "GetSheetCount").asLong(), 3);
  EXPECT_EQ(call(callObject(doc, "GetCurrentSheet"), "getName").asString(), "Sheet1");
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 3);
  EXPECT_TRUE(call(doc, "ActivateSheet", {Variant("Sheet3")}).asBool());
  EXPECT_FALSE(call(doc, "GetEditSheet").asBool());
  call(doc, "EditSheet");
  EXPECT_TRUE(call(doc, "GetEditSheet").asBool());
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 0);
  EXPECT_FALSE(call(doc, "ActivateSheet", {Variant("Sheet9")}).asBool());
  EXPECT_EQ(call(callObject(doc, "GetCurrentSheet"), "getName").asString(), "Sheet3");
}

// The cut-paste-undo cycle of the drawing view operations.
TEST_F(HostDocumentTest, CutPasteUndoLeavesTheDrawingAsItWas) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  std::string before = call(doc, "GetPathName").asString();
  auto viewNames = [&] {
    std::vector<std::string> names;
    for (ObjectRef v = callObject(doc, "GetFirstView"); v; v = callObject(v, "GetNextView"))
      names.push_back(call(v, "GetName2").asString());
    return names;
  };
  std::vector<std::string> original = viewNames();
  int count = 0;
  for (ObjectRef v = callObject(callObject(doc, "GetFirstView"), "GetNextView"); v; v = callObject(v, "GetNextView")) {
    Variant pos = call(v, "position");
    call(doc, "andSelectByID", {Variant(""), Variant("DRAWINGVIEW"), pos.asArray().at(0), pos.asArray().at(1), Variant(0)});
    ++count;
  }
  call(doc, "EditCut");
  EXPECT_EQ(viewNames(), std::vector<std::string>{"Sheet1"});
  EXPECT_TRUE(call(doc, "NewSheet3", {Variant("TestSheetMFD"), Variant(0), Variant(13), Variant(1), Variant(5), Variant(0),
                                      Variant("*.drt"), Variant(0.2794), Variant(0.2159), Variant("Default")})
                  .asBool());
  call(doc, "SelectByID", {Variant(""), Variant("SHEET"), Variant(0.01), Variant(0.01), Variant(0)});
  call(doc, "Paste");
  EXPECT_EQ(call(doc, "GetSheetCount").asLong(), 4);
  EXPECT_EQ(viewNames().size(), 4u);
  call(doc, "EditUndo", {Variant(count + 2)});
  EXPECT_EQ(call(doc, "GetSheetCount").asLong(), 3);
  EXPECT_EQ(viewNames(), original);

  std::vector<std::string> ops = operations();
  EXPECT_EQ(ops[0], "andSelectByID(\"\", \"DRAWINGVIEW\", 0.07, 0.15, 0)");
  EXPECT_EQ(ops[4], "NewSheet3(\"TestSheetMFD\", 0, 13, 1, 5, False, \"*.drt\", 0.2794, 0.2159, \"Default\")");
  EXPECT_EQ(ops.back(), "EditUndo(5)");
}

// Selections are recorded but are not undo steps: with one view the cycle
// undoes 3 steps (cut, new sheet, paste) and the view is back.
TEST_F(HostDocumentTest, UndoStepsAreEditsNotSelections) {
  std::ofstream(path("one.vxldrw")) << R"({"sheets": [{"name": "Sheet1",
    "features": [{"name": "Drawing View1", "type": "DrawingView"}],
    "views": [{"name": "Sheet1"}, {"name": "Drawing View1", "position": [0.1, 0.1], "outline": [0.05, 0.05, 0.15, 0.15]}]}]})";
  ObjectRef doc = open("one.vxldrw", 3);
  auto views = [&] {
    std::vector<std::string> names;
    for (ObjectRef v = callObject(doc, "GetFirstView"); v; v = callObject(v, "GetNextView"))
      names.push_back(call(v, "GetName2").asString());
    return names;
  };
  auto selectAt = [&](const char* member, const char* type, double x, double y) {
    return call(doc, member, {Variant(""), Variant(type), Variant(x), Variant(y), Variant(0)}).asBool();
  };
  std::vector<std::string> original = views();
  EXPECT_TRUE(selectAt("andSelectByID", "DRAWINGVIEW", 0.1, 0.1));
  call(doc, "EditCut");
  call(doc, "NewSheet3", {Variant("TestSheetMFD"), Variant(0), Variant(13), Variant(1), Variant(5), Variant(0),
                          Variant("*.drt"), Variant(0.2794), Variant(0.2159), Variant("Default")});
  EXPECT_TRUE(selectAt("SelectByID", "SHEET", 0.01, 0.01));
  call(doc, "Paste");
  call(doc, "EditUndo", {Variant(1 + 2)});
  EXPECT_EQ(call(doc, "GetSheetCount").asLong(), 1);
  EXPECT_EQ(views(), original);
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 1);
  // Undoing more steps than were made does nothing more; selecting alone
  // gives nothing to undo.
  selectAt("SelectByID", "DRAWINGVIEW", 0.1, 0.1);
  call(doc, "ClearSelection");
  call(doc, "EditUndo", {Variant(10)});
  EXPECT_EQ(views(), original);
  std::vector<std::string> ops = operations();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "andSelectByID(\"\", \"DRAWINGVIEW\", 0.1, 0.1, 0)"), 1);
  EXPECT_EQ(ops.back(), "EditUndo(10)");

  // The section cycle: sketch stays, centre line and section view go.
  EXPECT_TRUE(selectAt("SelectByID", "DRAWINGVIEW", 0.1, 0.1));
  call(doc, "EditSketch");
  call(doc, "CreateCenterLineVB", {Variant(0), Variant(-0.05), Variant(0), Variant(0), Variant(0.05), Variant(0)});
  EXPECT_TRUE(callObject(doc, "CreateSectionViewAt", {Variant(0.15), Variant(0.15), Variant(0), Variant(0), Variant(0)}));
  call(doc, "EditUndo", {Variant(2)});
  EXPECT_EQ(views(), original);
  // A section view at no finite place is refused, not written as null.
  call(doc, "CreateCenterLineVB", {Variant(0), Variant(-0.05), Variant(0), Variant(0), Variant(0.05), Variant(0)});
  EXPECT_FALSE(callObject(doc, "CreateSectionViewAt", {Variant(NAN), Variant(0.15), Variant(0), Variant(0), Variant(0)}));
}

TEST_F(HostDocumentTest, ConfigurationChangesAreUndoSteps) {
  std::ofstream(path("two.vxlasm")) << R"({"configurations": [
    {"name": "A", "components": [{"name": "bolt-1", "file": "bolt.vxlprt"}]}, {"name": "B"}]})";
  ObjectRef doc = open("two.vxlasm", 2);
  auto active = [&] { return call(callObject(doc, "GetActiveConfiguration"), "Name").asString(); };
  EXPECT_TRUE(call(doc, "SelectByID", {Variant("bolt-1@two"), Variant("COMPONENT"), Variant(0), Variant(0), Variant(0)}).asBool());
  EXPECT_TRUE(call(doc, "CompConfigProperties3", {Variant(0), Variant(1), Variant(false), Variant(true)}).asBool());
  EXPECT_TRUE(call(doc, "ShowConfiguration", {Variant("B")}).asBool());
  call(doc, "EditUndo", {Variant(1)});
  EXPECT_EQ(active(), "A");
  ObjectRef root = callObject(callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
  ObjectRef bolt = call(root, "GetChildren").asArray().at(0).asObject();
  EXPECT_EQ(call(bolt, "GetSuppression").asLong(), 0);
  call(doc, "EditUndo", {Variant(1)});
  EXPECT_EQ(call(bolt, "GetSuppression").asLong(), 2);
  EXPECT_FALSE(call(bolt, "IsHidden").asBool());
}

TEST_F(HostDocumentTest, SectionViewsAreCreatedAndUndone) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  ObjectRef v = callObject(callObject(doc, "GetFirstView"), "GetNextView");
  Variant outline = call(v, "GetOutline");
  Variant pos = call(v, "position");
  call(doc, "SelectByID", {Variant(""), Variant("DRAWINGVIEW"), pos.asArray().at(0), pos.asArray().at(1), Variant(0)});
  call(doc, "EditSketch");
  EXPECT_TRUE(call(doc, "CreateCenterLineVB", {Variant(0), Variant(-0.08), Variant(0), Variant(0), Variant(0.08), Variant(0)}).asBool());
  ObjectRef section = callObject(doc, "CreateSectionViewAt", {outline.asArray().at(2), outline.asArray().at(3), Variant(0), Variant(0), Variant(0)});
  ASSERT_TRUE(section);
  EXPECT_EQ(call(section, "GetName2").asString(), "Section View A");
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 4);
  call(doc, "EditUndo", {Variant(2)});
  EXPECT_EQ(call(doc, "GetFeatureCount").asLong(), 3);
  EXPECT_EQ(operations()[2], "CreateCenterLineVB(0, -0.08, 0, 0, 0.08, 0)");
}

TEST_F(HostDocumentTest, SaveWritesVersionAndKeepsUnknownFields) {
  std::ofstream(path("keep.vxlprt")) << R"({"vendorNote": {"a": [1, 2]}, "fileVersion": 2000,
    "configurations": [{"name": "A", "colour": "red", "features": [{"name": "F", "type": "T", "custom": true}]}]})";
  ObjectRef doc = open("keep.vxlprt", 1);
  letProperty(app, "SimLatestFileVersion", Variant(3100));
  std::vector<Variant> args{Variant("13"), Variant(0), Variant(0)};
  EXPECT_TRUE(call(doc, "Save3", args).asBool());
  EXPECT_EQ(args[1].asLong(), 0);
  std::ifstream in(path("keep.vxlprt"));
  auto j = nlohmann::json::parse(in);
  EXPECT_EQ(j["fileVersion"], 3100);
  EXPECT_EQ(j["versionHistory"], nlohmann::json::array({"3100"}));
  EXPECT_EQ(j["vendorNote"]["a"][1], 2);
  EXPECT_EQ(j["configurations"][0]["colour"], "red");
  EXPECT_EQ(j["configurations"][0]["features"][0]["custom"], true);
  EXPECT_EQ(texts(call(doc, "VersionHistory")), std::vector<std::string>{"3100"});
  EXPECT_EQ(operations().back(), "Save3(13, 0, 0)");
}

TEST_F(HostDocumentTest, SaveReportsConfiguredErrorsAndReadOnlyFiles) {
  std::ofstream(path("bad-save.vxlprt")) << R"({"saveErrors": 64, "saveWarnings": 1})";
  std::ofstream(path("ro.vxlprt")) << R"({"readOnly": true, "lockedBy": "kim", "viewOnly": true})";
  ObjectRef doc = open("bad-save.vxlprt", 1);
  std::string before = std::string(std::istreambuf_iterator<char>(*std::make_unique<std::ifstream>(path("bad-save.vxlprt"))), {});
  std::vector<Variant> args{Variant(1), Variant(0), Variant(0)};
  EXPECT_FALSE(call(doc, "Save3", args).asBool());
  EXPECT_EQ(args[1].asLong(), 64);
  EXPECT_EQ(args[2].asLong(), 1);
  std::string after = std::string(std::istreambuf_iterator<char>(*std::make_unique<std::ifstream>(path("bad-save.vxlprt"))), {});
  EXPECT_EQ(before, after);

  std::vector<Variant> open{Variant(path("ro.vxlprt")), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
  ObjectRef ro = call(app, "OpenDoc6", open).toObject();
  EXPECT_EQ(open[5].asLong(), 2 | 4 | 512);
  EXPECT_FALSE(call(ro, "Save3", args).asBool());
  EXPECT_EQ(args[1].asLong(), 2);
}

TEST_F(HostDocumentTest, OpenDoc6Errors) {
  auto openDoc = [&](const std::string& p, int type, std::int32_t& errors) {
    std::vector<Variant> a{Variant(p), Variant(type), Variant(0), Variant(""), Variant(0), Variant(0)};
    Variant doc = call(app, "OpenDoc6", a);
    errors = a[4].asLong();
    return doc.toObject();
  };
  std::int32_t errors = 0;
  EXPECT_FALSE(openDoc(path("nothing.vxlprt"), 1, errors));
  EXPECT_EQ(errors, 2);
  EXPECT_FALSE(openDoc(path("bolt.vxlprt"), 2, errors));
  EXPECT_EQ(errors, 1);
  // Opening an open document answers the same object, also through "\".
  ObjectRef first = openDoc(path("bolt.vxlprt"), 1, errors);
  std::string windowsStyle = path("bolt.vxlprt");
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  windowsStyle[0] = '/';
  EXPECT_EQ(openDoc(windowsStyle, 1, errors), first);
  EXPECT_EQ(call(app, "GetOpenDocumentByName", {Variant("bolt.vxlprt")}).asObject(), first);
}

TEST_F(HostDocumentTest, MalformedFilesAreRefusedWithTheFieldNamed) {
  struct Case {
    const char* text;
    const char* expect;
  } cases[] = {
      {"{", "not valid JSON"},
      {R"({"configurations": [{"massProperties": [1, 2]}]})", "configurations[0].massProperties"},
      {R"({"configurations": [{"body": {"faces": [{"edges": -1}]}}]})", "configurations[0].body.faces[0].edges"},
      {R"({"configurations": [{"body": {"faces": [{"edges": 1e300}]}}]})", "out of range"},
      {R"({"activeConfiguration": "X"})", "activeConfiguration"},
      {R"({"view": {"rects": [{"color": [1, 2, 300]}]}})", "view.rects[0].color[2]"},
      {R"([1, 2])", "must be an object"},
      {R"({"faults": {"GetType": 5}})", "faults.GetType"},
  };
  int i = 0;
  for (const Case& c : cases) {
    std::string name = "bad" + std::to_string(i++) + ".vxlprt";
    std::ofstream(path(name)) << c.text;
    std::vector<Variant> a{Variant(path(name)), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
    EXPECT_TRUE(call(app, "OpenDoc6", a).isNothing()) << c.text;
    EXPECT_EQ(a[4].asLong(), 1) << c.text;
    std::string last = texts(call(app, "SimMessages")).back();
    EXPECT_NE(last.find(name), std::string::npos) << last;
    EXPECT_NE(last.find(c.expect), std::string::npos) << last;
  }
  // Deep nesting is refused before parsing.
  std::ofstream(path("deep.vxlprt")) << std::string(100000, '[') + std::string(100000, ']');
  std::vector<Variant> a{Variant(path("deep.vxlprt")), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
  EXPECT_TRUE(call(app, "OpenDoc6", a).isNothing());
}

TEST_F(HostDocumentTest, DependenciesOfOpenDocumentsAndFilesOnDisk) {
  call(app, "SetCurrentWorkingDirectory", {Variant(path("tree"))});
  Variant direct = call(app, "GetDocumentDependencies2", {Variant("top.vxlasm"), Variant(false), Variant(true), Variant(false)});
  std::vector<std::string> list = texts(direct);
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0], "a.vxlprt");
  EXPECT_EQ(list[1], path("tree/parts/a.vxlprt"));
  EXPECT_EQ(list[5], path("tree/sub/c.vxlasm"));
  EXPECT_EQ(call(app, "GetDocumentDependenciesCount", {Variant(path("tree/top.vxlasm")), Variant(false), Variant(true)}).asLong(), 6);
  // Traversal visits each path once even though c depends on a again.
  EXPECT_EQ(texts(call(app, "GetDocumentDependencies2", {Variant(path("tree/top.vxlasm")), Variant(true), Variant(true), Variant(false)})).size(), 6u);
  EXPECT_EQ(call(app, "GetDocumentDependencies2", {Variant(path("tree/none.vxlasm")), Variant(true), Variant(true), Variant(false)}).asArray().ubound(), -1);

  ObjectRef doc = open("bracket.vxldrw", 3);
  EXPECT_EQ(call(doc, "GetNumDependencies", {Variant(true), Variant(true)}).asLong(), 2);
  EXPECT_EQ(texts(call(doc, "GetDependencies", {Variant(true), Variant(true)}))[1], path("bracket.vxlprt"));
}

TEST_F(HostDocumentTest, SaveBmpDrawsTheViewOutlinesOfTheActiveSheet) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  std::string file = path("sheet1.BMP");
  EXPECT_TRUE(call(doc, "SaveBMP", {Variant(file), Variant(400), Variant(400)}).asBool());
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(data[28], 24);
  auto image = display::decodeBmp(data);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 400);
  EXPECT_EQ(image->pixel(0, 0), display::rgb(255, 255, 255));
  // Drawing View1's outline: left edge at x = 0.03 of a 0.2794 wide sheet.
  int x = static_cast<int>(std::lround(0.03 / 0.2794 * 399));
  int y = static_cast<int>(std::lround((0.2159 - 0.15) / 0.2159 * 399));
  EXPECT_EQ(image->pixel(x, y), display::rgb(0, 0, 0));
  EXPECT_FALSE(call(doc, "SaveBMP", {Variant(file), Variant(0), Variant(400)}).asBool());
}

TEST_F(HostDocumentTest, PrintJobsGoToTheSpool) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  ObjectRef setup = callObject(doc, "PageSetup");
  letProperty(setup, "PrinterPaperSize", Variant(9));
  letProperty(setup, "UsePageSetupOnSheets", Variant(false));
  std::vector<Variant> args{Variant(1), Variant(250), Variant(2), Variant(true), Variant(""), Variant("")};
  call(callObject(doc, "extension"), "PrintOut", args);
  automation::SafeArray pages = automation::SafeArray::vector(automation::VarType::Long, {Variant(1), Variant(3), Variant(5), Variant(5)});
  std::vector<Variant> args2{Variant(pages), Variant(1), Variant(false), Variant("Plotter"), Variant("")};
  call(callObject(doc, "extension"), "PrintOut2", args2);
  std::vector<std::string> jobs = texts(call(app, "SimPrintJobs"));
  ASSERT_EQ(jobs.size(), 2u);
  auto j1 = nlohmann::json::parse(jobs[0]), j2 = nlohmann::json::parse(jobs[1]);
  EXPECT_EQ(j1["pages"], nlohmann::json::parse("[[1, 250]]"));
  EXPECT_EQ(j1["copies"], 2);
  EXPECT_EQ(j1["paperSize"], 9);
  EXPECT_EQ(j1["document"], path("bracket.vxldrw"));
  EXPECT_EQ(j2["pages"], nlohmann::json::parse("[[1, 3], [5, 5]]"));
  EXPECT_EQ(j2["printer"], "Plotter");
}

TEST_F(HostDocumentTest, GraphicsViewShowsTheActiveDocument) {
  auto view = static_cast<display::Handle>(call(app, "SimViewWindow").asLong());
  auto frame = static_cast<display::Handle>(call(app, "SimFrameWindow").asLong());
  EXPECT_EQ(display::getParent(view), frame);
  display::Rect r;
  ASSERT_TRUE(display::getWindowRect(view, r));
  EXPECT_EQ(r, (display::Rect{240, 80, 1264, 848}));
  EXPECT_EQ(display::capture(view).pixel(5, 5), display::rgb(192, 192, 192));

  open("bracket.vxlprt", 1);
  display::Surface shot = display::capture(view);
  EXPECT_EQ(shot.pixel(5, 10), display::rgb(40, 80, 200));      // the image, top left
  EXPECT_EQ(shot.pixel(150, 120), display::rgb(255, 0, 0));     // a rectangle
  EXPECT_EQ(shot.pixel(600, 600), display::rgb(255, 255, 255)); // the background
  ASSERT_TRUE(display::moveWindow(view, 240, 80, 300, 200, true));
  EXPECT_EQ(display::capture(view).width(), 300);
  EXPECT_EQ(display::capture(view).pixel(150, 120), display::rgb(255, 0, 0));
}

TEST_F(HostDocumentTest, KeystrokesAndMessagesAreRecorded) {
  open("frame.vxlasm", 2);
  // The frame of the most recently activated session receives keystrokes.
  EXPECT_TRUE(display::sendKeys("%(TR)"));
  call(app, "sendmsgtouser", {Variant("Document could not be imported/opened.")});
  EXPECT_EQ(texts(call(app, "SimKeystrokes")), std::vector<std::string>{"%(TR)"});
  EXPECT_EQ(texts(call(app, "SimMessages")).back(), "Document could not be imported/opened.");
}

}  // namespace
}  // namespace rc::sim::testing
