// Members as declaration text, as the type library listing and the Python
// binding's help show them:
//
//   method Divide(ByVal n As Long, ByRef rest As Long, Optional ByVal note As String = "") As Long
//
// A sub has no "As" clause; an optional parameter without a default shows
// none; numbers in defaults are in the write form, independent of the locale.
#pragma once

#include <string>

#include "platform/automation/TypeInfo.h"

namespace rc::automation {

// One parameter: "Optional ByRef note As String = """.
std::string paramText(const ParamInfo& param);

// One member line without indentation: "method Name(params) As Type", the
// kind padded to six characters.
std::string memberText(const MemberInfo& member);

}  // namespace rc::automation
