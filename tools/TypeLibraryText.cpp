#include "tools/TypeLibraryText.h"

#include "platform/automation/NumberText.h"
#include "platform/automation/SafeArray.h"

namespace rc::tools {

namespace {

using automation::Variant;
using automation::VarType;

// A default value as a literal; numbers in the write form, so the listing
// does not depend on the locale.
std::string literal(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Boolean: return v.asBool() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Double: return automation::writeForm(v.toDouble());
    case VarType::Date: return "#" + automation::writeForm(v.asDouble()) + "#";
    case VarType::Object: return v.asObject() ? "(object)" : "Nothing";
    case VarType::Array: return "(array)";
    case VarType::String: {
      std::string text = "\"";
      for (char c : v.asString()) {
        text += c;
        if (c == '"') text += '"';
      }
      return text + "\"";
    }
    default: return std::string(automation::typeName(v.type()));
  }
}

}  // namespace

std::string paramText(const automation::ParamInfo& param) {
  std::string text = param.optional ? "Optional " : "";
  text += param.byRef ? "ByRef " : "ByVal ";
  text += param.name + " As " + std::string(automation::typeName(param.type));
  if (param.optional && !param.defaultValue.isMissing()) text += " = " + literal(param.defaultValue);
  return text;
}

std::string memberText(const automation::MemberInfo& member) {
  std::string text(automation::memberKindName(member.kind));
  text.resize(6, ' ');
  text += " " + member.name + "(";
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    if (i) text += ", ";
    text += paramText(member.params[i]);
  }
  text += ")";
  if (member.result != VarType::Void) text += " As " + std::string(automation::typeName(member.result));
  return text;
}

void writeTypeLibrary(std::ostream& out, std::string_view library,
                      std::span<const automation::ClassInfo* const> classes) {
  out << "library " << library << "\n";
  for (const automation::ClassInfo* c : classes) {
    out << "\nclass " << c->name << "\n";
    for (const std::string& id : c->progIds) out << "  progid    " << id << "\n";
    out << "  clsid     " << c->clsid << "\n";
    out << "  interface " << c->interfaceName << " " << c->iid << "\n";
    for (const automation::MemberInfo& m : c->members) out << "  " << memberText(m) << "\n";
  }
}

}  // namespace rc::tools
