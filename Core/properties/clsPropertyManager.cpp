#include "Core/properties/clsPropertyManager.h"

#include "Core/frame/ClassIds.h"
#include "Core/frame/JournalWriters.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"

namespace rc::core {

namespace au = rc::automation;
using au::byRef;
using au::byVal;
using au::CallArgs;
using au::Variant;
using au::VarType;

const au::ClassInfo& clsPropertyManager::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<clsPropertyManager> b(kLibraryName, "clsPropertyManager");
    applyIds(b, ids::clsPropertyManager);
    b.method("GetProperty", VarType::String,
             {byRef("PropertyType", VarType::String), byRef("PropertyFile", VarType::String),
              byRef("param", VarType::Integer).opt(Variant::integer(0))},
             [](clsPropertyManager&, CallArgs& a) {
               return GetProperty(a[0].asString(), a[1].asString(), a[2].asInteger() == 1);
             });
    b.method("SetProperty", VarType::Variant,
             {byRef("PropertyType", VarType::String), byRef("PropertyFile", VarType::String),
              byRef("Value", VarType::String), byRef("VXBuild", VarType::String)},
             [](clsPropertyManager&, CallArgs& a) {
               return SetProperty(a[0].asString(), a[1].asString(), a[2].asString(), a[3].asString());
             });
    b.method("CompareProperty", VarType::Boolean,
             {byRef("Prop1", VarType::Variant), byRef("Prop2", VarType::Variant), byRef("tolerance", VarType::Variant),
              byRef("diff", VarType::Double)},
             [](clsPropertyManager&, CallArgs& a) {
               double diff = a[3].asDouble();
               bool same = CompareProperty(a[0], a[1], a[2], diff);
               a[3] = diff;
               return same;
             });
    b.method("CompareFiles", VarType::Boolean,
             {byRef("File1", VarType::Variant), byRef("File2", VarType::Variant), byRef("tolerance", VarType::Variant),
              byRef("ErrorMessage", VarType::Variant)},
             [](clsPropertyManager&, CallArgs& a) {
               std::string message = a[3].isEmpty() ? std::string() : a[3].toText();
               bool same = CompareFiles(a[0].toText(), a[1].toText(), a[2], message);
               if (!same) a[3] = message;
               return same;
             });
    b.method("MessageHeaderToJournal", VarType::Void,
             {byVal("Header", VarType::String), byVal("glbProcessID", VarType::Long),
              byVal("MultiSession", VarType::Boolean)},
             [](clsPropertyManager&, CallArgs& a) {
               MessageHeaderToJournal(a[0].asString(), a[1].asLong(), a[2].asBool());
             });
    b.method("InfoHeaderToJournal", VarType::Void,
             {byVal("glbProcessID", VarType::Long), byVal("MultiSession", VarType::Boolean)},
             [](clsPropertyManager&, CallArgs& a) {
               MessageHeaderToJournal("Information (ST)", a[0].asLong(), a[1].asBool());
             });
    b.method("WarningHeaderToJournal", VarType::Void,
             {byVal("glbProcessID", VarType::Long), byVal("MultiSession", VarType::Boolean)},
             [](clsPropertyManager&, CallArgs& a) {
               MessageHeaderToJournal("Warning (ST)", a[0].asLong(), a[1].asBool());
             });
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
