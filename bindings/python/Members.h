// Member access on wrapped objects, driven by each object's ClassInfo.
//
// The member a call reaches is the one Dispatch resolves (resolveMember);
// the binding keeps no rule of its own. A member with by-reference
// parameters answers a tuple: its result (None for a sub or an assignment),
// then the final value of every by-reference argument passed, in parameter
// order. Every other member answers its result (None for an assignment).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pybind11/pybind11.h>

#include "platform/automation/Dispatch.h"

namespace rc::python {

namespace py = pybind11;

// Calls member `name` of `obj` in call kind `kind` (automation::CallKind
// bits) with positional and keyword arguments (keywords name parameters, in
// any case).
py::object callMember(const automation::ObjectRef& obj, std::string_view name, std::uint8_t kind,
                      const py::args& args, const py::kwargs& kwargs);

// Attribute read: the value of a property that needs no arguments, or a
// callable for a method or a property get with arguments, whose __doc__
// declares the member as the type library lists it. AttributeError when
// the class has no member of that name.
py::object getAttribute(const automation::ObjectRef& obj, const std::string& name);

// Attribute assignment: property let, or property set when the value is an
// object (or None for a member that only has a property set).
void setAttribute(const automation::ObjectRef& obj, const std::string& name, py::handle value);

// "method", "get", "let" or "set" as a call kind; ValueError otherwise.
std::uint8_t callKindNamed(std::string_view kindName);

}  // namespace rc::python
