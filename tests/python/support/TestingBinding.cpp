// ravelcrest._testing: registers the classes the module's tests drive.
#include "Sample.h"
#include "bindings/python/Bindings.h"

namespace rc::python {

void bindTesting(py::module_& m) {
  py::module_ testing = m.def_submodule("_testing", "Classes for the module's own tests.");
  testing.def("register", &rc::testing::registerTestClasses,
              "Registers RavelcrestTest.Sample and RavelcrestTest.Items.");
  py::module_::import("sys").attr("modules")["ravelcrest._testing"] = testing;
}

}  // namespace rc::python
