#include "Arguments.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "Bindings.h"

namespace tessaro::python {

namespace {

std::string Lower(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Upper(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A repr for messages, cut short when long.
std::string Shown(py::handle value) {
  std::string text = py::repr(value);
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  return text;
}

std::string Choices(std::span<const char* const> names) {
  std::string text;
  for (const char* name : names) text += (text.empty() ? "'" : ", '") + std::string(name) + "'";
  return text;
}

void AddEnumeration(py::module_& m, const char* name, std::span<const char* const> names,
                    const char* doc) {
  py::list members;
  for (std::size_t i = 0; i < names.size(); ++i)
    members.append(py::make_tuple(Upper(names[i]), i));
  py::object cls = py::module_::import("enum").attr("IntEnum")(name, members, py::arg("module") = "tessaro");
  cls.attr("__doc__") = doc;
  m.attr(name) = cls;
}

}  // namespace

std::string TypeName(py::handle value) { return py::str(py::type::of(value).attr("__name__")); }

std::string DtypeName(const py::dtype& dtype) { return py::repr(dtype); }

void BindEnumerations(py::module_& m) {
  AddEnumeration(m, "Kind", KindNames,
                 "Analog prototype of an IIR design: BUTTERWORTH (maximally flat), CHEBYSHEV "
                 "(equal ripple in the passband, see IIRFilter.ripple), BESSEL (maximally flat "
                 "group delay, -3 dB at the corner).");
  AddEnumeration(m, "Response", ResponseNames,
                 "Band form of an IIR design: LOWPASS and HIGHPASS use f1; BANDPASS and BANDSTOP "
                 "lie between f1 and f2 (either may be the lower edge).");
  AddEnumeration(m, "Structure", StructureNames,
                 "How an IIR design runs sample by sample: DIRECT (one difference equation over "
                 "the expanded polynomials), CASCADE (second-order sections in series), AUTO (the "
                 "direct form where it is sound, the cascade elsewhere).");
  AddEnumeration(m, "Window", WindowNames,
                 "Window applied to the real input of FFT.forward. The cosine windows are periodic "
                 "(peak 1 at n/2); Welch and Parzen divide by n + 1; the Gaussian's standard "
                 "deviation is n/2 samples.");
  AddEnumeration(m, "Twiddles", TwiddlesNames,
                 "How an FFT makes its twiddles: RECURRENCE (the default) from one float cosine "
                 "and sine per stage, with an error that grows with the size; EXACT, each the float "
                 "nearest to the true cosine and sine, for measurement at any size.");
}

py::object EnumMember(const char* enumeration, int value) {
  return py::module_::import("tessaro").attr(enumeration)(value);
}

int ToEnumValue(py::handle value, const char* argument, std::span<const char* const> names) {
  const int count = static_cast<int>(names.size());
  if (py::isinstance<py::str>(value)) {
    const std::string text = Lower(value.cast<std::string>());
    for (int i = 0; i < count; ++i)
      if (text == names[static_cast<std::size_t>(i)]) return i;
    throw py::value_error(std::string(argument) + " = " + Shown(value) + ": must be one of " +
                          Choices(names));
  }
  return static_cast<int>(ToWhole(value, argument, 0, count - 1));
}

long long ToWhole(py::handle value, const char* argument, long long low, long long high) {
  if (!PyIndex_Check(value.ptr()))
    throw py::type_error(std::string(argument) + " must be a whole number, not " + TypeName(value));
  const py::int_ whole = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
  if (!whole) throw py::error_already_set();
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
  if (overflow != 0 || v < low || v > high)
    throw py::value_error(std::string(argument) + " = " + Shown(value) + ": must be from " +
                          std::to_string(low) + " to " + std::to_string(high));
  return v;
}

Extended ToExtended(py::handle value, const char* argument) {
  const py::object longdouble = py::module_::import("numpy").attr("longdouble");
  if (py::isinstance(value, longdouble)) {
    const auto scalar = py::array_t<Extended>::ensure(value);
    return *scalar.data();
  }
  if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
      PyComplex_Check(value.ptr()) || !PyNumber_Check(value.ptr()))
    throw py::type_error(std::string(argument) + " must be a real number, not " + TypeName(value));
  const double v = PyFloat_AsDouble(value.ptr());
  if (v == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    throw py::type_error(std::string(argument) + " must be a real number, not " + TypeName(value));
  }
  return static_cast<Extended>(v);
}

py::object FromExtended(Extended value) {
  py::array_t<Extended> scalar(std::vector<py::ssize_t>{});
  *scalar.mutable_data() = value;
  return scalar[py::tuple()];
}

}  // namespace tessaro::python
