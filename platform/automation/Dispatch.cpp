#include "platform/automation/Dispatch.h"

#include <new>

#include "platform/automation/Error.h"

namespace rc::automation {

namespace {

const MemberInfo* resolve(const ClassInfo& info, std::string_view name, std::uint8_t kind,
                          std::span<Variant> args) {
  std::vector<const MemberInfo*> found = info.find(name);
  auto pick = [&](MemberKind k) -> const MemberInfo* {
    for (const MemberInfo* m : found)
      if (m->kind == k) return m;
    return nullptr;
  };
  const MemberInfo* m = nullptr;
  if (kind & kMethod) m = pick(MemberKind::Method);
  if (!m && (kind & kGet)) m = pick(MemberKind::PropertyGet);
  if (!m && (kind & kGet) && !(kind & kMethod)) m = pick(MemberKind::Method);
  if (!m && (kind & kSet)) m = pick(MemberKind::PropertySet);
  if (!m && (kind & kLet)) {
    m = pick(MemberKind::PropertyLet);
    if (!m && !args.empty() && args.back().isObject()) m = pick(MemberKind::PropertySet);
  }
  return m;
}

Variant convertArgument(const ParamInfo& p, const Variant& v) {
  if (p.type == VarType::Variant) return v;
  if (p.type == VarType::Object) {
    if (v.isObject() || v.isEmpty()) return Variant(v.toObject());
    raise(err::TypeMismatch);
  }
  return v.convertTo(p.type);
}

}  // namespace

Variant Dispatch::invoke(std::string_view name, std::uint8_t kind, std::span<Variant> args) {
  const ClassInfo& info = typeInfo();
  const std::string source = info.progIds.empty() ? info.name : info.progIds.front();
  const MemberInfo* m = resolve(info, name, kind, args);
  if (!m) raise(err::NotSupported, source);

  // Every error of the call names this class as its source unless it has one.
  try {
    beforeInvoke(*m);
    return finishCall(*m, args);
  } catch (const AutomationError& e) {
    if (!e.source().empty()) throw;
    throw AutomationError(e.number(), e.description(), source);
  } catch (const std::bad_alloc&) {
    raise(err::OutOfMemory, "Out of memory", source);
  } catch (const std::exception& e) {
    raise(err::ApplicationDefined, e.what(), source);
  }
}

Variant Dispatch::finishCall(const MemberInfo& m, std::span<Variant> args) {
  if (args.size() > m.params.size()) raise(err::WrongArgumentCount);
  std::vector<Variant> values;
  std::vector<bool> supplied;
  values.reserve(m.params.size());
  for (std::size_t i = 0; i < m.params.size(); ++i) {
    const ParamInfo& p = m.params[i];
    bool given = i < args.size() && !args[i].isMissing();
    if (!given && !p.optional) raise(err::WrongArgumentCount);
    values.push_back(given ? convertArgument(p, args[i]) : p.defaultValue);
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
