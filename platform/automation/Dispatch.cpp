#include "platform/automation/Dispatch.h"

#include <new>

#include "platform/automation/Error.h"

namespace rc::automation {

namespace {

const MemberInfo* firstOfKind(const std::vector<const MemberInfo*>& found, MemberKind kind) {
  for (const MemberInfo* m : found)
    if (m->kind == kind) return m;
  return nullptr;
}

// "takes 1 argument", "takes 1 to 2 arguments", "takes no arguments".
std::string countText(const MemberInfo& m) {
  std::size_t most = m.params.size();
  std::size_t least = m.requiredCount();
  if (most == 0) return "takes no arguments";
  std::string text = "takes " + std::to_string(least);
  if (least != most) text += " to " + std::to_string(most);
  return text + (most == 1 ? " argument" : " arguments");
}

[[noreturn]] void raiseWrongCount(const MemberInfo& m, std::size_t given) {
  raiseWithDetail(err::WrongArgumentCount, m.name + " " + countText(m) + ", " + std::to_string(given) + " given");
}

[[noreturn]] void raiseNotOptional(const MemberInfo& m, std::size_t index) {
  raiseWithDetail(err::WrongArgumentCount, argumentName(m, index) + " is not optional");
}

Variant convertArgument(const ParamInfo& p, const Variant& v) {
  if (p.type == VarType::Variant) return v;
  if (p.type == VarType::Object) {
    if (v.isObject() || v.isEmpty()) return Variant(v.toObject());
    raise(err::TypeMismatch);
  }
  return v.convertTo(p.type);
}

// The argument converted to its parameter's type; a failure names the
// argument, the type it takes and the type it was given.
Variant convertNamed(const MemberInfo& m, std::size_t index, const Variant& v) {
  try {
    return convertArgument(m.params[index], v);
  } catch (const AutomationError& e) {
    throw e.withDetail(argumentName(m, index) + " takes " + std::string(typeName(m.params[index].type)) + ", " +
                       std::string(typeName(v.type())) + " given");
  }
}

}  // namespace

const MemberInfo* resolveMember(const ClassInfo& info, std::string_view name, std::uint8_t kind,
                                std::span<const Variant> args) {
  std::vector<const MemberInfo*> found = info.find(name);
  const MemberInfo* m = nullptr;
  if (kind & kMethod) m = firstOfKind(found, MemberKind::Method);
  if (!m && (kind & kGet)) m = firstOfKind(found, MemberKind::PropertyGet);
  if (!m && (kind & kGet) && !(kind & kMethod)) m = firstOfKind(found, MemberKind::Method);
  if (!m && (kind & kSet)) m = firstOfKind(found, MemberKind::PropertySet);
  if (!m && (kind & kLet)) {
    m = firstOfKind(found, MemberKind::PropertyLet);
    if (!m && !args.empty() && args.back().isObject()) m = firstOfKind(found, MemberKind::PropertySet);
  }
  return m;
}

std::string argumentName(const MemberInfo& member, std::size_t index) {
  std::string which = index < member.params.size() ? "'" + member.params[index].name + "'"
                                                   : std::to_string(index + 1);
  return "argument " + which + " of " + member.name;
}

Variant Dispatch::invoke(std::string_view name, std::uint8_t kind, std::span<Variant> args) {
  const MemberInfo* m = resolveMember(typeInfo(), name, kind, args);
  if (!m) raise(err::NotSupported, typeInfo().displayName());
  return invoke(*m, args);
}

Variant Dispatch::invoke(const MemberInfo& m, std::span<Variant> args) {
  // Every error of the call names this class as its source unless it has one.
  try {
    beforeInvoke(m);
    return finishCall(m, args);
  } catch (const AutomationError& e) {
    if (!e.source().empty()) throw;
    throw AutomationError(e.number(), e.description(), typeInfo().displayName());
  } catch (const std::bad_alloc&) {
    raise(err::OutOfMemory, typeInfo().displayName());
  } catch (const std::exception& e) {
    raise(err::ApplicationDefined, e.what(), typeInfo().displayName());
  }
}

Variant Dispatch::finishCall(const MemberInfo& m, std::span<Variant> args) {
  if (args.size() > m.params.size()) raiseWrongCount(m, args.size());
  std::vector<Variant> values;
  std::vector<bool> supplied;
  values.reserve(m.params.size());
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    const ParamInfo& p = m.params[i];
    bool given = i < args.size() && !args[i].isMissing();
    if (!given && !p.optional) {
      if (i >= args.size()) raiseWrongCount(m, args.size());
      raiseNotOptional(m, i);
    }
    values.push_back(given ? convertNamed(m, i, args[i]) : p.defaultValue);
    supplied.push_back(given);
  }
  CallArgs callArgs(std::move(values), std::move(supplied));
  Variant result = m.handler(*this, callArgs);
  for (std::size_t i = 0; i < args.size() && i < m.params.size(); ++i) {
    if (m.params[i].byRef && callArgs.supplied(i)) args[i] = std::move(callArgs[i]);
  }
  return result;
}

ObjectRef Dispatch::queryInterface(std::string_view interfaceName) {
  const ClassInfo& info = typeInfo();
  if (interfaceName == info.interfaceName || interfaceName == "IDispatch" || interfaceName == "IUnknown") return self();
  return nullptr;
}

std::optional<std::vector<Variant>> Dispatch::enumerate() {
  const ClassInfo& info = typeInfo();
  if (info.find("Count").empty() || info.find("Item").empty()) return std::nullopt;
  std::int32_t count = invoke("Count", kGet | kMethod, {}).toLong();
  std::vector<Variant> items;
  for (std::int32_t i = 1; i <= count; ++i) {
    Variant index(static_cast<int>(i));
    items.push_back(invoke("Item", kGet | kMethod, std::span(&index, 1)));
  }
  return items;
}

void Dispatch::beforeInvoke(const MemberInfo&) {}

Variant call(const ObjectRef& obj, std::string_view name, std::span<Variant> args) {
  if (!obj) raise(err::ObjectNotSet);
  return obj->invoke(name, kMethod | kGet, args);
}

Variant call(const ObjectRef& obj, std::string_view name, std::initializer_list<Variant> args) {
  std::vector<Variant> slots(args);
  return call(obj, name, std::span<Variant>(slots));
}

void letProperty(const ObjectRef& obj, std::string_view name, Variant value) {
  if (!obj) raise(err::ObjectNotSet);
  obj->invoke(name, kLet, std::span(&value, 1));
}

void setProperty(const ObjectRef& obj, std::string_view name, ObjectRef value) {
  if (!obj) raise(err::ObjectNotSet);
  Variant v(std::move(value));
  obj->invoke(name, kSet, std::span(&v, 1));
}

ObjectRef callObject(const ObjectRef& obj, std::string_view name, std::initializer_list<Variant> args) {
  Variant r = call(obj, name, args);
  if (r.isEmpty() || r.isNull()) return nullptr;
  if (!r.isObject()) raise(err::TypeMismatch);
  return r.asObject();
}

}  // namespace rc::automation
