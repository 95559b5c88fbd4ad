#include "platform/automation/Variant.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Record.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Locale.h"

namespace rc::automation {

std::string_view typeName(VarType t) {
  switch (t) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Double: return "Double";
    case VarType::Date: return "Date";
    case VarType::String: return "String";
    case VarType::Object: return "Object";
    case VarType::Error: return "Error";
    case VarType::Boolean: return "Boolean";
    case VarType::Byte: return "Byte";
    case VarType::Array: return "Array";
    case VarType::Record: return "Record";
    case VarType::Variant: return "Variant";
    case VarType::Void: return "Void";
  }
  return "?";
}

Variant::Variant(const Variant& o)
    : type_(o.type_), num_(o.num_), str_(o.str_), obj_(o.obj_),
      arr_(o.arr_ ? new SafeArray(*o.arr_) : nullptr), rec_(o.rec_) {}

void Variant::ArrayDeleter::operator()(SafeArray* a) const { delete a; }

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Variant::~Variant() = default;
Variant::Variant(Variant&& other) noexcept = default;
Variant& Variant::operator=(Variant&& other) noexcept = default;

Variant::Variant(ObjectRef obj) : type_(VarType::Object), obj_(std::move(obj)) {}

Variant::Variant(SafeArray arr) : type_(VarType::Array), arr_(new SafeArray(std::move(arr))) {}

Variant::Variant(Record rec) : type_(VarType::Record), rec_(std::make_shared<const Record>(std::move(rec))) {}

Variant Variant::null() {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::date(double oleDate) {
  Variant v(oleDate);
  v.type_ = VarType::Date;
  return v;
}

Variant Variant::error(std::int32_t scode) {
  Variant v(static_cast<int>(scode));
  v.type_ = VarType::Error;
  return v;
}

Variant Variant::nothing() { return Variant(ObjectRef()); }

bool Variant::isNumeric() const {
  switch (type_) {
    case VarType::Integer: case VarType::Long: case VarType::Double: case VarType::Date:
    case VarType::Boolean: case VarType::Byte:
      return true;
    default:
      return false;
  }
}

bool Variant::isNothing() const {
  return type_ == VarType::Empty || type_ == VarType::Null || (type_ == VarType::Object && !obj_);
}

namespace {
[[noreturn]] void mismatch() { raise(err::TypeMismatch); }

// CStr of a date: the short date, then the time when there is one; a date
// of day 0 with a time shows the time alone. Days count from 1899-12-30;
// before it the fraction still counts forwards from its day.
std::string dateText(double oleDate) {
  if (!std::isfinite(oleDate) || std::fabs(oleDate) > 2958466.0) raise(err::Overflow);
  double day = std::trunc(oleDate);
  double fraction = std::fabs(oleDate - day);
  long seconds = std::lround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += oleDate < 0 ? -1 : 1;
  }
  // Days from 1970-01-01 for the calendar arithmetic of gmtime.
  std::time_t t = static_cast<std::time_t>((day - 25569.0) * 86400.0) + seconds;
  std::tm when{};
  gmtime_r(&t, &when);
  if (day == 0) return platform::timeText(when);
  std::string text = platform::shortDate(when);
  if (seconds != 0) text += " " + platform::timeText(when);
  return text;
}
}  // namespace

std::int16_t Variant::asInteger() const { if (type_ != VarType::Integer) mismatch(); return num_.i; }
std::int32_t Variant::asLong() const { if (type_ != VarType::Long) mismatch(); return num_.l; }
double Variant::asDouble() const { if (type_ != VarType::Double && type_ != VarType::Date) mismatch(); return num_.d; }
bool Variant::asBool() const { if (type_ != VarType::Boolean) mismatch(); return num_.b; }
std::uint8_t Variant::asByte() const { if (type_ != VarType::Byte) mismatch(); return num_.u8; }
std::int32_t Variant::asError() const { if (type_ != VarType::Error) mismatch(); return num_.l; }
const std::string& Variant::asString() const { if (type_ != VarType::String) mismatch(); return str_; }
const ObjectRef& Variant::asObject() const { if (type_ != VarType::Object) mismatch(); return obj_; }
const SafeArray& Variant::asArray() const { if (type_ != VarType::Array) mismatch(); return *arr_; }
SafeArray& Variant::asArray() { if (type_ != VarType::Array) mismatch(); return *arr_; }
const Record& Variant::asRecord() const { if (type_ != VarType::Record) mismatch(); return *rec_; }

