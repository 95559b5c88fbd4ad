#include "tools/inspect/TypeLibraryText.h"

namespace rc::tools {

void writeTypeLibrary(std::ostream& out, const automation::LibraryInfo& library,
                      std::span<const automation::ClassInfo* const> classes) {
  out << "library " << library.name << "\n";
  if (!library.version.empty()) out << "  version   " << library.version << "\n";
  if (!library.libid.empty()) out << "  libid     " << library.libid << "\n";
  for (const automation::ClassInfo* c : classes) {
    out << "\nclass " << c->name << "\n";
    for (const std::string& id : c->progIds) out << "  progid    " << id << "\n";
    out << "  clsid     " << c->clsid << "\n";
    out << "  interface " << c->interfaceName << " " << c->iid << "\n";
    for (const automation::MemberInfo& m : c->members) out << "  " << automation::memberText(m) << "\n";
  }
}

}  // namespace rc::tools
