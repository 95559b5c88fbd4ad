#include "platform/automation/MemberText.h"

#include "platform/automation/NumberText.h"

namespace rc::automation {

namespace {

// A default value as a literal.
std::string literal(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Boolean: return v.asBool() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Double: return writeForm(v.toDouble());
    case VarType::Date: return "#" + writeForm(v.asDouble()) + "#";
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
    default: return std::string(typeName(v.type()));
  }
}

}  // namespace

std::string paramText(const ParamInfo& param) {
  std::string text = param.optional ? "Optional " : "";
  text += param.byRef ? "ByRef " : "ByVal ";
  text += param.name + " As " + std::string(typeName(param.type));
  if (param.optional && !param.defaultValue.isMissing()) text += " = " + literal(param.defaultValue);
  return text;
}

std::string memberText(const MemberInfo& member) {
  std::string text(memberKindName(member.kind));
  text.resize(6, ' ');
  text += " " + member.name + "(";
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    if (i) text += ", ";
    text += paramText(member.params[i]);
  }
  text += ")";
  if (member.result != VarType::Void) text += " As " + std::string(typeName(member.result));
  return text;
}

}  // namespace rc::automation
