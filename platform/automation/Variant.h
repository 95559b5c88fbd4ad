// Variant: the value that crosses every member call.
//
// A Variant holds one automation value: Empty, Null, Integer (16-bit), Long
// (32-bit), Double, Date, String (UTF-8), Object (possibly Nothing), Error
// (an omitted optional argument is the Error value Missing), Boolean, Byte,
// an array (SafeArray, copied with the Variant like every other value), or a
// record (Record, a structure of the type library, immutable inside the Variant).
//
// The checked accessors (asLong(), asString(), ...) require the exact type.
// The conversions (toLong(), toDouble(), toText(), ...) follow the automation
// rules and raise Type mismatch (13) or Overflow (6).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace rc::automation {

class Dispatch;
class SafeArray;
class Record;
using ObjectRef = std::shared_ptr<Dispatch>;

// Value types. `Variant` (any value) and `Array` only appear in declarations
// of parameters and results; a Variant's own type is never `Variant`.
enum class VarType : std::uint8_t {
  Empty, Null, Integer, Long, Double, Date, String, Object, Error, Boolean, Byte,
  Array, Record, Variant, Void,
};

// The name of a type as the type library prints it ("Long", "String", ...).
std::string_view typeName(VarType t);

// The Error value that stands for an omitted optional argument.
inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);

class Variant {
 public:
  Variant() = default;
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  // Implicit construction from the natural C++ types. int is Long; use
  // integer() for a 16-bit Integer.
  Variant(bool b) : type_(VarType::Boolean), num_{.b = b} {}
  Variant(int v) : type_(VarType::Long), num_{.l = v} {}
  Variant(std::int16_t v) : type_(VarType::Integer), num_{.i = v} {}
  Variant(std::uint8_t v) : type_(VarType::Byte), num_{.u8 = v} {}
  Variant(double v) : type_(VarType::Double), num_{.d = v} {}
  Variant(std::string s) : type_(VarType::String), str_(std::move(s)) {}
  Variant(std::string_view s) : type_(VarType::String), str_(s) {}
  Variant(const char* s) : type_(VarType::String), str_(s) {}
  Variant(ObjectRef obj);
  Variant(SafeArray arr);
  Variant(Record rec);

  static Variant null();
  static Variant integer(std::int16_t v) { return Variant(v); }
  static Variant date(double oleDate);
  static Variant error(std::int32_t scode);
  static Variant missing() { return error(kParamNotFound); }
  static Variant nothing();  // an Object that is Nothing

  VarType type() const { return type_; }
  bool isEmpty() const { return type_ == VarType::Empty; }
  bool isNull() const { return type_ == VarType::Null; }
  bool isMissing() const { return type_ == VarType::Error && num_.l == kParamNotFound; }
  bool isObject() const { return type_ == VarType::Object; }
  bool isArray() const { return type_ == VarType::Array; }
  bool isRecord() const { return type_ == VarType::Record; }
  bool isNumeric() const;  // Integer, Long, Double, Date, Boolean or Byte
  // True for Nothing, Empty and Null: what "Is Nothing" tests accept.
  bool isNothing() const;

  // Checked accessors: the Variant must hold exactly that type (else 13).
  std::int16_t asInteger() const;
  std::int32_t asLong() const;
  double asDouble() const;
  bool asBool() const;
  std::uint8_t asByte() const;
  std::int32_t asError() const;
  const std::string& asString() const;
  const ObjectRef& asObject() const;
  const SafeArray& asArray() const;
  SafeArray& asArray();
  const Record& asRecord() const;

  // Conversions by the automation rules.
  double toDouble() const;          // CDbl: locale-aware text, 13 when not a number
  std::int32_t toLong() const;      // CLng: rounds half to even, 6 outside 32 bits
  std::int16_t toInteger() const;   // CInt: rounds half to even, 6 outside 16 bits
  std::uint8_t toByte() const;      // CByte
  bool toBool() const;              // CBool: "True"/"False" or a number
  std::string toText() const;       // CStr: locale-aware number text, "True"/"False"
  ObjectRef toObject() const;       // the object, Nothing for Empty; else 424
  // The Variant converted to `t` (Variant returns a copy; Array requires one).
  Variant convertTo(VarType t) const;

 private:
  VarType type_ = VarType::Empty;
  union Num {
    bool b;
    std::int16_t i;
    std::int32_t l;
    std::uint8_t u8;
    double d;
  } num_{.d = 0};
  std::string str_;
  ObjectRef obj_;
  struct ArrayDeleter {
    void operator()(SafeArray* a) const;
  };
  std::unique_ptr<SafeArray, ArrayDeleter> arr_;
  std::shared_ptr<const Record> rec_;
};

// Value equality for tests and collections: same type and same value
// (objects by identity, arrays element by element).
bool operator==(const Variant& a, const Variant& b);

}  // namespace rc::automation
