// The type library as text, as `ravelcrest typelib` prints it:
//
//   library RavelcrestCore
//
//   class clsApplication
//     progid    RavelcrestCore.clsApplication
//     clsid     {...}
//     interface _clsApplication {...}
//     get    InputFile() As String
//     let    InputFile(ByVal value As String)
//     method Divide(ByVal n As Long, ByRef rest As Long, Optional ByVal note As String = "") As Long
//
// Classes in registration order, members in interface order; a sub has no
// "As" clause; an optional parameter without a default shows none.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/TypeInfo.h"

namespace rc::tools {

// One parameter: "Optional ByRef note As String = """.
std::string paramText(const automation::ParamInfo& param);

// One member line without indentation: "method Name(params) As Type".
std::string memberText(const automation::MemberInfo& member);

// The whole listing of `library`.
void writeTypeLibrary(std::ostream& out, std::string_view library,
                      std::span<const automation::ClassInfo* const> classes);

}  // namespace rc::tools
