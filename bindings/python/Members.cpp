#include "Members.h"

#include <strings.h>

#include <vector>

#include "Conversions.h"
#include "platform/automation/TypeInfo.h"

namespace rc::python {

namespace {

using automation::CallKind;
using automation::ClassInfo;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ObjectRef;
using automation::Variant;

const MemberInfo* firstOfKind(const std::vector<const MemberInfo*>& found, MemberKind kind) {
  for (const MemberInfo* m : found)
    if (m->kind == kind) return m;
  return nullptr;
}

// The member a call of `kind` reaches, picked as Dispatch::invoke picks it
// (a method before a property get; a get-only call falls back to a method).
const MemberInfo* memberFor(const ClassInfo& info, std::string_view name, std::uint8_t kind) {
  std::vector<const MemberInfo*> found = info.find(name);
  const MemberInfo* m = nullptr;
  if (kind & automation::kMethod) m = firstOfKind(found, MemberKind::Method);
  if (!m && (kind & automation::kGet)) m = firstOfKind(found, MemberKind::PropertyGet);
  if (!m && (kind & automation::kGet) && !(kind & automation::kMethod)) m = firstOfKind(found, MemberKind::Method);
  return m;
}

bool hasByRefParams(const MemberInfo& m) {
  for (const automation::ParamInfo& p : m.params)
    if (p.byRef) return true;
  return false;
}

std::string className(const ClassInfo& info) {
  return info.progIds.empty() ? info.name : info.progIds.front();
}

// Places keyword arguments into their parameters' slots; slots skipped on
// the way hold Missing.
void placeKeywords(const MemberInfo* member, std::string_view name, const py::kwargs& kwargs,
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
    slots[index] = toVariant(value);
    given[index] = !slots[index].isMissing();
  }
}

}  // namespace

py::object callMember(const ObjectRef& obj, std::string_view name, std::uint8_t kind, const py::args& args,
                      const py::kwargs& kwargs) {
  const MemberInfo* member = memberFor(obj->typeInfo(), name, kind);
  std::vector<Variant> slots;
  std::vector<bool> given;
  for (py::handle a : args) {
    slots.push_back(toVariant(a));
    given.push_back(!slots.back().isMissing());
  }
  placeKeywords(member, name, kwargs, slots, given);
  if (kind & (automation::kLet | automation::kSet)) {
    // Assigning None to an object property releases the object.
    if (!slots.empty() && slots.back().isEmpty() && (kind & automation::kSet)) slots.back() = Variant::nothing();
    obj->invoke(name, kind, slots);
    return py::none();
  }

  Variant result = obj->invoke(name, kind, slots);
  if (!member || !hasByRefParams(*member)) return toPython(result);
  py::list out;
  out.append(toPython(result));
  for (std::size_t i = 0; i < slots.size() && i < member->params.size(); ++i) {
    if (member->params[i].byRef && given[i]) out.append(toPython(slots[i]));
  }
  return py::tuple(out);
}

py::object getAttribute(const ObjectRef& obj, const std::string& name) {
  const ClassInfo& info = obj->typeInfo();
  std::vector<const MemberInfo*> found = info.find(name);
  if (name.starts_with("__") || found.empty())
    throw py::attribute_error("'" + className(info) + "' object has no member '" + name + "'");

  const MemberInfo* get = firstOfKind(found, MemberKind::PropertyGet);
  bool callable = firstOfKind(found, MemberKind::Method) || (get && get->requiredCount() > 0);
  if (!callable) return callMember(obj, name, automation::kGet, py::args(), py::kwargs());

  const MemberInfo& member = *found.front();
  std::uint8_t kind = automation::kMethod | automation::kGet;
  return py::cpp_function(
      [obj, memberName = member.name, kind](const py::args& args, const py::kwargs& kwargs) {
        return callMember(obj, memberName, kind, args, kwargs);
      },
      py::name(member.name.c_str()));
}

void setAttribute(const ObjectRef& obj, const std::string& name, py::handle value) {
  const ClassInfo& info = obj->typeInfo();
  std::vector<const MemberInfo*> found = info.find(name);
  if (found.empty()) throw py::attribute_error("'" + className(info) + "' object has no member '" + name + "'");

  Variant v = toVariant(value);
  bool onlySet = firstOfKind(found, MemberKind::PropertySet) && !firstOfKind(found, MemberKind::PropertyLet);
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
