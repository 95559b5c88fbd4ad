// The parts of the ravelcrest module, each adding its names to the module.
#pragma once

#include <pybind11/pybind11.h>

namespace rc::python {

namespace py = pybind11;

// AutomationError and the translation of run-time errors into it.
void bindErrors(py::module_& m);
// Object (a wrapped automation object), Missing, Dispatch, GetObject,
// invoke and query_interface.
void bindObjects(py::module_& m);
// SafeArray: multi-dimensional arrays with their own bounds.
void bindSafeArray(py::module_& m);
// Record: records of a type library, fields as attributes.
void bindRecord(py::module_& m);
// typelib(): the type library as Python data.
void bindTypeLibrary(py::module_& m);
// Routes the library's messages to sys.stderr while the interpreter runs.
void bindMessages(py::module_& m);
// ravelcrest._testing: the classes the module's own tests drive.
void bindTesting(py::module_& m);

}  // namespace rc::python
