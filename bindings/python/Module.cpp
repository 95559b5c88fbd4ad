// The ravelcrest Python module: automation objects of the library and of the
// simulated applications, reached by ProgID and member name.
#include <pybind11/pybind11.h>

#include "Bindings.h"
#include "Core/frame/Register.h"
#include "sim/Register.h"

PYBIND11_MODULE(ravelcrest, m) {
  m.doc() = "Automation objects of RavelcrestCore and the simulated applications, by ProgID and member name.";
  rc::python::bindErrors(m);
  rc::python::bindObjects(m);
  rc::python::bindSafeArray(m);
  rc::python::bindRecord(m);
  rc::python::bindTypeLibrary(m);
  rc::python::bindMessages(m);
#ifdef RAVELCREST_PYTHON_TESTING
  rc::python::bindTesting(m);
#endif
  rc::core::registerClasses();
  rc::sim::registerApplications();
}
