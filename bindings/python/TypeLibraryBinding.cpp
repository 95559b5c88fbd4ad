// ravelcrest.typelib(): the registered classes of a library as Python data.
#include <string>

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

}  // namespace

void bindTypeLibrary(py::module_& m) {
  m.def(
      "typelib",
      [](const std::string& library) {
        py::list classes;
        for (const ClassInfo* c : automation::registeredClasses(library)) classes.append(classData(*c));
        return classes;
      },
      py::arg("library") = "RavelcrestCore",
      "The classes of library in registration order: dicts of name, library, progids, clsid, interface, iid "
      "members (name, kind, params, result; a sub's result is None) and records (name, size, fields as "
      "(name, type, offset)).");
}

}  // namespace rc::python
