// Type information: what a class publishes about itself.
//
// Each class has one ClassInfo: its name, ProgIDs, CLSID, interface and IID,
// and its members in interface order. Dispatch, the Python binding and the
// `ravelcrest typelib` listing all read it; nothing restates member lists.
#pragma once

#include <functional>
#include <type_traits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/Variant.h"

namespace rc::automation {

class Dispatch;
struct RecordType;

enum class MemberKind : std::uint8_t { Method, PropertyGet, PropertyLet, PropertySet };

std::string_view memberKindName(MemberKind k);  // "method", "get", "let", "set"

struct ParamInfo {
  std::string name;
  VarType type = VarType::Variant;
  bool byRef = false;
  bool optional = false;
  Variant defaultValue;  // for an optional parameter; Missing when it has none

  // A copy of this parameter marked optional with that default.
  ParamInfo opt(Variant def = Variant::missing()) const {
    ParamInfo p = *this;
    p.optional = true;
    p.defaultValue = std::move(def);
    return p;
  }
};

// Parameter declarations: byVal("tmpName", VarType::String), byRef(...).opt(0).
inline ParamInfo byVal(std::string name, VarType type) { return ParamInfo{std::move(name), type, false, false, Variant::missing()}; }
inline ParamInfo byRef(std::string name, VarType type) { return ParamInfo{std::move(name), type, true, false, Variant::missing()}; }

// The arguments a member's handler receives: one slot per declared parameter,
// converted to the parameter's type; an omitted optional parameter holds its
// default. A handler writes by-reference results into their slots.
class CallArgs {
 public:
  explicit CallArgs(std::vector<Variant> values, std::vector<bool> supplied)
      : values_(std::move(values)), supplied_(std::move(supplied)) {}
  std::size_t size() const { return values_.size(); }
  Variant& operator[](std::size_t i) { return values_.at(i); }
  const Variant& operator[](std::size_t i) const { return values_.at(i); }
  // Whether the caller passed parameter i (an optional one may be omitted).
  bool supplied(std::size_t i) const { return i < supplied_.size() && supplied_[i]; }
  std::vector<Variant>& values() { return values_; }

 private:
  std::vector<Variant> values_;
  std::vector<bool> supplied_;
};

using Handler = std::function<Variant(Dispatch& self, CallArgs& args)>;

struct MemberInfo {
  std::string name;
  MemberKind kind = MemberKind::Method;
  std::vector<ParamInfo> params;  // for let and set, the assigned value is the last
  VarType result = VarType::Void;
  Handler handler;

  std::size_t requiredCount() const;
};

// What a type library publishes about itself.
struct LibraryInfo {
  std::string name;     // "RavelcrestCore"
  std::string version;  // "1.0"; empty when the library published none
  std::string libid;    // the library's GUID; empty when it published none
};

struct ClassInfo {
  std::string library;        // "RavelcrestCore", or the application that owns the class
  std::string name;           // "clsApplication"
  std::vector<std::string> progIds;
  std::string clsid;
  std::string interfaceName;  // "_clsApplication"
  std::string iid;
  std::vector<MemberInfo> members;  // interface order
  std::vector<const RecordType*> records;  // the records the class publishes with it

  // The members named `name` (any case), in interface order.
  std::vector<const MemberInfo*> find(std::string_view name) const;
  // The first ProgID, or the class name when it has none: how errors (as
  // their source) and the Python binding name the class.
  const std::string& displayName() const { return progIds.empty() ? name : progIds.front(); }
};

// Builds a ClassInfo for class T with typed handlers.
template <typename T>
class ClassBuilder {
 public:
  ClassBuilder(std::string_view library, std::string_view name) {
    info_.library = std::string(library);
    info_.name = std::string(name);
  }
  ClassBuilder& progId(std::string id) { info_.progIds.push_back(std::move(id)); return *this; }
  ClassBuilder& ids(std::string clsid, std::string interfaceName, std::string iid) {
    info_.clsid = std::move(clsid);
    info_.interfaceName = std::move(interfaceName);
    info_.iid = std::move(iid);
    return *this;
  }

  // A method; `fn(T&, CallArgs&)` returns the result, anything a Variant
  // converts from; a handler that returns nothing answers Empty (a sub).
  template <typename Fn>
  ClassBuilder& method(std::string name, VarType result, std::vector<ParamInfo> params, Fn fn) {
    return add(std::move(name), MemberKind::Method, result, std::move(params), std::move(fn));
  }
  template <typename Fn>
  ClassBuilder& get(std::string name, VarType result, std::vector<ParamInfo> params, Fn fn) {
    return add(std::move(name), MemberKind::PropertyGet, result, std::move(params), std::move(fn));
  }
  // Property let; the assigned value is the last parameter.
  template <typename Fn>
  ClassBuilder& let(std::string name, std::vector<ParamInfo> params, Fn fn) {
    return add(std::move(name), MemberKind::PropertyLet, VarType::Void, std::move(params), std::move(fn));
  }
  template <typename Fn>
  ClassBuilder& set(std::string name, std::vector<ParamInfo> params, Fn fn) {
    return add(std::move(name), MemberKind::PropertySet, VarType::Void, std::move(params), std::move(fn));
  }

  // A public field: property get and let over the member `field`, whose C++
  // type is std::string, bool, std::int32_t, std::int16_t, double or Variant.
  template <typename F, typename C>
  ClassBuilder& field(std::string name, VarType type, F C::*field) {
    static_assert(std::is_base_of_v<C, T>, "the field must belong to the class");
    get(name, type, {}, [field](T& self, CallArgs&) { return Variant(self.*field); });
    let(name, {byVal("value", type)}, [field](T& self, CallArgs& a) {
      self.*field = extract<F>(a[0]);
      return Variant();
    });
    return *this;
  }

  // Publishes a record type of the type library with the class.
  ClassBuilder& record(const RecordType& type) { info_.records.push_back(&type); return *this; }

  ClassInfo build() { return std::move(info_); }

 private:
  template <typename F>
  static F extract(const Variant& v) {
    if constexpr (std::is_same_v<F, std::string>) return v.asString();
    else if constexpr (std::is_same_v<F, bool>) return v.asBool();
    else if constexpr (std::is_same_v<F, std::int32_t>) return v.asLong();
    else if constexpr (std::is_same_v<F, std::int16_t>) return v.asInteger();
    else if constexpr (std::is_same_v<F, double>) return v.asDouble();
    else return v;
  }

  template <typename Fn>
  ClassBuilder& add(std::string name, MemberKind kind, VarType result, std::vector<ParamInfo> params, Fn fn) {
    MemberInfo m;
    m.name = std::move(name);
    m.kind = kind;
    m.params = std::move(params);
    m.result = result;
    m.handler = [fn = std::move(fn)](Dispatch& self, CallArgs& args) -> Variant {
      if constexpr (std::is_void_v<std::invoke_result_t<const Fn&, T&, CallArgs&>>) {
        fn(static_cast<T&>(self), args);
        return Variant();
      } else {
        return fn(static_cast<T&>(self), args);
      }
    };
    info_.members.push_back(std::move(m));
    return *this;
  }

  ClassInfo info_;
};

}  // namespace rc::automation
