#include "Core/frame/clsApplication.h"

#include "Core/checks/FileVersionCheck.h"
#include "Core/checks/MassPropertiesCheck.h"
#include "Core/checks/MeasurementChecks.h"
#include "Core/checks/AssemblyChecks.h"
#include "Core/checks/ConfigurationChecks.h"
#include "Core/checks/DependentDocs.h"
#include "Core/checks/DrawingSheetChecks.h"
#include "Core/checks/DrawingViewChecks.h"
#include "Core/checks/FeatureTreeCheck.h"
#include "Core/checks/PerformanceTimers.h"
#include "Core/frame/ClassIds.h"
#include "Core/frame/TraceLog.h"
#include "Core/imaging/BitmapCompareCheck.h"
#include "Core/imaging/SheetBitmaps.h"

namespace rc::core {

namespace au = rc::automation;
using au::VarType;

void clsApplication::WriteTraceLog(std::string_view message) const {
  rc::core::WriteTraceLog(ResultPath, message);
}

void clsApplication::beforeInvoke(const au::MemberInfo& member) {
  if (member.kind == au::MemberKind::Method) LastOutcome = {};
}

const au::ClassInfo& clsApplication::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<clsApplication> b(kLibraryName, "clsApplication");
    applyIds(b, ids::clsApplication);
    b.field("PathName", VarType::String, &clsApplication::PathName)
        .field("InputFile", VarType::String, &clsApplication::InputFile)
        .field("InpPath", VarType::String, &clsApplication::InpPath)
        .field("Failure", VarType::Boolean, &clsApplication::Failure)
        .field("FailureFile", VarType::String, &clsApplication::FailureFile)
        .field("tolerance", VarType::Variant, &clsApplication::tolerance)
        .set("tolerance", {au::byVal("value", VarType::Object)},
             [](clsApplication& self, au::CallArgs& a) {
               self.tolerance = a[0];
             })
        .field("NameOnly", VarType::String, &clsApplication::NameOnly)
        .field("glbProcessID", VarType::Long, &clsApplication::glbProcessID)
        .field("VXPath", VarType::String, &clsApplication::VXPath)
        .field("AltBaseLinePath", VarType::String, &clsApplication::AltBaseLinePath)
        .field("JournFile", VarType::String, &clsApplication::JournFile)
        .field("MultiSession", VarType::Boolean, &clsApplication::MultiSession)
        .field("VXBuild", VarType::String, &clsApplication::VXBuild)
        .field("ResultPath", VarType::String, &clsApplication::ResultPath)
        .field("BLFile", VarType::String, &clsApplication::BLFile)
        .field("perfLog", VarType::String, &clsApplication::perfLog);
    // What the last check method found, as a harness reads it (CheckOutcome.h).
    b.get("LastOutcome", VarType::Variant, {},
          [](clsApplication& self, au::CallArgs&) { return outcomeVariant(self.LastOutcome); });
    b.method("WriteTraceLog", VarType::Void, {au::byVal("message", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) {
               self.WriteTraceLog(a[0].asString());
             });
    b.method("TestEdgeCount", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return TestEdgeCount(self); });
    b.method("TestTessTriangleCount", VarType::Variant, {},
             [](clsApplication& self, au::CallArgs&) { return TestTessTriangleCount(self); });
    b.method("TestFileSize", VarType::Variant, {au::byRef("tmpName", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) { return TestFileSize(self, a[0].asString()); });
    b.method("TestMassProp", VarType::Integer, {au::byRef("ReImport", VarType::Boolean)},
             [](clsApplication& self, au::CallArgs& a) { return TestMassProp(self, a[0].asBool()); });
    b.method("TestFileVersion", VarType::Integer,
             {au::byRef("test", VarType::Integer), au::byRef("enterDB", VarType::Integer)},
             [](clsApplication& self, au::CallArgs& a) {
               return TestFileVersion(self, a[0].asInteger(), a[1].asInteger());
             });
    b.method("TestPerformance", VarType::Double,
             {au::byRef("perfType", VarType::String), au::byRef("test", VarType::Integer),
              au::byRef("param", VarType::Integer).opt(au::Variant::integer(0))},
             [](clsApplication& self, au::CallArgs& a) {
               return TestPerformance(self, a[0].asString(), a[1].asInteger(), a[2].asInteger());
             });
    b.method("SimpleWriteError", VarType::Void,
             {au::byRef("perfType", VarType::String), au::byRef("perf", VarType::String),
              au::byRef("BLperf", VarType::String), au::byRef("strRet", VarType::String),
              au::byRef("Units", VarType::String), au::byRef("JournFile", VarType::String)},
             [](clsApplication&, au::CallArgs& a) {
               SimpleWriteError(a[0].asString(), a[1].asString(), a[2].asString(), a[3].asString(), a[4].asString(),
                                a[5].asString());
             });
    b.method("StartTimer", VarType::Void, {}, [](clsApplication& self, au::CallArgs&) {
      StartTimer(self);
    });
    b.method("StopTimer", VarType::String, {},
             [](clsApplication& self, au::CallArgs&) { return StopTimer(self); });
    // Document structure checks.
    b.method("FailFeatureInSheets", VarType::Void,
             {au::byRef("WorkDir", VarType::String), au::byRef("BMPResultPathName", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) {
               FailFeatureInSheets(self, a[0].asString(), a[1].asString());
             });
    b.method("ActivateSheets", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return ActivateSheets(self); });
    b.method("ActivateConfigs", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return ActivateConfigs(self); });
    b.method("MassPropInCfgs", VarType::Integer, {au::byRef("massPropPathName", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) {
               std::string path = a[0].asString();
               std::int16_t result = MassPropInCfgs(self, path);
               a[0] = path;
               return result;
             });
    b.method("FailedFeatInCongs", VarType::Integer, {au::byRef("featureFilePathName", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) {
               std::string path = a[0].asString();
               std::int16_t result = FailedFeatInCongs(self, path);
               a[0] = path;
               return result;
             });
    b.method("ViewCutPaste", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return ViewCutPaste(self); });
    b.method("InsertBOM", VarType::Void, {}, [](clsApplication& self, au::CallArgs&) {
      InsertBOM(self);
    });
    b.method("CreateSectionView", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return CreateSectionView(self); });
    b.method("Features", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return Features(self); });
    b.method("ComponentCount", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return ComponentCount(self); });
    b.method("TestFlexible", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return TestFlexible(self); });
    b.method("TestAssemInterference", VarType::Void, {}, [](clsApplication& self, au::CallArgs&) {
      TestAssemInterference(self);
    });
    b.method("DependentDocs", VarType::Integer,
             {au::byRef("test", VarType::Integer), au::byRef("enterDB", VarType::Integer)},
             [](clsApplication& self, au::CallArgs& a) {
               return DependentDocs(self, a[0].asInteger(), a[1].asInteger());
             });
    b.method("GetDependDocsWithDocNotOpen", VarType::Void,
             {au::byRef("tmpFile", VarType::String), au::byRef("CopyToPath", VarType::String),
              au::byRef("CopyFromPath", VarType::String), au::byRef("BaselinePath", VarType::String),
              au::byRef("chkBaseLine", VarType::Integer)},
             [](clsApplication& self, au::CallArgs& a) {
               std::string file = a[0].asString();
               GetDependDocsWithDocNotOpen(self, file, a[1].asString(), a[2].asString(), a[3].asString(),
                                           a[4].asInteger());
               a[0] = file;
             });
    b.method("GetAllDependDocsWithDocNotOpen", VarType::Void,
             {au::byRef("CopyToPath", VarType::String), au::byRef("CopyFromPath", VarType::String),
              au::byRef("BaselinePath", VarType::String), au::byRef("chkBaseLine", VarType::Integer)},
             [](clsApplication& self, au::CallArgs& a) {
               GetAllDependDocsWithDocNotOpen(self, a[0].asString(), a[1].asString(), a[2].asString(),
                                              a[3].asInteger());
             });
    // Image checks.
    b.method("TestBitmapCompare", VarType::Integer,
             {au::byRef("ViewHandle", VarType::Long), au::byRef("sFileNameBL", VarType::String),
              au::byRef("sFileNameDiff", VarType::String), au::byRef("tol", VarType::Integer),
              au::byRef("param", VarType::Integer).opt(au::Variant::integer(0))},
             [](clsApplication& self, au::CallArgs& a) {
               std::int32_t view = a[0].asLong();
               const std::int16_t result = TestBitmapCompare(self, view, a[1].asString(), a[2].asString(),
                                                             a[3].asInteger(), a[4].asInteger());
               a[0] = view;
               return result;
             });
    b.method("GetBMPInSheets", VarType::Variant, {au::byRef("BMPFilePathNameInput", VarType::String)},
             [](clsApplication&, au::CallArgs& a) {
               GetBMPInSheets(a[0].asString());
             });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
