// ravelcrest.SafeArray: an automation array with any number of dimensions,
// indexed by a tuple of indices within its own bounds (a[1, 1, 1]).
#include <pybind11/stl.h>

#include <strings.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Bindings.h"
#include "Conversions.h"
#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"

namespace rc::python {

namespace {

using automation::Bound;
using automation::SafeArray;
using automation::VarType;

constexpr VarType kElementTypes[] = {VarType::Integer, VarType::Long,    VarType::Double,
                                     VarType::Date,    VarType::String,  VarType::Object,
                                     VarType::Boolean, VarType::Byte,    VarType::Variant};

VarType elementTypeNamed(const std::string& name) {
  for (VarType t : kElementTypes) {
    std::string_view known = automation::typeName(t);
    if (known.size() == name.size() && strncasecmp(known.data(), name.data(), name.size()) == 0) return t;
  }
  throw py::value_error("'" + name + "' is no array element type");
}

// An int, or a value with __index__, as a 64-bit number; nullopt beyond 64
// bits. Any other type (1.5, "1", None) is 13.
std::optional<long long> wholeNumber(py::handle value, std::string_view what) {
  if (!PyIndex_Check(value.ptr()))
    automation::raiseWithDetail(automation::err::TypeMismatch,
                                std::string(what) + " must be an int, not " +
                                    std::string(py::str(py::type::handle_of(value).attr("__name__"))));
  PyObject* index = PyNumber_Index(value.ptr());
  if (!index) throw py::error_already_set();
  py::object number = py::reinterpret_steal<py::object>(index);
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0) return std::nullopt;
  return v;
}

// An index beyond 32 bits is outside every array's bounds: 9.
std::int32_t index32(py::handle index) {
  std::optional<long long> i = wholeNumber(index, "an array index");
  if (!i || *i < std::numeric_limits<std::int32_t>::min() || *i > std::numeric_limits<std::int32_t>::max())
    automation::raise(automation::err::SubscriptOutOfRange);
  return static_cast<std::int32_t>(*i);
}

// An int for a one-dimensional array, else a tuple with one index per dimension.
std::vector<std::int32_t> indicesOf(py::handle key) {
  std::vector<std::int32_t> out;
  if (py::isinstance<py::tuple>(key)) {
    for (py::handle i : py::reinterpret_borrow<py::tuple>(key)) out.push_back(index32(i));
  } else {
    out.push_back(index32(key));
  }
  return out;
}

// One (lower, upper) pair per dimension. A bound outside 32 bits, or more
// elements than a Long counts, is 6 (not a count wrapped to a small one);
// upper below lower - 1 is a ValueError.
SafeArray makeArray(const std::string& elementType, const py::iterable& bounds) {
  VarType element = elementTypeNamed(elementType);
  std::vector<Bound> dims;
  for (py::handle pair : bounds) {
    if (!py::isinstance<py::sequence>(pair) || py::len(pair) != 2)
      throw py::value_error("each array bound is a (lower, upper) pair");
    std::optional<long long> lower = wholeNumber(pair[py::int_(0)], "an array bound");
    std::optional<long long> upper = wholeNumber(pair[py::int_(1)], "an array bound");
    if (!lower || !upper || *lower < std::numeric_limits<std::int32_t>::min() ||
        *upper > std::numeric_limits<std::int32_t>::max())
      automation::raiseWithDetail(automation::err::Overflow, "array bounds must fit in 32 bits");
    if (*upper < *lower - 1) throw py::value_error("array bounds must be (lower, upper) with lower - 1 <= upper");
    long long count = *upper - *lower + 1;
    if (count > automation::kMaxArrayElements)
      automation::raiseWithDetail(automation::err::Overflow,
                                  "an array holds at most " + std::to_string(automation::kMaxArrayElements) +
                                      " elements");
    dims.push_back(Bound{static_cast<std::int32_t>(*lower), static_cast<std::int32_t>(count)});
  }
  return SafeArray(element, std::move(dims));
}

// Nested lists, the first dimension outermost.
py::list nestedList(const SafeArray& a, std::vector<std::int32_t>& at, std::size_t dim) {
  py::list out;
  const Bound& b = a.bounds()[dim];
  for (std::int32_t offset = 0; offset < b.count; ++offset) {
    at[dim] = static_cast<std::int32_t>(std::int64_t{b.lower} + offset);  // the last may be 2^31 - 1
    if (dim + 1 == at.size()) {
      out.append(toPython(a.get(at)));
    } else {
      out.append(nestedList(a, at, dim + 1));
    }
  }
  return out;
}

std::string describe(const SafeArray& a) {
  std::string text = "ravelcrest.SafeArray('" + std::string(automation::typeName(a.elementType())) + "', [";
  for (std::size_t d = 0; d < a.bounds().size(); ++d) {
    if (d) text += ", ";
    text += "(" + std::to_string(a.bounds()[d].lower) + ", " + std::to_string(a.bounds()[d].upper()) + ")";
  }
  return text + "])";
}

}  // namespace

void bindSafeArray(py::module_& m) {
  py::class_<SafeArray>(m, "SafeArray", "An automation array, indexed within its own bounds: a[1, 1, 1].")
      .def(py::init(&makeArray), py::arg("element_type"), py::arg("bounds"),
           "An array of element_type (\"Byte\", \"Long\", \"Variant\", ...) with one (lower, upper) per "
           "dimension. AutomationError 6 when a bound or the element count leaves 32 bits.")
      .def_property_readonly("element_type", [](const SafeArray& a) { return std::string(automation::typeName(a.elementType())); })
      .def_property_readonly("dimensions", &SafeArray::dimensions)
      .def_property_readonly("bounds",
                             [](const SafeArray& a) {
                               std::vector<std::pair<std::int32_t, std::int32_t>> out;
                               for (const Bound& b : a.bounds()) out.emplace_back(b.lower, b.upper());
                               return out;
                             })
      .def("lbound", &SafeArray::lbound, py::arg("dim") = 1)
      .def("ubound", &SafeArray::ubound, py::arg("dim") = 1)
      .def("__len__", &SafeArray::size)
      .def("__getitem__", [](const SafeArray& a, py::handle key) { return toPython(a.get(indicesOf(key))); })
      .def("__setitem__",
           [](SafeArray& a, py::handle key, py::handle value) { a.set(indicesOf(key), toVariant(value)); })
      .def("__iter__",
           [](const SafeArray&) -> py::object {
             throw py::type_error("a SafeArray is indexed by a tuple of indices; use tolist() to walk it");
           })
      .def("tolist",
           [](const SafeArray& a) {
             if (a.dimensions() == 0) return py::list();
             std::vector<std::int32_t> at(a.dimensions());
             return nestedList(a, at, 0);
           },
           "The elements as nested lists, the first dimension outermost.")
      .def("tobytes",
           [](const SafeArray& a) {
             if (a.elementType() != VarType::Byte) throw py::type_error("tobytes() needs a Byte array");
             return py::bytes(reinterpret_cast<const char*>(a.bytes().data()), a.bytes().size());
           },
           "The elements of a Byte array in storage order (first index fastest).")
      .def("__eq__", [](const SafeArray& a, py::handle b) { return py::isinstance<SafeArray>(b) && a == b.cast<const SafeArray&>(); })
      .def("__repr__", &describe);
}

}  // namespace rc::python
