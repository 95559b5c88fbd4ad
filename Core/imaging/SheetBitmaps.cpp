#include "Core/imaging/SheetBitmaps.h"

#include "Core/checks/HostLists.h"
#include "Core/frame/modMainClassMod.h"

namespace rc::core {

namespace au = rc::automation;
using au::Variant;

void GetBMPInSheets(const std::string& BMPFilePathNameInput) {
  au::ObjectRef host = GetApp();
  au::ObjectRef doc = au::callObject(host, "ActiveDoc");
  const Variant current = au::call(au::callObject(doc, "GetCurrentSheet"), "getName");
  const std::int32_t count = au::call(doc, "GetSheetCount").toLong();
  const Variant names = au::call(doc, "GetSheetNames");
  for (std::int32_t i = 0; i < count; ++i) {
    au::call(doc, "ActivateSheet", {listItem(names, i)});
    au::call(doc, "SaveBMP",
             {Variant(BMPFilePathNameInput + std::to_string(i + 1) + ".BMP"), Variant(400), Variant(400)});
  }
  au::call(doc, "ActivateSheet", {current});
}

}  // namespace rc::core
