#include "Conversions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Record.h"
#include "platform/automation/SafeArray.h"

namespace rc::python {

namespace {

using automation::SafeArray;
using automation::Variant;
using automation::VarType;

constexpr double kSecondsPerDay = 86400.0;

// Strings cross as UTF-8; bytes that are not UTF-8 survive a round trip as
// lone surrogates (the "surrogateescape" rule Python uses for file names).
py::object textToPython(const std::string& s) {
  PyObject* o = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
  if (!o) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(o);
}

// Throws AutomationError(number) for `reason`, naming the value when the
// caller named it.
[[noreturn]] void refuse(int number, std::string_view what, std::string_view reason) {
  if (what.empty()) automation::raiseWithDetail(number, reason);
  automation::raiseWithDetail(number, std::string(what) + " is " + std::string(reason));
}

// Whether the pending Python error is of `type`; clears it when so.
bool takeError(PyObject* type) {
  if (!PyErr_ExceptionMatches(type)) return false;
  PyErr_Clear();
  return true;
}

std::string textFromPython(py::handle s, std::string_view what) {
  PyObject* b = PyUnicode_AsEncodedString(s.ptr(), "utf-8", "surrogateescape");
  if (!b && takeError(PyExc_UnicodeEncodeError))
    refuse(automation::err::InvalidCall, what, "text with a lone surrogate");
  if (!b) throw py::error_already_set();
  py::bytes bytes = py::reinterpret_steal<py::bytes>(b);
  return std::string(bytes);
}

py::object oleEpoch() { return py::module_::import("datetime").attr("datetime")(1899, 12, 30); }

// An automation date counts days from 1899-12-30; the fraction is the time
// of day, also for dates before the epoch (-1.25 is 1899-12-29 06:00).
// A date outside Python's years 1 to 9999 is 6.
py::object dateToPython(double ole) {
  py::object timedelta = py::module_::import("datetime").attr("timedelta");
  double whole = std::trunc(ole);
  double millis = std::round(std::fabs(ole - whole) * kSecondsPerDay * 1000.0);
  try {
    return oleEpoch() + timedelta(py::arg("days") = whole, py::arg("milliseconds") = millis);
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_OverflowError) && !e.matches(PyExc_ValueError)) throw;
    automation::raiseWithDetail(automation::err::Overflow, "a date outside the years 1 to 9999");
  }
}

double dateFromPython(py::handle value) {
  py::module_ datetime = py::module_::import("datetime");
  py::object moment = py::reinterpret_borrow<py::object>(value);
  if (!py::isinstance(value, datetime.attr("datetime")))
    moment = datetime.attr("datetime").attr("combine")(value, datetime.attr("time")());
  if (!moment.attr("tzinfo").is_none()) moment = moment.attr("replace")(py::arg("tzinfo") = py::none());
  double days = (moment - oleEpoch()).attr("total_seconds")().cast<double>() / kSecondsPerDay;
  double day = std::floor(days);
  double time = days - day;
  return day < 0 ? day - time : day + time;
}

Variant integerFromPython(py::handle value, std::string_view what) {
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow == 0 && v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max())
    return Variant(static_cast<int>(v));
  double d = PyLong_AsDouble(value.ptr());
  if (d == -1.0 && PyErr_Occurred()) {
    if (takeError(PyExc_OverflowError)) refuse(automation::err::Overflow, what, "an int too large for a Double");
    throw py::error_already_set();
  }
  return Variant(d);
}

Variant bytesFromPython(py::handle value, std::string_view what) {
  PyObject* b = PyBytes_FromObject(value.ptr());
  if (!b) throw py::error_already_set();
  std::string raw = py::reinterpret_steal<py::bytes>(b);
  if (raw.size() > static_cast<std::size_t>(automation::kMaxArrayElements))
    refuse(automation::err::Overflow, what, "more bytes than an array holds");
  SafeArray a(VarType::Byte, {automation::Bound{0, static_cast<std::int32_t>(raw.size())}});
  std::copy(raw.begin(), raw.end(), a.bytes().begin());
  return Variant(std::move(a));
}

bool isDateValue(py::handle value) {
  py::module_ datetime = py::module_::import("datetime");
  return py::isinstance(value, datetime.attr("date"));
}

// One value's conversion: knows the lists it is inside, so that a list that
// contains itself, or lists nested deeper than arrays may nest, are refused
// instead of walked without end; measures a list's elements in all before
// converting any.
class ValueConversion {
 public:
  explicit ValueConversion(std::string_view what) : what_(what) {}

