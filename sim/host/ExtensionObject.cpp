#include "sim/host/ExtensionObject.h"

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"
#include "sim/host/PrintSpool.h"

namespace rc::sim::host {

using namespace automation;

namespace {

// The page pairs of PrintOut2's list: first and last page at even and odd
// positions. An odd last entry prints that single page.
spool::PageRanges pairsOf(const Variant& list) {
  spool::PageRanges out;
  if (list.isEmpty() || list.isNull() || list.isMissing()) return out;
  if (!list.isArray()) raise(err::TypeMismatch);
  const SafeArray& arr = list.asArray();
  if (arr.dimensions() > 1) raise(err::TypeMismatch);
  std::vector<std::int32_t> pages;
  for (std::size_t i = 0; i < arr.size(); ++i) pages.push_back(arr.at(i).toLong());
  for (std::size_t i = 0; i < pages.size(); i += 2)
    out.emplace_back(pages[i], i + 1 < pages.size() ? pages[i + 1] : pages[i]);
  return out;
}

}  // namespace

const ClassInfo& ExtensionObject::info() {
  static const ClassInfo ci = ClassBuilder<ExtensionObject>("Vexlar", "ModelDocExtension")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000C9}", "IModelDocExtension", "{7D1E0B10-2C41-4E2A-9B51-0000000001C9}")
      .method("PrintOut", VarType::Void,
              {byVal("FromPage", VarType::Long), byVal("ToPage", VarType::Long), byRef("Copies", VarType::Long),
               byRef("Collate", VarType::Boolean), byVal("Printer", VarType::String).opt(""),
               byVal("PrintFileName", VarType::String).opt("")},
              [](ExtensionObject& e, CallArgs& a) {
                spool::print(e.document(), {{a[0].asLong(), a[1].asLong()}}, a[2].asLong(), a[3].asBool(), a[4].asString());
                return Variant();
              })
      .method("PrintOut2", VarType::Void,
              {byVal("PageArray", VarType::Variant), byRef("Copies", VarType::Long), byRef("Collate", VarType::Boolean),
               byVal("Printer", VarType::String).opt(""), byVal("PrintFileName", VarType::String).opt("")},
              [](ExtensionObject& e, CallArgs& a) {
                spool::print(e.document(), pairsOf(a[0]), a[1].asLong(), a[2].asBool(), a[3].asString());
                return Variant();
              })
      .build();
  return ci;
}

}  // namespace rc::sim::host
