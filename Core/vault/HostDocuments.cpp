#include "Core/vault/HostDocuments.h"

#include <string_view>
#include <vector>

#include "Core/vault/DocumentFiles.h"
#include "platform/automation/SafeArray.h"

namespace rc::core::vault {

namespace au = rc::automation;
using au::Variant;

namespace {

// Save3 options: vxSaveAsOptions_Silent (1) and vxSaveAsOptions_SaveReferenced
// (3) joined as text.
constexpr std::string_view kSaveOptions = "13";

}  // namespace

OpenedDocument OpenWithWarnings(const au::ObjectRef& host, const std::string& path, std::int32_t options) {
  const int type = HostDocumentType(GetFileType(path));
  if (type == 0) return {};
  // The span form: Errors and Warnings come back through the slots.
  std::vector<Variant> args{Variant(path), Variant(type), Variant(options), Variant(""), Variant(0), Variant(0)};
  OpenedDocument opened;
  opened.doc = au::call(host, "OpenDoc6", args).toObject();
  opened.warnings = args[5].toLong();
  return opened;
}

void CloseDocument(const au::ObjectRef& host, const std::string& name) { au::call(host, "CloseDoc", name); }

SavedDocument RebuildAndSave(const au::ObjectRef& doc) {
  au::call(doc, "Rebuild", 1);
  std::vector<Variant> args{Variant(kSaveOptions), Variant(0), Variant(0)};
  au::call(doc, "Save3", args);
  SavedDocument saved;
  saved.errors = args[1].toLong();
  saved.warnings = args[2].toLong();
  const Variant history = au::call(doc, "VersionHistory");
  if (history.isArray()) {
    const std::vector<Variant> items = history.asArray().items();
    if (!items.empty()) saved.version = items.back().toText();
  }
  return saved;
}

std::string SaveErrorText(std::int32_t errors) {
  static constexpr std::string_view kTexts[] = {
      "Generic Save Error. ",          "ReadOnly Save Error. ",
      "File name Empty Save Error. ",  "File name contains 'At' sign Save Error. ",
      "File Lock Save Error. ",        "Save Format Not Available Error. ",
      "Save With Rebuild Error. ",     "Save As Do Not Overwrite Error. ",
  };
  std::string out;
  for (std::size_t bit = 0; bit < std::size(kTexts); ++bit)
    if (errors & (1 << bit)) out += kTexts[bit];
  return out;
}

}  // namespace rc::core::vault
