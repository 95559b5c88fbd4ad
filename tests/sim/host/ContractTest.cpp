// The host's published surface as outside harnesses rely on it: member
// names and kinds, by-reference parameters, settings, the operations log's
// call texts, read-only files, the journal's default file and the windows.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include <nlohmann/json.hpp>

#include "platform/automation/TypeInfo.h"
#include "platform/display/Windows.h"
#include "tests/sim/host/HostFixture.h"

namespace rc::sim::testing {
namespace {

using HostContractTest = HostTest;

using automation::call;
using automation::callObject;
using automation::letProperty;
using automation::MemberKind;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Surface {
  std::vector<std::string> methods;
  std::vector<std::string> properties;  // property gets; no method of that name
  std::vector<std::string> lets;        // properties that may also be assigned
};

// Checks that `obj` publishes each name exactly as spelled, in its kind, and
// collects its by-reference parameters as "member.parameter" (lower case).
void expectSurface(const ObjectRef& obj, const Surface& s, std::set<std::string>& byRef) {
  ASSERT_TRUE(obj);
  const automation::ClassInfo& info = obj->typeInfo();
  auto has = [&](const std::string& name, MemberKind kind) {
    return std::any_of(info.members.begin(), info.members.end(),
                       [&](const automation::MemberInfo& m) { return m.name == name && m.kind == kind; });
  };
  for (const std::string& m : s.methods) EXPECT_TRUE(has(m, MemberKind::Method)) << info.name << "." << m;
  for (const std::string& p : s.properties) {
    EXPECT_TRUE(has(p, MemberKind::PropertyGet)) << info.name << "." << p;
    EXPECT_FALSE(has(p, MemberKind::Method)) << info.name << "." << p;
  }
  for (const std::string& p : s.lets) EXPECT_TRUE(has(p, MemberKind::PropertyLet)) << info.name << "." << p;
  for (const automation::MemberInfo& m : info.members)
    for (const automation::ParamInfo& p : m.params)
      if (p.byRef) byRef.insert(lower(m.name + "." + p.name));
}

TEST_F(HostContractTest, MembersKeepTheirNamesKindsAndByReferenceParameters) {
  std::set<std::string> byRef;
  expectSurface(app,
                {{"RecordLine", "ActivateDoc", "CloseDoc", "CloseAllDocuments", "ExitApp", "OpenDoc6",
                  "GetOpenDocumentByName", "SetCurrentWorkingDirectory", "GetDocumentDependencies2",
                  "GetDocumentDependenciesCount", "GetLatestSupportedFileVersion", "sendmsgtouser", "SimClearJournal",
                  "SimFail", "SimFailAfter"},
                 {"ActiveDoc", "RevisionNumber", "SimProcessID", "SimProgID", "SimJournal", "SimJournalFile",
                  "SimLatestFileVersion", "SimRevisionNumber", "SimFrameWindow", "SimViewWindow", "SimOperations",
                  "SimKeystrokes", "SimMessages", "SimPrintJobs", "SimCallCount"},
                 {"SimProcessID", "SimJournalFile", "SimLatestFileVersion", "SimRevisionNumber"}},
                byRef);

  ObjectRef part = open("bracket.vxlprt", 1);
  expectSurface(part,
                {{"GetType", "Body", "ClearSelection", "GetActiveConfiguration", "GetMassProperties",
                  "GetMassProperties2", "VersionHistory", "GetCurrentSheet", "GetSheetCount", "GetSheetNames",
                  "ActivateSheet", "GetEditSheet", "EditSheet", "EditTemplate", "SaveBMP", "GetConfigurationCount",
                  "GetConfigurationNames", "ShowConfiguration", "GetFeatureCount", "FeatureByPositionReverse",
                  "GetEntityName", "FirstFeature", "GetFirstView", "GetFirstAnnotation2", "SelectByID",
                  "andSelectByID", "EditCut", "Paste", "EditUndo", "NewSheet3", "EditSketch", "CreateCenterLineVB",
                  "CreateSectionViewAt", "GetTitle", "GetPathName", "GetNumDependencies", "GetDependencies",
                  "Rebuild", "Save3", "SetFeatureManagerWidth", "SetToolbarVisibility", "CompConfigProperties3"},
                 {"ActiveView", "PageSetup", "extension"},
                 {}},
                byRef);
  expectSurface(callObject(part, "ActiveView"), {{}, {"FrameState"}, {"FrameState"}}, byRef);
  const std::vector<std::string> page{"PrinterPaperSize", "PrinterPaperSource", "Orientation", "UsePageSetupOnSheets"};
  expectSurface(callObject(part, "PageSetup"), {{}, page, page}, byRef);
  expectSurface(callObject(part, "extension"), {{"PrintOut", "PrintOut2"}, {}, {}}, byRef);
  ObjectRef face = callObject(callObject(part, "Body"), "GetFirstFace");
  expectSurface(callObject(part, "Body"), {{"GetFirstFace"}, {}, {}}, byRef);
  expectSurface(face, {{"GetNextFace", "Select", "GetEdgeCount", "GetTessTriangleCount"}, {}, {}}, byRef);
  expectSurface(callObject(part, "FirstFeature"),
                {{"GetErrorCode", "GetTypeName", "GetFirstSubFeature", "GetNextSubFeature", "GetNextFeature"}, {}, {}},
                byRef);
  expectSurface(callObject(part, "GetFirstAnnotation2"), {{"GetType", "GetNext2"}, {}, {}}, byRef);

  ObjectRef assembly = open("frame.vxlasm", 2);
  ObjectRef config = callObject(assembly, "GetActiveConfiguration");
  expectSurface(config, {{"GetRootComponent"}, {"Name"}, {}}, byRef);
  ObjectRef component = call(callObject(config, "GetRootComponent"), "GetChildren").asArray().at(0).asObject();
  expectSurface(component, {{"GetChildren", "GetTitle", "GetModelDoc", "GetSuppression", "IsHidden"}, {"Name"}, {}},
                byRef);

  ObjectRef drawing = open("bracket.vxldrw", 3);
  expectSurface(callObject(drawing, "GetCurrentSheet"), {{"getName"}, {}, {}}, byRef);
  expectSurface(callObject(drawing, "GetFirstView"),
                {{"GetNextView", "GetOutline", "GetXform", "GetFirstAnnotation2"}, {"position"}, {}}, byRef);

  // Only these out values are passed by reference.
  EXPECT_EQ(byRef, (std::set<std::string>{"opendoc6.errors", "opendoc6.warnings", "save3.errors", "save3.warnings",
                                          "getmassproperties2.status", "printout.copies", "printout.collate",
                                          "printout2.copies", "printout2.collate"}));
}

TEST_F(HostContractTest, ActivateDocAnswersTheDocumentByName) {
  ObjectRef part = open("bolt.vxlprt", 1);
  open("bracket.vxldrw", 3);
  EXPECT_EQ(call(app, "ActivateDoc", {Variant("bolt.vxlprt")}).asObject(), part);
  EXPECT_EQ(call(app, "ActiveDoc").asObject(), part);
  EXPECT_TRUE(call(app, "ActivateDoc", {Variant("none.vxlprt")}).isNothing());
  EXPECT_EQ(call(app, "ActiveDoc").asObject(), part);
}

TEST_F(HostContractTest, VersionAndRevisionSettingsDriveTheirMembers) {
  EXPECT_EQ(call(app, "SimLatestFileVersion").asLong(), 3000);
  EXPECT_EQ(call(app, "GetLatestSupportedFileVersion").asLong(), 3000);
  EXPECT_EQ(call(app, "SimRevisionNumber").asString(), "15.2.0");
  EXPECT_EQ(call(app, "RevisionNumber").asString(), "15.2.0");
  letProperty(app, "SimLatestFileVersion", Variant(3200));
  letProperty(app, "SimRevisionNumber", Variant("16.1.3"));
  EXPECT_EQ(call(app, "GetLatestSupportedFileVersion").asLong(), 3200);
  EXPECT_EQ(call(app, "RevisionNumber").asString(), "16.1.3");
}

// A file without write permission is read-only for every user, root
// included: open warns with bit 2 and Save3 refuses with error bit 2,
// leaving the file as it was.
TEST_F(HostContractTest, ReadOnlyFilesWarnOnOpenAndAreNotSaved) {
  std::string file = path("bolt.vxlprt");
  std::string before = contents(file);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  std::vector<Variant> args{Variant(file), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
  ObjectRef doc = call(app, "OpenDoc6", args).toObject();
  ASSERT_TRUE(doc);
  EXPECT_EQ(args[4].asLong(), 0);
  EXPECT_EQ(args[5].asLong() & 2, 2);
  std::vector<Variant> save{Variant(1), Variant(0), Variant(0)};
  EXPECT_FALSE(call(doc, "Save3", save).asBool());
  EXPECT_EQ(save[1].asLong(), 2);
  EXPECT_EQ(contents(file), before);
  ::chmod(file.c_str(), 0644);
}

TEST_F(HostContractTest, OperationsWriteArgumentsAsACallWould) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  call(doc, "SelectByID", {Variant("say \"hi\""), Variant("SHEET"), Variant(-0.5), Variant(3.0), Variant(0.125)});
  call(doc, "SetToolbarVisibility", {Variant(3), Variant(false)});
  call(doc, "SetFeatureManagerWidth", {Variant(250)});
  letProperty(callObject(doc, "ActiveView"), "FrameState", Variant(1));
  call(doc, "GetSheetNames");  // reads are not recorded
  call(doc, "EditTemplate");
  call(doc, "EditUndo", {Variant(1)});
  EXPECT_EQ(operations(), (std::vector<std::string>{"SelectByID(\"say \"\"hi\"\"\", \"SHEET\", -0.5, 3, 0.125)",
                                                    "SetToolbarVisibility(3, False)", "SetFeatureManagerWidth(250)",
                                                    "FrameState(1)", "EditTemplate()", "EditUndo(1)"}));
}

TEST_F(HostContractTest, GraphicsViewIsTheLastChildOfAFullScreenFrame) {
  auto frame = static_cast<display::Handle>(call(app, "SimFrameWindow").asLong());
  auto view = static_cast<display::Handle>(call(app, "SimViewWindow").asLong());
  display::Rect r;
  ASSERT_TRUE(display::getWindowRect(frame, r));
  EXPECT_EQ(r, (display::Rect{0, 0, 1280, 1024}));
  display::Handle last = 0;
  for (display::Handle w = display::getWindow(frame, display::Relation::Child); w;
       w = display::getWindow(w, display::Relation::Next))
    last = w;
  EXPECT_EQ(last, view);
  display::Surface shot = display::capture(view);
  EXPECT_EQ(shot.width(), 1024);
  EXPECT_EQ(shot.height(), 768);
}

TEST_F(HostContractTest, PrintJobsAreAlsoFiledInTheSpoolFolder) {
  ObjectRef doc = open("bracket.vxldrw", 3);
  std::string spool = path("spool");
  ::setenv("VEXLAR_SPOOL", spool.c_str(), 1);
  std::vector<Variant> args{Variant(2), Variant(3), Variant(1), Variant(true), Variant(""), Variant("")};
  call(callObject(doc, "extension"), "PrintOut", args);
  ::unsetenv("VEXLAR_SPOOL");
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(spool)) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  std::string job = texts(call(app, "SimPrintJobs")).back();
  EXPECT_EQ(nlohmann::json::parse(contents(files[0].string())), nlohmann::json::parse(job));
  EXPECT_EQ(nlohmann::json::parse(job)["pages"], nlohmann::json::parse("[[2, 3]]"));
}

TEST(Sessions, JournalFileDefaultsToTheEnvironmentAndProgIdIsKept) {
  registerApplications();
  std::string file = (std::filesystem::temp_directory_path() / ("rc-journal-" + std::to_string(::getpid()))).string();
  std::filesystem::remove(file);
  ::setenv("VEXLAR_JOURNAL", file.c_str(), 1);
  ObjectRef app = automation::createObject("Orrery2007.Application");
  ::unsetenv("VEXLAR_JOURNAL");
  EXPECT_EQ(call(app, "SimProgID").asString(), "Orrery2007.Application");
  EXPECT_EQ(call(app, "SimJournalFile").asString(), file);
  call(app, "RecordLine", {Variant("Dim swApp")});
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Dim swApp\r\n");
  call(app, "ExitApp");
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace rc::sim::testing
