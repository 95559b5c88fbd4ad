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
//
// A value the runtime cannot hold is an AutomationError with the runtime's
// number: lists nested deeper than arrays may nest, or a list that contains
// itself, 13; an int too large for a Double, 6; text with a lone surrogate,
// 5; more than kMaxConvertedElements elements in one value, 7. No
// conversion recurses deeper than arrays nest.
#pragma once

#include <cstddef>
#include <string_view>

#include <pybind11/pybind11.h>

#include "platform/automation/Variant.h"

namespace rc::python {

namespace py = pybind11;

// The type of ravelcrest.Missing, the argument that stands for an omitted
// optional parameter.
struct MissingArgument {};

// Lists converted for one value at most; beyond this a value of shared
// sublists ([row] * 1000 nested) would take minutes and gigabytes.
inline constexpr std::size_t kMaxConvertedElements = std::size_t{1} << 24;

// The Variant for a Python value; TypeError when the value has no
// automation form. `what` names the value in error texts ("argument 'v' of
// Echo"); an error then reads "Overflow: argument 'v' of Echo is an int
// too large for a Double".
automation::Variant toVariant(py::handle value, std::string_view what = {});

// The Python value of a Variant.
py::object toPython(const automation::Variant& value);

}  // namespace rc::python
