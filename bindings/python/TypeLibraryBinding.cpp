// ravelcrest.typelib(): the registered classes of a library as Python data.
#include <optional>
#include <string>

#include <pybind11/eval.h>

#include "Bindings.h"
#include "Conversions.h"
#include "platform/automation/Record.h"
#include "platform/automation/Registry.h"
#include "platform/automation/TypeInfo.h"

namespace rc::python {

namespace {

using automation::ClassInfo;
using automation::MemberInfo;
using automation::ParamInfo;

py::str typeText(automation::VarType t) { return py::str(std::string(automation::typeName(t))); }

py::dict paramData(const ParamInfo& p) {
  py::dict d;
  d["name"] = p.name;
  d["type"] = typeText(p.type);
  d["byref"] = p.byRef;
  d["optional"] = p.optional;
  d["default"] = p.optional ? toPython(p.defaultValue) : py::none();
  return d;
}

py::dict memberData(const MemberInfo& m) {
  py::dict d;
  d["name"] = m.name;
  d["kind"] = py::str(std::string(automation::memberKindName(m.kind)));
  py::list params;
  for (const ParamInfo& p : m.params) params.append(paramData(p));
  d["params"] = params;
  d["result"] = m.result == automation::VarType::Void ? py::object(py::none()) : py::object(typeText(m.result));
  return d;
}

py::dict recordData(const automation::RecordType& r) {
  py::dict d;
  d["name"] = r.name;
  d["size"] = r.size;
  py::list fields;
  for (const automation::RecordField& f : r.fields)
    fields.append(py::make_tuple(f.name, f.record ? py::str(f.record->name) : typeText(f.type), f.offset));
  d["fields"] = fields;
  return d;
}

py::dict classData(const ClassInfo& c) {
  py::dict d;
  d["name"] = c.name;
  d["library"] = c.library;
  py::list progIds;
  for (const std::string& id : c.progIds) progIds.append(id);
  d["progids"] = progIds;
  d["clsid"] = c.clsid;
  d["interface"] = c.interfaceName;
  d["iid"] = c.iid;
  py::list members;
  for (const MemberInfo& m : c.members) members.append(memberData(m));
  d["members"] = members;
  py::list records;
  for (const automation::RecordType* r : c.records) records.append(recordData(*r));
  d["records"] = records;
  return d;
}

// The list typelib() answers: the class dicts, with the library's name,
// version and ID as attributes.
constexpr const char* kTypeLibrarySource = R"py(
class TypeLibrary(list):
    """The classes of a type library, with the library's name, version and ID."""

    def __init__(self, classes, name, version, libid):
        super().__init__(classes)
        self.name = name
        self.version = version
        self.libid = libid

    def __repr__(self):
        names = ", ".join(c["name"] for c in self)
        return f"<ravelcrest.TypeLibrary {self.name} {self.version} {self.libid}: {names}>"
)py";

py::object noneIfEmpty(const std::string& s) { return s.empty() ? py::object(py::none()) : py::object(py::str(s)); }

}  // namespace

void bindTypeLibrary(py::module_& m) {
  py::exec(kTypeLibrarySource, m.attr("__dict__"));
  m.def(
      "typelib",
      [](const std::string& library) {
        std::optional<automation::TypeLibrary> found = automation::typeLibrary(library);
        if (!found) throw py::key_error("no classes registered for library '" + library + "'");
        py::list classes;
        for (const ClassInfo* c : found->classes) classes.append(classData(*c));
        const automation::LibraryInfo& info = found->library;
        return py::module_::import("ravelcrest").attr("TypeLibrary")(classes, info.name, noneIfEmpty(info.version),
                                                                      noneIfEmpty(info.libid));
      },
      py::arg("library") = "RavelcrestCore",
      "The type library named library (any case): a list of its classes in registration order, each a dict of "
      "name, library, progids, clsid, interface, iid, members (name, kind, params, result; a sub's result is "
      "None) and records (name, size, fields as (name, type, offset)), with the library's name, version and libid as attributes (None when the library published none). "
      "KeyError when no class of that library is registered.");
}

}  // namespace rc::python
