// ravelcrest.Object and the functions that create, attach to and call objects.
#include <pybind11/stl.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "Bindings.h"
#include "Conversions.h"
#include "Members.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"

namespace rc::python {

namespace {

using automation::Dispatch;
using automation::ObjectRef;

// The object's member names (each once) and the Python attributes of the type.
py::list memberNames(py::handle self, const Dispatch& obj) {
  std::set<std::string> names;
  for (const automation::MemberInfo& m : obj.typeInfo().members) names.insert(m.name);
  for (py::handle n : py::type::handle_of(self).attr("__dict__").attr("keys")()) names.insert(py::str(n));
  py::list out;
  for (const std::string& n : names) out.append(n);
  return out;
}

py::object iterate(const ObjectRef& obj) {
  std::optional<std::vector<automation::Variant>> items = obj->enumerate();
  if (!items) throw py::type_error("'" + obj->typeInfo().displayName() + "' object is not a collection");
  py::list out;
  for (const automation::Variant& v : *items) out.append(toPython(v));
  return out.attr("__iter__")();
}

}  // namespace

void bindObjects(py::module_& m) {
  py::class_<MissingArgument>(m, "MissingType", "The type of ravelcrest.Missing.")
      .def("__repr__", [](const MissingArgument&) { return "ravelcrest.Missing"; })
      .def("__bool__", [](const MissingArgument&) { return false; });
  m.attr("Missing") = MissingArgument{};

  py::class_<Dispatch, ObjectRef>(m, "Object",
                                  "An automation object: attributes are its properties and methods.")
      .def("__getattr__", [](const ObjectRef& self, const std::string& name) { return getAttribute(self, name); })
      .def("__setattr__", [](const ObjectRef& self, const std::string& name, py::handle value) {
        setAttribute(self, name, value);
      })
      .def("__iter__", &iterate)
      .def("__eq__", [](const Dispatch& a, py::handle b) {
        return py::isinstance<Dispatch>(b) && &a == b.cast<const Dispatch*>();
      })
      .def("__hash__", [](const Dispatch& a) { return std::hash<const Dispatch*>()(&a); })
      .def("__repr__", [](const Dispatch& a) { return "<ravelcrest.Object " + a.typeInfo().displayName() + ">"; })
      .def("__dir__", [](py::handle self) { return memberNames(self, self.cast<const Dispatch&>()); });

  m.def("Dispatch", &automation::createObject, py::arg("progid"),
        "Creates the object registered under progid (AutomationError 429 when unknown).");
  m.def("GetObject", &automation::getObject, py::arg("progid"),
        "The running object registered under progid (AutomationError 429 when none runs).");
  m.def(
      "invoke",
      [](const ObjectRef& obj, const std::string& name, const std::string& kind, const py::args& args,
         const py::kwargs& kwargs) {
        if (!obj) automation::raise(automation::err::ObjectNotSet);
        return callMember(obj, name, callKindNamed(kind), args, kwargs);
      },
      py::arg("obj"), py::arg("name"), py::arg("kind"),
      "Calls member name of obj as a \"method\", property \"get\", \"let\" or \"set\".");
  m.def(
      "query_interface",
      [](const ObjectRef& obj, const std::string& interfaceName) -> py::object {
        if (!obj) automation::raise(automation::err::ObjectNotSet);
        ObjectRef other = obj->queryInterface(interfaceName);
        return other ? py::cast(other) : py::none();
      },
      py::arg("obj"), py::arg("interface"), "The object's interface of that name, or None.");
}

}  // namespace rc::python
