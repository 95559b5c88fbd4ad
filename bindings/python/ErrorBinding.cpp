// ravelcrest.AutomationError and the translation of run-time errors.
#include <exception>

#include <pybind11/eval.h>

#include "Bindings.h"
#include "platform/automation/Error.h"

namespace rc::python {

namespace {

// A plain Python class, so that callers may construct and subclass it.
constexpr const char* kAutomationErrorSource = R"py(
class AutomationError(Exception):
    """A run-time error of an automation member: number, description, source."""

    def __init__(self, number, description="", source=""):
        super().__init__(number, description, source)
        self.number = number
        self.description = description
        self.source = source

    def __str__(self):
        where = f" in {self.source}" if self.source else ""
        return f"{self.description} (error {self.number}{where})"
)py";

}  // namespace

void bindErrors(py::module_& m) {
  py::exec(kAutomationErrorSource, m.attr("__dict__"));
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const automation::AutomationError& e) {
      try {
        py::object type = py::module_::import("ravelcrest").attr("AutomationError");
        py::object error = type(e.number(), e.description(), e.source());
        PyErr_SetObject(type.ptr(), error.ptr());
      } catch (py::error_already_set&) {
        // The module is not importable yet (an error while it initialises).
        PyErr_SetString(PyExc_RuntimeError, e.what());
      }
    }
  });
}

}  // namespace rc::python
