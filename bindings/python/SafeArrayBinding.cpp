// ravelcrest.SafeArray: an automation array with any number of dimensions,
// indexed by a tuple of indices within its own bounds (a[1, 1, 1]).
#include <pybind11/stl.h>

#include <strings.h>

#include <limits>
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

std::int32_t index32(py::handle index) {
  long long i = py::cast<long long>(index);
  if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max())
    automation::raise(automation::err::SubscriptOutOfRange);
  return static_cast<std::int32_t>(i);
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

SafeArray makeArray(const std::string& elementType, const std::vector<std::pair<long long, long long>>& bounds) {
  std::vector<Bound> dims;
  for (auto [lower, upper] : bounds) {
    long long count = upper - lower + 1;
    if (lower < std::numeric_limits<std::int32_t>::min() || upper > std::numeric_limits<std::int32_t>::max() ||
        count < 0)
      throw py::value_error("array bounds must be (lower, upper) with lower - 1 <= upper, in 32 bits");
    dims.push_back(Bound{static_cast<std::int32_t>(lower), static_cast<std::int32_t>(count)});
  }
  return SafeArray(elementTypeNamed(elementType), std::move(dims));
}

// Nested lists, the first dimension outermost.
py::list nestedList(const SafeArray& a, std::vector<std::int32_t>& at, std::size_t dim) {
  py::list out;
  const Bound& b = a.bounds()[dim];
  for (std::int32_t i = b.lower; i < b.lower + b.count; ++i) {
    at[dim] = i;
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
           "An array of element_type (\"Byte\", \"Long\", \"Variant\", ...) with one (lower, upper) per dimension.")
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
