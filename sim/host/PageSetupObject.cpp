#include "sim/host/PageSetupObject.h"

namespace rc::sim::host {

using namespace automation;

const ClassInfo& PageSetupObject::info() {
  static const ClassInfo ci = ClassBuilder<PageSetupObject>("Vexlar", "PageSetup")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000091}", "IPageSetup", "{7D1E0B10-2C41-4E2A-9B51-000000000191}")
      .get("PrinterPaperSize", VarType::Long, {},
           [](PageSetupObject& p, CallArgs&) { return Variant(p.document().pageSettings().paperSize); })
      .let("PrinterPaperSize", {byVal("value", VarType::Long)}, [](PageSetupObject& p, CallArgs& a) {
        p.document().pageSettings().paperSize = a[0].asLong();
        return Variant();
      })
      .get("PrinterPaperSource", VarType::Long, {},
           [](PageSetupObject& p, CallArgs&) { return Variant(p.document().pageSettings().paperSource); })
      .let("PrinterPaperSource", {byVal("value", VarType::Long)}, [](PageSetupObject& p, CallArgs& a) {
        p.document().pageSettings().paperSource = a[0].asLong();
        return Variant();
      })
      .get("Orientation", VarType::Long, {},
           [](PageSetupObject& p, CallArgs&) { return Variant(p.document().pageSettings().orientation); })
      .let("Orientation", {byVal("value", VarType::Long)}, [](PageSetupObject& p, CallArgs& a) {
        p.document().pageSettings().orientation = a[0].asLong();
        return Variant();
      })
      .get("UsePageSetupOnSheets", VarType::Boolean, {},
           [](PageSetupObject& p, CallArgs&) { return Variant(p.document().pageSettings().usePageSetupOnSheets); })
      .let("UsePageSetupOnSheets", {byVal("value", VarType::Boolean)}, [](PageSetupObject& p, CallArgs& a) {
        p.document().pageSettings().usePageSetupOnSheets = a[0].asBool();
        return Variant();
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
