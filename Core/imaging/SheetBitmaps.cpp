#include "Core/imaging/SheetBitmaps.h"

#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"

namespace rc::core {

namespace au = rc::automation;
using au::Variant;

void GetBMPInSheets(const std::string& BMPFilePathNameInput) {
  au::ObjectRef host = GetApp();
  au::ObjectRef doc = activeDoc(host);
  const Variant current = au::call(au::callObject(doc, "GetCurrentSheet"), "getName");
  const std::int32_t count = au::call(doc, "GetSheetCount").toLong();
  const Variant names = au::call(doc, "GetSheetNames");
  for (std::int32_t i = 0; i < count; ++i) {
    au::call(doc, "ActivateSheet", listItem(names, i));
    au::call(doc, "SaveBMP", BMPFilePathNameInput + std::to_string(i + 1) + ".BMP", 400, 400);
  }
  au::call(doc, "ActivateSheet", current);
}

}  // namespace rc::core
