#include "Conversions.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/automation/Dispatch.h"
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

std::string textFromPython(py::handle s) {
  PyObject* b = PyUnicode_AsEncodedString(s.ptr(), "utf-8", "surrogateescape");
  if (!b) throw py::error_already_set();
  py::bytes bytes = py::reinterpret_steal<py::bytes>(b);
  return std::string(bytes);
}

py::object oleEpoch() { return py::module_::import("datetime").attr("datetime")(1899, 12, 30); }

// An automation date counts days from 1899-12-30; the fraction is the time
// of day, also for dates before the epoch (-1.25 is 1899-12-29 06:00).
py::object dateToPython(double ole) {
  py::object timedelta = py::module_::import("datetime").attr("timedelta");
  double whole = std::trunc(ole);
  double millis = std::round(std::fabs(ole - whole) * kSecondsPerDay * 1000.0);
  return oleEpoch() + timedelta(py::arg("days") = whole, py::arg("milliseconds") = millis);
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

Variant integerFromPython(py::handle value) {
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow == 0 && v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max())
    return Variant(static_cast<int>(v));
  double d = PyLong_AsDouble(value.ptr());
  if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
  return Variant(d);
}

Variant sequenceFromPython(py::handle value) {
  py::sequence seq = py::reinterpret_borrow<py::sequence>(value);
  std::vector<Variant> items;
  items.reserve(seq.size());
  for (py::handle item : seq) items.push_back(toVariant(item));
  return Variant(SafeArray::vector(VarType::Variant, std::move(items)));
}

Variant bytesFromPython(py::handle value) {
  PyObject* b = PyBytes_FromObject(value.ptr());
  if (!b) throw py::error_already_set();
  std::string raw = py::reinterpret_steal<py::bytes>(b);
  SafeArray a(VarType::Byte, {automation::Bound{0, static_cast<std::int32_t>(raw.size())}});
  std::copy(raw.begin(), raw.end(), a.bytes().begin());
  return Variant(std::move(a));
}

bool isDateValue(py::handle value) {
  py::module_ datetime = py::module_::import("datetime");
  return py::isinstance(value, datetime.attr("date"));
}

}  // namespace

Variant toVariant(py::handle value) {
  if (value.is_none()) return Variant();
  if (py::isinstance<MissingArgument>(value)) return Variant::missing();
  if (PyBool_Check(value.ptr())) return Variant(value.ptr() == Py_True);
  if (PyLong_Check(value.ptr())) return integerFromPython(value);
  if (PyFloat_Check(value.ptr())) return Variant(PyFloat_AsDouble(value.ptr()));
  if (PyUnicode_Check(value.ptr())) return Variant(textFromPython(value));
  if (py::isinstance<automation::Dispatch>(value)) return Variant(value.cast<automation::ObjectRef>());
  if (py::isinstance<SafeArray>(value)) return Variant(value.cast<SafeArray>());
  if (py::isinstance<automation::Record>(value)) return Variant(value.cast<automation::Record>());
  if (PyList_Check(value.ptr()) || PyTuple_Check(value.ptr())) return sequenceFromPython(value);
  if (PyBytes_Check(value.ptr()) || PyByteArray_Check(value.ptr())) return bytesFromPython(value);
  if (isDateValue(value)) return Variant::date(dateFromPython(value));
  if (PyIndex_Check(value.ptr())) return integerFromPython(py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())));
  throw py::type_error("a value of type '" + std::string(py::str(py::type::handle_of(value).attr("__name__"))) +
                       "' cannot be passed to an automation member");
}

py::object toPython(const Variant& value) {
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
      py::list items;
      for (std::size_t i = 0; i < a.size(); ++i) items.append(toPython(a.at(i)));
      return items;
    }
    case VarType::Record: return py::cast(value.asRecord());
    case VarType::Variant:
    case VarType::Void: break;
  }
  return py::none();
}

}  // namespace rc::python
