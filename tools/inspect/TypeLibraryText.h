// The type library as text, as `ravelcrest typelib` prints it:
//
//   library RavelcrestCore
//     version   1.0
//     libid     {...}
//
//   class clsApplication
//     progid    RavelcrestCore.clsApplication
//     clsid     {...}
//     interface _clsApplication {...}
//     get    InputFile() As String
//     let    InputFile(ByVal value As String)
//     method Divide(ByVal n As Long, ByRef rest As Long, Optional ByVal note As String = "") As Long
//
// Classes in registration order, members in interface order (each line as
// memberText() writes it). A library that published no version or ID shows
// no line for it.
#pragma once

#include <ostream>
#include <span>

#include "platform/automation/MemberText.h"
#include "platform/automation/TypeInfo.h"

namespace rc::tools {

// The whole listing of `library` and its classes.
void writeTypeLibrary(std::ostream& out, const automation::LibraryInfo& library,
                      std::span<const automation::ClassInfo* const> classes);

}  // namespace rc::tools
