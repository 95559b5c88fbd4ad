#include "sim/host/CallText.h"

#include <charconv>
#include <vector>

#include "platform/automation/SafeArray.h"

namespace rc::sim::host::calltext {

using automation::Variant;
using automation::VarType;

std::string number(double value) {
  if (value == 0) return "0";  // also for -0
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string argument(const Variant& v) {
  switch (v.type()) {
    case VarType::String: {
      std::string out = "\"";
      for (char c : v.asString()) {
        if (c == '"') out += '"';
        out += c;
      }
      return out + "\"";
    }
    case VarType::Boolean: return v.asBool() ? "True" : "False";
    case VarType::Integer: return std::to_string(v.asInteger());
    case VarType::Long: return std::to_string(v.asLong());
    case VarType::Byte: return std::to_string(v.asByte());
    case VarType::Double: return number(v.asDouble());
    case VarType::Date: return number(v.toDouble());
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Object: return v.asObject() ? "Object" : "Nothing";
    case VarType::Error: return v.isMissing() ? "" : "Error";
    case VarType::Array: {
      std::string out = "Array(";
      const auto& arr = v.asArray();
      for (std::size_t i = 0; i < arr.size(); ++i) out += (i ? ", " : "") + argument(arr.at(i));
      return out + ")";
    }
    default: return "";
  }
}

std::string line(std::string_view member, std::span<const Variant> args) {
  std::string out(member);
  out += '(';
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) out += ", ";
    out += argument(args[i]);
  }
  return out + ")";
}

std::string line(std::string_view member, std::initializer_list<Variant> args) {
  return line(member, std::span<const Variant>(args.begin(), args.size()));
}

}  // namespace rc::sim::host::calltext
