// ravelcrest.Record: a record of a type library (BITMAPINFO, ...), its
// fields as attributes, bytes(r) its platform layout.
#include <string>

#include "Bindings.h"
#include "Conversions.h"
#include "platform/automation/Record.h"

namespace rc::python {

namespace {

using automation::Record;
using automation::RecordField;

const RecordField& fieldNamed(const Record& r, const std::string& name) {
  const RecordField* f = r.type().field(name);
  if (!f) throw py::attribute_error("record " + r.type().name + " has no field '" + name + "'");
  return *f;
}

std::string describe(const Record& r) {
  std::string text = "ravelcrest.Record('" + r.type().name + "'";
  for (const RecordField& f : r.type().fields)
    text += ", " + f.name + "=" + std::string(py::repr(toPython(r.get(f.name))));
  return text + ")";
}

}  // namespace

void bindRecord(py::module_& m) {
  py::class_<Record>(m, "Record", "A record of a type library: fields as attributes (nested records as copies), "
                                  "bytes(r) the platform layout.")
      .def_property_readonly("type_name", [](const Record& r) { return r.type().name; })
      .def_property_readonly("fields",
                             [](const Record& r) {
                               py::list names;
                               for (const RecordField& f : r.type().fields) names.append(f.name);
                               return names;
                             })
      .def("__getattr__", [](const Record& r, const std::string& name) { return toPython(r.get(fieldNamed(r, name).name)); })
      .def("__setattr__",
           [](Record& r, const std::string& name, py::handle value) { r.set(fieldNamed(r, name).name, toVariant(value)); })
      .def("__bytes__", [](const Record& r) {
        return py::bytes(reinterpret_cast<const char*>(r.bytes().data()), r.bytes().size());
      })
      .def("__len__", [](const Record& r) { return r.bytes().size(); })
      .def("__eq__", [](const Record& a, py::handle b) { return py::isinstance<Record>(b) && a == b.cast<const Record&>(); })
      .def("__repr__", &describe);
}

}  // namespace rc::python
