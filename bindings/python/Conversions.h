// Conversions between Python values and Variants for the ravelcrest module.
//
// Arguments: None is Empty, bool Boolean, int Long (Double beyond 32 bits),
// float Double, str String, list or tuple a zero-based Variant array, bytes a
// zero-based Byte array, datetime Date, a wrapped object Object, a
// SafeArray itself, ravelcrest.Missing an omitted optional argument.
// Results: Empty and Null None, Boolean bool, Integer/Long/Byte int, Double
// float, Date datetime, String str, Nothing None, one-dimensional arrays
// lists, other arrays SafeArray, Missing ravelcrest.Missing, other Error
// values their code as int.
#pragma once

#include <pybind11/pybind11.h>

#include "platform/automation/Variant.h"

namespace rc::python {

namespace py = pybind11;

// The type of ravelcrest.Missing, the argument that stands for an omitted
// optional parameter.
struct MissingArgument {};

// The Variant for a Python argument; TypeError when the value has no
// automation form, OverflowError for an int too large for a Double.
automation::Variant toVariant(py::handle value);

// The Python value of a Variant.
py::object toPython(const automation::Variant& value);

}  // namespace rc::python
