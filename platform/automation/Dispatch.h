// Dispatch: an object callable by member name.
//
// Every automation object derives from Dispatch and publishes its ClassInfo.
// invoke() finds the member by name (any case) and call kind, checks the
// argument count (450), converts each argument to its parameter's type (13,
// 6), calls the handler and writes by-reference results back into the
// caller's slots. A member that does not exist, or not in that kind, is 438.
// Errors of the call's shape name the member and the argument after the
// standard description ("Type mismatch: argument 'n' of Add takes Long,
// String given").
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/automation/TypeInfo.h"
#include "platform/automation/Variant.h"

namespace rc::automation {

// Call kinds; late-bound callers that do not know whether a member is a
// method or a property pass Method | Get.
enum CallKind : std::uint8_t {
  kMethod = 1,
  kGet = 2,
  kLet = 4,
  kSet = 8,
};

// The member a call of `kind` on `name` reaches, or nullptr (438): a method
// before a property get; a get-only call falls back to a method; a let
// whose value is an object falls back to a property set. The one rule every
// caller (Dispatch, the Python binding) resolves members by.
const MemberInfo* resolveMember(const ClassInfo& info, std::string_view name, std::uint8_t kind,
                                std::span<const Variant> args);

// "argument 'n' of Add" (a position when the member declares no parameter
// there): how call errors name an argument.
std::string argumentName(const MemberInfo& member, std::size_t index);

class Dispatch : public std::enable_shared_from_this<Dispatch> {
 public:
  virtual ~Dispatch() = default;

  virtual const ClassInfo& typeInfo() const = 0;

  // Calls member `name`. `args` are in parameter order (for let and set the
  // assigned value last); by-reference parameters write back into them.
  Variant invoke(std::string_view name, std::uint8_t kind, std::span<Variant> args);
  // Calls `member`, one of this object's typeInfo() members, as resolved by
  // resolveMember().
  Variant invoke(const MemberInfo& member, std::span<Variant> args);

  // A second interface of this object, or nullptr. The default answers this
  // object for its own interface name, "IDispatch" and "IUnknown".
  virtual ObjectRef queryInterface(std::string_view interfaceName);

  // The items of a collection in order, or nullopt when this is no
  // collection. The default walks Count and Item(1..Count) when both exist.
  virtual std::optional<std::vector<Variant>> enumerate();

  ObjectRef self() { return shared_from_this(); }

 protected:
  // Called after the member is resolved and before its arguments are
  // converted; an object may refuse the call here by raising.
  virtual void beforeInvoke(const MemberInfo& member);

 private:
  // Converts the arguments, runs the member and writes by-reference
  // results back.
  Variant finishCall(const MemberInfo& member, std::span<Variant> args);
};

// Late-bound calls, as the library makes them on the host, the vault and its
// own classes. A Nothing object raises 91.
Variant call(const ObjectRef& obj, std::string_view name, std::span<Variant> args);
Variant call(const ObjectRef& obj, std::string_view name, std::initializer_list<Variant> args = {});
void letProperty(const ObjectRef& obj, std::string_view name, Variant value);
void setProperty(const ObjectRef& obj, std::string_view name, ObjectRef value);
// call() whose result must be an object (Nothing allowed); 13 otherwise.
ObjectRef callObject(const ObjectRef& obj, std::string_view name, std::initializer_list<Variant> args = {});

// The late-bound call written like a direct one: call(doc, "SelectByID",
// name, "COMPONENT", 0, 0, 0). Each argument becomes a Variant as the
// implicit conversions make it (int is Long, std::int16_t Integer). The
// slots are temporaries: a by-reference result the caller needs goes
// through the span form instead.
template <typename... Args>
concept VariantArguments = sizeof...(Args) > 0 && (std::is_convertible_v<Args&&, Variant> && ...);

template <typename... Args>
  requires VariantArguments<Args...>
Variant call(const ObjectRef& obj, std::string_view name, Args&&... args) {
  std::array<Variant, sizeof...(Args)> slots{Variant(std::forward<Args>(args))...};
  return call(obj, name, std::span<Variant>(slots));
}

template <typename... Args>
  requires VariantArguments<Args...>
ObjectRef callObject(const ObjectRef& obj, std::string_view name, Args&&... args) {
  return callObject(obj, name, {Variant(std::forward<Args>(args))...});
}

}  // namespace rc::automation
