// The library's exceptions as Python exceptions with the same message:
// invalid_argument as ValueError, a design that overflows as OverflowError
// and one that divides by zero or takes an invalid operation as
// ArithmeticError (OverflowError is one too), TStoredFormError as
// tessaro.StoredFormError, a ValueError with the line number in `line`.
#include <stdexcept>

#include "Bindings.h"
#include "tessaro/sigStoredForm.h"

namespace tessaro::python {

namespace {

// The class lives as long as the process: the module is never unloaded.
PyObject* storedFormError = nullptr;

void RaiseStoredFormError(const TStoredFormError& e) {
  py::object instance = py::reinterpret_borrow<py::object>(storedFormError)(py::str(e.what()));
  instance.attr("line") = e.Line();
  PyErr_SetObject(storedFormError, instance.ptr());
}

}  // namespace

void BindErrors(py::module_& m) {
  storedFormError = PyErr_NewExceptionWithDoc(
      "tessaro.StoredFormError",
      "A stored form that cannot be read: its text, or a value in it, is malformed, names an "
      "unknown class or property, or the object is not the one expected. `line` is the "
      "number of the offending line, counted from 1; nothing was changed.",
      PyExc_ValueError, nullptr);
  if (storedFormError == nullptr) throw py::error_already_set();
  PyObject_SetAttrString(storedFormError, "line", py::int_(0).ptr());
  m.attr("StoredFormError") = py::reinterpret_borrow<py::object>(storedFormError);

  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const TStoredFormError& e) {
      try {
        RaiseStoredFormError(e);
      } catch (py::error_already_set& inner) {
        inner.restore();
      }
    } catch (const std::overflow_error& e) {
      PyErr_SetString(PyExc_OverflowError, e.what());
    } catch (const std::domain_error& e) {
      PyErr_SetString(PyExc_ArithmeticError, e.what());
    } catch (const std::invalid_argument& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
}

}  // namespace tessaro::python
