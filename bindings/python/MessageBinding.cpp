// The library's messages, shown on sys.stderr while the interpreter runs, so
// that Python's own redirections (and test capture) see them.
#include <cstdlib>
#include <string>

#include "Bindings.h"
#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"

namespace rc::python {

namespace {

// Writes "ravelcrest: <text>" to sys.stderr and, like the default handler,
// files the text in $RAVELCREST_MESSAGES when that is set. Never raises.
void showOnStderr(std::string_view text) {
  if (!Py_IsInitialized()) return;
  {
    py::gil_scoped_acquire gil;
    try {
      py::object err = py::module_::import("sys").attr("stderr");
      if (!err.is_none()) {
        std::string line = "ravelcrest: " + std::string(text) + "\n";
        PyObject* decoded = PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), "replace");
        if (!decoded) throw py::error_already_set();
        err.attr("write")(py::reinterpret_steal<py::str>(decoded));
        err.attr("flush")();
      }
    } catch (py::error_already_set&) {
      // A closed or replaced stream must not turn a message into a failure.
    }
  }
  const char* file = std::getenv("RAVELCREST_MESSAGES");
  if (file == nullptr || *file == '\0') return;
  try {
    platform::appendLine(file, text);
  } catch (const automation::AutomationError&) {
  }
}

}  // namespace

void bindMessages(py::module_&) {
  platform::setMessageHandler(&showOnStderr);
  // Before the interpreter goes away, hand messages back to the default handler.
  py::module_::import("atexit").attr("register")(
      py::cpp_function([] { platform::setMessageHandler(nullptr); }));
}

}  // namespace rc::python
