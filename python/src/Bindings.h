// The parts of the module, each adding its names to it.
#pragma once

#include <pybind11/pybind11.h>

namespace tessaro::python {

namespace py = pybind11;

void BindErrors(py::module_& m);
void BindEnumerations(py::module_& m);
void BindIIRFilter(py::module_& m);
void BindFFT(py::module_& m);

}  // namespace tessaro::python