double Variant::toDouble() const {
  switch (type_) {
    case VarType::Empty: return 0;
    case VarType::Integer: return num_.i;
    case VarType::Long: return num_.l;
    case VarType::Double: case VarType::Date: return num_.d;
    case VarType::Boolean: return num_.b ? -1 : 0;
    case VarType::Byte: return num_.u8;
    case VarType::String: {
      std::optional<double> v = parseNumber(str_);
      if (!v) mismatch();
      return *v;
    }
    default: mismatch();
  }
}

namespace {
double roundedInRange(double d, double lo, double hi) {
  if (std::isnan(d)) raise(err::Overflow);
  double r = roundHalfEven(d);
  if (r < lo || r > hi) raise(err::Overflow);
  return r;
}
}  // namespace

std::int32_t Variant::toLong() const {
  if (type_ == VarType::Long) return num_.l;
  return static_cast<std::int32_t>(roundedInRange(toDouble(), -2147483648.0, 2147483647.0));
}

std::int16_t Variant::toInteger() const {
  if (type_ == VarType::Integer) return num_.i;
  return static_cast<std::int16_t>(roundedInRange(toDouble(), -32768.0, 32767.0));
}

std::uint8_t Variant::toByte() const {
  if (type_ == VarType::Byte) return num_.u8;
  return static_cast<std::uint8_t>(roundedInRange(toDouble(), 0.0, 255.0));
}

namespace {
bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}
}  // namespace

bool Variant::toBool() const {
  if (type_ == VarType::Boolean) return num_.b;
  if (type_ == VarType::String) {
    std::string_view s = str_;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (equalsNoCase(s, "True")) return true;
    if (equalsNoCase(s, "False")) return false;
  }
  return toDouble() != 0;
}

std::string Variant::toText() const {
  switch (type_) {
    case VarType::Empty: return "";
    case VarType::String: return str_;
    case VarType::Boolean: return num_.b ? "True" : "False";
    case VarType::Integer: return std::to_string(num_.i);
    case VarType::Long: return std::to_string(num_.l);
    case VarType::Byte: return std::to_string(num_.u8);
    case VarType::Double: return numberText(num_.d);
    case VarType::Date: return dateText(num_.d);
    case VarType::Error: return "Error " + std::to_string(num_.l);
    default: mismatch();
  }
}

ObjectRef Variant::toObject() const {
  if (type_ == VarType::Object) return obj_;
  if (type_ == VarType::Empty) return nullptr;
  raise(err::ObjectRequired);
}

Variant Variant::convertTo(VarType t) const {
  switch (t) {
    case VarType::Variant: return *this;
    case VarType::Integer: return Variant(toInteger());
    case VarType::Long: return Variant(static_cast<int>(toLong()));
    case VarType::Double: return Variant(toDouble());
    case VarType::Date: return Variant::date(toDouble());
    case VarType::String: return Variant(toText());
    case VarType::Boolean: return Variant(toBool());
    case VarType::Byte: return Variant(toByte());
    case VarType::Object: return Variant(toObject());
    case VarType::Array:
      if (type_ != VarType::Array) mismatch();
      return *this;
    case VarType::Record:
      if (type_ != VarType::Record) mismatch();
      return *this;
    case VarType::Empty: return Variant();
    case VarType::Null: return Variant::null();
    case VarType::Error:
      if (type_ != VarType::Error) mismatch();
      return *this;
    case VarType::Void: return Variant();
  }
  mismatch();
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case VarType::Empty: case VarType::Null: case VarType::Void: case VarType::Variant: return true;
    case VarType::Integer: return a.asInteger() == b.asInteger();
    case VarType::Long: return a.asLong() == b.asLong();
    case VarType::Error: return a.asError() == b.asError();
    case VarType::Double: case VarType::Date: return a.asDouble() == b.asDouble();
    case VarType::Boolean: return a.asBool() == b.asBool();
    case VarType::Byte: return a.asByte() == b.asByte();
    case VarType::String: return a.asString() == b.asString();
    case VarType::Object: return a.asObject() == b.asObject();
    case VarType::Array: return a.asArray() == b.asArray();
    case VarType::Record: return a.asRecord() == b.asRecord();
  }
  return false;
}

}  // namespace rc::automation