  Variant convert(py::handle value) {
    if (value.is_none()) return Variant();
    if (py::isinstance<MissingArgument>(value)) return Variant::missing();
    if (PyBool_Check(value.ptr())) return Variant(value.ptr() == Py_True);
    if (PyLong_Check(value.ptr())) return integerFromPython(value, what_);
    if (PyFloat_Check(value.ptr())) return Variant(PyFloat_AsDouble(value.ptr()));
    if (PyUnicode_Check(value.ptr())) return Variant(textFromPython(value, what_));
    if (py::isinstance<automation::Dispatch>(value)) return Variant(value.cast<automation::ObjectRef>());
    if (py::isinstance<SafeArray>(value)) return Variant(value.cast<SafeArray>());
    if (py::isinstance<automation::Record>(value)) return Variant(value.cast<automation::Record>());
    if (isList(value)) return sequence(value);
    if (PyBytes_Check(value.ptr()) || PyByteArray_Check(value.ptr())) return bytesFromPython(value, what_);
    if (isDateValue(value)) return Variant::date(dateFromPython(value));
    if (PyIndex_Check(value.ptr())) {
      PyObject* index = PyNumber_Index(value.ptr());
      if (!index) throw py::error_already_set();
      return integerFromPython(py::reinterpret_steal<py::object>(index), what_);
    }
    throw py::type_error("a value of type '" + std::string(py::str(py::type::handle_of(value).attr("__name__"))) +
                         "' cannot be passed to an automation member");
  }

 private:
  static bool isList(py::handle value) { return PyList_Check(value.ptr()) || PyTuple_Check(value.ptr()); }

  // Opens one more list: refused when it is already open (it contains
  // itself) or when it nests deeper than arrays may.
  void enter(py::handle list) {
    if (std::find(open_.begin(), open_.end(), list.ptr()) != open_.end())
      refuse(automation::err::TypeMismatch, what_, "a list that contains itself");
    if (static_cast<int>(open_.size()) >= automation::kMaxArrayNesting)
      refuse(automation::err::TypeMismatch, what_,
             "lists nested deeper than " + std::to_string(automation::kMaxArrayNesting) + " levels");
    open_.push_back(list.ptr());
  }

  // Walks the lists of a value without converting anything, so that a
  // value of shared sublists is refused after counting, not after
  // building, its elements.
  void measure(py::handle list, std::size_t& elements) {
    enter(list);
    py::sequence seq = py::reinterpret_borrow<py::sequence>(list);
    elements += seq.size();
    if (elements > kMaxConvertedElements)
      refuse(automation::err::OutOfMemory, what_,
             "more than " + std::to_string(kMaxConvertedElements) + " list elements in all");
    for (py::handle item : seq)
      if (isList(item)) measure(item, elements);
    open_.pop_back();
  }

  Variant sequence(py::handle value) {
    if (open_.empty()) {
      std::size_t elements = 0;
      measure(value, elements);
    }
    enter(value);
    py::sequence seq = py::reinterpret_borrow<py::sequence>(value);
    std::vector<Variant> items;
    items.reserve(seq.size());
    for (py::handle item : seq) items.push_back(convert(item));
    open_.pop_back();
    return Variant(SafeArray::vector(VarType::Variant, std::move(items)));
  }

  std::string_view what_;
  std::vector<PyObject*> open_;  // the lists being walked, outermost first
};

py::object toPython(const Variant& value, int depth);

py::list listOf(const SafeArray& a, int depth) {
  if (depth >= automation::kMaxArrayNesting)
    automation::raiseWithDetail(automation::err::TypeMismatch,
                                "arrays nested deeper than " + std::to_string(automation::kMaxArrayNesting) + " levels");
  py::list items;
  for (std::size_t i = 0; i < a.size(); ++i) items.append(toPython(a.at(i), depth + 1));
  return items;
}

py::object toPython(const Variant& value, int depth) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: return py::none();
    case VarType::Integer: return py::int_(value.asInteger());
    case VarType::Long: return py::int_(value.asLong());
    case VarType::Byte: return py::int_(value.asByte());
    case VarType::Double: return py::float_(value.asDouble());
    case VarType::Date: return dateToPython(value.asDouble());
    case VarType::String: return textToPython(value.asString());
    case VarType::Boolean: return py::bool_(value.asBool());
    case VarType::Object:
      if (!value.asObject()) return py::none();
      return py::cast(value.asObject());
    case VarType::Error:
      if (value.isMissing()) return py::module_::import("ravelcrest").attr("Missing");
      return py::int_(value.asError());
    case VarType::Array: {
      const SafeArray& a = value.asArray();
      if (a.dimensions() != 1) return py::cast(a);
      return listOf(a, depth);
    }
    case VarType::Record: return py::cast(value.asRecord());
    case VarType::Variant:
    case VarType::Void: break;
  }
  return py::none();
}

}  // namespace

Variant toVariant(py::handle value, std::string_view what) { return ValueConversion(what).convert(value); }

py::object toPython(const Variant& value) { return toPython(value, 0); }

}  // namespace rc::python
