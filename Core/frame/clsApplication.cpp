#include "Core/frame/clsApplication.h"

#include "Core/checks/MeasurementChecks.h"
#include "Core/frame/ClassIds.h"
#include "Core/frame/modMainClassMod.h"

namespace rc::core {

namespace au = rc::automation;
using au::VarType;

void clsApplication::WriteTraceLog(std::string_view message) const {
  rc::core::WriteTraceLog(ResultPath, message);
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
               return au::Variant();
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
    b.method("WriteTraceLog", VarType::Void, {au::byVal("message", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) {
               self.WriteTraceLog(a[0].asString());
               return au::Variant();
             });
    b.method("TestEdgeCount", VarType::Integer, {},
             [](clsApplication& self, au::CallArgs&) { return au::Variant(TestEdgeCount(self)); });
    b.method("TestTessTriangleCount", VarType::Variant, {},
             [](clsApplication& self, au::CallArgs&) { return au::Variant(TestTessTriangleCount(self)); });
    b.method("TestFileSize", VarType::Variant, {au::byRef("tmpName", VarType::String)},
             [](clsApplication& self, au::CallArgs& a) { return au::Variant(TestFileSize(self, a[0].asString())); });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
