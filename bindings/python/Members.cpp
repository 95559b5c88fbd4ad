#include "Members.h"

#include <strings.h>

#include <string>
#include <vector>

#include "Conversions.h"
#include "platform/automation/Error.h"
#include "platform/automation/MemberText.h"
#include "platform/automation/TypeInfo.h"

namespace rc::python {

namespace {

using automation::ClassInfo;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ObjectRef;
using automation::Variant;

bool hasKind(const std::vector<const MemberInfo*>& found, MemberKind kind) {
  for (const MemberInfo* m : found)
    if (m->kind == kind) return true;
  return false;
}

bool hasByRefParams(const MemberInfo& m) {
  for (const automation::ParamInfo& p : m.params)
    if (p.byRef) return true;
  return false;
}

// Argument `index` as error texts name it.
std::string argumentLabel(const MemberInfo* member, std::string_view name, std::size_t index) {
  if (member) return automation::argumentName(*member, index);
  return "argument " + std::to_string(index + 1) + " of " + std::string(name);
}

// The Variant of one argument; a value the runtime cannot hold names the
// argument and the class.
Variant argumentFromPython(py::handle value, const ClassInfo& info, const std::string& label) {
  try {
    return toVariant(value, label);
  } catch (const automation::AutomationError& e) {
    throw automation::AutomationError(e.number(), e.description(), info.displayName());
  }
}

// Places keyword arguments into their parameters' slots; slots skipped on
// the way hold Missing.
void placeKeywords(const MemberInfo* member, std::string_view name, const ClassInfo& info, const py::kwargs& kwargs,
                   std::vector<Variant>& slots, std::vector<bool>& given) {
  for (auto [key, value] : kwargs) {
    std::string keyName = py::str(key);
    if (!member) throw py::type_error(std::string(name) + "() takes no keyword arguments");
    std::size_t index = member->params.size();
    for (std::size_t i = 0; i < member->params.size(); ++i) {
      if (strcasecmp(member->params[i].name.c_str(), keyName.c_str()) == 0) index = i;
    }
    if (index == member->params.size())
      throw py::type_error(member->name + "() got an unexpected keyword argument '" + keyName + "'");
    if (index < slots.size() && given[index])
      throw py::type_error(member->name + "() got multiple values for argument '" + keyName + "'");
    if (index >= slots.size()) {
      slots.resize(index + 1, Variant::missing());
      given.resize(index + 1, false);
    }
    slots[index] = argumentFromPython(value, info, automation::argumentName(*member, index));
    given[index] = !slots[index].isMissing();
  }
}

// "method Name(...) As Type", one line for each member of that name.
std::string declarations(const std::vector<const MemberInfo*>& found) {
  std::string text;
  for (const MemberInfo* m : found) {
    if (!text.empty()) text += "\n";
    text += automation::memberText(*m);
  }
  return text;
}

}  // namespace

py::object callMember(const ObjectRef& obj, std::string_view name, std::uint8_t kind, const py::args& args,
                      const py::kwargs& kwargs) {
  const ClassInfo& info = obj->typeInfo();
  // The member as far as it is known before the arguments are (it names
  // them in conversion errors); resolved again once every slot is filled.
  const MemberInfo* member = automation::resolveMember(info, name, kind, {});
  std::vector<Variant> slots;
  std::vector<bool> given;
  for (py::handle a : args) {
    slots.push_back(argumentFromPython(a, info, argumentLabel(member, name, slots.size())));
    given.push_back(!slots.back().isMissing());
  }
  if (!kwargs.empty()) {
    if (const MemberInfo* byValue = automation::resolveMember(info, name, kind, slots)) member = byValue;
    placeKeywords(member, name, info, kwargs, slots, given);
  }
  // Assigning None to an object property releases the object.
  if ((kind & automation::kSet) && !slots.empty() && slots.back().isEmpty()) slots.back() = Variant::nothing();

  member = automation::resolveMember(info, name, kind, slots);
  if (!member) automation::raise(automation::err::NotSupported, info.displayName());
  Variant result = obj->invoke(*member, slots);
  bool assignment = member->kind == MemberKind::PropertyLet || member->kind == MemberKind::PropertySet;
  if (!hasByRefParams(*member)) return assignment ? py::none() : toPython(result);
  py::list out;
  out.append(assignment ? py::none() : toPython(result));
  for (std::size_t i = 0; i < slots.size() && i < member->params.size(); ++i) {
    if (member->params[i].byRef && given[i]) out.append(toPython(slots[i]));
  }
  return py::tuple(out);
}

py::object getAttribute(const ObjectRef& obj, const std::string& name) {
  const ClassInfo& info = obj->typeInfo();
  std::vector<const MemberInfo*> found = info.find(name);
  if (name.starts_with("__") || found.empty())
    throw py::attribute_error("'" + info.displayName() + "' object has no member '" + name + "'");

  const MemberInfo* get = automation::resolveMember(info, name, automation::kGet, {});
  bool callable = hasKind(found, MemberKind::Method) || (get && get->requiredCount() > 0);
  if (!callable) return callMember(obj, name, automation::kGet, py::args(), py::kwargs());

  std::string memberName = found.front()->name;
  std::string doc = declarations(found);
  // help() shows the declarations alone, not pybind11's (*args, **kwargs).
  py::options options;
  options.disable_function_signatures();
  return py::cpp_function(
      [obj, memberName](const py::args& args, const py::kwargs& kwargs) {
        return callMember(obj, memberName, automation::kMethod | automation::kGet, args, kwargs);
      },
      py::name(memberName.c_str()), py::doc(doc.c_str()));
}

void setAttribute(const ObjectRef& obj, const std::string& name, py::handle value) {
  const ClassInfo& info = obj->typeInfo();
  std::vector<const MemberInfo*> found = info.find(name);
  if (found.empty()) throw py::attribute_error("'" + info.displayName() + "' object has no member '" + name + "'");

  Variant v = argumentFromPython(value, info, "the value assigned to " + found.front()->name);
  bool onlySet = hasKind(found, MemberKind::PropertySet) && !hasKind(found, MemberKind::PropertyLet);
  std::uint8_t kind = automation::kLet;
  if (v.isObject()) {
    kind = automation::kSet | automation::kLet;
  } else if (v.isEmpty() && onlySet) {
    kind = automation::kSet;
    v = Variant::nothing();
  }
  obj->invoke(name, kind, std::span(&v, 1));
}

std::uint8_t callKindNamed(std::string_view kindName) {
  if (kindName == "method") return automation::kMethod;
  if (kindName == "get") return automation::kGet;
  if (kindName == "let") return automation::kLet;
  if (kindName == "set") return automation::kSet;
  throw py::value_error("call kind must be \"method\", \"get\", \"let\" or \"set\", not \"" + std::string(kindName) + "\"");
}

}  // namespace rc::python
